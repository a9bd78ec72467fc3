#include "controltypes.h"

namespace {

struct TypeProperties {
    const char16_t* type;
    bool toolTipText;
    bool helpContextId;
    bool whatsThisHelpId;
};

// VB's intrinsic controls, as their control lines name them, with the
// members VB's own type library gives each (real saved forms agree).
// clang-format off
constexpr TypeProperties kIntrinsic[] = {
    // type                  ToolTipText HelpContextID WhatsThisHelpID
    {u"VB.Form",             false,      true,         false},
    {u"VB.MDIForm",          false,      true,         false},
    {u"VB.CheckBox",         true,       true,         true},
    {u"VB.ComboBox",         true,       true,         true},
    {u"VB.CommandButton",    true,       true,         true},
    {u"VB.Data",             true,       false,        true},
    {u"VB.DirListBox",       true,       true,         true},
    {u"VB.DriveListBox",     true,       true,         true},
    {u"VB.FileListBox",      true,       true,         true},
    {u"VB.Frame",            true,       true,         true},
    {u"VB.HScrollBar",       false,      true,         true},
    {u"VB.VScrollBar",       false,      true,         true},
    {u"VB.Image",            true,       false,        true},
    {u"VB.Label",            true,       false,        true},
    {u"VB.Line",             false,      false,        false},
    {u"VB.ListBox",          true,       true,         true},
    {u"VB.Menu",             false,      true,         false},
    {u"VB.OLE",              false,      true,         true},
    {u"VB.OptionButton",     true,       true,         true},
    {u"VB.PictureBox",       true,       true,         true},
    {u"VB.Shape",            false,      false,        false},
    {u"VB.TextBox",          true,       true,         true},
    {u"VB.Timer",            false,      false,        false},
    {u"VB.UserControl",      false,      false,        false},
    {u"VB.UserDocument",     false,      false,        false},
    {u"VB.PropertyPage",     false,      true,         false},
};
// clang-format on

} // namespace

bool ControlTypeHasProperty(QStringView type, WrittenProperty property) {
    for (const TypeProperties& t : kIntrinsic) {
        if (type.compare(QStringView(t.type), Qt::CaseInsensitive) != 0)
            continue;
        switch (property) {
        case WrittenProperty::ToolTipText:
            return t.toolTipText;
        case WrittenProperty::HelpContextID:
            return t.helpContextId;
        case WrittenProperty::WhatsThisHelpID:
            return t.whatsThisHelpId;
        }
    }
    return true;
}

QString PropertyName(WrittenProperty property) {
    switch (property) {
    case WrittenProperty::ToolTipText:
        return QStringLiteral("ToolTipText");
    case WrittenProperty::HelpContextID:
        return QStringLiteral("HelpContextID");
    case WrittenProperty::WhatsThisHelpID:
        return QStringLiteral("WhatsThisHelpID");
    }
    return {};
}

QString PropertyWarning(const QString& form, const QString& control,
                        const std::optional<QString>& type, WrittenProperty property) {
    if (!type)
        return QStringLiteral("The form %1 has no control %2, so Create cannot write its %3.")
            .arg(form, control, PropertyName(property));
    if (ControlTypeHasProperty(*type, property))
        return {};
    return QStringLiteral("%1.%2 is a %3, which has no %4, so Create leaves it out.")
        .arg(form, control, *type, PropertyName(property));
}
