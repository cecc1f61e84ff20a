#include "WindowFixture.h"
#include "WindowTestMain.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

// Menu items are found by the captions the user reads and chosen with the mouse.
class tst_MenuCommands final : public QObject
{
    Q_OBJECT
    std::unique_ptr<WindowFixture> f;

    // Opens the menu and clicks the item: null when no enabled item has these captions.
    QAction *choose(const QString &menuCaption, const QString &itemCaption)
    {
        QMenuBar *bar = f->w.menuBar();
        for (QAction *menu : bar->actions()) {
            if (menu->text() != menuCaption)
                continue;
            for (QAction *item : menu->menu()->actions()) {
                if (item->text() != itemCaption || !item->isEnabled())
                    continue;
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu).center());
                if (!QTest::qWaitFor([&] { return menu->menu()->isVisible(); }))
                    return nullptr;
                QTest::mouseClick(menu->menu(), Qt::LeftButton, {},
                                  menu->menu()->actionGeometry(item).center());
                return item;
            }
        }
        return nullptr;
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        QVERIFY(f->show());
        f->w.setWindowTitle("Vornix Test");
    }
    void cleanup() { f.reset(); }

    void editCommands_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QKeySequence>("shortcut"); // shown in the menu
        QTest::addColumn<QString>("tooltip");       // of the toolbar button doing the same
        QTest::addColumn<QString>("after"); // "abcdef", "cd" selected, "XY" copied: field clipboard
        const auto row = [](const char *tag, const char *menu, const char *item, const char *key,
                            const char *tip, const char *after) {
            QTest::newRow(tag) << menu << QString::fromUtf8(item)
                               << QKeySequence(QString::fromLatin1(key)) << QString::fromUtf8(tip)
                               << after;
        };
        row("Neu does nothing", "&Datei", "&Neu", "Ctrl+N", "Neu", "abcdef XY");
        row("Ausschneiden", "&Bearbeiten", "&Ausschneiden", "Ctrl+X", "Ausschneiden", "abef cd");
        row("Kopieren", "&Bearbeiten", "&Kopieren", "Ctrl+C", "Kopieren", "abcdef cd");
        row("Einfügen", "&Bearbeiten", "&Einfügen", "Ctrl+V", "Einfügen", "abXYef XY");
    }
    void editCommands()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QKeySequence, shortcut);
        QFETCH(QString, tooltip);
        QFETCH(QString, after);
        QLineEdit *field = f->w.txtURL;
        QAction *button = nullptr;
        for (QAction *b : f->w.tbToolBar->actions())
            if (b->toolTip() == tooltip && !b->icon().isNull())
                button = b;
        QVERIFY(button);
        for (const char *way : {"menu", "shortcut", "toolbar"}) {
            QApplication::clipboard()->setText("XY");
            field->setText("abcdef");
            field->setFocus();
            field->setSelection(2, 2);
            if (way == std::string_view("menu")) {
                const QAction *chosen = choose(menu, item);
                QVERIFY(chosen);
                QCOMPARE(chosen->shortcut(), shortcut);
            } else if (way == std::string_view("shortcut"))
                QTest::keySequence(&f->w, shortcut);
            else // with the mouse: the button must leave the focus in the field
                QTest::mouseClick(f->w.tbToolBar->widgetForAction(button), Qt::LeftButton);
            QTRY_COMPARE(QApplication::focusWidget(), field);
            const QString got = field->text() + ' ' + QApplication::clipboard()->text();
            QVERIFY2(got == after, qPrintable(way + (": " + got)));
        }
    }

    void viewAndHelp_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("bar"); // none: a help item, giving a box each time
        QTest::newRow("Symbolleiste") << "&Ansicht"
                                      << "&Symbolleiste"
                                      << "tbToolBar";
        QTest::newRow("Statusleiste") << "&Ansicht"
                                      << "Status&leiste"
                                      << "sbStatusBar";
        QTest::newRow("Inhalt") << "&Hilfe"
                                << "&Inhalt" << QString();
        QTest::newRow("Suchen") << "&Hilfe"
                                << "&Suchen in der Hilfe..." << QString();
    }
    void viewAndHelp()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, bar);
        QAction *action = nullptr;
        for (QAction *a : f->w.findChildren<QAction *>())
            if (a->text() == item)
                action = a;
        QVERIFY(action);
        QCOMPARE(action->isChecked(), !bar.isEmpty()); // the check mark tells the bar is shown
        for (bool shown : {false, true}) {
            QVERIFY(choose(menu, item));
            QCOMPARE(action->isChecked(), shown && !bar.isEmpty());
            if (!bar.isEmpty())
                QCOMPARE(f->w.findChild<QWidget *>(bar)->isVisible(), shown);
        }
        QCOMPARE(f->boxes.boxes.size(), bar.isEmpty() ? 2 : 0);
        for (const MsgBoxRequest &box : std::as_const(f->boxes.boxes)) // title, icon, text
            QCOMPARE(QString("%1 %2 %3").arg(box.title).arg(int(box.icon)).arg(box.text),
                     "Vornix Test 2 Keine Hilfe verfügbar.");
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
        QVERIFY(choose("&Hilfe", "In&fo"));
        QCOMPARE(caption, "About Vornix Test");
    }

    void exitSavesTheSettings()
    {
        typeInto(f->w.txtSpeicherOrt, "/srv/ziel");
        QVERIFY(choose("&Datei", "&Beenden"));
        QVERIFY(!f->w.isVisible());
        QCOMPARE(storedSetting("SpeicherOrt"), "/srv/ziel");
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_MenuCommands)
#include "tst_menucommands.moc"
