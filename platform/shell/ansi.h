// The system's ANSI code page: Windows-1252, for every file read or written
// and every registry text.
#pragma once

#include <QByteArray>
#include <QString>

namespace ansi {

// Characters that Windows-1252 cannot hold become '?'.
QByteArray fromUnicode(const QString& text);
QString toUnicode(const QByteArray& bytes);
QString toUnicode(const char* bytes, qsizetype length);

} // namespace ansi
