#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a flag the event loop sees: the handler only
// writes the signal's number into a pipe, and a socket notifier reads it
// there, outside the handler. A second signal of the same kind ends the
// process the usual way.
class StopSignals final : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    bool installed() const { return m_notifier != nullptr; }
    // The first signal received, 0 while there was none. Also sees a signal
    // whose notification the event loop has not delivered yet.
    int received();

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_signal = 0;
};
