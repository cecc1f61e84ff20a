#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class Inet;

// The transfer wrapper: one HTTP transfer component behind a small pollable
// interface. RequestFile starts a GET and returns at once; the answer arrives
// through the component's state events while the caller lets events run.
// Every failure is shown in a message box here and never reaches the caller.
class clsInet : public QObject
{
    Q_OBJECT
public:
    clsInet();
    ~clsInet() override;

    // 0 outstanding, 1 answer complete, 2 failed (the batch waits for non-zero).
    qint16 DownloadStatus = 0;
    // The last RequestFile was refused before any network traffic and its box
    // shown; DownloadStatus is 2 then as well.
    bool RequestRefused = false;
    // 0 system settings, 1 direct, 2 through the proxy named in InetProxy.
    qint32 InetAccessType = 0;
    // The last state the component reported.
    qint16 InetState = 0;
    // "host:port", handed to the component with every request like the access type.
    QString InetProxy;

    QString DataText() const;
    QByteArray DataBinary() const;
    QString InetDocument() const;
    static QString InetErrDescription(qint32 Number);

    void RequestFile(const QString &URL, const QString &Referer);

private slots:
    void Inetd_StateChanged(qint16 State);

private:
    void connectInetd();
    void emptyBuffer();
    void collectBody();

    std::unique_ptr<Inet> Inetd;
    QByteArray bytData;
};
