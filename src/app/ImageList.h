#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>

// Keyed pictures for the toolbar. Every picture is drawn on silver, which is
// made transparent when the picture is added.
class ImageList : public QObject
{
    Q_OBJECT
public:
    explicit ImageList(QObject *parent = nullptr);

    static QColor maskColor() { return QColor(0xC0, 0xC0, 0xC0); }

    void add(const QString &key, const QPixmap &picture);
    QPixmap image(const QString &key) const;
    QStringList keys() const;

private:
    QList<QPair<QString, QPixmap>> m_images;
};
