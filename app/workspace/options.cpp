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
    auto rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::Options),
                                           LoadResString(str::field::Option), strkey),
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
    auto rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::Options),
                                           LoadResString(str::field::Status), QStringLiteral("A")),
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
    using namespace str::option;
    const std::pair<int, QString CreateSettings::*> texts[] = {
        {VBPF, &CreateSettings::vbProjectFileName}, {HPFN, &CreateSettings::helpProjectFileName},
        {HPJT, &CreateSettings::helpProjectTitle},  {HLPF, &CreateSettings::helpFileName},
        {CONF, &CreateSettings::contentsFileName},  {RTFF, &CreateSettings::rtfFileName},
        {INDX, &CreateSettings::indexFileName},     {FONT, &CreateSettings::helpFonts},
        {COLR, &CreateSettings::helpColors}};
    const std::pair<int, int CreateSettings::*> checks[] = {
        {CRGH, &CreateSettings::createGeneralHelp},
        {CRCF, &CreateSettings::createContentsFile},
        {CRTT, &CreateSettings::createToolTips},
        {CRCS, &CreateSettings::createContextSensitiveHelp},
        {CRVB, &CreateSettings::vbProject},
        {COMP, &CreateSettings::compile},
        {CRWH, &CreateSettings::setFormWhatsThisHelp}};
    const std::pair<int, QString HelpWindowGeometry::*> geometries[] = {
        {WINT, &HelpWindowGeometry::top}, // older projects: the width (see ReadCreateSettings)
        {WINL, &HelpWindowGeometry::left},
        {WINH, &HelpWindowGeometry::height},
        {WINW, &HelpWindowGeometry::width}};

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
         {std::pair{HTMH, HelpType::HtmlHelp}, std::pair{WHLP, HelpType::WindowsHelp}}) {
        if (is(id)) {
            if (truthValue(value).value_or(false))
                s.helpType = type;
            return;
        }
    }
    for (const auto& [id, field] : geometries) {
        if (is(id)) {
            if (const auto n = wholeNumber(value); n && *n >= 0 && *n <= kMaxWindowUnit)
                geometry.*field = QString::number(*n);
            return;
        }
    }
}

CreateSettings ReadCreateSettings(dao::Database& db, HelpWindowGeometry* geometry) {
    CreateSettings settings;
    HelpWindowGeometry stored;
    bool topRow = false, widthRow = false;
    for (const OptionRow& row : ReadOptions(db)) {
        ApplyOptionRow(settings, stored, row.key, row.value);
        const auto is = [&](int id) {
            return row.key.compare(LoadResString(id), Qt::CaseInsensitive) == 0;
        };
        topRow = topRow || is(str::option::WINT);
        widthRow = widthRow || is(str::option::WINW);
    }
    // Older projects wrote the width under WINT after the top, so that row
    // holds the width and the top is lost.
    if (topRow && !widthRow) {
        stored.width = stored.top;
        stored.top = HelpWindowGeometry{}.top;
    }
    settings.window = stored;
    if (geometry)
        *geometry = stored;
    return settings;
}

std::vector<OptionRow> CreateTabRows(const CreateSettings& s, const HelpWindowGeometry& g) {
    using namespace str::option;
    const auto key = [](int id) { return LoadResString(id); };
    const auto check = [](int value) { return QString::number(value); };
    return {
        {key(VBPF), s.vbProjectFileName},
        {key(HPFN), s.helpProjectFileName},
        {key(HPJT), s.helpProjectTitle},
        {key(HLPF), s.helpFileName},
        {key(CONF), s.contentsFileName},
        {key(RTFF), s.rtfFileName},
        {key(CRGH), check(s.createGeneralHelp)},
        {key(CRCF), check(s.createContentsFile)},
        {key(CRTT), check(s.createToolTips)},
        {key(CRCS), check(s.createContextSensitiveHelp)},
        {key(CRVB), check(s.vbProject)},
        {key(HTMH), flagText(s.htmlHelp())},
        {key(WHLP), flagText(s.windowsHelp())},
        {key(WINT), g.top},
        {key(WINL), g.left},
        {key(WINW), g.width},
        {key(WINH), g.height},
        {key(COMP), check(s.compile)},
        // Stored last, so that HTML Help keeps its index file name for the
        // next session and for qmt --create.
        {key(INDX), s.indexFileName},
        // Kept only while ticked: a project saved without it has the rows it
        // always had, and reads as not ticked.
        {key(CRWH), s.setFormWhatsThisHelp != 0 ? check(s.setFormWhatsThisHelp) : QString()},
        // Stored only when given: without them the topic file keeps its
        // standard fonts and colours.
        {key(FONT), s.helpFonts.trimmed()},
        {key(COLR), s.helpColors.trimmed()},
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
