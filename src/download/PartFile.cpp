#include "download/PartFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The part file's name must fit wherever the target's name fits (255 bytes):
// "." + at most this many bytes of the name + ".part-XXXXXX".
constexpr qsizetype kNameBytes = 100;

// ".<name>.part-" with the name cut to fit; six random characters follow.
QByteArray partPrefix(const QString &name)
{
    QByteArray bytes = QFile::encodeName(name);
    if (bytes.size() > kNameBytes) {
        // Cut before a UTF-8 continuation byte, never inside a character.
        qsizetype cut = kNameBytes;
        while (cut > 0 && (static_cast<uchar>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    return '.' + bytes + ".part-";
}

QByteArray randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, Qt::Uninitialized);
    for (char &c : suffix)
        c = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return suffix;
}

QByteArray folderPath(const QString &folder)
{
    QByteArray path = QFile::encodeName(folder);
    if (!path.endsWith('/'))
        path += '/';
    return path;
}
} // namespace

PartFile::PartFile(PartFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_dirFd(std::exchange(other.m_dirFd, -1)),
      m_name(std::exchange(other.m_name, QByteArray())),
      m_path(std::exchange(other.m_path, QByteArray())), m_size(std::exchange(other.m_size, 0))
{
}

PartFile &PartFile::operator=(PartFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_dirFd = std::exchange(other.m_dirFd, -1);
        m_name = std::exchange(other.m_name, QByteArray());
        m_path = std::exchange(other.m_path, QByteArray());
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

PartFile PartFile::create(const QString &folder, const QString &name, int *error)
{
    const QByteArray path = folderPath(folder);
    const int dirFd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        *error = errno;
        return PartFile();
    }
    return createIn(dirFd, path, partPrefix(name), error);
}

PartFile PartFile::createIn(int dirFd, const QByteArray &path, const QByteArray &prefix, int *error)
{
    PartFile part;
    part.m_dirFd = dirFd;
    for (int tries = 0; tries < 100; ++tries) {
        const QByteArray name = prefix + randomSuffix();
        const int fd = ::openat(dirFd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                                0666 & ~currentUmask());
        if (fd >= 0) {
            part.m_fd = fd;
            part.m_name = name;
            part.m_path = path + name;
            return part;
        }
        if (errno != EEXIST)
            break;
    }
    *error = errno;
    return part;
}

PartFile PartFile::adopt(const QString &keptPath, const QString &name, qint64 size, int *error)
{
    const QFileInfo kept(keptPath);
    PartFile part = create(kept.path(), name, error);
    if (!part.isOpen())
        return part;
    const QByteArray keptName = QFile::encodeName(kept.fileName());
    ::close(std::exchange(part.m_fd, -1));
    // Renamed over the fresh name: no two batches continue the same part.
    if (::renameat(part.m_dirFd, keptName.constData(), part.m_dirFd, part.m_name.constData()) !=
            0 ||
        (part.m_fd = ::openat(part.m_dirFd, part.m_name.constData(),
                              O_RDWR | O_NOFOLLOW | O_CLOEXEC)) < 0 ||
        ::ftruncate(part.m_fd, size) != 0 || ::lseek(part.m_fd, size, SEEK_SET) != size) {
        *error = errno;
        part.discard();
        return part;
    }
    part.m_size = size;
    return part;
}

bool PartFile::keep(const QByteArray &trailer, const QString &keptPath)
{
    int error = 0;
    if (!isOpen() || !write(trailer.constData(), static_cast<size_t>(trailer.size()), &error) ||
        ::fsync(m_fd) != 0 || !closeFile(&error) ||
        ::renameat(m_dirFd, m_name.constData(), AT_FDCWD,
                   QFile::encodeName(keptPath).constData()) != 0) {
        discard();
        return false;
    }
    m_name.clear();
    discard();
    return true;
}

bool PartFile::write(const char *data, size_t length, int *error)
{
    while (length > 0) {
        const ssize_t n = ::write(m_fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
        m_size += n;
    }
    return true;
}

QByteArray PartFile::read(qint64 offset, qint64 max) const
{
    QByteArray bytes(static_cast<qsizetype>(qBound<qint64>(0, m_size - offset, max)),
                     Qt::Uninitialized);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done,
                                  static_cast<size_t>(bytes.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::system_error(n < 0 ? errno : EIO, std::generic_category(),
                                    "Cannot read back the received body");
        done += n;
    }
    return bytes;
}

bool PartFile::closeFile(int *error)
{
    const int fd = std::exchange(m_fd, -1);
    if (fd >= 0 && ::close(fd) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

bool PartFile::copyInto(PartFile &destination, int *error)
{
    const int source = ::openat(m_dirFd, m_name.constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        *error = errno;
        return false;
    }
    bool ok = true;
    // In the kernel: a body of any size crosses without passing through our memory.
    for (off_t offset = 0; ok && offset < m_size;) {
        const ssize_t n =
            ::sendfile(destination.m_fd, source, &offset, static_cast<size_t>(m_size - offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : EIO;
            ok = false;
        }
    }
    ::close(source);
    destination.m_size = m_size;
    return ok;
}

bool PartFile::renameOnto(const QString &target, int *error)
{
    if (!closeFile(error))
        return false;
    if (::renameat(m_dirFd, m_name.constData(), AT_FDCWD, QFile::encodeName(target).constData()) !=
        0) {
        *error = errno;
        return false;
    }
    m_name.clear();
    return true;
}

bool PartFile::copyOnto(const QString &target, int *error)
{
    const QFileInfo info(target);
    PartFile copy = create(info.path(), info.fileName(), error);
    return copy.isOpen() && copyInto(copy, error) && copy.renameOnto(target, error);
}

bool PartFile::complete(const QString &target, QString *errorText)
{
    int error = 0;
    const bool done = renameOnto(target, &error) || (error == EXDEV && copyOnto(target, &error));
    discard();
    if (!done)
        *errorText = QString::fromLocal8Bit(std::strerror(error));
    return done;
}

void PartFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    // Through the folder it was made in, wherever that lies now.
    if (!m_name.isEmpty())
        ::unlinkat(m_dirFd, std::exchange(m_name, QByteArray()).constData(), 0);
    if (m_dirFd >= 0)
        ::close(std::exchange(m_dirFd, -1));
    m_path.clear();
    m_size = 0;
}
