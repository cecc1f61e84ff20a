#include "download/CurlEventBridge.h"

#include <QSocketNotifier>
#include <algorithm>
#include <climits>
#include <mutex>

namespace {

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlEventBridge::CurlEventBridge(QObject *parent) : QObject(parent)
{
    initCurlOnce();
    m_multi = curl_multi_init();
    if (!m_multi)
        return;
    // One thread: the share needs no locks.
    m_share = curl_share_init();
    if (m_share)
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlEventBridge::socketCallback);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlEventBridge::timerCallback);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    // Transfers to a server that offers HTTP/2 share one connection.
    curl_multi_setopt(m_multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
}

CurlEventBridge::~CurlEventBridge()
{
    if (m_multi)
        curl_multi_cleanup(m_multi);
    if (m_share)
        curl_share_cleanup(m_share);
    for (auto &entry : m_sockets) {
        delete entry.second.read;
        delete entry.second.write;
    }
}

void CurlEventBridge::setMaxHostConnections(long count)
{
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, count);
    // libcurl sizes its cache of idle connections by the transfers running at the moment; a
    // moment between files with few of them would close connections the next ones need.
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, 4 * count);
}

void CurlEventBridge::socketAction(curl_socket_t s, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, s, events, &running);
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg == CURLMSG_DONE)
            Q_EMIT transferDone(msg->easy_handle, static_cast<int>(msg->data.result));
    }
}

void CurlEventBridge::unwatchSocket(curl_socket_t s)
{
    const auto it = m_sockets.find(s);
    if (it == m_sockets.end())
        return;
    // We may be inside this notifier's own signal; let it go later.
    for (QSocketNotifier *n : {it->second.read, it->second.write}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_sockets.erase(it);
}

QSocketNotifier *CurlEventBridge::notifier(curl_socket_t s, int kind)
{
    const bool reading = kind == CURL_POLL_IN;
    auto *n =
        new QSocketNotifier(s, reading ? QSocketNotifier::Read : QSocketNotifier::Write, this);
    const int event = reading ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
    connect(n, &QSocketNotifier::activated, this, [this, s, event] { socketAction(s, event); });
    return n;
}

void CurlEventBridge::watchSocket(curl_socket_t s, int what)
{
    if (what == CURL_POLL_REMOVE) {
        unwatchSocket(s);
        return;
    }
    SocketWatch &watch = m_sockets[s];
    if (!watch.read && (what & CURL_POLL_IN))
        watch.read = notifier(s, CURL_POLL_IN);
    if (!watch.write && (what & CURL_POLL_OUT))
        watch.write = notifier(s, CURL_POLL_OUT);
    if (watch.read)
        watch.read->setEnabled(what & CURL_POLL_IN);
    if (watch.write)
        watch.write->setEnabled(what & CURL_POLL_OUT);
}

int CurlEventBridge::socketCallback(CURL *, curl_socket_t s, int what, void *userp, void *)
{
    static_cast<CurlEventBridge *>(userp)->watchSocket(s, what);
    return 0;
}

int CurlEventBridge::timerCallback(CURLM *, long timeoutMs, void *userp)
{
    auto *self = static_cast<CurlEventBridge *>(userp);
    if (timeoutMs < 0)
        self->m_timer.stop();
    else
        self->m_timer.start(static_cast<int>(std::min<long>(timeoutMs, INT_MAX)));
    return 0;
}
