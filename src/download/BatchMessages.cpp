#include "download/BatchMessages.h"

Message writeFailureMessage(const QString &path, const QString &reason)
{
    return {QStringLiteral("Die Datei \"%1\" konnte nicht gespeichert werden.\r\nGrund: %2\r\n"
                           "Der Download wurde beendet.")
                .arg(path, reason),
            QString()};
}

Message folderRefusedMessage()
{
    return {QStringLiteral("Bitte geben Sie als Speicherort einen vollständigen Ordner an "
                           "(zum Beispiel /home/name/Downloads)."),
            QString()};
}

Message nameCollisionQuestion(int count, const QString &fileName)
{
    return {QStringLiteral("Achtung: %1 URLs ergeben denselben Dateinamen \"%2\". "
                           "Spätere Downloads überschreiben frühere. Trotzdem fortsetzen?")
                .arg(count)
                .arg(fileName),
            QString(), Message::Icon::Exclamation, Message::Buttons::YesNo};
}

QString retryWaitText(qint64 seconds, int attempt, int attempts, const QString &url)
{
    return QStringLiteral("Warte %1 s vor Versuch %2 von %3: ")
               .arg(seconds)
               .arg(attempt)
               .arg(attempts) +
           url;
}

QString batchSummary(const BatchResult &result, int urlCount, int stopAfterFailures)
{
    QString text = QStringLiteral("%1 von %2 gespeichert").arg(result.saved).arg(urlCount);
    if (!result.failures.isEmpty())
        text += QStringLiteral(", %1 fehlgeschlagen").arg(result.failures.size());
    if (result.skipped > 0)
        text += QStringLiteral(", %1 übersprungen").arg(result.skipped);
    if (result.outcome == BatchResult::Outcome::Cancelled)
        text += QStringLiteral(", abgebrochen");
    else if (result.outcome == BatchResult::Outcome::TooManyFailures)
        text +=
            stopAfterFailures == 1
                ? QStringLiteral(", beendet nach dem ersten Fehlschlag")
                : QStringLiteral(", beendet nach %1 Fehlschlägen in Folge").arg(stopAfterFailures);
    return text;
}
