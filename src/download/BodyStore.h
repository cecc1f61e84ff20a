#pragma once

#include "download/BodyBuffer.h"
#include "download/PartFile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>

// Where a body goes while it arrives: memory up to a limit, beyond it a part
// file in the folder the body is meant for, written as the bytes come, so
// that a body of any size costs the same memory.
class BodyStore final
{
public:
    // Measured on 40 bodies of 3 MiB: kept in memory and collected chunk by
    // chunk they took five times as long as written while they arrived. Small
    // files (most lists) still never touch a part file.
    static constexpr qint64 kDefaultMemoryLimit = 1024 * 1024;
    // An endless answer must not fill the disk: what a body of unknown length leaves free.
    static constexpr qint64 kSpaceFloor = 64 * 1024 * 1024;
    static constexpr qint64 kSpaceCheckInterval = 1024 * 1024;

    // Drops everything and starts a new body of unknown length. A part file
    // is made in folder (the system's temporary folder when empty), named
    // after name, once the body outgrows memoryLimit.
    void restart(const QString &folder, const QString &name, qint64 memoryLimit);
    // The Content-Length of the body to come, or -1; a length over the limit
    // goes straight to a part file. False when that cannot be made, or when
    // the body is larger than the space left where it would be written.
    bool setExpectedSize(qint64 size);
    qint64 expectedSize() const { return m_expected; }
    // False when the part file cannot be made or written, or when a body of
    // unknown length would leave less than kSpaceFloor (or 1 % of the file
    // system, if less) free; errorText() says why. Throws std::bad_alloc when
    // memory runs out.
    bool append(const char *data, size_t length);
    // The next at most max bytes, from memory or the part file.
    QByteArray takeChunk(qint64 max);
    // Bytes not yet taken.
    qint64 size() const;
    // Bytes appended since restart().
    qint64 received() const { return m_received; }
    bool spilled() const { return m_file.isOpen(); }
    // Hands the part file over; the store is empty afterwards.
    PartFile takeFile();
    // Goes on with the part file of a body that broke off: what arrives is
    // appended to it and counted after its bytes.
    void resume(PartFile file);
    // The system's reason why the body could not be stored; empty otherwise.
    QString errorText() const;
    void clear();

private:
    bool spill();
    bool failed(int error, const QString &why = QString());
    // As failed(), but what is stored so far stays: nothing of it is wrong.
    bool refused(int error, const QString &why);
    // False when the body would leave too little of the file system free.
    bool roomFor(qint64 bytes);

    BodyBuffer m_memory;
    PartFile m_file;
    QString m_folder;
    QString m_name;
    qint64 m_limit = kDefaultMemoryLimit;
    qint64 m_expected = -1;
    qint64 m_received = 0;
    qint64 m_readOffset = 0;
    int m_error = 0;
    QString m_errorText;         // ours, when the system's reason would say too little
    qint64 m_nextSpaceCheck = 0; // of a body of unknown length, in bytes received
};
