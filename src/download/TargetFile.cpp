#include "download/TargetFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_WIN
const QChar kSeparator = QLatin1Char('\\');
#else
const QChar kSeparator = QLatin1Char('/');
#endif
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

bool IsUsableFileName(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != QLatin1String(".") &&
           fileName != QLatin1String("..") && !fileName.contains(QChar(0));
}

#ifdef Q_OS_WIN
bool WriteFileReplacing(const QString &path, const QByteArray &body, QString *errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        *errorText = file.errorString();
        return false;
    }
    return true;
}
#else
namespace {
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
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
    const QFileInfo info(path);
    QByteArray tempName =
        QFile::encodeName(info.path() + QLatin1String("/.") + info.fileName().left(100)) +
        ".part-XXXXXX";
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
#endif
