#include "WindowFixture.h"
#include "app/EditCommands.h"
#include "ui/FolderDialogs.h"

// An edit command with `length` characters of every field selected from the fourth on
// and the focused `field`; `after` it the field's text (txtURL's for the others) and the
// clipboard (null: empty). With a `key`, only the toolbar's command by that key is run.
struct Edit
{
    QString item, field, after;
    int length = 2;
    QString clipboard = "alt", key = {};
};

// A menu item, and the `bar` it shows and hides; none: a help item, giving a box each time.
struct MenuItem
{
    QString menu, item, bar;
};

// Menu items are found by the captions the user reads and chosen with the mouse.
class tst_MenuCommands final : public QObject
{
    Q_OBJECT
    std::unique_ptr<WindowFixture> f;

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
        QTest::addColumn<Edit>("e");
        const auto row = [](const char *tag, const Edit &e) { QTest::newRow(tag) << e; };
        const QString url = "txtURL", combo = "cboErsatzText", preview = "txtVorschau";
        row("Neu does nothing", {"&Neu", url, "01;§2;03|alt"});
        row("Ausschneiden", {"&Ausschneiden", url, "01;;03|§2"});
        row("Kopieren", {"&Kopieren", url, "01;§2;03|§2"});
        row("Einfügen", {"&Einfügen", url, "01;alt;03|alt"});
        row("copy without a selection", {"&Kopieren", combo, "01;§2;03|alt", 0});
        row("cut without a selection", {"&Ausschneiden", url, "01;§2;03|alt", 0});
        row("copy on a button", {"&Kopieren", "cmdDownload", "01;§2;03|alt"});
        row("cut on an option", {"&Ausschneiden", "optProxy1", "01;§2;03|alt"});
        row("copy lines from the preview", {"&Kopieren", preview, "01\n§2\n03|§2\n03", 5});
        row("paste replaces the selection", {"&Einfügen", combo, "01;0-9;03|0-9", 2, "0-9"});
        row("empty clipboard deletes", {"&Einfügen", combo, "01;;03|", 2, QString()});
        row("paste into the read-only preview", {"&Einfügen", preview, "01\n§2\n03|x", 2, "x"});
        row("toolbar keys match case", {"&Ausschneiden", url, "01;§2;03|alt", 2, "alt", "cut"});
        row("toolbar keys match blanks", {"&Kopieren", url, "01;§2;03|alt", 2, "alt", "Copy "});
    }
    void editCommands()
    {
        QFETCH(Edit, e);
        const QStringList items{"&Neu", "&Ausschneiden", "&Kopieren", "&Einfügen"};
        const QKeySequence shortcut(QStringLiteral("Ctrl+") + "NXCV"[items.indexOf(e.item)]);
        const QLatin1String menu(e.item == "&Neu" ? "&Datei" : "&Bearbeiten");
        frmMain &w = f->w;
        QAction *button = nullptr;
        for (QAction *b : w.tbToolBar->actions())
            if (b->toolTip() == QString(e.item).remove('&') && !b->icon().isNull())
                button = b;
        QVERIFY(button);
        QWidget *focus = w.findChild<QWidget *>(e.field);
        const QStringList ways =
            e.key.isNull() ? QStringList{"menu", "shortcut", "toolbar"} : QStringList{e.key};
        for (const QString &way : ways) {
            e.clipboard.isNull() ? QGuiApplication::clipboard()->clear()
                                 : QGuiApplication::clipboard()->setText(e.clipboard);
            // Every field holds the same text with `length` characters selected from the fourth on.
            w.txtURL->setText("01;§2;03");
            w.txtURL->setSelection(3, e.length);
            w.cboErsatzText->setEditText(w.txtURL->text());
            w.cboErsatzText->lineEdit()->setSelection(3, e.length);
            w.txtVorschau->setPlainText("01\n§2\n03");
            QTextCursor cursor(w.txtVorschau->document());
            cursor.setPosition(3);
            cursor.setPosition(3 + e.length, QTextCursor::KeepAnchor);
            w.txtVorschau->setTextCursor(cursor);
            focus->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), focus);
            if (way == "menu") {
                const QAction *chosen = chooseMenuItem(w, menu, e.item);
                QCOMPARE(chosen ? chosen->shortcut() : QKeySequence(), shortcut);
            } else if (way == "shortcut")
                QTest::keySequence(&w, shortcut);
            else if (way == "toolbar") // with the mouse: the button must leave the focus
                QTest::mouseClick(w.tbToolBar->widgetForAction(button), Qt::LeftButton);
            else
                ToolbarButtonClick(e.key);
            QTRY_COMPARE(QApplication::focusWidget(), focus);
            const QString got = (focus == w.txtVorschau     ? w.txtVorschau->toPlainText()
                                 : focus == w.cboErsatzText ? w.cboErsatzText->currentText()
                                                            : w.txtURL->text()) +
                                '|' + QGuiApplication::clipboard()->text();
            QVERIFY2(got == e.after, qPrintable(way + ": " + got));
        }
    }
    void viewAndHelp_data()
    {
        QTest::addColumn<MenuItem>("m");
        const auto row = [](const char *tag, const MenuItem &m) { QTest::newRow(tag) << m; };
        row("Symbolleiste", {"&Ansicht", "&Symbolleiste", "tbToolBar"});
        row("Statusleiste", {"&Ansicht", "Status&leiste", "sbStatusBar"});
        row("Inhalt", {"&Hilfe", "&Inhalt", ""});
        row("Suchen", {"&Hilfe", "&Suchen in der Hilfe...", ""});
    }
    void viewAndHelp()
    {
        QFETCH(MenuItem, m);
        QAction *action = nullptr;
        for (QAction *a : f->w.findChildren<QAction *>())
            if (a->text() == m.item)
                action = a;
        QVERIFY(action);
        QCOMPARE(action->isChecked(), !m.bar.isEmpty()); // the check mark tells the bar is shown
        for (bool shown : {false, true}) {
            QVERIFY(chooseMenuItem(f->w, m.menu, m.item));
            QCOMPARE(action->isChecked(), shown && !m.bar.isEmpty());
            if (!m.bar.isEmpty())
                QCOMPARE(f->w.findChild<QWidget *>(m.bar)->isVisible(), shown);
        }
        QCOMPARE(f->boxes.boxes.size(), m.bar.isEmpty() ? 2 : 0);
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
        QVERIFY(chooseMenuItem(f->w, "&Hilfe", "In&fo"));
        QCOMPARE(caption, "About Vornix Test");
    }

    // "…" in the folder field, "Zielordner wählen..." and its shortcut open the chooser at the
    // typed folder: a choice replaces the text, a cancel keeps it. "Zielordner öffnen" shows the
    // typed folder, or the offered one when none is typed. Either way the focus stays.
    void folderCommands_data()
    {
        QTest::addColumn<QString>("way");   // "open": "Zielordner öffnen"
        QTest::addColumn<QString>("typed"); // "dir": an existing folder
        QTest::addColumn<bool>("cancel");   // in the chooser
        QTest::addColumn<QString>("box");   // none: no box
        for (const char *way : {"button", "menu", "shortcut"}) {
            QTest::addRow("%s", way) << way << "dir" << false << QString();
            QTest::addRow("%s, cancelled", way) << way << "dir" << true << QString();
        }
        const QString open = "open", missing = "Der Ordner \"/nicht/da\" existiert nicht.";
        QTest::newRow("open typed folder") << open << "dir" << false << QString();
        QTest::newRow("open, nothing typed") << open << "" << false << QString();
        QTest::newRow("open missing folder") << open << "/nicht/da" << false << missing;
    }
    void folderCommands()
    {
        QFETCH(QString, way);
        QFETCH(QString, typed);
        QFETCH(bool, cancel);
        QFETCH(QString, box);
        QTemporaryDir dir, chosen;
        const QString folder = typed == "dir" ? dir.path() : typed;
        QVERIFY(QDir().mkpath(frmMain::defaultTargetFolder()));
        QStringList startedAt, shown;
        setFolderChooser([&](const QString &start) {
            startedAt << start;
            return cancel ? QString() : chosen.path();
        });
        setFolderOpener([&](const QString &path) { return !(shown << path).isEmpty(); });
        const auto restore = qScopeGuard([] {
            setFolderChooser({});
            setFolderOpener({});
        });
        typeInto(f->w.txtSpeicherOrt, folder);
        QWidget *focus = QApplication::focusWidget();
        const bool open = way == "open";
        if (way == "button")
            QTest::mouseClick(f->w.cmdSpeicherOrt, Qt::LeftButton);
        else if (way == "shortcut")
            QTest::keyClick(&f->w, Qt::Key_O, Qt::ControlModifier);
        else
            QVERIFY(chooseMenuItem(f->w, "&Datei",
                                   open ? QString("Zielordner ö&ffnen") : "Zielordner &wählen..."));
        QCOMPARE(startedAt, open ? QStringList() : QStringList{folder});
        const QString offered = folder.isEmpty() ? frmMain::defaultTargetFolder() : folder;
        QCOMPARE(shown, open && box.isEmpty() ? QStringList{offered} : QStringList());
        QCOMPARE(f->w.txtSpeicherOrt->text(), open || cancel ? folder : chosen.path());
        QCOMPARE(QApplication::focusWidget(), focus);
        QCOMPARE(f->boxes.boxes.size(), box.isEmpty() ? 0 : 1);
        QCOMPARE(f->boxes.boxes.value(0).text, box);
        // Both sit between "Neu" and the separator before "Beenden".
        QStringList items;
        for (const QAction *item : f->w.findChild<QMenu *>("mnuFile")->actions())
            items << item->text();
        QCOMPARE(items, (QStringList{"&Neu", "Zielordner &wählen...", "Zielordner ö&ffnen", "",
                                     "&Beenden"}));
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_MenuCommands)
#include "tst_menucommands.moc"
