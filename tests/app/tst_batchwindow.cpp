#include "WindowFixture.h"
#include "app/BatchProgress.h"
#include "app/FailureList.h"
#include "app/SettingsDialog.h"
#include "ui/FolderDialogs.h"

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

// The options `stored` and then `shown` by the dialog, split by "|" in its order: retries,
// pause, random part, skip existing and collect failures as 0/1, stop, transfers at once, padded
// ranges and keeping cut downloads as 0/1.
// `typed`: retries, pause, random part, stop, transfers ("": untouched), and when any, the four
// check boxes clicked, before OK or Abbrechen.
struct Options
{
    QString stored, typed, shown;
    bool ok = true;
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
        const QString defaults = "0|0 ms|0 ms|0|0|nie|1|0|0";
        row("typed, OK", {"", "3|1500|250|4|8", "3|1500 ms|250 ms|1|1|4|8|1|1"});
        row("typed, Abbrechen", {"2", "5|100||7|3", "2|0 ms|0 ms|0|0|nie|1|0|0", false});
        row("unusable values read as defaults", {"11|viel|-5|ja|2|1e3|17|ja|ja", "", defaults});
        row("no transfer at once reads as one", {"0|0|0|0|0|0|0|0|0", "", defaults});
        row("maxima kept",
            {"10|60000|60000|1|0|999|16|1|1", "", "10|60000 ms|60000 ms|1|0|999|16|1|1"});
    }
    void settingsDialog()
    {
        QFETCH(Options, o);
        const QStringList keys{"Wiederholungen",         "PauseMs",
                               "PauseZufallMs",          "VorhandeneUeberspringen",
                               "FehlerSammeln",          "StopNachFehlern",
                               "GleichzeitigeDownloads", "BereicheAuffuellen",
                               "FortsetzenBehalten"};
        Settings stored;
        for (int i = 0; !o.stored.isEmpty() && i <= o.stored.count('|'); ++i)
            stored.insert(keys[i], o.stored.section('|', i, i));
        QVERIFY(start(stored));
        SettingsDialog *d = openSettings();
        QVERIFY(d);
        const QList<QSpinBox *> spins{d->spnWiederholungen, d->spnPause, d->spnPauseZufall,
                                      d->spnStopNachFehlern, d->parallelDownloads};
        for (int i = 0; i < spins.size(); ++i)
            if (!o.typed.section('|', i, i).isEmpty())
                typeInto(spins[i], o.typed.section('|', i, i));
        for (QCheckBox *b :
             {d->chkVorhandeneUeberspringen, d->chkFehlerSammeln, d->padRanges, d->keepParts})
            if (!o.typed.isEmpty()) // on the box itself, not the label
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
        QTest::mouseClick(
            d->cmdButtons->button(o.ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
            Qt::LeftButton);
        QTRY_VERIFY(!QApplication::activeModalWidget());

        d = openSettings();
        QVERIFY(d);
        const QStringList reopened(
            {d->spnWiederholungen->text(), d->spnPause->text(), d->spnPauseZufall->text(),
             QString::number(d->chkVorhandeneUeberspringen->isChecked()),
             QString::number(d->chkFehlerSammeln->isChecked()), d->spnStopNachFehlern->text(),
             d->parallelDownloads->text(), QString::number(d->padRanges->isChecked()),
             QString::number(d->keepParts->isChecked())});
        d->reject();
        QCOMPARE(reopened.join('|'), o.shown);
        for (int i : {0, 6, 7, 8}) // saved, or left as it was
            QCOMPARE(storedSetting(keys[i]),
                     o.ok ? o.shown.section('|', i, i) : stored.value(keys[i]));
        // The list keeps the width of "08" only while padding is on.
        typeInto(w->cboErsatzText, "08-10");
        QTest::mouseClick(w->cmdVorschauAktualisieren, Qt::LeftButton);
        const bool pad = o.shown.section('|', 7, 7) == QLatin1String("1");
        QVERIFY(w->Dateiliste.value(0).endsWith(pad ? QString("/image08.jpg") : "/image8.jpg"));
    }
    // With "Abgebrochene Downloads zum Fortsetzen behalten" on, closing the window 2 MiB into a
    // large file keeps them, and the next window asks only for the rest.
    void closedMidBody()
    {
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
        w->close();
        QCOMPARE(files(), QStringList{".big1.vornix-part"});

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
