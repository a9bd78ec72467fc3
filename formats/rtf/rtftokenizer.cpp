#include "rtftokenizer.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

namespace rtf {

template <typename View> void BasicTokenizer<View>::refill() {
    if constexpr (std::is_same_v<View, QByteArrayView>) {
        const qsizetype rest = m_source.size() - m_pos;
        if (m_window.size() < std::size_t(kWindow + kLookAhead))
            m_window.resize(std::size_t(kWindow + kLookAhead));
        if (rest > 0 && m_pos > 0)
            std::memmove(m_window.data(), m_window.data() + m_pos, std::size_t(rest));
        m_shift += m_pos;
        m_pos = 0;
        qsizetype size = rest;
        // A window's worth at least, so that a refill is rare.
        while (size < kWindow && !m_streamEnd) {
            const qsizetype n = m_stream->read(m_window.data() + size, kWindow + kLookAhead - size);
            if (n <= 0)
                m_streamEnd = true;
            else
                size += n;
        }
        m_source = QByteArrayView(m_window.data(), size);
        m_refillAt = m_streamEnd ? std::numeric_limits<qsizetype>::max() : size - kLookAhead;
    }
}

template void BasicTokenizer<QByteArrayView>::refill();
template void BasicTokenizer<QStringView>::refill();

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
        if (m_pos >= m_source.size() || detail::isTextEnd(at(m_pos)))
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
