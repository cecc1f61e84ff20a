#include "download/PartFile.h"

#include <QFile>
#include <QFileInfo>
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

QByteArray partPattern(const QString &folder, const QString &name)
{
    QByteArray bytes = QFile::encodeName(name);
    if (bytes.size() > kNameBytes) {
        // Cut before a UTF-8 continuation byte, never inside a character.
        qsizetype cut = kNameBytes;
        while (cut > 0 && (static_cast<uchar>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    QByteArray pattern = QFile::encodeName(folder);
    if (!pattern.endsWith('/'))
        pattern += '/';
    return pattern + '.' + bytes + ".part-XXXXXX";
}
} // namespace

PartFile::PartFile(PartFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::exchange(other.m_path, QByteArray())),
      m_size(std::exchange(other.m_size, 0))
{
}

PartFile &PartFile::operator=(PartFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::exchange(other.m_path, QByteArray());
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

PartFile PartFile::create(const QString &folder, const QString &name, int *error)
{
    PartFile part;
    QByteArray path = partPattern(folder, name);
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return part;
    }
    // mkostemp makes the file private; a downloaded file gets the usual rights.
    ::fchmod(fd, 0666 & ~currentUmask());
    part.m_fd = fd;
    part.m_path = path;
    return part;
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
    const int source = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
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
    if (::rename(m_path.constData(), QFile::encodeName(target).constData()) != 0) {
        *error = errno;
        return false;
    }
    m_path.clear();
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
    if (!m_path.isEmpty())
        ::unlink(std::exchange(m_path, QByteArray()).constData());
    m_size = 0;
}
