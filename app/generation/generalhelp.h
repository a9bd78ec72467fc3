// The general help sources: the RTF topic file, the help project file and the
// HelpFile line of the application project file.
#pragma once

#include "generation/createsettings.h"

#include <QString>

namespace dao {
class Database;
}

// RTF file, help project file and, when asked, the application project's
// HelpFile line, in this order. Does nothing at all when the RTF or the help
// project file name is empty; returns whether it wrote anything.
// Throws GenerationError naming the file and what failed.
bool CreateGeneralHelp(const CreateSettings& settings, dao::Database& db);

// The single steps of CreateGeneralHelp.
void WriteRtfTopicFile(const QString& rtfFileName, dao::Database& db);
void WriteHelpProjectFile(const CreateSettings& settings, dao::Database& db);
// Replaces every line beginning exactly with "HelpFile=" by
// HelpFile="<help file>"; other lines are copied byte for byte. Returns false
// (and touches nothing) when the project file does not exist.
bool UpdateVBProjectHelpFile(const QString& vbProjectFileName, const QString& helpFileName);
