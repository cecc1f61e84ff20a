#pragma once

#include "download/clsInet.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <memory>

class CurlEventBridge;
class Reporter;

// One of a batch's transfers side by side: the file it works on, the wrapper
// that fetches it, and the timer of whatever it waits for before its next
// request (the pause between files, a retry, a busy host).
class BatchLane final : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Idle,         // no file
        Waiting,      // ready() follows
        Ready,        // may request as soon as the batch lets it
        Transferring, // ended() follows
        Ended,        // the wrapper has finished with the request
    };

    BatchLane(Reporter &reporter, std::shared_ptr<CurlEventBridge> bridge,
              QObject *parent = nullptr);

    // Takes up URL `index` (from 1) of the list as its `order`-th file.
    void take(int index, const QString &url, quint64 order);
    // Waits `ms` before it is Ready again; at once when ms is not positive.
    void wait(qint64 ms);
    // False when the wrapper refused the request; the lane has Ended then.
    bool request(const QString &referer, const TransferSettings &settings);
    // Drops the file: the running transfer ends, whatever it received goes.
    void release();

    State state() const { return m_state; }
    clsInet &inet() { return m_inet; }
    int index() const { return m_index; }
    const QString &url() const { return m_url; }
    quint64 order() const { return m_order; }
    int attempt() const { return m_attempt; }
    void nextAttempt() { ++m_attempt; }

    // The running transfer's body so far.
    qint64 received() const { return m_received; }
    qint64 expected() const { return m_expected; }
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    // What this request brought: the rate leaves out the bytes kept from before.
    qint64 fetched() const { return std::max<qint64>(0, m_received - m_inet.resumedFrom()); }

Q_SIGNALS:
    void ready();
    void ended();
    void bytesChanged();

private:
    clsInet m_inet;
    QTimer m_timer;
    State m_state = State::Idle;
    int m_index = 0;
    QString m_url;
    quint64 m_order = 0;
    int m_attempt = 1;
    qint64 m_received = 0;
    qint64 m_expected = -1;
    QElapsedTimer m_clock;
};
