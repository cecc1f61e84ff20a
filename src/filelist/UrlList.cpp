#include "filelist/UrlList.h"

#include "filelist/clsParser.h"

#include <QList>
#include <QtNumeric>
#include <limits>

namespace {

// Start of every occurrence of the placeholder, searched once per template
// rather than once per item.
QList<qsizetype> occurrences(const QString &urlTemplate, const QString &placeholder)
{
    QList<qsizetype> found;
    if (placeholder.isEmpty())
        return found;
    qsizetype at = urlTemplate.indexOf(placeholder, 0, Qt::CaseSensitive);
    while (at >= 0) {
        found.append(at);
        at = urlTemplate.indexOf(placeholder, at + placeholder.size(), Qt::CaseSensitive);
    }
    return found;
}

QString fill(const QString &urlTemplate, qsizetype placeholderSize, const QList<qsizetype> &found,
             const QString &item)
{
    if (found.isEmpty())
        return urlTemplate;
    QString url;
    url.reserve(urlTemplate.size() + found.size() * (item.size() - placeholderSize));
    qsizetype from = 0;
    for (qsizetype at : found) {
        url.append(QStringView(urlTemplate).mid(from, at - from));
        url.append(item);
        from = at + placeholderSize;
    }
    url.append(QStringView(urlTemplate).mid(from));
    return url;
}

// a + b * c, held at the largest value instead of wrapping round.
qint64 addProduct(qint64 a, qint64 b, qint64 c)
{
    qint64 product = 0;
    qint64 sum = 0;
    if (qMulOverflow(b, c, &product) || qAddOverflow(a, product, &sum))
        return std::numeric_limits<qint64>::max();
    return sum;
}

} // namespace

QString BuildUrl(const QString &urlTemplate, const QString &placeholder, const QString &item)
{
    return fill(urlTemplate, placeholder.size(), occurrences(urlTemplate, placeholder), item);
}

UrlPreview BuildUrlPreview(const QString &urlTemplate, const QString &placeholder,
                           const QStringList &items)
{
    const QList<qsizetype> found = occurrences(urlTemplate, placeholder);
    const QLatin1String lineBreak("\r\n");

    UrlPreview preview;
    preview.urls.reserve(items.size());
    qsizetype total = 0;
    for (const QString &item : items) {
        preview.urls.append(fill(urlTemplate, placeholder.size(), found, item));
        total += preview.urls.constLast().size() + lineBreak.size();
    }
    preview.text.reserve(total);
    for (const QString &url : std::as_const(preview.urls)) {
        preview.text.append(url);
        preview.text.append(lineBreak);
    }
    return preview;
}

qint64 CheckUrlPreviewSize(const QString &urlTemplate, const QString &placeholder,
                           const QStringList &items)
{
    const qint64 found = occurrences(urlTemplate, placeholder).size();
    const qint64 lineBreak = 2;
    // Each URL is the template with every occurrence swapped for the item.
    const qint64 perUrl = urlTemplate.size() - found * placeholder.size() + lineBreak;
    qint64 itemChars = 0;
    for (const QString &item : items)
        itemChars += item.size();
    const qint64 total = addProduct(addProduct(0, items.size(), perUrl), found, itemChars);
    if (total > kMaxPreviewChars)
        throw ParserError(ParserError::PreviewTooLarge, total, kMaxPreviewChars);
    return total;
}
