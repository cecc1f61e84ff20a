#include "BoxRecorder.h"
#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "app/MousePointer.h"
#include "app/MsgBox.h"
#include "download/clsInet.h"

#include <QScopeGuard>
#include <QTimer>

namespace {

// Sets environment variables for one test and puts the old values back.
struct EnvGuard
{
    void set(const char *name, const QByteArray &value)
    {
        saved.append({name, qgetenv(name)});
        had.append(qEnvironmentVariableIsSet(name));
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvGuard()
    {
        for (int i = saved.size() - 1; i >= 0; --i) {
            if (had[i])
                qputenv(saved[i].first, saved[i].second);
            else
                qunsetenv(saved[i].first);
        }
    }
    QList<QPair<const char *, QByteArray>> saved;
    QList<bool> had;
};

bool waitForStatus(const clsInet &w)
{
    return QTest::qWaitFor([&w] { return w.DownloadStatus != 0; }, 20000);
}

} // namespace

class tst_clsInet : public QObject
{
    Q_OBJECT

private slots:
    void bodyIsCollectedExactly_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("size");
        QTest::newRow("empty body") << QByteArray("/fixed") << 0;
        QTest::newRow("exactly one chunk") << QByteArray("/fixed") << 10240;
        QTest::newRow("one chunk and a byte") << QByteArray("/fixed") << 10241;
        QTest::newRow("3 MiB") << QByteArray("/fixed") << 3 * 1024 * 1024 + 5;
        QTest::newRow("chunked transfer") << QByteArray("/chunked") << 100000;
        QTest::newRow("after a redirect") << QByteArray("/moved") << 12345;
    }
    void bodyIsCollectedExactly()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, size);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        const QByteArray body = HttpFixtureServer::patternBody(size);
        server.serve("/fixed", body);
        server.serveChunked("/chunked", body, 777);
        server.serveRedirect("/moved", "/fixed");
        BoxRecorder recorder;

        clsInet w;
        w.RequestFile(server.url(QString::fromLatin1(path)), QString());
        QCOMPARE(w.DownloadStatus, qint16(0));
        QVERIFY(waitForStatus(w));
        QCOMPARE(w.DownloadStatus, qint16(1));
        QCOMPARE(w.InetState, qint16(12));
        QCOMPARE(w.DataBinary(), body);
        QCOMPARE(w.InetDocument(), QString::fromLatin1(path));
        QCOMPARE(screenMousePointer(), vbDefault);
        QVERIFY(recorder.boxes.isEmpty());
    }

    void eventsRunBetweenChunksOnly_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("passes");
        // One pass before every read but the first; the last read is the empty one.
        QTest::newRow("empty body: no pass") << 0 << 0;
        QTest::newRow("one full chunk: one pass") << 10240 << 1;
        QTest::newRow("three chunks and a bit: four passes") << 3 * 10240 + 1 << 4;
    }
    void eventsRunBetweenChunksOnly()
    {
        QFETCH(int, size);
        QFETCH(int, passes);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/f", HttpFixtureServer::patternBody(size));
        clsInet w;
        w.RequestFile(server.url(QStringLiteral("/f")), QString());

        // A posted event that posts itself again runs once per pass of event processing.
        int seenBusy = 0;
        QObject ticker;
        std::function<void()> tick = [&] {
            if (screenMousePointer() == vbHourglass)
                ++seenBusy;
            if (w.DownloadStatus == 0)
                QMetaObject::invokeMethod(&ticker, tick, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(&ticker, tick, Qt::QueuedConnection);
        QVERIFY(waitForStatus(w));
        QCOMPARE(seenBusy, passes);
    }

    void refererIsSentAsGiven_data()
    {
        QTest::addColumn<QString>("referer");
        QTest::newRow("empty") << QString();
        QTest::newRow("page with query")
            << QStringLiteral("http://example.com/a b/page.html?x=1&y=ä");
        QTest::newRow("blanks around") << QStringLiteral(" padded ");
    }
    void refererIsSentAsGiven()
    {
        QFETCH(QString, referer);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/f", "x");
        clsInet w;
        w.RequestFile(server.url(QStringLiteral("/f")), referer);
        QVERIFY(waitForStatus(w));
        QCOMPARE(server.requests().size(), 1);
        const auto &request = server.requests().first();
        QCOMPARE(request.requestLine, QByteArray("GET /f HTTP/1.1"));
        QCOMPARE(request.headerValues("Referer"), QList<QByteArray>{referer.trimmed().toUtf8()});
    }

    void failedRequestShowsBoxAndEnds_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("codeLine");
        QTest::addColumn<QString>("infoLine");
        QTest::newRow("404") << QByteArray("/nothing") << "Inet Error 404"
                             << "HTTP/1.1 404 Not Found";
        QTest::newRow("500") << QByteArray("/boom") << "Inet Error 500"
                             << "HTTP/1.1 500 Internal Server Error";
        QTest::newRow("closed mid-body") << QByteArray("/cut") << "Inet Error 35796" << QString();
    }
    void failedRequestShowsBoxAndEnds()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, codeLine);
        QFETCH(QString, infoLine);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serveStatus("/boom", 500, "Internal Server Error", "<html>error</html>");
        server.serveCloseMidBody("/cut", HttpFixtureServer::patternBody(40000), 15000);
        BoxRecorder recorder;
        clsInet w;
        w.RequestFile(server.url(QString::fromLatin1(path)), QString());
        QVERIFY(waitForStatus(w));
        QCOMPARE(w.DownloadStatus, qint16(2));
        QCOMPARE(w.InetState, qint16(11));
        QVERIFY(w.DataBinary().isEmpty());
        QCOMPARE(recorder.boxes.size(), 1);
        QCOMPARE(recorder.boxes[0].title, QStringLiteral("Fehler"));
        QCOMPARE(recorder.boxes[0].style, vbOKOnly);
        const QStringList lines = recorder.boxes[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("icError in StateChanged 0"));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[2], codeLine);
        if (infoLine.isEmpty())
            QVERIFY(!lines[3].isEmpty());
        else
            QCOMPARE(lines[3], infoLine);
    }

    void refusedRequestShowsFiveLineBox_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<int>("accessType");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("lastLine");
        const QString ok = QStringLiteral("http://127.0.0.1:1/x");
        QTest::newRow("bad URL") << "kein URL"
                                 << "" << 0 << ""
                                 << "Error 35771"
                                 << "Ungültiger URL";
        QTest::newRow("gopher") << "gopher://127.0.0.1/x"
                                << "" << 0 << ""
                                << "Error 35772"
                                << "Nichterkanntes Schema";
        QTest::newRow("line break in referer") << ok << "a\nHost: evil" << 0 << ""
                                               << "Error 35763"
                                               << "Ungültiges Operationsargument";
        QTest::newRow("proxy not named") << ok << "" << 2 << ""
                                         << "Error 35786"
                                         << "Kein Proxy";
        QTest::newRow("proxy malformed") << ok << "" << 2 << "no port"
                                         << "Error 35799"
                                         << "Ungültige Proxy-Anforderung";
        QTest::newRow("unknown access type") << ok << "" << 7 << ""
                                             << "Error 380"
                                             << "Ungültiger Eigenschaftswert";
    }
    void refusedRequestShowsFiveLineBox()
    {
        QFETCH(QString, url);
        QFETCH(QString, referer);
        QFETCH(int, accessType);
        QFETCH(QString, proxy);
        QFETCH(QString, firstLine);
        QFETCH(QString, lastLine);
        BoxRecorder recorder;
        clsInet w;
        w.InetAccessType = accessType;
        w.InetProxy = proxy;
        w.RequestFile(url, referer);
        QCOMPARE(recorder.boxes.size(), 1);
        QCOMPARE(recorder.boxes[0].title, QStringLiteral("Vornix-Downloader"));
        const QStringList lines = recorder.boxes[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], firstLine);
        QVERIFY(!lines[1].isEmpty());
        QCOMPARE(lines[2], QStringLiteral("Inet Error 0"));
        QCOMPARE(lines[4], lastLine);
        // Mended: the caller polling DownloadStatus is not left waiting.
        QCOMPARE(w.DownloadStatus, qint16(2));
        QVERIFY(w.DataBinary().isEmpty());
    }

    void secondRequestReplacesRunningOne()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serveSilent("/silent");
        server.serve("/second", "second body");
        BoxRecorder recorder;
        clsInet w;
        w.RequestFile(server.url(QStringLiteral("/silent")), QString());
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 20000);
        w.RequestFile(server.url(QStringLiteral("/second")), QStringLiteral("r"));
        QCOMPARE(w.DownloadStatus, qint16(0));
        QVERIFY(w.DataBinary().isEmpty());
        QVERIFY(waitForStatus(w));
        QCOMPARE(w.DownloadStatus, qint16(1));
        QCOMPARE(w.DataBinary(), QByteArray("second body"));
        QCOMPARE(w.InetDocument(), QStringLiteral("/second"));
        QVERIFY(recorder.boxes.isEmpty());
    }

    void brokenCollectionIsTrapped()
    {
        // A request issued from an event handler while a body is being collected
        // takes the component away from under the collection.
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/big", HttpFixtureServer::patternBody(5 * 10240));
        server.serveSilent("/next");
        BoxRecorder recorder;
        clsInet w;
        w.RequestFile(server.url(QStringLiteral("/big")), QString());
        QTimer interrupter;
        bool issued = false;
        connect(&interrupter, &QTimer::timeout, this, [&] {
            if (!issued && screenMousePointer() == vbHourglass) {
                issued = true;
                w.RequestFile(server.url(QStringLiteral("/next")), QString());
            }
        });
        interrupter.start(0);
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.boxes.isEmpty(), 20000);
        QVERIFY(issued);
        const QStringList lines = recorder.boxes[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral("checkError in Inetd_StateChanged"));
        QCOMPARE(lines[1], QStringLiteral("Error Number 35764"));
        QVERIFY(lines[2].startsWith(QStringLiteral("Error Description: ")));
        QVERIFY(lines[3].startsWith(QStringLiteral("Inet ResponseCode ")));
        QVERIFY(lines[4].startsWith(QStringLiteral("Inet ResponseInfo ")));
        QCOMPARE(lines[5],
                 QStringLiteral("InetErrDescription: Die letzte Anforderung wird noch bearbeitet"));
        QCOMPARE(recorder.boxes[0].title, QStringLiteral("Vornix-Downloader"));
        QCOMPARE(w.DownloadStatus, qint16(2));
        // Mended: the busy pointer does not stay.
        QCOMPARE(screenMousePointer(), vbDefault);
        QCOMPARE(recorder.boxes.size(), 1);
    }

    void accessTypes_data()
    {
        QTest::addColumn<int>("accessType");
        QTest::addColumn<bool>("envProxy");
        QTest::addColumn<bool>("viaProxy");
        QTest::newRow("0 follows http_proxy") << 0 << true << true;
        QTest::newRow("0 without http_proxy is direct") << 0 << false << false;
        QTest::newRow("1 ignores http_proxy") << 1 << true << false;
        QTest::newRow("2 uses the named proxy") << 2 << false << true;
    }
    void accessTypes()
    {
        QFETCH(int, accessType);
        QFETCH(bool, envProxy);
        QFETCH(bool, viaProxy);
        HttpFixtureServer origin;
        HttpFixtureServer proxy;
        QVERIFY(origin.listen());
        QVERIFY(proxy.listen());
        origin.serve("/f", "from origin");
        proxy.serve("/f", "from proxy");
        EnvGuard env;
        env.set("http_proxy", envProxy ? ("http://" + proxy.hostPort().toLatin1()) : QByteArray());
        env.set("HTTP_PROXY", QByteArray());
        env.set("no_proxy", QByteArray());
        env.set("NO_PROXY", QByteArray());

        clsInet w;
        w.InetAccessType = accessType;
        w.InetProxy = proxy.hostPort();
        w.RequestFile(origin.url(QStringLiteral("/f")), QStringLiteral("ref"));
        QVERIFY(waitForStatus(w));
        QCOMPARE(w.DownloadStatus, qint16(1));
        const HttpFixtureServer &used = viaProxy ? proxy : origin;
        const HttpFixtureServer &unused = viaProxy ? origin : proxy;
        QCOMPARE(w.DataBinary(), viaProxy ? QByteArray("from proxy") : QByteArray("from origin"));
        QCOMPARE(unused.requests().size(), 0);
        QCOMPARE(used.requests().size(), 1);
        QCOMPARE(used.requests()[0].target,
                 viaProxy ? origin.url(QStringLiteral("/f")).toLatin1() : QByteArray("/f"));
        QCOMPARE(used.requests()[0].headerValues("Referer"), QList<QByteArray>{"ref"});
    }

    void errorTable_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("35805 without full stop") << 35805 << "HTTPS nach HTTP bei Umleitung";
        QTest::newRow("35806 with full stop") << 35806 << "HTTPS nach HTTP bei Umleitung.";
        QTest::newRow("35761") << 35761 << "Zeitüberschreitung für Anforderung";
        QTest::newRow("35768") << 35768 << "Zeitüberschreitung";
        QTest::newRow("10") << 10 << "Die Verbindung zum Netzwerk wurde unterbrochen";
        QTest::newRow("35930 double blank")
            << 35930
            << "Zum angeforderten Server konnte keine Verbindung hergestellt werden. Dies wurde  "
               "an "
               "Hand des von WinSock gemeldeten Fehlers WSAEHOSTUNREACH festgestellt.";
        QTest::newRow("35937 last") << 35937
                                    << "Die von Ihnen versuchte Operation ist fehlgeschlagen, weil "
                                       "sie eine Sicherheitsüberprüfung nicht bestand.";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("-1") << -1 << "";
        QTest::newRow("gap 35801") << 35801 << "";
        QTest::newRow("35938 past the end") << 35938 << "";
    }
    void errorTable()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(clsInet::InetErrDescription(number), text);
    }

    void dataTextPairsBytesLowFirst()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serve("/t", QByteArray("A\0\xAC\x20\x01", 5));
        clsInet w;
        QCOMPARE(w.DataText(), QString());
        w.RequestFile(server.url(QStringLiteral("/t")), QString());
        QVERIFY(waitForStatus(w));
        QCOMPARE(w.DataText(), QStringLiteral("A€"));
        const QByteArray first = w.DataBinary();
        w.RequestFile(server.url(QStringLiteral("/t")), QString());
        QVERIFY(w.DataBinary().isEmpty());
        QCOMPARE(first, QByteArray("A\0\xAC\x20\x01", 5));
    }
};

VORNIX_TEST_MAIN(tst_clsInet)
#include "tst_clsInet.moc"
