// Reading a WinHelp contents file (.CNT) into the entries of a contents tree.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace import {

struct CntEntry {
    int level = 1; // 1 for the top
    QString title;
    bool heading = true; // a line without "="
    QString topicId;     // of a topic; empty for a heading
    int line = 0;
};

struct CntRead {
    QString base;  // :Base help file name
    QString title; // :Title
    std::vector<CntEntry> entries;
    // Lines kept nowhere in a project (:Include, :Index, :Link, macro entries,
    // topics in other help files, levels out of order), one sentence each.
    QStringList notTaken;
};

// Reads the text of a contents file; `file` names it in what it reports.
CntRead ReadContentsText(const QString& text, const QString& file);

} // namespace import
