// Compiling an HTML Help project into a compiled help file (.chm): the pages,
// the contents and index files, the text pop-up files, the context numbers
// with their pages, and the system files viewers read (#SYSTEM, #WINDOWS,
// #TOPICS, #URLTBL, #URLSTR, #STRINGS, #IVB, #IDXHDR).
#pragma once

#include "diagnostics.h"
#include "hhproject.h"

#include <QByteArray>
#include <QString>

namespace chm {

struct HhcStats {
    int files = 0;      // internal files from the project
    int topics = 0;     // HTML pages listed in #TOPICS
    int contextIds = 0; // entries of #IVB
    int textPopups = 0; // text pop-up files stored
    qint64 uncompressed = 0;
    qint64 compressed = 0;
};

struct HhcOutput {
    bool ok = false;
    QString compiledFile; // where the project wants the file, absolute
    QByteArray bytes;     // the whole .chm when ok
    HhcStats stats;
};

struct HhcOptions {
    int lzxEffort = 24; // places the match finder tries at each position
};

// Compiles `project`. Problems go to `diagnostics` with their file and line;
// nothing is written to disk.
HhcOutput CompileHhp(const HhpProject& project, Diagnostics& diagnostics,
                     const HhcOptions& options = {});

// The text of <title> in an HTML page, as its bytes, with the common
// character entities decoded; empty when there is none.
QByteArray PageTitle(const QByteArray& page);

} // namespace chm
