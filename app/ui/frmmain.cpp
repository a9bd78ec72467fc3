#include "frmmain.h"

#include "commandguard.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "desktop.h"
#include "frmtextedit.h"
#include "generation/createrules.h"
#include "icons.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "tabs/applicationforms.h"
#include "tabs/contentsfiletab.h"
#include "tabs/createtab.h"
#include "tabs/generalhelptab.h"
#include "tabs/tooltipstab.h"
#include "tabs/whatsthistab.h"
#include "transtbwrapper.h"
#include "whatsthistexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDragMoveEvent>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

namespace {

// The maker's web site, opened by Help, Korvane on the Web.
const QString kMakerAddress = QStringLiteral("https://www.korvane.example/");

QAction* separator(QObject* parent, const char* name) {
    auto* action = new QAction(parent);
    action->setObjectName(QLatin1String(name));
    action->setSeparator(true);
    return action;
}

QAction* action(QObject* parent, const char* name, const QString& text = QString()) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent) {
    setupUi(this);
    opthelptype = {opthelptype_0, opthelptype_1};
    mnuMRU = {nullptr, mnuMRU_1, mnuMRU_2, mnuMRU_3, mnuMRU_4, mnuMRU_5};
    for (QAction* line : {mnufilesep1, mnufilesep2, mnufilesep3, mnuhelpsep1, mnuhelpsep2})
        line->setSeparator(true);
    mnuimport->menuAction()->setEnabled(false);
    for (QLabel* footnote : {lbltopicidfootnote, lbltopictitlefootnote, lblkfootnote,
                             lblbrowsefootnote, lblwttopicidfootnote})
        footnote->setForegroundRole(QPalette::PlaceholderText);
    txtwinsize->setMinimumWidth(
        txtwinsize->fontMetrics().horizontalAdvance(QStringLiteral("pos(240,98) size(769,547)")) +
        16);
    for (const char* caption :
         {"General Help", "Contents File", "Tool Tips", "What's This?", "Create"})
        tabqmt->addTab(QLatin1String(caption));
    TransTBWrapper::markCoolBar(CoolBar, Qt::Horizontal);
    buildToolbar();
    // Says what the last command did (Create's outcome above all).
    statusBar()->setObjectName(QStringLiteral("stbstatus"));
    bindKeys();
    // Commands without work behind them yet are shown, but not offered (their
    // What's This says so).
    // The lists filter as the author types: every item holding the letters
    // typed, anywhere, in any case.
    for (QComboBox* box :
         {cbotopicid, cbocftopicid, cbowttopicid, cbottform, cbottobject, cbowtform, cbowtobject}) {
        if (QCompleter* completer = box->completer()) {
            completer->setFilterMode(Qt::MatchContains);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setCompletionMode(QCompleter::PopupCompletion);
        }
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    // The contents tree's pop-up menu; never part of the menu bar.
    mnutvcommands = new QMenu(this);
    mnutvcommands->setObjectName(QStringLiteral("mnutvcommands"));
    mnutvdelete = action(mnutvcommands, "mnutvdelete");
    mnucfaddhere = action(mnutvcommands, "mnucfaddhere");
    mnutvcommands->addAction(mnutvdelete);
    mnutvcommands->addAction(mnucfaddhere);

    m_generalHelp = std::make_unique<GeneralHelpTab>(*this);
    m_contents = std::make_unique<ContentsFileTab>(*this);
    m_forms = std::make_unique<ApplicationForms>(*this);
    m_toolTips = std::make_unique<ToolTipsTab>(*this);
    m_whatsThis = std::make_unique<WhatsThisTab>(*this);
    m_create = std::make_unique<CreateTab>(*this);
    connectWindow();
    connectProject();
    connectExport();
    ui::applyWhatsThisTexts(this);
}

// The tabs go first: their handlers then no longer see the controls, which
// may still pass the focus around while they are taken down.
FrmMain::~FrmMain() = default;

int FrmMain::SelectedTab() const {
    return tabqmt ? tabqmt->currentIndex() + 1 : 1;
}

TabPage* FrmMain::selectedPage() const {
    return page(SelectedTab());
}

TabPage* FrmMain::page(int tab) const {
    switch (tab) {
    case TabGeneralHelp:
        return m_generalHelp.get();
    case TabContentsFile:
        return m_contents.get();
    case TabToolTips:
        return m_toolTips.get();
    case TabWhatsThis:
        return m_whatsThis.get();
    case TabCreate:
        return m_create.get();
    default:
        return nullptr;
    }
}

void FrmMain::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(24, 24));
    Toolbar1->hide();
    struct ButtonDef {
        const char* tip;
        const char* theme;
        const char* picture; // under :/icons/toolbar/, unless the theme has one
    };
    const ButtonDef buttons[] = {
        {"New project", "document-new", "new"},
        {"Open project", "document-open", "open"},
        {"Save project", "document-save", "save"},
        {"Print topic", "document-print", "print"},
        {nullptr, nullptr, nullptr},
        {"Delete", "edit-delete", "delete"},
        {"Zoom edit", "zoom-in", "zoom"},
        {"Create", "system-run", "create"},
        {nullptr, nullptr, nullptr},
        {"Help", "help-contextual", "help"},
        {"Exit", "application-exit", "exit"},
    };
    for (int i = 1; i <= 11; ++i) {
        const ButtonDef& def = buttons[i - 1];
        const QByteArray name = "Toolbar1_" + QByteArray::number(i);
        QAction* button = def.tip ? action(Toolbar1, name.constData(), QLatin1String(def.tip))
                                  : separator(Toolbar1, name.constData());
        if (def.tip) {
            button->setToolTip(QLatin1String(def.tip));
            button->setIcon(ui::themedPicture(def.theme, QStringLiteral("toolbar/") +
                                                             QLatin1String(def.picture)));
        }
        Toolbar1->addAction(button);
        toolbarButtons[i] = button;
    }
}

void FrmMain::connectWindow() {
    connect(tabqmt, &QTabBar::currentChanged, this, [this] { tabqmt_Click(); });
    connect(cmdok, &QPushButton::clicked, this, &FrmMain::cmdok_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &FrmMain::cmdcancel_Click);
    connect(cmddelete, &QPushButton::clicked, this, &FrmMain::cmddelete_Click);

    // Toolbar buttons run the commands of their menu items and buttons.
    connect(toolbarButtons[1], &QAction::triggered, mnunew, &QAction::trigger);
    connect(toolbarButtons[2], &QAction::triggered, mnuopen, &QAction::trigger);
    connect(toolbarButtons[3], &QAction::triggered, this, &FrmMain::cmdok_Click);
    connect(toolbarButtons[4], &QAction::triggered, this,
            [this] { PrintDetails(static_cast<quint8>(SelectedTab()), 1); });
    connect(toolbarButtons[6], &QAction::triggered, this, &FrmMain::cmddelete_Click);
    connect(toolbarButtons[7], &QAction::triggered, this, [this] { ZoomOutEdit(); });
    connect(toolbarButtons[8], &QAction::triggered, this, [this] { m_create->cmdcreate_Click(); });
    connect(toolbarButtons[10], &QAction::triggered, mnuwhatsthis, &QAction::trigger);
    connect(toolbarButtons[11], &QAction::triggered, this, &QWidget::close);

    connect(mnuexit, &QAction::triggered, this, &QWidget::close);
    connect(mnuwhatsthis, &QAction::triggered, this, [this] { mnuwhatsthis_Click(); });
    connect(mnuproghelp, &QAction::triggered, this, [this] { mnuproghelp_Click(); });
    connect(mnuviewprojecthelp, &QAction::triggered, this, [this] { mnuviewprojecthelp_Click(); });
    connect(mnuviewhelpfile, &QAction::triggered, this, [this] { mnuviewhelpfile_Click(); });
    connect(mnuaboutqmt, &QAction::triggered, this, [this] { mnuaboutqmt_Click(); });
    connect(mnuaboutkrv, &QAction::triggered, this, [this] { mnuaboutkrv_Click(); });
}

void FrmMain::LoadStrings() {
    struct Caption {
        QObject* control;
        int id;
    };
    const Caption captions[] = {
        {cmdghnextmapnum, str::caption::Next},
        {cmdwtnextmapnum, str::caption::Next},
        {lblhelptext, str::caption::HelpText},
        {lblwthelptext, str::caption::HelpText},
        {lbltopicheader, str::caption::TopicHeader},
        {lblmapnumber, str::caption::TopicMapNumber},
        {lblwtmapnumber, str::caption::TopicMapNumber},
        {lblbrowsefootnote, str::caption::PlusFootnote},
        {lbltopictitlefootnote, str::caption::DollarFootnote},
        {lbltopicidfootnote, str::caption::HashFootnote},
        {lblwttopicidfootnote, str::caption::HashFootnote},
        {lblkfootnote, str::caption::KFootnote},
        {lblkeywords, str::caption::Keywords},
        {lblbrowseseq, str::caption::BrowseSequence},
        {lbltopictitle, str::caption::TopicTitle},
        {lbltopicid, str::caption::TopicId},
        {frmcfentrytype, str::caption::EntryType},
        {opttopic, str::caption::Topic},
        {optheading, str::caption::Heading},
        {cmdaddnode, str::caption::Add},
        {lblcftopicid, str::caption::EntryTopicId},
        {lblwttopicid, str::caption::EntryTopicId},
        {lblcftitle, str::caption::Title},
        {frmwtobjhlptype, str::caption::ObjectHelpType},
        {chkwtwthlp, str::caption::WhatsThisHelp},
        {chkwtconsenhlp, str::caption::ContextSensitiveHelp},
        {chkcreatecontextsensitivehelp, str::caption::ContextSensitiveHelp},
        {chkformwhatsthishelp, str::caption::FormWhatsThisHelp},
        {lblwtobject, str::caption::Object},
        {lblttobject, str::caption::Object},
        {lblwtform, str::caption::Form},
        {lblttform, str::caption::Form},
        {frmoptions, str::caption::Options},
        {chkcompile, str::caption::Compile},
        {cmdwinsize, str::caption::WindowSize},
        {opthelptype[0], str::caption::HtmlHelp},
        {opthelptype[1], str::caption::WindowsHelp},
        {chkvbproject, str::caption::VbProject},
        {cmdhelpprojectfilebrowse, str::caption::Browse},
        {cmdvbproectfilebrowse, str::caption::Browse},
        {cmdrtffilebrowse, str::caption::Browse},
        {cmdcontentsfilebrowse, str::caption::Browse},
        {cmdhelpfilebrowse, str::caption::Browse},
        {cmdindexfilebrowse, str::caption::Browse},
        {frmcreateoptions, str::caption::CreateFrame},
        {chkcreatecontentsfile, str::caption::ContentsFile},
        {chkcreatetooltips, str::caption::ToolTips},
        {chkcreategeneralhelp, str::caption::GeneralHelpFile},
        {lblindexfile, str::caption::IndexFileName},
        {lblhelpprojectfilename, str::caption::HelpProjectFileName},
        {lblvbprojectfilename, str::caption::VbProjectFile},
        {lblrtffilename, str::caption::RtfFileName},
        {lblcontentsfilename, str::caption::ContentsFileName},
        {lblhelpfilename, str::caption::HelpFileName},
        {lblhelpprojecttitle, str::caption::HelpProjectTitle},
        {cmdcreate, str::caption::Create},
        {cmdcancel, str::caption::Cancel},
        {cmdok, str::caption::Ok},
        {cmddelete, str::caption::Delete},
        {lbltooltiptext, str::caption::ToolTipText},
        {mnufile, str::menu::File},
        {mnunew, str::menu::New},
        {mnuopen, str::menu::Open},
        {mnuexit, str::menu::Exit},
        {mnuhelp, str::menu::Help},
        {mnuproghelp, str::menu::ProgramHelp},
        {mnuaboutqmt, str::menu::AboutProgram},
        {mnuaboutkrv, str::menu::VendorOnTheWeb},
        {mnuview, str::menu::View},
        {mnuviewhelpfile, str::menu::HelpFile},
        {mnuwhatsthis, str::menu::WhatsThis},
        {mnuviewprojecthelp, str::menu::ViewProjectHelp},
        {mnutvcommands, str::menu::TreeViewCommands},
        {mnutvdelete, str::menu::Delete},
        {mnucfaddhere, str::menu::AddHere},
    };
    for (const Caption& c : captions) {
        const QString text = LoadResString(c.id);
        if (auto* label = qobject_cast<QLabel*>(c.control))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(c.control))
            button->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(c.control))
            group->setTitle(text);
        else if (auto* menu = qobject_cast<QMenu*>(c.control))
            menu->setTitle(text);
        else if (auto* item = qobject_cast<QAction*>(c.control))
            item->setText(text);
    }
    setWindowTitle(LoadResString(str::caption::ProgramName));
}

void FrmMain::SetupToolbars() {
    // The band takes the toolbar's place and size; the wrapper then sizes it.
    CoolBar->setMinimumWidth(Toolbar1->minimumSizeHint().width());
    tbwWrapper->setListStyle(false);
    tbwWrapper->setTransparent(true);
    tbwWrapper->setToolbar(Toolbar1);
    tbwWrapper->AdjustBand();
}

void FrmMain::bindKeys() {
    // The tab strip's keys of every tabbed window, from anywhere in the window.
    const auto step = [this](int by) {
        const int count = tabqmt->count();
        tabqmt->setCurrentIndex((tabqmt->currentIndex() + by + count) % count);
    };
    for (auto [keys, by] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_Backtab), -1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [step, by] { step(by); });
    }
    // Ctrl+S is OK, as Save is in other programs.
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, [this] { cmdok_Click(); });
}

void FrmMain::updateTitle() {
    QString title = LoadResString(str::caption::ProgramName);
    if (m_session.isOpen()) {
        title += QStringLiteral(" - ") + QFileInfo(m_session.projectPath).fileName() +
                 QStringLiteral("[*]");
        const QString helpTitle = m_create->storedTitle();
        if (!helpTitle.isEmpty())
            title += QStringLiteral(" - ") + helpTitle;
    }
    setWindowTitle(title);
    bool modified = false;
    for (int tab = TabGeneralHelp; tab <= TabCreate; ++tab)
        modified = modified || page(tab)->modified();
    setWindowModified(m_session.isOpen() && modified);
}

bool FrmMain::confirmLeaving(TabPage& tab) {
    if (!tab.modified() || !m_session.isOpen())
        return true;
    const bool saveable = tab.checkForOk().ok.value_or(false);
    if (!saveable) {
        const int answer = shell::MsgBox(
            QStringLiteral("The %1 tab has changes that cannot be saved as they are. Discard "
                           "them?")
                .arg(tab.name()),
            shell::vbQuestion + shell::vbOKCancel);
        if (answer != shell::vbOK)
            return false;
        tab.discard();
        tab.setModified(false);
        return true;
    }
    const int answer = shell::MsgBox(
        QStringLiteral("The %1 tab has changes that are not saved. Save them?").arg(tab.name()),
        shell::vbQuestion + shell::vbYesNoCancel);
    if (answer == shell::vbYes) {
        if (!ui::runCommand([&] { tab.save(); }, [&tab](int field) { return tab.field(field); }))
            return false;
        tab.setModified(false);
        return true;
    }
    if (answer == shell::vbNo) {
        tab.discard();
        tab.setModified(false);
        return true;
    }
    return false;
}

bool FrmMain::confirmAllChanges() {
    for (int tab = TabGeneralHelp; tab <= TabCreate; ++tab) {
        if (!confirmLeaving(*page(tab)))
            return false;
    }
    return true;
}

void FrmMain::tabqmt_Click() {
    const int tab = SelectedTab();
    TabPage* leaving = page(m_shownTab);
    if (tab != m_shownTab && !leaving->keepsChangesWhenHidden() && !confirmLeaving(*leaving)) {
        // Cancel: the author stays on the tab with the changes.
        const QSignalBlocker quiet(tabqmt);
        tabqmt->setCurrentIndex(m_shownTab - 1);
        return;
    }
    m_shownTab = tab;
    for (QWidget* frame : {frmgenhelp, frmtooltips, frmwhatsthis, frmcontentsfile, frmcreate})
        frame->hide();
    cmdok->setEnabled(false);
    // Delete follows the tab shown: an empty form has nothing to delete.
    cmddelete->setEnabled(false);
    QWidget* frames[] = {frmgenhelp, frmcontentsfile, frmtooltips, frmwhatsthis, frmcreate};
    if (tab < TabGeneralHelp || tab > TabCreate)
        return;
    frames[tab - 1]->show();
    selectedPage()->shown();
    if (m_session.isOpen())
        cmddelete->setEnabled(selectedPage()->checkForOk().del.value_or(false));
    if (tab == TabCreate)
        CheckForOk();
}

void FrmMain::CheckForOk() {
    if (!m_session.isOpen())
        return;
    TabPage* page = selectedPage();
    if (!page)
        return;
    const records::ButtonStates states = page->checkForOk();
    if (states.ok)
        cmdok->setEnabled(*states.ok);
    if (states.del)
        cmddelete->setEnabled(*states.del);
    // Create follows the Create tab's settings whichever tab is shown.
    if (const auto create = m_create->checkForOk().create)
        cmdcreate->setEnabled(*create);
    if (states.addnode)
        cmdaddnode->setEnabled(*states.addnode);
}

void FrmMain::ClearControls(int tab) {
    TabPage* cleared = page(tab);
    if (!cleared)
        return;
    cleared->clear();
    CheckForOk();
}

void FrmMain::cmdok_Click() {
    if (!m_session.isOpen() || !cmdok->isEnabled())
        return;
    const int tab = SelectedTab();
    TabPage* page = selectedPage();
    ui::runCommand(
        [&] {
            page->save();
            page->setModified(false);
            statusBar()->showMessage(page->name() + QStringLiteral(": saved."), 5000);
            // Only a stored record clears its controls; the Create tab keeps its settings.
            if (tab != TabCreate) {
                page->clearAfterSave();
                CheckForOk();
            }
            QCoreApplication::processEvents();
        },
        [page](int field) { return page->field(field); });
}

void FrmMain::cmdcancel_Click() {
    ClearControls(SelectedTab());
}

void FrmMain::cmddelete_Click() {
    if (!m_session.isOpen() || !cmddelete->isEnabled())
        return;
    const int tab = SelectedTab();
    ui::runCommand([&] {
        if (selectedPage()->remove())
            ClearControls(tab);
    });
}

void FrmMain::ZoomOutEdit() {
    if (!m_session.isOpen() || SelectedTab() != TabGeneralHelp)
        return;
    // The editor writes its text back when it closes; saving is OK's business.
    FrmTextEdit(txtgenhelptext, this).exec();
}

void FrmMain::PrintDetails(quint8, quint8) {
    // Whatever the tab, the button prints the manual, as File, Print.
    mnuprint_Click();
}

void FrmMain::mnuwhatsthis_Click() {
    QWhatsThis::enterWhatsThisMode();
}

void FrmMain::mnuproghelp_Click() {
    if (!desktop::WinHelp(this, QStringLiteral("Qmt.hlp"), desktop::HELP_TAB, 0))
        shell::MsgBox(QStringLiteral("Quillmate's help could not be shown.\n") +
                          desktop::whyNotOpened(desktop::programHelpPath()),
                      shell::vbExclamation);
}

// Opens the help file the project makes, or says why not.
void FrmMain::showHelpFile(const QString& file) {
    if (desktop::openWithDesktop(file))
        return;
    // "Missing" only when it is: a file that is there lacks a viewer.
    const bool missing = file.isEmpty() || !QFileInfo::exists(file);
    shell::MsgBox((missing ? LoadResString(str::message::HelpFileMissing) + u'\n' : QString()) +
                      desktop::whyNotOpened(file),
                  shell::vbOKOnly);
}

void FrmMain::mnuviewprojecthelp_Click() {
    mnuviewhelpfile_Click();
}

void FrmMain::mnuviewhelpfile_Click() {
    // Where Create puts it: a bare name beside the help project file.
    showHelpFile(
        HelpFileToView(SettingsBesideProject(m_create->createSettings(), m_session.projectPath)));
}

void FrmMain::mnuaboutqmt_Click() {
    try {
        components::Component<IAboutBox> about(QStringLiteral("QMTAbout.About_Box"));
        about->setMajor_Version(QString::number(QM_VERSION_MAJOR));
        about->setMinor_Version(QString::number(QM_VERSION_MINOR));
        about->setRelease_Version(QString::number(QM_VERSION_PATCH));
        about->setProgName(LoadResString(str::caption::ProgramName));
        about->ShowAboutBox();
    } catch (const components::ComponentError& e) {
        shell::MsgBox(e.message(), shell::vbExclamation);
    }
}

void FrmMain::mnuaboutkrv_Click() {
    if (!desktop::openWithDesktop(kMakerAddress))
        shell::MsgBox(desktop::whyNotOpened(kMakerAddress), shell::vbExclamation);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!confirmAllChanges()) {
        event->ignore();
        return;
    }
    // Unload: close the project (errors do not matter now), give the toolbar back.
    if (m_session.db) {
        try {
            m_session.db->Close();
        } catch (...) {
        }
    }
    tbwWrapper->setToolbar(nullptr);
    event->accept();
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
    // Follow a node dragged out of the contents tree, so that the move below
    // can end its scrolling; nothing can be dropped outside the tree.
    if (event->source() == tvcontentsfileview)
        event->accept();
    else
        event->ignore();
}

void FrmMain::dragMoveEvent(QDragMoveEvent* event) {
    // A drag outside the contents tree ends its automatic scrolling.
    Timer1->stop();
    event->ignore();
}
