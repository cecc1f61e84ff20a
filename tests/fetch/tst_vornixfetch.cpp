#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

// Generous: the program is built with the sanitizers and starts slowly.
static constexpr int kTimeoutMs = 60000;

// The arguments are split at single spaces: two pass an empty one. Saved is every file below
// the folder afterwards, in name order, as name=content; a file holding /old was made before
// the run. Err is all of stderr, where * stands for any text within a line. The signal is sent
// once the last request has arrived and the folder holds the saved files and partFiles more:
// those of bodies still arriving.
struct Run
{
    QString arguments, saved;
    int exitCode, requests;
    QString err, out = {};
    int signal = 0, partFiles = 0;
};

// vornix-fetch as a user runs it: a child process with the fixture answering
// in this test's event loop, its working folder a fresh temporary one.
class tst_vornixfetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<Run>("r");
        const auto row = [](const char *name, const Run &r) { QTest::newRow(name) << r; };
        // Refused before any request: exit code 2 and one line naming what is wrong.
        const auto refused = [&](const char *name, QString args, QString says, QString saved = {}) {
            row(name, {args, saved, 2, 0, "vornix-fetch: *" + says + "*\n"});
        };
        const auto failed = [](const QString &path, QString status = "404 Not Found") -> QString {
            return "{url}" + path + ": icError in StateChanged 0 – Inet Error " + status.left(3) +
                   " – HTTP/1.1 " + status + "\n";
        };
        row("three files into the current folder",
            {"--proxy direct -l 1-3 {url}/f§", "f1=/f1 f2=/f2 f3=/f3", 0, 3,
             "[1/3] gespeichert: {dir}/f1 (3 B)\n*\n*\n3 von 3 gespeichert\n"});
        row("relative folder, prefix and referer",
            {"-d sub --prefix x_ -e http://ref/ -l 2;1 {url}/f§", "sub/x_f1=/f1 sub/x_f2=/f2", 0, 2,
             "[1/2] gespeichert: {dir}/sub/x_f2 *\n*\n2 von 2 gespeichert\n"});
        row("one 404 among three",
            {"-l 1;404;3 {url}/f§", "f1=/f1 f3=/f3", 1, 3,
             "*\n" + failed("/f404") + "*\n2 von 3 gespeichert, 1 fehlgeschlagen\n"});
        // Quiet: only the failure.
        row("quiet", {"-q -l 1;404;3 {url}/f§", "f1=/f1 f3=/f3", 1, 3, failed("/f404")});
        row("same name twice with --overwrite",
            {"--overwrite -l 1;2 {url}/f#§", "f=/f", 0, 2, "*\n*\n2 von 2 gespeichert\n"});
        row("dry run prints and fetches nothing",
            {"-n -d sub -l 1;x {url}/f§ --prefix p", "", 0, 0, "",
             "{url}/f1\t{dir}/sub/pf1\n{url}/fx\t{dir}/sub/pfx\n"});
        row("padded ranges", {"-n --pad -l 08-09;7-7 {url}/f§", "", 0, 0, "",
                              "{url}/f08\t{dir}/f08\n{url}/f09\t{dir}/f09\n{url}/f7\t{dir}/f7\n"});
        row("skip existing, pause between requests",
            {"--skip-existing --pause 300 -l 1-3 {url}/f§", "f1=/f1 f2=/old f3=/f3", 0, 2,
             "[1/3] gespeichert: *\n[2/3] übersprungen: {dir}/f2\n"
             "[3/3] gespeichert: *\n2 von 3 gespeichert, 1 übersprungen\n"});
        // The first wait before another try is one second and a bit.
        row("retries: one 503 passed, two too many",
            {"--retries 1 -l r;s {url}/f§", "fr=/fr", 1, 4,
             "[1/2] Warte 1 s vor Versuch 2 von 2: {url}/fr\n[1/2] gespeichert: *\n"
             "[2/2] Warte 1 s vor Versuch 2 von 2: {url}/fs\n" +
                 failed("/fs", "503 Service Unavailable") +
                 "1 von 2 gespeichert, 1 fehlgeschlagen\n"});
        row("stop after two failures in a row",
            {"--stop-after 2 -l 404;1;405;406;2 {url}/f§", "f1=/f1", 1, 4,
             failed("/f404") + "*\n" + failed("/f405") + failed("/f406") +
                 "1 von 5 gespeichert, 3 fehlgeschlagen, beendet nach 2 Fehlschlägen in Folge\n"});
        row("four side by side",
            {"-j 4 -l 1-8 {url}/f§", "f1=/f1 f2=/f2 f3=/f3 f4=/f4 f5=/f5 f6=/f6 f7=/f7 f8=/f8", 0,
             8,
             QString("[*/8] gespeichert: {dir}/f* (3 B)\n").repeated(8) + "8 von 8 gespeichert\n"});
        // The held file keeps what it had and no temporary file is left.
        const QString stopped = "*\n1 von 3 gespeichert, abgebrochen\n", held = "f1=/f1 fh=/old";
        row("Ctrl+C", {"-l 1;h;3 {url}/f§", held, 130, 2, stopped, "", SIGINT});
        row("SIGTERM", {"-l 1;h;3 {url}/f§", held, 143, 2, stopped, "", SIGTERM});
        // Three at once: one saved, one held, one writing its part file.
        row("SIGTERM -j 3", {"-j 3 -l 1;p;h {url}/f§", held, 143, 3, stopped, "", SIGTERM, 1});
        refused("unknown option", "--bogus {url}/f§", "'bogus'");
        refused("missing template", "-l 1", "Vorlage");
        refused("two templates", "{url}/f§ {url}/g§", "\"{url}/g§\"");
        refused("empty placeholder", "-p  {url}/f§", "Platzhalter");
        refused("missing folder", "-d gone {url}/f§", "\"{dir}/gone\"");
        refused("folder is a file", "-d afile {url}/f§", "\"{dir}/afile\"", "afile=/old");
        // Nobody can create files there, not even root.
        refused("unwritable folder", "-d /proc {url}/f§", "\"/proc\"");
        refused("proxy not host:port", "--proxy http://h:8080 {url}/f§", "\"http://h:8080\"");
        refused("list item no number", "-l 1;a-3 {url}/f§", "\"a-3\"");
        refused("too long", "-l " + QString("0-32767;").repeated(8) + " {url}/f§", "262144 URLs");
        refused("same name twice", "-l 1;2 {url}/f#§", "--overwrite");
        refused("retries above 10", "--retries 11 {url}/f§", "0 bis 10");
        refused("pause not a whole number", "--pause 1.5 {url}/f§", "\"1.5\"");
        refused("stop-after below 0", "--stop-after -1 {url}/f§", "ab 0");
        refused("parallel below 1", "-j 0 {url}/f§", "--parallel * von 1 bis 16, nicht \"0\"");
        refused("parallel above 16", "--parallel 17 {url}/f§", "von 1 bis 16, nicht \"17\"");
    }
    void run()
    {
        QFETCH(Run, r);
        const auto &[arguments, saved, exitCode, requests, err, out, signal, partFiles] = r;
        HttpFixtureServer server;
        QVERIFY(server.listen());
        // Each body is its URL path, so a saved file tells where it came from.
        server.serve("/f", "/f");
        for (int i = 1; i <= 8; ++i)
            server.serve("/f" + QByteArray::number(i), "/f" + QByteArray::number(i));
        // Busy once or twice, then the body.
        const HttpFixtureServer::Reply busy("busy", 503, "Service Unavailable");
        server.serveInTurn("/fr", {busy, {"/fr"}});
        server.serveInTurn("/fs", {busy, busy, {"/fs"}});
        server.serveSilent("/fh");
        // Announced larger than a body kept in memory, so it goes to a part file, and never done.
        server.serveRaw("/fp", "HTTP/1.1 200 OK\r\nContent-Length: 2000000\r\n\r\nbegun");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        for (const QString &entry : saved.split(' ', Qt::SkipEmptyParts))
            if (entry.endsWith("=/old"))
                QVERIFY(writeFile(dir.filePath(entry.section('=', 0, 0)), "/old"));
        const auto expand = [&](QString text) {
            return text.replace("{url}", server.url(QString())).replace("{dir}", dir.path());
        };

        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(VORNIX_FETCH_PROGRAM, expand(arguments).split(' '));
        QTRY_COMPARE_WITH_TIMEOUT(int(server.requests().size()), requests, kTimeoutMs);
        if (signal != 0) {
            const qsizetype files = saved.count('=') + partFiles;
            QTRY_COMPARE_WITH_TIMEOUT(filesBelow(dir.path()).size(), files, kTimeoutMs);
            QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signal), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, kTimeoutMs);
        const QString stdErr = QString::fromUtf8(process.readAllStandardError());
        // Without a terminal there is no progress line to redraw, so * never spans a \r.
        const QRegularExpression errMatch(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(expand(err)).replace("\\*", "[^\r\n]*")));
        QVERIFY2(errMatch.match(stdErr).hasMatch(), qPrintable(stdErr));
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), expand(out));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);

        QStringList found;
        for (const QString &name : filesBelow(dir.path()))
            found << name + '=' + QString::fromUtf8(readFile(dir.filePath(name)));
        QCOMPARE(found.join(' '), saved);
        QCOMPARE(server.requests().size(), requests);
        // The word after the option, or nothing when the row has none.
        const QByteArray referer = arguments.section("-e ", 1).section(' ', 0, 0).toUtf8();
        for (const HttpFixtureServer::Request &request : server.requests())
            QCOMPARE(request.headerValues("Referer"), QList<QByteArray>{referer});
        const int pauseMs = arguments.section("--pause ", 1).section(' ', 0, 0).toInt();
        for (qsizetype i = 1; i < server.requests().size(); ++i)
            QCOMPARE_GE(server.requests().at(i).atMs - server.requests().at(i - 1).atMs, pauseMs);
    }
};

VORNIX_TEST_MAIN(tst_vornixfetch)
#include "tst_vornixfetch.moc"
