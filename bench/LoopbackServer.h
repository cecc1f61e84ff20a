#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An HTTP/1.1 server on 127.0.0.1 for the benchmark figures, running on its
// own threads with plain sockets so that it does not share the event loop it
// is measured against. Every path is answered with the same generated body
// (no per-connection copy of it is held); connections are kept alive, each on
// its own thread, so any number of them are served side by side.
class LoopbackServer final
{
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    // Listens on a port the system chooses; false when that fails.
    bool start();
    void stop();
    uint16_t port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string &path) const;

    // Body length of every answer from now on.
    void setBodySize(uint64_t bytes) { m_bodySize = bytes; }
    // Wait this long before answering each request (a slow server).
    void setDelayMs(int ms) { m_delayMs = ms; }
    // A distant server: every answer ms late, the first one on a connection
    // twice as late, as the round trip of the TCP handshake would make it.
    void setLatencyMs(int ms)
    {
        m_delayMs = ms;
        m_connectDelayMs = ms;
    }

    // CPU time the server's threads have used, to keep it apart from the client's.
    double cpuSeconds() const { return static_cast<double>(m_cpuNanos.load()) / 1e9; }
    uint64_t requestCount() const { return m_requests.load(); }
    uint64_t connectionCount() const { return m_connections.load(); }

private:
    struct Connection
    {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serveConnection(Connection &connection);
    void reapFinished();
    // Sleeps ms, or less when the server stops; false when it stops.
    bool waitMs(int ms) const;

    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<uint64_t> m_bodySize{0};
    std::atomic<int> m_delayMs{0};
    std::atomic<int> m_connectDelayMs{0};
    std::atomic<uint64_t> m_cpuNanos{0};
    std::atomic<uint64_t> m_requests{0};
    std::atomic<uint64_t> m_connections{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    // Only the accept thread adds and reaps; stop() takes what is left.
    std::list<std::unique_ptr<Connection>> m_open;
    std::vector<char> m_pattern;
};
