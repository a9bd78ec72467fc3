// The check Create makes before it writes anything: every text that is to be
// written into a line of an output must fit there (no line breaks or control
// characters where they would split a line, no character its file cannot
// hold, topic IDs usable as context strings).
#pragma once

#include "workspace/createsettings.h"

#include <QStringList>

namespace dao {
class Database;
}

// The texts that cannot be written, one sentence each naming the field or
// record and the character, grouped by the outputs they keep from being
// written: an entry blocks only the outputs that would hold it.
struct CreateInputProblems {
    QStringList settings;     // the Create tab's names and title: nothing is written
    QStringList generalHelp;  // topics: the RTF and help project files (and the compile)
    QStringList contentsFile; // contents entries: the contents file
    QStringList toolTips;     // tool-tip texts: the tool tips
    QStringList warnings;     // written as they are, but worth knowing

    bool blocksEverything() const { return !settings.isEmpty(); }
};

// Only the outputs the settings ask for are checked.
CreateInputProblems CheckCreateInputs(const CreateSettings& settings, dao::Database& db);

// Help texts whose RTF codes the help file will not show as typed (a single
// backslash in a Windows path, an unclosed brace ...), jumps and pop-ups to a
// context string that no topic has, and What's This entries that open no
// topic: one sentence each, naming the topic or entry. Only the help files
// the settings ask for count.
QStringList CheckHelpTextCodes(const CreateSettings& settings, dao::Database& db);

// The Create tab's own texts, as OK stores them: the same rules for the
// names and the title, whatever is ticked.
QStringList CheckCreateTabTexts(const CreateSettings& settings);
