#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/DownloadBatch.h"
#include "download/RetryPolicy.h"
#include "download/clsInet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

Q_DECLARE_METATYPE(DownloadBatch::Outcome)

namespace {
using Reply = HttpFixtureServer::Reply;

struct FakeView final : BatchView
{
    QString folder, prefix;
    QStringList statusTexts, progress;
    QList<Message> messages;
    bool cancel = false;
    QString cancelOn; // a status text starting so, or "file 2", asks for a cancel soon after
    QString referer() const override { return {}; }
    QString targetFolder() const override { return folder; }
    QString defaultTargetFolder() const override { return folder; }
    QString filePrefix() const override { return prefix; }
    void setStatusText(const QString &text) override
    {
        statusTexts.append(text);
        if (!cancelOn.isEmpty() && text.startsWith(cancelOn))
            cancelSoon();
    }
    bool cancelRequested() const override { return cancel; }
    void cancelActedOn() override { cancel = false; }
    Answer showMessage(const Message &message) override
    {
        messages.append(message);
        return Answer::Ok;
    }
    void setBusy(bool) override {}
    void fileStarted(int index, int count, const QString &) override
    {
        progress << QStringLiteral("%1/%2").arg(index).arg(count);
        if (cancelOn == QStringLiteral("file %1").arg(index))
            cancelSoon();
    }
    void fileFinished(int, int, const QString &, FileEnd end) override
    {
        static const char *const names[] = {" saved", " skipped", " failed", " cancelled"};
        progress.last() += QLatin1String(names[static_cast<int>(end)]);
    }
    // Arrives while the batch waits, as a click would.
    void cancelSoon()
    {
        QTimer::singleShot(20, qApp, [this] { cancel = true; });
    }
};

// "503", "503 RA 2" (with Retry-After: 2), "cut" (connection lost mid-body), "200".
Reply replyFor(const QString &token)
{
    const QStringList words = token.split(' ');
    if (words[0] == QLatin1String("cut")) {
        Reply r;
        r.handler = [](QTcpSocket *socket) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly a part");
            socket->disconnectFromHost();
        };
        return r;
    }
    const int status = words[0].toInt();
    Reply r(Reply::Kind::Fixed, status == 200 ? "body" : "error page", status,
            status == 200 ? "OK" : "Failed");
    if (words.size() == 3)
        r.headers.append({QByteArray("Retry-After"), words[2].toLatin1()});
    return r;
}
} // namespace

class tst_BatchOptions : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<clsInet> inet;
    FakeView view;
    DownloadBatch::Result run(const QStringList &paths, const BatchOptions &options)
    {
        QStringList urls;
        for (const QString &path : paths)
            urls << server->url(path);
        return DownloadBatch::run(*inet, urls, view, options);
    }
    QByteArray file(const QString &name) const
    {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    qint64 gap(int request) const
    {
        return server->requests()[request].atMs - server->requests()[request - 1].atMs;
    }

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        server->setDefaultReply(Reply(Reply::Kind::Fixed, "new"));
        dir = std::make_unique<QTemporaryDir>();
        view = FakeView();
        view.folder = dir->path();
        inet = std::make_unique<clsInet>(view);
    }

    void retries_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("retries");
        QTest::addColumn<double>("timeScale");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("firstWait"); // status text before the second request
        QTest::addColumn<int>("minGapMs");      // between the first two requests
        QTest::addColumn<qint32>("failure");    // shown once; 0: the file is saved
        using L = QStringList;
        QTest::newRow("503 twice then 200") << L{"503", "503", "200"} << 3 << 0.01 << 3
                                            << "Warte 1 s vor Versuch 2 von 4" << 10 << 0;
        QTest::newRow("Retry-After: 2 honoured")
            << L{"503 RA 2", "200"} << 1 << 0.1 << 2 << "Warte 2 s vor Versuch 2 von 2" << 200 << 0;
        QTest::newRow("Retry-After over 5 minutes capped")
            << L{"429 RA 86400", "200"} << 1 << 0.001 << 2 << "Warte 300 s vor Versuch 2 von 2"
            << 300 << 0;
        QTest::newRow("body cut short, then whole")
            << L{"cut", "200"} << 2 << 0.01 << 2 << "Warte 1 s vor Versuch 2 von 3" << 10 << 0;
        QTest::newRow("503 to the end: one message")
            << L{"503"} << 2 << 0.01 << 3 << "Warte 1 s vor Versuch 2 von 3" << 10 << 503;
        QTest::newRow("404 not tried again") << L{"404"} << 3 << 0.01 << 1 << "" << 0 << 404;
        QTest::newRow("no retries by default")
            << L{"503", "200"} << 0 << 1.0 << 1 << "" << 0 << 503;
    }
    void retries()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, retries);
        QFETCH(double, timeScale);
        QFETCH(int, requests);
        QFETCH(QString, firstWait);
        QFETCH(int, minGapMs);
        QFETCH(qint32, failure);
        QList<Reply> turns;
        for (const QString &token : replies)
            turns << replyFor(token);
        server->serveInTurn("/f", turns);
        BatchOptions options;
        options.retries = retries;
        options.timeScale = timeScale;
        const DownloadBatch::Result result = run({"/f"}, options);
        QCOMPARE(server->requests().size(), requests);
        if (!firstWait.isEmpty()) {
            QCOMPARE(view.statusTexts.value(1), firstWait + ": " + server->url("/f"));
            QVERIFY2(gap(1) >= minGapMs - 1, qPrintable(QString::number(gap(1))));
        }
        QCOMPARE(result.saved, failure ? 0 : 1);
        QCOMPARE(file("f"), failure ? QByteArray("<missing>") : QByteArray("body"));
        QCOMPARE(view.messages.size(), failure ? 1 : 0);
        QCOMPARE(result.failures.size(), failure ? 1 : 0);
        if (failure) {
            QCOMPARE(result.failures[0].number, failure);
            QCOMPARE(result.failures[0].shownText, view.messages[0].text);
            QVERIFY(view.messages[0].text.contains("Inet Error " + QString::number(failure)));
        }
    }

    // A large body cut after 2000 of 5000 bytes, then the second answer.
    void continuation_data()
    {
        QTest::addColumn<QString>("second"); // "206", "206 cut", "206 wrong range", "200"
        QTest::addColumn<int>("requests");
        QTest::addColumn<qint64>("sentLater"); // body bytes of the answers after the first
        QTest::addColumn<bool>("saved");
        QTest::newRow("range honoured: only the rest sent") << "206" << 2 << qint64(3000) << true;
        QTest::newRow("no range support: whole body again") << "200" << 2 << qint64(5000) << true;
        QTest::newRow("other range: asked again without")
            << "206 wrong range" << 3 << qint64(4000 + 5000) << true;
        QTest::newRow("cut again on the last try: nothing left")
            << "206 cut" << 2 << qint64(1000) << false;
    }
    void continuation()
    {
        QFETCH(QString, second);
        QFETCH(int, requests);
        QFETCH(qint64, sentLater);
        QFETCH(bool, saved);
        const QByteArray body = HttpFixtureServer::patternBody(5000);
        qint64 sent = 0;
        const auto answer = [&](int status, qint64 from, qint64 count) {
            Reply r;
            r.handler = [this, &body, &sent, status, from, count](QTcpSocket *socket) {
                const QByteArray part = body.mid(from, count);
                QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " X\r\n";
                if (status == 206)
                    head += "Content-Range: bytes " + QByteArray::number(from) + "-4999/5000\r\n";
                const qint64 length = status == 206 ? 5000 - from : 5000;
                socket->write(head + "Content-Length: " + QByteArray::number(length) + "\r\n\r\n" +
                              part);
                if (server->requests().size() > 1)
                    sent += part.size();
                if (part.size() < length)
                    socket->disconnectFromHost();
            };
            return r;
        };
        const QHash<QString, Reply> seconds{{"206", answer(206, 2000, 3000)},
                                            {"206 cut", answer(206, 2000, 1000)},
                                            {"206 wrong range", answer(206, 1000, 4000)},
                                            {"200", answer(200, 0, 5000)}};
        server->serveInTurn("/f", {answer(200, 0, 2000), seconds[second], answer(200, 0, 5000)});
        inet->MemoryLimit = 1000;
        BatchOptions options;
        options.retries = 1;
        options.timeScale = 0.01;
        const DownloadBatch::Result result = run({"/f"}, options);
        QCOMPARE(server->requests().size(), requests);
        QCOMPARE(server->requests()[1].headerValues("Range"), QList<QByteArray>{"bytes=2000-"});
        if (requests > 2)
            QVERIFY(server->requests()[2].headerValues("Range").isEmpty());
        QCOMPARE(sent, sentLater);
        QCOMPARE(result.saved, saved ? 1 : 0);
        QCOMPARE(file("f"), saved ? body : QByteArray("<missing>"));
        // The kept part is gone, whichever way the URL ended.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 saved ? QStringList{"f"} : QStringList());
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("ms"); // -1: not read
        QTest::newRow("seconds") << QByteArray(" 120 ") << qint64(120000);
        QTest::newRow("date 90 s ahead")
            << QByteArray("Sun, 06 Nov 1994 08:51:07 GMT") << qint64(90000);
        QTest::newRow("date passed") << QByteArray("Sun, 06 Nov 1994 08:00:00 GMT") << qint64(0);
        QTest::newRow("a day capped") << QByteArray("86400") << qint64(300000);
        QTest::newRow("negative") << QByteArray("-5") << qint64(-1);
        QTest::newRow("garbage") << QByteArray("soon") << qint64(-1);
        QTest::newRow("missing") << QByteArray() << qint64(-1);
    }
    void retryAfter()
    {
        QFETCH(QByteArray, value);
        QFETCH(qint64, ms);
        const QDateTime now(QDate(1994, 11, 6), QTime(8, 49, 37), Qt::UTC);
        QCOMPARE(RetryPolicy::retryAfterMs(value, now).value_or(-1), ms);
    }

    void cancelDuringWait_data()
    {
        QTest::addColumn<QString>("cancelOn");
        QTest::addColumn<QString>("cancelledAt");
        QTest::newRow("retry wait") << "Warte"
                                    << "/a";
        QTest::newRow("pause") << "file 2"
                               << "/b";
    }
    void cancelDuringWait()
    {
        QFETCH(QString, cancelOn);
        QFETCH(QString, cancelledAt);
        Reply busy(Reply::Kind::Fixed, "busy", 503, "Busy");
        busy.headers.append({QByteArray("Retry-After"), QByteArray("300")});
        server->serveInTurn("/a", {cancelOn == "Warte" ? busy : Reply(Reply::Kind::Fixed, "a")});
        view.cancelOn = cancelOn;
        BatchOptions options; // real time: both waits would take minutes
        options.retries = 2;
        options.pauseMs = BatchOptions::kMaxPauseMs;
        QElapsedTimer clock;
        clock.start();
        const DownloadBatch::Result result = run({"/a", "/b"}, options);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(result.outcome, DownloadBatch::Outcome::Cancelled);
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(view.statusTexts.last(), "Abgebrochen - " + server->url(cancelledAt));
        QVERIFY(view.messages.isEmpty());
        QVERIFY(!view.cancel);
    }

    void skipExisting_data()
    {
        QTest::addColumn<bool>("skip");
        QTest::addColumn<QString>("existing"); // holds "old"
        QTest::addColumn<QStringList>("requested");
        QTest::addColumn<QStringList>("progress");
        using L = QStringList;
        QTest::newRow("existing file not requested")
            << true << "p_da.gif" << L{"/d/b.gif"} << L{"1/2 skipped", "2/2 saved"};
        QTest::newRow("name without the prefix is no match")
            << true << "da.gif" << L{"/d/a.gif", "/d/b.gif"} << L{"1/2 saved", "2/2 saved"};
        QTest::newRow("off: fetched again")
            << false << "p_da.gif" << L{"/d/a.gif", "/d/b.gif"} << L{"1/2 saved", "2/2 saved"};
    }
    void skipExisting()
    {
        QFETCH(bool, skip);
        QFETCH(QString, existing);
        QFETCH(QStringList, requested);
        QFETCH(QStringList, progress);
        QFile old(dir->filePath(existing));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        view.prefix = "p_";
        BatchOptions options;
        options.skipExisting = skip;
        const DownloadBatch::Result result = run({"/d/a.gif", "/d/b.gif"}, options);
        QStringList paths;
        for (const auto &request : server->requests())
            paths << QString::fromLatin1(request.path());
        QCOMPARE(paths, requested);
        QCOMPARE(view.progress, progress);
        QCOMPARE(result.skipped, 2 - requested.size());
        QCOMPARE(result.saved, requested.size());
        QCOMPARE(file("p_da.gif"), requested.size() == 2 ? "new" : "old");
        QCOMPARE(file("p_db.gif"), "new");
    }

    void pause_data()
    {
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<int>("jitterMs");
        QTest::newRow("1 s") << 1000 << 0;
        QTest::newRow("0.5 s and up to 1 s more") << 500 << 1000;
    }
    void pause()
    {
        QFETCH(int, pauseMs);
        QFETCH(int, jitterMs);
        BatchOptions options;
        options.pauseMs = pauseMs;
        options.pauseJitterMs = jitterMs;
        options.timeScale = 0.1;
        QCOMPARE(run({"/1", "/2", "/3"}, options).saved, 3);
        QCOMPARE(server->requests().size(), 3);
        for (int i = 1; i < 3; ++i)
            QVERIFY2(gap(i) >= pauseMs / 10 - 1, qPrintable(QString::number(gap(i))));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("paths"); // "/x..." answers 404
        QTest::addColumn<bool>("collect");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QStringList>("failed");
        QTest::addColumn<DownloadBatch::Outcome>("outcome");
        using L = QStringList;
        using O = DownloadBatch::Outcome;
        const L series{"/a", "/x1", "/b", "/x2", "/x3", "/c"};
        QTest::newRow("defaults: a 404 among three")
            << L{"/a", "/x1", "/b"} << false << 0 << 3 << L{"/x1"} << O::Completed;
        QTest::newRow("collected")
            << series << true << 0 << 6 << L{"/x1", "/x2", "/x3"} << O::Completed;
        QTest::newRow("stop after 2 in a row")
            << series << false << 2 << 5 << L{"/x1", "/x2", "/x3"} << O::TooManyFailures;
        QTest::newRow("stop after 2, collected")
            << series << true << 2 << 5 << L{"/x1", "/x2", "/x3"} << O::TooManyFailures;
        QTest::newRow("stop after 3: no row that long")
            << series << false << 3 << 6 << L{"/x1", "/x2", "/x3"} << O::Completed;
    }
    void failures()
    {
        QFETCH(QStringList, paths);
        QFETCH(bool, collect);
        QFETCH(int, stopAfter);
        QFETCH(int, requests);
        QFETCH(QStringList, failed);
        QFETCH(DownloadBatch::Outcome, outcome);
        for (const QString &path : paths)
            if (path.startsWith("/x"))
                server->serve(path.toLatin1(), "gone", 404, "Not Found");
        BatchOptions options;
        options.collectFailures = collect;
        options.stopAfterFailures = stopAfter;
        const DownloadBatch::Result result = run(paths, options);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(server->requests().size(), requests);
        QCOMPARE(result.saved, requests - failed.size());
        QCOMPARE(view.messages.size(), collect ? 0 : failed.size());
        QCOMPARE(result.failures.size(), failed.size());
        for (int i = 0; i < failed.size(); ++i) {
            const BatchFailure &f = result.failures[i];
            QCOMPARE(f.url, server->url(failed[i]));
            QCOMPARE(f.number, 404);
            QVERIFY(f.shownText.contains("Inet Error 404"));
            if (!collect)
                QCOMPARE(view.messages[i].text, f.shownText);
        }
    }
};

VORNIX_TEST_MAIN(tst_BatchOptions)
#include "tst_BatchOptions.moc"
