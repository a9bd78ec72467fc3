#include "projectschema.h"

namespace qmtcrdb {

namespace {

using dao::FieldDef;
using dao::FieldType;
using dao::IndexDef;

struct Props {
    bool required = false;
    bool emptyAllowed = false;
    QVariant dflt = {};
    bool autoIncrement = false;
};

FieldDef field(const char* name, FieldType type, int size, Props p) {
    FieldDef f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.size = size;
    f.autoIncrement = p.autoIncrement;
    f.required = p.required;
    f.allowZeroLength = p.emptyAllowed;
    f.defaultValue = p.dflt;
    return f;
}

// Every index is named after its one field; the first is the primary key.
std::vector<IndexDef> indexes(std::initializer_list<const char*> fields) {
    std::vector<IndexDef> out;
    for (const char* f : fields) {
        const bool first = out.empty();
        out.push_back({QString::fromLatin1(f), QString::fromLatin1(f), first, first});
    }
    return out;
}

const QVariant kActive = QStringLiteral("A");

} // namespace

QString projectLocale() {
    return QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=quetzal");
}

std::vector<dao::TableDef> projectTables() {
    constexpr auto Text = FieldType::Text;
    constexpr auto Memo = FieldType::Memo;
    constexpr auto Integer = FieldType::Integer;
    constexpr auto Long = FieldType::Long;
    return {
        {QStringLiteral("GeneralHelp"),
         {field("TopicID", Text, 50, {.required = true}),
          field("TopicTitle", Text, 50, {.emptyAllowed = true}),
          field("BrowseSeq", Text, 50, {.emptyAllowed = true}),
          field("Keywords", Memo, 0, {.emptyAllowed = true}),
          field("TopicHeader", Text, 100, {.emptyAllowed = true}),
          field("HelpText", Memo, 0, {.emptyAllowed = true}),
          field("MapNumber", Integer, 0, {.dflt = 0}),
          field("Status", Text, 1, {.emptyAllowed = true, .dflt = kActive})},
         indexes({"TopicID", "TopicTitle", "Status"})},
        {QStringLiteral("ToolTips"),
         {field("Object", Text, 100, {.required = true}),
          field("HelpText", Memo, 0, {.required = true}),
          field("Status", Text, 1, {.required = true, .dflt = kActive})},
         indexes({"Object", "Status"})},
        {QStringLiteral("WhatsThis"),
         {field("Object", Text, 100, {.required = true}),
          field("TopicID", Text, 50, {.required = true}),
          field("MapNumber", Integer, 0, {.dflt = 0}),
          field("HelpText", Memo, 0, {.emptyAllowed = true}),
          field("Status", Text, 1, {.required = true}), field("Type", Text, 4, {.required = true})},
         indexes({"Object", "MapNumber", "Status"})},
        {QStringLiteral("Options"),
         {field("Option", Text, 4, {.required = true}), field("Descr", Memo, 0, {.required = true}),
          field("Status", Text, 1, {.required = true})},
         indexes({"Option", "Status"})},
        {QStringLiteral("ContentsFile"),
         {field("Entry", Long, 0, {.required = true, .autoIncrement = true}),
          field("TopicID", Text, 50, {.required = true}),
          field("Title", Text, 50, {.required = true}), field("Level", Text, 2, {.required = true}),
          field("Parent", Text, 50, {.required = true}), field("Type", Text, 1, {.required = true}),
          field("Status", Text, 1, {.emptyAllowed = true, .dflt = kActive})},
         indexes({"Entry", "Type", "Status"})},
    };
}

} // namespace qmtcrdb
