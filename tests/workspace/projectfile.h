// A fresh, empty project file made the way New makes it.
#pragma once

#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QString>
#include <memory>

namespace testproject {

inline void createProjectFile(const QString& path) {
    components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
    creator->setDataBaseName(path);
    creator->create_database();
}

inline std::unique_ptr<dao::Database> createAndOpen(const QString& path) {
    createProjectFile(path);
    return dao::Database::OpenDatabase(path);
}

// Rows a statement returns.
inline int countRows(dao::Database& db, const QString& sql) {
    auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    int n = 0;
    for (; !rs->EOF_(); rs->MoveNext())
        ++n;
    return n;
}

} // namespace testproject
