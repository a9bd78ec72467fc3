// The Create tab's values: what the window shows, what OK stores as option
// rows, and what the Create command and its generators read.
#pragma once

#include <QString>

// opthelptype index 0 and 1; None while neither button is chosen.
enum class HelpType { None, HtmlHelp, WindowsHelp };

struct CreateSettings {
    QString vbProjectFileName;   // txtvbprojectfilename (VBPF)
    QString helpProjectFileName; // txthelpprojectfilename (HPFN)
    QString helpProjectTitle;    // txthelpprojecttitle (HPJT)
    QString helpFileName;        // txthelpfilename (HLPF)
    QString contentsFileName;    // txtcontentsfilename (CONF)
    QString rtfFileName;         // txtrtffilename (RTFF)
    QString indexFileName;       // txtindexfilename (INDX)

    // Check box values as stored: 0 cleared, 1 checked, 2 grayed.
    int createGeneralHelp = 0;          // CRGH
    int createContentsFile = 0;         // CRCF
    int createToolTips = 0;             // CRTT
    int createContextSensitiveHelp = 0; // CRCS
    int vbProject = 0;                  // CRVB
    int compile = 0;                    // COMP
    int setFormWhatsThisHelp = 0;       // CRWH: WhatsThisHelp True on forms given What's This IDs

    HelpType helpType = HelpType::None; // HTMH, WHLP

    // A check box counts as ticked only when checked (a grayed box does not).
    static bool ticked(int value) { return value == 1; }
    bool windowsHelp() const { return helpType == HelpType::WindowsHelp; }
    bool htmlHelp() const { return helpType == HelpType::HtmlHelp; }
    // General help is generated (and may be compiled) only for Windows Help.
    bool generalHelpDue() const { return windowsHelp() && ticked(createGeneralHelp); }
    bool compileDue() const { return generalHelpDue() && ticked(compile); }
};

// The help window's position and size, stored with the Create tab (WINT,
// WINL, WINH) but not shown on it.
struct HelpWindowGeometry {
    QString top = QStringLiteral("98");
    QString left = QStringLiteral("240");
    QString height = QStringLiteral("547");
    QString width = QStringLiteral("769");
};
