#pragma once

#include "download/BatchResult.h"

#include <QProgressBar>
#include <QTimer>

// The batch's progress beside the status panel while a batch runs: "k von N"
// with the running file's bytes and rate (with several transfers side by side,
// k counts finished files and the bytes are those of all running transfers);
// its result in one line afterwards until the next batch starts. A click on a
// result with failures or skipped files asks for their list.
class BatchProgress final : public QProgressBar
{
    Q_OBJECT
public:
    explicit BatchProgress(QWidget *parent = nullptr);

    // What the bar says now; the screen follows within kRedrawIntervalMs.
    QString text() const override;

    void batchStarted(int count, int parallel);
    void fileStarted(int index);
    // The running file continues a kept part of `bytes`.
    void resuming(qint64 bytes);
    void fileFinished();
    void bytesReceived(qint64 received, qint64 expected, qint64 bytesPerSecond);
    // Shows "17 von 20 gespeichert, 3 fehlgeschlagen" and the like.
    void batchFinished(const BatchResult &result, int count, int stopAfterFailures);

    static constexpr int kRedrawIntervalMs = 50;

Q_SIGNALS:
    void resultClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void initStyleOption(QStyleOptionProgressBar *option) const override;

private:
    void fitTo(const QString &text);
    QString shownText(const QString &text) const;
    void refresh();
    void showNow();
    QString runningText() const;

    int m_index = 0; // the file begun last
    int m_finished = 0;
    int m_count = 0;
    int m_parallel = 1;
    qint64 m_received = 0;
    qint64 m_expected = -1;
    qint64 m_rate = 0;
    qint64 m_resumedAt = 0; // of the file begun last, until more than that has arrived
    QString m_result;       // empty while a batch runs
    bool m_listable = false;
    QTimer m_cooldown;
    bool m_pending = false;
};
