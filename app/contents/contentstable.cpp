#include "contentstable.h"

#include "contentsfilewriter.h"

#include "dao.h"
#include "resources/stringtable.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"
#include "workspace/transaction.h"

namespace contents {

std::vector<ContentsRow> ReadContentsRows(dao::Database& db, int statementId) {
    std::vector<ContentsRow> rows;
    auto rs = db.OpenRecordset(LoadResString(statementId), dao::dbOpenSnapshot);
    while (!rs->EOF_()) {
        rows.push_back({rs->Text(QStringLiteral("TopicID")), rs->Text(QStringLiteral("Title")),
                        rs->Text(QStringLiteral("Level")), rs->Text(QStringLiteral("Parent")),
                        rs->Text(QStringLiteral("Type"))});
        rs->MoveNext();
    }
    return rows;
}

void ReplaceContentsRows(dao::Database& db, const std::vector<ContentsRow>& rows) {
    workspace::Transaction trans(db);
    {
        auto rs =
            db.OpenRecordset(LoadResString(str::sql::ContentsInStoredOrder), dao::dbOpenDynaset);
        while (!rs->EOF_()) {
            rs->Delete();
            rs->MoveNext();
        }
        for (const ContentsRow& row : rows) {
            rs->AddNew();
            rs->SetField(QStringLiteral("TopicID"), row.topicId);
            rs->SetField(QStringLiteral("Title"), row.title);
            rs->SetField(QStringLiteral("Level"), row.level);
            rs->SetField(QStringLiteral("Parent"), row.parent);
            rs->SetField(QStringLiteral("Type"), row.type);
            rs->Update();
        }
    }
    trans.commit();
}

int DeleteContentsRows(dao::Database& db, const QStringList& keys) {
    workspace::Transaction trans(db);
    int deleted = 0;
    for (const QString& key : keys) {
        auto rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"),
                                               LoadResString(str::table::ContentsFile),
                                               LoadResString(str::field::TopicId), key),
                                   dao::dbOpenDynaset);
        if (!rs->EOF_()) {
            rs->Delete();
            ++deleted;
        }
    }
    trans.commit();
    return deleted;
}

QStringList EntriesOfTopic(dao::Database& db, const QString& topicId) {
    QStringList titles;
    for (const ContentsRow& row : ReadContentsRows(db)) {
        if (row.type != u"3" &&
            ExtractTopicID(row.topicId).compare(topicId, Qt::CaseInsensitive) == 0)
            titles << row.title;
    }
    return titles;
}

namespace {

// Calls f(key) with the key of each topic a contents entry can lead to, one
// row at a time.
template <typename F> void forEachTopicKey(dao::Database& db, F f) {
    const QString topicId = QStringLiteral("TopicID");
    for (auto rs =
             db.OpenRecordset(LoadResString(str::sql::ActiveTopicIds), dao::dbOpenForwardOnly);
         !rs->EOF_(); rs->MoveNext())
        f(textrules::TopicIdKey(rs->Text(topicId)));
    for (auto rs =
             db.OpenRecordset(LoadResString(str::sql::ActiveWhatsThis), dao::dbOpenForwardOnly);
         !rs->EOF_(); rs->MoveNext()) {
        if (!rs->Text(QStringLiteral("HelpText")).trimmed().isEmpty())
            f(textrules::TopicIdKey(rs->Text(topicId)));
    }
}

} // namespace

QSet<QString> HelpTopicKeys(dao::Database& db) {
    QSet<QString> keys;
    forEachTopicKey(db, [&](const QString& key) { keys.insert(key); });
    return keys;
}

QString MissingTopicOf(const ContentsRow& row, const QSet<QString>& topicKeys) {
    if (row.type == u"3")
        return {};
    const QString id = ExtractTopicID(row.topicId);
    return topicKeys.contains(textrules::TopicIdKey(id)) ? QString() : id;
}

QStringList EntriesWithoutTopic(dao::Database& db) {
    QStringList warnings;
    const std::vector<ContentsRow> rows = ReadContentsRows(db, str::sql::ContentsInStoredOrder);
    if (rows.empty())
        return warnings;
    // Only the topics the entries name are looked up, through the topic ID's
    // index: a scan of every topic would read all their texts.
    QSet<QString> missing, topics;
    for (const ContentsRow& row : rows)
        if (row.type != u"3")
            missing.insert(textrules::TopicIdKey(ExtractTopicID(row.topicId)));
    const QStringList named(missing.begin(), missing.end());
    constexpr qsizetype kPerQuery = 500;
    for (qsizetype from = 0; from < named.size(); from += kPerQuery) {
        QStringList quoted;
        for (const QString& key : named.mid(from, kPerQuery))
            quoted << u'\'' + SqlText(key) + u'\'';
        for (auto rs = db.OpenRecordset(FillTemplate(str::sql::ActiveTopicIdsAmong,
                                                     {QStringLiteral("|1"), quoted.join(u',')}),
                                        dao::dbOpenForwardOnly);
             !rs->EOF_(); rs->MoveNext())
            topics.insert(textrules::TopicIdKey(rs->TextAt(0)));
    }
    missing.subtract(topics);
    // What's This entries with a text are topics too: read only when needed.
    if (!missing.isEmpty())
        for (auto rs =
                 db.OpenRecordset(LoadResString(str::sql::WhatsThisTopics), dao::dbOpenForwardOnly);
             !rs->EOF_(); rs->MoveNext()) {
            const QString key = textrules::TopicIdKey(rs->TextAt(0));
            if (missing.contains(key) && !rs->TextAt(1).trimmed().isEmpty())
                topics.insert(key);
        }
    for (const ContentsRow& row : rows) {
        if (const QString id = MissingTopicOf(row, topics); !id.isEmpty())
            warnings << QStringLiteral("The contents entry \"%1\" leads to the topic %2, which "
                                       "the project does not have: the help file's contents "
                                       "will lead nowhere there.")
                            .arg(row.title, id);
    }
    return warnings;
}

} // namespace contents
