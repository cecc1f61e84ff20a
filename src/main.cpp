#include "app/Module1.h"
#include "app/frmMain.h"
#include "version.h"

#include <QApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vornix-Downloader"));
    QApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION_STRING));
    QApplication::setDesktopFileName(QStringLiteral("vornix-downloader"));

    installGermanQtTexts(app);
    Main();
    const std::unique_ptr<frmMain> mainWindow(objMainForm);
    return app.exec();
}
