#include "app/WindowPosition.h"

#include "app/frmMain.h"
#include "download/Message.h"
#include "ui/Settings.h"

#include <QLocale>
#include <QWidget>
#include <cmath>

namespace {
// Qt places no window further out than this many pixels.
constexpr double kMaxPositionTwips = double(QWIDGETSIZE_MAX) * frmMain::twipsPerPixel;
} // namespace

StoredPosition StoredPosition::read(const QString &key)
{
    const QString text =
        GetSetting(applicationTitle(), QStringLiteral("Settings"), key, QStringLiteral("1000"));
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > kMaxPositionTwips)
        return {};
    return {static_cast<float>(value), text};
}

QString StoredPosition::toStore(int pixels, int restored) const
{
    // Whole pixels cannot hold every twips value; an unmoved edge keeps its text.
    if (pixels == restored)
        return text;
    const float twips = static_cast<float>(pixels) * frmMain::twipsPerPixel;
    return QString::number(twips, 'g', QLocale::FloatingPointShortest);
}
