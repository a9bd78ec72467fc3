// Splitting RTF into its tokens: group braces, control words, control symbols
// and plain text. Shared by everything that reads RTF: the help texts an
// author types (which may carry RTF codes) and the topic files the help
// compiler reads.
//
// The tokenizer works on text that is already Unicode: a topic file's bytes
// are decoded from Windows-1252 first (every byte maps to one character), and
// a help text comes from the project as it is. "\'xx" is left to the reader,
// because only the reader knows the code page in force.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <climits>
#include <limits>
#include <type_traits>
#include <vector>

namespace rtf {

enum class TokenKind {
    GroupStart,    // {
    GroupEnd,      // }
    ControlWord,   // \word or \wordN, e.g. \b0, \fs20, \u8364
    ControlSymbol, // \ followed by one character that is not a letter, e.g. \~ \{ \'
    Text,          // characters between codes, line ends removed
    End,           // no more tokens
};

struct Token {
    TokenKind kind = TokenKind::End;
    // ControlWord: the word's letters; ControlSymbol: the one character after
    // the backslash (empty for a backslash at the very end); Text: the text.
    QString text;
    // ControlWord: the numeric parameter, when one follows the word.
    // ControlSymbol "'": the byte value of the two hex digits that follow.
    int parameter = 0;
    bool hasParameter = false;
    qsizetype offset = 0; // where the token starts in the source
    int line = 1;         // 1-based line of the token's start
};

// A token whose text is a view into the source (or, for a paragraph mark
// written as a backslash before a line end, the constant "par"): nothing is
// copied. Unlike Token, a Text token ends at a line end as well, so a text
// broken by line ends comes as several Text tokens, line ends left out.
template <typename View> struct TokenView {
    TokenKind kind = TokenKind::End;
    View text;
    int parameter = 0;
    bool hasParameter = false;
    qsizetype offset = 0;
    int line = 1;
};

// Bytes that come a piece at a time: a topic file read as it is split into
// tokens, rather than held whole.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `to`: how many were read, 0 at the end.
    virtual qsizetype read(char* to, qsizetype size) = 0;
};

// View: QStringView over Unicode text, or QByteArrayView over the bytes of a
// single-byte code page such as Windows-1252. Codes are ASCII, so both give
// the same tokens for the same text, their text in the source's own form.
template <typename View> class BasicTokenizer {
public:
    explicit BasicTokenizer(View source) : m_source(source) {}
    // Over bytes read from `source` a window at a time. A token's text is a
    // view into the window: it stays valid until the next token is asked for.
    explicit BasicTokenizer(ByteSource& source) requires std::is_same_v<View, QByteArrayView>
        : m_stream(&source) {
        refill();
    }

    // The next token; End once the source is used up (and ever after).
    TokenView<View> nextView();

    // Skips `count` bytes of binary data (after "\binN"); line ends count too.
    void skipBinary(qsizetype count);

    // Where the next token starts, from the start of the source.
    qsizetype position() const { return m_shift + m_pos; }
    int line() const { return m_line; }

    // What a window holds after each read, and the least it holds ahead of a
    // token: a token longer than that (text, as a rule) comes in pieces.
    static constexpr qsizetype kWindow = 256 * 1024;
    static constexpr qsizetype kLookAhead = 16 * 1024;

protected:
    char16_t at(qsizetype i) const;
    void advance(); // one character, counting line ends

    View m_source;
    qsizetype m_pos = 0;
    int m_line = 1;

private:
    TokenView<View> controlToken();
    // With a byte source: whether fewer than `ahead` bytes are left in the
    // window while the source has more.
    bool short_(qsizetype ahead) const {
        return m_stream && !m_streamEnd && m_source.size() - m_pos < ahead;
    }
    void refill(); // moves what is left to the window's start and reads on

    ByteSource* m_stream = nullptr;
    bool m_streamEnd = false;
    // Past this, the window is refilled before the next token (never without a source).
    qsizetype m_refillAt = std::numeric_limits<qsizetype>::max();
    std::vector<char> m_window;
    qsizetype m_shift = 0; // where the window starts in the source
};

class Tokenizer : public BasicTokenizer<QStringView> {
public:
    explicit Tokenizer(QStringView source) : BasicTokenizer(source) {}

    // The next token as a string of its own; End once the source is used up.
    Token next();
};

// Over the bytes of a topic file as they are read.
using ByteTokenizer = BasicTokenizer<QByteArrayView>;

// The tokenizer's work is here rather than in its source file so that
// readers of large files can have it inlined into their loops.
namespace detail {

inline bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

inline bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

inline int hexValue(char16_t c) {
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
inline constexpr int kMaxParameterDigits = 10;

// Where plain text ends: at a code or a line end.
inline bool isTextEnd(char16_t c) {
    return c == u'\\' || c == u'{' || c == u'}' || c == u'\r' || c == u'\n';
}

} // namespace detail

template <typename View> inline char16_t BasicTokenizer<View>::at(qsizetype i) const {
    if constexpr (std::is_same_v<View, QStringView>)
        return m_source[i].unicode();
    else
        return static_cast<unsigned char>(m_source[i]);
}

template <typename View> inline void BasicTokenizer<View>::advance() {
    const char16_t c = at(m_pos++);
    if (c == u'\n' || (c == u'\r' && (m_pos >= m_source.size() || at(m_pos) != u'\n')))
        ++m_line;
}

template <typename View> inline TokenView<View> BasicTokenizer<View>::nextView() {
    for (;;) {
        if (m_pos > m_refillAt) [[unlikely]]
            refill();
        const qsizetype size = m_source.size();
        if (m_pos >= size)
            break;
        const char16_t c = at(m_pos);
        if (c == u'\\')
            return controlToken();
        if (c == u'\r' || c == u'\n') {
            advance();
            continue;
        }
        TokenView<View> token;
        token.offset = m_shift + m_pos;
        token.line = m_line;
        if (c == u'{' || c == u'}') {
            ++m_pos;
            token.kind = c == u'{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return token;
        }
        // Plain text up to the next code or line end.
        token.kind = TokenKind::Text;
        const qsizetype begin = m_pos;
        while (m_pos < size && !detail::isTextEnd(at(m_pos)))
            ++m_pos;
        token.text = m_source.sliced(begin, m_pos - begin);
        return token;
    }
    TokenView<View> end;
    end.offset = m_shift + m_pos;
    end.line = m_line;
    return end;
}

template <typename View> inline TokenView<View> BasicTokenizer<View>::controlToken() {
    TokenView<View> token;
    token.offset = m_shift + m_pos;
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
    if (!detail::isLetter(c)) {
        token.text = m_source.sliced(m_pos, 1);
        advance();
        token.kind = TokenKind::ControlSymbol;
        if (c == u'\'' && m_pos + 1 < m_source.size()) {
            const int high = detail::hexValue(at(m_pos));
            const int low = detail::hexValue(at(m_pos + 1));
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
    while (m_pos < m_source.size() && detail::isLetter(at(m_pos)))
        ++m_pos; // letters are never line ends
    token.text = m_source.sliced(letters, m_pos - letters);
    bool negative = false;
    if (m_pos + 1 < m_source.size() && at(m_pos) == u'-' && detail::isDigit(at(m_pos + 1))) {
        negative = true;
        ++m_pos;
    }
    long long value = 0;
    int digits = 0;
    while (m_pos < m_source.size() && detail::isDigit(at(m_pos))) {
        if (digits < detail::kMaxParameterDigits)
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

template <typename View> inline void BasicTokenizer<View>::skipBinary(qsizetype count) {
    while (count-- > 0) {
        if (short_(2)) // a line end's second byte is looked at as well
            refill();
        if (m_pos >= m_source.size())
            break;
        advance();
    }
}

// Control words that open a destination whose text is not part of the
// document's visible text (font table, style sheet, pictures, footnotes ...).
bool IsSkippedDestination(QStringView word);
bool IsSkippedDestination(QByteArrayView word);

// Whether `word` is a control word that RTF readers (and help compilers)
// know; unknown words are dropped by readers, together with their parameter.
bool IsKnownControlWord(QStringView word);

// Whether `symbol` (the character after the backslash) is a control symbol
// that readers know: \\ \{ \} \~ \- \_ \* \' \| \:
bool IsKnownControlSymbol(QChar symbol);

} // namespace rtf
