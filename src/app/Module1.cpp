#include "app/Module1.h"

#include "app/frmMain.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

frmMain *objMainForm = nullptr;

QTranslator *installGermanQtTexts(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !app.installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

void Main()
{
    objMainForm = new frmMain;
    objMainForm->show();
}
