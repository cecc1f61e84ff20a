#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// Bytes per second for every transfer that draws on it: shared by the
// transfers of a batch, the limit holds for all of them together, and a
// transfer that finishes early leaves its share to the others.
class RateBudget final
{
public:
    explicit RateBudget(qint64 bytesPerSecond) : m_rate(bytesPerSecond) {}

    // 0 when `length` more bytes may go on now (they are counted), else the
    // milliseconds to wait before asking again.
    qint64 waitMs(qint64 length);

private:
    qint64 m_rate;
    double m_taken = 0; // bytes counted since the clock started
    QElapsedTimer m_clock;
};
