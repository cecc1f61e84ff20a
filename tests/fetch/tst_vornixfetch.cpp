#include "HttpFixtureServer.h"
#include "TestMain.h"

#include <QDirIterator>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>

namespace {
// Generous: the program is built with the sanitizers and starts slowly.
constexpr int kTimeoutMs = 60000;

QByteArray body(const QString &path)
{
    return "body of " + path.toUtf8();
}
} // namespace

// vornix-fetch as a user runs it: a child process with the fixture answering
// in this test's event loop, its working folder a fresh temporary one.
class tst_vornixfetch : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QProcess> process;
    std::unique_ptr<QSignalSpy> finished;

    QString expand(QString text) const
    {
        return text.replace("{url}", server->url(QString())).replace("{dir}", dir->path());
    }
    void start(QStringList arguments)
    {
        for (QString &argument : arguments)
            argument = expand(argument);
        process->setWorkingDirectory(dir->path());
        process->start(VORNIX_FETCH_PROGRAM, arguments);
    }
    // Every file below the folder, hidden ones too, by relative path.
    QStringList files() const
    {
        QStringList found;
        QDirIterator it(dir->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(dir->path()).relativeFilePath(it.next());
        found.sort();
        return found;
    }
    QByteArray file(const QString &name) const
    {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        for (const QString &path : QStringList{"/f", "/f1", "/f2", "/f3"})
            server->serve(path.toUtf8(), body(path));
        using Reply = HttpFixtureServer::Reply;
        const Reply busy(Reply::Kind::Fixed, "busy", 503, "Service Unavailable");
        server->serveInTurn("/fr", {busy, Reply(Reply::Kind::Fixed, body("/fr"))});
        server->serveInTurn("/fs", {busy, busy, Reply(Reply::Kind::Fixed, body("/fs"))});
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir(dir->path()).mkdir("sub"));
        process = std::make_unique<QProcess>();
        finished = std::make_unique<QSignalSpy>(process.get(), &QProcess::finished);
    }

    void fetch_data()
    {
        QTest::addColumn<QStringList>("existing"); // files made before, each holding body("/old")
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("saved"); // file=the URL path whose body it holds
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("err"); // pattern for all of stderr
        QTest::addColumn<QString>("out");
        using L = QStringList;
        const auto failed = [](const QString &path, const QString &status) -> QString {
            return "{url}" + path + ": icError in StateChanged 0 – Inet Error " + status.left(3) +
                   " – HTTP/1\\.1 " + status + "\n";
        };
        const QString failure = failed("/f404", "404 Not Found");
        QTest::newRow("three files into the current folder")
            << L() << L{"--proxy", "direct", "-l", "1-3", "{url}/f§"} << 0
            << L{"f1=/f1", "f2=/f2", "f3=/f3"} << 3
            << "\\[1/3\\] gespeichert: {dir}/f1 \\(11 B\\)\n.*\n.*\n3 von 3 gespeichert\n"
            << "";
        QTest::newRow("relative folder, prefix and referer")
            << L() << L{"-d", "sub", "--prefix", "x_", "-e", "http://ref/", "-l", "2;1", "{url}/f§"}
            << 0 << L{"sub/x_f1=/f1", "sub/x_f2=/f2"} << 2
            << "\\[1/2\\] gespeichert: {dir}/sub/x_f2 .*\n.*\n2 von 2 gespeichert\n"
            << "";
        QTest::newRow("one 404 among three")
            << L() << L{"-l", "1;404;3", "{url}/f§"} << 1 << L{"f1=/f1", "f3=/f3"} << 3
            << ".*\n" + failure + ".*\n2 von 3 gespeichert, 1 fehlgeschlagen\n"
            << "";
        QTest::newRow("quiet prints only the failure")
            << L() << L{"-q", "-l", "1;404;3", "{url}/f§"} << 1 << L{"f1=/f1", "f3=/f3"} << 3
            << failure << "";
        QTest::newRow("same name twice with --overwrite")
            << L() << L{"--overwrite", "-l", "1;2", "{url}/f#§"} << 0 << L{"f=/f"} << 2
            << ".*\n.*\n2 von 2 gespeichert\n"
            << "";
        QTest::newRow("dry run prints and fetches nothing")
            << L() << L{"-n", "-d", "sub", "-l", "1;x", "{url}/f§", "--prefix", "p"} << 0 << L()
            << 0 << ""
            << "{url}/f1\t{dir}/sub/pf1\n{url}/fx\t{dir}/sub/pfx\n";
        QTest::newRow("skip existing, pause between requests")
            << L{"f2"} << L{"--skip-existing", "--pause", "300", "-l", "1-3", "{url}/f§"} << 0
            << L{"f1=/f1", "f2=/old", "f3=/f3"} << 2
            << "\\[1/3\\] gespeichert: .*\n\\[2/3\\] übersprungen: {dir}/f2\n"
               "\\[3/3\\] gespeichert: .*\n2 von 3 gespeichert, 1 übersprungen\n"
            << "";
        // The first wait before another try is one second and a bit.
        QTest::newRow("retries: one 503 passed, two too many")
            << L() << L{"--retries", "1", "-l", "r;s", "{url}/f§"} << 1 << L{"fr=/fr"} << 4
            << "\\[1/2\\] Warte 1 s vor Versuch 2 von 2: {url}/fr\n\\[1/2\\] gespeichert: .*\n"
               "\\[2/2\\] Warte 1 s vor Versuch 2 von 2: {url}/fs\n" +
                   failed("/fs", "503 Service Unavailable") +
                   "1 von 2 gespeichert, 1 fehlgeschlagen\n"
            << "";
        QTest::newRow("stop after two failures in a row")
            << L() << L{"--stop-after", "2", "-l", "404;1;405;406;2", "{url}/f§"} << 1
            << L{"f1=/f1"} << 4
            << failure + ".*\n" + failed("/f405", "404 Not Found") +
                   failed("/f406", "404 Not Found") +
                   "1 von 5 gespeichert, 3 fehlgeschlagen, beendet nach 2 Fehlschlägen in Folge\n"
            << "";
    }
    void fetch()
    {
        QFETCH(QStringList, existing);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, saved);
        QFETCH(int, requests);
        QFETCH(QString, err);
        QFETCH(QString, out);
        for (const QString &name : existing) {
            QFile f(dir->filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(body("/old")) > 0);
        }
        start(arguments);
        QTRY_COMPARE_WITH_TIMEOUT(finished->size(), 1, kTimeoutMs);
        const QString stdErr = QString::fromUtf8(process->readAllStandardError());
        // Without a terminal there is no progress line to redraw.
        QVERIFY2(!stdErr.contains('\r'), qPrintable(stdErr));
        const QRegularExpression errPattern(QRegularExpression::anchoredPattern(expand(err)));
        QVERIFY2(errPattern.match(stdErr).hasMatch(), qPrintable(stdErr));
        QCOMPARE(QString::fromUtf8(process->readAllStandardOutput()), expand(out));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), exitCode);

        QStringList names;
        for (const QString &entry : saved) {
            names << entry.section('=', 0, 0);
            QCOMPARE(file(names.last()), body(entry.section('=', 1)));
        }
        names.sort();
        QCOMPARE(files(), names);
        QCOMPARE(server->requests().size(), requests);
        const int e = arguments.indexOf("-e");
        const QByteArray referer = e < 0 ? QByteArray() : arguments.at(e + 1).toUtf8();
        for (const HttpFixtureServer::Request &request : server->requests())
            QCOMPARE(request.headerValues("Referer"), QList<QByteArray>{referer});
        const int p = arguments.indexOf("--pause");
        const int pauseMs = p < 0 ? 0 : arguments.at(p + 1).toInt();
        for (qsizetype i = 1; i < server->requests().size(); ++i)
            QCOMPARE_GE(server->requests().at(i).atMs - server->requests().at(i - 1).atMs, pauseMs);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");
        using L = QStringList;
        QTest::newRow("unknown option") << L{"--bogus", "{url}/f§"} << "'bogus'";
        QTest::newRow("missing template") << L{"-l", "1"} << "Vorlage";
        QTest::newRow("two templates") << L{"{url}/f§", "{url}/g§"} << "\"{url}/g§\"";
        QTest::newRow("empty placeholder") << L{"-p", "", "{url}/f§"} << "Platzhalter";
        QTest::newRow("missing folder") << L{"-d", "gone", "{url}/f§"} << "\"{dir}/gone\"";
        QTest::newRow("folder is a file") << L{"-d", "afile", "{url}/f§"} << "\"{dir}/afile\"";
        // Nobody can create files there, not even root.
        QTest::newRow("unwritable folder") << L{"-d", "/proc", "{url}/f§"} << "\"/proc\"";
        QTest::newRow("proxy not host:port")
            << L{"--proxy", "http://127.0.0.1:8080", "{url}/f§"} << "\"http://127.0.0.1:8080\"";
        QTest::newRow("list item no number") << L{"-l", "1;a-3", "{url}/f§"} << "\"a-3\"";
        QTest::newRow("list too long")
            << L{"-l", QString("0-32767;").repeated(8), "{url}/f§"} << "262144 URLs";
        QTest::newRow("same name twice") << L{"-l", "1;2", "{url}/f#§"} << "--overwrite";
        QTest::newRow("retries above 10") << L{"--retries", "11", "{url}/f§"} << "0 bis 10";
        QTest::newRow("pause not a whole number") << L{"--pause", "1.5", "{url}/f§"} << "\"1.5\"";
        QTest::newRow("stop-after below 0") << L{"--stop-after", "-1", "{url}/f§"} << "ab 0";
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        QFile afile(dir->filePath("afile"));
        QVERIFY(afile.open(QIODevice::WriteOnly));
        afile.close();
        start(arguments);
        QTRY_COMPARE_WITH_TIMEOUT(finished->size(), 1, kTimeoutMs);
        const QString stdErr = QString::fromUtf8(process->readAllStandardError());
        QVERIFY2(stdErr.startsWith("vornix-fetch: ") && stdErr.count('\n') == 1 &&
                     stdErr.endsWith('\n') && stdErr.contains(expand(mentions)),
                 qPrintable(stdErr));
        QCOMPARE(process->readAllStandardOutput(), QByteArray());
        QCOMPARE(process->exitCode(), 2);
        QCOMPARE(server->requests().size(), 0);
        QCOMPARE(files(), QStringList{"afile"});
    }

    void stopSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("Ctrl+C") << SIGINT << 130;
        QTest::newRow("SIGTERM") << SIGTERM << 143;
    }
    void stopSignal()
    {
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        QFile existing(dir->filePath("f2"));
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("old") == 3);
        existing.close();
        server->serveSilent("/f2");
        start({"-l", "1-3", "{url}/f§"});
        QTRY_COMPARE_WITH_TIMEOUT(server->requests().size(), 2, kTimeoutMs);
        QCOMPARE(::kill(static_cast<pid_t>(process->processId()), signal), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished->size(), 1, kTimeoutMs);
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), exitCode);
        QVERIFY(process->readAllStandardError().endsWith("\n1 von 3 gespeichert, abgebrochen\n"));
        // No temporary file left, the held file as it was.
        QCOMPARE(files(), (QStringList{"f1", "f2"}));
        QCOMPARE(file("f2"), QByteArray("old"));
        QCOMPARE(server->requests().size(), 2);
    }
};

VORNIX_TEST_MAIN(tst_vornixfetch)
#include "tst_vornixfetch.moc"
