#include "cntfile.h"

namespace import {

CntRead ReadContentsText(const QString& text, const QString& file) {
    CntRead read;
    int lineNumber = 0;
    int previousLevel = 0;
    const auto notTaken = [&](const QString& why) {
        read.notTaken << QStringLiteral("%1, line %2: %3").arg(file).arg(lineNumber).arg(why);
    };
    for (QStringView raw : QStringView(text).split(u'\n')) {
        ++lineNumber;
        const QString line = raw.toString().remove(u'\r').trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u':')) {
            const qsizetype blank = line.indexOf(u' ');
            const QString command = line.left(blank < 0 ? line.size() : blank).toLower();
            const QString value = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
            if (command == u":base")
                read.base = value.section(u'>', 0, 0).trimmed();
            else if (command == u":title")
                read.title = value;
            else
                notTaken(QStringLiteral("\"%1\" is not kept in a project.").arg(line));
            continue;
        }
        qsizetype digits = 0;
        while (digits < line.size() && line.at(digits).isDigit())
            ++digits;
        if (digits == 0) {
            notTaken(QStringLiteral("\"%1\" is no contents line.").arg(line));
            continue;
        }
        CntEntry entry;
        entry.line = lineNumber;
        entry.level = line.left(digits).toInt();
        const QString rest = line.mid(digits).trimmed();
        const qsizetype eq = rest.lastIndexOf(u'=');
        entry.heading = eq < 0;
        entry.title = entry.heading ? rest : rest.left(eq).trimmed();
        if (entry.level < 1 || entry.level > previousLevel + 1) {
            notTaken(QStringLiteral("\"%1\" is at level %2 below level %3; it was placed at "
                                    "level %4.")
                         .arg(entry.title)
                         .arg(entry.level)
                         .arg(previousLevel)
                         .arg(previousLevel + 1));
            entry.level = std::max(1, previousLevel + 1);
        }
        if (!entry.heading) {
            const QString target = rest.mid(eq + 1).trimmed();
            if (target.startsWith(u'!')) {
                notTaken(QStringLiteral("\"%1\" runs a macro (%2), which a project does not "
                                        "keep.")
                             .arg(entry.title, target));
                continue;
            }
            const QString topic = target.section(u'>', 0, 0);
            if (topic.contains(u'@')) {
                notTaken(QStringLiteral("\"%1\" opens a topic in another help file (%2).")
                             .arg(entry.title, target));
                continue;
            }
            entry.topicId = topic.trimmed();
        }
        // A topic's level does not open a new level below it.
        previousLevel = entry.heading ? entry.level : entry.level - 1;
        read.entries.push_back(entry);
    }
    return read;
}

} // namespace import
