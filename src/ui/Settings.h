#pragma once

#include <QString>

// The per-user settings store: text values addressed by application name,
// section and key. Backed by QSettings, which replaces its file atomically.
QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue);
void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value);
