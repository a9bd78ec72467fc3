// The setup library's own string table.
#pragma once

#include <QString>

namespace setupstrings {

// The control types that may carry tool tips: strings 100 to 138.
inline constexpr int kFirstControlType = 100;
inline constexpr int kLastControlType = 138;

// The text of a string number, or an empty text for a number the table lacks.
QString LoadResString(int id);

} // namespace setupstrings
