#include "download/BatchMessages.h"

#include <QLocale>

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

Message cookieFileMessage(const QString &path, const QString &reason)
{
    return {QStringLiteral("Die Cookie-Datei \"%1\" kann nicht gelesen werden (%2). Es wurde "
                           "nichts geladen.")
                .arg(path, reason),
            QString(), Message::Icon::Exclamation};
}

Message nameCollisionQuestion(int count, const QString &fileName)
{
    return {QStringLiteral("Achtung: %1 URLs ergeben denselben Dateinamen \"%2\". "
                           "Spätere Downloads überschreiben frühere. Trotzdem fortsetzen?")
                .arg(count)
                .arg(fileName),
            QString(), Message::Icon::Exclamation, Message::Buttons::YesNo};
}

Message missingPlaceholderQuestion(int count, const QString &placeholder)
{
    return {QStringLiteral("Die URL enthält den Platzhalter \"%1\" nicht, daher sind alle %2 URLs "
                           "gleich. Trotzdem fortsetzen?")
                .arg(placeholder)
                .arg(count),
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

namespace {
QString stoppedAfterFailures(int count)
{
    return count == 1 ? QStringLiteral("beendet nach dem ersten Fehlschlag")
                      : QStringLiteral("beendet nach %1 Fehlschlägen in Folge").arg(count);
}
} // namespace

QString batchSummary(const BatchResult &result, int urlCount, int stopAfterFailures)
{
    QString text = QStringLiteral("%1 von %2 gespeichert").arg(result.saved).arg(urlCount);
    if (!result.failures.isEmpty())
        text += QStringLiteral(", %1 fehlgeschlagen").arg(result.failures.size());
    if (result.skipped > 0)
        text += QStringLiteral(", %1 übersprungen").arg(result.skipped);
    if (!result.untried.isEmpty())
        text += QStringLiteral(", %1 nicht versucht").arg(result.untried.size());
    if (!result.kept.isEmpty())
        text += QStringLiteral(", %1 unvollständig (fortsetzbar)").arg(result.kept.size());
    if (result.outcome == BatchResult::Outcome::Cancelled)
        text += QStringLiteral(", abgebrochen");
    else if (result.outcome == BatchResult::Outcome::TooManyFailures)
        text += QStringLiteral(", ") + stoppedAfterFailures(stopAfterFailures);
    return text;
}

QString untriedReason(BatchResult::Outcome outcome, int stopAfterFailures)
{
    QString why;
    switch (outcome) {
    case BatchResult::Outcome::Completed:
        return QString();
    case BatchResult::Outcome::Cancelled:
        why = QStringLiteral("der Download wurde abgebrochen");
        break;
    case BatchResult::Outcome::WriteFailed:
        why = QStringLiteral("der Download wurde nach einem Schreibfehler beendet");
        break;
    case BatchResult::Outcome::RequestRefused:
        why = QStringLiteral("die Anfrage wurde schon vor dem Senden abgewiesen");
        break;
    case BatchResult::Outcome::FolderRefused:
        why = QStringLiteral("der Speicherort ist kein vollständiger Ordner");
        break;
    case BatchResult::Outcome::TooManyFailures:
        why = stoppedAfterFailures(stopAfterFailures);
        break;
    }
    return QStringLiteral("nicht versucht: ") + why;
}

QString keptReason(qint64 bytes)
{
    return QStringLiteral("unvollständig, %1 behalten (fortsetzbar)").arg(sizeText(bytes));
}

QString resumeText(qint64 bytes)
{
    return QStringLiteral("Fortsetzen bei ") + sizeText(bytes);
}

QString sizeText(qint64 bytes)
{
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    double value = static_cast<double>(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QLocale(QLocale::German).toString(value, 'f', 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}
