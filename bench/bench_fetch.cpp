#include "BenchRegistry.h"
#include "LoopbackServer.h"
#include "ProcessFigures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kFiles = 1000;
constexpr uint64_t kBodySize = 10 * 1024;
constexpr int kRuns = 5;

bool filesComplete(const QString &dir, const char *who)
{
    for (int i = 1; i <= kFiles; ++i) {
        const QFileInfo info(dir + QStringLiteral("/f") + QString::number(i));
        if (!info.isFile() || static_cast<uint64_t>(info.size()) != kBodySize) {
            std::printf("FAILED: %s: %s is missing or of the wrong size\n", who,
                        qPrintable(info.filePath()));
            return false;
        }
    }
    return true;
}

// Built next to this program by the same build.
std::string fetchProgram()
{
    return QFile::encodeName(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/vornix-fetch"))
        .toStdString();
}

int figureFetchSmall()
{
    const std::string program = fetchProgram();
    if (access(program.c_str(), X_OK) != 0) {
        std::printf("FAILED: %s not found; build the target vornix-fetch\n", program.c_str());
        return 1;
    }
    QTemporaryDir scratch;
    LoopbackServer server;
    server.setBodySize(kBodySize);
    if (!scratch.isValid() || !server.start()) {
        std::printf("FAILED: no temporary folder or no loopback server\n");
        return 1;
    }
    const std::string ours = server.url("/f§");
    const std::string curls = server.url("/f[1-" + std::to_string(kFiles) + "]");
    const std::string list = "1-" + std::to_string(kFiles);
    std::vector<Figure> fetchRuns, curlRuns;
    std::vector<double> ratios;
    for (int run = 0; run < kRuns; ++run) {
        const QString fetchDir = scratch.path() + QStringLiteral("/fetch%1").arg(run);
        const QString curlDir = scratch.path() + QStringLiteral("/curl%1").arg(run);
        QDir().mkpath(fetchDir);
        QDir().mkpath(curlDir);
        const std::string fetchOut = QFile::encodeName(fetchDir).toStdString();
        const std::string curlOut = QFile::encodeName(curlDir).toStdString() + "/f#1";
        Figure f, c;
        // Taking turns at going first, as the batch figures do.
        for (int side = 0; side < 2; ++side) {
            const bool curlTurn = (side + run) % 2 == 0;
            const bool ok =
                curlTurn ? timedRun({"curl", "-s", "--noproxy", "*", "-o", curlOut, curls}, c)
                         : timedRun({program, "-q", "--proxy", "direct", "-l", list, "-d", fetchOut,
                                     ours},
                                    f);
            if (!ok) {
                std::printf("FAILED: %s did not end with status 0\n",
                            curlTurn ? "curl" : "vornix-fetch");
                return 1;
            }
        }
        if (!filesComplete(fetchDir, "vornix-fetch") || !filesComplete(curlDir, "curl"))
            return 1;
        fetchRuns.push_back(f);
        curlRuns.push_back(c);
        ratios.push_back(f.wall / c.wall);
    }
    server.stop();
    const Figure f = median(fetchRuns), c = median(curlRuns);
    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios[ratios.size() / 2];
    std::printf("1000 files of 10 KiB, fetched one after another into a folder\n");
    std::printf("  %-30s %8s %8s %10s   (median of %d runs)\n", "", "wall s", "CPU s", "peak MiB",
                kRuns);
    std::printf("  %-30s %8.3f %8.3f %10.1f\n", "vornix-fetch -q", f.wall, f.cpu, f.peakMiB);
    std::printf("  %-30s %8.3f %8.3f %10.1f\n", "curl (URL glob, to files)", c.wall, c.cpu,
                c.peakMiB);
    std::printf("  wall ratio %.2f, median of the runs' ratios (goal <= 1.00): %s\n", ratio,
                ratio <= 1.0 ? "met" : "MISSED");
    std::printf("  CPU ratio %.2f (no goal)\n", f.cpu / c.cpu);
    return 0;
}

const BenchRegistrar regFetchSmall("fetch-small", "1000 x 10 KiB through vornix-fetch next to curl",
                                   figureFetchSmall);

} // namespace
