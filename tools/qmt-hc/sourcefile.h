// Reading the compiler's input files. Only regular files are read: a device
// or a pipe named as a topic or map file would be read without end.
#pragma once

#include "rtf/rtftokenizer.h"

#include <QByteArray>
#include <QString>

namespace hc {

struct SourceFile {
    enum Status { Read, Missing, NotRegular, TooLarge, Failed };
    Status status = Failed;
    QByteArray bytes;
    QString reason; // Failed: the system's reason
};

// Reads `path` whole. `limit` (bytes; negative: none) refuses larger files
// before anything is read. Throws std::bad_alloc when memory runs out.
SourceFile ReadSourceFile(const QString& path, qint64 limit = -1);

// A file opened to be read a piece at a time, with the checks of
// ReadSourceFile; status() is Read once it is open, Failed after a read
// that failed (reason() says why).
class SourceStream : public rtf::ByteSource {
public:
    explicit SourceStream(const QString& path);
    ~SourceStream() override;
    SourceStream(const SourceStream&) = delete;
    SourceStream& operator=(const SourceStream&) = delete;

    SourceFile::Status status() const { return m_status; }
    const QString& reason() const { return m_reason; }
    qint64 size() const { return m_size; } // when it was opened
    qsizetype read(char* to, qsizetype size) override;

private:
    int m_fd = -1;
    SourceFile::Status m_status = SourceFile::Failed;
    QString m_reason;
    qint64 m_size = 0;
};

// Whether two names lead to one file: the same file on disk when both exist,
// else the same full name after links are resolved, in any letter case (the
// way Windows reads the names).
bool SameFile(const QString& a, const QString& b);

} // namespace hc
