#pragma once

#include "download/BatchJob.h"

#include <QSignalSpy>
#include <optional>

// Starts the job and waits for its finished(): the result, or nothing when
// finished() came from inside start() or not in time.
inline std::optional<BatchResult> runBatch(BatchJob &job, const QStringList &urls,
                                           const BatchOptions &options)
{
    QSignalSpy finished(&job, &BatchJob::finished);
    job.start(urls, options);
    if (!finished.isEmpty() || !finished.wait(60000) || finished.size() != 1)
        return std::nullopt;
    return finished.at(0).at(0).value<BatchResult>();
}
