#include "container.h"

#include "lzx.h"

#include "bytes.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cstring>

namespace chm {

using namespace bytes;

namespace {

constexpr int kChunkSize = 0x1000;
constexpr int kQuickRefDensity = 2;
constexpr int kQuickRefEvery = 1 + (1 << kQuickRefDensity);
constexpr int kItsfHeaderSize = 0x60;
constexpr int kHeaderSection0Size = 0x18;
constexpr int kItspHeaderSize = 0x54;
constexpr int kPmglHeaderSize = 0x14;
constexpr int kPmgiHeaderSize = 0x08;

const QByteArray kContent = QByteArrayLiteral("::DataSpace/Storage/MSCompressed/Content");
const QByteArray kControlData = QByteArrayLiteral("::DataSpace/Storage/MSCompressed/ControlData");
const QByteArray kSpanInfo = QByteArrayLiteral("::DataSpace/Storage/MSCompressed/SpanInfo");
const QByteArray kTransformList =
    QByteArrayLiteral("::DataSpace/Storage/MSCompressed/Transform/List");
const QByteArray kResetTable = QByteArrayLiteral(
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable");
const QByteArray kNameList = QByteArrayLiteral("::DataSpace/NameList");
const char kLzxTransformGuid[] = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";

// {7C01FD10-7BAA-11D0-9E0C-00A0C922E6EC}, {7C01FD11-...} and
// {5D02926A-212E-11D0-9DF9-00A0C922E6EC} as stored (little-endian fields).
constexpr std::array<std::uint8_t, 16> kItsfGuid1{0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                  0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
constexpr std::array<std::uint8_t, 16> kItsfGuid2{0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                  0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
constexpr std::array<std::uint8_t, 16> kItspGuid{0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                                 0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

void putGuid(QByteArray& b, const std::array<std::uint8_t, 16>& g) {
    b.append(reinterpret_cast<const char*>(g.data()), 16);
}

// A number in 7-bit groups, the highest first, every byte but the last with
// its top bit set.
void putEncInt(QByteArray& b, std::uint64_t v) {
    std::array<char, 10> groups{};
    int n = 0;
    do {
        groups[std::size_t(n++)] = char(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1)
        b.append(char(groups[std::size_t(--n)] | 0x80));
    b.append(groups[0]);
}

QByteArray utf16(const char* ascii) {
    QByteArray b;
    for (const char* p = ascii; *p; ++p)
        putU16(b, std::uint8_t(*p));
    return b;
}

QByteArray folded(const QByteArray& name) {
    QByteArray f = name;
    for (char& c : f)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return f;
}

struct Entry {
    QByteArray name;
    std::uint64_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Directory chunks of one kind: each ends with its quick reference area (the
// offsets of every fifth entry and the number of entries) and says how much
// room is free before it.
class ChunkBuilder {
public:
    ChunkBuilder(bool listing) : m_listing(listing) { start(); }

    bool fits(qsizetype entryBytes) const {
        const int entries = m_count + 1;
        const qsizetype quickRef = 2 + 2 * (entries / kQuickRefEvery);
        return m_chunk.size() + entryBytes + quickRef <= kChunkSize;
    }
    void add(const QByteArray& entry) {
        if (m_count > 0 && m_count % kQuickRefEvery == 0)
            m_quickRef.push_back(std::uint16_t(m_chunk.size() - headerSize()));
        m_chunk += entry;
        ++m_count;
    }
    int count() const { return m_count; }
    // The finished chunk; `previous`/`next` link listing chunks.
    QByteArray finish(int previous, int next) {
        QByteArray c = m_chunk;
        const qsizetype quickRefBytes = 2 + 2 * qsizetype(m_quickRef.size());
        const qsizetype free = kChunkSize - c.size();
        c.append(QByteArray(kChunkSize - c.size(), '\0'));
        setU32(c, 4, std::uint32_t(free));
        if (m_listing) {
            setU32(c, 12, std::uint32_t(previous));
            setU32(c, 16, std::uint32_t(next));
        }
        qsizetype at = kChunkSize - 2;
        setU16(c, at, std::uint32_t(m_count));
        for (const std::uint16_t offset : m_quickRef) {
            at -= 2;
            setU16(c, at, offset);
        }
        Q_ASSERT(c.size() - free + quickRefBytes <= kChunkSize);
        start();
        return c;
    }

private:
    int headerSize() const { return m_listing ? kPmglHeaderSize : kPmgiHeaderSize; }
    void start() {
        m_chunk = m_listing ? QByteArrayLiteral("PMGL") : QByteArrayLiteral("PMGI");
        m_chunk.append(QByteArray(headerSize() - 4, '\0'));
        if (m_listing) {
            setU32(m_chunk, 12, 0xFFFFFFFFu);
            setU32(m_chunk, 16, 0xFFFFFFFFu);
        }
        m_count = 0;
        m_quickRef.clear();
    }

    bool m_listing;
    QByteArray m_chunk;
    int m_count = 0;
    std::vector<std::uint16_t> m_quickRef;
};

struct Directory {
    std::vector<QByteArray> chunks;
    int depth = 1;
    int root = -1;
    int lastListing = 0;
};

Directory buildDirectory(const std::vector<Entry>& entries) {
    Directory d;
    struct IndexEntry {
        QByteArray name;
        int chunk = 0;
    };
    std::vector<IndexEntry> level;
    std::vector<QByteArray> listing;
    ChunkBuilder builder(true);
    QByteArray firstName;
    for (const Entry& e : entries) {
        QByteArray bytes;
        putEncInt(bytes, std::uint64_t(e.name.size()));
        bytes += e.name;
        putEncInt(bytes, e.section);
        putEncInt(bytes, e.offset);
        putEncInt(bytes, e.length);
        if (!builder.fits(bytes.size())) {
            level.push_back({firstName, int(listing.size())});
            listing.push_back(builder.finish(0, 0));
        }
        if (builder.count() == 0)
            firstName = e.name;
        builder.add(bytes);
    }
    level.push_back({firstName, int(listing.size())});
    listing.push_back(builder.finish(0, 0));
    // Link the listing chunks in order.
    for (qsizetype i = 0; i < qsizetype(listing.size()); ++i) {
        setU32(listing[std::size_t(i)], 12, i == 0 ? 0xFFFFFFFFu : std::uint32_t(i - 1));
        setU32(listing[std::size_t(i)], 16,
               i + 1 == qsizetype(listing.size()) ? 0xFFFFFFFFu : std::uint32_t(i + 1));
    }
    d.chunks = listing;
    d.lastListing = int(listing.size()) - 1;
    // Index chunks, level upon level, until one chunk holds the root.
    while (level.size() > 1) {
        std::vector<IndexEntry> upper;
        ChunkBuilder index(false);
        for (const IndexEntry& e : level) {
            QByteArray bytes;
            putEncInt(bytes, std::uint64_t(e.name.size()));
            bytes += e.name;
            putEncInt(bytes, std::uint64_t(e.chunk));
            if (!index.fits(bytes.size())) {
                d.chunks.push_back(index.finish(-1, -1));
                upper.back().chunk = int(d.chunks.size()) - 1;
            }
            if (index.count() == 0)
                upper.push_back({e.name, -1});
            index.add(bytes);
        }
        d.chunks.push_back(index.finish(-1, -1));
        upper.back().chunk = int(d.chunks.size()) - 1;
        level = upper;
        ++d.depth;
        d.root = int(d.chunks.size()) - 1;
    }
    return d;
}

} // namespace

bool ContainerWriter::nameLess(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return std::uint8_t(x) < std::uint8_t(y);
    }
    return a.size() < b.size();
}

bool ContainerWriter::add(const QByteArray& path, const QByteArray& content, bool uncompressed) {
    const QByteArray key = folded(path);
    if (m_byFoldedName.contains(key))
        return false;
    m_byFoldedName.insert(key, int(m_files.size()));
    m_files.push_back({path, content, uncompressed});
    return true;
}

bool ContainerWriter::contains(const QByteArray& path) const {
    return m_byFoldedName.contains(folded(path));
}

QByteArray ContainerWriter::write(std::uint32_t lcid, int lzxEffort) const {
    std::vector<Entry> entries;
    QByteArray section0;
    const auto addSection0 = [&](const QByteArray& name, const QByteArray& content) {
        entries.push_back({name, 0, std::uint64_t(section0.size()), std::uint64_t(content.size())});
        section0 += content;
    };

    // The compressed section: the files one after another, then compressed.
    QByteArray plain;
    for (const File& f : m_files)
        if (!f.uncompressed) {
            entries.push_back(
                {f.path, 1, std::uint64_t(plain.size()), std::uint64_t(f.content.size())});
            plain += f.content;
        }
    const LzxOutput lzx = LzxCompress(plain, lzxEffort);
    m_sizes.uncompressed = plain.size();
    m_sizes.compressed = qint64(lzx.data.size());

    QByteArray names;
    putU16(names, 0); // its length in 16-bit words, set below
    putU16(names, 2);
    for (const char* n : {"Uncompressed", "MSCompressed"}) {
        putU16(names, std::uint32_t(std::strlen(n)));
        names += utf16(n);
        putU16(names, 0);
    }
    setU16(names, 0, std::uint32_t(names.size() / 2));
    addSection0(kNameList, names);

    QByteArray control;
    putU32(control, 6); // the number of 32-bit values that follow
    control += QByteArrayLiteral("LZXC");
    putU32(control, 2); // sizes below in units of 32 KB
    putU32(control, std::uint32_t(kLzxFramesPerReset));
    putU32(control, std::uint32_t((1 << kLzxWindowBits) / kLzxFrameSize));
    putU32(control, 1); // windows per reset
    putU32(control, 0);
    addSection0(kControlData, control);

    QByteArray span;
    putU64(span, std::uint64_t(plain.size()));
    addSection0(kSpanInfo, span);

    addSection0(kTransformList, utf16(kLzxTransformGuid));

    QByteArray reset;
    putU32(reset, 2);
    putU32(reset, std::uint32_t(lzx.frameOffsets.size()));
    putU32(reset, 8);
    putU32(reset, 0x28);
    putU64(reset, std::uint64_t(plain.size()));
    putU64(reset, std::uint64_t(lzx.data.size()));
    putU64(reset, std::uint64_t(kLzxFrameSize));
    for (const std::uint64_t offset : lzx.frameOffsets)
        putU64(reset, offset);
    addSection0(kResetTable, reset);

    for (const File& f : m_files)
        if (f.uncompressed)
            addSection0(f.path, f.content);
    addSection0(kContent, QByteArray(reinterpret_cast<const char*>(lzx.data.data()),
                                     qsizetype(lzx.data.size())));

    // Folders, as listed by the format's own tools.
    QHash<QByteArray, bool> folders;
    folders.insert(QByteArrayLiteral("/"), true);
    for (const File& f : m_files)
        for (qsizetype slash = f.path.indexOf('/', 1); slash > 0;
             slash = f.path.indexOf('/', slash + 1))
            folders.insert(f.path.left(slash + 1), true);
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        entries.push_back({it.key(), 0, 0, 0});
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return nameLess(a.name, b.name); });

    const Directory dir = buildDirectory(entries);
    m_sizes.directoryChunks = int(dir.chunks.size());
    const qint64 directoryOffset = kItsfHeaderSize + kHeaderSection0Size;
    const qint64 directoryLength = kItspHeaderSize + qint64(dir.chunks.size()) * kChunkSize;
    const qint64 contentOffset = directoryOffset + directoryLength;
    const qint64 total = contentOffset + section0.size();

    QByteArray out;
    out.reserve(total);
    out += QByteArrayLiteral("ITSF");
    putU32(out, 3);
    putU32(out, kItsfHeaderSize);
    putU32(out, 1);
    // A time stamp, stored big-endian.
    const auto stamp = std::uint32_t(QDateTime::currentSecsSinceEpoch());
    for (int i = 3; i >= 0; --i)
        out.append(char((stamp >> (8 * i)) & 0xFF));
    putU32(out, lcid);
    putGuid(out, kItsfGuid1);
    putGuid(out, kItsfGuid2);
    putU64(out, kItsfHeaderSize);
    putU64(out, kHeaderSection0Size);
    putU64(out, std::uint64_t(directoryOffset));
    putU64(out, std::uint64_t(directoryLength));
    putU64(out, std::uint64_t(contentOffset));

    putU32(out, 0x01FE);
    putU32(out, 0);
    putU64(out, std::uint64_t(total));
    putU32(out, 0);
    putU32(out, 0);

    out += QByteArrayLiteral("ITSP");
    putU32(out, 1);
    putU32(out, kItspHeaderSize);
    putU32(out, 0x0A);
    putU32(out, kChunkSize);
    putU32(out, kQuickRefDensity);
    putU32(out, std::uint32_t(dir.depth));
    putU32(out, std::uint32_t(dir.root));
    putU32(out, 0); // the first listing chunk
    putU32(out, std::uint32_t(dir.lastListing));
    putU32(out, 0xFFFFFFFFu);
    putU32(out, std::uint32_t(dir.chunks.size()));
    putU32(out, lcid);
    putGuid(out, kItspGuid);
    putU32(out, kItspHeaderSize);
    putU32(out, 0xFFFFFFFFu);
    putU32(out, 0xFFFFFFFFu);
    putU32(out, 0xFFFFFFFFu);
    for (const QByteArray& chunk : dir.chunks)
        out += chunk;
    out += section0;
    Q_ASSERT(out.size() == total);
    return out;
}

} // namespace chm
