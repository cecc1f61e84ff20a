#pragma once

#include "download/AccessType.h"
#include "download/KeptPart.h"
#include "download/Message.h"
#include "download/PartFile.h"
#include "download/TransferSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class CurlEventBridge;
class Inet;
class Reporter;
struct ComponentDetails;

enum class TransferStatus : qint16 {
    Outstanding = 0,
    Complete = 1, // the whole body is collected
    Failed = 2,   // refused, or the transfer failed; the caller must not wait for more
};

// A failure as the caller sees it, next to the text the person was shown.
struct TransferFailure
{
    qint32 number = 0; // our failure number, or the HTTP status for an error reply
    QString description;
    QString shownText;
    // The body could not be written while it arrived (disk full, folder
    // gone): a failure of the file, not of the transfer, and nothing is shown
    // yet; description holds the system's reason.
    bool bodyNotStored = false;
    // The message itself, whether shown or held back (holdMessages).
    Message message = {};
    // The Retry-After header of an error reply, as sent.
    QByteArray retryAfter = {};
};

// The transfer wrapper: one HTTP transfer component behind a small interface.
// RequestFile starts a GET and returns at once; the answer arrives through the
// component's state events, and finished() says when DownloadStatus has left
// Outstanding. Every failure goes to the reporter (unless held) and never
// reaches the caller as an error.
class clsInet final : public QObject
{
    Q_OBJECT
public:
    // Wrappers given the same bridge run side by side on one multi handle.
    explicit clsInet(Reporter &reporter, std::shared_ptr<CurlEventBridge> bridge = {});
    ~clsInet() override;

    TransferStatus DownloadStatus = TransferStatus::Outstanding;
    // The last RequestFile was refused before any network traffic and its
    // message shown; DownloadStatus is Failed then as well.
    bool RequestRefused = false;
    ::AccessType InetAccessType = ::AccessType::System;
    // The last state the component reported.
    qint16 InetState = 0;
    // Forgets a body kept for another try (TransferSettings::keepPartialBody).
    void DropPartialBody();

    QString DataText() const;
    // Read back from the part file when the body was too large for memory.
    QByteArray DataBinary() const;
    bool BodySpilled() const { return m_bodyFile.isOpen(); }
    // Writes the collected body as path, replacing the file there only once
    // it is complete. A spilled body is renamed into place, never read. On
    // failure errorText holds the system's reason and path is untouched.
    bool SaveBody(const QString &path, QString *errorText);
    QString InetDocument() const;
    static QString InetErrDescription(qint32 Number);
    // Why the current request failed; empty while it has not.
    const std::optional<TransferFailure> &Failure() const { return m_failure; }

    // With the access type of InetAccessType and every other setting at its default.
    void RequestFile(const QString &URL, const QString &Referer);
    void RequestFile(const QString &URL, const QString &Referer, const TransferSettings &settings);
    // Ends the running request and drops what it received, without a message;
    // DownloadStatus stays Outstanding and finished() does not follow.
    void cancelRequest();
    // Like cancelRequest, but a body that can be continued is kept
    // (TransferSettings::keepForResume) for takePartialBody.
    void cancelKeeping();
    // The body kept after a failure or cancelKeeping; its file is closed when there is none.
    PartialBody takePartialBody();
    // A body kept earlier, continued by the next RequestFile of its URL.
    void continueBody(PartialBody partial);
    // Of the current body, the bytes kept before this request continued it; 0 otherwise.
    qint64 resumedFrom() const;

Q_SIGNALS:
    // The component's progress of the current body, forwarded.
    void Progress(qint64 received, qint64 expected);
    // DownloadStatus has become Complete or Failed through a state event. A
    // request that RequestFile refused is seen by its return (RequestRefused).
    void finished();

private Q_SLOTS:
    void Inetd_StateChanged(qint16 State);

private:
    void connectInetd();
    void emptyBuffer();
    void collectBody();
    void collectChunks();
    ComponentDetails componentDetails() const;
    void fail(qint32 number, const QString &description, const Message &message);
    void end(TransferStatus status);

    Reporter &m_reporter;
    std::shared_ptr<CurlEventBridge> m_bridge;
    bool m_holdMessages = false;
    std::unique_ptr<Inet> Inetd;
    QByteArray bytData;
    PartFile m_bodyFile;
    std::optional<TransferFailure> m_failure;
};
