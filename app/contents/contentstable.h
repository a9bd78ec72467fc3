// The contentsfile table: one row per node of the contents tree below its root.
#pragma once

#include "resources/stringids.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace dao {
class Database;
}

namespace contents {

struct ContentsRow {
    QString topicId; // the node's key
    QString title;
    QString level;  // depth, as decimal digits
    QString parent; // key of the parent node ("Main" below the root)
    QString type;   // image number: "3" heading, "2" topic
};

// The rows of a select on the table: str::sql::ContentsByEntry, in Entry
// order, or str::sql::ContentsInStoredOrder.
std::vector<ContentsRow> ReadContentsRows(dao::Database& db,
                                          int statementId = str::sql::ContentsByEntry);

// Replaces every row of the table by `rows`, in their order, as one
// transaction: on any refusal the table stays as it was and the error is thrown.
void ReplaceContentsRows(dao::Database& db, const std::vector<ContentsRow>& rows);

// Deletes, for each key in turn, the first row whose TopicID equals it, as one
// transaction. A key without a row is passed over. Returns the rows deleted.
int DeleteContentsRows(dao::Database& db, const QStringList& keys);

// The titles of the contents entries that lead to the topic (topic entries
// whose key names it: "IDH_SETUP.3" for IDH_SETUP).
QStringList EntriesOfTopic(dao::Database& db, const QString& topicId);

// The topics a contents entry can lead to, as textrules::TopicIdKey: the
// active general topics and the active What's This entries with a text of
// their own (both become topics of the help file).
QSet<QString> HelpTopicKeys(dao::Database& db);

// The topic a topic entry leads to when the help file has no such topic;
// empty for a heading or an entry whose topic is there.
QString MissingTopicOf(const ContentsRow& row, const QSet<QString>& topicKeys);

// One warning per topic entry whose topic the project does not have (a topic
// deleted after the entry was added): the help file's contents would lead
// nowhere there.
QStringList EntriesWithoutTopic(dao::Database& db);

} // namespace contents
