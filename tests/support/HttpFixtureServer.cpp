#include "HttpFixtureServer.h"

#include "TestFiles.h"

#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTimer>
#include <utility>

QByteArray HttpFixtureServer::bytesOf(const Reply &reply)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    for (const Header &h : reply.headers)
        head += h.first + ": " + h.second + "\r\n";
    return head + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n" +
           reply.body;
}

bool HttpFixtureServer::listen()
{
    // A TLS connection is pending only once its handshake is done, so wait for that, not
    // for newConnection.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++connectionCount;
            maxOpenConnections = std::max(maxOpenConnections, ++m_open);
            connect(socket, &QTcpSocket::disconnected, this, [this] { --m_open; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            onReadyRead(socket); // the request may have come along with the handshake
        }
    });
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QString HttpFixtureServer::caFile()
{
    return QStringLiteral(VORNIX_FIXTURE_TLS_DIR "/fixture-cert.pem");
}

bool HttpFixtureServer::listenTls()
{
    // The key pair was made once for 127.0.0.1, valid 2000 to 2100:
    //   openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes
    //     -subj /CN=127.0.0.1 -keyout fixture-key.pem -out req.csr
    //   openssl ca -selfsign -keyfile fixture-key.pem -in req.csr -startdate 20000101000000Z
    //     -enddate 21000101000000Z
    // with a throwaway ca config whose extensions are CA:TRUE and subjectAltName IP:127.0.0.1.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate(readFile(caFile())));
    config.setPrivateKey(QSslKey(readFile(VORNIX_FIXTURE_TLS_DIR "/fixture-key.pem"), QSsl::Ec));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (config.localCertificate().isNull() || config.privateKey().isNull())
        return false;
    auto *server = new QSslServer(this);
    server->setSslConfiguration(config);
    m_server = server;
    m_scheme = QStringLiteral("https://");
    return listen();
}

void HttpFixtureServer::serveCutMidBody(const QByteArray &path, const QByteArray &body,
                                        qsizetype sendBytes, bool close)
{
    const QByteArray sent = bytesOf(Reply(body)).chopped(body.size() - sendBytes);
    serveInTurn(path, {Reply([=](QTcpSocket *socket) {
                    socket->write(sent);
                    if (close)
                        socket->disconnectFromHost();
                })});
}

void HttpFixtureServer::serveResource(const QByteArray &path, const std::shared_ptr<Resource> &r)
{
    serveInTurn(
        path, {Reply([this, r](QTcpSocket *socket) {
            const auto n = [](qint64 v) { return QByteArray::number(v); };
            if (const int status = std::exchange(r->answerOnce, 0); status != 0) {
                if (status > 0)
                    socket->write("HTTP/1.1 " + n(status) + " X\r\nContent-Length: 0\r\n\r\n");
                return;
            }
            if (!r->redirect.isEmpty()) {
                socket->write("HTTP/1.1 302 Found\r\nLocation: " + r->redirect +
                              "\r\nContent-Length: 0\r\n\r\n");
                return;
            }
            // Handlers run as their request arrives: it is the latest.
            const Request &request = m_requests.last();
            const QByteArray range = request.headerValues("Range").value(0);
            const QByteArray ifRange = request.headerValues("If-Range").value(0);
            const qint64 size = r->body.size();
            const qint64 from =
                range.startsWith("bytes=") ? range.mid(6).chopped(1).toLongLong() : 0;
            const bool current = ifRange.isEmpty() || !r->ifRange || ifRange == r->etag ||
                                 ifRange == r->lastModified;
            QByteArray head = "HTTP/1.1 200 OK\r\n", body = r->body;
            if (r->ranges && from > 0 && from < size && current) {
                head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + n(from) + '-' +
                       n(size - 1) + '/' + n(size) + "\r\n";
                body = body.mid(from);
            }
            if (!r->etag.isEmpty())
                head += "ETag: " + r->etag + "\r\n";
            if (!r->lastModified.isEmpty())
                head += "Last-Modified: " + r->lastModified + "\r\n";
            const QByteArray sent = r->stallAfter < 0 ? body : body.left(r->stallAfter);
            if (r->chunked)
                socket->write(head + "Transfer-Encoding: chunked\r\n\r\n" +
                              QByteArray::number(body.size(), 16) + "\r\n" + sent +
                              (r->stallAfter < 0 ? "\r\n0\r\n\r\n" : ""));
            else
                socket->write(head + "Content-Length: " + n(body.size()) + "\r\n\r\n" + sent);
            if (r->stallAfter >= 0 && r->closeAfterStall)
                socket->disconnectFromHost();
        })});
}

void HttpFixtureServer::serveTrickle(const QByteArray &path, const QByteArray &body, int pieceSize,
                                     int intervalMs)
{
    const QByteArray head = bytesOf(Reply(body)).chopped(body.size());
    serveInTurn(path, {Reply([=](QTcpSocket *socket) {
                    socket->write(head);
                    auto *timer = new QTimer(socket); // goes with the connection
                    connect(timer, &QTimer::timeout, socket, [=, sent = qsizetype(0)]() mutable {
                        socket->write(body.mid(sent, pieceSize));
                        sent += pieceSize;
                        if (sent >= body.size())
                            timer->deleteLater();
                    });
                    timer->start(intervalMs);
                })});
}

void HttpFixtureServer::onReadyRead(QTcpSocket *socket)
{
    // What follows a head stays in the socket until the next head is complete.
    for (qsizetype end; (end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n")) >= 0;) {
        const QList<QByteArray> lines = socket->read(end + 4).left(end).split('\n');
        Request request{lines.value(0).trimmed().split(' ').value(1), {}, m_clock.elapsed()};
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        m_requests.append(request);
        QList<Reply> &turns = m_replies[request.path()];
        const Reply reply = turns.size() > 1 ? turns.takeFirst() : turns.value(0, m_defaultReply);
        Q_EMIT requestReceived();
        m_held.append({socket, reply});
        maxInFlight = std::max(maxInFlight, static_cast<int>(m_held.size()));
        if (m_holdLeft == 0 || --m_holdLeft == 0 || m_held.size() >= m_holdUntil)
            for (const auto &[waiting, held] : std::exchange(m_held, {}))
                if (waiting) // a handler writes the answer itself
                    held.handler ? held.handler(waiting) : void(waiting->write(bytesOf(held)));
    }
}
