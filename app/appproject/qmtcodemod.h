// The line procedures shared by the application-project reader and the
// form-file writers.
//
// Project and form files are Windows-1252 text. The writers work on the bytes
// of a line (one byte is one character), so that every line they do not
// change is copied exactly; the named procedures below take and give texts.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace QMTCOdeMod {

// Only this many characters of a project-file or form-file line are examined.
inline constexpr std::size_t kExaminedChars = 254;

// A project or form file that cannot be read (or written).
class FileError : public std::runtime_error {
public:
    FileError(const QString& path, const QString& text)
        : std::runtime_error(text.toStdString()), m_path(path), m_text(text) {}
    QString path() const { return m_path; }
    QString text() const { return m_text; }

private:
    QString m_path;
    QString m_text;
};

// ---- Named procedures, on texts

// The text before the first "=" among the examined characters; the whole
// examined text when there is no "=".
QString GetLineKey(const QString& strline);
// The path up to and including its last folder separator ("\" or "/"); an
// empty text when it has none.
QString GetFolder(const QString& strpath);
// The text between the first two double quotes, blanks trimmed. Adjacent
// quotes, or no quote at all, give the line unchanged; a missing closing
// quote gives the rest of the line after the opening one, trimmed.
QString ExtractQuotedText(const QString& strline);
// The control name of a control line, "BeginningOfCode" for the name line,
// an empty text for any other line.
QString GetObjectName(const QString& strline);
// The text before its first blank.
QString GetFirstWord(const QString& strtext);
// The property name of a property line: the examined text before the first
// "=", blanks trimmed.
QString GetPropertyName(const QString& strline);
// Splits "form.object" at the first point; a text without a point is all form name.
void SeparateFormAndObject(const QString& strtextline, QString& strformname,
                           QString& strobjectname);

// ---- The same rules on the bytes of a line (without its line end)

enum class LineKind {
    Other,         // a property line or any other line
    Control,       // "Begin library.type name"
    Name,          // "Attribute VB_Name = ...": the start of the form's code
    BeginProperty, // opens a nested property block (a control's font)
    EndProperty,   // closes it
    End,           // "End": closes the definition of a control
};

struct FormLine {
    LineKind kind = LineKind::Other;
    std::string_view controlName; // for Control: a view into the line
    std::string_view controlType; // for Control: "library.type", e.g. "VB.CommandButton"
};

FormLine ClassifyFormLine(std::string_view line);
std::string_view PropertyName(std::string_view line);
std::string_view LineKey(std::string_view line);
std::string_view TrimBlanks(std::string_view text);

inline std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Calls f(line, end) for each line of `bytes`: `line` without its line end,
// `end` the offset just past the line end. CR LF, LF and a lone CR end a
// line; a last line without a line end is still a line.
template <class F> void ForEachLine(std::string_view bytes, F&& f) {
    const char* const data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t rest = size - pos;
        const auto* lf = static_cast<const char*>(std::memchr(data + pos, '\n', rest));
        const std::size_t lfAt = lf ? static_cast<std::size_t>(lf - data) : size;
        const auto* cr = static_cast<const char*>(std::memchr(data + pos, '\r', lfAt - pos));
        std::size_t stop = lfAt;
        std::size_t next = lf ? lfAt + 1 : size;
        if (cr) {
            stop = static_cast<std::size_t>(cr - data);
            next = (lf && stop + 1 == lfAt) ? lfAt + 1 : stop + 1; // CR LF, or a lone CR
        }
        f(bytes.substr(pos, stop - pos), next);
        pos = next;
    }
}

// The UTF-8 byte-order mark at the start of `line`, or an empty view.
inline std::string_view ByteOrderMark(std::string_view line) {
    return line.substr(0, 3) == "\xEF\xBB\xBF" ? line.substr(0, 3) : std::string_view();
}

// The line end a rewritten file keeps: LF when every line of `bytes` ends in
// LF alone, else CR LF (also for mixed line ends and a file of one line).
QByteArray LineEndOf(std::string_view bytes);

// Reads a whole file; throws FileError when it cannot.
QByteArray ReadFileBytes(const QString& strpath);

} // namespace QMTCOdeMod
