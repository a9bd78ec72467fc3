// FrmMain: the program's one main window.
//
// The window's procedures are split by area, one source file each:
//   frmmain.cpp             layout, captions, toolbar, menus, tab switch, help commands
//   frmmain_project.cpp     start-up, New, Open, recent files, DataBaseOpen, unload
//   frmmain_records.cpp     CheckForOk, OK/Cancel/Delete, options, map numbers
//   frmmain_contents.cpp    the contents tree editor and its drag scrolling
//   frmmain_appproject.cpp  the application project, Tool Tips and What's This tabs
//   frmmain_create.cpp      the Create tab and the Create command
// Each area wires its own controls in its connect...() procedure, which the
// constructor calls after the layout is built.
#pragma once

#include "contentstree.h" // the contents tree, used as a QTreeWidget elsewhere
#include "workspace/session.h"

#include <QMainWindow>
#include <QPointF>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TransTBWrapper;

class FrmMain : public QMainWindow {
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
    void SetupToolbars();
    void tabqmt_Click();
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

    // ---- frmmain_records.cpp: record editing, options, map numbers
    void CheckForOk();
    void ClearControls(quint8 tab);
    void cmdok_Click();
    void cmdcancel_Click();
    void cmddelete_Click();
    void cbotopicid_Click();
    void cmdghnextmapnum_Click();
    void cmdwtnextmapnum_Click();
    QString GetNextMapNumber();
    void SaveNextMapNumber(const QString& strnextmapnumber);
    void UpdateOptions(const QString& strkey, const QString& strValue);
    // Shows the project's Create-tab settings when a project opens.
    void ApplyOptions();

    // ---- frmmain_contents.cpp: the contents tree
    void LoadContentsTree();
    void cmdaddnode_Click();
    QTreeWidgetItem* AddNode(const QString& strnodename, const QString& strnodevalue,
                             const QString& strparentnode = QString(), quint8 lngimageindex = 0);
    static qint16 CountNodeLevels(const QString& strnodepath);
    static QString StripNodeIndex(QString& strnodekey);
    void DeleteChildNodes(QTreeWidgetItem* node);
    void mnutvdelete_Click();
    void mnucfaddhere_Click();
    // OK on the Contents File tab: rewrites the contentsfile table from the tree.
    void SaveContentsTree();
    void Timer1_Timer();
    // Clears the remembered tree node (start-up).
    void ResetContentsState();

    // ---- frmmain_appproject.cpp: the application project and tabs 3 and 4
    void ProcessVBProject();
    void LoadFormComboBoxs();
    void FindObjects(const QString& strformname, QComboBox* cboobjects);
    void cbottform_Click();
    void cbowtform_Click();
    void cbottobject_Click();
    void cbowtobject_Click();
    void cbowttopicid_Click();
    void cmdvbproectfilebrowse_Click();

    // ---- frmmain_create.cpp: the Create tab and command
    // The tab's controls as settings, and settings shown in them.
    CreateSettings createSettings() const;
    void showCreateSettings(const CreateSettings& settings);
    void opthelptype_Click(int index);
    void cmdcreate_Click();

    // ---- Controls (objectName = member name; control-array elements are
    // named name_index, for example opthelptype_1 and mnuMRU_3).
    QWidget* CoolBar = nullptr;
    TransTBWrapper* tbwWrapper = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QTabBar* tabqmt = nullptr;
    QTimer* Timer1 = nullptr;

    // General Help
    QWidget* frmgenhelp = nullptr;
    QComboBox* cbotopicid = nullptr;
    QLineEdit* txttopictitle = nullptr;
    QLineEdit* txtkeywords = nullptr;
    QLineEdit* txtbrowseseq = nullptr;
    QLineEdit* txttopicheader = nullptr;
    QLineEdit* txtmapnumber = nullptr;
    QPushButton* cmdghnextmapnum = nullptr;
    QPlainTextEdit* txtgenhelptext = nullptr;
    QLabel* lbltopicid = nullptr;
    QLabel* lbltopicidfootnote = nullptr;
    QLabel* lbltopictitle = nullptr;
    QLabel* lbltopictitlefootnote = nullptr;
    QLabel* lblkeywords = nullptr;
    QLabel* lblkfootnote = nullptr;
    QLabel* lblbrowseseq = nullptr;
    QLabel* lblbrowsefootnote = nullptr;
    QLabel* lbltopicheader = nullptr;
    QLabel* lblmapnumber = nullptr;
    QLabel* lblhelptext = nullptr;

    // Contents File
    QWidget* frmcontentsfile = nullptr;
    ContentsTree* tvcontentsfileview = nullptr;
    QGroupBox* frmcfentrytype = nullptr;
    QRadioButton* opttopic = nullptr;
    QRadioButton* optheading = nullptr;
    QComboBox* cbocftopicid = nullptr;
    QLineEdit* txtcftitle = nullptr;
    QPushButton* cmdaddnode = nullptr;
    QLabel* lblcftopicid = nullptr;
    QLabel* lblcftitle = nullptr;

    // Tool Tips
    QWidget* frmtooltips = nullptr;
    QComboBox* cbottform = nullptr;
    QComboBox* cbottobject = nullptr;
    QLineEdit* txttooltiptext = nullptr;
    QLabel* lblttform = nullptr;
    QLabel* lblttobject = nullptr;
    QLabel* lbltooltiptext = nullptr;

    // What's This?
    QWidget* frmwhatsthis = nullptr;
    QComboBox* cbowtform = nullptr;
    QComboBox* cbowtobject = nullptr;
    QComboBox* cbowttopicid = nullptr;
    QGroupBox* frmwtobjhlptype = nullptr;
    QCheckBox* chkwtwthlp = nullptr;
    QCheckBox* chkwtconsenhlp = nullptr;
    QLineEdit* txtwtmapnumber = nullptr;
    QPushButton* cmdwtnextmapnum = nullptr;
    QPlainTextEdit* txtwthelptext = nullptr;
    QLabel* lblwtform = nullptr;
    QLabel* lblwtobject = nullptr;
    QLabel* lblwttopicid = nullptr;
    QLabel* lblwttopicidfootnote = nullptr;
    QLabel* lblwtmapnumber = nullptr;
    QLabel* lblwthelptext = nullptr;

    // Create
    QWidget* frmcreate = nullptr;
    QGroupBox* frmcreateoptions = nullptr;
    QCheckBox* chkcreategeneralhelp = nullptr;
    QCheckBox* chkcreatecontentsfile = nullptr;
    QCheckBox* chkcreatetooltips = nullptr;
    QCheckBox* chkcreatecontextsensitivehelp = nullptr;
    QGroupBox* frmoptions = nullptr;
    std::array<QRadioButton*, 2> opthelptype{}; // 0 HTML Help, 1 Windows Help
    QCheckBox* chkvbproject = nullptr;
    QCheckBox* chkcompile = nullptr;
    QPushButton* cmdwinsize = nullptr;
    QLineEdit* txtwinsize = nullptr;
    QLineEdit* txthelpprojecttitle = nullptr;
    QLineEdit* txthelpprojectfilename = nullptr;
    QLineEdit* txtvbprojectfilename = nullptr;
    QLineEdit* txtrtffilename = nullptr;
    QLineEdit* txtcontentsfilename = nullptr;
    QLineEdit* txthelpfilename = nullptr;
    QLineEdit* txtindexfilename = nullptr;
    QPushButton* cmdhelpprojectfilebrowse = nullptr;
    QPushButton* cmdvbproectfilebrowse = nullptr;
    QPushButton* cmdrtffilebrowse = nullptr;
    QPushButton* cmdcontentsfilebrowse = nullptr;
    QPushButton* cmdhelpfilebrowse = nullptr;
    QPushButton* cmdindexfilebrowse = nullptr;
    QLabel* lblhelpprojecttitle = nullptr;
    QLabel* lblhelpprojectfilename = nullptr;
    QLabel* lblvbprojectfilename = nullptr;
    QLabel* lblrtffilename = nullptr;
    QLabel* lblcontentsfilename = nullptr;
    QLabel* lblhelpfilename = nullptr;
    QLabel* lblindexfile = nullptr;

    // Shared buttons
    QPushButton* cmdok = nullptr;
    QPushButton* cmdcancel = nullptr;
    QPushButton* cmddelete = nullptr;
    QPushButton* cmdcreate = nullptr;

    // Menus
    QMenu* mnufile = nullptr;
    QAction* mnunew = nullptr;
    QAction* mnuopen = nullptr;
    QMenu* mnuimport = nullptr;
    QAction* mnuimportworkshop = nullptr;
    QAction* mnuimportvbproject = nullptr;
    QAction* mnufilesep3 = nullptr;
    QAction* mnuprintpreview = nullptr;
    QAction* mnuprint = nullptr;
    QAction* mnufilesep2 = nullptr;
    std::array<QAction*, 6> mnuMRU{}; // elements 1 to 5; 0 unused
    QAction* mnufilesep1 = nullptr;
    QAction* mnuexit = nullptr;
    QMenu* mnuview = nullptr;
    QAction* mnuviewhelpfile = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* mnuproghelp = nullptr;
    QAction* mnuwhatsthis = nullptr;
    QAction* mnuhelpsep1 = nullptr;
    QAction* mnuaboutqmt = nullptr;
    QAction* mnuaboutkrv = nullptr;
    QAction* mnuhelpsep2 = nullptr;
    QAction* mnuviewprojecthelp = nullptr;
    QMenu* mnutvcommands = nullptr; // the contents tree's pop-up menu
    QAction* mnutvdelete = nullptr;
    QAction* mnucfaddhere = nullptr;

    // Toolbar buttons, index 1 to 11 (5 and 9 are separators); 0 unused.
    std::array<QAction*, 12> toolbarButtons{};

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    void buildLayout();
    void connectWindow();
    void connectProject();
    void connectRecords();
    void connectContents();
    void connectAppProject();
    void connectCreate();

    Session m_session;

public:
    // Window-level state of the contents tree editor (frmmain_contents.cpp).
    struct ContentsState;
    std::unique_ptr<ContentsState> m_contents;
    // State of the application-project area (frmmain_appproject.cpp).
    struct AppProjectState;
    std::unique_ptr<AppProjectState> m_appproject;
};
