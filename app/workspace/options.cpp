#include "options.h"

#include "filltemplate.h"
#include "resources/stringtable.h"
#include "transaction.h"

#include <optional>

namespace options {

namespace {

QString flagText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// "True"/"False" as written, or a number (non-zero is true) as older files may hold.
std::optional<bool> truthValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto n = wholeNumber(t))
        return *n != 0;
    return std::nullopt;
}

} // namespace

void UpdateOptions(dao::Database& db, const QString& strkey, const QString& strValue) {
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(250), LoadResString(260), strkey),
        dao::dbOpenDynaset);
    if (strValue.isEmpty()) {
        if (!rs->EOF_())
            rs->Delete();
        return;
    }
    if (rs->EOF_()) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Option"), strkey);
        rs->SetField(QStringLiteral("Descr"), strValue);
        rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
    } else {
        rs->Edit();
        rs->SetField(QStringLiteral("Descr"), strValue);
    }
    rs->Update();
}

std::vector<OptionRow> ReadOptions(dao::Database& db) {
    auto rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(250),
                                           LoadResString(264), QStringLiteral("A")),
                               dao::dbOpenSnapshot);
    std::vector<OptionRow> rows;
    for (; !rs->EOF_(); rs->MoveNext())
        rows.push_back({rs->Text(QStringLiteral("Option")), rs->Text(QStringLiteral("Descr"))});
    return rows;
}

void ApplyOptionRow(CreateSettings& s, HelpWindowGeometry& geometry, const QString& key,
                    const QString& value) {
    const auto is = [&](int id) {
        return key.compare(LoadResString(id), Qt::CaseInsensitive) == 0;
    };
    const std::pair<int, QString CreateSettings::*> texts[] = {
        {511, &CreateSettings::vbProjectFileName}, {512, &CreateSettings::helpProjectFileName},
        {513, &CreateSettings::helpProjectTitle},  {514, &CreateSettings::helpFileName},
        {515, &CreateSettings::contentsFileName},  {516, &CreateSettings::rtfFileName},
        {538, &CreateSettings::indexFileName}};
    const std::pair<int, int CreateSettings::*> checks[] = {
        {517, &CreateSettings::createGeneralHelp},
        {518, &CreateSettings::createContentsFile},
        {519, &CreateSettings::createToolTips},
        {520, &CreateSettings::createContextSensitiveHelp},
        {521, &CreateSettings::vbProject},
        {542, &CreateSettings::compile}};
    const std::pair<int, QString HelpWindowGeometry::*> geometries[] = {
        {540, &HelpWindowGeometry::top}, // WINT: the top (saving writes the width there too)
        {543, &HelpWindowGeometry::left},
        {522, &HelpWindowGeometry::height}};

    for (const auto& [id, field] : texts) {
        if (is(id)) {
            s.*field = value;
            return;
        }
    }
    for (const auto& [id, field] : checks) {
        if (is(id)) {
            if (const auto n = wholeNumber(value); n && *n >= 0 && *n <= 2)
                s.*field = *n;
            return;
        }
    }
    for (const auto& [id, type] :
         {std::pair{523, HelpType::HtmlHelp}, std::pair{539, HelpType::WindowsHelp}}) {
        if (is(id)) {
            if (truthValue(value).value_or(false))
                s.helpType = type;
            return;
        }
    }
    for (const auto& [id, field] : geometries) {
        if (is(id)) {
            if (const auto n = wholeNumber(value))
                geometry.*field = QString::number(*n);
            return;
        }
    }
}

CreateSettings ReadCreateSettings(dao::Database& db, HelpWindowGeometry* geometry) {
    CreateSettings settings;
    HelpWindowGeometry stored;
    for (const OptionRow& row : ReadOptions(db))
        ApplyOptionRow(settings, stored, row.key, row.value);
    if (geometry)
        *geometry = stored;
    return settings;
}

std::vector<OptionRow> CreateTabRows(const CreateSettings& s, const HelpWindowGeometry& g) {
    const auto key = [](int id) { return LoadResString(id); };
    const auto check = [](int value) { return QString::number(value); };
    return {
        {key(511), s.vbProjectFileName},
        {key(512), s.helpProjectFileName},
        {key(513), s.helpProjectTitle},
        {key(514), s.helpFileName},
        {key(515), s.contentsFileName},
        {key(516), s.rtfFileName},
        {key(517), check(s.createGeneralHelp)},
        {key(518), check(s.createContentsFile)},
        {key(519), check(s.createToolTips)},
        {key(520), check(s.createContextSensitiveHelp)},
        {key(521), check(s.vbProject)},
        {key(523), flagText(s.htmlHelp())},
        {key(539), flagText(s.windowsHelp())},
        {key(540), g.top},
        {key(543), g.left},
        {key(541), g.width}, // WINT again: the width shares the top's key
        {key(522), g.height},
        {key(542), check(s.compile)},
        // Stored last, so that HTML Help keeps its index file name for the
        // next session and for qmt --create.
        {key(538), s.indexFileName},
    };
}

void SaveCreateTab(dao::Database& db, const CreateSettings& settings,
                   const HelpWindowGeometry& geometry) {
    workspace::Transaction transaction(db);
    for (const OptionRow& row : CreateTabRows(settings, geometry))
        UpdateOptions(db, row.key, row.value);
    transaction.commit();
}

} // namespace options
