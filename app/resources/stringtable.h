// The main program's string table: captions, messages, file-dialog filters,
// statements, registry paths and the fixed lines of the generated files,
// loaded by number. The numbers have names in stringids.h.
#pragma once

#include "stringids.h"

#include <QString>

// The text with the given number; an empty text for a number not in the table.
QString LoadResString(int id);
