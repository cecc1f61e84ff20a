#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>

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
        // Content-Length and the whole body.
        Reply(QByteArray b, int s = 200, QByteArray r = "OK") : status(s), reason(r), body(b) {}
        explicit Reply(Handler h) : handler(std::move(h)) {}
        int status = 200;
        QByteArray reason, body;
        QList<Header> headers;
        Handler handler; // when set, it answers instead
    };

    struct Request
    {
        QByteArray target;
        QList<Header> headers;
        qint64 atMs = 0; // when it arrived, in ms since the server was made
        // All values of the header `name` (case-insensitive), in order.
        QList<QByteArray> headerValues(const QByteArray &name) const
        {
            QList<QByteArray> values;
            for (const Header &h : headers)
                if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                    values.append(h.second);
            return values;
        }
        // The path and query, also for an absolute-form target ("http://host/path").
        QByteArray path() const
        {
            const qsizetype slash = target.indexOf('/', 7);
            return !target.startsWith("http://") ? target : slash < 0 ? "/" : target.mid(slash);
        }
    };

    explicit HttpFixtureServer(QObject *parent = nullptr) : QObject(parent) { m_clock.start(); }

    bool listen();
    // False when no TLS backend is available or the certificate cannot be loaded.
    bool listenTls();
    // The certificate that listenTls() presents: a client trusts the fixture through it.
    static QString caFile();
    QString url(const QString &path) const { return m_scheme + hostPort() + path; }
    // "127.0.0.1:<port>", as a proxy name.
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort()); }

    // The reply for paths without one of their own; a 404 unless set.
    void setDefaultReply(const Reply &reply) { m_defaultReply = reply; }
    void serve(const QByteArray &path, const QByteArray &body) { serveInTurn(path, {body}); }
    // Sends the head and the first sendBytes of the body, then closes or sends nothing more.
    void serveCutMidBody(const QByteArray &path, const QByteArray &body, qsizetype sendBytes,
                         bool close);
    // Reads the request and never answers.
    void serveSilent(const QByteArray &path) { serveRaw(path, {}); }
    // The body in pieces spaced by a timer, as from a slow server.
    void serveTrickle(const QByteArray &path, const QByteArray &body, int pieceSize,
                      int intervalMs);
    // Answers with exactly these bytes.
    void serveRaw(const QByteArray &path, const QByteArray &bytes)
    {
        serveInTurn(path, {Reply([bytes](QTcpSocket *socket) { socket->write(bytes); })});
    }
    // A file as a real server keeps it: Range is answered with the rest (unless `ranges` is
    // off), If-Range naming another version with all of it (unless `ifRange` is off).
    // `stallAfter` sends that many bytes of the answer's body and then nothing more, or closes
    // the connection with `closeAfterStall`; `redirect` answers with a 302 there; `chunked`
    // sends the body without announcing its length. Changes count from the next request.
    struct Resource
    {
        Resource(QByteArray b, QByteArray e) : body(std::move(b)), etag(std::move(e)) {}
        QByteArray body, etag, lastModified, redirect;
        bool ranges = true, ifRange = true, chunked = false, closeAfterStall = false;
        qsizetype stallAfter = -1;
        int answerOnce = 0; // a status sent once instead (an empty body); -1: no answer once
    };
    void serveResource(const QByteArray &path, const std::shared_ptr<Resource> &resource);
    // Answers the requests for path with these replies in turn, the last one for good.
    void serveInTurn(const QByteArray &path, QList<Reply> turns) { m_replies.insert(path, turns); }

    // Of the next `total` requests, the answers are held until n of them wait (or the last of
    // them has come), then all those waiting are answered together: n requests were out at
    // once, or the client hangs and its test fails.
    void holdAnswersUntilInFlight(int n, int total)
    {
        m_holdUntil = n;
        m_holdLeft = total;
    }

    const QList<Request> &requests() const { return m_requests; }
    // Read only: the connections made, the most open at the same time, and the most requests
    // received and not yet answered at the same time.
    int connectionCount = 0, maxOpenConnections = 0, maxInFlight = 0;

    // A body whose content depends on the position, so that a lost, doubled
    // or moved piece shows.
    static QByteArray patternBody(qsizetype size)
    {
        QByteArray body(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        return body;
    }

Q_SIGNALS:
    void requestReceived();

private:
    void onReadyRead(QTcpSocket *socket);
    static QByteArray bytesOf(const Reply &reply);

    QTcpServer *m_server = new QTcpServer(this); // listenTls() puts a QSslServer in its place
    QString m_scheme = QStringLiteral("http://");
    QHash<QByteArray, QList<Reply>> m_replies; // by path
    QElapsedTimer m_clock;
    Reply m_defaultReply{"no such file", 404, "Not Found"};
    QList<Request> m_requests;
    int m_open = 0, m_holdUntil = 0, m_holdLeft = 0;
    QList<QPair<QPointer<QTcpSocket>, Reply>> m_held;
};
