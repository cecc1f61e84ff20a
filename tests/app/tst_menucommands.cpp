#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/EditCommands.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
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
        for (QMenu *menu : f->w.findChildren<QMenu *>())
            for (QAction *item : menu->actions())
                if (menu->title() == menuCaption && item->text() == itemCaption &&
                    item->isEnabled()) {
                    QTest::mouseClick(bar, Qt::LeftButton, {},
                                      bar->actionGeometry(menu->menuAction()).center());
                    if (!QTest::qWaitFor([&] { return menu->isVisible(); }))
                        return nullptr;
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(item).center());
                    return item;
                }
        return nullptr;
    }
    // Every field holds the same text with `length` characters selected from the fourth on.
    void select(QWidget *focus, int length)
    {
        frmMain &w = f->w;
        w.txtURL->setText("01;§2;03");
        w.txtURL->setSelection(3, length);
        w.cboErsatzText->setEditText(w.txtURL->text());
        w.cboErsatzText->lineEdit()->setSelection(3, length);
        w.txtVorschau->setPlainText("01\n§2\n03");
        QTextCursor cursor(w.txtVorschau->document());
        cursor.setPosition(3);
        cursor.setPosition(3 + length, QTextCursor::KeepAnchor);
        w.txtVorschau->setTextCursor(cursor);
        focus->setFocus();
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        QVERIFY(f->show());
        f->w.setWindowTitle("Vornix Test");
    }
    void cleanup() { f.reset(); }

    // Each command from its menu, by the shortcut the menu shows and with the toolbar
    // button named like the item. Only the focused field may change.
    void editCommands_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("field");     // focused
        QTest::addColumn<int>("length");        // selected from the fourth character on
        QTest::addColumn<QString>("clipboard"); // null: empty
        QTest::addColumn<QString>("after");     // the field's (txtURL's for the others) | clipboard
        const auto row = [](const char *tag, const char *item, const char *field, int length,
                            const QString &clipboard, const QString &after) {
            QTest::newRow(tag) << item << field << length << clipboard << after;
        };
        const char *url = "txtURL", *combo = "cboErsatzText", *preview = "txtVorschau";
        row("Neu does nothing", "&Neu", url, 2, "alt", "01;§2;03|alt");
        row("Ausschneiden", "&Ausschneiden", url, 2, "alt", "01;;03|§2");
        row("Kopieren", "&Kopieren", url, 2, "alt", "01;§2;03|§2");
        row("Einfügen", "&Einfügen", url, 2, "alt", "01;alt;03|alt");
        row("copy without a selection", "&Kopieren", combo, 0, "alt", "01;§2;03|alt");
        row("cut without a selection", "&Ausschneiden", url, 0, "alt", "01;§2;03|alt");
        row("copy on a button", "&Kopieren", "cmdDownload", 2, "alt", "01;§2;03|alt");
        row("cut on an option", "&Ausschneiden", "optProxy1", 2, "alt", "01;§2;03|alt");
        row("copy lines from the preview", "&Kopieren", preview, 5, "alt", "01\n§2\n03|§2\n03");
        row("paste replaces the selection", "&Einfügen", combo, 2, "0-9", "01;0-9;03|0-9");
        row("empty clipboard deletes", "&Einfügen", combo, 2, QString(), "01;;03|");
        row("paste into the read-only preview", "&Einfügen", preview, 2, "x", "01\n§2\n03|x");
    }
    void editCommands()
    {
        QFETCH(QString, item);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        const QMap<QString, QStringList> menus{{"&Neu", {"&Datei", "Ctrl+N"}},
                                               {"&Ausschneiden", {"&Bearbeiten", "Ctrl+X"}},
                                               {"&Kopieren", {"&Bearbeiten", "Ctrl+C"}},
                                               {"&Einfügen", {"&Bearbeiten", "Ctrl+V"}}};
        const QKeySequence shortcut(menus[item][1]);
        QAction *button = nullptr;
        for (QAction *b : f->w.tbToolBar->actions())
            if (b->toolTip() == QString(item).remove('&') && !b->icon().isNull())
                button = b;
        QVERIFY(button);
        QFETCH(QString, field);
        QFETCH(int, length);
        QWidget *focus = f->w.findChild<QWidget *>(field);
        for (const char *way : {"menu", "shortcut", "toolbar"}) {
            clipboard.isNull() ? QGuiApplication::clipboard()->clear()
                               : QGuiApplication::clipboard()->setText(clipboard);
            select(focus, length);
            QTRY_COMPARE(QApplication::focusWidget(), focus);
            if (way == std::string_view("menu")) {
                const QAction *chosen = choose(menus[item][0], item);
                QVERIFY(chosen);
                QCOMPARE(chosen->shortcut(), shortcut);
            } else if (way == std::string_view("shortcut"))
                QTest::keySequence(&f->w, shortcut);
            else // with the mouse: the button must leave the focus in the field
                QTest::mouseClick(f->w.tbToolBar->widgetForAction(button), Qt::LeftButton);
            QTRY_COMPARE(QApplication::focusWidget(), focus);
            const QString got = (focus == f->w.txtVorschau     ? f->w.txtVorschau->toPlainText()
                                 : focus == f->w.cboErsatzText ? f->w.cboErsatzText->currentText()
                                                               : f->w.txtURL->text()) +
                                '|' + QGuiApplication::clipboard()->text();
            QVERIFY2(got == after, qPrintable(way + (": " + got)));
        }
    }
    void toolbarKeysMatchExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("toolbar keys match case") << "cut";
        QTest::newRow("toolbar keys match blanks") << "Copy ";
    }
    void toolbarKeysMatchExactly()
    {
        QGuiApplication::clipboard()->setText("alt");
        select(f->w.txtURL, 2);
        QTRY_COMPARE(QApplication::focusWidget(), f->w.txtURL);
        QFETCH(QString, key);
        ToolbarButtonClick(key);
        QCOMPARE(f->w.txtURL->text() + '|' + QGuiApplication::clipboard()->text(), "01;§2;03|alt");
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
                                << "&Inhalt"
                                << "";
        QTest::newRow("Suchen") << "&Hilfe"
                                << "&Suchen in der Hilfe..."
                                << "";
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
