#include "FetchOptions.h"

#include "download/RequestTarget.h"
#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

namespace {
const QString kProgram = QStringLiteral("vornix-fetch");

const QCommandLineOption kList({QStringLiteral("l"), QStringLiteral("list")},
                               QStringLiteral("Ersetzungsliste: \";\" beendet einen Eintrag, "
                                              "\"-\" verbindet die Grenzen eines Zahlenbereichs "
                                              "(Vorgabe: \"%1\").")
                                   .arg(FetchOptions().list),
                               QStringLiteral("LISTE"));
const QCommandLineOption kPlaceholder({QStringLiteral("p"), QStringLiteral("placeholder")},
                                      QStringLiteral("Platzhalter in der Vorlage, den jeder "
                                                     "Eintrag ersetzt (Vorgabe: \"%1\").")
                                          .arg(FetchOptions().placeholder),
                                      QStringLiteral("TEXT"));
const QCommandLineOption kDir({QStringLiteral("d"), QStringLiteral("dir")},
                              QStringLiteral("Zielordner (Vorgabe: der aktuelle Ordner)."),
                              QStringLiteral("ORDNER"));
const QCommandLineOption kPrefix(QStringLiteral("prefix"),
                                 QStringLiteral("Text vor jedem Dateinamen."),
                                 QStringLiteral("TEXT"));
const QCommandLineOption kReferer({QStringLiteral("e"), QStringLiteral("referer")},
                                  QStringLiteral("Referer jeder Anfrage."), QStringLiteral("URL"));
const QCommandLineOption kProxy(QStringLiteral("proxy"),
                                QStringLiteral("Verbindung: \"system\" (Proxy-Einstellungen der "
                                               "Umgebung, Vorgabe), \"direct\" (ohne Proxy) oder "
                                               "ein Proxy als HOST:PORT."),
                                QStringLiteral("ART"));
const QCommandLineOption kDryRun({QStringLiteral("n"), QStringLiteral("dry-run")},
                                 QStringLiteral("Nur die URLs und ihre Zieldateien ausgeben, "
                                                "nichts laden."));
const QCommandLineOption kQuiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                QStringLiteral("Keinen Fortschritt und keine Zusammenfassung "
                                               "ausgeben, nur Fehler."));
const QCommandLineOption kOverwrite(QStringLiteral("overwrite"),
                                    QStringLiteral("Auch laden, wenn mehrere URLs denselben "
                                                   "Dateinamen ergeben (spätere überschreiben "
                                                   "frühere)."));
const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")},
                               QStringLiteral("Diese Hilfe anzeigen und beenden."));
const QCommandLineOption kVersion(QStringLiteral("version"),
                                  QStringLiteral("Die Version anzeigen und beenden."));

// Exit statuses and an example: QCommandLineParser has no place for them.
const QString kHelpEpilog =
    QStringLiteral("\nBeispiel:\n"
                   "  vornix-fetch -l \"1-20\" -d bilder https://example.org/bild§.jpg\n"
                   "\nRückgabewert: 0, wenn jede URL gespeichert wurde; 1, wenn mindestens eine\n"
                   "fehlschlug; 2 bei einem Fehler im Aufruf oder in der Ersetzungsliste;\n"
                   "130 nach Strg+C.\n");

// The usage line names the program as it was started, often by a long path.
QString helpText(const QCommandLineParser &parser, const QString &startedAs)
{
    QString text = parser.helpText();
    const qsizetype at = text.left(text.indexOf(QLatin1Char('\n'))).indexOf(startedAs);
    if (!startedAs.isEmpty() && at >= 0)
        text.replace(at, startedAs.size(), kProgram);
    return text + kHelpEpilog;
}

CommandLine error(const QString &text)
{
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.text = text;
    return result;
}

// "system", "direct" or a proxy name; false for anything else.
bool readProxy(const QString &value, FetchOptions &options)
{
    if (value == QLatin1String("system")) {
        options.access = AccessType::System;
    } else if (value == QLatin1String("direct")) {
        options.access = AccessType::Direct;
    } else if (isProxyHostPort(value)) {
        options.access = AccessType::NamedProxy;
        options.proxy = value;
    } else {
        return false;
    }
    return true;
}
} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QString &currentFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lädt eine nummerierte Reihe von URLs und speichert jede Antwort als\n"
                       "Datei im Zielordner. Vorlage und Ersetzungsliste wirken wie im Fenster\n"
                       "von Vornix-Downloader."));
    parser.addOptions({kList, kPlaceholder, kDir, kPrefix, kReferer, kProxy, kDryRun, kQuiet,
                       kOverwrite, kHelp, kVersion});
    parser.addPositionalArgument(QStringLiteral("VORLAGE"),
                                 QStringLiteral("URL mit dem Platzhalter, z. B. "
                                                "https://example.org/bild§.jpg"),
                                 QStringLiteral("VORLAGE"));
    if (!parser.parse(arguments))
        return error(parser.errorText());

    CommandLine result;
    if (parser.isSet(kHelp)) {
        result.action = CommandLine::Action::Help;
        result.text = helpText(parser, arguments.value(0));
        return result;
    }
    if (parser.isSet(kVersion)) {
        result.action = CommandLine::Action::Version;
        result.text = kProgram + QStringLiteral(" " VORNIX_VERSION_STRING "\n");
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return error(QStringLiteral("Keine URL-Vorlage angegeben."));
    if (positional.size() > 1)
        return error(QStringLiteral("Nur eine URL-Vorlage erwartet, nicht auch \"%1\".")
                         .arg(positional.at(1)));

    FetchOptions &options = result.options;
    options.urlTemplate = positional.first();
    if (parser.isSet(kList))
        options.list = parser.value(kList);
    if (parser.isSet(kPlaceholder))
        options.placeholder = parser.value(kPlaceholder);
    if (options.placeholder.isEmpty())
        return error(QStringLiteral("Der Platzhalter darf nicht leer sein."));
    const QString folder = parser.isSet(kDir) ? parser.value(kDir) : QString();
    if (parser.isSet(kDir) && folder.isEmpty())
        return error(QStringLiteral("Der Zielordner darf nicht leer sein."));
    options.folder = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(folder));
    options.prefix = parser.value(kPrefix);
    options.referer = parser.value(kReferer);
    if (parser.isSet(kProxy) && !readProxy(parser.value(kProxy), options))
        return error(QStringLiteral("--proxy erwartet system, direct oder HOST:PORT, nicht \"%1\".")
                         .arg(parser.value(kProxy)));
    options.dryRun = parser.isSet(kDryRun);
    options.quiet = parser.isSet(kQuiet);
    options.overwrite = parser.isSet(kOverwrite);
    result.action = CommandLine::Action::Fetch;
    return result;
}
