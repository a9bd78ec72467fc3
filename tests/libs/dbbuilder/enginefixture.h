// Helpers of the engine tests: a new project made through QMTCRDB, rows added
// through a dynaset, refusals caught with their number.
#pragma once

#include "common/project.h"
#include "common/testenv.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QCryptographicHash>
#include <QDir>
#include <QtTest>
#include <functional>
#include <map>

namespace enginetest {

inline const QString kConnect = QStringLiteral(";pwd=quetzal");

using testenv::countRows;
using testenv::createProjectFile;

// The engine's number of the refusal `f` throws, or 0 when it throws none.
inline int refusal(const std::function<void()>& f, QString* text = nullptr) {
    try {
        f();
    } catch (const dao::EngineError& e) {
        if (text)
            *text = e.text();
        return e.number();
    }
    return 0;
}

using Values = std::map<QString, QVariant>;

// Adds one row through a dynaset of `table`, as the OK command does.
inline void addRow(dao::Database& db, const QString& table, const Values& values) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from %1").arg(table), dao::dbOpenDynaset);
    rs->AddNew();
    for (const auto& [field, value] : values)
        rs->SetField(field, value);
    rs->Update();
}

inline QByteArray fileHash(const QString& path) {
    return QCryptographicHash::hash(testenv::readAll(path), QCryptographicHash::Sha256);
}

inline QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A valid row of each table, so that a test can change one field at a time.
inline Values validRow(const QString& table) {
    const auto s = [](const char* t) { return QVariant(QString::fromUtf8(t)); };
    if (table == QLatin1StringView("GeneralHelp"))
        return {{QStringLiteral("TopicID"), s("IDH_MAIN")}};
    if (table == QLatin1StringView("ToolTips"))
        return {{QStringLiteral("Object"), s("frmMain.cmdOK")},
                {QStringLiteral("HelpText"), s("Saves")}};
    if (table == QLatin1StringView("WhatsThis"))
        return {{QStringLiteral("Object"), s("frmMain.cmdOK")},
                {QStringLiteral("TopicID"), s("IDH_OK")},
                {QStringLiteral("Status"), s("A")},
                {QStringLiteral("Type"), s("Both")}};
    if (table == QLatin1StringView("Options"))
        return {{QStringLiteral("Option"), s("HPFN")},
                {QStringLiteral("Descr"), s("help.hpj")},
                {QStringLiteral("Status"), s("A")}};
    return {{QStringLiteral("TopicID"), s("IDH_MAIN")},
            {QStringLiteral("Title"), s("Main")},
            {QStringLiteral("Level"), s("1")},
            {QStringLiteral("Parent"), s("Main")},
            {QStringLiteral("Type"), s("H")}};
}

} // namespace enginetest
