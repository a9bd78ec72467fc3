// Record editing on FrmMain: the enabling of OK, Delete and Create, the OK,
// Cancel and Delete commands of each tab, the topic list of the General Help
// tab, the Next buttons, and the project options of the Create tab.
#include "frmmain.h"

#include "uiutil.h"

#include "generation/createchecks.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "workspace/checkforok.h"
#include "workspace/mapnumbers.h"
#include "workspace/options.h"
#include "workspace/records.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

// Runs one command. A refused record or a failure of the store ends it with a
// message; the saves are transactions, so the project is left as it was, and
// the controls are only cleared after a save succeeded.
template <class Command> void runCommand(Command&& command) {
    try {
        command();
    } catch (const records::RecordError& e) {
        shell::MsgBox(e.message(), shell::vbExclamation);
    } catch (const dao::EngineError& e) {
        shell::MsgBox(LoadResString(str::message::CommandFailed) + QLatin1Char('\n') + e.text(),
                      shell::vbCritical);
    } catch (const std::exception& e) {
        shell::MsgBox(LoadResString(str::message::CommandFailed) + QLatin1Char('\n') +
                          QString::fromLocal8Bit(e.what()),
                      shell::vbCritical);
    } catch (...) {
        shell::MsgBox(LoadResString(str::message::CommandFailed), shell::vbCritical);
    }
}

void applyStates(const records::ButtonStates& states, QPushButton* ok, QPushButton* del,
                 QPushButton* create, QPushButton* addnode) {
    if (states.ok)
        ok->setEnabled(*states.ok);
    if (states.del)
        del->setEnabled(*states.del);
    if (states.create)
        create->setEnabled(*states.create);
    if (states.addnode)
        addnode->setEnabled(*states.addnode);
}

// Empties the text of a drop-down list; its items stay.
void clearText(QComboBox* box) {
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

// Adds a topic to a list without changing the text the list shows (adding
// the first item of a list would otherwise select it).
void addTopicItem(QComboBox* box, const QString& topicId) {
    const QString shown = box->currentText();
    box->addItem(topicId);
    if (box->currentText() != shown) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
}

// Removes a topic from a list (letter case ignored, as the project's keys),
// keeping the text the list shows.
void removeTopicItem(QComboBox* box, const QString& topicId) {
    const int index = box->findText(topicId, Qt::MatchFixedString);
    if (index < 0)
        return;
    const QString shown = box->currentText();
    box->removeItem(index);
    if (box->currentText() != shown) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
}

int treeNodeCount(QTreeWidget* tree) {
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++count;
    return count;
}

} // namespace

void FrmMain::connectRecords() {
    connect(cmdok, &QPushButton::clicked, this, &FrmMain::cmdok_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &FrmMain::cmdcancel_Click);
    connect(cmddelete, &QPushButton::clicked, this, &FrmMain::cmddelete_Click);
    connect(cmdghnextmapnum, &QPushButton::clicked, this, &FrmMain::cmdghnextmapnum_Click);
    connect(cmdwtnextmapnum, &QPushButton::clicked, this, &FrmMain::cmdwtnextmapnum_Click);
    connect(cbotopicid, &QComboBox::activated, this, [this] { cbotopicid_Click(); });

    const auto check = [this] { CheckForOk(); };
    for (QComboBox* box :
         {cbotopicid, cbocftopicid, cbottform, cbottobject, cbowtform, cbowtobject, cbowttopicid})
        connect(box, &QComboBox::currentTextChanged, this, check);
    connect(cbocftopicid, &QComboBox::activated, this, check);
    connect(txtgenhelptext, &QPlainTextEdit::textChanged, this, check);
    for (QLineEdit* box :
         {txttooltiptext, txtcftitle, txthelpfilename, txthelpprojecttitle, txtindexfilename})
        connect(box, &QLineEdit::textChanged, this, check);
    ui::onFocusOut(txtcontentsfilename, check);
    ui::onFocusOut(txtrtffilename, check);
    // The names Create needs also re-evaluate as they change, so that a name
    // emptied just before the toolbar's Create (which takes no focus) counts.
    for (QLineEdit* box : {txthelpprojectfilename, txtcontentsfilename, txtrtffilename})
        connect(box, &QLineEdit::textChanged, this, check);
    connect(opttopic, &QRadioButton::clicked, this, check);
    connect(optheading, &QRadioButton::clicked, this, check);
    for (QCheckBox* box : {chkwtconsenhlp, chkwtwthlp, chkcreategeneralhelp, chkcreatecontentsfile,
                           chkcreatetooltips})
        connect(box, &QCheckBox::clicked, this, check);
    connect(chkcreatecontextsensitivehelp, &QCheckBox::clicked, this, [this] {
        CheckForOk();
        ui::setCheckValue(chkvbproject, 1);
    });

    // The inputs hold no more than their fields in the project file.
    for (QComboBox* box : {cbotopicid, cbowttopicid}) {
        if (box->lineEdit())
            box->lineEdit()->setMaxLength(records::TopicIdSize);
    }
    txttopictitle->setMaxLength(records::TopicTitleSize);
    txtbrowseseq->setMaxLength(records::BrowseSeqSize);
    txttopicheader->setMaxLength(records::TopicHeaderSize);
}

void FrmMain::CheckForOk() {
    if (!m_session.isOpen())
        return;
    records::ButtonStates states;
    switch (SelectedTab()) {
    case TabGeneralHelp:
        states =
            records::CheckGeneralHelp({cbotopicid->currentText(), txtgenhelptext->toPlainText()});
        break;
    case TabContentsFile:
        states = records::CheckContentsFile({cbocftopicid->currentText(), txtcftitle->text(),
                                             opttopic->isChecked(), optheading->isChecked(),
                                             treeNodeCount(tvcontentsfileview)});
        break;
    case TabToolTips:
        states = records::CheckToolTips(
            {cbottform->currentText(), cbottobject->currentText(), txttooltiptext->text()});
        break;
    case TabWhatsThis:
        states = records::CheckWhatsThis(
            {cbowtform->currentText(), cbowtobject->currentText(), txtwtmapnumber->text(),
             cbowttopicid->currentText(), txtwthelptext->toPlainText(),
             ui::checkValue(chkwtconsenhlp), ui::checkValue(chkwtwthlp)});
        break;
    case TabCreate:
        states = records::CheckCreate(createSettings());
        break;
    default:
        return;
    }
    applyStates(states, cmdok, cmddelete, cmdcreate, cmdaddnode);
}

void FrmMain::ClearControls(quint8 tab) {
    switch (tab) {
    case TabGeneralHelp:
        clearText(cbotopicid);
        for (QLineEdit* box :
             {txttopictitle, txtbrowseseq, txtmapnumber, txtkeywords, txttopicheader})
            box->clear();
        txtgenhelptext->clear();
        cbotopicid->setFocus();
        break;
    case TabContentsFile:
        clearText(cbocftopicid);
        txtcftitle->clear();
        cbocftopicid->setFocus();
        break;
    case TabToolTips:
        clearText(cbottform);
        clearText(cbottobject);
        txttooltiptext->clear();
        cbottform->setFocus();
        break;
    case TabWhatsThis:
        // The form and control keep their text, so that several controls of
        // one form can be entered in a row.
        txtwtmapnumber->clear();
        txtwthelptext->clear();
        clearText(cbowttopicid);
        ui::setCheckValue(chkwtconsenhlp, 0);
        ui::setCheckValue(chkwtwthlp, 0);
        cbowtform->setFocus();
        break;
    default:
        return;
    }
    CheckForOk();
}

void FrmMain::cmdok_Click() {
    if (!m_session.isOpen() || !cmdok->isEnabled())
        return;
    const int tab = SelectedTab();
    runCommand([&] {
        ui::WaitCursor wait;
        dao::Database& db = *m_session.db;
        switch (tab) {
        case TabGeneralHelp: {
            const records::GeneralHelpRecord record{
                cbotopicid->currentText(), txttopictitle->text(),  txtbrowseseq->text(),
                txtkeywords->text(),       txttopicheader->text(), ui::storedText(txtgenhelptext),
                txtmapnumber->text()};
            if (records::SaveGeneralHelp(db, record)) {
                for (QComboBox* box : {cbotopicid, cbocftopicid, cbowttopicid})
                    addTopicItem(box, record.topicId);
            }
            ClearControls(TabGeneralHelp);
            break;
        }
        case TabContentsFile:
            SaveContentsTree();
            ClearControls(TabContentsFile);
            break;
        case TabToolTips:
            records::SaveToolTip(
                db, {cbottform->currentText(), cbottobject->currentText(), txttooltiptext->text()});
            ClearControls(TabToolTips);
            break;
        case TabWhatsThis:
            records::SaveWhatsThis(db,
                                   {cbowtform->currentText(), cbowtobject->currentText(),
                                    cbowttopicid->currentText(), txtwtmapnumber->text(),
                                    ui::storedText(txtwthelptext), ui::checkValue(chkwtconsenhlp),
                                    ui::checkValue(chkwtwthlp)});
            ClearControls(TabWhatsThis);
            break;
        case TabCreate: {
            const CreateSettings settings = createSettings();
            if (const QStringList problems = CheckCreateTabTexts(settings); !problems.isEmpty())
                throw records::RecordError(problems.join(u'\n'));
            options::SaveCreateTab(db, settings, m_session.window);
            break;
        }
        default:
            break;
        }
        QCoreApplication::processEvents();
    });
}

void FrmMain::cmdcancel_Click() {
    ClearControls(static_cast<quint8>(SelectedTab()));
}

void FrmMain::cmddelete_Click() {
    if (!m_session.isOpen() || !cmddelete->isEnabled())
        return;
    const int tab = SelectedTab();
    runCommand([&] {
        ui::WaitCursor wait;
        dao::Database& db = *m_session.db;
        bool deleted = false;
        switch (tab) {
        case TabGeneralHelp: {
            const QString topicId = cbotopicid->currentText();
            deleted = records::DeleteGeneralHelp(db, topicId);
            // The other topic lists keep it until the next open.
            removeTopicItem(cbotopicid, topicId);
            break;
        }
        case TabToolTips:
            deleted =
                records::DeleteToolTip(db, cbottform->currentText(), cbottobject->currentText());
            break;
        case TabWhatsThis:
            deleted =
                records::DeleteWhatsThis(db, cbowtform->currentText(), cbowtobject->currentText());
            break;
        default: // the contents tree deletes through its own menu; Create has no record
            return;
        }
        if (deleted)
            ClearControls(static_cast<quint8>(tab));
    });
}

void FrmMain::cbotopicid_Click() {
    const QString topicId = cbotopicid->currentText();
    if (m_session.isOpen() && !topicId.isEmpty()) {
        runCommand([&] {
            const auto record = records::LoadGeneralHelp(*m_session.db, topicId);
            if (!record)
                return;
            txttopictitle->setText(record->title);
            txtbrowseseq->setText(record->browseSeq);
            txtkeywords->setText(record->keywords);
            txttopicheader->setText(record->topicHeader);
            ui::showStoredText(txtgenhelptext, record->helpText);
            txtmapnumber->setText(record->mapNumber);
        });
    }
    CheckForOk();
}

namespace {
// A Next button: the proposal replaces the box's text; without a project the
// box is emptied; once every number is used the box keeps its text.
void putNextMapNumber(FrmMain& window, QLineEdit* box) {
    runCommand([&] {
        const QString next = window.GetNextMapNumber();
        if (!next.isEmpty() && !mapnumbers::ParseMapNumber(next)) {
            shell::MsgBox(LoadResString(str::message::NoMapNumberLeft), shell::vbExclamation);
            return;
        }
        box->setText(next);
    });
}
} // namespace

void FrmMain::cmdghnextmapnum_Click() {
    putNextMapNumber(*this, txtmapnumber);
}

void FrmMain::cmdwtnextmapnum_Click() {
    putNextMapNumber(*this, txtwtmapnumber);
}

QString FrmMain::GetNextMapNumber() {
    if (!m_session.isOpen())
        return {};
    return QString::number(mapnumbers::NextMapNumber(*m_session.db));
}

// Throws the store's refusal; the calling command reports it.
void FrmMain::SaveNextMapNumber(const QString& strnextmapnumber) {
    if (!m_session.isOpen())
        return;
    if (const auto number = mapnumbers::ParseMapNumber(strnextmapnumber))
        mapnumbers::SaveNextMapNumber(*m_session.db, *number);
}

// Throws the store's refusal; the calling command reports it.
void FrmMain::UpdateOptions(const QString& strkey, const QString& strValue) {
    if (m_session.isOpen())
        options::UpdateOptions(*m_session.db, strkey, strValue);
}

// Throws the store's refusal; DataBaseOpen reports it.
void FrmMain::ApplyOptions() {
    if (!m_session.isOpen())
        return;
    const CreateSettings settings = options::ReadCreateSettings(*m_session.db);
    showCreateSettings(settings);
    // A project without an application project keeps the one named before.
    if (!settings.vbProjectFileName.isEmpty())
        m_session.appProjectPath = settings.vbProjectFileName;
    if (!settings.helpProjectTitle.isEmpty())
        setWindowTitle(LoadResString(str::caption::ProgramName) + QStringLiteral(" - ") +
                       settings.helpProjectTitle);
}
