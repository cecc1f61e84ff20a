#include "HttpFixtureServer.h"
#include "RecordingReporter.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "download/FailureNumber.h"
#include "download/clsInet.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

using F = FailureNumber;

static bool oneBox(const RecordingReporter &recorder, const QString &title, const QString &pattern)
{
    const QRegularExpression text(QRegularExpression::anchoredPattern(pattern));
    const Message box = recorder.boxes.value(0);
    return recorder.boxes.size() == 1 && box.title == title && text.match(box.text).hasMatch();
}

// One request: `type` is an AccessType (or none) and `proxy` its proxy name ("*": the server
// itself), with the refusal due; `env` is "name=value" put into the environment, {url} in it the
// server's URL.
struct Request
{
    QString path, referer;
    int size;
    bool spilled;     // over the 64 KiB memory limit of these rows
    QString box = {}; // the state-11 box's pattern; none when empty
    int type = 0, refusal = 0;
    QString proxy = {}, env = {};
};

class tst_clsInet final : public QObject
{
    Q_OBJECT
    std::optional<HttpFixtureServer> server;
    std::optional<QTemporaryDir> folder; // where large bodies spill
    std::optional<RecordingReporter> recorder;
    std::unique_ptr<clsInet> w;

    // Part files are named after the document, ".fixed.part-" and a random ending.
    QStringList partFiles() const
    {
        return filesBelow(folder->path()).replaceInStrings(QRegularExpression("-.*"), "-");
    }
    // Large bodies spill into `folder`.
    TransferSettings settings(qint64 memoryLimit) const
    {
        TransferSettings s;
        s.spillFolder = folder->path();
        s.memoryLimit = memoryLimit;
        return s;
    }
    bool fetch(const QString &path, const QString &referer = {}, const TransferSettings &with = {})
    {
        w->RequestFile(server->url(path), referer, with);
        return QTest::qWaitFor([&] { return w->DownloadStatus != TransferStatus::Outstanding; },
                               20000);
    }

private Q_SLOTS:
    void init()
    {
        // A developer's own proxy would take the requests; the proxy rows set their own.
        for (const char *name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"})
            qunsetenv(name);
        QVERIFY(server.emplace().listen());
        folder.emplace();
        w = std::make_unique<clsInet>(recorder.emplace());
    }
    void cleanup() { w.reset(); }

    void request_data()
    {
        QTest::addColumn<Request>("row");
        const int limit = 64 * 1024;
        const auto row = [](const char *name, const Request &r) { QTest::newRow(name) << r; };
        row("empty body, empty referer", {"/fixed", "", 0, false});
        row("one chunk", {"/fixed", "http://e.com/a b?x=1&y=ä", 10240, false});
        row("one chunk and a byte", {"/fixed", " padded ", 10241, false});
        row("just under the limit", {"/fixed", "r", limit - 1, false});
        row("at the limit", {"/fixed", "r", limit, false});
        row("just over the limit", {"/fixed", "r", limit + 1, true});
        row("chunked at the limit", {"/chunked", "r", limit, false});
        row("chunked over the limit", {"/chunked", "r", limit + 1, true});
        row("trickled over the limit", {"/slow", "r", 3 * limit, true});
        row("404", {"/nothing", "r", 10, false,
                    "icError in StateChanged 0\r\n\r\nInet Error 404\r\nHTTP/1.1 404 Not Found"});
        // Four bytes through a connection of its own.
        const auto via = [&](const char *name, int type, int refusal, const QString &proxy,
                             const QString &env, const QString &referer = "r") {
            row(name, {"/fixed", referer, 4, false, "", type, refusal, proxy, env});
        };
        via("0 follows http_proxy", 0, 0, "", "http_proxy={url}");
        via("1 ignores http_proxy", 1, 0, "", "http_proxy={url}");
        via("2 despite no_proxy=127.0.0.1", 2, 0, "*", "no_proxy=127.0.0.1");
        via("2 despite NO_PROXY=*", 2, 0, "*", "NO_PROXY=*");
        via("2 without a name", 2, numberOf(F::NoProxy), "", "");
        via("unknown access type", 7, 380, "", "");
        via("line break in referer", 0, numberOf(F::InvalidArgument), "", "", "a\nHost: x");
    }
    void request()
    {
        QFETCH(Request, row);
        const auto &[path, referer, size, spilled, box, type, refusal, proxy, env] = row;
        const QByteArray body = HttpFixtureServer::patternBody(size);
        server->serve("/fixed", body);
        auto chunked = std::make_shared<HttpFixtureServer::Resource>(body, QByteArray());
        chunked->chunked = true; // no length told
        server->serveResource("/chunked", chunked);
        server->serveTrickle("/slow", body, 8192, 20);
        if (!env.isEmpty())
            qputenv(env.section(u'=', 0, 0).toLatin1(),
                    QString(env.section(u'=', 1)).replace("{url}", server->url("")).toLatin1());
        TransferSettings s = settings(64 * 1024);
        s.accessType = AccessType(type);
        s.proxy = proxy == "*" ? server->hostPort() : proxy;
        QSignalSpy progress(w.get(), &clsInet::Progress);
        QVERIFY(fetch(path, referer, s)); // mended: a refusal ends the wait
        QCOMPARE(server->requests().size(), refusal ? 0 : 1);
        if (refusal) {
            const QString text = "Error %1\r\n.+\r\nInet Error 0\r\n.*\r\n%2";
            QVERIFY(oneBox(*recorder, "Vornix-Downloader",
                           text.arg(refusal).arg(clsInet::InetErrDescription(refusal))));
            QCOMPARE(w->DownloadStatus, TransferStatus::Failed);
            return;
        }
        // As a proxy the server gets the whole URL as the target.
        const bool proxied = type == 2 || (type == 0 && env.startsWith("http_proxy"));
        QCOMPARE(server->requests()[0].target, (proxied ? server->url(path) : path).toLatin1());
        const bool ok = box.isEmpty();
        QCOMPARE(w->DownloadStatus, ok ? TransferStatus::Complete : TransferStatus::Failed);
        QCOMPARE(w->InetState, qint16(ok ? 12 : 11)); // public: the last state reported
        QCOMPARE(w->DataBinary(), ok ? body : QByteArray());
        QVERIFY(!recorder->busy);
        QCOMPARE(server->requests().first().headerValues("Referer"),
                 QList<QByteArray>{referer.trimmed().toUtf8()});
        QVERIFY(ok ? recorder->boxes.isEmpty() : oneBox(*recorder, "Fehler", box));
        // Spilled: kept as a hidden part file in the folder until saved or released.
        QCOMPARE(partFiles(), spilled ? QStringList{QString(path).replace(u'/', u'.') + ".part-"}
                                      : QStringList());
        w.reset();
        QCOMPARE(partFiles(), QStringList());
        // Progress rises to the body's size, and a trickled body reports while it arrives.
        qint64 last = 0;
        for (const QList<QVariant> &report : std::as_const(progress)) {
            QVERIFY(report.at(0).toLongLong() >= last);
            last = report.at(0).toLongLong();
            QCOMPARE(report.at(1).toLongLong(), path == "/chunked" ? -1 : qint64(size));
        }
        QCOMPARE(last, ok ? qint64(size) : last);
        QVERIFY(progress.size() >= (path == "/slow" ? 3 : ok ? 1 : 0));
    }

    void releasedMidBody() // as when a window is closed mid-transfer
    {
        server->serveTrickle("/slow", HttpFixtureServer::patternBody(100000), 1000, 20);
        w->RequestFile(server->url("/slow"), QString(), settings(1000));
        QTRY_COMPARE_WITH_TIMEOUT(partFiles(), QStringList{".slow.part-"}, 20000);
        w.reset();
        QCOMPARE(partFiles(), QStringList());
        QVERIFY(recorder->boxes.isEmpty());
    }

    void laterRequestsReplaceEarlierOnes()
    {
        server->serveSilent("/silent");
        const QByteArray text("A\0\xAC\x20\x01", 5);
        server->serve("/text", text);
        const QByteArray big = HttpFixtureServer::patternBody(5 * 10240);
        server->serve("/big", big);
        QSignalSpy finished(w.get(), &clsInet::finished);
        w->RequestFile(server->url("/silent"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(server->requests().size(), 1, 20000);
        QVERIFY(fetch("/text")); // the silent request is dropped without a finished()
        QCOMPARE(finished.size(), 1);
        QCOMPARE(w->DataText(), "A€"); // low byte first, odd byte dropped
        const QByteArray first = w->DataBinary();
        w->RequestFile(server->url("/big"), QString());
        QVERIFY(w->DataBinary().isEmpty() && first == text);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
        QCOMPARE(w->DataBinary(), big);
        // Refused: seen by its return, without finished().
        w->RequestFile(server->url("/f").replace("http:", "ftp:"), QString());
        QVERIFY(w->RequestRefused);
        QVERIFY(fetch("/nothing")); // a failed request is finished once as well
        QCOMPARE(w->DownloadStatus, TransferStatus::Failed);
        QCOMPARE(finished.size(), 3);
        QCOMPARE(recorder->boxes.size(), 2);
        QVERIFY(!recorder->busy);
    }

    void errorTable_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("gap inside the range") << 35801 << "";
        QTest::newRow("past the range") << 35938 << "";
        // The named numbers are the ones the table knows by these words.
        const std::pair<F, const char *> named[] = {
            {F::TimedOut, "Zeitüberschreitung für Anforderung"},
            {F::ConnectionAborted, "Verbindung abgebrochen"},
            {F::ConnectionRefused, "Verbindung zum Remote Host kann nicht hergestellt werden"},
            {F::RedirectFailed, "HTTP - Umleiten fehlgeschlagen"},
            {F::InvalidServerResponse, "HTTP - Ungültige Server-Antwort"},
            {F::HttpsToHttpRedirect, "HTTPS nach HTTP bei Umleitung"},
            {F::InvalidProxyRequest, "Ungültige Proxy-Anforderung"},
            {F::NoProxy, "Kein Proxy"},
            {F::NoRequestMade, "Sie müssen eine Operation ausführen, bevor Sie Daten abrufen"},
            {F::StillExecuting, "Die letzte Anforderung wird noch bearbeitet"},
            {F::UnrecognizedScheme, "Nichterkanntes Schema"},
            {F::InvalidArgument, "Ungültiges Operationsargument"}};
        for (const auto &[number, text] : named)
            QTest::addRow("%d", numberOf(number)) << numberOf(number) << QString::fromUtf8(text);
    }
    void errorTable()
    {
        QFETCH(int, number);
        QTEST(clsInet::InetErrDescription(number), "text");
    }
};

VORNIX_TEST_MAIN(tst_clsInet)
#include "tst_clsInet.moc"
