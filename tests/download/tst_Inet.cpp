#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/Inet.h"
#include "download/InetError.h"

#include <QSignalSpy>

namespace {
QList<int> statesUntilDone(QSignalSpy &spy)
{
    QList<int> states;
    while ((states.isEmpty() || states.last() < Inet::icError) &&
           (states.size() < spy.size() || spy.wait(20000)))
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

class tst_Inet : public QObject
{
    Q_OBJECT
private slots:
    void transfer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoStart");
        QTest::newRow("empty body") << "/fixed" << 0 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("exactly one chunk") << "/fixed" << 10240 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("one chunk and a byte") << "/fixed" << 10241 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("chunked encoding") << "/chunked" << 30737 << 200 << "HTTP/1.1 200 OK";
        QTest::newRow("404 page is no file") << "/missing" << 0 << 404 << "HTTP/1.1 404 Not Found";
        QTest::newRow("500") << "/boom" << 0 << 500 << "HTTP/1.1 500 Internal Server Error";
        QTest::newRow("closed in the middle") << "/cut" << 0 << 35796 << "";
        QTest::newRow("never answers") << "/silent" << 0 << 35761 << "Zeitüberschreitung für";
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
        Inet inet;
        inet.setIdleTimeout(path == "/silent" ? 500 : Inet::kDefaultIdleTimeoutMs);
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url(path));
        QCOMPARE(statesUntilDone(spy).last(), code == 200 ? 12 : 11);
        QCOMPARE(inet.ResponseCode(), code);
        const QString info = inet.ResponseInfo();
        QVERIFY2(!info.isEmpty() && info.startsWith(infoStart), qPrintable(info));
        QByteArray collected;
        for (QByteArray chunk; !(chunk = inet.GetChunk(10240)).isEmpty(); collected += chunk)
            QCOMPARE(chunk.size(), qMin<qsizetype>(10240, size - collected.size()));
        QCOMPARE(collected, code == 200 ? body : QByteArray());
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
        QCOMPARE(inet.Document(), QStringLiteral("/b"));
    }
};

VORNIX_TEST_MAIN(tst_Inet)
#include "tst_Inet.moc"
