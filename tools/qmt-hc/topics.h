// Topics as the compiler holds them between reading the topic files and
// writing the help file: paragraphs already in the form of text records (a
// run of text before each formatting command), plus each topic's footnotes.
#pragma once

#include "bytes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace hc {

// Formatting commands of text records.
enum Code : std::uint8_t {
    kFont = 0x80,
    kLineBreak = 0x81,
    kParagraphEnd = 0x82,
    kTab = 0x83,
    kPictureInline = 0x86, // | 1 at the left margin, | 2 at the right
    kHotspotEnd = 0x89,
    kMacro = 0xC8,
    kPopup = 0xE2,
    kJump = 0xE3,
    kExternal = 0xEA, // | 1 jump, | 4 without the hotspot colour, as kPopup and kJump
    kEnd = 0xFF,
};

// Font attributes of a font descriptor.
enum FontAttribute : std::uint8_t {
    kBold = 1,
    kItalic = 2,
    kUnderline = 4,
    kStrikeOut = 8,
    kDoubleUnderline = 16,
};

struct FontDescriptor {
    std::uint8_t attributes = 0;
    std::uint8_t halfPoints = 20;
    std::uint8_t family = 3; // 1 modern, 2 roman, 3 swiss, 4 script, 5 decorative
    std::uint16_t face = 0;
    std::uint32_t color = 0; // 0x00BBGGRR
    auto operator<=>(const FontDescriptor&) const = default;
};

// Face names and font descriptors shared by every topic of one help file.
class FontTable {
public:
    // |FONT counts both in 16 bits and finds the descriptors behind the
    // faces by a 16-bit offset (32 bytes a face).
    static constexpr int kMaxFaces = 2046;
    static constexpr int kMaxDescriptors = 0xFFFF;

    // A font beyond the limits gives 0 and makes full() true.
    std::uint16_t font(const QByteArray& face, FontDescriptor descriptor);
    bool full() const { return m_full; }
    const QList<QByteArray>& faces() const { return m_faces; }
    const std::vector<FontDescriptor>& descriptors() const { return m_descriptors; }

private:
    QList<QByteArray> m_faces;
    std::vector<FontDescriptor> m_descriptors;
    std::map<FontDescriptor, std::uint16_t> m_index;
    bool m_full = false;
};

// A hotspot's command as the topic holds it, for the checks of its target.
struct Hotspot {
    std::uint8_t code = 0; // the command's first byte
    QByteArray jumpTarget; // a jump or popup inside this file: its context string
    int line = 0;          // where the hotspot was written
};

// A paragraph as its text record holds it, in Topics::bytes: the formatting
// part (spacing, indents, then the formatting commands up to the end mark)
// and right after it the text, a run of text before each command, each run
// ended by a NUL.
struct Paragraph {
    qsizetype at = 0;
    int formatSize = 0;
    int textSize : 31 = 0;
    bool table : 1 = false; // a table row's record, else a text record (kept in the size's word)
};

// A string of a stored topic, in Topics::strings: titles, context strings,
// keywords, macros and jump targets, which stay far below 4 GB in all.
struct StringAt {
    std::uint32_t at = 0;
    int size = 0;
};

struct StoredFootnote {
    StringAt text;
    int paragraph = 0;
    int line = 0;
};

struct StoredHotspot {
    StringAt jumpTarget; // empty: none to check
    int line = 0;
    std::uint8_t code = 0;
};

// A footnote of a topic being read: its text in Topic::texts.
using FootnoteAt = StoredFootnote;

// A topic while its file is read; Topics::add() keeps it in compact form.
// Its strings are in `texts`, whose room serves topic after topic.
struct Topic {
    QString file;
    int line = 0;
    ByteWriter texts;
    std::vector<FootnoteAt> contexts;
    StringAt title;
    std::vector<FootnoteAt> keywords;
    StringAt browse;
    std::vector<StringAt> macros;
    int firstParagraph = 0; // in Topics::paragraphs
    int paragraphCount = 0;
    int nonScrollParagraphs = 0;   // the first ones, which stay put as the rest scrolls
    std::vector<Hotspot> hotspots; // in the order of the text

    QByteArrayView text(StringAt s) const { return texts.view().sliced(s.at, s.size); }
    StringAt keep(QByteArrayView s) {
        const StringAt at{std::uint32_t(texts.size()), int(s.size())};
        texts.bytes(s);
        return at;
    }
    // Empty for the next topic, keeping the room of its lists.
    void clear() {
        line = 0;
        texts.clear();
        contexts.clear();
        title = {};
        keywords.clear();
        browse = {};
        macros.clear();
        paragraphCount = nonScrollParagraphs = 0;
        hotspots.clear();
    }
};

// A first element and a count in one of Topics' lists.
struct Range {
    int first = 0, count = 0;
    int end() const { return first + count; }
};

// A topic as the help file's writer needs it: its strings and lists live in
// Topics, so that a topic takes a few dozen bytes and no memory of its own.
struct StoredTopic {
    int file = 0; // in Topics::files
    int line = 0;
    int firstParagraph = 0; // in Topics::paragraphs
    int paragraphCount = 0;
    int nonScrollParagraphs = 0;
    StringAt title, browse;
    Range contexts, keywords; // in Topics::footnotes
    Range macros;             // in Topics::macros
    Range hotspots;           // in Topics::hotspots
};

// The topics of all topic files; their paragraphs, strings and lists are
// held together, in bulk rather than a few small blocks of memory for each.
struct Topics {
    std::vector<StoredTopic> list;
    std::vector<Paragraph> paragraphs;
    ByteWriter bytes; // the records, as read
    // The records of topics appended in batches: each batch's bytes, from
    // the paragraph chunkFirst[i] on (a paragraph's `at` is then into its
    // chunk). A chunk whose records are in the help file may be emptied.
    std::vector<QByteArray> chunks;
    std::vector<int> chunkFirst;
    std::vector<QByteArray> pictures; // the internal files |bm0, |bm1 ...

    std::vector<QString> files; // the topic files, as the topics name them
    ByteWriter strings;
    std::vector<StoredFootnote> footnotes;
    std::vector<StringAt> macros;
    std::vector<StoredHotspot> hotspots;

    // While the topic files are read: called each time the topics read
    // since the last call hold kBatchBytes of records, to take them away
    // (with takeAll()) while the rest are read.
    static constexpr qsizetype kBatchBytes = 128 * 1024;
    std::function<void(Topics&)> onBatch;

    // Appends `topic` in compact form.
    void add(const Topic& topic);
    // Appends the topics of `batch`, read after those already here.
    void append(Topics&& batch);
    // The topics and their records, leaving none here (onBatch stays).
    Topics takeAll();
    // Holds no topics: goes on in the room of `spent`'s lists and in
    // `records` (a batch the reader is done with, records it has dropped),
    // so that the next batch does not grow fresh memory.
    void reuse(Topics&& spent, QByteArray&& records);
    QByteArrayView text(StringAt s) const { return strings.view().sliced(s.at, s.size); }
    // The chunk of paragraph `p` (-1: in `bytes`).
    int chunkOf(int p) const;
    // The paragraph after chunk `c`'s last.
    int chunkEnd(int c) const {
        return std::size_t(c) + 1 < chunkFirst.size() ? chunkFirst[std::size_t(c) + 1]
                                                      : int(paragraphs.size());
    }
    // The text record of paragraph `p`: its formatting part, then its text.
    QByteArrayView record(int p) const;
    // The same, looking first in chunk `hint`, which becomes p's chunk: for
    // records taken in order.
    QByteArrayView record(int p, int& hint) const;
    const QString& fileOf(const StoredTopic& t) const { return files[std::size_t(t.file)]; }
};

} // namespace hc
