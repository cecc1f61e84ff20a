#pragma once

#include "download/AccessType.h"
#include "download/BodyStore.h"

#include <QString>

// How one request is to be made and what happens to its body; handed to
// clsInet::RequestFile as a whole, so no caller writes fields before a call.
struct TransferSettings
{
    ::AccessType accessType = ::AccessType::System;
    QString proxy; // "host:port", with AccessType::NamedProxy
    // Where a body larger than memoryLimit is written while it arrives: the
    // folder it is meant for, so that saving it is a rename. The system's
    // temporary folder when empty.
    QString spillFolder;
    qint64 memoryLimit = BodyStore::kDefaultMemoryLimit;
    // Failures are not shown but left in clsInet::Failure() for the caller,
    // who may try again, list them, or show them itself.
    bool holdMessages = false;
    // A large body that breaks off midway is kept for the next request of the
    // same URL, which asks only for the rest; for a try that another follows.
    bool keepPartialBody = false;
    // Such a body, with a known length and validator, is also kept when no try
    // follows and when the request is cancelled with cancelKeeping().
    bool keepForResume = false;
    // A transfer that receives nothing for this long fails; 0: Inet's default.
    int idleTimeoutMs = 0;
};
