#include "contentsfilewriter.h"

#include "fileio/textoutput.h"
#include "resources/stringtable.h"

#include <algorithm>

namespace {

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// The help file's name without its folder: the contents file is read on
// Windows beside its help file, where no folder of this machine exists.
QString baseName(const QString& helpFileName) {
    const qsizetype slash =
        std::max(helpFileName.lastIndexOf(u'/'), helpFileName.lastIndexOf(u'\\'));
    return helpFileName.mid(slash + 1);
}

} // namespace

QString ExtractTopicID(const QString& strtextline) {
    // Only the sequence number the tree adds is cut: a topic ID may hold
    // full stops of its own (IDH_FILE.OPEN.12 is the topic IDH_FILE.OPEN).
    const qsizetype stop = strtextline.lastIndexOf(QLatin1Char('.'));
    if (stop < 0)
        return strtextline;
    const QStringView number = QStringView(strtextline).mid(stop + 1).trimmed();
    const bool sequence =
        !number.isEmpty() &&
        std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!sequence)
        return strtextline;
    return TrimBlanks(strtextline.left(stop));
}

QStringList ContentsFileLines(const std::vector<contents::ContentsRow>& rows,
                              const QString& helpFileName, const QString& helpProjectTitle) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(rows.size()) + 2);
    lines << LoadResString(str::contentsfile::Base) + baseName(helpFileName)
          << LoadResString(str::contentsfile::Title) + helpProjectTitle;
    for (const contents::ContentsRow& row : rows) {
        QString line = row.level + QLatin1Char(' ') + row.title;
        if (row.type != QLatin1String("3"))
            line += QLatin1Char('=') + ExtractTopicID(row.topicId);
        lines << line;
    }
    return lines;
}

bool CreateContentsFile(dao::Database& db, const QString& contentsFileName,
                        const QString& helpFileName, const QString& helpProjectTitle) {
    // Stored order is the contents order the editor saved.
    const std::vector<contents::ContentsRow> rows =
        contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder);
    if (rows.empty())
        return false;
    fileio::AnsiLineFile file(contentsFileName);
    for (const QString& line : ContentsFileLines(rows, helpFileName, helpProjectTitle))
        file.writeLine(line);
    file.commit();
    return true;
}
