#pragma once

#include "BoxRecorder.h"

#include <QSettings>

// The settings as the program stores them, read and written behind its back.
// QSettings objects of one process share their data, so this one sees the
// program's writes at once.
inline QSettings &userStore()
{
    static QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vornix-Downloader",
                           "Vornix-Downloader");
    return store;
}
inline QString storedSetting(const QString &key)
{
    return userStore().value("Settings/" + key).toString();
}
inline void storeSetting(const QString &key, const QString &value)
{
    userStore().setValue("Settings/" + key, value);
    userStore().sync();
}
inline void clearSettings()
{
    userStore().clear();
    userStore().sync();
}
