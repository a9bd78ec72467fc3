// Which of the properties Quillmate writes each of VB's own control types
// has. VB reports a line for a property a type does not have as a load error,
// so the writers leave such lines out.
#pragma once

#include <QStringView>

enum class WrittenProperty { ToolTipText, HelpContextID, WhatsThisHelpID };

// Whether a control of `type` ("VB.Timer", as on its control line) has
// `property`. Types that are not VB's own (third-party and user controls)
// count as having it: their properties cannot be known here.
bool ControlTypeHasProperty(QStringView type, WrittenProperty property);
