#include "app/StatusPanel.h"

#include <QPainter>
#include <QStyle>

StatusPanel::StatusPanel(const QString &text, QWidget *parent) : QLabel(text, parent), m_text(text)
{
    setTextFormat(Qt::PlainText);
    // Its width follows the bar, not the text, so a new text needs no layout pass.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_cooldown.setSingleShot(true);
    m_cooldown.setInterval(kRedrawIntervalMs);
    connect(&m_cooldown, &QTimer::timeout, this, &StatusPanel::showPending);
}

void StatusPanel::setPanelText(const QString &text)
{
    m_text = text;
    if (m_cooldown.isActive()) {
        m_pending = true;
        return;
    }
    setText(text);
    m_cooldown.start();
}

void StatusPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}

void StatusPanel::showPending()
{
    if (!m_pending)
        return;
    m_pending = false;
    setText(m_text);
    m_cooldown.start();
}
