#include "BatchRun.h"
#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "download/BatchFields.h"
#include "download/BatchJob.h"
#include "download/BatchMessages.h"
#include "download/FailureNumber.h"
#include "download/Reporter.h"
#include "download/RetryPolicy.h"
#include "version.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using F = FailureNumber;
using L = QStringList;
using O = BatchResult::Outcome;
using Reply = HttpFixtureServer::Reply;
using Request = HttpFixtureServer::Request;

// A front end as the window is one: the fields the job reads, boxes that hold it like modal
// ones, and the status texts the window shows. cancelOn clicks "Abbruch" on "busy" while a
// finished body is collected, on "file 2" as the second URL begins, else as a status text
// starting so appears.
struct Front final : BatchFields, Reporter
{
    QString folder, defaultFolder, prefix, cancelOn;
    const HttpFixtureServer *server = nullptr;
    BatchJob *job = nullptr;
    QStringList statusTexts, boxFaults;
    QList<Message> messages;
    int requests = 0, finished = 0; // requestStarted and finished() so far
    std::function<void()> onBox;    // done while a box is open: its window may go away
    // Per file: s started, u resuming a kept part, r a request, b bytes since, w a retry wait,
    // =x how it ended (see ends(); p: kept); every one must match `order`. Skipping ends a file
    // unrequested, or fails it when its target is no file.
    QMap<int, QString> traces;
    const QRegularExpression order{
        QRegularExpression::anchoredPattern("su?(rb?w)*(rb=s|rb?=[fp]|(rb?)?=[cp])|s=[kf]")};

    // The number of requests so far, so that each request shows when it was read.
    QString referer() const override { return QString::number(server->requests().size()); }
    QString targetFolder() const override { return folder; }
    QString defaultTargetFolder() const override { return defaultFolder; }
    QString filePrefix() const override { return prefix; }
    Answer showMessage(const Message &message) override
    {
        messages.append(message);
        const qsizetype sent = requests, shown = messages.size();
        QEventLoop reading; // someone reads it for a moment while the loop runs on
        QTimer::singleShot(20, &reading, &QEventLoop::quit);
        reading.exec();
        if (onBox)
            std::exchange(onBox, nullptr)();
        // No other box meanwhile; a request sent before the box opened may still arrive, no other.
        if (messages.size() > shown || requests > sent ||
            (server && server->requests().size() > sent))
            boxFaults << "a box or a request while a box was open: " + message.text;
        return Answer::Ok;
    }
    void setBusy(bool busy) override { cancelSoon(busy && cancelOn == "busy", 0); }
    void follow(BatchJob &batch)
    {
        job = &batch;
        const auto on = [&](auto signal, auto slot) {
            QObject::connect(&batch, signal, &batch, slot);
        };
        on(&BatchJob::fileStarted, [this](int i) {
            trace(i, "s");
            cancelSoon(cancelOn == QStringLiteral("file %1").arg(i), 20);
        });
        on(&BatchJob::resuming, [this](int i) { trace(i, "u"); });
        on(&BatchJob::requestStarted, [this](int i, const QString &url) {
            ++requests;
            trace(i, "r", "Download: " + url);
        });
        on(&BatchJob::bytesReceived, [this] {
            for (QString &t : traces)
                t += QLatin1String(t.endsWith('r') ? "b" : "");
        });
        on(&BatchJob::retryWaiting, [this](int i, const QString &url, qint64 ms, int at, int of) {
            trace(i, "w", retryWaitText((ms + 500) / 1000, at, of, url));
        });
        on(&BatchJob::fileFinished, [this](int i, const QString &url, FileEnd end) {
            trace(i, QStringLiteral("=") + "skfcp"[int(end)],
                  end == FileEnd::Cancelled ? "Abgebrochen - " + url : QString());
        });
        on(&BatchJob::finished, [this] { ++finished; });
    }
    // The event in the file's trace, and a status text unless empty.
    void trace(int index, const QString &event, const QString &text = {})
    {
        traces[index] += finished ? "!after finished()" : event;
        if (!text.isEmpty())
            statusTexts.append(text);
        cancelSoon(!cancelOn.isEmpty() && text.startsWith(cancelOn), 20);
    }
    // Arrives while the batch runs, as a click would.
    void cancelSoon(bool asked, int ms)
    {
        if (asked)
            QTimer::singleShot(ms, job, &BatchJob::cancel);
    }
    // A letter per file up to the last one begun, as in Batch::ends; '-' where none ended.
    QString ends() const
    {
        QString letters;
        for (int i = 1; !traces.isEmpty() && i <= traces.lastKey(); ++i)
            letters += traces.value(i).section('=', 1).leftJustified(1, '-', true);
        return letters;
    }
    // The signals out of order, and what the boxes saw.
    QStringList faults() const
    {
        QStringList found = boxFaults;
        if (finished != (job ? 1 : 0))
            found << QStringLiteral("finished() %1 times").arg(finished);
        for (auto it = traces.begin(); it != traces.end(); ++it)
            if (job && !order.match(*it).hasMatch()) // a job gone ends no file
                found << QStringLiteral("file %1: %2").arg(it.key()).arg(*it);
        return found;
    }
};

// A batch over `paths`: "/x..." answer 404, the rest "new"; `before` are files holding "old"
// (see occupant() for the others), `after` every file as name=content. `ends` has a letter for
// every URL begun: s saved, k skipped, f failed (a 404, or our own step where `failure` is 0,
// its text `why` if given, %1 the folder).
struct Batch
{
    QStringList paths, before, after;
    QString prefix, ends;
    BatchOptions options = {};
    qint32 failure = 404;
    O outcome = O::Completed;
    QString why = {};
};

// What lies at `path`, as Batch::before names it: "a" a file, "a>" a link to the file "old",
// "a/" a folder, "a|" anything else.
QString occupant(const QString &path)
{
    const QFileInfo info(path);
    return info.fileName() + (info.isSymLink() ? ">"
                              : info.isDir()   ? "/"
                              : info.isFile()  ? ""
                                               : "|");
}

// Twenty URLs from `url`: %1 is the fixture's host:port, § the index; f0 answers with a large
// body (503 with Retry-After: 300 for `cancelOn` "Warte"), f1 never where a cancel is asked
// for: on `cancelOn` as in Front, or "got /f1" once that request reaches the server.
// A `folder` "/..." lies inside the temporary folder; `box` is a part of the only box, none
// when empty; `waits` adds retries and a pause of minutes, which a cancel cuts short; up to
// `leeway` more requests may have gone out before a cancel arrived.
struct Twenty
{
    QString url, folder;
    O outcome;
    int requests, saved;
    QString box, proxy = {}, cancelOn = {}; // proxy: a name for "Benutzerdefiniert"
    bool waits = false;
    int leeway = 0;
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
// header, and of the `ranged` requests after it, no other having one. `failure` is shown once;
// `file` is what f holds in the end. The other numbers: the retries asked for, the requests
// made, the time scale and, unless 0, the wait the last retryWaiting announced (unscaled).
struct Tries
{
    QStringList replies;
    int retries, requests, wait, failure;
    QByteArray file, range = {};
    double timeScale = 0.01;
    qint64 lastWaitMs = 0;
    int ranged = 1;
};

// The version `tag` of the file that is `total` bytes long; two versions differ in every byte.
QByteArray version(qint64 total, qint64 tag = 0)
{
    QByteArray body = HttpFixtureServer::patternBody(total);
    for (char &c : body)
        c = static_cast<char>(c ^ (total + tag));
    return body;
}
const QByteArray large = version(5000);

// "503", "429 RA 300" (with Retry-After: 300), "200" (the body "body"), "silent" (never
// answered), or bytes `from-to` of a version (`of` its length, 5000 unless given, `tag` it,
// 0 unless given): "200 0-2000", "206 2000-5000", "200 0-11 of 100". The answer announces bytes
// up to `end` (the last of the version unless given) in Content-Length and, for a 206, in
// Content-Range; `cl` overrides the Content-Length. The connection is lost when the bytes fall
// short of it. The version's ETag comes along, unless "noval" ends the token; "chunked" ends an
// answer of unknown length cut short.
Reply replyFor(const QString &token)
{
    if (token == "silent")
        return Reply([](QTcpSocket *) {});
    QStringList words = token.split(' ');
    const bool chunked = words.removeAll("chunked") > 0, validated = words.removeAll("noval") == 0;
    const int status = words[0].toInt();
    const bool ranged = words.value(1).contains('-');
    QHash<QString, qint64> with;
    for (qsizetype i = ranged ? 2 : 1; i + 1 < words.size(); i += 2)
        with.insert(words[i], words[i + 1].toLongLong());
    Reply r(status == 200 ? "body" : "error page", status, status == 200 ? "OK" : "Failed");
    if (with.contains("RA"))
        r.headers.append({"Retry-After", QByteArray::number(with["RA"])});
    if (!ranged)
        return r;
    const qint64 from = words[1].section('-', 0, 0).toLongLong(), total = with.value("of", 5000);
    const qint64 end = with.value("end", total - 1);
    const qint64 length = with.contains("cl") ? with["cl"] : end + 1 - from;
    const qint64 tag = with.value("tag");
    QByteArray part = version(total, tag).mid(from, words[1].section('-', 1).toLongLong() - from);
    const auto n = [](qint64 v) { return QByteArray::number(v); };
    QByteArray head = "HTTP/1.1 " + n(status) + " X\r\n";
    head += chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                    : "Content-Length: " + n(length) + "\r\n";
    if (chunked) // one chunk announced for the whole version, cut short
        part.prepend(QByteArray::number(total, 16) + "\r\n");
    if (validated)
        head += "ETag: \"v" + n(total) + '-' + n(tag) + "\"\r\n";
    if (status == 206)
        head += "Content-Range: bytes " + n(from) + '-' + n(end) + '/' + n(total) + "\r\n";
    r.handler = [head, part, length, chunked](QTcpSocket *socket) {
        socket->write(head + "\r\n" + part);
        if (chunked || part.size() < length)
            socket->disconnectFromHost();
    };
    return r;
}

} // namespace

class tst_BatchJob : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<BatchJob> job;
    std::unique_ptr<Front> view;

private Q_SLOTS:
    // Past a file size limit a write then fails with EFBIG instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void init()
    {
        job.reset();
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        server->setDefaultReply(Reply("new"));
        dir = std::make_unique<QTemporaryDir>();
        view = std::make_unique<Front>();
        view->server = server.get();
        view->folder = dir->path();
        view->defaultFolder = dir->filePath("Downloads");
        job = std::make_unique<BatchJob>(*view, *view);
        view->follow(*job);
    }
    // Each batch's signals came in order and its boxes one at a time.
    void cleanup()
    {
        if (view->finished || !view->traces.isEmpty()) // a batch ran
            QCOMPARE(view->faults().join("; "), QString());
    }

    void batch_data()
    {
        QTest::addColumn<Batch>("b");
        const auto row = [](const char *name, const Batch &b) { QTest::newRow(name) << b; };
        // 81 CJK characters are 243 bytes in UTF-8.
        const QString cjk81(81, QChar(0x6F22)), a255(255, 'a'), a256(256, 'a');
        const L series{"/a", "/x1", "/b", "/x2", "/x3", "/c"}, ds{"/d/a", "/d/b"};
        const L jpgs{"/i/0.jpg", "/i/1.jpg", "/i/2.jpg"}, abcPaths{"/a", "/b", "/c"};
        const L ab{"a=new", "b=new"}, abc{"a=new", "b=new", "c=new"};
        // {retries, pauseMs, pauseJitterMs, skipExisting, collectFailures, stopAfterFailures,
        // timeScale}
        const BatchOptions collect{0, 0, 0, false, true}, stop2{0, 0, 0, false, false, 2};
        const BatchOptions stop2collected{0, 0, 0, false, true, 2}, stop3{0, 0, 0, false, false, 3};
        const BatchOptions skip{0, 0, 0, true}, pause{0, 1000, 0, false, false, 0, 0.1};
        const BatchOptions skipCollected{0, 0, 0, true, true};
        const BatchOptions jitter{0, 500, 1000, false, false, 0, 0.1};
        const O wf = O::WriteFailed, many = O::TooManyFailures;
        row("empty list", {{}, {}, {}, "p", ""});
        row("in order", {jpgs, {}, {"p_i0.jpg=new", "p_i1.jpg=new", "p_i2.jpg=new"}, "p_", "sss"});
        row("404 keeps the old file", {{"/xa", "/b"}, {"xa"}, {"b=new", "xa=old"}, "", "fs"});
        row("climbing stays inside", {{"/../../etc/passwd"}, {}, {"....etcpasswd=new"}, "", "s"});
        row("81 CJK characters", {{"/" + cjk81}, {}, {cjk81 + "=new"}, "", "s"});
        row("255-byte name", {{"/" + a255}, {}, {a255 + "=new"}, "", "s"});
        row("256-byte name, no temporary", {{"/" + a256, "/b"}, {}, {}, "", "f", {}, 0, wf});
        row("empty name", {{"/", "/b"}, {}, {}, "", "f", {}, 0, wf});
        row("name is dot dot", {{"/..", "/b"}, {}, {}, "", "f", {}, 0, wf});
        row("defaults: a 404 among three", {{"/a", "/x1", "/b"}, {}, ab, "", "sfs"});
        row("404s collected", {series, {}, abc, "", "sfsffs", collect});
        row("stop after 2 in a row", {series, {}, ab, "", "sfsff", stop2, 404, many});
        row("stop after 2, collected", {series, {}, ab, "", "sfsff", stop2collected, 404, many});
        row("stop after 3: no row that long", {series, {}, abc, "", "sfsffs", stop3});
        row("existing file skipped", {ds, {"p_da"}, {"p_da=old", "p_db=new"}, "p_", "ks", skip});
        row("no prefix: no match", {ds, {"da"}, {"da=old", "pda=new", "pdb=new"}, "p", "ss", skip});
        row("skip off: fetched again", {ds, {"p_da"}, {"p_da=new", "p_db=new"}, "p_", "ss"});
        // Skipped is a file or a link to one; anything else fails without a request.
        const L a_b{"/a", "/b"}, bNew{"b=new"};
        const QString folder = "Die Datei \"%1/a\" ist keine Datei, sondern ein Ordner.";
        const QString fifo = "Die Datei \"%1/a\" ist keine gewöhnliche Datei.";
        const O done = O::Completed;
        row("skip: symlink to a file",
            {a_b, {"a>"}, {"a=old", "b=new", "old=old"}, "", "ks", skip});
        row("skip: folder", {a_b, {"a/"}, bNew, "", "fs", skip, 0, done, folder});
        row("skip: folder, collected",
            {a_b, {"a/"}, bNew, "", "fs", skipCollected, 0, done, folder});
        row("skip: fifo", {a_b, {"a|"}, bNew, "", "fs", skip, 0, done, fifo});
        row("pause 1 s", {abcPaths, {}, abc, "", "sss", pause});
        row("pause 0.5 s and up to 1 s more", {abcPaths, {}, abc, "", "sss", jitter});
    }
    void batch()
    {
        QFETCH(Batch, b);
        QStringList urls, requested, failed;
        for (int i = 0; i < b.paths.size(); ++i) {
            urls << server->url(b.paths[i]);
            if (b.paths[i].startsWith("/x"))
                server->serveInTurn(b.paths[i].toLatin1(), {{"gone", 404, "Not Found"}});
            const QChar end = i < b.ends.size() ? b.ends[i] : QChar(u'k'); // not begun: no request
            if (end == 's' || (end == 'f' && b.why.isEmpty())) // a why comes before any request
                requested << urls[i];
            if (end == 'f')
                failed << urls[i];
        }
        const auto at = [&](const QString &name) {
            return dir->filePath(name).remove(QRegularExpression("[>/|]$"));
        };
        for (const QString &name : b.before) {
            const QString path = at(name);
            QVERIFY(name.endsWith('/')   ? QDir().mkdir(path)
                    : name.endsWith('|') ? ::mkfifo(qPrintable(path), 0600) == 0
                    : name.endsWith('>') ? writeFile(dir->filePath("old"), "old") &&
                                               QFile::link(dir->filePath("old"), path)
                                         : writeFile(path, "old"));
        }
        view->prefix = b.prefix;
        const auto result = runBatch(*job, urls, b.options);
        QVERIFY(result);
        QCOMPARE(result->outcome, b.outcome);
        QStringList written; // no partial or temporary file either
        for (const QString &name : filesBelow(dir->path()))
            written << name + '=' + readFile(dir->filePath(name));
        QCOMPARE(written, b.after);
        for (const QString &name : b.before) // still of its kind
            QCOMPARE(occupant(at(name)), name);
        QCOMPARE(view->ends(), b.ends);
        QCOMPARE(result->saved, b.ends.count('s'));
        QCOMPARE(result->skipped, b.ends.count('k'));
        QCOMPARE(server->requests().size(), requested.size());
        QCOMPARE(view->statusTexts.size(), requested.size());
        for (int i = 0; i < requested.size(); ++i) {
            QCOMPARE(QUrl::fromPercentEncoding(server->requests()[i].path()),
                     QUrl(requested[i]).adjusted(QUrl::NormalizePathSegments).path());
            QCOMPARE(view->statusTexts[i], "Download: " + requested[i]);
            // The referer is read just before each request.
            QCOMPARE(server->requests()[i].headerValues("Referer"), QList{QByteArray::number(i)});
            if (i > 0)
                QCOMPARE_GE(server->requests()[i].atMs - server->requests()[i - 1].atMs,
                            b.options.pauseMs * b.options.timeScale - 1);
        }
        const QString box = !b.why.isEmpty() ? b.why.arg(dir->path())
                            : b.failure      ? QStringLiteral("Inet Error %1\r\n").arg(b.failure)
                                             : QStringLiteral("konnte nicht gespeichert werden");
        QCOMPARE(result->failures.size(), failed.size());
        QCOMPARE(view->messages.size(), b.options.collectFailures ? 0 : failed.size());
        for (int i = 0; i < failed.size(); ++i) {
            QCOMPARE(result->failures[i].url, failed[i]);
            QCOMPARE(result->failures[i].index, int(urls.indexOf(failed[i])) + 1);
            QVERIFY(b.why.isEmpty() || result->failures[i].description == box);
            QCOMPARE(result->failures[i].number, b.failure);
            QVERIFY2(result->failures[i].shownText.contains(box), qPrintable(box));
            if (!b.options.collectFailures)
                QCOMPARE(view->messages[i].text, result->failures[i].shownText);
        }
    }

    void twentyUrls_data()
    {
        QTest::addColumn<Twenty>("t");
        const auto row = [](const char *name, const Twenty &t) { QTest::newRow(name) << t; };
        const QString ok = "http://%1/f§", folder = "vollständigen Ordner";
        const QString e71 = "Error 35771\r\n", e72 = "Error 35772\r\n";
        const O refused = O::RequestRefused, cancelled = O::Cancelled, wf = O::WriteFailed;
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
        // A missing folder the user typed is not made.
        row("typed not made", {ok, "/typed", wf, 1, 0, "/typed/f0\" konnte nicht gespeichert"});
        row("cancel while the second transfer runs", {ok, "/", cancelled, 2, 1, "", "", "got /f1"});
        // The collection runs to its end first: the body is saved, the next request may be out.
        row("cancel while collecting", {ok, "/", cancelled, 1, 1, "", "", "busy", false, 1});
        row("cancel during the retry wait", {ok, "/", cancelled, 1, 0, "", "", "Warte", true});
        row("cancel during the pause", {ok, "/", cancelled, 1, 1, "", "", "file 2", true});
    }
    void twentyUrls()
    {
        QFETCH(Twenty, t);
        const QByteArray body = HttpFixtureServer::patternBody(30000); // three chunks
        server->serveInTurn("/f0", {t.cancelOn == "Warte" ? replyFor("503 RA 300") : Reply(body)});
        const Reply never([&](QTcpSocket *) { view->cancelSoon(t.cancelOn == "got /f1", 0); });
        if (!t.cancelOn.isEmpty())
            server->serveInTurn("/f1", {never});
        view->cancelOn = t.cancelOn;
        const QString url = QString(t.url).replace("%1", server->hostPort());
        QStringList urls;
        for (int i = 0; i < 20; ++i)
            urls << QString(url).replace("§", QString::number(i));
        view->folder = t.folder.startsWith('/') ? dir->path() + t.folder : t.folder;
        const bool existed = QFileInfo::exists(view->folder);
        BatchOptions options{t.waits ? 2 : 0, t.waits ? BatchOptions::kMaxPauseMs : 0};
        if (!t.proxy.isEmpty())
            options.transfer.accessType = AccessType::NamedProxy;
        options.transfer.proxy = t.proxy;
        const QDeadlineTimer deadline(10000); // the waits are in real time
        const auto result = runBatch(*job, urls, options);
        QVERIFY(result);
        QCOMPARE(result->outcome, t.outcome);
        QVERIFY2(!deadline.hasExpired(), qPrintable(QString::number(deadline.remainingTime())));
        QCOMPARE_GE(server->requests().size(), t.requests);
        QCOMPARE_LE(server->requests().size(), t.requests + t.leeway);
        QCOMPARE(view->messages.size(), t.box.isEmpty() ? 0 : 1);
        QVERIFY2(view->messages.value(0).text.contains(t.box),
                 qPrintable(view->messages.value(0).text));
        QCOMPARE(filesBelow(dir->path()).size(), t.saved);
        QCOMPARE(readFile(QDir(view->folder).filePath("f0")), t.saved ? body : "<missing>");
        // Only the offered default is ever made.
        QCOMPARE(QFileInfo::exists(view->folder), existed || view->folder == view->defaultFolder);
        if (t.outcome == O::Cancelled) {
            // The file begun last is told cancelled, unless the cancel came between two files.
            const bool between = view->ends().size() == t.saved && t.leeway > 0;
            QCOMPARE(view->ends().size(), between ? t.saved : t.saved + 1);
            QCOMPARE(view->statusTexts.last(), between ? QString("Download: " + urls[t.saved - 1])
                                                       : QString("Abgebrochen - " + urls[t.saved]));
        }
    }

    void spilled_data()
    {
        QTest::addColumn<Spill>("s");
        const auto row = [](const char *name, const Spill &s) { QTest::newRow(name) << s; };
        const QString cut = "Inet Error 35796";
        const auto why = [](int error) -> QString {
            return "fixed\" konnte nicht gespeichert werden.\r\nGrund: " +
                   QString::fromLocal8Bit(std::strerror(error));
        };
        row("Content-Length over the limit", {"/fixed", ""});
        row("Content-Length beyond the body", {"/cut", "", cut});
        row("cancelled", {"/slow", "cancel mid-body", "", O::Cancelled});
        row("connection lost", {"/slow", "server gone mid-body", cut});
        row("folder changed to another file system", {"/slow", "other file system mid-body"});
        // The part file goes from wherever the folder now lies.
        row("folder renamed", {"/slow", "renamed mid-body",
                               QString::fromLocal8Bit(std::strerror(ENOENT)), O::WriteFailed});
        // An answer never fills the disk: too large for the space left, or endless.
        row("larger than the space left",
            {"/fixed", "64 KiB file system", "Grund: Im Ordner \"", O::WriteFailed});
        row("unknown length on a small file system",
            {"/endless", "64 KiB file system",
             "frei; eine Datei unbekannter Größe wurde angehalten", O::WriteFailed});
        row("file size limit", {"/fixed", "100 KiB file size limit", why(EFBIG), O::WriteFailed});
    }
    void spilled()
    {
        QFETCH(Spill, s);
        QTemporaryDir small, other("/dev/shm/vornix-XXXXXX");
        const auto unmount = qScopeGuard([&] { ::umount2(qPrintable(small.path()), MNT_DETACH); });
        if (s.twist == "64 KiB file system") {
            if (::mount("tmpfs", qPrintable(small.path()), "tmpfs", 0, "size=64k") != 0)
                QSKIP(qPrintable("no tmpfs can be mounted here: " + qt_error_string(errno)));
            view->folder = small.path();
        }
        if (s.twist.startsWith("other file system") &&
            (!other.isValid() ||
             QStorageInfo(other.path()).rootPath() == QStorageInfo(view->folder).rootPath()))
            QSKIP("/dev/shm is no other file system here");
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const auto restore = qScopeGuard([saved = limit] { ::setrlimit(RLIMIT_FSIZE, &saved); });
        const QByteArray body = HttpFixtureServer::patternBody(256 * 1024);
        server->serve("/fixed", body);
        server->serveCutMidBody("/cut", body, 40000, true);
        server->serveTrickle("/slow", body, 8192, 10);
        auto endless = std::make_shared<HttpFixtureServer::Resource>(body, "");
        endless->chunked = true;
        server->serveResource("/endless", endless);
        const QString name = s.path.mid(1), home = view->folder;
        QVERIFY(writeFile(QDir(home).filePath(name), "old"));
        limit.rlim_cur = s.twist == "100 KiB file size limit" ? 100 * 1024 : limit.rlim_cur;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        BatchOptions options;
        options.transfer.memoryLimit = 16 * 1024;
        bool partSeen = false;
        connect(job.get(), &BatchJob::bytesReceived, this, [&](qint64 received) {
            partSeen = partSeen || filesBelow(view->folder).size() == 2;
            if (received == 0 || !s.twist.endsWith("mid-body"))
                return;
            if (s.twist.startsWith("cancel"))
                view->cancelSoon(true, 0);
            else if (s.twist.startsWith("server gone")) {
                server.reset();
                view->server = nullptr;
            } else if (s.twist.startsWith("renamed"))
                QVERIFY(QDir().rename(home, home + "-moved"));
            else
                view->folder = other.path();
            s.twist.clear();
        });
        const auto putBack = qScopeGuard([&] { QDir().rename(home + "-moved", home); });
        const auto result = runBatch(*job, {server->url(s.path)}, options);
        QVERIFY(result);
        QDir().rename(home + "-moved", home); // its old place, to look at it there
        QCOMPARE(result->outcome, s.outcome);
        const bool moved = view->folder != home;
        QVERIFY(partSeen || !s.box.isEmpty()); // kept in the target folder while it arrived
        QCOMPARE(filesBelow(home), L{name});   // no part file left
        const bool saved = s.outcome == O::Completed && s.box.isEmpty();
        QCOMPARE(readFile(QDir(home).filePath(name)), saved && !moved ? body : "old");
        QCOMPARE(filesBelow(other.path()), moved ? L{name} : L());
        QCOMPARE(readFile(QDir(other.path()).filePath(name)), moved ? body : "<missing>");
        QCOMPARE(view->messages.size(), s.box.isEmpty() ? 0 : 1);
        QVERIFY2(view->messages.value(0).text.contains(s.box),
                 qPrintable(view->messages.value(0).text));
    }

    void retries_data()
    {
        QTest::addColumn<Tries>("t");
        const auto row = [](const char *name, const Tries &t) { QTest::newRow(name) << t; };
        const QByteArray none = "<missing>", rest = "bytes=2000-";
        const QString cut = "200 0-2000"; // 2000 of 5000 bytes
        row("503 twice then 200", {{"503", "503", "200"}, 3, 3, 1, 0, "body"});
        row("Retry-After: 2 honoured", {{"503 RA 2", "200"}, 1, 2, 2, 0, "body", {}, 0.1});
        row("Retry-After capped at 5 min",
            {{"429 RA 86400", "200"}, 1, 2, 300, 0, "body", {}, 1e-3});
        row("body cut short, then whole", {{"200 0-11 of 100", "200"}, 2, 2, 1, 0, "body"});
        row("503 to the end: one message", {{"503"}, 2, 3, 1, 503, none});
        row("404 not tried again", {{"404"}, 3, 1, 0, 404, none});
        row("no retries by default", {{"503", "200"}, 0, 1, 0, 503, none, {}, 1.0});
        // A large body cut after 2000 of 5000 bytes is kept for the second try.
        row("range honoured: the rest", {{cut, "206 2000-5000"}, 1, 2, 1, 0, large, rest});
        row("no range support: whole", {{cut, "200 0-5000"}, 1, 2, 1, 0, large, rest});
        row("other range", {{cut, "206 1000-5000", "200 0-5000"}, 1, 3, 1, 0, large, rest});
        const QByteArray v6000 = version(6000);
        const int lost = numberOf(F::ConnectionAborted);
        const QString other = "206 2000-6000 of 6000", shortEnd = "206 2000-4000 end 3999";
        row("cut on the last try", {{cut, "206 2000-3000"}, 1, 2, 1, lost, none, rest});
        row("206 of another version: the new one whole",
            {{cut, other, "200 0-6000 of 6000"}, 1, 3, 1, 0, v6000, rest});
        row("206 short of the end: whole", {{cut, shortEnd, "200"}, 1, 3, 1, 0, "body", rest});
        row("503 to the rest: still the rest",
            {{cut, "503", "206 2000-5000"}, 2, 3, 1, 0, large, rest, 0.01, 0, 2});
        row("206 ending past any length: whole",
            {{cut, "206 2000-5000 end 9223372036854775807 cl 3000", "200 0-5000"},
             1,
             3,
             1,
             0,
             large,
             rest});
        // Without a range asked for, a 206 is the file only when it holds all of it.
        row("206 of all of it", {{"206 0-5000"}, 0, 1, 0, 0, large});
        row("206 of a part",
            {{"206 100-200 end 199"}, 1, 1, 0, numberOf(F::InvalidServerResponse), none});
        row("206 with less than its range",
            {{cut, "206 2000-3000 cl 1000"}, 1, 2, 1, lost, none, rest});
        row("time-out, then 200", {{"silent", "200"}, 1, 2, 1, 0, "body"});
        // The rest of another version must never be glued to the start of this one.
        row("no validator: whole again", {{cut + " noval", "200 0-5000"}, 1, 2, 1, 0, large});
        row("unknown length: whole again",
            {{"200 0-2000 chunked", "200 0-5000"}, 1, 2, 1, 0, large});
        const QString tagged = "206 2000-5000 tag 1", taggedWhole = "200 0-5000 tag 1";
        row("206 with another ETag: the new one whole",
            {{cut, tagged, taggedWhole}, 1, 3, 1, 0, version(5000, 1), rest});
        row("503s wait at most a minute",
            {{"503"}, 10, 11, 1, 503, none, {}, 1e-3, RetryPolicy::kMaxBackoffMs});
    }
    void retries()
    {
        QFETCH(Tries, t);
        QList<Reply> turns;
        for (const QString &token : t.replies)
            turns << replyFor(token);
        server->serveInTurn("/f", turns);
        const QString url = server->url("/f");
        BatchOptions options{t.retries, 0, 0, false, false, 0, t.timeScale};
        options.transfer.memoryLimit = 1000;
        options.transfer.idleTimeoutMs = t.replies.contains("silent") ? 500 : 0;
        QList<qint64> waits;
        connect(job.get(), &BatchJob::retryWaiting, this,
                [&](int, const QString &, qint64 ms) { waits << ms; });
        const auto result = runBatch(*job, {url}, options);
        QVERIFY(result);
        QCOMPARE(server->requests().size(), t.requests);
        if (t.lastWaitMs)
            QCOMPARE(waits.value(waits.size() - 1), t.lastWaitMs);
        for (int i = 0; i < t.requests; ++i) {
            const Request &request = server->requests()[i];
            const bool ranged = i >= 1 && i <= t.ranged && !t.range.isEmpty();
            QCOMPARE(request.headerValues("Range").join(','), ranged ? t.range : "");
            // The rest only of the version whose start is kept.
            QCOMPARE(request.headerValues("If-Range").join(','), ranged ? "\"v5000-0\"" : "");
        }
        if (t.wait) {
            const QString text = QStringLiteral("Warte %1 s vor Versuch 2 von %2: %3");
            QCOMPARE(view->statusTexts.value(1), text.arg(t.wait).arg(t.retries + 1).arg(url));
            QCOMPARE_GE(server->requests()[1].atMs - server->requests()[0].atMs,
                        t.wait * 1000 * t.timeScale - 1);
        }
        QCOMPARE(result->saved, t.failure ? 0 : 1);
        QCOMPARE(readFile(dir->filePath("f")), t.file);
        // A part kept for the next try is gone, whichever way the URL ended.
        QCOMPARE(filesBelow(dir->path()), t.failure ? L() : L{"f"});
        QCOMPARE(result->failures.size(), t.failure ? 1 : 0);
        QCOMPARE(view->messages.size(), t.failure ? 1 : 0);
        QCOMPARE(result->failures.value(0).number, t.failure);
        QCOMPARE(result->failures.value(0).shownText, view->messages.value(0).text);
        QVERIFY(!t.failure || view->messages[0].text.contains(
                                  QStringLiteral("Inet Error %1\r\n").arg(t.failure)));
    }

    // A batch cancelled 100000 bytes into a body keeps them when asked to; the next asks only
    // for the rest of that version, and the file is always the version now served ("b..."
    // changes it), whole.
    void resume_data()
    {
        QTest::addColumn<QString>("change"); // between the two batches
        QTest::addColumn<bool>("kept");      // the first batch kept its part
        QTest::addColumn<QString>("range");  // of the second batch's first request
        QTest::addColumn<int>("requests");   // of the second batch
        const QString rest = "bytes=100000-";
        QTest::newRow("unchanged: only the rest") << "" << true << rest << 1;
        QTest::newRow("Last-Modified only") << "dated" << true << rest << 1;
        QTest::newRow("changed, If-Range honoured") << "b" << true << rest << 1;
        QTest::newRow("changed, If-Range ignored") << "b ignored" << true << rest << 2;
        QTest::newRow("redirected elsewhere") << "b elsewhere" << true << rest << 4;
        QTest::newRow("redirected to a newly signed address") << "signed" << true << rest << 2;
        QTest::newRow("cancelled again before the answer") << "unanswered" << true << rest << 1;
        QTest::newRow("no range support") << "no ranges" << true << rest << 1;
        QTest::newRow("no validator") << "no etag" << false << "" << 1;
        QTest::newRow("unknown length") << "chunked" << false << "" << 1;
        QTest::newRow("torn record") << "torn" << true << "" << 1;
        QTest::newRow("kept parts discarded") << "discard" << true << "" << 1;
        QTest::newRow("off, as by default") << "off" << false << "" << 1;
    }
    void resume()
    {
        QFETCH(QString, change);
        QFETCH(bool, kept);
        QFETCH(QString, range);
        QFETCH(int, requests);
        const QByteArray a = version(256 * 1024), b = version(256 * 1024, 1);
        auto file = std::make_shared<HttpFixtureServer::Resource>(a, "\"a\"");
        file->lastModified = change == "dated" ? "Mon, 07 Dec 2026 10:00:00 GMT" : "";
        if (change == "dated" || change == "no etag")
            file->etag.clear();
        file->chunked = change == "chunked";
        file->stallAfter = 100000;
        auto hop = std::make_shared<HttpFixtureServer::Resource>("", "");
        hop->redirect = "/g?sig=1";
        server->serveResource("/f", change == "signed" ? hop : file);
        for (const QByteArray signature : {"1", "2"})
            server->serveResource("/g?sig=" + signature, file);
        BatchOptions options;
        options.transfer.memoryLimit = 1000;
        options.resume = change == "off" ? BatchOptions::Resume::Off : BatchOptions::Resume::On;
        QSignalSpy finished(job.get(), &BatchJob::finished);
        job->start({server->url("/f")}, options);
        QTRY_COMPARE(QFileInfo(dir->filePath(filesBelow(dir->path()).value(0))).size(), 100000);
        job->cancel();
        QVERIFY(finished.size() == 1 || finished.wait());
        const auto first = finished.at(0).at(0).value<BatchResult>();
        QCOMPARE(filesBelow(dir->path()), kept ? L{".f.vornix-part"} : L());
        QCOMPARE(batchSummary(first, 1, 0),
                 QString::fromUtf8(
                     kept ? "0 von 1 gespeichert, 1 unvollständig (fortsetzbar), abgebrochen"
                          : "0 von 1 gespeichert, 1 nicht versucht, abgebrochen"));
        QCOMPARE(view->faults().join("; "), QString());
        view->traces.clear();
        view->finished = 0;

        file->stallAfter = -1;
        if (change.startsWith("b"))
            *file = HttpFixtureServer::Resource(b, "\"b\"");
        file->ifRange = !change.contains("ignored");
        if (change == "b elsewhere") {
            // Another file of the same length that claims the same version.
            server->serveResource("/g", std::make_shared<HttpFixtureServer::Resource>(b, "\"a\""));
            file->redirect = "/g";
        }
        file->ranges = change != "no ranges";
        hop->redirect = "/g?sig=2";
        if (change == "unanswered") {
            file->answerOnce = -1;
            connect(server.get(), &HttpFixtureServer::requestReceived, job.get(), &BatchJob::cancel,
                    Qt::SingleShotConnection);
            QVERIFY(runBatch(*job, {server->url("/f")}, options));
            QCOMPARE(filesBelow(dir->path()), L{".f.vornix-part"});
            view->traces.clear();
            view->finished = 0;
        }
        if (change == "torn")
            QVERIFY(::truncate(qPrintable(dir->filePath(".f.vornix-part")), 100010) == 0);
        options.resume = change == "discard" ? BatchOptions::Resume::Discard : options.resume;
        const qsizetype before = server->requests().size();
        const auto second = runBatch(*job, {server->url("/f")}, options);
        QVERIFY(second);
        QCOMPARE(server->requests().size() - before, requests);
        const Request &asked = server->requests()[before];
        QCOMPARE(QString::fromLatin1(asked.headerValues("Range").join(',')), range);
        const QByteArray validator = change == "dated" ? file->lastModified : "\"a\"";
        QCOMPARE(asked.headerValues("If-Range").join(','),
                 range.isEmpty() ? QByteArray() : validator);
        QCOMPARE(second->saved, 1);
        QVERIFY(readFile(dir->filePath("f")) == (change.startsWith("b") ? b : a));
        QCOMPARE(filesBelow(dir->path()), L{"f"});
    }

    // The request as a browser would make it: the user agent, further headers, and cookies
    // where libcurl's engine lets them go, only from a file the user gave. `setting`:
    // "agent", "headers", "cookies" (a file), "secure" (a file with a secure cookie, over
    // http and then https), "set" (a server cookie, then a second batch), "unreadable".
    void browserLike_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("sent"); // per request: the headers named, as name=value
        const QString agent = "User-Agent=Vornix-Downloader/" VORNIX_VERSION_STRING;
        QTest::newRow("default agent") << "" << QStringList{agent + "|Cookie="};
        QTest::newRow("agent") << "agent" << QStringList{"User-Agent=Mozilla/5.0 (Test)"};
        QTest::newRow("headers") << "headers"
                                 << QStringList{"Accept=image/*|Authorization=Bearer x|" + agent};
        QTest::newRow("cookie for its host and path only")
            << "cookies" << QStringList{"Cookie=pic=1", "Cookie=", "Cookie=pic=1"};
        QTest::newRow("secure cookie only over https")
            << "secure" << QStringList{"Cookie=", "Cookie=s=1"};
        QTest::newRow("a server's cookie for this batch only")
            << "set" << QStringList{"Cookie=", "Cookie=fresh=1", "Cookie="};
        QTest::newRow("unreadable cookie file") << "unreadable" << QStringList{};
    }
    void browserLike()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, sent);
        HttpFixtureServer secure;
        QVERIFY(secure.listenTls());
        secure.setDefaultReply(Reply("x"));
        Reply fresh("x");
        fresh.headers.append({QByteArray("Set-Cookie"), QByteArray("fresh=1; Path=/")});
        server->serveInTurn("/set", {fresh, {"x"}});
        // Domain, subdomains, path, secure, expiry, name, value. libcurl counts 127.0.0.1 as a
        // secure place, so plain http goes to a named host, through the fixture as a proxy.
        const QString cookies = dir->filePath("cookies.txt");
        QVERIFY(writeFile(cookies, "127.0.0.1\tFALSE\t/pics\tFALSE\t0\tpic\t1\n"
                                   "other.example\tFALSE\t/\tFALSE\t0\tx\t3\n"
                                   "named.example\tFALSE\t/\tTRUE\t0\ts\t1\n"
                                   "127.0.0.1\tFALSE\t/s\tTRUE\t0\ts\t1\n"));
        BatchOptions options;
        options.transfer.caFile = HttpFixtureServer::caFile();
        options.transfer.userAgent = setting == "agent" ? QStringLiteral("Mozilla/5.0 (Test)") : "";
        if (setting == "headers")
            options.transfer.headers = {{"Accept", "image/*"}, {"Authorization", "Bearer x"}};
        if (setting != "" && setting != "agent" && setting != "headers")
            options.transfer.cookieFile = setting == "unreadable" ? dir->filePath("none") : cookies;
        QStringList urls{server->url("/pics/a")};
        if (setting == "cookies")
            urls << server->url("/other") << server->url("/pics/b");
        if (setting == "set")
            urls = {server->url("/set"), server->url("/set")};
        if (setting == "secure") {
            BatchOptions viaProxy = options;
            viaProxy.transfer.accessType = AccessType::NamedProxy;
            viaProxy.transfer.proxy = server->hostPort();
            QVERIFY(runBatch(*job, {"http://named.example/s"}, viaProxy));
            urls = {secure.url("/s")};
        }
        view->traces.clear();
        view->finished = 0;
        QVERIFY(runBatch(*job, urls, options));
        if (setting == "set") {
            view->traces.clear();
            view->finished = 0;
            QVERIFY(runBatch(*job, {server->url("/set")}, options));
        }
        QList<Request> requests = server->requests() + secure.requests();
        QCOMPARE(requests.size(), sent.size());
        for (qsizetype i = 0; i < sent.size(); ++i)
            for (const QString &header : sent[i].split('|')) {
                const QByteArray name = header.section('=', 0, 0).toLatin1();
                QCOMPARE(QString::fromUtf8(requests[i].headerValues(name).join(',')),
                         header.section('=', 1));
            }
        QCOMPARE(view->messages.size(), setting == "unreadable" ? 1 : 0);
        QVERIFY(view->messages.value(0).text.startsWith(
            setting == "unreadable" ? "Die Cookie-Datei \"" + dir->filePath("none") : QString()));
    }
    // At 1 KiB/s, 4 KiB take at least 3 s past the first quarter second's worth: for one
    // transfer, and for two side by side with 2 KiB each, since the limit is the batch's.
    void speedLimit_data()
    {
        QTest::addColumn<int>("parallel");
        QTest::newRow("one transfer") << 1;
        QTest::newRow("two side by side") << 2;
    }
    void speedLimit()
    {
        QFETCH(int, parallel);
        const QByteArray body = HttpFixtureServer::patternBody(4 * 1024 / parallel);
        server->serve("/a", body);
        server->serve("/b", parallel == 1 ? QByteArray("b") : body);
        BatchOptions options;
        options.parallel = parallel;
        options.transfer.maxBytesPerSecond = 1024;
        options.transfer.idleTimeoutMs = 500; // shorter than the limit's pauses: no silence
        QElapsedTimer clock;
        clock.start();
        const auto result = runBatch(*job, {server->url("/a"), server->url("/b")}, options);
        QVERIFY(result);
        QCOMPARE(result->saved, 2);
        QCOMPARE(server->requests().size(), 2);
        QCOMPARE_GE(clock.elapsed(), 3000);
    }

    // Twelve URLs, 4 transfers, and the fixture holds its answers until 4 requests wait. `ends`
    // has a letter per URL: s a body of its own size (the larger ones spill), f a 404, shown in
    // a box of its own that holds the batch.
    void parallel_data()
    {
        QTest::addColumn<QString>("ends");
        QTest::addColumn<int>("pauseMs"); // 0: the fixture holds its answers until 4 wait
        QTest::newRow("12 URLs") << "ssssssssssss" << 0;
        QTest::newRow("404s among them") << "sfssssffssss" << 0;
        // The second request's pause ends while the 404's box is open: it waits for the box.
        QTest::newRow("a pause ending under a box") << "fs" << 10;
    }
    void parallel()
    {
        QFETCH(QString, ends);
        QFETCH(int, pauseMs);
        server->setDefaultReply({"gone", 404, "Not Found"});
        QStringList urls, failed;
        for (int i = 0; i < ends.size(); ++i) {
            const QString name = ends[i] + QString::number(i);
            urls << server->url('/' + name);
            if (ends[i] == 'f')
                failed << urls.last();
            else
                server->serve('/' + name.toLatin1(), HttpFixtureServer::patternBody(i * 5000 + 1));
        }
        if (pauseMs == 0)
            server->holdAnswersUntilInFlight(4, ends.size());
        BatchOptions options{0, pauseMs, 0, false, false, 0, 1, 4}; // four transfers
        options.transfer.memoryLimit = 20000;
        const auto result = runBatch(*job, urls, options);
        if (pauseMs == 0)
            QCOMPARE(server->maxInFlight, 4); // else the batch hangs
        QVERIFY(result);
        QCOMPARE(result->outcome, O::Completed);
        QCOMPARE_LE(server->maxOpenConnections, 4);
        QCOMPARE(server->requests().size(), ends.size());
        QCOMPARE(filesBelow(dir->path()).size(), ends.count('s')); // no part file left
        for (int i = 0; i < ends.size(); ++i)
            QCOMPARE(readFile(dir->filePath(ends[i] + QString::number(i))),
                     ends[i] == 's' ? HttpFixtureServer::patternBody(i * 5000 + 1) : "<missing>");
        QCOMPARE(view->ends(), ends);
        QStringList failures; // in the order the transfers ended
        for (const BatchFailure &failure : result->failures)
            failures << failure.url;
        failures.sort();
        QCOMPARE(failures, failed);
        QCOMPARE(view->messages.size(), failed.size());
        // Each box tells its URL: the status line names the latest request instead.
        for (int i = 0; i < result->failures.size(); ++i)
            QCOMPARE(view->messages[i].url, result->failures[i].url);
    }

    void busyHostHeldBack()
    {
        // "/a" is answered only once the batch has heard of the 503, so the other transfer's
        // next request meets a held host.
        server->serveInTurn("/busy", {replyFor("503 RA 2"), Reply("body")});
        bool heard = false;
        const QByteArray a = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na";
        QPointer<QTcpSocket> parked;
        server->serveInTurn("/a", {Reply([&](QTcpSocket *socket) {
                                if (heard)
                                    socket->write(a);
                                else
                                    parked = socket;
                            })});
        connect(job.get(), &BatchJob::retryWaiting, this, [&] {
            heard = true;
            if (parked)
                parked->write(a);
        });
        const BatchOptions options{1, 0, 0, false, false, 0, 0.1, 2}; // two transfers
        const QStringList urls{server->url("/busy"), server->url("/a"), server->url("/b"),
                               server->url("/c"), server->url("/d")};
        const auto result = runBatch(*job, urls, options);
        QVERIFY(result);
        QCOMPARE(result->saved, 5);
        QCOMPARE(view->statusTexts.filter("Warte"), L{"Warte 2 s vor Versuch 2 von 2: " + urls[0]});
        const QList<HttpFixtureServer::Request> &requests = server->requests();
        QCOMPARE(requests.size(), 6);
        // "/busy" and "/a" go out first; every later request waits the 2 s, scaled by 0.1, after
        // the 503.
        const qint64 busyAt = requests[requests[0].path() == "/busy" ? 0 : 1].atMs;
        for (qsizetype i = 2; i < requests.size(); ++i)
            QCOMPARE_GE(requests[i].atMs, busyAt + 200 - 1);
    }

    // The window closed while a box is open: the job goes with it, and the transfer beside it
    // leaves nothing behind.
    void goneWhileBoxOpen()
    {
        server->serveTrickle("/slow", HttpFixtureServer::patternBody(256 * 1024), 8192, 10);
        server->serveInTurn("/x", {Reply("gone", 404, "Not Found")});
        BatchOptions options{0, 0, 0, false, false, 0, 1.0, 2};
        options.transfer.memoryLimit = 16 * 1024;
        bool gone = false, partSeen = false;
        view->onBox = [&] {
            partSeen = QTest::qWaitFor([&] { return filesBelow(dir->path()).size() == 1; });
            job.reset();
            view->job = nullptr;
            gone = true;
        };
        job->start({server->url("/slow"), server->url("/x")}, options);
        QTRY_VERIFY_WITH_TIMEOUT(gone, 60000);
        QVERIFY(partSeen);
        QCOMPARE(view->messages.size(), 1);
        QCOMPARE(filesBelow(dir->path()), L());
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("ms"); // -1: not read
        const QByteArray day = "Sun, 06 Nov 1994 ";
        QTest::newRow("seconds") << QByteArray(" 120 ") << qint64(120000);
        QTest::newRow("date 90 s ahead") << QByteArray(day + "08:51:07 GMT") << qint64(90000);
        QTest::newRow("date passed") << QByteArray(day + "08:00:00 GMT") << qint64(0);
        QTest::newRow("RFC 850 date")
            << QByteArray("Sunday, 06-Nov-94 08:51:07 GMT") << qint64(90000);
        QTest::newRow("asctime date") << QByteArray("Sun Nov  6 08:51:07 1994") << qint64(90000);
        QTest::newRow("beyond 64 bits capped")
            << QByteArray("100000000000000000000") << qint64(300000);
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

VORNIX_TEST_MAIN(tst_BatchJob)
#include "tst_BatchJob.moc"
