#include "document.h"

#include "codepage/ansi.h"
#include "rtftokenizer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace rtf {

namespace {

enum class Destination : std::uint8_t { Body, Skip, FontTable, ColorTable, Footnote, Picture };

enum class Word : std::uint8_t {
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
    Highlight,
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
    Qj,
    Sb,
    Sa,
    Li,
    Ri,
    Fi,
    Keepn,
    Intbl,
    Cell,
    Row,
    Trowd,
    Cellx,
    Trleft,
    Trgaph,
    Tx,
    Tqr,
    Tqc,
    Special,
};

struct WordName {
    std::string_view name;
    Word word;
    char byte = 0;        // Word::Special: the character in Windows-1252
    char16_t unicode = 0; // and in Unicode
};

// The control words the interpreter knows; every other one is dropped with
// its parameter, as help compilers do.
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
    {"uldash", Word::Ul},
    {"uldb", Word::Uldb},
    {"ulnone", Word::UlNone},
    {"v", Word::V},
    {"cf", Word::Cf},
    {"highlight", Word::Highlight},
    {"uc", Word::Uc},
    {"u", Word::U},
    {"pard", Word::Pard},
    {"par", Word::Par},
    {"line", Word::Line},
    {"tab", Word::Tab},
    {"page", Word::Page},
    {"ql", Word::Ql},
    {"qj", Word::Qj},
    {"qr", Word::Qr},
    {"qc", Word::Qc},
    {"sb", Word::Sb},
    {"sa", Word::Sa},
    {"li", Word::Li},
    {"ri", Word::Ri},
    {"fi", Word::Fi},
    {"keepn", Word::Keepn},
    {"intbl", Word::Intbl},
    {"cell", Word::Cell},
    {"row", Word::Row},
    {"trowd", Word::Trowd},
    {"cellx", Word::Cellx},
    {"trleft", Word::Trleft},
    {"trgaph", Word::Trgaph},
    {"tx", Word::Tx},
    {"tqr", Word::Tqr},
    {"tqc", Word::Tqc},
    {"bullet", Word::Special, '\x95', 0x2022},
    {"emdash", Word::Special, '\x97', 0x2014},
    {"endash", Word::Special, '\x96', 0x2013},
    {"lquote", Word::Special, '\x91', 0x2018},
    {"rquote", Word::Special, '\x92', 0x2019},
    {"ldblquote", Word::Special, '\x93', 0x201C},
    {"rdblquote", Word::Special, '\x94', 0x201D},
    {"emspace", Word::Special, ' ', 0x2003},
    {"enspace", Word::Special, ' ', 0x2002},
};

template <typename View> unsigned charAt(View w, qsizetype i) {
    if constexpr (std::is_same_v<View, QStringView>)
        return w[i].unicode();
    else
        return std::uint8_t(w[i]);
}

// From the length and the first, second and last letters: enough to tell
// the words above apart, mostly, without reading every letter.
template <typename View> unsigned wordHash(View w) {
    if (w.isEmpty())
        return 0;
    return unsigned(w.size()) * 97 + charAt(w, 0) * 7 + charAt(w, w.size() > 1 ? 1 : 0) * 3 +
           charAt(w, w.size() - 1);
}

template <typename View> bool sameWord(std::string_view name, View w) {
    if (qsizetype(name.size()) != w.size())
        return false;
    // Words are short: a loop beats a call to memcmp.
    for (std::size_t i = 0; i < name.size(); ++i)
        if (unsigned(std::uint8_t(name[i])) != charAt(w, qsizetype(i)))
            return false;
    return true;
}

// One look-up per control word: a topic file has millions of them. An open
// hash table of the words above, built once.
template <typename View> [[gnu::always_inline]] inline const WordName* wordOf(View w) {
    // A power of two, far above the words' count: most unknown words (\cs16,
    // \widctlpar ...) find a free slot at once.
    constexpr unsigned kSlots = 1024;
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
            return nullptr;
        const WordName& entry = kWords[slot - 1];
        if (sameWord(entry.name, w))
            return &entry;
    }
}

// NUL and the other control characters have no place in a help text.
bool isControlChar(char c) {
    return std::uint8_t(c) < 0x20 && c != '\t';
}
bool isControlChar(QChar c) {
    return c.unicode() < 0x20 && c != u'\t';
}

// Whether `s` has a character below 0x20 (a control character or a tab),
// eight bytes at a time: such a byte sets its top bit in (v - 0x20..) & ~v.
[[gnu::always_inline]] inline bool hasLow(QByteArrayView s) {
    constexpr std::uint64_t kLow = 0x2020202020202020, kHigh = 0x8080808080808080;
    qsizetype i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t v;
        std::memcpy(&v, s.data() + i, 8);
        if (((v - kLow) & ~v & kHigh) != 0)
            return true;
    }
    for (; i < s.size(); ++i)
        if (std::uint8_t(s[i]) < 0x20)
            return true;
    return false;
}

bool hasLow(QStringView s) {
    for (QChar c : s)
        if (c.unicode() < 0x20)
            return true;
    return false;
}

template <typename View> bool hasControl(View s) {
    for (auto c : s)
        if (isControlChar(c))
            return true;
    return false;
}

// The blanks that trimmed() removes.
template <typename C> bool isBlank(C c) {
    const unsigned u = unsigned(c);
    return u == ' ' || (u >= '\t' && u <= '\r');
}

// Characters that mark a footnote: context string, title, keywords, browse
// sequence, entry macro, build tag, A-keywords, window.
bool isFootnoteMark(unsigned c) {
    return c != 0 && c < 0x80 && std::strchr("#$K+!*@>A", int(c)) != nullptr;
}

// An ASCII character as the text's own character type.
template <typename C> constexpr C lit(char c) {
    if constexpr (std::is_same_v<C, QChar>)
        return QChar(char16_t(std::uint8_t(c)));
    else
        return c;
}

// The open groups. A topic file that leaves a group open per topic nests as
// deep as it has topics, each level like the one around it: now and then,
// runs of alike levels below the top ones are folded into one.
template <typename T> class GroupStack {
public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Level `i`, made a run of its own so that it may change alone. Unless
    // it stood alone already, this moves the levels: references to them
    // do not stay valid.
    T& operator[](std::size_t i) {
        std::size_t first = 0;
        std::size_t e = runOf(i, first);
        const std::size_t before = i - first, after = m_runs[e].count - before - 1;
        if (before > 0 || after > 0) {
            const T g = m_runs[e].group;
            m_runs[e].count = 1;
            if (after > 0)
                m_runs.insert(m_runs.begin() + std::ptrdiff_t(e) + 1, {g, after});
            if (before > 0)
                m_runs.insert(m_runs.begin() + std::ptrdiff_t(e++), {g, before});
        }
        return m_runs[e].group;
    }
    // Level `i` to look at; unlike [], it leaves the levels' references valid.
    const T& at(std::size_t i) const {
        std::size_t first = 0;
        return m_runs[runOf(i, first)].group;
    }
    T& back() { return m_runs.back().count == 1 ? m_runs.back().group : (*this)[m_size - 1]; }
    // Like a vector's: `g` may be a level of this stack.
    void push_back(const T& g) {
        if (m_runs.size() >= m_foldAt)
            fold();
        m_runs.emplace_back(g, std::size_t(1));
        ++m_size;
    }
    void pop_back() {
        if (--m_runs.back().count == 0)
            m_runs.pop_back();
        --m_size;
    }
    void clear() {
        m_runs.clear();
        m_size = 0;
        m_foldAt = kFirstFold;
    }

private:
    struct Run {
        T group;
        std::size_t count;
    };
    // The run that holds level `i`, searched from the top; `first`: its first level.
    std::size_t runOf(std::size_t i, std::size_t& first) const {
        std::size_t e = m_runs.size() - 1;
        for (first = m_size - m_runs[e].count; first > i; first -= m_runs[e].count)
            --e;
        return e;
    }
    // Folds alike neighbours below the top levels, which go on changing as
    // a rule; as seldom as the stack doubles, so it costs little per level.
    void fold() {
        constexpr std::size_t kTop = 8;
        const std::size_t below = m_runs.size() - kTop;
        std::size_t kept = 0;
        for (std::size_t i = 1; i < below; ++i) {
            if (m_runs[i].group == m_runs[kept].group)
                m_runs[kept].count += m_runs[i].count;
            else
                m_runs[++kept] = m_runs[i];
        }
        m_runs.erase(m_runs.begin() + std::ptrdiff_t(kept) + 1,
                     m_runs.begin() + std::ptrdiff_t(below));
        m_foldAt = 2 * m_runs.size() + kFirstFold;
    }
    static constexpr std::size_t kFirstFold = 64;
    std::vector<Run> m_runs;
    std::size_t m_size = 0;
    std::size_t m_foldAt = kFirstFold;
};

} // namespace

template <typename View> struct BasicInterpreter<View>::State {
    using Text = typename BasicInterpreter<View>::Text;
    using Char = std::conditional_t<std::is_same_v<View, QStringView>, QChar, char>;
    using Token = TokenView<View>;

    struct Group {
        CharFormat ch;
        ParFormat par;
        int unicodeSkip = 1;
        Destination destination = Destination::Body;
        bool afterFootnote = false; // inside a footnote group that has already ended its value
        bool firstWord = true;      // no control word seen yet in this group
        // "\*" opened the group: skipped unless its first word is a footnote,
        // which other word processors write so. A character style's run
        // ({\*\cs5 ...}) is skipped whole, as help compilers skip it.
        bool starred = false;
        Destination beforeStar = Destination::Body;
        bool operator==(const Group&) const = default;
    };

    explicit State(Sink& s) : sink(s) {}

    Sink& sink;
    GroupStack<Group> stack;
    std::map<int, BasicFont<Text>> fonts;
    Text fontName;
    std::uint8_t fontFamily = 3;
    int defaultFont = 0;
    std::vector<std::uint32_t> colors;
    RowFormat row;
    TabStop::Kind nextTab = TabStop::Left; // \tqr, \tqc: the kind of the next \txN
    // The lists of tab stops met, each once; a paragraph's format holds the
    // number of its list, so that copying a group's format stays cheap.
    std::vector<std::vector<TabStop>> tabLists{{}};
    std::uint32_t color = 0;
    bool colorSet = false;
    int tablesVersion = 0;

    Paragraph par;
    // The footnote being read.
    bool footnoteActive = false;
    char footnoteMark = 0;
    Text footnoteText;
    BasicFootnote<Text> footnoteRead; // the last one read
    int footnoteDepth = 0;
    int footnoteValueDepth = -1;
    int footnoteLine = 0;

    int skipChars = 0;            // characters that stand in for the last \uN
    bool lastWasText = false;     // the last token gave text
    bool textBeforeWords = false; // so did the last token other than control words
    bool boundarySince = false;   // a group began or ended since that text
    qsizetype boundaryAt = 0;     // where the text since the last group boundary begins
    bool warnedBrace = false;
    bool fragment = false;
    bool topicBegun = false; // a paragraph or footnote since the last page end
    // The picture stored in the text being read ({\pict ...}): its group's
    // depth, the bytes so far and a hex digit waiting for its pair.
    EmbeddedPicture pict;
    int pictDepth = -1;
    int pictNibble = -1;
    int pictLine = 0;
    // Word writes each picture twice, "{\*\shppict{\pict ...}}{\nonshppict{\pict ...}}":
    // the first copy is read, the second one skipped.
    bool shppictRead = false;
    bool hiddenRuns = false; // the paragraph has hidden text
    // "\{" opened what may be a picture, \{bmc name\}: its text so far.
    bool capturing = false;
    Text capture;

    // Topic files written by earlier versions leave a group open per topic,
    // so deep nesting is real: this allows a million topics.
    static constexpr int kMaxGroupDepth = 1000000;
    long long deepGroups = 0; // groups opened past the limit, not yet closed

    Group& top() { return stack.back(); }
    void tablesChanged() {
        ++tablesVersion;
        sink.tablesChanged();
    }
    int depth() const { return int(stack.size()); }

    static Text fromAscii(const char* s) {
        if constexpr (std::is_same_v<Text, QString>)
            return QString::fromLatin1(s);
        else
            return QByteArray(s);
    }

    // False, having read nothing, when a whole document does not begin "{\rtf".
    bool read(BasicTokenizer<View>& tokenizer, bool wholeDocument);
    void token(BasicTokenizer<View>& tokenizer, const Token& t);
    void controlWord(BasicTokenizer<View>& tokenizer, const Token& t);
    void controlSymbol(const Token& t);
    void byte(char b, int line);
    // `tabs`: whether the characters may hold a tab (false when already looked at).
    void text(View chars, int line, bool tabs = true);
    void bodyText(View chars, int line, bool tabs = true);
    void groupEnd();

    void startFootnote(int line);
    void addFootnoteText(View chars);
    void endFootnote();

    void appendRun(Run::Kind kind, View chars, int line);
    bool captureGoesOn(const Token& t) const;
    void endCapture(bool picture, int line);
    void endParagraph(bool cellEnd);
    void findHotspots();
    void endTopic(int line);
    void pictureWord(View word, int parameter);
    void pictureHex(View chars);
    void endPicture();
};

template <typename View>
bool BasicInterpreter<View>::State::read(BasicTokenizer<View>& tokenizer, bool wholeDocument) {
    if (wholeDocument) {
        const TokenKind first = tokenizer.nextView().kind;
        const Token second = tokenizer.nextView();
        if (first != TokenKind::GroupStart || second.kind != TokenKind::ControlWord ||
            !sameWord("rtf", second.text))
            return false;
    }
    stack.clear();
    fragment = !wholeDocument;
    stack.push_back(Group());
    top().firstWord = false;
    // Each token made in place: copying one just returned stalls on its
    // still pending stores.
    for (;;) {
        const Token t = tokenizer.nextView();
        if (t.kind == TokenKind::End)
            break;
        token(tokenizer, t);
    }
    if (stack.empty()) // every group closed: the end takes the document's defaults
        stack.push_back(Group());
    if (capturing)
        endCapture(false, 0);
    if (footnoteActive)
        endFootnote();
    endTopic(tokenizer.line());
    return true;
}

template <typename View>
[[gnu::always_inline]] inline void
BasicInterpreter<View>::State::token(BasicTokenizer<View>& tokenizer, const Token& t) {
    if (capturing && t.kind != TokenKind::Text &&
        !(t.kind == TokenKind::ControlSymbol && t.text.size() == 1 &&
          (t.text[0] == lit<Char>('}') || t.text[0] == lit<Char>('\''))) &&
        !captureGoesOn(t))
        endCapture(false, t.line);
    bool isText = false;
    switch (t.kind) {
    case TokenKind::GroupStart: {
        if (stack.empty()) {
            if (!warnedBrace)
                sink.warning(t.line,
                             QStringLiteral("text after the end of the document is read as well"));
            warnedBrace = true;
        }
        // Each open group keeps a copy of the formatting: past the limit,
        // groups are counted but share the state of the deepest one kept.
        if (depth() >= kMaxGroupDepth) {
            if (deepGroups++ == 0)
                sink.warning(t.line, QStringLiteral("groups nested deeper than %1 levels are "
                                                    "read as one")
                                         .arg(kMaxGroupDepth));
            boundarySince = true;
            return;
        }
        stack.push_back(stack.empty() ? Group() : stack.back());
        stack.back().firstWord = true;
        stack.back().starred = false;
        boundarySince = true;
        return;
    }
    case TokenKind::GroupEnd:
        if (deepGroups > 0 && depth() >= kMaxGroupDepth) {
            --deepGroups;
            boundarySince = true;
            return;
        }
        if (stack.empty() || (fragment && stack.size() == 1)) {
            if (!warnedBrace && !fragment)
                sink.warning(t.line,
                             QStringLiteral("closing brace without an opening one ignored"));
            warnedBrace = true;
            return;
        }
        groupEnd();
        boundarySince = true;
        return;
    case TokenKind::ControlWord:
        if (stack.empty())
            stack.push_back(Group());
        controlWord(tokenizer, t);
        top().firstWord = false;
        break;
    case TokenKind::ControlSymbol:
        if (stack.empty())
            stack.push_back(Group());
        controlSymbol(t);
        // "#{\*\footnote": the mark stays the text just before the footnote.
        if (t.text.size() == 1 && t.text[0] == lit<Char>('*'))
            return;
        isText =
            t.text.size() == 1 && (t.text[0] == lit<Char>('\'') || t.text[0] == lit<Char>('\\') ||
                                   t.text[0] == lit<Char>('{') || t.text[0] == lit<Char>('}') ||
                                   t.text[0] == lit<Char>('~') || t.text[0] == lit<Char>('_'));
        break;
    case TokenKind::Text:
        if (stack.empty())
            stack.push_back(Group());
        if (boundarySince)
            boundaryAt = qsizetype(par.text.size());
        {
            // A text broken by line ends comes in pieces; the characters
            // skipped after \u may run on into the next piece.
            View s = t.text;
            if (skipChars > 0) {
                const qsizetype n = std::min<qsizetype>(skipChars, s.size());
                s = s.sliced(n);
                skipChars -= int(n);
            }
            // Control characters dropped: rare, so the text is copied only then.
            if (!hasLow(s)) {
                if (!s.isEmpty())
                    text(s, t.line, false); // no tab either
            } else if (hasControl(s)) {
                Text clean;
                if constexpr (std::is_same_v<View, QByteArrayView>)
                    clean = s.toByteArray();
                else
                    clean = s.toString();
                clean.removeIf([](auto c) { return isControlChar(c); });
                if (!clean.isEmpty())
                    text(View(clean), t.line);
            } else {
                text(s, t.line);
            }
        }
        isText = true;
        break;
    case TokenKind::End:
        break;
    }
    lastWasText = isText;
    if (t.kind != TokenKind::ControlWord &&
        !(t.kind == TokenKind::ControlSymbol && t.text.size() == 1 && t.text[0] == lit<Char>('*')))
        textBeforeWords = isText;
    if (isText)
        boundarySince = false;
}

template <typename View> void BasicInterpreter<View>::State::groupEnd() {
    const int closing = depth();
    if (closing == pictDepth) {
        pictDepth = -1;
        endPicture();
    }
    if (footnoteActive) {
        if (closing == footnoteDepth) {
            stack.pop_back();
            endFootnote();
            return;
        }
        if (closing < footnoteValueDepth && closing > footnoteDepth) {
            // A group around the value's group ends while the footnote's own
            // group stays open: the footnote ends here and what follows is
            // topic text. (Word spreads a value over groups side by side,
            // "{ID}{_PART}", which all stay inside the footnote.)
            stack.pop_back();
            const int from = footnoteDepth - 1;
            endFootnote();
            for (int i = std::max(from, 0); i < depth(); ++i) {
                stack[std::size_t(i)].destination = Destination::Body;
                stack[std::size_t(i)].afterFootnote = true;
            }
            return;
        }
    }
    stack.pop_back();
}

template <typename View>
[[gnu::always_inline]] inline void
BasicInterpreter<View>::State::controlWord(BasicTokenizer<View>& tokenizer, const Token& t) {
    const int p = t.parameter;
    const bool has = t.hasParameter;
    Group& g = top();
    const WordName* entry = wordOf(t.text);
    const Word word = entry ? entry->word : Word::Unknown;
    if (word != Word::U && word != Word::Uc)
        skipChars = 0;

    // Destinations
    if (g.firstWord) {
        if (g.starred && word == Word::Footnote)
            g.destination = g.beforeStar;
        switch (word) {
        case Word::Footnote:
            // "{\*\footnote", as some word processors write it, is a footnote as well.
            if (g.starred && stack.size() > 1 &&
                stack.at(stack.size() - 2).destination == Destination::Body)
                g.destination = Destination::Body;
            if (g.destination == Destination::Body && !footnoteActive)
                startFootnote(t.line);
            else
                g.destination = Destination::Skip;
            return;
        case Word::FontTable:
            g.destination = Destination::FontTable;
            fontName.resize(0);
            tablesChanged();
            return;
        case Word::ColorTable:
            g.destination = Destination::ColorTable;
            tablesChanged();
            colors.clear();
            color = 0;
            colorSet = false;
            return;
        default:
            if (word != Word::Unknown)
                break;
            if (sameWord("shppict", t.text) && g.starred && stack.size() > 1 &&
                stack.at(stack.size() - 2).destination == Destination::Body) {
                g.destination = Destination::Body;
                shppictRead = true;
                return;
            }
            if (sameWord("nonshppict", t.text) && g.destination == Destination::Body) {
                if (shppictRead)
                    g.destination = Destination::Skip;
                shppictRead = false;
                return;
            }
            if (sameWord("pict", t.text) && g.destination == Destination::Body && !capturing) {
                g.destination = Destination::Picture;
                pict = EmbeddedPicture();
                pictDepth = depth();
                pictNibble = -1;
                pictLine = t.line;
                return;
            }
            if (IsSkippedDestination(t.text)) {
                g.destination = Destination::Skip;
                return;
            }
        }
    }
    if (g.destination == Destination::Picture) {
        pictureWord(t.text, has ? p : 0);
        if (word == Word::Bin) {
            pict.binary = true;
            tokenizer.skipBinary(has ? std::max(p, 0) : 0);
        }
        return;
    }
    if (word == Word::Bin) {
        tokenizer.skipBinary(has ? std::max(p, 0) : 0);
        return;
    }
    if (g.destination == Destination::Skip || word == Word::Unknown)
        return; // words not known here are dropped with their parameter

    if (g.destination == Destination::FontTable) {
        tablesChanged();
        switch (word) {
        case Word::F:
            fontName.resize(0);
            fontFamily = 3;
            fonts[p] = BasicFont<Text>();
            g.ch.font = p;
            break;
        case Word::FRoman:
            fontFamily = 2;
            break;
        case Word::FSwiss:
            fontFamily = 3;
            break;
        case Word::FModern:
            fontFamily = 1;
            break;
        case Word::FScript:
            fontFamily = 4;
            break;
        case Word::FDecor:
            fontFamily = 5;
            break;
        default:
            break;
        }
        return;
    }
    if (g.destination == Destination::ColorTable) {
        tablesChanged();
        const auto v = std::uint32_t(std::clamp(p, 0, 255));
        if (word == Word::Red)
            color = (color & 0xFFFF00) | v;
        else if (word == Word::Green)
            color = (color & 0xFF00FF) | (v << 8);
        else if (word == Word::Blue)
            color = (color & 0x00FFFF) | (v << 16);
        colorSet = true;
        return;
    }

    CharFormat& ch = g.ch;
    ParFormat& pf = g.par;
    const bool on = !has || p != 0;
    const bool body = g.destination == Destination::Body;
    switch (word) {
    case Word::Deff:
        defaultFont = p;
        tablesChanged();
        break;
    case Word::Plain:
        ch = CharFormat();
        break;
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
        ch.color = std::max(p, 0);
        break;
    case Word::Highlight:
        ch.highlight = std::max(p, 0);
        break;
    case Word::Uc:
        g.unicodeSkip = std::clamp(p, 0, 8);
        break;
    case Word::U: {
        const auto code = char16_t(p < 0 ? p + 65536 : p);
        if constexpr (std::is_same_v<View, QStringView>) {
            const QChar c(code);
            const View v = isControlChar(c) ? View() : View(&c, 1);
            if (g.destination == Destination::Footnote)
                addFootnoteText(v);
            else
                text(v, t.line);
        } else {
            char c = '?';
            if (!ansi::encode(code, c))
                c = '?';
            const View v = isControlChar(c) ? View() : View(&c, 1);
            if (g.destination == Destination::Footnote)
                addFootnoteText(v);
            else
                text(v, t.line);
        }
        skipChars = g.unicodeSkip;
        break;
    }
    case Word::Pard:
        pf = ParFormat();
        break;
    case Word::Par:
        if (body)
            endParagraph(false);
        break;
    case Word::Cell:
        if (body)
            endParagraph(true);
        break;
    case Word::Row:
        if (body)
            sink.rowEnd(t.line);
        break;
    case Word::Trowd:
        row = RowFormat();
        pf.inTable = true;
        break;
    case Word::Intbl:
        pf.inTable = true;
        break;
    case Word::Cellx:
        row.cellRights.push_back(p);
        break;
    case Word::Trleft:
        row.left = p;
        break;
    case Word::Trgaph:
        row.gap = std::max(p, 0);
        break;
    case Word::Tqr:
        nextTab = TabStop::Right;
        break;
    case Word::Tqc:
        nextTab = TabStop::Center;
        break;
    case Word::Tx:
        // Bounded, so that a file of nothing but tab stops stays quick to read.
        if (has && p >= 0 && tabLists[std::size_t(pf.tabs)].size() < 64 && tabLists.size() < 1024) {
            std::vector<TabStop> list = tabLists[std::size_t(pf.tabs)];
            list.push_back({p, nextTab});
            const auto it = std::find(tabLists.begin(), tabLists.end(), list);
            pf.tabs = int(it - tabLists.begin());
            if (it == tabLists.end())
                tabLists.push_back(std::move(list));
        }
        nextTab = TabStop::Left;
        break;
    case Word::Line:
        if (body)
            appendRun(Run::LineBreak, {}, t.line);
        break;
    case Word::Tab:
        if (body)
            appendRun(Run::Tab, {}, t.line);
        else if (g.destination == Destination::Footnote)
            addFootnoteText(View(Text(fromAscii(" "))));
        break;
    case Word::Page:
        if (body)
            endTopic(t.line);
        break;
    case Word::Ql:
        pf.alignment = Align::Left;
        break;
    case Word::Qj:
        pf.alignment = Align::Justify;
        break;
    case Word::Qr:
        pf.alignment = Align::Right;
        break;
    case Word::Qc:
        pf.alignment = Align::Center;
        break;
    case Word::Sb:
        pf.spaceBefore = p;
        break;
    case Word::Sa:
        pf.spaceAfter = p;
        break;
    case Word::Li:
        pf.leftIndent = p;
        break;
    case Word::Ri:
        pf.rightIndent = p;
        break;
    case Word::Fi:
        pf.firstIndent = p;
        break;
    case Word::Keepn:
        pf.keepNext = on;
        break;
    case Word::Special:
        if (g.destination == Destination::Footnote) {
            // Titles and keywords keep plain quotes, as help compilers write them.
            char plain = entry->byte;
            if (plain == '\x91' || plain == '\x92')
                plain = '\'';
            else if (plain == '\x93' || plain == '\x94')
                plain = '"';
            if constexpr (std::is_same_v<View, QStringView>) {
                const QChar c =
                    plain == entry->byte ? QChar(entry->unicode) : QChar::fromLatin1(plain);
                addFootnoteText(View(&c, 1));
            } else {
                addFootnoteText(View(&plain, 1));
            }
        } else if constexpr (std::is_same_v<View, QStringView>) {
            const QChar c(entry->unicode);
            text(View(&c, 1), t.line);
        } else {
            text(View(&entry->byte, 1), t.line);
        }
        break;
    default:
        break;
    }
}

template <typename View> void BasicInterpreter<View>::State::controlSymbol(const Token& t) {
    Group& g = top();
    const char s = t.text.isEmpty() ? '\0' : char(charAt(t.text, 0));
    if (s == '*') {
        if (g.firstWord && !g.starred) {
            g.starred = true;
            g.beforeStar = g.destination;
            g.destination = Destination::Skip;
        }
        return;
    }
    if (g.destination == Destination::Skip)
        return;
    char b = 0;
    switch (s) {
    case '\'':
        if (!t.hasParameter)
            return;
        if (skipChars > 0) {
            --skipChars;
            return;
        }
        b = char(t.parameter);
        if (std::uint8_t(b) < 0x20)
            return;
        break;
    case '{':
        if (g.destination == Destination::Body && !capturing) {
            capturing = true;
            capture.resize(0);
            skipChars = 0;
            return;
        }
        b = s;
        break;
    case '}':
        if (capturing) {
            endCapture(true, t.line);
            skipChars = 0;
            return;
        }
        b = s;
        break;
    case '\\':
        b = s;
        break;
    case '~':
        b = '\xA0';
        break;
    case '_':
        if constexpr (std::is_same_v<View, QStringView>) {
            skipChars = 0;
            const QChar c(0x2011);
            if (g.destination == Destination::Footnote)
                addFootnoteText(View(&c, 1));
            else if (g.destination == Destination::Body)
                text(View(&c, 1), t.line);
            return;
        }
        b = '-';
        break;
    case '\t':
        if (g.destination == Destination::Body)
            appendRun(Run::Tab, {}, t.line);
        return;
    default:
        return; // \- \| \: and unknown symbols
    }
    skipChars = 0;
    byte(b, t.line);
}

// One character given by its Windows-1252 byte.
template <typename View> void BasicInterpreter<View>::State::byte(char b, int line) {
    const Destination d = top().destination;
    if (d == Destination::FontTable || d == Destination::ColorTable)
        return;
    if constexpr (std::is_same_v<View, QStringView>) {
        const QString c = ansi::toUnicode(&b, 1);
        if (d == Destination::Footnote)
            addFootnoteText(c);
        else
            text(c, line);
    } else {
        if (d == Destination::Footnote)
            addFootnoteText(View(&b, 1));
        else
            text(View(&b, 1), line);
    }
}

template <typename View>
[[gnu::always_inline]] inline void BasicInterpreter<View>::State::text(View chars, int line,
                                                                       bool tabs) {
    Group& g = top();
    switch (g.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        tablesChanged();
        for (auto c : chars) {
            if (c == lit<Char>(';')) {
                BasicFont<Text>& f = fonts[g.ch.font];
                f.name = fontName.trimmed();
                f.family = fontFamily;
                fontName.resize(0);
            } else {
                fontName += c;
            }
        }
        return;
    case Destination::ColorTable:
        tablesChanged();
        for (auto c : chars) {
            if (c == lit<Char>(';')) {
                colors.push_back(colorSet ? color : 0);
                color = 0;
                colorSet = false;
            }
        }
        return;
    case Destination::Footnote:
        addFootnoteText(chars);
        return;
    case Destination::Picture:
        pictureHex(chars);
        return;
    case Destination::Body:
        break;
    }
    if (capturing) {
        capture += chars;
        return;
    }
    bodyText(chars, line, tabs);
}

// A literal tab is a tab stop; everything else is text.
template <typename View>
void BasicInterpreter<View>::State::bodyText(View chars, int line, bool tabs) {
    if (!tabs) {
        appendRun(Run::Text, chars, line);
        return;
    }
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = chars.indexOf(lit<Char>('\t'), from);
        const qsizetype end = tab < 0 ? chars.size() : tab;
        if (end > from)
            appendRun(Run::Text, chars.sliced(from, end - from), line);
        if (tab < 0)
            break;
        appendRun(Run::Tab, {}, line);
        from = tab + 1;
    }
}

// Word splits "\{bmc name\}" into groups of their own ("\{bmc }{\f7 name}"):
// while the text so far may begin a picture, groups and formatting do not end it.
template <typename View> bool BasicInterpreter<View>::State::captureGoesOn(const Token& t) const {
    if (t.kind == TokenKind::ControlWord) {
        const WordName* entry = wordOf(t.text);
        const Word w = entry ? entry->word : Word::Unknown;
        if (w == Word::Par || w == Word::Page || w == Word::Cell || w == Word::Row ||
            w == Word::Line || w == Word::Tab || w == Word::Footnote || w == Word::Special ||
            w == Word::U)
            return false;
    } else if (t.kind != TokenKind::GroupStart && t.kind != TokenKind::GroupEnd) {
        return false;
    }
    const View c = View(capture).trimmed();
    const View bm = View(fromAscii("bm"));
    const qsizetype n = std::min<qsizetype>(c.size(), 2);
    return c.first(n).compare(bm.first(n), Qt::CaseInsensitive) == 0;
}

// The end of text that "\{" began: a picture when it reads "bmc name" (or
// bml, bmr, with "t" or "wd" after), else the text as it stands.
template <typename View> void BasicInterpreter<View>::State::endCapture(bool closed, int line) {
    capturing = false;
    const Text c = capture;
    if (closed) {
        const qsizetype blank = c.indexOf(lit<Char>(' '));
        const Text command = (blank < 0 ? c : c.left(blank)).toLower();
        const Text name = blank < 0 ? Text() : c.mid(blank + 1).trimmed();
        PictureAlign align = PictureAlign::Character;
        bool picture =
            !name.isEmpty() && command.size() >= 3 && command.startsWith(fromAscii("bm"));
        if (picture) {
            const auto kind = command[2];
            align = kind == lit<Char>('l')   ? PictureAlign::Left
                    : kind == lit<Char>('r') ? PictureAlign::Right
                                             : PictureAlign::Character;
            picture = kind == lit<Char>('c') || kind == lit<Char>('l') || kind == lit<Char>('r');
            const Text rest = command.mid(3);
            picture = picture && (rest.isEmpty() || rest == fromAscii("t") ||
                                  rest == fromAscii("wd") || rest == fromAscii("twd"));
        }
        if (picture) {
            appendRun(Run::Picture, View(name), line);
            par.runs.back().picture = align;
            return;
        }
    }
    const Text brace = fromAscii("{");
    bodyText(View(brace), line);
    if (!c.isEmpty())
        bodyText(View(c), line);
    if (closed) {
        const Text end = fromAscii("}");
        bodyText(View(end), line);
    }
}

template <typename View>
void BasicInterpreter<View>::State::appendRun(Run::Kind kind, View chars, int line) {
    const CharFormat& ch = top().ch;
    if (kind == Run::Text && !par.runs.empty()) {
        Run& last = par.runs.back();
        if (last.kind == Run::Text && last.ch == ch) {
            par.text.insert(par.text.end(), chars.begin(), chars.end()); // it ends the buffer
            last.end = qsizetype(par.text.size());
            return;
        }
    }
    if (par.runs.empty())
        par.line = line;
    hiddenRuns = hiddenRuns || ch.hidden;
    Run r;
    r.kind = kind;
    r.begin = qsizetype(par.text.size());
    par.text.insert(par.text.end(), chars.begin(), chars.end());
    r.end = qsizetype(par.text.size());
    r.ch = ch;
    r.line = line;
    par.runs.push_back(r);
}

template <typename View> void BasicInterpreter<View>::State::startFootnote(int line) {
    Group& g = top();
    // The footnote's mark is the character just before its group, as in
    // "#{\footnote ...}", or the text of a raised group of its own before it,
    // as Word writes it: "{\super #}{\footnote ...}", "{\up6 #}{\footnote ...}";
    // other word processors put words between ("#{\super \chftn{\*\footnote").
    char mark = 0;
    const bool wordsBetween = !lastWasText && textBeforeWords;
    if ((lastWasText || wordsBetween) && !par.runs.empty() && par.runs.back().kind == Run::Text) {
        Run& r = par.runs.back();
        qsizetype end = r.end;
        while (end - r.begin > 1 && par.text[std::size_t(end - 1)] == lit<Char>(' '))
            --end;
        const unsigned c = end > r.begin ? unsigned(charAt(par.view(r), end - 1 - r.begin)) : 0;
        // A topic's first footnote whose mark follows blanks in the same run
        // (" #{\footnote") is no footnote to help compilers: the mark stays
        // text and the footnote is left without one.
        const qsizetype from = std::max(r.begin, std::min(boundaryAt, end));
        bool blanksBefore = !topicBegun && par.runs.size() == 1 && end - from > 1;
        for (qsizetype i = from; blanksBefore && i < end - 1; ++i)
            blanksBefore = isBlank(charAt(par.view(r), i - r.begin));
        if (!blanksBefore && end > r.begin &&
            ((!boundarySince && !wordsBetween) || isFootnoteMark(c))) {
            mark = char(c < 0x80 ? c : '?');
            r.end = end - 1;
            par.text.resize(std::size_t(r.end));
            if (r.end == r.begin)
                par.runs.pop_back();
        }
    }
    // A footnote that stands inside the group of an earlier one, which was
    // left open after its value, begins the next entry: a topic of its own.
    if (g.afterFootnote)
        endTopic(line);
    g.destination = Destination::Footnote;
    footnoteActive = true;
    footnoteMark = mark;
    footnoteText.resize(0); // keeps its room
    footnoteDepth = depth();
    footnoteValueDepth = -1;
    footnoteLine = line;
    topicBegun = true;
}

template <typename View> void BasicInterpreter<View>::State::addFootnoteText(View chars) {
    if (!footnoteActive)
        return;
    // Grown in place: appending through insert() costs more than the copy.
    const qsizetype had = footnoteText.size();
    footnoteText.resize(had + chars.size());
    std::copy(chars.begin(), chars.end(), footnoteText.begin() + had);
    if (footnoteValueDepth < 0) {
        // The value begins at the first character that is neither blank nor,
        // first of all, the footnote's mark.
        const Text& v = footnoteText;
        qsizetype i = 0;
        while (i < v.size() && isBlank(charAt(View(v), i)))
            ++i;
        if (i < v.size() && footnoteMark != 0 && v[i] == lit<Char>(footnoteMark)) {
            ++i;
            while (i < v.size() && isBlank(charAt(View(v), i)))
                ++i;
        }
        if (i < v.size())
            footnoteValueDepth = depth();
    }
}

template <typename View> void BasicInterpreter<View>::State::endFootnote() {
    footnoteActive = false;
    // One footnote value for all: its room is used again unless a sink
    // kept a copy.
    BasicFootnote<Text>& f = footnoteRead;
    f.mark = footnoteMark;
    f.line = footnoteLine;
    View value = View(footnoteText).trimmed();
    if (!value.isEmpty() && footnoteMark != 0 && value[0] == lit<Char>(footnoteMark))
        value = value.sliced(1).trimmed();
    f.value.resize(value.size());
    std::copy(value.begin(), value.end(), f.value.begin());
    if constexpr (std::is_same_v<View, QStringView>)
        f.value.replace(QChar(0xA0), u' ');
    else if (value.contains('\xA0'))
        f.value.replace('\xA0', ' ');
    sink.footnote(f);
}

template <typename View> void BasicInterpreter<View>::State::findHotspots() {
    // Hotspots: underlined, double underlined or struck-through text right
    // before hidden text, which names the target.
    // A picture may be a hotspot as well, the usual way of a button.
    const auto hotOf = [](const Run& r) {
        if ((r.kind != Run::Text && r.kind != Run::Picture) || r.ch.hidden)
            return 0;
        if (r.ch.underline == 2 || r.ch.strike)
            return 2;
        return r.ch.underline == 1 ? 1 : 0;
    };
    auto& runs = par.runs;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].kind != Run::Text || !runs[i].ch.hidden)
            continue;
        Text target;
        std::size_t end = i;
        while (end < runs.size() && runs[end].kind == Run::Text && runs[end].ch.hidden)
            target += par.view(runs[end++]);
        const int hot = i > 0 ? hotOf(runs[i - 1]) : 0;
        if (hot != 0 && runs[i - 1].hotspot < 0) {
            int first = int(i) - 1;
            while (first > 0 && hotOf(runs[std::size_t(first - 1)]) == hot &&
                   runs[std::size_t(first - 1)].hotspot < 0)
                --first;
            BasicHotspot<Text> h;
            h.kind = hot == 2 ? HotspotKind::Jump : HotspotKind::Popup;
            h.firstRun = first;
            h.lastRun = int(i) - 1;
            h.line = runs[i].line;
            target = target.trimmed();
            if (target.startsWith(lit<Char>('%')) || target.startsWith(lit<Char>('*'))) {
                h.look = target.startsWith(lit<Char>('%')) ? HotspotLook::Plain
                                                           : HotspotLook::NoUnderline;
                target = target.mid(1).trimmed();
            }
            if (target.startsWith(lit<Char>('!'))) {
                h.kind = HotspotKind::Macro;
                h.target = target.mid(1).trimmed();
            } else {
                const qsizetype at = target.indexOf(lit<Char>('@'));
                if (at >= 0) {
                    h.file = target.mid(at + 1).trimmed();
                    target = target.left(at).trimmed();
                }
                const qsizetype gt = target.indexOf(lit<Char>('>'));
                if (gt >= 0) {
                    h.window = target.mid(gt + 1).trimmed();
                    target = target.left(gt).trimmed();
                }
                h.target = target;
            }
            const int index = int(par.hotspots.size());
            par.hotspots.push_back(std::move(h));
            for (int k = first; k < int(i); ++k)
                runs[std::size_t(k)].hotspot = index;
        }
        i = end - 1;
    }
}

template <typename View> void BasicInterpreter<View>::State::endParagraph(bool cellEnd) {
    if (hiddenRuns) // a hotspot needs hidden text after it
        findHotspots();
    hiddenRuns = false;
    par.format = top().par;
    if (par.format.tabs > 0)
        par.tabStops = tabLists[std::size_t(par.format.tabs)];
    par.endFormat = top().ch;
    par.cellEnd = cellEnd;
    sink.paragraph(par);
    par.clear();
    topicBegun = true;
    shppictRead = false;
}

template <typename View> void BasicInterpreter<View>::State::endTopic(int line) {
    bool visible = false;
    for (const Run& r : par.runs)
        visible = visible || r.kind != Run::Text || !r.ch.hidden;
    if (visible)
        endParagraph(false);
    par.clear();
    hiddenRuns = false;
    topicBegun = false;
    sink.page(line);
}

// The control words of a picture stored in the text: its kind and size.
template <typename View> void BasicInterpreter<View>::State::pictureWord(View word, int parameter) {
    using F = EmbeddedPicture::Format;
    struct Kind {
        std::string_view name;
        F format;
    };
    static constexpr Kind kKinds[] = {
        {"pngblip", F::Png},         {"jpegblip", F::Jpeg},      {"dibitmap", F::Dib},
        {"wbitmap", F::Bitmap},      {"wmetafile", F::Metafile}, {"emfblip", F::Metafile},
        {"pmmetafile", F::Metafile}, {"macpict", F::Other},
    };
    for (const Kind& k : kKinds)
        if (sameWord(k.name, word))
            pict.format = k.format;
    if (sameWord("picw", word))
        pict.width = parameter;
    else if (sameWord("pich", word))
        pict.height = parameter;
    else if (sameWord("wbmbitspixel", word))
        pict.bitsPerPixel = parameter;
    else if (sameWord("wbmwidthbytes", word))
        pict.widthBytes = parameter;
}

template <typename View> void BasicInterpreter<View>::State::pictureHex(View chars) {
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const unsigned c = charAt(chars, i);
        int v = -1;
        if (c >= '0' && c <= '9')
            v = int(c - '0');
        else if (c >= 'a' && c <= 'f')
            v = int(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v = int(c - 'A' + 10);
        if (v < 0)
            continue;
        if (pictNibble < 0) {
            pictNibble = v;
        } else {
            pict.data.append(char(pictNibble << 4 | v));
            pictNibble = -1;
        }
    }
}

// The picture stands where its group stood, as a character of the line.
template <typename View> void BasicInterpreter<View>::State::endPicture() {
    par.embedded.push_back(std::move(pict));
    pict = EmbeddedPicture();
    appendRun(Run::Picture, View(), pictLine);
    par.runs.back().embedded = int(par.embedded.size()) - 1;
}

template <typename View>
BasicInterpreter<View>::BasicInterpreter(Sink& sink) : m(new State(sink)) {}

template <typename View> BasicInterpreter<View>::~BasicInterpreter() {
    delete m;
}

template <typename View> bool BasicInterpreter<View>::readDocument(View source) {
    BasicTokenizer<View> tokenizer(source);
    return m->read(tokenizer, true);
}

template <typename View>
bool BasicInterpreter<View>::readDocument(
    ByteSource& source) requires std::is_same_v<View, QByteArrayView> {
    BasicTokenizer<View> tokenizer(source);
    return m->read(tokenizer, true);
}

template <typename View> void BasicInterpreter<View>::readFragment(View source) {
    BasicTokenizer<View> tokenizer(source);
    m->read(tokenizer, false);
}

template <typename View>
const std::map<int, BasicFont<typename BasicInterpreter<View>::Text>>&
BasicInterpreter<View>::fonts() const {
    return m->fonts;
}

template <typename View> int BasicInterpreter<View>::defaultFont() const {
    return m->defaultFont;
}

template <typename View> const std::vector<std::uint32_t>& BasicInterpreter<View>::colors() const {
    return m->colors;
}

template <typename View> int BasicInterpreter<View>::tablesVersion() const {
    return m->tablesVersion;
}

template <typename View> const RowFormat& BasicInterpreter<View>::row() const {
    return m->row;
}

template class BasicInterpreter<QStringView>;
template class BasicInterpreter<QByteArrayView>;

} // namespace rtf
