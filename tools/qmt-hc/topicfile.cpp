#include "topicfile.h"

#include "bytes.h"
#include "codepage/ansi.h"
#include "contexthash.h"
#include "rtf/document.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>

namespace hc {

namespace {

// A string of a record stays below this, so that a record's text stays well
// inside what its 15-bit lengths can count.
constexpr qsizetype kStringLimit = 4000;
constexpr qsizetype kParagraphLimit = 16000;
// A hotspot's macro or help file name is stored behind a 16-bit size.
constexpr qsizetype kMaxHotspotTarget = 0xFFFF - 6;
constexpr qsizetype kNameLimit = 255;

// The text record of one paragraph while it is written: its formatting part
// and its text, a run of text before each command.
struct RecordWriter {
    ByteWriter format, text;
    qsizetype stringStart = 0; // where the current run of text starts
    qsizetype total = 0;       // the text before that run

    qsizetype current() const { return text.size() - stringStart; }
    void command(QByteArrayView bytes) {
        total += current() + 1;
        text.u8(0);
        stringStart = text.size();
        format.bytes(bytes);
    }
    void simple(std::uint8_t code) { command(QByteArrayView(reinterpret_cast<char*>(&code), 1)); }
    // The end of a paragraph's commands, behind the empty text after its end.
    void endCommands() {
        simple(kParagraphEnd);
        total += current() + 1;
        text.u8(0);
        stringStart = text.size();
        format.u8(kEnd);
    }
    void clear() {
        format.clear();
        text.clear();
        stringStart = 0;
        total = 0;
    }
};

// What one table record and one paragraph's tab stops hold at most.
constexpr int kMaxTableColumns = 255;
constexpr int kMaxTabStops = 32;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// RTF lengths (twips) as the paragraph record holds them.
int recordLength(int twips) {
    return twips / 10;
}

// The topic records of the document model's paragraphs, topic by topic.
class TopicWriter : public rtf::ByteDocumentSink {
public:
    TopicWriter(const QString& file, const std::vector<WindowDefinition>& windows, FontTable& fonts,
                Topics& topics, Diagnostics& d, PictureStore* pictures)
        : m_file(file), m_folder(QFileInfo(file).absolutePath()), m_windows(windows),
          m_fonts(fonts), m_topics(topics), m_d(d), m_pictures(pictures) {
        m_topic.file = m_file;
        m_topic.firstParagraph = int(m_topics.paragraphs.size());
    }

    void setInterpreter(const rtf::ByteInterpreter* interpreter) { m_rtf = interpreter; }

    void paragraph(const rtf::ByteParagraph& p) override;
    void rowEnd(int line) override;
    void footnote(const rtf::ByteFootnote& f) override;
    void page(int line) override;
    void warning(int line, const QString& message) override { m_d.warning(m_file, line, message); }
    void tablesChanged() override { m_knownCount = 0; }

private:
    void startRecord(const rtf::ByteParagraph& p, bool continued);
    void paragraphInfo(const rtf::ByteParagraph& p, bool continued);
    void endRecord(std::uint8_t type = 0x20);
    void plainParagraph(const rtf::ByteParagraph& p);
    void runs(const rtf::ByteParagraph& p, bool mayEnd);
    void setFont(int font);
    void writeRow();
    std::uint16_t fontFor(const rtf::CharFormat& ch, bool plainHotspot);
    void hotspotCommand(const rtf::ByteHotspot& h);
    void picture(const rtf::ByteParagraph& p, const rtf::Run& r);
    void lose(const QString& feature);
    bool topicHasContent() const;
    QString topicName() const;

    QString m_file;
    QString m_folder;
    const std::vector<WindowDefinition>& m_windows;
    FontTable& m_fonts;
    Topics& m_topics;
    Diagnostics& m_d;
    PictureStore* m_pictures;
    const rtf::ByteInterpreter* m_rtf = nullptr;

    // The last fonts asked for, while the font and colour tables stay as
    // they were: a topic goes back and forth between a few.
    struct KnownFont {
        rtf::CharFormat ch;
        bool plainHotspot = false;
        std::uint16_t number = 0;
    };
    static constexpr std::size_t kKnownFonts = 8;
    std::array<KnownFont, kKnownFonts> m_knownFonts;
    std::size_t m_knownCount = 0, m_knownNext = 0;

    Topic m_topic;
    RecordWriter m_record;
    int m_font = -1;                       // the font the record's text is in
    std::vector<rtf::ByteParagraph> m_row; // the cells' paragraphs of a table row
    QStringList m_lost;                    // what of the topic the help file cannot show
    QStringList m_problems;                // pictures not found or not readable
};

// A picture in the line, or at the left or right margin: its command names
// the internal file |bmN by number.
void TopicWriter::picture(const rtf::ByteParagraph& p, const rtf::Run& r) {
    const rtf::EmbeddedPicture* embedded =
        r.embedded >= 0 ? &p.embedded[std::size_t(r.embedded)] : nullptr;
    if (embedded && embedded->format == rtf::EmbeddedPicture::Metafile) {
        lose(QStringLiteral("metafile picture stored in the text"));
        return;
    }
    const QString name =
        embedded ? QStringLiteral("stored in the text") : ansi::toUnicode(p.view(r).toByteArray());
    if (!m_pictures) {
        lose(u"picture " % name);
        return;
    }
    QString problem;
    const int number = embedded ? m_pictures->number(*embedded, problem)
                                : m_pictures->number(name, m_folder, problem);
    if (number < 0) {
        if (!embedded) // a stored picture's problem names no file
            problem = problem.arg(name);
        if (!m_problems.contains(problem))
            m_problems << problem;
        return;
    }
    ByteWriter w;
    w.u8(std::uint8_t(kPictureInline + (r.picture == rtf::PictureAlign::Left    ? 1
                                        : r.picture == rtf::PictureAlign::Right ? 2
                                                                                : 0)));
    w.u8(3);         // a picture of its own file
    w.packedLong(4); // the size of what follows
    w.u16(0);
    w.u16(std::uint16_t(number));
    m_record.command(w.view());
}

void TopicWriter::lose(const QString& feature) {
    if (!m_lost.contains(feature))
        m_lost << feature;
}

void TopicWriter::footnote(const rtf::ByteFootnote& f) {
    if (m_topic.line == 0)
        m_topic.line = f.line;
    QByteArrayView v = f.value;
    const int paragraph = m_topic.paragraphCount;
    const int line = f.line;
    switch (f.mark) {
    case '#':
        if (v.isEmpty()) {
            m_d.warning(m_file, line, QStringLiteral("empty context string footnote ignored"));
            return;
        }
        if (v.size() > kNameLimit) {
            m_d.warning(m_file, line,
                        QStringLiteral("context string longer than 255 characters shortened"));
            v.truncate(kNameLimit);
        }
        if (!IsPortableContextString(v))
            m_d.warning(
                m_file, line,
                QStringLiteral("context string \"%1\" has characters other than A-Z a-z 0-9 . _; "
                               "help viewers may not find it")
                    .arg(ansi::toUnicode(v.data(), v.size())));
        m_topic.contexts.push_back({m_topic.keep(v), paragraph, line});
        return;
    case '$':
        if (m_topic.title.size > 0) {
            m_d.warning(m_file, line, QStringLiteral("second title footnote in one topic ignored"));
            return;
        }
        if (v.size() > kNameLimit) {
            m_d.warning(m_file, line, QStringLiteral("title longer than 255 characters shortened"));
            v.truncate(kNameLimit);
        }
        m_topic.title = m_topic.keep(v);
        return;
    case 'K':
        for (qsizetype from = 0; from <= v.size();) {
            qsizetype end = v.indexOf(';', from);
            if (end < 0)
                end = v.size();
            QByteArrayView k = v.sliced(from, end - from).trimmed();
            from = end + 1;
            if (k.isEmpty())
                continue;
            if (k.size() > kNameLimit) {
                m_d.warning(m_file, line,
                            QStringLiteral("keyword longer than 255 characters shortened"));
                k.truncate(kNameLimit);
            }
            m_topic.keywords.push_back({m_topic.keep(k), paragraph, line});
        }
        return;
    case '+':
        m_topic.browse = m_topic.keep(v.isEmpty() ? QByteArrayView("auto") : v);
        return;
    case '!':
        if (!v.isEmpty())
            m_topic.macros.push_back(m_topic.keep(v));
        return;
    default:
        return; // other footnotes (A, @, *, > ...) do not change the file
    }
}

std::uint16_t TopicWriter::fontFor(const rtf::CharFormat& ch, bool plainHotspot) {
    for (std::size_t i = 0; i < m_knownCount; ++i) {
        const KnownFont& k = m_knownFonts[i];
        const rtf::CharFormat& l = k.ch;
        if (k.plainHotspot == plainHotspot && l.font == ch.font && l.halfPoints == ch.halfPoints &&
            l.bold == ch.bold && l.italic == ch.italic && l.underline == ch.underline &&
            l.strike == ch.strike && l.color == ch.color)
            return k.number;
    }
    static const std::map<int, rtf::BasicFont<QByteArray>> kNoFonts;
    static const std::vector<std::uint32_t> kNoColors;
    const auto& fonts = m_rtf ? m_rtf->fonts() : kNoFonts;
    const auto& colors = m_rtf ? m_rtf->colors() : kNoColors;
    const int defaultFont = m_rtf ? m_rtf->defaultFont() : 0;
    auto it = fonts.find(ch.font < 0 ? defaultFont : ch.font);
    if (it == fonts.end())
        it = fonts.find(defaultFont);
    QByteArray face =
        it != fonts.end() && !it->second.name.isEmpty() ? it->second.name : QByteArray("Arial");
    FontDescriptor d;
    d.family = it != fonts.end() ? it->second.family : 3;
    d.halfPoints = std::uint8_t(ch.halfPoints);
    d.attributes = std::uint8_t((ch.bold ? kBold : 0) | (ch.italic ? kItalic : 0));
    if (!plainHotspot) {
        d.attributes |= ch.underline == 1 ? kUnderline : ch.underline == 2 ? kDoubleUnderline : 0;
        d.attributes |= ch.strike ? kStrikeOut : 0;
    }
    if (ch.color >= 0 && std::size_t(ch.color) < colors.size())
        d.color = colors[std::size_t(ch.color)];
    const std::uint16_t number = m_fonts.font(face.left(31), d);
    m_knownFonts[m_knownNext] = {ch, plainHotspot, number};
    m_knownNext = (m_knownNext + 1) % kKnownFonts;
    m_knownCount = std::min(m_knownCount + 1, kKnownFonts);
    return number;
}

// Writes the command that starts a hotspot and keeps it for the checks.
void TopicWriter::hotspotCommand(const rtf::ByteHotspot& h) {
    Hotspot c;
    c.line = h.line;
    const std::uint8_t noColor = h.look == rtf::HotspotLook::Plain ? 4 : 0;
    // The macro, or the other help file's name, is what the 16-bit size counts.
    const qsizetype stored = h.kind == rtf::HotspotKind::Macro ? h.target.size() : h.file.size();
    if (stored > kMaxHotspotTarget) {
        m_d.error(m_file, h.line,
                  QStringLiteral("the target of a hotspot is %1 characters long; a help file "
                                 "holds at most %2")
                      .arg(stored)
                      .arg(kMaxHotspotTarget));
        return;
    }
    ByteWriter w;
    if (h.kind == rtf::HotspotKind::Macro) {
        w.u8(std::uint8_t(kMacro | noColor));
        w.u16(std::uint16_t(h.target.size() + 1));
        w.stringz(h.target);
        c.code = std::uint8_t(w.view()[0]);
        m_record.command(w.view());
        m_topic.hotspots.push_back(std::move(c));
        return;
    }
    const std::uint8_t kind = h.kind == rtf::HotspotKind::Jump ? 1 : 0;
    int windowNumber = -1;
    if (!h.window.isEmpty()) {
        for (std::size_t i = 0; i < m_windows.size(); ++i)
            if (m_windows[i].name.compare(h.window, Qt::CaseInsensitive) == 0)
                windowNumber = int(i);
        if (windowNumber < 0 || !h.file.isEmpty())
            m_d.warning(m_file, h.line,
                        QStringLiteral("window %1 of a jump is not defined in [WINDOWS]; the jump "
                                       "opens in the current window")
                            .arg(ansi::toUnicode(h.window)));
    }
    const std::uint32_t hash = ContextHash(h.target);
    if (!h.file.isEmpty()) {
        w.u8(std::uint8_t(kExternal | kind | noColor));
        w.u16(std::uint16_t(1 + 4 + h.file.size() + 1));
        w.u8(4);
        w.u32(hash);
        w.stringz(h.file);
    } else if (windowNumber >= 0) {
        w.u8(std::uint8_t(kExternal | kind | noColor));
        w.u16(1 + 4 + 1);
        w.u8(1);
        w.u32(hash);
        w.u8(std::uint8_t(windowNumber));
        c.jumpTarget = h.target;
    } else {
        w.u8(std::uint8_t((kind ? kJump : kPopup) | noColor));
        w.u32(hash);
        c.jumpTarget = h.target;
    }
    c.code = std::uint8_t(w.view()[0]);
    m_record.command(w.view());
    m_topic.hotspots.push_back(std::move(c));
}

void TopicWriter::startRecord(const rtf::ByteParagraph& p, bool continued) {
    m_record.clear();
    paragraphInfo(p, continued);
}

void TopicWriter::paragraphInfo(const rtf::ByteParagraph& p, bool continued) {
    const rtf::ParFormat& par = p.format;
    // A paragraph split for its length goes on with the same alignment and
    // side indents only.
    // Most paragraphs have no spacing or indents: no lengths to convert.
    const bool spaced = (par.spaceBefore | par.spaceAfter | par.firstIndent | par.leftIndent |
                         par.rightIndent) != 0;
    const int spaceBefore = continued || !spaced ? 0 : recordLength(par.spaceBefore);
    const int spaceAfter = continued || !spaced ? 0 : recordLength(par.spaceAfter);
    const int firstIndent = continued || !spaced ? 0 : recordLength(par.firstIndent);
    const int leftIndent = spaced ? recordLength(par.leftIndent) : 0;
    const int rightIndent = spaced ? recordLength(par.rightIndent) : 0;
    ByteWriter& f = m_record.format;
    f.u8(0);
    f.u8(0x80);
    f.u16(0);
    // Tab stops: the paragraph's own and, for a hanging indent, one at the
    // left indent, where the text after a bullet and its tab lines up.
    std::vector<std::pair<int, unsigned>> tabs; // position, kind (1 right, 2 centre)
    for (const rtf::TabStop& t : p.tabStops)
        tabs.push_back({std::clamp(recordLength(t.position), 0, 0x3FFF),
                        t.kind == rtf::TabStop::Right    ? 1u
                        : t.kind == rtf::TabStop::Center ? 2u
                                                         : 0u});
    if (firstIndent < 0 && leftIndent > 0)
        tabs.push_back({std::min(leftIndent, 0x3FFF), 0u});
    std::stable_sort(tabs.begin(), tabs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    tabs.erase(std::unique(tabs.begin(), tabs.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               tabs.end());
    if (tabs.size() > std::size_t(kMaxTabStops))
        tabs.resize(kMaxTabStops);
    std::uint16_t bits = 0;
    bits |= spaceBefore ? 0x0002 : 0;
    bits |= spaceAfter ? 0x0004 : 0;
    bits |= leftIndent ? 0x0010 : 0;
    bits |= rightIndent ? 0x0020 : 0;
    bits |= firstIndent ? 0x0040 : 0;
    bits |= tabs.empty() ? 0 : 0x0200;
    bits |= par.alignment == rtf::Align::Right    ? 0x0400
            : par.alignment == rtf::Align::Center ? 0x0800
                                                  : 0;
    f.u16(bits);
    for (int v : {spaceBefore, spaceAfter, leftIndent, rightIndent, firstIndent})
        if (v)
            f.packedShort(std::clamp(v, -0x4000, 0x3FFF));
    if (!tabs.empty()) {
        f.packedShort(int(tabs.size()));
        for (const auto& [position, kind] : tabs) {
            f.packedUShort(unsigned(position) | (kind ? 0x4000u : 0u));
            if (kind)
                f.packedUShort(kind);
        }
    }
}

void TopicWriter::endRecord(std::uint8_t type) {
    if (type == 0x20)
        m_record.endCommands();
    Paragraph p;
    p.at = m_topics.bytes.size();
    p.formatSize = int(m_record.format.size());
    p.textSize = int(m_record.text.size());
    p.table = type == 0x23;
    m_topics.bytes.bytes(m_record.format.view());
    m_topics.bytes.bytes(m_record.text.view());
    m_topics.paragraphs.push_back(p);
    ++m_topic.paragraphCount;
}

void TopicWriter::setFont(int f) {
    if (f == m_font)
        return;
    const char command[3] = {char(kFont), char(f & 0xFF), char(f >> 8)};
    m_record.command(QByteArrayView(command, 3));
    m_font = f;
}

void TopicWriter::paragraph(const rtf::ByteParagraph& p) {
    if (m_topic.line == 0 && !p.runs.empty())
        m_topic.line = p.line;
    // A table row's paragraphs wait for its end, which gives its columns.
    if (p.format.inTable || p.cellEnd) {
        m_row.push_back(p);
        return;
    }
    if (!m_row.empty())
        writeRow();
    plainParagraph(p);
}

void TopicWriter::plainParagraph(const rtf::ByteParagraph& p) {
    const rtf::ParFormat& ps = p.format;
    // The paragraphs a topic begins with that keep with the next form its
    // non-scrolling region.
    const bool fixed =
        ps.keepNext && !ps.inTable && m_topic.nonScrollParagraphs == m_topic.paragraphCount;
    startRecord(p, false);
    m_font = -1;
    runs(p, true);
    endRecord();
    if (fixed)
        m_topic.nonScrollParagraphs = m_topic.paragraphCount;
}

// The paragraph's runs as the record's text and commands; `mayEnd`: a long
// paragraph goes on in a record of its own.
void TopicWriter::runs(const rtf::ByteParagraph& p, bool mayEnd) {
    for (std::size_t i = 0; i < p.runs.size(); ++i) {
        const rtf::Run& r = p.runs[i];
        if (r.kind == rtf::Run::Text && r.ch.hidden)
            continue;
        if (r.kind == rtf::Run::LineBreak) {
            m_record.simple(kLineBreak);
            continue;
        }
        if (r.kind == rtf::Run::Tab) {
            m_record.simple(kTab);
            continue;
        }
        const rtf::ByteHotspot* h = p.hotspotOf(r);
        if (h && h->firstRun == int(i))
            hotspotCommand(*h);
        if (r.kind == rtf::Run::Picture) {
            picture(p, r);
            if (h && h->lastRun == int(i))
                m_record.simple(kHotspotEnd);
            continue;
        }
        if (r.ch.highlight > 0)
            lose(QStringLiteral("highlight"));
        setFont(fontFor(r.ch, h != nullptr));
        const QByteArrayView text = p.view(r);
        for (qsizetype at = 0; at < text.size();) {
            if (m_record.current() >= kStringLimit) {
                const int same = m_font;
                m_font = -1;
                setFont(same);
            }
            const qsizetype n = std::min(text.size() - at, kStringLimit - m_record.current());
            m_record.text.bytes(text.sliced(at, n));
            at += n;
            if (mayEnd && m_record.total + m_record.current() > kParagraphLimit &&
                at < text.size()) {
                m_d.warning(m_file, r.line,
                            QStringLiteral("paragraph longer than %1 characters split")
                                .arg(kParagraphLimit));
                endRecord();
                startRecord(p, true);
                const int same = m_font;
                m_font = -1;
                setFont(same);
            }
        }
        if (h && h->lastRun == int(i))
            m_record.simple(kHotspotEnd);
    }
    if (m_font < 0)
        setFont(fontFor(p.endFormat, false));
}

void TopicWriter::rowEnd(int /*line*/) {
    if (!m_row.empty())
        writeRow();
}

// One table record for the row: its columns' widths, then each cell's
// paragraphs with their column, ended by column -1.
void TopicWriter::writeRow() {
    std::vector<rtf::ByteParagraph> row;
    row.swap(m_row);
    int cells = 0;
    for (const rtf::ByteParagraph& p : row)
        cells += p.cellEnd ? 1 : 0;
    if (!row.back().cellEnd)
        ++cells;
    static const rtf::RowFormat kNoRow;
    const rtf::RowFormat& format = m_rtf ? m_rtf->row() : kNoRow;
    std::vector<int> rights = format.cellRights;
    // Cells beyond the row's definition get an inch each.
    while (int(rights.size()) < cells)
        rights.push_back((rights.empty() ? format.left : rights.back()) + 1440);
    const auto asParagraphs = [&](const QString& why) {
        m_d.warning(m_file, row.front().line,
                    u"table row " % why % u": its cells are written as paragraphs");
        for (const rtf::ByteParagraph& p : row)
            plainParagraph(p);
    };
    if (rights.size() > std::size_t(kMaxTableColumns))
        return asParagraphs(QStringLiteral("with more than %1 columns").arg(kMaxTableColumns));

    m_record.clear();
    ByteWriter& f = m_record.format;
    f.u8(std::uint8_t(rights.size()));
    f.u8(1); // columns of the widths given
    // Each column: the width of its text, then the space after it. A viewer
    // takes half the second column's space as the cells' inner margin and the
    // first column's space less the second's as the row's indent, and starts
    // the first column at that margin.
    int left = format.left;
    for (std::size_t c = 0; c < rights.size(); ++c) {
        const int gap = c == 0 ? std::max(format.left + 2 * format.gap, 0) : 2 * format.gap;
        const int width =
            c == 0 ? rights[c] - format.left - 3 * format.gap : rights[c] - left - 2 * format.gap;
        f.i16(std::int16_t(std::clamp(recordLength(width), 1, 0x7FFF)));
        f.i16(std::int16_t(std::clamp(recordLength(gap), 0, 0x7FFF)));
        left = rights[c];
    }
    int column = 0;
    for (const rtf::ByteParagraph& p : row) {
        f.i16(std::int16_t(std::min(column, int(rights.size()) - 1)));
        f.i16(0);
        f.u8(0);
        paragraphInfo(p, false);
        m_font = -1;
        runs(p, false);
        m_record.endCommands();
        column += p.cellEnd ? 1 : 0;
    }
    f.i16(-1);
    if (m_record.text.size() > kParagraphLimit)
        return asParagraphs(QStringLiteral("longer than %1 characters").arg(kParagraphLimit));
    endRecord(0x23);
}

bool TopicWriter::topicHasContent() const {
    return m_topic.paragraphCount > 0 || !m_topic.contexts.empty() || m_topic.title.size > 0 ||
           !m_topic.keywords.empty();
}

QString TopicWriter::topicName() const {
    const auto name = [this](StringAt s) {
        const QByteArrayView v = m_topic.text(s);
        return ansi::toUnicode(v.data(), v.size());
    };
    return !m_topic.contexts.empty() ? name(m_topic.contexts[0].text)
           : m_topic.title.size > 0  ? name(m_topic.title)
                                     : QStringLiteral("at line %1").arg(m_topic.line);
}

void TopicWriter::page(int /*line*/) {
    if (!m_row.empty()) // a row without its end
        writeRow();
    if (!m_lost.isEmpty()) {
        m_d.warning(m_file, m_topic.line,
                    u"topic " % topicName() % u": the help file cannot show its " %
                        m_lost.join(QStringLiteral(", ")));
        m_lost.clear();
    }
    for (const QString& problem : std::as_const(m_problems))
        m_d.warning(m_file, m_topic.line,
                    u"topic " % topicName() % u": " % problem % u"; it is left out");
    m_problems.clear();
    if (topicHasContent())
        m_topics.add(m_topic);
    if (m_topics.onBatch && m_topics.bytes.size() >= Topics::kBatchBytes)
        m_topics.onBatch(m_topics);
    m_topic.clear();
    m_topic.firstParagraph = int(m_topics.paragraphs.size());
}

// Hands on the bytes of a topic file, counting the lines of the blanks it
// begins with: where its first thing stands.
class FirstLine : public rtf::ByteSource {
public:
    explicit FirstLine(rtf::ByteSource& source) : m_source(source) {}
    qsizetype read(char* to, qsizetype size) override {
        const qsizetype n = m_source.read(to, size);
        for (qsizetype i = 0; i < n && m_blank; ++i) {
            const char c = to[i];
            if (m_cr && c != '\n')
                ++m_line; // a line end of its own
            m_cr = false;
            if (!isBlank(c))
                m_blank = false;
            else if (c == '\n')
                ++m_line;
            else if (c == '\r')
                m_cr = true;
        }
        return n;
    }
    int line() const { return m_line + (m_cr ? 1 : 0); }

private:
    rtf::ByteSource& m_source;
    int m_line = 1;
    bool m_blank = true, m_cr = false;
};

// The bytes of a topic file already in memory.
class ViewSource : public rtf::ByteSource {
public:
    explicit ViewSource(QByteArrayView bytes) : m_bytes(bytes) {}
    qsizetype read(char* to, qsizetype size) override {
        const qsizetype n = std::min(size, m_bytes.size());
        if (n > 0)
            std::memcpy(to, m_bytes.data(), std::size_t(n));
        m_bytes = m_bytes.sliced(n);
        return n;
    }

private:
    QByteArrayView m_bytes;
};

} // namespace

void ReadTopicFile(const QString& fileName, rtf::ByteSource& source,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts, Topics& topics,
                   Diagnostics& diagnostics, PictureStore* pictures) {
    TopicWriter writer(fileName, windows, fonts, topics, diagnostics, pictures);
    // The file's bytes are read as they are: Windows-1252 is the code page of
    // help files, and RTF's codes are ASCII.
    rtf::ByteInterpreter interpreter(writer);
    writer.setInterpreter(&interpreter);
    FirstLine counted(source);
    if (!interpreter.readDocument(counted))
        diagnostics.error(
            fileName, counted.line(),
            QStringLiteral("this is not an RTF file (it does not begin with {\\rtf)"));
}

void ReadTopicFile(const QString& fileName, QByteArrayView bytes,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts, Topics& topics,
                   Diagnostics& diagnostics, PictureStore* pictures) {
    // The records take less room than the RTF they come from, as a rule.
    topics.bytes.reserve(topics.bytes.size() + bytes.size());
    ViewSource source(bytes);
    ReadTopicFile(fileName, source, windows, fonts, topics, diagnostics, pictures);
}

} // namespace hc
