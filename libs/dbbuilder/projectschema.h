// The tables of a project file, in the order in which they are created.
#pragma once

#include "dao.h"

#include <vector>

namespace qmtcrdb {

// The locale text of a new project file, with its password clause.
QString projectLocale();

std::vector<dao::TableDef> projectTables();

} // namespace qmtcrdb
