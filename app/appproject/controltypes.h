// Which of the properties Quillmate writes each of VB's own control types
// has. VB reports a line for a property a type does not have as a load error,
// so the writers leave such lines out.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

enum class WrittenProperty { ToolTipText, HelpContextID, WhatsThisHelpID };

// Whether a control of `type` ("VB.Timer", as on its control line) has
// `property`. Types that are not VB's own (third-party and user controls)
// count as having it: their properties cannot be known here.
bool ControlTypeHasProperty(QStringView type, WrittenProperty property);

// The property as a form file names it ("ToolTipText").
QString PropertyName(WrittenProperty property);

// Why Create cannot write `property` into the control `form.control`: the
// form's controls are known and it is not among them (`type` is none), or
// its type has no such property. Empty when it can be written.
QString PropertyWarning(const QString& form, const QString& control,
                        const std::optional<QString>& type, WrittenProperty property);
