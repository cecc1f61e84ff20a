#pragma once

#include "BoxRecorder.h"

#include <QList>
#include <QSettings>

// The settings as the program stores them, read and written behind its back.
inline QString storedSetting(const QString &key)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vornix-Downloader"),
                QStringLiteral("Vornix-Downloader"));
    return s.value(QStringLiteral("Settings/") + key).toString();
}

inline bool hasSetting(const QString &key)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vornix-Downloader"),
                QStringLiteral("Vornix-Downloader"));
    return s.contains(QStringLiteral("Settings/") + key);
}

inline void storeSetting(const QString &key, const QString &value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vornix-Downloader"),
                QStringLiteral("Vornix-Downloader"));
    s.setValue(QStringLiteral("Settings/") + key, value);
}

inline void clearSettings()
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vornix-Downloader"),
                QStringLiteral("Vornix-Downloader"));
    s.clear();
}
