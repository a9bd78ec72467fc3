#include "pathnames.h"

#include <QDir>
#include <QFileInfo>

namespace chm {

QString ResolvePath(const QString& folder, const QString& relative) {
    if (relative.isEmpty())
        return QString();
    const QString exact = QDir(folder).absoluteFilePath(relative);
    if (QFileInfo::exists(exact))
        return QDir::cleanPath(exact);
    QDir dir(QDir::isAbsolutePath(relative) ? QStringLiteral("/") : folder);
    const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString found;
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            found = part;
        else if (QFileInfo::exists(dir.filePath(part)))
            found = part;
        else
            for (const QString& entry :
                 dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    found = entry;
                    break;
                }
        if (found.isEmpty())
            return QString();
        if (i + 1 == parts.size())
            return QDir::cleanPath(dir.filePath(found));
        if (!dir.cd(found))
            return QString();
    }
    return QString();
}

QString InternalPath(const QString& relative) {
    QString name = relative;
    name.replace(u'\\', u'/');
    if (name.isEmpty() || name.startsWith(u'/') || (name.size() > 1 && name[1] == u':'))
        return QString();
    name = QDir::cleanPath(name);
    if (name == QLatin1String("..") || name.startsWith(QLatin1String("../")) ||
        name == QLatin1String("."))
        return QString();
    return u'/' + name;
}

} // namespace chm
