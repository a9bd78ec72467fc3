#include "filesystem.h"

#include "btree.h"
#include "bytes.h"

namespace hc {

namespace {
constexpr std::uint32_t kMagic = 0x00035F3F;
constexpr int kFileHeader = 9;
constexpr int kDirectoryPage = 0x400;

void writeFile(ByteWriter& out, const QByteArray& content, std::uint8_t flags) {
    out.u32(std::uint32_t(content.size() + kFileHeader));
    out.u32(std::uint32_t(content.size()));
    out.u8(flags);
    out.bytes(content);
}
} // namespace

QByteArray FileSystemWriter::build() const {
    ByteWriter out;
    qsizetype total = 16 + kFileHeader;
    for (const auto& file : m_files)
        total += kFileHeader + file.second.size();
    out.reserve(total + 2 * kDirectoryPage);
    out.zeros(16);
    BTreeEntries entries;
    for (const auto& [name, content] : m_files) {
        entries.leaf().stringz(name);
        entries.leaf().u32(std::uint32_t(out.size()));
        entries.add(int(name.size()) + 1);
        writeFile(out, content, 0);
    }
    const std::uint32_t directory = std::uint32_t(out.size());
    writeFile(out, BuildBTree("z4", kDirectoryPage, true, entries), 4);
    out.put32(0, kMagic);
    out.put32(4, directory);
    out.put32(8, 0xFFFFFFFF); // no free blocks
    out.put32(12, std::uint32_t(out.size()));
    return out.take();
}

FileSystemReader::FileSystemReader(QByteArrayView whole) : m_whole(whole) {
    ByteReader r(whole, "help file header");
    if (r.u32() != kMagic)
        r.fail("this is not a help file (wrong magic number)");
    const std::uint32_t directory = r.u32();
    r.skip(4);
    const std::uint32_t size = r.u32();
    if (size != std::uint32_t(whole.size()))
        r.fail("the file's size differs from the size its header gives");
    const auto extent = [&](std::uint32_t at, const QByteArray& name) {
        ByteReader h(whole, name.constData());
        h.seek(qsizetype(at));
        const std::uint32_t reserved = h.u32();
        const std::uint32_t used = h.u32();
        h.u8();
        // In 64 bits: a used size near 4 GB must not wrap round to a small one.
        if (qsizetype(reserved) < qsizetype(used) + kFileHeader ||
            qsizetype(at) + qsizetype(reserved) > whole.size())
            h.fail("does not fit in the file");
        return whole.sliced(qsizetype(at) + kFileHeader, qsizetype(used));
    };
    const QByteArrayView tree = extent(directory, "directory");
    BTreeReader reader(tree, "directory");
    QByteArrayView previous;
    bool first = true;
    for (QByteArrayView entry : reader.entries()) {
        ByteReader e(entry, "directory entry");
        const QByteArray name = e.stringz();
        const std::uint32_t at = e.u32();
        if (!first && QByteArrayView(name).compare(previous) <= 0)
            e.fail("names are not in order");
        first = false;
        previous = reader.keyOf(entry);
        m_files[name] = extent(at, name);
    }
}

QByteArrayView FileSystemReader::file(const QByteArray& name) const {
    const auto it = m_files.find(name);
    if (it == m_files.end())
        throw FormatError("the help file has no internal file " + name.toStdString());
    return it->second;
}

std::vector<QByteArray> FileSystemReader::names() const {
    std::vector<QByteArray> all;
    for (const auto& entry : m_files)
        all.push_back(entry.first);
    return all;
}

} // namespace hc
