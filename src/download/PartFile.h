#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>

// A hidden file in the folder a body is meant for, written while the body
// arrives. Completing it is a rename onto the target, so the target is either
// the old file or the whole new one; a part file that is not completed is
// removed when it goes, whatever ended the transfer.
class PartFile final
{
public:
    PartFile() = default;
    ~PartFile() { discard(); }
    PartFile(PartFile &&other) noexcept;
    PartFile &operator=(PartFile &&other) noexcept;
    PartFile(const PartFile &) = delete;
    PartFile &operator=(const PartFile &) = delete;

    // ".<name>.part-XXXXXX" in folder, with the usual rights of a new file.
    // On failure the result is not open and error holds errno.
    static PartFile create(const QString &folder, const QString &name, int *error);

    bool isOpen() const { return m_fd >= 0; }
    const QByteArray &path() const { return m_path; }
    qint64 size() const { return m_size; }

    // Appends all of data; false with errno in error otherwise.
    bool write(const char *data, size_t length, int *error);
    // Up to max bytes from offset; empty at the end. Throws std::system_error.
    QByteArray read(qint64 offset, qint64 max) const;

    // Renames the file onto target. Across file systems the bytes are copied
    // into a part file next to the target first, so the target is still
    // replaced in one step. Either way this part file is gone afterwards; on
    // failure errorText holds the system's reason and the target is untouched.
    bool complete(const QString &target, QString *errorText);
    // Removes the file; harmless when there is none.
    void discard();

private:
    bool closeFile(int *error);
    bool renameOnto(const QString &target, int *error);
    bool copyOnto(const QString &target, int *error);
    bool copyInto(PartFile &destination, int *error);

    int m_fd = -1;
    QByteArray m_path;
    qint64 m_size = 0;
};
