#include "fulltext.h"

#include "bytes.h"

#include <QHash>
#include <algorithm>
#include <array>

namespace chm {

using namespace bytes;

namespace {

constexpr int kHeaderSize = 0x400;
constexpr int kNodeSize = 0x1000;
constexpr int kLeafHeader = 8;
constexpr int kIndexHeader = 2;
constexpr qsizetype kMaxWord = 64;
constexpr int kScale = 2; // the numbers' code: "scale 2, root r" (below)

// Seven bits a byte, the lowest first, the top bit set on all but the last.
void putLowFirst(QByteArray& b, std::uint64_t v) {
    while (v >= 0x80) {
        b.append(char((v & 0x7F) | 0x80));
        v >>= 7;
    }
    b.append(char(v));
}

// The lower-case letter of a Windows-1252 byte that is a letter or digit;
// 0 for every other byte.
constexpr std::array<std::uint8_t, 256> kFold = [] {
    std::array<std::uint8_t, 256> fold{};
    for (int c = '0'; c <= '9'; ++c)
        fold[std::size_t(c)] = std::uint8_t(c);
    for (int c = 'a'; c <= 'z'; ++c)
        fold[std::size_t(c)] = fold[std::size_t(c - 'a' + 'A')] = std::uint8_t(c);
    for (int c = 0xE0; c <= 0xFF; ++c)
        if (c != 0xF7)
            fold[std::size_t(c)] = std::uint8_t(c);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            fold[std::size_t(c)] = std::uint8_t(c + 0x20);
    fold[0x8A] = fold[0x9A] = 0x9A; // S with caron
    fold[0x8C] = fold[0x9C] = 0x9C; // OE
    fold[0x8E] = fold[0x9E] = 0x9E; // Z with caron
    fold[0x9F] = 0xFF;              // Y with diaeresis
    fold[0xDF] = 0xDF;              // sharp s
    fold[0x83] = 0x83;              // f with hook
    fold[0xAA] = 0xAA;
    fold[0xBA] = 0xBA;
    return fold;
}();

bool startsWithTag(const QByteArray& page, qsizetype at, const char* name) {
    qsizetype i = at;
    for (const char* p = name; *p; ++p, ++i)
        if (i >= page.size() || (page[i] | 0x20) != *p)
            return false;
    return i >= page.size() || kFold[std::uint8_t(page[i])] == 0;
}

// Numbers in the "scale 2, root r" code: n < 2^r as a 0 bit and r bits;
// else, with b the position of n's top bit, (b - r + 1) one bits, a 0 bit
// and n's b lower bits. Bits fill each byte from its top.
class SrWriter {
public:
    explicit SrWriter(QByteArray& out) : m_out(out) {}
    void startByte() { m_bit = 0; }
    void put(std::uint64_t n, int root) {
        if (n < (std::uint64_t(1) << root)) {
            bit(false);
            bits(n, root);
            return;
        }
        const int top = 63 - __builtin_clzll(n);
        for (int i = 0; i < top - root + 1; ++i)
            bit(true);
        bit(false);
        bits(n, top);
    }
    static int cost(std::uint64_t n, int root) {
        if (n < (std::uint64_t(1) << root))
            return 1 + root;
        const int top = 63 - __builtin_clzll(n);
        return top - root + 2 + top;
    }

private:
    void bits(std::uint64_t n, int count) {
        for (int i = count - 1; i >= 0; --i)
            bit(((n >> i) & 1) != 0);
    }
    void bit(bool on) {
        if (m_bit == 0)
            m_out.append('\0');
        if (on)
            m_out.back() = char(std::uint8_t(m_out.back()) | (0x80 >> m_bit));
        m_bit = (m_bit + 1) & 7;
    }
    QByteArray& m_out;
    int m_bit = 0;
};

struct Posting {
    std::uint32_t page = 0;
    std::vector<std::uint32_t> positions;
};

// The root (0-15) that codes `values` in the fewest bits.
template <typename Each> int bestRoot(Each each) {
    std::array<qint64, 16> total{};
    each([&total](std::uint64_t n) {
        for (int r = 0; r < 16; ++r)
            total[std::size_t(r)] += SrWriter::cost(n, r);
    });
    return int(std::min_element(total.begin(), total.end()) - total.begin());
}

qsizetype commonPrefix(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min({a.size(), b.size(), qsizetype(255)});
    qsizetype i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

std::vector<QByteArray> PageWords(const QByteArray& page) {
    std::vector<QByteArray> words;
    QByteArray word;
    const auto endWord = [&] {
        if (!word.isEmpty() && word.size() <= kMaxWord)
            words.push_back(word);
        word.clear();
    };
    const qsizetype n = page.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = page[i];
        if (c == '<') {
            endWord();
            if (page.mid(i, 4) == "<!--") {
                const qsizetype end = page.indexOf("-->", i + 4);
                i = end < 0 ? n : end + 2;
                continue;
            }
            for (const char* skipped : {"script", "style"})
                if (startsWithTag(page, i + 1, skipped)) {
                    qsizetype end = i + 1;
                    while ((end = page.indexOf("</", end)) >= 0 &&
                           !startsWithTag(page, end + 2, skipped))
                        end += 2;
                    i = end < 0 ? n : end;
                    break;
                }
            const qsizetype end = page.indexOf('>', i);
            i = end < 0 ? n : end;
            continue;
        }
        if (c == '&') {
            endWord();
            const qsizetype end = page.indexOf(';', i);
            if (end > i && end - i <= 10)
                i = end;
            continue;
        }
        const std::uint8_t folded = kFold[std::uint8_t(c)];
        if (folded != 0)
            word.append(char(folded));
        else
            endWord();
    }
    endWord();
    return words;
}

QByteArray BuildFullTextIndex(const std::vector<QByteArray>& pages, std::uint32_t lcid) {
    QHash<QByteArray, int> wordId;
    std::vector<QByteArray> words;
    std::vector<std::vector<Posting>> postings;
    for (std::size_t page = 0; page < pages.size(); ++page) {
        const std::vector<QByteArray> found = PageWords(pages[page]);
        for (std::size_t at = 0; at < found.size(); ++at) {
            auto it = wordId.find(found[at]);
            if (it == wordId.end()) {
                it = wordId.insert(found[at], int(words.size()));
                words.push_back(found[at]);
                postings.emplace_back();
            }
            std::vector<Posting>& list = postings[std::size_t(*it)];
            if (list.empty() || list.back().page != page)
                list.push_back({std::uint32_t(page), {}});
            list.back().positions.push_back(std::uint32_t(at));
        }
    }
    std::vector<int> order(words.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return words[std::size_t(a)] < words[std::size_t(b)]; });

    // The roots that code this index's numbers shortest.
    const auto eachPosting = [&](auto&& f) {
        for (const std::vector<Posting>& list : postings) {
            std::uint32_t previous = 0;
            for (const Posting& p : list) {
                f(p, p.page - previous);
                previous = p.page;
            }
        }
    };
    const int pageRoot = bestRoot(
        [&](auto&& put) { eachPosting([&](const Posting&, std::uint32_t delta) { put(delta); }); });
    const int countRoot = bestRoot([&](auto&& put) {
        eachPosting([&](const Posting& p, std::uint32_t) { put(p.positions.size()); });
    });
    const int positionRoot = bestRoot([&](auto&& put) {
        eachPosting([&](const Posting& p, std::uint32_t) {
            std::uint32_t previous = 0;
            for (const std::uint32_t at : p.positions) {
                put(at - previous);
                previous = at;
            }
        });
    });

    // Each word's list of pages: the page (from the previous one), the
    // number of places and the places (each from the previous one), every
    // page starting on a new byte.
    QByteArray lists;
    struct Entry {
        QByteArray word;
        std::uint32_t pages = 0;
        std::uint32_t offset = 0; // of its list in lists
        std::uint32_t size = 0;
    };
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (const int id : order) {
        const std::vector<Posting>& list = postings[std::size_t(id)];
        const auto start = std::uint32_t(lists.size());
        SrWriter w(lists);
        std::uint32_t previousPage = 0;
        for (const Posting& p : list) {
            w.startByte();
            w.put(p.page - previousPage, pageRoot);
            previousPage = p.page;
            w.put(p.positions.size(), countRoot);
            std::uint32_t previous = 0;
            for (const std::uint32_t at : p.positions) {
                w.put(at - previous, positionRoot);
                previous = at;
            }
        }
        entries.push_back({words[std::size_t(id)], std::uint32_t(list.size()), start,
                           std::uint32_t(lists.size()) - start});
    }

    // Leaf nodes: each word shares its first bytes with the word before it
    // in the node.
    const std::uint32_t listsAt = kHeaderSize;
    const std::uint32_t leavesAt = listsAt + std::uint32_t(lists.size());
    std::vector<QByteArray> leaves;
    struct Child {
        QByteArray lastWord;
        std::uint32_t offset = 0;
    };
    std::vector<Child> level;
    QByteArray node, previous;
    const auto startLeaf = [&] {
        node = QByteArray(kLeafHeader, '\0');
        previous.clear();
    };
    const auto finishLeaf = [&](const QByteArray& lastWord) {
        const qsizetype free = kNodeSize - node.size();
        setU16(node, 6, std::uint32_t(free));
        node.append(QByteArray(free, '\0'));
        level.push_back({lastWord, leavesAt + std::uint32_t(leaves.size()) * kNodeSize});
        leaves.push_back(node);
    };
    startLeaf();
    QByteArray lastWord;
    for (const Entry& e : entries) {
        QByteArray bytes;
        const auto build = [&](const QByteArray& before) {
            bytes.clear();
            const qsizetype shared = commonPrefix(before, e.word);
            bytes.append(char(e.word.size() - shared + 1));
            bytes.append(char(shared));
            bytes += e.word.mid(shared);
            bytes.append('\0'); // found in the text, not only the title
            putLowFirst(bytes, e.pages);
            putU32(bytes, listsAt + e.offset);
            putU16(bytes, 0);
            putLowFirst(bytes, e.size);
        };
        build(previous);
        if (node.size() + bytes.size() > kNodeSize) {
            finishLeaf(lastWord);
            startLeaf();
            build(previous);
        }
        node += bytes;
        previous = e.word;
        lastWord = e.word;
    }
    finishLeaf(lastWord);
    for (std::size_t i = 0; i + 1 < leaves.size(); ++i)
        setU32(leaves[i], 0, leavesAt + std::uint32_t(i + 1) * kNodeSize);

    // Index nodes: for each node below, its last word and where it is.
    std::vector<QByteArray> indexNodes;
    const std::uint32_t indexAt = leavesAt + std::uint32_t(leaves.size()) * kNodeSize;
    int depth = 1;
    while (level.size() > 1) {
        std::vector<Child> upper;
        QByteArray index(kIndexHeader, '\0');
        QByteArray last;
        const auto finishIndex = [&] {
            const qsizetype free = kNodeSize - index.size();
            setU16(index, 0, std::uint32_t(free));
            index.append(QByteArray(free, '\0'));
            upper.push_back({last, indexAt + std::uint32_t(indexNodes.size()) * kNodeSize});
            indexNodes.push_back(index);
            index = QByteArray(kIndexHeader, '\0');
        };
        for (const Child& c : level) {
            QByteArray bytes;
            bytes.append(char(c.lastWord.size() + 1));
            bytes.append('\0');
            bytes += c.lastWord;
            putU32(bytes, c.offset);
            putU16(bytes, 0);
            if (index.size() + bytes.size() > kNodeSize)
                finishIndex();
            index += bytes;
            last = c.lastWord;
        }
        finishIndex();
        level = upper;
        ++depth;
    }

    QByteArray header(kHeaderSize, '\0');
    setU32(header, 0x04, std::uint32_t(pages.size()));
    setU32(header, 0x08, std::uint32_t(entries.size()));
    setU32(header, 0x0C, std::uint32_t(leaves.size()));
    setU32(header, 0x14, level.front().offset); // the root node
    setU16(header, 0x18, std::uint32_t(depth));
    header[0x1E] = char(kScale);
    header[0x1F] = char(pageRoot);
    header[0x20] = char(kScale);
    header[0x21] = char(countRoot);
    header[0x22] = char(kScale);
    header[0x23] = char(positionRoot);
    setU32(header, 0x2E, kNodeSize);
    setU32(header, 0x7E, lcid);

    QByteArray out = header + lists;
    for (const QByteArray& leaf : leaves)
        out += leaf;
    for (const QByteArray& index : indexNodes)
        out += index;
    return out;
}

} // namespace chm
