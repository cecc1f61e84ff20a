#pragma once

#include "download/BatchResult.h"
#include "download/Message.h"

// The download batch's own messages, word for word.
Message writeFailureMessage(const QString &path, const QString &reason);
Message folderRefusedMessage();
// Different URLs of one list would write the same file.
Message nameCollisionQuestion(int count, const QString &fileName);
// The line that sums up a finished batch of urlCount URLs, the same in every front end.
QString batchSummary(const BatchResult &result, int urlCount, int stopAfterFailures);
// The status line while the batch waits before another try of url.
QString retryWaitText(qint64 seconds, int attempt, int attempts, const QString &url);
