#include "findpath.h"

#include <QDir>
#include <QFileInfo>

namespace fileio {

namespace {

// The entry of `dir` named `part` without regard to letter case (an exact
// match first); an empty text when there is none.
QString findEntry(const QDir& dir, const QString& part) {
    if (QFileInfo::exists(dir.filePath(part)))
        return part;
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.compare(part, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

} // namespace

QString FindPath(const QString& folder, const QString& relativePath) {
    // Only the name as the project file gives it uses "\" as a separator; the
    // folder is a real one and is taken as it is.
    QString relative = relativePath;
    relative.replace(u'\\', u'/');
    const QString exact = folder + relative;
    if (QFileInfo::exists(exact) || relative.startsWith(u'/'))
        return exact;

    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QString path = folder;
    const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        const QString name = (part == u"." || part == u"..") ? part : findEntry(dir, part);
        if (name.isEmpty())
            return exact;
        path += name;
        if (i + 1 < parts.size()) {
            if (!dir.cd(name))
                return exact;
            path += u'/';
        }
    }
    return path;
}

} // namespace fileio
