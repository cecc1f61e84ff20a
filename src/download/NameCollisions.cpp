#include "download/NameCollisions.h"

#include "download/TargetFile.h"

#include <QHash>

namespace {
// The document part as the transfer reports it: path and query from the "/"
// after the host, without the fragment; empty when the URL has no scheme.
QString documentPart(const QString &url)
{
    const qsizetype schemeEnd = url.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return QString();
    const qsizetype slash = url.indexOf(QLatin1Char('/'), schemeEnd + 3);
    if (slash < 0)
        return QString();
    const qsizetype fragment = url.indexOf(QLatin1Char('#'), slash);
    return url.mid(slash, fragment < 0 ? -1 : fragment - slash);
}
} // namespace

NameCollision FirstNameCollision(const QStringList &urls, const QString &prefix)
{
    QStringList names;
    names.reserve(urls.size());
    QHash<QString, int> counts;
    counts.reserve(urls.size());
    for (const QString &url : urls) {
        const QString document = documentPart(url);
        const QString name = document.isEmpty() ? QString() : TargetFileName(prefix, document);
        // A name the batch refuses to write overwrites nothing.
        names << (IsUsableFileName(name) ? name : QString());
        if (!names.last().isEmpty())
            ++counts[names.last()];
    }
    for (const QString &name : std::as_const(names)) {
        if (!name.isEmpty() && counts.value(name) > 1)
            return {name, counts.value(name)};
    }
    return {};
}
