#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/Module1.h"
#include "app/frmMain.h"
#include "ui/LoadedForms.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>

using Settings = QMap<QString, QString>;
Q_DECLARE_METATYPE(Settings)

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { clearSettings(); }
    void betaWarning_data();
    void betaWarning();
    void startAndClose_data();
    void startAndClose();
    void controls_data();
    void controls();
    void menusAndBars();
    void tabOrderAndEscape();
    void closingUnloadsOtherWindowsFirst();
    void statusPanelShowsTheNewestText();
    void noUndoOrRedo_data();
    void noUndoOrRedo();
    void contextMenu_data();
    void contextMenu();
    void longTextsStayWhole_data();
    void longTextsStayWhole();
};

namespace {
QString fieldText(const QWidget *field)
{
    return field->property(qobject_cast<const QComboBox *>(field) ? "currentText" : "text")
        .toString();
}

// Selects the whole text of the field with the keyboard and types over it.
void typeInto(QWidget *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}
} // namespace

void TestFrmMain::betaWarning_data()
{
    QTest::addColumn<QVariant>("marker"); // invalid: not stored at all
    QTest::addColumn<bool>("warned");
    QTest::newRow("first run") << QVariant() << true;
    QTest::newRow("OK") << QVariant("OK") << false;
    QTest::newRow("ok") << QVariant("ok") << true;
    QTest::newRow("other") << QVariant("OK ") << true;
}

void TestFrmMain::betaWarning()
{
    QFETCH(QVariant, marker);
    QFETCH(bool, warned);
    if (marker.isValid())
        storeSetting("BETA-0.2-BETA1", marker.toString());
    BoxRecorder rec;
    frmMain w;
    bool visibleDuringWarning = false;
    setMsgBoxHandler([&](const MsgBoxRequest &r) {
        rec.boxes.append(r);
        visibleDuringWarning = w.isVisible();
    });
    w.show();
    QCOMPARE(rec.boxes.size(), warned ? 1 : 0);
    if (warned) {
        QCOMPARE(rec.boxes[0].text, "Achtung: BETA-Version! Diese Software hat mit Sicherheit noch "
                                    "diverse (auch gröbere) Fehler.");
        QCOMPARE(rec.boxes[0].icon, Message::Icon::None);
        QVERIFY(rec.boxes[0].title.isEmpty() && !visibleDuringWarning);
    }
    QCOMPARE(storedSetting("BETA-0.2-BETA1"), "OK");
    frmMain second; // the marker holds from now on
    second.show();
    QCOMPARE(rec.boxes.size(), warned ? 1 : 0);
}

void TestFrmMain::startAndClose_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<QPoint>("shownAt");
    QTest::addColumn<QString>("folderShown");
    QTest::addColumn<QPoint>("moveTo"); // null: left where it was shown
    QTest::addColumn<bool>("minimise");
    QTest::addColumn<Settings>("saved"); // after typing /srv/x

    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    const QPoint stay;
    const QPoint away(200, 120);
    const Settings moved{{"MainLeft", "3000"}, {"MainTop", "1800"}, {"SpeicherOrt", "/srv/x"}};
    const Settings unmoved{{"MainLeft", "1000"}, {"MainTop", "1000"}, {"SpeicherOrt", "/srv/x"}};
    QTest::newRow("first run") << Settings{} << QPoint(67, 67) << downloads << away << false
                               << moved;
    QTest::newRow("first run, not moved")
        << Settings{} << QPoint(67, 67) << downloads << stay << false << unmoved;
    QTest::newRow("second run") << Settings{{"MainLeft", "1500"},
                                            {"MainTop", "750"},
                                            {"SpeicherOrt", "/tmp/Bilder"}}
                                << QPoint(100, 50) << "/tmp/Bilder" << away << false << moved;
    QTest::newRow("no whole pixel, not moved")
        << Settings{{"MainLeft", "1234"}, {"MainTop", "1234"}} << QPoint(82, 82) << downloads
        << stay << false
        << Settings{{"MainLeft", "1234"}, {"MainTop", "1234"}, {"SpeicherOrt", "/srv/x"}};
    QTest::newRow("no whole pixel, moved down")
        << Settings{{"MainLeft", "1234"}, {"MainTop", "1234"}} << QPoint(82, 82) << downloads
        << QPoint(82, 120) << false
        << Settings{{"MainLeft", "1234"}, {"MainTop", "1800"}, {"SpeicherOrt", "/srv/x"}};
    QTest::newRow("empty folder") << Settings{{"SpeicherOrt", ""}} << QPoint(67, 67) << "" << away
                                  << false << moved;
    QTest::newRow("minimised close")
        << Settings{{"MainLeft", "1500"}, {"MainTop", "2250"}} << QPoint(100, 150) << downloads
        << away << true
        << Settings{{"MainLeft", "1500"}, {"MainTop", "2250"}, {"SpeicherOrt", "/srv/x"}};
    QTest::newRow("not a number") << Settings{{"MainLeft", "links"}, {"MainTop", "oben"}}
                                  << QPoint(67, 67) << downloads << stay << false << unmoved;
    QTest::newRow("not finite") << Settings{{"MainLeft", "nan"}, {"MainTop", "-inf"}}
                                << QPoint(67, 67) << downloads << stay << false << unmoved;
    QTest::newRow("beyond any screen coordinate")
        << Settings{{"MainLeft", "1e30"}, {"MainTop", "32212250000"}} << QPoint(67, 67) << downloads
        << stay << false << unmoved;
    QTest::newRow("off every screen") << Settings{{"MainLeft", "9000000"}, {"MainTop", "-900000"}}
                                      << QPoint(67, 67) << downloads << away << false << moved;
}

void TestFrmMain::startAndClose()
{
    QFETCH(Settings, stored);
    QFETCH(QPoint, shownAt);
    QFETCH(QString, folderShown);
    QFETCH(QPoint, moveTo);
    QFETCH(bool, minimise);
    QFETCH(Settings, saved);
    storeSetting("BETA-0.2-BETA1", "OK");
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        storeSetting(it.key(), it.value());

    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.pos(), shownAt);
    QCOMPARE(w.txtSpeicherOrt->text(), folderShown);
    QCOMPARE(w.cboErsatzText->count(), 1);
    QCOMPARE(w.cboErsatzText->itemText(0), "01;02;03;04;05;06;07;08;09;10-20");
    QCOMPARE(w.cboErsatzText->currentText(), QString());

    if (!moveTo.isNull())
        w.move(moveTo);
    w.txtSpeicherOrt->setText("/srv/x");
    if (minimise)
        w.setWindowState(Qt::WindowMinimized);
    w.close();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(storedSetting(it.key()), it.value());
}

void TestFrmMain::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QRect>("twips");

    // clang-format off
    const struct { const char *name, *kind, *container, *text; bool enabled; const char *tag; QRect twips; } rows[] = {
        {"fraDateiliste", "QGroupBox", "client", "Dateiliste erzeugen", true, "", {120, 480, 6735, 3495}},
        {"lblURL", "QLabel", "fraDateiliste", "URL:", true, "", {120, 240, 735, 255}},
        {"txtURL", "QLineEdit", "fraDateiliste", "http://www.example.com/images/image§.jpg", true, "", {960, 210, 5655, 285}},
        {"lblErsetze", "QLabel", "fraDateiliste", "Ersetze", true, "", {240, 630, 615, 255}},
        {"txtPlatzhalter", "QLineEdit", "fraDateiliste", "§", true, "", {960, 615, 975, 285}},
        {"lblMit", "QLabel", "fraDateiliste", "mit", true, "", {2040, 630, 615, 255}},
        {"cboErsatzText", "QComboBox", "fraDateiliste", "", true, "", {2400, 600, 4215, 315}},
        {"lblVorschau", "QLabel", "fraDateiliste", "Vorschau:", true, "", {120, 1080, 735, 255}},
        {"txtVorschau", "QPlainTextEdit", "fraDateiliste", "", true, "", {960, 1080, 5655, 2235}},
        {"cmdVorschauAktualisieren", "QPushButton", "fraDateiliste", "refresh", true, "", {120, 1440, 735, 375}},
        {"fraDownload", "QGroupBox", "client", "Download", true, "", {120, 4080, 6735, 1815}},
        {"lblProxy", "QLabel", "fraDownload", "Proxy:", true, "", {120, 240, 495, 255}},
        {"optProxy0", "QRadioButton", "fraDownload", "Standard", true, "101", {720, 240, 1455, 255}},
        {"optProxy1", "QRadioButton", "fraDownload", "Direktverbindung", true, "102", {720, 480, 1695, 255}},
        {"optProxy2", "QRadioButton", "fraDownload", "Benutzerdefiniert", true, "103", {720, 720, 1575, 255}},
        {"txtProxy", "QLineEdit", "fraDownload", "proxy:port", false, "", {960, 960, 1335, 285}},
        {"lblSpeicherort", "QLabel", "fraDownload", "Speicherort:", true, "", {2640, 240, 855, 255}},
        {"txtSpeicherOrt", "QLineEdit", "fraDownload", "", true, "", {3600, 210, 2775, 285}},
        {"lblDateiPrefix", "QLabel", "fraDownload", "Datei-Prefix:", true, "", {2640, 540, 855, 255}},
        {"txtDateiprefix", "QLineEdit", "fraDownload", "", true, "", {3600, 540, 2775, 285}},
        {"lblReferer", "QLabel", "fraDownload", "Referer-URL:", true, "", {2580, 960, 975, 255}},
        {"txtReferer", "QLineEdit", "fraDownload", "http://www.example.com/", true, "", {3600, 960, 2775, 285}},
        {"cmdDownload", "QPushButton", "fraDownload", "Download", true, "", {3960, 1320, 1095, 375}},
        {"cmdAbbruch", "QPushButton", "fraDownload", "Abbruch", false, "", {5280, 1320, 1095, 375}},
        {"tbToolBar", "QToolBar", "client", "", true, "", {0, 0, 7095, 420}},
    };
    // clang-format on
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.kind << r.container << QString::fromUtf8(r.text) << r.enabled
                              << r.tag << r.twips;
}

void TestFrmMain::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(QString, tag);
    QFETCH(QRect, twips);
    storeSetting("SpeicherOrt", ""); // the designed, empty text
    BoxRecorder rec;
    frmMain w;
    w.show();
    auto *c = w.findChild<QWidget *>(QString::fromUtf8(QTest::currentDataTag()));
    QVERIFY(c);
    QCOMPARE(QString::fromUtf8(c->metaObject()->className()), kind);
    QCOMPARE(c->parentWidget()->objectName(), container);
    const char *textProperty = qobject_cast<QGroupBox *>(c)        ? "title"
                               : qobject_cast<QComboBox *>(c)      ? "currentText"
                               : qobject_cast<QPlainTextEdit *>(c) ? "plainText"
                                                                   : "text";
    QCOMPARE(c->property(textProperty).toString(), text);
    QCOMPARE(c->isEnabled(), enabled);
    QCOMPARE(c->property("Tag").toString(), tag);
    const QRect px(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0), qRound(twips.width() / 15.0),
                   qRound(twips.height() / 15.0));
    QCOMPARE(c->pos(), px.topLeft());
    QCOMPARE(c->height(), px.height());
    // Labels may grow into the gap before their field, never beyond it.
    if (qobject_cast<QLabel *>(c))
        QVERIFY(c->width() >= px.width() && c->geometry().right() < 240);
    else
        QCOMPARE(c->width(), px.width());
}

void TestFrmMain::menusAndBars()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.windowTitle(), "Vornix-Downloader 0.2 BETA1");
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QSize(w.width(), w.height() - w.menuBar()->height()), QSize(473, 432));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.statusPanelText(1), "Vornix-Downloader by Vornix Team.");

    // name|caption|shortcut per item, "-" for a separator; one line a menu.
    const QStringList expected{
        "&Datei:mnuFileNew|&Neu|Ctrl+N,-mnuFileBar0,mnuFileExit|&Beenden|",
        "&Bearbeiten:mnuEditUndo|&Rückgängig|Ctrl+Z,-mnuEditBar0,mnuEditCut|&Ausschneiden|Ctrl+X,"
        "mnuEditCopy|&Kopieren|Ctrl+C,mnuEditPaste|&Einfügen|Ctrl+V",
        "&Ansicht:mnuViewToolbar|&Symbolleiste|,mnuViewStatusBar|Status&leiste|",
        "&Hilfe:mnuHelpContents|&Inhalt|,mnuHelpSearchForHelpOn|&Suchen in der Hilfe...|,"
        "-mnuHelpBar0,mnuHelpAbout|In&fo|"};
    QStringList actual;
    for (QAction *menu : w.menuBar()->actions()) {
        QStringList items;
        for (QAction *a : menu->menu()->actions()) {
            items << (a->isSeparator()
                          ? QString("-" + a->objectName())
                          : a->objectName() + "|" + a->text() + "|" + a->shortcut().toString());
            // Only undo starts disabled; only the view items carry a check mark.
            QCOMPARE(a->isEnabled(), a->objectName() != "mnuEditUndo");
            QCOMPARE(a->isChecked(), a->objectName().startsWith("mnuView"));
        }
        actual << menu->text() + ":" + items.join(',');
    }
    QCOMPARE(actual, expected);

    QStringList buttons;
    for (QAction *b : w.tbToolBar->actions()) {
        buttons << b->data().toString() + "|" + b->toolTip() + "|" + b->text();
        QVERIFY(!b->icon().isNull());
        QCOMPARE(w.tbToolBar->widgetForAction(b)->focusPolicy(), Qt::NoFocus);
    }
    QCOMPARE(buttons,
             (QStringList{"New|Neu|", "Cut|Ausschneiden|", "Copy|Kopieren|", "Paste|Einfügen|"}));
}

void TestFrmMain::tabOrderAndEscape()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.txtVorschau);
    QStringList chain;
    QWidget *current = w.txtVorschau;
    do {
        if (current->isEnabled() && (current->focusPolicy() & Qt::TabFocus) &&
            !current->objectName().isEmpty())
            chain << current->objectName();
        current = current->nextInFocusChain();
    } while (current != w.txtVorschau);
    QCOMPARE(chain,
             (QStringList{"txtVorschau", "cmdDownload", "optProxy0", "optProxy1", "optProxy2",
                          "cmdVorschauAktualisieren", "txtPlatzhalter", "cboErsatzText", "txtURL",
                          "txtDateiprefix", "txtSpeicherOrt", "txtReferer"}));

    QSignalSpy clicks(w.cmdAbbruch, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(clicks.size(), 0); // "Abbruch" starts disabled
    w.cmdAbbruch->setEnabled(true);
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(clicks.size(), 1);
}

void TestFrmMain::closingUnloadsOtherWindowsFirst()
{
    storeSetting("MainLeft", "4500");
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.move(20, 20);
    QWidget second;
    second.show();
    registerLoadedForm(&second);

    // What the store held when the second window went: the old position.
    struct CloseWatcher : QObject
    {
        QString seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Close)
                seen = storedSetting("MainLeft");
            return false;
        }
    } watcher;
    second.installEventFilter(&watcher);
    w.close();
    QVERIFY(!second.isVisible());
    QCOMPARE(watcher.seen, "4500");
    QCOMPARE(storedSetting("MainLeft"), "300");
    unregisterLoadedForm(&second);
}

void TestFrmMain::statusPanelShowsTheNewestText()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    auto *shown = w.findChild<QLabel *>("sbStatusBarPanel1");
    for (int i = 1; i <= 50; ++i)
        w.setStatusPanelText(1, QString("Download: %1").arg(i));
    QCOMPARE(w.statusPanelText(1), "Download: 50"); // the text itself is never late
    QCOMPARE(shown->text(), "Download: 1");         // the screen catches up shortly
    QTRY_COMPARE(shown->text(), "Download: 50");
}

void TestFrmMain::noUndoOrRedo_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("txtURL") << "txtURL";
    QTest::newRow("cboErsatzText") << "cboErsatzText";
}

void TestFrmMain::noUndoOrRedo()
{
    QFETCH(QString, field);
    storeSetting("BETA-0.2-BETA1", "OK");
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *edit = w.findChild<QWidget *>(field);
    typeInto(edit, "1-3");
    QTest::keyClicks(edit, ";7");
    // "Rückgängig" is disabled: no key takes anything back, so there is nothing to redo.
    const QList<QKeySequence> keys{
        QKeySequence::Undo, QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Z),
        QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    for (const QKeySequence &key : keys) {
        QTest::keySequence(edit, key);
        QCOMPARE(fieldText(edit), "1-3;7");
    }
    QVERIFY(!w.mnuEditUndo->isEnabled());
}

void TestFrmMain::contextMenu_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("german"); // with Qt's German catalogue loaded as at start-up
    QTest::addColumn<QStringList>("items");
    const QStringList english{"Cu&t", "&Copy", "&Paste", "Delete", "Select All"};
    QTest::newRow("txtURL") << "txtURL" << false << english;
    QTest::newRow("cboErsatzText") << "cboErsatzText" << false << english;
    QTest::newRow("txtURL in German")
        << "txtURL" << true
        << QStringList{"&Ausschneiden", "&Kopieren", "Einf&ügen", "Löschen", "Alles auswählen"};
}

void TestFrmMain::contextMenu()
{
    QFETCH(QString, field);
    QFETCH(bool, german);
    std::unique_ptr<QTranslator> qtTexts;
    if (german) {
        const QString catalogue =
            QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm";
        if (!QFile::exists(catalogue))
            QSKIP("Qt's German catalogue is not installed (Debian: qt6-translations-l10n)");
        qtTexts.reset(installGermanQtTexts(*qApp));
        QVERIFY(qtTexts);
    }
    storeSetting("BETA-0.2-BETA1", "OK");
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *edit = w.findChild<QWidget *>(field);
    typeInto(edit, "1-3"); // something an undo could take back
    // Through the window, which turns the right click into a context-menu request.
    QTest::mouseClick(w.windowHandle(), Qt::RightButton, {},
                      edit->mapTo(&w, edit->rect().center()));
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
    QStringList items;
    for (const QAction *a : menu->actions()) {
        if (!a->isSeparator())
            items << a->text().section('\t', 0, 0); // without the shortcut
    }
    menu->close();
    QTEST(items, "items");
}

void TestFrmMain::longTextsStayWhole_data()
{
    QTest::addColumn<QString>("field");
    for (const char *name : {"txtURL", "txtPlatzhalter", "cboErsatzText", "txtProxy",
                             "txtSpeicherOrt", "txtDateiprefix", "txtReferer"})
        QTest::newRow(name) << name;
}

void TestFrmMain::longTextsStayWhole()
{
    QFETCH(QString, field);
    const QString folder = "/srv/" + QString(40000, 'o');
    storeSetting("SpeicherOrt", folder);
    storeSetting("BETA-0.2-BETA1", "OK");
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.txtSpeicherOrt->text().size(), folder.size());

    QString list; // 49,999 characters
    for (int n = 10000; list.size() < 49999; ++n)
        list += QString::number(n) + ';';
    list.chop(list.size() - 49999);
    QApplication::clipboard()->setText(list);
    QTest::mouseClick(w.optProxy[2], Qt::LeftButton); // lets txtProxy take text
    auto *edit = w.findChild<QWidget *>(field);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(edit, "x");
    QCOMPARE(fieldText(edit).size(), list.size() + 1);
    QVERIFY(fieldText(edit) == list + "x");

    const QString shownFolder = w.txtSpeicherOrt->text();
    w.close();
    QCOMPARE(storedSetting("SpeicherOrt").size(), shownFolder.size());
    QVERIFY(storedSetting("SpeicherOrt") == shownFolder);
}

VORNIX_WINDOW_TEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
