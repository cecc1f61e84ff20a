#include "TestMain.h"
#include "WindowFixture.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

// The menus and the toolbar of the real window.
class TestMenuCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        w.reset();
        boxes.reset();
    }
    void toolbarButtons_data();
    void toolbarButtons();
    void viewItemsToggleTheirBar_data();
    void viewItemsToggleTheirBar();
    void helpItemsSayThereIsNoHelp_data();
    void helpItemsSayThereIsNoHelp();
    void infoOpensAboutModally();
    void exitSavesTheSettings();

private:
    QAction *toolbarButton(const QString &key) const
    {
        for (QAction *a : w->tbToolBar->actions()) {
            if (a->data().toString() == key)
                return a;
        }
        return nullptr;
    }

    std::unique_ptr<BoxRecorder> boxes;
    std::unique_ptr<frmMain> w;
};

void TestMenuCommands::init()
{
    clearSettings();
    storeSetting(QStringLiteral("BETA-0.2-BETA1"), QStringLiteral("OK"));
    boxes = std::make_unique<BoxRecorder>();
    w = std::make_unique<frmMain>();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
}

void TestMenuCommands::toolbarButtons_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("fieldAfter");
    QTest::addColumn<QString>("clipboardAfter");

    // The field holds "abcdef" with "cd" selected; the clipboard holds "XY".
    QTest::newRow("New") << "New"
                         << "abcdef"
                         << "XY";
    QTest::newRow("Cut") << "Cut"
                         << "abef"
                         << "cd";
    QTest::newRow("Copy") << "Copy"
                          << "abcdef"
                          << "cd";
    QTest::newRow("Paste") << "Paste"
                           << "abXYef"
                           << "XY";
}

void TestMenuCommands::toolbarButtons()
{
    QFETCH(QString, key);
    QFETCH(QString, fieldAfter);
    QFETCH(QString, clipboardAfter);

    QApplication::clipboard()->setText(QStringLiteral("XY"));
    w->txtURL->setText(QStringLiteral("abcdef"));
    w->txtURL->setFocus();
    w->txtURL->setSelection(2, 2);
    // Pressed with the mouse, as a user would: the field keeps the focus.
    QAction *button = toolbarButton(key);
    QVERIFY(button);
    QTest::mouseClick(w->tbToolBar->widgetForAction(button), Qt::LeftButton);
    QCOMPARE(w->txtURL->text(), fieldAfter);
    QCOMPARE(QApplication::clipboard()->text(), clipboardAfter);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->txtURL));
}

void TestMenuCommands::viewItemsToggleTheirBar_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("bar");
    QTest::newRow("Symbolleiste") << "mnuViewToolbar"
                                  << "tbToolBar";
    QTest::newRow("Statusleiste") << "mnuViewStatusBar"
                                  << "sbStatusBar";
}

void TestMenuCommands::viewItemsToggleTheirBar()
{
    QFETCH(QString, item);
    QFETCH(QString, bar);
    auto *action = w->findChild<QAction *>(item);
    auto *widget = w->findChild<QWidget *>(bar);
    QVERIFY(action && widget);
    const QPoint framePos = w->fraDateiliste->pos();

    action->trigger();
    QVERIFY(!action->isChecked());
    QVERIFY(!widget->isVisible());
    QCOMPARE(w->fraDateiliste->pos(), framePos); // hiding a bar moves nothing else
    action->trigger();
    QVERIFY(action->isChecked());
    QVERIFY(widget->isVisible());
}

void TestMenuCommands::helpItemsSayThereIsNoHelp_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("Inhalt") << "mnuHelpContents";
    QTest::newRow("Suchen") << "mnuHelpSearchForHelpOn";
}

void TestMenuCommands::helpItemsSayThereIsNoHelp()
{
    QFETCH(QString, item);
    w->setWindowTitle(QStringLiteral("Vornix-Downloader 0.2 BETA1"));
    w->findChild<QAction *>(item)->trigger();
    QCOMPARE(boxes->boxes.size(), 1);
    QCOMPARE(boxes->boxes[0].text, QStringLiteral("Keine Hilfe verfügbar."));
    QCOMPARE(boxes->boxes[0].style, 64);
    QCOMPARE(boxes->boxes[0].title, QStringLiteral("Vornix-Downloader 0.2 BETA1"));
}

void TestMenuCommands::infoOpensAboutModally()
{
    QString caption;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        caption = dialog->windowTitle();
        modal = dialog->isModal();
        dialog->close();
    });
    w->mnuHelpAbout->trigger();
    QCOMPARE(caption, QStringLiteral("About Vornix-Downloader 0.2 BETA1"));
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMenuCommands::exitSavesTheSettings()
{
    w->move(150, 90);
    w->txtSpeicherOrt->setText(QStringLiteral("/srv/ziel"));
    w->mnuFileExit->trigger();
    QVERIFY(!w->isVisible());
    QCOMPARE(storedSetting(QStringLiteral("SpeicherOrt")), QStringLiteral("/srv/ziel"));
    QCOMPARE(storedSetting(QStringLiteral("MainLeft")), QStringLiteral("2250"));
    QCOMPARE(storedSetting(QStringLiteral("MainTop")), QStringLiteral("1350"));
}

VORNIX_TEST_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
