// The full-text search index of a compiled help file ($FIftiMain): every word
// of the pages with the pages it occurs in and where, in leaf nodes of 4 KB
// sorted by word, with index nodes above them when there are several.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace chm {

// `pages` in the order of #TOPICS (a page's number there is its index here),
// as their bytes (HTML in the file's code page). Words are runs of letters
// and digits, folded to lower case (ASCII and Windows-1252 letters); tags,
// scripts, styles and character references are no words.
QByteArray BuildFullTextIndex(const std::vector<QByteArray>& pages, std::uint32_t lcid);

// The words of one page in order, as the index sees them.
std::vector<QByteArray> PageWords(const QByteArray& page);

} // namespace chm
