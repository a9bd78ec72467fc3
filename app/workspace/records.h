// The records of the General Help, Tool Tips and What's This tabs: loading,
// saving (OK) and deleting them in the project database.
#pragma once

#include "dao.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace records {

// Field sizes of the project file.
constexpr int TopicIdSize = 50;
constexpr int TopicTitleSize = 50;
constexpr int BrowseSeqSize = 50;
constexpr int TopicHeaderSize = 100;
constexpr int ObjectSize = 100;

// A record OK must not store; the text tells the user why. Nothing has been
// written when it is thrown.
class RecordError : public std::runtime_error {
public:
    // `field`: the caption id (str::caption) of the field at fault, 0 for none.
    explicit RecordError(const QString& message, int field = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_field(field) {}
    QString message() const { return m_message; }
    int field() const { return m_field; }

private:
    QString m_message;
    int m_field;
};

struct GeneralHelpRecord {
    QString topicId;
    QString title;
    QString browseSeq;
    QString keywords;
    QString topicHeader;
    QString helpText;
    QString mapNumber; // as typed
};

struct ToolTipRecord {
    QString form;
    QString object;
    QString toolTipText;
};

struct WhatsThisRecord {
    QString form;
    QString object;
    QString topicId;
    QString mapNumber; // as typed
    QString helpText;
    int contextSensitive = 0; // chkwtconsenhlp value
    int whatsThis = 0;        // chkwtwthlp value
};

// The key of a tool tip or What's This row: form, a point, control.
QString ObjectKey(const QString& form, const QString& object);
// The form and control of a key: split at its first point; a key without a
// point is all form.
void SplitObjectKey(const QString& key, QString& form, QString& object);
// "Both", "ConS" or "WhtS" from the two check box values; empty when neither is checked.
QString WhatsThisType(int contextSensitive, int whatsThis);

// The topic's stored fields, or none when the project has no such topic.
std::optional<GeneralHelpRecord> LoadGeneralHelp(dao::Database& db, const QString& topicId);

// The tool tip of a control, or none.
std::optional<ToolTipRecord> LoadToolTip(dao::Database& db, const QString& form,
                                         const QString& object);

// The What's This entry of a control, or none. Its help text keeps its stored
// line ends; the check box values follow its Type.
std::optional<WhatsThisRecord> LoadWhatsThis(dao::Database& db, const QString& form,
                                             const QString& object);

// The first What's This entry that shows the topic, or none.
std::optional<WhatsThisRecord> LoadWhatsThisOfTopic(dao::Database& db, const QString& topicId);

// The topic IDs the window's lists offer: those of the active general topics
// and those of the active What's This entries, in stored order.
struct TopicLists {
    QStringList generalTopics;
    QStringList whatsThisTopics;
};
TopicLists ReadTopicLists(dao::Database& db);

// OK on a tab: checks the record (RecordError), then writes the row and, for
// map-numbered records, offers the number to the counter, in one transaction.
// Returns true when the row is new.
bool SaveGeneralHelp(dao::Database& db, const GeneralHelpRecord& record);
bool SaveToolTip(dao::Database& db, const ToolTipRecord& record);
bool SaveWhatsThis(dao::Database& db, const WhatsThisRecord& record);

// Renaming a topic (OK after its ID was changed): the general topic's row
// takes the new ID and the record's fields, and the contents entries and
// What's This entries of the old ID follow it, in one transaction. Refused
// (RecordError) like SaveGeneralHelp, and when another topic has the new ID.
struct RenamedTopic {
    int contentsEntries = 0;
    int whatsThisEntries = 0;
};
RenamedTopic RenameGeneralHelp(dao::Database& db, const QString& oldTopicId,
                               const GeneralHelpRecord& record);

// The topic other than `topicId` (and `renamedFrom`) that already has the map
// number, as "topic IDH_X" or "the What's This entry frmA.cmdGo (topic IDH_X)";
// empty when none has it or the number is 0.
QString MapNumberOwner(dao::Database& db, int mapNumber, const QString& topicId,
                       const QString& renamedFrom = QString());

// The map number a topic ID already has: the general topic's, else that of
// the first What's This entry with the topic; none when no record uses the
// topic ID or every record has 0 (no number).
std::optional<int> MapNumberOfTopic(dao::Database& db, const QString& topicId);

// The What's This entries ("form.control") that show the topic.
QStringList WhatsThisEntriesOfTopic(dao::Database& db, const QString& topicId);

// Delete on a tab: removes the row; false when there was none.
bool DeleteGeneralHelp(dao::Database& db, const QString& topicId);
bool DeleteToolTip(dao::Database& db, const QString& form, const QString& object);
bool DeleteWhatsThis(dao::Database& db, const QString& form, const QString& object);

} // namespace records
