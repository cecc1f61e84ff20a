#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/Inet.h"
#include "download/InetError.h"

#include <QSignalSpy>

// The transfer component on its own: what a reader of GetChunk and StateChanged sees.
class tst_Inet : public QObject
{
    Q_OBJECT

    static QList<qint16> statesUntilDone(QSignalSpy &spy)
    {
        QList<qint16> states;
        auto done = [&] {
            for (const auto &args : spy)
                if (args.at(0).toInt() >= Inet::icError)
                    return true;
            return false;
        };
        while (!done() && spy.wait(20000)) {
        }
        for (const auto &args : spy)
            states.append(static_cast<qint16>(args.at(0).toInt()));
        return states;
    }

private slots:
    void chunkBoundaries_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("chunked");
        QTest::newRow("empty body") << 0 << false;
        QTest::newRow("exactly one chunk") << 10240 << false;
        QTest::newRow("one chunk and a byte") << 10241 << false;
        QTest::newRow("chunked transfer, odd size") << 3 * 10240 + 17 << true;
    }
    void chunkBoundaries()
    {
        QFETCH(int, size);
        QFETCH(bool, chunked);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        const QByteArray body = HttpFixtureServer::patternBody(size);
        if (chunked)
            server.serveChunked("/f", body, 1000);
        else
            server.serve("/f", body);

        Inet inet;
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url(QStringLiteral("/f")), QStringLiteral("GET"), {}, {});
        QCOMPARE(statesUntilDone(spy).last(), qint16(Inet::icResponseCompleted));
        QCOMPARE(inet.BytesAvailable(), qint64(size));

        QByteArray collected;
        QList<int> lengths;
        for (QByteArray chunk = inet.GetChunk(10240);; chunk = inet.GetChunk(10240)) {
            lengths.append(int(chunk.size()));
            collected += chunk;
            if (chunk.isEmpty())
                break;
        }
        QCOMPARE(collected, body);
        // Every chunk but the last two is full; the read after the data is empty.
        QCOMPARE(lengths.size(), size / 10240 + (size % 10240 ? 2 : 1));
        for (int i = 0; i + 2 < lengths.size(); ++i)
            QCOMPARE(lengths[i], 10240);
        QCOMPARE(lengths.last(), 0);
    }

    void stateOrderAndConnectionReuse()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/a", "first");
        server.serveRedirect("/b", "/a");

        Inet inet;
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url(QStringLiteral("/a")), QStringLiteral("GET"), {}, {});
        const QList<qint16> fresh = statesUntilDone(spy);
        QCOMPARE(fresh, (QList<qint16>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
        inet.GetChunk(10240);
        QVERIFY(inet.GetChunk(10240).isEmpty());

        spy.clear();
        inet.Execute(server.url(QStringLiteral("/b")), QStringLiteral("GET"), {}, {});
        // Kept connection: no connecting; the redirect repeats the request steps.
        QCOMPARE(statesUntilDone(spy), (QList<qint16>{5, 6, 7, 8, 5, 6, 7, 8, 12}));
        QCOMPARE(inet.GetChunk(10240), QByteArray("first"));
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(inet.Document(), QStringLiteral("/b"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoStart");
        QTest::newRow("404 page is no file")
            << QByteArray("/missing") << 404 << QStringLiteral("HTTP/1.1 404 Not Found");
        QTest::newRow("500") << QByteArray("/boom") << 500
                             << QStringLiteral("HTTP/1.1 500 Internal Server Error");
        QTest::newRow("closed in the middle") << QByteArray("/cut") << 35796 << QString();
        QTest::newRow("server never answers")
            << QByteArray("/silent") << 35761
            << QStringLiteral("Zeitüberschreitung für Anforderung");
        QTest::newRow("redirect loop") << QByteArray("/loop") << 35922 << QString();
    }
    void failures()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, code);
        QFETCH(QString, infoStart);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serveStatus("/boom", 500, "Internal Server Error", "error page");
        server.serveCloseMidBody("/cut", HttpFixtureServer::patternBody(50000), 20000);
        server.serveSilent("/silent");
        server.serveRedirect("/loop", "/loop");

        Inet inet;
        inet.setIdleTimeout(300);
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(server.url(QString::fromLatin1(path)), QStringLiteral("GET"), {}, {});
        const QList<qint16> states = statesUntilDone(spy);
        QCOMPARE(states.last(), qint16(Inet::icError));
        QVERIFY(!states.contains(Inet::icResponseCompleted));
        QCOMPARE(inet.ResponseCode(), code);
        QVERIFY2(!inet.ResponseInfo().isEmpty(), "failure without a readable text");
        QVERIFY2(inet.ResponseInfo().startsWith(infoStart), qPrintable(inet.ResponseInfo()));
        QVERIFY(!inet.StillExecuting());
        QVERIFY(inet.GetChunk(10240).isEmpty());
    }

    void refusedCalls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("accessType");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<int>("number");
        const QString ok = QStringLiteral("http://127.0.0.1:1/x");
        QTest::newRow("no scheme") << "127.0.0.1/x"
                                   << "" << 0 << "" << 35771;
        QTest::newRow("ftp") << "ftp://127.0.0.1/x"
                             << "" << 0 << "" << 35772;
        QTest::newRow("header injection") << ok << "Referer: a\r\nX-Evil: 1" << 0 << "" << 35763;
        QTest::newRow("proxy type without name") << ok << "" << 2 << "" << 35786;
        QTest::newRow("proxy without port") << ok << "" << 2 << "proxy" << 35799;
        QTest::newRow("proxy port out of range") << ok << "" << 2 << "proxy:70000" << 35799;
    }
    void refusedCalls()
    {
        QFETCH(QString, url);
        QFETCH(QString, header);
        QFETCH(int, accessType);
        QFETCH(QString, proxy);
        QFETCH(int, number);
        Inet inet;
        inet.setAccessType(accessType);
        inet.setProxy(proxy);
        try {
            inet.Execute(url, QStringLiteral("GET"), {}, header);
            QFAIL("call was not refused");
        } catch (const InetError &e) {
            QCOMPARE(e.number(), number);
        }
        QVERIFY(!inet.StillExecuting());
    }

    void readBeforeRequestAndWhileRunning()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serveSilent("/silent");
        Inet inet;
        auto numberOf = [&inet] {
            try {
                inet.GetChunk(10240);
            } catch (const InetError &e) {
                return e.number();
            }
            return 0;
        };
        QCOMPARE(numberOf(), 35757);
        inet.Execute(server.url(QStringLiteral("/silent")), QStringLiteral("GET"), {}, {});
        QCOMPARE(numberOf(), 35764);
        try {
            inet.Execute(server.url(QStringLiteral("/silent")), QStringLiteral("GET"), {}, {});
            QFAIL("second request while running was accepted");
        } catch (const InetError &e) {
            QCOMPARE(e.number(), 35764);
        }
        inet.Cancel();
        QVERIFY(!inet.StillExecuting());
        QCOMPARE(numberOf(), 0);
    }
};

VORNIX_TEST_MAIN(tst_Inet)
#include "tst_Inet.moc"
