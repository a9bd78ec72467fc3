// FrmMain: the program's one main window.
//
// The layout is the Designer form frmmain.ui; every control carries the name
// the commands and tests use (control arrays as name_index, for example
// opthelptype_1, with arrays below). The window is split by area:
//   frmmain.cpp           captions, toolbar, tab switching, the shared
//                         buttons, help commands
//   frmmain_project.cpp   start-up, New, Open, recent files, DataBaseOpen
//   tabs/*                one class per tab: its rules, commands and records
#pragma once

#include "ui_frmmain.h"
#include "workspace/session.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QMenu;
class QRadioButton;
class QTimer;
class QToolBar;
class TabPage;
class GeneralHelpTab;
class ContentsFileTab;
class ApplicationForms;
class ToolTipsTab;
class WhatsThisTab;
class CreateTab;

class FrmMain : public QMainWindow, public Ui::FrmMain {
    Q_OBJECT

public:
    // Tab indexes of tabqmt, 1-based as the window's commands use them.
    enum Tab : int { TabGeneralHelp = 1, TabContentsFile, TabToolTips, TabWhatsThis, TabCreate };

    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    Session& session() { return m_session; }
    // The selected tab, 1 to 5.
    int SelectedTab() const;

    // ---- frmmain.cpp: the window itself
    void LoadStrings();
    // The caption: the program, the project file (with * while something is
    // not saved) and the help project's title.
    void updateTitle();
    // Before the author leaves the tab's changes: Save, Discard or Cancel.
    // True when the window may go on (saved or discarded).
    bool confirmLeaving(TabPage& page);
    // The same for every tab with changes (New, Open, a recent file, Exit).
    bool confirmAllChanges();
    void SetupToolbars();
    void tabqmt_Click();
    // The enabling rule of the selected tab, applied to OK, Delete, Create and Add.
    void CheckForOk();
    // Cancel on a tab: its controls emptied.
    void ClearControls(int tab);
    void cmdok_Click();
    void cmdcancel_Click();
    void cmddelete_Click();
    void ZoomOutEdit();
    void PrintDetails(quint8 bytprintwhat, quint8 bytwhatform);
    void mnuwhatsthis_Click();
    void mnuproghelp_Click();
    void mnuviewprojecthelp_Click();
    void mnuviewhelpfile_Click();
    void mnuaboutqmt_Click();
    void mnuaboutkrv_Click();

    // ---- frmmain_project.cpp: start-up and the project lifecycle
    void Form_Load();
    QString GetFileName(const QString& strfilter, const QString& strdefaultdirectory = QString());
    void mnunew_Click();
    void mnuopen_Click();
    // Open's work once a file is chosen (also `qmt PROJECT.QMT`); false when it cannot be opened.
    bool openProject(const QString& strfilename);
    void mnuMRU_Click(int index);
    // Opens the project and fills the window; false (with a message) when it cannot.
    bool DataBaseOpen(const QString& strdatabasename);
    void AddToFilesOpennedList(const QString& strfilename);
    void SetupMRUMenu();
    // File, Import: asks for the files (of the kinds `filter` names), adds
    // what they hold to the open project and shows what was taken.
    void importFiles(const QString& filter);

    // ---- frmmain_export.cpp: the project as a manual and as web help
    // File, Export: the manual as a PDF file, the web help into a folder.
    void mnuexportpdf_Click();
    void mnuexportweb_Click();
    // The manual on a printer, or in a preview first.
    void mnuprint_Click();
    void mnuprintpreview_Click();

    // ---- The tabs
    GeneralHelpTab& generalHelpTab() { return *m_generalHelp; }
    ContentsFileTab& contentsTab() { return *m_contents; }
    ApplicationForms& applicationForms() { return *m_forms; }
    ToolTipsTab& toolTipsTab() { return *m_toolTips; }
    WhatsThisTab& whatsThisTab() { return *m_whatsThis; }
    CreateTab& createTab() { return *m_create; }

    // ---- Controls made outside the form: the toolbar (hosted by the
    // wrapper), the drag-scroll timer and the contents tree's pop-up menu.
    QToolBar* Toolbar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* mnutvcommands = nullptr;
    QAction* mnutvdelete = nullptr;
    QAction* mnucfaddhere = nullptr;
    // Toolbar buttons, index 1 to 11 (5 and 9 are separators); 0 unused.
    std::array<QAction*, 12> toolbarButtons{};
    // Control arrays of the form.
    std::array<QRadioButton*, 2> opthelptype{}; // 0 HTML Help, 1 Windows Help
    std::array<QAction*, 6> mnuMRU{};           // elements 1 to 5; 0 unused

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    void showHelpFile(const QString& file);
    void bindKeys();
    void buildToolbar();
    void connectWindow();
    void connectProject();
    void connectExport();
    // The project's book for the manual and the web help; false (with a
    // message) when no project is open or the author keeps unsaved changes.
    bool exportReady();
    TabPage* selectedPage() const;
    TabPage* page(int tab) const;
    int m_shownTab = TabGeneralHelp; // the tab whose frame is shown

    Session m_session;
    std::unique_ptr<GeneralHelpTab> m_generalHelp;
    std::unique_ptr<ContentsFileTab> m_contents;
    std::unique_ptr<ApplicationForms> m_forms;
    std::unique_ptr<ToolTipsTab> m_toolTips;
    std::unique_ptr<WhatsThisTab> m_whatsThis;
    std::unique_ptr<CreateTab> m_create;
};
