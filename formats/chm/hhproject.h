// The HTML Help project file (.hhp): options, the pages, context numbers and
// their pages, windows and text pop-up files.
#pragma once

#include "diagnostics.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace chm {

// Where a line of the project (or of a file it includes) was written.
struct SourceLine {
    QString file;
    int line = 0;
};

struct HhpName {
    QString path; // as written, with "/" separators
    SourceLine at;
};

struct HhpAlias {
    QString name;
    QString page; // as written, with "/" separators
    SourceLine at;
};

struct HhpDefine {
    QString name;
    std::uint32_t number = 0;
    SourceLine at;
};

// A [WINDOWS] line: name="title","contents","index","default","home",...
struct HhpWindow {
    QString name;
    QStringList fields; // the values after the "=", quotes removed; "[l,t,r,b]" kept whole
    SourceLine at;
};

struct HhpProject {
    QString path;
    QString folder; // the project file's folder: names are relative to it
    QString compiledFile, contentsFile, indexFile, defaultTopic, defaultWindow, title, defaultFont;
    std::uint32_t lcid = 0x409;
    bool fullTextSearch = false;
    std::vector<HhpName> files;
    std::vector<HhpName> textPopups;
    std::vector<HhpAlias> aliases;
    std::vector<HhpDefine> defines;
    std::vector<HhpWindow> windows;
};

// Reads the project file `path` (Windows-1252). Problems go to `diagnostics`,
// each with its file and line; the result is usable when no error was added.
HhpProject ReadHhpProject(const QString& path, Diagnostics& diagnostics);

// The same from bytes already read; `path` names them in messages and gives
// the folder that included files are looked up in.
HhpProject ParseHhpProject(const QByteArray& bytes, const QString& path, Diagnostics& diagnostics);

} // namespace chm
