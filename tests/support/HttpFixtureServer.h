#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1 in the test's event loop that records every request. It
// answers absolute-form targets ("GET http://host/path") too, so it also serves as a proxy,
// and speaks HTTPS with a committed self-signed certificate after listenTls().
class HttpFixtureServer final : public QObject
{
    Q_OBJECT
public:
    using Header = QPair<QByteArray, QByteArray>;
    // Writes the whole answer itself, for replies no well-behaved server sends.
    using Handler = std::function<void(QTcpSocket *)>;

    struct Reply
    {
        enum class Kind {
            Fixed,   // Content-Length and the whole body
            Chunked, // Transfer-Encoding: chunked, chunkSize bytes a chunk
        };
        Reply(Kind k = Kind::Fixed, const QByteArray &b = {}, int s = 200,
              const QByteArray &r = "OK")
            : status(s), reason(r), body(b), kind(k)
        {
        }
        int status = 200;
        QByteArray reason;
        QList<Header> headers;
        QByteArray body;
        Kind kind = Kind::Fixed;
        int chunkSize = 4096;
        Handler handler; // when set, it answers instead
    };

    struct Request
    {
        QByteArray target;
        QList<Header> headers;
        qint64 atMs = 0; // when it arrived, in ms since the server was made
        // All values of the header `name` (case-insensitive), in order.
        QList<QByteArray> headerValues(const QByteArray &name) const;
        bool isAbsoluteForm() const { return target.startsWith("http://"); }
        // The path and query, also for an absolute-form target.
        QByteArray path() const;
    };

    explicit HttpFixtureServer(QObject *parent = nullptr);

    bool listen();
    // False when no TLS backend is available or the certificate cannot be loaded.
    bool listenTls();
    // The certificate that listenTls() presents: a client trusts the fixture through it.
    static QString caFile();
    QString url(const QString &path) const
    {
        return QLatin1String(m_tls ? "https://" : "http://") + hostPort() + path;
    }
    // "127.0.0.1:<port>", as a proxy name.
    QString hostPort() const;

    // The reply for paths without one of their own; a 404 unless set.
    void setDefaultReply(const Reply &reply) { m_defaultReply = reply; }
    void serve(const QByteArray &path, const QByteArray &body, int status = 200,
               const QByteArray &reason = "OK");
    void serveChunked(const QByteArray &path, const QByteArray &body, int chunkSize);
    void serveRedirect(const QByteArray &path, const QByteArray &location);
    void serveCloseMidBody(const QByteArray &path, const QByteArray &body, qsizetype sendBytes);
    // Reads the request and never answers.
    void serveSilent(const QByteArray &path);
    // The body in pieces spaced by a timer, as from a slow server.
    void serveTrickle(const QByteArray &path, const QByteArray &body, int pieceSize,
                      int intervalMs);
    // Answers with exactly these bytes.
    void serveRaw(const QByteArray &path, const QByteArray &bytes);
    // Answers the requests for path with these replies in turn, the last one for good.
    void serveInTurn(const QByteArray &path, QList<Reply> replies);

    const QList<Request> &requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }

    // A body whose content depends on the position, so that a lost, doubled
    // or moved piece shows.
    static QByteArray patternBody(qsizetype size);

Q_SIGNALS:
    void requestReceived();

private:
    void serveWith(const QByteArray &path, const Handler &handler);
    void onReadyRead(QTcpSocket *socket);
    static void answer(QTcpSocket *socket, const Reply &reply);
    bool startListening(QTcpServer *server);

    QTcpServer *m_server = nullptr;
    bool m_tls = false;
    QHash<QByteArray, Reply> m_replies;
    QHash<QByteArray, QList<Reply>> m_laterReplies;
    QElapsedTimer m_clock;
    Reply m_defaultReply{Reply::Kind::Fixed, "no such file", 404, "Not Found"};
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_connections = 0;
};
