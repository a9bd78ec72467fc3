// The system's ANSI code page: Windows-1252, for every file read or written
// and every registry text.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace ansi {

// Characters that Windows-1252 cannot hold become '?'.
QByteArray fromUnicode(const QString& text);
// The byte of `u` in Windows-1252; false when the code page cannot hold it.
bool encode(char16_t u, char& byte);
// Appends `text` to `out` in Windows-1252, up to the first character the code
// page cannot hold. Returns how many characters were appended: text.size()
// when all. Runs of ASCII are converted in bulk.
qsizetype appendEncoded(QByteArray& out, QStringView text);
// The position of the first character Windows-1252 cannot hold; -1 when none.
qsizetype firstUnencodable(QStringView text);
// The character at `at` for a message, e.g. "😀" (U+1F600); a control
// character by its code point alone (U+0007). A surrogate pair is one character.
QString describeCharacter(QStringView text, qsizetype at);
QString toUnicode(const QByteArray& bytes);
QString toUnicode(const char* bytes, qsizetype length);

} // namespace ansi
