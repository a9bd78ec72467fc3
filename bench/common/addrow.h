// Filling a benchmark's project: one row through the engine, as OK adds it.
#pragma once

#include "dao.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace bench {

inline void addRow(dao::Database& db, const QString& table, const QStringList& names,
                   const QVariantList& values) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from ") + table +
                                   QStringLiteral(" where Status = 'none'"),
                               dao::dbOpenDynaset);
    rs->AddNew();
    for (qsizetype i = 0; i < names.size(); ++i)
        rs->SetField(names[i], values[i]);
    rs->Update();
}

} // namespace bench
