#pragma once

#include "download/BatchOptions.h"
#include "download/TransferSettings.h"

#include <QString>

// The batch options the user chose under "Einstellungen...", kept with the
// window's other settings. A stored value that is no usable number reads as
// the option's default.
BatchOptions LoadBatchOptions();
void SaveBatchOptions(const BatchOptions &options);
// Ranges written with leading zeros ("001-120") keep that width in the list; off by default.
bool LoadPadRanges();
void SavePadRanges(bool pad);

// More failures in a row than this are no series any more.
constexpr int kMaxStopAfterFailures = 999;

// "Verbindung" under "Einstellungen...", in the units the dialog shows; 0 is no limit ("nie"
// for the time-out).
struct ConnectionOptions
{
    // A gigabyte a second and a terabyte a file lie beyond any line or disk the program meets.
    static constexpr int kMaxKiBPerSecond = 1000000;
    static constexpr int kMaxFileSizeMiB = 1000000;
    // Ten minutes without a byte: no server is still sending.
    static constexpr int kMaxIdleSeconds = 600;

    QString userAgent;   // empty: the program's own
    QString headerLines; // "Name: Wert" per line, "\n" between them
    QString cookieFile;  // empty: no cookies
    int kibPerSecond = 0;
    int idleSeconds = TransferSettings::kDefaultIdleTimeoutMs / 1000;
    int maxFileSizeMiB = 0;
};
// Stored header lines that RequestHeaders::parse refuses read as none, and a user agent with a
// control character as the program's own: either would be sent as something else than typed.
ConnectionOptions LoadConnectionOptions();
void SaveConnectionOptions(const ConnectionOptions &options);
// What every request of a batch carries: the stored options in the transfer's units.
TransferSettings LoadTransferSettings();
