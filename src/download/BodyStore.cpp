#include "download/BodyStore.h"

#include "download/BatchMessages.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>
#include <utility>

namespace {
// What moves from memory to a new part file per write.
constexpr qint64 kMoveBlock = 1024 * 1024;
} // namespace

void BodyStore::restart(const QString &folder, const QString &name, qint64 memoryLimit)
{
    clear();
    m_folder = folder.isEmpty() ? QDir::tempPath() : folder;
    m_name = name;
    m_limit = memoryLimit;
    m_expected = -1;
    m_received = 0;
    m_error = 0;
    m_errorText.clear();
    m_nextSpaceCheck = 0;
}

void BodyStore::clear()
{
    m_memory.restart();
    m_file.discard();
    m_readOffset = 0;
}

bool BodyStore::setExpectedSize(qint64 size)
{
    m_expected = size;
    m_memory.setExpectedSize(size);
    if (size <= m_limit && !spilled())
        return true;
    return (spilled() || spill()) && roomFor(size);
}

bool BodyStore::failed(int error, const QString &why)
{
    m_error = error;
    m_errorText = why;
    clear();
    return false;
}

bool BodyStore::refused(int error, const QString &why)
{
    m_error = error;
    m_errorText = why;
    return false;
}

bool BodyStore::roomFor(qint64 size)
{
    struct statvfs fs = {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &fs) != 0)
        return true; // the writes will tell
    const qint64 free = static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
    if (size >= 0) {
        // A body of known length that fits is never stopped early.
        const qint64 needed = size - m_received;
        return needed <= free ||
               refused(ENOSPC, QStringLiteral("Im Ordner \"%1\" ist nicht genug Platz: die Datei "
                                              "braucht %2, frei sind %3.")
                                   .arg(m_folder, sizeText(needed), sizeText(free)));
    }
    const qint64 total = static_cast<qint64>(fs.f_blocks) * static_cast<qint64>(fs.f_frsize);
    const qint64 floor = std::min(kSpaceFloor, total / 100);
    return free - kSpaceCheckInterval >= floor ||
           failed(ENOSPC, QStringLiteral("Im Ordner \"%1\" sind nur noch %2 frei; eine Datei "
                                         "unbekannter Größe wurde angehalten, bevor der "
                                         "Datenträger vollläuft.")
                              .arg(m_folder, sizeText(free)));
}

bool BodyStore::spill()
{
    int error = 0;
    m_file = PartFile::create(m_folder, m_name, &error);
    if (!m_file.isOpen())
        return failed(error);
    while (m_memory.size() > 0) {
        const QByteArray block = m_memory.takeChunk(kMoveBlock);
        if (!m_file.write(block.constData(), static_cast<size_t>(block.size()), &error))
            return failed(error);
    }
    return true;
}

bool BodyStore::append(const char *data, size_t length)
{
    if (m_error != 0)
        return false;
    if (!spilled() && m_received + static_cast<qint64>(length) > m_limit && !spill())
        return false;
    if (spilled()) {
        // Looked at once per MiB: a statvfs per write would cost more than the write.
        if (m_expected < 0 && m_received >= m_nextSpaceCheck) {
            m_nextSpaceCheck = m_received + kSpaceCheckInterval;
            if (!roomFor(-1))
                return false;
        }
        int error = 0;
        if (!m_file.write(data, length, &error))
            return failed(error);
    } else {
        m_memory.append(data, length);
    }
    m_received += static_cast<qint64>(length);
    return true;
}

QByteArray BodyStore::takeChunk(qint64 max)
{
    if (!spilled())
        return m_memory.takeChunk(max);
    QByteArray chunk = m_file.read(m_readOffset, max);
    m_readOffset += chunk.size();
    return chunk;
}

qint64 BodyStore::size() const
{
    return spilled() ? m_file.size() - m_readOffset : m_memory.size();
}

PartFile BodyStore::takeFile()
{
    PartFile file = std::move(m_file);
    clear();
    return file;
}

void BodyStore::resume(PartFile file)
{
    clear();
    m_file = std::move(file);
    m_received = m_file.size();
}

QString BodyStore::errorText() const
{
    if (!m_errorText.isEmpty())
        return m_errorText;
    return m_error != 0 ? QString::fromLocal8Bit(std::strerror(m_error)) : QString();
}
