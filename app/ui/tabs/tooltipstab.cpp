#include "tooltipstab.h"

#include "applicationforms.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "ui/commandguard.h"
#include "ui/controlnotes.h"
#include "ui/frmmain.h"
#include "workspace/records.h"

#include <QComboBox>
#include <QLineEdit>

ToolTipsTab::ToolTipsTab(FrmMain& window) : TabPage(window, QStringLiteral("Tool Tips")) {
    onPick(w.cbottform, [this] { cbottform_Click(); });
    onPick(w.cbottobject, [this] { cbottobject_Click(); });
    watch(w.txttooltiptext);
    const auto check = [this] { w.CheckForOk(); };
    for (QComboBox* box : {w.cbottform, w.cbottobject})
        connect(box, &QComboBox::currentTextChanged, this, check);
    connect(w.txttooltiptext, &QLineEdit::textChanged, this, check);
}

void ToolTipsTab::shown() {
    w.cbottform->setFocus();
}

records::ButtonStates ToolTipsTab::checkForOk() {
    return records::CheckToolTips(
        {w.cbottform->currentText(), w.cbottobject->currentText(), w.txttooltiptext->text()});
}

void ToolTipsTab::clear() {
    const QuietChanges quiet(*this);
    ui::clearText(w.cbottform);
    ui::clearText(w.cbottobject);
    w.txttooltiptext->clear();
    w.cbottform->setFocus();
    setModified(false);
}

// Tips are written form by form: the form and its control list stay for the
// next control.
void ToolTipsTab::clearAfterSave() {
    const QuietChanges quiet(*this);
    ui::clearText(w.cbottobject);
    w.txttooltiptext->clear();
    w.cbottobject->setFocus();
    setModified(false);
}

void ToolTipsTab::save() {
    if (!ui::confirmControlEntry(ui::controlWarnings(w.cbottobject, w.cbottform->currentText(),
                                                     w.cbottobject->currentText(),
                                                     {WrittenProperty::ToolTipText})))
        throw ui::Cancelled();
    records::SaveToolTip(*session().db, {w.cbottform->currentText(), w.cbottobject->currentText(),
                                         w.txttooltiptext->text()});
}

bool ToolTipsTab::remove() {
    const QString key =
        records::ObjectKey(w.cbottform->currentText(), w.cbottobject->currentText());
    if (!confirmDelete(u"the tool tip of " + key))
        return false;
    const bool deleted = records::DeleteToolTip(*session().db, w.cbottform->currentText(),
                                                w.cbottobject->currentText());
    if (deleted)
        told(QStringLiteral("Deleted the tool tip of %1.").arg(key));
    return deleted;
}

void ToolTipsTab::cbottform_Click() {
    if (w.cbottform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    const QuietChanges quiet(*this);
    w.applicationForms().FindObjects(w.cbottform->currentText(), w.cbottobject);
    ui::markControlsWithout(w.cbottobject, w.cbottform->currentText(),
                            {WrittenProperty::ToolTipText});
}

void ToolTipsTab::cbottobject_Click() {
    if (w.cbottobject->currentText().isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this] {
        const QuietChanges quiet(*this);
        // Choosing a control loads its tip; one without a tip starts empty.
        const auto tip = records::LoadToolTip(*session().db, w.cbottform->currentText(),
                                              w.cbottobject->currentText());
        w.txttooltiptext->setText(tip ? tip->toolTipText : QString());
        setModified(false);
        w.CheckForOk();
    });
}

QWidget* ToolTipsTab::field(int captionId) const {
    switch (captionId) {
    case str::caption::Object:
        return w.cbottobject;
    case str::caption::ToolTipText:
        return w.txttooltiptext;
    default:
        return nullptr;
    }
}
