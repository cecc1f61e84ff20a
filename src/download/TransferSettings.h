#pragma once

#include "download/AccessType.h"
#include "download/BodyStore.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class RateBudget;

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
    // A minute of silence is far beyond any live server's pause.
    static constexpr int kDefaultIdleTimeoutMs = 60000;
    // A transfer that receives nothing for this long fails; 0: never.
    int idleTimeoutMs = kDefaultIdleTimeoutMs;

    // Sent instead of "Vornix-Downloader/<version>" when not empty.
    QString userAgent;
    // Further request headers, checked by RequestHeaders::parse.
    QList<QPair<QByteArray, QByteArray>> headers;
    // A Netscape cookies.txt to read (never written); empty: no cookies at all.
    QString cookieFile;
    // Bytes per second for the batch as a whole; 0: no limit.
    qint64 maxBytesPerSecond = 0;
    // What that limit is drawn from, shared by the transfers side by side; none: each request
    // has a budget of its own.
    std::shared_ptr<RateBudget> rateBudget;
    // Certificates to trust in place of the system's; empty: the system's.
    QString caFile;
    // A body larger than this fails; 0: no cap.
    qint64 maxFileSize = 0;
};
