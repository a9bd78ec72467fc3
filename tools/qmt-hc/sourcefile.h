// Reading the compiler's input files. Only regular files are read: a device
// or a pipe named as a topic or map file would be read without end.
#pragma once

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

// Whether two names lead to one file: the same file on disk when both exist,
// else the same full name after links are resolved, in any letter case (the
// way Windows reads the names).
bool SameFile(const QString& a, const QString& b);

} // namespace hc
