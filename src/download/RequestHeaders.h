#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The user's own request headers ("Name: Wert", one per line), checked before
// any request: a header the transfer or another setting sets is refused, as
// is anything that could smuggle a second header or request into the line.
namespace RequestHeaders {

using Header = QPair<QByteArray, QByteArray>;

// The headers of `lines` (empty lines are skipped); on the first bad line
// nothing, and *error names it in German.
QList<Header> parse(const QStringList &lines, QString *error);

} // namespace RequestHeaders
