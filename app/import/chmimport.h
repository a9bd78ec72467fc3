// A compiled HTML Help file (.chm) read back through chmlib: its pages into
// topics (HTML into the help text's codes), its contents file (.hhc) into
// contents entries, its index (.hhk) into the topics' keywords and its
// context IDs (#IVB, #STRINGS) into map numbers.
#pragma once

#include "import/cntfile.h"
#include "import/mapfile.h"
#include "import/rtftopics.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace import {

struct ChmTopics {
    std::vector<RtfTopic> topics; // one per page, in the file's order; `line`: from 1
    std::vector<MapEntry> map;    // by the topics' IDs
    std::vector<CntEntry> contents;
    QString contentsFile, indexFile; // their names inside the file; empty when none
    int keywords = 0;                // index entries that led to a page
    int namedByMap = 0;              // pages named by a map number's name
    QStringList notKept;             // what a project does not keep, naming file and place
};

// The topic ID of a page: its file name without the extension, "~" and
// four hex digits read back as the character they stand for, any character
// a context string cannot hold as "_".
QString TopicIdOfPage(const QString& pagePath);

// Reads the file at `path`; `file` names it in what is said. A page that a
// map number of `namesByNumber` leads to takes that name as its topic ID,
// any other the name of its file. False, with `error` naming the file, when
// chmlib cannot read it.
bool ReadChmTopics(const QString& path, const QString& file,
                   const QHash<int, QString>& namesByNumber, ChmTopics& out, QString& error);

} // namespace import
