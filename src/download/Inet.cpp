#include "download/Inet.h"

#include "download/CurlFailure.h"
#include "download/InetError.h"
#include "download/RequestTarget.h"
#include "download/RetryPolicy.h"
#include "download/TargetFile.h"
#include "version.h"

#include <QFile>
#include <QUrl>
#include <algorithm>
#include <new>
#include <optional>
#include <sys/socket.h>
#include <system_error>
#include <utility>

namespace {

// Browsers give up after about 20; a download list never needs more than a few.
constexpr long kMaxRedirects = 10;
// Large reads keep the number of event-loop round trips per MiB small.
constexpr long kReceiveBufferSize = 256 * 1024;

// libcurl drops a header whose value is empty; "Name;" sends it empty instead.
QByteArray headerLineFor(const Inet::Header &header)
{
    const QByteArray value = header.value.toUtf8();
    if (value.trimmed().isEmpty())
        return header.name + ';';
    return header.name + ": " + value;
}

bool hasLineBreak(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n');
}

// A Content-Range value "bytes <first>-<last>/<total>"; total -1 for "*".
struct ContentRange
{
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1;
};

std::optional<ContentRange> parseContentRange(const QByteArray &value)
{
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (!value.startsWith("bytes ") || dash < 0 || slash < dash)
        return std::nullopt;
    bool firstOk = false;
    bool lastOk = false;
    bool totalOk = false;
    ContentRange range;
    range.first = value.mid(6, dash - 6).trimmed().toLongLong(&firstOk);
    range.last = value.mid(dash + 1, slash - dash - 1).trimmed().toLongLong(&lastOk);
    const QByteArray total = value.mid(slash + 1).trimmed();
    if (total != "*")
        range.total = total.toLongLong(&totalOk);
    if (!firstOk || !lastOk || !(totalOk || total == "*") || range.first < 0 ||
        range.last < range.first || (totalOk && range.total <= range.last))
        return std::nullopt;
    return range;
}

} // namespace

Inet::Inet(std::shared_ptr<CurlEventBridge> bridge, QObject *parent)
    : QObject(parent), m_bridge(bridge ? std::move(bridge) : std::make_shared<CurlEventBridge>())
{
    m_easy = curl_easy_init();
    if (!m_bridge->multi() || !m_easy) {
        curl_easy_cleanup(m_easy);
        throw InetError(FailureNumber::CannotOpenHandle,
                        QStringLiteral("Cannot create a transfer handle"));
    }
    connect(m_bridge.get(), &CurlEventBridge::transferDone, this, &Inet::onTransferDone);
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &Inet::onIdleCheck);
    m_rateTimer.setSingleShot(true);
    connect(&m_rateTimer, &QTimer::timeout, this, [this] {
        // Our own pause is no silence of the server's.
        m_lastActivity.start();
        if (m_running)
            curl_easy_pause(m_easy, CURLPAUSE_CONT);
    });
}

Inet::~Inet()
{
    if (m_running)
        curl_multi_remove_handle(m_bridge->multi(), m_easy);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

void Inet::Cancel()
{
    stopRequest();
    m_partial = PartialBody();
}

void Inet::CancelKeeping()
{
    abortTransfer();
    if (m_config.keepForResume && !m_partial.file.isOpen())
        keepBody();
    stopRequest();
}

void Inet::stopRequest()
{
    abortTransfer();
    m_body.clear();
    // States already posted for the cancelled request must not arrive later.
    ++m_generation;
}

void Inet::abortTransfer()
{
    m_rateTimer.stop();
    if (m_running) {
        curl_multi_remove_handle(m_bridge->multi(), m_easy);
        m_running = false;
    }
    m_idleTimer.stop();
}

void Inet::setAccessType(qint32 type)
{
    if (type < static_cast<qint32>(::AccessType::System) ||
        type > static_cast<qint32>(::AccessType::NamedProxy))
        throw InetError(FailureNumber::InvalidPropertyValue,
                        QStringLiteral("Invalid access type %1").arg(type));
    m_config.accessType = static_cast<::AccessType>(type);
}

void Inet::Execute(const QString &url, const QString &operation, const QByteArray &data,
                   const Header &header)
{
    // A refused call must not leave the previous answer looking like its own.
    m_answer = Answer();
    m_answer.document = RequestTarget::document(url);
    checkRequest(operation, data, header);
    const RequestTarget target = RequestTarget::parse(url);
    const QByteArray proxy = m_config.accessType == ::AccessType::NamedProxy
                                 ? namedProxyUrl(m_config.proxy)
                                 : QByteArray();
    m_header = header;
    setRequestHeader(header);

    PartialBody partial = std::exchange(m_partial, PartialBody());
    stopRequest();
    m_url = url;
    configureRequest(target, proxy);
    resetRequestState();
    if (partial.file.isOpen() && partial.record.url == url)
        continueWith(std::move(partial));
    startTransfer();
}

void Inet::startTransfer()
{
    const CURLMcode rc = curl_multi_add_handle(m_bridge->multi(), m_easy);
    if (rc != CURLM_OK)
        throw InetError(FailureNumber::InternalError, QString::fromUtf8(curl_multi_strerror(rc)));
    m_running = true;
    m_lastActivity.start();
    if (m_config.idleTimeoutMs > 0)
        m_idleTimer.start(m_config.idleTimeoutMs);
}

void Inet::checkRequest(const QString &operation, const QByteArray &data,
                        const Header &header) const
{
    if (m_running)
        throw InetError(FailureNumber::StillExecuting,
                        QStringLiteral("Still executing last request"));
    if (operation.compare(QLatin1String("GET"), Qt::CaseInsensitive) != 0)
        throw InetError(FailureNumber::UnsupportedOperation,
                        QStringLiteral("Unsupported operation: %1").arg(operation));
    if (!data.isEmpty())
        throw InetError(FailureNumber::InvalidArgument,
                        QStringLiteral("Invalid argument: a GET carries no data"));
    if (hasLineBreak(header.name) || hasLineBreak(header.value.toUtf8()) ||
        hasLineBreak(m_config.userAgent.toUtf8()))
        throw InetError(FailureNumber::InvalidArgument,
                        QStringLiteral("Invalid argument: line break in request header"));
}

void Inet::setRequestHeader(const Header &header)
{
    curl_slist_free_all(m_headers);
    m_headers = nullptr;
    if (!header.name.isEmpty())
        m_headers = curl_slist_append(nullptr, headerLineFor(header).constData());
    for (const auto &[name, value] : std::as_const(m_config.extraHeaders))
        m_headers = curl_slist_append(m_headers,
                                      headerLineFor({name, QString::fromUtf8(value)}).constData());
}

void Inet::configureRequest(const RequestTarget &target, const QByteArray &proxy)
{
    // libcurl 7.88 keeps the cookie file's name past a transfer, and a reset would lose it:
    // clearing it first frees it (the shared cookies stay).
    if (std::exchange(m_cookieFileSet, false))
        curl_easy_setopt(m_easy, CURLOPT_COOKIEFILE, nullptr);
    curl_easy_reset(m_easy);
    m_errorBuffer[0] = '\0';
    curl_easy_setopt(m_easy, CURLOPT_URL, target.url.constData());
    curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    const QByteArray agent = m_config.userAgent.isEmpty()
                                 ? QByteArray("Vornix-Downloader/" VORNIX_VERSION_STRING)
                                 : m_config.userAgent.toUtf8();
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, agent.constData());
    // libcurl's cookie engine decides which cookie goes where; it runs only on the user's file.
    if (!m_config.cookieFile.isEmpty()) {
        m_cookieFileSet = true;
        curl_easy_setopt(m_easy, CURLOPT_SHARE, m_bridge->cookieShare());
        curl_easy_setopt(m_easy, CURLOPT_COOKIEFILE,
                         QFile::encodeName(m_config.cookieFile).constData());
    }

    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // libcurl refuses a redirect from https to plain http itself, whichever
    // Location header it follows.
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, target.https ? "https" : "http,https");
    if (!m_config.caFile.isEmpty())
        curl_easy_setopt(m_easy, CURLOPT_CAINFO, QFile::encodeName(m_config.caFile).constData());
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    // libcurl checks the rate between reads: with large reads a short body would pass in one.
    const qint64 readSize =
        m_config.maxReceiveSpeed > 0
            ? std::clamp<qint64>(m_config.maxReceiveSpeed / 16, 1024, kReceiveBufferSize)
            : kReceiveBufferSize;
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, static_cast<long>(readSize));
    // Where a server offers HTTP/2 (over TLS), transfers of one batch wait to share its
    // connection. Over plain HTTP/1.1 a waiting transfer would wait for the first to end.
    curl_easy_setopt(m_easy, CURLOPT_PIPEWAIT, target.https ? 1L : 0L);
    configureCallbacks();
    configureProxy(proxy);
}

void Inet::configureCallbacks()
{
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Inet::writeCallback);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Inet::headerCallback);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    // The debug stream is the one place libcurl tells that a request went out.
    curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &Inet::debugCallback);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_easy, CURLOPT_RESOLVER_START_FUNCTION, &Inet::resolverStartCallback);
    curl_easy_setopt(m_easy, CURLOPT_RESOLVER_START_DATA, this);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &Inet::openSocketCallback);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &Inet::prereqCallback);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, this);
}

void Inet::configureProxy(const QByteArray &proxy)
{
    if (m_config.accessType == ::AccessType::Direct) {
        // An empty proxy overrides http_proxy and friends from the environment.
        curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    } else if (m_config.accessType == ::AccessType::NamedProxy) {
        curl_easy_setopt(m_easy, CURLOPT_PROXY, proxy.constData());
        // The named proxy is for every host, whatever no_proxy says.
        curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "");
    }
}

void Inet::resetRequestState()
{
    m_requested = true;
    m_attempt = Attempt();
    restartBody();
}

void Inet::restartBody()
{
    m_body.restart(m_config.spillFolder, TargetFileName(QString(), m_answer.document),
                   m_config.memoryLimit);
}

QByteArray Inet::GetChunk(qint32 size)
{
    if (!m_requested)
        throw InetError(FailureNumber::NoRequestMade, QStringLiteral("No request has been made"));
    if (m_running)
        throw InetError(FailureNumber::StillExecuting,
                        QStringLiteral("Still executing last request"));
    if (size < 0)
        throw InetError(FailureNumber::InvalidArgument,
                        QStringLiteral("Invalid chunk size %1").arg(size));
    try {
        return m_body.takeChunk(size);
    } catch (const std::system_error &e) {
        throw InetError(FailureNumber::CannotRetrieveData, QString::fromLocal8Bit(e.what()));
    }
}

void Inet::postState(qint16 state)
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, state] {
            if (generation == m_generation)
                Q_EMIT StateChanged(state);
        },
        Qt::QueuedConnection);
}

void Inet::postProgress()
{
    m_attempt.lastProgress.start();
    const quint64 generation = m_generation;
    const qint64 received = m_body.received();
    const qint64 expected = m_body.expectedSize();
    QMetaObject::invokeMethod(
        this,
        [this, generation, received, expected] {
            if (generation == m_generation)
                Q_EMIT Progress(received, expected);
        },
        Qt::QueuedConnection);
}

void Inet::onTransferDone(void *easy, int result)
{
    if (easy == m_easy && m_running)
        finish(static_cast<CURLcode>(result));
}

void Inet::continueWith(PartialBody partial)
{
    // Without a length and a validator the rest could belong to another version.
    if (!partial.record.resumable() || partial.file.size() != partial.record.kept)
        return;
    m_attempt.resumeFrom = partial.file.size();
    m_attempt.resumed = partial.record;
    m_body.resume(std::move(partial.file));
    const QByteArray range = QByteArray::number(m_attempt.resumeFrom) + '-';
    curl_easy_setopt(m_easy, CURLOPT_RANGE, range.constData());
    // A server that has another version by now answers with all of it.
    const QByteArray ifRange = "If-Range: " + m_attempt.resumed.validator();
    m_headers = curl_slist_append(m_headers, ifRange.constData());
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
}

QByteArray Inet::effectiveUrl() const
{
    char *target = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &target);
    return target ? QByteArray(target) : QByteArray();
}

void Inet::restartWhole()
{
    curl_easy_setopt(m_easy, CURLOPT_RANGE, nullptr);
    setRequestHeader(m_header);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    resetRequestState();
    try {
        startTransfer();
    } catch (const InetError &e) {
        fail(e.number(), e.description());
    }
}

void Inet::finish(CURLcode result)
{
    abortTransfer();
    if (m_attempt.restartWhole) {
        // The answer to the range request was none we can append.
        restartWhole();
    } else if (m_attempt.abortNumber != 0) {
        fail(m_attempt.abortNumber, m_attempt.abortInfo);
    } else if (result != CURLE_OK) {
        const CurlFailure failure = describeCurlFailure(outcomeOf(result));
        fail(failure.number, failure.info);
    } else {
        complete();
    }
}

CurlOutcome Inet::outcomeOf(CURLcode result) const
{
    CurlOutcome outcome;
    outcome.code = result;
    outcome.text = m_errorBuffer[0] ? QString::fromUtf8(m_errorBuffer)
                                    : QString::fromUtf8(curl_easy_strerror(result));
    char *target = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &target);
    outcome.effectiveUrl = target ? target : "";
    curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_COUNT, &outcome.redirects);
    outcome.withinHeader = m_attempt.awaitStatusLine || !m_attempt.headerComplete;
    return outcome;
}

void Inet::complete()
{
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    m_answer.responseCode = static_cast<qint32>(status);
    m_answer.responseInfo = QString::fromUtf8(m_attempt.statusLine);
    if (status < 200 || status > 299) {
        // An error page is never handed out as the file; what an earlier try kept may stay.
        keepPartial(static_cast<qint32>(status));
        m_body.clear();
        postState(icError);
    } else if (m_body.expectedSize() >= 0 && m_body.received() != m_body.expectedSize()) {
        fail(numberOf(FailureNumber::ConnectionAborted),
             QStringLiteral("Body of %1 bytes where %2 were announced")
                 .arg(m_body.received())
                 .arg(m_body.expectedSize()));
    } else {
        postProgress();
        postState(icResponseCompleted);
    }
}

void Inet::fail(qint32 number, const QString &info)
{
    m_answer.responseCode = number;
    m_answer.responseInfo = info;
    keepPartial(number);
    m_body.clear();
    postState(icError);
}

void Inet::keepPartial(qint32 number)
{
    if ((m_config.keepPartial || m_config.keepForResume) &&
        (RetryPolicy::isTransient(number) || m_attempt.keepResumed))
        keepBody();
}

void Inet::keepBody()
{
    // A continuation that ends before its answer is taken holds just what was kept before.
    if (m_attempt.resumeFrom > 0 && (!m_attempt.bodyAccepted || m_attempt.keepResumed)) {
        if (m_body.spilled() && m_body.received() == m_attempt.resumeFrom)
            m_partial = {m_body.takeFile(), m_attempt.resumed};
        return;
    }
    if (!m_attempt.bodyAccepted || !m_body.spilled() || m_body.received() <= 0)
        return;
    KeptPart record;
    record.url = m_url;
    record.finalUrl = QString::fromUtf8(effectiveUrl());
    record.etag = m_attempt.etag;
    record.lastModified = m_attempt.lastModified;
    record.total = m_body.expectedSize();
    PartFile file = m_body.takeFile();
    record.kept = file.size();
    // A body that cannot be continued safely goes with `file`.
    if (record.resumable())
        m_partial = {std::move(file), record};
}

void Inet::onIdleCheck()
{
    if (!m_running)
        return;
    // While the speed limit holds the transfer, the server is not the one keeping quiet.
    const qint64 idle = m_rateTimer.isActive() ? 0 : m_lastActivity.elapsed();
    if (idle < m_config.idleTimeoutMs) {
        m_idleTimer.start(static_cast<int>(m_config.idleTimeoutMs - idle));
        return;
    }
    abortTransfer();
    fail(numberOf(FailureNumber::TimedOut),
         QStringLiteral("Zeitüberschreitung für Anforderung: %1 ms ohne Daten")
             .arg(m_config.idleTimeoutMs));
}

size_t Inet::writeCallback(char *ptr, size_t size, size_t nmemb, void *userdata)
{
    return static_cast<Inet *>(userdata)->onBody(ptr, size * nmemb);
}

size_t Inet::onBody(const char *data, size_t length)
{
    m_lastActivity.start();
    // What reaches the header callback after body bytes are trailers.
    m_attempt.awaitStatusLine = false;
    if (!m_attempt.bodyAccepted)
        return length;
    if (tooLarge(m_body.received() + static_cast<qint64>(length)))
        return 0;
    if (const qint64 waitMs = rateWaitMs(length); waitMs > 0) {
        // libcurl keeps the bytes and hands them over again once the transfer goes on.
        m_rateTimer.start(static_cast<int>(waitMs));
        return CURL_WRITEFUNC_PAUSE;
    }
    try {
        if (!m_body.append(data, length))
            return storeFailed();
    } catch (const std::bad_alloc &) {
        m_attempt.abortNumber = numberOf(FailureNumber::OutOfMemory);
        m_attempt.abortInfo = QStringLiteral("Out of memory after %1 bytes").arg(m_body.received());
        return 0;
    }
    if (!m_attempt.lastProgress.isValid() ||
        m_attempt.lastProgress.elapsed() >= kProgressIntervalMs)
        postProgress();
    return length;
}

size_t Inet::headerCallback(char *buffer, size_t size, size_t nitems, void *userdata)
{
    auto *self = static_cast<Inet *>(userdata);
    const size_t length = size * nitems;
    self->m_lastActivity.start();
    return self->onHeaderLine(buffer, length) ? length : 0;
}

bool Inet::onHeaderLine(const char *line, size_t length)
{
    const QByteArray text = QByteArray(line, static_cast<qsizetype>(length)).trimmed();
    // The first line of each response is its status line, whatever later lines look like.
    if (m_attempt.awaitStatusLine) {
        m_attempt.awaitStatusLine = false;
        m_attempt.headerComplete = false;
        m_attempt.statusLine = text;
        m_answer.retryAfter.clear();
        m_attempt.contentRange.clear();
        m_attempt.etag.clear();
        m_attempt.lastModified.clear();
        m_attempt.bodyAccepted = false;
        postState(icReceivingResponse);
        return true;
    }
    if (m_attempt.headerComplete)
        return true;
    if (text.isEmpty())
        return onHeaderEnd();
    // Kept for the caller's next try after an error reply.
    const QByteArrayView name("retry-after:");
    if (text.left(name.size()).compare(name, Qt::CaseInsensitive) == 0)
        m_answer.retryAfter = text.mid(name.size()).trimmed();
    const QByteArrayView range("content-range:");
    if (text.left(range.size()).compare(range, Qt::CaseInsensitive) == 0)
        m_attempt.contentRange = text.mid(range.size()).trimmed();
    // A weak ETag does not promise the same bytes, so only a strong one counts.
    const QByteArrayView etag("etag:");
    if (text.left(etag.size()).compare(etag, Qt::CaseInsensitive) == 0) {
        const QByteArray value = text.mid(etag.size()).trimmed();
        if (!value.startsWith("W/") && !value.isEmpty())
            m_attempt.etag = value;
    }
    const QByteArrayView modified("last-modified:");
    if (text.left(modified.size()).compare(modified, Qt::CaseInsensitive) == 0)
        m_attempt.lastModified = text.mid(modified.size()).trimmed();
    return true;
}

// "bytes <kept>-<end>/<total>": exactly the rest of the body we hold part of.
bool Inet::continuationFits(qint64 *total) const
{
    const std::optional<ContentRange> range = parseContentRange(m_attempt.contentRange);
    // Only a known total can match the kept one: a part is never kept without it.
    if (!range || range->first != m_attempt.resumeFrom || range->total != m_attempt.resumed.total ||
        range->last != range->total - 1)
        return false;
    *total = range->total;
    return true;
}

// A 206 to a request for the whole body is fine only when it holds all of it.
bool Inet::wholeRange() const
{
    const std::optional<ContentRange> range = parseContentRange(m_attempt.contentRange);
    return range && range->first == 0 && range->last == range->total - 1;
}

// The rest comes from where the kept start came from, and no validator it
// brings says it belongs to another version.
bool Inet::sameVersion() const
{
    const KeptPart &kept = m_attempt.resumed;
    if (!m_attempt.etag.isEmpty() && m_attempt.etag != kept.etag)
        return false;
    // A redirect to a freshly signed address differs in its query only; the same strong ETag
    // says it is the same file.
    const QUrl now(QString::fromUtf8(effectiveUrl()));
    const QUrl then(kept.finalUrl);
    const bool sameEtag = !m_attempt.etag.isEmpty();
    if (!kept.finalUrl.isEmpty() &&
        (sameEtag ? now.adjusted(QUrl::RemoveQuery) != then.adjusted(QUrl::RemoveQuery)
                  : now != then))
        return false;
    return m_attempt.lastModified.isEmpty() || kept.lastModified.isEmpty() ||
           m_attempt.lastModified == kept.lastModified;
}

// The answer to a range request; false when it is to be asked for whole instead.
bool Inet::onContinuation(long status)
{
    qint64 total = -1;
    if (status == 206 && continuationFits(&total) && sameVersion()) {
        m_attempt.bodyAccepted = true;
        if (!m_body.setExpectedSize(total)) {
            // No room for the rest now; what was kept is still good for later.
            m_attempt.keepResumed = true;
            return storeFailed() != 0;
        }
        // Kept again with the validators it was first kept with, unless it brought its own.
        if (m_attempt.etag.isEmpty())
            m_attempt.etag = m_attempt.resumed.etag;
        if (m_attempt.lastModified.isEmpty())
            m_attempt.lastModified = m_attempt.resumed.lastModified;
        return true;
    }
    if (status != 200) {
        m_attempt.restartWhole = true;
        return false;
    }
    // The whole body after all: it replaces what was kept.
    m_attempt.resumeFrom = 0;
    restartBody();
    return true;
}

bool Inet::onHeaderEnd()
{
    m_attempt.headerComplete = true;
    m_attempt.awaitStatusLine = true;
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200)
        return true;
    postState(icResponseReceived);
    if (m_attempt.resumeFrom > 0 && ((status >= 200 && status < 300) || status == 416)) {
        if (!onContinuation(status))
            return false;
        if (m_attempt.bodyAccepted)
            return true;
    }
    if (status == 206 && !wholeRange()) {
        // Saved under the file's name, a part would pass for the whole file.
        m_attempt.abortNumber = numberOf(FailureNumber::InvalidServerResponse);
        m_attempt.abortInfo = QStringLiteral("Der Server schickte nur einen Teil der Datei (%1), "
                                             "obwohl die ganze angefordert war.")
                                  .arg(QString::fromLatin1(m_attempt.contentRange));
        return false;
    }
    if (status >= 200 && status < 300) {
        m_attempt.bodyAccepted = true;
        curl_off_t expected = -1;
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        if (tooLarge(expected))
            return false;
        if (!m_body.setExpectedSize(expected))
            return storeFailed() != 0;
    }
    return true;
}

// libcurl's own limit lets a short body through at full speed when the socket
// already holds it, so the body is held back here: no faster than the limit on
// average, with a quarter of a second's worth as a start.
qint64 Inet::rateWaitMs(size_t length)
{
    const qint64 rate = m_config.maxReceiveSpeed;
    if (rate <= 0)
        return 0;
    if (!m_attempt.rate)
        m_attempt.rate =
            m_config.rateBudget ? m_config.rateBudget : std::make_shared<RateBudget>(rate);
    return m_attempt.rate->waitMs(static_cast<qint64>(length));
}

bool Inet::tooLarge(qint64 bytes)
{
    if (m_config.maxFileSize <= 0 || bytes <= m_config.maxFileSize)
        return false;
    m_attempt.abortNumber = numberOf(FailureNumber::ExtendedError);
    m_attempt.abortInfo = QStringLiteral("Die Datei ist größer als die Höchstgröße von %1 Bytes.")
                              .arg(m_config.maxFileSize);
    return true;
}

size_t Inet::storeFailed()
{
    m_attempt.abortNumber = numberOf(FailureNumber::PathFileAccess);
    m_attempt.abortInfo = m_answer.writeFailure = m_body.errorText();
    return 0;
}

int Inet::debugCallback(CURL *, curl_infotype type, char *, size_t, void *userptr)
{
    auto *self = static_cast<Inet *>(userptr);
    if (type == CURLINFO_HEADER_OUT && !self->m_attempt.requestSentReported) {
        self->m_attempt.requestSentReported = true;
        self->postState(icRequestSent);
    }
    return 0;
}

int Inet::resolverStartCallback(void *, void *, void *userdata)
{
    auto *self = static_cast<Inet *>(userdata);
    self->m_attempt.resolving = true;
    self->postState(icResolvingHost);
    return 0;
}

curl_socket_t Inet::openSocketCallback(void *clientp, curlsocktype purpose,
                                       struct curl_sockaddr *address)
{
    auto *self = static_cast<Inet *>(clientp);
    Attempt &attempt = self->m_attempt;
    if (purpose == CURLSOCKTYPE_IPCXN && !attempt.freshConnection) {
        if (attempt.resolving)
            self->postState(icHostResolved);
        attempt.resolving = false;
        attempt.freshConnection = true;
        self->postState(icConnecting);
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int Inet::prereqCallback(void *clientp, char *, char *, int, int)
{
    auto *self = static_cast<Inet *>(clientp);
    if (self->m_attempt.freshConnection) {
        self->m_attempt.freshConnection = false;
        self->postState(icConnected);
    }
    self->m_attempt.requestSentReported = false;
    self->postState(icRequesting);
    return CURL_PREREQFUNC_OK;
}
