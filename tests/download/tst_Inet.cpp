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
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoStart");
        const QString ok = "HTTP/1.1 200 OK";
        QTest::newRow("5 MiB over several blocks")
            << false << "/fixed" << 5 * 1024 * 1024 + 3 << 200 << ok;
        QTest::newRow("slow body outlasting the idle timeout")
            << false << "/slow" << 10000 << 200 << ok;
        QTest::newRow("final 302 without Location")
            << false << "/stay" << 0 << 302 << "HTTP/1.1 302 Found";
        QTest::newRow("redirect loop") << false << "/loop" << 0 << 35922 << "";
        QTest::newRow("never answers")
            << false << "/silent" << 0 << 35761 << "Zeitüberschreitung für";
        QTest::newRow("folded line that looks like a status line")
            << false << "/fake" << 0 << 404 << "HTTP/1.1 404 Not Found";
        QTest::newRow("header line over libcurl's limit")
            << false << "/giant" << 0 << 35918 << "Server reply has an oversized header";
        QTest::newRow("plain https") << true << "/fixed" << 30000 << 200 << ok;
        QTest::newRow("redirect within https") << true << "/moved" << 30000 << 200 << ok;
        QTest::newRow("to http by the first of two Locations")
            << true << "/downgrade" << 30000 << 35805
            << "Redirect from HTTPS to HTTP refused: http://";
    }
    void transfer()
    {
        QFETCH(bool, tls);
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(int, code);
        QFETCH(QString, infoStart);
        if (tls && !QSslSocket::supportsSsl())
            QSKIP("Qt has no TLS backend here, so the fixture cannot speak HTTPS");
        HttpFixtureServer server;
        QVERIFY(tls ? server.listenTls() : server.listen());
        HttpFixtureServer plain; // where a downgrade would lead
        QVERIFY(plain.listen());
        const QByteArray body = HttpFixtureServer::patternBody(size);
        server.serve("/fixed", body);
        plain.serve("/fixed", body);
        server.serveRedirect("/moved", "/fixed");
        server.serveRaw("/downgrade",
                        "HTTP/1.1 302 Found\r\nLocation: " + plain.url("/fixed").toLatin1() +
                            "\r\nLocation: " + server.url("/fixed").toLatin1() +
                            "\r\nContent-Length: 0\r\n\r\n");
        server.serveSilent("/silent");
        server.serveTrickle("/slow", body, 1000, 100); // 1 s in all, 0.1 s between pieces
        server.serve("/stay", "old", 302, "Found");
        server.serveRedirect("/loop", "/loop");
        server.serveRaw("/fake", "HTTP/1.1 404 Not Found\r\nX-A: b\r\n HTTP/1.1 200 OK\r\n"
                                 "Content-Length: 4\r\n\r\nlost");
        server.serveRaw("/giant", "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(200000, 'a') +
                                      "\r\nContent-Length: 4\r\n\r\nlost");
        Inet inet;
        inet.setCaFile(HttpFixtureServer::caFile());
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
