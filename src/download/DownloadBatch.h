#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class clsInet;

// What the batch reads from and writes to the window, at the moments it does:
// the referer just before each request, folder and prefix just after each
// transfer, the cancel request at every poll.
class BatchView
{
public:
    virtual ~BatchView() = default;
    virtual QString referer() const = 0;
    virtual QString targetFolder() const = 0;
    // The folder offered when the user has chosen none; it may not exist yet.
    virtual QString defaultTargetFolder() const = 0;
    virtual QString filePrefix() const = 0;
    virtual void setStatusText(const QString &text) = 0;
    virtual bool cancelRequested() const = 0;
    // The poll has acted on the cancel request.
    virtual void cancelActedOn() = 0;
};

// Fetches every URL of a list in order through one transfer wrapper and
// writes each body as one file, waiting with the event loop running so the
// window stays usable.
class DownloadBatch
{
public:
    enum class Outcome {
        Completed,
        Cancelled,
        WriteFailed,
        RequestRefused, // the transfer refused a request before any traffic
        FolderRefused   // the target folder is empty or not a full path
    };

    // objInet is created by the caller (with its access type set) and is
    // released here when a cancel is acted on.
    static Outcome run(std::unique_ptr<clsInet> &objInet, const QStringList &urls, BatchView &view);
};
