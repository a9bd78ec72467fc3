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

// The [MAP] entries, kept compact (a large project has tens of thousands):
// the context strings in one buffer, the files they were written in once each.
class MapEntries {
public:
    void add(QByteArrayView contextString, std::int32_t number, const QString& file, int line);
    void push_back(const MapEntry& e) { add(e.contextString, e.number, e.file, e.line); }

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    QByteArrayView contextString(std::size_t i) const {
        const std::uint32_t end =
            i + 1 < m_rows.size() ? m_rows[i + 1].nameAt : std::uint32_t(m_names.size());
        return QByteArrayView(m_names).sliced(m_rows[i].nameAt, end - m_rows[i].nameAt);
    }
    std::int32_t number(std::size_t i) const { return m_rows[i].number; }
    const QString& file(std::size_t i) const { return m_files[m_rows[i].file]; }
    int line(std::size_t i) const { return m_rows[i].line; }
    MapEntry operator[](std::size_t i) const {
        return {contextString(i).toByteArray(), number(i), file(i), line(i)};
    }

    // Walks the entries as MapEntry values.
    class const_iterator {
    public:
        const_iterator(const MapEntries* m, std::size_t i) : m_m(m), m_i(i) {}
        MapEntry operator*() const { return (*m_m)[m_i]; }
        const_iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return m_i != o.m_i; }

    private:
        const MapEntries* m_m;
        std::size_t m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Row {
        std::uint32_t nameAt; // where the context string starts in m_names
        std::int32_t number;
        std::int32_t line;
        std::uint32_t file; // in m_files
    };
    QByteArray m_names;
    std::vector<Row> m_rows;
    std::vector<QString> m_files;
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
    MapEntries map;
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
