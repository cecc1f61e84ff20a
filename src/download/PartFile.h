#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>

// A hidden file in the folder a body is meant for, written while the body
// arrives. Completing it is a rename onto the target, so the target is either
// the old file or the whole new one; a part file that is not completed or
// kept is removed when it goes, whatever ended the transfer. It is named
// through the folder it was made in, held open, so it is found again even
// when that folder has been moved meanwhile.
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
    // Takes over the kept part at keptPath to write on after its first `size`
    // bytes; the kept name is free again afterwards.
    static PartFile adopt(const QString &keptPath, const QString &name, qint64 size, int *error);

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
    // Ends with `trailer` after the bytes and renames the file to keptPath,
    // where adopt() finds it; on failure the file is removed.
    bool keep(const QByteArray &trailer, const QString &keptPath);

private:
    static PartFile createIn(int dirFd, const QByteArray &path, const QByteArray &name, int *error);
    bool closeFile(int *error);
    bool renameOnto(const QString &target, int *error);
    bool copyOnto(const QString &target, int *error);
    bool copyInto(PartFile &destination, int *error);

    int m_fd = -1;
    int m_dirFd = -1;  // the folder it was made in
    QByteArray m_name; // in that folder
    QByteArray m_path; // as it was made, for messages
    qint64 m_size = 0;
};
