#include "WindowFixture.h"
#include "app/BatchProgress.h"
#include "app/FailureList.h"
#include "app/SettingsDialog.h"
#include "ui/FolderDialogs.h"
#include "version.h"

using Settings = QMap<QString, QString>;

// A batch of f01 to f20 with `missing` ones answered with 404 at first and f05 `existing`
// in the folder before; the last `untried` are never asked for. `listed`: in the failure list,
// failed first, then untried, then skipped; none: not opened. `retried`: the result line after
// "Erneut versuchen" (none: nothing to try again).
struct Outcome
{
    Settings stored;
    bool existing;
    QList<int> missing;
    QString result;
    int boxes = 0;
    QStringList listed = {};
    QString retried = {};
    int untried = 0;
};

// The options `stored` ("": none) and then `shown` by the dialog, split by "|" in its order:
// retries, pause, random part, skip existing and collect failures as 0/1, stop, transfers at once,
// padded ranges and keeping cut downloads as 0/1, user agent, header lines, cookie file, KiB/s,
// time-out, MiB per file.
// `typed`: retries, pause, random part, stop, transfers, user agent, header lines, the answer of
// the "…" beside the cookie file, KiB/s, time-out, MiB ("": untouched, or cancelled), and when
// any, the four check boxes clicked, before OK or Abbrechen. A `refused` header line keeps the
// dialog open after OK with that message; Abbrechen follows.
struct Options
{
    QString stored, typed, shown;
    bool ok = true;
    QString refused = {};
};

// What a batch shows beside the status panel, and the options it runs with.
class tst_BatchWindow final : public QObject, DownloadTest
{
    Q_OBJECT

private Q_SLOTS:
    void result_data()
    {
        QTest::addColumn<Outcome>("o");
        const auto row = [](const char *tag, const Outcome &o) { QTest::newRow(tag) << o; };
        const Settings collect{{"FehlerSammeln", "1"}}, skip{{"VorhandeneUeberspringen", "1"}};
        const QList<int> three{4, 9, 17};
        const QString threeFailed = "17 von 20 gespeichert, 3 fehlgeschlagen";
        row("all saved", {{}, true, {}, "20 von 20 gespeichert"});
        row("three 404s, one box each", {{}, false, three, threeFailed, 3});
        row("three 404s collected", {collect, false, three, threeFailed, 0,
                                     QStringList{"/f04", "/f09", "/f17"}, "3 von 3 gespeichert"});
        row("existing file skipped",
            {skip, true, {}, "19 von 20 gespeichert, 1 übersprungen", 0, QStringList{"/f05"}});
        row("a 404 and a skipped file collected",
            {Settings{{"FehlerSammeln", "1"}, {"VorhandeneUeberspringen", "1"}}, true,
             QList<int>{6}, "18 von 20 gespeichert, 1 fehlgeschlagen, 1 übersprungen", 0,
             QStringList{"/f06", "/f05"}, "1 von 1 gespeichert"});
        QStringList stopped{"/f03", "/f04"};
        for (int i = 5; i <= 20; ++i)
            stopped << QString::fromLatin1(path(i));
        row("stopped after two failures in a row",
            {Settings{{"FehlerSammeln", "1"}, {"StopNachFehlern", "2"}}, false, QList<int>{3, 4},
             "2 von 20 gespeichert, 2 fehlgeschlagen, 16 nicht versucht, beendet nach 2 "
             "Fehlschlägen in Folge",
             0, stopped, "18 von 18 gespeichert", 16});
    }
    void result()
    {
        QFETCH(Outcome, o);
        const bool skip = o.stored.contains("VorhandeneUeberspringen");
        QVERIFY(start(o.stored));
        // No bar before the first batch: the status bar looks as it always did.
        QVERIFY(!w->prgBatch->isVisible());
        QVERIFY(!o.existing || writeFile(dir->filePath("f05"), "old"));
        QStringList requested;
        for (int i = 1; i <= 20; ++i) {
            if (!o.missing.contains(i))
                server->serve(path(i), path(i).mid(1));
            if (!(o.existing && skip && i == 5) && i <= 20 - o.untried)
                requested << QString("%1 von 20").arg(i);
        }

        QStringList shown; // by the bar while each request arrives
        int ahead = 0;     // of the requests, those the bar showed after more files than were done
        QVERIFY(download(server->url("/f§"), "01;02;03;04;05;06;07;08;09;10-20", [&](auto &) {
            const QString text = w->prgBatch->text().section(" – ", 0, 0);
            shown << text;
            ahead += w->prgBatch->value() > (text.section(' ', 0, 0).toInt() - 1) * 1000 / 20;
        }));
        QCOMPARE(shown, requested);
        QCOMPARE(ahead, 0);
        QCOMPARE(w->prgBatch->text(), o.result);
        // A result longer than the bar is cut there, not wrapped, and read whole in the tooltip.
        const int room = w->prgBatch->width() - 16;
        QCOMPARE(w->prgBatch->toolTip().startsWith(o.result + (o.listed.isEmpty() ? "" : "\n")),
                 w->prgBatch->fontMetrics().horizontalAdvance(o.result) > room);
        QVERIFY(w->prgBatch->isVisible());
        QCOMPARE(f->boxes.boxes.size(), o.boxes);
        QCOMPARE(w->statusPanelText(1),
                 "Download: " + server->url(QString::fromLatin1(path(20 - o.untried))));
        QCOMPARE(files().size(), 20 - o.missing.size() - o.untried);
        if (o.existing)
            QCOMPARE(readFile(dir->filePath("f05")), skip ? "old" : "f05");
        if (o.listed.isEmpty()) // nothing collected, so no list to open
            return;

        QTest::mouseClick(w->prgBatch, Qt::LeftButton);
        FailureList *list = nullptr;
        QTRY_VERIFY((list = w->findChild<FailureList *>()) && list->isVisible());
        o.listed.replaceInStrings("/f", server->url("/f"));
        shown.clear();
        for (int i = 0; i < list->lstDateien->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->lstDateien->topLevelItem(i);
            shown << item->text(0);
            const QString reason = QString::fromUtf8(i < o.missing.size() ? "404"
                                                     : o.untried ? "nicht versucht: beendet nach 2"
                                                                 : "übersprungen");
            QVERIFY2(item->text(1).contains(reason), qPrintable(item->text(1)));
        }
        QCOMPARE(shown, o.listed);
        QTest::mouseClick(list->cmdKopieren, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), o.listed.join("\n"));
        QString opened;
        setFolderOpener([&](const QString &folder) { return !(opened = folder).isEmpty(); });
        const auto restore = qScopeGuard([] { setFolderOpener({}); });
        QTest::mouseClick(list->cmdZielordner, Qt::LeftButton);
        QCOMPARE(opened, dir->path());

        QCOMPARE(list->cmdErneut->isEnabled(), !o.retried.isEmpty());
        if (o.retried.isEmpty())
            return;
        for (int i : o.missing)
            server->serve(path(i), "x");
        const qsizetype before = server->requests().size();
        QTest::mouseClick(list->cmdErneut, Qt::LeftButton);
        QTRY_COMPARE(w->prgBatch->text(), o.retried);
        QVERIFY(idle());
        QStringList retried; // the failed and the untried, in list order
        for (qsizetype i = before; i < server->requests().size(); ++i)
            retried << server->url(QString::fromLatin1(server->requests()[i].path()));
        QCOMPARE(retried, o.listed.mid(0, o.missing.size() + o.untried));
        QCOMPARE(files().size(), 20);
    }
    void settingsDialog_data()
    {
        QTest::addColumn<Options>("o");
        const auto row = [](const char *tag, const Options &o) { QTest::newRow(tag) << o; };
        const QString connection = "||||unbegrenzt|60 s|unbegrenzt",
                      defaults = "0|0 ms|0 ms|0|0|nie|1|0|0" + connection;
        row("typed, OK",
            {"", "3|1500|250|4|8|Test/1.0|X-A: 1\n\nX-B: zwei|/c.txt|512|0|100",
             "3|1500 ms|250 ms|1|1|4|8|1|1|Test/1.0|X-A: 1\n\nX-B: zwei|/c.txt|512|nie|100"});
        row("typed, Abbrechen",
            {"2", "5|100||7|3|Test/1.0||/c.txt", "2|0 ms|0 ms|0|0|nie|1|0|0" + connection, false});
        row("unusable values read as defaults",
            {"11|viel|-5|ja|2|1e3|17|ja|ja|a\tb|X-A: 1\nHost: x||-1|601|viel", "", defaults});
        row("no transfer at once reads as one", {"0|0|0|0|0|0|0|0|0", "", defaults});
        row("maxima kept, time-out off",
            {"10|60000|60000|1|0|999|16|1|1||X-A: 1|/c.txt|1000000|0|1000000", "",
             "10|60000 ms|60000 ms|1|0|999|16|1|1||X-A: 1|/c.txt|1000000|nie|1000000"});
        row("a header the program sets refused",
            {"|||||||||||||5", "3|||||Test/1.0|X-A: 1\nuser-agent: x|/c.txt|512",
             "0|0 ms|0 ms|0|0|nie|1|0|0||||unbegrenzt|5 s|unbegrenzt", false,
             "Die Kopfzeile \"user-agent: x\" ist ungültig: \"user-agent\" setzt das Programm "
             "selbst."});
    }
    void settingsDialog()
    {
        QFETCH(Options, o);
        const QStringList keys =
            QString("Wiederholungen PauseMs PauseZufallMs VorhandeneUeberspringen FehlerSammeln "
                    "StopNachFehlern GleichzeitigeDownloads BereicheAuffuellen FortsetzenBehalten "
                    "UserAgent Kopfzeilen CookieDatei KiBProSekunde Zeitlimit HoechstgroesseMiB")
                .split(' ');
        Settings stored;
        for (int i = 0; i < keys.size(); ++i)
            if (!o.stored.section('|', i, i).isEmpty())
                stored.insert(keys[i], o.stored.section('|', i, i));
        QVERIFY(start(stored));
        SettingsDialog *d = openSettings();
        QVERIFY(d);
        const auto fields = [](SettingsDialog *d) {
            return QList<QWidget *>{
                d->spnWiederholungen, d->spnPause,     d->spnPauseZufall,   d->spnStopNachFehlern,
                d->parallelDownloads, d->txtUserAgent, d->txtKopfzeilen,    d->txtCookieDatei,
                d->spnKiBProSekunde,  d->spnZeitlimit, d->spnHoechstgroesse};
        };
        for (int i = 0; i < fields(d).size(); ++i)
            if (i != 7 && !o.typed.section('|', i, i).isEmpty())
                typeInto(fields(d)[i], o.typed.section('|', i, i));
        QString from; // where the file chooser starts
        setFileChooser([&](const QString &at) { return (from = at), o.typed.section('|', 7, 7); });
        const auto restore = qScopeGuard([] { setFileChooser({}); });
        QTest::mouseClick(d->chooseCookieFile, Qt::LeftButton);
        QCOMPARE(from, stored.value("CookieDatei", QDir::homePath()));
        for (QCheckBox *b :
             {d->chkVorhandeneUeberspringen, d->chkFehlerSammeln, d->padRanges, d->keepParts})
            if (!o.typed.isEmpty()) // on the box itself, not the label
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
        QTest::mouseClick(d->cmdButtons->button(o.ok || !o.refused.isEmpty()
                                                    ? QDialogButtonBox::Ok
                                                    : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        QCOMPARE(f->boxes.boxes.size(), o.refused.isEmpty() ? 0 : 1);
        if (!o.refused.isEmpty()) {
            QCOMPARE(f->boxes.boxes[0].text, o.refused);
            QCOMPARE(QApplication::activeModalWidget(), d);
            QTest::mouseClick(d->cmdButtons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        }
        QTRY_VERIFY(!QApplication::activeModalWidget());

        d = openSettings();
        QVERIFY(d);
        const QStringList reopened(
            {d->spnWiederholungen->text(), d->spnPause->text(), d->spnPauseZufall->text(),
             QString::number(d->chkVorhandeneUeberspringen->isChecked()),
             QString::number(d->chkFehlerSammeln->isChecked()), d->spnStopNachFehlern->text(),
             d->parallelDownloads->text(), QString::number(d->padRanges->isChecked()),
             QString::number(d->keepParts->isChecked()), d->txtUserAgent->text(),
             d->txtKopfzeilen->toPlainText(), d->txtCookieDatei->text(),
             d->spnKiBProSekunde->text(), d->spnZeitlimit->text(), d->spnHoechstgroesse->text()});
        // In the units shown.
        const QStringList limits{QString::number(d->spnKiBProSekunde->value()),
                                 QString::number(d->spnZeitlimit->value()),
                                 QString::number(d->spnHoechstgroesse->value())};
        d->reject();
        QCOMPARE(reopened.join('|'), o.shown);
        for (int i : {0, 6, 7, 8, 9, 10, 11, 12, 13, 14}) // saved, or left as it was
            QCOMPARE(storedSetting(keys[i]), !o.ok    ? stored.value(keys[i])
                                             : i < 12 ? o.shown.section('|', i, i)
                                                      : limits[i - 12]);
        // The list keeps the width of "08" only while padding is on.
        typeInto(w->cboErsatzText, "08-10");
        QTest::mouseClick(w->cmdVorschauAktualisieren, Qt::LeftButton);
        const bool pad = o.shown.section('|', 7, 7) == QLatin1String("1");
        QVERIFY(w->Dateiliste.value(0).endsWith(pad ? QString("/image08.jpg") : "/image8.jpg"));
    }
    // One batch through the window with the connection options `stored`: f1 of exactly 1 MiB,
    // f2 a byte more. `sent`: the user agent, then "Name: Wert" of the headers below, in both.
    void connectionSent_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("result");
        const QString own = "Vornix-Downloader/" VORNIX_VERSION_STRING,
                      both = "2 von 2 gespeichert";
        QTest::newRow("defaults") << Settings{} << QStringList{own} << both;
        QTest::newRow("stored agent and headers")
            << Settings{{"UserAgent", "Testagent/2"},
                        {"Kopfzeilen", "X-Vornix: eins\n\nAccept-Language: de"}}
            << QStringList{"Testagent/2", "X-Vornix: eins", "Accept-Language: de"} << both;
        QTest::newRow("a stored line the program refuses sends none")
            << Settings{{"Kopfzeilen", "X-Vornix: eins\nCookie: a=b"}} << QStringList{own} << both;
        QTest::newRow("one MiB at most") << Settings{{"HoechstgroesseMiB", "1"}} << QStringList{own}
                                         << "1 von 2 gespeichert, 1 fehlgeschlagen";
    }
    void connectionSent()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, sent);
        QFETCH(QString, result);
        stored.insert("FehlerSammeln", "1");
        QVERIFY(start(stored));
        server->serve("/f1", HttpFixtureServer::patternBody(1 << 20));
        server->serve("/f2", HttpFixtureServer::patternBody((1 << 20) + 1));
        QVERIFY(download(server->url("/f§"), "1-2"));
        QCOMPARE(w->prgBatch->text(), result);
        QCOMPARE(server->requests().size(), 2);
        for (const HttpFixtureServer::Request &r : server->requests()) {
            QStringList headers{QString::fromUtf8(r.headerValues("User-Agent").join('|'))};
            for (const QByteArray name : {"X-Vornix", "Accept-Language", "Cookie"})
                for (const QByteArray &value : r.headerValues(name))
                    headers << QString::fromUtf8(name + ": " + value);
            QCOMPARE(headers, sent);
        }
    }
    // With "Abgebrochene Downloads zum Fortsetzen behalten" on, closing the window 2 MiB into a
    // large file keeps them, and the next window asks only for the rest.
    // Or "Abbruch" keeps them, and the list of what was not saved can discard them.
    void closedMidBody_data()
    {
        QTest::addColumn<bool>("discard");
        QTest::newRow("window closed") << false;
        QTest::newRow("Abbruch, then discarded") << true;
    }
    void closedMidBody()
    {
        QFETCH(bool, discard);
        const Settings keep{{"FortsetzenBehalten", "1"}};
        QVERIFY(start(keep));
        const QByteArray body = HttpFixtureServer::patternBody(3 << 20);
        auto file = std::make_shared<HttpFixtureServer::Resource>(body, "\"a\"");
        file->stallAfter = 2 << 20;
        server->serveResource("/big1", file);
        typeInto(w->txtURL, server->url("/big§"));
        typeInto(w->cboErsatzText, "1");
        QTest::mouseClick(w->cmdDownload, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(dir->filePath(files().value(0))).size(), 2 << 20,
                                  30000);
        discard ? QTest::mouseClick(w->cmdAbbruch, Qt::LeftButton) : void(w->close());
        QVERIFY(idle());
        QCOMPARE(files(), QStringList{".big1.vornix-part"});
        QCOMPARE(w->statusPanelText(1), "Abgebrochen - " + server->url("/big1"));
        if (discard) {
            QCOMPARE(w->prgBatch->text(),
                     "0 von 1 gespeichert, 1 unvollständig (fortsetzbar), abgebrochen");
            QTest::mouseClick(w->prgBatch, Qt::LeftButton);
            FailureList *list = nullptr;
            QTRY_VERIFY((list = w->findChild<FailureList *>()) && list->isVisible());
            QCOMPARE(list->lstDateien->topLevelItem(0)->text(1),
                     "unvollständig, 2,0 MiB behalten (fortsetzbar)");
            QTest::mouseClick(list->cmdVerwerfen, Qt::LeftButton);
            QCOMPARE(list->lstDateien->topLevelItem(0)->text(1), "unvollständig, verworfen");
            QCOMPARE(files(), QStringList());
            return;
        }

        f = std::make_unique<WindowFixture>(
            Settings{{"SpeicherOrt", dir->path()}, {"FortsetzenBehalten", "1"}});
        w = &f->w;
        QVERIFY(f->show());
        file->stallAfter = -1;
        QString shown; // by the bar as the request arrives
        QVERIFY(download(server->url("/big§"), "1", [&](auto &) { shown = w->prgBatch->text(); }));
        QCOMPARE(shown, "1 von 1 – Fortsetzen bei 2,0 MiB");
        QCOMPARE(server->requests().last().headerValues("Range"),
                 QList<QByteArray>{"bytes=2097152-"});
        QCOMPARE(w->prgBatch->text(), "1 von 1 gespeichert");
        QVERIFY(readFile(dir->filePath("big1")) == body);
        QCOMPARE(files(), QStringList{"big1"});
    }
    // With four transfers at once: every file arrives whole, the bar counts finished files,
    // and "Abbruch" while four large bodies arrive ends all four and leaves nothing behind.
    void parallel_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("twelve files") << false;
        QTest::newRow("Abbruch with four running") << true;
    }
    void parallel()
    {
        QFETCH(bool, cancel);
        QVERIFY(start({{"GleichzeitigeDownloads", "4"}}));
        // Over the memory limit and stalled, so all four lie in part files until the cancel.
        const QByteArray large = HttpFixtureServer::patternBody(3 << 20);
        for (int i = 1; i <= 12; ++i) {
            const QByteArray body = cancel ? large : HttpFixtureServer::patternBody(1000 + i);
            server->serveCutMidBody(path(i), body, cancel ? 64 * 1024 : body.size(), false);
        }
        typeInto(w->txtURL, server->url("/f§"));
        typeInto(w->cboErsatzText, "01;02;03;04;05;06;07;08;09;10-12");
        QTest::mouseClick(w->cmdDownload, Qt::LeftButton);
        qsizetype requested = 12;
        if (cancel) {
            QTRY_COMPARE_WITH_TIMEOUT(files().filter(".part-").size(), 4, 30000);
            QCOMPARE(w->prgBatch->text().section(" – ", 0, 0), "0 von 12");
            requested = server->requests().size();
            QTest::mouseClick(w->cmdAbbruch, Qt::LeftButton);
        }
        QVERIFY(idle(60000));
        QCOMPARE(server->requests().size(), requested);
        QVERIFY(!cancel || w->statusPanelText(1).startsWith("Abgebrochen - " + server->url("/f0")));
        QCOMPARE(w->prgBatch->text(),
                 QLatin1String(cancel ? "0 von 12 gespeichert, 12 nicht versucht, abgebrochen"
                                      : "12 von 12 gespeichert"));
        QCOMPARE(files().size(), cancel ? 0 : 12);
        for (int i = 1; i <= 12 && !cancel; ++i)
            QCOMPARE(readFile(dir->filePath(QLatin1String(path(i).mid(1)))),
                     HttpFixtureServer::patternBody(1000 + i));
        QVERIFY(f->boxes.boxes.isEmpty());
    }

    // A batch that a failure ends while another file arrives: that file was not cancelled.
    void endedByFailure()
    {
        QVERIFY(start({{"GleichzeitigeDownloads", "2"}}));
        server->serveCutMidBody("/f1", HttpFixtureServer::patternBody(3 << 20), 64 * 1024, false);
        server->serve("/", "no file name: the batch ends");
        typeInto(w->txtURL, server->url("/§"));
        typeInto(w->cboErsatzText, "f1;;f2");
        QTest::mouseClick(w->cmdDownload, Qt::LeftButton);
        QVERIFY(idle(60000));
        QCOMPARE(f->boxes.boxes.size(), 1);
        QCOMPARE(w->statusPanelText(1), "Download: " + server->url("/"));
        QCOMPARE(files(), QStringList());
    }

private:
    static QByteArray path(int i) { return QString("/f%1").arg(i, 2, 10, QChar('0')).toLatin1(); }
    // Chooses "Einstellungen..." under "Bearbeiten" with the mouse.
    SettingsDialog *openSettings()
    {
        const QList<QAction *> items = w->findChild<QMenu *>("mnuEdit")->actions();
        // Below the other items, after a separator.
        if (items.size() < 2 || !items[items.size() - 2]->isSeparator() ||
            chooseMenuItem(*w, "&Bearbeiten", "Ein&stellungen...") != items.last() ||
            !QTest::qWaitFor([] { return QApplication::activeModalWidget(); }))
            return nullptr;
        return qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_BatchWindow)
#include "tst_batchwindow.moc"
