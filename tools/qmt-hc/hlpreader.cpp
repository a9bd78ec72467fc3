#include "hlpreader.h"

#include "btree.h"
#include "bytes.h"
#include "codepage/ansi.h"
#include "filesystem.h"
#include "lz77.h"
#include "picture.h"

#include <algorithm>
#include <map>

namespace hc {

namespace {

constexpr int kBlockHeader = 12;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

struct Phrases {
    std::vector<QByteArray> list;
    bool hall = false;
};

Phrases readPhrases(const FileSystemReader& fs, int minor) {
    Phrases p;
    if (fs.has("|Phrases")) {
        ByteReader r(fs.file("|Phrases"), "|Phrases");
        const unsigned count = r.u16();
        if (r.u16() != 0x0100)
            r.fail("has an unknown layout");
        if (minor > 16)
            r.skip(4); // unpacked size
        std::vector<unsigned> offsets;
        for (unsigned i = 0; i <= count; ++i)
            offsets.push_back(r.u16());
        const QByteArray rest = r.bytes(r.remaining());
        const QByteArray text = minor > 16 ? Lz77Decompress(rest) : rest;
        const unsigned base = offsets.empty() ? 0 : offsets[0];
        for (unsigned i = 0; i < count; ++i) {
            if (offsets[i] < base || offsets[i + 1] < offsets[i] ||
                offsets[i + 1] - base > unsigned(text.size()))
                r.fail("has a phrase outside its text");
            p.list.push_back(text.mid(offsets[i] - base, offsets[i + 1] - offsets[i]));
        }
        return p;
    }
    if (fs.has("|PhrIndex") && fs.has("|PhrImage")) {
        p.hall = true;
        ByteReader r(fs.file("|PhrIndex"), "|PhrIndex");
        r.skip(4);
        const std::uint32_t count = r.u32();
        r.skip(4);
        const std::uint32_t imageSize = r.u32();
        const std::uint32_t imagePacked = r.u32();
        r.skip(4);
        const unsigned bitCount = r.u16() & 0x0F;
        r.skip(2);
        if (count > 0x100000)
            r.fail("claims too many phrases");
        const QByteArrayView bits = fs.file("|PhrIndex").sliced(r.pos());
        qsizetype bit = 0;
        const auto getBit = [&]() -> bool {
            const qsizetype byte = (bit / 32) * 4 + (bit % 32) / 8;
            if (byte >= bits.size())
                r.fail("ends in the middle of its phrase lengths");
            const bool v = (std::uint8_t(bits[byte]) >> (bit % 8)) & 1;
            ++bit;
            return v;
        };
        std::vector<std::uint32_t> offsets{0};
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t n = 1;
            while (getBit())
                n += 1u << bitCount;
            for (unsigned b = 0; b < bitCount; ++b)
                if (getBit())
                    n += 1u << b;
            offsets.push_back(offsets.back() + n);
        }
        const QByteArrayView image = fs.file("|PhrImage");
        const QByteArray text =
            imagePacked != imageSize ? Lz77Decompress(image) : image.toByteArray();
        for (std::uint32_t i = 0; i < count; ++i) {
            if (offsets[i + 1] > std::uint32_t(text.size()))
                r.fail("has a phrase outside its text");
            p.list.push_back(text.mid(offsets[i], offsets[i + 1] - offsets[i]));
        }
    }
    return p;
}

QByteArray expand(QByteArrayView packed, std::uint32_t size, const Phrases& phrases) {
    QByteArray out;
    const auto phrase = [&](std::size_t index) {
        if (index >= phrases.list.size())
            throw FormatError("|TOPIC: a text refers to a phrase that does not exist");
        out += phrases.list[index];
    };
    for (qsizetype i = 0; i < packed.size() && out.size() < qsizetype(size); ++i) {
        const std::uint8_t c = std::uint8_t(packed[i]);
        if (!phrases.hall) {
            if (c == 0 || c >= 0x10) {
                out += char(c);
                continue;
            }
            if (i + 1 >= packed.size())
                break;
            const unsigned code = 256u * c + std::uint8_t(packed[++i]);
            phrase((code - 256) / 2);
            if (code & 1)
                out += ' ';
        } else if ((c & 1) == 0) {
            phrase(c / 2);
        } else if ((c & 3) == 1) {
            if (i + 1 >= packed.size())
                break;
            phrase(std::size_t(c) * 64 + 64 + std::uint8_t(packed[++i]));
        } else if ((c & 7) == 3) {
            const qsizetype n = c / 8 + 1;
            out += packed.sliced(i + 1, std::min(n, packed.size() - i - 1)).toByteArray();
            i += n;
        } else {
            out += QByteArray(c / 16 + 1, (c & 0x0F) == 0x07 ? ' ' : '\0');
        }
    }
    out.resize(std::min<qsizetype>(out.size(), size));
    return out;
}

// The unpacked topic blocks, unpacked as the records ask for them and let go
// once the records have moved past them: however large the help file, a few
// blocks are held at a time.
class BlockWindow {
public:
    BlockWindow(QByteArrayView file, int blockSize, bool lz77)
        : m_file(file), m_blockSize(blockSize), m_lz77(lz77),
          m_blocks((file.size() + blockSize - 1) / blockSize) {}

    qsizetype blocks() const { return m_blocks; }
    // Makes byte `offset` of block `block` and the `length` bytes from there
    // (as far as the blocks reach) available; returns where in data().
    qsizetype reach(std::uint32_t block, std::uint32_t offset, qsizetype length);
    QByteArrayView data() const { return m_data; }

private:
    void append(qsizetype block);

    QByteArrayView m_file;
    int m_blockSize;
    bool m_lz77;
    qsizetype m_blocks;
    qsizetype m_first = 0;          // the block at data()[0]
    std::vector<qsizetype> m_sizes; // of the blocks held, from m_first on
    QByteArray m_data;
};

void BlockWindow::append(qsizetype b) {
    const QByteArrayView block = m_file.sliced(
        b * m_blockSize, std::min<qsizetype>(m_blockSize, m_file.size() - b * m_blockSize));
    if (block.size() < kBlockHeader)
        throw FormatError("|TOPIC: a block is shorter than its header");
    const QByteArrayView data = block.sliced(kBlockHeader);
    if (m_lz77) {
        const QByteArray unpacked = Lz77Decompress(data, 0x4000);
        m_data += unpacked;
        m_sizes.push_back(unpacked.size());
    } else {
        m_data.append(data);
        m_sizes.push_back(data.size());
    }
}

qsizetype BlockWindow::reach(std::uint32_t block, std::uint32_t offset, qsizetype length) {
    if (qsizetype(block) >= m_blocks)
        throw FormatError("|TOPIC: a position points outside the topic data");
    const qsizetype held = qsizetype(m_sizes.size());
    if (qsizetype(block) < m_first || qsizetype(block) >= m_first + held) {
        m_data.clear();
        m_sizes.clear();
        m_first = block;
    } else if (qsizetype(block) > m_first) {
        const auto drop = std::size_t(qsizetype(block) - m_first);
        qsizetype bytes = 0;
        for (std::size_t i = 0; i < drop; ++i)
            bytes += m_sizes[i];
        m_data.remove(0, bytes);
        m_sizes.erase(m_sizes.begin(), m_sizes.begin() + qsizetype(drop));
        m_first = block;
    }
    if (m_sizes.empty())
        append(m_first);
    if (qsizetype(offset) >= m_sizes[0])
        throw FormatError("|TOPIC: a position points outside the topic data");
    while (m_data.size() < qsizetype(offset) + length &&
           m_first + qsizetype(m_sizes.size()) < m_blocks)
        append(m_first + qsizetype(m_sizes.size()));
    return qsizetype(offset);
}

class Reader {
public:
    Reader(QByteArrayView bytes, const TopicSink& sink) : m_fs(bytes), m_sink(sink) {}
    HelpFileRead read();

private:
    void system();
    void fonts();
    void topics();
    void textRecord(TopicRead& topic, QByteArrayView data1, const QByteArray& text,
                    std::uint8_t type);
    void trees();
    static void mark(TopicRead& topic, TextMark::Kind kind, unsigned value = 0) {
        topic.marks.push_back({std::uint32_t(topic.text.size()), kind, std::uint16_t(value)});
    }

    FileSystemReader m_fs;
    const TopicSink& m_sink;
    HelpFileRead m_h;
    Phrases m_phrases;
};

HelpFileRead Reader::read() {
    m_h.internalFiles = m_fs.names();
    for (const QByteArray& name : m_h.internalFiles) {
        bool number = false;
        const int n = name.startsWith("|bm") ? name.mid(3).toInt(&number) : -1;
        if (number)
            m_h.bitmaps.emplace(n, m_fs.file(name).toByteArray());
    }
    system();
    m_phrases = readPhrases(m_fs, m_h.minor);
    m_h.phraseCount = int(m_phrases.list.size());
    m_h.phraseKind = m_phrases.list.empty() ? QByteArray()
                     : m_phrases.hall       ? "Hall phrases"
                                            : "phrases";
    fonts();
    trees(); // before the topics: a sink sees every table
    topics();
    return std::move(m_h);
}

void Reader::system() {
    ByteReader r(m_fs.file("|SYSTEM"), "|SYSTEM");
    if (r.u16() != 0x036C)
        r.fail("has a wrong magic number");
    m_h.minor = r.u16();
    if (r.u16() != 1)
        r.fail("has an unknown major version");
    r.skip(4);
    m_h.flags = r.u16();
    if (m_h.minor <= 16)
        throw FormatError("|SYSTEM: help files of the first format version (3.0) are not read");
    m_h.lz77 = m_h.flags == 4 || m_h.flags == 8;
    while (r.remaining() >= 4) {
        const unsigned type = r.u16();
        const unsigned size = r.u16();
        const QByteArray data = r.bytes(size);
        const QByteArray text =
            data.left(data.indexOf('\0') < 0 ? data.size() : data.indexOf('\0'));
        switch (type) {
        case 1:
            m_h.title = text;
            break;
        case 2:
            m_h.copyright = text;
            break;
        case 3:
            if (size >= 4)
                m_h.contents = getU32(data, 0);
            break;
        case 4:
            m_h.macros.push_back(text);
            break;
        case 6:
            if (size >= 90) {
                WindowRead w;
                w.flags = getU16(data, 0);
                const auto field = [&](int at, int n) {
                    const QByteArray f = data.mid(at, n);
                    return f.left(f.indexOf('\0') < 0 ? n : f.indexOf('\0'));
                };
                w.type = field(2, 10);
                w.name = field(12, 9);
                w.caption = field(21, 51);
                w.x = getU16(data, 72);
                w.y = getU16(data, 74);
                w.width = getU16(data, 76);
                w.height = getU16(data, 78);
                m_h.windows.push_back(w);
            }
            break;
        case 9:
            if (size >= 10) {
                m_h.hasLcid = true;
                m_h.lcid = getU16(data, 8);
            }
            break;
        case 10:
            m_h.contentsFile = text;
            break;
        default:
            break;
        }
    }
}

void Reader::fonts() {
    ByteReader r(m_fs.file("|FONT"), "|FONT");
    const unsigned faceCount = r.u16();
    const unsigned descriptorCount = r.u16();
    const unsigned facesAt = r.u16();
    const unsigned descriptorsAt = r.u16();
    if (faceCount == 0 || descriptorsAt < facesAt)
        r.fail("has no face names");
    const unsigned faceSize = (descriptorsAt - facesAt) / faceCount;
    r.seek(facesAt);
    for (unsigned i = 0; i < faceCount; ++i) {
        const QByteArray f = r.bytes(faceSize);
        m_h.faces.push_back(f.left(f.indexOf('\0') < 0 ? f.size() : f.indexOf('\0')));
    }
    if (facesAt >= 12)
        return; // descriptors of the multimedia kind: not needed for the topics
    r.seek(descriptorsAt);
    for (unsigned i = 0; i < descriptorCount; ++i) {
        FontDescriptor d;
        d.attributes = r.u8();
        d.halfPoints = r.u8();
        d.family = r.u8();
        d.face = r.u16();
        d.color = r.u8();
        d.color |= std::uint32_t(r.u8()) << 8;
        d.color |= std::uint32_t(r.u8()) << 16;
        r.skip(3);
        if (d.face >= faceCount)
            r.fail("has a font whose face name does not exist");
        m_h.fonts.push_back(d);
    }
}

void Reader::textRecord(TopicRead& topic, QByteArrayView data1, const QByteArray& text,
                        std::uint8_t type) {
    ByteReader f(data1, "|TOPIC text record");
    f.packedLong();
    f.packedUShort();
    int columns = 1;
    if (type == 0x23) {
        columns = f.u8();
        const unsigned tableType = f.u8();
        if (tableType == 0 || tableType == 2)
            f.skip(2);
        auto& table = topic.tables.emplace_back();
        for (int c = 0; c < columns; ++c) {
            const int width = f.i16();
            table.push_back({f.i16(), width});
        }
    }
    qsizetype at = 0;
    const auto nextString = [&]() {
        const qsizetype end = text.indexOf('\0', at);
        const QByteArray s = text.mid(at, (end < 0 ? text.size() : end) - at);
        at = end < 0 ? text.size() : end + 1;
        return s;
    };
    HotspotRead* open = nullptr;
    for (int cell = 0;; ++cell) {
        if (type == 0x23) {
            if (f.i16() == -1)
                break;
            f.skip(3);
            mark(topic, TextMark::Cell);
        } else if (cell > 0) {
            break;
        }
        f.skip(4);
        const unsigned bits = f.u16();
        if (bits & 0x0001)
            f.packedLong();
        for (unsigned b : {0x02u, 0x04u, 0x08u, 0x10u, 0x20u, 0x40u})
            if (bits & b)
                f.packedShort();
        if (bits & 0x0100) {
            f.u8();
            f.i16();
        }
        if (bits & 0x0200) {
            const int tabs = f.packedShort();
            auto& stops = topic.tabStops.emplace_back();
            for (int t = 0; t < tabs; ++t) {
                const unsigned stop = f.packedUShort();
                stops.push_back({int(stop & 0x3FFF), stop & 0x4000 ? int(f.packedUShort()) : 0});
            }
        }
        for (;;) {
            const QByteArray s = nextString();
            topic.text += s;
            if (open)
                open->text += s;
            const std::uint8_t code = f.u8();
            if (code == 0xFF)
                break;
            switch (code) {
            case 0x20:
                f.skip(4);
                break;
            case 0x21:
                f.skip(2);
                break;
            case 0x80: {
                const unsigned font = f.u16();
                if (font >= m_h.fonts.size() && !m_h.fonts.empty())
                    f.fail("uses a font that does not exist");
                mark(topic, TextMark::Font, font);
                break;
            }
            case 0x81:
            case 0x82:
                mark(topic, code == 0x81 ? TextMark::LineBreak : TextMark::ParagraphEnd);
                topic.text += '\n';
                break;
            case 0x83:
                mark(topic, TextMark::Tab);
                topic.text += '\t';
                break;
            case 0x86:
            case 0x87:
            case 0x88: {
                const unsigned pictureType = f.u8();
                const std::int32_t size = f.packedLong();
                if (pictureType == 0x22)
                    f.packedUShort();
                if (size < 0)
                    f.fail("has a picture of negative size");
                const qsizetype end = f.pos() + size;
                bool ofItsOwn = false;
                if ((pictureType == 3 || pictureType == 0x22) && size >= 4 && f.u16() == 0) {
                    topic.pictures.push_back({std::uint8_t(code), int(f.u16())});
                    ofItsOwn = true;
                }
                f.seek(end);
                mark(topic, TextMark::Picture, (code - 0x86u) | (ofItsOwn ? 4u : 0u));
                break;
            }
            case 0x89:
                if (open)
                    mark(topic, TextMark::HotspotEnd);
                open = nullptr;
                break;
            case 0x8B:
                topic.text += ' ';
                break;
            case 0x8C:
                break;
            case 0xC8:
            case 0xCC: {
                HotspotRead h;
                h.code = code;
                const unsigned size = f.u16();
                const QByteArray m = f.bytes(size);
                h.target = m.left(m.indexOf('\0') < 0 ? m.size() : m.indexOf('\0'));
                topic.hotspots.push_back(h);
                mark(topic, TextMark::HotspotBegin, unsigned(topic.hotspots.size() - 1));
                open = &topic.hotspots.back();
                break;
            }
            case 0xE0:
            case 0xE1:
            case 0xE2:
            case 0xE3:
            case 0xE6:
            case 0xE7: {
                HotspotRead h;
                h.code = code;
                h.hash = f.u32();
                topic.hotspots.push_back(h);
                mark(topic, TextMark::HotspotBegin, unsigned(topic.hotspots.size() - 1));
                open = &topic.hotspots.back();
                break;
            }
            case 0xEA:
            case 0xEB:
            case 0xEE:
            case 0xEF: {
                HotspotRead h;
                h.code = code;
                const unsigned size = f.u16();
                const QByteArray jump = f.bytes(size);
                ByteReader e(jump, "|TOPIC jump into another file");
                const unsigned kind = e.u8();
                h.hash = e.u32();
                if (kind == 1)
                    e.u8();
                else if (kind == 4 || kind == 6)
                    h.target = e.stringz();
                topic.hotspots.push_back(h);
                mark(topic, TextMark::HotspotBegin, unsigned(topic.hotspots.size() - 1));
                open = &topic.hotspots.back();
                break;
            }
            default:
                f.fail("has an unknown formatting command " + std::to_string(code));
            }
        }
    }
}

void Reader::topics() {
    const QByteArrayView file = m_fs.file("|TOPIC");
    const int blockSize = m_h.minor <= 16 ? 0x800 : (m_h.flags == 8 ? 0x800 : 0x1000);
    BlockWindow window(file, blockSize, m_h.lz77);
    constexpr int offsetBits = 14;
    // Each record takes at least its header's 21 bytes of the unpacked
    // blocks: more records than that means they are linked in a circle.
    const qsizetype mostRecords = window.blocks() * (m_h.lz77 ? 0x4000 : blockSize) / 21 + 2;
    std::uint32_t pos = kBlockHeader;
    std::uint32_t previous = kNone;
    std::uint32_t chars = 0;
    std::uint32_t block = 0;
    std::uint32_t expectedNextTopic = kNone;
    TopicRead* current = nullptr;
    std::vector<TopicRead> topics;
    int count = 0; // topics read, handed on or not
    qsizetype guard = 0;
    while (pos != kNone && pos != 0) {
        if (++guard > mostRecords)
            throw FormatError("|TOPIC: the records are linked in a circle");
        if (pos < kBlockHeader)
            throw FormatError("|TOPIC: a position points before the first record");
        const std::uint32_t thisBlock = (pos - kBlockHeader) >> offsetBits;
        const std::uint32_t inBlock = (pos - kBlockHeader) & ((1u << offsetBits) - 1);
        qsizetype a = window.reach(thisBlock, inBlock, 21);
        ByteReader r(window.data(), "|TOPIC record", a);
        const std::uint32_t size = r.u32();
        const std::uint32_t textSize = r.u32();
        const std::uint32_t prev = r.u32();
        const std::uint32_t next = r.u32();
        const std::uint32_t data1Size = r.u32();
        const std::uint8_t type = r.u8();
        if (prev != previous)
            throw FormatError(
                "|TOPIC: a record's back link does not point to the record before it");
        a = window.reach(thisBlock, inBlock, qsizetype(size));
        const QByteArrayView all = window.data();
        if (data1Size < 21 || size < data1Size || a + qsizetype(size) > all.size())
            throw FormatError("|TOPIC: a record's sizes do not fit together");
        const QByteArrayView data1 = all.sliced(a + 21, data1Size - 21);
        const QByteArrayView data2 = all.sliced(a + data1Size, size - data1Size);
        const QByteArray text = textSize > data2.size() ? expand(data2, textSize, m_phrases)
                                                        : data2.first(textSize).toByteArray();
        if (thisBlock != block) {
            block = thisBlock;
            chars = 0;
        }
        const std::uint32_t offset = (block << 15) + chars;
        if (type == 2) {
            if (current && pos != expectedNextTopic)
                throw FormatError("|TOPIC: a topic's link to the next topic is wrong");
            ByteReader h(data1, "|TOPIC topic header");
            TopicRead t;
            h.u32(); // the topic's size
            t.browseBack = h.u32();
            t.browseNext = h.u32();
            t.number = h.i32();
            t.nonScroll = h.u32();
            t.scroll = h.u32();
            expectedNextTopic = h.u32();
            t.pos = pos;
            t.offset = offset;
            const QList<QByteArray> parts = text.split('\0');
            t.title = parts.value(0);
            for (qsizetype i = 1; i < parts.size(); ++i)
                if (!parts[i].isEmpty())
                    t.macros.push_back(parts[i]);
            if (m_sink && !topics.empty()) {
                m_sink(m_h, std::move(topics.back()), offset);
                topics.clear();
            }
            topics.push_back(std::move(t));
            ++count;
            current = &topics.back();
        } else if (type == 0x20 || type == 0x23) {
            if (!current)
                throw FormatError("|TOPIC: text comes before the first topic header");
            current->recordOffsets.push_back(offset);
            current->recordPositions.push_back(pos);
            const bool fixed =
                current->nonScroll != kNone && (current->scroll == kNone || pos < current->scroll);
            mark(*current, TextMark::Record, (fixed ? 1u : 0u) | (type == 0x23 ? 2u : 0u));
            textRecord(*current, data1, text, type);
            ByteReader lengths(data1, "|TOPIC text record");
            lengths.packedLong();
            chars += lengths.packedUShort();
        } else if (type != 1) {
            throw FormatError("|TOPIC: a record of unknown type " + std::to_string(type));
        }
        previous = pos;
        pos = next;
    }
    // The last header closes the list and is no topic.
    if (!topics.empty() && topics.back().title.isEmpty() && topics.back().recordOffsets.empty() &&
        topics.back().number == count - 1)
        topics.pop_back();
    if (m_sink) {
        if (!topics.empty())
            m_sink(m_h, std::move(topics.back()), kNone);
        topics.clear();
    }
    m_h.topics = std::move(topics);
}

void Reader::trees() {
    const auto checkOrder = [](const std::vector<QByteArrayView>& entries, const char* name,
                               const std::function<int(QByteArrayView, QByteArrayView)>& compare) {
        for (std::size_t i = 1; i < entries.size(); ++i)
            if (compare(entries[i - 1], entries[i]) > 0)
                throw FormatError(std::string(name) + ": the entries are not in order");
    };
    const auto signedLess = [](QByteArrayView a, QByteArrayView b) {
        const auto x = std::int32_t(getU32(a, 0)), y = std::int32_t(getU32(b, 0));
        return x < y ? -1 : x > y ? 1 : 0;
    };
    const auto unsignedLess = [](QByteArrayView a, QByteArrayView b) {
        const auto x = getU32(a, 0), y = getU32(b, 0);
        return x < y ? -1 : x > y ? 1 : 0;
    };
    if (!m_fs.has("|CONTEXT"))
        throw FormatError("the help file has no |CONTEXT");
    {
        m_h.contextTree = m_fs.file("|CONTEXT").toByteArray();
        BTreeReader t(m_h.contextTree, "|CONTEXT");
        const auto entries = t.entries();
        checkOrder(entries, "|CONTEXT", signedLess);
        m_h.treeLevels = std::max(m_h.treeLevels, t.header().levels);
        for (QByteArrayView e : entries) {
            if (e.size() < 8)
                throw FormatError("|CONTEXT: an entry is too short");
            m_h.contexts.push_back({std::int32_t(getU32(e, 0)), getU32(e, 4)});
        }
    }
    if (m_fs.has("|CTXOMAP")) {
        ByteReader r(m_fs.file("|CTXOMAP"), "|CTXOMAP");
        const unsigned count = r.u16();
        for (unsigned i = 0; i < count; ++i) {
            const std::int32_t number = r.i32();
            m_h.map.push_back({number, r.u32()});
        }
    }
    const auto offsetTree = [&](const QByteArray& name,
                                std::vector<std::pair<std::uint32_t, QByteArray>>& out) {
        if (!m_fs.has(name))
            return;
        BTreeReader t(m_fs.file(name), name);
        const auto entries = t.entries();
        checkOrder(entries, name.constData(), unsignedLess);
        m_h.treeLevels = std::max(m_h.treeLevels, t.header().levels);
        for (QByteArrayView e : entries) {
            ByteReader r(e, name.constData());
            const std::uint32_t offset = r.u32();
            out.push_back({offset, r.stringz()});
        }
    };
    offsetTree("|TTLBTREE", m_h.titles);
    offsetTree("|TopicId", m_h.topicIds);
    if (m_fs.has("|KWBTREE")) {
        BTreeReader t(m_fs.file("|KWBTREE"), "|KWBTREE");
        const auto entries = t.entries();
        m_h.treeLevels = std::max(m_h.treeLevels, t.header().levels);
        if (t.header().structure.startsWith('i'))
            checkOrder(entries, "|KWBTREE", [&](QByteArrayView a, QByteArrayView b) {
                return CompareCaseless(t.keyOf(a), t.keyOf(b));
            });
        ByteReader data(m_fs.file("|KWDATA"), "|KWDATA");
        for (QByteArrayView e : entries) {
            ByteReader r(e, "|KWBTREE");
            KeywordRead k;
            k.text = r.stringz();
            const unsigned count = r.u16();
            data.seek(r.u32());
            for (unsigned i = 0; i < count; ++i)
                k.offsets.push_back(data.u32());
            m_h.keywords.push_back(std::move(k));
        }
        if (m_fs.has("|KWMAP")) {
            ByteReader m(m_fs.file("|KWMAP"), "|KWMAP");
            const BTreeShape shape = t.shape();
            const unsigned count = m.u16();
            if (count != shape.leafPages.size())
                m.fail("lists another number of leaf pages than |KWBTREE has");
            for (unsigned i = 0; i < count; ++i)
                if (m.u32() != std::uint32_t(shape.firstEntryOfLeaf[i]) ||
                    m.u16() != shape.leafPages[i])
                    m.fail("does not match the pages of |KWBTREE");
        }
    }
}

} // namespace

const TopicRead* HelpFileRead::topicAt(std::uint32_t offset) const {
    const TopicRead* found = nullptr;
    for (const TopicRead& t : topics)
        if (t.offset <= offset && (!found || t.offset >= found->offset))
            found = &t;
    return found;
}

bool HelpFileRead::findContext(std::uint32_t hash, std::uint32_t& offset) const {
    BTreeReader t(contextTree, "|CONTEXT");
    const auto entry = t.find([&](QByteArrayView key) {
        const auto k = std::int32_t(getU32(key, 0));
        const auto h = std::int32_t(hash);
        return k < h ? -1 : k > h ? 1 : 0;
    });
    if (!entry)
        return false;
    offset = getU32(*entry, 4);
    return true;
}

HelpFileRead ReadHelpFile(QByteArrayView bytes, const TopicSink& sink) {
    return Reader(bytes, sink).read();
}

namespace {

QString text(const QByteArray& b) {
    return ansi::toUnicode(b);
}

QString hex(std::uint32_t v) {
    return QStringLiteral("0x%1").arg(v, 8, 16, QLatin1Char('0'));
}

} // namespace

HelpFileDump::HelpFileDump(Write write) : m_write(std::move(write)) {}

void HelpFileDump::header(const HelpFileRead& h) {
    m_started = true;
    const auto t = text;
    QString out;
    out += QStringLiteral("title: %1\n").arg(t(h.title));
    out += QStringLiteral("format: %1 (minor %2), %3%4\n")
               .arg(h.minor > 27 ? QStringLiteral("4.0") : QStringLiteral("3.1"))
               .arg(h.minor)
               .arg(h.lz77 ? QStringLiteral("LZ77 topic blocks")
                           : QStringLiteral("plain topic blocks"))
               .arg(h.phraseKind.isEmpty()
                        ? QString()
                        : QStringLiteral(", %1 %2").arg(h.phraseCount).arg(t(h.phraseKind)));
    out += QStringLiteral("files: %1\n")
               .arg(t(QByteArrayList(h.internalFiles.begin(), h.internalFiles.end()).join(' ')));
    if (!h.copyright.isEmpty())
        out += QStringLiteral("copyright: %1\n").arg(t(h.copyright));
    if (!h.contentsFile.isEmpty())
        out += QStringLiteral("contents file: %1\n").arg(t(h.contentsFile));
    if (h.hasLcid)
        out += QStringLiteral("LCID: 0x%1\n").arg(h.lcid, 0, 16);
    out += QStringLiteral("contents topic: %1\n").arg(hex(h.contents));
    for (const QByteArray& m : h.macros)
        out += QStringLiteral("macro: %1\n").arg(t(m));
    {
        QStringList faces, colours;
        for (const QByteArray& face : h.faces)
            faces << t(face);
        for (const FontDescriptor& f : h.fonts) {
            const QString c = QStringLiteral("#%1%2%3")
                                  .arg(f.color & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg((f.color >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg((f.color >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
            if (!colours.contains(c))
                colours << c;
        }
        out += QStringLiteral("fonts: %1; colours: %2\n")
                   .arg(faces.join(QStringLiteral(", ")), colours.join(u' '));
    }
    for (const auto& [number, stored] : h.bitmaps) {
        try {
            const PictureInfo p = ReadPictureInfo(stored);
            out += QStringLiteral("picture |bm%1: %2x%3, %4 bits, %5 bytes\n")
                       .arg(number)
                       .arg(p.width)
                       .arg(p.height)
                       .arg(p.bitCount)
                       .arg(stored.size());
        } catch (const FormatError& e) {
            out +=
                QStringLiteral("picture |bm%1: %2\n").arg(number).arg(QString::fromUtf8(e.what()));
        }
    }
    for (const WindowRead& w : h.windows)
        out += QStringLiteral("window: %1 \"%2\" (%3,%4,%5,%6)\n")
                   .arg(t(w.name), t(w.caption))
                   .arg(w.x)
                   .arg(w.y)
                   .arg(w.width)
                   .arg(w.height);
    out += QStringLiteral("context strings: %1, map entries: %2, keywords: %3\n")
               .arg(h.contexts.size())
               .arg(h.map.size())
               .arg(h.keywords.size());
    m_write(out);

    std::map<std::uint32_t, QByteArray> names;
    for (const auto& [offset, name] : h.topicIds)
        names.emplace(offset, name);
    for (const auto& [hash, offset] : h.contexts) {
        const auto n = names.find(offset);
        m_labels.emplace(offset,
                         QStringLiteral("  context: %1%2")
                             .arg(hex(std::uint32_t(hash)),
                                  n != names.end() ? QLatin1Char(' ') + t(n->second) : QString()));
    }
    for (const auto& [number, offset] : h.map)
        m_labels.emplace(offset, QStringLiteral("  map: %1").arg(number));
    for (const KeywordRead& k : h.keywords)
        for (std::uint32_t o : k.offsets)
            m_labels.emplace(o, QStringLiteral("  keyword: %1").arg(t(k.text)));
}

void HelpFileDump::topic(const HelpFileRead& h, const TopicRead& topic, std::uint32_t end) {
    if (!m_started)
        header(h);
    ++m_topics;
    const auto t = text;
    QString out = QStringLiteral("\ntopic %1 at %2: %3\n")
                      .arg(topic.number)
                      .arg(hex(topic.offset), t(topic.title));
    for (auto it = m_labels.lower_bound(topic.offset); it != m_labels.end() && it->first < end;
         ++it)
        out += it->second + QLatin1Char('\n');
    for (const QByteArray& m : topic.macros)
        out += QStringLiteral("  entry macro: %1\n").arg(t(m));
    if (topic.browseBack != 0xFFFFFFFF || topic.browseNext != 0xFFFFFFFF)
        out += QStringLiteral("  browse: back %1, next %2\n")
                   .arg(hex(topic.browseBack), hex(topic.browseNext));
    for (const auto& [code, number] : topic.pictures)
        out += QStringLiteral("  picture %1 |bm%2\n")
                   .arg(code == 0x87   ? QStringLiteral("left")
                        : code == 0x88 ? QStringLiteral("right")
                                       : QStringLiteral("in line"))
                   .arg(number);
    if (topic.nonScroll != 0xFFFFFFFF)
        out += QStringLiteral("  non-scrolling region\n");
    for (const auto& stops : topic.tabStops) {
        QStringList list;
        for (const auto& [position, kind] : stops)
            list << QString::number(position) + (kind == 1   ? QStringLiteral("r")
                                                 : kind == 2 ? QStringLiteral("c")
                                                             : QString());
        out += QStringLiteral("  tab stops: %1\n").arg(list.join(u' '));
    }
    for (const auto& table : topic.tables) {
        QStringList columns;
        for (const auto& [gap, width] : table)
            columns << QStringLiteral("%1+%2").arg(gap).arg(width);
        out += QStringLiteral("  table row: %1\n").arg(columns.join(u' '));
    }
    for (const HotspotRead& s : topic.hotspots)
        out += QStringLiteral("  hotspot %1 %2: %3\n")
                   .arg(s.code, 2, 16)
                   .arg(s.code == 0xC8 || s.code == 0xCC
                            ? t(s.target)
                            : hex(s.hash) +
                                  (s.target.isEmpty() ? QString() : QLatin1Char('@') + t(s.target)),
                        t(s.text));
    QString body = t(topic.text);
    body.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    out += QStringLiteral("  text:\n    %1\n").arg(body.trimmed());
    m_write(out);
}

void HelpFileDump::finish(const HelpFileRead& h) {
    if (!m_started)
        header(h);
    m_write(QStringLiteral("\ntopics: %1\n").arg(m_topics));
}

QString DumpHelpFile(const HelpFileRead& h) {
    QString out;
    HelpFileDump dump([&out](const QString& piece) { out += piece; });
    for (const TopicRead& topic : h.topics) {
        const std::uint32_t end = &topic == &h.topics.back() ? 0xFFFFFFFF : (&topic + 1)->offset;
        dump.topic(h, topic, end);
    }
    dump.finish(h);
    return out;
}

} // namespace hc
