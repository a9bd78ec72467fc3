// A fresh project file for the contents tests, made by the database builder.
#pragma once

#include "common/project.h"
#include "contents/contentstable.h"
#include "dao.h"

#include <QFile>
#include <QString>
#include <memory>
#include <vector>

namespace contentstest {

// A copy of an empty project in `folder`.
inline QString freshProject(const QString& folder) {
    static int made = 0;
    return testenv::freshProjectFile(folder + QStringLiteral("/p%1.QMT").arg(++made));
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
