#include "download/DownloadBatch.h"

#include "download/BatchMessages.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
// True once the transfer has finished one way or the other; false when the
// cancel was acted on instead.
bool waitForTransfer(const clsInet &objInet, const QString &url, BatchView &view)
{
    for (;;) {
        if (objInet.DownloadStatus != TransferStatus::Outstanding)
            return true;
        if (view.cancelRequested()) {
            view.cancelActedOn();
            view.setStatusText(QStringLiteral("Abgebrochen - ") + url);
            return false;
        }
        // Sleeps until something happens (network, input, timers) instead of spinning.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

BatchFailure reported(BatchView &view, const QString &url, const Message &message,
                      const QString &description)
{
    view.showMessage(message);
    return {url, 0, description, message.text};
}

// A folder that is no full path is refused. The offered default folder is
// made when it is missing; a folder the user typed never is, since a typing
// mistake would otherwise scatter files into a new tree.
bool prepareFolder(const QString &folder, const BatchView &view)
{
    if (!IsUsableTargetFolder(folder))
        return false;
    if (QDir::cleanPath(folder) == QDir::cleanPath(view.defaultTargetFolder()) &&
        !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return true;
}

// Writes the finished body, or reports why it could not be kept while it
// arrived. Anything but Completed ends the batch.
DownloadBatch::Outcome writeBody(clsInet &objInet, const QString &url, BatchView &view,
                                 QList<BatchFailure> &failures)
{
    const QString folder = view.targetFolder();
    if (!prepareFolder(folder, view)) {
        failures.append(reported(view, url, folderRefusedMessage(), QString()));
        return DownloadBatch::Outcome::FolderRefused;
    }
    const QString fileName = TargetFileName(view.filePrefix(), objInet.InetDocument());
    const QString path = TargetFolderPart(folder) + fileName;
    QString reason;
    if (objInet.Failure())
        reason = objInet.Failure()->description;
    else if (!IsUsableFileName(fileName))
        reason = QStringLiteral("Der Dateiname ist leer oder bezeichnet einen Ordner.");
    else if (objInet.SaveBody(path, &reason))
        return DownloadBatch::Outcome::Completed;
    failures.append(reported(view, url, writeFailureMessage(path, reason), reason));
    return DownloadBatch::Outcome::WriteFailed;
}
} // namespace

DownloadBatch::Result DownloadBatch::run(clsInet &objInet, const QStringList &urls, BatchView &view)
{
    Result result;
    if (!prepareFolder(view.targetFolder(), view)) {
        reported(view, QString(), folderRefusedMessage(), QString());
        result.outcome = Outcome::FolderRefused;
        return result;
    }
    for (const QString &url : urls) {
        view.setStatusText(QStringLiteral("Download: ") + url);
        // A large body is written into the target folder while it arrives.
        const QString folder = view.targetFolder();
        objInet.SpillFolder = IsUsableTargetFolder(folder) ? folder : QString();
        objInet.RequestFile(url, view.referer());
        const bool refused = objInet.RequestRefused;
        if (!refused && !waitForTransfer(objInet, url, view)) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
        const auto &failure = objInet.Failure();
        if (failure && !failure->bodyNotStored) {
            result.failures.append(
                {url, failure->number, failure->description, failure->shownText});
            // Its message is shown; asking again would only show the next one.
            if (refused) {
                result.outcome = Outcome::RequestRefused;
                return result;
            }
            continue;
        }
        result.outcome = writeBody(objInet, url, view, result.failures);
        if (result.outcome != Outcome::Completed)
            return result;
        ++result.saved;
    }
    return result;
}
