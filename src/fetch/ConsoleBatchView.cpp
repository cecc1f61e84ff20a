#include "ConsoleBatchView.h"

#include "ConsoleOutput.h"
#include "download/BatchMessages.h"
#include "download/RequestTarget.h"
#include "download/TargetFile.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cwchar>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace {
// Wide enough to see time pass, rare enough not to flicker.
constexpr int kTickMs = 500;
// The transfer reports every 50 ms; a line redrawn that often only flickers.
constexpr int kMinRedrawMs = 200;
constexpr int kFallbackColumns = 80;

int terminalColumns()
{
    winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kFallbackColumns;
}

// The longest start of text that takes at most `columns` columns on a
// terminal, with an ellipsis where it is cut when asked for; *width gets the
// columns it takes. Wide and combining characters count as they show.
QString fitColumns(const QString &text, int columns, bool ellipsis, int *width)
{
    const QList<uint> codes = text.toUcs4();
    QList<int> widths;
    widths.reserve(codes.size());
    int total = 0;
    for (const uint code : codes) {
        const int w = wcwidth(static_cast<wchar_t>(code));
        widths << (w < 0 ? 1 : w);
        total += widths.constLast();
    }
    if (total <= columns) {
        *width = total;
        return text;
    }
    const int room = std::max(columns - (ellipsis ? 1 : 0), 0);
    int used = 0;
    qsizetype kept = 0;
    while (kept < codes.size() && used + widths.at(kept) <= room)
        used += widths.at(kept++);
    QString fitted = QString::fromUcs4(reinterpret_cast<const char32_t *>(codes.constData()), kept);
    if (ellipsis && columns > 0) {
        fitted += QChar(0x2026);
        ++used;
    }
    *width = used;
    return fitted;
}

QString fileName(const FetchOptions &options, const QString &url)
{
    return TargetFileName(options.prefix, RequestTarget::document(url));
}
} // namespace

ConsoleBatchView::ConsoleBatchView(const FetchOptions &options, int urlCount, bool terminal,
                                   QObject *parent)
    : QObject(parent), m_options(options), m_urlCount(urlCount),
      m_terminal(terminal && !options.quiet), m_side(options.batch.parallel > 1)
{
    m_clock.start();
    if (m_terminal) {
        m_tick.setInterval(kTickMs);
        connect(&m_tick, &QTimer::timeout, this, &ConsoleBatchView::drawProgressNow);
        m_tick.start();
    }
}

Answer ConsoleBatchView::showMessage(const Message &message)
{
    // The job ends the failed file right after its message, and that end
    // names the URL the line starts with.
    printMessage(QString());
    m_message = oneLine(message.text);
    // Nobody can answer a question here; take the safe answer.
    return message.buttons == Message::Buttons::YesNo ? Answer::No : Answer::Ok;
}

void ConsoleBatchView::fileStarted(int index, const QString &url)
{
    printMessage(QString());
    m_running.append({index, url, QString(), false});
    m_index = index;
    if (m_side) {
        drawProgress();
        return;
    }
    m_received = 0;
    m_expected = -1;
    drawProgressNow();
}

void ConsoleBatchView::resuming(int index, const QString &url, qint64 bytes)
{
    printMessage(QString());
    if (m_options.quiet)
        return;
    // Said once, on a terminal too: it explains why the first bytes come so fast.
    clearProgress();
    printErrorLine(QStringLiteral("[%1/%2] ").arg(index).arg(m_urlCount) + resumeText(bytes) +
                   QStringLiteral(": ") + url);
    drawProgressNow();
}

void ConsoleBatchView::requestStarted(int index, const QString & /*url*/)
{
    printMessage(QString());
    if (Running *file = running(index)) {
        file->requested = true;
        file->wait.clear();
    }
    if (m_side)
        drawProgress();
}

void ConsoleBatchView::bytesReceived(qint64 received, qint64 expected, qint64 /*bytesPerSecond*/)
{
    m_received = received;
    m_expected = expected;
    drawProgress();
}

void ConsoleBatchView::retryWaiting(int index, const QString &url, qint64 ms, int attempt,
                                    int attempts)
{
    printMessage(QString());
    const QString text = retryWaitText((ms + 500) / 1000, attempt, attempts, url);
    if (Running *file = running(index))
        file->wait = text;
    printFileLine(index, text);
    drawProgressNow();
}

void ConsoleBatchView::fileFinished(int index, const QString &url, FileEnd end, const QString &path)
{
    printMessage(end == FileEnd::Failed || end == FileEnd::Kept ? url : QString());
    m_running.removeIf([index](const Running &file) { return file.index == index; });
    if (end != FileEnd::Cancelled)
        ++m_done;
    if (end == FileEnd::Saved) {
        const qint64 size = QFileInfo(path).size();
        m_savedBytes += size;
        printFileLine(index, QStringLiteral("gespeichert: %1 (%2)").arg(path, sizeText(size)));
    } else if (end == FileEnd::Skipped) {
        printFileLine(index, QStringLiteral("übersprungen: ") + path);
    } else if (end == FileEnd::Kept) {
        printFileLine(index, QStringLiteral("unvollständig, zum Fortsetzen behalten: ") + path);
    }
    if (m_side)
        drawProgress();
}

void ConsoleBatchView::finished(const BatchResult &result)
{
    printMessage(QString());
    m_tick.stop();
    clearProgress();
    if (m_options.quiet)
        return;
    printErrorLine(batchSummary(result, m_urlCount, m_options.batch.stopAfterFailures));
    // Named one by one, so a later run can be given just these.
    for (const UntriedUrl &untried : result.untried)
        printErrorLine(QStringLiteral("nicht versucht: ") + untried.url);
}

ConsoleBatchView::Running *ConsoleBatchView::running(int index)
{
    for (Running &file : m_running)
        if (file.index == index)
            return &file;
    return nullptr;
}

// The waiting message, if any, as "URL: text", or the text alone without a URL.
void ConsoleBatchView::printMessage(const QString &url)
{
    if (!m_message)
        return;
    const QString text = *std::exchange(m_message, std::nullopt);
    clearProgress();
    printErrorLine((url.isEmpty() ? QString() : url + QStringLiteral(": ")) + text);
    drawProgressNow();
}

// Without a terminal each file's end gets a line: "[2/5] gespeichert: ...".
void ConsoleBatchView::printFileLine(int index, const QString &what)
{
    if (m_terminal || m_options.quiet)
        return;
    printErrorLine(QStringLiteral("[%1/%2] ").arg(index).arg(m_urlCount) + what);
}

// One transfer: "[2/5] 12,0 KiB von 20,0 KiB (60 %), gesamt 32,0 KiB, 1,5 MiB/s, 00:03  name";
// several: "3 von 8 erledigt, 5,0 MiB, 2,0 MiB/s, 00:04  f4, f5, f6".
QString ConsoleBatchView::progressLine() const
{
    const qint64 ms = m_clock.elapsed();
    const qint64 total = m_savedBytes + m_received;
    const QString rest = QStringLiteral("%1/s, %2:%3")
                             .arg(sizeText(ms > 0 ? total * 1000 / ms : 0))
                             .arg(ms / 60000, 2, 10, QLatin1Char('0'))
                             .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (m_side) {
        // The sizes of bodies side by side say little once summed; the names say more.
        const QString line = QStringLiteral("%1 von %2 erledigt, %3, %4")
                                 .arg(m_done)
                                 .arg(m_urlCount)
                                 .arg(sizeText(total), rest);
        const QString names = runningNames();
        return names.isEmpty() ? line : line + QStringLiteral("  ") + names;
    }
    QString file = sizeText(m_received);
    if (m_expected > 0)
        file += QStringLiteral(" von %1 (%2 %)")
                    .arg(sizeText(m_expected))
                    .arg(m_received * 100 / m_expected);
    QString line = QStringLiteral("[%1/%2] %3, gesamt %4, %5")
                       .arg(m_index)
                       .arg(m_urlCount)
                       .arg(file, sizeText(total), rest);
    if (!m_running.isEmpty()) {
        const Running &file = m_running.constLast();
        line += QStringLiteral("  ") +
                (file.wait.isEmpty() ? fileName(m_options, file.url) : file.wait);
    }
    return line;
}

// "f4, f5 (wartet), f6": the files with a request out, in the order taken up.
QString ConsoleBatchView::runningNames() const
{
    QStringList names;
    for (const Running &file : m_running) {
        if (!file.requested)
            continue;
        QString name = fileName(m_options, file.url);
        if (!file.wait.isEmpty())
            name += QStringLiteral(" (wartet)");
        names << name;
    }
    return names.join(QStringLiteral(", "));
}

void ConsoleBatchView::drawProgress()
{
    if (!m_lastDraw.isValid() || m_lastDraw.elapsed() >= kMinRedrawMs)
        drawProgressNow();
}

void ConsoleBatchView::drawProgressNow()
{
    if (!m_terminal)
        return;
    int width = 0;
    // A line that wraps can no longer be redrawn in place.
    QString line =
        fitColumns(escapeControls(progressLine()), terminalColumns() - 1, m_side, &width);
    if (width < m_drawnWidth)
        line += QString(m_drawnWidth - width, QLatin1Char(' '));
    printRaw(QLatin1Char('\r') + line, false);
    m_drawnWidth = width;
    m_lastDraw.start();
}

void ConsoleBatchView::clearProgress()
{
    if (m_drawnWidth == 0)
        return;
    printRaw(QLatin1Char('\r') + QString(m_drawnWidth, QLatin1Char(' ')) + QLatin1Char('\r'),
             false);
    m_drawnWidth = 0;
}
