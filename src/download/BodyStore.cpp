#include "download/BodyStore.h"

#include <QDir>
#include <cstring>
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
    return size <= m_limit || spilled() || spill();
}

bool BodyStore::failed(int error)
{
    m_error = error;
    clear();
    return false;
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
    return m_error != 0 ? QString::fromLocal8Bit(std::strerror(m_error)) : QString();
}
