// What a Visual Basic application already says about its help: the HelpFile
// of its project file and, in its forms, each control's ToolTipText,
// HelpContextID and WhatsThisHelpID.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace import {

// One control (or the form itself) with help properties.
struct ControlHelp {
    QString object; // "form.control", the key of the project's tool tips and What's This entries
    QString type;   // "VB.CommandButton"
    QString toolTip;
    bool hasToolTip = false;
    int helpContextId = 0;
    int whatsThisHelpId = 0;
};

struct VbProjectHelp {
    QString helpFile;                  // the project's HelpFile value; empty when none
    std::vector<ControlHelp> controls; // in form order, then file order
    QStringList problems;              // forms that could not be read, values not taken
    int forms = 0;                     // forms read
};

// The help properties of the forms in `formBytes`, a form named `formName`;
// `where` names the form file in what it reports. Texts the form keeps in its
// .frx file are read from `frxFolder` (none read when it is empty).
void ReadFormHelp(const QByteArray& formBytes, const QString& formName, const QString& where,
                  VbProjectHelp& into, const QString& frxFolder = {});

// Reads the project file and every form it lists. Throws
// QMTCOdeMod::FileError when the project file cannot be read.
VbProjectHelp ReadVbProjectHelp(const QString& vbpPath);

} // namespace import
