// Project options: the rows of the Options table (a four-letter key and its
// value as text) that keep the Create tab's settings.
#pragma once

#include "dao.h"

#include <QString>
#include <optional>
#include <vector>

namespace options {

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

// What one option row does to the window when a project opens.
struct OptionSetting {
    enum Kind {
        Text,     // a text box gets `text`
        Check,    // a check box gets `number` (0, 1 or 2)
        HelpType, // option button `number` (0 HTML Help, 1 Windows Help) gets `flag`
        Geometry, // a help-window geometry string gets `text`
    };
    Kind kind = Text;
    QString key; // the key as the program writes it, for example "VBPF"
    QString text;
    int number = 0;
    bool flag = false;
};

// The setting of one row, or none for a key the window does not show (LMAP,
// unknown keys) and for a value that does not convert to its control.
// Geometry keys: "WINT" (top), "WINL" (left), "WINH" (height).
std::optional<OptionSetting> InterpretOption(const QString& key, const QString& value);

// The values of the Create tab that OK stores.
struct CreateTabValues {
    QString vbProjectFileName;   // VBPF
    QString helpProjectFileName; // HPFN
    QString helpProjectTitle;    // HPJT
    QString helpFileName;        // HLPF
    QString contentsFileName;    // CONF
    QString rtfFileName;         // RTFF
    int generalHelp = 0;         // CRGH
    int contentsFile = 0;        // CRCF
    int toolTips = 0;            // CRTT
    int contextHelp = 0;         // CRCS
    int vbProject = 0;           // CRVB
    bool htmlHelp = false;       // HTMH
    bool windowsHelp = false;    // WHLP
    QString winTop;              // WINT
    QString winLeft;             // WINL
    QString winWidth;            // WINT again: the width shares the top's key
    QString winHeight;           // WINH
    int compile = 0;             // COMP
    // INDX: stored last, so that HTML Help keeps its index file name for the
    // next session and for qmt --create.
    QString indexFileName;
};

// The UpdateOptions calls of saving the Create tab, in their order.
std::vector<OptionRow> CreateTabRows(const CreateTabValues& values);

// Stores the Create tab: every row of CreateTabRows, all or none.
void SaveCreateTab(dao::Database& db, const CreateTabValues& values);

} // namespace options
