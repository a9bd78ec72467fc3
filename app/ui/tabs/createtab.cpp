#include "createtab.h"

#include "applicationforms.h"
#include "generation/createchecks.h"
#include "generation/createcommand.h"
#include "generation/createrules.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "ui/captions.h"
#include "ui/commandguard.h"
#include "ui/createrun.h"
#include "ui/frmwindowsize.h"
#include "ui/uiutil.h"
#include "ui_createtab.h"
#include "workspace/filltemplate.h"
#include "workspace/options.h"
#include "workspace/session.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
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

CreateTab::CreateTab(TabContext& context)
    : TabPage(context, tr("Create")), ui(std::make_unique<Ui::CreateTab>()) {
    ui->setupUi(this);
    opthelptype = {ui->opthelptype_0, ui->opthelptype_1};
    ui->txtwinsize->setMinimumWidth(ui->txtwinsize->fontMetrics().horizontalAdvance(
                                        QStringLiteral("pos(240,98) size(769,547)")) +
                                    16);
    for (int index : {0, 1})
        connect(opthelptype[index], &QRadioButton::clicked, this,
                [this, index] { opthelptype_Click(index); });

    const auto check = [this] { emit changed(); };
    // The names Create needs re-evaluate as they change, so that a name
    // emptied just before the toolbar's Create (which takes no focus) counts.
    for (QLineEdit* box : {ui->txthelpfilename, ui->txthelpprojecttitle, ui->txtindexfilename,
                           ui->txthelpprojectfilename, ui->txtcontentsfilename, ui->txtrtffilename})
        connect(box, &QLineEdit::textChanged, this, check);
    for (QCheckBox* box :
         {ui->chkcreategeneralhelp, ui->chkcreatecontentsfile, ui->chkcreatetooltips})
        connect(box, &QCheckBox::clicked, this, check);
    connect(ui->chkcreatecontextsensitivehelp, &QCheckBox::clicked, this, [this] {
        emit changed();
        ui::setCheckValue(ui->chkvbproject, 1);
        formHelpAvailable();
    });

    // Leaving the help project name with Windows Help fills the empty names.
    const auto automaticNames = [this] {
        if (!opthelptype[1]->isChecked())
            return;
        CreateSettings s = createSettings();
        FillAutomaticFileNames(s);
        setText(ui->txthelpfilename, s.helpFileName);
        setText(ui->txtcontentsfilename, s.contentsFileName);
        setText(ui->txtrtffilename, s.rtfFileName);
    };
    ui::onFocusOut(ui->txthelpprojectfilename, this, automaticNames);
    ui::onFocusOut(ui->cmdhelpprojectfilebrowse, this, automaticNames);

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
            const char* ext = opthelptype[1]->isChecked() ? windowsExt : htmlExt;
            return FillTemplate(id, {QStringLiteral("|1"), QString::fromLatin1(ext)});
        };
    };
    const auto fixed = [](int id) { return [id] { return LoadResString(id); }; };
    browse(ui->cmdhelpprojectfilebrowse, ui->txthelpprojectfilename,
           typed(str::filter::HelpProjectFiles, "HPJ", "HHP"), ui->txtvbprojectfilename);
    browse(ui->cmdhelpfilebrowse, ui->txthelpfilename, typed(str::filter::HelpFiles, "HLP", "CHM"),
           ui->txtvbprojectfilename);
    browse(ui->cmdcontentsfilebrowse, ui->txtcontentsfilename,
           typed(str::filter::ContentsFiles, "CNT", "HHC"), ui->txthelpprojectfilename);
    browse(ui->cmdrtffilebrowse, ui->txtrtffilename, fixed(str::filter::HelpTopicFiles),
           ui->txthelpprojectfilename);
    browse(ui->cmdindexfilebrowse, ui->txtindexfilename, fixed(str::filter::IndexFiles),
           ui->txtvbprojectfilename);

    // The application project field.
    connect(ui->cmdvbproectfilebrowse, &QPushButton::clicked, this,
            [this] { cmdvbproectfilebrowse_Click(); });
    connect(ui->txtvbprojectfilename, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_refusedProjectText.clear();
        emit changed();
        ui->chkvbproject->setEnabled(!text.isEmpty());
    });
    ui->chkvbproject->setEnabled(!ui->txtvbprojectfilename->text().isEmpty());
    ui::onFocusOut(ui->txtvbprojectfilename, this, [this] { projectFieldLeft(); });

    // The fonts and colours: the preview follows them, and a face or colour
    // that cannot be used is named as the field is left.
    for (QLineEdit* box : {ui->txthelpfonts, ui->txthelpcolors}) {
        connect(box, &QLineEdit::textChanged, this, [this] {
            if (m_fontProblemTold && HelpFontsProblems(createSettings()).isEmpty()) {
                m_fontProblemTold = false;
                emit status(QString());
            }
            emit helpFontsChanged();
        });
        connect(box, &QLineEdit::editingFinished, this, [this] { tellFontProblems(); });
    }

    for (QLineEdit* box :
         {ui->txtvbprojectfilename, ui->txthelpprojectfilename, ui->txthelpprojecttitle,
          ui->txthelpfilename, ui->txtcontentsfilename, ui->txtrtffilename, ui->txtindexfilename,
          ui->txthelpfonts, ui->txthelpcolors})
        watch(box);
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{
             ui->chkcreategeneralhelp, ui->chkcreatecontentsfile, ui->chkcreatetooltips,
             ui->chkcreatecontextsensitivehelp, ui->chkformwhatsthishelp, ui->chkvbproject,
             ui->chkcompile, opthelptype[0], opthelptype[1]})
        watch(box);

    connect(ui->cmdwinsize, &QPushButton::clicked, this, [this] { cmdwinsize_Click(); });
}

CreateTab::~CreateTab() = default;

void CreateTab::loadStrings() {
    ui::loadCaptions({{ui->chkcreatecontextsensitivehelp, str::caption::ContextSensitiveHelp},
                      {ui->chkformwhatsthishelp, str::caption::FormWhatsThisHelp},
                      {ui->frmoptions, str::caption::Options},
                      {ui->chkcompile, str::caption::Compile},
                      {ui->cmdwinsize, str::caption::WindowSize},
                      {opthelptype[0], str::caption::HtmlHelp},
                      {opthelptype[1], str::caption::WindowsHelp},
                      {ui->chkvbproject, str::caption::VbProject},
                      {ui->cmdhelpprojectfilebrowse, str::caption::Browse},
                      {ui->cmdvbproectfilebrowse, str::caption::Browse},
                      {ui->cmdrtffilebrowse, str::caption::Browse},
                      {ui->cmdcontentsfilebrowse, str::caption::Browse},
                      {ui->cmdhelpfilebrowse, str::caption::Browse},
                      {ui->cmdindexfilebrowse, str::caption::Browse},
                      {ui->frmcreateoptions, str::caption::CreateFrame},
                      {ui->chkcreatecontentsfile, str::caption::ContentsFile},
                      {ui->chkcreatetooltips, str::caption::ToolTips},
                      {ui->chkcreategeneralhelp, str::caption::GeneralHelpFile},
                      {ui->lblindexfile, str::caption::IndexFileName},
                      {ui->lblhelpprojectfilename, str::caption::HelpProjectFileName},
                      {ui->lblvbprojectfilename, str::caption::VbProjectFile},
                      {ui->lblrtffilename, str::caption::RtfFileName},
                      {ui->lblcontentsfilename, str::caption::ContentsFileName},
                      {ui->lblhelpfilename, str::caption::HelpFileName},
                      {ui->lblhelpprojecttitle, str::caption::HelpProjectTitle},
                      {ui->lblhelpfonts, str::caption::HelpFonts},
                      {ui->lblhelpcolors, str::caption::HelpColors}});
}

void CreateTab::projectOpened() {
    TabPage::projectOpened();
    ApplyOptions();
}

void CreateTab::cmdwinsize_Click() {
    if (!session().isOpen())
        return;
    FrmWindowSize dialog(session().window, this);
    if (dialog.exec() != QDialog::Accepted || dialog.geometry() == session().window)
        return;
    session().window = dialog.geometry();
    showWindowSize();
    setModified(true);
    emit changed();
}

void CreateTab::showWindowSize() {
    ui->txtwinsize->setText(session().window.text());
}

void CreateTab::shown() {
    ui->txtvbprojectfilename->setFocus();
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
    emit modifiedChanged(); // the window's title shows the stored help title
}

CreateSettings CreateTab::createSettings() const {
    CreateSettings s;
    s.vbProjectFileName = ui->txtvbprojectfilename->text();
    s.helpProjectFileName = ui->txthelpprojectfilename->text();
    s.helpProjectTitle = ui->txthelpprojecttitle->text();
    s.helpFileName = ui->txthelpfilename->text();
    s.contentsFileName = ui->txtcontentsfilename->text();
    s.rtfFileName = ui->txtrtffilename->text();
    s.indexFileName = ui->txtindexfilename->text();
    s.helpFonts = ui->txthelpfonts->text();
    s.helpColors = ui->txthelpcolors->text();
    s.createGeneralHelp = ui::checkValue(ui->chkcreategeneralhelp);
    s.createContentsFile = ui::checkValue(ui->chkcreatecontentsfile);
    s.createToolTips = ui::checkValue(ui->chkcreatetooltips);
    s.createContextSensitiveHelp = ui::checkValue(ui->chkcreatecontextsensitivehelp);
    s.vbProject = ui::checkValue(ui->chkvbproject);
    s.compile = ui::checkValue(ui->chkcompile);
    s.setFormWhatsThisHelp = ui::checkValue(ui->chkformwhatsthishelp);
    s.window = session().window;
    s.helpType = opthelptype[1]->isChecked()   ? HelpType::WindowsHelp
                 : opthelptype[0]->isChecked() ? HelpType::HtmlHelp
                                               : HelpType::None;
    return s;
}

void CreateTab::showCreateSettings(const CreateSettings& s) {
    const QuietChanges quiet(*this);
    const std::pair<QLineEdit*, const QString*> texts[] = {
        {ui->txtvbprojectfilename, &s.vbProjectFileName},
        {ui->txthelpprojectfilename, &s.helpProjectFileName},
        {ui->txthelpprojecttitle, &s.helpProjectTitle},
        {ui->txthelpfilename, &s.helpFileName},
        {ui->txtcontentsfilename, &s.contentsFileName},
        {ui->txtrtffilename, &s.rtfFileName},
        {ui->txtindexfilename, &s.indexFileName},
        {ui->txthelpfonts, &s.helpFonts},
        {ui->txthelpcolors, &s.helpColors}};
    for (const auto& [box, text] : texts)
        box->setText(*text);
    const std::pair<QCheckBox*, int> checks[] = {
        {ui->chkcreategeneralhelp, s.createGeneralHelp},
        {ui->chkcreatecontentsfile, s.createContentsFile},
        {ui->chkcreatetooltips, s.createToolTips},
        {ui->chkcreatecontextsensitivehelp, s.createContextSensitiveHelp},
        {ui->chkvbproject, s.vbProject},
        {ui->chkcompile, s.compile},
        {ui->chkformwhatsthishelp, s.setFormWhatsThisHelp}};
    for (const auto& [box, value] : checks)
        ui::setCheckValue(box, value);
    formHelpAvailable();
    // Only the stored state: the file names keep their extensions.
    for (std::size_t i : {0u, 1u}) {
        QRadioButton* button = opthelptype[i];
        const QSignalBlocker blocker(button);
        button->setAutoExclusive(false);
        button->setChecked(s.helpType == (i == 0 ? HelpType::HtmlHelp : HelpType::WindowsHelp));
        button->setAutoExclusive(true);
    }
    const bool html = s.htmlHelp();
    const bool windows = s.windowsHelp();
    ui->txtindexfilename->setEnabled(html || !windows);
    ui->cmdindexfilebrowse->setEnabled(html || !windows);
    ui->txtrtffilename->setEnabled(windows || !html);
    ui->cmdrtffilebrowse->setEnabled(windows || !html);
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
    emit modifiedChanged(); // the window's title shows the stored help title
}

// Forms get What's This IDs, and so need WhatsThisHelp, only with context-sensitive help.
void CreateTab::formHelpAvailable() {
    ui->chkformwhatsthishelp->setEnabled(ui->chkcreatecontextsensitivehelp->isChecked());
}

void CreateTab::opthelptype_Click(int index) {
    const HelpType type = index == 1 ? HelpType::WindowsHelp : HelpType::HtmlHelp;
    const bool windows = type == HelpType::WindowsHelp;
    ui->txtindexfilename->setEnabled(!windows);
    ui->cmdindexfilebrowse->setEnabled(!windows);
    ui->txtrtffilename->setEnabled(windows);
    ui->cmdrtffilebrowse->setEnabled(windows);
    CreateSettings s = createSettings();
    ApplyHelpTypeExtensions(s, type);
    FillDefaultNames(s, type, session().projectPath);
    setText(ui->txthelpprojectfilename, s.helpProjectFileName);
    setText(ui->txthelpprojecttitle, s.helpProjectTitle);
    setText(ui->txtrtffilename, s.rtfFileName);
    setText(ui->txtindexfilename, s.indexFileName);
    setText(ui->txthelpfilename, s.helpFileName);
    setText(ui->txtcontentsfilename, s.contentsFileName);
    emit changed();
}

bool CreateTab::readProjectIfChanged() {
    const QString text = ui->txtvbprojectfilename->text();
    if (text.isEmpty() || text == forms().lastRead() || !namesExistingFile(text))
        return false;
    session().appProjectPath = text;
    forms().ProcessVBProject();
    return true;
}

// Leaving the application project field reads the project it names when it
// is not the one read last (typed, or chosen with Browse).
void CreateTab::projectFieldLeft() {
    const QString text = ui->txtvbprojectfilename->text();
    if (text.isEmpty() || text == forms().lastRead())
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
    QTimer::singleShot(0, ui->txtvbprojectfilename,
                       [field = ui->txtvbprojectfilename] { field->setFocus(); });
}

void CreateTab::tellFontProblems() {
    const QStringList problems = HelpFontsProblems(createSettings());
    m_fontProblemTold = !problems.isEmpty();
    if (m_fontProblemTold)
        emit status(problems.join(u' '));
}

void CreateTab::cmdvbproectfilebrowse_Click() {
    const QString chosen = shell::askFileName(
        shell::FileDialogRequest{LoadResString(str::filter::VbProjects), QString(), false});
    if (chosen.isEmpty())
        return; // cancelled: the field keeps its text
    ui->txtvbprojectfilename->setText(chosen);
    setModified(true);
    if (readProjectIfChanged())
        return;
    if (namesExistingFile(chosen))
        return;
    shell::MsgBox(LoadResString(str::message::SelectVbProject), shell::vbOKOnly);
    ui->txtvbprojectfilename->clear();
    ui->txtvbprojectfilename->setFocus();
}

void CreateTab::cmdcreate_Click() {
    if (session().isOpen() && checkForOk().create.value_or(false) && !run().running())
        ui::runCommand([this] { create(); });
}

void CreateTab::create() {
    if (!isHidden()) { // the selected tab
        save();
        setModified(false);
    }
    run().start({SettingsBesideProject(createSettings(), session().projectPath),
                 session().projectPath, LoadResString(str::database::OpenConnect),
                 session().appProjectPath, session().forms});
}

CreateRun& CreateTab::run() {
    // Made on first use: the run holds the commands of the window the tab is in.
    if (!m_run) {
        auto* mainWindow = qobject_cast<QMainWindow*>(window());
        Q_ASSERT(mainWindow);
        m_run = new CreateRun(*mainWindow);
        connect(m_run, &CreateRun::finished, this, [this](const CreateReport& report) {
            if (report.compiled)
                emit helpFileMade();
            emit changed();
        });
    }
    return *m_run;
}
