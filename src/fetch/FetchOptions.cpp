#include "FetchOptions.h"

#include "download/RequestHeaders.h"
#include "download/RequestTarget.h"
#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <utility>

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
const QCommandLineOption kCreateDirs(QStringLiteral("create-dirs"),
                                     QStringLiteral("Einen fehlenden Zielordner samt "
                                                    "übergeordneten Ordnern anlegen."));
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
const QCommandLineOption
    kRetries(QStringLiteral("retries"),
             QStringLiteral("Weitere Versuche nach einem Fehler, der vorübergehen "
                            "kann (Zeitüberschreitung, Verbindung verloren, "
                            "HTTP 408, 429, 500, 502, 503, 504), mit wachsender "
                            "Wartezeit ab 1 s; 0 bis %1 (Vorgabe: 0).")
                 .arg(BatchOptions::kMaxRetries),
             QStringLiteral("N"));
const QCommandLineOption kPause(QStringLiteral("pause"),
                                QStringLiteral("Pause zwischen zwei Anfragen in Millisekunden, "
                                               "0 bis %1 (Vorgabe: 0).")
                                    .arg(BatchOptions::kMaxPauseMs),
                                QStringLiteral("MS"));
const QCommandLineOption kPauseJitter(QStringLiteral("pause-jitter"),
                                      QStringLiteral("Zur Pause kommt zufällig bis zu so viel "
                                                     "hinzu, in Millisekunden, 0 bis %1 "
                                                     "(Vorgabe: 0).")
                                          .arg(BatchOptions::kMaxPauseMs),
                                      QStringLiteral("MS"));
const QCommandLineOption kSkipExisting(QStringLiteral("skip-existing"),
                                       QStringLiteral("URLs, deren Datei schon existiert, nicht "
                                                      "laden."));
const QCommandLineOption kPad(QStringLiteral("pad"),
                              QStringLiteral("Zahlenbereiche auf die Breite ihrer unteren Grenze "
                                             "auffüllen (001-120 ergibt 001 bis 120)."));
const QCommandLineOption kNoContinue(QStringLiteral("no-continue"),
                                     QStringLiteral("Abgebrochene Downloads nicht fortsetzen: "
                                                    "behaltene Teile entfernen und keine neuen "
                                                    "behalten."));
const QCommandLineOption kUserAgent({QStringLiteral("A"), QStringLiteral("user-agent")},
                                    QStringLiteral("Benutzerkennung (User-Agent) jeder Anfrage "
                                                   "(Vorgabe: Vornix-Downloader/<Version>)."),
                                    QStringLiteral("TEXT"));
const QCommandLineOption kHeader({QStringLiteral("H"), QStringLiteral("header")},
                                 QStringLiteral("Weitere Kopfzeile \"Name: Wert\" jeder Anfrage; "
                                                "mehrfach möglich."),
                                 QStringLiteral("KOPFZEILE"));
const QCommandLineOption kCookieFile({QStringLiteral("b"), QStringLiteral("cookie-file")},
                                     QStringLiteral("Cookies aus dieser Datei im Netscape-Format "
                                                    "(cookies.txt) senden; sie wird nur gelesen."),
                                     QStringLiteral("DATEI"));
const QCommandLineOption kLimitRate(QStringLiteral("limit-rate"),
                                    QStringLiteral("Höchstens so viele Bytes je Sekunde für alle "
                                                   "Downloads zusammen; K, M und G wie bei curl "
                                                   "(Vorgabe: unbegrenzt)."),
                                    QStringLiteral("RATE"));
const QCommandLineOption kTimeout(QStringLiteral("timeout"),
                                  QStringLiteral("Abbruch, wenn so viele Sekunden keine Daten "
                                                 "kommen, 0 bis 600; 0: nie (Vorgabe: 60)."),
                                  QStringLiteral("S"));
const QCommandLineOption kCaCert(QStringLiteral("cacert"),
                                 QStringLiteral("Diesen Zertifikaten (PEM) statt denen des "
                                                "Systems vertrauen; geprüft wird immer."),
                                 QStringLiteral("DATEI"));
const QCommandLineOption kMaxFileSize(QStringLiteral("max-filesize"),
                                      QStringLiteral("Eine Datei, die größer ist, schlägt fehl; "
                                                     "K, M und G wie bei curl (Vorgabe: "
                                                     "unbegrenzt)."),
                                      QStringLiteral("GRÖSSE"));
const QCommandLineOption kStopAfter(QStringLiteral("stop-after"),
                                    QStringLiteral("Nach N Fehlschlägen in Folge aufhören "
                                                   "(Vorgabe: 0, nie)."),
                                    QStringLiteral("N"));
const QCommandLineOption kParallel({QStringLiteral("j"), QStringLiteral("parallel")},
                                   QStringLiteral("So viele Dateien gleichzeitig laden, 1 bis %1 "
                                                  "(Vorgabe: 1).")
                                       .arg(BatchOptions::kMaxParallel),
                                   QStringLiteral("N"));
const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")},
                               QStringLiteral("Diese Hilfe anzeigen und beenden."));
const QCommandLineOption kVersion(QStringLiteral("version"),
                                  QStringLiteral("Die Version anzeigen und beenden."));

// Exit statuses and an example: QCommandLineParser has no place for them.
const QString kHelpEpilog =
    QStringLiteral("\nBeispiel:\n"
                   "  vornix-fetch -l \"1-20\" -d bilder https://example.org/bild§.jpg\n"
                   "\nRückgabewert: 0, wenn jede URL gespeichert (oder mit --skip-existing\n"
                   "übersprungen) wurde; 1, wenn mindestens eine fehlschlug oder unvollständig\n"
                   "behalten wurde, --stop-after den Lauf beendete oder die Ausgabe nicht\n"
                   "geschrieben werden konnte; 2 bei einem Fehler im Aufruf, in der\n"
                   "Ersetzungsliste oder beim Zielordner; 130 nach Strg+C, 143 nach SIGTERM,\n"
                   "129 nach SIGHUP.\n");

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
bool readProxy(const QString &value, TransferSettings &transfer)
{
    if (value == QLatin1String("system")) {
        transfer.accessType = AccessType::System;
    } else if (value == QLatin1String("direct")) {
        transfer.accessType = AccessType::Direct;
    } else if (isProxyHostPort(value)) {
        transfer.accessType = AccessType::NamedProxy;
        transfer.proxy = value;
    } else {
        return false;
    }
    return true;
}

// Reads the option's whole number into `number` when it is given; false,
// with the one-line error, when it is no number of min..max.
bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, int min,
                int max, int &number, QString *error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const QString text = parser.value(option);
    const int value = text.toInt(&ok);
    if (ok && value >= min && value <= max) {
        number = value;
        return true;
    }
    const QString range = max == INT_MAX ? QStringLiteral("ab %1").arg(min)
                                         : QStringLiteral("von %1 bis %2").arg(min).arg(max);
    // The long name: the one a reader of the help finds.
    *error = QStringLiteral("--%1 erwartet eine ganze Zahl %2, nicht \"%3\".")
                 .arg(option.names().constLast(), range, text);
    return false;
}
// "100", "512K", "2M", "1G" (binary, as curl reads them) into bytes.
bool readSize(const QString &text, qint64 *bytes)
{
    static const QString units = QStringLiteral("KMG");
    QString digits = text.trimmed();
    int shift = 0;
    if (!digits.isEmpty()) {
        if (const qsizetype unit = units.indexOf(digits.back().toUpper()); unit >= 0) {
            shift = 10 * static_cast<int>(unit + 1);
            digits.chop(1);
        }
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || value < 0 || value > (LLONG_MAX >> shift))
        return false;
    *bytes = value << shift;
    return true;
}

// A file named on the command line, as the child of the working folder it was named in.
QString absolute(const QString &path, const QString &currentFolder)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
}

// Ten minutes without a byte is no live transfer any more.
constexpr int kMaxTimeoutSeconds = 600;
} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QString &currentFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lädt eine nummerierte Reihe von URLs und speichert jede Antwort als\n"
                       "Datei im Zielordner. Vorlage und Ersetzungsliste wirken wie im Fenster\n"
                       "von Vornix-Downloader."));
    parser.addOptions({kList,        kPlaceholder,  kDir,        kCreateDirs, kPrefix,  kReferer,
                       kProxy,       kDryRun,       kQuiet,      kOverwrite,  kRetries, kPause,
                       kPauseJitter, kSkipExisting, kStopAfter,  kParallel,   kPad,     kNoContinue,
                       kUserAgent,   kHeader,       kCookieFile, kLimitRate,  kTimeout, kCaCert,
                       kMaxFileSize, kHelp,         kVersion});
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
    const QString folder = parser.isSet(kDir) ? parser.value(kDir) : QStringLiteral(".");
    if (folder.isEmpty())
        return error(QStringLiteral("Der Zielordner darf nicht leer sein."));
    // Without a working folder a relative one would resolve against "/".
    if (QDir::isRelativePath(folder) &&
        (currentFolder.isEmpty() || !QFileInfo(currentFolder).isDir()))
        return error(QStringLiteral("Der aktuelle Ordner existiert nicht mehr; bitte den "
                                    "Zielordner mit -d als vollständigen Pfad angeben."));
    options.folder = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(folder));
    options.createDirs = parser.isSet(kCreateDirs);
    options.prefix = parser.value(kPrefix);
    options.referer = parser.value(kReferer);
    BatchOptions &batch = options.batch;
    if (parser.isSet(kProxy) && !readProxy(parser.value(kProxy), batch.transfer))
        return error(QStringLiteral("--proxy erwartet system, direct oder HOST:PORT, nicht \"%1\".")
                         .arg(parser.value(kProxy)));
    options.dryRun = parser.isSet(kDryRun);
    options.quiet = parser.isSet(kQuiet);
    options.overwrite = parser.isSet(kOverwrite);
    const struct
    {
        const QCommandLineOption &option;
        int min, max;
        int &number;
    } numbers[] = {{kRetries, 0, BatchOptions::kMaxRetries, batch.retries},
                   {kPause, 0, BatchOptions::kMaxPauseMs, batch.pauseMs},
                   {kPauseJitter, 0, BatchOptions::kMaxPauseMs, batch.pauseJitterMs},
                   {kStopAfter, 0, INT_MAX, batch.stopAfterFailures},
                   {kParallel, 1, BatchOptions::kMaxParallel, batch.parallel}};
    QString problem;
    for (const auto &number : numbers) {
        if (!readNumber(parser, number.option, number.min, number.max, number.number, &problem))
            return error(problem);
    }
    TransferSettings &transfer = batch.transfer;
    int timeoutSeconds = TransferSettings::kDefaultIdleTimeoutMs / 1000;
    if (!readNumber(parser, kTimeout, 0, kMaxTimeoutSeconds, timeoutSeconds, &problem))
        return error(problem);
    transfer.idleTimeoutMs = timeoutSeconds * 1000;
    for (const auto &[option, bytes] : {std::pair{&kLimitRate, &transfer.maxBytesPerSecond},
                                        std::pair{&kMaxFileSize, &transfer.maxFileSize}}) {
        if (parser.isSet(*option) && !readSize(parser.value(*option), bytes))
            return error(QStringLiteral("--%1 erwartet eine Zahl von Bytes, auch mit K, M oder G, "
                                        "nicht \"%2\".")
                             .arg(option->names().constLast(), parser.value(*option)));
    }
    transfer.userAgent = parser.value(kUserAgent);
    // Either goes into a header line, where a line break would start a header of its own.
    for (const QCommandLineOption *option : {&kUserAgent, &kReferer}) {
        const QString value = parser.value(*option);
        if (std::any_of(value.begin(), value.end(),
                        [](QChar c) { return c == u'\r' || c == u'\n' || c.isNull(); }))
            return error(QStringLiteral("-%1 darf keinen Zeilenumbruch und kein Nullzeichen "
                                        "enthalten.")
                             .arg(option->names().constFirst()));
    }
    transfer.headers = RequestHeaders::parse(parser.values(kHeader), &problem);
    if (!problem.isEmpty())
        return error(problem);
    transfer.cookieFile = absolute(parser.value(kCookieFile), currentFolder);
    transfer.caFile = absolute(parser.value(kCaCert), currentFolder);
    batch.skipExisting = parser.isSet(kSkipExisting);
    options.padRanges = parser.isSet(kPad);
    // Like aria2, a cut body is kept and continued unless asked otherwise.
    batch.resume =
        parser.isSet(kNoContinue) ? BatchOptions::Resume::Discard : BatchOptions::Resume::On;
    result.action = CommandLine::Action::Fetch;
    return result;
}
