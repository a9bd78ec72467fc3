// Application projects for the tests: form and project files in a temporary
// folder, and project databases made by the project-builder component.
#pragma once

#include "common/project.h"
#include "common/testenv.h"
#include "dao.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <memory>

namespace appfixture {

// Lines joined with CR LF, each line ended.
inline QByteArray crlf(const QByteArrayList& lines) {
    QByteArray out;
    for (const QByteArray& line : lines)
        out += line + "\r\n";
    return out;
}

inline void addToolTip(dao::Database& db, const QString& object, const QString& text,
                       const QString& status = QStringLiteral("A")) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from ToolTips"), dao::dbOpenDynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("Object"), object);
    rs->SetField(QStringLiteral("HelpText"), text);
    rs->SetField(QStringLiteral("Status"), status);
    rs->Update();
}

inline void addWhatsThis(dao::Database& db, const QString& object, const QString& type,
                         const QVariant& mapNumber, const QString& topic = QStringLiteral("T1"),
                         const QVariant& helpText = QStringLiteral("help")) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from WhatsThis"), dao::dbOpenDynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("Object"), object);
    rs->SetField(QStringLiteral("TopicID"), topic);
    rs->SetField(QStringLiteral("MapNumber"), mapNumber);
    rs->SetField(QStringLiteral("HelpText"), helpText);
    rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
    rs->SetField(QStringLiteral("Type"), type);
    rs->Update();
}

inline void addTopic(dao::Database& db, const QString& topic, const QVariant& mapNumber,
                     const QVariant& helpText) {
    auto rs = db.OpenRecordset(QStringLiteral("select * from GeneralHelp"), dao::dbOpenDynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("TopicID"), topic);
    rs->SetField(QStringLiteral("MapNumber"), mapNumber);
    rs->SetField(QStringLiteral("HelpText"), helpText);
    rs->Update();
}

// Runs `sql` on the project file at `path` with the sqlcipher shell, checks
// off: rows as another tool may have stored them. The file must be closed.
inline bool foreignRows(const QString& path, const QString& sql) {
    QProcess shell;
    shell.start(
        QStringLiteral("sqlcipher"),
        {path,
         QStringLiteral("PRAGMA key = 'quetzal'; PRAGMA ignore_check_constraints = 1; ") + sql});
    return shell.waitForFinished(20000) && shell.exitStatus() == QProcess::NormalExit &&
           shell.exitCode() == 0 && shell.readAllStandardError().isEmpty();
}

// A form file: the form, its controls (given as whole definitions), the
// name line and a little code.
inline QByteArray formFile(const QByteArray& name, const QByteArrayList& controls = {}) {
    QByteArrayList lines{"VERSION 5.00",
                         "Begin VB.Form " + name + " ",
                         "   Caption         =   \"" + name + "\"",
                         "   ClientHeight    =   3195",
                         "   ClientLeft      =   60",
                         "   ClientTop       =   345",
                         "   ClientWidth     =   4680",
                         "   LinkTopic       =   \"Form1\"",
                         "   ScaleHeight     =   3195",
                         "   ScaleWidth      =   4680",
                         "   StartUpPosition =   3  'Windows Default"};
    for (const QByteArray& control : controls)
        lines += control.split('\n');
    lines += QByteArrayList{"End",
                            "Attribute VB_Name = \"" + name + "\"",
                            "Attribute VB_GlobalNameSpace = False",
                            "Option Explicit",
                            "",
                            "Private Sub Form_Load()",
                            "    ' Begin VB.CommandButton cmdGhost ",
                            "    Caption = \"Begin the upload\"",
                            "End Sub"};
    return crlf(lines);
}

} // namespace appfixture
