#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

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

// The most preview text (in characters, line breaks included) one refresh may
// build: the URLs are held three times over (list, text, text field), and
// this much takes about 0.6 s and 300 MB at most to show.
inline constexpr qint64 kMaxPreviewChars = 32 * 1024 * 1024;

// Works out, without building any URL, how long the preview text will be,
// and throws ParserError (PreviewTooLarge) when it exceeds kMaxPreviewChars:
// a template with thousands of placeholders multiplies every item.
qint64 CheckUrlPreviewSize(const QString &urlTemplate, const QString &placeholder,
                           const QStringList &items);
