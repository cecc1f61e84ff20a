#include "FetchCommand.h"

#include "ConsoleBatchView.h"
#include "ConsoleOutput.h"
#include "download/BatchFields.h"
#include "download/BatchJob.h"
#include "download/NameCollisions.h"
#include "download/RequestTarget.h"
#include "download/StopSignals.h"
#include "download/TargetFile.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace {
int usageError(const QString &text)
{
    printErrorLine(QStringLiteral("vornix-fetch: ") + oneLine(text));
    return kExitUsage;
}

// The same parser, limits and replacement as the window's preview.
std::optional<QStringList> buildUrls(const FetchOptions &options, QString *error)
{
    clsParser parser;
    parser.setInputText(options.list);
    parser.setPadRanges(options.padRanges);
    try {
        const QStringList items = parser.TextList();
        // A run that fetches nothing would end as a success; a script must hear of it.
        if (items.isEmpty()) {
            *error = QStringLiteral("Die Ersetzungsliste \"%1\" ergibt keine URL (ein Bereich "
                                    "wie 10-1 zählt nicht abwärts).")
                         .arg(options.list);
            return std::nullopt;
        }
        CheckUrlPreviewSize(options.urlTemplate, options.placeholder, items);
        QStringList urls;
        urls.reserve(items.size());
        for (const QString &item : items)
            urls << BuildUrl(options.urlTemplate, options.placeholder, item);
        return urls;
    } catch (const ParserError &parserError) {
        *error = parserError.userMessage();
        return std::nullopt;
    }
}

// Empty when the folder is there (or, with --create-dirs, may be made) and
// is a folder, otherwise why not.
QString folderProblem(const FetchOptions &options)
{
    const QFileInfo info(options.folder);
    if (!info.exists())
        return options.createDirs
                   ? QString()
                   : QStringLiteral("Der Zielordner \"%1\" existiert nicht.").arg(options.folder);
    if (!info.isDir())
        return QStringLiteral("\"%1\" ist kein Ordner.").arg(options.folder);
    return QString();
}

// Empty when files can be written into the folder, made first if it is
// missing. The write is tried, since permissions alone do not tell
// (read-only mounts, /proc, access lists).
QString writeProblem(const QString &folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return QStringLiteral("Der Zielordner \"%1\" konnte nicht angelegt werden: %2")
            .arg(folder, QString::fromLocal8Bit(error.message().c_str()));
    QTemporaryFile probe(TargetFolderPart(folder) + QStringLiteral(".vornix-fetch-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("In den Zielordner \"%1\" kann nicht geschrieben werden: %2")
            .arg(folder, probe.errorString());
    return QString();
}

// A command line cannot ask whether later files may overwrite earlier ones.
QString collisionProblem(const QStringList &urls, const FetchOptions &options)
{
    if (options.overwrite)
        return QString();
    const NameCollision collision = FirstNameCollision(urls, options.prefix);
    if (collision.count == 0)
        return QString();
    return QStringLiteral("%1 URLs ergeben denselben Dateinamen \"%2\"; spätere Downloads würden "
                          "frühere überschreiben. Mit --overwrite wird trotzdem geladen.")
        .arg(collision.count)
        .arg(collision.fileName);
}

// A URL without a usable file name would end the run at its first write, after the files
// before it were fetched.
QString nameProblem(const QStringList &urls, const FetchOptions &options)
{
    const long longest = pathconf(QFile::encodeName(options.folder).constData(), _PC_NAME_MAX);
    for (const QString &url : urls) {
        const QString name = TargetFileName(options.prefix, RequestTarget::document(url));
        if (!IsUsableFileName(name))
            return QStringLiteral("Die URL \"%1\" ergibt keinen Dateinamen.").arg(url);
        if (name.toUtf8().size() > (longest > 0 ? longest : 255))
            return QStringLiteral("Der Dateiname für \"%1\" ist länger als %2 Bytes.")
                .arg(url)
                .arg(longest > 0 ? longest : 255);
    }
    return QString();
}

// Each URL and the file it would become, tab-separated; "-" where it gives none.
void printPlan(const QStringList &urls, const FetchOptions &options)
{
    for (const QString &url : urls) {
        const QString name = TargetFileName(options.prefix, RequestTarget::document(url));
        const QString path =
            IsUsableFileName(name) ? TargetFolderPart(options.folder) + name : QStringLiteral("-");
        printOutputLine(url + QLatin1Char('\t') + path);
    }
}

void follow(BatchJob &job, ConsoleBatchView &view)
{
    QObject::connect(&job, &BatchJob::fileStarted, &view, &ConsoleBatchView::fileStarted);
    QObject::connect(&job, &BatchJob::resuming, &view, &ConsoleBatchView::resuming);
    QObject::connect(&job, &BatchJob::requestStarted, &view, &ConsoleBatchView::requestStarted);
    QObject::connect(&job, &BatchJob::bytesReceived, &view, &ConsoleBatchView::bytesReceived);
    QObject::connect(&job, &BatchJob::retryWaiting, &view, &ConsoleBatchView::retryWaiting);
    QObject::connect(&job, &BatchJob::fileFinished, &view, &ConsoleBatchView::fileFinished);
    QObject::connect(&job, &BatchJob::finished, &view, &ConsoleBatchView::finished);
}

int fetch(const QStringList &urls, const FetchOptions &options)
{
    // Only a fetch has an event loop to hear a stop on; a dry run just ends.
    StopSignals stop;
    FixedBatchFields fields(options.folder, options.prefix, options.referer);
    ConsoleBatchView view(options, static_cast<int>(urls.size()), isatty(STDERR_FILENO));
    BatchJob job(fields, view);
    follow(job, view);
    int signal = 0;
    QObject::connect(&stop, &StopSignals::received, &job, [&job, &signal](int number) {
        signal = number;
        job.cancel();
    });
    BatchResult result;
    QEventLoop loop;
    QObject::connect(&job, &BatchJob::finished, &loop, [&result, &loop](const BatchResult &r) {
        result = r;
        loop.quit();
    });
    // Nobody reads what happens any more: stop as Ctrl+C would, keeping what can be continued.
    bool unheard = false;
    setErrorOutputLost([&job, &unheard] {
        unheard = true;
        QMetaObject::invokeMethod(&job, &BatchJob::cancel, Qt::QueuedConnection);
    });
    job.start(urls, options.batch);
    loop.exec();
    setErrorOutputLost({});
    if (signal != 0)
        return 128 + signal;
    if (unheard)
        return kExitSomeFailed;
    // Files skipped on purpose are no failure; a part kept to be continued is one.
    const bool allSaved = result.outcome == BatchResult::Outcome::Completed &&
                          result.failures.isEmpty() && result.kept.isEmpty();
    return allSaved ? kExitAllSaved : kExitSomeFailed;
}
} // namespace

int runFetch(const FetchOptions &options)
{
    QString problem;
    const std::optional<QStringList> urls = buildUrls(options, &problem);
    if (!urls)
        return usageError(problem);
    problem = folderProblem(options);
    if (problem.isEmpty())
        problem = collisionProblem(*urls, options);
    // A dry run changes nothing, not even a folder.
    if (problem.isEmpty() && !options.dryRun)
        problem = writeProblem(options.folder);
    // A dry run shows such a URL with "-" instead.
    if (problem.isEmpty() && !options.dryRun)
        problem = nameProblem(*urls, options);
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.dryRun) {
        printPlan(*urls, options);
        return finishOutput() ? kExitAllSaved : kExitSomeFailed;
    }
    return fetch(*urls, options);
}
