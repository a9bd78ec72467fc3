// FrmMain: the program's one main window.
//
// The window is its Designer form frmmain.ui (menus, toolbar band, tab strip,
// the page stack and the shared buttons) and one page per tab, each a
// TabPage with its own form (tabs/*.ui), listed once in the constructor.
// Every command is one QAction, shared by its menu item, its toolbar button
// and its push button, and enabled by the selected tab's rule. The window is
// split by area:
//   frmmain.cpp           captions, toolbar, tab switching, the shared
//                         commands, help commands
//   frmmain_project.cpp   start-up, New, Open, recent files, DataBaseOpen
//   frmmain_export.cpp    the printed manual and the web help
//   tabs/*                one class per tab: its controls, rules, commands and records
#pragma once

#include "workspace/session.h"

#include <QMainWindow>
#include <memory>
#include <vector>

class ApplicationForms;
class ContentsFileTab;
class CreateTab;
class GeneralHelpTab;
class QAction;
class QLabel;
class QToolBar;
class TabPage;
class ToolTipsTab;
class TopicModel;
class WhatsThisTab;
struct TabContext;

namespace Ui {
class FrmMain;
}

class FrmMain : public QMainWindow {
    Q_OBJECT

public:
    // Tab indexes of tabqmt, 1-based as the window's commands use them.
    enum Tab : int { TabGeneralHelp = 1, TabContentsFile, TabToolTips, TabWhatsThis, TabCreate };

    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    Session& session() { return m_session; }
    // The selected tab, 1 to the number of tabs.
    int SelectedTab() const;

    // ---- frmmain.cpp: the window itself
    void LoadStrings();
    // The caption: the program, the project file (with * while something is
    // not saved) and the help project's title; the status line names the
    // tabs with unsaved changes.
    void updateTitle();
    // Before the author leaves the tab's changes: Save, Discard or Cancel.
    // True when the window may go on (saved or discarded).
    bool confirmLeaving(TabPage& page);
    // The same for every tab with changes (New, Open, a recent file, Exit).
    bool confirmAllChanges();
    void SetupToolbars();
    void tabqmt_Click();
    // The enabling rule of the selected tab, applied to the commands (OK,
    // Delete, Create, Zoom, Add); the status line says what OK still needs.
    void CheckForOk();
    // Cancel on a tab: its controls emptied.
    void ClearControls(int tab);
    void cmdok_Click();
    void cmdcancel_Click();
    void cmddelete_Click();
    void ZoomOutEdit();
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
    // Opens the recent file `path` (from the recent-files list; a copy, as the
    // list is rebuilt meanwhile).
    void mnuMRU_Click(QString path);
    // Opens the project and fills the window; false (with a message) when it cannot.
    bool DataBaseOpen(const QString& strdatabasename);
    void AddToFilesOpennedList(const QString& strfilename);
    // The recent-files items of the File menu, rebuilt from the stored list.
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
    GeneralHelpTab& generalHelpTab() const;
    ContentsFileTab& contentsTab() const;
    ApplicationForms& applicationForms() { return *m_forms; }
    ToolTipsTab& toolTipsTab() const;
    WhatsThisTab& whatsThisTab() const;
    CreateTab& createTab() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    template <class Page> Page& tab() const;
    template <class Page> void addTab();
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
    // The status line for the selected tab: what OK still needs, or the tabs
    // with unsaved changes.
    void showPendingState(const QString& missing);
    int m_shownTab = TabGeneralHelp; // the tab whose page is shown

    std::unique_ptr<Ui::FrmMain> m_ui;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_pending = nullptr; // the status line's note of what OK needs and what is unsaved
    Session m_session;
    std::unique_ptr<TopicModel> m_topics;
    std::unique_ptr<ApplicationForms> m_forms;
    std::unique_ptr<TabContext> m_context;
    std::vector<TabPage*> m_pages; // in the order of the tab strip, owned by the page stack
    QList<QAction*> m_recent;      // the recent-files items of the File menu
    // The push buttons of commands, which follow their actions' states.
    QList<std::pair<QWidget*, QAction*>> m_buttons;
    QString m_commandStatus; // what the last command said, until the next
};
