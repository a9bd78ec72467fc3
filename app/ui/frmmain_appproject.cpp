// The application project field, the form and object lists, and the record
// lookups of the Tool Tips and What's This? tabs.
#include "frmmain.h"

#include "appproject/projectreader.h"
#include "appprojectstate.h"
#include "commandguard.h"
#include "frmprogress.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "uiutil.h"
#include "workspace/filltemplate.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <limits>

using namespace QMTCOdeMod;

namespace {

// A box's text set from a record, without running its pick handler.
void setBoxText(QComboBox* box, const QString& text) {
    if (box->isEditable())
        box->setEditText(text);
    else
        box->setCurrentIndex(box->findText(text));
}

// A text that names an existing file; wildcard patterns name none.
bool namesExistingFile(const QString& text) {
    if (text.contains(u'*') || text.contains(u'?'))
        return false;
    return QFileInfo(text).isFile();
}

qint32 progressValue(qint64 value) {
    return static_cast<qint32>(std::min<qint64>(value, std::numeric_limits<qint32>::max()));
}

// Leaving the application project field reads the project it names, once changed.
void projectFieldLeft(FrmMain& w) {
    const QString text = w.txtvbprojectfilename->text();
    if (text == w.m_appproject->rememberedProjectFile || text.isEmpty())
        return;
    if (namesExistingFile(text)) {
        w.session().appProjectPath = text;
        w.ProcessVBProject();
        return;
    }
    shell::MsgBox(LoadResString(str::message::InvalidProjectFileName), shell::vbOKOnly);
    w.txtvbprojectfilename->clear();
    // The focus is still moving away; take it back once that is done.
    QTimer::singleShot(0, w.txtvbprojectfilename,
                       [field = w.txtvbprojectfilename] { field->setFocus(); });
}

} // namespace

void FrmMain::connectAppProject() {
    connect(cbottform, &QComboBox::activated, this, [this] { cbottform_Click(); });
    connect(cbowtform, &QComboBox::activated, this, [this] { cbowtform_Click(); });
    connect(cbottobject, &QComboBox::activated, this, [this] { cbottobject_Click(); });
    connect(cbowtobject, &QComboBox::activated, this, [this] { cbowtobject_Click(); });
    connect(cbowttopicid, &QComboBox::activated, this, [this] { cbowttopicid_Click(); });
    connect(cmdvbproectfilebrowse, &QPushButton::clicked, this,
            [this] { cmdvbproectfilebrowse_Click(); });

    connect(txtvbprojectfilename, &QLineEdit::textChanged, this, [this](const QString& text) {
        CheckForOk();
        chkvbproject->setEnabled(!text.isEmpty());
    });
    chkvbproject->setEnabled(!txtvbprojectfilename->text().isEmpty());
    const std::weak_ptr<bool> alive = m_appproject->alive;
    ui::onFocusIn(txtvbprojectfilename, [this, alive] {
        if (!alive.expired())
            m_appproject->rememberedProjectFile = txtvbprojectfilename->text();
    });
    ui::onFocusOut(txtvbprojectfilename, [this, alive] {
        if (!alive.expired())
            projectFieldLeft(*this);
    });
}

void FrmMain::ProcessVBProject() {
    const ui::WaitCursor wait;
    try {
        m_session.forms = ReadProjectForms(m_session.appProjectPath);
    } catch (const FileError& e) {
        m_session.forms.clear();
        shell::MsgBox(QStringLiteral("The project file %1 cannot be read.").arg(e.path()),
                      shell::vbExclamation);
    }
    LoadFormComboBoxs();
}

void FrmMain::LoadFormComboBoxs() {
    for (QComboBox* box : {cbottform, cbowtform}) {
        box->clear();
        for (const FormRow& row : m_session.forms)
            box->addItem(row.formName);
        // Filling the list does not choose a form.
        box->setCurrentIndex(-1);
    }
}

void FrmMain::FindObjects(const QString& strformname, QComboBox* cboobjects) {
    cboobjects->clear();
    const QString path =
        GetFormFilePath(strformname, m_session.forms, txtvbprojectfilename->text());
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        shell::MsgBox(QStringLiteral("The form file of %1 cannot be opened.").arg(strformname),
                      shell::vbExclamation);
        return;
    }

    FrmProgress progress(this);
    progress.DisplayCaption(QStringLiteral("Processing form ") + strformname);
    progress.ShowProgressBar(true);
    progress.ProgressBarMin(1);
    progress.ProgressBarMax(progressValue(info.size()));
    progress.setWindowTitle(windowTitle());
    progress.show();
    QCoreApplication::processEvents();

    QStringList objects;
    try {
        objects = ListFormObjects(
            path, [&progress](qint64 bytes) { progress.ProgressBarValue(progressValue(bytes)); });
    } catch (const FileError& e) {
        progress.close();
        shell::MsgBox(e.text(), shell::vbExclamation);
        return;
    }
    cboobjects->addItems(objects);
    cboobjects->setCurrentIndex(-1);
    progress.close();
}

void FrmMain::cbottform_Click() {
    if (cbottform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    FindObjects(cbottform->currentText(), cbottobject);
}

void FrmMain::cbowtform_Click() {
    if (cbowtform->currentText().isEmpty())
        return;
    const ui::WaitCursor wait;
    FindObjects(cbowtform->currentText(), cbowtobject);
}

void FrmMain::cbottobject_Click() {
    if (cbottobject->currentText().isEmpty() || !m_session.isOpen())
        return;
    ui::runCommand([this] {
        const QString key = cbottform->currentText() + u'.' + cbottobject->currentText();
        auto rs = m_session.db->OpenRecordset(SelectWhere(QStringLiteral("*"),
                                                          LoadResString(str::table::ToolTips),
                                                          LoadResString(str::field::Object), key),
                                              dao::dbOpenSnapshot);
        if (!rs->EOF_())
            txttooltiptext->setText(rs->Text(QStringLiteral("HelpText")));
        CheckForOk();
    });
}

namespace {

// Ticks the help-type boxes from a record's Type.
void showHelpType(const QString& type, QCheckBox* consen, QCheckBox* whatsThis) {
    if (type == LoadResString(str::helptype::Both)) {
        consen->setChecked(true);
        whatsThis->setChecked(true);
    } else if (type == LoadResString(str::helptype::ContextSensitive)) {
        consen->setChecked(true);
    } else if (type == LoadResString(str::helptype::WhatsThis)) {
        whatsThis->setChecked(true);
    }
}

} // namespace

void FrmMain::cbowtobject_Click() {
    if (cbowtobject->currentText().isEmpty() || !m_session.isOpen())
        return;
    ui::runCommand([this] {
        chkwtconsenhlp->setChecked(false);
        chkwtwthlp->setChecked(false);
        const QString key = cbowtform->currentText() + u'.' + cbowtobject->currentText();
        auto rs = m_session.db->OpenRecordset(SelectWhere(QStringLiteral("*"),
                                                          LoadResString(str::table::WhatsThis),
                                                          LoadResString(str::field::Object), key),
                                              dao::dbOpenSnapshot);
        if (!rs->EOF_()) {
            txtwtmapnumber->setText(rs->Text(QStringLiteral("MapNumber")));
            showHelpType(rs->Text(QStringLiteral("Type")), chkwtconsenhlp, chkwtwthlp);
            ui::showStoredText(txtwthelptext, rs->Text(QStringLiteral("HelpText")));
            setBoxText(cbowttopicid, rs->Text(QStringLiteral("TopicID")));
        }
        CheckForOk();
    });
}

void FrmMain::cbowttopicid_Click() {
    const QString topic = cbowttopicid->currentText();
    if (topic.isEmpty() || !m_session.isOpen())
        return;
    ui::runCommand([this, &topic] {
        chkwtconsenhlp->setChecked(false);
        chkwtwthlp->setChecked(false);
        auto rs = m_session.db->OpenRecordset(
            SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                        LoadResString(str::field::TopicId), topic),
            dao::dbOpenSnapshot);
        if (!rs->EOF_()) {
            txtwtmapnumber->setText(rs->Text(QStringLiteral("MapNumber")));
            ui::showStoredText(txtwthelptext, rs->Text(QStringLiteral("HelpText")));
            QString formName;
            QString objectName;
            SeparateFormAndObject(rs->Text(QStringLiteral("Object")), formName, objectName);
            setBoxText(cbowtform, formName);
            setBoxText(cbowtobject, objectName);
            showHelpType(rs->Text(QStringLiteral("Type")), chkwtconsenhlp, chkwtwthlp);
        } else {
            auto topicRs = m_session.db->OpenRecordset(
                SelectWhere(QStringLiteral("*"), LoadResString(str::table::GeneralHelp),
                            LoadResString(str::field::TopicId), topic),
                dao::dbOpenSnapshot);
            if (!topicRs->EOF_()) {
                // A map number the author already typed is kept.
                if (txtwtmapnumber->text().isEmpty())
                    txtwtmapnumber->setText(topicRs->Text(QStringLiteral("MapNumber")));
                ui::showStoredText(txtwthelptext, topicRs->Text(QStringLiteral("HelpText")));
            }
        }
        CheckForOk();
    });
}

void FrmMain::cmdvbproectfilebrowse_Click() {
    const QString chosen = GetFileName(LoadResString(str::filter::VbProjects));
    if (chosen.isEmpty())
        return; // cancelled: the field keeps its text
    txtvbprojectfilename->setText(chosen);
    if (namesExistingFile(chosen))
        return;
    shell::MsgBox(LoadResString(str::message::SelectVbProject), shell::vbOKOnly);
    txtvbprojectfilename->clear();
    txtvbprojectfilename->setFocus();
}
