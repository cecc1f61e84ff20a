#include "download/RateBudget.h"

#include <algorithm>

qint64 RateBudget::waitMs(qint64 length)
{
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 earned = m_clock.elapsed() * m_rate / 1000;
    // Time nobody used earns a quarter of a second's worth at most: a pause
    // between files is no licence for a burst.
    m_taken = std::max(m_taken, earned - m_rate / 4);
    if (m_taken <= earned) {
        m_taken += length;
        return 0;
    }
    return (m_taken - earned) * 1000 / m_rate + 1;
}
