#include "download/TargetFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QChar kSeparator = QLatin1Char('/');
} // namespace

QString TargetFolderPart(const QString &folder)
{
    if (folder.endsWith(kSeparator))
        return folder;
    return folder + kSeparator;
}

QString TargetFileName(const QString &prefix, const QString &document)
{
    QString name = document;
    name.remove(QLatin1Char('/'));
    return prefix + name;
}

bool IsUsableTargetFolder(const QString &folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder);
}

bool IsUsableFileName(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != QLatin1String(".") &&
           fileName != QLatin1String("..") && !fileName.contains(QChar(0));
}

namespace {
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The temporary name must fit wherever the target's name fits (255 bytes):
// "." + at most this many bytes of the name + ".part-XXXXXX".
constexpr qsizetype kTempNameBytes = 100;

QByteArray temporaryPattern(const QFileInfo &target)
{
    QByteArray name = QFile::encodeName(target.fileName());
    if (name.size() > kTempNameBytes) {
        // Cut before a UTF-8 continuation byte, never inside a character.
        qsizetype cut = kTempNameBytes;
        while (cut > 0 && (static_cast<uchar>(name.at(cut)) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    return QFile::encodeName(target.path()) + "/." + name + ".part-XXXXXX";
}

bool fail(QString *errorText, int error, const QByteArray &tempName)
{
    *errorText = QString::fromLocal8Bit(std::strerror(error));
    if (!tempName.isEmpty())
        ::unlink(tempName.constData());
    return false;
}
} // namespace

bool WriteFileReplacing(const QString &path, const QByteArray &body, QString *errorText)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray tempName = temporaryPattern(QFileInfo(path));
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(errorText, errno, QByteArray());
    // mkostemp makes the file private; a downloaded file gets the usual rights.
    ::fchmod(fd, 0666 & ~currentUmask());

    const char *data = body.constData();
    qint64 left = body.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return fail(errorText, error, tempName);
        }
        data += n;
        left -= n;
    }
    if (::close(fd) != 0)
        return fail(errorText, errno, tempName);
    if (::rename(tempName.constData(), target.constData()) != 0)
        return fail(errorText, errno, tempName);
    return true;
}
