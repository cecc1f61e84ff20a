#include "download/KeptPart.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

namespace {
// After the record: its hash, its length, and this mark.
constexpr char kMark[] = "VXPART01";
constexpr qsizetype kMarkSize = 8;
constexpr qsizetype kHashSize = 16;
constexpr qsizetype kFooterSize = kHashSize + 8 + kMarkSize;
// A record is a few hundred bytes; anything larger is not one of ours.
constexpr qint64 kMaxRecord = 64 * 1024;

QByteArray hashOf(const QByteArray &record)
{
    return QCryptographicHash::hash(record, QCryptographicHash::Sha256).left(kHashSize);
}

} // namespace

QString KeptPart::pathFor(const QString &folder, const QString &fileName)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QLatin1Char('.') + fileName + QStringLiteral(".vornix-part");
}

QByteArray KeptPart::trailer() const
{
    const QJsonObject object{{QStringLiteral("url"), url},
                             {QStringLiteral("finalUrl"), finalUrl},
                             {QStringLiteral("etag"), QString::fromLatin1(etag)},
                             {QStringLiteral("lastModified"), QString::fromLatin1(lastModified)},
                             {QStringLiteral("total"), QString::number(total)},
                             {QStringLiteral("kept"), QString::number(kept)}};
    const QByteArray record = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray length(8, '\0');
    qToLittleEndian<quint64>(static_cast<quint64>(record.size()), length.data());
    return record + hashOf(record) + length + QByteArray(kMark, kMarkSize);
}

std::optional<KeptPart> KeptPart::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < kFooterSize)
        return std::nullopt;
    const qint64 size = file.size();
    if (!file.seek(size - kFooterSize))
        return std::nullopt;
    const QByteArray footer = file.read(kFooterSize);
    if (footer.size() != kFooterSize || !footer.endsWith(QByteArray(kMark, kMarkSize)))
        return std::nullopt;
    const auto length =
        static_cast<qint64>(qFromLittleEndian<quint64>(footer.constData() + kHashSize));
    if (length <= 0 || length > kMaxRecord || length > size - kFooterSize)
        return std::nullopt;
    const qint64 kept = size - kFooterSize - length;
    if (!file.seek(kept))
        return std::nullopt;
    const QByteArray record = file.read(length);
    if (record.size() != length || hashOf(record) != footer.left(kHashSize))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(record).object();
    KeptPart part;
    part.url = object.value(QStringLiteral("url")).toString();
    part.finalUrl = object.value(QStringLiteral("finalUrl")).toString();
    part.etag = object.value(QStringLiteral("etag")).toString().toLatin1();
    part.lastModified = object.value(QStringLiteral("lastModified")).toString().toLatin1();
    part.total = object.value(QStringLiteral("total")).toString().toLongLong();
    part.kept = object.value(QStringLiteral("kept")).toString().toLongLong();
    if (part.kept != kept || !part.resumable())
        return std::nullopt;
    return part;
}
