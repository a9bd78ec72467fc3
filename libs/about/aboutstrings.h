// The About library's own string table.
#pragma once

#include <QString>

namespace qmtabout {

// Names for the numbers of the table; apart from the table itself, the
// numbers appear nowhere else.
namespace str {
constexpr int WindowTitle = 100;
constexpr int Ok = 101;
constexpr int SystemInfo = 102;
constexpr int Version = 103; // ends in a blank
constexpr int Edition = 104;
constexpr int Title = 105;
// The legal notices: CopyrightStart and CopyrightEnd are joined by the
// copyright sign, and so are NoticeStart and NoticeEnd; Licence follows the
// notice after an empty line.
constexpr int CopyrightStart = 106;
constexpr int CopyrightEnd = 107;
constexpr int Names = 108;
constexpr int NoticeStart = 109;
constexpr int NoticeEnd = 110;
constexpr int Licence = 111;
constexpr int SystemInfoUnavailable = 112;
// Where the System Information program is found.
constexpr int SystemInfoProgram = 113;
constexpr int SharedToolsLocationKey = 114;
constexpr int SharedToolsLocationValue = 115;
constexpr int SystemInfoKey = 116;
constexpr int SystemInfoPathValue = 117;
} // namespace str

// The text with the given number; an empty text for a number not in the table.
QString LoadResString(int id);

} // namespace qmtabout
