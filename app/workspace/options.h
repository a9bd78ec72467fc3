// Project options: the rows of the Options table (a four-letter key and its
// value as text) that keep the Create tab's settings.
#pragma once

#include "dao.h"
#include "workspace/createsettings.h"

#include <QString>
#include <vector>

namespace options {

// The help window's numbers are in the help viewer's units, 0 to 1024.
constexpr int kMaxWindowUnit = 1024;

struct OptionRow {
    QString key;
    QString value;
};

// Writes one option row: adds it, or changes the value of the row found.
// An empty value removes the key's row instead, since the store refuses an
// empty value and a missing row opens as an empty box.
void UpdateOptions(dao::Database& db, const QString& strkey, const QString& strValue);

// The active option rows in the order the store gives them.
std::vector<OptionRow> ReadOptions(dao::Database& db);

// What one option row does to the Create tab. Keys match in any letter case.
// A row the tab does not show (LMAP, unknown keys) and a value that does not
// convert (a check value other than 0, 1, 2; a flag that is neither
// True/False nor a number; geometry that is no number) change nothing.
// Choosing one help type (a true HTMH or WHLP) deselects the other; a false
// one leaves the choice as it was.
void ApplyOptionRow(CreateSettings& settings, HelpWindowGeometry& geometry, const QString& key,
                    const QString& value);

// The Create tab as the window shows it right after opening the project: the
// defaults (empty names, cleared boxes, no help type) with every row applied
// in stored order, the help window's geometry in `window`. `geometry`, when
// given, receives that geometry too. A project without a WINW row is read as
// older versions wrote it: its WINT row holds the width, the top is the default.
CreateSettings ReadCreateSettings(dao::Database& db, HelpWindowGeometry* geometry = nullptr);

// The UpdateOptions calls of saving the Create tab, in their order.
std::vector<OptionRow> CreateTabRows(const CreateSettings& settings,
                                     const HelpWindowGeometry& geometry);

// Stores the Create tab: every row of CreateTabRows, all or none.
void SaveCreateTab(dao::Database& db, const CreateSettings& settings,
                   const HelpWindowGeometry& geometry);

} // namespace options
