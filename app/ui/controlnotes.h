// The object lists of the Tool Tips and What's This tabs: controls whose type
// cannot take what the tab writes are marked, and OK warns before storing an
// entry Create would leave out.
#pragma once

#include "appproject/controltypes.h"

#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;

namespace ui {

// The note shown after a marked control's name and type.
constexpr int ControlNoteRole = Qt::UserRole + 2;

// Marks the items of `objects`, the controls of `form` (their types under
// ApplicationForms::ControlTypeRole), whose type has none of `properties`.
void markControlsWithout(QComboBox* objects, const QString& form,
                         const QList<WrittenProperty>& properties);

// What keeps Create from writing `properties` into `form.control`, looked up
// in `objects` when it lists the controls of `form`; empty when nothing does.
QStringList controlWarnings(const QComboBox* objects, const QString& form, const QString& control,
                            const QList<WrittenProperty>& properties);

// OK's question when controlWarnings has something to say: true to store the
// entry all the same.
bool confirmControlEntry(const QStringList& warnings);

} // namespace ui
