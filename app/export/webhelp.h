// Web help: the project as a folder of plain HTML5 pages that works opened
// from disk and from any web server. index.html holds the contents tree and
// the search, keywords.html the keyword index, one page per topic and per
// What's This topic (named as in HTML Help) with the project's title,
// previous/next links of its browse sequence, pictures, jumps and pop-ups.
// The search runs in the browser on an index written with the pages
// (search.js); data.js maps map numbers and topic IDs to pages, so that
// index.html?id=1001, index.html#IDH_SETUP and index.html?q=word work. The
// contents and the index are links: nothing needs JavaScript but the search.
#pragma once

#include "export/helpbook.h"
#include "rtf/document.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace dao {
class Database;
}

namespace webhelp {

struct Site {
    std::vector<std::pair<QString, QByteArray>> files; // name in the folder, bytes
    QStringList warnings;                              // what the pages could not carry, per topic
};

// The site's files. `picture` copies a picture file named in a text into the
// site and answers its address there, or nothing when there is no such file;
// `embedded` does the same for a picture stored in a text.
Site BuildSite(const helpbook::Book& book,
               const std::function<QString(const QString& name)>& picture,
               const std::function<QString(const rtf::EmbeddedPicture& picture)>& embedded = {});

// The words the search finds a text by: letters and digits, in lower case,
// two characters or more.
QStringList SearchWords(const QString& text);

struct Result {
    QString folder;
    int files = 0;   // files written or rewritten (unchanged ones are left alone)
    int removed = 0; // pages of an earlier export that this one no longer has
    QStringList warnings;
};

// Removes the files an earlier export listed in the folder's
// ".quillmate-web" that are not among `names`, then lists `names` there.
// Files the export never wrote are never touched. Answers how many went.
int RemoveStalePages(const QString& folder, QStringList names);

// Reads the project and writes its web help into `folder` (made when
// missing): every changed file through a work file, pictures found beside
// the help project file; the pages of topics deleted since the last export
// into the folder are removed. Throws dao::EngineError and fileio::FileWriteError.
Result ExportWebHelp(dao::Database& db, const QString& projectPath, const QString& folder);

} // namespace webhelp
