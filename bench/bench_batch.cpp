#include "BenchRegistry.h"
#include "LoopbackServer.h"
#include "ProcessFigures.h"
#include "app/frmMain.h"
#include "download/BodyStore.h"
#include "download/Message.h"
#include "ui/MsgBox.h"
#include "ui/Settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// Set in the fresh process that does the measuring: each figure runs in its
// own process, so settings are isolated before anything reads them and the
// resident peak and CPU time start from nothing earlier figures left behind.
const char *const kChildVariable = "VORNIX_BENCH_BATCH_CHILD";

constexpr uint64_t KiB = 1024;
constexpr uint64_t MiB = 1024 * KiB;

// One way of fetching the work: our window or curl, with how many transfers
// run side by side.
struct Side
{
    const char *label;
    bool ours = false;
    // Ours: the setting "GleichzeitigeDownloads"; curl: 1 fetches one by one,
    // more adds -Z --parallel-max.
    int parallel = 1;
};

struct Work
{
    int files = 0;
    uint64_t bodySize = 0;
    int delayMs = 0;   // a slow server: every answer this late
    int latencyMs = 0; // a distant server: this late, twice on a new connection
    int runs = 1;
    bool checksums = false; // of f1, before the files are deleted
    std::vector<Side> sides = {{"batch (cmdDownload_Click)", true, 1},
                               {"curl (URL glob, to files)", false, 1}};
};

bool fetchWithCurl(LoopbackServer &server, const Work &work, const Side &side, const QString &dir,
                   Figure &f)
{
    std::vector<std::string> args = {"curl", "-s", "--noproxy", "*"};
    if (side.parallel > 1) {
        // curl 7.88.1 shows the parallel progress meter despite -s.
        args.insert(args.end(),
                    {"-Z", "--parallel-max", std::to_string(side.parallel), "--no-progress-meter"});
    }
    args.insert(args.end(), {"-o", QFile::encodeName(dir).toStdString() + "/f#1",
                             server.url("/f[1-" + std::to_string(work.files) + "]")});
    return timedRun(std::move(args), f);
}

// Every file f1..fN in dir with the body's size; prints what is wrong otherwise.
bool filesComplete(const QString &dir, const Work &work, const char *who)
{
    for (int i = 1; i <= work.files; ++i) {
        const QFileInfo info(dir + QStringLiteral("/f") + QString::number(i));
        if (!info.isFile() || static_cast<uint64_t>(info.size()) != work.bodySize) {
            std::printf("FAILED: %s: %s is %s\n", who, qPrintable(info.filePath()),
                        info.isFile() ? qPrintable(QStringLiteral("%1 bytes").arg(info.size()))
                                      : "missing");
            return false;
        }
    }
    return true;
}

// Position-dependent, so a lost, doubled or moved block shows; 0 when unreadable.
uint64_t fileChecksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    std::vector<uint64_t> block(128 * 1024);
    uint64_t sum = 1469598103934665603ull;
    qint64 n = 0;
    while ((n = f.read(reinterpret_cast<char *>(block.data()),
                       static_cast<qint64>(block.size() * sizeof(uint64_t)))) > 0) {
        if (n % 8 != 0)
            std::memset(reinterpret_cast<char *>(block.data()) + n, 0,
                        static_cast<size_t>(8 - n % 8));
        for (size_t i = 0; i < static_cast<size_t>((n + 7) / 8); ++i)
            sum = (sum ^ block[i]) * 1099511628211ull;
    }
    return sum;
}

// Seconds from this process's start to now, from the kernel's own record.
double secondsSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22, counted after the command name in parentheses (field 2).
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 -
           std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void emptyFolder(const QString &dir)
{
    QDir d(dir);
    for (const QString &name : d.entryList(QDir::Files | QDir::Hidden))
        d.remove(name);
}

struct SideResult
{
    std::vector<Figure> runs;
    Figure median;
    double maxPeakMiB = 0;    // highest of the runs, the figure a memory goal is judged on
    uint64_t connections = 0; // the server accepted in the last run
    uint64_t requests = 0;    // the server answered in the last run
    uint64_t checksum = 0;
};

struct Results
{
    std::vector<SideResult> sides; // in the order of Work::sides
    double baseMiB = 0;            // resident size before the batch (window shown, server running)
    double startup = 0;            // process start to the window ready, for the whole-process wall
    bool peakReset = true;         // the kernel restarted the peak before each of our batches

    // Median of the runs' own ratios of side a's wall to side b's: both
    // sides of a run share the load the machine is under.
    double wallRatio(size_t a, size_t b) const
    {
        std::vector<double> ratios;
        for (size_t i = 0; i < sides[a].runs.size(); ++i)
            ratios.push_back(sides[a].runs[i].wall / sides[b].runs[i].wall);
        std::sort(ratios.begin(), ratios.end());
        return ratios[ratios.size() / 2];
    }
};

// Into the store the window reads its settings from.
void storeSetting(const QString &key, const QString &value)
{
    SaveSetting(applicationTitle(), QStringLiteral("Settings"), key, value);
}

// Far more than any figure needs; a batch that hangs fails instead of the
// benchmark waiting for ever.
constexpr int kBatchLimitSeconds = 600;

// Processes events until the window is idle again; false when the limit
// passes first.
bool waitUntilIdle(frmMain &w, int limitSeconds)
{
    bool late = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&late] { late = true; });
    limit.start(limitSeconds * 1000);
    while (!w.cmdDownload->isEnabled() && !late)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !late;
}

// One batch through the window into dir: "Download" returns once the batch
// has started, and it ends when the window is idle again. Timed from the
// click to that moment, like curl's run from its start to its exit.
bool fetchWithWindow(frmMain &w, LoopbackServer &server, const Side &side, const QString &dir,
                     const int &boxes, Figure &o, bool &peakReset)
{
    // Read at the start of each batch.
    storeSetting(QStringLiteral("GleichzeitigeDownloads"), QString::number(side.parallel));
    w.txtSpeicherOrt->setText(dir);
    peakReset = resetPeak();
    const double serverCpu0 = server.cpuSeconds();
    const double cpu0 = processCpu();
    const auto t0 = std::chrono::steady_clock::now();
    w.cmdDownload_Click();
    const bool started = !w.cmdDownload->isEnabled();
    const bool ended = waitUntilIdle(w, kBatchLimitSeconds);
    o.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    o.cpu = processCpu() - cpu0 - (server.cpuSeconds() - serverCpu0);
    o.peakMiB = statusKiB("VmHWM") / 1024.0;
    bool ok = true;
    if (!started) {
        std::printf("FAILED: %s: the batch did not start\n", side.label);
        ok = false;
    }
    if (!ended) {
        std::printf("FAILED: %s: the batch did not end within %d s\n", side.label,
                    kBatchLimitSeconds);
        w.cmdAbbruch_Click();
        if (!waitUntilIdle(w, 30))
            std::printf("FAILED: %s: the window is not idle 30 s after \"Abbruch\"\n", side.label);
        ok = false;
    }
    if (boxes != 0) {
        std::printf("FAILED: the batch showed %d message box(es)\n", boxes);
        ok = false;
    }
    return ok;
}

// Drives the real window: the list, folder and connection are set as a user
// would, then each run fetches the work once for every side, each side into
// a fresh empty folder of its own.
bool measure(const Work &work, Results &results)
{
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::printf("FAILED: cannot create a temporary folder\n");
        return false;
    }
    int boxes = 0;
    const MsgBoxHandler previous = setMsgBoxHandler([&boxes](const MsgBoxRequest &r) {
        ++boxes;
        std::printf("box: %s\n", qPrintable(r.text));
    });
    LoopbackServer server;
    server.setBodySize(work.bodySize);
    if (work.latencyMs > 0)
        server.setLatencyMs(work.latencyMs);
    else
        server.setDelayMs(work.delayMs);
    if (!server.start()) {
        std::printf("FAILED: cannot start the loopback server\n");
        setMsgBoxHandler(previous);
        return false;
    }
    // Deleting many files just before the other side creates as many makes
    // the file system search past the freed inodes, a cost of the benchmark,
    // not of either program: small files stay until the end. Large ones go,
    // so that gigabytes of dirty pages do not pile up and start a writeback.
    const bool keepFiles = work.files * work.bodySize < 64 * MiB;

    const size_t sideCount = work.sides.size();
    results.sides.assign(sideCount, SideResult{});
    bool ok = true;
    {
        frmMain w;
        w.show();
        QCoreApplication::processEvents();
        w.optProxy[1]->setChecked(true);
        w.txtURL->setText(QString::fromStdString(server.url("/f§")));
        w.txtPlatzhalter->setText(QStringLiteral("§"));
        w.cboErsatzText->setEditText(QStringLiteral("1-%1").arg(work.files));
        w.txtDateiprefix->clear();
        w.txtReferer->clear();
        QCoreApplication::processEvents();
        results.baseMiB = statusKiB("VmRSS") / 1024.0;
        results.startup = secondsSinceProcessStart();

        for (int run = 0; ok && run < work.runs; ++run) {
            // Taking turns at going first: whoever comes later finds the
            // memory the others freed already mapped, which is cheaper.
            for (size_t k = 0; ok && k < sideCount; ++k) {
                const size_t i = (k + static_cast<size_t>(run)) % sideCount;
                const Side &side = work.sides[i];
                SideResult &sr = results.sides[i];
                const QString dir =
                    scratch.path() + QStringLiteral("/side%1-run%2").arg(i).arg(run);
                QDir().mkpath(dir);
                Figure f;
                const uint64_t connections0 = server.connectionCount();
                const uint64_t requests0 = server.requestCount();
                if (side.ours) {
                    bool peakReset = false;
                    ok = fetchWithWindow(w, server, side, dir, boxes, f, peakReset);
                    results.peakReset = results.peakReset && peakReset;
                    // Also after a failure: which files are missing tells why.
                    ok = filesComplete(dir, work, side.label) && ok;
                } else if (fetchWithCurl(server, work, side, dir, f)) {
                    ok = filesComplete(dir, work, side.label);
                } else {
                    std::printf("FAILED: %s did not fetch the files\n", side.label);
                    ok = false;
                }
                sr.connections = server.connectionCount() - connections0;
                sr.requests = server.requestCount() - requests0;
                if (ok && work.checksums)
                    sr.checksum = fileChecksum(dir + QStringLiteral("/f1"));
                if (!keepFiles)
                    emptyFolder(dir);
                sr.runs.push_back(f);
                sr.maxPeakMiB = std::max(sr.maxPeakMiB, f.peakMiB);
            }
        }
        w.close();
    }
    server.stop();
    setMsgBoxHandler(previous);
    if (ok) {
        for (SideResult &sr : results.sides)
            sr.median = median(sr.runs);
    }
    return ok;
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printTable(const Work &work, const Results &r, const char *runsNote)
{
    std::printf("  %-30s %8s %8s %10s %6s %6s   (%s)\n", "", "wall s", "CPU s", "peak MiB", "conns",
                "reqs", runsNote);
    for (size_t i = 0; i < work.sides.size(); ++i) {
        const Figure &f = r.sides[i].median;
        std::printf("  %-30s %8.3f %8.3f %10.1f %6llu %6llu\n", work.sides[i].label, f.wall, f.cpu,
                    f.peakMiB, static_cast<unsigned long long>(r.sides[i].connections),
                    static_cast<unsigned long long>(r.sides[i].requests));
    }
    std::printf("  conns, reqs: connections the server accepted, requests it answered (last "
                "run)\n");
}

// Ours is the first side, the one it is compared with the second.
void printWallGoal(const Results &r, double goal)
{
    const double ratio = r.wallRatio(0, 1);
    std::printf("  wall ratio %.2f, median of the runs' ratios (goal <= %.2f): %s\n", ratio, goal,
                verdict(ratio <= goal));
    std::printf("  whole process: %.3f s start-up (Qt, window) + the batch = %.3f s\n", r.startup,
                r.startup + r.sides[0].median.wall);
}

void printPeakGoal(const Results &r, double goalMiB, bool goalIncluded)
{
    if (!r.peakReset)
        std::printf("  note: the kernel did not reset the resident peak; it covers the whole "
                    "process\n");
    const double peak = r.sides[0].maxPeakMiB;
    std::printf("  peak %.1f MiB, highest of the runs (goal %s %.0f MiB): %s\n", peak,
                goalIncluded ? "<=" : "<", goalMiB,
                verdict(peak < goalMiB || (goalIncluded && peak == goalMiB)));
    std::printf("  of which %.1f MiB were resident before the batch (window, Qt, server)\n",
                r.baseMiB);
}

// Prints the skip message when the temporary folder has less room than that.
bool roomFor(uint64_t bytes, const char *what)
{
    struct statvfs fs
    {
    };
    if (statvfs(QFile::encodeName(QDir::tempPath()).constData(), &fs) == 0 &&
        static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize >= bytes)
        return true;
    std::printf("skipped: less than %.0f GiB free in %s %s\n",
                static_cast<double>(bytes) / (1024.0 * MiB), qPrintable(QDir::tempPath()), what);
    return false;
}

int figureSmall()
{
    Work work;
    work.files = 1000;
    work.bodySize = 10 * KiB;
    work.runs = 5;
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("1000 files of 10 KiB, fetched one after another into a folder\n");
    printTable(work, r, "median of 5 runs");
    printWallGoal(r, 1.3);
    std::printf("  CPU ratio %.2f (no goal)\n", r.sides[0].median.cpu / r.sides[1].median.cpu);
    return 0;
}

int figureLarge()
{
    Work work;
    work.files = 5;
    work.bodySize = 100 * MiB;
    work.runs = 3;
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("5 files of 100 MiB, fetched one after another into a folder\n");
    printTable(work, r, "median of 3 runs");
    printWallGoal(r, 1.0);
    // Whatever the body's size: what stays in memory is bounded by the limit.
    printPeakGoal(r, 64 + static_cast<double>(BodyStore::kDefaultMemoryLimit) / MiB, false);
    return 0;
}

int figureLatency()
{
    constexpr int kLatencyMs = 50;
    Work work;
    work.files = 200;
    work.bodySize = 10 * KiB;
    work.latencyMs = kLatencyMs;
    work.runs = 3;
    work.sides = {{"batch, 1 transfer", true, 1},
                  {"batch, 8 transfers", true, 8},
                  {"curl one by one (URL glob)", false, 1},
                  {"curl -Z --parallel-max 8", false, 8}};
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("200 files of 10 KiB from a server %d ms away (every answer %d ms late, "
                "%d ms on a new connection)\n",
                kLatencyMs, kLatencyMs, 2 * kLatencyMs);
    printTable(work, r, "median of 3 runs");
    // Round trips one after another, plus one handshake per connection.
    auto floorSeconds = [&work](int inFlight) {
        const int rounds = (work.files + inFlight - 1) / inFlight;
        return (rounds + 1) * kLatencyMs / 1000.0;
    };
    std::printf("  floor: %.2f s one at a time, %.2f s with 8 in flight\n", floorSeconds(1),
                floorSeconds(8));
    const double parallelRatio = r.wallRatio(1, 3);
    const double serialRatio = r.wallRatio(0, 2);
    std::printf("  8 transfers / curl -Z --parallel-max 8: wall ratio %.2f, median of the runs' "
                "ratios (goal <= 1.00): %s\n",
                parallelRatio, verdict(parallelRatio <= 1.0));
    std::printf("  1 transfer / curl one by one: wall ratio %.2f, median of the runs' ratios "
                "(goal <= 1.05): %s\n",
                serialRatio, verdict(serialRatio <= 1.05));
    std::printf("  8 transfers / 1 transfer: %.2f (no goal)\n", r.wallRatio(1, 0));
    return 0;
}

int figureParallelLarge()
{
    constexpr uint64_t GiB = 1024 * MiB;
    Work work;
    work.files = 16;
    work.bodySize = 100 * MiB;
    work.runs = 3;
    work.sides = {{"batch, 16 transfers", true, 16}, {"curl -Z --parallel-max 16", false, 16}};
    if (!roomFor(4 * GiB, "for 1.6 GiB of files at a time"))
        return 0;
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("16 files of 100 MiB, all 16 fetched side by side into a folder\n");
    printTable(work, r, "median of 3 runs");
    std::printf("  wall ratio %.2f, median of the runs' ratios (no goal)\n", r.wallRatio(0, 1));
    printPeakGoal(r, 100, true);
    return 0;
}

int figureHuge()
{
    constexpr uint64_t GiB = 1024 * MiB;
    Work work;
    work.files = 1;
    work.bodySize = 2 * GiB;
    work.checksums = true;
    if (!roomFor(5 * GiB, "for the two copies"))
        return 0;
    // Two and a half times the body was what holding it whole needed.
    const rlimit space{GiB, GiB};
    if (setrlimit(RLIMIT_AS, &space) != 0) {
        std::printf("FAILED: cannot limit the address space: %s\n", std::strerror(errno));
        return 1;
    }
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("one 2 GiB body, the process limited to 1 GiB of address space\n");
    printTable(work, r, "one run");
    std::printf("  wall ratio %.2f (no goal)\n", r.wallRatio(0, 1));
    const uint64_t ours = r.sides[0].checksum, curl = r.sides[1].checksum;
    const bool identical = ours == curl && ours != 0;
    std::printf("  checksums batch %016llx, curl %016llx: %s\n",
                static_cast<unsigned long long>(ours), static_cast<unsigned long long>(curl),
                identical ? "identical" : "DIFFERENT");
    return identical ? 0 : 1;
}

int figureIdle()
{
    Work work;
    work.files = 1;
    work.bodySize = 10 * KiB;
    work.delayMs = 5000;
    work.runs = 1;
    Results r;
    if (!measure(work, r))
        return 1;
    std::printf("one 10 KiB file from a server that waits 5 s before answering\n");
    printTable(work, r, "one run");
    const double cpu = r.sides[0].median.cpu;
    std::printf("  batch CPU %.3f s while waiting (goal < 0.20 s): %s\n", cpu, verdict(cpu < 0.2));
    return 0;
}

// Re-runs this program for one figure with a fresh home, forwarding what the
// child prints except the heading the parent has already printed.
int runInFreshProcess(const char *name, int (*figure)())
{
    if (std::getenv(kChildVariable) != nullptr) {
        // The settings live in the temporary home; the first-start box stays away.
        storeSetting(QStringLiteral("BETA-0.2-BETA1"), QStringLiteral("OK"));
        return figure();
    }

    QTemporaryDir home;
    if (!home.isValid()) {
        std::printf("FAILED: cannot create a temporary home\n");
        return 1;
    }
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_CONFIG_HOME=", 0) != 0 &&
            entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            env.push_back(entry);
    }
    const std::string homePath = QFile::encodeName(home.path()).toStdString();
    env.push_back("HOME=" + homePath);
    env.push_back("XDG_CONFIG_HOME=" + homePath + "/config");
    // Qt wants a private runtime folder and complains on every start without one.
    const std::string runtimePath = homePath + "/runtime";
    if (mkdir(runtimePath.c_str(), 0700) == 0)
        env.push_back("XDG_RUNTIME_DIR=" + runtimePath);
    env.push_back(std::string(kChildVariable) + "=1");
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::vector<char *> argv = {const_cast<char *>("/proc/self/exe"), const_cast<char *>(name),
                                nullptr};
    std::fflush(stdout);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        std::printf("FAILED: cannot start a fresh process: %s\n", std::strerror(spawned));
        return 1;
    }
    FILE *child = fdopen(pipeFds[0], "r");
    char line[4096];
    while (child != nullptr && std::fgets(line, sizeof line, child) != nullptr) {
        if (std::strncmp(line, "== ", 3) != 0) {
            std::fputs(line, stdout);
            std::fflush(stdout);
        }
    }
    if (child != nullptr)
        std::fclose(child);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("FAILED: the measuring process did not end cleanly\n");
        return 1;
    }
    return 0;
}

const BenchRegistrar regSmall("batch-small",
                              "1000 x 10 KiB through the download window next to curl",
                              [] { return runInFreshProcess("batch-small", figureSmall); });
const BenchRegistrar regLarge("batch-large",
                              "5 x 100 MiB through the download window next to curl, peak memory",
                              [] { return runInFreshProcess("batch-large", figureLarge); });
const BenchRegistrar regHuge("huge",
                             "one 2 GiB body through the download window in 1 GiB of address "
                             "space, next to curl",
                             [] { return runInFreshProcess("huge", figureHuge); });
const BenchRegistrar
    regLatency("batch-latency",
               "200 x 10 KiB from a server 50 ms away, 1 and 8 transfers next to curl and curl -Z",
               [] { return runInFreshProcess("batch-latency", figureLatency); });
const BenchRegistrar
    regParallelLarge("batch-parallel-large",
                     "16 x 100 MiB at 16 transfers next to curl -Z, peak memory",
                     [] { return runInFreshProcess("batch-parallel-large", figureParallelLarge); });
const BenchRegistrar regIdle("batch-idle",
                             "CPU while one transfer waits 5 s on a slow server, next to curl",
                             [] { return runInFreshProcess("batch-idle", figureIdle); });

} // namespace
