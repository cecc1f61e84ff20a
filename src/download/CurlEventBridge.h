#pragma once

#include <QObject>
#include <QTimer>
#include <curl/curl.h>
#include <map>

class QSocketNotifier;

// Drives a libcurl multi handle from the Qt event loop of its thread: the
// sockets libcurl wants watched get a QSocketNotifier, its timeout a QTimer.
// After each step libcurl took, Progressed() tells the owner to look at what
// finished.
class CurlEventBridge final : public QObject
{
    Q_OBJECT
public:
    explicit CurlEventBridge(QObject *parent = nullptr);
    ~CurlEventBridge() override;

    // Null when libcurl could not make one.
    CURLM *multi() const { return m_multi; }

Q_SIGNALS:
    void Progressed();

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
    std::map<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_timer;
};
