#pragma once

#include "FetchOptions.h"
#include "download/BatchResult.h"
#include "download/Reporter.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// A batch's front end on stderr, fed by the job's signals. On a terminal one
// progress line is redrawn in place; otherwise each saved or skipped file and
// each wait before another try gets a line of its own.
// Every message the window would show in a box becomes one line, and a
// question gets its safe answer, since nobody is there to give another.
class ConsoleBatchView final : public QObject, public Reporter
{
    Q_OBJECT
public:
    ConsoleBatchView(const FetchOptions &options, int urlCount, bool terminal,
                     QObject *parent = nullptr);

    Answer showMessage(const Message &message) override;
    void setBusy(bool) override {}

public Q_SLOTS:
    void fileStarted(int index, const QString &url);
    void resuming(int index, const QString &url, qint64 bytes);
    void requestStarted(int index, const QString &url);
    // All running transfers together; -1 while a size is unknown.
    void bytesReceived(qint64 received, qint64 expected, qint64 bytesPerSecond);
    void retryWaiting(int index, const QString &url, qint64 ms, int attempt, int attempts);
    void fileFinished(int index, const QString &url, FileEnd end, const QString &path);
    void finished(const BatchResult &result);

private:
    // A file taken up and not done with yet.
    struct Running
    {
        int index = 0;
        QString url;
        QString wait;           // the wait before another try, while there is one
        bool requested = false; // a request has gone out for it
    };

    Running *running(int index);
    void printMessage(const QString &url);
    void printFileLine(int index, const QString &what);
    void drawProgress();
    void drawProgressNow();
    QString progressLine() const;
    QString runningNames() const;
    void clearProgress();

    const FetchOptions &m_options;
    const int m_urlCount;
    const bool m_terminal;
    const bool m_side;                // several transfers side by side
    QList<Running> m_running;         // in the order taken up
    int m_index = 0;                  // the file taken up last, from 1
    int m_done = 0;                   // files saved, skipped or failed
    std::optional<QString> m_message; // a message waiting for the URL it is about
    qint64 m_savedBytes = 0;
    qint64 m_received = 0; // of the running bodies
    qint64 m_expected = -1;
    int m_drawnWidth = 0; // columns of the progress line on screen
    QElapsedTimer m_clock;
    QElapsedTimer m_lastDraw;
    QTimer m_tick; // keeps time and rate moving during a long transfer
};
