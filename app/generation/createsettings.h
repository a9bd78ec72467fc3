// The Create tab's values, as the generators and the Create command read them.
#pragma once

#include <QString>

enum class HelpType { HtmlHelp, WindowsHelp }; // opthelptype index 0 and 1

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

    HelpType helpType = HelpType::WindowsHelp;

    // A check box counts as ticked only when checked (a grayed box does not).
    static bool ticked(int value) { return value == 1; }
    bool windowsHelp() const { return helpType == HelpType::WindowsHelp; }
    // General help is generated (and may be compiled) only for Windows Help.
    bool generalHelpDue() const { return windowsHelp() && ticked(createGeneralHelp); }
    bool compileDue() const { return generalHelpDue() && ticked(compile); }
};
