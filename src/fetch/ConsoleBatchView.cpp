#include "ConsoleBatchView.h"

#include "StopSignals.h"
#include "download/BatchMessages.h"
#include "download/RequestTarget.h"
#include "download/TargetFile.h"

#include <QFileInfo>
#include <QLocale>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
const QString kDownloadStatus = QStringLiteral("Download: ");
const QString kCancelStatus = QStringLiteral("Abgebrochen - ");
// Wide enough to see time pass, rare enough not to flicker.
constexpr int kTickMs = 500;
// The transfer reports every 50 ms; a line redrawn that often only flickers.
constexpr int kMinRedrawMs = 200;
constexpr int kFallbackColumns = 80;

QString sizeText(double bytes)
{
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(static_cast<qint64>(bytes));
    int unit = -1;
    while (bytes >= 1024 && unit < 3) {
        bytes /= 1024;
        ++unit;
    }
    return QLocale(QLocale::German).toString(bytes, 'f', 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

int terminalColumns()
{
    winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kFallbackColumns;
}

QString targetPath(const FetchOptions &options, const QString &url)
{
    return TargetFolderPart(options.folder) +
           TargetFileName(options.prefix, RequestTarget::document(url));
}
} // namespace

QString oneLine(const QString &text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    return lines.join(QStringLiteral(" – "));
}

void printErrorLine(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

ConsoleBatchView::ConsoleBatchView(const FetchOptions &options, int urlCount, StopSignals &stop,
                                   bool terminal)
    : m_options(options), m_stop(stop), m_urlCount(urlCount), m_terminal(terminal && !options.quiet)
{
    m_clock.start();
    if (m_terminal) {
        m_tick.setInterval(kTickMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_tick, [this] { drawProgress(); });
        m_tick.start();
    }
}

void ConsoleBatchView::fileStarted(int index, int /*count*/, const QString &url)
{
    m_url = url;
    m_index = index;
    m_received = 0;
    m_expected = -1;
    drawProgress();
}

void ConsoleBatchView::setStatusText(const QString &text)
{
    // "Download: " starts each try and finish() reports a cancel; any other
    // text tells of a wait before the next try.
    if (text.startsWith(kDownloadStatus) || text.startsWith(kCancelStatus)) {
        m_wait.clear();
        return;
    }
    m_wait = text;
    printFileLine(text);
    drawProgress();
}

void ConsoleBatchView::transferProgress(qint64 received, qint64 expected)
{
    m_received = received;
    m_expected = expected;
    if (!m_lastDraw.isValid() || m_lastDraw.elapsed() >= kMinRedrawMs)
        drawProgress();
}

bool ConsoleBatchView::cancelRequested() const
{
    return m_stop.received() != 0;
}

Answer ConsoleBatchView::showMessage(const Message &message)
{
    clearProgress();
    printErrorLine((m_url.isEmpty() ? QString() : m_url + QStringLiteral(": ")) +
                   oneLine(message.text));
    drawProgress();
    // Nobody can answer a question here; take the safe answer.
    return message.buttons == Message::Buttons::YesNo ? Answer::No : Answer::Ok;
}

void ConsoleBatchView::fileFinished(int /*index*/, int /*count*/, const QString &url, FileEnd end)
{
    if (end == FileEnd::Saved && !m_options.quiet) {
        const QString path = targetPath(m_options, url);
        const qint64 size = QFileInfo(path).size();
        m_savedBytes += size;
        printFileLine(
            QStringLiteral("gespeichert: %1 (%2)").arg(path, sizeText(static_cast<double>(size))));
    } else if (end == FileEnd::Skipped) {
        printFileLine(QStringLiteral("übersprungen: ") + targetPath(m_options, url));
    }
    m_url.clear();
    m_wait.clear();
}

void ConsoleBatchView::finish(const DownloadBatch::Result &result)
{
    m_tick.stop();
    clearProgress();
    if (m_options.quiet)
        return;
    printErrorLine(batchSummary(result, m_urlCount, m_options.batch.stopAfterFailures));
}

// Without a terminal each file's end gets a line: "[2/5] gespeichert: ...".
void ConsoleBatchView::printFileLine(const QString &what)
{
    if (m_terminal || m_options.quiet)
        return;
    printErrorLine(QStringLiteral("[%1/%2] ").arg(m_index).arg(m_urlCount) + what);
}

// "[2/5] 12,0 KiB von 20,0 KiB (60 %), gesamt 32,0 KiB, 1,5 MiB/s, 00:03  name"
QString ConsoleBatchView::progressLine() const
{
    const qint64 ms = m_clock.elapsed();
    const double total = static_cast<double>(m_savedBytes + m_received);
    QString file = sizeText(static_cast<double>(m_received));
    if (m_expected > 0)
        file += QStringLiteral(" von %1 (%2 %)")
                    .arg(sizeText(static_cast<double>(m_expected)))
                    .arg(m_received * 100 / m_expected);
    QString line = QStringLiteral("[%1/%2] %3, gesamt %4, %5/s, %6:%7")
                       .arg(m_index)
                       .arg(m_urlCount)
                       .arg(file, sizeText(total), sizeText(ms > 0 ? total * 1000.0 / ms : 0.0))
                       .arg(ms / 60000, 2, 10, QLatin1Char('0'))
                       .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (!m_wait.isEmpty())
        line += QStringLiteral("  ") + m_wait;
    else if (!m_url.isEmpty())
        line +=
            QStringLiteral("  ") + TargetFileName(m_options.prefix, RequestTarget::document(m_url));
    return line;
}

void ConsoleBatchView::drawProgress()
{
    if (!m_terminal)
        return;
    QString line = progressLine();
    // A line that wraps can no longer be redrawn in place.
    line.truncate(terminalColumns() - 1);
    const int width = static_cast<int>(line.size());
    if (width < m_drawnWidth)
        line += QString(m_drawnWidth - width, QLatin1Char(' '));
    std::fputs(qPrintable(QLatin1Char('\r') + line), stderr);
    m_drawnWidth = width;
    m_lastDraw.start();
}

void ConsoleBatchView::clearProgress()
{
    if (m_drawnWidth == 0)
        return;
    std::fputs(
        qPrintable(QLatin1Char('\r') + QString(m_drawnWidth, QLatin1Char(' ')) + QLatin1Char('\r')),
        stderr);
    m_drawnWidth = 0;
}
