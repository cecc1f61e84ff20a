#include "HttpFixtureServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

QList<QByteArray> HttpFixtureServer::Request::headerValues(const QByteArray &name) const
{
    QList<QByteArray> values;
    for (const Header &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            values.append(h.second);
    }
    return values;
}

QByteArray HttpFixtureServer::Request::path() const
{
    if (!isAbsoluteForm())
        return target;
    const qsizetype slash = target.indexOf('/', 7);
    return slash < 0 ? QByteArray("/") : target.mid(slash);
}

HttpFixtureServer::HttpFixtureServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this))
{
    m_defaultReply.status = 404;
    m_defaultReply.reason = "Not Found";
    m_defaultReply.body = "no such file";
    connect(m_server, &QTcpServer::newConnection, this, &HttpFixtureServer::onNewConnection);
}

HttpFixtureServer::~HttpFixtureServer() = default;

bool HttpFixtureServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 HttpFixtureServer::port() const
{
    return m_server->serverPort();
}

QString HttpFixtureServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

QString HttpFixtureServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void HttpFixtureServer::setReply(const QByteArray &path, const Reply &reply)
{
    m_replies.insert(path, reply);
}

void HttpFixtureServer::serve(const QByteArray &path, const QByteArray &body)
{
    Reply r;
    r.body = body;
    setReply(path, r);
}

void HttpFixtureServer::serveChunked(const QByteArray &path, const QByteArray &body, int chunkSize)
{
    Reply r;
    r.body = body;
    r.kind = Reply::Kind::Chunked;
    r.chunkSize = chunkSize;
    setReply(path, r);
}

void HttpFixtureServer::serveStatus(const QByteArray &path, int status, const QByteArray &reason,
                                    const QByteArray &body)
{
    Reply r;
    r.status = status;
    r.reason = reason;
    r.body = body;
    setReply(path, r);
}

void HttpFixtureServer::serveRedirect(const QByteArray &path, const QByteArray &location,
                                      int status)
{
    Reply r;
    r.status = status;
    r.reason = "Found";
    r.headers.append({"Location", location});
    r.body = "moved";
    setReply(path, r);
}

void HttpFixtureServer::serveCloseMidBody(const QByteArray &path, const QByteArray &body,
                                          qsizetype sendBytes)
{
    Reply r;
    r.body = body;
    r.kind = Reply::Kind::CloseMidBody;
    r.sendBytes = sendBytes;
    setReply(path, r);
}

void HttpFixtureServer::serveSilent(const QByteArray &path)
{
    Reply r;
    r.kind = Reply::Kind::Silent;
    setReply(path, r);
}

void HttpFixtureServer::serveSlow(const QByteArray &path, const QByteArray &body, int delayMs)
{
    Reply r;
    r.body = body;
    r.delayMs = delayMs;
    setReply(path, r);
}

QByteArray HttpFixtureServer::patternBody(qsizetype size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return body;
}

void HttpFixtureServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            m_busy.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpFixtureServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    while (!m_busy.value(socket)) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);

        Request request;
        request.requestLine = lines.value(0).trimmed();
        const QList<QByteArray> parts = request.requestLine.split(' ');
        request.method = parts.value(0);
        request.target = parts.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        m_requests.append(request);
        const Reply reply = m_replies.value(request.path(), m_defaultReply);
        emit requestReceived();

        if (reply.kind == Reply::Kind::Silent) {
            m_busy[socket] = true;
            return;
        }
        if (reply.delayMs > 0) {
            m_busy[socket] = true;
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(reply.delayMs, this, [this, guarded, reply] {
                if (!guarded)
                    return;
                m_busy[guarded] = false;
                answer(guarded, reply);
                onReadyRead(guarded);
            });
            return;
        }
        answer(socket, reply);
    }
}

void HttpFixtureServer::answer(QTcpSocket *socket, const Reply &reply)
{
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
    if (reply.kind == Reply::Kind::CloseMidBody) {
        socket->write(head + reply.body.left(reply.sendBytes));
        socket->disconnectFromHost();
        return;
    }
    socket->write(head);
    socket->write(reply.body);
}
