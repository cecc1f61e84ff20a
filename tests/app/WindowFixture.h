#pragma once

#include "BoxRecorder.h"
#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "WindowTestMain.h"
#include "app/BatchController.h"
#include "app/frmMain.h"

// frmMain.h only declares the classes of its widgets; the tests drive them, and others.
#include <QTest>
#include <QtWidgets>

// The settings as the program stores them, read and written behind its back.
// QSettings objects of one process share their data, so this one sees the
// program's writes at once.
inline QSettings &userStore()
{
    static QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vornix-Downloader",
                           "Vornix-Downloader");
    return store;
}
inline QString storedSetting(const QString &key)
{
    return userStore().value("Settings/" + key).toString();
}

inline QString fieldText(const QWidget *field)
{
    return field->property(qobject_cast<const QComboBox *>(field) ? "currentText" : "text")
        .toString();
}

// Selects the whole text of the field with the keyboard and types over it; "\n" is Return.
inline void typeInto(QWidget *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, lines[i]);
    }
}

// Opens the menu with this caption from the menu bar and clicks its enabled item with
// that caption, both with the mouse: null when there is none.
inline QAction *chooseMenuItem(QMainWindow &w, const QString &menuText, const QString &itemText)
{
    for (QMenu *menu : w.findChildren<QMenu *>())
        for (QAction *item : menu->actions())
            if (menu->title() == menuText && item->text() == itemText && item->isEnabled()) {
                QTest::mouseClick(w.menuBar(), Qt::LeftButton, {},
                                  w.menuBar()->actionGeometry(menu->menuAction()).center());
                if (!QTest::qWaitFor([&] { return menu->isVisible(); }))
                    return nullptr;
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
                return item;
            }
    return nullptr;
}

// The main window as a user meets it on a later run: the beta warning already
// acknowledged, the settings otherwise `stored`, its boxes recorded. The window
// reads the settings when it is first shown.
class WindowFixture
{
public:
    // A null value leaves the setting out, the warning's marker too.
    explicit WindowFixture(QMap<QString, QString> stored = {})
    {
        userStore().clear();
        stored.insert("BETA-0.2-BETA1", stored.value("BETA-0.2-BETA1", "OK"));
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            if (!it.value().isNull())
                userStore().setValue("Settings/" + it.key(), it.value());
        userStore().sync();
    }
    // Shows the window and waits until it takes the keyboard.
    bool show()
    {
        w.show();
        return QTest::qWaitForWindowActive(&w);
    }

    BoxRecorder boxes;
    frmMain w;
};

// For a test class that downloads: a fixture server, an empty folder and the
// window saving into it, new for each test.
class DownloadTest
{
protected:
    // The settings otherwise `stored`.
    bool start(QMap<QString, QString> stored = {})
    {
        f.reset();
        server = std::make_unique<HttpFixtureServer>();
        dir = std::make_unique<QTemporaryDir>();
        stored.insert("SpeicherOrt", dir->path());
        f = std::make_unique<WindowFixture>(stored);
        w = &f->w;
        return server->listen() && dir->isValid() && f->show();
    }
    // Types the template and the list, clicks "Download" and waits until the window is idle
    // again (false if it is not); `during` gets each request's path.
    bool download(
        const QString &urlTemplate, const QString &list,
        const std::function<void(const QByteArray &)> &during = [](auto &) {})
    {
        typeInto(w->txtURL, urlTemplate);
        typeInto(w->cboErsatzText, list);
        QObject context;
        QObject::connect(server.get(), &HttpFixtureServer::requestReceived, &context,
                         [&] { during(server->requests().last().path()); });
        QTest::mouseClick(w->cmdDownload, Qt::LeftButton);
        return idle(60000);
    }
    // No batch runs and the buttons say so, within ms.
    bool idle(int ms = 5000) const
    {
        const auto idle = [&] {
            return !w->batch()->isRunning() && w->cmdDownload->isEnabled() &&
                   !w->cmdAbbruch->isEnabled() && w->cmdVorschauAktualisieren->isEnabled();
        };
        return QTest::qWaitFor(idle, ms);
    }
    QStringList files() const { return filesBelow(dir->path()); }

    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<WindowFixture> f;
    frmMain *w = nullptr;
};
