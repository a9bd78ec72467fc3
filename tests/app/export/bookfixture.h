// A project for the export tests: topics with jumps, a pop-up, a picture, a
// table, keywords, map numbers and browse sequences; a contents tree that
// leaves one topic out; What's This entries.
#pragma once

#include "common/project.h"
#include "common/testenv.h"
#include "dao.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace bookfixture {

using testenv::addRow;

inline void addTopic(dao::Database& db, const QString& id, const QString& title,
                     const QString& text, const QString& browse = QString(),
                     const QString& keywords = QString(), int map = 0,
                     const QString& header = QString()) {
    addRow(db, QStringLiteral("GeneralHelp"),
           {{"TopicID", id},
            {"TopicTitle", title},
            {"TopicHeader", header.isEmpty() ? QVariant() : QVariant(header)},
            {"BrowseSeq", browse.isEmpty() ? QVariant() : QVariant(browse)},
            {"Keywords", keywords.isEmpty() ? QVariant() : QVariant(keywords)},
            {"HelpText", text},
            {"MapNumber", map},
            {"Status", QStringLiteral("A")}});
}

inline void addContents(dao::Database& db, const QString& key, const QString& title, int level,
                        bool heading = false) {
    addRow(db, QStringLiteral("ContentsFile"),
           {{"TopicID", key},
            {"Title", title},
            {"Level", QString::number(level)},
            {"Parent", QStringLiteral("Main")},
            {"Type", heading ? QStringLiteral("3") : QStringLiteral("2")}});
}

inline void addWhatsThis(dao::Database& db, const QString& object, const QString& topic,
                         const QString& text, int map) {
    addRow(db, QStringLiteral("WhatsThis"),
           {{"Object", object},
            {"TopicID", topic},
            {"MapNumber", map},
            {"HelpText", text},
            {"Status", QStringLiteral("A")},
            {"Type", QStringLiteral("Both")}});
}

// The topics in the order the exports show them: the contents' order, then
// the topic the contents leave out, then the What's This page.
inline const QStringList kOrder = {
    QStringLiteral("Welcome to Demo"), QStringLiteral("Installing Demo"),
    QStringLiteral("Printing reports"), QStringLiteral("Glossary term"),
    QStringLiteral("Hidden extras")};

// Stored in another order than the contents give.
inline void fill(dao::Database& db) {
    db.BeginTrans();
    addTopic(db, QStringLiteral("IDH_PRINT"), QStringLiteral("Printing reports"),
             QStringLiteral("Reports print on any printer.\n\\trowd\\cellx2000\\cellx4000\\intbl "
                            "Paper\\cell A4\\cell\\row\nBack to {\\uldb the welcome}"
                            "{\\v IDH_WELCOME}."),
             QStringLiteral("main:020"), QStringLiteral("printing;reports"), 1002);
    addTopic(db, QStringLiteral("IDH_WELCOME"), QStringLiteral("Welcome to Demo"),
             QStringLiteral("Demo keeps your zebrafish records.\nSee {\\uldb installing}"
                            "{\\v IDH_SETUP} and the {\\ul term}{\\v IDH_TERM}.\n"
                            "\\{bmc logo.bmp\\} Our logo."),
             QStringLiteral("main:005"), QStringLiteral("welcome;demo"), 1000,
             QStringLiteral("Welcome"));
    addTopic(db, QStringLiteral("IDH_EXTRAS"), QStringLiteral("Hidden extras"),
             QStringLiteral("Extras no contents entry names."), QString(), QStringLiteral("demo"));
    addTopic(db, QStringLiteral("IDH_SETUP"), QStringLiteral("Installing Demo"),
             QStringLiteral("Run the installer & follow <the> steps."), QStringLiteral("main:010"),
             QStringLiteral("installing"), 1001);
    addTopic(db, QStringLiteral("IDH_TERM"), QStringLiteral("Glossary term"),
             QStringLiteral("A word with a meaning."));
    addWhatsThis(db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("WT_OK"),
                 QStringLiteral("Closes the window and keeps the changes."), 2000);
    addWhatsThis(db, QStringLiteral("frmMain.cmdHelp"), QStringLiteral("IDH_SETUP"),
                 QStringLiteral("Shows the setup."), 0);
    addContents(db, QStringLiteral("Start.1"), QStringLiteral("Getting started"), 1, true);
    addContents(db, QStringLiteral("IDH_WELCOME.2"), QStringLiteral("Welcome to Demo"), 2);
    addContents(db, QStringLiteral("IDH_SETUP.3"), QStringLiteral("Installing Demo"), 2);
    addContents(db, QStringLiteral("IDH_PRINT.4"), QStringLiteral("Printing reports"), 1);
    addContents(db, QStringLiteral("IDH_TERM.5"), QStringLiteral("Glossary term"), 1);
    addRow(db, QStringLiteral("Options"),
           {{"Option", QStringLiteral("HPJT")},
            {"Descr", QStringLiteral("Demo Help")},
            {"Status", QStringLiteral("A")}});
    db.CommitTrans();
}

} // namespace bookfixture
