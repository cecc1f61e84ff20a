#pragma once

#include "download/BatchResult.h"
#include "download/Message.h"

// The download batch's own messages, word for word.
Message writeFailureMessage(const QString &path, const QString &reason);
Message folderRefusedMessage();
// The cookie file given for the batch cannot be read; nothing is requested.
Message cookieFileMessage(const QString &path, const QString &reason);
// Different URLs of one list would write the same file.
Message nameCollisionQuestion(int count, const QString &fileName);
// The template lacks the placeholder, so all `count` URLs are one.
Message missingPlaceholderQuestion(int count, const QString &placeholder);
// The line that sums up a finished batch of urlCount URLs, the same in every front end.
QString batchSummary(const BatchResult &result, int urlCount, int stopAfterFailures);
// Why a URL of the list was never tried, for the list of what was not saved.
QString untriedReason(BatchResult::Outcome outcome, int stopAfterFailures);
// A kept part in the list of what was not saved.
QString keptReason(qint64 bytes);
// What a front end shows while a kept part is continued: "Fortsetzen bei 45,0 MiB".
QString resumeText(qint64 bytes);
// A size in binary units, the same in every front end: "512 B", "1,5 MiB".
QString sizeText(qint64 bytes);
// The status line while the batch waits before another try of url.
QString retryWaitText(qint64 seconds, int attempt, int attempts, const QString &url);
