#pragma once

#include "download/AccessType.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

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
};

// The transfer wrapper: one HTTP transfer component behind a small pollable
// interface. RequestFile starts a GET and returns at once; the answer arrives
// through the component's state events while the caller lets events run.
// Every failure goes to the reporter and never reaches the caller as an error.
class clsInet final : public QObject
{
    Q_OBJECT
public:
    explicit clsInet(Reporter &reporter);
    ~clsInet() override;

    TransferStatus DownloadStatus = TransferStatus::Outstanding;
    // The last RequestFile was refused before any network traffic and its
    // message shown; DownloadStatus is Failed then as well.
    bool RequestRefused = false;
    ::AccessType InetAccessType = ::AccessType::System;
    // The last state the component reported.
    qint16 InetState = 0;
    // "host:port", handed to the component with every request like the access type.
    QString InetProxy;

    QString DataText() const;
    QByteArray DataBinary() const;
    QString InetDocument() const;
    static QString InetErrDescription(qint32 Number);
    // Why the current request failed; empty while it has not.
    const std::optional<TransferFailure> &Failure() const { return m_failure; }

    void RequestFile(const QString &URL, const QString &Referer);

private Q_SLOTS:
    void Inetd_StateChanged(qint16 State);

private:
    void connectInetd();
    void emptyBuffer();
    void collectBody();
    ComponentDetails componentDetails() const;
    void fail(qint32 number, const QString &description, const QString &shownText);

    Reporter &m_reporter;
    std::unique_ptr<Inet> Inetd;
    QByteArray bytData;
    std::optional<TransferFailure> m_failure;
};
