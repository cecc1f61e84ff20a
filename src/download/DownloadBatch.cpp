#include "download/DownloadBatch.h"

#include "app/MsgBox.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QCoreApplication>

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
} // namespace

DownloadBatch::Outcome DownloadBatch::run(std::unique_ptr<clsInet> &objInet,
                                          const QStringList &urls, BatchView &view)
{
    for (const QString &url : urls) {
        view.setStatusText(QStringLiteral("Download: ") + url);
        objInet->RequestFile(url, view.referer());
        if (!waitForTransfer(objInet, url, view))
            return Outcome::Cancelled;

        // A failed transfer has already been reported; its partial body is no file.
        if (objInet->DownloadStatus != 1)
            continue;

        const QString fileName = TargetFileName(view.filePrefix(), objInet->InetDocument());
        const QString path = TargetFolderPart(view.targetFolder()) + fileName;
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
