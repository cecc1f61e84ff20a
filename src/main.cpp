#include "app/Module1.h"
#include "app/frmMain.h"
#include "download/StopSignals.h"
#include "version.h"

#include <QApplication>
#include <QList>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace {
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_qtHandler = nullptr;
QList<HeldMessage> g_held;

// Until the window system has answered, Qt's words about it are held back: without a display
// they would only bury the one line that says what is wrong, and Qt would abort.
void holdStartMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs("vornix-downloader: Keine grafische Anzeige gefunden (DISPLAY oder "
                   "WAYLAND_DISPLAY ist nicht gesetzt oder nicht erreichbar).\n",
                   stderr);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    g_held.append({type, context.category, text});
}

void releaseStartMessages()
{
    qInstallMessageHandler(g_qtHandler);
    for (const HeldMessage &message : std::exchange(g_held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        g_qtHandler(message.type, context, message.text);
    }
}
} // namespace

int main(int argc, char *argv[])
{
    g_qtHandler = qInstallMessageHandler(holdStartMessages);
    QApplication app(argc, argv);
    releaseStartMessages();
    QApplication::setApplicationName(QStringLiteral("Vornix-Downloader"));
    QApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION_STRING));
    QApplication::setDesktopFileName(QStringLiteral("vornix-downloader"));

    installGermanQtTexts(app);
    Main();
    const std::unique_ptr<frmMain> mainWindow(objMainForm);
    // A logout, a closed terminal or Ctrl+C ends the program as closing its window does,
    // so a running batch stops the same way.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::received, mainWindow.get(), &QWidget::close);
    return app.exec();
}
