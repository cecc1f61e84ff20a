#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 (port chosen by the system) that runs
// in the test's own event loop. Replies are set per path; every request is
// recorded with its request line and headers. Absolute-form request lines
// ("GET http://host/path HTTP/1.1") are answered like origin-form ones, so the
// same server serves as a recording proxy.
class HttpFixtureServer final : public QObject
{
    Q_OBJECT
public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Reply
    {
        enum class Kind {
            Fixed,        // Content-Length and the whole body
            Chunked,      // Transfer-Encoding: chunked, chunkSize bytes a chunk
            CloseMidBody, // the full Content-Length, sendBytes of the body, then close
            Silent,       // read the request, never answer
        };
        int status = 200;
        QByteArray reason = "OK";
        QList<Header> headers;
        QByteArray body;
        Kind kind = Kind::Fixed;
        int chunkSize = 4096;
        qsizetype sendBytes = 0;
        int delayMs = 0; // answer only after this long
    };

    struct Request
    {
        QByteArray requestLine;
        QByteArray method;
        QByteArray target;
        QList<Header> headers;
        // All values of the header `name` (case-insensitive), in order.
        QList<QByteArray> headerValues(const QByteArray &name) const;
        bool isAbsoluteForm() const { return target.startsWith("http://"); }
        // The path and query, also for an absolute-form target.
        QByteArray path() const;
    };

    explicit HttpFixtureServer(QObject *parent = nullptr);
    ~HttpFixtureServer() override;

    bool listen();
    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by path.
    QString url(const QString &path) const;
    // "127.0.0.1:<port>", as a proxy name.
    QString hostPort() const;

    void setReply(const QByteArray &path, const Reply &reply);
    void serve(const QByteArray &path, const QByteArray &body);
    void serveChunked(const QByteArray &path, const QByteArray &body, int chunkSize);
    void serveStatus(const QByteArray &path, int status, const QByteArray &reason,
                     const QByteArray &body = QByteArray());
    void serveRedirect(const QByteArray &path, const QByteArray &location, int status = 302);
    void serveCloseMidBody(const QByteArray &path, const QByteArray &body, qsizetype sendBytes);
    void serveSilent(const QByteArray &path);
    void serveSlow(const QByteArray &path, const QByteArray &body, int delayMs);
    // The reply for paths without one of their own; a 404 unless set.
    void setDefaultReply(const Reply &reply) { m_defaultReply = reply; }

    const QList<Request> &requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }

    // A body of `size` bytes whose content depends on the position, so that
    // a lost, doubled or moved piece shows.
    static QByteArray patternBody(qsizetype size);

signals:
    void requestReceived();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Reply &reply);

    QTcpServer *m_server = nullptr;
    QHash<QByteArray, Reply> m_replies;
    Reply m_defaultReply;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QHash<QTcpSocket *, bool> m_busy;
    int m_connections = 0;
};
