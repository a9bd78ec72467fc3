// Project files for the tests: made the way New makes them, and rows added
// the way OK adds them.
#pragma once

#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <initializer_list>
#include <memory>
#include <utility>

namespace testenv {

// A new, empty project file at `path`, made by the project-builder component.
inline void createProjectFile(const QString& path) {
    components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
    creator->setDataBaseName(path);
    creator->create_database();
}

// A new, empty project file at `path`: a copy of one made once per test
// program, since making one is slow. Returns `path`.
inline QString freshProjectFile(const QString& path) {
    static QTemporaryDir templateDir;
    const QString made = templateDir.filePath(QStringLiteral("empty.QMT"));
    if (!QFile::exists(made))
        createProjectFile(made);
    if (!QFile::copy(made, path))
        qFatal("cannot copy the empty project file to %s", qPrintable(path));
    return path;
}

// freshProjectFile, opened.
inline std::unique_ptr<dao::Database> freshProject(const QString& path) {
    return dao::Database::OpenDatabase(freshProjectFile(path));
}

// Adds one row to `table` through a dynaset; a null QVariant leaves a field null.
inline void addRow(dao::Database& db, const QString& table,
                   std::initializer_list<std::pair<const char*, QVariant>> fields) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenDynaset);
    rs->AddNew();
    for (const auto& [name, value] : fields)
        rs->SetField(QString::fromLatin1(name), value);
    rs->Update();
}

// The rows a statement returns.
inline int countRows(dao::Database& db, const QString& sql) {
    return db.OpenRecordset(sql, dao::dbOpenSnapshot)->RecordCount();
}

} // namespace testenv
