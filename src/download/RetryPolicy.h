#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

// When a failed transfer is worth another try, and how long to wait first.
namespace RetryPolicy {

// A server may hold us off with Retry-After, but not longer than this.
constexpr qint64 kMaxRetryAfterMs = 5 * 60 * 1000;
// Our own waits double from one second up to this.
constexpr qint64 kMaxBackoffMs = 60 * 1000;

// Time-outs, lost or refused connections and the HTTP statuses of a busy or
// briefly broken server; `number` as in TransferFailure.
bool isTransient(qint32 number);

// Milliseconds a Retry-After value asks for (delay seconds or an HTTP date in
// any of its three forms), at most kMaxRetryAfterMs; nothing when the value
// is missing or unreadable.
std::optional<qint64> retryAfterMs(const QByteArray &value, const QDateTime &now);

// The wait before retry `retry` (1 for the first): 1, 2, 4 ... s plus up to a
// quarter more by `jitter` (0 to 1), at most kMaxBackoffMs, but never shorter
// than what the server asked for.
qint64 delayMs(int retry, double jitter, std::optional<qint64> serverAskedMs);

} // namespace RetryPolicy
