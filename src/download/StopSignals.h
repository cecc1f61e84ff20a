#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed, a logout) into a Qt
// signal: the handler only writes the signal's number into a pipe, and a
// socket notifier reads it there, outside the handler. A second signal of the
// same kind ends the process the usual way. A signal ignored at start (nohup)
// stays ignored.
class StopSignals final : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    bool installed() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // The first of them, once the event loop has seen it.
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_handled;
    bool m_told = false;
};
