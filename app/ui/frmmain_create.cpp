// The Create tab and the Create command.
#include "frmmain.h"

#include "generation/compilation.h"
#include "generation/createcommand.h"
#include "generation/createrules.h"
#include "generation/htmlhelpcompile.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "uiutil.h"
#include "workspace/filltemplate.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

// A field changes only when its text does, so its change handler runs once.
void setText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

CreateSettings FrmMain::createSettings() const {
    CreateSettings s;
    s.vbProjectFileName = txtvbprojectfilename->text();
    s.helpProjectFileName = txthelpprojectfilename->text();
    s.helpProjectTitle = txthelpprojecttitle->text();
    s.helpFileName = txthelpfilename->text();
    s.contentsFileName = txtcontentsfilename->text();
    s.rtfFileName = txtrtffilename->text();
    s.indexFileName = txtindexfilename->text();
    s.createGeneralHelp = ui::checkValue(chkcreategeneralhelp);
    s.createContentsFile = ui::checkValue(chkcreatecontentsfile);
    s.createToolTips = ui::checkValue(chkcreatetooltips);
    s.createContextSensitiveHelp = ui::checkValue(chkcreatecontextsensitivehelp);
    s.vbProject = ui::checkValue(chkvbproject);
    s.compile = ui::checkValue(chkcompile);
    s.helpType = opthelptype[1]->isChecked()   ? HelpType::WindowsHelp
                 : opthelptype[0]->isChecked() ? HelpType::HtmlHelp
                                               : HelpType::None;
    return s;
}

void FrmMain::showCreateSettings(const CreateSettings& s) {
    const std::pair<QLineEdit*, const QString*> texts[] = {
        {txtvbprojectfilename, &s.vbProjectFileName},
        {txthelpprojectfilename, &s.helpProjectFileName},
        {txthelpprojecttitle, &s.helpProjectTitle},
        {txthelpfilename, &s.helpFileName},
        {txtcontentsfilename, &s.contentsFileName},
        {txtrtffilename, &s.rtfFileName},
        {txtindexfilename, &s.indexFileName}};
    for (const auto& [box, text] : texts)
        box->setText(*text);
    const std::pair<QCheckBox*, int> checks[] = {
        {chkcreategeneralhelp, s.createGeneralHelp},
        {chkcreatecontentsfile, s.createContentsFile},
        {chkcreatetooltips, s.createToolTips},
        {chkcreatecontextsensitivehelp, s.createContextSensitiveHelp},
        {chkvbproject, s.vbProject},
        {chkcompile, s.compile}};
    for (const auto& [box, value] : checks)
        ui::setCheckValue(box, value);
    // Only the stored state: the file names keep their extensions.
    for (std::size_t i : {0u, 1u}) {
        const QSignalBlocker blocker(opthelptype[i]);
        opthelptype[i]->setAutoExclusive(false);
        opthelptype[i]->setChecked(s.helpType ==
                                   (i == 0 ? HelpType::HtmlHelp : HelpType::WindowsHelp));
        opthelptype[i]->setAutoExclusive(true);
    }
    const bool html = s.htmlHelp();
    const bool windows = s.windowsHelp();
    txtindexfilename->setEnabled(html || !windows);
    cmdindexfilebrowse->setEnabled(html || !windows);
    txtrtffilename->setEnabled(windows || !html);
    cmdrtffilebrowse->setEnabled(windows || !html);
}

void FrmMain::connectCreate() {
    for (int index : {0, 1})
        connect(opthelptype[index], &QRadioButton::clicked, this,
                [this, index] { opthelptype_Click(index); });

    // Leaving the help project name with Windows Help fills the empty names.
    const auto automaticNames = [this] {
        if (!opthelptype[1]->isChecked())
            return;
        CreateSettings s = createSettings();
        FillAutomaticFileNames(s);
        setText(txthelpfilename, s.helpFileName);
        setText(txtcontentsfilename, s.contentsFileName);
        setText(txtrtffilename, s.rtfFileName);
    };
    ui::onFocusOut(txthelpprojectfilename, automaticNames);
    ui::onFocusOut(cmdhelpprojectfilebrowse, automaticNames);

    // Browse buttons: filter, default name and the field filled. A cancelled
    // dialog leaves the field as it was.
    const auto browse = [this](QPushButton* button, QLineEdit* field, auto filter,
                               QLineEdit* defaultFrom) {
        connect(button, &QPushButton::clicked, this, [this, field, filter, defaultFrom] {
            const QString chosen = GetFileName(filter(), RemoveFileExtension(defaultFrom->text()));
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
    browse(cmdhelpprojectfilebrowse, txthelpprojectfilename,
           typed(str::filter::HelpProjectFiles, "HPJ", "HHP"), txtvbprojectfilename);
    browse(cmdhelpfilebrowse, txthelpfilename, typed(str::filter::HelpFiles, "HLP", "CHM"),
           txtvbprojectfilename);
    browse(cmdcontentsfilebrowse, txtcontentsfilename,
           typed(str::filter::ContentsFiles, "CNT", "HHC"), txthelpprojectfilename);
    browse(cmdrtffilebrowse, txtrtffilename, fixed(str::filter::HelpTopicFiles),
           txthelpprojectfilename);
    browse(cmdindexfilebrowse, txtindexfilename, fixed(str::filter::IndexFiles),
           txtvbprojectfilename);

    connect(cmdcreate, &QPushButton::clicked, this, &FrmMain::cmdcreate_Click);
}

void FrmMain::opthelptype_Click(int index) {
    const HelpType type = index == 1 ? HelpType::WindowsHelp : HelpType::HtmlHelp;
    const bool windows = type == HelpType::WindowsHelp;
    txtindexfilename->setEnabled(!windows);
    cmdindexfilebrowse->setEnabled(!windows);
    txtrtffilename->setEnabled(windows);
    cmdrtffilebrowse->setEnabled(windows);
    CreateSettings s = createSettings();
    ApplyHelpTypeExtensions(s, type);
    setText(txthelpprojectfilename, s.helpProjectFileName);
    setText(txthelpfilename, s.helpFileName);
    setText(txtcontentsfilename, s.contentsFileName);
    CheckForOk();
}

void FrmMain::cmdcreate_Click() {
    if (!m_session.isOpen() || !cmdcreate->isEnabled())
        return;
    ui::WaitCursor wait;
    if (SelectedTab() == TabCreate)
        cmdok_Click();

    CreateSteps steps = DefaultCreateSteps();
    steps.processEvents = [] { QCoreApplication::processEvents(); };
    steps.compile = [this](const QString& helpProjectFileName) {
        const CompileResult r = CompileHelpProject(helpProjectFileName);
        if (r.started) {
            mnuhelpsep2->setVisible(true);
            mnuviewprojecthelp->setVisible(true);
        }
        return CompileOutcome{r.started, r.message};
    };
    steps.compileHtmlHelp = [this](const CreateSettings& s) {
        // The window keeps painting while the compiler works; clicks and keys
        // wait until the command is done.
        const HtmlHelpBuildOutcome built = BuildHtmlHelpFile(s.helpProjectFileName, [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
        if (!built.done)
            return CompileOutcome{false, built.message};
        mnuhelpsep2->setVisible(true);
        mnuviewprojecthelp->setVisible(true);
        shell::MsgBox(built.message, shell::vbInformation);
        return CompileOutcome{true, {}};
    };
    const CreateReport report = RunCreateCommand(createSettings(), *m_session.db,
                                                 m_session.appProjectPath, m_session.forms, steps);
    QStringList lines = report.failures;
    if (!report.warnings.isEmpty())
        lines << report.warnings;
    if (!lines.isEmpty())
        shell::MsgBox(lines.join(QLatin1Char('\n')),
                      report.ok() ? shell::vbInformation : shell::vbExclamation);
}
