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

// One sentence per text that cannot be written, naming the field or record
// and the character; empty when the run may go ahead. Only the outputs the
// settings ask for are checked.
QStringList CheckCreateInputs(const CreateSettings& settings, dao::Database& db);

// Help texts whose RTF codes the help file will not show as typed (a single
// backslash in a Windows path, an unclosed brace ...), jumps and pop-ups to a
// context string that no topic has, and What's This entries that open no
// topic: one sentence each, naming the topic or entry. Only the help files
// the settings ask for count.
QStringList CheckHelpTextCodes(const CreateSettings& settings, dao::Database& db);

// The Create tab's own texts, as OK stores them: the same rules for the
// names and the title, whatever is ticked.
QStringList CheckCreateTabTexts(const CreateSettings& settings);
