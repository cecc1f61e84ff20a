#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <csignal>
#include <unistd.h>

// Generous: the program is built with the sanitizers and starts slowly.
static constexpr int kTimeoutMs = 60000;

// The arguments are split at single spaces: two pass an empty one. Saved is every file below
// the folder afterwards, in name order, as name=content; a file holding /old was made before
// the run. Err is all of stderr, where * stands for any text within a line. The signal is sent
// once the last request has arrived and the folder holds the saved files and partFiles more:
// those of bodies still arriving. {unknown option} in err is Qt's German text for --bogus.
// The program is started by `shell` ($0 the program, $@ the arguments), which may take the
// working folder away first or make stdout a full disk.
struct Run
{
    QString arguments, saved;
    int exitCode, requests;
    QString err, out = {};
    int signal = 0, partFiles = 0;
    QString shell = R"(exec "$0" "$@")";
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
        const QString full = R"(exec "$0" "$@" >/dev/full)";
        const QString gone = R"(cd sub && rmdir ../sub && exec "$0" "$@")";
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
        row("plain ranges without --pad",
            {"-n -l 08-09;7-7 {url}/f§", "", 0, 0, "",
             "{url}/f8\t{dir}/f8\n{url}/f9\t{dir}/f9\n{url}/f7\t{dir}/f7\n"});
        row("dry run into a full disk",
            {"-n -l 1 {url}/f§", "", 1, 0, "vornix-fetch: *Ausgabe*\n", "", 0, 0, full});
        row("highest retries and pause",
            {"--retries 10 --pause 60000 --pause-jitter 60000 -l 1 {url}/f§", "f1=/f1", 0, 1,
             "*\n1 von 1 gespeichert\n"});
        row("--create-dirs makes a missing folder",
            {"--create-dirs -d new/deep -l 1 {url}/f§", "new/deep/f1=/f1", 0, 1,
             "[1/1] gespeichert: {dir}/new/deep/f1 (3 B)\n1 von 1 gespeichert\n"});
        row("full path in a vanished working folder",
            {"-d {dir} -l 1 {url}/f§", "f1=/f1", 0, 1, "*\n1 von 1 gespeichert\n", "", 0, 0, gone});
        // Escape, BEL, CR, DEL and C1's CSI: none may reach the terminal.
        row("control characters from the server",
            {"-l e {url}/f§", "", 1, 1,
             failed("/fe", "404 \\x1b]0;x\\x07\\x1b[2K\\x0dgone\\x7f\\x9b") +
                 "0 von 1 gespeichert, 1 fehlgeschlagen\n"});
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
                 "1 von 5 gespeichert, 3 fehlgeschlagen, 1 nicht versucht, beendet nach 2 "
                 "Fehlschlägen in Folge\nnicht versucht: {url}/f2\n"});
        // A folder of the file's name is not the file: a failure, never a skip.
        row("skip existing: a folder of the file's name",
            {"--skip-existing -l b {url}/su§", "", 1, 0,
             "{url}/sub: *keine Datei, sondern ein Ordner*\n0 von 1 gespeichert, 1 "
             "fehlgeschlagen\n"});
        const QString eight = "f1=/f1 f2=/f2 f3=/f3 f4=/f4 f5=/f5 f6=/f6 f7=/f7 f8=/f8";
        row("four side by side",
            {"-j 4 -l 1-8 {url}/f§", eight, 0, 8,
             QString("[*/8] gespeichert: {dir}/f* (3 B)\n").repeated(8) + "8 von 8 gespeichert\n"});
        // The held file keeps what it had and no temporary file is left; the one cut off and
        // those never asked for are named.
        const auto stopped = [](QString first, QString second) -> QString {
            return "*\n1 von 3 gespeichert, 2 nicht versucht, abgebrochen\n" +
                   QString("nicht versucht: {url}/f%1\nnicht versucht: {url}/f%2\n")
                       .arg(first, second);
        };
        const QString held = "f1=/f1 fh=/old";
        row("Ctrl+C", {"-l 1;h;3 {url}/f§", held, 130, 2, stopped("h", "3"), "", SIGINT});
        row("SIGTERM", {"-l 1;h;3 {url}/f§", held, 143, 2, stopped("h", "3"), "", SIGTERM});
        // Three at once: one saved, one held, one writing its part file.
        row("SIGTERM -j 3",
            {"-j 3 -l 1;p;h {url}/f§", held, 143, 3, stopped("p", "h"), "", SIGTERM, 1});
        row("user agent, header, cookie file, rate limit",
            {"-A Mozilla/5.0 -H Accept:image/* -b {cookies} --limit-rate 1M -l 1 {url}/f§",
             "f1=/f1", 0, 1, "*\n1 von 1 gespeichert\n"});
        row("SIGHUP ignored from the start, as by nohup",
            {"--timeout 1 -l h {url}/f§", "", 1, 1,
             "*Zeitüberschreitung*\n0 von 1 gespeichert, 1 fehlgeschlagen\n", "", SIGHUP, 0,
             R"(trap '' HUP; exec "$0" "$@")"});
        row("the highest rate limit there is",
            {"--limit-rate 8589934591G -l 1-3 {url}/f§", "f1=/f1 f2=/f2 f3=/f3", 0, 3,
             "*\n*\n*\n3 von 3 gespeichert\n"});
        row("https without --cacert",
            {"-l 1 {tls}/f§", "", 1, 0, "*\n0 von 1 gespeichert, 1 fehlgeschlagen\n"});
        row("--cacert",
            {"--cacert {ca} -l 1 {tls}/f§", "f1=/f1", 0, 0, "*\n1 von 1 gespeichert\n"});
        row("--max-filesize", {"--max-filesize 2 -l 1 {url}/f§", "", 1, 1,
                               "*größer als die Höchstgröße von 2 Bytes*\n0 von 1 gespeichert, "
                               "1 fehlgeschlagen\n"});
        row("--timeout", {"--timeout 1 -l h {url}/f§", "", 1, 1,
                          "*Zeitüberschreitung*\n0 von 1 gespeichert, 1 fehlgeschlagen\n"});
        row("unreadable cookie file", {"-b {dir}/none -l 1 {url}/f§", "", 1, 0,
                                       "*Die Cookie-Datei \"{dir}/none\" kann nicht gelesen "
                                       "werden (nicht vorhanden)*\n*\n*\n"});
        const auto badHeader = [](const char *line, const char *why) {
            return QString("Die Kopfzeile \"%1\" ist ungültig: %2")
                .arg(QString::fromUtf8(line), QString::fromUtf8(why));
        };
        refused("a header the program sets", "-H Range:0- {url}/f§",
                badHeader("Range:0-", "\"Range\" setzt das Programm selbst."));
        refused("a header without a name", "-H :x {url}/f§",
                badHeader(":x", "sie hat keinen Namen (erwartet: \"Name: Wert\")."));
        refused(
            "a header with a line break", "-H a:b\nHost:c {url}/f§",
            badHeader("a:b\\x0aHost:c", "sie enthält einen Zeilenumbruch oder ein Nullzeichen."));
        refused("a user agent with a line break", "-A a\nCookie:x {url}/f§",
                "-A darf keinen Zeilenumbruch");
        refused("unknown option", "--bogus {url}/f§", "{unknown option}");
        refused("missing template", "-l 1", "Vorlage");
        refused("two templates", "{url}/f§ {url}/g§", "\"{url}/g§\"");
        refused("empty placeholder", "-p  {url}/f§", "Platzhalter");
        refused("missing folder without --create-dirs", "-d gone {url}/f§", "\"{dir}/gone\"");
        refused("empty folder", "-d  {url}/f§", "Zielordner");
        row("-d . in a vanished working folder",
            {"-d . {url}/f§", "", 2, 0, "vornix-fetch: *aktuelle Ordner*\n", "", 0, 0, gone});
        refused("folder is a file", "-d afile {url}/f§", "\"{dir}/afile\"", "afile=/old");
        // Nobody can create files there, not even root.
        refused("unwritable folder", "-d /proc {url}/f§", "\"/proc\"");
        refused("proxy not host:port", "--proxy http://h:8080 {url}/f§", "\"http://h:8080\"");
        refused("list item no number", "-l 1;a-3 {url}/f§", "\"a-3\"");
        refused("a list giving no URL", "-l 10-1 {url}/f§", "\"10-1\" ergibt keine URL");
        refused("too long", "-l " + QString("0-32767;").repeated(8) + " {url}/f§", "262144 URLs");
        refused("same name twice", "-l 1;2 {url}/f#§", "--overwrite");
        refused("a URL without a file name", "-l / {url}§", "\"{url}/\" ergibt keinen");
        refused("a file name too long", "-l 1 {url}/" + QString(255, 'a') + "§",
                "länger als 255 Bytes");
        refused("retries above 10", "--retries 11 {url}/f§", "0 bis 10");
        refused("pause not a whole number", "--pause 1.5 {url}/f§", "\"1.5\"");
        refused("stop-after below 0", "--stop-after -1 {url}/f§", "ab 0");
        refused("parallel below 1", "-j 0 {url}/f§", "--parallel * von 1 bis 16, nicht \"0\"");
        refused("parallel above 16", "--parallel 17 {url}/f§", "von 1 bis 16, nicht \"17\"");
    }
    void run()
    {
        QFETCH(Run, r);
        const auto &[arguments, saved, exitCode, requests, err, out, signal, partFiles, shell] = r;
        QTranslator qt;
        const QString unknownOption =
            qt.load(QLocale(QLocale::German), "qtbase", "_",
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                ? qt.translate("QCommandLineParser", "Unknown option '%1'.").replace("%1", "bogus")
                : QString();
        if (err.contains("{unknown option}") && unknownOption.isEmpty())
            QSKIP("Qt's German text for an unknown option (qtbase_de.qm) is not installed");
        HttpFixtureServer server;
        QVERIFY(server.listen());
        // Each body is its URL path, so a saved file tells where it came from.
        for (const QByteArray n : {"", "1", "2", "3", "4", "5", "6", "7", "8"})
            server.serve("/f" + n, "/f" + n);
        // Busy once or twice, then the body.
        const HttpFixtureServer::Reply busy("busy", 503, "Service Unavailable");
        server.serveInTurn("/fr", {busy, {"/fr"}});
        server.serveInTurn("/fs", {busy, busy, {"/fs"}});
        server.serveSilent("/fh");
        server.serveInTurn("/fe", {{"gone", 404, "\x1b]0;x\x07\x1b[2K\rgone\x7f\xc2\x9b"}});
        // Announced larger than a body kept in memory, so it goes to a part file, and never done.
        server.serveRaw("/fp", "HTTP/1.1 200 OK\r\nContent-Length: 2000000\r\n\r\nbegun");
        // {tls}: the same files over https; {cookies}: a cookie for every path of 127.0.0.1.
        HttpFixtureServer tls;
        QVERIFY(tls.listenTls());
        tls.serve("/f1", "/f1");
        QTemporaryDir dir, aside;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        QVERIFY(writeFile(aside.filePath("cookies.txt"), "127.0.0.1\tFALSE\t/\tFALSE\t0\tc\t1\n"));
        for (const QString &entry : saved.split(' ', Qt::SkipEmptyParts))
            if (entry.endsWith("=/old"))
                QVERIFY(writeFile(dir.filePath(entry.section('=', 0, 0)), "/old"));
        const auto expand = [&](QString text) {
            return text.replace("{url}", server.url(QString()))
                .replace("{tls}", tls.url(QString()))
                .replace("{ca}", HttpFixtureServer::caFile())
                .replace("{cookies}", aside.filePath("cookies.txt"))
                .replace("{dir}", dir.path())
                .replace("{unknown option}", unknownOption);
        };

        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start("/bin/sh", QStringList{"-c", shell, VORNIX_FETCH_PROGRAM} +
                                     expand(arguments).split(' '));
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
        // -A, -H and -b as given, on every request.
        const QByteArray agent = arguments.section("-A ", 1).section(' ', 0, 0).toUtf8();
        const QString extra = arguments.section("-H ", 1).section(' ', 0, 0);
        for (const HttpFixtureServer::Request &request : server.requests() + tls.requests()) {
            QCOMPARE(request.headerValues("Referer"), QList<QByteArray>{referer});
            QVERIFY(agent.isEmpty() || request.headerValues("User-Agent").value(0) == agent);
            QVERIFY(extra.isEmpty() ||
                    request.headerValues(extra.section(':', 0, 0).toUtf8()).value(0) ==
                        extra.section(':', 1).toUtf8());
            QCOMPARE(request.headerValues("Cookie").value(0),
                     arguments.contains("-b {cookies}") ? "c=1" : "");
        }
        const int pauseMs = arguments.section("--pause ", 1).section(' ', 0, 0).toInt();
        for (qsizetype i = 1; i < server.requests().size(); ++i)
            QCOMPARE_GE(server.requests().at(i).atMs - server.requests().at(i - 1).atMs, pauseMs);
    }
    // Stopped 2 MiB into a body too large for memory, the run keeps them when they can be
    // continued, and the next run asks only for the rest. Without a reader of stderr the run ends
    // too, cleanly.
    void keepsWhatArrived_data()
    {
        QTest::addColumn<int>("signal"); // none: stderr's reader is gone
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGTERM") << SIGTERM << 143;
        QTest::newRow("SIGHUP") << SIGHUP << 129;
        QTest::newRow("Ctrl+C") << SIGINT << 130;
        QTest::newRow("stderr gone, no validator") << 0 << 1;
    }
    void keepsWhatArrived()
    {
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        HttpFixtureServer server;
        QVERIFY(server.listen());
        const QByteArray body = HttpFixtureServer::patternBody(3 << 20);
        auto file = std::make_shared<HttpFixtureServer::Resource>(body, signal ? "\"a\"" : "");
        file->stallAfter = 2 << 20;
        file->closeAfterStall = !signal; // a retry follows, and its wait is told on stderr
        server.serveResource("/big1", file);
        QTemporaryDir dir;
        int reader[2] = {-1, -1};
        QVERIFY(::pipe(reader) == 0);
        ::close(reader[0]);
        const QStringList args{"--retries", "1", "-l", "1", server.url("/big§")};
        QProcess process;
        process.setWorkingDirectory(dir.path());
        if (!signal)
            process.setChildProcessModifier([&reader] { ::dup2(reader[1], STDERR_FILENO); });
        process.start(VORNIX_FETCH_PROGRAM, args);
        ::close(reader[1]);
        if (signal) {
            QTRY_COMPARE_WITH_TIMEOUT(
                QFileInfo(dir.filePath(filesBelow(dir.path()).value(0))).size(), 2 << 20,
                kTimeoutMs);
            QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signal), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, kTimeoutMs);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(server.requests().size(), 1); // no retry once nobody reads stderr
        QCOMPARE(filesBelow(dir.path()), signal ? QStringList{".big1.vornix-part"} : QStringList());
        if (!signal)
            return;

        file->stallAfter = -1;
        process.start(VORNIX_FETCH_PROGRAM, args);
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, kTimeoutMs);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(server.requests().last().headerValues("Range"),
                 QList<QByteArray>{"bytes=2097152-"});
        QCOMPARE(server.requests().last().headerValues("If-Range"), QList<QByteArray>{"\"a\""});
        QVERIFY(process.readAllStandardError().contains("Fortsetzen bei 2,0 MiB"));
        QVERIFY(readFile(dir.filePath("big1")) == body);
        QCOMPARE(filesBelow(dir.path()), QStringList{"big1"});
    }
};

VORNIX_TEST_MAIN(tst_vornixfetch)
#include "tst_vornixfetch.moc"
