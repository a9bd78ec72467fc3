// The container of a help file: a 16-byte header, internal files each behind
// a 9-byte header (reserved size, used size, flags), and a directory of them
// kept as a tree of names and offsets.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <map>
#include <vector>

namespace hc {

class FileSystemWriter {
public:
    void add(const QByteArray& name, const QByteArray& content) { m_files[name] = content; }
    QByteArray build() const;

private:
    std::map<QByteArray, QByteArray> m_files; // names in byte order, as the directory wants
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
