#include "TestMain.h"
#include "WindowFixture.h"
#include "app/LoadedForms.h"
#include "app/frmMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
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

class TestFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    void betaWarning_data();
    void betaWarning();
    void firstRunPlacesWindowAtDefault();
    void positionAndFolderComeBack();
    void minimisedCloseKeepsPositionButSavesFolder();
    void emptyFolderRoundTrips();
    void unreadablePosition_data();
    void unreadablePosition();
    void replacementListOffersOneEntry();
    void controls_data();
    void controls();
    void menus_data();
    void menus();
    void toolbarButtons();
    void windowIsFixedAndCaptioned();
    void tabOrder();
    void escapePressesCancelOnlyWhenEnabled();
    void closingUnloadsOtherWindowsFirst();
};

void TestFrmMain::betaWarning_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("warned");

    QTest::newRow("first run") << false << QString() << true;
    QTest::newRow("marker OK") << true << QStringLiteral("OK") << false;
    QTest::newRow("marker ok") << true << QStringLiteral("ok") << true;
    QTest::newRow("other marker") << true << QStringLiteral("OK ") << true;
    QTest::newRow("empty marker") << true << QString() << true;
}

void TestFrmMain::betaWarning()
{
    QFETCH(bool, stored);
    QFETCH(QString, marker);
    QFETCH(bool, warned);
    if (stored)
        storeSetting(QStringLiteral("BETA-0.2-BETA1"), marker);

    BoxRecorder rec;
    frmMain w;
    bool visibleDuringWarning = true;
    setMsgBoxHandler([&](const MsgBoxRequest &r) {
        rec.boxes.append(r);
        visibleDuringWarning = w.isVisible();
    });
    w.show();

    QCOMPARE(rec.boxes.size(), warned ? 1 : 0);
    if (warned) {
        QCOMPARE(rec.boxes[0].text,
                 QStringLiteral("Achtung: BETA-Version! Diese Software hat mit "
                                "Sicherheit noch diverse (auch gröbere) Fehler."));
        QCOMPARE(rec.boxes[0].style, 0);
        QVERIFY(rec.boxes[0].title.isEmpty());
        QVERIFY(!visibleDuringWarning);
    }
    QCOMPARE(storedSetting(QStringLiteral("BETA-0.2-BETA1")), QStringLiteral("OK"));

    // The marker now holds: a second start stays quiet.
    w.close();
    frmMain second;
    second.show();
    QCOMPARE(rec.boxes.size(), warned ? 1 : 0);
}

void TestFrmMain::firstRunPlacesWindowAtDefault()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.pos(), QPoint(67, 67)); // 1000 twips
    QCOMPARE(w.txtSpeicherOrt->text(),
             QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
}

void TestFrmMain::positionAndFolderComeBack()
{
    BoxRecorder rec;
    {
        frmMain w;
        w.show();
        w.move(200, 120);
        w.txtSpeicherOrt->setText(QStringLiteral("/tmp/Bilder"));
        w.close();
    }
    QCOMPARE(storedSetting(QStringLiteral("MainLeft")), QStringLiteral("3000"));
    QCOMPARE(storedSetting(QStringLiteral("MainTop")), QStringLiteral("1800"));

    frmMain again;
    again.show();
    QCOMPARE(again.pos(), QPoint(200, 120));
    QCOMPARE(again.txtSpeicherOrt->text(), QStringLiteral("/tmp/Bilder"));
}

void TestFrmMain::minimisedCloseKeepsPositionButSavesFolder()
{
    storeSetting(QStringLiteral("MainLeft"), QStringLiteral("1500"));
    storeSetting(QStringLiteral("MainTop"), QStringLiteral("2250"));
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.move(300, 300);
    w.txtSpeicherOrt->setText(QStringLiteral("/srv/scans"));
    w.setWindowState(Qt::WindowMinimized);
    QVERIFY(w.isMinimized());
    w.close();
    QCOMPARE(storedSetting(QStringLiteral("MainLeft")), QStringLiteral("1500"));
    QCOMPARE(storedSetting(QStringLiteral("MainTop")), QStringLiteral("2250"));
    QCOMPARE(storedSetting(QStringLiteral("SpeicherOrt")), QStringLiteral("/srv/scans"));
}

void TestFrmMain::emptyFolderRoundTrips()
{
    BoxRecorder rec;
    {
        frmMain w;
        w.show();
        w.txtSpeicherOrt->clear();
        w.close();
    }
    QVERIFY(hasSetting(QStringLiteral("SpeicherOrt")));
    frmMain again;
    again.show();
    QCOMPARE(again.txtSpeicherOrt->text(), QString());
}

void TestFrmMain::unreadablePosition_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("not a number") << QStringLiteral("links") << QStringLiteral("oben")
                                  << QPoint(67, 67);
    QTest::newRow("fraction") << QStringLiteral("1500.0") << QStringLiteral("750")
                              << QPoint(100, 50);
    QTest::newRow("far off every screen")
        << QStringLiteral("9000000") << QStringLiteral("9000000") << QPoint(67, 67);
    QTest::newRow("far above and left")
        << QStringLiteral("-900000") << QStringLiteral("-900000") << QPoint(67, 67);
}

void TestFrmMain::unreadablePosition()
{
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(QPoint, expected);
    storeSetting(QStringLiteral("MainLeft"), left);
    storeSetting(QStringLiteral("MainTop"), top);
    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.pos(), expected);
}

void TestFrmMain::replacementListOffersOneEntry()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.cboErsatzText->count(), 1);
    QCOMPARE(w.cboErsatzText->itemText(0), QStringLiteral("01;02;03;04;05;06;07;08;09;10-20"));
    QCOMPARE(w.cboErsatzText->currentText(), QString());
}

void TestFrmMain::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QRect>("twips");

    const QString win = QStringLiteral("client");
    const QString dl = QStringLiteral("fraDateiliste");
    const QString dn = QStringLiteral("fraDownload");
    auto row = [](const char *name, const char *kind, const QString &container, const QString &text,
                  bool enabled, const QString &tag, QRect twips) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << container
                            << text << enabled << tag << twips;
    };
    row("fraDateiliste", "QGroupBox", win, QStringLiteral("Dateiliste erzeugen"), true, {},
        {120, 480, 6735, 3495});
    row("lblURL", "QLabel", dl, QStringLiteral("URL:"), true, {}, {120, 240, 735, 255});
    row("txtURL", "QLineEdit", dl, QStringLiteral("http://www.example.com/images/image§.jpg"), true,
        {}, {960, 210, 5655, 285});
    row("lblErsetze", "QLabel", dl, QStringLiteral("Ersetze"), true, {}, {240, 630, 615, 255});
    row("txtPlatzhalter", "QLineEdit", dl, QStringLiteral("§"), true, {}, {960, 615, 975, 285});
    row("lblMit", "QLabel", dl, QStringLiteral("mit"), true, {}, {2040, 630, 615, 255});
    row("cboErsatzText", "QComboBox", dl, QString(), true, {}, {2400, 600, 4215, 315});
    row("lblVorschau", "QLabel", dl, QStringLiteral("Vorschau:"), true, {}, {120, 1080, 735, 255});
    row("txtVorschau", "QPlainTextEdit", dl, QString(), true, {}, {960, 1080, 5655, 2235});
    row("cmdVorschauAktualisieren", "QPushButton", dl, QStringLiteral("refresh"), true, {},
        {120, 1440, 735, 375});
    row("fraDownload", "QGroupBox", win, QStringLiteral("Download"), true, {},
        {120, 4080, 6735, 1815});
    row("lblProxy", "QLabel", dn, QStringLiteral("Proxy:"), true, {}, {120, 240, 495, 255});
    row("optProxy0", "QRadioButton", dn, QStringLiteral("Standard"), true, QStringLiteral("101"),
        {720, 240, 1455, 255});
    row("optProxy1", "QRadioButton", dn, QStringLiteral("Direktverbindung"), true,
        QStringLiteral("102"), {720, 480, 1695, 255});
    row("optProxy2", "QRadioButton", dn, QStringLiteral("Benutzerdefiniert"), true,
        QStringLiteral("103"), {720, 720, 1575, 255});
    row("txtProxy", "QLineEdit", dn, QStringLiteral("proxy:port"), false, {},
        {960, 960, 1335, 285});
    row("lblSpeicherort", "QLabel", dn, QStringLiteral("Speicherort:"), true, {},
        {2640, 240, 855, 255});
    row("lblDateiPrefix", "QLabel", dn, QStringLiteral("Datei-Prefix:"), true, {},
        {2640, 540, 855, 255});
    row("txtDateiprefix", "QLineEdit", dn, QString(), true, {}, {3600, 540, 2775, 285});
    row("lblReferer", "QLabel", dn, QStringLiteral("Referer-URL:"), true, {},
        {2580, 960, 975, 255});
    row("txtReferer", "QLineEdit", dn, QStringLiteral("http://www.example.com/"), true, {},
        {3600, 960, 2775, 285});
    row("cmdDownload", "QPushButton", dn, QStringLiteral("Download"), true, {},
        {3960, 1320, 1095, 375});
    row("cmdAbbruch", "QPushButton", dn, QStringLiteral("Abbruch"), false, {},
        {5280, 1320, 1095, 375});
    row("tbToolBar", "QToolBar", win, QString(), true, {}, {0, 0, 7095, 420});
}

static QString textOf(const QWidget *w)
{
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (auto *p = qobject_cast<const QPlainTextEdit *>(w))
        return p->toPlainText();
    return QString();
}

void TestFrmMain::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(QString, tag);
    QFETCH(QRect, twips);

    BoxRecorder rec;
    frmMain w;
    w.show();
    auto *c = w.findChild<QWidget *>(name);
    QVERIFY2(c, qPrintable(name));
    QCOMPARE(QString::fromLatin1(c->metaObject()->className()), kind);
    QCOMPARE(c->parentWidget()->objectName(), container);
    QCOMPARE(textOf(c), text);
    QCOMPARE(c->isEnabled(), enabled);
    QCOMPARE(c->property("Tag").toString(), tag);
    const QRect designed(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0),
                         qRound(twips.width() / 15.0), qRound(twips.height() / 15.0));
    QCOMPARE(c->pos(), designed.topLeft());
    QCOMPARE(c->height(), designed.height());
    // Labels may grow into the gap before their field, never beyond it.
    if (qobject_cast<QLabel *>(c))
        QVERIFY(c->width() >= designed.width() && c->geometry().right() < 240);
    else
        QCOMPARE(c->width(), designed.width());
}

void TestFrmMain::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("shortcuts");

    QTest::newRow("Datei") << QStringLiteral("&Datei")
                           << QStringList{"mnuFileNew", "mnuFileBar0", "mnuFileExit"}
                           << QStringList{"&Neu", "", "&Beenden"} << QStringList{"Ctrl+N", "", ""};
    QTest::newRow("Bearbeiten") << QStringLiteral("&Bearbeiten")
                                << QStringList{"mnuEditUndo", "mnuEditBar0", "mnuEditCut",
                                               "mnuEditCopy", "mnuEditPaste"}
                                << QStringList{"&Rückgängig", "", "&Ausschneiden", "&Kopieren",
                                               "&Einfügen"}
                                << QStringList{"Ctrl+Z", "", "Ctrl+X", "Ctrl+C", "Ctrl+V"};
    QTest::newRow("Ansicht") << QStringLiteral("&Ansicht")
                             << QStringList{"mnuViewToolbar", "mnuViewStatusBar"}
                             << QStringList{"&Symbolleiste", "Status&leiste"}
                             << QStringList{"", ""};
    QTest::newRow("Hilfe") << QStringLiteral("&Hilfe")
                           << QStringList{"mnuHelpContents", "mnuHelpSearchForHelpOn",
                                          "mnuHelpBar0", "mnuHelpAbout"}
                           << QStringList{"&Inhalt", "&Suchen in der Hilfe...", "", "In&fo"}
                           << QStringList{"", "", "", ""};
}

void TestFrmMain::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, shortcuts);

    BoxRecorder rec;
    frmMain w;
    w.show();
    const QList<QAction *> top = w.menuBar()->actions();
    QCOMPARE(top.size(), 4);
    QMenu *found = nullptr;
    for (QAction *a : top) {
        if (a->text() == menu)
            found = a->menu();
    }
    QVERIFY(found);
    const QList<QAction *> actions = found->actions();
    QCOMPARE(actions.size(), items.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(actions[i]->objectName(), items[i]);
        QCOMPARE(actions[i]->isSeparator(), captions[i].isEmpty());
        QCOMPARE(actions[i]->text(), captions[i]);
        QCOMPARE(actions[i]->shortcut(), QKeySequence(shortcuts[i]));
        // Only undo starts disabled; only the view items carry a check mark.
        QCOMPARE(actions[i]->isEnabled(), items[i] != QLatin1String("mnuEditUndo"));
        QCOMPARE(actions[i]->isChecked(), items[i].startsWith(QLatin1String("mnuView")));
    }
}

void TestFrmMain::toolbarButtons()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    const QList<QAction *> buttons = w.tbToolBar->actions();
    const QStringList keys{"New", "Cut", "Copy", "Paste"};
    const QStringList tips{"Neu", "Ausschneiden", "Kopieren", "Einfügen"};
    QCOMPARE(buttons.size(), keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        QCOMPARE(buttons[i]->data().toString(), keys[i]);
        QCOMPARE(buttons[i]->toolTip(), tips[i]);
        QVERIFY(buttons[i]->text().isEmpty());
        QVERIFY(!buttons[i]->icon().isNull());
        QCOMPARE(w.tbToolBar->widgetForAction(buttons[i])->focusPolicy(), Qt::NoFocus);
    }
    QCOMPARE(w.statusPanelText(1), QStringLiteral("Vornix-Downloader by Vornix Team."));
    QVERIFY(!w.windowIcon().isNull());
}

void TestFrmMain::windowIsFixedAndCaptioned()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Vornix-Downloader 0.2 BETA1"));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    // Client area below the menu bar: 7095 x 6480 twips.
    QCOMPARE(w.width(), 473);
    QCOMPARE(w.height() - w.menuBar()->height(), 432);
    QCOMPARE(w.sbStatusBar->geometry().bottom() + 1, w.height());
}

void TestFrmMain::tabOrder()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.txtVorschau));

    // Walk the chain of widgets that take the focus by Tab, starting at the preview.
    QStringList chain;
    QWidget *current = w.txtVorschau;
    do {
        if (current->isEnabled() && current->isVisibleTo(&w) &&
            (current->focusPolicy() & Qt::TabFocus) && !current->objectName().isEmpty())
            chain.append(current->objectName());
        current = current->nextInFocusChain();
    } while (current != w.txtVorschau);
    const QStringList designed{"txtVorschau",    "cmdDownload",    "optProxy0",
                               "optProxy1",      "optProxy2",      "cmdVorschauAktualisieren",
                               "txtPlatzhalter", "cboErsatzText",  "txtURL",
                               "txtDateiprefix", "txtSpeicherOrt", "txtReferer"};
    QCOMPARE(chain, designed);
}

void TestFrmMain::escapePressesCancelOnlyWhenEnabled()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QSignalSpy clicks(w.cmdAbbruch, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(clicks.size(), 0);
    w.cmdAbbruch->setEnabled(true);
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(clicks.size(), 1);
}

void TestFrmMain::closingUnloadsOtherWindowsFirst()
{
    storeSetting(QStringLiteral("MainLeft"), QStringLiteral("4500"));
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.move(20, 20);

    QWidget second;
    second.show();
    registerLoadedForm(&second);
    QCOMPARE(loadedForms().size(), 2);

    QString leftWhenSecondClosed;
    struct CloseWatcher : QObject
    {
        QString *seen;
        explicit CloseWatcher(QString *s) : seen(s) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Close)
                *seen = storedSetting(QStringLiteral("MainLeft"));
            return false;
        }
    } watcher(&leftWhenSecondClosed);
    second.installEventFilter(&watcher);

    w.close();
    QVERIFY(!second.isVisible());
    QCOMPARE(leftWhenSecondClosed, QStringLiteral("4500")); // position not yet saved then
    QCOMPARE(storedSetting(QStringLiteral("MainLeft")), QStringLiteral("300"));
    unregisterLoadedForm(&second);
}

VORNIX_TEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
