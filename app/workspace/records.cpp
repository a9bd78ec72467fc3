#include "records.h"

#include "filltemplate.h"
#include "mapnumbers.h"
#include "resources/stringtable.h"
#include "textrules.h"
#include "transaction.h"

namespace records {

namespace {

const QString kStatusActive = QStringLiteral("A");

std::unique_ptr<dao::Recordset> selectGeneralHelp(dao::Database& db, const QString& topicId,
                                                  dao::RecordsetTypeEnum type) {
    return db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(251), LoadResString(261), topicId), type);
}

std::unique_ptr<dao::Recordset> selectObject(dao::Database& db, int tableId, int fieldId,
                                             const QString& key) {
    return db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(tableId), LoadResString(fieldId), key),
        dao::dbOpenDynaset);
}

// Label ids name the fields in the messages.
void requireLength(const QString& text, int size, int labelId) {
    if (text.size() > size)
        throw RecordError(FillTemplate(901, {QStringLiteral("|1"), LoadResString(labelId),
                                             QStringLiteral("|2"), QString::number(size)}));
}

// An empty map number is no number (0), as a new topic starts.
int requireMapNumber(const QString& text) {
    if (text.isEmpty())
        return 0;
    const auto number = mapnumbers::ParseMapNumber(text);
    if (!number)
        throw RecordError(FillTemplate(900, {QStringLiteral("|1"), LoadResString(128)}));
    return *number;
}

// A text that cannot be written where Create puts it is refused at once.
void requireWritable(const QString& problem) {
    if (!problem.isEmpty())
        throw RecordError(problem);
}

void requireText(const QString& text, int labelId, textrules::Target target) {
    requireWritable(textrules::CheckText(text, u"The " + LoadResString(labelId), target));
}

void requireTopicId(const QString& topicId, int labelId) {
    requireWritable(textrules::CheckContextString(topicId, u"The " + LoadResString(labelId)));
}

QString requireObjectKey(const QString& form, const QString& object) {
    const QString key = ObjectKey(form, object);
    if (key.size() > ObjectSize)
        throw RecordError(LoadResString(902));
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
                    .arg(topicId, QString::number(other), where, QString::number(mapNumber)));
    };
    if (!general) {
        if (const auto topic = LoadGeneralHelp(db, topicId))
            clash(topic->mapNumber.toInt(), QStringLiteral("General Help"));
    }
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(253), LoadResString(261), topicId),
        dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->Text(QStringLiteral("Object"));
        if (object.compare(ownObject, Qt::CaseInsensitive) != 0)
            clash(textrules::StoredMapNumber(rs->Field(QStringLiteral("MapNumber"))).value_or(0),
                  u"What's This entry " + object);
    }
}

} // namespace

std::optional<int> MapNumberOfTopic(dao::Database& db, const QString& topicId) {
    if (const auto topic = LoadGeneralHelp(db, topicId); topic && topic->mapNumber.toInt() > 0)
        return topic->mapNumber.toInt();
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(253), LoadResString(261), topicId),
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
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(253), LoadResString(261), topicId),
        dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext())
        objects << rs->Text(QStringLiteral("Object"));
    return objects;
}

QString ObjectKey(const QString& form, const QString& object) {
    return form + QLatin1Char('.') + object;
}

QString WhatsThisType(int contextSensitive, int whatsThis) {
    const bool cons = contextSensitive == 1;
    const bool wt = whatsThis == 1;
    if (cons && wt)
        return LoadResString(535);
    if (cons)
        return LoadResString(536);
    if (wt)
        return LoadResString(537);
    return {};
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
    requireLength(r.topicId, TopicIdSize, 105);
    requireLength(r.title, TopicTitleSize, 139);
    requireLength(r.browseSeq, BrowseSeqSize, 138);
    requireLength(r.topicHeader, TopicHeaderSize, 133);
    requireTopicId(r.topicId, 105);
    requireText(r.title, 139, textrules::Target::RtfLine);
    requireText(r.browseSeq, 138, textrules::Target::RtfLine);
    requireText(r.keywords, 137, textrules::Target::RtfText);
    requireText(r.topicHeader, 133, textrules::Target::RtfLine);
    requireText(r.helpText, 126, textrules::Target::RtfText);
    const int mapNumber = requireMapNumber(r.mapNumber);
    requireOneMapNumber(db, r.topicId, mapNumber, QString(), true);

    workspace::Transaction transaction(db);
    bool added = false;
    {
        auto rs = selectGeneralHelp(db, r.topicId, dao::dbOpenDynaset);
        added = addOrEdit(*rs, QStringLiteral("TopicID"), r.topicId);
        rs->SetField(QStringLiteral("TopicTitle"), r.title);
        rs->SetField(QStringLiteral("BrowseSeq"), r.browseSeq);
        rs->SetField(QStringLiteral("Keywords"), r.keywords);
        rs->SetField(QStringLiteral("TopicHeader"), r.topicHeader);
        rs->SetField(QStringLiteral("MapNumber"), mapNumber);
        rs->SetField(QStringLiteral("HelpText"), r.helpText);
        rs->SetField(QStringLiteral("Status"), kStatusActive);
        rs->Update();
    }
    mapnumbers::SaveNextMapNumber(db, mapNumber);
    transaction.commit();
    return added;
}

bool SaveToolTip(dao::Database& db, const ToolTipRecord& r) {
    const QString key = requireObjectKey(r.form, r.object);
    requireText(r.toolTipText, 131, textrules::Target::AnsiText);
    auto rs = selectObject(db, 252, 262, key);
    const bool added = addOrEdit(*rs, QStringLiteral("Object"), key);
    rs->SetField(QStringLiteral("HelpText"), r.toolTipText);
    rs->Update();
    return added;
}

bool SaveWhatsThis(dao::Database& db, const WhatsThisRecord& r) {
    const QString key = requireObjectKey(r.form, r.object);
    requireLength(r.topicId, TopicIdSize, 127);
    requireTopicId(r.topicId, 127);
    requireText(r.helpText, 126, textrules::Target::RtfText);
    const int mapNumber = requireMapNumber(r.mapNumber);
    const QString type = WhatsThisType(r.contextSensitive, r.whatsThis);
    if (type.isEmpty())
        throw RecordError(LoadResString(904));
    requireOneMapNumber(db, r.topicId, mapNumber, key, false);

    workspace::Transaction transaction(db);
    bool added = false;
    {
        auto rs = selectObject(db, 253, 129, key);
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
    return deleteFirst(selectObject(db, 252, 262, ObjectKey(form, object)));
}

bool DeleteWhatsThis(dao::Database& db, const QString& form, const QString& object) {
    return deleteFirst(selectObject(db, 253, 129, ObjectKey(form, object)));
}

} // namespace records
