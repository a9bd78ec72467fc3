// The Create tab's values: what the window shows, what OK stores as option
// rows, and what the Create command and its generators read.
#pragma once

#include <QString>

// opthelptype index 0 and 1; None while neither button is chosen.
enum class HelpType { None, HtmlHelp, WindowsHelp };

// The help window's position and size (WINT, WINL, WINH, WINW), shown in
// the window-size box and written into the help project files when they
// differ from these defaults.
struct HelpWindowGeometry {
    QString top = QStringLiteral("98");
    QString left = QStringLiteral("240");
    QString height = QStringLiteral("547");
    QString width = QStringLiteral("769");

    bool operator==(const HelpWindowGeometry&) const = default;
    bool isDefault() const { return *this == HelpWindowGeometry{}; }
    // As the window-size box shows it: "pos(240,98) size(769,547)".
    QString text() const {
        return QStringLiteral("pos(%1,%2) size(%3,%4)").arg(left, top, width, height);
    }
};

struct CreateSettings {
    QString vbProjectFileName;   // txtvbprojectfilename (VBPF)
    QString helpProjectFileName; // txthelpprojectfilename (HPFN)
    QString helpProjectTitle;    // txthelpprojecttitle (HPJT)
    QString helpFileName;        // txthelpfilename (HLPF)
    QString contentsFileName;    // txtcontentsfilename (CONF)
    QString rtfFileName;         // txtrtffilename (RTFF)
    QString indexFileName;       // txtindexfilename (INDX)
    QString helpFonts;           // FONT: faces help texts may name, ";" between them
    QString helpColors;          // COLR: colours help texts may name, ";" between them

    // Check box values as stored: 0 cleared, 1 checked, 2 grayed.
    int createGeneralHelp = 0;          // CRGH
    int createContentsFile = 0;         // CRCF
    int createToolTips = 0;             // CRTT
    int createContextSensitiveHelp = 0; // CRCS
    int vbProject = 0;                  // CRVB
    int compile = 0;                    // COMP
    int setFormWhatsThisHelp = 0;       // CRWH: WhatsThisHelp True on forms given What's This IDs

    HelpType helpType = HelpType::None; // HTMH, WHLP

    HelpWindowGeometry window; // the help window (not shown on the tab itself)

    // A check box counts as ticked only when checked (a grayed box does not).
    static bool ticked(int value) { return value == 1; }
    bool windowsHelp() const { return helpType == HelpType::WindowsHelp; }
    bool htmlHelp() const { return helpType == HelpType::HtmlHelp; }
    // General help is generated (and may be compiled) only for Windows Help.
    bool generalHelpDue() const { return windowsHelp() && ticked(createGeneralHelp); }
    bool compileDue() const { return generalHelpDue() && ticked(compile); }
};
