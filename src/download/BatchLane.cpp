#include "download/BatchLane.h"

#include <algorithm>
#include <climits>

BatchLane::BatchLane(Reporter &reporter, std::shared_ptr<CurlEventBridge> bridge, QObject *parent)
    : QObject(parent), m_inet(reporter, std::move(bridge))
{
    // A coarse timer may fire early, and a server's Retry-After is a minimum.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_state = State::Ready;
        Q_EMIT ready();
    });
    connect(&m_inet, &clsInet::finished, this, [this] {
        m_state = State::Ended;
        Q_EMIT ended();
    });
    connect(&m_inet, &clsInet::Progress, this, [this](qint64 received, qint64 expected) {
        m_received = received;
        m_expected = expected;
        Q_EMIT bytesChanged();
    });
}

void BatchLane::take(int index, const QString &url, quint64 order)
{
    m_index = index;
    m_url = url;
    m_order = order;
    m_attempt = 1;
    m_state = State::Ready;
}

void BatchLane::wait(qint64 ms)
{
    if (ms <= 0) {
        m_state = State::Ready;
        return;
    }
    m_state = State::Waiting;
    m_timer.start(static_cast<int>(std::min<qint64>(ms, INT_MAX)));
}

bool BatchLane::request(const QString &referer, const TransferSettings &settings)
{
    m_received = 0;
    m_expected = -1;
    m_clock.start();
    m_state = State::Transferring;
    m_inet.RequestFile(m_url, referer, settings);
    if (!m_inet.RequestRefused)
        return true;
    m_state = State::Ended;
    return false;
}

void BatchLane::release()
{
    m_timer.stop();
    // Also gives back the memory of a body already saved.
    m_inet.cancelRequest();
    m_inet.DropPartialBody();
    m_state = State::Idle;
    m_clock.invalidate();
    m_received = 0;
    m_expected = -1;
}
