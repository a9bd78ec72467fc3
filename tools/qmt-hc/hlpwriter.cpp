#include "hlpwriter.h"

#include "btree.h"
#include "bytes.h"
#include "codepage/ansi.h"
#include "contexthash.h"
#include "filesystem.h"
#include "lz77.h"

#include <QDir>
#include <algorithm>
#include <map>

namespace hc {

namespace {

constexpr int kBlockSize = 4096;
constexpr int kBlockHeader = 12;
constexpr int kPlainBlockData = kBlockSize - kBlockHeader; // 4084
constexpr int kPackedBlockData = 0x4000;                   // what one packed block unpacks to
constexpr int kLinkHeader = 21;
constexpr int kTreePage = 0x800;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

struct Link {
    std::uint8_t type = 0x20; // 2 topic header, 0x20 text, 0x23 table
    int topic = -1;
    int paragraph = -1; // text: in Topics::paragraphs
    // The sizes of its two parts after the link header: a topic header's
    // fields and its title (with its macros); a text record's formatting
    // part (with its sizes) and its text.
    int data1Size = 0, data2Size = 0;
    qsizetype size() const { return kLinkHeader + data1Size + data2Size; }
};

int packedLongSize(std::int32_t v) {
    return v >= -0x4000 && v < 0x4000 ? 2 : 4;
}

int packedUShortSize(unsigned v) {
    return v < 0x80 ? 1 : 2;
}

struct Place {
    qsizetype streamAt = 0;   // where the link starts in the unpacked stream
    std::uint32_t pos = 0;    // TOPICPOS
    std::uint32_t offset = 0; // TOPICOFFSET
    int block = 0;
};

class Writer {
public:
    Writer(const HelpProject& project, const Topics& topics, const FontTable& fonts, Diagnostics& d)
        : m_project(project), m_store(topics), m_topics(topics.list), m_fonts(fonts), m_d(d) {}

    QByteArray build(HelpFileStats& stats, std::uint32_t date, int maxBlocks);

private:
    void makeLinks();
    void layout(const std::vector<int>& blockStarts, std::vector<Place>& places) const;
    void writeStream();
    void placeStream(const std::vector<Place>& places);
    QByteArray plainTopicFile(QByteArrayView data, const std::vector<Place>& places) const;
    bool packedTopicFile(QByteArray& topicFile);
    std::vector<int> partition(QByteArrayView data, const std::vector<Place>& places,
                               int budget) const;
    std::vector<QByteArray> blockHeaders(qsizetype blocks, const std::vector<Place>& places) const;

    void contexts();
    void aliases();
    QByteArray system(std::uint32_t date) const;
    QByteArray fontFile() const;
    QByteArray contextFile() const;
    QByteArray mapFile(HelpFileStats& stats) const;
    QByteArray titleFile() const;
    QByteArray topicIdFile() const;
    void keywordFiles(FileSystemWriter& fs, HelpFileStats& stats) const;
    int checkJumps() const;

    std::uint32_t topicOffset(int topic, int paragraph) const;
    std::uint32_t offsetOfHash(std::uint32_t hash, bool& found) const;

    const HelpProject& m_project;
    const Topics& m_store;
    const std::vector<Topic>& m_topics;
    const FontTable& m_fonts;
    Diagnostics& m_d;

    std::vector<Link> m_links;
    std::vector<int> m_headerLink;                  // per topic (and the closing header)
    std::vector<std::vector<int>> m_paragraphLinks; // per topic: first link of each paragraph
    std::vector<Place> m_places;
    ByteWriter m_stream; // the links one after the other, as blocks unpack to
    std::vector<int> m_browseBack, m_browseNext; // per topic: topic index or -1
    bool m_packed = false;

    struct ContextAt {
        std::int32_t hash;
        QByteArrayView name; // in its topic
        std::uint32_t offset;
    };
    std::vector<ContextAt> m_contexts; // by hash, in signed order
};

void Writer::makeLinks() {
    const int n = int(m_topics.size());
    m_paragraphLinks.assign(std::size_t(n), {});
    m_links.reserve(m_store.paragraphs.size() + std::size_t(n) + 1);
    for (int t = 0; t <= n; ++t) {
        m_headerLink.push_back(int(m_links.size()));
        Link header;
        header.type = 2;
        header.topic = t;
        header.data1Size = 28;
        if (t < n) {
            const Topic& topic = m_topics[std::size_t(t)];
            header.data2Size = int(topic.title.size());
            for (const QByteArray& m : topic.macros)
                header.data2Size += 1 + int(m.size());
        }
        m_links.push_back(header);
        if (t == n)
            break;
        const Topic& topic = m_topics[std::size_t(t)];
        std::vector<int>& links = m_paragraphLinks[std::size_t(t)];
        links.reserve(std::size_t(topic.paragraphCount));
        for (int p = topic.firstParagraph; p < topic.firstParagraph + topic.paragraphCount; ++p) {
            const Paragraph& paragraph = m_store.paragraphs[std::size_t(p)];
            links.push_back(int(m_links.size()));
            Link text;
            text.type = paragraph.table ? 0x23 : 0x20;
            text.topic = t;
            text.paragraph = p;
            text.data1Size = packedLongSize(paragraph.formatSize) +
                             packedUShortSize(unsigned(paragraph.textSize)) + paragraph.formatSize;
            text.data2Size = paragraph.textSize;
            m_links.push_back(text);
        }
    }
}

// Where each link lands. blockStarts empty: plain 4084-byte blocks that links
// run across; else packed blocks, block b holding the links from
// blockStarts[b] up to the next start.
void Writer::layout(const std::vector<int>& blockStarts, std::vector<Place>& places) const {
    places.resize(m_links.size()); // every entry is set below
    qsizetype at = 0;
    int block = -1;
    qsizetype blockBegin = 0;
    std::uint32_t chars = 0;
    std::size_t nextStart = 0;
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        int b;
        if (blockStarts.empty()) {
            b = int(at / kPlainBlockData);
            if (b != block)
                blockBegin = qsizetype(b) * kPlainBlockData;
        } else {
            b = block;
            if (nextStart < blockStarts.size() && int(i) == blockStarts[nextStart]) {
                b = int(nextStart++);
                blockBegin = at;
            }
        }
        if (b != block) {
            block = b;
            chars = 0;
        }
        Place& p = places[i];
        p.streamAt = at;
        p.block = b;
        p.pos = (std::uint32_t(b) << 14) + kBlockHeader + std::uint32_t(at - blockBegin);
        p.offset = (std::uint32_t(b) << 15) + chars;
        if (m_links[i].type != 2) // text and table records
            chars += std::uint32_t(m_links[i].data2Size);
        at += m_links[i].size();
    }
}

// Every link with its header; the fields that depend on where links land
// are left for placeStream().
void Writer::writeStream() {
    ByteWriter& out = m_stream;
    qsizetype total = 0;
    for (const Link& l : m_links)
        total += l.size();
    out.clear();
    out.reserve(total);
    const int topics = int(m_topics.size());
    for (const Link& l : m_links) {
        out.u32(std::uint32_t(l.size()));
        out.u32(std::uint32_t(l.data2Size));
        out.zeros(8); // the previous and the next link
        out.u32(std::uint32_t(kLinkHeader + l.data1Size));
        out.u8(l.type);
        if (l.type == 2) {
            const int t = l.topic;
            const int first = m_headerLink[std::size_t(t)];
            const int next = t < topics ? m_headerLink[std::size_t(t) + 1] : int(m_links.size());
            qsizetype size = 0;
            for (int k = first; k < next; ++k)
                size += m_links[std::size_t(k)].size();
            out.u32(std::uint32_t(size));
            out.zeros(8); // browse sequence
            out.u32(std::uint32_t(t));
            out.u32(kNone);
            out.zeros(8); // the topic's text, the next topic
            if (t < topics) {
                const Topic& topic = m_topics[std::size_t(t)];
                out.bytes(topic.title);
                for (const QByteArray& m : topic.macros) {
                    out.u8(0);
                    out.bytes(m);
                }
            }
        } else {
            const Paragraph& p = m_store.paragraphs[std::size_t(l.paragraph)];
            out.packedLong(p.formatSize);
            out.packedUShort(unsigned(p.textSize));
            out.bytes(m_store.bytes.view().sliced(p.at, p.formatSize + p.textSize));
        }
    }
}

void Writer::placeStream(const std::vector<Place>& places) {
    ByteWriter& out = m_stream;
    const int topics = int(m_topics.size());
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        const Link& l = m_links[i];
        const qsizetype at = places[i].streamAt;
        out.put32(at + 8, i == 0 ? kNone : places[i - 1].pos);
        out.put32(at + 12, i + 1 < m_links.size() ? places[i + 1].pos : kNone);
        if (l.type != 2)
            continue;
        const int t = l.topic;
        const int next = t < topics ? m_headerLink[std::size_t(t) + 1] : -1;
        const auto browse = [&](int other) {
            return other < 0 ? kNone : places[std::size_t(m_headerLink[std::size_t(other)])].offset;
        };
        out.put32(at + kLinkHeader + 4, t < topics ? browse(m_browseBack[std::size_t(t)]) : kNone);
        out.put32(at + kLinkHeader + 8, t < topics ? browse(m_browseNext[std::size_t(t)]) : kNone);
        // The non-scrolling region's records come first, then the scrolling ones.
        static const std::vector<int> kNoLinks;
        const std::vector<int>& text = t < topics ? m_paragraphLinks[std::size_t(t)] : kNoLinks;
        const std::size_t fixed =
            t < topics ? std::size_t(m_topics[std::size_t(t)].nonScrollParagraphs) : 0;
        out.put32(at + kLinkHeader + 16,
                  fixed > 0 && !text.empty() ? places[std::size_t(text.front())].pos : kNone);
        out.put32(at + kLinkHeader + 20,
                  fixed < text.size() ? places[std::size_t(text[fixed])].pos : kNone);
        out.put32(at + kLinkHeader + 24, next < 0 ? kNone : places[std::size_t(next)].pos);
    }
}

std::vector<QByteArray> Writer::blockHeaders(qsizetype blocks,
                                             const std::vector<Place>& places) const {
    std::vector<QByteArray> headers;
    std::uint32_t lastLink = kNone, lastHeader = 0;
    std::size_t i = 0;
    for (qsizetype b = 0; b < blocks; ++b) {
        while (i < places.size() && places[i].block < b) {
            lastLink = places[i].pos;
            if (m_links[i].type == 2)
                lastHeader = places[i].pos;
            ++i;
        }
        ByteWriter h;
        h.u32(b == 0 ? kNone : lastLink);
        h.u32(i < places.size() ? places[i].pos : kNone);
        h.u32(b == 0 ? 0 : lastHeader);
        headers.push_back(h.take());
    }
    return headers;
}

qsizetype plainBlocks(qsizetype dataSize) {
    return std::max<qsizetype>(1, (dataSize + kPlainBlockData - 1) / kPlainBlockData);
}

QByteArray Writer::plainTopicFile(QByteArrayView data, const std::vector<Place>& places) const {
    const qsizetype blocks = plainBlocks(data.size());
    ByteWriter out;
    out.reserve(blocks * kBlockSize);
    const std::vector<QByteArray> headers = blockHeaders(blocks, places);
    for (qsizetype b = 0; b < blocks; ++b) {
        out.bytes(headers[std::size_t(b)]);
        const QByteArrayView chunk =
            data.sliced(b * kPlainBlockData,
                        std::min<qsizetype>(kPlainBlockData, data.size() - b * kPlainBlockData));
        out.bytes(chunk);
        out.zeros(kPlainBlockData - chunk.size());
    }
    return out.take();
}

std::vector<int> Writer::partition(QByteArrayView data, const std::vector<Place>& places,
                                   int budget) const {
    std::vector<int> starts;
    std::size_t i = 0;
    while (i < m_links.size()) {
        starts.push_back(int(i));
        const qsizetype begin = places[i].streamAt;
        const qsizetype span = std::min<qsizetype>(kPackedBlockData, data.size() - begin);
        qsizetype consumed = 0;
        // A quick, slightly worse packing: the blocks it allows fit when packed well.
        Lz77Compress(data.sliced(begin, span), budget, &consumed, 2);
        std::size_t k = i + 1; // at least one link per block
        while (k < m_links.size() && places[k].streamAt - begin + m_links[k].size() <= consumed)
            ++k;
        i = k;
    }
    return starts;
}

bool Writer::packedTopicFile(QByteArray& topicFile) {
    std::vector<Place> places;
    layout({}, places);
    writeStream();
    placeStream(places);
    const QByteArrayView data = m_stream.view();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::vector<int> starts =
            partition(data, places, kPlainBlockData - 32 * (attempt + 1));
        layout(starts, places);
        placeStream(places);
        ByteWriter out;
        out.reserve(qsizetype(starts.size()) * kBlockSize);
        bool fits = true;
        const std::vector<QByteArray> headers = blockHeaders(qsizetype(starts.size()), places);
        for (std::size_t b = 0; b < starts.size() && fits; ++b) {
            const qsizetype begin = places[std::size_t(starts[b])].streamAt;
            const qsizetype end =
                b + 1 < starts.size() ? places[std::size_t(starts[b + 1])].streamAt : data.size();
            if (end - begin > kPackedBlockData) {
                fits = false;
                break;
            }
            const QByteArray packed = Lz77Compress(data.sliced(begin, end - begin), -1, nullptr, 8);
            if (packed.size() > kPlainBlockData) {
                fits = false;
                break;
            }
            out.bytes(headers[b]);
            out.bytes(packed);
            if (b + 1 < starts.size())
                out.zeros(kPlainBlockData - packed.size());
            else if (packed.size() < 0x44)
                out.zeros(0x44 - packed.size()); // readers look at least this far into a block
        }
        if (fits) {
            m_places = std::move(places);
            topicFile = out.take();
            return true;
        }
    }
    return false;
}

std::uint32_t Writer::topicOffset(int topic, int paragraph) const {
    // The start of a topic is its header, which may end one block while its
    // first text record begins the next.
    const auto& links = m_paragraphLinks[std::size_t(topic)];
    const int link = paragraph > 0 && paragraph < int(links.size())
                         ? links[std::size_t(paragraph)]
                         : m_headerLink[std::size_t(topic)];
    return m_places[std::size_t(link)].offset;
}

void Writer::contexts() {
    // Every context string in file order, then sorted by hash: the first of
    // each hash is kept, the others are reported in file order.
    struct Defined {
        std::int32_t hash;
        const FootnoteAt* context;
        int topic;
    };
    std::vector<Defined> all;
    for (int t = 0; t < int(m_topics.size()); ++t)
        for (const FootnoteAt& c : m_topics[std::size_t(t)].contexts)
            all.push_back({std::int32_t(ContextHash(c.text)), &c, t});
    std::vector<std::size_t> order(all.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return all[a].hash < all[b].hash; });
    std::vector<std::pair<std::size_t, std::size_t>> repeated; // (which, the one kept)
    m_contexts.clear();
    m_contexts.reserve(all.size());
    std::size_t kept = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const Defined& d = all[order[k]];
        if (!m_contexts.empty() && m_contexts.back().hash == d.hash) {
            repeated.push_back({order[k], kept});
            continue;
        }
        kept = order[k];
        m_contexts.push_back({d.hash, d.context->text, topicOffset(d.topic, d.context->paragraph)});
    }

    std::sort(repeated.begin(), repeated.end());
    for (const auto& [which, first] : repeated) {
        const FootnoteAt& c = *all[which].context;
        const FootnoteAt& original = *all[first].context;
        const Topic& topic = m_topics[std::size_t(all[which].topic)];
        const QString name = ansi::toUnicode(c.text);
        if (original.text.compare(c.text, Qt::CaseInsensitive) == 0)
            m_d.warning(topic.file, c.line,
                        QStringLiteral("context string %1 is defined twice; this one is ignored")
                            .arg(name));
        else
            m_d.error(
                topic.file, c.line,
                QStringLiteral("context strings %1 and %2 have the same hash value; rename one")
                    .arg(ansi::toUnicode(original.text), name));
    }
}

// Each alias is one more context string, leading where its target leads.
void Writer::aliases() {
    std::vector<ContextAt> added;
    for (const Alias& a : m_project.aliases) {
        const std::int32_t hash = std::int32_t(ContextHash(a.alias));
        const QString name = ansi::toUnicode(a.alias);
        bool found = false;
        const std::uint32_t offset = offsetOfHash(ContextHash(a.target), found);
        if (!found) {
            m_d.warning(a.file, a.line,
                        QStringLiteral("alias %1 names %2, which no topic defines; ignored")
                            .arg(name, ansi::toUnicode(a.target)));
            continue;
        }
        const auto sameHash = [hash](const ContextAt& c) { return c.hash == hash; };
        auto it = std::find_if(added.begin(), added.end(), sameHash);
        const ContextAt* before = it != added.end() ? &*it : nullptr;
        if (!before) {
            const auto t =
                std::lower_bound(m_contexts.begin(), m_contexts.end(), hash,
                                 [](const ContextAt& c, std::int32_t h) { return c.hash < h; });
            before = t != m_contexts.end() && t->hash == hash ? &*t : nullptr;
        }
        if (!before) {
            added.push_back({hash, a.alias, offset});
        } else if (before->name.compare(a.alias, Qt::CaseInsensitive) == 0) {
            m_d.warning(a.file, a.line,
                        QStringLiteral("context string %1 is defined twice; this alias is ignored")
                            .arg(name));
        } else {
            m_d.error(a.file, a.line,
                      QStringLiteral("context strings %1 and %2 have the same hash value; rename "
                                     "one")
                          .arg(ansi::toUnicode(before->name.toByteArray()), name));
        }
    }
    if (added.empty())
        return;
    m_contexts.insert(m_contexts.end(), added.begin(), added.end());
    std::sort(m_contexts.begin(), m_contexts.end(),
              [](const ContextAt& a, const ContextAt& b) { return a.hash < b.hash; });
}

std::uint32_t Writer::offsetOfHash(std::uint32_t hash, bool& found) const {
    const auto it = std::lower_bound(m_contexts.begin(), m_contexts.end(), std::int32_t(hash),
                                     [](const ContextAt& c, std::int32_t h) { return c.hash < h; });
    found = it != m_contexts.end() && it->hash == std::int32_t(hash);
    return found ? it->offset : 0;
}

int Writer::checkJumps() const {
    int jumps = 0;
    for (const Topic& topic : m_topics)
        for (const Hotspot& c : topic.hotspots) {
            const std::uint8_t code = c.code;
            if (code >= 0xE0)
                ++jumps;
            if (c.jumpTarget.isEmpty() && code >= 0xE0 && code < 0xEA)
                m_d.warning(topic.file, c.line, QStringLiteral("hotspot without a target"));
            if (c.jumpTarget.isEmpty())
                continue;
            bool found = false;
            offsetOfHash(ContextHash(c.jumpTarget), found);
            if (!found)
                m_d.warning(topic.file, c.line,
                            QStringLiteral("jump to undefined context string %1")
                                .arg(ansi::toUnicode(c.jumpTarget)));
        }
    return jumps;
}

QByteArray Writer::system(std::uint32_t date) const {
    ByteWriter s;
    s.u16(0x036C);
    s.u16(33);
    s.u16(1);
    s.u32(date);
    s.u16(m_packed ? 4 : 0);
    const auto record = [&](std::uint16_t type, const QByteArray& data) {
        s.u16(type);
        s.u16(std::uint16_t(data.size()));
        s.bytes(data);
    };
    record(1, withNul(m_project.title));
    if (!m_project.copyright.isEmpty())
        record(2, withNul(m_project.copyright));
    std::uint32_t contents = 0;
    if (!m_project.contentsTopic.isEmpty()) {
        bool found = false;
        contents = offsetOfHash(ContextHash(m_project.contentsTopic), found);
        if (!found)
            m_d.warning(
                m_project.path, 0,
                QStringLiteral("the contents topic %1 is not defined; the first topic is used")
                    .arg(ansi::toUnicode(m_project.contentsTopic)));
    }
    ByteWriter c;
    c.u32(contents);
    record(3, c.take());
    for (const QByteArray& m : m_project.macros)
        record(4, withNul(m));
    for (const WindowDefinition& w : m_project.windows) {
        ByteWriter r;
        std::uint16_t flags = 0x0001 | 0x0002;
        flags |= w.caption.isEmpty() ? 0 : 0x0004;
        flags |= w.hasPlace ? 0x0078 : 0;
        flags |= w.maximize ? 0x0080 : 0;
        flags |= w.hasColor ? 0x0100 : 0;
        flags |= w.hasNonScrollColor ? 0x0200 : 0;
        r.u16(flags);
        const auto fixed = [&](const QByteArray& text, int size) {
            QByteArray f(size, '\0');
            f.replace(0, std::min<qsizetype>(text.size(), size - 1), text.left(size - 1));
            r.bytes(f);
        };
        fixed(w.name.toLower() == "main" ? QByteArray("main") : QByteArray("secondary"), 10);
        fixed(w.name, 9);
        fixed(w.caption, 51);
        r.u16(std::uint16_t(w.x));
        r.u16(std::uint16_t(w.y));
        r.u16(std::uint16_t(w.width));
        r.u16(std::uint16_t(w.height));
        r.u16(w.maximize ? 1 : 0);
        r.u32(w.color);
        r.u32(w.nonScrollColor);
        record(6, r.take());
    }
    if (m_project.hasLcid) {
        ByteWriter l;
        l.u16(m_project.lcid[1]);
        l.u16(m_project.lcid[2]);
        l.u16(0);
        l.u16(0);
        l.u16(m_project.lcid[0]);
        record(9, l.take());
    }
    if (!m_project.contentsFile.isEmpty()) {
        QByteArray name = m_project.contentsFile;
        name.replace('\\', '/');
        record(10, withNul(name.mid(name.lastIndexOf('/') + 1)));
    }
    return s.take();
}

QByteArray Writer::fontFile() const {
    constexpr int kFaceSize = 32;
    QList<QByteArray> faces = m_fonts.faces();
    std::vector<FontDescriptor> descriptors = m_fonts.descriptors();
    if (faces.isEmpty())
        faces << "Arial";
    if (descriptors.empty())
        descriptors.push_back(FontDescriptor());
    ByteWriter f;
    f.u16(std::uint16_t(faces.size()));
    f.u16(std::uint16_t(descriptors.size()));
    f.u16(8);
    f.u16(std::uint16_t(8 + faces.size() * kFaceSize));
    for (const QByteArray& face : faces) {
        QByteArray field(kFaceSize, '\0');
        field.replace(0, std::min<qsizetype>(face.size(), kFaceSize - 1), face.left(kFaceSize - 1));
        f.bytes(field);
    }
    for (const FontDescriptor& d : descriptors) {
        f.u8(d.attributes);
        f.u8(d.halfPoints);
        f.u8(d.family);
        f.u16(d.face);
        f.u8(std::uint8_t(d.color));
        f.u8(std::uint8_t(d.color >> 8));
        f.u8(std::uint8_t(d.color >> 16));
        f.u8(0xFF);
        f.u8(0xFF);
        f.u8(0xFF);
    }
    return f.take();
}

QByteArray Writer::contextFile() const {
    BTreeEntries entries;
    for (const ContextAt& c : m_contexts) {
        entries.leaf().i32(c.hash);
        entries.leaf().u32(c.offset);
        entries.add(4);
    }
    return BuildBTree("L4", kTreePage, false, entries);
}

QByteArray Writer::mapFile(HelpFileStats& stats) const {
    std::map<std::int32_t, std::uint32_t> map;
    for (const MapEntry& e : m_project.map) {
        bool found = false;
        const std::uint32_t offset = offsetOfHash(ContextHash(e.contextString), found);
        if (!found) {
            m_d.warning(e.file, e.line,
                        u"map entry " % ansi::toUnicode(e.contextString) % u'=' %
                            QString::number(e.number) % u" names no topic");
            continue;
        }
        if (!map.try_emplace(e.number, offset).second)
            m_d.warning(e.file, e.line,
                        u"map number " % QString::number(e.number) %
                            u" is given twice; this entry is ignored");
    }
    if (map.size() > 0xFFFF)
        m_d.error(m_project.path, 0, QStringLiteral("more than 65535 map entries"));
    stats.mapEntries = int(map.size());
    ByteWriter f;
    f.u16(std::uint16_t(map.size()));
    for (const auto& [number, offset] : map) {
        f.i32(number);
        f.u32(offset);
    }
    return f.take();
}

QByteArray Writer::titleFile() const {
    BTreeEntries entries;
    for (int t = 0; t < int(m_topics.size()); ++t) {
        const std::uint32_t offset = m_places[std::size_t(m_headerLink[std::size_t(t)])].offset;
        entries.leaf().u32(offset);
        entries.leaf().stringz(m_topics[std::size_t(t)].title);
        entries.add(4);
    }
    return BuildBTree("Lz", kTreePage, false, entries);
}

QByteArray Writer::topicIdFile() const {
    std::vector<std::pair<std::uint32_t, QByteArrayView>> ids;
    ids.reserve(m_contexts.size());
    for (const ContextAt& c : m_contexts)
        ids.push_back({c.offset, c.name});
    std::stable_sort(ids.begin(), ids.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    BTreeEntries entries;
    for (const auto& [offset, name] : ids) {
        entries.leaf().u32(offset);
        entries.leaf().stringz(name);
        entries.add(4);
    }
    return BuildBTree("Lz", kTreePage, false, entries);
}

void Writer::keywordFiles(FileSystemWriter& fs, HelpFileStats& stats) const {
    struct Keyword {
        QByteArrayView text; // in its topic
        std::uint32_t offset;
    };
    std::vector<Keyword> keywords;
    for (int t = 0; t < int(m_topics.size()); ++t)
        for (const FootnoteAt& k : m_topics[std::size_t(t)].keywords)
            keywords.push_back({k.text, topicOffset(t, k.paragraph)});
    if (keywords.empty())
        return;
    // Stable: a keyword's places stay in file order.
    std::stable_sort(keywords.begin(), keywords.end(), [](const Keyword& a, const Keyword& b) {
        return CompareCaseless(a.text, b.text) < 0;
    });
    ByteWriter data;
    BTreeEntries entries;
    int merged = 0;
    for (std::size_t i = 0; i < keywords.size();) {
        // One entry for the keyword in all its spellings, the first one's
        // text, each place once where it follows itself.
        const QByteArrayView text = keywords[i].text;
        const qsizetype first = data.size();
        std::uint32_t previous = 0;
        std::size_t count = 0;
        for (; i < keywords.size() && CompareCaseless(keywords[i].text, text) == 0; ++i) {
            if (count > 0 && keywords[i].offset == previous)
                continue;
            data.u32(keywords[i].offset);
            previous = keywords[i].offset;
            ++count;
        }
        entries.leaf().stringz(text);
        entries.leaf().u16(std::uint16_t(std::min<std::size_t>(count, 0xFFFF)));
        entries.leaf().u32(std::uint32_t(first));
        entries.add(int(text.size()) + 1);
        ++merged;
    }
    BTreeShape shape;
    fs.add("|KWBTREE", BuildBTree("i24", kTreePage, false, entries, &shape));
    fs.add("|KWDATA", data.take());
    ByteWriter map;
    map.u16(std::uint16_t(shape.leafPages.size()));
    for (std::size_t i = 0; i < shape.leafPages.size(); ++i) {
        map.u32(std::uint32_t(shape.firstEntryOfLeaf[i]));
        map.u16(std::uint16_t(shape.leafPages[i]));
    }
    fs.add("|KWMAP", map.take());
    stats.keywords = merged;
}

QByteArray Writer::build(HelpFileStats& stats, std::uint32_t date, int maxBlocks) {
    const int n = int(m_topics.size());
    // Browse sequences: topics of one group ("group:sequence"), ordered by
    // their sequence text, topics without one in file order.
    m_browseBack.assign(std::size_t(n), -1);
    m_browseNext.assign(std::size_t(n), -1);
    std::map<QByteArray, std::vector<std::pair<QByteArray, int>>> groups;
    for (int t = 0; t < n; ++t) {
        const QByteArray& b = m_topics[std::size_t(t)].browse;
        if (b.isEmpty())
            continue;
        const qsizetype colon = b.indexOf(':');
        QByteArray group = colon >= 0 ? b.left(colon).trimmed() : QByteArray();
        QByteArray sequence = colon >= 0 ? b.mid(colon + 1).trimmed() : b.trimmed();
        if (sequence.compare("auto", Qt::CaseInsensitive) == 0)
            sequence.clear();
        groups[group.toLower()].push_back({sequence, t});
    }
    for (auto& [group, members] : groups) {
        std::stable_sort(members.begin(), members.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i + 1 < members.size(); ++i) {
            m_browseNext[std::size_t(members[i].second)] = members[i + 1].second;
            m_browseBack[std::size_t(members[i + 1].second)] = members[i].second;
        }
    }

    makeLinks();
    QByteArray topicFile;
    m_packed = m_project.compress && packedTopicFile(topicFile);
    if (m_project.compress && !m_packed)
        m_d.warning(
            m_project.path, 0,
            QStringLiteral("the topics could not be compressed; they are stored as they are"));
    // Text that hardly repeats itself comes out larger packed than as it is.
    if (m_packed && topicFile.size() > plainBlocks(m_stream.size()) * kBlockSize)
        m_packed = false;
    if (!m_packed) {
        layout({}, m_places);
        writeStream();
        placeStream(m_places);
        topicFile = plainTopicFile(m_stream.view(), m_places);
    }
    const qsizetype blocks = m_places.empty() ? 0 : qsizetype(m_places.back().block) + 1;
    if (blocks > maxBlocks) {
        m_d.error(m_project.path, 0,
                  QStringLiteral("the topics fill %1 blocks of 4 KB; a help file holds at most %2 "
                                 "(write less text, or set COMPRESS)")
                      .arg(blocks)
                      .arg(maxBlocks));
        return {};
    }

    contexts();
    aliases();
    stats.topics = n;
    stats.contextStrings = int(m_contexts.size());
    stats.jumps = checkJumps();
    stats.compressed = m_packed;

    FileSystemWriter fs;
    fs.add("|SYSTEM", system(date));
    fs.add("|FONT", fontFile());
    fs.add("|TOPIC", topicFile);
    fs.add("|CONTEXT", contextFile());
    fs.add("|CTXOMAP", mapFile(stats));
    fs.add("|TTLBTREE", titleFile());
    fs.add("|TopicId", topicIdFile());
    keywordFiles(fs, stats);
    for (std::size_t i = 0; i < m_store.pictures.size(); ++i)
        fs.add("|bm" + QByteArray::number(qsizetype(i)), m_store.pictures[i]);
    return fs.build();
}

} // namespace

QByteArray BuildHelpFile(const HelpProject& project, const Topics& topics, const FontTable& fonts,
                         Diagnostics& diagnostics, HelpFileStats* stats, std::uint32_t date,
                         int maxTopicBlocks) {
    HelpFileStats local;
    Writer writer(project, topics, fonts, diagnostics);
    try {
        return writer.build(stats ? *stats : local, date, maxTopicBlocks);
    } catch (const FormatError& e) {
        diagnostics.error(project.path, 0, QString::fromStdString(e.what()));
        return {};
    }
}

} // namespace hc
