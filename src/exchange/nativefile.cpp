#include "exchange/nativefile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QString notRegular(mode_t mode)
{
    const QString what = S_ISDIR(mode)                    ? QStringLiteral("bir klasör")
                         : S_ISFIFO(mode)                 ? QStringLiteral("bir FIFO (adlı boru)")
                         : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("bir aygıt")
                         : S_ISSOCK(mode)                 ? QStringLiteral("bir soket")
                                                          : QStringLiteral("özel bir dosya");
    return QStringLiteral("normal bir dosya değil, %1; okunmadı").arg(what);
}

bool writeAll(int fd, const QByteArray &content)
{
    qint64 written = 0;
    while (written < content.size()) {
        const ssize_t n =
            ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

} // namespace

QString shownFileName(const QByteArray &path)
{
    QByteArray name = path;
    while (name.size() > 1 && name.endsWith('/'))
        name.chop(1);
    return QFile::decodeName(name.mid(name.lastIndexOf('/') + 1));
}

bool openRegularFile(const QByteArray &path, QFile &file, QString &why)
{
    struct stat before = {};
    if (::stat(path.constData(), &before) != 0) {
        why = QStringLiteral("okunamıyor (%1)").arg(qt_error_string(errno));
        return false;
    }
    if (!S_ISREG(before.st_mode)) {
        why = notRegular(before.st_mode);
        return false;
    }
    // Swapped for a FIFO in between, the file must still not block the open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = QStringLiteral("okunamıyor (%1)").arg(qt_error_string(errno));
        return false;
    }
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        why = notRegular(opened.st_mode);
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        why = QStringLiteral("okunamıyor (%1)").arg(file.errorString());
        ::close(fd);
        return false;
    }
    return true;
}

namespace
{

QByteArray scratchName(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return (slash < 0 ? QByteArray() : path.left(slash + 1)) + '.' + path.mid(slash + 1) +
           ".XXXXXX";
}

// The permissions a new file gets, or those of the file replaced.
mode_t modeFor(const QByteArray &path)
{
    struct stat existing = {};
    if (::stat(path.constData(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool replaceFile(const QByteArray &path, const QByteArray &content, QString &why)
{
    QByteArray temporary = scratchName(path);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        why = QStringLiteral("yazılamıyor (%1)").arg(qt_error_string(errno));
        return false;
    }
    const bool written =
        writeAll(fd, content) && ::fchmod(fd, modeFor(path)) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), path.constData()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.constData());
        why = QStringLiteral("yazılamadı (%1)").arg(qt_error_string(error));
        return false;
    }
    return true;
}

ScratchFile::ScratchFile(const QByteArray &target) : target(target), name(scratchName(target))
{
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        madeError = errno;
        return;
    }
    ::close(fd);
    pending = true;
}

ScratchFile::~ScratchFile()
{
    if (pending)
        ::unlink(name.constData());
}

bool ScratchFile::exists(QString &why) const
{
    if (madeError != 0)
        why = QStringLiteral("yazılamıyor (%1)").arg(qt_error_string(madeError));
    return madeError == 0;
}

bool ScratchFile::replaceTarget(QString &why)
{
    if (::chmod(name.constData(), modeFor(target)) != 0 ||
        ::rename(name.constData(), target.constData()) != 0) {
        why = QStringLiteral("yazılamadı (%1)").arg(qt_error_string(errno));
        return false;
    }
    pending = false;
    return true;
}

QString stoppedWriting()
{
    return QStringLiteral("durduruldu, dosya yazılmadı");
}
