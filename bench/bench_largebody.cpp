#include "BenchRegistry.h"
#include "LoopbackServer.h"
#include "ProcessFigures.h"
#include "download/Reporter.h"
#include "download/clsInet.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr uint64_t kBodySize = 256ull * 1024 * 1024;
constexpr int kRuns = 3;

bool fetchWithClsInet(LoopbackServer &server, Figure &f)
{
    resetPeak();
    const double baseKiB = statusKiB("/proc/self/status", "VmRSS");
    const double serverCpu0 = server.cpuSeconds();
    const double cpu0 = processCpu();
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = false;
    {
        // A failure goes to stderr: nobody is there to read a box.
        struct : Reporter
        {
            Answer showMessage(const Message &m) override
            {
                std::fprintf(stderr, "box: %s\n", qPrintable(m.text));
                return Answer::Ok;
            }
            void setBusy(bool) override {}
        } reporter;
        clsInet inet(reporter);
        inet.InetAccessType = AccessType::Direct;
        inet.RequestFile(QString::fromStdString(server.url("/large.bin")), QString());
        while (inet.DownloadStatus == TransferStatus::Outstanding)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const QByteArray body = inet.DataBinary();
        ok = inet.DownloadStatus == TransferStatus::Complete &&
             static_cast<uint64_t>(body.size()) == kBodySize;
        f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        f.cpu = processCpu() - cpu0 - (server.cpuSeconds() - serverCpu0);
        f.peakMiB = (statusKiB("/proc/self/status", "VmHWM") - baseKiB) / 1024.0;
    }
    return ok;
}

bool fetchWithCurl(const std::string &url, Figure &f)
{
    return timedRun({"curl", "-s", "--noproxy", "*", "-o", "/dev/null", url}, f);
}

int run()
{
    LoopbackServer server;
    server.setBodySize(kBodySize);
    if (!server.start()) {
        std::printf("cannot start the loopback server\n");
        return 1;
    }
    std::vector<Figure> ours, curls;
    for (int i = 0; i < kRuns; ++i) {
        Figure c, o;
        if (!fetchWithCurl(server.url("/large.bin"), c)) {
            std::printf("curl failed\n");
            return 1;
        }
        if (!fetchWithClsInet(server, o)) {
            std::printf("clsInet failed\n");
            return 1;
        }
        curls.push_back(c);
        ours.push_back(o);
    }

    const Figure o = median(ours);
    const Figure c = median(curls);
    const double bodyMiB = static_cast<double>(kBodySize) / (1024.0 * 1024.0);
    const double peakGoal = 1.5 * bodyMiB + 64;
    std::printf("one %.0f MiB body from a loopback server, median of %d runs\n", bodyMiB, kRuns);
    std::printf("  %-34s %8s %8s %10s\n", "", "wall s", "CPU s", "peak MiB");
    std::printf("  %-34s %8.3f %8.3f %10.1f\n", "clsInet (RequestFile to status 1)", o.wall, o.cpu,
                o.peakMiB);
    std::printf("  %-34s %8.3f %8.3f %10.1f\n", "curl -s -o /dev/null", c.wall, c.cpu, c.peakMiB);
    std::printf("  wall ratio %.2f (goal <= 1.20): %s\n", o.wall / c.wall,
                o.wall <= 1.2 * c.wall ? "met" : "missed");
    std::printf("  peak %.1f MiB (goal < %.0f MiB): %s\n", o.peakMiB, peakGoal,
                o.peakMiB < peakGoal ? "met" : "missed");
    std::printf("  clsInet peak is the growth of the process's resident peak over the run;\n"
                "  server threads' CPU is subtracted; curl's figures are the child's\n"
                "  (its peak sampled from /proc while it runs).\n");
    return 0;
}

static BenchRegistrar
    reg("largebody", "one 256 MiB body through clsInet next to curl: wall, CPU, peak memory", run);

} // namespace
