#include "HttpFixtureServer.h"
#include "RecordingReporter.h"
#include "TestMain.h"
#include "download/clsInet.h"

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

namespace {
bool oneBox(const RecordingReporter &recorder, const QString &title, const QString &pattern)
{
    const Message box = recorder.boxes.value(0);
    return recorder.boxes.size() == 1 && box.title == title &&
           QRegularExpression(QRegularExpression::anchoredPattern(pattern))
               .match(box.text)
               .hasMatch();
}

QStringList hiddenFiles(const QTemporaryDir &folder)
{
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
}

bool finished(const clsInet &w)
{
    return QTest::qWaitFor([&w] { return w.DownloadStatus != TransferStatus::Outstanding; }, 20000);
}
} // namespace

class tst_clsInet final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void request_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QString>("box");  // the state-11 box's pattern; none when empty
        QTest::addColumn<bool>("spilled"); // over the 64 KiB memory limit of these rows
        const QString err = "icError in StateChanged 0\r\n\r\nInet Error ";
        const int limit = 64 * 1024;
        QTest::newRow("empty body, empty referer") << "/fixed" << 0 << "" << QString() << false;
        QTest::newRow("one chunk")
            << "/fixed" << 10240 << "http://e.com/a b?x=1&y=ä" << QString() << false;
        QTest::newRow("one chunk and a byte")
            << "/fixed" << 10241 << " padded " << QString() << false;
        QTest::newRow("just under the limit") << "/fixed" << limit - 1 << "r" << QString() << false;
        QTest::newRow("at the limit") << "/fixed" << limit << "r" << QString() << false;
        QTest::newRow("just over the limit") << "/fixed" << limit + 1 << "r" << QString() << true;
        QTest::newRow("chunked at the limit") << "/chunked" << limit << "r" << QString() << false;
        QTest::newRow("chunked over the limit")
            << "/chunked" << limit + 1 << "r" << QString() << true;
        QTest::newRow("trickled over the limit")
            << "/slow" << 3 * limit << "r" << QString() << true;
        QTest::newRow("404") << "/nothing" << 10 << "r" << err + "404\r\nHTTP/1.1 404 Not Found"
                             << false;
    }
    void request()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(QString, referer);
        QFETCH(QString, box);
        QFETCH(bool, spilled);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        const QByteArray body = HttpFixtureServer::patternBody(size);
        server.serve("/fixed", body);
        server.serveChunked("/chunked", body, 1000);
        server.serveTrickle("/slow", body, 8192, 20);
        QTemporaryDir folder;
        RecordingReporter recorder;
        auto w = std::make_unique<clsInet>(recorder);
        w->SpillFolder = folder.path();
        w->MemoryLimit = 64 * 1024;
        QSignalSpy progress(w.get(), &clsInet::Progress);
        w->RequestFile(server.url(path), referer);
        QVERIFY(finished(*w));
        const bool ok = box.isEmpty();
        QCOMPARE(w->DownloadStatus, ok ? TransferStatus::Complete : TransferStatus::Failed);
        QCOMPARE(w->InetState, qint16(ok ? 12 : 11));
        QCOMPARE(w->DataBinary(), ok ? body : QByteArray());
        QVERIFY(!recorder.busy);
        QCOMPARE(server.requests().first().headerValues("Referer"),
                 QList<QByteArray>{referer.trimmed().toUtf8()});
        QVERIFY(ok ? recorder.boxes.isEmpty() : oneBox(recorder, "Fehler", box));
        // Spilled: kept as a hidden part file in the folder until saved or released.
        QCOMPARE(w->BodySpilled(), spilled);
        QCOMPARE(hiddenFiles(folder).size(), spilled ? 1 : 0);
        QVERIFY(!spilled || hiddenFiles(folder).value(0).startsWith(
                                QString(path).replace(u'/', u'.') + ".part-"));
        w.reset();
        QVERIFY(hiddenFiles(folder).isEmpty());
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

    void releasedMidBody()
    {
        HttpFixtureServer server; // a window closed mid-transfer releases the wrapper
        QVERIFY(server.listen());
        server.serveTrickle("/slow", HttpFixtureServer::patternBody(100000), 1000, 20);
        QTemporaryDir folder;
        RecordingReporter recorder;
        auto w = std::make_unique<clsInet>(recorder);
        w->SpillFolder = folder.path();
        w->MemoryLimit = 1000;
        QSignalSpy progress(w.get(), &clsInet::Progress);
        w->RequestFile(server.url("/slow"), QString());
        QVERIFY(progress.wait(20000));
        QCOMPARE(hiddenFiles(folder).size(), 1);
        w.reset();
        QVERIFY(hiddenFiles(folder).isEmpty());
        QVERIFY(recorder.boxes.isEmpty());
    }

    void connection_data()
    {
        QTest::addColumn<int>("accessType");
        QTest::addColumn<QString>("proxy"); // "*": the server itself
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QString>("noProxy"); // "name=value" put into the environment
        const auto row = [](const char *name, int type, QString proxy, int refusal,
                            QString referer = {}, QString noProxy = {}) {
            QTest::newRow(name) << type << proxy << refusal << referer << noProxy;
        };
        row("0 follows http_proxy", 0, "", 0);
        row("1 ignores http_proxy", 1, "", 0);
        row("2 despite no_proxy=127.0.0.1", 2, "*", 0, "", "no_proxy=127.0.0.1");
        row("2 despite NO_PROXY=*", 2, "*", 0, "", "NO_PROXY=*");
        row("2 without a name", 2, "", 35786);
        row("unknown access type", 7, "", 380);
        row("line break in referer", 0, "", 35763, "a\nHost: x");
    }
    void connection()
    {
        QFETCH(int, accessType);
        QFETCH(QString, proxy);
        QFETCH(int, refusal);
        QFETCH(QString, referer);
        QFETCH(QString, noProxy);
        HttpFixtureServer server; // as a proxy it gets the whole URL as the target
        QVERIFY(server.listen());
        server.serve("/f", "body");
        const QList<QByteArray> names{"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"};
        QList<std::optional<QByteArray>> saved;
        for (const QByteArray &name : names) {
            saved.append(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                         : std::nullopt);
            qunsetenv(name);
        }
        const auto restore = qScopeGuard([&] {
            for (qsizetype i = 0; i < names.size(); ++i)
                saved[i] ? qputenv(names[i], *saved[i]) : qunsetenv(names[i]);
        });
        qputenv("http_proxy", server.url(QString()).toLatin1());
        if (!noProxy.isEmpty())
            qputenv(noProxy.section(u'=', 0, 0).toLatin1(), noProxy.section(u'=', 1).toLatin1());
        RecordingReporter recorder;
        clsInet w(recorder);
        w.InetAccessType = AccessType(accessType);
        w.InetProxy = proxy == "*" ? server.hostPort() : proxy;
        w.RequestFile(server.url("/f"), referer);
        QVERIFY(finished(w)); // mended: a refusal ends the wait
        QCOMPARE(server.requests().size(), refusal ? 0 : 1);
        QCOMPARE(w.DownloadStatus, refusal ? TransferStatus::Failed : TransferStatus::Complete);
        const QString box = "Error %1\r\n.+\r\nInet Error 0\r\n.*\r\n%2";
        if (refusal)
            QVERIFY(oneBox(recorder, "Vornix-Downloader",
                           box.arg(refusal).arg(clsInet::InetErrDescription(refusal))));
        else
            QCOMPARE(server.requests()[0].target,
                     accessType == 1 ? "/f" : server.url("/f").toLatin1());
    }

    void laterRequestsReplaceEarlierOnes()
    {
        HttpFixtureServer server;
        QVERIFY(server.listen());
        server.serveSilent("/silent");
        const QByteArray text("A\0\xAC\x20\x01", 5);
        server.serve("/text", text);
        server.serve("/big", HttpFixtureServer::patternBody(5 * 10240));
        RecordingReporter recorder;
        clsInet w(recorder);
        w.RequestFile(server.url("/silent"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 20000);
        w.RequestFile(server.url("/text"), QString());
        QVERIFY(finished(w));
        QCOMPARE(w.DataText(), "A€"); // low byte first, odd byte dropped
        const QByteArray first = w.DataBinary();
        w.RequestFile(server.url("/big"), QString());
        QVERIFY(w.DataBinary().isEmpty() && first == text);
        QTimer interrupter; // a request issued mid-collection takes the component away
        connect(&interrupter, &QTimer::timeout, this, [&] {
            if (recorder.busy && server.requests().size() == 3)
                w.RequestFile(server.url("/silent"), QString());
        });
        interrupter.start(0);
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.boxes.isEmpty(), 20000);
        QVERIFY(oneBox(recorder, "Vornix-Downloader",
                       "checkError in Inetd_StateChanged\r\nError Number 35764\r\n"
                       "Error Description: .+\r\nInet ResponseCode 0\r\nInet ResponseInfo \r\n"
                       "InetErrDescription: Die letzte Anforderung wird noch bearbeitet"));
        QCOMPARE(w.DownloadStatus, TransferStatus::Failed);
        QVERIFY(!recorder.busy); // mended: the busy pointer does not stay
    }

    void errorTable_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("known number") << 35805 << "HTTPS nach HTTP bei Umleitung";
        QTest::newRow("gap inside the range") << 35801 << "";
        QTest::newRow("past the range") << 35938 << "";
    }
    void errorTable()
    {
        QFETCH(int, number);
        QTEST(clsInet::InetErrDescription(number), "text");
    }
};

VORNIX_TEST_MAIN(tst_clsInet)
#include "tst_clsInet.moc"
