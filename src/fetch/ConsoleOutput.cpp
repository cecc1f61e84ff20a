#include "ConsoleOutput.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {
// The first write error on stdout, kept since later calls overwrite errno.
int g_outputError = 0;
bool g_errorOutputLost = false;
std::function<void()> g_onErrorOutputLost;

bool isControl(char16_t c)
{
    return (c < 0x20 && c != u'\t') || (c >= 0x7f && c <= 0x9f);
}

void write(const QString &text, std::FILE *stream)
{
    errno = 0;
    if (std::fputs(qPrintable(text), stream) != EOF)
        return;
    if (stream == stdout && g_outputError == 0)
        g_outputError = errno != 0 ? errno : EIO;
    if (stream == stderr && !std::exchange(g_errorOutputLost, true) && g_onErrorOutputLost)
        g_onErrorOutputLost();
}
} // namespace

QString escapeControls(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); }))
        return text;
    QString safe;
    safe.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            safe += QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

QString oneLine(const QString &text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    return lines.join(QStringLiteral(" – "));
}

void printErrorLine(const QString &text)
{
    write(escapeControls(text) + QLatin1Char('\n'), stderr);
}

void printOutputLine(const QString &text)
{
    write(escapeControls(text) + QLatin1Char('\n'), stdout);
}

void printRaw(const QString &text, bool toStdout)
{
    write(text, toStdout ? stdout : stderr);
}

void setErrorOutputLost(std::function<void()> handler)
{
    g_onErrorOutputLost = std::move(handler);
}

bool finishOutput()
{
    errno = 0;
    if (std::fflush(stdout) != 0 && g_outputError == 0)
        g_outputError = errno != 0 ? errno : EIO;
    if (g_outputError == 0 && !std::ferror(stdout))
        return true;
    printErrorLine(QStringLiteral("vornix-fetch: Die Ausgabe konnte nicht geschrieben werden: ") +
                   QString::fromLocal8Bit(std::strerror(g_outputError != 0 ? g_outputError : EIO)));
    return false;
}
