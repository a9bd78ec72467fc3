// The B+ trees of help files: fixed-size pages, leaf pages linked both ways
// in key order, index pages above them holding the first key of each child
// page. A structure string names the fields of an entry ('z', 'F', 'i':
// NUL-ended text; 'L', '4': 32 bits; '2': 16 bits); the first field is the key.
#pragma once

#include "bytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace hc {

// Leaf entries in key order, written one after the other into leaf(); an
// entry's key (as index pages repeat it) is its first field.
class BTreeEntries {
public:
    ByteWriter& leaf() { return m_bytes; }
    // Ends the entry written since the last call; its key is its first
    // `keySize` bytes.
    void add(int keySize) {
        const qsizetype begin = m_entries.empty() ? 0 : m_entries.back().end;
        m_entries.push_back({begin, m_bytes.size(), keySize});
    }
    // Room for `count` entries of `bytes` bytes in all.
    void reserve(std::size_t count, qsizetype bytes) {
        m_entries.reserve(count);
        m_bytes.reserve(bytes);
    }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    QByteArrayView leaf(std::size_t i) const {
        const Extent& e = m_entries[i];
        return m_bytes.view().sliced(e.begin, e.end - e.begin);
    }
    QByteArrayView key(std::size_t i) const { return leaf(i).first(m_entries[i].keySize); }

private:
    struct Extent {
        qsizetype begin, end;
        int keySize;
    };
    ByteWriter m_bytes;
    std::vector<Extent> m_entries;
};

struct BTreeShape {
    std::vector<int> leafPages;        // page number of each leaf, in key order
    std::vector<int> firstEntryOfLeaf; // index of the first entry on each leaf
};

// The tree's bytes (header and pages) for `entries`, which the caller gives
// in key order.
QByteArray BuildBTree(QByteArrayView structure, int pageSize, bool directory,
                      const BTreeEntries& entries, BTreeShape* shape = nullptr);
// The same, appended to `tree`.
void WriteBTree(ByteWriter& tree, QByteArrayView structure, int pageSize, bool directory,
                const BTreeEntries& entries, BTreeShape* shape = nullptr);

struct BTreeHeader {
    unsigned flags = 0;
    int pageSize = 0;
    QByteArray structure;
    int rootPage = 0;
    int totalPages = 0;
    int levels = 0;
    int totalEntries = 0;
};

class BTreeReader {
public:
    // `tree` is the internal file's content; throws FormatError naming `name`
    // when the header or a page does not hold together.
    BTreeReader(QByteArrayView tree, QByteArray name);

    const BTreeHeader& header() const { return m_header; }

    // Every leaf entry in key order, walking the chain of leaf pages. Checks
    // the chain's links both ways and the entry count.
    std::vector<QByteArrayView> entries() const;
    // The leaf pages in chain order and the index of their first entry.
    BTreeShape shape() const;

    // Descends from the root as a reader does: `compare(key)` tells whether
    // an entry's key sorts before (<0), at (0) or after (>0) the one wanted.
    std::optional<QByteArrayView> find(const std::function<int(QByteArrayView)>& compare) const;

    // The key field of an entry.
    QByteArrayView keyOf(QByteArrayView entry) const;

private:
    QByteArrayView page(int number) const;
    qsizetype entrySize(QByteArrayView at, bool leaf) const;
    int firstLeaf() const;
    [[noreturn]] void fail(const char* why) const;

    QByteArrayView m_tree;
    QByteArray m_name;
    BTreeHeader m_header;
};

// Key orders: text keys compare as bytes ('z', 'F') or without regard to
// letter case ('i'); 32-bit keys as signed numbers ('L').
// Folded as help files fold text: a-z and the Windows-1252 small letters
// (but the division sign) to capitals.
inline constexpr auto kCaseFold = [] {
    std::array<std::uint8_t, 256> fold{};
    for (int c = 0; c < 256; ++c)
        fold[std::size_t(c)] = std::uint8_t(
            (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 0x20 : c);
    return fold;
}();

inline int CompareCaseless(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(kCaseFold[std::uint8_t(a[i])]) - int(kCaseFold[std::uint8_t(b[i])]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace hc
