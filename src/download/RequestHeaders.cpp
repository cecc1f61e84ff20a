#include "download/RequestHeaders.h"

#include <algorithm>

namespace RequestHeaders {

namespace {
// Set by the transfer itself or by another setting; a second value would contradict it.
const char *const kOwnHeaders[] = {"Host",       "Content-Length", "Range",
                                   "If-Range",   "Referer",        "Transfer-Encoding",
                                   "Connection", "User-Agent",     "Cookie"};

bool isTokenChar(QChar c)
{
    // RFC 9110 tchar: the letters, digits and these marks.
    return (c.isLetterOrNumber() && c.unicode() < 0x80) ||
           QStringLiteral("!#$%&'*+-.^_`|~").contains(c);
}
} // namespace

QList<Header> parse(const QStringList &lines, QString *error)
{
    QList<Header> headers;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const auto refuse = [&](const QString &why) {
            *error = QStringLiteral("Die Kopfzeile \"%1\" ist ungültig: %2").arg(line, why);
            return QList<Header>();
        };
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')) ||
            line.contains(QChar(0)))
            return refuse(QStringLiteral("sie enthält einen Zeilenumbruch oder ein Nullzeichen."));
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        const QString name = colon < 0 ? QString() : line.left(colon).trimmed();
        if (name.isEmpty() || !std::all_of(name.cbegin(), name.cend(), isTokenChar))
            return refuse(QStringLiteral("sie hat keinen Namen (erwartet: \"Name: Wert\")."));
        for (const char *own : kOwnHeaders)
            if (name.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
                return refuse(QStringLiteral("\"%1\" setzt das Programm selbst.").arg(name));
        headers.append({name.toLatin1(), line.mid(colon + 1).trimmed().toUtf8()});
    }
    return headers;
}

} // namespace RequestHeaders
