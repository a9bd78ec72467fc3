#include "hlpwriter.h"

#include "btree.h"
#include "bytes.h"
#include "codepage/ansi.h"
#include "contexthash.h"
#include "filesystem.h"
#include "lz77.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>

namespace hc {

namespace {

constexpr int kBlockSize = 4096;
constexpr int kBlockHeader = 12;
constexpr int kPlainBlockData = kBlockSize - kBlockHeader; // 4084
constexpr int kPackedBlockData = 0x4000;                   // what one packed block unpacks to
constexpr int kLinkHeader = 21;
constexpr int kTreePage = 0x800;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

int packedLongSize(std::int32_t v) {
    return v >= -0x4000 && v < 0x4000 ? 2 : 4;
}

int packedUShortSize(unsigned v) {
    return v < 0x80 ? 1 : 2;
}

// A link's fields that give where other links landed. A topic header's
// browse fields, while packing, give the topic (its neighbours are known
// once every topic is in).
enum class Field : std::uint8_t { Pos, Offset, BrowseBack, BrowseNext };

// A field of a packed link whose value was not known when it was packed:
// where its four bytes went in the help file, and the link it points to.
struct OpenField {
    int target = 0;
    Field kind = Field::Pos;
    std::array<std::uint32_t, 4> at{};
    bool operator>(const OpenField& o) const { return target > o.target; }
};

} // namespace

// Topics on their way from the reader to the writer, a batch at a time.
struct TopicFeed {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Topics> batches;
    bool closed = false; // no more batches come
    // The reader waits while this many batches wait to be packed, so that
    // the topics read ahead take little memory.
    static constexpr std::size_t kMaxWaiting = 4;
    std::condition_variable taken;
    bool stopped = false; // the packing ended: nothing is taken any more
    // Going back to the reader: batches appended, records in the help file.
    std::vector<Topics> spentBatches;
    std::vector<QByteArray> spentRecords;
    // A few, while the reader still reads; the rest is let go of.
    template <typename T> bool keepsSpent(const std::vector<T>& spent) const {
        return !closed && spent.size() < 2;
    }
};

namespace {

class Writer {
public:
    // `release`: the topics (as `topics`) whose records may go once written.
    // `feed`: where further topics come from, appended to `release` (none:
    // `topics` are all there is).
    Writer(const HelpProject& project, const Topics& topics, const FontTable& fonts, Diagnostics& d,
           Topics* release, TopicFeed* feed = nullptr)
        : m_project(project), m_store(topics), m_topics(topics.list), m_fonts(fonts), m_d(d),
          m_release(release), m_feed(feed), m_complete(!feed) {
        topicsAdded(0);
    }

    QByteArray build(HelpFileStats& stats, std::uint32_t date, int maxBlocks);
    // The topic file, packed where the project asks for it, as the topics come in.
    void buildTopicFile(qsizetype expectedSize);
    // Takes in the topics still in the feed, once it is closed.
    void drain() {
        while (pull()) {
        }
    }
    // The rest, once every topic is in.
    QByteArray finish(HelpFileStats& stats, std::uint32_t date, int maxBlocks);

private:
    // The links: each topic's header, then a text record per paragraph;
    // last a header that closes the list. Link i of topic t is its header
    // when i == m_headerLink[t], else its paragraph i - m_headerLink[t] - 1.
    int linkCount() const { return m_headerLink.back() + 1; }
    // Whether there is a link `link`, waiting for topics from the feed
    // until it is known.
    bool haveLink(int link);
    // Takes in the next batch of the feed; false when none comes.
    bool pull();
    void topicsAdded(int from);
    qsizetype headerSize(int t) const;
    qsizetype textSize(int paragraph) const;
    // The topic of a link and its paragraph in Topics::paragraphs (-1: the header).
    std::pair<int, int> linkAt(int link) const;
    // Calls f(link, topic, paragraph in Topics::paragraphs or -1 for the header).
    template <typename F> void forEachLink(F f) const;

    // The link's bytes. Each field that gives the place of another link
    // asks `place(target, kind)` for its value: std::nullopt leaves the
    // field open (its offset goes into m_fields).
    template <typename Place>
    void writeLink(ByteWriter& out, int link, bool last, int t, int paragraph,
                   std::uint32_t previous, Place place);
    bool packedTopicFile(ByteWriter& out, int& blocks);
    // The first paragraph of link `link` or after it.
    int firstParagraphFrom(int link) const;
    // The bytes of all links so far, stored as they are.
    qsizetype streamSize() const;
    // Empties the chunks of records before link `link`, which are packed.
    void dropRecordsBefore(int link);
    // Unpacks the emptied chunks of records again from the packed blocks.
    void restoreRecords(QByteArrayView blocks);
    void plainTopicFile(ByteWriter& out, int& blocks);

    // A context string whose hash an earlier one has: in file order.
    struct RepeatedContext {
        std::size_t at; // among all context strings, in file order
        int footnote, kept, topic;
    };
    // m_contexts, but for their offsets, which placeContexts() adds once
    // the topics are placed.
    void sortContexts(std::vector<RepeatedContext>& repeated);
    void placeContexts();
    void reportRepeatedContexts(const std::vector<RepeatedContext>& repeated) const;
    void aliases();
    QByteArray system(std::uint32_t date) const;
    QByteArray fontFile() const;
    void contextFile(ByteWriter& out) const;
    struct MapFault {
        std::uint32_t entry; // in the project's map
        enum Kind : std::uint8_t { NoTopic, Repeated } kind;
    };
    QByteArray mapFile(HelpFileStats& stats, std::vector<MapFault>& faults) const;
    void reportMapFaults(const std::vector<MapFault>& faults) const;
    void titleFile(ByteWriter& out) const;
    void topicIdFile(ByteWriter& out) const;
    using NamedFiles = std::vector<std::pair<QByteArray, QByteArray>>;
    // |KWBTREE, |KWDATA and |KWMAP, when a topic has keywords.
    void keywordFiles(NamedFiles& files, int& keywordCount) const;
    int checkJumps() const;

    std::uint32_t topicOffset(int topic, int paragraph) const;
    std::uint32_t offsetOfHash(std::uint32_t hash, bool& found) const;

    const HelpProject& m_project;
    const Topics& m_store;
    const std::vector<StoredTopic>& m_topics;
    const FontTable& m_fonts;
    Diagnostics& m_d;
    Topics* m_release;
    TopicFeed* m_feed;
    bool m_complete; // every topic is in

    FileSystemWriter m_fs;
    ByteWriter* m_topicFile = nullptr; // |TOPIC, in m_fs
    qsizetype m_topicStart = 0;
    int m_blocks = 0;
    std::vector<OpenField> m_browseFields; // packed browse fields, filled in at the end
    struct PackedBlock {
        int first, end; // its links
    };
    std::vector<PackedBlock> m_packedBlocks; // the finished ones
    int m_droppedChunks = 0;                 // the records of the first ones are in them only
    bool m_browseKnown = false;              // m_browseBack and m_browseNext are set

    std::vector<int> m_headerLink;               // per topic (and the closing header)
    qsizetype m_streamSize = 0;                  // the topics' links, stored as they are
    mutable int m_lastTopic = 0;                 // linkAt()'s last answer
    std::vector<std::uint32_t> m_offsets;        // per link: its TOPICOFFSET
    std::vector<int> m_browseBack, m_browseNext; // per topic: topic index or -1
    int m_recordChunk = -1;                      // the chunk of the last record written
    std::vector<int> m_fields;                   // the open fields of the link just written
    std::vector<Field> m_fieldKinds;
    std::vector<int> m_fieldTargets;
    bool m_packed = false;

    struct ContextAt {
        std::int32_t hash;
        QByteArrayView name; // in its topic
        std::uint32_t offset;
    };
    std::vector<ContextAt> m_contexts; // by hash, in signed order
    // Until placeContexts(): where each context string stands (topic, paragraph).
    std::vector<std::pair<int, int>> m_contextPlaces;
};

void Writer::topicsAdded(int from) {
    if (m_headerLink.empty())
        m_headerLink.push_back(0);
    for (int t = from; t < int(m_topics.size()); ++t) {
        const StoredTopic& topic = m_topics[std::size_t(t)];
        m_headerLink.push_back(m_headerLink.back() + 1 + topic.paragraphCount);
        m_streamSize += headerSize(t);
        for (int p = topic.firstParagraph; p < topic.firstParagraph + topic.paragraphCount; ++p)
            m_streamSize += textSize(p);
    }
    m_offsets.resize(std::size_t(linkCount()), kNone);
}

bool Writer::pull() {
    if (m_complete)
        return false;
    Topics batch;
    {
        std::unique_lock lock(m_feed->mutex);
        m_feed->ready.wait(lock, [&] { return !m_feed->batches.empty() || m_feed->closed; });
        if (m_feed->batches.empty()) {
            m_complete = true;
            return false;
        }
        batch = std::move(m_feed->batches.front());
        m_feed->batches.pop_front();
    }
    m_feed->taken.notify_one();
    const int from = int(m_topics.size());
    m_release->append(std::move(batch));
    topicsAdded(from);
    const std::lock_guard lock(m_feed->mutex);
    if (m_feed->keepsSpent(m_feed->spentBatches))
        m_feed->spentBatches.push_back(std::move(batch));
    return true;
}

bool Writer::haveLink(int link) {
    while (link >= m_headerLink.back()) {
        if (m_complete)
            return link == m_headerLink.back(); // the closing header
        pull();
    }
    return true;
}

qsizetype Writer::headerSize(int t) const {
    qsizetype size = kLinkHeader + 28;
    if (t < int(m_topics.size())) {
        const StoredTopic& topic = m_topics[std::size_t(t)];
        size += topic.title.size;
        for (int m = topic.macros.first; m < topic.macros.end(); ++m)
            size += 1 + m_store.macros[std::size_t(m)].size;
    }
    return size;
}

qsizetype Writer::textSize(int paragraph) const {
    const Paragraph& p = m_store.paragraphs[std::size_t(paragraph)];
    return kLinkHeader + packedLongSize(p.formatSize) + packedUShortSize(unsigned(p.textSize)) +
           p.formatSize + p.textSize;
}

std::pair<int, int> Writer::linkAt(int link) const {
    // Links are asked for in order, as a rule: the topic of the last answer
    // or the one after it.
    int t = m_lastTopic;
    const auto within = [&](int topic) {
        return topic + 1 < int(m_headerLink.size()) && m_headerLink[std::size_t(topic)] <= link &&
               link < m_headerLink[std::size_t(topic) + 1];
    };
    if (!within(t)) {
        if (within(t + 1)) {
            ++t;
        } else {
            const auto it = std::upper_bound(m_headerLink.begin(), m_headerLink.end(), link) - 1;
            t = int(it - m_headerLink.begin());
        }
    }
    m_lastTopic = t;
    const int header = m_headerLink[std::size_t(t)];
    return {t, link == header ? -1 : m_topics[std::size_t(t)].firstParagraph + (link - header - 1)};
}

template <typename F> void Writer::forEachLink(F f) const {
    const int n = int(m_topics.size());
    int link = 0;
    for (int t = 0; t <= n; ++t) {
        f(link++, t, -1);
        if (t == n)
            break;
        const StoredTopic& topic = m_topics[std::size_t(t)];
        for (int p = topic.firstParagraph; p < topic.firstParagraph + topic.paragraphCount; ++p)
            f(link++, t, p);
    }
}

template <typename Place>
void Writer::writeLink(ByteWriter& out, int link, bool last, int t, int paragraph,
                       std::uint32_t previous, Place place) {
    m_fields.clear();
    m_fieldKinds.clear();
    m_fieldTargets.clear();
    const qsizetype start = out.size();
    const auto field = [&](int target, Field kind) {
        if (target < 0) {
            out.u32(kNone);
            return;
        }
        const std::optional<std::uint32_t> value = place(target, kind);
        if (!value) {
            m_fields.push_back(int(out.size() - start));
            m_fieldKinds.push_back(kind);
            m_fieldTargets.push_back(target);
        }
        out.u32(value.value_or(0));
    };
    const int topics = int(m_topics.size());
    if (paragraph < 0) {
        const qsizetype title = headerSize(t) - kLinkHeader - 28;
        const qsizetype size = kLinkHeader + 28 + title;
        out.u32(std::uint32_t(size));
        out.u32(std::uint32_t(title));
        out.u32(previous);
        field(last ? -1 : link + 1, Field::Pos);
        out.u32(std::uint32_t(kLinkHeader + 28));
        out.u8(2);
        qsizetype all = size;
        if (t < topics) {
            const StoredTopic& topic = m_topics[std::size_t(t)];
            for (int p = topic.firstParagraph; p < topic.firstParagraph + topic.paragraphCount; ++p)
                all += textSize(p);
        }
        out.u32(std::uint32_t(all));
        const auto browse = [&](const std::vector<int>& other, Field open) {
            if (t >= topics || m_topics[std::size_t(t)].browse.size == 0) {
                out.u32(kNone); // in no browse sequence
            } else if (!m_browseKnown) {
                field(t, open);
            } else {
                const int o = other[std::size_t(t)];
                field(o < 0 ? -1 : m_headerLink[std::size_t(o)], Field::Offset);
            }
        };
        browse(m_browseBack, Field::BrowseBack);
        browse(m_browseNext, Field::BrowseNext);
        out.u32(std::uint32_t(t));
        // The non-scrolling region's records come first, then the scrolling ones.
        const int count = t < topics ? m_topics[std::size_t(t)].paragraphCount : 0;
        const int fixed = t < topics ? m_topics[std::size_t(t)].nonScrollParagraphs : 0;
        field(fixed > 0 && count > 0 ? link + 1 : -1, Field::Pos);
        field(fixed < count ? link + 1 + fixed : -1, Field::Pos);
        field(t < topics ? m_headerLink[std::size_t(t) + 1] : -1, Field::Pos);
        if (t < topics) {
            const StoredTopic& topic = m_topics[std::size_t(t)];
            out.bytes(m_store.text(topic.title));
            for (int m = topic.macros.first; m < topic.macros.end(); ++m) {
                out.u8(0);
                out.bytes(m_store.text(m_store.macros[std::size_t(m)]));
            }
        }
    } else {
        const Paragraph& p = m_store.paragraphs[std::size_t(paragraph)];
        const int data1 =
            packedLongSize(p.formatSize) + packedUShortSize(unsigned(p.textSize)) + p.formatSize;
        out.u32(std::uint32_t(kLinkHeader + data1 + p.textSize));
        out.u32(std::uint32_t(p.textSize));
        out.u32(previous);
        field(last ? -1 : link + 1, Field::Pos);
        out.u32(std::uint32_t(kLinkHeader + data1));
        out.u8(p.table ? 0x23 : 0x20); // a table row's record, else a text record
        out.packedLong(p.formatSize);
        out.packedUShort(unsigned(p.textSize));
        out.bytes(m_store.record(paragraph, m_recordChunk));
    }
}

// Packed blocks, each filled with whole links as far as it packs into
// 4084 bytes, every link packed once (bar the last of a block, see below).
// A field that points to a link not placed yet stays open, a literal in the
// packed bytes, filled in when that link's block is complete. A link's
// pointer to the next link is the exception, as it follows from the link's
// size while both share a block: it is packed as if they do, and the last
// link of a block is packed again with that pointer open.
bool Writer::packedTopicFile(ByteWriter& out, int& blocks) {
    struct Placed {
        int link;
        std::uint32_t pos, offset;
        std::size_t fields; // its first open field in `blockFields`
        int paragraph;      // -1: a topic's header
    };
    Lz77BlockPacker packer(kPackedBlockData, kPlainBlockData, 8);
    std::priority_queue<OpenField, std::vector<OpenField>, std::greater<>> open;
    std::vector<Placed> placed;         // the links of the current block
    std::vector<OpenField> blockFields; // their open fields
    ByteWriter piece;
    int block = -1;
    qsizetype dataStart = 0; // where the block's packed bytes go in `out`
    std::uint32_t lastPos = kNone, lastHeader = 0;

    const auto put = [&](const OpenField& f, std::uint32_t value) {
        for (std::size_t k = 0; k < 4; ++k) {
            const auto byte = std::uint8_t(value >> (8 * k));
            if (f.at[k] >= dataStart)
                packer.setPacked(qsizetype(f.at[k]) - dataStart, char(byte));
            else
                out.put8(f.at[k], byte);
        }
    };
    // Packs the link into the current block; false when it does not fit.
    // `nextOpen`: its pointer to the next link stays open.
    const auto pack = [&](int link, bool nextOpen) {
        const bool last = !haveLink(link + 1);
        const auto [t, paragraph] = linkAt(link);
        const std::uint32_t pos =
            (std::uint32_t(block) << 14) + kBlockHeader + std::uint32_t(packer.inputSize());
        const std::uint32_t size =
            std::uint32_t(paragraph < 0 ? headerSize(t) : textSize(paragraph));
        const auto place = [&](int target, Field kind) -> std::optional<std::uint32_t> {
            if (kind == Field::Pos && target == link + 1 && !nextOpen)
                return pos + size;
            return std::nullopt;
        };
        piece.clear();
        writeLink(piece, link, last, t, paragraph, placed.empty() ? lastPos : placed.back().pos,
                  place);
        if (!packer.append(piece.view(), m_fields))
            return false;
        std::uint32_t chars = 0;
        if (!placed.empty()) {
            const Placed& before = placed.back();
            chars =
                (before.offset & 0x7FFF) +
                (before.paragraph < 0
                     ? 0
                     : std::uint32_t(m_store.paragraphs[std::size_t(before.paragraph)].textSize));
        }
        placed.push_back(
            {link, pos, (std::uint32_t(block) << 15) + chars, blockFields.size(), paragraph});
        const std::vector<int>& bytes = packer.openBytes();
        const std::size_t first = bytes.size() - 4 * m_fields.size();
        for (std::size_t f = 0; f < m_fields.size(); ++f) {
            OpenField o{m_fieldTargets[f], m_fieldKinds[f], {}};
            for (std::size_t k = 0; k < 4; ++k)
                o.at[k] = std::uint32_t(dataStart + bytes[first + 4 * f + k]);
            blockFields.push_back(o);
        }
        return true;
    };
    const auto startBlock = [&] {
        ++block;
        out.u32(block == 0 ? kNone : lastPos);
        out.u32((std::uint32_t(block) << 14) + kBlockHeader);
        out.u32(block == 0 ? 0 : lastHeader);
        dataStart = out.size();
        packer.clear();
        placed.clear();
        blockFields.clear();
    };
    // Places the block's links for good and fills in the fields that
    // pointed to them, then writes the block.
    const auto endBlock = [&](bool last) {
        for (const OpenField& f : blockFields) {
            if (f.kind == Field::BrowseBack || f.kind == Field::BrowseNext)
                m_browseFields.push_back(f);
            else
                open.push(f);
        }
        for (const Placed& p : placed) {
            m_offsets[std::size_t(p.link)] = p.offset;
            lastPos = p.pos;
            if (p.paragraph < 0)
                lastHeader = p.pos;
            while (!open.empty() && open.top().target == p.link) {
                put(open.top(), open.top().kind == Field::Pos ? p.pos : p.offset);
                open.pop();
            }
        }
        m_packedBlocks.push_back({placed.front().link, placed.back().link + 1});
        dropRecordsBefore(placed.back().link + 1);
        const QByteArrayView packed = packer.packed();
        out.bytes(packed);
        if (!last)
            out.zeros(kPlainBlockData - packed.size());
        else if (packed.size() < 0x44)
            out.zeros(0x44 - packed.size()); // readers look at least this far into a block
    };

    startBlock();
    for (int link = 0; haveLink(link);) {
        if (pack(link, false)) {
            ++link;
            continue;
        }
        // The block is full: its last link points to the next block's
        // first. Where that does not fit either, the link moves on as well.
        while (!placed.empty()) {
            const int last = placed.back().link;
            packer.undo();
            blockFields.resize(placed.back().fields);
            placed.pop_back();
            if (pack(last, true))
                break;
            link = last;
        }
        if (placed.empty())
            return false; // a link that packs into no block
        endBlock(false);
        startBlock();
    }
    endBlock(true);
    blocks = block + 1;
    return open.empty();
}

int Writer::firstParagraphFrom(int link) const {
    const auto [t, paragraph] = linkAt(link);
    return paragraph >= 0             ? paragraph
           : t < int(m_topics.size()) ? m_topics[std::size_t(t)].firstParagraph
                                      : int(m_store.paragraphs.size());
}

void Writer::dropRecordsBefore(int link) {
    if (!m_release || m_store.chunks.empty())
        return;
    const int before = firstParagraphFrom(link);
    std::vector<QByteArray> dropped;
    while (m_droppedChunks < int(m_store.chunks.size()) &&
           m_store.chunkEnd(m_droppedChunks) <= before)
        dropped.push_back(std::move(m_release->chunks[std::size_t(m_droppedChunks++)]));
    if (dropped.empty() || !m_feed)
        return;
    const std::lock_guard lock(m_feed->mutex);
    for (QByteArray& records : dropped)
        if (m_feed->keepsSpent(m_feed->spentRecords))
            m_feed->spentRecords.push_back(std::move(records));
}

void Writer::restoreRecords(QByteArrayView blocks) {
    if (m_droppedChunks == 0)
        return;
    const int dropped = m_store.chunkEnd(m_droppedChunks - 1); // the paragraphs to restore
    // Each emptied chunk as long as its records reach.
    for (int c = 0; c < m_droppedChunks; ++c) {
        qsizetype size = 0;
        for (int p = m_store.chunkFirst[std::size_t(c)]; p < m_store.chunkEnd(c); ++p) {
            const Paragraph& r = m_store.paragraphs[std::size_t(p)];
            size = std::max(size, r.at + r.formatSize + r.textSize);
        }
        m_release->chunks[std::size_t(c)] = QByteArray(size, '\0');
    }
    for (std::size_t b = 0; b < m_packedBlocks.size(); ++b) {
        const PackedBlock& block = m_packedBlocks[b];
        if (firstParagraphFrom(block.first) >= dropped)
            break;
        const qsizetype start = qsizetype(b) * kBlockSize + kBlockHeader;
        const QByteArray links = Lz77Decompress(
            blocks.sliced(start, std::min<qsizetype>(kPlainBlockData, blocks.size() - start)),
            kPackedBlockData);
        qsizetype at = 0;
        for (int link = block.first; link < block.end; ++link) {
            const auto [t, p] = linkAt(link);
            if (p < 0) {
                at += headerSize(t);
                continue;
            }
            const Paragraph& r = m_store.paragraphs[std::size_t(p)];
            if (p < dropped) {
                const qsizetype from = at + kLinkHeader + packedLongSize(r.formatSize) +
                                       packedUShortSize(unsigned(r.textSize));
                const int chunk = m_store.chunkOf(p);
                std::memcpy(m_release->chunks[std::size_t(chunk)].data() + r.at,
                            links.constData() + from, std::size_t(r.formatSize + r.textSize));
            }
            at += textSize(p);
        }
    }
    m_droppedChunks = 0;
}

// Plain 4084-byte blocks that links run across: where each link lands
// follows from the sizes alone.
void Writer::plainTopicFile(ByteWriter& out, int& blocks) {
    std::vector<std::uint32_t> pos(static_cast<std::size_t>(linkCount()));
    m_offsets.assign(std::size_t(linkCount()), 0);
    qsizetype at = 0;
    int block = -1;
    std::uint32_t chars = 0;
    forEachLink([&](int link, int t, int paragraph) {
        const int b = int(at / kPlainBlockData);
        if (b != block) {
            block = b;
            chars = 0;
        }
        pos[std::size_t(link)] = (std::uint32_t(b) << 14) + kBlockHeader +
                                 std::uint32_t(at - qsizetype(b) * kPlainBlockData);
        m_offsets[std::size_t(link)] = (std::uint32_t(b) << 15) + chars;
        if (paragraph >= 0) {
            chars += std::uint32_t(m_store.paragraphs[std::size_t(paragraph)].textSize);
            at += textSize(paragraph);
        } else {
            at += headerSize(t);
        }
    });
    blocks = int(std::max<qsizetype>(1, (at + kPlainBlockData - 1) / kPlainBlockData));
    const auto place = [&](int target, Field kind) -> std::optional<std::uint32_t> {
        return kind == Field::Pos ? pos[std::size_t(target)] : m_offsets[std::size_t(target)];
    };
    // Each block's header: the last link and topic header before it and the
    // first link that starts in it or later.
    int nextLink = 0;
    std::uint32_t lastPos = kNone, lastHeader = 0;
    std::vector<bool> isHeader(std::size_t(linkCount()), false);
    for (int h : m_headerLink)
        isHeader[std::size_t(h)] = true;
    int b = 0;
    qsizetype room = 0;
    const auto header = [&] {
        while (nextLink < linkCount() && int(pos[std::size_t(nextLink)] >> 14) < b) {
            lastPos = pos[std::size_t(nextLink)];
            if (isHeader[std::size_t(nextLink)])
                lastHeader = pos[std::size_t(nextLink)];
            ++nextLink;
        }
        out.u32(b == 0 ? kNone : lastPos);
        out.u32(nextLink < linkCount() ? pos[std::size_t(nextLink)] : kNone);
        out.u32(b == 0 ? 0 : lastHeader);
        room = kPlainBlockData;
        ++b;
    };
    header();
    ByteWriter piece;
    forEachLink([&](int link, int t, int paragraph) {
        piece.clear();
        writeLink(piece, link, link + 1 == linkCount(), t, paragraph,
                  link == 0 ? kNone : pos[std::size_t(link) - 1], place);
        QByteArrayView rest = piece.view();
        while (!rest.isEmpty()) {
            if (room == 0)
                header();
            const qsizetype n = std::min(room, rest.size());
            out.bytes(rest.first(n));
            rest = rest.sliced(n);
            room -= n;
        }
    });
    out.zeros(room);
}

std::uint32_t Writer::topicOffset(int topic, int paragraph) const {
    // The start of a topic is its header, which may end one block while its
    // first text record begins the next.
    const int header = m_headerLink[std::size_t(topic)];
    const int link = paragraph > 0 && paragraph < m_topics[std::size_t(topic)].paragraphCount
                         ? header + 1 + paragraph
                         : header;
    return m_offsets[std::size_t(link)];
}

void Writer::sortContexts(std::vector<RepeatedContext>& repeated) {
    // Every context string in file order, then sorted by hash: the first of
    // each hash is kept, the others are reported in file order.
    struct Defined {
        std::int32_t hash;
        int footnote, topic;
    };
    std::vector<Defined> all;
    for (int t = 0; t < int(m_topics.size()); ++t) {
        const Range r = m_topics[std::size_t(t)].contexts;
        for (int c = r.first; c < r.end(); ++c)
            all.push_back(
                {std::int32_t(ContextHash(m_store.text(m_store.footnotes[std::size_t(c)].text))), c,
                 t});
    }
    std::vector<std::size_t> order(all.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return all[a].hash < all[b].hash; });
    m_contexts.clear();
    m_contexts.reserve(all.size());
    m_contextPlaces.clear();
    m_contextPlaces.reserve(all.size());
    std::size_t kept = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const Defined& d = all[order[k]];
        if (!m_contexts.empty() && m_contexts.back().hash == d.hash) {
            repeated.push_back(
                {order[k], all[order[k]].footnote, all[kept].footnote, all[order[k]].topic});
            continue;
        }
        kept = order[k];
        const StoredFootnote& f = m_store.footnotes[std::size_t(d.footnote)];
        m_contexts.push_back({d.hash, m_store.text(f.text), 0});
        m_contextPlaces.push_back({d.topic, f.paragraph});
    }
    std::sort(repeated.begin(), repeated.end(),
              [](const RepeatedContext& a, const RepeatedContext& b) { return a.at < b.at; });
}

void Writer::placeContexts() {
    for (std::size_t i = 0; i < m_contextPlaces.size(); ++i)
        m_contexts[i].offset = topicOffset(m_contextPlaces[i].first, m_contextPlaces[i].second);
    std::vector<std::pair<int, int>>().swap(m_contextPlaces);
}

void Writer::reportRepeatedContexts(const std::vector<RepeatedContext>& repeated) const {
    for (const RepeatedContext& r : repeated) {
        const StoredFootnote& c = m_store.footnotes[std::size_t(r.footnote)];
        const QByteArrayView text = m_store.text(c.text);
        const QByteArrayView original = m_store.text(m_store.footnotes[std::size_t(r.kept)].text);
        const QString& file = m_store.fileOf(m_topics[std::size_t(r.topic)]);
        const QString name = ansi::toUnicode(text.toByteArray());
        if (original.compare(text, Qt::CaseInsensitive) == 0)
            m_d.warning(file, c.line,
                        QStringLiteral("context string %1 is defined twice; this one is ignored")
                            .arg(name));
        else
            m_d.error(
                file, c.line,
                QStringLiteral("context strings %1 and %2 have the same hash value; rename one")
                    .arg(ansi::toUnicode(original.toByteArray()), name));
    }
}

// Each alias is one more context string, leading where its target leads.
void Writer::aliases() {
    std::vector<ContextAt> added;
    for (const Alias& a : m_project.aliases) {
        bool found = false;
        std::uint32_t offset = offsetOfHash(ContextHash(a.target), found);
        const QByteArray* newName = &a.alias;
        if (!found) {
            // Written the other way round (a topic's context string = one that
            // no topic defines): the undefined one leads to that topic.
            offset = offsetOfHash(ContextHash(a.alias), found);
            newName = &a.target;
        }
        if (!found) {
            m_d.warning(a.file, a.line,
                        QStringLiteral("alias %1 names %2, which no topic defines; ignored")
                            .arg(ansi::toUnicode(a.alias), ansi::toUnicode(a.target)));
            continue;
        }
        const std::int32_t hash = std::int32_t(ContextHash(*newName));
        const QString name = ansi::toUnicode(*newName);
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
            added.push_back({hash, *newName, offset});
        } else if (before->name.compare(*newName, Qt::CaseInsensitive) == 0) {
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
    for (const StoredTopic& topic : m_topics)
        for (int h = topic.hotspots.first; h < topic.hotspots.end(); ++h) {
            const StoredHotspot& c = m_store.hotspots[std::size_t(h)];
            const QByteArrayView target = m_store.text(c.jumpTarget);
            const std::uint8_t code = c.code;
            if (code >= 0xE0)
                ++jumps;
            if (target.isEmpty() && code >= 0xE0 && code < 0xEA)
                m_d.warning(m_store.fileOf(topic), c.line,
                            QStringLiteral("hotspot without a target"));
            if (target.isEmpty())
                continue;
            bool found = false;
            offsetOfHash(ContextHash(target), found);
            if (!found)
                m_d.warning(m_store.fileOf(topic), c.line,
                            QStringLiteral("jump to undefined context string %1")
                                .arg(ansi::toUnicode(target.toByteArray())));
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

void Writer::contextFile(ByteWriter& out) const {
    BTreeEntries entries;
    entries.reserve(m_contexts.size(), 8 * qsizetype(m_contexts.size()));
    for (const ContextAt& c : m_contexts) {
        entries.leaf().i32(c.hash);
        entries.leaf().u32(c.offset);
        entries.add(4);
    }
    WriteBTree(out, "L4", kTreePage, false, entries);
}

QByteArray Writer::mapFile(HelpFileStats& stats, std::vector<MapFault>& faults) const {
    // The first entry of each number that names a topic is kept.
    struct Kept {
        std::int32_t number;
        std::uint32_t entry;
        std::uint32_t offset;
    };
    const MapEntries& entries = m_project.map;
    std::vector<Kept> kept;
    kept.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        bool found = false;
        const std::uint32_t offset = offsetOfHash(ContextHash(entries.contextString(i)), found);
        if (found)
            kept.push_back({entries.number(i), std::uint32_t(i), offset});
        else
            faults.push_back({std::uint32_t(i), MapFault::NoTopic});
    }
    // Stable: the entries of one number stay in file order.
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& a, const Kept& b) { return a.number < b.number; });
    std::size_t unique = 0;
    const std::size_t noTopic = faults.size();
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (unique > 0 && kept[unique - 1].number == kept[k].number)
            faults.push_back({kept[k].entry, MapFault::Repeated});
        else
            kept[unique++] = kept[k];
    }
    kept.resize(unique);
    // In file order, as they are reported.
    std::inplace_merge(faults.begin(), faults.begin() + std::ptrdiff_t(noTopic), faults.end(),
                       [](const MapFault& a, const MapFault& b) { return a.entry < b.entry; });
    if (kept.size() > 0xFFFF)
        m_d.error(m_project.path, 0, QStringLiteral("more than 65535 map entries"));
    stats.mapEntries = int(kept.size());
    ByteWriter f;
    f.reserve(2 + 8 * qsizetype(kept.size()));
    f.u16(std::uint16_t(kept.size()));
    for (const Kept& k : kept) {
        f.i32(k.number);
        f.u32(k.offset);
    }
    return f.take();
}

void Writer::reportMapFaults(const std::vector<MapFault>& faults) const {
    const MapEntries& entries = m_project.map;
    for (const MapFault& fault : faults) {
        const std::size_t i = fault.entry;
        if (fault.kind == MapFault::NoTopic) {
            const QByteArrayView name = entries.contextString(i);
            m_d.warning(entries.file(i), entries.line(i),
                        u"map entry " % ansi::toUnicode(name.data(), name.size()) % u'=' %
                            QString::number(entries.number(i)) % u" names no topic");
        } else {
            m_d.warning(entries.file(i), entries.line(i),
                        u"map number " % QString::number(entries.number(i)) %
                            u" is given twice; this entry is ignored");
        }
    }
}

void Writer::titleFile(ByteWriter& out) const {
    BTreeEntries entries;
    qsizetype bytes = 0;
    for (const StoredTopic& t : m_topics)
        bytes += 5 + t.title.size;
    entries.reserve(m_topics.size(), bytes);
    for (int t = 0; t < int(m_topics.size()); ++t) {
        const std::uint32_t offset = m_offsets[std::size_t(m_headerLink[std::size_t(t)])];
        entries.leaf().u32(offset);
        entries.leaf().stringz(m_store.text(m_topics[std::size_t(t)].title));
        entries.add(4);
    }
    WriteBTree(out, "Lz", kTreePage, false, entries);
}

void Writer::topicIdFile(ByteWriter& out) const {
    // By offset; the context strings of one place in hash order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ids; // offset, index
    ids.reserve(m_contexts.size());
    qsizetype bytes = 0;
    for (std::size_t i = 0; i < m_contexts.size(); ++i) {
        ids.push_back({m_contexts[i].offset, std::uint32_t(i)});
        bytes += 5 + m_contexts[i].name.size();
    }
    std::sort(ids.begin(), ids.end());
    BTreeEntries entries;
    entries.reserve(ids.size(), bytes);
    for (const auto& [offset, i] : ids) {
        entries.leaf().u32(offset);
        entries.leaf().stringz(m_contexts[i].name);
        entries.add(4);
    }
    WriteBTree(out, "Lz", kTreePage, false, entries);
}

void Writer::keywordFiles(NamedFiles& files, int& keywordCount) const {
    struct Keyword {
        QByteArrayView text; // in its topic
        std::uint32_t offset;
    };
    std::vector<Keyword> keywords;
    for (int t = 0; t < int(m_topics.size()); ++t) {
        const Range r = m_topics[std::size_t(t)].keywords;
        for (int k = r.first; k < r.end(); ++k) {
            const StoredFootnote& f = m_store.footnotes[std::size_t(k)];
            keywords.push_back({m_store.text(f.text), topicOffset(t, f.paragraph)});
        }
    }
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
        // One entry for the keyword in all its spellings, spelled as the one
        // that sorts last byte by byte (lower case wins over capitals, as
        // authors' compilers keep it), each place once where it follows itself.
        const QByteArrayView key = keywords[i].text;
        QByteArrayView text = key;
        const qsizetype first = data.size();
        std::uint32_t previous = 0;
        std::size_t count = 0;
        for (; i < keywords.size() && CompareCaseless(keywords[i].text, key) == 0; ++i) {
            if (keywords[i].text.compare(text) > 0)
                text = keywords[i].text;
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
    files.push_back({"|KWBTREE", BuildBTree("i24", kTreePage, false, entries, &shape)});
    files.push_back({"|KWDATA", data.take()});
    ByteWriter map;
    map.u16(std::uint16_t(shape.leafPages.size()));
    for (std::size_t i = 0; i < shape.leafPages.size(); ++i) {
        map.u32(std::uint32_t(shape.firstEntryOfLeaf[i]));
        map.u16(std::uint16_t(shape.leafPages[i]));
    }
    files.push_back({"|KWMAP", map.take()});
    keywordCount = merged;
}

qsizetype Writer::streamSize() const {
    return m_streamSize + headerSize(int(m_topics.size())); // and the closing header
}

QByteArray Writer::build(HelpFileStats& stats, std::uint32_t date, int maxBlocks) {
    buildTopicFile(streamSize());
    return finish(stats, date, maxBlocks);
}

void Writer::buildTopicFile(qsizetype expectedSize) {
    // The topics go first, built in place in the help file's buffer; the
    // other files point into them.
    m_topicFile = &m_fs.begin("|TOPIC");
    m_topicStart = m_topicFile->size();
    m_topicFile->reserve(m_topicStart + expectedSize + (qsizetype(1) << 16));
    m_packed = m_project.compress && packedTopicFile(*m_topicFile, m_blocks);
}

QByteArray Writer::finish(HelpFileStats& stats, std::uint32_t date, int maxBlocks) {
    const int n = int(m_topics.size());
    if (m_project.compress && !m_packed)
        m_d.warning(
            m_project.path, 0,
            QStringLiteral("the topics could not be compressed; they are stored as they are"));
    // Work that needs no more than the topics is spread over a second
    // thread: the context strings are sorted meanwhile, and the title and
    // keyword files are built once the topics have their places.
    std::vector<RepeatedContext> repeated;
    std::future<void> sorted =
        std::async(std::launch::async, [this, &repeated] { sortContexts(repeated); });

    // Browse sequences: topics of one group ("group:sequence"), ordered by
    // their sequence text, topics without one in file order.
    m_browseBack.assign(std::size_t(n), -1);
    m_browseNext.assign(std::size_t(n), -1);
    struct Member {
        QByteArrayView group, sequence; // in its topic
        int topic;
    };
    std::vector<Member> members;
    for (int t = 0; t < n; ++t) {
        const QByteArrayView b = m_store.text(m_topics[std::size_t(t)].browse);
        if (b.isEmpty())
            continue;
        const qsizetype colon = b.indexOf(':');
        const QByteArrayView group = colon >= 0 ? b.first(colon).trimmed() : QByteArrayView();
        QByteArrayView sequence = colon >= 0 ? b.sliced(colon + 1).trimmed() : b.trimmed();
        if (sequence.compare("auto", Qt::CaseInsensitive) == 0)
            sequence = QByteArrayView();
        members.push_back({group, sequence, t});
    }
    // Groups are told apart with their ASCII letters in either case.
    const auto compareGroups = [](QByteArrayView a, QByteArrayView b) {
        const auto lower = [](char c) {
            return int(std::uint8_t(c >= 'A' && c <= 'Z' ? c + 32 : c));
        };
        const qsizetype common = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < common; ++i)
            if (const int d = lower(a[i]) - lower(b[i]); d != 0)
                return d;
        return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    };
    std::sort(members.begin(), members.end(), [&](const Member& a, const Member& b) {
        if (const int g = compareGroups(a.group, b.group); g != 0)
            return g < 0;
        if (const int q = a.sequence.compare(b.sequence); q != 0)
            return q < 0;
        return a.topic < b.topic;
    });
    for (std::size_t i = 0; i + 1 < members.size(); ++i) {
        if (compareGroups(members[i].group, members[i + 1].group) != 0)
            continue;
        m_browseNext[std::size_t(members[i].topic)] = members[i + 1].topic;
        m_browseBack[std::size_t(members[i + 1].topic)] = members[i].topic;
    }
    m_browseKnown = true;

    ByteWriter& out = *m_topicFile;
    const qsizetype topicStart = m_topicStart;
    int blocks = m_blocks;
    const qsizetype plainSize =
        std::max<qsizetype>(1, (streamSize() + kPlainBlockData - 1) / kPlainBlockData) * kBlockSize;
    // Text that hardly repeats itself comes out larger packed than as it is.
    if (m_packed && out.size() - topicStart > plainSize)
        m_packed = false;
    if (m_packed) {
        for (const OpenField& f : m_browseFields) {
            const int o =
                (f.kind == Field::BrowseBack ? m_browseBack : m_browseNext)[std::size_t(f.target)];
            const std::uint32_t value =
                o < 0 ? kNone : m_offsets[std::size_t(m_headerLink[std::size_t(o)])];
            for (std::size_t k = 0; k < 4; ++k)
                out.put8(f.at[k], std::uint8_t(value >> (8 * k)));
        }
    } else {
        restoreRecords(out.view().sliced(topicStart));
        out.truncate(topicStart);
        plainTopicFile(out, blocks);
    }
    // Nothing further reads the records.
    if (m_release) {
        (void)m_release->bytes.take();
        std::vector<QByteArray>().swap(m_release->chunks);
        std::vector<Paragraph>().swap(m_release->paragraphs);
    }
    int keywords = 0;
    std::future<NamedFiles> placed = std::async(std::launch::async, [this, &keywords] {
        ByteWriter titles;
        titleFile(titles);
        NamedFiles files{{"|TTLBTREE", titles.take()}};
        keywordFiles(files, keywords);
        return files;
    });
    sorted.get();
    if (blocks > maxBlocks) {
        m_d.error(m_project.path, 0,
                  QStringLiteral("the topics fill %1 blocks of 4 KB; a help file holds at most %2 "
                                 "(write less text, or set COMPRESS)")
                      .arg(blocks)
                      .arg(maxBlocks));
        return {};
    }

    reportRepeatedContexts(repeated);
    placeContexts();
    aliases();
    stats.topics = n;
    stats.contextStrings = int(m_contexts.size());
    stats.jumps = checkJumps();
    stats.compressed = m_packed;

    m_fs.add("|SYSTEM", system(date));
    m_fs.add("|FONT", fontFile());
    contextFile(m_fs.begin("|CONTEXT"));
    // The map's faults are reported on a second thread while the rest is
    // built: the last messages, and a project may have thousands.
    std::vector<MapFault> faults;
    m_fs.add("|CTXOMAP", mapFile(stats, faults));
    std::future<void> reported =
        std::async(std::launch::async, [this, &faults] { reportMapFaults(faults); });
    {
        // Let go of as soon as they are in the help file's buffer.
        const NamedFiles side = placed.get();
        stats.keywords = keywords;
        m_fs.add(side.front().first, side.front().second); // the titles
        topicIdFile(m_fs.begin("|TopicId"));
        for (std::size_t i = 1; i < side.size(); ++i)
            m_fs.add(side[i].first, side[i].second);
    }
    reported.get();
    for (std::size_t i = 0; i < m_store.pictures.size(); ++i)
        m_fs.add("|bm" + QByteArray::number(qsizetype(i)), m_store.pictures[i]);
    return m_fs.build();
}

} // namespace

namespace {

QByteArray build(const HelpProject& project, const Topics& topics, Topics* release,
                 const FontTable& fonts, Diagnostics& diagnostics, HelpFileStats* stats,
                 std::uint32_t date, int maxTopicBlocks) {
    HelpFileStats local;
    Writer writer(project, topics, fonts, diagnostics, release);
    try {
        return writer.build(stats ? *stats : local, date, maxTopicBlocks);
    } catch (const FormatError& e) {
        diagnostics.error(project.path, 0, QString::fromStdString(e.what()));
        return {};
    }
}

} // namespace

struct HelpFileBuilder::Private {
    Private(const HelpProject& p, const FontTable& fonts, Diagnostics& d)
        : project(p), diagnostics(d), writer(p, all, fonts, d, &all, &feed) {}

    const HelpProject& project;
    Diagnostics& diagnostics;
    Topics all;
    TopicFeed feed;
    Writer writer;
    std::thread packing;
    std::exception_ptr failed; // what stopped the packing
};

HelpFileBuilder::HelpFileBuilder(const HelpProject& project, const FontTable& fonts,
                                 Diagnostics& diagnostics, qsizetype expectedSize)
    : d(std::make_unique<Private>(project, fonts, diagnostics)) {
    // Room the lists and the packed topics will not outgrow as a rule, so
    // that they are not copied to grow; what stays unused is never touched.
    // Only a hint: a huge topic file does not take its size in room up front.
    const qsizetype room = std::min<qsizetype>(expectedSize, qsizetype(64) << 20);
    Topics& all = d->all;
    all.strings.reserve(room / 8);
    all.paragraphs.reserve(std::size_t(room / 64));
    all.list.reserve(std::size_t(room / 256));
    all.footnotes.reserve(std::size_t(room / 128));
    if (project.compress)
        d->packing = std::thread([this, room] {
            try {
                d->writer.buildTopicFile(room);
            } catch (...) {
                d->failed = std::current_exception();
            }
            {
                const std::lock_guard lock(d->feed.mutex);
                d->feed.stopped = true;
            }
            d->feed.taken.notify_one();
        });
}

HelpFileBuilder::~HelpFileBuilder() {
    if (!d->packing.joinable())
        return;
    {
        const std::lock_guard lock(d->feed.mutex);
        d->feed.batches.clear();
        d->feed.closed = true;
    }
    d->feed.ready.notify_one();
    d->packing.join();
}

void HelpFileBuilder::take(Topics& batch) {
    m_topicCount += int(batch.list.size());
    Topics spent;
    QByteArray records;
    {
        std::unique_lock lock(d->feed.mutex);
        d->feed.taken.wait(lock, [this] {
            return d->feed.stopped || !d->packing.joinable() ||
                   d->feed.batches.size() < TopicFeed::kMaxWaiting;
        });
        d->feed.batches.push_back(batch.takeAll());
        if (!d->feed.spentBatches.empty()) {
            spent = std::move(d->feed.spentBatches.back());
            d->feed.spentBatches.pop_back();
        }
        if (!d->feed.spentRecords.empty()) {
            records = std::move(d->feed.spentRecords.back());
            d->feed.spentRecords.pop_back();
        }
    }
    d->feed.ready.notify_one();
    batch.reuse(std::move(spent), std::move(records));
}

QByteArray HelpFileBuilder::finish(std::vector<QByteArray> pictures, HelpFileStats* stats,
                                   std::uint32_t date, int maxTopicBlocks) {
    {
        const std::lock_guard lock(d->feed.mutex);
        d->feed.closed = true;
    }
    d->feed.ready.notify_one();
    HelpFileStats local;
    try {
        if (d->packing.joinable()) {
            d->packing.join();
            if (d->failed)
                std::rethrow_exception(std::exchange(d->failed, nullptr));
        } else {
            d->writer.buildTopicFile(0);
        }
        d->writer.drain();
        d->all.pictures = std::move(pictures);
        return d->writer.finish(stats ? *stats : local, date, maxTopicBlocks);
    } catch (const FormatError& e) {
        d->diagnostics.error(d->project.path, 0, QString::fromStdString(e.what()));
        return {};
    }
}

QByteArray BuildHelpFile(const HelpProject& project, const Topics& topics, const FontTable& fonts,
                         Diagnostics& diagnostics, HelpFileStats* stats, std::uint32_t date,
                         int maxTopicBlocks) {
    return build(project, topics, nullptr, fonts, diagnostics, stats, date, maxTopicBlocks);
}

QByteArray BuildHelpFile(const HelpProject& project, Topics&& topics, const FontTable& fonts,
                         Diagnostics& diagnostics, HelpFileStats* stats, std::uint32_t date,
                         int maxTopicBlocks) {
    return build(project, topics, &topics, fonts, diagnostics, stats, date, maxTopicBlocks);
}

} // namespace hc
