#include "download/RequestTarget.h"

#include "download/InetError.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringList>
#include <algorithm>
#include <arpa/inet.h>
#include <curl/curl.h>

namespace {

// Longest host name DNS can carry.
constexpr int kMaxHostNameLength = 253;
// Ports are 16-bit numbers.
constexpr int kMaxPort = 65535;

bool isIPv4(const QString &host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    return std::all_of(parts.cbegin(), parts.cend(), [](const QString &part) {
        bool ok = false;
        return !part.isEmpty() && part.size() <= 3 && part.toInt(&ok) <= 255 && ok;
    });
}

bool isIPv6(const QString &address)
{
    in6_addr parsed;
    return inet_pton(AF_INET6, address.toLatin1().constData(), &parsed) == 1;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QByteArray takeCurlText(char *text)
{
    const QByteArray copy(text ? text : "");
    curl_free(text);
    return copy;
}

} // namespace

RequestTarget RequestTarget::parse(const QString &url)
{
    // libcurl would stop reading at a NUL and fetch another resource.
    if (hasControlCharacter(url))
        throw InetError(FailureNumber::InvalidUrl, QStringLiteral("URL is malformed: %1").arg(url));
    CURLU *parsed = curl_url();
    const auto release = qScopeGuard([parsed] { curl_url_cleanup(parsed); });
    const CURLUcode rc = curl_url_set(parsed, CURLUPART_URL, url.toUtf8().constData(),
                                      CURLU_ALLOW_SPACE | CURLU_URLENCODE);
    if (rc == CURLUE_UNSUPPORTED_SCHEME)
        throw InetError(FailureNumber::UnrecognizedScheme,
                        QStringLiteral("Unrecognized scheme in URL: %1").arg(url));
    if (rc == CURLUE_NO_HOST)
        throw InetError(FailureNumber::NoRemoteComputer,
                        QStringLiteral("No host name in URL: %1").arg(url));
    if (rc != CURLUE_OK)
        throw InetError(FailureNumber::InvalidUrl, QStringLiteral("URL is malformed: %1").arg(url));
    char *scheme = nullptr;
    curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0);
    const QByteArray schemeText = takeCurlText(scheme);
    if (schemeText != "http" && schemeText != "https")
        throw InetError(FailureNumber::UnrecognizedScheme,
                        QStringLiteral("Unrecognized scheme in URL: %1").arg(url));
    char *full = nullptr;
    if (curl_url_get(parsed, CURLUPART_URL, &full, 0) != CURLUE_OK)
        throw InetError(FailureNumber::InvalidUrl, QStringLiteral("URL is malformed: %1").arg(url));
    return {takeCurlText(full), schemeText == "https"};
}

QString RequestTarget::document(const QString &url)
{
    const int schemeEnd = url.indexOf(QLatin1String("://"));
    const int slash = url.indexOf(QLatin1Char('/'), schemeEnd < 0 ? 0 : schemeEnd + 3);
    if (schemeEnd < 0 || slash < 0)
        return QString();
    const int fragment = url.indexOf(QLatin1Char('#'), slash);
    return url.mid(slash, fragment < 0 ? -1 : fragment - slash);
}

QByteArray namedProxyUrl(const QString &hostPort)
{
    const QString name = hostPort.trimmed();
    if (name.isEmpty())
        throw InetError(FailureNumber::NoProxy, QStringLiteral("No proxy name given"));
    if (!isProxyHostPort(name))
        throw InetError(FailureNumber::InvalidProxyRequest,
                        QStringLiteral("Proxy name is not host:port: %1").arg(hostPort));
    return "http://" + name.toUtf8();
}

bool isProxyHostPort(const QString &hostPort)
{
    static const QRegularExpression form(QStringLiteral(
        "\\A(?:(?<name>[A-Za-z0-9-]{1,63}(?:\\.[A-Za-z0-9-]{1,63})*)|\\[(?<v6>[0-9A-Fa-f:.]+)\\])"
        ":(?<port>[0-9]{1,5})\\z"));
    const QRegularExpressionMatch match = form.match(hostPort);
    if (!match.hasMatch())
        return false;
    const int port = match.captured(u"port").toInt();
    if (port < 1 || port > kMaxPort)
        return false;
    const QString name = match.captured(u"name");
    if (name.isEmpty())
        return isIPv6(match.captured(u"v6"));
    // No top-level domain is numeric, so digits and dots alone must be a whole
    // address: resolvers would read "127.1" as 127.0.0.1.
    static const QRegularExpression numeric(QStringLiteral("\\A[0-9.]+\\z"));
    return name.size() <= kMaxHostNameLength && (!numeric.match(name).hasMatch() || isIPv4(name));
}
