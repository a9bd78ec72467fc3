#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

// 0, or the error of opening or syncing.
int syncPath(const QByteArray& path, int flags) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : path.left(qMax<qsizetype>(slash, 1));
}

// Syncs files on a few threads: a journaling file system commits syncs that
// wait together in one go. Returns the error of each file (0 when synced).
std::vector<int> syncFiles(const QStringList& files) {
    std::vector<int> errors(std::size_t(files.size()), 0);
    std::atomic<qsizetype> next{0};
    const auto work = [&] {
        for (qsizetype i = next++; i < files.size(); i = next++)
            errors[std::size_t(i)] = syncPath(QFile::encodeName(files[i]), 0);
    };
    const qsizetype threads = std::clamp<qsizetype>(files.size() / 8, 1, 4);
    std::vector<std::thread> helpers;
    for (qsizetype t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return errors;
}

QString unsyncedFolder(int error) {
    return QStringLiteral("could not be saved for certain: its folder could not be synced (") +
           systemReason(error) + QStringLiteral("), so a crash may still lose it");
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

void SaveFile::commit() {
    FolderSync folder;
    commit(folder);
    const std::vector<FileWriteError> errors = folder.sync();
    if (!errors.empty())
        throw errors.front();
}

void SaveFile::commit(FolderSync& folders) {
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
    folders.renamed(folderOf(m_targetPath), m_target);
}

void FolderSync::renamed(const QByteArray& folderPath, const QString& file) {
    const std::lock_guard lock(m_mutex);
    folder(folderPath).renamed << file;
}

FolderSync::Folder& FolderSync::folder(const QByteArray& path) {
    for (Folder& f : m_folders)
        if (f.path == path)
            return f;
    m_folders.push_back({path, {}, {}});
    return m_folders.back();
}

void FolderSync::addWrittenFile(const QString& path) {
    const std::lock_guard lock(m_mutex);
    folder(folderOf(QFile::encodeName(QFileInfo(path).absoluteFilePath()))).written << path;
}

std::vector<FileWriteError> FolderSync::sync() {
    std::vector<FileWriteError> errors;
    for (const Folder& f : std::exchange(m_folders, {})) {
        const std::vector<int> fileErrors = syncFiles(f.written);
        const int folderError = syncPath(f.path, O_DIRECTORY);
        for (const QString& file : f.renamed)
            if (folderError != 0)
                errors.emplace_back(file, unsyncedFolder(folderError));
        for (qsizetype i = 0; i < f.written.size(); ++i) {
            if (const int error = fileErrors[std::size_t(i)]; error != 0)
                errors.emplace_back(f.written[i],
                                    QStringLiteral("could not be saved: ") + systemReason(error));
            else if (folderError != 0)
                errors.emplace_back(f.written[i], unsyncedFolder(folderError));
        }
    }
    return errors;
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
