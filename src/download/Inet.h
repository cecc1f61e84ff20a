#pragma once

#include "download/AccessType.h"
#include "download/BodyStore.h"
#include "download/CurlEventBridge.h"
#include "download/KeptPart.h"
#include "download/RateBudget.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <curl/curl.h>
#include <memory>

struct CurlOutcome;
struct RequestTarget;

// Our HTTP transfer component: one GET at a time on libcurl's multi interface,
// driven by the Qt event loop of the thread it lives on. Progress is reported
// as StateChanged events posted to the event loop, so a handler may process
// events (and read the body) without re-entering libcurl. Refused calls throw
// InetError. Instances that share one CurlEventBridge run side by side on one
// multi handle and reuse each other's connections.
class Inet final : public QObject
{
    Q_OBJECT
public:
    enum State : qint16 {
        icNone = 0,
        icResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12,
    };

    // A minute of silence is far beyond any live server's pause.
    static constexpr int kDefaultIdleTimeoutMs = 60000;
    // Often enough for a moving display, rarely enough to cost nothing.
    static constexpr int kProgressIntervalMs = 50;

    // Runs on `bridge`'s multi handle, or on one of its own when none is given.
    explicit Inet(std::shared_ptr<CurlEventBridge> bridge = {}, QObject *parent = nullptr);
    ~Inet() override;

    // Ends a running request and drops whatever it received; harmless when idle.
    void Cancel();
    bool StillExecuting() const { return m_running; }

    // One of the ::AccessType numbers; anything else is refused.
    void setAccessType(qint32 type);
    ::AccessType AccessType() const { return m_config.accessType; }
    // "host:port", used with AccessType::NamedProxy.
    void setProxy(const QString &hostPort) { m_config.proxy = hostPort; }
    QString Proxy() const { return m_config.proxy; }
    // A PEM file of the certificates to trust instead of the system's; empty
    // for the system's. Certificates are always checked.
    void setCaFile(const QString &path) { m_config.caFile = path; }
    // Sent in place of "Vornix-Downloader/<version>" when not empty.
    void setUserAgent(const QString &agent) { m_config.userAgent = agent; }
    // Sent after the header Execute is given; checked by RequestHeaders::parse.
    void setExtraHeaders(const QList<QPair<QByteArray, QByteArray>> &headers)
    {
        m_config.extraHeaders = headers;
    }
    // A Netscape cookies.txt read (never written) for every request, with the cookies the
    // servers set kept beside them for the transfers of the same bridge; empty: no cookies.
    void setCookieFile(const QString &path) { m_config.cookieFile = path; }
    // Bytes per second at most; 0: as fast as it comes.
    // `shared`, when given, is drawn on by other transfers too.
    void setMaxReceiveSpeed(qint64 bytesPerSecond, std::shared_ptr<RateBudget> shared = nullptr)
    {
        m_config.maxReceiveSpeed = bytesPerSecond;
        m_config.rateBudget = std::move(shared);
    }
    // A body larger than this fails; 0: no cap.
    void setMaxFileSize(qint64 bytes) { m_config.maxFileSize = bytes; }

    // One request header; an empty name sends none, an empty value sends the
    // header with nothing after it.
    struct Header
    {
        QByteArray name;
        QString value;
    };

    // Starts the request and returns at once. Only "GET" without data is supported.
    void Execute(const QString &url, const QString &operation = QStringLiteral("GET"),
                 const QByteArray &data = QByteArray(), const Header &header = Header());

    // The next at most `size` bytes of the received body; empty at its end.
    QByteArray GetChunk(qint32 size);
    // Body bytes not yet handed out by GetChunk.
    qint64 BytesAvailable() const { return m_body.size(); }

    // A body larger than the memory limit is written while it arrives into a
    // part file in this folder (the system's temporary folder when empty),
    // named after the document. Both apply from the next Execute on.
    void setSpillFolder(const QString &folder) { m_config.spillFolder = folder; }
    void setMemoryLimit(qint64 bytes) { m_config.memoryLimit = bytes; }
    // The received body lies in a part file, not in memory.
    bool BodySpilled() const { return m_body.spilled(); }
    // Hands the complete body's part file over, unread; nothing is left to GetChunk.
    PartFile TakeBodyFile() { return m_body.takeFile(); }
    // While set, a spilled body that breaks off midway with a failure worth
    // another try keeps its part file, and the next Execute of the same URL
    // asks only for the rest. Any other request, Cancel and
    // DropPartialBody remove it. Only a body whose length and validator
    // (strong ETag or Last-Modified) are known is kept: without them the
    // rest could belong to another version.
    void setKeepPartialBody(bool keep) { m_config.keepPartial = keep; }
    // Also keeps such a body when no try follows, and on CancelKeeping, for
    // TakePartialBody.
    void setKeepForResume(bool keep) { m_config.keepForResume = keep; }
    qint64 PartialBodySize() const { return m_partial.file.size(); }
    void DropPartialBody() { m_partial = PartialBody(); }
    PartialBody TakePartialBody() { return std::exchange(m_partial, PartialBody()); }
    // A body kept earlier, to continue with the next Execute of its URL.
    void ContinueBody(PartialBody partial) { m_partial = std::move(partial); }
    // Where the running request's body continues a kept one; 0 when it is fetched whole.
    qint64 resumedFrom() const { return m_attempt.resumeFrom; }
    // Like Cancel, but a body that can be continued is kept (setKeepForResume).
    void CancelKeeping();
    // The system's reason why the last body could not be stored (disk full,
    // folder gone); empty when it could.
    QString WriteFailure() const { return m_answer.writeFailure; }

    // HTTP status of the last request, or our failure number when it failed
    // without a usable answer.
    qint32 ResponseCode() const { return m_answer.responseCode; }
    // The status line, or a readable text of the failure.
    QString ResponseInfo() const { return m_answer.responseInfo; }
    // Path and query of the latest request's URL, from the "/" after the host on.
    QString Document() const { return m_answer.document; }
    // The Retry-After value of the last answer as sent, empty when it had none.
    QByteArray RetryAfter() const { return m_answer.retryAfter; }

    // A transfer that receives nothing for this long fails; 0: never.
    void setIdleTimeout(int ms) { m_config.idleTimeoutMs = ms; }
    int idleTimeout() const { return m_config.idleTimeoutMs; }

Q_SIGNALS:
    void StateChanged(qint16 State);
    // Bytes of the body received so far and its Content-Length (-1 unknown):
    // at most every kProgressIntervalMs while it arrives, and once at its end.
    void Progress(qint64 received, qint64 expected);

private:
    static size_t writeCallback(char *ptr, size_t size, size_t nmemb, void *userdata);
    static size_t headerCallback(char *buffer, size_t size, size_t nitems, void *userdata);
    static int debugCallback(CURL *easy, curl_infotype type, char *data, size_t size,
                             void *userptr);
    static int resolverStartCallback(void *resolverState, void *reserved, void *userdata);
    static curl_socket_t openSocketCallback(void *clientp, curlsocktype purpose,
                                            struct curl_sockaddr *address);
    static int prereqCallback(void *clientp, char *primaryIp, char *localIp, int primaryPort,
                              int localPort);

    void checkRequest(const QString &operation, const QByteArray &data, const Header &header) const;
    void setRequestHeader(const Header &header);
    void configureRequest(const RequestTarget &target, const QByteArray &proxy);
    void configureCallbacks();
    void configureProxy(const QByteArray &proxy);
    void resetRequestState();
    void restartBody();
    void stopRequest();
    void startTransfer();
    void continueWith(PartialBody partial);
    void keepBody();
    QByteArray effectiveUrl() const;
    void keepPartial(qint32 number);
    bool continuationFits(qint64 *total) const;
    bool wholeRange() const;
    bool sameVersion() const;
    bool onContinuation(long status);
    void restartWhole();
    void onTransferDone(void *easy, int result);
    void finish(CURLcode result);
    CurlOutcome outcomeOf(CURLcode result) const;
    void complete();
    void fail(qint32 number, const QString &info);
    void abortTransfer();
    void postState(qint16 state);
    void postProgress();
    void onIdleCheck();
    size_t onBody(const char *data, size_t length);
    bool onHeaderLine(const char *line, size_t length);
    bool onHeaderEnd();
    size_t storeFailed();
    bool tooLarge(qint64 bytes);
    qint64 rateWaitMs(size_t length);

    // What the caller set; kept from one request to the next.
    struct Config
    {
        ::AccessType accessType = ::AccessType::System;
        QString proxy;
        QString caFile;
        QString userAgent;
        QList<QPair<QByteArray, QByteArray>> extraHeaders;
        QString cookieFile;
        qint64 maxReceiveSpeed = 0;
        std::shared_ptr<RateBudget> rateBudget;
        qint64 maxFileSize = 0;
        QString spillFolder;
        qint64 memoryLimit = BodyStore::kDefaultMemoryLimit;
        bool keepPartial = false;
        bool keepForResume = false;
        int idleTimeoutMs = kDefaultIdleTimeoutMs;
    };

    // One try of one request, made anew for each (and again when a range
    // request has to be asked for whole), so each state is reported once for
    // what really happened.
    struct Attempt
    {
        bool resolving = false;
        bool freshConnection = false;
        bool requestSentReported = false;
        bool bodyAccepted = false;
        bool awaitStatusLine = true;
        bool headerComplete = false;
        QByteArray statusLine;
        QByteArray contentRange;
        QByteArray etag; // strong only
        QByteArray lastModified;
        // Bytes kept from the failed try that this request continues; 0 when
        // it asks for the whole body.
        qint64 resumeFrom = 0;
        KeptPart resumed; // what the continued body was kept with
        bool restartWhole = false;
        bool keepResumed = false; // the kept part stays whatever ends this try
        qint32 abortNumber = 0;
        QString abortInfo;
        QElapsedTimer lastProgress;
        std::shared_ptr<RateBudget> rate; // from the first body byte, for the speed limit
    };

    // What the caller may read about the latest request.
    struct Answer
    {
        QString document;
        qint32 responseCode = 0;
        QString responseInfo;
        QByteArray retryAfter;
        QString writeFailure;
    };

    std::shared_ptr<CurlEventBridge> m_bridge;
    CURL *m_easy = nullptr;
    curl_slist *m_headers = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    QTimer m_idleTimer;
    QTimer m_rateTimer; // ends a pause of the speed limit
    QElapsedTimer m_lastActivity;

    Config m_config;
    Attempt m_attempt;
    Answer m_answer;
    QString m_url;
    PartialBody m_partial;
    Header m_header;              // the caller's, without what a continuation adds
    bool m_cookieFileSet = false; // on the easy handle, until its next reset
    bool m_requested = false;
    bool m_running = false;
    quint64 m_generation = 0;
    BodyStore m_body;
};
