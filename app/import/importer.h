// Bringing what an author already has into a project: map headers and VB
// modules, a Visual Basic project's tool tips and help IDs, and a Help
// Workshop project's options, map numbers and contents file. An import only
// adds: what the project holds stays as it is, and every entry left out is
// reported with the reason. All of one import is stored, or none of it.
#pragma once

#include <QString>
#include <QStringList>

namespace dao {
class Database;
}

namespace import {

struct ImportReport {
    QStringList read;     // the sources read, with what they held
    QStringList added;    // one line per kind of thing added, with counts
    QStringList skipped;  // entries left out, each with its reason
    QStringList problems; // what could not be read: the import failed, nothing was stored
    bool ok() const { return problems.isEmpty(); }
};

// The kinds of source an import takes, by extension: .vbp; .h .hh .hm .bas
// (map headers and VB modules); .hpj; .cnt; .rtf (a topic file). Empty for any other name.
QString ImportKind(const QString& sourcePath);

// Imports every source into the project, in the order given, as one
// transaction. A source that cannot be read fails the whole import.
ImportReport ImportSources(dao::Database& db, const QStringList& sources);

// The report in words, for standard output or a message box.
QString DescribeImport(const ImportReport& report);

} // namespace import
