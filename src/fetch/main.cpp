#include "ConsoleOutput.h"
#include "FetchCommand.h"
#include "FetchOptions.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>

int main(int argc, char *argv[])
{
    // A closed pipe is a write error to report, not a silent death with the run half done.
    std::signal(SIGPIPE, SIG_IGN);
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
        printRaw(commandLine.text, true);
        return finishOutput() ? kExitAllSaved : kExitSomeFailed;
    case CommandLine::Action::Error:
        printErrorLine(QStringLiteral("vornix-fetch: ") + commandLine.text +
                       QStringLiteral(" (--help zeigt die Optionen)"));
        return kExitUsage;
    case CommandLine::Action::Fetch:
        break;
    }
    return runFetch(commandLine.options);
}
