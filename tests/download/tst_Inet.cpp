#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/FailureNumber.h"
#include "download/Inet.h"
#include "download/InetError.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QSslSocket>

using F = FailureNumber;
// A proxy name Inet refuses.
static constexpr int refused = numberOf(F::InvalidProxyRequest);

// The states up to 11 or 12; a deadline also ends a transfer that keeps reporting states
// forever, such as an unbounded redirect loop.
static QList<int> statesUntilDone(QSignalSpy &spy)
{
    const QDeadlineTimer deadline(20000);
    QList<int> states;
    while ((states.isEmpty() || states.last() < Inet::icError) &&
           (!spy.isEmpty() || spy.wait(static_cast<int>(deadline.remainingTime()))))
        states.append(spy.takeFirst().at(0).toInt());
    return states;
}

template <typename Call> static int refusal(Call call)
{
    try {
        call();
    } catch (const InetError &e) {
        return e.number();
    }
    return 0;
}

struct Transfer
{
    bool tls;
    QString path;
    int size, code;                // code: the response code, or the failure's number
    QString infoStart, proxy = {}; // proxy: a named one, "%1" the fixture's port
};

class tst_Inet final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<Transfer>("row");
        const QString ok = "HTTP/1.1 200 OK";
        const auto newRow = [](const char *name, const Transfer &r) { QTest::newRow(name) << r; };
        newRow("5 MiB over several blocks", {false, "/fixed", 5 * 1024 * 1024 + 3, 200, ok});
        newRow("slow body outlasting the idle timeout", {false, "/slow", 10000, 200, ok});
        newRow("final 302 without Location", {false, "/stay", 0, 302, "HTTP/1.1 302 Found"});
        newRow("redirect loop", {false, "/loop", 0, numberOf(F::RedirectFailed), ""});
        newRow("never answers",
               {false, "/silent", 0, numberOf(F::TimedOut), "Zeitüberschreitung für"});
        newRow("folded status-like line", {false, "/fake", 0, 404, "HTTP/1.1 404 Not Found"});
        newRow("header line over libcurl's limit",
               {false, "/giant", 0, numberOf(F::InvalidServerResponse),
                "Server reply has an oversized header"});
        newRow("plain https", {true, "/fixed", 30000, 200, ok});
        newRow("redirect within https", {true, "/moved", 30000, 200, ok});
        newRow("http redirected to https", {false, "/up", 30000, 200, ok});
        newRow("to http by the first of two Locations",
               {true, "/downgrade", 30000, numberOf(F::HttpsToHttpRedirect),
                "Redirect from HTTPS to HTTP refused: http://"});
        // A proxy name Inet refuses sends nothing.
        const auto viaProxy = [&](const char *name, QString proxy, bool accepted) {
            newRow(name, {false, "/fixed", 9, accepted ? 200 : refused, ok, proxy});
        };
        viaProxy("proxy at an IPv4 address", "127.0.0.1:%1", true);
        viaProxy("proxy host name", "localhost:%1", true);
        viaProxy("proxy at a bracketed IPv6", "[::ffff:127.0.0.1]:%1", true);
        viaProxy("proxy with '#' before the port", "127.0.0.1#:%1", false);
        viaProxy("proxy with '?' before the port", "127.0.0.1?:%1", false);
        viaProxy("proxy with user and password", "user:pass@127.0.0.1:%1", false);
        viaProxy("proxy with a signed port", "127.0.0.1:+%1", false);
        viaProxy("proxy at port 65536", "127.0.0.1:65536", false);
        viaProxy("proxy at port 0", "127.0.0.1:0", false);
        viaProxy("proxy name with an empty label", "local..host:%1", false);
        viaProxy("proxy at a short IPv4", "127.1:%1", false);
        viaProxy("proxy at IPv6 without brackets", "::1:%1", false);
        viaProxy("proxy with a path", "127.0.0.1:%1/", false);
    }
    void transfer()
    {
        QFETCH(Transfer, row);
        const bool upgrade = row.path == "/up";
        if ((row.tls || upgrade) && !QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here, so the fixture cannot speak HTTPS");
        if (row.proxy.startsWith(u'[') && !QTcpServer().listen(QHostAddress::LocalHostIPv6))
            QSKIP("no IPv6 on this host");
        HttpFixtureServer server;
        QVERIFY(row.tls ? server.listenTls() : server.listen());
        HttpFixtureServer plain, secure; // where a downgrade and an upgrade lead
        QVERIFY(plain.listen());
        QVERIFY(!upgrade || secure.listenTls());
        const QByteArray body = HttpFixtureServer::patternBody(row.size);
        server.serve("/fixed", body);
        secure.serve("/fixed", body);
        const QByteArray found = "HTTP/1.1 302 Found\r\nContent-Length: 0\r\nLocation: ";
        server.serveRaw("/up", found + secure.url("/fixed").toLatin1() + "\r\n\r\n");
        server.serveRaw("/moved", found + "/fixed\r\n\r\n");
        server.serveRaw("/downgrade", found + plain.url("/fixed").toLatin1() + "\r\nLocation: " +
                                          server.url("/fixed").toLatin1() + "\r\n\r\n");
        server.serveSilent("/silent");
        server.serveTrickle("/slow", body, 1000, 100); // 1 s in all, 0.1 s between pieces
        server.serveInTurn("/stay", {{"old", 302, "Found"}});
        server.serveRaw("/loop", found + "/loop\r\n\r\n");
        server.serveRaw("/fake", "HTTP/1.1 404 Not Found\r\nX-A: b\r\n HTTP/1.1 200 OK\r\n"
                                 "Content-Length: 4\r\n\r\nlost");
        server.serveRaw("/giant", "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(200000, 'a') +
                                      "\r\nContent-Length: 4\r\n\r\nlost");
        Inet inet;
        inet.setCaFile(HttpFixtureServer::caFile());
        const bool shortIdle = row.path == "/silent" || row.path == "/slow";
        inet.setIdleTimeout(shortIdle ? 500 : Inet::kDefaultIdleTimeoutMs);
        // A proxy gets the whole URL as the target, so its host needs no name lookup.
        const bool direct = row.proxy.isEmpty();
        const QString url = direct ? server.url(row.path) : "http://vornix.invalid" + row.path;
        inet.setAccessType(direct ? 0 : 2);
        inet.setProxy(row.proxy.replace("%1", server.hostPort().section(u':', 1)));
        QSignalSpy spy(&inet, &Inet::StateChanged);
        QCOMPARE(refusal([&] { inet.Execute(url); }), row.code == refused ? refused : 0);
        if (row.code == refused)
            return;
        QCOMPARE(statesUntilDone(spy).last(), row.code == 200 ? 12 : 11);
        QCOMPARE(inet.ResponseCode(), row.code);
        const QString info = inet.ResponseInfo();
        QVERIFY2(!info.isEmpty() && info.startsWith(row.infoStart), qPrintable(info));
        QByteArray collected;
        for (QByteArray chunk; !(chunk = inet.GetChunk(10240)).isEmpty();)
            collected += chunk;
        QCOMPARE(collected, row.code == 200 ? body : QByteArray());
        QCOMPARE(server.requests().value(0).target, (direct ? row.path : url).toLatin1());
        QVERIFY(server.requests().size() <= 21); // browsers follow at most 20 redirects
        QCOMPARE(plain.requests().size(), 0);
        QCOMPARE(secure.requests().size(), upgrade ? 1 : 0);
    }

    void stateOrderAndConnectionReuse()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/a", "first");
        server.serveRaw("/b", "HTTP/1.1 302 Found\r\nLocation: /a\r\nContent-Length: 0\r\n\r\n");
        Inet inet;
        QCOMPARE(refusal([&] { inet.GetChunk(10240); }), numberOf(F::NoRequestMade));
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url("/a"));
        QCOMPARE(refusal([&] { inet.GetChunk(10240); }), numberOf(F::StillExecuting));
        QCOMPARE(refusal([&] { inet.Execute(server.url("/a")); }), numberOf(F::StillExecuting));
        QCOMPARE(statesUntilDone(spy), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
        inet.Execute(server.url("/b"));
        // Kept connection: no connecting; the redirect repeats the request steps.
        QCOMPARE(statesUntilDone(spy), (QList<int>{5, 6, 7, 8, 5, 6, 7, 8, 12}));
        QCOMPARE(inet.GetChunk(10240), QByteArray("first"));
        QCOMPARE(server.connectionCount, 1);
        QCOMPARE(inet.Document(), "/b");
        // A refused request shows nothing of the answer before it.
        QCOMPARE(refusal([&] { inet.Execute("gopher://127.0.0.1/x"); }),
                 numberOf(F::UnrecognizedScheme));
        QCOMPARE(inet.ResponseCode(), 0);
        QCOMPARE(inet.ResponseInfo(), QString());
    }
};

VORNIX_TEST_MAIN(tst_Inet)
#include "tst_Inet.moc"
