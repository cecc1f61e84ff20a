#pragma once

#include <QString>
#include <functional>

// Every line vornix-fetch writes goes through here. Status lines, reason
// phrases, libcurl's texts and URLs come from the network, so control
// characters are written as "\xNN": a server must not drive the terminal.

// text with every control character but TAB (C0, DEL, C1) written as "\xNN".
QString escapeControls(const QString &text);
// A message text of several lines ("\r\n") as one line, for a terminal or a log.
QString oneLine(const QString &text);
// Writes one line, made safe, to stderr.
void printErrorLine(const QString &text);
// Writes one line, made safe, to stdout.
void printOutputLine(const QString &text);
// Writes text of our own as it is (help, version, the progress line's control).
void printRaw(const QString &text, bool toStdout);
// Flushes stdout; false, after a line on stderr, when anything written there
// was lost (a full disk, a closed pipe).
bool finishOutput();
// Called once, the first time a line cannot be written to stderr: its reader is gone (with
// SIGPIPE ignored) and nobody learns what happens any more.
void setErrorOutputLost(std::function<void()> handler);
