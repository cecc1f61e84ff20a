#pragma once

#include "app/MsgBox.h"

#include <QList>
#include <QSettings>

// Records message boxes instead of showing them, and starts every test from
// an empty settings store.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        m_previous = setMsgBoxHandler([this](const MsgBoxRequest &r) { boxes.append(r); });
    }
    ~BoxRecorder() { setMsgBoxHandler(m_previous); }
    BoxRecorder(const BoxRecorder &) = delete;
    BoxRecorder &operator=(const BoxRecorder &) = delete;

    QList<MsgBoxRequest> boxes;

private:
    MsgBoxHandler m_previous;
};

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
