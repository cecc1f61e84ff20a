#pragma once

#include "download/BatchOptions.h"
#include "download/Reporter.h"

#include <QList>
#include <QString>
#include <QStringList>

class clsInet;

// How the batch was done with one URL of its list.
enum class FileEnd { Saved, Skipped, Failed, Cancelled };

// What the batch reads from and writes to its front end, at the moments it
// does: the referer just before each request, folder and prefix just after
// each transfer, the cancel request at every poll. Messages and the busy
// state go through the Reporter part.
class BatchView : public Reporter
{
public:
    virtual QString referer() const = 0;
    virtual QString targetFolder() const = 0;
    // The folder offered when the user has chosen none; it may not exist yet.
    virtual QString defaultTargetFolder() const = 0;
    virtual QString filePrefix() const = 0;
    virtual void setStatusText(const QString &text) = 0;
    virtual bool cancelRequested() const = 0;
    // The poll has acted on the cancel request.
    virtual void cancelActedOn() = 0;
    // For a display of the whole list: URL `index` (from 1) of `count`.
    virtual void fileStarted(int /*index*/, int /*count*/, const QString & /*url*/) {}
    virtual void fileFinished(int /*index*/, int /*count*/, const QString & /*url*/, FileEnd) {}
};

// A URL whose file was not written, and why, as the person was told.
struct BatchFailure
{
    QString url;
    qint32 number = 0; // 0 for the batch's own write steps
    QString description;
    QString shownText;
};

// Fetches every URL of a list in order through one transfer wrapper and
// writes each body as one file, waiting with the event loop running so the
// front end stays usable.
class DownloadBatch final
{
public:
    enum class Outcome {
        Completed,
        Cancelled,
        WriteFailed,
        RequestRefused, // the transfer refused a request before any traffic
        FolderRefused,  // the target folder is empty or not a full path
        TooManyFailures // BatchOptions::stopAfterFailures in a row
    };

    struct Result
    {
        Outcome outcome = Outcome::Completed;
        int saved = 0;
        int skipped = 0; // their files existed already
        QList<BatchFailure> failures;
    };

    // The caller owns objInet (its access type set) and releases it when the
    // batch returns; after a cancel nothing more is asked of it.
    static Result run(clsInet &objInet, const QStringList &urls, BatchView &view,
                      const BatchOptions &options = BatchOptions());
};
