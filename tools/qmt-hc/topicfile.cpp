#include "topicfile.h"

#include "bytes.h"
#include "contexthash.h"
#include "rtf/rtftokenizer.h"
#include "shell/ansi.h"

#include <QHash>

#include <algorithm>

namespace hc {

namespace {

// A string of a record stays below this, so that a record's text stays well
// inside what its 15-bit lengths can count.
constexpr qsizetype kStringLimit = 4000;
constexpr qsizetype kParagraphLimit = 16000;
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
    QByteArray text;
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

class TopicReader {
public:
    TopicReader(const QString& file, const std::vector<WindowDefinition>& windows, FontTable& fonts,
                std::vector<Topic>& topics, Diagnostics& d)
        : m_file(file), m_windows(windows), m_fonts(fonts), m_topics(topics), m_d(d) {}

    void read(const QString& source);

private:
    Group& top() { return m_stack.back(); }
    int depth() const { return int(m_stack.size()); }

    void controlWord(rtf::Tokenizer& tokenizer, const rtf::Token& t);
    void controlSymbol(const rtf::Token& t);
    void text(const QByteArray& bytes, int line);
    void groupEnd(int line);

    void startFootnote(int line);
    void footnoteText(const QByteArray& bytes);
    void endFootnote(bool early);

    void appendRun(Run::Kind kind, const QByteArray& bytes, int line);
    void endParagraph();
    void endTopic();
    bool topicHasContent() const;

    std::uint16_t fontFor(const CharState& ch, bool plainHotspot);
    Command hotspotCommand(Hot hot, const QByteArray& target, int line);

    QString m_file;
    const std::vector<WindowDefinition>& m_windows;
    FontTable& m_fonts;
    std::vector<Topic>& m_topics;
    Diagnostics& m_d;

    std::vector<Group> m_stack;
    std::map<int, RtfFont> m_rtfFonts;
    QByteArray m_fontName;
    std::uint8_t m_fontFamily = 3;
    int m_defaultFont = 0;
    std::vector<std::uint32_t> m_colors;
    std::uint32_t m_color = 0;
    bool m_colorSet = false;

    Topic m_topic;
    std::vector<Run> m_runs;
    bool m_footnoteActive = false;
    Footnote m_footnote;
    int m_skipChars = 0;
    bool m_lastWasText = false;
    bool m_warnedBrace = false;
};

QByteArray toAnsi(const QString& s) {
    QByteArray b = ansi::fromUnicode(s);
    // NUL and the other control characters have no place in a record's text.
    b.removeIf([](char c) { return std::uint8_t(c) < 0x20 && c != '\t'; });
    return b;
}

void TopicReader::read(const QString& source) {
    rtf::Tokenizer tokenizer(source);
    rtf::Token t = tokenizer.next();
    {
        rtf::Token second = tokenizer.next();
        if (t.kind != rtf::TokenKind::GroupStart || second.kind != rtf::TokenKind::ControlWord ||
            second.text != u"rtf") {
            m_d.error(m_file, t.line,
                      QStringLiteral("this is not an RTF file (it does not begin with {\\rtf)"));
            return;
        }
        m_stack.push_back(Group());
        top().firstWord = false;
        m_topic.file = m_file;
    }
    for (t = tokenizer.next(); t.kind != rtf::TokenKind::End; t = tokenizer.next()) {
        bool isText = false;
        switch (t.kind) {
        case rtf::TokenKind::GroupStart: {
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
            isText = t.text == u"'" || t.text == u"\\" || t.text == u"{" || t.text == u"}" ||
                     t.text == u"~" || t.text == u"_";
            break;
        case rtf::TokenKind::Text:
            if (m_stack.empty())
                m_stack.push_back(Group());
            {
                QString s = t.text;
                if (m_skipChars > 0) {
                    const qsizetype n = std::min<qsizetype>(m_skipChars, s.size());
                    s.remove(0, n);
                    m_skipChars -= int(n);
                }
                if (!s.isEmpty())
                    text(toAnsi(s), t.line);
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

// One look-up per control word: a topic file has millions of them.
Word wordOf(const QString& w, char& special) {
    static const QHash<QString, Word> words = [] {
        const std::pair<const char*, Word> list[] = {{"footnote", Word::Footnote},
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
                                                     {"bullet", Word::Special},
                                                     {"emdash", Word::Special},
                                                     {"endash", Word::Special},
                                                     {"lquote", Word::Special},
                                                     {"rquote", Word::Special},
                                                     {"ldblquote", Word::Special},
                                                     {"rdblquote", Word::Special},
                                                     {"emspace", Word::Special},
                                                     {"enspace", Word::Special}};
        QHash<QString, Word> h;
        for (const auto& [name, word] : list)
            h.insert(QString::fromLatin1(name), word);
        return h;
    }();
    static const QHash<QString, char> specials = {
        {QStringLiteral("bullet"), '\x95'},    {QStringLiteral("emdash"), '\x97'},
        {QStringLiteral("endash"), '\x96'},    {QStringLiteral("lquote"), '\x91'},
        {QStringLiteral("rquote"), '\x92'},    {QStringLiteral("ldblquote"), '\x93'},
        {QStringLiteral("rdblquote"), '\x94'}, {QStringLiteral("emspace"), ' '},
        {QStringLiteral("enspace"), ' '}};
    const Word word = words.value(w, Word::Unknown);
    if (word == Word::Special)
        special = specials.value(w, ' ');
    return word;
}

void TopicReader::controlWord(rtf::Tokenizer& tokenizer, const rtf::Token& t) {
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
            return;
        case Word::ColorTable:
            g.destination = Destination::ColorTable;
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
        const QByteArray b = toAnsi(QString(QChar(char16_t(p < 0 ? p + 65536 : p))));
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
            footnoteText(QByteArray(1, special));
        else
            text(QByteArray(1, special), t.line);
        break;
    default:
        break;
    }
}

void TopicReader::controlSymbol(const rtf::Token& t) {
    Group& g = top();
    const QString& s = t.text;
    if (s == u"*") {
        if (g.firstWord)
            g.destination = Destination::Skip;
        return;
    }
    if (g.destination == Destination::Skip)
        return;
    QByteArray b;
    if (s == u"'") {
        if (!t.hasParameter)
            return;
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        b = QByteArray(1, char(t.parameter));
        if (std::uint8_t(b[0]) < 0x20)
            return;
    } else if (s == u"\\" || s == u"{" || s == u"}") {
        b = s.toLatin1();
    } else if (s == u"~") {
        b = "\xA0";
    } else if (s == u"_") {
        b = "-";
    } else if (s == u"\t") {
        if (g.destination == Destination::Body)
            appendRun(Run::Tab, {}, t.line);
        return;
    } else {
        return; // \- \| \: and unknown symbols
    }
    m_skipChars = 0;
    if (g.destination == Destination::FontTable || g.destination == Destination::ColorTable)
        return;
    if (g.destination == Destination::Footnote)
        footnoteText(b);
    else
        text(b, t.line);
}

void TopicReader::text(const QByteArray& bytes, int line) {
    Group& g = top();
    switch (g.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
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
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\t') {
            if (i > from)
                appendRun(Run::Text, bytes.mid(from, i - from), line);
            if (i < bytes.size())
                appendRun(Run::Tab, {}, line);
            from = i + 1;
        }
    }
}

void TopicReader::appendRun(Run::Kind kind, const QByteArray& bytes, int line) {
    const CharState& ch = top().ch;
    if (kind == Run::Text && !m_runs.empty()) {
        Run& last = m_runs.back();
        const CharState& a = last.ch;
        if (last.kind == Run::Text && a.font == ch.font && a.halfPoints == ch.halfPoints &&
            a.bold == ch.bold && a.italic == ch.italic && a.strike == ch.strike &&
            a.hidden == ch.hidden && a.underline == ch.underline && a.color == ch.color) {
            last.text += bytes;
            return;
        }
    }
    if (m_topic.line == 0)
        m_topic.line = line;
    Run r;
    r.kind = kind;
    r.text = bytes;
    r.ch = ch;
    r.line = line;
    m_runs.push_back(std::move(r));
}

void TopicReader::startFootnote(int line) {
    Group& g = top();
    // The footnote's mark is the character just before its group.
    char mark = 0;
    if (g.textBefore && !m_runs.empty() && m_runs.back().kind == Run::Text) {
        QByteArray& t = m_runs.back().text;
        while (!t.isEmpty() && t.endsWith(' ') && t.size() > 1)
            t.chop(1);
        if (!t.isEmpty()) {
            mark = t.back();
            t.chop(1);
        }
        if (t.isEmpty())
            m_runs.pop_back();
    }
    // A footnote that stands inside the group of an earlier one, which was
    // left open after its value, begins the next entry: a topic of its own.
    if (g.afterFootnote && topicHasContent())
        endTopic();
    g.destination = Destination::Footnote;
    m_footnoteActive = true;
    m_footnote = Footnote();
    m_footnote.mark = mark;
    m_footnote.depth = depth();
    m_footnote.line = line;
    if (m_topic.line == 0)
        m_topic.line = line;
}

void TopicReader::footnoteText(const QByteArray& bytes) {
    if (!m_footnoteActive)
        return;
    m_footnote.text += bytes;
    if (m_footnote.valueDepth < 0) {
        QByteArray v = m_footnote.text.trimmed();
        if (!v.isEmpty() && v[0] == m_footnote.mark)
            v = v.mid(1).trimmed();
        if (!v.isEmpty())
            m_footnote.valueDepth = depth();
    }
}

void TopicReader::endFootnote(bool /*early*/) {
    m_footnoteActive = false;
    QByteArray v = m_footnote.text.trimmed();
    if (!v.isEmpty() && v[0] == m_footnote.mark)
        v = v.mid(1).trimmed();
    v.replace('\xA0', ' ');
    const int paragraph = int(m_topic.paragraphs.size());
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
        m_topic.contexts.push_back({v, paragraph, line});
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
        for (QByteArray k : v.split(';')) {
            k = k.trimmed();
            if (k.isEmpty())
                continue;
            if (k.size() > kNameLimit) {
                m_d.warning(m_file, line,
                            QStringLiteral("keyword longer than 255 characters shortened"));
                k.truncate(kNameLimit);
            }
            m_topic.keywords.push_back({k, paragraph, line});
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
    return m_fonts.font(face.left(31), d);
}

Command TopicReader::hotspotCommand(Hot hot, const QByteArray& rawTarget, int line) {
    Command c;
    c.line = line;
    QByteArray target = rawTarget.trimmed();
    std::uint8_t noColor = 0;
    if (target.startsWith('%') || target.startsWith('*')) {
        noColor = target.startsWith('%') ? 4 : 0;
        target = target.mid(1).trimmed();
    }
    ByteWriter w;
    if (target.startsWith('!')) {
        const QByteArray macro = target.mid(1).trimmed();
        w.u8(std::uint8_t(kMacro | noColor));
        w.u16(std::uint16_t(macro.size() + 1));
        w.stringz(macro);
        c.bytes = w.take();
        c.code = std::uint8_t(c.bytes[0]);
        return c;
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
    c.bytes = w.take();
    c.code = std::uint8_t(c.bytes[0]);
    return c;
}

void TopicReader::endParagraph() {
    const ParState& ps = top().par;
    Paragraph p;
    p.alignment = ps.alignment;
    p.spaceBefore = ps.spaceBefore;
    p.spaceAfter = ps.spaceAfter;
    p.leftIndent = ps.leftIndent;
    p.rightIndent = ps.rightIndent;
    p.firstIndent = ps.firstIndent;

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
            target += m_runs[end++].text;
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
    qsizetype total = 0;
    const auto command = [&](Command c) {
        total += p.strings.back().size() + 1;
        p.commands.push_back(std::move(c));
        p.strings.emplace_back();
    };
    const auto simple = [](std::uint8_t code) {
        Command c;
        c.code = code;
        return c;
    };
    const auto setFont = [&](std::uint16_t f) {
        if (int(f) == font)
            return;
        Command c;
        c.code = kFont;
        c.font = f;
        command(std::move(c));
        font = f;
    };
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        const Run& r = m_runs[i];
        if (r.kind == Run::Text && r.ch.hidden)
            continue;
        if (r.kind == Run::LineBreak) {
            command(simple(kLineBreak));
            continue;
        }
        if (r.kind == Run::Tab) {
            command(simple(kTab));
            continue;
        }
        if (r.hotspot >= 0 && spots[std::size_t(r.hotspot)].first == int(i)) {
            const Spot& s = spots[std::size_t(r.hotspot)];
            command(hotspotCommand(s.hot, s.target, s.line));
        }
        setFont(fontFor(r.ch, r.hotspot >= 0));
        for (qsizetype at = 0; at < r.text.size();) {
            if (p.strings.back().size() >= kStringLimit) {
                const int same = font;
                font = -1;
                setFont(std::uint16_t(same));
            }
            const qsizetype n =
                std::min(r.text.size() - at, kStringLimit - p.strings.back().size());
            if (at == 0 && n == r.text.size() && p.strings.back().isEmpty())
                p.strings.back() = r.text; // shared, not copied
            else
                p.strings.back().append(r.text.constData() + at, n);
            at += n;
            if (total + p.strings.back().size() > kParagraphLimit && at < r.text.size()) {
                m_d.warning(m_file, r.line,
                            QStringLiteral("paragraph longer than %1 characters split")
                                .arg(kParagraphLimit));
                command(simple(kParagraphEnd));
                m_topic.paragraphs.push_back(p);
                Paragraph next;
                next.alignment = p.alignment;
                next.leftIndent = p.leftIndent;
                next.rightIndent = p.rightIndent;
                p = next;
                total = 0;
                const int same = font;
                font = -1;
                setFont(std::uint16_t(same));
            }
        }
        if (r.hotspot >= 0 && spots[std::size_t(r.hotspot)].last == int(i))
            command(simple(kHotspotEnd));
    }
    if (font < 0)
        setFont(fontFor(top().ch, false));
    command(simple(kParagraphEnd));
    m_topic.paragraphs.push_back(std::move(p));
    m_runs.clear();
}

bool TopicReader::topicHasContent() const {
    return !m_topic.paragraphs.empty() || !m_runs.empty() || !m_topic.contexts.empty() ||
           !m_topic.title.isEmpty() || !m_topic.keywords.empty();
}

void TopicReader::endTopic() {
    bool visible = false;
    for (const Run& r : m_runs)
        visible = visible || r.kind != Run::Text || !r.ch.hidden;
    if (visible)
        endParagraph();
    m_runs.clear();
    if (topicHasContent())
        m_topics.push_back(std::move(m_topic));
    m_topic = Topic();
    m_topic.file = m_file;
}

} // namespace

void ReadTopicFile(const QString& fileName, const QByteArray& bytes,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts,
                   std::vector<Topic>& topics, Diagnostics& diagnostics) {
    TopicReader reader(fileName, windows, fonts, topics, diagnostics);
    reader.read(ansi::toUnicode(bytes));
}

} // namespace hc
