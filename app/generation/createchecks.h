// The check Create makes before it writes anything: every text that is to be
// written into a line of an output must fit there (no line breaks or control
// characters where they would split a line, no character its file cannot
// hold, topic IDs usable as context strings).
#pragma once

#include "workspace/createsettings.h"

#include <QStringList>
#include <functional>

namespace dao {
class Database;
}

// One sentence per text that cannot be written, naming the field or record
// and the character; empty when the run may go ahead. Only the outputs the
// settings ask for are checked. The rows of topics and What's This entries
// are not read here: the writer of the general help sources checks them
// (CheckTopicTexts, CheckWhatsThisTexts) as it reads them, before it saves.
QStringList CheckCreateInputs(const CreateSettings& settings, dao::Database& db);

// The texts of one active general help topic and of one What's This entry.
struct TopicTexts {
    QString id, title, browse, keywords, text;
};
struct WhatsThisTexts {
    QString object, id, text;
};

// Adds one sentence per text of the row that cannot be written to `problems`
// (a sentence is made only for a text at fault; each is added once).
void CheckTopicTexts(const TopicTexts& topic, QStringList& problems);
void CheckWhatsThisTexts(const WhatsThisTexts& entry, QStringList& problems);

// Adds the warnings of CheckHelpTextCodes for one help text; `owner` names
// its topic or entry ("topic IDH_MAIN") and is asked only when there is one.
void CheckHelpTextCodesOf(const QString& text, const std::function<QString()>& owner,
                          QStringList& warnings);

// Help texts whose RTF codes the help file will not show as typed (a single
// backslash in a Windows path, an unclosed brace ...): one sentence each,
// naming the topic or entry. Only the help files the settings ask for count.
QStringList CheckHelpTextCodes(const CreateSettings& settings, dao::Database& db);

// The Create tab's own texts, as OK stores them: the same rules for the
// names and the title, whatever is ticked.
QStringList CheckCreateTabTexts(const CreateSettings& settings);
