#include "frmmain.h"

#include "captions.h"
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
#include "tabs/tabpage.h"
#include "tabs/tooltipstab.h"
#include "tabs/whatsthistab.h"
#include "topicmodel.h"
#include "transtbwrapper.h"
#include "ui_frmmain.h"
#include "whatsthistexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>

namespace {

// The maker's web site, opened by Help, Korvane on the Web.
const QString kMakerAddress = QStringLiteral("https://www.korvane.example/");

// The caption of a field for the status line: without its colon and accelerator.
QString fieldName(const QString& caption) {
    QString name = caption;
    name.remove(u'&');
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

} // namespace

template <class Page> void FrmMain::addTab() {
    auto* page = new Page(*m_context);
    m_pages.push_back(page);
    m_ui->stkpages->addWidget(page);
    m_ui->tabqmt->addTab(page->name());
    connect(page, &TabPage::changed, this, &FrmMain::CheckForOk);
    connect(page, &TabPage::modifiedChanged, this, &FrmMain::updateTitle);
    connect(page, &TabPage::status, this,
            [this](const QString& text, int timeout) { statusBar()->showMessage(text, timeout); });
}

template <class Page> Page& FrmMain::tab() const {
    for (TabPage* p : m_pages) {
        if (auto* page = dynamic_cast<Page*>(p))
            return *page;
    }
    std::abort(); // every kind of tab is in the list
}

GeneralHelpTab& FrmMain::generalHelpTab() const {
    return tab<GeneralHelpTab>();
}
ContentsFileTab& FrmMain::contentsTab() const {
    return tab<ContentsFileTab>();
}
ToolTipsTab& FrmMain::toolTipsTab() const {
    return tab<ToolTipsTab>();
}
WhatsThisTab& FrmMain::whatsThisTab() const {
    return tab<WhatsThisTab>();
}
CreateTab& FrmMain::createTab() const {
    return tab<CreateTab>();
}

FrmMain::FrmMain(QWidget* parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::FrmMain>()),
      m_topics(std::make_unique<TopicModel>()),
      m_forms(std::make_unique<ApplicationForms>(m_session)),
      m_context(std::make_unique<TabContext>(TabContext{m_session, *m_topics, *m_forms})) {
    m_ui->setupUi(this);
    for (QAction* line : {m_ui->mnufilesep1, m_ui->mnufilesep2, m_ui->mnufilesep3,
                          m_ui->mnuhelpsep1, m_ui->mnuhelpsep2, m_ui->mnueditsep1})
        line->setSeparator(true);
    m_ui->mnuimport->menuAction()->setEnabled(false);

    // The tabs, in the order of the strip: a new tab is one more line.
    addTab<GeneralHelpTab>();
    addTab<ContentsFileTab>();
    addTab<ToolTipsTab>();
    addTab<WhatsThisTab>();
    addTab<CreateTab>();

    TransTBWrapper::markCoolBar(m_ui->CoolBar, Qt::Horizontal);
    buildToolbar();
    // Says what the last command did (Create's outcome above all); below it,
    // what OK still needs and which tabs have unsaved changes.
    statusBar()->setObjectName(QStringLiteral("stbstatus"));
    m_pending = new QLabel(statusBar());
    m_pending->setObjectName(QStringLiteral("lblpending"));
    statusBar()->addWidget(m_pending, 1);
    bindKeys();
    // The lists filter as the author types: every item holding the letters
    // typed, anywhere, in any case.
    for (QComboBox* box : m_ui->stkpages->findChildren<QComboBox*>()) {
        if (QCompleter* completer = box->completer()) {
            completer->setFilterMode(Qt::MatchContains);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setCompletionMode(QCompleter::PopupCompletion);
        }
    }
    // The previews show help texts in the fonts and colours the Create tab gives.
    connect(&createTab(), &CreateTab::helpFontsChanged, this,
            [this] { generalHelpTab().setHelpFonts(createTab().helpFonts()); });
    connect(&createTab(), &CreateTab::helpFileMade, this, [this] {
        m_ui->mnuhelpsep2->setVisible(true);
        m_ui->mnuviewprojecthelp->setVisible(true);
    });
    connectWindow();
    connectProject();
    connectExport();
    ui::applyWhatsThisTexts(this);
}

// The tabs go first: their handlers then no longer see the controls, which
// may still pass the focus around while they are taken down.
FrmMain::~FrmMain() {
    for (TabPage* page : m_pages)
        delete page;
}

int FrmMain::SelectedTab() const {
    return m_ui->tabqmt->currentIndex() + 1;
}

TabPage* FrmMain::selectedPage() const {
    return page(SelectedTab());
}

TabPage* FrmMain::page(int tab) const {
    return tab >= 1 && tab <= int(m_pages.size()) ? m_pages[size_t(tab - 1)] : nullptr;
}

void FrmMain::buildToolbar() {
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->hide();
    // The toolbar shows the commands' own actions: a button is enabled
    // exactly when its menu item is.
    struct ButtonDef {
        QAction* command; // nullptr: a separator
        QString tip;
        const char* theme;
        const char* picture; // under :/icons/toolbar/, unless the theme has one
    };
    const ButtonDef buttons[] = {
        {m_ui->mnunew, tr("New project"), "document-new", "new"},
        {m_ui->mnuopen, tr("Open project"), "document-open", "open"},
        {m_ui->mnusave, tr("Save project"), "document-save", "save"},
        {m_ui->mnuprint, tr("Print topic"), "document-print", "print"},
        {nullptr, {}, nullptr, nullptr},
        {m_ui->mnudelete, tr("Delete"), "edit-delete", "delete"},
        {m_ui->mnuzoom, tr("Zoom edit"), "zoom-in", "zoom"},
        {m_ui->mnucreate, tr("Create"), "system-run", "create"},
        {nullptr, {}, nullptr, nullptr},
        {m_ui->mnuwhatsthis, tr("Help"), "help-contextual", "help"},
        {m_ui->mnuexit, tr("Exit"), "application-exit", "exit"},
    };
    for (const ButtonDef& def : buttons) {
        if (!def.command) {
            m_toolbar->addSeparator();
            continue;
        }
        def.command->setToolTip(def.tip);
        def.command->setIcon(
            ui::themedPicture(def.theme, QStringLiteral("toolbar/") + QLatin1String(def.picture)));
        m_toolbar->addAction(def.command);
    }
    // Menus show the pictures only where the desktop does.
    for (const ButtonDef& def : buttons) {
        if (def.command)
            def.command->setIconVisibleInMenu(false);
    }
}

void FrmMain::connectWindow() {
    connect(m_ui->tabqmt, &QTabBar::currentChanged, this, [this] { tabqmt_Click(); });
    // A push button runs its command's action and follows its state.
    m_buttons = {{m_ui->cmdok, m_ui->mnusave},
                 {m_ui->cmdcancel, m_ui->mnucancel},
                 {m_ui->cmddelete, m_ui->mnudelete},
                 {m_ui->cmdcreate, m_ui->mnucreate}};
    for (const auto& [button, command] : std::as_const(m_buttons))
        connect(qobject_cast<QPushButton*>(button), &QPushButton::clicked, command,
                &QAction::trigger);
    connect(m_ui->mnusave, &QAction::triggered, this, &FrmMain::cmdok_Click);
    connect(m_ui->mnucancel, &QAction::triggered, this, &FrmMain::cmdcancel_Click);
    connect(m_ui->mnudelete, &QAction::triggered, this, &FrmMain::cmddelete_Click);
    connect(m_ui->mnuzoom, &QAction::triggered, this, [this] { ZoomOutEdit(); });
    connect(m_ui->mnucreate, &QAction::triggered, this, [this] {
        statusBar()->clearMessage();
        createTab().cmdcreate_Click();
    });
    for (QAction* command : {m_ui->mnusave, m_ui->mnudelete, m_ui->mnuzoom, m_ui->mnucreate})
        command->setEnabled(false);

    connect(m_ui->mnuexit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->mnuwhatsthis, &QAction::triggered, this, [this] { mnuwhatsthis_Click(); });
    connect(m_ui->mnuproghelp, &QAction::triggered, this, [this] { mnuproghelp_Click(); });
    connect(m_ui->mnuviewprojecthelp, &QAction::triggered, this,
            [this] { mnuviewprojecthelp_Click(); });
    connect(m_ui->mnuviewhelpfile, &QAction::triggered, this, [this] { mnuviewhelpfile_Click(); });
    connect(m_ui->mnuaboutqmt, &QAction::triggered, this, [this] { mnuaboutqmt_Click(); });
    connect(m_ui->mnuaboutkrv, &QAction::triggered, this, [this] { mnuaboutkrv_Click(); });
}

void FrmMain::LoadStrings() {
    ui::loadCaptions({{m_ui->cmdcreate, str::caption::Create},
                      {m_ui->cmdcancel, str::caption::Cancel},
                      {m_ui->cmdok, str::caption::Ok},
                      {m_ui->cmddelete, str::caption::Delete},
                      {m_ui->mnufile, str::menu::File},
                      {m_ui->mnunew, str::menu::New},
                      {m_ui->mnuopen, str::menu::Open},
                      {m_ui->mnuexit, str::menu::Exit},
                      {m_ui->mnuhelp, str::menu::Help},
                      {m_ui->mnuproghelp, str::menu::ProgramHelp},
                      {m_ui->mnuaboutqmt, str::menu::AboutProgram},
                      {m_ui->mnuaboutkrv, str::menu::VendorOnTheWeb},
                      {m_ui->mnuview, str::menu::View},
                      {m_ui->mnuviewhelpfile, str::menu::HelpFile},
                      {m_ui->mnuwhatsthis, str::menu::WhatsThis},
                      {m_ui->mnuviewprojecthelp, str::menu::ViewProjectHelp},
                      {m_ui->mnudelete, str::menu::Delete}});
    // The commands the menus add to the window's buttons.
    m_ui->mnuedit->setTitle(tr("&Edit"));
    m_ui->mnusave->setText(tr("&Save"));
    m_ui->mnucancel->setText(tr("&Cancel"));
    m_ui->mnuzoom->setText(tr("&Zoom Edit..."));
    m_ui->mnucreate->setText(tr("C&reate"));
    for (TabPage* page : m_pages)
        page->loadStrings();
    setWindowTitle(LoadResString(str::caption::ProgramName));
}

void FrmMain::SetupToolbars() {
    // The band takes the toolbar's place and size; the wrapper then sizes it.
    m_ui->CoolBar->setMinimumWidth(m_toolbar->minimumSizeHint().width());
    m_ui->tbwWrapper->setListStyle(false);
    m_ui->tbwWrapper->setTransparent(true);
    m_ui->tbwWrapper->setToolbar(m_toolbar);
    m_ui->tbwWrapper->AdjustBand();
}

void FrmMain::bindKeys() {
    // The tab strip's keys of every tabbed window, from anywhere in the window.
    const auto step = [this](int by) {
        QTabBar* bar = m_ui->tabqmt;
        const int count = bar->count();
        bar->setCurrentIndex((bar->currentIndex() + by + count) % count);
    };
    for (auto [keys, by] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_Backtab), -1},
                            std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [step, by] { step(by); });
    }
}

void FrmMain::updateTitle() {
    QString title = LoadResString(str::caption::ProgramName);
    if (m_session.isOpen()) {
        title += QStringLiteral(" - ") + QFileInfo(m_session.projectPath).fileName() +
                 QStringLiteral("[*]");
        const QString helpTitle = createTab().storedTitle();
        if (!helpTitle.isEmpty())
            title += QStringLiteral(" - ") + helpTitle;
    }
    setWindowTitle(title);
    bool modified = false;
    for (TabPage* page : m_pages)
        modified = modified || page->modified();
    setWindowModified(m_session.isOpen() && modified);
    CheckForOk();
}

void FrmMain::showPendingState(const QString& missing) {
    QStringList changed;
    if (m_session.isOpen()) {
        for (TabPage* page : m_pages) {
            if (page->modified())
                changed << page->name();
        }
    }
    QStringList parts;
    if (!missing.isEmpty())
        parts << missing;
    if (!changed.isEmpty())
        parts << tr("Unsaved changes on: %1.").arg(changed.join(QStringLiteral(", ")));
    if (m_pending)
        m_pending->setText(parts.join(QStringLiteral("  ")));
}

bool FrmMain::confirmLeaving(TabPage& tab) {
    return tab.confirmChanges();
}

bool FrmMain::confirmAllChanges() {
    for (TabPage* page : m_pages) {
        if (!page->confirmChanges())
            return false;
    }
    return true;
}

void FrmMain::tabqmt_Click() {
    const int tab = SelectedTab();
    TabPage* leaving = page(m_shownTab);
    if (tab != m_shownTab && leaving && !leaving->keepsChangesWhenHidden() &&
        !leaving->confirmChanges()) {
        // Cancel: the author stays on the tab with the changes.
        const QSignalBlocker quiet(m_ui->tabqmt);
        m_ui->tabqmt->setCurrentIndex(m_shownTab - 1);
        return;
    }
    m_shownTab = tab;
    // What the last command said belonged to the tab left.
    statusBar()->clearMessage();
    TabPage* shown = selectedPage();
    if (!shown)
        return;
    m_ui->stkpages->setCurrentWidget(shown);
    shown->shown();
    CheckForOk();
}

void FrmMain::CheckForOk() {
    TabPage* page = selectedPage();
    if (!page)
        return;
    const bool open = m_session.isOpen();
    const records::ButtonStates states = open ? page->checkForOk() : records::ButtonStates{};
    m_ui->mnusave->setEnabled(open && states.ok.value_or(false));
    m_ui->mnudelete->setEnabled(open && states.del.value_or(false));
    // Create follows the Create tab's settings whichever tab is shown.
    m_ui->mnucreate->setEnabled(open && createTab().checkForOk().create.value_or(false));
    m_ui->mnuzoom->setEnabled(open && page->zoomText());
    for (const auto& [button, command] : std::as_const(m_buttons))
        button->setEnabled(command->isEnabled());
    QString missing;
    if (open && states.ok && !*states.ok && !states.missing.empty()) {
        QStringList names;
        for (int id : states.missing)
            names << fieldName(LoadResString(id));
        missing = tr("OK needs: %1.").arg(names.join(QStringLiteral(", ")));
    }
    showPendingState(missing);
}

void FrmMain::ClearControls(int tab) {
    TabPage* cleared = page(tab);
    if (!cleared)
        return;
    cleared->clear();
    CheckForOk();
}

void FrmMain::cmdok_Click() {
    if (!m_session.isOpen() || !m_ui->mnusave->isEnabled())
        return;
    statusBar()->clearMessage();
    TabPage* page = selectedPage();
    ui::runCommand(
        [&] {
            page->save();
            page->setModified(false);
            statusBar()->showMessage(tr("%1: saved.").arg(page->name()), 5000);
            // Only a stored record clears its controls; the Create tab keeps its settings.
            if (page != &createTab()) {
                page->clearAfterSave();
                CheckForOk();
            }
        },
        [page](int field) { return page->field(field); });
}

void FrmMain::cmdcancel_Click() {
    statusBar()->clearMessage();
    ClearControls(SelectedTab());
}

void FrmMain::cmddelete_Click() {
    if (!m_session.isOpen() || !m_ui->mnudelete->isEnabled())
        return;
    statusBar()->clearMessage();
    const int tab = SelectedTab();
    ui::runCommand([&] {
        if (selectedPage()->remove())
            ClearControls(tab);
    });
}

void FrmMain::ZoomOutEdit() {
    QPlainTextEdit* text = selectedPage() ? selectedPage()->zoomText() : nullptr;
    if (!m_session.isOpen() || !text)
        return;
    // The editor writes its text back when it closes; saving is OK's business.
    FrmTextEdit(text, this, createTab().helpFonts()).exec();
}

void FrmMain::mnuwhatsthis_Click() {
    QWhatsThis::enterWhatsThisMode();
}

void FrmMain::mnuproghelp_Click() {
    if (!desktop::WinHelp(this, QStringLiteral("Qmt.hlp"), desktop::HELP_TAB, 0))
        shell::MsgBox(tr("Quillmate's help could not be shown.") + u'\n' +
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
        HelpFileToView(SettingsBesideProject(createTab().createSettings(), m_session.projectPath)));
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
    m_ui->tbwWrapper->setToolbar(nullptr);
    event->accept();
}
