#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "download/DownloadBatch.h"
#include "download/RetryPolicy.h"
#include "download/clsInet.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {
using L = QStringList;
using O = DownloadBatch::Outcome;
using Reply = HttpFixtureServer::Reply;

struct FakeView final : BatchView
{
    // cancelOn asks for a cancel on "busy" while a finished body is collected, on "file 2" as
    // the second URL begins, else as a status text starting so appears.
    QString folder, defaultFolder, prefix, cancelOn;
    const HttpFixtureServer *server = nullptr;
    QStringList statusTexts, progress; // progress: "2/3 s" for every URL begun, see Batch::ends
    QList<Message> messages;
    bool cancel = false;
    // The number of requests so far, so that each request shows when it was read.
    QString referer() const override { return QString::number(server->requests().size()); }
    QString targetFolder() const override { return folder; }
    QString defaultTargetFolder() const override { return defaultFolder; }
    QString filePrefix() const override { return prefix; }
    bool cancelRequested() const override { return cancel; }
    void cancelActedOn() override { cancel = false; }
    void setStatusText(const QString &text) override
    {
        statusTexts.append(text);
        cancelSoon(!cancelOn.isEmpty() && text.startsWith(cancelOn), 20);
    }
    Answer showMessage(const Message &message) override
    {
        messages.append(message);
        return Answer::Ok;
    }
    void setBusy(bool busy) override { cancelSoon(busy && cancelOn == "busy", 0); }
    void fileStarted(int index, int count, const QString &) override
    {
        progress << QStringLiteral("%1/%2 ").arg(index).arg(count);
        cancelSoon(cancelOn == QStringLiteral("file %1").arg(index), 20);
    }
    void fileFinished(int, int, const QString &, FileEnd end) override
    {
        progress.last() += QLatin1Char("skfc"[static_cast<int>(end)]);
    }
    // Arrives while the batch waits, as a click would.
    void cancelSoon(bool asked, int ms)
    {
        if (asked)
            QTimer::singleShot(ms, qApp, [this] { cancel = true; });
    }
};

// A batch over `paths`: "/x..." answer 404, the rest "new"; `before` are files holding "old",
// `after` every file as name=content. `ends` has a letter for every URL begun: s saved,
// k skipped, f failed (a 404, or our own write step where `failure` is 0).
struct Batch
{
    QStringList paths, before, after;
    QString prefix, ends;
    BatchOptions options = {};
    qint32 failure = 404;
    O outcome = O::Completed;
};

// Twenty URLs from `url`: %1 is the fixture's host:port, § the index; f0 answers with a large
// body (503 with Retry-After: 300 for `cancelOn` "Warte"), f1 never where a cancel is asked
// for: on `cancelOn` as in FakeView, or "got /f1" once that request reaches the server.
// A `folder` "/..." lies inside the temporary folder; `box` is a part of the only box, none
// when empty; `waits` adds retries and a pause of minutes, which a cancel cuts short.
struct Twenty
{
    QString url, folder;
    O outcome;
    int requests, saved;
    QString box, proxy = {}, cancelOn = {}; // proxy: a name for "Benutzerdefiniert"
    bool waits = false;
};

// One URL with a 256 KiB body while its file "old" exists and a body over 16 KiB is written
// into the target folder as it arrives: "/fixed", "/cut" (the connection lost after 40000
// bytes) or "/slow" (in pieces). A `twist` "... mid-body" is done once the part file is there;
// `box` is a part of the only box, none when empty.
struct Spill
{
    QString path, twist, box = {};
    O outcome = O::Completed;
};

// One URL answered in turn (see replyFor) and tried again. Before the second request the status
// says "Warte `wait` s" and that many seconds (scaled) pass; `range` is that request's Range
// header, no other having one. `failure` is shown once; `file` is what f holds in the end.
// The other numbers: the retries asked for, the requests made and the time scale.
struct Tries
{
    QStringList replies;
    int retries, requests, wait, failure;
    double timeScale;
    QByteArray file, range = {};
};

// "503", "429 RA 300" (with Retry-After: 300), "200" (the body "body"), or bytes of `large`
// (5000 of them): "200 0-2000", "206 2000-5000", "200 0-11 of 100" (announcing 100); the
// connection is lost when they fall short of what the answer announced.
const QByteArray large = HttpFixtureServer::patternBody(5000);

Reply replyFor(const QString &token)
{
    const QStringList words = token.split(' ');
    const int status = words[0].toInt();
    Reply r(status == 200 ? "body" : "error page", status, status == 200 ? "OK" : "Failed");
    if (words.value(1) == "RA")
        r.headers.append({"Retry-After", words[2].toLatin1()});
    if (!words.value(1).contains('-'))
        return r;
    const qint64 from = words[1].section('-', 0, 0).toLongLong();
    const qint64 length = words.size() > 3 ? words[3].toLongLong() : large.size() - from;
    const QByteArray part = large.mid(from, words[1].section('-', 1).toLongLong() - from);
    QByteArray head = "HTTP/1.1 " + words[0].toLatin1() +
                      " X\r\nContent-Length: " + QByteArray::number(length) + "\r\n";
    if (status == 206)
        head += "Content-Range: bytes " + QByteArray::number(from) + "-4999/5000\r\n";
    r.handler = [head, part, length](QTcpSocket *socket) {
        socket->write(head + "\r\n" + part);
        if (part.size() < length)
            socket->disconnectFromHost();
    };
    return r;
}
} // namespace

class tst_DownloadBatch : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<clsInet> inet;
    FakeView view;

private Q_SLOTS:
    // Past a file size limit a write then fails with EFBIG instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        server->setDefaultReply(Reply("new"));
        dir = std::make_unique<QTemporaryDir>();
        view = FakeView();
        view.server = server.get();
        inet = std::make_unique<clsInet>(view);
        view.folder = dir->path();
        view.defaultFolder = dir->filePath("Downloads");
    }

    void batch_data()
    {
        QTest::addColumn<Batch>("b");
        const auto row = [](const char *name, const Batch &b) { QTest::newRow(name) << b; };
        // 81 CJK characters are 243 bytes in UTF-8.
        const QString cjk81(81, QChar(0x6F22)), a255(255, 'a'), a256(256, 'a');
        const L series{"/a", "/x1", "/b", "/x2", "/x3", "/c"}, gifs{"/d/a.gif", "/d/b.gif"};
        const L jpgs{"/i/0.jpg", "/i/1.jpg", "/i/2.jpg"}, abcPaths{"/a", "/b", "/c"};
        const L ab{"a=new", "b=new"}, abc{"a=new", "b=new", "c=new"};
        // {retries, pauseMs, pauseJitterMs, skipExisting, collectFailures, stopAfterFailures,
        // timeScale}
        const BatchOptions collect{0, 0, 0, false, true}, stop2{0, 0, 0, false, false, 2};
        const BatchOptions stop2collected{0, 0, 0, false, true, 2}, stop3{0, 0, 0, false, false, 3};
        const BatchOptions skip{0, 0, 0, true}, pause{0, 1000, 0, false, false, 0, 0.1};
        const BatchOptions jitter{0, 500, 1000, false, false, 0, 0.1};
        row("empty list", {{}, {}, {}, "p", ""});
        row("three in order",
            {jpgs, {}, {"p_i0.jpg=new", "p_i1.jpg=new", "p_i2.jpg=new"}, "p_", "sss"});
        row("404 keeps the old file, next fetched",
            {{"/xgone", "/next"}, {"xgone"}, {"next=new", "xgone=old"}, "", "fs"});
        row("climbing stays inside", {{"/../../etc/passwd"}, {}, {"....etcpasswd=new"}, "", "s"});
        row("81 CJK characters", {{"/" + cjk81}, {}, {cjk81 + "=new"}, "", "s"});
        row("255-byte name", {{"/" + a255}, {}, {a255 + "=new"}, "", "s"});
        row("256-byte name leaves no temporary",
            {{"/" + a256, "/b"}, {}, {}, "", "f", {}, 0, O::WriteFailed});
        row("empty name", {{"/", "/b"}, {}, {}, "", "f", {}, 0, O::WriteFailed});
        row("name is dot dot", {{"/..", "/b"}, {}, {}, "", "f", {}, 0, O::WriteFailed});
        row("defaults: a 404 among three", {{"/a", "/x1", "/b"}, {}, ab, "", "sfs"});
        row("404s collected", {series, {}, abc, "", "sfsffs", collect});
        row("stop after 2 in a row", {series, {}, ab, "", "sfsff", stop2, 404, O::TooManyFailures});
        row("stop after 2, collected",
            {series, {}, ab, "", "sfsff", stop2collected, 404, O::TooManyFailures});
        row("stop after 3: no row that long", {series, {}, abc, "", "sfsffs", stop3});
        row("existing file not requested",
            {gifs, {"p_da.gif"}, {"p_da.gif=old", "p_db.gif=new"}, "p_", "ks", skip});
        row("name without the prefix is no match",
            {gifs, {"da.gif"}, {"da.gif=old", "p_da.gif=new", "p_db.gif=new"}, "p_", "ss", skip});
        row("skip off: fetched again",
            {gifs, {"p_da.gif"}, {"p_da.gif=new", "p_db.gif=new"}, "p_", "ss"});
        row("pause 1 s", {abcPaths, {}, abc, "", "sss", pause});
        row("pause 0.5 s and up to 1 s more", {abcPaths, {}, abc, "", "sss", jitter});
    }
    void batch()
    {
        QFETCH(Batch, b);
        QStringList urls;
        for (const QString &path : b.paths) {
            urls << server->url(path);
            if (path.startsWith("/x"))
                server->serve(path.toLatin1(), "gone", 404, "Not Found");
        }
        for (const QString &name : b.before)
            QVERIFY(writeFile(dir->filePath(name), "old"));
        view.prefix = b.prefix;
        const DownloadBatch::Result result = DownloadBatch::run(*inet, urls, view, b.options);
        QCOMPARE(result.outcome, b.outcome);
        QStringList written; // no partial or temporary file either
        for (const QString &name : filesBelow(dir->path()))
            written << name + '=' + readFile(dir->filePath(name));
        QCOMPARE(written, b.after);
        QStringList progress, requested, failed;
        for (int i = 0; i < b.ends.size(); ++i) {
            progress << QStringLiteral("%1/%2 %3").arg(i + 1).arg(b.paths.size()).arg(b.ends[i]);
            if (b.ends[i] != 'k')
                requested << urls[i];
            if (b.ends[i] == 'f')
                failed << urls[i];
        }
        QCOMPARE(view.progress, progress);
        QCOMPARE(result.saved, b.ends.count('s'));
        QCOMPARE(result.skipped, b.ends.count('k'));
        QCOMPARE(server->requests().size(), requested.size());
        QCOMPARE(view.statusTexts.size(), requested.size());
        for (int i = 0; i < requested.size(); ++i) {
            QCOMPARE(QUrl::fromPercentEncoding(server->requests()[i].path()),
                     QUrl(requested[i]).adjusted(QUrl::NormalizePathSegments).path());
            QCOMPARE(view.statusTexts[i], "Download: " + requested[i]);
            // The referer is read just before each request.
            QCOMPARE(server->requests()[i].headerValues("Referer"), QList{QByteArray::number(i)});
            if (i > 0)
                QCOMPARE_GE(server->requests()[i].atMs - server->requests()[i - 1].atMs,
                            b.options.pauseMs * b.options.timeScale - 1);
        }
        const QString box = b.failure ? QStringLiteral("Inet Error %1\r\n").arg(b.failure)
                                      : QStringLiteral("konnte nicht gespeichert werden");
        QCOMPARE(result.failures.size(), failed.size());
        QCOMPARE(view.messages.size(), b.options.collectFailures ? 0 : failed.size());
        for (int i = 0; i < failed.size(); ++i) {
            QCOMPARE(result.failures[i].url, failed[i]);
            QCOMPARE(result.failures[i].number, b.failure);
            QVERIFY2(result.failures[i].shownText.contains(box), qPrintable(box));
            if (!b.options.collectFailures)
                QCOMPARE(view.messages[i].text, result.failures[i].shownText);
        }
    }

    void twentyUrls_data()
    {
        QTest::addColumn<Twenty>("t");
        const auto row = [](const char *name, const Twenty &t) { QTest::newRow(name) << t; };
        const QString ok = "http://%1/f§", folder = "vollständigen Ordner";
        const QString e71 = "Error 35771\r\n", e72 = "Error 35772\r\n";
        const O refused = O::RequestRefused, cancelled = O::Cancelled;
        row("no scheme", {"%1/f§", "/", refused, 0, 0, e72});
        row("unsupported scheme", {"ftp://%1/f§", "/", refused, 0, 0, e72});
        row("empty URL", {"", "/", refused, 0, 0, e71});
        row("proxy not host:port", {ok, "/", refused, 0, 0, "Error 35799\r\n", "proxy:port"});
        row("NUL inside", {"http://%1/a" + QString(QChar(0)) + "§", "/", refused, 0, 0, e71});
        row("tab inside", {"http://%1/a\t§", "/", refused, 0, 0, e71});
        row("line break inside", {"http://%1/a\n§", "/", refused, 0, 0, e71});
        row("folder ''", {ok, "", O::FolderRefused, 0, 0, folder});
        row("folder 'Downloads'", {ok, "Downloads", O::FolderRefused, 0, 0, folder});
        row("folder './x'", {ok, "./x", O::FolderRefused, 0, 0, folder});
        row("missing default folder is made", {ok, "/Downloads", O::Completed, 20, 20, ""});
        row("missing typed folder is not made",
            {ok, "/typed", O::WriteFailed, 1, 0, "/typed/f0\" konnte nicht gespeichert"});
        // Acted on at the next poll, before a further request reached the server.
        row("cancel while the second transfer runs", {ok, "/", cancelled, 2, 1, "", "", "got /f1"});
        // The poll sees the first transfer finished before it sees the cancel.
        row("cancel while the first body is collected", {ok, "/", cancelled, 1, 1, "", "", "busy"});
        row("cancel during the retry wait", {ok, "/", cancelled, 1, 0, "", "", "Warte", true});
        row("cancel during the pause", {ok, "/", cancelled, 1, 1, "", "", "file 2", true});
    }
    void twentyUrls()
    {
        QFETCH(Twenty, t);
        const QByteArray body = HttpFixtureServer::patternBody(30000); // three chunks
        server->serveInTurn("/f0", {t.cancelOn == "Warte" ? replyFor("503 RA 300") : Reply(body)});
        if (!t.cancelOn.isEmpty()) // never answered
            server->serveInTurn(
                "/f1", {Reply([&](QTcpSocket *) { view.cancel |= t.cancelOn == "got /f1"; })});
        view.cancelOn = t.cancelOn;
        const QString url = QString(t.url).replace("%1", server->hostPort());
        QStringList urls;
        for (int i = 0; i < 20; ++i)
            urls << QString(url).replace("§", QString::number(i));
        view.folder = t.folder.startsWith('/') ? dir->path() + t.folder : t.folder;
        const bool existed = QFileInfo::exists(view.folder);
        inet->InetAccessType = AccessType(t.proxy.isEmpty() ? 0 : 2);
        inet->InetProxy = t.proxy;
        const BatchOptions options{t.waits ? 2 : 0, t.waits ? BatchOptions::kMaxPauseMs : 0};
        const QDeadlineTimer deadline(10000); // the waits are in real time
        QCOMPARE(DownloadBatch::run(*inet, urls, view, options).outcome, t.outcome);
        QVERIFY2(!deadline.hasExpired(), qPrintable(QString::number(deadline.remainingTime())));
        QCOMPARE(server->requests().size(), t.requests);
        QCOMPARE(view.messages.size(), t.box.isEmpty() ? 0 : 1);
        QVERIFY2(view.messages.value(0).text.contains(t.box),
                 qPrintable(view.messages.value(0).text));
        QCOMPARE(filesBelow(dir->path()).size(), t.saved);
        QCOMPARE(readFile(QDir(view.folder).filePath("f0")), t.saved ? body : "<missing>");
        // Only the offered default is ever made.
        QCOMPARE(QFileInfo::exists(view.folder), existed || view.folder == view.defaultFolder);
        if (t.outcome == O::Cancelled)
            QCOMPARE(view.statusTexts.last(), "Abgebrochen - " + urls[t.saved]);
        QVERIFY(!view.cancel);
    }

    void spilled_data()
    {
        QTest::addColumn<Spill>("s");
        const auto row = [](const char *name, const Spill &s) { QTest::newRow(name) << s; };
        const QString cut = "Inet Error 35796",
                      why = "fixed\" konnte nicht gespeichert werden.\r\nGrund: ";
        row("Content-Length over the limit", {"/fixed", ""});
        row("Content-Length beyond the body", {"/cut", "", cut});
        row("cancelled", {"/slow", "cancel mid-body", "", O::Cancelled});
        row("connection lost", {"/slow", "server gone mid-body", cut});
        row("folder changed to another file system", {"/slow", "other file system mid-body"});
        row("disk full", {"/fixed", "64 KiB file system",
                          why + QString::fromLocal8Bit(std::strerror(ENOSPC)), O::WriteFailed});
        row("file size limit",
            {"/fixed", "100 KiB file size limit",
             why + QString::fromLocal8Bit(std::strerror(EFBIG)), O::WriteFailed});
    }
    void spilled()
    {
        QFETCH(Spill, s);
        QTemporaryDir small, other("/dev/shm/vornix-XXXXXX");
        const auto unmount = qScopeGuard([&] { ::umount2(qPrintable(small.path()), MNT_DETACH); });
        if (s.twist == "64 KiB file system") {
            if (::mount("tmpfs", qPrintable(small.path()), "tmpfs", 0, "size=64k") != 0)
                QSKIP(qPrintable("no tmpfs can be mounted here: " + qt_error_string(errno)));
            view.folder = small.path();
        }
        if (s.twist.startsWith("other file system") &&
            (!other.isValid() ||
             QStorageInfo(other.path()).rootPath() == QStorageInfo(view.folder).rootPath()))
            QSKIP("/dev/shm is no other file system here");
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const auto restore = qScopeGuard([saved = limit] { ::setrlimit(RLIMIT_FSIZE, &saved); });
        const QByteArray body = HttpFixtureServer::patternBody(256 * 1024);
        server->serve("/fixed", body);
        server->serveCloseMidBody("/cut", body, 40000);
        server->serveTrickle("/slow", body, 8192, 10);
        const QString name = s.path.mid(1), home = view.folder;
        QVERIFY(writeFile(QDir(home).filePath(name), "old"));
        if (s.twist == "100 KiB file size limit")
            limit.rlim_cur = 100 * 1024;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        inet->MemoryLimit = 16 * 1024;
        bool partSeen = false;
        connect(inet.get(), &clsInet::Progress, this, [&](qint64 received, qint64) {
            partSeen = partSeen || filesBelow(view.folder).size() == 2;
            if (received == 0 || !s.twist.endsWith("mid-body"))
                return;
            if (s.twist.startsWith("cancel"))
                view.cancel = true;
            else if (s.twist.startsWith("server gone"))
                server.reset();
            else
                view.folder = other.path();
            s.twist.clear();
        });
        QCOMPARE(DownloadBatch::run(*inet, {server->url(s.path)}, view).outcome, s.outcome);
        inet.reset(); // as the window does after every batch
        const bool moved = view.folder != home;
        QVERIFY(partSeen || !s.box.isEmpty()); // kept in the target folder while it arrived
        QCOMPARE(filesBelow(home), L{name});   // no part file left
        const bool saved = s.outcome == O::Completed && s.box.isEmpty();
        QCOMPARE(readFile(QDir(home).filePath(name)), saved && !moved ? body : "old");
        QCOMPARE(filesBelow(other.path()), moved ? L{name} : L());
        QCOMPARE(readFile(QDir(other.path()).filePath(name)), moved ? body : "<missing>");
        QCOMPARE(view.messages.size(), s.box.isEmpty() ? 0 : 1);
        QVERIFY2(view.messages.value(0).text.contains(s.box),
                 qPrintable(view.messages.value(0).text));
    }

    void retries_data()
    {
        QTest::addColumn<Tries>("t");
        const auto row = [](const char *name, const Tries &t) { QTest::newRow(name) << t; };
        const QByteArray none = "<missing>", rest = "bytes=2000-";
        row("503 twice then 200", {{"503", "503", "200"}, 3, 3, 1, 0, 0.01, "body"});
        row("Retry-After: 2 honoured", {{"503 RA 2", "200"}, 1, 2, 2, 0, 0.1, "body"});
        row("Retry-After over 5 minutes capped",
            {{"429 RA 86400", "200"}, 1, 2, 300, 0, 0.001, "body"});
        row("body cut short, then whole", {{"200 0-11 of 100", "200"}, 2, 2, 1, 0, 0.01, "body"});
        row("503 to the end: one message", {{"503"}, 2, 3, 1, 503, 0.01, none});
        row("404 not tried again", {{"404"}, 3, 1, 0, 404, 0.01, none});
        row("no retries by default", {{"503", "200"}, 0, 1, 0, 503, 1.0, none});
        // A large body cut after 2000 of 5000 bytes is kept for the second try.
        row("range honoured: only the rest sent",
            {{"200 0-2000", "206 2000-5000"}, 1, 2, 1, 0, 0.01, large, rest});
        row("no range support: whole body again",
            {{"200 0-2000", "200 0-5000"}, 1, 2, 1, 0, 0.01, large, rest});
        row("other range: asked again without",
            {{"200 0-2000", "206 1000-5000", "200 0-5000"}, 1, 3, 1, 0, 0.01, large, rest});
        row("cut again on the last try: nothing left",
            {{"200 0-2000", "206 2000-3000"}, 1, 2, 1, 35796, 0.01, none, rest});
    }
    void retries()
    {
        QFETCH(Tries, t);
        QList<Reply> turns;
        for (const QString &token : t.replies)
            turns << replyFor(token);
        server->serveInTurn("/f", turns);
        inet->MemoryLimit = 1000;
        const QString url = server->url("/f");
        const BatchOptions options{t.retries, 0, 0, false, false, 0, t.timeScale};
        const DownloadBatch::Result result = DownloadBatch::run(*inet, {url}, view, options);
        QCOMPARE(server->requests().size(), t.requests);
        for (int i = 0; i < t.requests; ++i)
            QCOMPARE(server->requests()[i].headerValues("Range").join(','), i == 1 ? t.range : "");
        if (t.wait) {
            const QString text = QStringLiteral("Warte %1 s vor Versuch 2 von %2: %3");
            QCOMPARE(view.statusTexts.value(1), text.arg(t.wait).arg(t.retries + 1).arg(url));
            QCOMPARE_GE(server->requests()[1].atMs - server->requests()[0].atMs,
                        t.wait * 1000 * t.timeScale - 1);
        }
        QCOMPARE(result.saved, t.failure ? 0 : 1);
        QCOMPARE(readFile(dir->filePath("f")), t.file);
        // A part kept for the next try is gone, whichever way the URL ended.
        QCOMPARE(filesBelow(dir->path()), t.failure ? L() : L{"f"});
        QCOMPARE(result.failures.size(), t.failure ? 1 : 0);
        QCOMPARE(view.messages.size(), t.failure ? 1 : 0);
        QCOMPARE(result.failures.value(0).number, t.failure);
        QCOMPARE(result.failures.value(0).shownText, view.messages.value(0).text);
        QVERIFY(!t.failure ||
                view.messages[0].text.contains(QStringLiteral("Inet Error %1\r\n").arg(t.failure)));
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("ms"); // -1: not read
        const QByteArray day = "Sun, 06 Nov 1994 ";
        QTest::newRow("seconds") << QByteArray(" 120 ") << qint64(120000);
        QTest::newRow("date 90 s ahead") << QByteArray(day + "08:51:07 GMT") << qint64(90000);
        QTest::newRow("date passed") << QByteArray(day + "08:00:00 GMT") << qint64(0);
        QTest::newRow("a day capped") << QByteArray("86400") << qint64(300000);
        QTest::newRow("negative") << QByteArray("-5") << qint64(-1);
        QTest::newRow("garbage") << QByteArray("soon") << qint64(-1);
        QTest::newRow("missing") << QByteArray() << qint64(-1);
    }
    void retryAfter()
    {
        QFETCH(QByteArray, value);
        const QDateTime now(QDate(1994, 11, 6), QTime(8, 49, 37), Qt::UTC);
        QTEST(RetryPolicy::retryAfterMs(value, now).value_or(-1), "ms");
    }
};

VORNIX_TEST_MAIN(tst_DownloadBatch)
#include "tst_DownloadBatch.moc"
