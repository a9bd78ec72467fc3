#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileio {

namespace {

constexpr qsizetype kBufferSize = 1 << 16;
constexpr char kWorkSuffix[] = ".qmt-";
// Room for ".", the suffix and "XXXXXX" within a file system's 255-byte names.
constexpr qsizetype kMaxBaseName = 255 - 1 - 5 - 6;

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The process's file-creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t currentUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                return static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 022;
}

QByteArray workTemplate(const QByteArray& targetPath) {
    const qsizetype slash = targetPath.lastIndexOf('/');
    const QByteArray folder = targetPath.left(slash + 1);
    const QByteArray name = targetPath.mid(slash + 1).left(kMaxBaseName);
    return folder + '.' + name + kWorkSuffix + "XXXXXX";
}

bool writeAll(int fd, const char* data, qsizetype size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : path.left(qMax<qsizetype>(slash, 1));
}

void syncFolder(const QByteArray& path) {
    const int dir = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir); // the rename itself is already done; a failure here loses nothing
        ::close(dir);
    }
}

} // namespace

FileWriteError::FileWriteError(const QString& fileName, const QString& what)
    : std::runtime_error(QString(fileName + QStringLiteral(": ") + what).toStdString()),
      m_fileName(fileName), m_what(what) {}

QString FileWriteError::message() const {
    return QDir::toNativeSeparators(m_fileName) + QStringLiteral(": ") + m_what;
}

SaveFile::SaveFile(const QString& target) : m_target(target) {
    QString resolved = target;
    const QFileInfo info(target);
    if (info.isSymLink())
        resolved = info.symLinkTarget(); // rewrite the file the link names, keep the link
    m_targetPath = QFile::encodeName(resolved);
    if (QFileInfo(resolved).isDir())
        throw FileWriteError(target, QStringLiteral("could not be written: it is a folder"));

    for (int attempt = 0; attempt < 3 && m_fd < 0; ++attempt) {
        QByteArray work = workTemplate(m_targetPath);
        const int fd = ::mkostemp(work.data(), O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            throw FileWriteError(target,
                                 QStringLiteral("could not be written: no work file can be made "
                                                "in its folder (") +
                                     systemReason(error) + QLatin1Char(')'));
        }
        // The lock tells a later cleaner that this work file is still in use.
        // A cleaner may have removed the name between creation and locking:
        // then the name no longer leads to this file, and another is made.
        struct stat byName {};
        struct stat byHandle {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::stat(work.constData(), &byName) == 0 &&
            ::fstat(fd, &byHandle) == 0 && byName.st_ino == byHandle.st_ino &&
            byName.st_dev == byHandle.st_dev) {
            m_fd = fd;
            m_workPath = work;
        } else {
            ::close(fd);
        }
    }
    if (m_fd < 0)
        throw FileWriteError(target, QStringLiteral("could not be written: its work file was "
                                                    "removed while it was made"));
    m_buffer.reserve(kBufferSize);
}

SaveFile::~SaveFile() {
    discard();
}

void SaveFile::discard() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_workPath.isEmpty()) {
        ::unlink(m_workPath.constData());
        m_workPath.clear();
    }
}

void SaveFile::fail(const QString& what, int error) {
    discard();
    throw FileWriteError(m_target, what + QStringLiteral(": ") + systemReason(error) +
                                       QStringLiteral(" (the file was left as it was)"));
}

void SaveFile::write(QByteArrayView bytes) {
    if (m_buffer.size() + bytes.size() > kBufferSize)
        flush();
    if (bytes.size() >= kBufferSize) {
        int error = 0;
        if (!writeAll(m_fd, bytes.data(), bytes.size(), error))
            fail(QStringLiteral("could not be written"), error);
        return;
    }
    m_buffer.append(bytes);
}

void SaveFile::flush() {
    if (m_buffer.isEmpty())
        return;
    int error = 0;
    if (!writeAll(m_fd, m_buffer.constData(), m_buffer.size(), error))
        fail(QStringLiteral("could not be written"), error);
    m_buffer.clear();
}

void SaveFile::commit(FolderSync folderSync) {
    if (m_fd < 0)
        throw FileWriteError(m_target, QStringLiteral("could not be written"));
    flush();
    struct stat old {};
    const mode_t mode = ::stat(m_targetPath.constData(), &old) == 0 ? (old.st_mode & 07777)
                                                                    : (0666 & ~currentUmask());
    if (::fchmod(m_fd, mode) != 0)
        fail(QStringLiteral("could not be written"), errno);
    if (::fsync(m_fd) != 0)
        fail(QStringLiteral("could not be written"), errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        fail(QStringLiteral("could not be written"), error);
    }
    if (::rename(m_workPath.constData(), m_targetPath.constData()) != 0)
        fail(QStringLiteral("could not be replaced"), errno);
    m_workPath.clear();
    if (folderSync == FolderSync::Now)
        syncFolder(folderOf(m_targetPath));
}

QString SaveFile::folder() const {
    return QFile::decodeName(folderOf(m_targetPath));
}

void SyncFolder(const QString& folder) {
    const int dir =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0) {
        const int error = errno;
        if (dir >= 0)
            ::close(dir);
        throw FileWriteError(folder, QStringLiteral("could not be synced to the disk: ") +
                                         systemReason(error));
    }
    ::close(dir);
}

void SaveBytes(const QString& target, QByteArrayView bytes) {
    SaveFile file(target);
    file.write(bytes);
    file.commit();
}

bool IsWorkFileName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.qmt-[A-Za-z0-9]{6}$"));
    return pattern.match(fileName).hasMatch();
}

int RemoveStaleWorkFiles(const QString& folder) {
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!IsWorkFileName(name))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace fileio
