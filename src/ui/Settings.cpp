#include "ui/Settings.h"

#include <QSettings>

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    s.beginGroup(section);
    if (!s.contains(key))
        return defaultValue;
    return s.value(key).toString();
}

void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    s.beginGroup(section);
    s.setValue(key, value);
    s.endGroup();
    s.sync();
}
