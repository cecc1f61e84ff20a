#pragma once

#include "download/BatchOptions.h"
#include "download/BatchResult.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class BatchFields;
class BatchLane;
class CurlEventBridge;
class RateBudget;
class Reporter;
struct Message;
struct TransferFailure;

// Fetches every URL of a list and writes each body as one file, with up to
// BatchOptions::parallel transfers side by side on one libcurl multi handle.
// Everything runs on the event loop: start() returns at once, the signals
// tell what happens, finished() comes last.
//
// Messages go to the reporter one at a time. A message being shown holds the
// batch: no request starts and no other message is shown until it has been
// answered, so a modal box never has a second one behind it.
class BatchJob final : public QObject
{
    Q_OBJECT
public:
    BatchJob(BatchFields &fields, Reporter &reporter, QObject *parent = nullptr);
    ~BatchJob() override;

    void start(const QStringList &urls, const BatchOptions &options);
    // Ends every transfer and wait at once; nothing is written for them.
    // A transfer whose answer is already complete has been saved before.
    void cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // URL `index` (from 1) is taken up: a pause, a skip or a request follows.
    void fileStarted(int index, const QString &url);
    // The request that follows continues a body kept by an earlier batch after `bytes`.
    void resuming(int index, const QString &url, qint64 bytes);
    // A request for it goes out, the first or another try.
    void requestStarted(int index, const QString &url);
    // All running transfers together: bytes so far, their announced sizes
    // (-1 when one is unknown) and the rate of those running long enough to tell.
    void bytesReceived(qint64 received, qint64 expected, qint64 bytesPerSecond);
    // The next try of URL `index` follows in `ms`.
    void retryWaiting(int index, const QString &url, qint64 ms, int attempt, int attempts);
    // Done with URL `index`; `path` is its file (saved, or found there) or its kept part.
    void fileFinished(int index, const QString &url, FileEnd end, const QString &path);
    void finished(const BatchResult &result);

private:
    void begin();
    void schedulePump();
    void pump();
    void takeNextFile(BatchLane &lane);
    qint64 pauseBeforeRequest();
    void startRequest(BatchLane &lane);
    void onLaneEnded(BatchLane &lane);
    void handleEnd(BatchLane &lane);
    void retryLater(BatchLane &lane, const TransferFailure &failure);
    void saveBody(BatchLane &lane);
    // endsBatch: the outcome this failure ends the batch with, Completed when it does not.
    void fail(BatchLane &lane, const BatchFailure &failure, const Message *shown,
              BatchResult::Outcome endsBatch = BatchResult::Outcome::Completed);
    void fileDone(BatchLane &lane, FileEnd end, const QString &path = QString());
    void stop(BatchResult::Outcome outcome);
    // False when the job is gone once the message has been answered.
    bool showMessage(const Message &message);
    void reportBytes();
    qint64 hostHoldLeft(const QString &url) const;
    qint64 scaled(qint64 ms) const;
    // With skipExisting, ends the lane's file when its target is taken: skipped
    // for a file, failed for anything else. True when it did.
    bool skipsExisting(BatchLane &lane);
    bool prepareFolder(const QString &folder) const;
    // The hidden file a cut body of the lane's URL is kept in; empty without a usable name.
    QString keptPath(const BatchLane &lane, QString *fileName = nullptr) const;
    void continueKeptPart(BatchLane &lane);
    // Where the lane's cut body has been kept to be continued; empty when it has not.
    QString keepPart(BatchLane &lane);

    BatchFields &m_fields;
    Reporter &m_reporter;
    std::shared_ptr<CurlEventBridge> m_bridge;
    std::shared_ptr<RateBudget> m_rateBudget;
    std::vector<std::unique_ptr<BatchLane>> m_lanes;
    QList<BatchLane *> m_ended; // ended, waiting for the next pump
    QStringList m_urls;
    BatchOptions m_options;
    BatchResult m_result;
    std::vector<bool> m_done; // by list index from 0: saved, skipped or failed
    int m_next = 0;           // of m_urls, the next to take up
    quint64 m_order = 0;
    int m_inARow = 0;
    int m_held = 0; // messages being shown
    bool m_running = false;
    bool m_stopping = false;
    bool m_pumpQueued = false;
    bool m_anyRequest = false;
    QElapsedTimer m_clock;
    qint64 m_nextStartMs = 0;            // on m_clock: when the pause lets the next request go
    QHash<QString, qint64> m_hostFreeMs; // on m_clock: a busy host's next request
};
