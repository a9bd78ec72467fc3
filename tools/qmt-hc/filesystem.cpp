#include "filesystem.h"

#include "btree.h"
#include "bytes.h"

namespace hc {

namespace {
constexpr std::uint32_t kMagic = 0x00035F3F;
constexpr int kFileHeader = FileSystemWriter::kFileHeader;
constexpr int kDirectoryPage = 0x400;
} // namespace

FileSystemWriter::FileSystemWriter() {
    m_out.zeros(16);
}

ByteWriter& FileSystemWriter::begin(const QByteArray& name) {
    close();
    m_open = m_out.size();
    m_files[name] = m_open;
    m_out.zeros(kFileHeader);
    return m_out;
}

void FileSystemWriter::add(const QByteArray& name, QByteArrayView content) {
    begin(name).bytes(content);
    close();
}

void FileSystemWriter::close() {
    if (m_open < 0)
        return;
    const auto used = std::uint32_t(m_out.size() - m_open - kFileHeader);
    m_out.put32(m_open, used + kFileHeader);
    m_out.put32(m_open + 4, used);
    m_open = -1;
}

QByteArray FileSystemWriter::build() {
    close();
    BTreeEntries entries;
    for (const auto& [name, at] : m_files) {
        entries.leaf().stringz(name);
        entries.leaf().u32(std::uint32_t(at));
        entries.add(int(name.size()) + 1);
    }
    const qsizetype directory = m_out.size();
    m_out.zeros(8);
    m_out.u8(4);
    WriteBTree(m_out, "z4", kDirectoryPage, true, entries);
    const auto tree = std::uint32_t(m_out.size() - directory - kFileHeader);
    m_out.put32(directory, tree + kFileHeader);
    m_out.put32(directory + 4, tree);
    m_out.put32(0, kMagic);
    m_out.put32(4, std::uint32_t(directory));
    m_out.put32(8, 0xFFFFFFFF); // no free blocks
    m_out.put32(12, std::uint32_t(m_out.size()));
    return m_out.take();
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
