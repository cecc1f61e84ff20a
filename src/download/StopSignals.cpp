#include "download/StopSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int number)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    // A full pipe already holds a signal; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // The second Ctrl+C is for a program that no longer listens.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : kStopSignals) {
        struct sigaction before = {};
        if (sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(number, &action, nullptr);
        m_handled.append(number);
    }
}

StopSignals::~StopSignals()
{
    if (m_notifier == nullptr)
        return;
    for (const int number : std::as_const(m_handled))
        std::signal(number, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::readPipe()
{
    char byte = 0;
    int first = 0;
    while (read(g_pipe[0], &byte, 1) == 1) {
        if (first == 0)
            first = byte;
    }
    // A stop is asked for once; later signals only repeat it.
    if (first == 0 || m_told)
        return;
    m_told = true;
    Q_EMIT received(first);
}
