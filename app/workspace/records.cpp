#include "records.h"

#include "filltemplate.h"
#include "mapnumbers.h"
#include "resources/stringtable.h"
#include "textrules.h"
#include "transaction.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace records {

namespace {

const QString kStatusActive = QStringLiteral("A");
// The longest key of a contents entry (the contentsfile table's TopicID).
constexpr int contentsKeySize = 50;

std::unique_ptr<dao::Recordset> selectGeneralHelp(dao::Database& db, const QString& topicId,
                                                  dao::RecordsetTypeEnum type) {
    return db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::GeneralHelp),
                                        LoadResString(str::field::TopicId), topicId),
                            type);
}

std::unique_ptr<dao::Recordset> selectObject(dao::Database& db, int tableId, const QString& key) {
    return db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(tableId),
                                        LoadResString(str::field::Object), key),
                            dao::dbOpenDynaset);
}

// Label ids name the fields in the messages.
void requireLength(const QString& text, int size, int labelId) {
    if (text.size() > size)
        throw RecordError(
            FillTemplate(str::message::TooLong, {QStringLiteral("|1"), LoadResString(labelId),
                                                 QStringLiteral("|2"), QString::number(size)}),
            labelId);
}

// An empty map number is no number (0), as a new topic starts.
int requireMapNumber(const QString& text) {
    if (text.isEmpty())
        return 0;
    const auto number = mapnumbers::ParseMapNumber(text);
    if (!number)
        throw RecordError(
            FillTemplate(str::message::NotAWholeNumber,
                         {QStringLiteral("|1"), LoadResString(str::caption::TopicMapNumber)}),
            str::caption::TopicMapNumber);
    return *number;
}

// A text that cannot be written where Create puts it is refused at once.
void requireWritable(const QString& problem, int labelId) {
    if (!problem.isEmpty())
        throw RecordError(problem, labelId);
}

void requireText(const QString& text, int labelId, textrules::Target target) {
    requireWritable(textrules::CheckText(text, u"The " + LoadResString(labelId), target), labelId);
}

void requireTopicId(const QString& topicId, int labelId) {
    requireWritable(textrules::CheckContextString(topicId, u"The " + LoadResString(labelId)),
                    labelId);
}

QString requireObjectKey(const QString& form, const QString& object) {
    const QString key = ObjectKey(form, object);
    if (key.size() > ObjectSize)
        throw RecordError(LoadResString(str::message::ObjectKeyTooLong), str::caption::Object);
    return key;
}

// Adds a row with `keyField` = key, or edits the row found; true when added.
bool addOrEdit(dao::Recordset& rs, const QString& keyField, const QString& key) {
    if (rs.EOF_()) {
        rs.AddNew();
        rs.SetField(keyField, key);
        return true;
    }
    rs.Edit();
    return false;
}

bool deleteFirst(std::unique_ptr<dao::Recordset> rs) {
    if (rs->EOF_())
        return false;
    rs->Delete();
    return true;
}

// A topic has one map number: a record may not give it another one.
// `ownObject` is the What's This entry being saved (its old row does not count).
void requireOneMapNumber(dao::Database& db, const QString& topicId, int mapNumber,
                         const QString& ownObject, bool general) {
    if (mapNumber == 0 || topicId.isEmpty())
        return;
    const auto clash = [&](int other, const QString& where) {
        if (other != 0 && other != mapNumber)
            throw RecordError(
                QStringLiteral("The topic %1 already has the map number %2 (%3); "
                               "a topic has one map number, so %4 cannot be saved. "
                               "Use %2, or change it there first.")
                    .arg(topicId, QString::number(other), where, QString::number(mapNumber)),
                str::caption::TopicMapNumber);
    };
    if (!general) {
        if (const auto topic = LoadGeneralHelp(db, topicId))
            clash(topic->mapNumber.toInt(), QStringLiteral("General Help"));
    }
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                     LoadResString(str::field::TopicId), topicId),
                         dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->Text(QStringLiteral("Object"));
        if (object.compare(ownObject, Qt::CaseInsensitive) != 0)
            clash(textrules::StoredMapNumber(rs->Field(QStringLiteral("MapNumber"))).value_or(0),
                  u"What's This entry " + object);
    }
}

// Two topics cannot share a map number: the help file would open either.
void requireFreeMapNumber(dao::Database& db, int mapNumber, const QString& topicId,
                          const QString& renamedFrom = QString()) {
    const QString owner = MapNumberOwner(db, mapNumber, topicId, renamedFrom);
    if (!owner.isEmpty())
        throw RecordError(QStringLiteral("The map number %1 is already used by %2; two topics "
                                         "cannot share a map number. Choose another number "
                                         "(Next proposes a free one).")
                              .arg(QString::number(mapNumber), owner),
                          str::caption::TopicMapNumber);
}

// The checks of OK on the General Help tab; returns the map number.
int checkGeneralHelp(dao::Database& db, const GeneralHelpRecord& r,
                     const QString& renamedFrom = QString()) {
    requireLength(r.topicId, TopicIdSize, str::caption::TopicId);
    requireLength(r.title, TopicTitleSize, str::caption::TopicTitle);
    requireLength(r.browseSeq, BrowseSeqSize, str::caption::BrowseSequence);
    requireLength(r.topicHeader, TopicHeaderSize, str::caption::TopicHeader);
    requireTopicId(r.topicId, str::caption::TopicId);
    requireText(r.title, str::caption::TopicTitle, textrules::Target::RtfLine);
    requireText(r.browseSeq, str::caption::BrowseSequence, textrules::Target::RtfLine);
    requireText(r.keywords, str::caption::Keywords, textrules::Target::RtfText);
    requireText(r.topicHeader, str::caption::TopicHeader, textrules::Target::RtfLine);
    requireText(r.helpText, str::caption::HelpText, textrules::Target::RtfText);
    const int mapNumber = requireMapNumber(r.mapNumber);
    requireOneMapNumber(db, r.topicId, mapNumber, QString(), true);
    if (!renamedFrom.isEmpty())
        requireOneMapNumber(db, renamedFrom, mapNumber, QString(), true);
    requireFreeMapNumber(db, mapNumber, r.topicId, renamedFrom);
    return mapNumber;
}

void writeGeneralHelp(dao::Recordset& rs, const GeneralHelpRecord& r, int mapNumber) {
    rs.SetField(QStringLiteral("TopicTitle"), r.title);
    rs.SetField(QStringLiteral("BrowseSeq"), r.browseSeq);
    rs.SetField(QStringLiteral("Keywords"), r.keywords);
    rs.SetField(QStringLiteral("TopicHeader"), r.topicHeader);
    rs.SetField(QStringLiteral("MapNumber"), mapNumber);
    rs.SetField(QStringLiteral("HelpText"), r.helpText);
    rs.SetField(QStringLiteral("Status"), kStatusActive);
    rs.Update();
}

bool sameTopic(const QString& a, const QString& b) {
    return textrules::TopicIdKey(a.trimmed()) == textrules::TopicIdKey(b.trimmed());
}

// The sequence number of a contents key ("IDH_A.3": 3), or -1.
int keySequence(const QString& key) {
    const qsizetype dot = key.lastIndexOf(u'.');
    bool ok = false;
    const int n = dot < 0 ? -1 : key.mid(dot + 1).trimmed().toInt(&ok);
    return ok ? n : -1;
}

// Gives the contents entries of `from` keys of `to`; the sequence number
// stays unless the new key is taken, then the next free one is used.
int renameContentsEntries(dao::Database& db, const QString& from, const QString& to) {
    const QString table = LoadResString(str::table::ContentsFile);
    QHash<QString, QString> renamed; // old key -> new key
    QSet<QString> keys;
    int top = 0;
    {
        auto rs = db.OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenSnapshot);
        for (; !rs->EOF_(); rs->MoveNext()) {
            const QString key = rs->Text(QStringLiteral("TopicID"));
            keys.insert(textrules::TopicIdKey(key));
            top = std::max(top, keySequence(key));
            const int seq = keySequence(key);
            if (rs->Text(QStringLiteral("Type")) != u"3" && seq >= 0 &&
                sameTopic(key.left(key.lastIndexOf(u'.')), from))
                renamed.insert(key, to + u'.' + QString::number(seq));
        }
    }
    if (renamed.isEmpty())
        return 0;
    for (auto it = renamed.begin(); it != renamed.end(); ++it) {
        if (keys.contains(textrules::TopicIdKey(it.value())))
            it.value() = to + u'.' + QString::number(++top);
        if (it.value().size() > contentsKeySize)
            throw RecordError(QStringLiteral("The contents entry %1 would get the key %2, longer "
                                             "than the %3 characters a contents entry can keep. "
                                             "Choose a shorter topic ID.")
                                  .arg(it.key(), it.value(), QString::number(contentsKeySize)),
                              str::caption::TopicId);
        keys.insert(textrules::TopicIdKey(it.value()));
    }
    auto rs = db.OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenDynaset);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString key = rs->Text(QStringLiteral("TopicID"));
        const QString parent = rs->Text(QStringLiteral("Parent"));
        if (!renamed.contains(key) && !renamed.contains(parent))
            continue;
        rs->Edit();
        if (renamed.contains(key))
            rs->SetField(QStringLiteral("TopicID"), renamed.value(key));
        if (renamed.contains(parent))
            rs->SetField(QStringLiteral("Parent"), renamed.value(parent));
        rs->Update();
    }
    return int(renamed.size());
}

} // namespace

QString MapNumberOwner(dao::Database& db, int mapNumber, const QString& topicId,
                       const QString& renamedFrom) {
    if (mapNumber == 0)
        return {};
    const auto other = [&](const QString& id) {
        return !sameTopic(id, topicId) && (renamedFrom.isEmpty() || !sameTopic(id, renamedFrom));
    };
    const QString where = QStringLiteral(" where MapNumber = %1 and Status = 'A'").arg(mapNumber);
    for (auto rs = db.OpenRecordset(u"select TopicID from " +
                                        LoadResString(str::table::GeneralHelp) + where,
                                    dao::dbOpenSnapshot);
         !rs->EOF_(); rs->MoveNext())
        if (const QString id = rs->Text(QStringLiteral("TopicID")); other(id))
            return u"the topic " + id;
    for (auto rs = db.OpenRecordset(u"select TopicID, Object from " +
                                        LoadResString(str::table::WhatsThis) + where,
                                    dao::dbOpenSnapshot);
         !rs->EOF_(); rs->MoveNext())
        if (const QString id = rs->Text(QStringLiteral("TopicID")); other(id))
            return QStringLiteral("the What's This entry %1 (topic %2)")
                .arg(rs->Text(QStringLiteral("Object")), id);
    return {};
}

std::optional<int> MapNumberOfTopic(dao::Database& db, const QString& topicId) {
    if (const auto topic = LoadGeneralHelp(db, topicId); topic && topic->mapNumber.toInt() > 0)
        return topic->mapNumber.toInt();
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                     LoadResString(str::field::TopicId), topicId),
                         dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const int number =
            textrules::StoredMapNumber(rs->Field(QStringLiteral("MapNumber"))).value_or(0);
        if (number > 0)
            return number;
    }
    return std::nullopt;
}

QStringList WhatsThisEntriesOfTopic(dao::Database& db, const QString& topicId) {
    QStringList objects;
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                     LoadResString(str::field::TopicId), topicId),
                         dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext())
        objects << rs->Text(QStringLiteral("Object"));
    return objects;
}

void SplitObjectKey(const QString& key, QString& form, QString& object) {
    const qsizetype at = key.indexOf(u'.');
    form = at < 0 ? key : key.left(at);
    object = at < 0 ? QString() : key.mid(at + 1);
}

QString ObjectKey(const QString& form, const QString& object) {
    return form + QLatin1Char('.') + object;
}

QString WhatsThisType(int contextSensitive, int whatsThis) {
    const bool cons = contextSensitive == 1;
    const bool wt = whatsThis == 1;
    if (cons && wt)
        return LoadResString(str::helptype::Both);
    if (cons)
        return LoadResString(str::helptype::ContextSensitive);
    if (wt)
        return LoadResString(str::helptype::WhatsThis);
    return {};
}

namespace {

WhatsThisRecord whatsThisOf(dao::Recordset& rs) {
    WhatsThisRecord r;
    SplitObjectKey(rs.Text(QStringLiteral("Object")), r.form, r.object);
    r.topicId = rs.Text(QStringLiteral("TopicID"));
    r.mapNumber = rs.Text(QStringLiteral("MapNumber"));
    r.helpText = rs.Text(QStringLiteral("HelpText"));
    const QString type = rs.Text(QStringLiteral("Type"));
    const bool both = type == LoadResString(str::helptype::Both);
    r.contextSensitive = both || type == LoadResString(str::helptype::ContextSensitive) ? 1 : 0;
    r.whatsThis = both || type == LoadResString(str::helptype::WhatsThis) ? 1 : 0;
    return r;
}

QStringList column(dao::Database& db, const QString& sql, const QString& field) {
    QStringList values;
    for (auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot); !rs->EOF_(); rs->MoveNext())
        values << rs->Text(field);
    return values;
}

} // namespace

std::optional<ToolTipRecord> LoadToolTip(dao::Database& db, const QString& form,
                                         const QString& object) {
    auto rs = selectObject(db, str::table::ToolTips, ObjectKey(form, object));
    if (rs->EOF_())
        return std::nullopt;
    return ToolTipRecord{form, object, rs->Text(QStringLiteral("HelpText"))};
}

std::optional<WhatsThisRecord> LoadWhatsThis(dao::Database& db, const QString& form,
                                             const QString& object) {
    auto rs = selectObject(db, str::table::WhatsThis, ObjectKey(form, object));
    if (rs->EOF_())
        return std::nullopt;
    return whatsThisOf(*rs);
}

std::optional<WhatsThisRecord> LoadWhatsThisOfTopic(dao::Database& db, const QString& topicId) {
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                     LoadResString(str::field::TopicId), topicId),
                         dao::dbOpenSnapshot);
    if (rs->EOF_())
        return std::nullopt;
    return whatsThisOf(*rs);
}

TopicLists ReadTopicLists(dao::Database& db) {
    const QString topicId = LoadResString(str::field::TopicId);
    return {column(db, LoadResString(str::sql::ActiveTopicIds), topicId),
            column(db,
                   SelectWhere(topicId, LoadResString(str::table::WhatsThis),
                               LoadResString(str::field::Status), kStatusActive),
                   topicId)};
}

std::optional<GeneralHelpRecord> LoadGeneralHelp(dao::Database& db, const QString& topicId) {
    auto rs = selectGeneralHelp(db, topicId, dao::dbOpenSnapshot);
    if (rs->EOF_())
        return std::nullopt;
    GeneralHelpRecord record;
    record.topicId = rs->Text(QStringLiteral("TopicID"));
    record.title = rs->Text(QStringLiteral("TopicTitle"));
    record.browseSeq = rs->Text(QStringLiteral("BrowseSeq"));
    record.keywords = rs->Text(QStringLiteral("Keywords"));
    record.topicHeader = rs->Text(QStringLiteral("TopicHeader"));
    record.helpText = rs->Text(QStringLiteral("HelpText"));
    const QVariant map = rs->Field(QStringLiteral("MapNumber"));
    record.mapNumber = map.isNull() ? QString() : QString::number(map.toInt());
    return record;
}

bool SaveGeneralHelp(dao::Database& db, const GeneralHelpRecord& r) {
    const int mapNumber = checkGeneralHelp(db, r);
    workspace::Transaction transaction(db);
    bool added = false;
    {
        auto rs = selectGeneralHelp(db, r.topicId, dao::dbOpenDynaset);
        added = addOrEdit(*rs, QStringLiteral("TopicID"), r.topicId);
        writeGeneralHelp(*rs, r, mapNumber);
    }
    mapnumbers::SaveNextMapNumber(db, mapNumber);
    transaction.commit();
    return added;
}

RenamedTopic RenameGeneralHelp(dao::Database& db, const QString& oldTopicId,
                               const GeneralHelpRecord& r) {
    if (!sameTopic(oldTopicId, r.topicId) && LoadGeneralHelp(db, r.topicId))
        throw RecordError(QStringLiteral("The topic %1 already exists, so %2 cannot be renamed "
                                         "to it. Choose another topic ID.")
                              .arg(r.topicId, oldTopicId),
                          str::caption::TopicId);
    const int mapNumber = checkGeneralHelp(db, r, oldTopicId);
    RenamedTopic renamed;
    workspace::Transaction transaction(db);
    {
        auto rs = selectGeneralHelp(db, oldTopicId, dao::dbOpenDynaset);
        if (rs->EOF_())
            throw RecordError(
                QStringLiteral("The topic %1 is no longer in the project.").arg(oldTopicId),
                str::caption::TopicId);
        rs->Edit();
        rs->SetField(QStringLiteral("TopicID"), r.topicId);
        writeGeneralHelp(*rs, r, mapNumber);
    }
    renamed.contentsEntries = renameContentsEntries(db, oldTopicId, r.topicId);
    {
        auto rs =
            db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                         LoadResString(str::field::TopicId), oldTopicId),
                             dao::dbOpenDynaset);
        for (; !rs->EOF_(); rs->MoveNext()) {
            rs->Edit();
            rs->SetField(QStringLiteral("TopicID"), r.topicId);
            rs->Update();
            ++renamed.whatsThisEntries;
        }
    }
    mapnumbers::SaveNextMapNumber(db, mapNumber);
    transaction.commit();
    return renamed;
}

bool SaveToolTip(dao::Database& db, const ToolTipRecord& r) {
    const QString key = requireObjectKey(r.form, r.object);
    requireText(r.toolTipText, str::caption::ToolTipText, textrules::Target::AnsiText);
    auto rs = selectObject(db, str::table::ToolTips, key);
    const bool added = addOrEdit(*rs, QStringLiteral("Object"), key);
    rs->SetField(QStringLiteral("HelpText"), r.toolTipText);
    rs->Update();
    return added;
}

bool SaveWhatsThis(dao::Database& db, const WhatsThisRecord& r) {
    const QString key = requireObjectKey(r.form, r.object);
    requireLength(r.topicId, TopicIdSize, str::caption::EntryTopicId);
    requireTopicId(r.topicId, str::caption::EntryTopicId);
    requireText(r.helpText, str::caption::HelpText, textrules::Target::RtfText);
    const int mapNumber = requireMapNumber(r.mapNumber);
    const QString type = WhatsThisType(r.contextSensitive, r.whatsThis);
    if (type.isEmpty())
        throw RecordError(LoadResString(str::message::ChooseObjectHelpType),
                          str::caption::ObjectHelpType);
    requireOneMapNumber(db, r.topicId, mapNumber, key, false);
    requireFreeMapNumber(db, mapNumber, r.topicId);

    workspace::Transaction transaction(db);
    bool added = false;
    {
        auto rs = selectObject(db, str::table::WhatsThis, key);
        added = addOrEdit(*rs, QStringLiteral("Object"), key);
        if (added)
            rs->SetField(QStringLiteral("Status"), kStatusActive);
        rs->SetField(QStringLiteral("MapNumber"), mapNumber);
        rs->SetField(QStringLiteral("HelpText"), r.helpText);
        rs->SetField(QStringLiteral("TopicID"), r.topicId);
        rs->SetField(QStringLiteral("Type"), type);
        rs->Update();
    }
    mapnumbers::SaveNextMapNumber(db, mapNumber);
    transaction.commit();
    return added;
}

bool DeleteGeneralHelp(dao::Database& db, const QString& topicId) {
    return deleteFirst(selectGeneralHelp(db, topicId, dao::dbOpenDynaset));
}

bool DeleteToolTip(dao::Database& db, const QString& form, const QString& object) {
    return deleteFirst(selectObject(db, str::table::ToolTips, ObjectKey(form, object)));
}

bool DeleteWhatsThis(dao::Database& db, const QString& form, const QString& object) {
    return deleteFirst(selectObject(db, str::table::WhatsThis, ObjectKey(form, object)));
}

} // namespace records
