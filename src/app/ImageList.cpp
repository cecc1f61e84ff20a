#include "app/ImageList.h"

#include <QBitmap>

ImageList::ImageList(QObject *parent) : QObject(parent) {}

void ImageList::add(const QString &key, const QPixmap &picture)
{
    QPixmap masked = picture;
    if (!masked.isNull())
        masked.setMask(picture.createMaskFromColor(maskColor(), Qt::MaskInColor));
    m_images.append({key, masked});
}

QPixmap ImageList::image(const QString &key) const
{
    for (const auto &entry : m_images) {
        if (entry.first == key)
            return entry.second;
    }
    return QPixmap();
}

QStringList ImageList::keys() const
{
    QStringList result;
    for (const auto &entry : m_images)
        result.append(entry.first);
    return result;
}
