// `qmt --create PROJECT.QMT`: the Create command without a window.
#pragma once

#include "workspace/createsettings.h"

#include <QString>

namespace dao {
class Database;
}

// Opens the project, runs the Create command as the window's Create button
// does and returns the exit status: 0 when every selected output was written,
// 1 on any failure, 2 when the Create tab's settings leave Create disabled.
// Messages go to standard error. Needs (and makes, if missing) a
// QCoreApplication.
int runCreateBatch(const QString& projectPath);
