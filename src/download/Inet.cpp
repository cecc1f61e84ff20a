#include "download/Inet.h"

#include "download/InetError.h"
#include "version.h"

#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Browsers give up after about 20; a download list never needs more than a few.
constexpr long kMaxRedirects = 10;
// Large reads keep the number of event-loop round trips per MiB small.
constexpr long kReceiveBufferSize = 256 * 1024;
// Blocks this large come straight from the kernel, so a block handed out by
// GetChunk returns its memory at once instead of staying in the heap.
constexpr size_t kMappedBlockMin = 256 * 1024;
constexpr size_t kMaxBlockSize = 4 * 1024 * 1024;
constexpr size_t kFirstBlockSize = 64 * 1024;
constexpr uintptr_t kHugePage = 2 * 1024 * 1024;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The table's number for a libcurl failure, where one fits.
qint32 failureNumber(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return 35772;
    case CURLE_URL_MALFORMAT:
        return 35771;
    case CURLE_COULDNT_RESOLVE_HOST:
        return 35773;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return 35931;
    case CURLE_COULDNT_CONNECT:
        return 35754;
    case CURLE_OPERATION_TIMEDOUT:
        return 35761;
    case CURLE_TOO_MANY_REDIRECTS:
        return 35922;
    case CURLE_OUT_OF_MEMORY:
        return 7;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return 35918;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return 35796;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return 35923;
    default:
        return 35769;
    }
}

QString documentOf(const QString &url)
{
    const int schemeEnd = url.indexOf(QLatin1String("://"));
    const int slash = url.indexOf(QLatin1Char('/'), schemeEnd < 0 ? 0 : schemeEnd + 3);
    if (schemeEnd < 0 || slash < 0)
        return QString();
    const int fragment = url.indexOf(QLatin1Char('#'), slash);
    return url.mid(slash, fragment < 0 ? -1 : fragment - slash);
}

bool isIPv4(const QString &host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 3 || part.toInt(&ok) > 255 || !ok)
            return false;
    }
    return true;
}

// Only a host and a port: anything more (user info, a path, a query) would
// make libcurl read the text differently from what this check saw.
bool isProxyHostPort(const QString &hostPort)
{
    static const QRegularExpression form(QStringLiteral(
        "\\A(?:(?<name>[A-Za-z0-9-]{1,63}(?:\\.[A-Za-z0-9-]{1,63})*)|\\[(?<v6>[0-9A-Fa-f:.]+)\\])"
        ":(?<port>[0-9]{1,5})\\z"));
    const QRegularExpressionMatch match = form.match(hostPort);
    if (!match.hasMatch())
        return false;
    const int port = match.captured(u"port").toInt();
    if (port < 1 || port > 65535)
        return false;
    const QString name = match.captured(u"name");
    // No top-level domain is numeric, so digits and dots alone must be a whole
    // address: resolvers would read "127.1" as 127.0.0.1.
    static const QRegularExpression numeric(QStringLiteral("\\A[0-9.]+\\z"));
    if (!name.isEmpty())
        return name.size() <= 253 && (!numeric.match(name).hasMatch() || isIPv4(name));
    in6_addr address;
    return inet_pton(AF_INET6, match.captured(u"v6").toLatin1().constData(), &address) == 1;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace

struct Inet::Block
{
    explicit Block(size_t capacity)
    {
        if (capacity >= kMappedBlockMin) {
            // Over-map by one huge page so the block can start on a huge-page
            // boundary: fewer page faults per MiB received.
            const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
            cap = (capacity + page - 1) / page * page;
            mapSize = cap + kHugePage;
            void *p =
                mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            mapBase = p;
            const auto start = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
            data = reinterpret_cast<char *>(start);
            adviseHugePages(data, cap);
        } else {
            cap = capacity;
            data = static_cast<char *>(std::malloc(cap));
            if (!data)
                throw std::bad_alloc();
        }
    }
    ~Block()
    {
        if (mapBase)
            munmap(mapBase, mapSize);
        else
            std::free(data);
    }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    char *data = nullptr;
    size_t cap = 0;
    size_t len = 0;
    size_t pos = 0;
    void *mapBase = nullptr;
    size_t mapSize = 0;
};

void adviseHugePages(void *data, size_t length)
{
#ifdef MADV_HUGEPAGE
    const auto begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + length) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(length);
#endif
}

Inet::Inet(QObject *parent) : QObject(parent)
{
    initCurlOnce();
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy)
        throw InetError(35750, QStringLiteral("Cannot create a transfer handle"));
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Inet::socketCallback);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Inet::timerCallback);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);

    m_curlTimer.setSingleShot(true);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &Inet::onIdleCheck);
}

Inet::~Inet()
{
    if (m_running)
        curl_multi_remove_handle(m_multi, m_easy);
    curl_easy_cleanup(m_easy);
    curl_multi_cleanup(m_multi);
    curl_slist_free_all(m_headers);
    for (auto &entry : m_sockets) {
        delete entry.second.read;
        delete entry.second.write;
    }
}

void Inet::Cancel()
{
    abortTransfer();
    clearBody();
    // States already posted for the cancelled request must not arrive later.
    ++m_generation;
}

void Inet::abortTransfer()
{
    if (m_running) {
        curl_multi_remove_handle(m_multi, m_easy);
        m_running = false;
    }
    m_idleTimer.stop();
}

void Inet::setAccessType(qint32 type)
{
    if (type < 0 || type > 2)
        throw InetError(380, QStringLiteral("Invalid access type %1").arg(type));
    m_accessType = type;
}

void Inet::Execute(const QString &url, const QString &operation, const QByteArray &data,
                   const QString &headerText)
{
    m_document = documentOf(url);
    // A refused call must not leave the previous answer looking like its own.
    m_responseCode = 0;
    m_responseInfo.clear();
    if (m_running)
        throw InetError(35764, QStringLiteral("Still executing last request"));
    if (operation.compare(QLatin1String("GET"), Qt::CaseInsensitive) != 0)
        throw InetError(35762, QStringLiteral("Unsupported operation: %1").arg(operation));
    if (!data.isEmpty())
        throw InetError(35763, QStringLiteral("Invalid argument: a GET carries no data"));
    if (headerText.contains(QLatin1Char('\r')) || headerText.contains(QLatin1Char('\n')))
        throw InetError(35763, QStringLiteral("Invalid argument: line break in request header"));

    // libcurl would stop reading at a NUL and fetch another resource.
    if (hasControlCharacter(url))
        throw InetError(35771, QStringLiteral("URL is malformed: %1").arg(url));

    QByteArray effectiveUrl;
    QByteArray schemeText;
    {
        CURLU *parsed = curl_url();
        const auto release = qScopeGuard([parsed] { curl_url_cleanup(parsed); });
        const CURLUcode rc = curl_url_set(parsed, CURLUPART_URL, url.toUtf8().constData(),
                                          CURLU_ALLOW_SPACE | CURLU_URLENCODE);
        if (rc == CURLUE_UNSUPPORTED_SCHEME)
            throw InetError(35772, QStringLiteral("Unrecognized scheme in URL: %1").arg(url));
        if (rc == CURLUE_NO_HOST)
            throw InetError(35755, QStringLiteral("No host name in URL: %1").arg(url));
        if (rc != CURLUE_OK)
            throw InetError(35771, QStringLiteral("URL is malformed: %1").arg(url));
        char *scheme = nullptr;
        char *full = nullptr;
        curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0);
        schemeText = scheme ? scheme : "";
        curl_free(scheme);
        if (schemeText != "http" && schemeText != "https")
            throw InetError(35772, QStringLiteral("Unrecognized scheme in URL: %1").arg(url));
        if (curl_url_get(parsed, CURLUPART_URL, &full, 0) != CURLUE_OK)
            throw InetError(35771, QStringLiteral("URL is malformed: %1").arg(url));
        effectiveUrl = full;
        curl_free(full);
    }

    QByteArray proxy;
    if (m_accessType == 2) {
        if (m_proxy.trimmed().isEmpty())
            throw InetError(35786, QStringLiteral("No proxy name given"));
        if (!isProxyHostPort(m_proxy.trimmed()))
            throw InetError(35799, QStringLiteral("Proxy name is not host:port: %1").arg(m_proxy));
        proxy = "http://" + m_proxy.trimmed().toUtf8();
    }

    // libcurl drops a header whose value is empty; "Name;" sends it empty instead.
    QByteArray header = headerText.toUtf8();
    const int colon = header.indexOf(':');
    if (colon > 0 && header.mid(colon + 1).trimmed().isEmpty())
        header = header.left(colon) + ';';
    curl_slist_free_all(m_headers);
    m_headers = nullptr;
    if (!header.isEmpty())
        m_headers = curl_slist_append(nullptr, header.constData());

    Cancel();
    curl_easy_reset(m_easy);
    m_errorBuffer[0] = '\0';
    curl_easy_setopt(m_easy, CURLOPT_URL, effectiveUrl.constData());
    curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "Vornix-Downloader/" VORNIX_VERSION_STRING);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // libcurl refuses a redirect from https to plain http itself, whichever
    // Location header it follows.
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR,
                     schemeText == "https" ? "https" : "http,https");
    if (!m_caFile.isEmpty())
        curl_easy_setopt(m_easy, CURLOPT_CAINFO, QFile::encodeName(m_caFile).constData());
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Inet::writeCallback);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Inet::headerCallback);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &Inet::debugCallback);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_easy, CURLOPT_RESOLVER_START_FUNCTION, &Inet::resolverStartCallback);
    curl_easy_setopt(m_easy, CURLOPT_RESOLVER_START_DATA, this);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &Inet::openSocketCallback);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &Inet::prereqCallback);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, this);
    if (m_accessType == 1) {
        // An empty proxy overrides http_proxy and friends from the environment.
        curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    } else if (m_accessType == 2) {
        curl_easy_setopt(m_easy, CURLOPT_PROXY, proxy.constData());
        // The named proxy is for every host, whatever no_proxy says.
        curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "");
    }

    m_requested = true;
    m_resolving = false;
    m_freshConnection = false;
    m_requestSentReported = false;
    m_bodyAccepted = false;
    m_awaitStatusLine = true;
    m_headerComplete = false;
    m_statusLine.clear();
    m_abortNumber = 0;
    m_abortInfo.clear();
    m_received = 0;
    m_sizeHint = -1;

    const CURLMcode rc = curl_multi_add_handle(m_multi, m_easy);
    if (rc != CURLM_OK)
        throw InetError(35770, QString::fromUtf8(curl_multi_strerror(rc)));
    m_running = true;
    m_lastActivity.start();
    m_idleTimer.start(m_idleTimeoutMs);
}

QByteArray Inet::GetChunk(qint32 size)
{
    if (!m_requested)
        throw InetError(35757, QStringLiteral("No request has been made"));
    if (m_running)
        throw InetError(35764, QStringLiteral("Still executing last request"));
    if (size < 0)
        throw InetError(35763, QStringLiteral("Invalid chunk size %1").arg(size));
    const qint64 n = std::min<qint64>(size, m_buffered);
    QByteArray chunk(static_cast<qsizetype>(n), Qt::Uninitialized);
    char *out = chunk.data();
    size_t wanted = static_cast<size_t>(n);
    while (wanted > 0) {
        Block &front = *m_blocks.front();
        const size_t take = std::min(wanted, front.len - front.pos);
        std::memcpy(out, front.data + front.pos, take);
        out += take;
        wanted -= take;
        front.pos += take;
        if (front.pos == front.len)
            m_blocks.pop_front();
    }
    m_buffered -= n;
    return chunk;
}

void Inet::appendBody(const char *data, size_t length)
{
    while (length > 0) {
        if (m_blocks.empty() || m_blocks.back()->len == m_blocks.back()->cap) {
            size_t capacity;
            if (m_sizeHint > m_received)
                capacity =
                    std::min<size_t>(static_cast<size_t>(m_sizeHint - m_received), kMaxBlockSize);
            else
                capacity = std::clamp<size_t>(static_cast<size_t>(m_received), kFirstBlockSize,
                                              kMaxBlockSize);
            m_blocks.push_back(std::make_unique<Block>(capacity));
        }
        Block &back = *m_blocks.back();
        const size_t take = std::min(length, back.cap - back.len);
        std::memcpy(back.data + back.len, data, take);
        back.len += take;
        data += take;
        length -= take;
        m_received += static_cast<qint64>(take);
        m_buffered += static_cast<qint64>(take);
    }
}

void Inet::clearBody()
{
    m_blocks.clear();
    m_buffered = 0;
}

void Inet::postState(qint16 state)
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, state] {
            if (generation == m_generation)
                emit StateChanged(state);
        },
        Qt::QueuedConnection);
}

void Inet::socketAction(curl_socket_t s, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, s, events, &running);
    checkDone();
}

void Inet::checkDone()
{
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy && m_running) {
            finish(msg->data.result);
            return;
        }
    }
}

void Inet::finish(CURLcode result)
{
    abortTransfer();
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (m_abortNumber != 0) {
        fail(m_abortNumber, m_abortInfo);
    } else if (result != CURLE_OK) {
        const QString text = m_errorBuffer[0] ? QString::fromUtf8(m_errorBuffer)
                                              : QString::fromUtf8(curl_easy_strerror(result));
        char *target = nullptr;
        curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &target);
        const QByteArray targetUrl(target ? target : "");
        long redirects = 0;
        curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_COUNT, &redirects);
        // A plain http target is refused only as a redirect away from https.
        if (result == CURLE_UNSUPPORTED_PROTOCOL && redirects > 0 &&
            targetUrl.startsWith("http://")) {
            fail(35805, QStringLiteral("Redirect from HTTPS to HTTP refused: %1")
                            .arg(QString::fromUtf8(targetUrl)));
        } else if (result == CURLE_OUT_OF_MEMORY && (m_awaitStatusLine || !m_headerComplete)) {
            // Within a header this is libcurl's limit on a line's length, not a lack of memory.
            fail(35918, QStringLiteral("Server reply has an oversized header: %1").arg(text));
        } else {
            fail(failureNumber(result), text);
        }
    } else {
        m_responseCode = static_cast<qint32>(status);
        m_responseInfo = QString::fromUtf8(m_statusLine);
        if (status < 200 || status > 299) {
            // An error page is never handed out as the file.
            clearBody();
            postState(icError);
        } else {
            postState(icResponseCompleted);
        }
    }
}

void Inet::fail(qint32 number, const QString &info)
{
    m_responseCode = number;
    m_responseInfo = info;
    clearBody();
    postState(icError);
}

void Inet::onIdleCheck()
{
    if (!m_running)
        return;
    const qint64 idle = m_lastActivity.elapsed();
    if (idle < m_idleTimeoutMs) {
        m_idleTimer.start(static_cast<int>(m_idleTimeoutMs - idle));
        return;
    }
    abortTransfer();
    fail(35761, QStringLiteral("Zeitüberschreitung für Anforderung: %1 ms ohne Daten")
                    .arg(m_idleTimeoutMs));
}

void Inet::watchSocket(curl_socket_t s, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto it = m_sockets.find(s);
        if (it == m_sockets.end())
            return;
        // We may be inside this notifier's own signal; let it go later.
        for (QSocketNotifier *n : {it->second.read, it->second.write}) {
            if (n) {
                n->setEnabled(false);
                n->deleteLater();
            }
        }
        m_sockets.erase(it);
        return;
    }
    SocketWatch &watch = m_sockets[s];
    if (!watch.read && (what & CURL_POLL_IN)) {
        watch.read = new QSocketNotifier(s, QSocketNotifier::Read, this);
        connect(watch.read, &QSocketNotifier::activated, this,
                [this, s] { socketAction(s, CURL_CSELECT_IN); });
    }
    if (!watch.write && (what & CURL_POLL_OUT)) {
        watch.write = new QSocketNotifier(s, QSocketNotifier::Write, this);
        connect(watch.write, &QSocketNotifier::activated, this,
                [this, s] { socketAction(s, CURL_CSELECT_OUT); });
    }
    if (watch.read)
        watch.read->setEnabled(what & CURL_POLL_IN);
    if (watch.write)
        watch.write->setEnabled(what & CURL_POLL_OUT);
}

int Inet::socketCallback(CURL *, curl_socket_t s, int what, void *userp, void *)
{
    static_cast<Inet *>(userp)->watchSocket(s, what);
    return 0;
}

int Inet::timerCallback(CURLM *, long timeoutMs, void *userp)
{
    auto *self = static_cast<Inet *>(userp);
    if (timeoutMs < 0)
        self->m_curlTimer.stop();
    else
        self->m_curlTimer.start(static_cast<int>(std::min<long>(timeoutMs, INT_MAX)));
    return 0;
}

size_t Inet::writeCallback(char *ptr, size_t size, size_t nmemb, void *userdata)
{
    auto *self = static_cast<Inet *>(userdata);
    const size_t length = size * nmemb;
    self->m_lastActivity.start();
    // What reaches the header callback after body bytes are trailers.
    self->m_awaitStatusLine = false;
    if (!self->m_bodyAccepted)
        return length;
    try {
        self->appendBody(ptr, length);
    } catch (const std::bad_alloc &) {
        self->m_abortNumber = 7;
        self->m_abortInfo = QStringLiteral("Out of memory after %1 bytes").arg(self->m_received);
        return 0;
    }
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
    if (m_awaitStatusLine) {
        m_awaitStatusLine = false;
        m_headerComplete = false;
        m_statusLine = text;
        m_bodyAccepted = false;
        postState(icReceivingResponse);
        return true;
    }
    if (!text.isEmpty() || m_headerComplete)
        return true;
    m_headerComplete = true;
    m_awaitStatusLine = true;
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200)
        return true;
    postState(icResponseReceived);
    if (status >= 200 && status < 300) {
        m_bodyAccepted = true;
        curl_off_t expected = -1;
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        m_sizeHint = expected;
    }
    return true;
}

int Inet::debugCallback(CURL *, curl_infotype type, char *, size_t, void *userptr)
{
    auto *self = static_cast<Inet *>(userptr);
    if (type == CURLINFO_HEADER_OUT && !self->m_requestSentReported) {
        self->m_requestSentReported = true;
        self->postState(icRequestSent);
    }
    return 0;
}

int Inet::resolverStartCallback(void *, void *, void *userdata)
{
    auto *self = static_cast<Inet *>(userdata);
    self->m_resolving = true;
    self->postState(icResolvingHost);
    return 0;
}

curl_socket_t Inet::openSocketCallback(void *clientp, curlsocktype purpose,
                                       struct curl_sockaddr *address)
{
    auto *self = static_cast<Inet *>(clientp);
    if (purpose == CURLSOCKTYPE_IPCXN && !self->m_freshConnection) {
        if (self->m_resolving)
            self->postState(icHostResolved);
        self->m_resolving = false;
        self->m_freshConnection = true;
        self->postState(icConnecting);
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int Inet::prereqCallback(void *clientp, char *, char *, int, int)
{
    auto *self = static_cast<Inet *>(clientp);
    if (self->m_freshConnection) {
        self->m_freshConnection = false;
        self->postState(icConnected);
    }
    self->m_requestSentReported = false;
    self->postState(icRequesting);
    return CURL_PREREQFUNC_OK;
}
