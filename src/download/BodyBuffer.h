#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <deque>
#include <memory>

// The received body, kept in blocks sized from the announced length so that a
// large body is copied once on the way in and once on the way out.
class BodyBuffer final
{
public:
    BodyBuffer();
    ~BodyBuffer();
    BodyBuffer(const BodyBuffer &) = delete;
    BodyBuffer &operator=(const BodyBuffer &) = delete;

    // Drops everything and starts counting a new body of unknown length.
    void restart();
    // The Content-Length of the body to come, or -1.
    void setExpectedSize(qint64 size) { m_expected = size; }
    // Throws std::bad_alloc when no block can be had.
    void append(const char *data, size_t length);
    // The next at most `max` bytes, removed from the buffer.
    QByteArray takeChunk(qint64 max);
    // Bytes not yet taken.
    qint64 size() const { return m_buffered; }
    // Bytes appended since restart().
    qint64 received() const { return m_received; }
    void clear();

private:
    struct Block;

    size_t nextBlockCapacity() const;

    std::deque<std::unique_ptr<Block>> m_blocks;
    qint64 m_buffered = 0;
    qint64 m_received = 0;
    qint64 m_expected = -1;
};
