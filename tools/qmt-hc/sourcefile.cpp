#include "sourcefile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace hc {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::filesystem::path fsPath(const QString& name) {
    const QByteArray encoded = QFile::encodeName(name);
    return std::filesystem::path(std::string(encoded.constData(), std::size_t(encoded.size())));
}

// Opens `path` if it is a regular file of at most `limit` bytes: the
// descriptor, else -1 with `f` saying why. `size` receives the file's size.
int openRegular(const QString& path, qint64 limit, SourceFile& f, qint64& size) {
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a pipe would wait for a writer.
    Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        const int error = errno;
        f.status = error == ENOENT || error == ENOTDIR ? SourceFile::Missing : SourceFile::Failed;
        f.reason = reasonOf(error);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        f.reason = reasonOf(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        f.status = SourceFile::NotRegular;
        return -1;
    }
    if (limit >= 0 && st.st_size > limit) {
        f.status = SourceFile::TooLarge;
        return -1;
    }
    size = st.st_size;
    f.status = SourceFile::Read;
    return fd.release();
}

} // namespace

SourceStream::SourceStream(const QString& path) {
    SourceFile f;
    m_fd = openRegular(path, -1, f, m_size);
    m_status = f.status;
    m_reason = f.reason;
}

SourceStream::~SourceStream() {
    if (m_fd >= 0)
        ::close(m_fd);
}

qsizetype SourceStream::read(char* to, qsizetype size) {
    if (m_fd < 0 || m_status != SourceFile::Read)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, to, std::size_t(size));
        if (n >= 0)
            return qsizetype(n);
        if (errno == EINTR)
            continue;
        m_status = SourceFile::Failed;
        m_reason = reasonOf(errno);
        return 0;
    }
}

SourceFile ReadSourceFile(const QString& path, qint64 limit) {
    SourceFile f;
    qint64 size = 0;
    Descriptor fd(openRegular(path, limit, f, size));
    if (fd.get() < 0)
        return f;
    f.status = SourceFile::Failed;
    f.bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < f.bytes.size()) {
        const ssize_t n =
            ::read(fd.get(), f.bytes.data() + done, std::size_t(f.bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            f.reason = reasonOf(errno);
            f.bytes.clear();
            return f;
        }
        if (n == 0)
            break; // the file shrank while it was read
        done += n;
    }
    f.bytes.truncate(done);
    f.status = SourceFile::Read;
    return f;
}

bool SameFile(const QString& a, const QString& b) {
    const QByteArray na = QFile::encodeName(a), nb = QFile::encodeName(b);
    struct stat sa {
    }, sb{};
    if (::stat(na.constData(), &sa) == 0 && ::stat(nb.constData(), &sb) == 0 &&
        sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    std::error_code ea, eb;
    const std::filesystem::path ca = std::filesystem::weakly_canonical(fsPath(a), ea);
    const std::filesystem::path cb = std::filesystem::weakly_canonical(fsPath(b), eb);
    if (ea || eb)
        return false;
    const QString sa2 = QFile::decodeName(QByteArray::fromStdString(ca.string()));
    const QString sb2 = QFile::decodeName(QByteArray::fromStdString(cb.string()));
    return sa2.compare(sb2, Qt::CaseInsensitive) == 0;
}

} // namespace hc
