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

using Command = void (*)();
Q_DECLARE_METATYPE(Command)

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

    // Every field holds the same text and selection; only the focused one may change.
    // Cut, copy and paste with a selection in txtURL: editCommands.
    void commandsOnTheFocus_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("length");        // of the selection from the fourth character on
        QTest::addColumn<QString>("clipboard"); // null: empty
        QTest::addColumn<QString>("clipboardAfter");
        QTest::addColumn<QString>("textAfter"); // of the field, or of txtURL for the others
        const auto row = [](const char *tag, Command run, const char *field, int length,
                            QString clip, QString clipAfter, QString textAfter) {
            QTest::newRow(tag) << run << field << length << clip << clipAfter << textAfter;
        };
        const QString text = "01;§2;03";
        const char *preview = "txtVorschau", *combo = "cboErsatzText";
        row("copy without a selection", EditCopy, combo, 0, "alt", "alt", text);
        row("cut without a selection", EditCut, "txtURL", 0, "alt", "alt", text);
        row("copy on a button", EditCopy, "cmdDownload", 2, "alt", "alt", text);
        row("cut on an option", EditCut, "optProxy1", 2, "alt", "alt", text);
        row("copy lines from the preview", EditCopy, preview, 5, "alt", "§2\n03", "01\n§2\n03");
        row("paste replaces the selection", EditPaste, combo, 2, "0-9", "0-9", "01;0-9;03");
        row("empty clipboard deletes", EditPaste, combo, 2, QString(), "", "01;;03");
        row("paste into the read-only preview", EditPaste, preview, 2, "x", "x", "01\n§2\n03");
        const Command lowerCut = [] { ToolbarButtonClick("cut"); };
        const Command copyBlank = [] { ToolbarButtonClick("Copy "); };
        row("toolbar keys match case", lowerCut, "txtURL", 2, "alt", "alt", text);
        row("toolbar keys match blanks", copyBlank, "txtURL", 2, "alt", "alt", text);
    }
    void commandsOnTheFocus()
    {
        QFETCH(QString, field);
        QFETCH(int, length);
        QFETCH(QString, clipboard);
        frmMain &w = f->w;
        clipboard.isNull() ? QGuiApplication::clipboard()->clear()
                           : QGuiApplication::clipboard()->setText(clipboard);
        w.txtURL->setText("01;§2;03");
        w.txtURL->setSelection(3, length);
        w.cboErsatzText->setEditText(w.txtURL->text());
        w.cboErsatzText->lineEdit()->setSelection(3, length);
        w.txtVorschau->setPlainText("01\n§2\n03");
        QTextCursor cursor(w.txtVorschau->document());
        cursor.setPosition(3);
        cursor.setPosition(3 + length, QTextCursor::KeepAnchor);
        w.txtVorschau->setTextCursor(cursor);
        QWidget *focus = w.findChild<QWidget *>(field);
        focus->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), focus);
        QFETCH(Command, command);
        command();
        QTEST(QGuiApplication::clipboard()->text(), "clipboardAfter");
        QTEST(focus == w.txtVorschau     ? w.txtVorschau->toPlainText()
              : focus == w.cboErsatzText ? w.cboErsatzText->currentText()
                                         : w.txtURL->text(),
              "textAfter");
    }

    void viewAndHelp_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("bar"); // none: a help item, giving a box each time
        const auto row = [](const char *tag, const char *menu, const char *item, const char *bar) {
            QTest::newRow(tag) << menu << item << bar;
        };
        row("Symbolleiste", "&Ansicht", "&Symbolleiste", "tbToolBar");
        row("Statusleiste", "&Ansicht", "Status&leiste", "sbStatusBar");
        row("Inhalt", "&Hilfe", "&Inhalt", "");
        row("Suchen", "&Hilfe", "&Suchen in der Hilfe...", "");
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
