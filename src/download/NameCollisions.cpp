#include "download/NameCollisions.h"

#include "download/RequestTarget.h"
#include "download/TargetFile.h"

#include <QHash>

NameCollision FirstNameCollision(const QStringList &urls, const QString &prefix)
{
    QStringList names;
    names.reserve(urls.size());
    QHash<QString, int> counts;
    counts.reserve(urls.size());
    for (const QString &url : urls) {
        // The document part exactly as the transfer will report it.
        const QString document = RequestTarget::document(url);
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
