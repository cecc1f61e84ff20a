#include "FetchCommand.h"

#include "ConsoleBatchView.h"
#include "StopSignals.h"
#include "download/BatchFields.h"
#include "download/BatchJob.h"
#include "download/NameCollisions.h"
#include "download/RequestTarget.h"
#include "download/TargetFile.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryFile>
#include <optional>
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

// Empty when files can be written into the folder, otherwise why not. The
// write is tried, since permissions alone do not tell (read-only mounts,
// /proc, access lists).
QString folderProblem(const QString &folder, bool tryWrite)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("Der Zielordner \"%1\" existiert nicht.").arg(folder);
    if (!info.isDir())
        return QStringLiteral("\"%1\" ist kein Ordner.").arg(folder);
    if (tryWrite) {
        QTemporaryFile probe(TargetFolderPart(folder) + QStringLiteral(".vornix-fetch-XXXXXX"));
        if (!probe.open())
            return QStringLiteral("In den Zielordner \"%1\" kann nicht geschrieben werden: %2")
                .arg(folder, probe.errorString());
    }
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

// Each URL and the file it would become, tab-separated; "-" where it gives none.
void printPlan(const QStringList &urls, const FetchOptions &options)
{
    for (const QString &url : urls) {
        const QString name = TargetFileName(options.prefix, RequestTarget::document(url));
        const QString path =
            IsUsableFileName(name) ? TargetFolderPart(options.folder) + name : QStringLiteral("-");
        std::fputs(qPrintable(url + QLatin1Char('\t') + path + QLatin1Char('\n')), stdout);
    }
    std::fflush(stdout);
}

void follow(BatchJob &job, ConsoleBatchView &view)
{
    QObject::connect(&job, &BatchJob::fileStarted, &view, &ConsoleBatchView::fileStarted);
    QObject::connect(&job, &BatchJob::requestStarted, &view, &ConsoleBatchView::requestStarted);
    QObject::connect(&job, &BatchJob::bytesReceived, &view, &ConsoleBatchView::bytesReceived);
    QObject::connect(&job, &BatchJob::retryWaiting, &view, &ConsoleBatchView::retryWaiting);
    QObject::connect(&job, &BatchJob::fileFinished, &view, &ConsoleBatchView::fileFinished);
    QObject::connect(&job, &BatchJob::finished, &view, &ConsoleBatchView::finished);
}

int fetch(const QStringList &urls, const FetchOptions &options, StopSignals &stop)
{
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
    job.start(urls, options.batch);
    loop.exec();
    if (signal != 0)
        return 128 + signal;
    // Files skipped on purpose are no failure.
    const bool allSaved =
        result.outcome == BatchResult::Outcome::Completed && result.failures.isEmpty();
    return allSaved ? kExitAllSaved : kExitSomeFailed;
}
} // namespace

int runFetch(const FetchOptions &options, StopSignals &stop)
{
    QString problem;
    const std::optional<QStringList> urls = buildUrls(options, &problem);
    if (!urls)
        return usageError(problem);
    problem = folderProblem(options.folder, !options.dryRun);
    if (problem.isEmpty())
        problem = collisionProblem(*urls, options);
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.dryRun) {
        printPlan(*urls, options);
        return kExitAllSaved;
    }
    return fetch(*urls, options, stop);
}
