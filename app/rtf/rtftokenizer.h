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

// View: QStringView over Unicode text, or QByteArrayView over the bytes of a
// single-byte code page such as Windows-1252. Codes are ASCII, so both give
// the same tokens for the same text, their text in the source's own form.
template <typename View> class BasicTokenizer {
public:
    explicit BasicTokenizer(View source) : m_source(source) {}

    // The next token; End once the source is used up (and ever after).
    TokenView<View> nextView();

    // Skips `count` bytes of binary data (after "\binN"); line ends count too.
    void skipBinary(qsizetype count);

    qsizetype position() const { return m_pos; }
    int line() const { return m_line; }

protected:
    char16_t at(qsizetype i) const;
    void advance(); // one character, counting line ends

    View m_source;
    qsizetype m_pos = 0;
    int m_line = 1;

private:
    TokenView<View> controlToken();
};

class Tokenizer : public BasicTokenizer<QStringView> {
public:
    explicit Tokenizer(QStringView source) : BasicTokenizer(source) {}

    // The next token as a string of its own; End once the source is used up.
    Token next();
};

// Over the bytes of a topic file as they are read.
using ByteTokenizer = BasicTokenizer<QByteArrayView>;

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
