#pragma once

#include "download/BatchOptions.h"

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
