// Fresh, empty project files made the way New makes them: the component
// creates one, and each further one is a copy of it (creation is slow).
#pragma once

#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace testproject {

inline void createProjectFile(const QString& path) {
    components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
    creator->setDataBaseName(path);
    creator->create_database();
}

// Hands out new empty project files in one folder.
class ProjectFiles {
public:
    explicit ProjectFiles(const QString& folder) : m_folder(folder) {}

    QString next() {
        if (m_empty.isEmpty()) {
            m_empty = QDir(m_folder).filePath(QStringLiteral("empty.QMT"));
            createProjectFile(m_empty);
        }
        const QString path = QDir(m_folder).filePath(QStringLiteral("p%1.QMT").arg(++m_count));
        if (!QFile::copy(m_empty, path))
            qFatal("cannot copy the empty project file");
        return path;
    }

private:
    QString m_folder;
    QString m_empty;
    int m_count = 0;
};

// Rows a statement returns.
inline int countRows(dao::Database& db, const QString& sql) {
    auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    int n = 0;
    for (; !rs->EOF_(); rs->MoveNext())
        ++n;
    return n;
}

} // namespace testproject
