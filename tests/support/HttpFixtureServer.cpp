#include "HttpFixtureServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

QList<QByteArray> HttpFixtureServer::Request::headerValues(const QByteArray &name) const
{
    QList<QByteArray> values;
    for (const Header &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            values.append(h.second);
    return values;
}

QByteArray HttpFixtureServer::Request::path() const
{
    if (!isAbsoluteForm())
        return target;
    const qsizetype slash = target.indexOf('/', 7);
    return slash < 0 ? QByteArray("/") : target.mid(slash);
}

HttpFixtureServer::HttpFixtureServer(QObject *parent) : QObject(parent)
{
    m_clock.start();
}

bool HttpFixtureServer::startListening(QTcpServer *server)
{
    m_server = server;
    // A TLS connection is pending only once its handshake is done, so wait for that, not
    // for newConnection.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_pending.remove(socket);
                socket->deleteLater();
            });
            if (socket->bytesAvailable() > 0)
                onReadyRead(socket);
        }
    });
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool HttpFixtureServer::listen()
{
    return startListening(new QTcpServer(this));
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
    if (!QSslSocket::supportsSsl())
        return false;
    QFile certFile(caFile());
    QFile keyFile(QStringLiteral(VORNIX_FIXTURE_TLS_DIR "/fixture-key.pem"));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate(&certFile, QSsl::Pem));
    config.setPrivateKey(QSslKey(&keyFile, QSsl::Ec, QSsl::Pem));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (config.localCertificate().isNull() || config.privateKey().isNull())
        return false;
    auto *server = new QSslServer(this);
    server->setSslConfiguration(config);
    m_tls = true;
    return startListening(server);
}

QString HttpFixtureServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server ? m_server->serverPort() : 0);
}

void HttpFixtureServer::serve(const QByteArray &path, const QByteArray &body, int status,
                              const QByteArray &reason)
{
    m_replies.insert(path, Reply(Reply::Kind::Fixed, body, status, reason));
}

void HttpFixtureServer::serveChunked(const QByteArray &path, const QByteArray &body, int chunkSize)
{
    Reply r(Reply::Kind::Chunked, body);
    r.chunkSize = chunkSize;
    m_replies.insert(path, r);
}

void HttpFixtureServer::serveRedirect(const QByteArray &path, const QByteArray &location)
{
    Reply r(Reply::Kind::Fixed, "moved", 302, "Found");
    r.headers.append({"Location", location});
    m_replies.insert(path, r);
}

namespace {
QByteArray okHead(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
}
} // namespace

void HttpFixtureServer::serveCloseMidBody(const QByteArray &path, const QByteArray &body,
                                          qsizetype sendBytes)
{
    serveWith(path, [=](QTcpSocket *socket) {
        socket->write(okHead(body) + body.left(sendBytes));
        socket->disconnectFromHost();
    });
}

void HttpFixtureServer::serveSilent(const QByteArray &path)
{
    serveWith(path, [](QTcpSocket *) {});
}

void HttpFixtureServer::serveTrickle(const QByteArray &path, const QByteArray &body, int pieceSize,
                                     int intervalMs)
{
    serveWith(path, [=](QTcpSocket *socket) {
        socket->write(okHead(body));
        auto *timer = new QTimer(socket); // goes with the connection
        connect(timer, &QTimer::timeout, socket, [=, sent = qsizetype(0)]() mutable {
            socket->write(body.mid(sent, pieceSize));
            sent += pieceSize;
            if (sent >= body.size())
                timer->deleteLater();
        });
        timer->start(intervalMs);
    });
}

void HttpFixtureServer::serveWith(const QByteArray &path, const Handler &handler)
{
    Reply r;
    r.handler = handler;
    m_replies.insert(path, r);
}

void HttpFixtureServer::serveInTurn(const QByteArray &path, QList<Reply> replies)
{
    if (replies.isEmpty())
        return;
    m_replies.insert(path, replies.takeFirst());
    m_laterReplies.insert(path, replies);
}

void HttpFixtureServer::serveRaw(const QByteArray &path, const QByteArray &bytes)
{
    serveWith(path, [bytes](QTcpSocket *socket) { socket->write(bytes); });
}

QByteArray HttpFixtureServer::patternBody(qsizetype size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return body;
}

void HttpFixtureServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        Request request;
        request.target = lines.value(0).trimmed().split(' ').value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        request.atMs = m_clock.elapsed();
        m_requests.append(request);
        const Reply reply = m_replies.value(request.path(), m_defaultReply);
        if (QList<Reply> &later = m_laterReplies[request.path()]; !later.isEmpty())
            m_replies.insert(request.path(), later.takeFirst());
        Q_EMIT requestReceived();
        answer(socket, reply);
    }
}

void HttpFixtureServer::answer(QTcpSocket *socket, const Reply &reply)
{
    if (reply.handler) {
        reply.handler(socket);
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    for (const Header &h : reply.headers)
        head += h.first + ": " + h.second + "\r\n";
    if (reply.kind == Reply::Kind::Chunked) {
        socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
        for (qsizetype at = 0; at < reply.body.size(); at += reply.chunkSize) {
            const QByteArray piece = reply.body.mid(at, reply.chunkSize);
            socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        }
        socket->write("0\r\n\r\n");
        return;
    }
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
    socket->write(head + reply.body);
}
