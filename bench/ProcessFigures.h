#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What the figures read about a process: CPU time and the resident sizes the
// kernel reports in /proc.

inline double seconds(const timeval &tv)
{
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

inline double processCpu()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return seconds(ru.ru_utime) + seconds(ru.ru_stime);
}

// A field of a /proc status file in KiB (VmRSS, VmHWM); 0 when it is missing.
inline double statusKiB(const char *path, const char *field)
{
    std::ifstream status(path);
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0)
            return std::stod(line.substr(key.size()));
    }
    return 0;
}

inline double statusKiB(const char *field)
{
    return statusKiB("/proc/self/status", field);
}

// Starts the peak (VmHWM) again from the current resident size; false where
// the kernel does not support it.
inline bool resetPeak()
{
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        if (!clear.flush())
            return false;
    }
    return statusKiB("VmHWM") <= statusKiB("VmRSS") + 1024;
}

// One measured run: wall and CPU seconds, peak resident MiB.
struct Figure
{
    double wall = 0;
    double cpu = 0;
    double peakMiB = 0;
};

// Each field's median over the runs, taken on its own.
inline Figure median(const std::vector<Figure> &runs)
{
    auto pick = [&runs](double Figure::*field) {
        std::vector<double> v;
        for (const Figure &f : runs)
            v.push_back(f.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    return Figure{pick(&Figure::wall), pick(&Figure::cpu), pick(&Figure::peakMiB)};
}

// One program run to its end, timed from spawn to exit. Its peak is read
// from its own status while it runs: a spawned child's ru_maxrss counts the
// parent's memory until it executes the program.
inline bool timedRun(std::vector<std::string> args, Figure &f)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    const std::string statusPath = "/proc/" + std::to_string(pid) + "/status";
    double peakKiB = 0;
    int status = 0;
    rusage ru{};
    bool waited = false;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &ru);
        waited = done == pid;
        if (done != 0)
            break;
        peakKiB = std::max(peakKiB, statusKiB(statusPath.c_str(), "VmHWM"));
        // Wakes at once when the child ends, so the wall time stays exact.
        pollfd p{pidFd, POLLIN, 0};
        poll(&p, pidFd >= 0 ? 1 : 0, 5);
    }
    if (pidFd >= 0)
        close(pidFd);
    f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.cpu = seconds(ru.ru_utime) + seconds(ru.ru_stime);
    f.peakMiB = peakKiB / 1024.0;
    return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
