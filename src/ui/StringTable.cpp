#include "ui/StringTable.h"

#include <QFile>
#include <QHash>

namespace {
// One entry a line: the id, a tab, the text.
QHash<int, QString> loadTable()
{
    QHash<int, QString> table;
    QFile file(QStringLiteral(":/strings/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString all = QString::fromUtf8(file.readAll());
    for (const QString &line : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            table.insert(id, line.mid(tab + 1));
    }
    return table;
}
} // namespace

QString LoadResString(int id)
{
    static const QHash<int, QString> table = loadTable();
    const auto it = table.constFind(id);
    if (it == table.constEnd())
        throw StringTableError("Resource with identifier " + std::to_string(id) + " not found");
    return *it;
}
