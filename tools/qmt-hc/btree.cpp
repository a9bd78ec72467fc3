#include "btree.h"

#include "bytes.h"

namespace hc {

namespace {

constexpr int kLeafHeader = 8;
constexpr int kIndexHeader = 6;
constexpr int kTreeHeader = 38;

struct Child {
    QByteArrayView key; // in the entries
    int page;
};

} // namespace

void WriteBTree(ByteWriter& tree, QByteArrayView structure, int pageSize, bool directory,
                const BTreeEntries& entries, BTreeShape* shape) {
    // The header, then the pages in the order they are numbered: the
    // leaves, then each level of index pages up to the root.
    const qsizetype base = tree.size();
    tree.zeros(kTreeHeader);
    int pages = 0;
    const auto pageAt = [&](int page) { return base + kTreeHeader + qsizetype(page) * pageSize; };
    const auto endPage = [&](int page) { tree.zeros(pageAt(page + 1) - tree.size()); };
    std::vector<Child> children; // first key and page of each page of the level below

    // Leaves: entries packed in order.
    {
        std::vector<int> firsts;
        std::size_t i = 0;
        do {
            const int number = pages++;
            const qsizetype at = pageAt(number);
            tree.zeros(kLeafHeader);
            const std::size_t first = i;
            while (i < entries.size() && tree.size() - at + entries.leaf(i).size() <= pageSize) {
                if (entries.leaf(i).size() > pageSize - kLeafHeader)
                    throw FormatError("an entry does not fit in a tree page");
                tree.bytes(entries.leaf(i));
                ++i;
            }
            if (i < entries.size() && i == first)
                throw FormatError("an entry does not fit in a tree page");
            tree.put16(at, std::uint16_t(pageSize - (tree.size() - at)));
            tree.put16(at + 2, std::uint16_t(i - first));
            tree.put16(at + 4, std::uint16_t(number == 0 ? 0xFFFF : number - 1));
            tree.put16(at + 6, std::uint16_t(i < entries.size() ? number + 1 : 0xFFFF));
            endPage(number);
            children.push_back(
                {first < entries.size() ? entries.key(first) : QByteArrayView(), number});
            firsts.push_back(int(first));
        } while (i < entries.size());
        if (shape) {
            shape->firstEntryOfLeaf = firsts;
            shape->leafPages.clear();
            for (int p = 0; p < pages; ++p)
                shape->leafPages.push_back(p);
        }
    }
    const int leafCount = pages;

    // Index levels until one page holds them all.
    int levels = 1;
    while (children.size() > 1) {
        std::vector<Child> above;
        std::size_t i = 0;
        while (i < children.size()) {
            const int number = pages++;
            const qsizetype at = pageAt(number);
            tree.zeros(kIndexHeader);
            const Child& leftmost = children[i++];
            int count = 0;
            while (i < children.size() &&
                   tree.size() - at + children[i].key.size() + 2 <= pageSize) {
                tree.bytes(children[i].key);
                tree.u16(std::uint16_t(children[i].page));
                ++i;
                ++count;
            }
            if (count == 0 && i < children.size())
                throw FormatError("a key does not fit in a tree page");
            tree.put16(at, std::uint16_t(pageSize - (tree.size() - at)));
            tree.put16(at + 2, std::uint16_t(count));
            tree.put16(at + 4, std::uint16_t(leftmost.page));
            endPage(number);
            above.push_back({leftmost.key, number});
        }
        children = std::move(above);
        ++levels;
    }
    if (pages > 0x7FFF)
        throw FormatError("a tree has more pages than a help file can index");

    tree.put16(base, 0x293B);
    tree.put16(base + 2, std::uint16_t(0x0002 | (directory ? 0x0400 : 0)));
    tree.put16(base + 4, std::uint16_t(pageSize));
    for (qsizetype k = 0; k < std::min<qsizetype>(structure.size(), 15); ++k)
        tree.put8(base + 6 + k, std::uint8_t(structure[k])); // NUL-padded to 16
    // base + 22: must be zero
    tree.put16(base + 24, std::uint16_t(leafCount - 1));         // page splits
    tree.put16(base + 26, std::uint16_t(children.front().page)); // root
    tree.put16(base + 28, 0xFFFF);
    tree.put16(base + 30, std::uint16_t(pages));
    tree.put16(base + 32, std::uint16_t(levels));
    tree.put32(base + 34, std::uint32_t(entries.size()));
}

QByteArray BuildBTree(QByteArrayView structure, int pageSize, bool directory,
                      const BTreeEntries& entries, BTreeShape* shape) {
    ByteWriter tree;
    WriteBTree(tree, structure, pageSize, directory, entries, shape);
    return tree.take();
}

BTreeReader::BTreeReader(QByteArrayView tree, QByteArray name)
    : m_tree(tree), m_name(std::move(name)) {
    ByteReader r(tree, m_name.constData());
    if (r.u16() != 0x293B)
        fail("is not a tree (wrong magic number)");
    m_header.flags = r.u16();
    m_header.pageSize = r.u16();
    QByteArray structure = r.bytes(16);
    m_header.structure = structure.left(structure.indexOf('\0') < 0 ? 16 : structure.indexOf('\0'));
    r.skip(4); // zero, page splits
    m_header.rootPage = r.i16();
    r.skip(2);
    m_header.totalPages = r.i16();
    m_header.levels = r.i16();
    m_header.totalEntries = r.i32();
    if (m_header.pageSize < 16 || m_header.levels < 1 || m_header.levels > 16 ||
        m_header.totalPages < 1 || m_header.rootPage < 0 ||
        m_header.rootPage >= m_header.totalPages || m_header.totalEntries < 0)
        fail("has an impossible header");
    if (kTreeHeader + qsizetype(m_header.totalPages) * m_header.pageSize > tree.size())
        fail("has fewer pages than its header says");
    if (m_header.structure.isEmpty())
        fail("has no structure string");
    for (char c : m_header.structure)
        if (!QByteArrayView("zFiL42").contains(c))
            fail("has a structure this reader does not know");
}

void BTreeReader::fail(const char* why) const {
    throw FormatError(m_name.toStdString() + ": " + why);
}

QByteArrayView BTreeReader::page(int number) const {
    if (number < 0 || number >= m_header.totalPages)
        fail("refers to a page it does not have");
    return m_tree.sliced(kTreeHeader + qsizetype(number) * m_header.pageSize, m_header.pageSize);
}

qsizetype BTreeReader::entrySize(QByteArrayView at, bool leaf) const {
    const QByteArray& s = m_header.structure;
    qsizetype size = 0;
    for (qsizetype f = 0; f < (leaf ? s.size() : 1); ++f) {
        switch (s[f]) {
        case 'z':
        case 'F':
        case 'i': {
            const qsizetype end = at.indexOf('\0', size);
            if (end < 0)
                fail("has a text key without its end");
            size = end + 1;
            break;
        }
        case '2':
            size += 2;
            break;
        default:
            size += 4;
        }
        if (size > at.size())
            fail("has an entry that runs past its page");
    }
    if (!leaf)
        size += 2;
    if (size > at.size())
        fail("has an entry that runs past its page");
    return size;
}

QByteArrayView BTreeReader::keyOf(QByteArrayView entry) const {
    const char type = m_header.structure[0];
    if (type == 'z' || type == 'F' || type == 'i') {
        const qsizetype end = entry.indexOf('\0');
        return end < 0 ? entry : entry.first(end);
    }
    return entry.first(std::min<qsizetype>(type == '2' ? 2 : 4, entry.size()));
}

int BTreeReader::firstLeaf() const {
    int number = m_header.rootPage;
    for (int level = 1; level < m_header.levels; ++level)
        number = std::int16_t(getU16(page(number), 4));
    return number;
}

std::vector<QByteArrayView> BTreeReader::entries() const {
    std::vector<QByteArrayView> all;
    int number = firstLeaf();
    int previous = -1;
    int visited = 0;
    while (number != -1) {
        if (++visited > m_header.totalPages)
            fail("has leaf pages linked in a circle");
        const QByteArrayView p = page(number);
        const int count = std::int16_t(getU16(p, 2));
        if (std::int16_t(getU16(p, 4)) != previous)
            fail("has a leaf page whose back link is wrong");
        qsizetype at = kLeafHeader;
        for (int i = 0; i < count; ++i) {
            const qsizetype size = entrySize(p.sliced(at), true);
            all.push_back(p.sliced(at, size));
            at += size;
        }
        if (getU16(p, 0) != m_header.pageSize - at)
            fail("has a leaf page whose free space is wrong");
        previous = number;
        number = std::int16_t(getU16(p, 6));
    }
    if (qsizetype(all.size()) != m_header.totalEntries)
        fail("holds another number of entries than its header says");
    return all;
}

BTreeShape BTreeReader::shape() const {
    BTreeShape s;
    int number = firstLeaf();
    int first = 0;
    int visited = 0;
    while (number != -1 && ++visited <= m_header.totalPages) {
        const QByteArrayView p = page(number);
        s.leafPages.push_back(number);
        s.firstEntryOfLeaf.push_back(first);
        first += std::int16_t(getU16(p, 2));
        number = std::int16_t(getU16(p, 6));
    }
    return s;
}

std::optional<QByteArrayView>
BTreeReader::find(const std::function<int(QByteArrayView)>& compare) const {
    int number = m_header.rootPage;
    for (int level = 1; level < m_header.levels; ++level) {
        const QByteArrayView p = page(number);
        const int count = std::int16_t(getU16(p, 2));
        int next = std::int16_t(getU16(p, 4));
        qsizetype at = kIndexHeader;
        for (int i = 0; i < count; ++i) {
            const qsizetype size = entrySize(p.sliced(at), false);
            const QByteArrayView entry = p.sliced(at, size);
            if (compare(keyOf(entry)) > 0)
                break;
            next = std::int16_t(getU16(entry, size - 2));
            at += size;
        }
        number = next;
    }
    const QByteArrayView p = page(number);
    const int count = std::int16_t(getU16(p, 2));
    qsizetype at = kLeafHeader;
    for (int i = 0; i < count; ++i) {
        const qsizetype size = entrySize(p.sliced(at), true);
        const QByteArrayView entry = p.sliced(at, size);
        const int c = compare(keyOf(entry));
        if (c == 0)
            return entry;
        if (c > 0)
            break;
        at += size;
    }
    return std::nullopt;
}

} // namespace hc
