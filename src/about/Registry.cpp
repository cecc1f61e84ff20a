#include "about/Registry.h"

#include "ui/MsgBox.h"

#include <QFile>
#include <QHash>
#include <QStandardPaths>
#include <QStringList>
#include <cstring>

namespace Registry {

namespace {
struct Value
{
    quint32 type = TypeText;
    QByteArray data;
};
using Values = QHash<QString, Value>; // by value name in lower case

QHash<Key, Values> &openKeys()
{
    static QHash<Key, Values> keys;
    return keys;
}

QString rootName(quint32 root)
{
    switch (root) {
    case HKeyClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKeyCurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKeyLocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKeyUsers:
        return QStringLiteral("HKEY_USERS");
    case HKeyCurrentConfig:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    default:
        return QString();
    }
}

bool parseBytes(const QString &list, QByteArray *bytes)
{
    bytes->clear();
    if (list.trimmed().isEmpty())
        return true;
    for (const QString &part : list.split(QLatin1Char(','))) {
        const QString digits = part.trimmed();
        bool ok = false;
        const uint byte = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 2)
            return false;
        bytes->append(static_cast<char>(byte));
    }
    return true;
}

bool parseValue(const QString &text, Value *value)
{
    static const QString dword = QStringLiteral("dword:");
    static const QString hex = QStringLiteral("hex:");
    static const QString hexTyped = QStringLiteral("hex(");
    if (text.startsWith(dword, Qt::CaseInsensitive)) {
        const QString digits = text.mid(dword.size()).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8)
            return false;
        value->type = TypeDword;
        value->data.clear();
        for (int i = 0; i < 4; ++i)
            value->data.append(static_cast<char>((number >> (8 * i)) & 0xff));
        return true;
    }
    if (text.startsWith(hex, Qt::CaseInsensitive)) {
        value->type = TypeBinary;
        return parseBytes(text.mid(hex.size()), &value->data);
    }
    if (text.startsWith(hexTyped, Qt::CaseInsensitive)) {
        const int close = text.indexOf(QStringLiteral("):"));
        bool ok = false;
        const uint type = text.mid(hexTyped.size(), close - hexTyped.size()).toUInt(&ok, 16);
        if (close < 0 || !ok)
            return false;
        value->type = type;
        return parseBytes(text.mid(close + 2), &value->data);
    }
    value->type = TypeText;
    value->data = text.toLocal8Bit();
    value->data.append('\0');
    return true;
}

// The values of one section, or false when the file or the section is missing.
bool readSection(const QString &section, Values *values)
{
    QFile file(registryStandInPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    bool inSection = false;
    bool found = false;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection =
                line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            found = found || inSection;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (!inSection || eq < 0)
            continue;
        QString name = line.left(eq).trimmed();
        if (name == QLatin1String("@"))
            name.clear();
        Value value;
        if (parseValue(line.mid(eq + 1).trimmed(), &value))
            values->insert(name.toLower(), value);
    }
    return found;
}
} // namespace

QString registryStandInPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + applicationTitle() + QStringLiteral("/registry.ini");
}

int openKeyCount()
{
    return static_cast<int>(openKeys().size());
}

long openKey(quint32 root, const QString &subKey, quint32, Key *key)
{
    *key = 0;
    const QString name = rootName(root);
    if (name.isEmpty())
        return InvalidHandle;
    Values values;
    if (!readSection(name + QLatin1Char('\\') + subKey, &values))
        return FileNotFound;
    static Key lastHandle = 0;
    *key = ++lastHandle;
    openKeys().insert(*key, values);
    return Success;
}

long queryValue(Key key, const QString &valueName, quint32 *type, char *data, quint32 *size)
{
    const auto open = openKeys().constFind(key);
    if (open == openKeys().constEnd())
        return InvalidHandle;
    const auto value = open->constFind(valueName.toLower());
    if (value == open->constEnd())
        return FileNotFound;
    *type = value->type;
    const quint32 room = *size;
    *size = static_cast<quint32>(value->data.size());
    if (*size > room)
        return MoreData;
    std::memcpy(data, value->data.constData(), *size);
    return Success;
}

long closeKey(Key key)
{
    return openKeys().remove(key) ? Success : InvalidHandle;
}

} // namespace Registry
