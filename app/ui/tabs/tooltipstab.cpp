#include "tooltipstab.h"

#include "applicationforms.h"
#include "listutil.h"
#include "ui/commandguard.h"
#include "ui/frmmain.h"
#include "workspace/records.h"

#include <QComboBox>
#include <QLineEdit>

ToolTipsTab::ToolTipsTab(FrmMain& window) : TabPage(window) {
    connect(w.cbottform, &QComboBox::activated, this, [this] { cbottform_Click(); });
    connect(w.cbottobject, &QComboBox::activated, this, [this] { cbottobject_Click(); });
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
    ui::clearText(w.cbottform);
    ui::clearText(w.cbottobject);
    w.txttooltiptext->clear();
    w.cbottform->setFocus();
}

void ToolTipsTab::save() {
    records::SaveToolTip(*session().db, {w.cbottform->currentText(), w.cbottobject->currentText(),
                                         w.txttooltiptext->text()});
}

bool ToolTipsTab::remove() {
    return records::DeleteToolTip(*session().db, w.cbottform->currentText(),
                                  w.cbottobject->currentText());
}

void ToolTipsTab::cbottform_Click() {
    if (w.cbottform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    w.applicationForms().FindObjects(w.cbottform->currentText(), w.cbottobject);
}

void ToolTipsTab::cbottobject_Click() {
    if (w.cbottobject->currentText().isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this] {
        if (const auto tip = records::LoadToolTip(*session().db, w.cbottform->currentText(),
                                                  w.cbottobject->currentText()))
            w.txttooltiptext->setText(tip->toolTipText);
        w.CheckForOk();
    });
}
