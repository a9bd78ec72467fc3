// The help-text interpreter: RTF as help authors write it, read into one small
// document model that every output works from (the help compiler's topic
// records, the HTML Help pages, the window's preview and the checks), so that
// a code means the same everywhere.
//
// The model, paragraph by paragraph: each paragraph has its formatting and its
// runs (text of one character format, tabs, line breaks, pictures); hotspots
// (jumps, pop-ups, macros) span runs; paragraphs of a table row end their
// cells; footnotes (#, $, K, +, ! ...) belong to the topic they stand in, and
// "\page" ends a topic. The interpreter hands each paragraph, footnote, row
// end and page end to a sink as it is read, so that a large topic file never
// stands in memory as a whole.
//
// It reads either form of text: QStringView (a help text as the project holds
// it; text is Unicode) or QByteArrayView (a topic file's Windows-1252 bytes;
// text stays bytes, a character the code page lacks becomes '?').
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <type_traits>
#include <vector>

namespace rtf {

class ByteSource;

enum class Align : std::uint8_t { Left, Right, Center, Justify };

struct CharFormat {
    int font = -1; // index into the font table; -1: the document's default font
    int halfPoints = 24;
    int color = 0;              // \cfN: index into the colour table (0: the automatic colour)
    int highlight = 0;          // \highlightN: index into the colour table (0: none)
    std::uint8_t underline = 0; // 1 single (dotted, word ...), 2 double
    bool bold = false, italic = false, strike = false, hidden = false;
    bool operator==(const CharFormat&) const = default;
};

// A tab stop set by \txN (after \tqr or \tqc for a right or centred one).
struct TabStop {
    enum Kind : std::uint8_t { Left, Right, Center };
    int position = 0; // twips from the left margin
    Kind kind = Left;
    bool operator==(const TabStop&) const = default;
};

// Lengths in twips, as RTF gives them.
struct ParFormat {
    Align alignment = Align::Left;
    int spaceBefore = 0, spaceAfter = 0, leftIndent = 0, rightIndent = 0, firstIndent = 0;
    bool keepNext = false; // \keepn: part of the topic's non-scrolling region
    bool inTable = false;  // \intbl: a paragraph of a table cell
    int tabs = 0; // the tab stops set so far, by number (0: none; BasicParagraph::tabStops)
    bool operator==(const ParFormat&) const = default;
};

// The table row in force (\trowd, \trleftN, \trgaphN, \cellxN), in twips:
// the right edge of each cell, from the left margin.
struct RowFormat {
    int left = 0; // where the row begins
    int gap = 0;  // half the space between the text of two cells
    std::vector<int> cellRights;
};

// Where a picture stands: \{bmc name\} in the line as a character, \{bml\}
// and \{bmr\} at the left or right margin with the text flowing round it.
enum class PictureAlign : std::uint8_t { Character, Left, Right };

// A picture stored in the text itself ({\pict ...}), as its bytes.
struct EmbeddedPicture {
    enum Format : std::uint8_t {
        Png,      // \pngblip
        Jpeg,     // \jpegblip
        Dib,      // \dibitmapN: a device-independent bitmap without its file header
        Bitmap,   // \wbitmapN: a device-dependent bitmap's bits alone
        Metafile, // \wmetafileN, \emfblip
        Other,    // \macpict and the rest
    };
    Format format = Other;
    QByteArray data;
    int width = 0, height = 0; // \picwN, \pichN: pixels of a bitmap
    int bitsPerPixel = 0;      // \wbmbitspixelN
    int widthBytes = 0;        // \wbmwidthbytesN
    bool binary = false;       // given as \binN: not read
};

struct Run {
    enum Kind : std::uint8_t { Text, Tab, LineBreak, Picture };
    Kind kind = Text;
    PictureAlign picture = PictureAlign::Character; // Picture only
    CharFormat ch;
    qsizetype begin = 0, end = 0; // Text: the characters, Picture: the file name, in text
    int line = 0;
    int hotspot = -1;  // index into the paragraph's hotspots
    int embedded = -1; // Picture: index into the paragraph's embedded pictures (no file name)
};

enum class HotspotKind : std::uint8_t {
    Jump,  // double underlined or struck-through text
    Popup, // underlined text
    Macro, // either, with "!macro" as its hidden text
};

// How a hotspot looks: "%ID" without the underline and colour of a hotspot,
// "*ID" without the underline.
enum class HotspotLook : std::uint8_t { Normal, Plain, NoUnderline };

template <typename Text> struct BasicHotspot {
    HotspotKind kind = HotspotKind::Jump;
    HotspotLook look = HotspotLook::Normal;
    Text target;                   // the context string, or the macro of a macro hotspot
    Text window;                   // "ID>window"
    Text file;                     // "ID@file"
    int firstRun = 0, lastRun = 0; // the hotspot's runs
    int line = 0;
};

template <typename Text> struct BasicParagraph {
    static constexpr bool kUnicode = std::is_same_v<Text, QString>;
    using Char = std::conditional_t<kUnicode, QChar, char>;
    using View = std::conditional_t<kUnicode, QStringView, QByteArrayView>;

    ParFormat format;
    CharFormat endFormat;   // in force at the paragraph's end (the look of an empty one)
    std::vector<Char> text; // the runs' characters, one after the other
    std::vector<Run> runs;
    std::vector<BasicHotspot<Text>> hotspots;
    std::vector<TabStop> tabStops;         // set by \txN, in the order given
    std::vector<EmbeddedPicture> embedded; // pictures stored in the text
    int line = 0;
    bool cellEnd = false; // ended by \cell rather than \par

    View view(const Run& r) const { return View(text.data() + r.begin, r.end - r.begin); }
    const BasicHotspot<Text>* hotspotOf(const Run& r) const {
        return r.hotspot >= 0 ? &hotspots[std::size_t(r.hotspot)] : nullptr;
    }
    void clear() {
        text.clear(); // keeps its room
        runs.clear();
        hotspots.clear();
        tabStops.clear();
        embedded.clear();
        cellEnd = false;
        line = 0;
    }
};

template <typename Text> struct BasicFootnote {
    char mark = 0; // '#', '$', 'K', '+', '!' ...; 0 when none stood before it
    Text value;    // trimmed, without its mark; no-break spaces as blanks
    int line = 0;
};

template <typename Text> struct BasicFont {
    Text name;
    std::uint8_t family = 3; // 1 modern, 2 roman, 3 swiss, 4 script, 5 decorative
};

// What the interpreter hands on as it reads.
template <typename Text> class BasicDocumentSink {
public:
    virtual ~BasicDocumentSink() = default;
    // A paragraph; the sink may keep nothing of it past the call.
    virtual void paragraph(const BasicParagraph<Text>& paragraph) = 0;
    // The paragraphs since the last row end (each ending a cell) are a table row.
    virtual void rowEnd(int /*line*/) {}
    virtual void footnote(const BasicFootnote<Text>& /*footnote*/) {}
    // The end of a topic: "\page", or the end of the text.
    virtual void page(int /*line*/) {}
    virtual void warning(int /*line*/, const QString& /*message*/) {}
    // The font or colour table (or the default font) changed.
    virtual void tablesChanged() {}
};

template <typename View> class BasicInterpreter {
public:
    using Text = std::conditional_t<std::is_same_v<View, QStringView>, QString, QByteArray>;
    using Paragraph = BasicParagraph<Text>;
    using Sink = BasicDocumentSink<Text>;

    explicit BasicInterpreter(Sink& sink);
    ~BasicInterpreter();

    // A whole RTF document ("{\rtf1 ..."). False, having read nothing, when
    // the source does not begin so.
    bool readDocument(View source);
    // The same, read from `source` a window at a time: the document is never
    // held whole.
    bool readDocument(ByteSource& source) requires std::is_same_v<View, QByteArrayView>;
    // A help text: RTF codes without a document's frame.
    void readFragment(View source);

    // The document's font and colour tables as read so far (colours as
    // 0x00BBGGRR), and a count that changes whenever they do.
    const std::map<int, BasicFont<Text>>& fonts() const;
    int defaultFont() const;
    const std::vector<std::uint32_t>& colors() const;
    int tablesVersion() const;
    // The row definition in force: at a row end, that of the row ended.
    const RowFormat& row() const;

    BasicInterpreter(const BasicInterpreter&) = delete;
    BasicInterpreter& operator=(const BasicInterpreter&) = delete;

private:
    struct State;
    State* m;
};

using Paragraph = BasicParagraph<QString>;
using Hotspot = BasicHotspot<QString>;
using Footnote = BasicFootnote<QString>;
using DocumentSink = BasicDocumentSink<QString>;
using Interpreter = BasicInterpreter<QStringView>;

using ByteParagraph = BasicParagraph<QByteArray>;
using ByteHotspot = BasicHotspot<QByteArray>;
using ByteFootnote = BasicFootnote<QByteArray>;
using ByteDocumentSink = BasicDocumentSink<QByteArray>;
using ByteInterpreter = BasicInterpreter<QByteArrayView>;

} // namespace rtf
