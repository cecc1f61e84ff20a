#pragma once

#include <QList>
#include <QString>

// How a batch was done with one URL of its list.
enum class FileEnd { Saved, Skipped, Failed, Cancelled };

// A URL whose file was not written, and why, as the person was told.
struct BatchFailure
{
    QString url;
    qint32 number = 0; // 0 for the batch's own write steps
    QString description;
    QString shownText;
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
};
