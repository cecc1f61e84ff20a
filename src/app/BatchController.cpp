#include "app/BatchController.h"

#include "app/BatchProgress.h"
#include "app/BatchSettings.h"
#include "app/FailureList.h"
#include "app/frmMain.h"
#include "download/BatchJob.h"
#include "download/BatchMessages.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"

#include <QLineEdit>
#include <QStandardPaths>

BatchController::BatchController(frmMain &form) : QObject(&form), m_form(form)
{
    m_job = std::make_unique<BatchJob>(static_cast<BatchFields &>(*this),
                                       static_cast<Reporter &>(*this));
    BatchProgress *bar = m_form.prgBatch;
    connect(m_job.get(), &BatchJob::fileStarted, bar, &BatchProgress::fileStarted);
    connect(m_job.get(), &BatchJob::bytesReceived, bar, &BatchProgress::bytesReceived);
    connect(m_job.get(), &BatchJob::resuming, bar,
            [bar](int, const QString &, qint64 bytes) { bar->resuming(bytes); });
    connect(m_job.get(), &BatchJob::requestStarted, this, [this](int, const QString &url) {
        m_form.setStatusPanelText(1, QStringLiteral("Download: ") + url);
    });
    connect(m_job.get(), &BatchJob::retryWaiting, this,
            [this](int, const QString &url, qint64 ms, int attempt, int attempts) {
                m_form.setStatusPanelText(1,
                                          retryWaitText((ms + 500) / 1000, attempt, attempts, url));
            });
    connect(m_job.get(), &BatchJob::fileFinished, this,
            [this](int, const QString &url, FileEnd end, const QString &) {
                onFileFinished(url, end);
            });
    connect(m_job.get(), &BatchJob::finished, this, &BatchController::onFinished);
}

BatchController::~BatchController() = default;

bool BatchController::isRunning() const
{
    return m_job->isRunning();
}

void BatchController::start(const QStringList &urls, const TransferSettings &transfer)
{
    BatchOptions options = LoadBatchOptions();
    options.transfer = transfer;
    m_count = static_cast<int>(urls.size());
    m_stopAfterFailures = options.stopAfterFailures;
    m_skipped.clear();
    m_cancelled = false;
    // Its URLs belong to the result this batch replaces.
    if (m_failureList)
        m_failureList->close();
    m_form.prgBatch->batchStarted(m_count, options.parallel);
    m_job->start(urls, options);
}

void BatchController::cancel()
{
    m_cancelled = m_job->isRunning();
    m_job->cancel();
}

void BatchController::onFileFinished(const QString &url, FileEnd end)
{
    m_form.prgBatch->fileFinished();
    if (end == FileEnd::Skipped)
        m_skipped << url;
    // Only a cancel says so: files cut short by a batch that ended on a failure were not.
    else if ((end == FileEnd::Cancelled || end == FileEnd::Kept) && m_cancelled)
        m_form.setStatusPanelText(1, QStringLiteral("Abgebrochen - ") + url);
}

void BatchController::onFinished(const BatchResult &result)
{
    m_last = result;
    m_lastSkipped = m_skipped;
    m_lastFolder = targetFolder();
    m_lastStopAfterFailures = m_stopAfterFailures;
    m_form.prgBatch->batchFinished(result, m_count, m_stopAfterFailures);
    Q_EMIT finished();
}

void BatchController::showResultList()
{
    if (!m_failureList) {
        m_failureList =
            new FailureList(m_last, m_lastSkipped, m_lastStopAfterFailures, m_lastFolder, &m_form);
        // Queued, so the batch does not run inside the list's own click.
        connect(m_failureList, &FailureList::retryRequested, this, &BatchController::retryRequested,
                Qt::QueuedConnection);
    }
    m_failureList->show();
    m_failureList->raise();
    m_failureList->activateWindow();
}

QString BatchController::referer() const
{
    return m_form.txtReferer->text();
}

QString BatchController::targetFolder() const
{
    return m_form.txtSpeicherOrt->text();
}

QString BatchController::defaultTargetFolder() const
{
    return frmMain::defaultTargetFolder();
}

QString BatchController::filePrefix() const
{
    return m_form.txtDateiprefix->text();
}

Answer BatchController::showMessage(const Message &message)
{
    if (message.url.isEmpty())
        return MsgBox(message);
    // The status line names the latest request; the box names its own.
    Message named = message;
    named.text += QStringLiteral("\r\n\r\n") + message.url;
    return MsgBox(named);
}

void BatchController::setBusy(bool busy)
{
    setScreenMousePointer(busy ? Pointer::Hourglass : Pointer::Default);
}
