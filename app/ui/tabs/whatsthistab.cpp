#include "whatsthistab.h"

#include "applicationforms.h"
#include "generalhelptab.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "ui/commandguard.h"
#include "ui/controlnotes.h"
#include "ui/frmmain.h"
#include "ui/uiutil.h"
#include "workspace/records.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

WhatsThisTab::WhatsThisTab(FrmMain& window) : TabPage(window, QStringLiteral("What's This?")) {
    onPick(w.cbowtform, [this] { cbowtform_Click(); });
    onPick(w.cbowtobject, [this] { cbowtobject_Click(); });
    // A general topic only adds to the entry; the question comes when another
    // control's entry would replace it. Typing a topic ID to find it is no edit.
    onPick(
        w.cbowttopicid, [this] { cbowttopicid_Click(); }, false);
    watch(w.txtwtmapnumber);
    watch(w.txtwthelptext);
    watch(w.chkwtconsenhlp);
    watch(w.chkwtwthlp);
    connect(w.cmdwtnextmapnum, &QPushButton::clicked, this, [this] { cmdwtnextmapnum_Click(); });
    const auto check = [this] { w.CheckForOk(); };
    for (QComboBox* box : {w.cbowtform, w.cbowtobject, w.cbowttopicid})
        connect(box, &QComboBox::currentTextChanged, this, check);
    for (QCheckBox* box : {w.chkwtconsenhlp, w.chkwtwthlp})
        connect(box, &QCheckBox::clicked, this, check);
    if (w.cbowttopicid->lineEdit())
        w.cbowttopicid->lineEdit()->setMaxLength(records::TopicIdSize);
}

void WhatsThisTab::shown() {
    w.cbowtform->setFocus();
}

records::ButtonStates WhatsThisTab::checkForOk() {
    return records::CheckWhatsThis(
        {w.cbowtform->currentText(), w.cbowtobject->currentText(), w.txtwtmapnumber->text(),
         w.cbowttopicid->currentText(), w.txtwthelptext->toPlainText(),
         ui::checkValue(w.chkwtconsenhlp), ui::checkValue(w.chkwtwthlp)});
}

void WhatsThisTab::clear() {
    // The form and control keep their text, so that several controls of one
    // form can be entered in a row.
    const QuietChanges quiet(*this);
    w.txtwtmapnumber->clear();
    w.txtwthelptext->clear();
    ui::clearText(w.cbowttopicid);
    ui::setCheckValue(w.chkwtconsenhlp, 0);
    ui::setCheckValue(w.chkwtwthlp, 0);
    w.cbowtform->setFocus();
    setModified(false);
}

void WhatsThisTab::save() {
    // The help IDs the ticked types write: context-sensitive help the first, What's This the
    // second.
    QList<WrittenProperty> written;
    if (ui::checkValue(w.chkwtconsenhlp) == 1)
        written << WrittenProperty::HelpContextID;
    if (ui::checkValue(w.chkwtwthlp) == 1)
        written << WrittenProperty::WhatsThisHelpID;
    if (!ui::confirmControlEntry(ui::controlWarnings(w.cbowtobject, w.cbowtform->currentText(),
                                                     w.cbowtobject->currentText(), written)))
        throw ui::Cancelled();
    const QString helpText = confirmCodes(
        QStringLiteral("The What's This entry of ") +
            records::ObjectKey(w.cbowtform->currentText(), w.cbowtobject->currentText()),
        w.txtwthelptext);
    records::SaveWhatsThis(*session().db,
                           {w.cbowtform->currentText(), w.cbowtobject->currentText(),
                            w.cbowttopicid->currentText(), w.txtwtmapnumber->text(), helpText,
                            ui::checkValue(w.chkwtconsenhlp), ui::checkValue(w.chkwtwthlp)});
}

bool WhatsThisTab::remove() {
    const QString key =
        records::ObjectKey(w.cbowtform->currentText(), w.cbowtobject->currentText());
    if (!confirmDelete(u"the What's This entry of " + key))
        return false;
    const bool deleted = records::DeleteWhatsThis(*session().db, w.cbowtform->currentText(),
                                                  w.cbowtobject->currentText());
    if (deleted)
        told(QStringLiteral("Deleted the What's This entry of %1.").arg(key));
    return deleted;
}

void WhatsThisTab::cbowtform_Click() {
    if (w.cbowtform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    const QuietChanges quiet(*this);
    w.applicationForms().FindObjects(w.cbowtform->currentText(), w.cbowtobject);
    ui::markControlsWithout(w.cbowtobject, w.cbowtform->currentText(),
                            {WrittenProperty::HelpContextID, WrittenProperty::WhatsThisHelpID});
}

// Ticks the help-type boxes of an entry's Type.
void WhatsThisTab::showHelpType(const records::WhatsThisRecord& entry) {
    if (entry.contextSensitive)
        w.chkwtconsenhlp->setChecked(true);
    if (entry.whatsThis)
        w.chkwtwthlp->setChecked(true);
}

void WhatsThisTab::cbowtobject_Click() {
    if (w.cbowtobject->currentText().isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this] {
        const QuietChanges quiet(*this);
        w.chkwtconsenhlp->setChecked(false);
        w.chkwtwthlp->setChecked(false);
        if (const auto entry = records::LoadWhatsThis(*session().db, w.cbowtform->currentText(),
                                                      w.cbowtobject->currentText())) {
            w.txtwtmapnumber->setText(entry->mapNumber);
            showHelpType(*entry);
            ui::showStoredText(w.txtwthelptext, entry->helpText);
            ui::setBoxText(w.cbowttopicid, entry->topicId);
        } else {
            // A control without an entry starts empty; the topic typed stays.
            w.txtwtmapnumber->clear();
            w.txtwthelptext->clear();
        }
        setModified(false);
        w.CheckForOk();
    });
}

void WhatsThisTab::cbowttopicid_Click() {
    const QString topic = w.cbowttopicid->currentText();
    if (topic.isEmpty() || !session().isOpen())
        return;
    ui::runCommand([this, &topic] {
        dao::Database& db = *session().db;
        if (const auto entry = records::LoadWhatsThisOfTopic(db, topic)) {
            if (!askBeforeReplacing(w.cbowttopicid))
                return;
            const QuietChanges quiet(*this);
            w.txtwtmapnumber->setText(entry->mapNumber);
            ui::showStoredText(w.txtwthelptext, entry->helpText);
            ui::setBoxText(w.cbowtform, entry->form);
            ui::setBoxText(w.cbowtobject, entry->object);
            showHelpType(*entry);
            setModified(false);
        } else if (const auto general = records::LoadGeneralHelp(db, topic)) {
            const bool typed = modified();
            const QuietChanges quiet(*this);
            // What the author typed stays; the rest comes from the topic (a
            // text taken from the topic picked before is replaced).
            if (!typed) {
                w.chkwtconsenhlp->setChecked(false);
                w.chkwtwthlp->setChecked(false);
            }
            const QString text = ui::storedText(w.txtwthelptext);
            if (!typed || text.isEmpty() || text == m_topicText) {
                ui::showStoredText(w.txtwthelptext, general->helpText);
                m_topicText = ui::storedText(w.txtwthelptext);
            }
            // A topic has one map number: the control takes the topic's.
            if (const auto number = records::MapNumberOfTopic(db, topic))
                w.txtwtmapnumber->setText(QString::number(*number));
            setModified(true); // the control's entry now shows this topic
        }
        w.CheckForOk();
    });
}

void WhatsThisTab::cmdwtnextmapnum_Click() {
    GeneralHelpTab::putNextMapNumber(w, w.txtwtmapnumber);
}

QWidget* WhatsThisTab::field(int captionId) const {
    using namespace str::caption;
    switch (captionId) {
    case Object:
        return w.cbowtobject;
    case EntryTopicId:
        return w.cbowttopicid;
    case HelpText:
        return w.txtwthelptext;
    case TopicMapNumber:
        return w.txtwtmapnumber;
    case ObjectHelpType:
        return w.chkwtwthlp;
    default:
        return nullptr;
    }
}
