#pragma once

#include "FetchOptions.h"
#include "download/DownloadBatch.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <cstdio>

class StopSignals;

// A message text of several lines ("\r\n") as one line, for a terminal or a log.
QString oneLine(const QString &text);
// Writes one line to stderr.
void printErrorLine(const QString &text);

// The batch's front end on stderr. On a terminal one progress line is
// redrawn in place; otherwise each saved or skipped file and each wait before
// another try gets a line of its own.
// Every message the window would show in a box becomes one line.
class ConsoleBatchView final : public BatchView
{
public:
    ConsoleBatchView(const FetchOptions &options, int urlCount, StopSignals &stop, bool terminal);

    QString referer() const override { return m_options.referer; }
    QString targetFolder() const override { return m_options.folder; }
    // None is offered: a missing folder is refused before the first request.
    QString defaultTargetFolder() const override { return QString(); }
    QString filePrefix() const override { return m_options.prefix; }
    void setStatusText(const QString &text) override;
    bool cancelRequested() const override;
    void cancelActedOn() override {}
    Answer showMessage(const Message &message) override;
    void setBusy(bool) override {}
    void fileStarted(int index, int count, const QString &url) override;
    void fileFinished(int index, int count, const QString &url, FileEnd end) override;

    // Bytes of the current body so far and its announced size (-1: unknown).
    void transferProgress(qint64 received, qint64 expected);
    // Reports the last file and the summary once the batch has returned.
    void finish(const DownloadBatch::Result &result);

private:
    void printFileLine(const QString &what);
    void drawProgress();
    QString progressLine() const;
    void clearProgress();

    const FetchOptions &m_options;
    StopSignals &m_stop;
    const int m_urlCount;
    const bool m_terminal;
    QString m_url;   // the URL being fetched, empty between files
    int m_index = 0; // 1-based number of that URL
    QString m_wait;  // why nothing moves: the wait before another try
    qint64 m_savedBytes = 0;
    qint64 m_received = 0; // of the current body
    qint64 m_expected = -1;
    int m_drawnWidth = 0; // characters of the progress line on screen
    QElapsedTimer m_clock;
    QElapsedTimer m_lastDraw;
    QTimer m_tick; // keeps time and rate moving during a long transfer
};
