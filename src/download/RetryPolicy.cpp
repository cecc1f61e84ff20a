#include "download/RetryPolicy.h"

#include "download/FailureNumber.h"

#include <algorithm>
#include <curl/curl.h>

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
    if (text.isEmpty() || text.contains('\0'))
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // Delay seconds: more digits than 64 bits hold still ask for a very long wait.
        bool fits = false;
        const qint64 seconds = text.toLongLong(&fits);
        return fits && seconds <= kMaxRetryAfterMs / 1000 ? seconds * 1000 : kMaxRetryAfterMs;
    }
    // An HTTP date in any of its three forms: IMF-fixdate, RFC 850 and asctime.
    const time_t at = curl_getdate(text.constData(), nullptr);
    if (at == -1)
        return std::nullopt;
    const qint64 ms = static_cast<qint64>(at) * 1000 - now.toMSecsSinceEpoch();
    return std::clamp<qint64>(ms, 0, kMaxRetryAfterMs);
}

qint64 delayMs(int retry, double jitter, std::optional<qint64> serverAskedMs)
{
    const qint64 base = 1000LL << std::clamp(retry - 1, 0, 16);
    const qint64 own = std::min(base + static_cast<qint64>(base * 0.25 * jitter), kMaxBackoffMs);
    return std::max(own, serverAskedMs.value_or(0));
}

} // namespace RetryPolicy
