#include "controlnotes.h"

#include "shell/dialogs.h"
#include "tabs/applicationforms.h"

#include <QBrush>
#include <QComboBox>
#include <QPalette>

namespace ui {

namespace {

// The form whose controls the list holds.
const char* const kFormProperty = "qmControlsOf";

} // namespace

void markControlsWithout(QComboBox* objects, const QString& form,
                         const QList<WrittenProperty>& properties) {
    objects->setProperty(kFormProperty, form);
    for (int i = 0; i < objects->count(); ++i) {
        const QString type = objects->itemData(i, ApplicationForms::ControlTypeRole).toString();
        QStringList missing;
        for (const WrittenProperty property : properties)
            if (!ControlTypeHasProperty(type, property))
                missing << PropertyName(property);
        const bool none = missing.size() == properties.size();
        objects->setItemData(i, none ? QVariant(QString(u"no " + missing.join(u'/'))) : QVariant(),
                             ControlNoteRole);
        objects->setItemData(
            i,
            none ? QVariant(objects->palette().brush(QPalette::Disabled, QPalette::Text))
                 : QVariant(),
            Qt::ForegroundRole);
        objects->setItemData(i,
                             missing.isEmpty()
                                 ? QVariant()
                                 : QVariant(QStringLiteral("A %1 has no %2.")
                                                .arg(type, missing.join(QStringLiteral(" and ")))),
                             Qt::ToolTipRole);
    }
}

QStringList controlWarnings(const QComboBox* objects, const QString& form, const QString& control,
                            const QList<WrittenProperty>& properties) {
    QStringList warnings;
    if (objects->count() == 0 ||
        objects->property(kFormProperty).toString().compare(form, Qt::CaseInsensitive) != 0)
        return warnings; // the form's controls are not known here
    const int at = objects->findText(control, Qt::MatchFixedString);
    const std::optional<QString> type =
        at < 0 ? std::nullopt
               : std::optional(objects->itemData(at, ApplicationForms::ControlTypeRole).toString());
    for (const WrittenProperty property : properties)
        if (const QString warning = PropertyWarning(form, control, type, property);
            !warning.isEmpty())
            warnings << warning;
    return warnings;
}

bool confirmControlEntry(const QStringList& warnings) {
    if (warnings.isEmpty())
        return true;
    return shell::Choose(warnings.join(u'\n') + QStringLiteral("\n\nSave the entry all the same?"),
                         {QStringLiteral("&Save anyway"), QStringLiteral("Go back")},
                         shell::vbExclamation) == 0;
}

} // namespace ui
