#include "topicfile.h"

#include "bytes.h"
#include "codepage/ansi.h"
#include "contexthash.h"
#include "rtf/rtftokenizer.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace hc {

namespace {

// A string of a record stays below this, so that a record's text stays well
// inside what its 15-bit lengths can count.
constexpr qsizetype kStringLimit = 4000;
constexpr qsizetype kParagraphLimit = 16000;
// Each open group costs a copy of the formatting state (about 80 bytes).
// Topic files Quillmate wrote so far leave each topic's group open, so the
// depth grows with the topics: this allows a million of them.
constexpr int kMaxGroupDepth = 1000000;
// A hotspot's macro or help file name is stored behind a 16-bit size.
constexpr qsizetype kMaxHotspotTarget = 0xFFFF - 6;
constexpr qsizetype kNameLimit = 255;

enum class Destination { Body, Skip, FontTable, ColorTable, Footnote };
enum class Hot { None, Popup, Jump };

struct CharState {
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    bool bold = false, italic = false, strike = false, hidden = false;
    int underline = 0; // 1 single, 2 double
    int color = 0;
    int unicodeSkip = 1;
};

struct ParState {
    int alignment = 0;
    int spaceBefore = 0, spaceAfter = 0, leftIndent = 0, rightIndent = 0, firstIndent = 0;
};

struct Group {
    CharState ch;
    ParState par;
    Destination destination = Destination::Body;
    bool afterFootnote = false; // inside a footnote group that has already ended its value
    bool textBefore = false;    // the token before this group was text
    bool firstWord = true;      // no control word seen yet in this group
};

struct Run {
    enum Kind { Text, LineBreak, Tab } kind = Text;
    qsizetype begin = 0, end = 0; // its text in TopicReader::m_runText
    CharState ch;
    int line = 0;
    int hotspot = -1; // index into the paragraph's hotspots
};

struct Footnote {
    char mark = 0;
    QByteArray text;
    int depth = 0;       // depth of the footnote group
    int valueDepth = -1; // depth of the group that holds the value
    int line = 0;
};

struct RtfFont {
    QByteArray name;
    std::uint8_t family = 3;
};

using Token = rtf::TokenView<QByteArrayView>;

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
};

class TopicReader {
public:
    TopicReader(const QString& file, const std::vector<WindowDefinition>& windows, FontTable& fonts,
                Topics& topics, Diagnostics& d)
        : m_file(file), m_windows(windows), m_fonts(fonts), m_topics(topics), m_d(d) {}

    void read(QByteArrayView source);

private:
    Group& top() { return m_stack.back(); }
    int depth() const { return int(m_stack.size()); }

    void controlWord(rtf::ByteTokenizer& tokenizer, const Token& t);
    void controlSymbol(const Token& t);
    void text(QByteArrayView bytes, int line);
    void groupEnd(int line);

    void startFootnote(int line);
    void footnoteText(QByteArrayView bytes);
    void endFootnote(bool early);

    void appendRun(Run::Kind kind, QByteArrayView bytes, int line);
    QByteArrayView runText(const Run& r) const {
        return m_runText.view().sliced(r.begin, r.end - r.begin);
    }
    void endParagraph();
    void startRecord(const ParState& par, bool continued);
    void endRecord();
    void endTopic();
    bool topicHasContent() const;

    std::uint16_t fontFor(const CharState& ch, bool plainHotspot);
    void hotspotCommand(Hot hot, const QByteArray& target, int line);

    QString m_file;
    const std::vector<WindowDefinition>& m_windows;
    FontTable& m_fonts;
    Topics& m_topics;
    Diagnostics& m_d;

    std::vector<Group> m_stack;
    std::map<int, RtfFont> m_rtfFonts;
    QByteArray m_fontName;
    std::uint8_t m_fontFamily = 3;
    int m_defaultFont = 0;
    std::vector<std::uint32_t> m_colors;
    std::uint32_t m_color = 0;
    bool m_colorSet = false;

    // The last font asked for; the font and colour tables' words forget it.
    struct {
        bool valid = false;
        CharState ch;
        bool plainHotspot = false;
        std::uint16_t number = 0;
    } m_lastFont;

    Topic m_topic;
    std::vector<Run> m_runs;
    ByteWriter m_runText; // the texts of the paragraph's runs, one after the other
    RecordWriter m_record;
    bool m_footnoteActive = false;
    Footnote m_footnote;
    int m_skipChars = 0;
    bool m_lastWasText = false;
    bool m_warnedBrace = false;
};

// NUL and the other control characters have no place in a record's text.
bool isControl(char c) {
    return std::uint8_t(c) < 0x20 && c != '\t';
}

// Whether `s` has a control character, eight bytes at a time: a byte below
// 0x20 (a tab too) sets its top bit in (v - 0x20..) & ~v.
bool hasControl(QByteArrayView s) {
    constexpr std::uint64_t kLow = 0x2020202020202020, kHigh = 0x8080808080808080;
    qsizetype i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t v;
        std::memcpy(&v, s.data() + i, 8);
        if (((v - kLow) & ~v & kHigh) != 0)
            break;
    }
    for (; i < s.size(); ++i)
        if (isControl(s[i]))
            return true;
    return false;
}

void TopicReader::read(QByteArrayView source) {
    // The file's bytes are read as they are: Windows-1252 is the code page of
    // help files, and RTF's codes are ASCII.
    rtf::ByteTokenizer tokenizer(source);
    Token t = tokenizer.nextView();
    {
        const Token second = tokenizer.nextView();
        if (t.kind != rtf::TokenKind::GroupStart || second.kind != rtf::TokenKind::ControlWord ||
            second.text != "rtf") {
            m_d.error(m_file, t.line,
                      QStringLiteral("this is not an RTF file (it does not begin with {\\rtf)"));
            return;
        }
        m_stack.push_back(Group());
        top().firstWord = false;
        m_topic.file = m_file;
        m_topic.firstParagraph = int(m_topics.paragraphs.size());
    }
    for (t = tokenizer.nextView(); t.kind != rtf::TokenKind::End; t = tokenizer.nextView()) {
        bool isText = false;
        switch (t.kind) {
        case rtf::TokenKind::GroupStart: {
            if (depth() >= kMaxGroupDepth) {
                m_d.error(m_file, t.line,
                          QStringLiteral("groups nested more than %1 deep").arg(kMaxGroupDepth));
                return;
            }
            Group g = m_stack.empty() ? Group() : top();
            g.textBefore = m_lastWasText;
            g.firstWord = true;
            if (m_stack.empty()) {
                if (!m_warnedBrace)
                    m_d.warning(
                        m_file, t.line,
                        QStringLiteral("text after the end of the document is read as well"));
                m_warnedBrace = true;
            }
            m_stack.push_back(g);
            break;
        }
        case rtf::TokenKind::GroupEnd:
            if (m_stack.empty()) {
                if (!m_warnedBrace)
                    m_d.warning(m_file, t.line,
                                QStringLiteral("closing brace without an opening one ignored"));
                m_warnedBrace = true;
                break;
            }
            groupEnd(t.line);
            break;
        case rtf::TokenKind::ControlWord:
            if (m_stack.empty())
                m_stack.push_back(Group());
            controlWord(tokenizer, t);
            top().firstWord = false;
            break;
        case rtf::TokenKind::ControlSymbol:
            if (m_stack.empty())
                m_stack.push_back(Group());
            controlSymbol(t);
            isText = t.text.size() == 1 && QByteArrayView("'\\{}~_").contains(t.text[0]);
            break;
        case rtf::TokenKind::Text:
            if (m_stack.empty())
                m_stack.push_back(Group());
            {
                // A text broken by line ends comes in pieces; the characters
                // skipped after \u may run on into the next piece.
                QByteArrayView s = t.text;
                if (m_skipChars > 0) {
                    const qsizetype n = std::min<qsizetype>(m_skipChars, s.size());
                    s = s.sliced(n);
                    m_skipChars -= int(n);
                }
                // Control characters dropped: rare, so the text is copied only then.
                if (hasControl(s)) {
                    QByteArray clean = s.toByteArray();
                    clean.removeIf(isControl);
                    if (!clean.isEmpty())
                        text(clean, t.line);
                } else if (!s.isEmpty()) {
                    text(s, t.line);
                }
            }
            isText = true;
            break;
        case rtf::TokenKind::End:
            break;
        }
        m_lastWasText = isText;
    }
    if (m_stack.empty()) // every group closed: the end takes the document's defaults
        m_stack.push_back(Group());
    if (m_footnoteActive)
        endFootnote(false);
    endTopic();
}

void TopicReader::groupEnd(int /*line*/) {
    const int closing = depth();
    if (m_footnoteActive) {
        if (closing == m_footnote.depth) {
            m_stack.pop_back();
            endFootnote(false);
            return;
        }
        if (closing == m_footnote.valueDepth) {
            // The value's group ends while the footnote's own group stays
            // open: the footnote ends here and what follows is topic text.
            m_stack.pop_back();
            const int from = m_footnote.depth - 1;
            endFootnote(true);
            for (int i = std::max(from, 0); i < depth(); ++i) {
                m_stack[std::size_t(i)].destination = Destination::Body;
                m_stack[std::size_t(i)].afterFootnote = true;
            }
            return;
        }
    }
    m_stack.pop_back();
}

enum class Word {
    Unknown,
    Footnote,
    FontTable,
    ColorTable,
    Bin,
    F,
    FRoman,
    FSwiss,
    FModern,
    FScript,
    FDecor,
    Red,
    Green,
    Blue,
    Deff,
    Plain,
    Fs,
    B,
    I,
    Strike,
    Ul,
    Uldb,
    UlNone,
    V,
    Cf,
    Uc,
    U,
    Pard,
    Par,
    Line,
    Tab,
    Page,
    Ql,
    Qr,
    Qc,
    Sb,
    Sa,
    Li,
    Ri,
    Fi,
    Special,
};

struct WordName {
    std::string_view name;
    Word word;
    char special = 0; // Word::Special: the character
};

constexpr WordName kWords[] = {
    {"footnote", Word::Footnote},
    {"fonttbl", Word::FontTable},
    {"colortbl", Word::ColorTable},
    {"bin", Word::Bin},
    {"f", Word::F},
    {"froman", Word::FRoman},
    {"fswiss", Word::FSwiss},
    {"fnil", Word::FSwiss},
    {"ftech", Word::FSwiss},
    {"fmodern", Word::FModern},
    {"fscript", Word::FScript},
    {"fdecor", Word::FDecor},
    {"red", Word::Red},
    {"green", Word::Green},
    {"blue", Word::Blue},
    {"deff", Word::Deff},
    {"plain", Word::Plain},
    {"fs", Word::Fs},
    {"b", Word::B},
    {"i", Word::I},
    {"strike", Word::Strike},
    {"striked", Word::Strike},
    {"ul", Word::Ul},
    {"ulw", Word::Ul},
    {"uld", Word::Ul},
    {"ulth", Word::Ul},
    {"ulwave", Word::Ul},
    {"uldb", Word::Uldb},
    {"ulnone", Word::UlNone},
    {"v", Word::V},
    {"cf", Word::Cf},
    {"uc", Word::Uc},
    {"u", Word::U},
    {"pard", Word::Pard},
    {"par", Word::Par},
    {"line", Word::Line},
    {"tab", Word::Tab},
    {"page", Word::Page},
    {"ql", Word::Ql},
    {"qj", Word::Ql},
    {"qr", Word::Qr},
    {"qc", Word::Qc},
    {"sb", Word::Sb},
    {"sa", Word::Sa},
    {"li", Word::Li},
    {"ri", Word::Ri},
    {"fi", Word::Fi},
    {"bullet", Word::Special, '\x95'},
    {"emdash", Word::Special, '\x97'},
    {"endash", Word::Special, '\x96'},
    {"lquote", Word::Special, '\x91'},
    {"rquote", Word::Special, '\x92'},
    {"ldblquote", Word::Special, '\x93'},
    {"rdblquote", Word::Special, '\x94'},
    {"emspace", Word::Special, ' '},
    {"enspace", Word::Special, ' '},
};

// From the length and the first, second and last letters: enough to tell
// the words above apart, mostly, without reading every letter.
unsigned wordHash(QByteArrayView w) {
    if (w.isEmpty())
        return 0;
    const auto at = [&](qsizetype i) { return unsigned(std::uint8_t(w[i])); };
    return unsigned(w.size()) * 97 + at(0) * 7 + at(w.size() > 1 ? 1 : 0) * 3 + at(w.size() - 1);
}

// One look-up per control word: a topic file has millions of them. An open
// hash table of the words above, built once.
Word wordOf(QByteArrayView w, char& special) {
    constexpr unsigned kSlots = 256; // a power of two, well above the words' count
    static const auto table = [] {
        std::array<std::uint8_t, kSlots> t{}; // index into kWords plus 1; 0: free
        for (std::size_t i = 0; i < std::size(kWords); ++i) {
            unsigned h =
                wordHash(QByteArrayView(kWords[i].name.data(), qsizetype(kWords[i].name.size())));
            while (t[h % kSlots] != 0)
                ++h;
            t[h % kSlots] = std::uint8_t(i + 1);
        }
        return t;
    }();
    for (unsigned h = wordHash(w);; ++h) {
        const std::uint8_t slot = table[h % kSlots];
        if (slot == 0)
            return Word::Unknown;
        const WordName& entry = kWords[slot - 1];
        if (qsizetype(entry.name.size()) == w.size() &&
            std::memcmp(entry.name.data(), w.data(), entry.name.size()) == 0) {
            special = entry.special;
            return entry.word;
        }
    }
}

void TopicReader::controlWord(rtf::ByteTokenizer& tokenizer, const Token& t) {
    const int p = t.parameter;
    const bool has = t.hasParameter;
    Group& g = top();
    char special = 0;
    const Word word = wordOf(t.text, special);
    if (word != Word::U && word != Word::Uc)
        m_skipChars = 0;

    // Destinations
    if (g.firstWord) {
        switch (word) {
        case Word::Footnote:
            if (g.destination == Destination::Body && !m_footnoteActive)
                startFootnote(t.line);
            else
                g.destination = Destination::Skip;
            return;
        case Word::FontTable:
            g.destination = Destination::FontTable;
            m_fontName.clear();
            m_lastFont.valid = false;
            return;
        case Word::ColorTable:
            g.destination = Destination::ColorTable;
            m_lastFont.valid = false;
            m_colors.clear();
            m_color = 0;
            m_colorSet = false;
            return;
        default:
            if (word == Word::Unknown && rtf::IsSkippedDestination(t.text)) {
                g.destination = Destination::Skip;
                return;
            }
        }
    }
    if (word == Word::Bin) {
        tokenizer.skipBinary(has ? std::max(p, 0) : 0);
        return;
    }
    if (g.destination == Destination::Skip || word == Word::Unknown)
        return; // words not known here are dropped with their parameter

    if (g.destination == Destination::FontTable) {
        m_lastFont.valid = false;
        switch (word) {
        case Word::F:
            m_fontName.clear();
            m_fontFamily = 3;
            m_rtfFonts[p] = RtfFont();
            g.ch.font = p;
            break;
        case Word::FRoman:
            m_fontFamily = 2;
            break;
        case Word::FSwiss:
            m_fontFamily = 3;
            break;
        case Word::FModern:
            m_fontFamily = 1;
            break;
        case Word::FScript:
            m_fontFamily = 4;
            break;
        case Word::FDecor:
            m_fontFamily = 5;
            break;
        default:
            break;
        }
        return;
    }
    if (g.destination == Destination::ColorTable) {
        m_lastFont.valid = false;
        const auto v = std::uint32_t(std::clamp(p, 0, 255));
        if (word == Word::Red)
            m_color = (m_color & 0xFFFF00) | v;
        else if (word == Word::Green)
            m_color = (m_color & 0xFF00FF) | (v << 8);
        else if (word == Word::Blue)
            m_color = (m_color & 0x00FFFF) | (v << 16);
        m_colorSet = true;
        return;
    }

    CharState& ch = g.ch;
    ParState& par = g.par;
    const bool on = !has || p != 0;
    const bool body = g.destination == Destination::Body;
    switch (word) {
    case Word::Deff:
        m_defaultFont = p;
        m_lastFont.valid = false;
        break;
    case Word::Plain: {
        const int skip = ch.unicodeSkip;
        ch = CharState();
        ch.unicodeSkip = skip;
        break;
    }
    case Word::F:
        ch.font = p;
        break;
    case Word::Fs:
        ch.halfPoints = has ? std::clamp(p, 1, 255) : 24;
        break;
    case Word::B:
        ch.bold = on;
        break;
    case Word::I:
        ch.italic = on;
        break;
    case Word::Strike:
        ch.strike = on;
        break;
    case Word::Ul:
        ch.underline = on ? 1 : 0;
        break;
    case Word::Uldb:
        ch.underline = on ? 2 : 0;
        break;
    case Word::UlNone:
        ch.underline = 0;
        break;
    case Word::V:
        ch.hidden = on;
        break;
    case Word::Cf:
        ch.color = p;
        break;
    case Word::Uc:
        ch.unicodeSkip = std::clamp(p, 0, 8);
        break;
    case Word::U: {
        char c = '?';
        if (!ansi::encode(char16_t(p < 0 ? p + 65536 : p), c))
            c = '?';
        const QByteArrayView b = isControl(c) ? QByteArrayView() : QByteArrayView(&c, 1);
        if (g.destination == Destination::Footnote)
            footnoteText(b);
        else
            text(b, t.line);
        m_skipChars = ch.unicodeSkip;
        break;
    }
    case Word::Pard:
        par = ParState();
        break;
    case Word::Par:
        if (body)
            endParagraph();
        break;
    case Word::Line:
        if (body)
            appendRun(Run::LineBreak, {}, t.line);
        break;
    case Word::Tab:
        if (body)
            appendRun(Run::Tab, {}, t.line);
        else if (g.destination == Destination::Footnote)
            footnoteText(" ");
        break;
    case Word::Page:
        if (body)
            endTopic();
        break;
    case Word::Ql:
        par.alignment = 0;
        break;
    case Word::Qr:
        par.alignment = 1;
        break;
    case Word::Qc:
        par.alignment = 2;
        break;
    case Word::Sb:
        par.spaceBefore = p / 10;
        break;
    case Word::Sa:
        par.spaceAfter = p / 10;
        break;
    case Word::Li:
        par.leftIndent = p / 10;
        break;
    case Word::Ri:
        par.rightIndent = p / 10;
        break;
    case Word::Fi:
        par.firstIndent = p / 10;
        break;
    case Word::Special:
        if (g.destination == Destination::Footnote)
            footnoteText(QByteArrayView(&special, 1));
        else
            text(QByteArrayView(&special, 1), t.line);
        break;
    default:
        break;
    }
}

void TopicReader::controlSymbol(const Token& t) {
    Group& g = top();
    const char s = t.text.isEmpty() ? '\0' : t.text[0];
    if (s == '*') {
        if (g.firstWord)
            g.destination = Destination::Skip;
        return;
    }
    if (g.destination == Destination::Skip)
        return;
    char b = 0;
    switch (s) {
    case '\'':
        if (!t.hasParameter)
            return;
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        b = char(t.parameter);
        if (std::uint8_t(b) < 0x20)
            return;
        break;
    case '\\':
    case '{':
    case '}':
        b = s;
        break;
    case '~':
        b = '\xA0';
        break;
    case '_':
        b = '-';
        break;
    case '\t':
        if (g.destination == Destination::Body)
            appendRun(Run::Tab, {}, t.line);
        return;
    default:
        return; // \- \| \: and unknown symbols
    }
    m_skipChars = 0;
    if (g.destination == Destination::FontTable || g.destination == Destination::ColorTable)
        return;
    if (g.destination == Destination::Footnote)
        footnoteText(QByteArrayView(&b, 1));
    else
        text(QByteArrayView(&b, 1), t.line);
}

void TopicReader::text(QByteArrayView bytes, int line) {
    Group& g = top();
    switch (g.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        m_lastFont.valid = false;
        for (char c : bytes) {
            if (c == ';') {
                RtfFont& f = m_rtfFonts[top().ch.font];
                f.name = m_fontName.trimmed();
                f.family = m_fontFamily;
                m_fontName.clear();
            } else {
                m_fontName += c;
            }
        }
        return;
    case Destination::ColorTable:
        m_lastFont.valid = false;
        for (char c : bytes) {
            if (c == ';') {
                m_colors.push_back(m_colorSet ? m_color : 0);
                m_color = 0;
                m_colorSet = false;
            }
        }
        return;
    case Destination::Footnote:
        footnoteText(bytes);
        return;
    case Destination::Body:
        break;
    }
    // A literal tab is a tab stop; everything else is text.
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = bytes.indexOf('\t', from);
        const qsizetype end = tab < 0 ? bytes.size() : tab;
        if (end > from)
            appendRun(Run::Text, bytes.sliced(from, end - from), line);
        if (tab < 0)
            break;
        appendRun(Run::Tab, {}, line);
        from = tab + 1;
    }
}

void TopicReader::appendRun(Run::Kind kind, QByteArrayView bytes, int line) {
    const CharState& ch = top().ch;
    if (kind == Run::Text && !m_runs.empty()) {
        Run& last = m_runs.back();
        const CharState& a = last.ch;
        if (last.kind == Run::Text && a.font == ch.font && a.halfPoints == ch.halfPoints &&
            a.bold == ch.bold && a.italic == ch.italic && a.strike == ch.strike &&
            a.hidden == ch.hidden && a.underline == ch.underline && a.color == ch.color) {
            m_runText.bytes(bytes); // the last run's text ends the buffer
            last.end = m_runText.size();
            return;
        }
    }
    if (m_topic.line == 0)
        m_topic.line = line;
    Run r;
    r.kind = kind;
    r.begin = m_runText.size();
    m_runText.bytes(bytes);
    r.end = m_runText.size();
    r.ch = ch;
    r.line = line;
    m_runs.push_back(r);
}

void TopicReader::startFootnote(int line) {
    Group& g = top();
    // The footnote's mark is the character just before its group.
    char mark = 0;
    if (g.textBefore && !m_runs.empty() && m_runs.back().kind == Run::Text) {
        Run& r = m_runs.back();
        const char* text = m_runText.constData();
        while (r.end - r.begin > 1 && text[r.end - 1] == ' ')
            --r.end;
        if (r.end > r.begin) {
            mark = text[r.end - 1];
            --r.end;
        }
        m_runText.truncate(r.end);
        if (r.end == r.begin)
            m_runs.pop_back();
    }
    // A footnote that stands inside the group of an earlier one, which was
    // left open after its value, begins the next entry: a topic of its own.
    if (g.afterFootnote && topicHasContent())
        endTopic();
    g.destination = Destination::Footnote;
    m_footnoteActive = true;
    m_footnote.mark = mark;
    m_footnote.text.resize(0); // keeps its room
    m_footnote.depth = depth();
    m_footnote.valueDepth = -1;
    m_footnote.line = line;
    if (m_topic.line == 0)
        m_topic.line = line;
}

// The blanks that QByteArray::trimmed() removes.
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void TopicReader::footnoteText(QByteArrayView bytes) {
    if (!m_footnoteActive)
        return;
    m_footnote.text += bytes;
    if (m_footnote.valueDepth < 0) {
        // The value begins at the first character that is neither blank nor,
        // first of all, the footnote's mark.
        const QByteArray& v = m_footnote.text;
        qsizetype i = 0;
        while (i < v.size() && isBlank(v[i]))
            ++i;
        if (i < v.size() && v[i] == m_footnote.mark) {
            ++i;
            while (i < v.size() && isBlank(v[i]))
                ++i;
        }
        if (i < v.size())
            m_footnote.valueDepth = depth();
    }
}

void TopicReader::endFootnote(bool /*early*/) {
    m_footnoteActive = false;
    QByteArrayView value = QByteArrayView(m_footnote.text).trimmed();
    if (!value.isEmpty() && value[0] == m_footnote.mark)
        value = value.sliced(1).trimmed();
    QByteArray v = value.toByteArray();
    if (v.contains('\xA0'))
        v.replace('\xA0', ' ');
    const int paragraph = m_topic.paragraphCount;
    const int line = m_footnote.line;
    switch (m_footnote.mark) {
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
                    .arg(ansi::toUnicode(v)));
        m_topic.contexts.push_back({std::move(v), paragraph, line});
        return;
    case '$':
        if (!m_topic.title.isEmpty()) {
            m_d.warning(m_file, line, QStringLiteral("second title footnote in one topic ignored"));
            return;
        }
        if (v.size() > kNameLimit) {
            m_d.warning(m_file, line, QStringLiteral("title longer than 255 characters shortened"));
            v.truncate(kNameLimit);
        }
        m_topic.title = v;
        return;
    case 'K':
        for (qsizetype from = 0; from <= v.size();) {
            qsizetype end = v.indexOf(';', from);
            if (end < 0)
                end = v.size();
            QByteArrayView k = QByteArrayView(v).sliced(from, end - from).trimmed();
            from = end + 1;
            if (k.isEmpty())
                continue;
            if (k.size() > kNameLimit) {
                m_d.warning(m_file, line,
                            QStringLiteral("keyword longer than 255 characters shortened"));
                k.truncate(kNameLimit);
            }
            m_topic.keywords.push_back({k.toByteArray(), paragraph, line});
        }
        return;
    case '+':
        m_topic.browse = v.isEmpty() ? QByteArray("auto") : v;
        return;
    case '!':
        if (!v.isEmpty())
            m_topic.macros.push_back(v);
        return;
    default:
        return; // other footnotes (A, @, *, > ...) do not change the file
    }
}

std::uint16_t TopicReader::fontFor(const CharState& ch, bool plainHotspot) {
    const CharState& l = m_lastFont.ch;
    if (m_lastFont.valid && m_lastFont.plainHotspot == plainHotspot && l.font == ch.font &&
        l.halfPoints == ch.halfPoints && l.bold == ch.bold && l.italic == ch.italic &&
        l.underline == ch.underline && l.strike == ch.strike && l.color == ch.color)
        return m_lastFont.number;
    auto it = m_rtfFonts.find(ch.font < 0 ? m_defaultFont : ch.font);
    if (it == m_rtfFonts.end())
        it = m_rtfFonts.find(m_defaultFont);
    QByteArray face = it != m_rtfFonts.end() && !it->second.name.isEmpty() ? it->second.name
                                                                           : QByteArray("Arial");
    FontDescriptor d;
    d.family = it != m_rtfFonts.end() ? it->second.family : 3;
    d.halfPoints = std::uint8_t(ch.halfPoints);
    d.attributes = std::uint8_t((ch.bold ? kBold : 0) | (ch.italic ? kItalic : 0));
    if (!plainHotspot) {
        d.attributes |= ch.underline == 1 ? kUnderline : ch.underline == 2 ? kDoubleUnderline : 0;
        d.attributes |= ch.strike ? kStrikeOut : 0;
    }
    if (ch.color >= 0 && std::size_t(ch.color) < m_colors.size())
        d.color = m_colors[std::size_t(ch.color)];
    m_lastFont.valid = true;
    m_lastFont.ch = ch;
    m_lastFont.plainHotspot = plainHotspot;
    m_lastFont.number = m_fonts.font(face.left(31), d);
    return m_lastFont.number;
}

// Writes the command that starts a hotspot and keeps it for the checks.
void TopicReader::hotspotCommand(Hot hot, const QByteArray& rawTarget, int line) {
    Hotspot c;
    c.line = line;
    QByteArray target = rawTarget.trimmed();
    std::uint8_t noColor = 0;
    if (target.startsWith('%') || target.startsWith('*')) {
        noColor = target.startsWith('%') ? 4 : 0;
        target = target.mid(1).trimmed();
    }
    if (target.size() > kMaxHotspotTarget) {
        m_d.error(m_file, line,
                  QStringLiteral("the target of a hotspot is %1 characters long; a help file "
                                 "holds at most %2")
                      .arg(target.size())
                      .arg(kMaxHotspotTarget));
        return;
    }
    ByteWriter w;
    if (target.startsWith('!')) {
        const QByteArray macro = target.mid(1).trimmed();
        w.u8(std::uint8_t(kMacro | noColor));
        w.u16(std::uint16_t(macro.size() + 1));
        w.stringz(macro);
        c.code = std::uint8_t(w.view()[0]);
        m_record.command(w.view());
        m_topic.hotspots.push_back(std::move(c));
        return;
    }
    const std::uint8_t kind = hot == Hot::Jump ? 1 : 0;
    QByteArray file;
    QByteArray window;
    const qsizetype at = target.indexOf('@');
    if (at >= 0) {
        file = target.mid(at + 1).trimmed();
        target = target.left(at).trimmed();
    }
    const qsizetype gt = target.indexOf('>');
    if (gt >= 0) {
        window = target.mid(gt + 1).trimmed();
        target = target.left(gt).trimmed();
    }
    int windowNumber = -1;
    if (!window.isEmpty()) {
        for (std::size_t i = 0; i < m_windows.size(); ++i)
            if (m_windows[i].name.compare(window, Qt::CaseInsensitive) == 0)
                windowNumber = int(i);
        if (windowNumber < 0 || !file.isEmpty())
            m_d.warning(m_file, line,
                        QStringLiteral("window %1 of a jump is not defined in [WINDOWS]; the jump "
                                       "opens in the current window")
                            .arg(ansi::toUnicode(window)));
    }
    const std::uint32_t hash = ContextHash(target);
    if (!file.isEmpty()) {
        w.u8(std::uint8_t(kExternal | kind | noColor));
        w.u16(std::uint16_t(1 + 4 + file.size() + 1));
        w.u8(4);
        w.u32(hash);
        w.stringz(file);
    } else if (windowNumber >= 0) {
        w.u8(std::uint8_t(kExternal | kind | noColor));
        w.u16(1 + 4 + 1);
        w.u8(1);
        w.u32(hash);
        w.u8(std::uint8_t(windowNumber));
        c.jumpTarget = target;
    } else {
        w.u8(std::uint8_t((kind ? kJump : kPopup) | noColor));
        w.u32(hash);
        c.jumpTarget = target;
    }
    c.code = std::uint8_t(w.view()[0]);
    m_record.command(w.view());
    m_topic.hotspots.push_back(std::move(c));
}

void TopicReader::startRecord(const ParState& par, bool continued) {
    // A paragraph split for its length goes on with the same alignment and
    // side indents only.
    const int spaceBefore = continued ? 0 : par.spaceBefore;
    const int spaceAfter = continued ? 0 : par.spaceAfter;
    const int firstIndent = continued ? 0 : par.firstIndent;
    ByteWriter& f = m_record.format;
    f.clear();
    m_record.text.clear();
    m_record.stringStart = 0;
    m_record.total = 0;
    f.u8(0);
    f.u8(0x80);
    f.u16(0);
    std::uint16_t bits = 0;
    bits |= spaceBefore ? 0x0002 : 0;
    bits |= spaceAfter ? 0x0004 : 0;
    bits |= par.leftIndent ? 0x0010 : 0;
    bits |= par.rightIndent ? 0x0020 : 0;
    bits |= firstIndent ? 0x0040 : 0;
    bits |= par.alignment == 1 ? 0x0400 : par.alignment == 2 ? 0x0800 : 0;
    f.u16(bits);
    for (int v : {spaceBefore, spaceAfter, par.leftIndent, par.rightIndent, firstIndent})
        if (v)
            f.packedShort(std::clamp(v, -0x4000, 0x3FFF));
}

void TopicReader::endRecord() {
    m_record.simple(kParagraphEnd);
    m_record.text.u8(0); // the empty text after the end
    m_record.format.u8(kEnd);
    Paragraph p;
    p.at = m_topics.bytes.size();
    p.formatSize = int(m_record.format.size());
    p.textSize = int(m_record.text.size());
    m_topics.bytes.bytes(m_record.format.view());
    m_topics.bytes.bytes(m_record.text.view());
    m_topics.paragraphs.push_back(p);
    ++m_topic.paragraphCount;
}

void TopicReader::endParagraph() {
    const ParState& ps = top().par;

    // Hotspots: underlined, double underlined or struck-through text right
    // before hidden text, which names the target.
    struct Spot {
        Hot hot;
        QByteArray target;
        int first, last, line;
    };
    std::vector<Spot> spots;
    const auto hotOf = [](const Run& r) {
        if (r.kind != Run::Text || r.ch.hidden)
            return Hot::None;
        if (r.ch.underline == 2 || r.ch.strike)
            return Hot::Jump;
        return r.ch.underline == 1 ? Hot::Popup : Hot::None;
    };
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        if (m_runs[i].kind != Run::Text || !m_runs[i].ch.hidden)
            continue;
        QByteArray target;
        std::size_t end = i;
        while (end < m_runs.size() && m_runs[end].kind == Run::Text && m_runs[end].ch.hidden)
            target += runText(m_runs[end++]);
        const Hot hot = i > 0 ? hotOf(m_runs[i - 1]) : Hot::None;
        if (hot != Hot::None && m_runs[i - 1].hotspot < 0) {
            int first = int(i) - 1;
            while (first > 0 && hotOf(m_runs[std::size_t(first - 1)]) == hot &&
                   m_runs[std::size_t(first - 1)].hotspot < 0)
                --first;
            const int index = int(spots.size());
            spots.push_back({hot, target, first, int(i) - 1, m_runs[i].line});
            for (int k = first; k < int(i); ++k)
                m_runs[std::size_t(k)].hotspot = index;
        }
        i = end - 1;
    }

    int font = -1;
    const auto setFont = [&](std::uint16_t f) {
        if (int(f) == font)
            return;
        const char command[3] = {char(kFont), char(f & 0xFF), char(f >> 8)};
        m_record.command(QByteArrayView(command, 3));
        font = f;
    };
    startRecord(ps, false);
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        const Run& r = m_runs[i];
        if (r.kind == Run::Text && r.ch.hidden)
            continue;
        if (r.kind == Run::LineBreak) {
            m_record.simple(kLineBreak);
            continue;
        }
        if (r.kind == Run::Tab) {
            m_record.simple(kTab);
            continue;
        }
        if (r.hotspot >= 0 && spots[std::size_t(r.hotspot)].first == int(i)) {
            const Spot& s = spots[std::size_t(r.hotspot)];
            hotspotCommand(s.hot, s.target, s.line);
        }
        setFont(fontFor(r.ch, r.hotspot >= 0));
        const QByteArrayView text = runText(r);
        for (qsizetype at = 0; at < text.size();) {
            if (m_record.current() >= kStringLimit) {
                const int same = font;
                font = -1;
                setFont(std::uint16_t(same));
            }
            const qsizetype n = std::min(text.size() - at, kStringLimit - m_record.current());
            m_record.text.bytes(text.sliced(at, n));
            at += n;
            if (m_record.total + m_record.current() > kParagraphLimit && at < text.size()) {
                m_d.warning(m_file, r.line,
                            QStringLiteral("paragraph longer than %1 characters split")
                                .arg(kParagraphLimit));
                endRecord();
                startRecord(ps, true);
                const int same = font;
                font = -1;
                setFont(std::uint16_t(same));
            }
        }
        if (r.hotspot >= 0 && spots[std::size_t(r.hotspot)].last == int(i))
            m_record.simple(kHotspotEnd);
    }
    if (font < 0)
        setFont(fontFor(top().ch, false));
    endRecord();
    m_runs.clear();
    m_runText.clear();
}

bool TopicReader::topicHasContent() const {
    return m_topic.paragraphCount > 0 || !m_runs.empty() || !m_topic.contexts.empty() ||
           !m_topic.title.isEmpty() || !m_topic.keywords.empty();
}

void TopicReader::endTopic() {
    bool visible = false;
    for (const Run& r : m_runs)
        visible = visible || r.kind != Run::Text || !r.ch.hidden;
    if (visible)
        endParagraph();
    m_runs.clear();
    m_runText.clear();
    if (topicHasContent())
        m_topics.list.push_back(std::move(m_topic));
    m_topic = Topic();
    m_topic.file = m_file;
    m_topic.firstParagraph = int(m_topics.paragraphs.size());
}

} // namespace

void ReadTopicFile(const QString& fileName, QByteArrayView bytes,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts, Topics& topics,
                   Diagnostics& diagnostics) {
    // The records take less room than the RTF they come from, as a rule.
    topics.bytes.reserve(topics.bytes.size() + bytes.size());
    TopicReader reader(fileName, windows, fonts, topics, diagnostics);
    reader.read(bytes);
}

} // namespace hc
