#include "whatsthistab.h"

#include "applicationforms.h"
#include "generalhelptab.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "ui/captions.h"
#include "ui/commandguard.h"
#include "ui/controlnotes.h"
#include "ui/topicmodel.h"
#include "ui/uiutil.h"
#include "ui_whatsthistab.h"
#include "workspace/records.h"
#include "workspace/session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

WhatsThisTab::WhatsThisTab(TabContext& context)
    : TabPage(context, tr("What's This?")), ui(std::make_unique<Ui::WhatsThisTab>()) {
    ui->setupUi(this);
    ui->cbowttopicid->setModel(&topics());
    ui::keepTextWhileItemsChange(ui->cbowttopicid);
    ApplicationForms::showControlTypes(ui->cbowtobject);
    connect(&forms(), &ApplicationForms::formsRead, this, [this] {
        const QuietChanges quiet(*this);
        forms().fillForms(ui->cbowtform);
    });
    ui->lblwttopicidfootnote->setForegroundRole(QPalette::PlaceholderText);
    onPick(ui->cbowtform, [this] { cbowtform_Click(); });
    onPick(ui->cbowtobject, [this] { cbowtobject_Click(); });
    // A general topic only adds to the entry; the question comes when another
    // control's entry would replace it. Typing a topic ID to find it is no edit.
    onPick(
        ui->cbowttopicid, [this] { cbowttopicid_Click(); }, false);
    watch(ui->txtwtmapnumber);
    watch(ui->txtwthelptext);
    watch(ui->chkwtconsenhlp);
    watch(ui->chkwtwthlp);
    connect(ui->cmdwtnextmapnum, &QPushButton::clicked, this, [this] { cmdwtnextmapnum_Click(); });
    const auto check = [this] { emit changed(); };
    for (QComboBox* box : {ui->cbowtform, ui->cbowtobject, ui->cbowttopicid})
        connect(box, &QComboBox::currentTextChanged, this, check);
    for (QCheckBox* box : {ui->chkwtconsenhlp, ui->chkwtwthlp})
        connect(box, &QCheckBox::clicked, this, check);
    if (ui->cbowttopicid->lineEdit())
        ui->cbowttopicid->lineEdit()->setMaxLength(records::TopicIdSize);
}

WhatsThisTab::~WhatsThisTab() = default;

void WhatsThisTab::loadStrings() {
    ui::loadCaptions({{ui->cmdwtnextmapnum, str::caption::Next},
                      {ui->lblwthelptext, str::caption::HelpText},
                      {ui->lblwtmapnumber, str::caption::TopicMapNumber},
                      {ui->lblwttopicidfootnote, str::caption::HashFootnote},
                      {ui->lblwttopicid, str::caption::EntryTopicId},
                      {ui->frmwtobjhlptype, str::caption::ObjectHelpType},
                      {ui->chkwtwthlp, str::caption::WhatsThisHelp},
                      {ui->chkwtconsenhlp, str::caption::ContextSensitiveHelp},
                      {ui->lblwtobject, str::caption::Object},
                      {ui->lblwtform, str::caption::Form}});
}

void WhatsThisTab::projectOpened() {
    TabPage::projectOpened();
    const QuietChanges quiet(*this);
    forms().fillForms(ui->cbowtform);
}

void WhatsThisTab::shown() {
    ui->cbowtform->setFocus();
}

records::ButtonStates WhatsThisTab::checkForOk() {
    return records::CheckWhatsThis(
        {ui->cbowtform->currentText(), ui->cbowtobject->currentText(), ui->txtwtmapnumber->text(),
         ui->cbowttopicid->currentText(), ui->txtwthelptext->toPlainText(),
         ui::checkValue(ui->chkwtconsenhlp), ui::checkValue(ui->chkwtwthlp)});
}

void WhatsThisTab::clear() {
    // The form and control keep their text, so that several controls of one
    // form can be entered in a row.
    const QuietChanges quiet(*this);
    ui->txtwtmapnumber->clear();
    ui->txtwthelptext->clear();
    ui::clearText(ui->cbowttopicid);
    ui::setCheckValue(ui->chkwtconsenhlp, 0);
    ui::setCheckValue(ui->chkwtwthlp, 0);
    ui->cbowtform->setFocus();
    setModified(false);
}

void WhatsThisTab::save() {
    const QString form = ui->cbowtform->currentText();
    const QString object = ui->cbowtobject->currentText();
    const QString topicId = ui->cbowttopicid->currentText();
    // The help IDs the ticked types write: context-sensitive help the first, What's This the
    // second.
    QList<WrittenProperty> written;
    if (ui::checkValue(ui->chkwtconsenhlp) == 1)
        written << WrittenProperty::HelpContextID;
    if (ui::checkValue(ui->chkwtwthlp) == 1)
        written << WrittenProperty::WhatsThisHelpID;
    if (!ui::confirmControlEntry(ui::controlWarnings(ui->cbowtobject, form, object, written)))
        throw ui::Cancelled();
    const QString helpText = confirmCodes(
        tr("The What's This entry of %1").arg(records::ObjectKey(form, object)), ui->txtwthelptext);
    const auto before = records::LoadWhatsThis(*session().db, form, object);
    records::SaveWhatsThis(*session().db,
                           {form, object, topicId, ui->txtwtmapnumber->text(), helpText,
                            ui::checkValue(ui->chkwtconsenhlp), ui::checkValue(ui->chkwtwthlp)});
    topics().add(topicId, TopicModel::WhatsThis);
    if (before)
        dropTopicIfUnused(before->topicId);
}

bool WhatsThisTab::remove() {
    const QString form = ui->cbowtform->currentText();
    const QString object = ui->cbowtobject->currentText();
    const QString key = records::ObjectKey(form, object);
    if (!confirmDelete(tr("the What's This entry of %1").arg(key)))
        return false;
    const auto entry = records::LoadWhatsThis(*session().db, form, object);
    const bool deleted = records::DeleteWhatsThis(*session().db, form, object);
    if (entry)
        dropTopicIfUnused(entry->topicId);
    if (deleted)
        told(tr("Deleted the What's This entry of %1.").arg(key));
    return deleted;
}

// The What's This list keeps a topic ID while an entry names it.
void WhatsThisTab::dropTopicIfUnused(const QString& topicId) {
    if (!topicId.isEmpty() && records::WhatsThisEntriesOfTopic(*session().db, topicId).isEmpty())
        topics().drop(topicId, TopicModel::WhatsThis);
}

void WhatsThisTab::cbowtform_Click() {
    if (ui->cbowtform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    const QuietChanges quiet(*this);
    forms().FindObjects(ui->cbowtform->currentText(), ui->cbowtobject);
    ui::markControlsWithout(ui->cbowtobject, ui->cbowtform->currentText(),
                            {WrittenProperty::HelpContextID, WrittenProperty::WhatsThisHelpID});
}

// Ticks the help-type boxes of an entry's Type.
void WhatsThisTab::showHelpType(const records::WhatsThisRecord& entry) {
    if (entry.contextSensitive)
        ui->chkwtconsenhlp->setChecked(true);
    if (entry.whatsThis)
        ui->chkwtwthlp->setChecked(true);
}

void WhatsThisTab::cbowtobject_Click() {
    if (ui->cbowtobject->currentText().isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this] {
        const QuietChanges quiet(*this);
        ui->chkwtconsenhlp->setChecked(false);
        ui->chkwtwthlp->setChecked(false);
        if (const auto entry = records::LoadWhatsThis(*session().db, ui->cbowtform->currentText(),
                                                      ui->cbowtobject->currentText())) {
            ui->txtwtmapnumber->setText(entry->mapNumber);
            showHelpType(*entry);
            ui::showStoredText(ui->txtwthelptext, entry->helpText);
            ui::setBoxText(ui->cbowttopicid, entry->topicId);
        } else {
            // A control without an entry starts empty; the topic typed stays.
            ui->txtwtmapnumber->clear();
            ui->txtwthelptext->clear();
        }
        setModified(false);
        emit changed();
    });
}

void WhatsThisTab::cbowttopicid_Click() {
    const QString topic = ui->cbowttopicid->currentText();
    if (topic.isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this, &topic] {
        dao::Database& db = *session().db;
        if (const auto entry = records::LoadWhatsThisOfTopic(db, topic)) {
            if (!askBeforeReplacing(ui->cbowttopicid))
                return;
            const QuietChanges quiet(*this);
            ui->txtwtmapnumber->setText(entry->mapNumber);
            ui::showStoredText(ui->txtwthelptext, entry->helpText);
            ui::setBoxText(ui->cbowtform, entry->form);
            ui::setBoxText(ui->cbowtobject, entry->object);
            showHelpType(*entry);
            setModified(false);
        } else if (const auto general = records::LoadGeneralHelp(db, topic)) {
            const bool typed = modified();
            const QuietChanges quiet(*this);
            // What the author typed stays; the rest comes from the topic (a
            // text taken from the topic picked before is replaced).
            if (!typed) {
                ui->chkwtconsenhlp->setChecked(false);
                ui->chkwtwthlp->setChecked(false);
            }
            const QString text = ui::storedText(ui->txtwthelptext);
            if (!typed || text.isEmpty() || text == m_topicText) {
                ui::showStoredText(ui->txtwthelptext, general->helpText);
                m_topicText = ui::storedText(ui->txtwthelptext);
            }
            // A topic has one map number: the control takes the topic's.
            if (const auto number = records::MapNumberOfTopic(db, topic))
                ui->txtwtmapnumber->setText(QString::number(*number));
            setModified(true); // the control's entry now shows this topic
        }
        emit changed();
    });
}

void WhatsThisTab::cmdwtnextmapnum_Click() {
    GeneralHelpTab::putNextMapNumber(session(), ui->txtwtmapnumber);
}

QWidget* WhatsThisTab::field(int captionId) const {
    using namespace str::caption;
    switch (captionId) {
    case Object:
        return ui->cbowtobject;
    case EntryTopicId:
        return ui->cbowttopicid;
    case HelpText:
        return ui->txtwthelptext;
    case TopicMapNumber:
        return ui->txtwtmapnumber;
    case ObjectHelpType:
        return ui->chkwtwthlp;
    default:
        return nullptr;
    }
}
