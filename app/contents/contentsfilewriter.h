// The contents file of a help file: ":Base", ":Title" and one line per entry
// of the contentsfile table, in its stored order.
#pragma once

#include "contents/contentstable.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace dao {
class Database;
}

// The topic ID of a node key: the key without the sequence number after its
// last full stop, and without surrounding blanks; a key that ends in no
// sequence number comes back unchanged.
QString ExtractTopicID(const QString& strtextline);

// The lines of the contents file for these rows (no line ends). ":Base"
// names the help file without its folder.
QStringList ContentsFileLines(const std::vector<contents::ContentsRow>& rows,
                              const QString& helpFileName, const QString& helpProjectTitle);

// Writes the contents file from the project's contentsfile table. With no rows
// nothing is written, an older file stays as it is and the result is false.
// The file is written beside the target and renamed over it; engine refusals
// throw dao::EngineError, file failures fileio::FileWriteError naming the file.
bool CreateContentsFile(dao::Database& db, const QString& contentsFileName,
                        const QString& helpFileName, const QString& helpProjectTitle);
