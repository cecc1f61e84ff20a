#include "download/DownloadBatch.h"

#include "download/BatchMessages.h"
#include "download/RequestTarget.h"
#include "download/RetryPolicy.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
void actOnCancel(BatchView &view, const QString &url)
{
    view.cancelActedOn();
    view.setStatusText(QStringLiteral("Abgebrochen - ") + url);
}

// True once the transfer has finished one way or the other; false when the
// cancel was acted on instead.
bool waitForTransfer(const clsInet &objInet, const QString &url, BatchView &view)
{
    for (;;) {
        if (objInet.DownloadStatus != TransferStatus::Outstanding)
            return true;
        if (view.cancelRequested()) {
            actOnCancel(view, url);
            return false;
        }
        // Sleeps until something happens (network, input, timers) instead of spinning.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

// Waits with the event loop running, so the front end stays usable and a
// cancel request ends the wait at once; false when one did.
bool waitUnlessCancelled(qint64 ms, const BatchView &view)
{
    QTimer timer;
    // A coarse timer may fire early, and a server's Retry-After is a minimum.
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(static_cast<int>(ms));
    while (timer.isActive()) {
        if (view.cancelRequested())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

BatchFailure reported(BatchView &view, const QString &url, const Message &message,
                      const QString &description)
{
    view.showMessage(message);
    return {url, 0, description, message.text};
}

// A folder that is no full path is refused. The offered default folder is
// made when it is missing; a folder the user typed never is, since a typing
// mistake would otherwise scatter files into a new tree.
bool prepareFolder(const QString &folder, const BatchView &view)
{
    if (!IsUsableTargetFolder(folder))
        return false;
    if (QDir::cleanPath(folder) == QDir::cleanPath(view.defaultTargetFolder()) &&
        !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return true;
}

// Writes the finished body, or reports why it could not be kept while it
// arrived. Anything but Completed ends the batch.
DownloadBatch::Outcome writeBody(clsInet &objInet, const QString &url, BatchView &view,
                                 QList<BatchFailure> &failures)
{
    const QString folder = view.targetFolder();
    if (!prepareFolder(folder, view)) {
        failures.append(reported(view, url, folderRefusedMessage(), QString()));
        return DownloadBatch::Outcome::FolderRefused;
    }
    const QString fileName = TargetFileName(view.filePrefix(), objInet.InetDocument());
    const QString path = TargetFolderPart(folder) + fileName;
    QString reason;
    if (objInet.Failure())
        reason = objInet.Failure()->description;
    else if (!IsUsableFileName(fileName))
        reason = QStringLiteral("Der Dateiname ist leer oder bezeichnet einen Ordner.");
    else if (objInet.SaveBody(path, &reason))
        return DownloadBatch::Outcome::Completed;
    failures.append(reported(view, url, writeFailureMessage(path, reason), reason));
    return DownloadBatch::Outcome::WriteFailed;
}

BatchOptions bounded(BatchOptions options)
{
    options.retries = std::clamp(options.retries, 0, BatchOptions::kMaxRetries);
    options.pauseMs = std::clamp(options.pauseMs, 0, BatchOptions::kMaxPauseMs);
    options.pauseJitterMs = std::clamp(options.pauseJitterMs, 0, BatchOptions::kMaxPauseMs);
    options.stopAfterFailures = std::max(options.stopAfterFailures, 0);
    options.timeScale = std::clamp(options.timeScale, 0.0, 1.0);
    return options;
}

// One walk through the list and what it has come to so far.
class BatchRun final
{
public:
    BatchRun(clsInet &objInet, BatchView &view, const BatchOptions &options)
        : m_inet(objInet), m_view(view), m_options(bounded(options))
    {
    }

    DownloadBatch::Result run(const QStringList &urls)
    {
        const int count = static_cast<int>(urls.size());
        bool requested = false;
        int inARow = 0;
        for (int index = 1; index <= count; ++index) {
            const QString &url = urls[index - 1];
            m_view.fileStarted(index, count, url);
            FileEnd end = FileEnd::Skipped;
            if (m_options.skipExisting && fileExists(url)) {
                ++m_result.skipped;
            } else if (requested && !pause()) {
                actOnCancel(m_view, url);
                m_result.outcome = DownloadBatch::Outcome::Cancelled;
                end = FileEnd::Cancelled;
            } else {
                requested = true;
                end = fetch(url);
            }
            m_view.fileFinished(index, count, url, end);
            if (m_result.outcome != DownloadBatch::Outcome::Completed)
                break;
            inARow = end == FileEnd::Failed ? inARow + 1 : 0;
            if (m_options.stopAfterFailures > 0 && inARow >= m_options.stopAfterFailures) {
                m_result.outcome = DownloadBatch::Outcome::TooManyFailures;
                break;
            }
        }
        return m_result;
    }

private:
    bool fileExists(const QString &url) const
    {
        const QString folder = m_view.targetFolder();
        const QString name = TargetFileName(m_view.filePrefix(), RequestTarget::document(url));
        return IsUsableTargetFolder(folder) && IsUsableFileName(name) &&
               QFileInfo::exists(TargetFolderPart(folder) + name);
    }

    qint64 scaled(qint64 ms) const { return std::llround(ms * m_options.timeScale); }

    bool pause() const
    {
        const int jitter = m_options.pauseJitterMs > 0
                               ? QRandomGenerator::global()->bounded(m_options.pauseJitterMs + 1)
                               : 0;
        const qint64 ms = scaled(m_options.pauseMs + jitter);
        return ms <= 0 || waitUnlessCancelled(ms, m_view);
    }

    FileEnd fetch(const QString &url)
    {
        const int tries = m_options.retries + 1;
        // A kept part of the body is only for this URL's next try.
        const auto dropPartial = qScopeGuard([this] {
            m_inet.KeepPartialBody = false;
            m_inet.DropPartialBody();
        });
        for (int attempt = 1;; ++attempt) {
            m_view.setStatusText(QStringLiteral("Download: ") + url);
            // A large body is written into the target folder while it arrives.
            const QString folder = m_view.targetFolder();
            m_inet.SpillFolder = IsUsableTargetFolder(folder) ? folder : QString();
            m_inet.KeepPartialBody = attempt < tries;
            m_inet.RequestFile(url, m_view.referer());
            const bool refused = m_inet.RequestRefused;
            if (!refused && !waitForTransfer(m_inet, url, m_view))
                return cancelled();
            const auto &failure = m_inet.Failure();
            if (!failure || failure->bodyNotStored)
                return save(url);
            if (refused) {
                // Its message is shown; asking again would only show the next one.
                m_result.outcome = DownloadBatch::Outcome::RequestRefused;
                return failed(url, *failure, true);
            }
            if (attempt == tries || !RetryPolicy::isTransient(failure->number))
                return failed(url, *failure, !m_options.collectFailures);
            if (!waitBeforeRetry(url, *failure, attempt, tries))
                return cancelled();
        }
    }

    bool waitBeforeRetry(const QString &url, const TransferFailure &failure, int attempt, int tries)
    {
        const qint64 ms = RetryPolicy::delayMs(
            attempt, QRandomGenerator::global()->generateDouble(),
            RetryPolicy::retryAfterMs(failure.retryAfter, QDateTime::currentDateTimeUtc()));
        m_view.setStatusText(retryWaitText((ms + 500) / 1000, attempt + 1, tries, url));
        if (waitUnlessCancelled(scaled(ms), m_view))
            return true;
        actOnCancel(m_view, url);
        return false;
    }

    FileEnd cancelled()
    {
        m_result.outcome = DownloadBatch::Outcome::Cancelled;
        return FileEnd::Cancelled;
    }

    FileEnd failed(const QString &url, const TransferFailure &failure, bool show)
    {
        // With HoldMessages the wrapper left showing it to us.
        if (show && m_inet.HoldMessages)
            m_view.showMessage(failure.message);
        m_result.failures.append({url, failure.number, failure.description, failure.shownText});
        return FileEnd::Failed;
    }

    FileEnd save(const QString &url)
    {
        m_result.outcome = writeBody(m_inet, url, m_view, m_result.failures);
        if (m_result.outcome != DownloadBatch::Outcome::Completed)
            return FileEnd::Failed;
        ++m_result.saved;
        return FileEnd::Saved;
    }

    clsInet &m_inet;
    BatchView &m_view;
    const BatchOptions m_options;
    DownloadBatch::Result m_result;
};
} // namespace

DownloadBatch::Result DownloadBatch::run(clsInet &objInet, const QStringList &urls, BatchView &view,
                                         const BatchOptions &options)
{
    if (!prepareFolder(view.targetFolder(), view)) {
        Result result;
        reported(view, QString(), folderRefusedMessage(), QString());
        result.outcome = Outcome::FolderRefused;
        return result;
    }
    // Only a URL's last try may be shown, and a collected failure not at all.
    const bool held =
        std::exchange(objInet.HoldMessages, options.retries > 0 || options.collectFailures);
    const auto restore = qScopeGuard([&] { objInet.HoldMessages = held; });
    return BatchRun(objInet, view, options).run(urls);
}
