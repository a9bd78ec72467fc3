#include "options.h"

#include "filltemplate.h"
#include "resources/strings.h"
#include "transaction.h"

namespace options {

namespace {

QString flagText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Keys by kind, as string-table ids.
constexpr int kTextKeys[] = {511, 512, 513, 514, 515, 516, 538}; // VBPF ... RTFF, INDX
constexpr int kCheckKeys[] = {517, 518, 519, 520, 521, 542};     // CRGH ... CRVB, COMP
constexpr int kGeometryKeys[] = {540, 543, 522};                 // WINT (top), WINL, WINH

template <std::size_t N> std::optional<QString> matchKey(const QString& key, const int (&ids)[N]) {
    for (int id : ids)
        if (key.compare(LoadResString(id), Qt::CaseInsensitive) == 0)
            return LoadResString(id);
    return std::nullopt;
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

std::optional<OptionSetting> InterpretOption(const QString& key, const QString& value) {
    OptionSetting setting;
    if (const auto k = matchKey(key, kTextKeys)) {
        setting.kind = OptionSetting::Text;
        setting.key = *k;
        setting.text = value;
        return setting;
    }
    if (const auto k = matchKey(key, kCheckKeys)) {
        const auto n = wholeNumber(value);
        if (!n || *n < 0 || *n > 2)
            return std::nullopt;
        setting.kind = OptionSetting::Check;
        setting.key = *k;
        setting.number = *n;
        return setting;
    }
    const bool html = key.compare(LoadResString(523), Qt::CaseInsensitive) == 0;
    if (html || key.compare(LoadResString(539), Qt::CaseInsensitive) == 0) {
        const auto flag = truthValue(value);
        if (!flag)
            return std::nullopt;
        setting.kind = OptionSetting::HelpType;
        setting.key = LoadResString(html ? 523 : 539);
        setting.number = html ? 0 : 1;
        setting.flag = *flag;
        return setting;
    }
    if (const auto k = matchKey(key, kGeometryKeys)) {
        const auto n = wholeNumber(value);
        if (!n)
            return std::nullopt;
        setting.kind = OptionSetting::Geometry;
        setting.key = *k;
        setting.text = QString::number(*n);
        setting.number = *n;
        return setting;
    }
    return std::nullopt;
}

std::vector<OptionRow> CreateTabRows(const CreateTabValues& v) {
    const auto key = [](int id) { return LoadResString(id); };
    const auto check = [](int value) { return QString::number(value); };
    return {
        {key(511), v.vbProjectFileName},
        {key(512), v.helpProjectFileName},
        {key(513), v.helpProjectTitle},
        {key(514), v.helpFileName},
        {key(515), v.contentsFileName},
        {key(516), v.rtfFileName},
        {key(517), check(v.generalHelp)},
        {key(518), check(v.contentsFile)},
        {key(519), check(v.toolTips)},
        {key(520), check(v.contextHelp)},
        {key(521), check(v.vbProject)},
        {key(523), flagText(v.htmlHelp)},
        {key(539), flagText(v.windowsHelp)},
        {key(540), v.winTop},
        {key(543), v.winLeft},
        {key(541), v.winWidth},
        {key(522), v.winHeight},
        {key(542), check(v.compile)},
        {key(538), v.indexFileName},
    };
}

void SaveCreateTab(dao::Database& db, const CreateTabValues& values) {
    workspace::Transaction transaction(db);
    for (const OptionRow& row : CreateTabRows(values))
        UpdateOptions(db, row.key, row.value);
    transaction.commit();
}

} // namespace options
