#include "LoopbackServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iterator>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Sent again and again; large enough for few send() calls per body.
constexpr size_t kPatternSize = 1024 * 1024;

uint64_t threadCpuNanos()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

bool sendAll(int fd, const char *data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

LoopbackServer::LoopbackServer() : m_pattern(kPatternSize)
{
    for (size_t i = 0; i < m_pattern.size(); ++i)
        m_pattern[i] = static_cast<char>((i * 31 + 7) & 0xff);
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

bool LoopbackServer::start()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || ::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return false;
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void LoopbackServer::stop()
{
    if (!m_acceptThread.joinable())
        return;
    m_stopping = true;
    // Never read: it wakes the accept loop and every waiting answer for good.
    const char wake = 'x';
    (void)!::write(m_wakePipe[1], &wake, 1);
    m_acceptThread.join();
    std::list<std::unique_ptr<Connection>> open;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &c : m_open) {
            if (c->fd >= 0)
                ::shutdown(c->fd, SHUT_RDWR);
        }
        open.swap(m_open);
    }
    for (const auto &c : open)
        c->thread.join();
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string LoopbackServer::url(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

bool LoopbackServer::waitMs(int ms) const
{
    if (ms <= 0)
        return !m_stopping;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                .count();
        if (m_stopping)
            return false;
        if (left <= 0)
            return true;
        pollfd wake{m_wakePipe[0], POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(left));
    }
}

// A finished connection's thread keeps its stack until joined; the huge
// figure runs in a limited address space, so they go as soon as they end.
void LoopbackServer::reapFinished()
{
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_open.begin(); it != m_open.end();) {
            auto next = std::next(it);
            if ((*it)->done)
                finished.splice(finished.end(), m_open, it);
            it = next;
        }
    }
    for (const auto &c : finished)
        c->thread.join();
}

void LoopbackServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN))
            continue;
        reapFinished();
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++m_connections;
        auto connection = std::make_unique<Connection>();
        Connection &c = *connection;
        c.fd = fd;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open.push_back(std::move(connection));
        c.thread = std::thread([this, &c] { serveConnection(c); });
    }
}

void LoopbackServer::serveConnection(Connection &connection)
{
    const int fd = connection.fd;
    std::string pending;
    char buffer[8192];
    bool open = true;
    bool first = true;
    while (open && !m_stopping) {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                open = false;
                break;
            }
            pending.append(buffer, static_cast<size_t>(n));
        }
        if (!open)
            break;
        const uint64_t cpuStart = threadCpuNanos();
        std::string head = pending.substr(0, end);
        pending.erase(0, end + 4);
        std::transform(head.begin(), head.end(), head.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool closeAfter = head.find("connection: close") != std::string::npos;
        if (!waitMs(m_delayMs + (first ? m_connectDelayMs.load() : 0)))
            break;
        first = false;

        uint64_t remaining = m_bodySize;
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                  "Content-Length: " +
                                  std::to_string(remaining) + "\r\n\r\n";
        open = sendAll(fd, reply.data(), reply.size());
        while (open && remaining > 0) {
            const size_t piece =
                static_cast<size_t>(std::min<uint64_t>(remaining, m_pattern.size()));
            open = sendAll(fd, m_pattern.data(), piece);
            remaining -= piece;
        }
        ++m_requests;
        m_cpuNanos += threadCpuNanos() - cpuStart;
        if (closeAfter)
            open = false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ::close(fd);
    connection.fd = -1;
    connection.done = true;
}
