#pragma once

#include "download/BatchOptions.h"

#include <QString>
#include <QStringList>

// What the command line asks for, checked for form but not against the file
// system or the network.
struct FetchOptions
{
    QString urlTemplate;
    // The list the window offers first.
    QString list = QStringLiteral("01;02;03;04;05;06;07;08;09;10-20");
    QString placeholder = QStringLiteral("§");
    QString folder; // absolute: the core refuses relative folders
    QString prefix;
    QString referer;
    bool dryRun = false;
    bool quiet = false;
    bool overwrite = false;  // URLs may write the same file
    bool createDirs = false; // a missing folder is made, with its parents
    bool padRanges = false;  // "001-120" keeps its width, as the window's setting does
    // Failures are shown one line each, so they are never collected. The
    // connection (--proxy) is batch.transfer's.
    BatchOptions batch;
};

// The command line read into options, or what to do instead.
struct CommandLine
{
    enum class Action { Fetch, Help, Version, Error };
    Action action = Action::Error;
    FetchOptions options;
    QString text; // the help text, the version line or the one-line error
};

// Reads the arguments (program name first) in the manner of GNU tools. A
// relative folder is resolved against currentFolder.
CommandLine parseCommandLine(const QStringList &arguments, const QString &currentFolder);
