#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/frmMain.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

class TestMenuCommands : public QObject
{
    Q_OBJECT
    BoxRecorder boxes;
    std::unique_ptr<frmMain> w;
private Q_SLOTS:
    void init()
    {
        clearSettings();
        storeSetting(u"BETA-0.2-BETA1"_s, u"OK"_s);
        boxes.boxes.clear();
        w = std::make_unique<frmMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->setWindowTitle(u"Vornix Test"_s);
    }
    void cleanup() { w.reset(); }
    void toolbarButtons_data()
    {
        QTest::addColumn<QString>("key");   // pressed on "abcdef" with "cd" selected, "XY" copied
        QTest::addColumn<QString>("after"); // the field, then the clipboard
        QTest::newRow("New does nothing") << u"New"_s << u"abcdef XY"_s;
        QTest::newRow("Cut") << u"Cut"_s << u"abef cd"_s;
        QTest::newRow("Copy") << u"Copy"_s << u"abcdef cd"_s;
        QTest::newRow("Paste") << u"Paste"_s << u"abXYef XY"_s;
    }
    void toolbarButtons()
    {
        QFETCH(QString, key);
        QApplication::clipboard()->setText(u"XY"_s);
        w->txtURL->setText(u"abcdef"_s);
        w->txtURL->setFocus();
        w->txtURL->setSelection(2, 2);
        auto *button = w->findChild<QAction *>(u"tbToolBar_"_s + key);
        QVERIFY(button && button->data() == key);
        // Clicked with the mouse: the button must leave the focus in the field.
        QTest::mouseClick(w->tbToolBar->widgetForAction(button), Qt::LeftButton);
        QTEST(QString(w->txtURL->text() + u' ' + QApplication::clipboard()->text()), "after");
        QCOMPARE(QApplication::focusWidget(), w->txtURL);
    }
    void menuItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("bar"); // none: a help item, giving a box each time
        QTest::newRow("Symbolleiste") << u"mnuViewToolbar"_s << u"tbToolBar"_s;
        QTest::newRow("Statusleiste") << u"mnuViewStatusBar"_s << u"sbStatusBar"_s;
        QTest::newRow("Inhalt") << u"mnuHelpContents"_s << QString();
        QTest::newRow("Suchen") << u"mnuHelpSearchForHelpOn"_s << QString();
    }
    void menuItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, bar);
        auto *action = w->findChild<QAction *>(item);
        QVERIFY(action);
        for (bool shown : {false, true}) {
            action->trigger();
            QCOMPARE(action->isChecked(), shown && !bar.isEmpty());
            if (!bar.isEmpty())
                QCOMPARE(w->findChild<QWidget *>(bar)->isVisible(), shown);
        }
        QCOMPARE(boxes.boxes.size(), bar.isEmpty() ? 2 : 0);
        for (const MsgBoxRequest &box : std::as_const(boxes.boxes)) // title, icon, text
            QCOMPARE(u"%1 %2 %3"_s.arg(box.title).arg(int(box.icon)).arg(box.text),
                     u"Vornix Test 2 Keine Hilfe verfügbar."_s);
    }
    void infoOpensAboutModally()
    {
        QString caption; // stays empty unless the dialog blocks the menu command
        QTimer::singleShot(0, this, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                caption = dialog->windowTitle();
                dialog->close();
            }
        });
        w->mnuHelpAbout->trigger();
        QCOMPARE(caption, u"About Vornix Test"_s);
    }
    void exitSavesTheSettings()
    {
        w->txtSpeicherOrt->setText(u"/srv/ziel"_s);
        w->mnuFileExit->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(storedSetting(u"SpeicherOrt"_s), u"/srv/ziel"_s);
    }
};

VORNIX_WINDOW_TEST_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
