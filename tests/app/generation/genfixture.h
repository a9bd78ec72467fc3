// Projects for the generation tests: made by the project-builder component and
// filled with the engine.
#pragma once

#include "common/project.h"
#include "dao.h"
#include "winreg/winreg.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>
#include <QtTest>
#include <memory>

namespace genfixture {

using testenv::addRow;

// A general help topic; a null QVariant leaves a field null.
inline void addTopic(dao::Database& db, const QString& id, const QVariant& title,
                     const QVariant& browse, const QVariant& keywords, const QVariant& text,
                     int map = 0, const QString& status = QStringLiteral("A")) {
    addRow(db, QStringLiteral("GeneralHelp"),
           {{"TopicID", id},
            {"TopicTitle", title},
            {"BrowseSeq", browse},
            {"Keywords", keywords},
            {"HelpText", text},
            {"MapNumber", map},
            {"Status", status}});
}

inline void addWhatsThis(dao::Database& db, const QString& object, const QString& topic,
                         const QVariant& text, int map = 0,
                         const QString& status = QStringLiteral("A")) {
    addRow(db, QStringLiteral("WhatsThis"),
           {{"Object", object},
            {"TopicID", topic},
            {"MapNumber", map},
            {"HelpText", text},
            {"Status", status},
            {"Type", QStringLiteral("Both")}});
}

inline void setOption(dao::Database& db, const QString& key, const QString& value) {
    addRow(db, QStringLiteral("Options"),
           {{"Option", key}, {"Descr", value}, {"Status", QStringLiteral("A")}});
}

// Registers `program` as the help compiler (App Paths\hcw.exe default value).
inline void registerCompiler(const QByteArray& program) {
    winreg::HKEY key = 0;
    winreg::DWORD disposition = 0;
    QVERIFY(winreg::RegCreateKeyExA(winreg::HKEY_LOCAL_MACHINE,
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0,
                                    "App Paths", 0, 0x2003F, nullptr, &key,
                                    &disposition) == winreg::ERROR_SUCCESS);
    if (!program.isNull())
        QCOMPARE(winreg::RegSetValueA(key, "hcw.exe", winreg::REG_SZ, program.constData(),
                                      winreg::DWORD(program.size())),
                 winreg::ERROR_SUCCESS);
    winreg::RegCloseKey(key);
}

// A shell script that writes each of its arguments on a line of `logPath`
// and ends with `status`.
inline QString writeRecordingCompiler(const QString& scriptPath, const QString& logPath,
                                      int status = 0) {
    QFile f(scriptPath);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
            QFile::encodeName(logPath) + ".part\"\nmv \"" + QFile::encodeName(logPath) +
            ".part\" \"" + QFile::encodeName(logPath) + "\"\nexit " + QByteArray::number(status) +
            "\n");
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return scriptPath;
}

} // namespace genfixture
