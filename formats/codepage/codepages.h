// The Windows code pages of one byte a character that help sources from
// other countries are written in (874, 1250 to 1258), for reading them:
// RTF's \ansicpg, a help file's language, a page's declared charset.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace codepage {

// Whether `codePage` can be read here (1252 included).
bool Known(int codePage);
// The bytes as text in the code page; Windows-1252 for one not Known. A
// byte the code page leaves unassigned stays as the control character of
// the same value, so that no byte is lost.
QString ToUnicode(int codePage, QByteArrayView bytes);
// The character of one byte.
QChar CharOf(int codePage, unsigned char byte);
// The ANSI code page of a Windows language (LCID): 1251 for Russian, 1250
// for Czech ...; 1252 for the languages of Western Europe and any not known.
int ForLanguage(std::uint16_t lcid);
// The code page of a charset name as pages declare it ("windows-1251",
// "cp1250", "iso-8859-1" ...); 0 when the name is none of those read here.
int ForCharsetName(QByteArrayView name);

} // namespace codepage
