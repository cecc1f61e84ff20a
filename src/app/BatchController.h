#pragma once

#include "download/BatchFields.h"
#include "download/BatchResult.h"
#include "download/Reporter.h"
#include "download/TransferSettings.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class BatchJob;
class FailureList;
class frmMain;

// The main window's download batch: reads the fields and options, runs the
// job, writes the status panel and the progress bar from the job's signals,
// and keeps the last result for the list of what was not saved.
class BatchController final : public QObject, private BatchFields, private Reporter
{
    Q_OBJECT
public:
    explicit BatchController(frmMain &form);
    ~BatchController() override;

    bool isRunning() const;
    // The options are read from the settings now, so a running batch keeps its own.
    void start(const QStringList &urls, const TransferSettings &transfer);
    void cancel();
    // Lists the last batch's failed, untried and skipped URLs, to copy or try again.
    void showResultList();

Q_SIGNALS:
    void finished();
    // "Erneut versuchen" in the result list.
    void retryRequested(const QStringList &urls);

private:
    QString referer() const override;
    QString targetFolder() const override;
    QString defaultTargetFolder() const override;
    QString filePrefix() const override;
    Answer showMessage(const Message &message) override;
    void setBusy(bool busy) override;

    void onFileFinished(const QString &url, FileEnd end);
    void onFinished(const BatchResult &result);

    frmMain &m_form;
    std::unique_ptr<BatchJob> m_job;
    int m_count = 0;
    int m_stopAfterFailures = 0;
    bool m_cancelled = false; // "Abbruch" or the window closing, not a failure
    BatchResult m_last;
    QString m_lastFolder;
    int m_lastStopAfterFailures = 0;
    QStringList m_skipped;
    QStringList m_lastSkipped;
    QPointer<FailureList> m_failureList;
};
