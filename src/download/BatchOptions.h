#pragma once

#include "download/TransferSettings.h"

// How a batch treats its list beyond fetching it once in order. The defaults
// fetch every URL once, one at a time, show every failure and never wait.
struct BatchOptions
{
    // More would only hide a server that is down for good.
    static constexpr int kMaxRetries = 10;
    // A minute between two files is already slower than anyone watches.
    static constexpr int kMaxPauseMs = 60000;
    // Beyond this a server sees an attack rather than a download list.
    static constexpr int kMaxParallel = 16;

    // Further tries after a failure that may pass (time-outs, a busy server).
    int retries = 0;
    // Between two requests: pauseMs plus a random part of up to pauseJitterMs.
    int pauseMs = 0;
    int pauseJitterMs = 0;
    // A URL whose file exists already is not requested.
    bool skipExisting = false;
    // Failed URLs end up in the result only, not in one message each.
    bool collectFailures = false;
    // Ends the batch after this many failures in a row (0: never), so a list
    // that runs past the end of a series stops by itself.
    int stopAfterFailures = 0;
    // Every wait is multiplied by this (0 to 1), so tests need not wait seconds.
    double timeScale = 1.0;
    // Transfers running side by side (1 to kMaxParallel).
    int parallel = 1;
    // What becomes of a large body cut short (cancelled, or failed for good
    // with a failure worth a retry): Off drops it, as always; On keeps it in a
    // hidden file beside its target when it can be continued safely, and
    // continues such a file when its URL comes again; Discard drops it and
    // removes a kept one instead of continuing it.
    enum class Resume { Off, On, Discard };
    Resume resume = Resume::Off;
    // The connection and the memory limit of every request; the batch sets
    // the folder, the messages and the kept part of a body itself.
    TransferSettings transfer = {};
};
