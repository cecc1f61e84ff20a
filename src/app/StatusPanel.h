#pragma once

#include <QLabel>
#include <QTimer>

// The status bar's one panel. A download batch writes a new text for every
// URL, hundreds a second for small files; drawing each of them was most of a
// small file's cost. The panel's text changes at once, the screen shows the
// newest text at most every few frames, which no one can tell apart.
class StatusPanel : public QLabel
{
    Q_OBJECT
public:
    explicit StatusPanel(const QString &text, QWidget *parent = nullptr);

    QString panelText() const { return m_text; }
    void setPanelText(const QString &text);

    static constexpr int kRedrawIntervalMs = 50;

protected:
    // A text wider than the panel ends in "…": a URL cut off silently looks complete.
    void paintEvent(QPaintEvent *event) override;

private:
    void showPending();

    QString m_text;
    QTimer m_cooldown;
    bool m_pending = false;
};
