#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a batch was done with one URL of its list.
// Kept: it failed or was cancelled with the start of its body kept to be continued.
enum class FileEnd { Saved, Skipped, Failed, Cancelled, Kept };

// A URL whose file was not written, and why, as the person was told.
struct BatchFailure
{
    QString url;
    qint32 number = 0; // 0 for the batch's own write steps
    QString description;
    QString shownText;
    int index = 0; // in the batch's list, from 1
};

// A URL of the list the batch ended before it was done with: never requested,
// or cut off by the end of the batch while it was being fetched.
struct UntriedUrl
{
    int index = 0; // in the batch's list, from 1
    QString url;
};

// A URL whose body was cut short and kept to be continued by a later batch.
struct KeptUrl
{
    int index = 0; // in the batch's list, from 1
    QString url;
    QString path;     // the hidden file that holds it
    qint64 bytes = 0; // of the body
};

// How a batch ended, and what it came to.
struct BatchResult
{
    enum class Outcome {
        Completed,
        Cancelled,
        WriteFailed,
        RequestRefused, // the transfer refused a request before any traffic
        FolderRefused,  // the target folder is empty or not a full path
        TooManyFailures // BatchOptions::stopAfterFailures in a row
    };

    Outcome outcome = Outcome::Completed;
    int saved = 0;
    int skipped = 0; // their files existed already
    QList<BatchFailure> failures;
    QList<UntriedUrl> untried; // in list order
    QList<KeptUrl> kept;       // neither failed nor untried
};

// What is worth asking for again: the failed, kept and untried URLs, in list order.
QStringList urlsToRetry(const BatchResult &result);
