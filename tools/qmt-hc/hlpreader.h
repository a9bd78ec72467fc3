// Reading a help file back: its settings, topics with their text and
// hotspots, context and map tables, titles and keywords. Besides reading, it
// checks what a viewer relies on: trees sorted and linked, lookups through
// the index pages, the chain of topic records and its sizes.
#pragma once

#include "topics.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace hc {

struct HotspotRead {
    std::uint8_t code = 0;  // the record's command (0xE2 popup, 0xE3 jump, 0xC8 macro ...)
    std::uint32_t hash = 0; // jumps and popups
    QByteArray target;      // macros: the macro; external jumps: the file
    QByteArray text;        // the hotspot's own text
};

// Where something other than text stands in a topic's text, for a reader
// that rebuilds the formatted text: `at` is the position in TopicRead::text
// before which it stands.
struct TextMark {
    enum Kind : std::uint8_t {
        Record,       // a text record begins; value: 1 in the non-scrolling region, 2 a table
        Cell,         // a table cell begins (its paragraphs follow)
        Font,         // value: the font descriptor
        LineBreak,    // the '\n' at `at`
        ParagraphEnd, // the '\n' at `at`
        Tab,          // the '\t' at `at`
        Picture,      // value: 0 in the line, 1 left, 2 right; + 4 when it is the topic's next
                      // entry of TopicRead::pictures (a picture of its own file)
        HotspotBegin, // value: index into hotspots
        HotspotEnd,
    };
    std::uint32_t at = 0;
    Kind kind = Record;
    std::uint16_t value = 0;
};

struct TopicRead {
    int number = 0;
    std::uint32_t pos = 0;    // TOPICPOS of its header
    std::uint32_t offset = 0; // TOPICOFFSET of its start
    QByteArray title;
    std::vector<QByteArray> macros;
    std::uint32_t browseBack = 0xFFFFFFFF, browseNext = 0xFFFFFFFF;
    // TOPICPOS of the non-scrolling region's first record and of the scrolling one's.
    std::uint32_t nonScroll = 0xFFFFFFFF, scroll = 0xFFFFFFFF;
    QByteArray text; // paragraphs and line breaks end with '\n', tabs are '\t'
    std::vector<HotspotRead> hotspots;
    // Pictures of their own file: the command (0x86 in the line, 0x87 left,
    // 0x88 right) and the number of the |bm file.
    std::vector<std::pair<std::uint8_t, int>> pictures;
    // Each table record's columns: the space before each column's text and its width.
    std::vector<std::vector<std::pair<int, int>>> tables;
    // The tab stops of each paragraph that sets any: position, kind (0 left, 1 right, 2 centre).
    std::vector<std::vector<std::pair<int, int>>> tabStops;
    std::vector<std::uint32_t> recordOffsets;   // TOPICOFFSET of each text record
    std::vector<std::uint32_t> recordPositions; // TOPICPOS of each text record
    std::vector<TextMark> marks;                // in the order of the text
};

struct WindowRead {
    QByteArray type, name, caption;
    std::uint16_t flags = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

struct KeywordRead {
    QByteArray text;
    std::vector<std::uint32_t> offsets;
};

struct HelpFileRead {
    int minor = 0;
    int flags = 0;
    bool lz77 = false;
    QByteArray phraseKind; // "", "phrases" or "Hall phrases"
    int phraseCount = 0;
    QByteArray title, copyright, contentsFile;
    std::uint32_t contents = 0;
    std::vector<QByteArray> macros;
    std::vector<WindowRead> windows;
    bool hasLcid = false;
    std::uint16_t lcid = 0;
    std::vector<QByteArray> faces;
    std::vector<FontDescriptor> fonts;
    std::vector<TopicRead> topics; // without the closing empty header
    std::vector<std::pair<std::int32_t, std::uint32_t>> contexts; // hash, offset in tree order
    std::vector<std::pair<std::int32_t, std::uint32_t>> map;      // number, offset
    std::vector<std::pair<std::uint32_t, QByteArray>> titles;     // |TTLBTREE
    std::vector<std::pair<std::uint32_t, QByteArray>> topicIds;   // |TopicId, when present
    std::vector<KeywordRead> keywords;
    std::vector<QByteArray> internalFiles;
    std::map<int, QByteArray> bitmaps; // |bm0, |bm1 ... by number
    int treeLevels = 0;                // deepest tree of |CONTEXT, |TTLBTREE and |KWBTREE

    // The topic a TOPICOFFSET falls in (the last one starting at or before it).
    const TopicRead* topicAt(std::uint32_t offset) const;
    // The offset |CONTEXT gives for a hash, looked up through the tree.
    bool findContext(std::uint32_t hash, std::uint32_t& offset) const;

    QByteArray contextTree; // kept for findContext
};

// Receives each topic as soon as it is read, with the help file's other
// tables already read, and the offset where the next topic starts.
using TopicSink =
    std::function<void(const HelpFileRead& tables, TopicRead&& topic, std::uint32_t nextOffset)>;

// Throws FormatError when the file is not a help file or does not hold
// together. With a sink the topics go to it and HelpFileRead::topics stays
// empty: a large file is read with a few blocks in memory at a time.
HelpFileRead ReadHelpFile(QByteArrayView bytes, const TopicSink& sink = {});

// A readable listing, written piece by piece: settings, then each topic with
// its title, context strings (by name where the file keeps them, else by
// hash), map numbers, keywords, browse links, text and hotspots, then the
// number of topics.
class HelpFileDump {
public:
    using Write = std::function<void(const QString&)>;
    explicit HelpFileDump(Write write);
    void topic(const HelpFileRead& tables, const TopicRead& topic, std::uint32_t nextOffset);
    void finish(const HelpFileRead& tables);

private:
    void header(const HelpFileRead& tables);

    Write m_write;
    bool m_started = false;
    qsizetype m_topics = 0;
    std::multimap<std::uint32_t, QString> m_labels; // by topic offset
};

// The whole listing of a file read without a sink.
QString DumpHelpFile(const HelpFileRead& file);

} // namespace hc
