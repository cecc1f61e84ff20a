#include "download/BatchJob.h"

#include "download/BatchFields.h"
#include "download/BatchFiles.h"
#include "download/BatchLane.h"
#include "download/BatchMessages.h"
#include "download/CurlEventBridge.h"
#include "download/KeptPart.h"
#include "download/RateBudget.h"
#include "download/Reporter.h"
#include "download/RequestTarget.h"
#include "download/RetryPolicy.h"
#include "download/TargetFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {
// A rate measured over less than this says more about the timer than the line.
constexpr qint64 kMinRateMs = 250;

BatchOptions bounded(BatchOptions options)
{
    options.retries = std::clamp(options.retries, 0, BatchOptions::kMaxRetries);
    options.pauseMs = std::clamp(options.pauseMs, 0, BatchOptions::kMaxPauseMs);
    options.pauseJitterMs = std::clamp(options.pauseJitterMs, 0, BatchOptions::kMaxPauseMs);
    options.stopAfterFailures = std::max(options.stopAfterFailures, 0);
    options.timeScale = std::clamp(options.timeScale, 0.0, 1.0);
    options.parallel = std::clamp(options.parallel, 1, BatchOptions::kMaxParallel);
    return options;
}

QString hostOf(const QString &url)
{
    return QUrl(url).host();
}

// A server that says it is busy is busy for every URL of it.
bool holdsHost(const TransferFailure &failure)
{
    return failure.number == 429 || failure.number == 503 || !failure.retryAfter.isEmpty();
}
} // namespace

BatchJob::BatchJob(BatchFields &fields, Reporter &reporter, QObject *parent)
    : QObject(parent), m_fields(fields), m_reporter(reporter)
{
}

BatchJob::~BatchJob() = default;

void BatchJob::start(const QStringList &urls, const BatchOptions &options)
{
    if (m_running)
        return;
    m_urls = urls;
    m_options = bounded(options);
    m_result = BatchResult();
    m_done.assign(static_cast<size_t>(urls.size()), false);
    m_next = 0;
    m_inARow = 0;
    m_held = 0;
    m_stopping = false;
    m_anyRequest = false;
    m_nextStartMs = 0;
    m_hostFreeMs.clear();
    m_ended.clear();
    m_clock.start();
    m_lanes.clear();
    // One multi handle for the batch, so its transfers reuse each other's connections.
    m_bridge = std::make_shared<CurlEventBridge>();
    m_bridge->setMaxHostConnections(m_options.parallel);
    // The limit is the batch's, whatever share each transfer takes of it.
    const qint64 rate = m_options.transfer.maxBytesPerSecond;
    m_rateBudget = rate > 0 ? std::make_shared<RateBudget>(rate) : nullptr;
    for (int i = 0; i < m_options.parallel; ++i) {
        auto lane = std::make_unique<BatchLane>(m_reporter, m_bridge, this);
        BatchLane *l = lane.get();
        connect(l, &BatchLane::ready, this, &BatchJob::schedulePump);
        connect(l, &BatchLane::ended, this, [this, l] { onLaneEnded(*l); });
        connect(l, &BatchLane::bytesChanged, this, &BatchJob::reportBytes);
        m_lanes.push_back(std::move(lane));
    }
    m_running = true;
    // The caller hears of everything from the event loop, never from inside start().
    QTimer::singleShot(0, this, &BatchJob::begin);
}

void BatchJob::begin()
{
    if (!m_running || m_stopping)
        return;
    if (!prepareFolder(m_fields.targetFolder())) {
        m_result.outcome = BatchResult::Outcome::FolderRefused;
        m_stopping = true;
        if (!showMessage(folderRefusedMessage()))
            return;
    } else if (const QString cookies = m_options.transfer.cookieFile; !cookies.isEmpty()) {
        // Read by libcurl for every request, which would fail each one silently.
        const QFileInfo info(cookies);
        QFile file(cookies);
        const QString reason = !info.exists()                    ? QStringLiteral("nicht vorhanden")
                               : !info.isFile()                  ? QStringLiteral("keine Datei")
                               : !file.open(QIODevice::ReadOnly) ? file.errorString()
                                                                 : QString();
        if (!reason.isEmpty()) {
            m_result.outcome = BatchResult::Outcome::RequestRefused;
            m_stopping = true;
            if (!showMessage(cookieFileMessage(cookies, reason)))
                return;
        }
    }
    pump();
}

void BatchJob::cancel()
{
    if (!m_running || m_stopping)
        return;
    // An answer that is complete already is saved first.
    const QPointer<BatchJob> alive(this);
    while (m_held == 0 && !m_ended.isEmpty()) {
        handleEnd(*m_ended.takeFirst());
        if (!alive)
            return;
    }
    stop(BatchResult::Outcome::Cancelled);
}

void BatchJob::stop(BatchResult::Outcome outcome)
{
    if (m_result.outcome == BatchResult::Outcome::Completed)
        m_result.outcome = outcome;
    m_stopping = true;
    m_ended.clear();
    // In the order their files were taken up, so the last one told is the latest.
    std::vector<BatchLane *> busy;
    for (const auto &lane : m_lanes)
        if (lane->state() != BatchLane::State::Idle)
            busy.push_back(lane.get());
    std::sort(busy.begin(), busy.end(),
              [](const BatchLane *a, const BatchLane *b) { return a->order() < b->order(); });
    for (BatchLane *lane : busy) {
        if (m_options.resume == BatchOptions::Resume::On)
            lane->inet().cancelKeeping();
        const QString kept = keepPart(*lane);
        fileDone(*lane, kept.isEmpty() ? FileEnd::Cancelled : FileEnd::Kept, kept);
    }
    schedulePump();
}

void BatchJob::schedulePump()
{
    if (m_pumpQueued)
        return;
    m_pumpQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_pumpQueued = false;
        pump();
    });
}

void BatchJob::pump()
{
    if (!m_running || m_held > 0)
        return;
    const QPointer<BatchJob> alive(this);
    while (!m_stopping && m_held == 0 && !m_ended.isEmpty()) {
        handleEnd(*m_ended.takeFirst());
        if (!alive)
            return;
    }
    for (const auto &lane : m_lanes) {
        if (m_stopping || m_held > 0)
            break;
        while (lane->state() == BatchLane::State::Idle && m_next < m_urls.size() && !m_stopping &&
               m_held == 0)
            takeNextFile(*lane);
        if (lane->state() != BatchLane::State::Ready)
            continue;
        if (const qint64 busyFor = hostHoldLeft(lane->url()); busyFor > 0)
            lane->wait(busyFor);
        else
            startRequest(*lane);
    }
    const bool idle = std::all_of(m_lanes.begin(), m_lanes.end(), [](const auto &lane) {
        return lane->state() == BatchLane::State::Idle;
    });
    if (m_running && m_held == 0 && idle && (m_stopping || m_next >= m_urls.size())) {
        m_running = false;
        m_lanes.clear();
        m_bridge.reset();
        for (int i = 0; i < m_urls.size(); ++i)
            if (!m_done[static_cast<size_t>(i)])
                m_result.untried.append({i + 1, m_urls[i]});
        Q_EMIT finished(m_result);
    }
}

void BatchJob::takeNextFile(BatchLane &lane)
{
    const int index = ++m_next;
    const QString &url = m_urls[index - 1];
    lane.take(index, url, ++m_order);
    Q_EMIT fileStarted(index, url);
    if (!skipsExisting(lane))
        lane.wait(pauseBeforeRequest());
}

bool BatchJob::prepareFolder(const QString &folder) const
{
    return BatchFiles::prepareFolder(folder, [this] { return m_fields.defaultTargetFolder(); });
}

bool BatchJob::skipsExisting(BatchLane &lane)
{
    if (!m_options.skipExisting)
        return false;
    const QString path =
        BatchFiles::targetPath(m_fields.targetFolder(), m_fields.filePrefix(), lane.url());
    QString why;
    switch (path.isEmpty() ? BatchFiles::Occupant::Nothing : BatchFiles::occupantOf(path, &why)) {
    case BatchFiles::Occupant::Nothing:
        return false;
    case BatchFiles::Occupant::File:
        ++m_result.skipped;
        fileDone(lane, FileEnd::Skipped, path);
        return true;
    case BatchFiles::Occupant::Other: {
        // Not requested: no answer could be saved there.
        const Message message{why, QString()};
        fail(lane, {lane.url(), 0, why, why}, m_options.collectFailures ? nullptr : &message);
        return true;
    }
    }
    return false;
}

QString BatchJob::keptPath(const BatchLane &lane, QString *fileName) const
{
    const QString folder = m_fields.targetFolder();
    const QString name = TargetFileName(m_fields.filePrefix(), RequestTarget::document(lane.url()));
    if (!IsUsableTargetFolder(folder) || !IsUsableFileName(name))
        return QString();
    if (fileName)
        *fileName = name;
    return KeptPart::pathFor(folder, name);
}

void BatchJob::continueKeptPart(BatchLane &lane)
{
    if (m_options.resume == BatchOptions::Resume::Off)
        return;
    QString name;
    const QString path = keptPath(lane, &name);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    std::optional<KeptPart> record;
    if (m_options.resume == BatchOptions::Resume::On)
        record = KeptPart::read(path);
    // A torn record, or the part of another URL of the same name, cannot be continued.
    if (!record || record->url != lane.url()) {
        QFile::remove(path);
        return;
    }
    int error = 0;
    PartFile file = PartFile::adopt(path, name, record->kept, &error);
    if (!file.isOpen())
        return;
    lane.inet().continueBody({std::move(file), *record});
    Q_EMIT resuming(lane.index(), lane.url(), record->kept);
}

QString BatchJob::keepPart(BatchLane &lane)
{
    PartialBody part = lane.inet().takePartialBody();
    if (m_options.resume != BatchOptions::Resume::On || !part.file.isOpen())
        return QString();
    const QString path = keptPath(lane);
    if (path.isEmpty() || !part.file.keep(part.record.trailer(), path))
        return QString();
    m_result.kept.append({lane.index(), lane.url(), path, part.record.kept});
    m_done[static_cast<size_t>(lane.index() - 1)] = true;
    return path;
}

qint64 BatchJob::scaled(qint64 ms) const
{
    return std::llround(static_cast<double>(ms) * m_options.timeScale);
}

// One transfer waits the pause after the file before; side by side, the
// pause spaces out the starts of the requests.
qint64 BatchJob::pauseBeforeRequest()
{
    if (!m_anyRequest && m_options.parallel == 1)
        return 0;
    const int jitter = m_options.pauseJitterMs > 0
                           ? QRandomGenerator::global()->bounded(m_options.pauseJitterMs + 1)
                           : 0;
    const qint64 pause = scaled(m_options.pauseMs + jitter);
    if (m_options.parallel == 1)
        return pause;
    const qint64 now = m_clock.elapsed();
    const qint64 startAt = std::max(now, m_nextStartMs);
    m_nextStartMs = startAt + pause;
    return startAt - now;
}

qint64 BatchJob::hostHoldLeft(const QString &url) const
{
    return m_hostFreeMs.value(hostOf(url), 0) - m_clock.elapsed();
}

void BatchJob::startRequest(BatchLane &lane)
{
    // The file may have come while the lane waited.
    if (lane.attempt() == 1 && skipsExisting(lane))
        return;
    if (lane.attempt() == 1)
        continueKeptPart(lane);
    m_anyRequest = true;
    Q_EMIT requestStarted(lane.index(), lane.url());
    TransferSettings settings = m_options.transfer;
    // A large body is written into the target folder while it arrives.
    const QString folder = m_fields.targetFolder();
    settings.spillFolder = IsUsableTargetFolder(folder) ? folder : QString();
    settings.keepPartialBody = lane.attempt() <= m_options.retries;
    settings.keepForResume = m_options.resume == BatchOptions::Resume::On;
    settings.rateBudget = m_rateBudget;
    // Shown here, one at a time, and only once a URL has no try left.
    settings.holdMessages = true;
    if (!lane.request(m_fields.referer(), settings))
        onLaneEnded(lane);
}

void BatchJob::onLaneEnded(BatchLane &lane)
{
    // Handled on the job's own turn, not inside the transfer that ended: a box shown for it
    // may outlive that transfer, and the job too when its window goes away meanwhile.
    m_ended.append(&lane);
    schedulePump();
}

void BatchJob::handleEnd(BatchLane &lane)
{
    if (m_stopping || lane.state() != BatchLane::State::Ended)
        return;
    const std::optional<TransferFailure> &failure = lane.inet().Failure();
    if (!failure || failure->bodyNotStored) {
        saveBody(lane);
        return;
    }
    const BatchFailure batchFailure{lane.url(), failure->number, failure->description,
                                    failure->shownText};
    if (lane.inet().RequestRefused) {
        // Asking again would only show the same refusal for every URL.
        const Message message = failure->message;
        fail(lane, batchFailure, &message, BatchResult::Outcome::RequestRefused);
        return;
    }
    if (lane.attempt() > m_options.retries || !RetryPolicy::isTransient(failure->number)) {
        Message message = failure->message;
        // Side by side, the latest request is not necessarily this one.
        if (m_options.parallel > 1)
            message.url = lane.url();
        fail(lane, batchFailure, m_options.collectFailures ? nullptr : &message);
        return;
    }
    retryLater(lane, *failure);
}

void BatchJob::retryLater(BatchLane &lane, const TransferFailure &failure)
{
    const qint64 ms = RetryPolicy::delayMs(
        lane.attempt(), QRandomGenerator::global()->generateDouble(),
        RetryPolicy::retryAfterMs(failure.retryAfter, QDateTime::currentDateTimeUtc()));
    const qint64 wait = scaled(ms);
    if (holdsHost(failure)) {
        qint64 &freeAt = m_hostFreeMs[hostOf(lane.url())];
        freeAt = std::max(freeAt, m_clock.elapsed() + wait);
    }
    lane.nextAttempt();
    Q_EMIT retryWaiting(lane.index(), lane.url(), ms, lane.attempt(), m_options.retries + 1);
    lane.wait(wait);
}

void BatchJob::saveBody(BatchLane &lane)
{
    clsInet &inet = lane.inet();
    const QString folder = m_fields.targetFolder();
    if (!prepareFolder(folder)) {
        const Message message = folderRefusedMessage();
        fail(lane, {lane.url(), 0, QString(), message.text}, &message,
             BatchResult::Outcome::FolderRefused);
        return;
    }
    const QString fileName = TargetFileName(m_fields.filePrefix(), inet.InetDocument());
    const QString path = TargetFolderPart(folder) + fileName;
    QString reason;
    if (inet.Failure())
        reason = inet.Failure()->description;
    else if (!IsUsableFileName(fileName))
        reason = QStringLiteral("Der Dateiname ist leer oder bezeichnet einen Ordner.");
    else if (inet.SaveBody(path, &reason)) {
        ++m_result.saved;
        fileDone(lane, FileEnd::Saved, path);
        return;
    }
    const Message message = writeFailureMessage(path, reason);
    fail(lane, {lane.url(), 0, reason, message.text}, &message, BatchResult::Outcome::WriteFailed);
}

void BatchJob::fail(BatchLane &lane, const BatchFailure &failure, const Message *shown,
                    BatchResult::Outcome endsBatch)
{
    // A body worth continuing counts as kept, not as failed; the failure is still told.
    const QString kept = keepPart(lane);
    if (kept.isEmpty()) {
        m_result.failures.append(failure);
        m_result.failures.last().index = lane.index();
    }
    m_done[static_cast<size_t>(lane.index() - 1)] = true;
    if (endsBatch != BatchResult::Outcome::Completed) {
        m_result.outcome = endsBatch;
        m_stopping = true;
    }
    // A cancel while the message was open has ended the file already.
    if (shown && (!showMessage(*shown) || lane.state() == BatchLane::State::Idle))
        return;
    fileDone(lane, kept.isEmpty() ? FileEnd::Failed : FileEnd::Kept, kept);
    if (endsBatch != BatchResult::Outcome::Completed)
        stop(endsBatch);
}

void BatchJob::fileDone(BatchLane &lane, FileEnd end, const QString &path)
{
    const int index = lane.index();
    const QString url = lane.url();
    lane.release();
    // Its bytes leave the totals before it counts as finished, never both at once.
    reportBytes();
    if (end != FileEnd::Cancelled) {
        m_done[static_cast<size_t>(index - 1)] = true;
        m_inARow = end == FileEnd::Failed || end == FileEnd::Kept ? m_inARow + 1 : 0;
        if (!m_stopping && m_options.stopAfterFailures > 0 &&
            m_inARow >= m_options.stopAfterFailures) {
            Q_EMIT fileFinished(index, url, end, path);
            stop(BatchResult::Outcome::TooManyFailures);
            return;
        }
    }
    Q_EMIT fileFinished(index, url, end, path);
    schedulePump();
}

bool BatchJob::showMessage(const Message &message)
{
    ++m_held;
    // A window may go away while its box is open.
    const QPointer<BatchJob> alive(this);
    m_reporter.showMessage(message);
    if (!alive)
        return false;
    if (--m_held == 0)
        schedulePump();
    return true;
}

void BatchJob::reportBytes()
{
    qint64 received = 0;
    qint64 expected = 0;
    qint64 rate = 0;
    bool any = false;
    for (const auto &lane : m_lanes) {
        if (lane->state() != BatchLane::State::Transferring)
            continue;
        any = true;
        received += lane->received();
        expected = lane->expected() < 0 || expected < 0 ? -1 : expected + lane->expected();
        const qint64 ms = lane->elapsedMs();
        if (ms >= kMinRateMs)
            rate += lane->fetched() * 1000 / ms;
    }
    Q_EMIT bytesReceived(received, any ? expected : -1, rate);
}
