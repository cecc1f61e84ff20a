#include "download/clsInet.h"

#include "download/Inet.h"
#include "download/InetError.h"
#include "download/InetMessages.h"
#include "download/Reporter.h"
#include "download/TargetFile.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <new>

namespace {

// The body is read from the component in pieces this large, with the user
// interface getting a turn between two pieces.
constexpr qint32 kChunkSize = 10240;
// Visual Basic's number for an internal failure that carries no number of its own.
constexpr qint32 kInternalFailure = 51;
constexpr qint32 kOutOfMemory = 7;

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

clsInet::clsInet(Reporter &reporter) : m_reporter(reporter), Inetd(std::make_unique<Inet>())
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
    if (!HoldMessages)
        m_reporter.showMessage(message);
    m_failure = TransferFailure{number, description, message.text, false, message};
    DownloadStatus = TransferStatus::Failed;
}

void clsInet::RequestFile(const QString &URL, const QString &Referer)
{
    RequestRefused = false;
    m_failure.reset();
    trapped(
        [&] {
            // A kept part of the body is for Execute to continue or drop.
            if (Inetd->PartialBodySize() == 0)
                Inetd->Cancel();
            if (Inetd->StillExecuting()) {
                Inetd = std::make_unique<Inet>();
                connectInetd();
            }
            emptyBuffer();
            DownloadStatus = TransferStatus::Outstanding;
            Inetd->setAccessType(static_cast<qint32>(InetAccessType));
            Inetd->setProxy(InetProxy);
            Inetd->setSpillFolder(SpillFolder);
            Inetd->setMemoryLimit(MemoryLimit);
            Inetd->setKeepPartialBody(KeepPartialBody);
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

void clsInet::emptyBuffer()
{
    // Give the old body's memory back: keeping it while the next body arrives
    // would hold two bodies at once.
    bytData = QByteArray();
    m_bodyFile.discard();
}

namespace {
// The caller waits for DownloadStatus in the event loop. A change made inside
// a posted event does not end that wait with every event dispatcher (Qt's own
// Unix one goes back to sleep after delivering posted events), so say so.
void wakeWaitingCaller()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}
} // namespace

void clsInet::Inetd_StateChanged(qint16 State)
{
    trapped(
        [&] {
            InetState = State;
            if (State == Inet::icError && !Inetd->WriteFailure().isEmpty()) {
                // The caller reports it as the failed write of its file.
                m_failure = TransferFailure{0, Inetd->WriteFailure(), QString(), true};
                DownloadStatus = TransferStatus::Failed;
                wakeWaitingCaller();
            } else if (State == Inet::icError) {
                const ComponentDetails details = componentDetails();
                // The request has failed for good; the caller must not wait for more.
                fail(details.responseCode, details.responseInfo, stateErrorMessage(details));
                m_failure->retryAfter = Inetd->RetryAfter();
                wakeWaitingCaller();
            } else if (State == Inet::icResponseCompleted) {
                collectBody();
            }
        },
        [&](qint32 number, const QString &description) {
            fail(number, description,
                 handlerFailureMessage(number, description, componentDetails()));
            m_reporter.setBusy(false);
            wakeWaitingCaller();
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
    DownloadStatus = TransferStatus::Complete;
    m_reporter.setBusy(false);
    wakeWaitingCaller();
}

void clsInet::collectChunks()
{
    // The whole body is already received: size the buffer once.
    const qint64 total = Inetd->BytesAvailable();
    QByteArray chunk = Inetd->GetChunk(kChunkSize);
    emptyBuffer();
    bytData.reserve(static_cast<qsizetype>(total));
    adviseHugePages(bytData.data(), static_cast<size_t>(bytData.capacity()));
    bytData.append(chunk);
    while (!chunk.isEmpty()) {
        QCoreApplication::processEvents();
        chunk = Inetd->GetChunk(kChunkSize);
        bytData.append(chunk);
    }
}
