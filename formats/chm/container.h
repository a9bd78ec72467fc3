// The container of a compiled HTML Help file: the header, the directory of
// internal files in chunks of 4 KB (listing chunks, and index chunks above
// them when there is more than one), the uncompressed section and the LZX
// compressed section with its control data and reset table.
#pragma once

#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <vector>

namespace chm {

class ContainerWriter {
public:
    // `path` is the internal name in UTF-8 ("/page.htm", "#SYSTEM" is
    // "/#SYSTEM"). Files go to the compressed section unless `uncompressed`.
    // False when a file of that name, in any letter case, is there already.
    bool add(const QByteArray& path, const QByteArray& content, bool uncompressed = false);
    bool contains(const QByteArray& path) const;

    // The whole file. `lcid` is the language of the directory.
    QByteArray write(std::uint32_t lcid, int lzxEffort = 24) const;

    // Sizes of the last write, for reports.
    struct Sizes {
        qint64 uncompressed = 0; // the compressed section before compression
        qint64 compressed = 0;
        int directoryChunks = 0;
    };
    const Sizes& sizes() const { return m_sizes; }

    // The order of names in the directory: bytes compared as ASCII lower case.
    static bool nameLess(const QByteArray& a, const QByteArray& b);

private:
    struct File {
        QByteArray path;
        QByteArray content;
        bool uncompressed = false;
    };
    std::vector<File> m_files;
    QHash<QByteArray, int> m_byFoldedName;
    mutable Sizes m_sizes;
};

} // namespace chm
