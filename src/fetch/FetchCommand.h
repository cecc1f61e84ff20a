#pragma once

#include "FetchOptions.h"

// Exit statuses, as GNU tools use them; a signal gives 128 + its number.
enum ExitStatus : int {
    kExitAllSaved = 0,
    kExitSomeFailed = 1,
    kExitUsage = 2, // the command line, the list or the folder
};

// One run after the command line is read: the URLs exactly as the window
// builds them, the folder and the file names checked before the first
// request, then printed (dry run) or fetched. Returns the exit status.
int runFetch(const FetchOptions &options);
