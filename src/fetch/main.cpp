#include "FetchCommand.h"
#include "FetchOptions.h"
#include "StopSignals.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vornix-fetch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION_STRING));
    // The program speaks German like the window, Qt's own texts included
    // ("Aufruf:", "Unbekannte Option").
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    const CommandLine commandLine = parseCommandLine(app.arguments(), QDir::currentPath());
    switch (commandLine.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::fputs(qPrintable(commandLine.text), stdout);
        return kExitAllSaved;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "vornix-fetch: %s (--help zeigt die Optionen)\n",
                     qPrintable(commandLine.text));
        return kExitUsage;
    case CommandLine::Action::Fetch:
        break;
    }
    StopSignals stop;
    return runFetch(commandLine.options, stop);
}
