#include "download/RetryPolicy.h"

#include "download/FailureNumber.h"

#include <QLocale>
#include <algorithm>

namespace RetryPolicy {

bool isTransient(qint32 number)
{
    switch (number) {
    case 408: // request timeout
    case 429: // too many requests
    case 500:
    case 502:
    case 503:
    case 504:
    case numberOf(FailureNumber::ConnectionRefused):
    case numberOf(FailureNumber::TimedOut):
    case numberOf(FailureNumber::ConnectionAborted): // lost while sending or receiving
        return true;
    default:
        return false;
    }
}

std::optional<qint64> retryAfterMs(const QByteArray &value, const QDateTime &now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    qint64 ms = 0;
    if (isNumber) {
        if (seconds < 0)
            return std::nullopt;
        ms = seconds > kMaxRetryAfterMs / 1000 ? kMaxRetryAfterMs : seconds * 1000;
    } else {
        // The IMF-fixdate form, "Sun, 06 Nov 1994 08:49:37 GMT".
        QDateTime at = QLocale::c().toDateTime(QString::fromLatin1(text),
                                               QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
        if (!at.isValid())
            return std::nullopt;
        at.setTimeSpec(Qt::UTC);
        ms = std::max<qint64>(0, now.msecsTo(at));
    }
    return std::min(ms, kMaxRetryAfterMs);
}

qint64 delayMs(int retry, double jitter, std::optional<qint64> serverAskedMs)
{
    const qint64 base = 1000LL << std::clamp(retry - 1, 0, 16);
    const qint64 own = std::min(base + static_cast<qint64>(base * 0.25 * jitter), kMaxBackoffMs);
    return std::max(own, serverAskedMs.value_or(0));
}

} // namespace RetryPolicy
