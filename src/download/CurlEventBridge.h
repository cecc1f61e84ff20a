#pragma once

#include <QObject>
#include <QTimer>
#include <curl/curl.h>
#include <map>

class QSocketNotifier;

// Drives a libcurl multi handle from the Qt event loop of its thread: the
// sockets libcurl wants watched get a QSocketNotifier, its timeout a QTimer.
// Every transfer of the handle is told when it is done through
// transferDone(), so several can share the handle and its connections.
class CurlEventBridge final : public QObject
{
    Q_OBJECT
public:
    explicit CurlEventBridge(QObject *parent = nullptr);
    ~CurlEventBridge() override;

    // Null when libcurl could not make one.
    CURLM *multi() const { return m_multi; }
    // The cookies of the transfers on this bridge: one batch's, gone with it.
    CURLSH *cookieShare() const { return m_share; }
    // Transfers to one host beyond this wait for a connection to come free.
    void setMaxHostConnections(long count);

Q_SIGNALS:
    // `easy` (a CURL handle) has finished with `result` (a CURLcode).
    void transferDone(void *easy, int result);

private:
    struct SocketWatch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int socketCallback(CURL *easy, curl_socket_t s, int what, void *userp, void *socketp);
    static int timerCallback(CURLM *multi, long timeoutMs, void *userp);

    void watchSocket(curl_socket_t s, int what);
    void unwatchSocket(curl_socket_t s);
    QSocketNotifier *notifier(curl_socket_t s, int kind);
    void socketAction(curl_socket_t s, int events);

    CURLM *m_multi = nullptr;
    CURLSH *m_share = nullptr;
    std::map<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_timer;
};
