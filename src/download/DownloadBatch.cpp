#include "download/DownloadBatch.h"

#include "ui/MsgBox.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
// True once the transfer has finished one way or the other; false when the
// cancel was acted on instead.
bool waitForTransfer(std::unique_ptr<clsInet> &objInet, const QString &url, BatchView &view)
{
    for (;;) {
        if (objInet->DownloadStatus != 0)
            return true;
        if (view.cancelRequested()) {
            objInet.reset();
            view.cancelActedOn();
            view.setStatusText(QStringLiteral("Abgebrochen - ") + url);
            return false;
        }
        // Sleeps until something happens (network, input, timers) instead of spinning.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void reportWriteFailure(const QString &path, const QString &reason)
{
    MsgBox(QStringLiteral("Die Datei \"%1\" konnte nicht gespeichert werden.\r\nGrund: %2\r\n"
                          "Der Download wurde beendet.")
               .arg(path, reason));
}

// A folder that is no full path is refused. The offered default folder is
// made when it is missing; a folder the user typed never is, since a typing
// mistake would otherwise scatter files into a new tree.
bool prepareFolder(const QString &folder, const BatchView &view)
{
    if (!IsUsableTargetFolder(folder)) {
        MsgBox(QStringLiteral("Bitte geben Sie als Speicherort einen vollständigen Ordner an "
                              "(zum Beispiel /home/name/Downloads)."));
        return false;
    }
    if (QDir::cleanPath(folder) == QDir::cleanPath(view.defaultTargetFolder()) &&
        !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return true;
}
} // namespace

DownloadBatch::Outcome DownloadBatch::run(std::unique_ptr<clsInet> &objInet,
                                          const QStringList &urls, BatchView &view)
{
    if (!prepareFolder(view.targetFolder(), view))
        return Outcome::FolderRefused;
    for (const QString &url : urls) {
        view.setStatusText(QStringLiteral("Download: ") + url);
        objInet->RequestFile(url, view.referer());
        // Its box is shown; asking again would only show the next one.
        if (objInet->RequestRefused)
            return Outcome::RequestRefused;
        if (!waitForTransfer(objInet, url, view))
            return Outcome::Cancelled;

        // A failed transfer has already been reported; its partial body is no file.
        if (objInet->DownloadStatus != 1)
            continue;

        const QString folder = view.targetFolder();
        if (!prepareFolder(folder, view))
            return Outcome::FolderRefused;
        const QString fileName = TargetFileName(view.filePrefix(), objInet->InetDocument());
        const QString path = TargetFolderPart(folder) + fileName;
        if (!IsUsableFileName(fileName)) {
            reportWriteFailure(path, QStringLiteral("Der Dateiname ist leer oder bezeichnet einen "
                                                    "Ordner."));
            return Outcome::WriteFailed;
        }
        QString reason;
        if (!WriteFileReplacing(path, objInet->DataBinary(), &reason)) {
            reportWriteFailure(path, reason);
            return Outcome::WriteFailed;
        }
    }
    return Outcome::Completed;
}
