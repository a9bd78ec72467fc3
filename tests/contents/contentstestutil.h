// A fresh project file for the contents tests, made by the database builder.
#pragma once

#include "components/components.h"
#include "components/interfaces.h"
#include "contents/contentstable.h"
#include "dao.h"

#include <QFile>
#include <QString>
#include <memory>
#include <vector>

namespace contentstest {

inline void createProject(const QString& path) {
    components::Component<ICreateDataBase> builder(QStringLiteral("QMTCRDB.CreateDataBase"));
    builder->setDataBaseName(path);
    builder->create_database();
}

// A copy of an empty project made once: opening is what costs time.
inline QString freshProject(const QString& folder) {
    static int made = 0;
    const QString empty = folder + QStringLiteral("/empty.QMT");
    if (!QFile::exists(empty))
        createProject(empty);
    const QString path = folder + QStringLiteral("/p%1.QMT").arg(++made);
    QFile::copy(empty, path);
    return path;
}

inline void addRow(dao::Database& db, const QString& key, const QString& title,
                   const QString& level, const QString& parent, const QString& type) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from contentsfile"), dao::dbOpenDynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("TopicID"), key);
    rs->SetField(QStringLiteral("Title"), title);
    rs->SetField(QStringLiteral("Level"), level);
    rs->SetField(QStringLiteral("Parent"), parent);
    rs->SetField(QStringLiteral("Type"), type);
    rs->Update();
}

// Each row as "key|title|level|parent|type", in Entry order.
inline QStringList rowTexts(dao::Database& db) {
    QStringList out;
    for (const contents::ContentsRow& r : contents::ReadContentsRows(db))
        out << QStringList{r.topicId, r.title, r.level, r.parent, r.type}.join(QLatin1Char('|'));
    return out;
}

} // namespace contentstest
