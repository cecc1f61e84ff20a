#pragma once

#include <QString>
#include <QStringList>

// The template with every occurrence of the placeholder replaced by the item:
// found left to right, without overlap, case-sensitive; the inserted item is
// not searched again. An empty placeholder leaves the template unchanged.
QString BuildUrl(const QString &urlTemplate, const QString &placeholder, const QString &item);

struct UrlPreview
{
    QStringList urls; // one per item, in item order
    QString text;     // every URL followed by "\r\n"
};

UrlPreview BuildUrlPreview(const QString &urlTemplate, const QString &placeholder,
                           const QStringList &items);
