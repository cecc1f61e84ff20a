#include "download/RateBudget.h"

#include <algorithm>
#include <cmath>

qint64 RateBudget::waitMs(qint64 length)
{
    if (!m_clock.isValid())
        m_clock.start();
    // In doubles: a limit as high as --limit-rate takes would overflow 64 bits within a second.
    const double rate = static_cast<double>(m_rate);
    const double earned = static_cast<double>(m_clock.elapsed()) * rate / 1000.0;
    // Time nobody used earns a quarter of a second's worth at most: a pause
    // between files is no licence for a burst.
    m_taken = std::max(m_taken, earned - rate / 4.0);
    if (m_taken <= earned) {
        m_taken += static_cast<double>(length);
        return 0;
    }
    return static_cast<qint64>(std::ceil((m_taken - earned) * 1000.0 / rate));
}
