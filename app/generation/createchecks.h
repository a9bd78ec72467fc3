// The check Create makes before it writes anything: every text that is to be
// written into a line of an output must fit there (no line breaks or control
// characters where they would split a line, no character its file cannot
// hold, topic IDs usable as context strings).
#pragma once

#include "workspace/createsettings.h"

#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace dao {
class Database;
}

// The texts that cannot be written, one sentence each naming the field or
// record and the character, grouped by the outputs they keep from being
// written: an entry blocks only the outputs that would hold it. Only the
// outputs the settings ask for are checked. The rows of topics and What's
// This entries are not read here: the writer of the general help sources
// checks them (CheckTopicTexts, CheckWhatsThisTexts) as it reads them, and
// what it finds keeps back the general help sources only.
struct CreateInputProblems {
    QStringList settings;     // the Create tab's names and title: nothing is written
    QStringList contentsFile; // contents entries: the contents file
    QStringList toolTips;     // tool-tip texts: the tool tips
    QStringList warnings;     // written as they are, but worth knowing
};
CreateInputProblems CheckCreateInputs(const CreateSettings& settings, dao::Database& db);

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

// Jumps and pop-ups to a context string that no topic has, and What's This
// entries that open no topic, gathered row by row as the texts are read.
class LinkCheck {
public:
    void topic(const QString& id, const QString& text);
    void whatsThis(const QString& object, const QString& id, const QString& text);
    // One sentence each, naming the topic or entry (warnings: both help files
    // are still written).
    QStringList warnings() const;

private:
    struct Linking {
        QString owner;
        QStringList targets;
    };
    struct Entry {
        QString object, id;
    };
    std::vector<Linking> m_linking;
    std::vector<Entry> m_textless; // What's This entries without a text (or topic ID) of their own
    // What a jump or pop-up can lead to, as hashes of their keys: eight bytes
    // a topic, so that a large project's check does not hold every ID.
    std::vector<std::uint64_t> m_topicKeys;
};

// Help texts whose RTF codes the help file will not show as typed (a single
// backslash in a Windows path, an unclosed brace ...), and the warnings of
// LinkCheck: one sentence each, naming the topic or entry. Only the help
// files the settings ask for count.
QStringList CheckHelpTextCodes(const CreateSettings& settings, dao::Database& db);

// The Create tab's own texts, as OK stores them: the same rules for the
// names and the title, whatever is ticked.
QStringList CheckCreateTabTexts(const CreateSettings& settings);
