// The container of a help file: a 16-byte header, internal files each behind
// a 9-byte header (reserved size, used size, flags), and a directory of them
// kept as a tree of names and offsets.
#pragma once

#include "bytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <map>
#include <vector>

namespace hc {

// The files go into one buffer in the order they are added, which becomes
// the help file: a large one is written in place rather than copied.
class FileSystemWriter {
public:
    FileSystemWriter();
    void add(const QByteArray& name, QByteArrayView content);
    // Starts the file `name`: its bytes are what is appended to the returned
    // writer until the next add(), begin() or build().
    ByteWriter& begin(const QByteArray& name);
    // Where the open file's bytes start in the writer begin() returned.
    qsizetype openFileStart() const { return m_open + kFileHeader; }
    QByteArray build();

    static constexpr int kFileHeader = 9;

private:
    void close();

    ByteWriter m_out;
    std::map<QByteArray, qsizetype> m_files; // where each file's header is, by name in byte order
    qsizetype m_open = -1;
};

class FileSystemReader {
public:
    // Throws FormatError when the header, the directory or a file's extent
    // does not hold together.
    explicit FileSystemReader(QByteArrayView whole);

    bool has(const QByteArray& name) const { return m_files.count(name) > 0; }
    // A file's used bytes; throws FormatError when there is no such file.
    QByteArrayView file(const QByteArray& name) const;
    std::vector<QByteArray> names() const;

private:
    QByteArrayView m_whole;
    std::map<QByteArray, QByteArrayView> m_files;
};

} // namespace hc
