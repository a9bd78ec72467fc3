// The general help sources: the RTF topic file, the help project file and the
// HelpFile line of the application project file.
#pragma once

#include "generation/createreport.h"
#include "workspace/createsettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace dao {
class Database;
}

// RTF file, help project file and, when asked, the application project's
// HelpFile line, in this order. When the RTF or the help project file name is
// empty, or the application project file is missing, that output is not
// written and `report` says so. Throws fileio::FileWriteError naming the file
// and what failed.
void CreateGeneralHelp(const CreateSettings& settings, dao::Database& db, CreateReport& report);

// The single steps of CreateGeneralHelp. The topic file carries characters
// beyond Windows-1252 as \uN; map numbers that are not whole numbers from 0
// to 32767 are left out of the help project file and reported.
void WriteRtfTopicFile(const QString& rtfFileName, dao::Database& db);
void WriteHelpProjectFile(const CreateSettings& settings, dao::Database& db, CreateReport& report);
// The application project file `vbp` with every line that begins exactly with
// "HelpFile=" replaced by HelpFile="<help file>"; other lines keep their
// bytes, the file keeps its line ends (LF when every line ends in LF, else
// CR LF) and a byte-order mark.
QByteArray WithHelpFileLine(QByteArrayView vbp, const QString& helpFileName);

// Whether the application project file has a line beginning "HelpFile=".
bool HasHelpFileLine(QByteArrayView vbp);

// Replaces every line beginning exactly with "HelpFile=" by
// HelpFile="<help file>"; other lines are copied byte for byte. Returns false
// (and touches nothing) when the project file does not exist.
bool UpdateVBProjectHelpFile(const QString& vbProjectFileName, const QString& helpFileName);
