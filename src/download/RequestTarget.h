#pragma once

#include <QByteArray>
#include <QString>

// A URL checked before any traffic, in the form libcurl will request it.
// parse() and namedProxyUrl() throw InetError for what they refuse.
struct RequestTarget final
{
    QByteArray url;
    bool https = false;

    static RequestTarget parse(const QString &url);
    // Path and query of `url`, from the "/" after the host on, without a fragment.
    static QString document(const QString &url);
};

// "http://host:port" for a proxy named "host:port".
QByteArray namedProxyUrl(const QString &hostPort);

// Only a host and a port: anything more (user info, a path, a query) would
// make libcurl read the text differently from what this check saw.
bool isProxyHostPort(const QString &hostPort);
