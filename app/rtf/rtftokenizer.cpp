#include "rtftokenizer.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <string_view>
#include <type_traits>

namespace rtf {

namespace {

bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int hexValue(char16_t c) {
    if (isDigit(c))
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Parameters are clamped to this many digits, so an overlong number cannot
// overflow; RTF's own parameters fit in 16 bits (32 for a few).
constexpr int kMaxParameterDigits = 10;

// Where plain text ends: at a code or a line end.
bool isTextEnd(char16_t c) {
    return c == u'\\' || c == u'{' || c == u'}' || c == u'\r' || c == u'\n';
}

} // namespace

template <typename View> char16_t BasicTokenizer<View>::at(qsizetype i) const {
    if constexpr (std::is_same_v<View, QStringView>)
        return m_source[i].unicode();
    else
        return static_cast<unsigned char>(m_source[i]);
}

template <typename View> void BasicTokenizer<View>::advance() {
    const char16_t c = at(m_pos++);
    if (c == u'\n' || (c == u'\r' && (m_pos >= m_source.size() || at(m_pos) != u'\n')))
        ++m_line;
}

template <typename View> TokenView<View> BasicTokenizer<View>::nextView() {
    const qsizetype size = m_source.size();
    while (m_pos < size) {
        const char16_t c = at(m_pos);
        if (c == u'\\')
            return controlToken();
        if (c == u'\r' || c == u'\n') {
            advance();
            continue;
        }
        TokenView<View> token;
        token.offset = m_pos;
        token.line = m_line;
        if (c == u'{' || c == u'}') {
            ++m_pos;
            token.kind = c == u'{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return token;
        }
        // Plain text up to the next code or line end.
        token.kind = TokenKind::Text;
        const qsizetype begin = m_pos;
        while (m_pos < size && !isTextEnd(at(m_pos)))
            ++m_pos;
        token.text = m_source.sliced(begin, m_pos - begin);
        return token;
    }
    TokenView<View> end;
    end.offset = m_pos;
    end.line = m_line;
    return end;
}

template <typename View> TokenView<View> BasicTokenizer<View>::controlToken() {
    TokenView<View> token;
    token.offset = m_pos;
    token.line = m_line;
    advance(); // the backslash
    if (m_pos >= m_source.size()) {
        token.kind = TokenKind::ControlSymbol;
        return token;
    }
    const char16_t c = at(m_pos);
    if (c == u'\r' || c == u'\n') {
        // A backslash before a line end is a paragraph mark.
        advance();
        if (c == u'\r' && m_pos < m_source.size() && at(m_pos) == u'\n')
            advance();
        token.kind = TokenKind::ControlWord;
        if constexpr (std::is_same_v<View, QStringView>)
            token.text = QStringView(u"par");
        else
            token.text = QByteArrayView("par");
        return token;
    }
    if (!isLetter(c)) {
        token.text = m_source.sliced(m_pos, 1);
        advance();
        token.kind = TokenKind::ControlSymbol;
        if (c == u'\'' && m_pos + 1 < m_source.size()) {
            const int high = hexValue(at(m_pos));
            const int low = hexValue(at(m_pos + 1));
            if (high >= 0 && low >= 0) {
                m_pos += 2; // hex digits are never line ends
                token.parameter = high * 16 + low;
                token.hasParameter = true;
            }
        }
        return token;
    }
    token.kind = TokenKind::ControlWord;
    const qsizetype letters = m_pos;
    while (m_pos < m_source.size() && isLetter(at(m_pos)))
        ++m_pos; // letters are never line ends
    token.text = m_source.sliced(letters, m_pos - letters);
    bool negative = false;
    if (m_pos + 1 < m_source.size() && at(m_pos) == u'-' && isDigit(at(m_pos + 1))) {
        negative = true;
        ++m_pos;
    }
    long long value = 0;
    int digits = 0;
    while (m_pos < m_source.size() && isDigit(at(m_pos))) {
        if (digits < kMaxParameterDigits)
            value = value * 10 + (at(m_pos) - u'0');
        ++digits;
        ++m_pos;
    }
    if (digits > 0) {
        value = std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX);
        token.parameter = static_cast<int>(value);
        token.hasParameter = true;
    }
    // One blank after a control word only ends it.
    if (m_pos < m_source.size() && at(m_pos) == u' ')
        ++m_pos;
    return token;
}

template <typename View> void BasicTokenizer<View>::skipBinary(qsizetype count) {
    while (count-- > 0 && m_pos < m_source.size())
        advance();
}

template class BasicTokenizer<QStringView>;
template class BasicTokenizer<QByteArrayView>;

Token Tokenizer::next() {
    const qsizetype start = m_pos;
    const int startLine = m_line;
    const TokenView<QStringView> view = nextView();
    Token token;
    token.kind = view.kind;
    token.text = view.text.toString();
    token.parameter = view.parameter;
    token.hasParameter = view.hasParameter;
    token.offset = view.offset;
    token.line = view.line;
    if (view.kind != TokenKind::Text)
        return token;
    // One token for all text up to the next code; it starts where the line
    // ends before it start.
    token.offset = start;
    token.line = startLine;
    for (;;) {
        while (m_pos < m_source.size() && (at(m_pos) == u'\r' || at(m_pos) == u'\n'))
            advance();
        if (m_pos >= m_source.size() || isTextEnd(at(m_pos)))
            break;
        token.text += nextView().text;
    }
    return token;
}

namespace {

template <typename View> int letterAt(View word, qsizetype i) {
    if constexpr (std::is_same_v<View, QStringView>)
        return word[i].unicode();
    else
        return static_cast<unsigned char>(word[i]);
}

// From the length and the first and last letters.
template <typename View> unsigned wordHash(View word) {
    return word.isEmpty() ? 0
                          : unsigned(word.size()) * 61 + unsigned(letterAt(word, 0)) * 7 +
                                unsigned(letterAt(word, word.size() - 1));
}

// Whether `word` is one of `words`, without making a string of it: an open
// hash table of the words, built once.
template <std::size_t N> class WordSet {
public:
    explicit WordSet(const std::array<std::string_view, N>& words) : m_words(words) {
        for (std::size_t i = 0; i < N; ++i) {
            const std::string_view w = words[i];
            unsigned h = wordHash(QByteArrayView(w.data(), qsizetype(w.size())));
            while (m_slots[h % kSlots] != 0)
                ++h;
            m_slots[h % kSlots] = std::uint8_t(i + 1);
        }
    }

    template <typename View> bool contains(View word) const {
        for (unsigned h = wordHash(word);; ++h) {
            const std::uint8_t slot = m_slots[h % kSlots];
            if (slot == 0)
                return false;
            const std::string_view w = m_words[slot - 1];
            if (qsizetype(w.size()) != word.size())
                continue;
            qsizetype i = 0;
            while (i < word.size() &&
                   letterAt(word, i) == static_cast<unsigned char>(w[std::size_t(i)]))
                ++i;
            if (i == word.size())
                return true;
        }
    }

private:
    static constexpr unsigned kSlots = 128; // a power of two, well above N
    static_assert(N < kSlots / 2 && N < 255);
    std::array<std::string_view, N> m_words;
    std::array<std::uint8_t, kSlots> m_slots{}; // index into m_words plus 1; 0: free
};

const WordSet<32>& skippedDestinations() {
    static const WordSet<32> words({
        "fonttbl",
        "colortbl",
        "stylesheet",
        "info",
        "pict",
        "object",
        "footnote",
        "header",
        "headerl",
        "headerr",
        "headerf",
        "footer",
        "footerl",
        "footerr",
        "footerf",
        "xe",
        "tc",
        "txe",
        "bkmkstart",
        "bkmkend",
        "fldinst",
        "generator",
        "listtable",
        "themedata",
        "pntext",
        "pntxta",
        "pntxtb",
        "filetbl",
        "revtbl",
        "rsidtbl",
        "listoverridetable",
        "latentstyles",
    });
    return words;
}

} // namespace

bool IsSkippedDestination(QStringView word) {
    return skippedDestinations().contains(word);
}

bool IsSkippedDestination(QByteArrayView word) {
    return skippedDestinations().contains(word);
}

bool IsKnownControlWord(QStringView word) {
    static const QSet<QString> words = [] {
        // Document, fonts and colours
        const char* const list[] = {
            "rtf", "ansi", "mac", "pc", "pca", "ansicpg", "deff", "deflang", "deflangfe", "deftab",
            "uc", "u", "fonttbl", "colortbl", "stylesheet", "info", "title", "author", "footnote",
            "fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor", "ftech", "fbidi",
            "fcharset", "fprq", "red", "green", "blue", "margl", "margr", "margt", "margb",
            "paperw", "paperh", "viewkind", "generator", "pntext", "pn",
            // Characters
            "b", "i", "ul", "ulnone", "uldb", "ulw", "uld", "ulth", "ulwave", "strike", "striked",
            "v", "super", "sub", "nosupersub", "up", "dn", "caps", "scaps", "outline", "shad", "f",
            "fs", "cf", "cb", "highlight", "plain", "expnd", "expndtw", "kerning", "lang", "langfe",
            "langnp", "charscalex", "cs", "cgrid", "noproof", "webhidden",
            // Paragraphs
            "par", "pard", "line", "tab", "page", "sect", "sectd", "column", "ql", "qc", "qr", "qj",
            "li", "ri", "fi", "lin", "rin", "sa", "sb", "sl", "slmult", "tx", "tqr", "tqc", "tqdec",
            "tb", "keep", "keepn", "widctlpar", "nowidctlpar", "intbl", "s", "box", "brdrt",
            "brdrb", "brdrl", "brdrr", "brdrs", "brdrth", "brdrsh", "brdrdb", "brdrdot", "brdrhair",
            "brdrw", "brsp", "shading", "cbpat", "cfpat", "adjustright", "adjustleft", "aspalpha",
            "aspnum", "faauto", "nooverflow", "outlinelevel", "itap", "hyphpar",
            // Tables
            "trowd", "cell", "row", "cellx", "clbrdrt", "clbrdrb", "clbrdrl", "clbrdrr", "trgaph",
            "trleft", "trqc", "trql", "trqr", "nestcell", "nestrow",
            // Special characters
            "bullet", "emdash", "endash", "emspace", "enspace", "lquote", "rquote", "ldblquote",
            "rdblquote", "zwj", "zwnj", "ltrmark", "rtlmark",
            // Fields, pictures, objects and other destinations
            "field", "fldinst", "fldrslt", "pict", "wmetafile", "bin", "object", "result", "picw",
            "pich", "picwgoal", "pichgoal", "pngblip", "jpegblip", "emfblip", "dibitmap", "wbitmap",
            "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
            "bkmkstart", "bkmkend", "xe", "tc", "txe"};
        QSet<QString> set;
        for (const char* w : list)
            set.insert(QString::fromLatin1(w));
        return set;
    }();
    return words.contains(word.toString());
}

bool IsKnownControlSymbol(QChar symbol) {
    return QStringView(u"\\{}~-_*'|:").contains(symbol);
}

} // namespace rtf
