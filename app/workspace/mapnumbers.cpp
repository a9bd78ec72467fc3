#include "mapnumbers.h"

#include "filltemplate.h"
#include "resources/stringtable.h"

namespace mapnumbers {

namespace {

QString counterStatement() {
    return SelectWhere(QStringLiteral("*"), LoadResString(str::table::Options),
                       LoadResString(str::field::Option), LoadResString(str::option::LMAP));
}

// The stored counter; a value that is not a number (an edited file) counts as 0.
int storedCounter(const dao::Recordset& rs) {
    bool ok = false;
    const int value = rs.Text(QStringLiteral("Descr")).trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

std::optional<int> ParseMapNumber(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > MaxMapNumber)
            return std::nullopt;
    }
    return value;
}

int NextMapNumber(dao::Database& db) {
    auto rs = db.OpenRecordset(counterStatement(), dao::dbOpenSnapshot);
    if (rs->EOF_())
        return 1;
    return storedCounter(*rs) + 1;
}

void SaveNextMapNumber(dao::Database& db, int mapNumber) {
    auto rs = db.OpenRecordset(counterStatement(), dao::dbOpenDynaset);
    if (rs->EOF_()) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Option"), LoadResString(str::option::LMAP));
        rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
        rs->SetField(QStringLiteral("Descr"), QString::number(mapNumber));
        rs->Update();
        return;
    }
    if (mapNumber > storedCounter(*rs)) {
        rs->Edit();
        rs->SetField(QStringLiteral("Descr"), QString::number(mapNumber));
        rs->Update();
    }
}

} // namespace mapnumbers
