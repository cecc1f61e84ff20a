#pragma once

#include "download/BatchResult.h"

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTreeWidget;

// The URLs of the last batch that were not saved, each with its reason. The
// window stays usable beside it; "Erneut versuchen" asks for a batch of the
// failed and untried ones.
class FailureList final : public QDialog
{
    Q_OBJECT
public:
    // `folder` is where the batch saved; `stopAfterFailures` words a stop after failures.
    FailureList(const BatchResult &result, const QStringList &skipped, int stopAfterFailures,
                const QString &folder, QWidget *parent = nullptr);
    ~FailureList() override;

    QTreeWidget *lstDateien = nullptr;
    QPushButton *cmdKopieren = nullptr;
    QPushButton *cmdErneut = nullptr;
    QPushButton *cmdZielordner = nullptr;
    QPushButton *cmdVerwerfen = nullptr; // removes the kept parts
    QPushButton *cmdSchliessen = nullptr;

Q_SIGNALS:
    void retryRequested(const QStringList &urls);

private:
    QStringList m_urls;
    QStringList m_retry;
    QStringList m_keptPaths;
    int m_firstKeptRow = 0, m_keptRows = 0;
};
