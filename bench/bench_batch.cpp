#include "BenchRegistry.h"
#include "LoopbackServer.h"
#include "ProcessFigures.h"
#include "app/frmMain.h"
#include "download/BodyStore.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
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

struct Work
{
    int files = 0;
    uint64_t bodySize = 0;
    int delayMs = 0;
    int runs = 1;
    bool checksums = false; // of f1, before the files are deleted
};

// Runs a child and waits for it; its resource use lands in ru. The child's
// ru_maxrss cannot be used: a spawned child shares our memory until it
// executes the program, so the kernel counts our peak as its own. Its peak
// is read from its own status while it runs instead (it only ever grows).
bool spawnAndWait(std::vector<std::string> args, int *exitCode, rusage *ru, double *peakKiB)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    *peakKiB = 0;
    int status = 0;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, ru);
        if (done == pid)
            break;
        if (done < 0) {
            if (pidFd >= 0)
                close(pidFd);
            return false;
        }
        *peakKiB = std::max(
            *peakKiB, statusKiB(("/proc/" + std::to_string(pid) + "/status").c_str(), "VmHWM"));
        // Wakes at once when the child ends, so the wall time stays exact.
        pollfd p{pidFd, POLLIN, 0};
        poll(&p, pidFd >= 0 ? 1 : 0, 5);
    }
    if (pidFd >= 0)
        close(pidFd);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

bool fetchWithCurl(LoopbackServer &server, const Work &work, const QString &dir, Figure &f)
{
    const std::string url = server.url("/f[1-" + std::to_string(work.files) + "]");
    const std::string out = QFile::encodeName(dir).toStdString() + "/f#1";
    const auto t0 = std::chrono::steady_clock::now();
    int code = -1;
    rusage ru{};
    double peakKiB = 0;
    if (!spawnAndWait({"curl", "-s", "--noproxy", "*", "-o", out, url}, &code, &ru, &peakKiB))
        return false;
    f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.cpu = seconds(ru.ru_utime) + seconds(ru.ru_stime);
    f.peakMiB = peakKiB / 1024.0;
    return code == 0;
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

struct Results
{
    Figure ours;
    Figure curl;
    double wallRatio = 0;  // median of the runs' own ratios: both sides of a run share the load
    double maxPeakMiB = 0; // highest of our runs, the figure the memory goal is judged on
    double baseMiB = 0;    // resident size before the batch (window shown, server running)
    double startup = 0;    // process start to the window ready, for the whole-process wall
    bool peakReset = false;
    uint64_t oursSum = 0, curlSum = 0;
};

// Drives the real window: the list, folder and connection are set as a user
// would, then "Download" runs the whole batch and returns when it is done.
// One batch through the window into dir, timed like curl's run.
bool fetchWithWindow(frmMain &w, LoopbackServer &server, const QString &dir, const int &boxes,
                     Figure &o, bool &peakReset)
{
    w.txtSpeicherOrt->setText(dir);
    peakReset = resetPeak();
    const double serverCpu0 = server.cpuSeconds();
    const double cpu0 = processCpu();
    const auto t0 = std::chrono::steady_clock::now();
    w.cmdDownload_Click();
    o.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    o.cpu = processCpu() - cpu0 - (server.cpuSeconds() - serverCpu0);
    o.peakMiB = statusKiB("VmHWM") / 1024.0;
    bool ok = true;
    if (boxes != 0) {
        std::printf("FAILED: the batch showed %d message box(es)\n", boxes);
        ok = false;
    }
    if (!w.cmdDownload->isEnabled()) {
        std::printf("FAILED: the window is not idle after the batch\n");
        ok = false;
    }
    return ok;
}

// Drives the real window: the list, folder and connection are set as a user
// would, then "Download" runs the whole batch and returns when it is done.
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

    bool ok = true;
    std::vector<Figure> ours, curls;
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
            const QString oursDir = scratch.path() + QStringLiteral("/ours%1").arg(run);
            const QString curlDir = scratch.path() + QStringLiteral("/curl%1").arg(run);
            QDir().mkpath(oursDir);
            QDir().mkpath(curlDir);
            Figure c, o;
            // Taking turns at going first: whoever comes second finds the
            // memory the first one freed already mapped, which is cheaper.
            for (int side = 0; ok && side < 2; ++side) {
                if ((side + run) % 2 == 0) {
                    if (!fetchWithCurl(server, work, curlDir, c)) {
                        std::printf("FAILED: curl did not fetch the files\n");
                        ok = false;
                        break;
                    }
                    ok = filesComplete(curlDir, work, "curl");
                    if (ok && work.checksums)
                        results.curlSum = fileChecksum(curlDir + QStringLiteral("/f1"));
                    if (!keepFiles)
                        emptyFolder(curlDir);
                } else {
                    bool peakReset = false;
                    ok = fetchWithWindow(w, server, oursDir, boxes, o, peakReset);
                    results.peakReset = peakReset;
                    ok = filesComplete(oursDir, work, "batch") && ok;
                    if (ok && work.checksums)
                        results.oursSum = fileChecksum(oursDir + QStringLiteral("/f1"));
                    if (!keepFiles)
                        emptyFolder(oursDir);
                }
            }
            curls.push_back(c);
            ours.push_back(o);
            results.maxPeakMiB = std::max(results.maxPeakMiB, o.peakMiB);
        }
        w.close();
    }
    server.stop();
    setMsgBoxHandler(previous);
    if (ok) {
        results.ours = median(ours);
        results.curl = median(curls);
        std::vector<double> ratios;
        for (size_t i = 0; i < ours.size(); ++i)
            ratios.push_back(ours[i].wall / curls[i].wall);
        std::sort(ratios.begin(), ratios.end());
        results.wallRatio = ratios[ratios.size() / 2];
    }
    return ok;
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printTable(const Results &r, const char *runsNote)
{
    std::printf("  %-30s %8s %8s %10s   (%s)\n", "", "wall s", "CPU s", "peak MiB", runsNote);
    std::printf("  %-30s %8.3f %8.3f %10.1f\n", "batch (cmdDownload_Click)", r.ours.wall,
                r.ours.cpu, r.ours.peakMiB);
    std::printf("  %-30s %8.3f %8.3f %10.1f\n", "curl (URL glob, to files)", r.curl.wall,
                r.curl.cpu, r.curl.peakMiB);
}

void printWallGoal(const Results &r, double goal)
{
    std::printf("  wall ratio %.2f, median of the runs' ratios (goal <= %.2f): %s\n", r.wallRatio,
                goal, verdict(r.wallRatio <= goal));
    std::printf("  whole process: %.3f s start-up (Qt, window) + the batch = %.3f s\n", r.startup,
                r.startup + r.ours.wall);
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
    printTable(r, "median of 5 runs");
    printWallGoal(r, 1.3);
    std::printf("  CPU ratio %.2f (no goal)\n", r.ours.cpu / r.curl.cpu);
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
    // Whatever the body's size: what stays in memory is bounded by the limit.
    const double peakGoal = 64 + static_cast<double>(BodyStore::kDefaultMemoryLimit) / MiB;
    std::printf("5 files of 100 MiB, fetched one after another into a folder\n");
    printTable(r, "median of 3 runs");
    printWallGoal(r, 1.0);
    if (!r.peakReset)
        std::printf("  note: the kernel did not reset the resident peak; it covers the whole "
                    "process\n");
    std::printf("  peak %.1f MiB, highest of the runs (goal < %.0f MiB): %s\n", r.maxPeakMiB,
                peakGoal, verdict(r.maxPeakMiB < peakGoal));
    std::printf("  of which %.1f MiB were resident before the batch (window, Qt, server)\n",
                r.baseMiB);
    return 0;
}

int figureHuge()
{
    constexpr uint64_t GiB = 1024 * MiB;
    Work work;
    work.files = 1;
    work.bodySize = 2 * GiB;
    work.checksums = true;
    struct statvfs fs
    {
    };
    if (statvfs(QFile::encodeName(QDir::tempPath()).constData(), &fs) != 0 ||
        static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize < 5 * GiB) {
        std::printf("skipped: less than 5 GiB free in %s for the two copies\n",
                    qPrintable(QDir::tempPath()));
        return 0;
    }
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
    printTable(r, "one run");
    std::printf("  wall ratio %.2f (no goal)\n", r.wallRatio);
    std::printf("  checksums batch %016llx, curl %016llx: %s\n",
                static_cast<unsigned long long>(r.oursSum),
                static_cast<unsigned long long>(r.curlSum),
                r.oursSum == r.curlSum && r.oursSum != 0 ? "identical" : "DIFFERENT");
    return r.oursSum == r.curlSum && r.oursSum != 0 ? 0 : 1;
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
    printTable(r, "one run");
    std::printf("  batch CPU %.3f s while waiting (goal < 0.20 s): %s\n", r.ours.cpu,
                verdict(r.ours.cpu < 0.2));
    return 0;
}

// Re-runs this program for one figure with a fresh home, forwarding what the
// child prints except the heading the parent has already printed.
int runInFreshProcess(const char *name, int (*figure)())
{
    if (std::getenv(kChildVariable) != nullptr) {
        // The settings live in the temporary home; the first-start box stays away.
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vornix-Downloader"),
                  QStringLiteral("Vornix-Downloader"))
            .setValue(QStringLiteral("Settings/BETA-0.2-BETA1"), QStringLiteral("OK"));
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
const BenchRegistrar regIdle("batch-idle",
                             "CPU while one transfer waits 5 s on a slow server, next to curl",
                             [] { return runInFreshProcess("batch-idle", figureIdle); });

} // namespace
