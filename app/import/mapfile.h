// Map numbers as help projects and applications keep them: C headers
// (#define IDH_X 1001), help project [MAP] lines (IDH_X=1001, IDH_X 1001)
// and VB modules (Public Const IDH_X As Long = 1001).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace import {

struct MapEntry {
    QString name;
    int number = 0;
    QString file; // where it was read
    int line = 0;
};

// What one read of map lines found: the entries in their order, and one
// sentence per line that looked like a map line but could not be taken
// (a number that is no whole number from 0 to 32767), naming file and line.
struct MapRead {
    std::vector<MapEntry> entries;
    QStringList problems;
};

// Reads the map lines of `text` (the whole of a header or module, or the
// lines of a [MAP] section); `file` and `firstLine` place what it says.
// Comments (// /* */ ; ') and lines of no map form are passed over. Numbers
// may be decimal, 0x hexadecimal or &H hexadecimal.
void ReadMapLines(const QString& text, const QString& file, int firstLine, MapRead& into);

// One map line, or false for a line of no map form; `number` is -1 for a
// map line whose number cannot be taken.
bool ParseMapLine(QStringView line, QString& name, qint64& number);

} // namespace import
