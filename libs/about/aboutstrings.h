// The About library's own string table.
#pragma once

#include <QString>

namespace qmtabout {

// The text with the given number; an empty text for a number not in the table.
QString LoadResString(int id);

} // namespace qmtabout
