#include "rtftokenizer.h"

#include <QSet>
#include <algorithm>

namespace rtf {

namespace {

bool isLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int hexValue(QChar c) {
    if (isDigit(c))
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Parameters are clamped to this many digits, so an overlong number cannot
// overflow; RTF's own parameters fit in 16 bits (32 for a few).
constexpr int kMaxParameterDigits = 10;

} // namespace

void Tokenizer::advance() {
    const QChar c = m_source[m_pos++];
    if (c == u'\n' || (c == u'\r' && (m_pos >= m_source.size() || m_source[m_pos] != u'\n')))
        ++m_line;
}

Token Tokenizer::next() {
    while (m_pos < m_source.size()) {
        const QChar c = m_source[m_pos];
        Token token;
        token.offset = m_pos;
        token.line = m_line;
        if (c == u'{' || c == u'}') {
            advance();
            token.kind = c == u'{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return token;
        }
        if (c == u'\\')
            return controlToken(m_pos);
        // Plain text up to the next code; line ends are not part of the text.
        // Taken as one slice when it has no line end (the common case).
        token.kind = TokenKind::Text;
        const qsizetype begin = m_pos;
        qsizetype end = begin;
        bool lineEnds = false;
        while (end < m_source.size()) {
            const QChar t = m_source[end];
            if (t == u'\\' || t == u'{' || t == u'}')
                break;
            lineEnds = lineEnds || t == u'\r' || t == u'\n';
            ++end;
        }
        if (!lineEnds) {
            token.text = m_source.sliced(begin, end - begin).toString();
            m_pos = end;
        } else {
            token.text.reserve(end - begin);
            while (m_pos < end) {
                const QChar t = m_source[m_pos];
                if (t != u'\r' && t != u'\n')
                    token.text += t;
                advance();
            }
        }
        if (!token.text.isEmpty())
            return token;
    }
    Token end;
    end.offset = m_pos;
    end.line = m_line;
    return end;
}

Token Tokenizer::controlToken(qsizetype start) {
    Token token;
    token.offset = start;
    token.line = m_line;
    advance(); // the backslash
    if (m_pos >= m_source.size()) {
        token.kind = TokenKind::ControlSymbol;
        return token;
    }
    const QChar c = m_source[m_pos];
    if (c == u'\r' || c == u'\n') {
        // A backslash before a line end is a paragraph mark.
        advance();
        if (c == u'\r' && m_pos < m_source.size() && m_source[m_pos] == u'\n')
            advance();
        token.kind = TokenKind::ControlWord;
        token.text = QStringLiteral("par");
        return token;
    }
    if (!isLetter(c)) {
        advance();
        token.kind = TokenKind::ControlSymbol;
        token.text = QString(c);
        if (c == u'\'' && m_pos + 1 < m_source.size()) {
            const int high = hexValue(m_source[m_pos]);
            const int low = hexValue(m_source[m_pos + 1]);
            if (high >= 0 && low >= 0) {
                advance();
                advance();
                token.parameter = high * 16 + low;
                token.hasParameter = true;
            }
        }
        return token;
    }
    token.kind = TokenKind::ControlWord;
    const qsizetype letters = m_pos;
    while (m_pos < m_source.size() && isLetter(m_source[m_pos]))
        ++m_pos; // letters are never line ends
    token.text = m_source.sliced(letters, m_pos - letters).toString();
    bool negative = false;
    if (m_pos + 1 < m_source.size() && m_source[m_pos] == u'-' && isDigit(m_source[m_pos + 1])) {
        negative = true;
        advance();
    }
    long long value = 0;
    int digits = 0;
    while (m_pos < m_source.size() && isDigit(m_source[m_pos])) {
        if (digits < kMaxParameterDigits)
            value = value * 10 + (m_source[m_pos].unicode() - u'0');
        ++digits;
        advance();
    }
    if (digits > 0) {
        value = std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX);
        token.parameter = static_cast<int>(value);
        token.hasParameter = true;
    }
    // One blank after a control word only ends it.
    if (m_pos < m_source.size() && m_source[m_pos] == u' ')
        advance();
    return token;
}

void Tokenizer::skipBinary(qsizetype count) {
    while (count-- > 0 && m_pos < m_source.size())
        advance();
}

bool IsSkippedDestination(QStringView word) {
    static const QSet<QString> words = {
        QStringLiteral("fonttbl"),
        QStringLiteral("colortbl"),
        QStringLiteral("stylesheet"),
        QStringLiteral("info"),
        QStringLiteral("pict"),
        QStringLiteral("object"),
        QStringLiteral("footnote"),
        QStringLiteral("header"),
        QStringLiteral("headerl"),
        QStringLiteral("headerr"),
        QStringLiteral("headerf"),
        QStringLiteral("footer"),
        QStringLiteral("footerl"),
        QStringLiteral("footerr"),
        QStringLiteral("footerf"),
        QStringLiteral("xe"),
        QStringLiteral("tc"),
        QStringLiteral("txe"),
        QStringLiteral("bkmkstart"),
        QStringLiteral("bkmkend"),
        QStringLiteral("fldinst"),
        QStringLiteral("generator"),
        QStringLiteral("listtable"),
        QStringLiteral("themedata"),
        QStringLiteral("pntext"),
        QStringLiteral("pntxta"),
        QStringLiteral("pntxtb"),
        QStringLiteral("filetbl"),
        QStringLiteral("revtbl"),
        QStringLiteral("rsidtbl"),
        QStringLiteral("listoverridetable"),
        QStringLiteral("latentstyles"),
    };
    return words.contains(word.toString());
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
