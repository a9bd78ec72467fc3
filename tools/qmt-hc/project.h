// The help project file (.HPJ): options, topic files, map numbers, windows
// and start-up macros.
#pragma once

#include "diagnostics.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace hc {

struct MapEntry {
    QByteArray contextString;
    std::int32_t number = 0;
    QString file; // where the entry was written
    int line = 0;
};

struct WindowDefinition {
    QByteArray name;
    QByteArray caption;    // empty: the help file's title
    bool hasPlace = false; // x, y, width, height in 1/1024 of the screen
    int x = 0, y = 0, width = 0, height = 0;
    bool maximize = false;
    bool hasColor = false, hasNonScrollColor = false;
    std::uint32_t color = 0, nonScrollColor = 0; // 0x00BBGGRR
};

// An [ALIAS] entry: one more context string for the topic of another.
struct Alias {
    QByteArray alias;
    QByteArray target;
    QString file;
    int line = 0;
};

// The field limits of the help file: a text of |SYSTEM (title, copyright,
// contents file, macro) is stored with a 16-bit size that holds its final NUL.
constexpr qsizetype kMaxSystemText = 0xFFFF - 1;
constexpr int kMaxWindows = 255;
// Map files are small; anything larger is not one.
constexpr qint64 kMaxIncludeSize = 32 << 20;

struct HelpProject {
    QString path;
    QString folder;
    QByteArray title;
    QByteArray copyright;
    QByteArray contentsTopic;   // context string of the contents topic; empty: the first topic
    QByteArray contentsFile;    // .CNT name as written
    QString helpFile;           // where the compiled file goes
    int helpFileLine = 0;       // the HLP= line; 0: named after the project
    QStringList includeFolders; // where #include looks besides the project's folder
    QStringList bitmapFolders;  // BMROOT=: where pictures are looked for first
    bool hasLcid = false;
    std::uint16_t lcid[3] = {0, 0, 0};
    bool compress = false;
    struct TopicFile {
        QString path;
        int line = 0;
    };
    std::vector<TopicFile> topicFiles;
    std::vector<MapEntry> map;
    std::vector<QString> includedFiles; // the map files read, for the output's checks
    std::vector<Alias> aliases;
    std::vector<WindowDefinition> windows;
    std::vector<QByteArray> macros;
};

// Reads the help project file `path`. `includeFolders` are searched for
// #include files after the project's folder and the including file's folder,
// before those the project names itself (INCLUDE=). Problems go to
// `diagnostics`; the result is usable when no error was added.
HelpProject ReadHelpProject(const QString& path, Diagnostics& diagnostics,
                            const QStringList& includeFolders = {});

// `name` as the project gives it ("\" or "/" separated, relative to the
// project's folder), matched without regard to letter case when the exact
// path does not exist.
QString ResolveProjectPath(const QString& folder, const QString& name);

} // namespace hc
