#include "tooltipstab.h"

#include "applicationforms.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "ui/captions.h"
#include "ui/commandguard.h"
#include "ui/controlnotes.h"
#include "ui_tooltipstab.h"
#include "workspace/records.h"
#include "workspace/session.h"

#include <QComboBox>
#include <QLineEdit>

ToolTipsTab::ToolTipsTab(TabContext& context)
    : TabPage(context, tr("Tool Tips")), ui(std::make_unique<Ui::ToolTipsTab>()) {
    ui->setupUi(this);
    ApplicationForms::showControlTypes(ui->cbottobject);
    connect(&forms(), &ApplicationForms::formsRead, this, [this] {
        const QuietChanges quiet(*this);
        forms().fillForms(ui->cbottform);
    });
    onPick(ui->cbottform, [this] { cbottform_Click(); });
    onPick(ui->cbottobject, [this] { cbottobject_Click(); });
    watch(ui->txttooltiptext);
    const auto check = [this] { emit changed(); };
    for (QComboBox* box : {ui->cbottform, ui->cbottobject})
        connect(box, &QComboBox::currentTextChanged, this, check);
    connect(ui->txttooltiptext, &QLineEdit::textChanged, this, check);
}

ToolTipsTab::~ToolTipsTab() = default;

void ToolTipsTab::loadStrings() {
    ui::loadCaptions({{ui->lblttobject, str::caption::Object},
                      {ui->lblttform, str::caption::Form},
                      {ui->lbltooltiptext, str::caption::ToolTipText}});
}

void ToolTipsTab::projectOpened() {
    TabPage::projectOpened();
    const QuietChanges quiet(*this);
    forms().fillForms(ui->cbottform);
}

void ToolTipsTab::shown() {
    ui->cbottform->setFocus();
}

records::ButtonStates ToolTipsTab::checkForOk() {
    return records::CheckToolTips(
        {ui->cbottform->currentText(), ui->cbottobject->currentText(), ui->txttooltiptext->text()});
}

void ToolTipsTab::clear() {
    const QuietChanges quiet(*this);
    ui::clearText(ui->cbottform);
    ui::clearText(ui->cbottobject);
    ui->txttooltiptext->clear();
    ui->cbottform->setFocus();
    setModified(false);
}

// Tips are written form by form: the form and its control list stay for the
// next control.
void ToolTipsTab::clearAfterSave() {
    const QuietChanges quiet(*this);
    ui::clearText(ui->cbottobject);
    ui->txttooltiptext->clear();
    ui->cbottobject->setFocus();
    setModified(false);
}

void ToolTipsTab::save() {
    if (!ui::confirmControlEntry(ui::controlWarnings(ui->cbottobject, ui->cbottform->currentText(),
                                                     ui->cbottobject->currentText(),
                                                     {WrittenProperty::ToolTipText})))
        throw ui::Cancelled();
    records::SaveToolTip(
        *session().db,
        {ui->cbottform->currentText(), ui->cbottobject->currentText(), ui->txttooltiptext->text()});
}

bool ToolTipsTab::remove() {
    const QString key =
        records::ObjectKey(ui->cbottform->currentText(), ui->cbottobject->currentText());
    if (!confirmDelete(tr("the tool tip of %1").arg(key)))
        return false;
    const bool deleted = records::DeleteToolTip(*session().db, ui->cbottform->currentText(),
                                                ui->cbottobject->currentText());
    if (deleted)
        told(tr("Deleted the tool tip of %1.").arg(key));
    return deleted;
}

void ToolTipsTab::cbottform_Click() {
    if (ui->cbottform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    const QuietChanges quiet(*this);
    forms().FindObjects(ui->cbottform->currentText(), ui->cbottobject);
    ui::markControlsWithout(ui->cbottobject, ui->cbottform->currentText(),
                            {WrittenProperty::ToolTipText});
}

void ToolTipsTab::cbottobject_Click() {
    if (ui->cbottobject->currentText().isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this] {
        const QuietChanges quiet(*this);
        // Choosing a control loads its tip; one without a tip starts empty.
        const auto tip = records::LoadToolTip(*session().db, ui->cbottform->currentText(),
                                              ui->cbottobject->currentText());
        ui->txttooltiptext->setText(tip ? tip->toolTipText : QString());
        setModified(false);
        emit changed();
    });
}

QWidget* ToolTipsTab::field(int captionId) const {
    switch (captionId) {
    case str::caption::Object:
        return ui->cbottobject;
    case str::caption::ToolTipText:
        return ui->txttooltiptext;
    default:
        return nullptr;
    }
}
