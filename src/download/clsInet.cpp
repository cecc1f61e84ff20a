#include "download/clsInet.h"

#include "download/CurlEventBridge.h"
#include "download/FailureNumber.h"
#include "download/Inet.h"
#include "download/InetError.h"
#include "download/InetMessages.h"
#include "download/Reporter.h"
#include "download/TargetFile.h"

#include <new>

namespace {

// The body is read from the component in pieces this large.
constexpr qint32 kChunkSize = 10240;
constexpr qint32 kInternalFailure = numberOf(FailureNumber::InternalFailure);
constexpr qint32 kOutOfMemory = numberOf(FailureNumber::OutOfMemory);

// Runs `step`, turning whatever it throws into a number and a description.
template <typename Step, typename Trap> void trapped(Step step, Trap trap)
{
    try {
        step();
    } catch (const InetError &e) {
        trap(e.number(), e.description());
    } catch (const std::bad_alloc &) {
        trap(kOutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        trap(kInternalFailure, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        trap(kInternalFailure, QStringLiteral("Unknown failure"));
    }
}

} // namespace

clsInet::clsInet(Reporter &reporter, std::shared_ptr<CurlEventBridge> bridge)
    : m_reporter(reporter), m_bridge(std::move(bridge)), Inetd(std::make_unique<Inet>(m_bridge))
{
    connectInetd();
}

clsInet::~clsInet() = default;

void clsInet::connectInetd()
{
    connect(Inetd.get(), &Inet::StateChanged, this, &clsInet::Inetd_StateChanged);
    connect(Inetd.get(), &Inet::Progress, this, &clsInet::Progress);
}

QString clsInet::DataText() const
{
    // Two bytes make one character, low byte first; an odd last byte is dropped.
    const QByteArray data = DataBinary();
    const qsizetype count = data.size() / 2;
    QString text(count, Qt::Uninitialized);
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    for (qsizetype i = 0; i < count; ++i)
        text[i] = QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return text;
}

QByteArray clsInet::DataBinary() const
{
    if (m_bodyFile.isOpen())
        return m_bodyFile.read(0, m_bodyFile.size());
    // Implicitly shared: the buffer detaches before it changes again.
    return bytData;
}

bool clsInet::SaveBody(const QString &path, QString *errorText)
{
    if (m_bodyFile.isOpen())
        return m_bodyFile.complete(path, errorText);
    return WriteFileReplacing(path, bytData, errorText);
}

QString clsInet::InetDocument() const
{
    return Inetd->Document();
}

ComponentDetails clsInet::componentDetails() const
{
    return {Inetd->ResponseCode(), Inetd->ResponseInfo()};
}

void clsInet::fail(qint32 number, const QString &description, const Message &message)
{
    if (!m_holdMessages)
        m_reporter.showMessage(message);
    m_failure = TransferFailure{number, description, message.text, false, message};
    DownloadStatus = TransferStatus::Failed;
}

void clsInet::end(TransferStatus status)
{
    DownloadStatus = status;
    // Last, since whoever listens may start the next request at once.
    Q_EMIT finished();
}

void clsInet::RequestFile(const QString &URL, const QString &Referer)
{
    TransferSettings settings;
    settings.accessType = InetAccessType;
    RequestFile(URL, Referer, settings);
}

void clsInet::cancelRequest()
{
    Inetd->Cancel();
    emptyBuffer();
    m_failure.reset();
    DownloadStatus = TransferStatus::Outstanding;
}

void clsInet::RequestFile(const QString &URL, const QString &Referer,
                          const TransferSettings &settings)
{
    RequestRefused = false;
    m_holdMessages = settings.holdMessages;
    m_failure.reset();
    trapped(
        [&] {
            // A kept part of the body is for Execute to continue or drop.
            if (Inetd->PartialBodySize() == 0)
                Inetd->Cancel();
            if (Inetd->StillExecuting()) {
                Inetd = std::make_unique<Inet>(m_bridge);
                connectInetd();
            }
            emptyBuffer();
            DownloadStatus = TransferStatus::Outstanding;
            Inetd->setAccessType(static_cast<qint32>(settings.accessType));
            Inetd->setProxy(settings.proxy);
            Inetd->setSpillFolder(settings.spillFolder);
            Inetd->setMemoryLimit(settings.memoryLimit);
            Inetd->setKeepPartialBody(settings.keepPartialBody);
            Inetd->setKeepForResume(settings.keepForResume);
            Inetd->setIdleTimeout(settings.idleTimeoutMs);
            Inetd->setUserAgent(settings.userAgent);
            Inetd->setExtraHeaders(settings.headers);
            Inetd->setCookieFile(settings.cookieFile);
            Inetd->setMaxReceiveSpeed(settings.maxBytesPerSecond, settings.rateBudget);
            Inetd->setCaFile(settings.caFile);
            Inetd->setMaxFileSize(settings.maxFileSize);
            Inetd->Execute(URL, QStringLiteral("GET"), QByteArray(), {"Referer", Referer});
        },
        [&](qint32 number, const QString &description) {
            // A request that never started is finished as far as the caller is concerned.
            fail(number, description,
                 requestFailureMessage(number, description, componentDetails()));
            RequestRefused = true;
        });
}

void clsInet::DropPartialBody()
{
    Inetd->DropPartialBody();
}

void clsInet::cancelKeeping()
{
    if (Inetd->StillExecuting())
        Inetd->CancelKeeping();
    emptyBuffer();
    m_failure.reset();
    DownloadStatus = TransferStatus::Outstanding;
}

PartialBody clsInet::takePartialBody()
{
    return Inetd->TakePartialBody();
}

qint64 clsInet::resumedFrom() const
{
    return Inetd->resumedFrom();
}

void clsInet::continueBody(PartialBody partial)
{
    Inetd->ContinueBody(std::move(partial));
}

void clsInet::emptyBuffer()
{
    // Give the old body's memory back: keeping it while the next body arrives
    // would hold two bodies at once.
    bytData = QByteArray();
    m_bodyFile.discard();
}

void clsInet::Inetd_StateChanged(qint16 State)
{
    trapped(
        [&] {
            InetState = State;
            if (State == Inet::icError && !Inetd->WriteFailure().isEmpty()) {
                // The caller reports it as the failed write of its file.
                m_failure = TransferFailure{0, Inetd->WriteFailure(), QString(), true};
                end(TransferStatus::Failed);
            } else if (State == Inet::icError) {
                const ComponentDetails details = componentDetails();
                // The request has failed for good; the caller must not wait for more.
                fail(details.responseCode, details.responseInfo, stateErrorMessage(details));
                m_failure->retryAfter = Inetd->RetryAfter();
                end(TransferStatus::Failed);
            } else if (State == Inet::icResponseCompleted) {
                collectBody();
            }
        },
        [&](qint32 number, const QString &description) {
            fail(number, description,
                 handlerFailureMessage(number, description, componentDetails()));
            m_reporter.setBusy(false);
            end(TransferStatus::Failed);
        });
}

void clsInet::collectBody()
{
    m_reporter.setBusy(true);
    if (Inetd->BodySpilled()) {
        // Already on disk next to its target: taken over, never read.
        emptyBuffer();
        m_bodyFile = Inetd->TakeBodyFile();
    } else {
        collectChunks();
    }
    m_reporter.setBusy(false);
    end(TransferStatus::Complete);
}

void clsInet::collectChunks()
{
    // The whole body is already received: size the buffer once.
    const qint64 total = Inetd->BytesAvailable();
    QByteArray chunk = Inetd->GetChunk(kChunkSize);
    emptyBuffer();
    bytData.reserve(static_cast<qsizetype>(total));
    bytData.append(chunk);
    // A body in memory is at most the memory limit, a millisecond's copying:
    // the user interface gets its turn once the collection is done.
    while (!chunk.isEmpty()) {
        chunk = Inetd->GetChunk(kChunkSize);
        bytData.append(chunk);
    }
}
