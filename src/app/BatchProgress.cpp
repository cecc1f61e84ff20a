#include "app/BatchProgress.h"

#include "download/BatchMessages.h"

#include <QMouseEvent>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <utility>

namespace {
// The bar counts in thousandths of the batch, so a long list cannot overflow it.
constexpr int kSteps = 1000;
constexpr int kTextMargin = 8;
constexpr int kMinWidth = 120;

} // namespace

BatchProgress::BatchProgress(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, kSteps);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    // Nothing to show before the first batch; the status bar looks as it always did.
    setVisible(false);
    m_cooldown.setSingleShot(true);
    m_cooldown.setInterval(kRedrawIntervalMs);
    connect(&m_cooldown, &QTimer::timeout, this, [this] {
        if (std::exchange(m_pending, false))
            showNow();
    });
}

QString BatchProgress::text() const
{
    return m_result.isEmpty() ? runningText() : m_result;
}

QString BatchProgress::runningText() const
{
    const int k = m_parallel == 1 ? m_index : m_finished;
    QString text = QStringLiteral("%1 von %2").arg(k).arg(m_count);
    if (m_resumedAt > 0 && m_received <= m_resumedAt)
        return text + QStringLiteral(" – ") + resumeText(m_resumedAt);
    if (m_expected > 0)
        text += QStringLiteral(" – %1 %").arg(std::min<qint64>(100, m_received * 100 / m_expected));
    else if (m_received > 0)
        text += QStringLiteral(" – ") + sizeText(m_received);
    if (m_received > 0 && m_rate > 0)
        text += QStringLiteral(" – ") + sizeText(m_rate) + QStringLiteral("/s");
    return text;
}

void BatchProgress::batchStarted(int count, int parallel)
{
    m_result.clear();
    m_listable = false;
    m_index = 0;
    m_finished = 0;
    m_count = count;
    m_parallel = parallel;
    m_received = 0;
    m_expected = -1;
    m_rate = 0;
    setCursor(Qt::ArrowCursor);
    setToolTip(QString());
    fitTo(QStringLiteral("%1 von %1 – 100 % – 1023,9 KiB/s").arg(count));
    setVisible(true);
    refresh();
}

void BatchProgress::fileStarted(int index)
{
    m_index = index;
    m_resumedAt = 0;
    refresh();
}

void BatchProgress::resuming(qint64 bytes)
{
    m_resumedAt = bytes;
    // Said once per file and worth reading whole: the bar grows for it.
    const QString text = runningText();
    if (fontMetrics().horizontalAdvance(text) + 2 * kTextMargin > width())
        fitTo(text);
    refresh();
}

void BatchProgress::fileFinished()
{
    ++m_finished;
    refresh();
}

void BatchProgress::bytesReceived(qint64 received, qint64 expected, qint64 bytesPerSecond)
{
    m_received = received;
    m_expected = expected;
    m_rate = bytesPerSecond;
    refresh();
}

void BatchProgress::batchFinished(const BatchResult &result, int count, int stopAfterFailures)
{
    m_result = batchSummary(result, count, stopAfterFailures);
    m_listable = !result.failures.isEmpty() || !result.untried.isEmpty() ||
                 !result.kept.isEmpty() || result.skipped > 0;
    setCursor(m_listable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_cooldown.stop();
    m_pending = false;
    fitTo(m_result);
    // A result too long for the bar is cut there and read whole in the tooltip.
    QStringList tip;
    if (shownText(m_result) != m_result)
        tip << m_result;
    if (m_listable)
        tip << QStringLiteral("Klicken: nicht gespeicherte Dateien");
    setToolTip(tip.join(QLatin1Char('\n')));
    showNow();
}

QString BatchProgress::shownText(const QString &text) const
{
    // Measured as fitTo() measures, so a bar made to fit its text never cuts it.
    const int room = width() - 2 * kTextMargin;
    if (fontMetrics().horizontalAdvance(text) <= room)
        return text;
    return fontMetrics().elidedText(text, Qt::ElideRight, room);
}

void BatchProgress::initStyleOption(QStyleOptionProgressBar *option) const
{
    QProgressBar::initStyleOption(option);
    // The style would wrap a long text onto a second line that the status bar cuts off.
    option->text = shownText(option->text);
}

void BatchProgress::fitTo(const QString &text)
{
    // Wide enough for its longest line, but the panel keeps most of the bar.
    const int wanted = fontMetrics().horizontalAdvance(text) + 2 * kTextMargin;
    const int most = parentWidget() ? parentWidget()->width() * 3 / 5 : wanted;
    setFixedWidth(std::max(kMinWidth, std::min(wanted, most)));
}

void BatchProgress::refresh()
{
    // Hundreds of small files a second would otherwise each cost a repaint.
    if (m_cooldown.isActive()) {
        m_pending = true;
        return;
    }
    showNow();
    m_cooldown.start();
}

void BatchProgress::showNow()
{
    int steps = kSteps;
    if (m_result.isEmpty() && m_count > 0) {
        double done = m_finished;
        if (m_expected > 0)
            done += std::min(1.0, double(m_received) / double(m_expected));
        steps = int(done * kSteps / m_count);
    }
    setValue(steps);
    update();
}

void BatchProgress::mouseReleaseEvent(QMouseEvent *event)
{
    QProgressBar::mouseReleaseEvent(event);
    if (m_listable && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        Q_EMIT resultClicked();
}
