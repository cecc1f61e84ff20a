#include "WindowFixture.h"
#include "app/Module1.h"
#include "ui/LoadedForms.h"
#include "ui/MousePointer.h"

// Settings `stored` (MainLeft, MainTop, SpeicherOrt; null: absent) and the warning's
// `marker` (null: absent); whether the start is `warned`, where the window is `shownAt`,
// and what is `saved` when it closes (maybe minimised, or by "Beenden") after a move to
// `moveTo` (null: left where it was shown).
struct Start
{
    QStringList stored;
    QPoint shownAt, moveTo;
    QStringList saved; // MainLeft, MainTop; then "/srv/x" as typed and "OK" follow
    bool minimise = false;
    QString marker = "OK";
    bool warned = false, byMenu = false;
};

// Lists typed over and refreshed one after the other; the `urls` in list and preview at
// the end; what the message box names, if one shows.
struct Refresh
{
    QStringList lists, urls;
    QString box = {};
};

class tst_frmMain final : public QObject
{
    Q_OBJECT

    // A label or option shows one line of text from the left, centred in its box;
    // the rest of the box is empty and may reach under a neighbour.
    static QRect visiblePart(const QWidget *c)
    {
        if (!qobject_cast<const QLabel *>(c) && !qobject_cast<const QRadioButton *>(c))
            return c->geometry();
        const int line = c->fontMetrics().height();
        return QRect(c->x(), c->y() + (c->height() - line) / 2,
                     qMin(c->width(), c->sizeHint().width()), line);
    }

private Q_SLOTS:
    // Without a display the program says so in one line instead of aborting; it has no options.
    void withoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no arguments") << QStringList{};
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("--version") << QStringList{"--version"};
    }
    void withoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        program.setProcessEnvironment(environment);
        program.start(VORNIX_WINDOW_PROGRAM, arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(
            QString::fromUtf8(program.readAllStandardError()),
            "vornix-downloader: Keine grafische Anzeige gefunden (DISPLAY oder WAYLAND_DISPLAY "
            "ist nicht gesetzt oder nicht erreichbar).\n");
        QVERIFY(program.readAllStandardOutput().isEmpty());
    }
    // A start shows the warning until it is acknowledged, then the window where it
    // was left; closing stores where it is now.
    void startAndClose_data()
    {
        QTest::addColumn<Start>("s");
        const auto row = [](const char *tag, const Start &s) { QTest::newRow(tag) << s; };
        const QPoint stay, away(200, 120), start(67, 67);
        const QStringList moved{"3000", "1800"}, unmoved{"1000", "1000"}, odd{"1234", "1234"};
        row("first run", {{}, start, away, moved, false, QString(), true});
        row("first run, not moved", {{}, start, stay, unmoved});
        row("warned again: ok", {{}, start, stay, unmoved, false, "ok", true});
        row("warned again: other", {{}, start, stay, unmoved, false, "OK ", true});
        row("second run", {{"1500", "750", "/tmp/Bilder"}, {100, 50}, away, moved});
        row("no whole pixel, not moved", {odd, {82, 82}, stay, odd});
        row("no whole pixel, moved down", {odd, {82, 82}, {82, 120}, {"1234", "1800"}});
        row("empty folder", {{QString(), QString(), ""}, start, away, moved});
        row("minimised close", {{"1500", "2250"}, {100, 150}, away, {"1500", "2250"}, true});
        row("Beenden", {{"1500", "750"}, {100, 50}, away, moved, false, "OK", false, true});
        row("not a number", {{"links", "oben"}, start, stay, unmoved});
        row("not finite", {{"nan", "-inf"}, start, stay, unmoved});
        row("beyond any screen coordinate", {{"1e30", "32212250000"}, start, stay, unmoved});
        row("off every screen", {{"9000000", "-900000"}, start, away, moved});
    }
    void startAndClose()
    {
        QFETCH(Start, s);
        const QStringList keys{"MainLeft", "MainTop", "SpeicherOrt"};
        QMap<QString, QString> settings{{"BETA-0.2-BETA1", s.marker}};
        for (int i = 0; i < s.stored.size(); ++i)
            settings.insert(keys[i], s.stored[i]);
        WindowFixture f(settings);
        QStringList boxes; // title, icon, text, window
        setMsgBoxHandler([&](const MsgBoxRequest &r) {
            boxes << r.title << QString::number(int(r.icon)) << r.text
                  << (f.w.isVisible() ? QString("shown") : "not shown yet");
        });
        f.w.show();
        const QString warning = "Achtung: BETA-Version! Diese Software hat mit Sicherheit noch "
                                "diverse (auch gröbere) Fehler.";
        QCOMPARE(boxes, (s.warned ? QStringList{QString(), "0", warning, "not shown yet"}
                                  : QStringList()));
        QCOMPARE(f.w.pos(), s.shownAt);
        QCOMPARE(
            f.w.txtSpeicherOrt->text(),
            s.stored.value(2, QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)));
        QCOMPARE(f.w.cboErsatzText->count(), 1); // its text: refresh(offered entry)
        // Another window goes first, seeing the position stored before.
        struct Second : QWidget
        {
            QString seen;
            void closeEvent(QCloseEvent *) override { seen = storedSetting("MainLeft"); }
        } second;
        second.show();
        registerLoadedForm(&second);
        const auto unregister = qScopeGuard([&] { unregisterLoadedForm(&second); });

        if (!s.moveTo.isNull())
            f.w.move(s.moveTo);
        typeInto(f.w.txtSpeicherOrt, "/srv/x");
        if (s.minimise)
            f.w.setWindowState(Qt::WindowMinimized);
        if (s.byMenu)
            QVERIFY(chooseMenuItem(f.w, "&Datei", "&Beenden"));
        else
            f.w.close();
        QVERIFY(!f.w.isVisible() && !second.isVisible());
        QCOMPARE(second.seen, s.stored.value(0));
        // The marker, whatever it was, silences every later start.
        QCOMPARE((QStringList{storedSetting(keys[0]), storedSetting(keys[1]),
                              storedSetting(keys[2]), storedSetting("BETA-0.2-BETA1")}),
                 (s.saved + QStringList{"/srv/x", "OK"}));
    }
    void windowAndLayout()
    {
        WindowFixture f({{"SpeicherOrt", ""}});
        QVERIFY(f.show());
        QCOMPARE(f.w.windowTitle(), "Vornix-Downloader 0.2 BETA1");
        QCOMPARE(f.w.minimumSize(), f.w.maximumSize());
        QCOMPARE(f.w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
                 Qt::WindowMinimizeButtonHint);
        QCOMPARE(QSize(f.w.width(), f.w.height() - f.w.menuBar()->height()), QSize(473, 432));
        QVERIFY(!f.w.windowIcon().isNull());
        QCOMPARE(f.w.statusPanelText(1), "Vornix-Downloader by Vornix Team.");

        QVERIFY(QRect(QPoint(), f.w.size()).contains(f.w.centralWidget()->geometry()));
        for (const QWidget *frame :
             QList<QWidget *>{f.w.centralWidget(), f.w.fraDateiliste, f.w.fraDownload}) {
            const auto inside = frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            for (const QWidget *c : inside) {
                const QByteArray name = c->objectName().toUtf8();
                QVERIFY2(frame->rect().contains(c->geometry()), name);
                for (const QWidget *other : inside)
                    QVERIFY2(c == other || !visiblePart(c).intersects(visiblePart(other)),
                             QByteArray(name + " overlaps " + other->objectName().toUtf8()));
                if (auto *label = qobject_cast<const QLabel *>(c))
                    QVERIFY2(label->sizeHint().width() <= label->width(), name);
                if (auto *box = qobject_cast<const QGroupBox *>(c))
                    QVERIFY2(box->fontMetrics().horizontalAdvance(box->title()) < box->width(),
                             name);
            }
        }

        // The Tab chain (Escape pressing "Abbruch": tst_DownloadWindow::batch).
        QVERIFY(!f.w.cmdAbbruch->isEnabled() && !f.w.txtProxy->isEnabled()); // not in the chain
        QStringList chain;
        QWidget *c = QApplication::focusWidget();
        do {
            chain << c->objectName() + ' ' + fieldText(c);
            QTest::keyClick(c, Qt::Key_Tab);
            c = QApplication::focusWidget();
        } while (c != f.w.txtVorschau && chain.size() < 20);
        // Tab enters the options at the chosen one. Each control with the text it opens with.
        QCOMPARE(
            chain,
            (QStringList{"txtVorschau ", "cmdDownload Download", "optProxy0 Standard",
                         "cmdVorschauAktualisieren refresh", "txtPlatzhalter §", "cboErsatzText ",
                         "txtURL http://www.example.com/images/image§.jpg", "txtDateiprefix ",
                         "txtSpeicherOrt ", "txtReferer http://www.example.com/"}));

        // The status panel shows the newest text, at once or shortly after.
        for (int i = 1; i <= 50; ++i)
            f.w.setStatusPanelText(1, QString("Download: %1").arg(i));
        QTRY_COMPARE(f.w.findChild<QLabel *>("sbStatusBarPanel1")->text(), "Download: 50");
    }
    void typedText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("german");      // with Qt's German catalogue loaded as at start-up
        QTest::addColumn<QStringList>("menu"); // the context menu's items
        const QStringList english{"Cu&t", "&Copy", "&Paste", "Delete", "Select All"};
        for (const char *name : {"txtURL", "txtPlatzhalter", "cboErsatzText", "txtProxy",
                                 "txtSpeicherOrt", "txtDateiprefix", "txtReferer"})
            QTest::newRow(name) << name << false << english;
        QTest::newRow("txtURL in German")
            << "txtURL" << true
            << QStringList{"&Ausschneiden", "&Kopieren", "Einf&ügen", "Löschen", "Alles auswählen"};
    }
    void typedText()
    {
        QFETCH(QString, field);
        QFETCH(bool, german);
        std::unique_ptr<QTranslator> qtTexts(german ? installGermanQtTexts(*qApp) : nullptr);
        if (german &&
            !QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
            QSKIP("Qt's German catalogue is not installed (Debian: qt6-translations-l10n)");
        QVERIFY(qtTexts || !german);
        const QString folder = "/srv/" + QString(40000, 'o');
        WindowFixture f({{"SpeicherOrt", folder}});
        QVERIFY(f.show());
        QVERIFY(f.w.txtSpeicherOrt->text() == folder); // QCOMPARE would print 40,005 characters
        QTest::mouseClick(f.w.optProxy[2], Qt::LeftButton); // lets txtProxy take text
        auto *edit = f.w.findChild<QWidget *>(field);
        typeInto(edit, "1-3");
        QTest::keyClicks(edit, ";7");
        // "Rückgängig" is disabled: no key takes anything back, so there is nothing to redo.
        for (const QKeySequence &key :
             {QKeySequence(QKeySequence::Undo), QKeySequence(QKeySequence::Redo),
              QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
            QTest::keySequence(edit, key);
            QCOMPARE(fieldText(edit), "1-3;7");
        }
        QCOMPARE(f.w.mnuEditUndo->text(), "&Rückgängig");
        QVERIFY(!f.w.mnuEditUndo->isEnabled());

        // Long texts stay whole: 49,999 characters pasted over the field, one more typed.
        const QString list = QString("10000;").repeated(8334).left(49999);
        QApplication::clipboard()->setText(list);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClicks(edit, "x");
        QVERIFY(fieldText(edit) == list + "x"); // QCOMPARE would print 50,000 characters

        // Through the window, which turns the right click into a context-menu request.
        QTest::mouseClick(f.w.windowHandle(), Qt::RightButton, {},
                          edit->mapTo(&f.w, edit->rect().center()));
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QStringList items;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator())
                items << a->text().section('\t', 0, 0); // without the shortcut
        menu->close();
        QTEST(items, "menu");

        f.w.close();
        QVERIFY(storedSetting("SpeicherOrt") == f.w.txtSpeicherOrt->text());
    }
    // The "refresh" button as a user presses it.
    void refresh_data()
    {
        QTest::addColumn<Refresh>("r");
        const auto row = [](const char *tag, const Refresh &r) { QTest::newRow(tag) << r; };
        QStringList twenty;
        for (int n = 1; n <= 20; ++n)
            twenty << QString("u%1").arg(n, 2, 10, QLatin1Char('0'));
        row("offered entry", {{QString()}, twenty}); // null: picked from the list
        row("shorter list", {{"1-5", "x;y"}, {"ux", "uy"}});
        row("only descending", {{"1-3", "5-3;9-1"}, {}});
        row("failure", {{"1-2", "7;1-40000"}, {"u1", "u2"}, "\"1-40000\""});
        // The start of the offered entry, typed, is not completed to the whole entry.
        row("typed 01;02;03", {{"01;02;03"}, {"u01", "u02", "u03"}});
        row("typed 0", {{"0"}, {"u0"}});
        row("typed 01", {{"01"}, {"u01"}});
    }
    void refresh()
    {
        QFETCH(Refresh, r);
        WindowFixture f;
        QVERIFY(f.show());
        typeInto(f.w.txtURL, "u§");
        for (const QString &list : r.lists) {
            if (list.isNull())
                f.w.cboErsatzText->setCurrentIndex(0);
            else
                typeInto(f.w.cboErsatzText, list);
            QTest::mouseClick(f.w.cmdVorschauAktualisieren, Qt::LeftButton);
        }
        QCOMPARE(f.w.Dateiliste, r.urls);
        // Every URL ends with a line break, so the preview splits into them and one empty tail.
        QCOMPARE(f.w.txtVorschau->toPlainText().split('\n'), r.urls + QStringList{QString()});
        QCOMPARE(windowMousePointer(&f.w), Pointer::Default);
        QCOMPARE(f.boxes.boxes.size(), r.box.isEmpty() ? 0 : 1);
        QVERIFY(r.box.isEmpty() || f.boxes.boxes[0].text.contains(r.box));
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
