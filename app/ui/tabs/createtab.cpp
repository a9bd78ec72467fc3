#include "createtab.h"

#include "applicationforms.h"
#include "generation/createchecks.h"
#include "generation/createcommand.h"
#include "generation/createrules.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/createrun.h"
#include "ui/frmmain.h"
#include "ui/frmwindowsize.h"
#include "ui/uiutil.h"
#include "workspace/filltemplate.h"
#include "workspace/options.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// A field changes only when its text does, so its change handler runs once.
void setText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

// A text that names an existing file; wildcard patterns name none.
bool namesExistingFile(const QString& text) {
    if (text.contains(u'*') || text.contains(u'?'))
        return false;
    return QFileInfo(text).isFile();
}

} // namespace

CreateTab::CreateTab(FrmMain& window) : TabPage(window, QStringLiteral("Create")) {
    for (int index : {0, 1})
        connect(w.opthelptype[index], &QRadioButton::clicked, this,
                [this, index] { opthelptype_Click(index); });

    const auto check = [this] { w.CheckForOk(); };
    // The names Create needs re-evaluate as they change, so that a name
    // emptied just before the toolbar's Create (which takes no focus) counts.
    for (QLineEdit* box : {w.txthelpfilename, w.txthelpprojecttitle, w.txtindexfilename,
                           w.txthelpprojectfilename, w.txtcontentsfilename, w.txtrtffilename})
        connect(box, &QLineEdit::textChanged, this, check);
    for (QCheckBox* box : {w.chkcreategeneralhelp, w.chkcreatecontentsfile, w.chkcreatetooltips})
        connect(box, &QCheckBox::clicked, this, check);
    connect(w.chkcreatecontextsensitivehelp, &QCheckBox::clicked, this, [this] {
        w.CheckForOk();
        ui::setCheckValue(w.chkvbproject, 1);
        formHelpAvailable();
    });

    // Leaving the help project name with Windows Help fills the empty names.
    const auto automaticNames = [this] {
        if (!w.opthelptype[1]->isChecked())
            return;
        CreateSettings s = createSettings();
        FillAutomaticFileNames(s);
        setText(w.txthelpfilename, s.helpFileName);
        setText(w.txtcontentsfilename, s.contentsFileName);
        setText(w.txtrtffilename, s.rtfFileName);
    };
    ui::onFocusOut(w.txthelpprojectfilename, this, automaticNames);
    ui::onFocusOut(w.cmdhelpprojectfilebrowse, this, automaticNames);

    // Browse buttons: filter, default name and the field filled. A cancelled
    // dialog leaves the field as it was. The files are outputs, so the dialog
    // takes a name that does not exist yet; it starts beside the project file.
    const auto browse = [this](QPushButton* button, QLineEdit* field, auto filter,
                               QLineEdit* defaultFrom) {
        connect(button, &QPushButton::clicked, this, [this, field, filter, defaultFrom] {
            QString start = RemoveFileExtension(defaultFrom->text());
            if (!session().projectPath.isEmpty()) {
                const QDir beside = QFileInfo(session().projectPath).absoluteDir();
                start = start.isEmpty() ? beside.path() : beside.filePath(start);
            }
            const QString chosen =
                shell::askFileName(shell::FileDialogRequest{filter(), start, true});
            if (!chosen.isEmpty())
                field->setText(chosen);
        });
    };
    const auto typed = [this](int id, const char* windowsExt, const char* htmlExt) {
        return [this, id, windowsExt, htmlExt] {
            const char* ext = w.opthelptype[1]->isChecked() ? windowsExt : htmlExt;
            return FillTemplate(id, {QStringLiteral("|1"), QString::fromLatin1(ext)});
        };
    };
    const auto fixed = [](int id) { return [id] { return LoadResString(id); }; };
    browse(w.cmdhelpprojectfilebrowse, w.txthelpprojectfilename,
           typed(str::filter::HelpProjectFiles, "HPJ", "HHP"), w.txtvbprojectfilename);
    browse(w.cmdhelpfilebrowse, w.txthelpfilename, typed(str::filter::HelpFiles, "HLP", "CHM"),
           w.txtvbprojectfilename);
    browse(w.cmdcontentsfilebrowse, w.txtcontentsfilename,
           typed(str::filter::ContentsFiles, "CNT", "HHC"), w.txthelpprojectfilename);
    browse(w.cmdrtffilebrowse, w.txtrtffilename, fixed(str::filter::HelpTopicFiles),
           w.txthelpprojectfilename);
    browse(w.cmdindexfilebrowse, w.txtindexfilename, fixed(str::filter::IndexFiles),
           w.txtvbprojectfilename);

    // The application project field.
    connect(w.cmdvbproectfilebrowse, &QPushButton::clicked, this,
            [this] { cmdvbproectfilebrowse_Click(); });
    connect(w.txtvbprojectfilename, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_refusedProjectText.clear();
        w.CheckForOk();
        w.chkvbproject->setEnabled(!text.isEmpty());
    });
    w.chkvbproject->setEnabled(!w.txtvbprojectfilename->text().isEmpty());
    ui::onFocusOut(w.txtvbprojectfilename, this, [this] { projectFieldLeft(); });

    for (QLineEdit* box :
         {w.txtvbprojectfilename, w.txthelpprojectfilename, w.txthelpprojecttitle,
          w.txthelpfilename, w.txtcontentsfilename, w.txtrtffilename, w.txtindexfilename})
        watch(box);
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{
             w.chkcreategeneralhelp, w.chkcreatecontentsfile, w.chkcreatetooltips,
             w.chkcreatecontextsensitivehelp, w.chkformwhatsthishelp, w.chkvbproject, w.chkcompile,
             w.opthelptype[0], w.opthelptype[1]})
        watch(box);

    connect(w.cmdcreate, &QPushButton::clicked, this, [this] { cmdcreate_Click(); });
    m_run = new CreateRun(w);
    connect(m_run, &CreateRun::finished, this, [this](const CreateReport& report) {
        if (report.compiled) {
            w.mnuhelpsep2->setVisible(true);
            w.mnuviewprojecthelp->setVisible(true);
        }
        w.CheckForOk();
    });
    connect(w.cmdwinsize, &QPushButton::clicked, this, [this] { cmdwinsize_Click(); });
}

void CreateTab::cmdwinsize_Click() {
    if (!session().isOpen())
        return;
    FrmWindowSize dialog(session().window, &w);
    if (dialog.exec() != QDialog::Accepted || dialog.geometry() == session().window)
        return;
    session().window = dialog.geometry();
    showWindowSize();
    setModified(true);
    w.CheckForOk();
}

void CreateTab::showWindowSize() {
    w.txtwinsize->setText(session().window.text());
}

void CreateTab::shown() {
    w.txtvbprojectfilename->setFocus();
}

records::ButtonStates CreateTab::checkForOk() {
    return records::CheckCreate(createSettings());
}

void CreateTab::save() {
    const CreateSettings settings = createSettings();
    if (const QStringList problems = CheckCreateTabTexts(settings); !problems.isEmpty())
        throw records::RecordError(problems.join(u'\n'));
    options::SaveCreateTab(*session().db, settings, session().window);
    m_storedTitle = settings.helpProjectTitle;
    w.updateTitle();
}

CreateSettings CreateTab::createSettings() const {
    CreateSettings s;
    s.vbProjectFileName = w.txtvbprojectfilename->text();
    s.helpProjectFileName = w.txthelpprojectfilename->text();
    s.helpProjectTitle = w.txthelpprojecttitle->text();
    s.helpFileName = w.txthelpfilename->text();
    s.contentsFileName = w.txtcontentsfilename->text();
    s.rtfFileName = w.txtrtffilename->text();
    s.indexFileName = w.txtindexfilename->text();
    s.createGeneralHelp = ui::checkValue(w.chkcreategeneralhelp);
    s.createContentsFile = ui::checkValue(w.chkcreatecontentsfile);
    s.createToolTips = ui::checkValue(w.chkcreatetooltips);
    s.createContextSensitiveHelp = ui::checkValue(w.chkcreatecontextsensitivehelp);
    s.vbProject = ui::checkValue(w.chkvbproject);
    s.compile = ui::checkValue(w.chkcompile);
    s.setFormWhatsThisHelp = ui::checkValue(w.chkformwhatsthishelp);
    s.window = w.session().window;
    s.helpType = w.opthelptype[1]->isChecked()   ? HelpType::WindowsHelp
                 : w.opthelptype[0]->isChecked() ? HelpType::HtmlHelp
                                                 : HelpType::None;
    return s;
}

void CreateTab::showCreateSettings(const CreateSettings& s) {
    const QuietChanges quiet(*this);
    const std::pair<QLineEdit*, const QString*> texts[] = {
        {w.txtvbprojectfilename, &s.vbProjectFileName},
        {w.txthelpprojectfilename, &s.helpProjectFileName},
        {w.txthelpprojecttitle, &s.helpProjectTitle},
        {w.txthelpfilename, &s.helpFileName},
        {w.txtcontentsfilename, &s.contentsFileName},
        {w.txtrtffilename, &s.rtfFileName},
        {w.txtindexfilename, &s.indexFileName}};
    for (const auto& [box, text] : texts)
        box->setText(*text);
    const std::pair<QCheckBox*, int> checks[] = {
        {w.chkcreategeneralhelp, s.createGeneralHelp},
        {w.chkcreatecontentsfile, s.createContentsFile},
        {w.chkcreatetooltips, s.createToolTips},
        {w.chkcreatecontextsensitivehelp, s.createContextSensitiveHelp},
        {w.chkvbproject, s.vbProject},
        {w.chkcompile, s.compile},
        {w.chkformwhatsthishelp, s.setFormWhatsThisHelp}};
    for (const auto& [box, value] : checks)
        ui::setCheckValue(box, value);
    formHelpAvailable();
    // Only the stored state: the file names keep their extensions.
    for (std::size_t i : {0u, 1u}) {
        QRadioButton* button = w.opthelptype[i];
        const QSignalBlocker blocker(button);
        button->setAutoExclusive(false);
        button->setChecked(s.helpType == (i == 0 ? HelpType::HtmlHelp : HelpType::WindowsHelp));
        button->setAutoExclusive(true);
    }
    const bool html = s.htmlHelp();
    const bool windows = s.windowsHelp();
    w.txtindexfilename->setEnabled(html || !windows);
    w.cmdindexfilebrowse->setEnabled(html || !windows);
    w.txtrtffilename->setEnabled(windows || !html);
    w.cmdrtffilebrowse->setEnabled(windows || !html);
}

// Throws the store's refusal; DataBaseOpen reports it.
void CreateTab::ApplyOptions() {
    if (!session().isOpen())
        return;
    const CreateSettings settings = options::ReadCreateSettings(*session().db);
    showCreateSettings(settings);
    // A project without an application project keeps the one named before.
    if (!settings.vbProjectFileName.isEmpty())
        session().appProjectPath = settings.vbProjectFileName;
    session().window = settings.window;
    showWindowSize();
    m_storedTitle = settings.helpProjectTitle;
    setModified(false);
    w.updateTitle();
}

// Forms get What's This IDs, and so need WhatsThisHelp, only with context-sensitive help.
void CreateTab::formHelpAvailable() {
    w.chkformwhatsthishelp->setEnabled(w.chkcreatecontextsensitivehelp->isChecked());
}

void CreateTab::opthelptype_Click(int index) {
    const HelpType type = index == 1 ? HelpType::WindowsHelp : HelpType::HtmlHelp;
    const bool windows = type == HelpType::WindowsHelp;
    w.txtindexfilename->setEnabled(!windows);
    w.cmdindexfilebrowse->setEnabled(!windows);
    w.txtrtffilename->setEnabled(windows);
    w.cmdrtffilebrowse->setEnabled(windows);
    CreateSettings s = createSettings();
    ApplyHelpTypeExtensions(s, type);
    setText(w.txthelpprojectfilename, s.helpProjectFileName);
    setText(w.txthelpfilename, s.helpFileName);
    setText(w.txtcontentsfilename, s.contentsFileName);
    w.CheckForOk();
}

bool CreateTab::readProjectIfChanged() {
    const QString text = w.txtvbprojectfilename->text();
    if (text.isEmpty() || text == w.applicationForms().lastRead() || !namesExistingFile(text))
        return false;
    session().appProjectPath = text;
    w.applicationForms().ProcessVBProject();
    return true;
}

// Leaving the application project field reads the project it names when it
// is not the one read last (typed, or chosen with Browse).
void CreateTab::projectFieldLeft() {
    const QString text = w.txtvbprojectfilename->text();
    if (text.isEmpty() || text == w.applicationForms().lastRead())
        return;
    if (readProjectIfChanged())
        return;
    // The text stays for mending, and the project read last stays in use.
    // The message box takes the focus too: a refused text is told once.
    if (text == m_refusedProjectText)
        return;
    m_refusedProjectText = text;
    const QString shown = QDir::toNativeSeparators(text);
    int reason = str::message::ProjectFileNotFound;
    if (text.contains(u'*') || text.contains(u'?'))
        reason = str::message::ProjectFileNameWildcard;
    else if (QFileInfo(text).isDir())
        reason = str::message::ProjectFileIsFolder;
    shell::MsgBox(FillTemplate(reason, {QStringLiteral("|1"), shown}), shell::vbExclamation);
    // The focus is still moving away; take it back once that is done.
    QTimer::singleShot(0, w.txtvbprojectfilename,
                       [field = w.txtvbprojectfilename] { field->setFocus(); });
}

void CreateTab::cmdvbproectfilebrowse_Click() {
    const QString chosen = w.GetFileName(LoadResString(str::filter::VbProjects));
    if (chosen.isEmpty())
        return; // cancelled: the field keeps its text
    w.txtvbprojectfilename->setText(chosen);
    setModified(true);
    if (readProjectIfChanged())
        return;
    if (namesExistingFile(chosen))
        return;
    shell::MsgBox(LoadResString(str::message::SelectVbProject), shell::vbOKOnly);
    w.txtvbprojectfilename->clear();
    w.txtvbprojectfilename->setFocus();
}

void CreateTab::cmdcreate_Click() {
    if (session().isOpen() && w.cmdcreate->isEnabled() && !m_run->running())
        ui::runCommand([this] { create(); });
}

void CreateTab::create() {
    if (w.SelectedTab() == FrmMain::TabCreate) {
        save();
        setModified(false);
    }
    m_run->start({createSettings(), session().projectPath,
                  LoadResString(str::database::OpenConnect), session().appProjectPath,
                  session().forms});
}
