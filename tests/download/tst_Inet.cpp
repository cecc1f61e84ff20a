#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/Inet.h"
#include "download/InetError.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>

namespace {
// Also ends a transfer that keeps reporting states forever, such as an unbounded redirect loop.
QList<int> statesUntilDone(QSignalSpy &spy)
{
    const QDeadlineTimer deadline(20000);
    QList<int> states;
    while ((states.isEmpty() || states.last() < Inet::icError) &&
           (states.size() < spy.size() || spy.wait(static_cast<int>(deadline.remainingTime()))))
        states.append(spy.at(states.size()).at(0).toInt());
    return states;
}

template <typename Call> int refusal(Call call)
{
    try {
        call();
    } catch (const InetError &e) {
        return e.number();
    }
    return 0;
}
} // namespace

class tst_Inet final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoStart");
        QTest::newRow("empty body") << "/fixed" << 0 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("exactly one chunk") << "/fixed" << 10240 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("one chunk and a byte") << "/fixed" << 10241 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("5 MiB over several blocks")
            << "/fixed" << 5 * 1024 * 1024 + 3 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("slow body outlasting the idle timeout")
            << "/slow" << 10000 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("chunked encoding") << "/chunked" << 30737 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("404 page is no file") << "/missing" << 0 << 404 << "HTTP/1.1 404 Not Found";
        QTest::newRow("500") << "/boom" << 0 << 500 << "HTTP/1.1 500 Internal Server Error";
        QTest::newRow("final 302 without Location") << "/stay" << 0 << 302 << "HTTP/1.1 302 Found";
        QTest::newRow("redirect loop") << "/loop" << 0 << 35922 << "";
        QTest::newRow("closed in the middle") << "/cut" << 0 << 35796 << "";
        QTest::newRow("never answers") << "/silent" << 0 << 35761 << "Zeitüberschreitung für";
        QTest::newRow("folded line that looks like a status line")
            << "/fake" << 0 << 404 << "HTTP/1.1 404 Not Found";
        QTest::newRow("header line over libcurl's limit")
            << "/giant" << 0 << 35918 << "Server reply has an oversized header";
    }
    void transfer()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(int, code);
        QFETCH(QString, infoStart);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        const QByteArray body = HttpFixtureServer::patternBody(size);
        server.serve("/fixed", body);
        server.serveChunked("/chunked", body, 1000);
        server.serveStatus("/boom", 500, "Internal Server Error", "error page");
        server.serveCloseMidBody("/cut", HttpFixtureServer::patternBody(50000), 20000);
        server.serveSilent("/silent");
        server.serveTrickle("/slow", body, 1000, 100); // 1 s in all, 0.1 s between pieces
        server.serveStatus("/stay", 302, "Found", "old");
        server.serveRedirect("/loop", "/loop");
        server.serveRaw("/fake", "HTTP/1.1 404 Not Found\r\nX-A: b\r\n HTTP/1.1 200 OK\r\n"
                                 "Content-Length: 4\r\n\r\nlost");
        server.serveRaw("/giant", "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(200000, 'a') +
                                      "\r\nContent-Length: 4\r\n\r\nlost");
        Inet inet;
        const bool shortIdle = path == "/silent" || path == "/slow";
        inet.setIdleTimeout(shortIdle ? 500 : Inet::kDefaultIdleTimeoutMs);
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url(path));
        QCOMPARE(statesUntilDone(spy).last(), code == 200 ? 12 : 11);
        QCOMPARE(inet.ResponseCode(), code);
        const QString info = inet.ResponseInfo();
        QVERIFY2(!info.isEmpty() && info.startsWith(infoStart), qPrintable(info));
        QByteArray collected;
        for (QByteArray chunk; !(chunk = inet.GetChunk(10240)).isEmpty();)
            collected += chunk;
        QCOMPARE(collected, code == 200 ? body : QByteArray());
        QVERIFY(server.requests().size() <= 21); // browsers follow at most 20 redirects
    }

    void https_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoStart");
        QTest::newRow("plain https") << "/f" << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("redirect within https") << "/moved" << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("to http by the first of two Locations")
            << "/downgrade" << 35805 << "Redirect from HTTPS to HTTP refused: http://";
    }
    void https()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, infoStart);
        if (!QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here, so the fixture cannot speak HTTPS");
        HttpFixtureServer tls;
        QVERIFY(tls.listenTls());
        HttpFixtureServer plain;
        QVERIFY(plain.listen());
        const QByteArray body = HttpFixtureServer::patternBody(30000);
        tls.serve("/f", body);
        plain.serve("/f", body);
        tls.serveRedirect("/moved", "/f");
        tls.serveRaw("/downgrade", "HTTP/1.1 302 Found\r\nLocation: " + plain.url("/f").toLatin1() +
                                       "\r\nLocation: " + tls.url("/f").toLatin1() +
                                       "\r\nContent-Length: 0\r\n\r\n");
        Inet inet;
        inet.setCaFile(HttpFixtureServer::caFile());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(tls.url(path));
        QCOMPARE(statesUntilDone(spy).last(), code == 200 ? 12 : 11);
        QCOMPARE(inet.ResponseCode(), code);
        QVERIFY2(inet.ResponseInfo().startsWith(infoStart), qPrintable(inet.ResponseInfo()));
        QCOMPARE(inet.GetChunk(100000), code == 200 ? body : QByteArray());
        QCOMPARE(plain.requests().size(), 0);
    }

    void proxyName_data()
    {
        QTest::addColumn<QString>("proxy"); // %1: the fixture's port
        QTest::addColumn<bool>("accepted");
        QTest::newRow("IPv4 address") << "127.0.0.1:%1" << true;
        QTest::newRow("host name") << "localhost:%1" << true;
        QTest::newRow("bracketed IPv6") << "[::ffff:127.0.0.1]:%1" << true;
        QTest::newRow("'#' before the port") << "127.0.0.1#:%1" << false;
        QTest::newRow("'?' before the port") << "127.0.0.1?:%1" << false;
        QTest::newRow("user and password") << "user:pass@127.0.0.1:%1" << false;
        QTest::newRow("signed port") << "127.0.0.1:+%1" << false;
        QTest::newRow("port 65536") << "127.0.0.1:65536" << false;
        QTest::newRow("empty label") << "local..host:%1" << false;
        QTest::newRow("short IPv4") << "127.1:%1" << false;
        QTest::newRow("IPv6 without brackets") << "::1:%1" << false;
        QTest::newRow("path") << "127.0.0.1:%1/" << false;
    }
    void proxyName()
    {
        QFETCH(QString, proxy);
        QFETCH(bool, accepted);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/f", "via proxy");
        if (proxy.startsWith(u'[') && !QTcpServer().listen(QHostAddress::LocalHostIPv6))
            QSKIP("no IPv6 on this host");
        Inet inet;
        inet.setAccessType(2);
        inet.setProxy(proxy.replace("%1", server.hostPort().section(u':', 1)));
        QSignalSpy spy(&inet, &Inet::StateChanged);
        const QString url = "http://vornix.invalid/f";
        if (!accepted) {
            QCOMPARE(refusal([&] { inet.Execute(url); }), 35799);
            return;
        }
        inet.Execute(url);
        QCOMPARE(statesUntilDone(spy).last(), 12);
        QCOMPARE(server.requests().value(0).target, url.toLatin1());
        QCOMPARE(inet.GetChunk(100), QByteArray("via proxy"));
    }

    void stateOrderAndConnectionReuse()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/a", "first");
        server.serveRedirect("/b", "/a");
        Inet inet;
        QCOMPARE(refusal([&] { inet.GetChunk(10240); }), 35757);
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url("/a"));
        QCOMPARE(refusal([&] { inet.GetChunk(10240); }), 35764);
        QCOMPARE(refusal([&] { inet.Execute(server.url("/a")); }), 35764);
        QCOMPARE(statesUntilDone(spy), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
        spy.clear();
        inet.Execute(server.url("/b"));
        // Kept connection: no connecting; the redirect repeats the request steps.
        QCOMPARE(statesUntilDone(spy), (QList<int>{5, 6, 7, 8, 5, 6, 7, 8, 12}));
        QCOMPARE(inet.GetChunk(10240), QByteArray("first"));
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(inet.Document(), "/b");
        // A refused request shows nothing of the answer before it.
        QCOMPARE(refusal([&] { inet.Execute("gopher://127.0.0.1/x"); }), 35772);
        QCOMPARE(inet.ResponseCode(), 0);
        QCOMPARE(inet.ResponseInfo(), QString());
    }
};

VORNIX_TEST_MAIN(tst_Inet)
#include "tst_Inet.moc"
