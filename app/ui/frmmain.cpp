#include "frmmain.h"

#include "appprojectstate.h"
#include "commandguard.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "contentsstate.h"
#include "desktop.h"
#include "frmtextedit.h"
#include "generation/htmlhelp.h"
#include "icons.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "transtbwrapper.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

// The maker's web site, opened by Help, Korvane on the Web.
const QString kMakerAddress = QStringLiteral("https://www.korvane.example/");

template <class T, class... Args> T* make(const char* name, Args&&... args) {
    T* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* fieldLabel(const char* name, QWidget* buddy) {
    auto* label = make<QLabel>(name);
    label->setBuddy(buddy);
    return label;
}

QLabel* footnote(const char* name) {
    auto* label = make<QLabel>(name);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QComboBox* comboBox(const char* name) {
    auto* box = make<QComboBox>(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

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

// A page frame: one per tab, all in the same place.
QWidget* pageFrame(const char* name) {
    auto* frame = make<QFrame>(name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Plain);
    return frame;
}

} // namespace

FrmMain::FrmMain(QWidget* parent)
    : QMainWindow(parent), m_contents(std::make_unique<ContentsState>()),
      m_appproject(std::make_unique<AppProjectState>()) {
    setObjectName(QStringLiteral("FrmMain"));
    buildLayout();
    connectWindow();
    connectProject();
    connectRecords();
    connectContents();
    connectAppProject();
    connectCreate();
}

FrmMain::~FrmMain() = default;

int FrmMain::SelectedTab() const {
    return tabqmt ? tabqmt->currentIndex() + 1 : 1;
}

void FrmMain::buildLayout() {
    auto* central = make<QWidget>("centralWidget");
    auto* main = new QVBoxLayout(central);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);

    // Command bar: the cool bar hosts the wrapper, which hosts Toolbar1.
    CoolBar = make<QWidget>("CoolBar", central);
    auto* band = new QHBoxLayout(CoolBar);
    band->setContentsMargins(4, 2, 4, 2);
    band->setSpacing(0);
    TransTBWrapper::markCoolBar(CoolBar, Qt::Horizontal);
    tbwWrapper = make<TransTBWrapper>("tbwWrapper", CoolBar);
    main->addWidget(CoolBar);
    auto* rule = new QFrame(central);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    main->addWidget(rule);

    Toolbar1 = make<QToolBar>("Toolbar1", this);
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

    // Tab strip and the five page frames, stacked in one place.
    auto* body = new QVBoxLayout;
    body->setContentsMargins(9, 9, 9, 9);
    body->setSpacing(0);
    main->addLayout(body, 1);
    tabqmt = make<QTabBar>("tabqmt", central);
    tabqmt->setExpanding(false);
    tabqmt->setDrawBase(false);
    tabqmt->setUsesScrollButtons(false); // the window never gets narrower than its tabs
    for (const char* caption :
         {"General Help", "Contents File", "Tool Tips", "What's This?", "Create"})
        tabqmt->addTab(QLatin1String(caption));
    body->addWidget(tabqmt);
    auto* pages = new QGridLayout;
    pages->setContentsMargins(0, 0, 0, 0);
    body->addLayout(pages, 1);

    // General Help
    frmgenhelp = pageFrame("frmgenhelp");
    {
        cbotopicid = comboBox("cbotopicid");
        cbotopicid->setToolTip(QStringLiteral("Enter the ID for this section of help."));
        txttopictitle = make<QLineEdit>("txttopictitle");
        txtkeywords = make<QLineEdit>("txtkeywords");
        txtbrowseseq = make<QLineEdit>("txtbrowseseq");
        txttopicheader = make<QLineEdit>("txttopicheader");
        txtmapnumber = make<QLineEdit>("txtmapnumber");
        txtmapnumber->setMaximumWidth(120);
        cmdghnextmapnum = make<QPushButton>("cmdghnextmapnum");
        txtgenhelptext = make<QPlainTextEdit>("txtgenhelptext");
        lbltopicid = fieldLabel("lbltopicid", cbotopicid);
        lbltopicidfootnote = footnote("lbltopicidfootnote");
        lbltopictitle = fieldLabel("lbltopictitle", txttopictitle);
        lbltopictitlefootnote = footnote("lbltopictitlefootnote");
        lblkeywords = fieldLabel("lblkeywords", txtkeywords);
        lblkfootnote = footnote("lblkfootnote");
        lblbrowseseq = fieldLabel("lblbrowseseq", txtbrowseseq);
        lblbrowsefootnote = footnote("lblbrowsefootnote");
        lbltopicheader = fieldLabel("lbltopicheader", txttopicheader);
        lblmapnumber = fieldLabel("lblmapnumber", txtmapnumber);
        lblhelptext = fieldLabel("lblhelptext", txtgenhelptext);

        auto* grid = new QGridLayout(frmgenhelp);
        grid->addWidget(lbltopicid, 0, 0);
        grid->addWidget(cbotopicid, 0, 1);
        grid->addWidget(lbltopicidfootnote, 0, 2);
        grid->addWidget(lbltopictitle, 1, 0);
        grid->addWidget(txttopictitle, 1, 1);
        grid->addWidget(lbltopictitlefootnote, 1, 2);
        grid->addWidget(lblkeywords, 2, 0);
        grid->addWidget(txtkeywords, 2, 1);
        grid->addWidget(lblkfootnote, 2, 2);
        grid->addWidget(lblbrowseseq, 3, 0);
        grid->addWidget(txtbrowseseq, 3, 1);
        grid->addWidget(lblbrowsefootnote, 3, 2);
        grid->addWidget(lbltopicheader, 4, 0);
        grid->addWidget(txttopicheader, 4, 1, 1, 2);
        grid->addWidget(lblmapnumber, 5, 0);
        auto* map = new QHBoxLayout;
        map->addWidget(txtmapnumber);
        map->addWidget(cmdghnextmapnum);
        map->addStretch(1);
        grid->addLayout(map, 5, 1, 1, 2);
        grid->addWidget(lblhelptext, 6, 0, Qt::AlignTop);
        grid->addWidget(txtgenhelptext, 6, 1, 1, 2);
        grid->setRowStretch(6, 1);
        grid->setColumnStretch(1, 1);
    }
    pages->addWidget(frmgenhelp, 0, 0);

    // Contents File
    frmcontentsfile = pageFrame("frmcontentsfile");
    {
        tvcontentsfileview = make<ContentsTree>("tvcontentsfileview");
        tvcontentsfileview->setHeaderHidden(true);
        tvcontentsfileview->setColumnCount(1);
        frmcfentrytype = make<QGroupBox>("frmcfentrytype");
        opttopic = make<QRadioButton>("opttopic");
        optheading = make<QRadioButton>("optheading");
        opttopic->setChecked(true);
        auto* types = new QHBoxLayout(frmcfentrytype);
        types->addWidget(opttopic);
        types->addWidget(optheading);
        types->addStretch(1);
        cbocftopicid = comboBox("cbocftopicid");
        txtcftitle = make<QLineEdit>("txtcftitle");
        cmdaddnode = make<QPushButton>("cmdaddnode");
        lblcftopicid = fieldLabel("lblcftopicid", cbocftopicid);
        lblcftitle = fieldLabel("lblcftitle", txtcftitle);

        auto* side = new QVBoxLayout;
        side->addWidget(frmcfentrytype);
        side->addSpacing(6);
        side->addWidget(lblcftopicid);
        side->addWidget(cbocftopicid);
        side->addWidget(lblcftitle);
        side->addWidget(txtcftitle);
        side->addSpacing(6);
        auto* add = new QHBoxLayout;
        add->addStretch(1);
        add->addWidget(cmdaddnode);
        side->addLayout(add);
        side->addStretch(1);
        auto* row = new QHBoxLayout(frmcontentsfile);
        row->addWidget(tvcontentsfileview, 3);
        row->addLayout(side, 2);
    }
    pages->addWidget(frmcontentsfile, 0, 0);

    // Tool Tips
    frmtooltips = pageFrame("frmtooltips");
    {
        cbottform = comboBox("cbottform");
        cbottobject = comboBox("cbottobject");
        txttooltiptext = make<QLineEdit>("txttooltiptext");
        txttooltiptext->setToolTip(
            QStringLiteral("Enter the text that will appear when the mouse is above the control."));
        lblttform = fieldLabel("lblttform", cbottform);
        lblttobject = fieldLabel("lblttobject", cbottobject);
        lbltooltiptext = fieldLabel("lbltooltiptext", txttooltiptext);
        auto* grid = new QGridLayout(frmtooltips);
        grid->addWidget(lblttform, 0, 0);
        grid->addWidget(cbottform, 0, 1);
        grid->addWidget(lblttobject, 1, 0);
        grid->addWidget(cbottobject, 1, 1);
        grid->addWidget(lbltooltiptext, 2, 0);
        grid->addWidget(txttooltiptext, 2, 1, 1, 2);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(3, 1);
    }
    pages->addWidget(frmtooltips, 0, 0);

    // What's This?
    frmwhatsthis = pageFrame("frmwhatsthis");
    {
        cbowtform = comboBox("cbowtform");
        cbowtobject = comboBox("cbowtobject");
        cbowttopicid = comboBox("cbowttopicid");
        frmwtobjhlptype = make<QGroupBox>("frmwtobjhlptype");
        chkwtwthlp = make<QCheckBox>("chkwtwthlp");
        chkwtconsenhlp = make<QCheckBox>("chkwtconsenhlp");
        auto* types = new QHBoxLayout(frmwtobjhlptype);
        types->addWidget(chkwtwthlp);
        types->addWidget(chkwtconsenhlp);
        types->addStretch(1);
        txtwtmapnumber = make<QLineEdit>("txtwtmapnumber");
        txtwtmapnumber->setMaximumWidth(120);
        cmdwtnextmapnum = make<QPushButton>("cmdwtnextmapnum");
        txtwthelptext = make<QPlainTextEdit>("txtwthelptext");
        lblwtform = fieldLabel("lblwtform", cbowtform);
        lblwtobject = fieldLabel("lblwtobject", cbowtobject);
        lblwttopicid = fieldLabel("lblwttopicid", cbowttopicid);
        lblwttopicidfootnote = footnote("lblwttopicidfootnote");
        lblwtmapnumber = fieldLabel("lblwtmapnumber", txtwtmapnumber);
        lblwthelptext = fieldLabel("lblwthelptext", txtwthelptext);
        auto* grid = new QGridLayout(frmwhatsthis);
        grid->addWidget(lblwtform, 0, 0);
        grid->addWidget(cbowtform, 0, 1);
        grid->addWidget(lblwtobject, 1, 0);
        grid->addWidget(cbowtobject, 1, 1);
        grid->addWidget(lblwttopicid, 2, 0);
        grid->addWidget(cbowttopicid, 2, 1);
        grid->addWidget(lblwttopicidfootnote, 2, 2);
        grid->addWidget(frmwtobjhlptype, 0, 3, 3, 1, Qt::AlignTop);
        grid->addWidget(lblwtmapnumber, 3, 0);
        auto* map = new QHBoxLayout;
        map->addWidget(txtwtmapnumber);
        map->addWidget(cmdwtnextmapnum);
        map->addStretch(1);
        grid->addLayout(map, 3, 1, 1, 3);
        grid->addWidget(lblwthelptext, 4, 0, Qt::AlignTop);
        grid->addWidget(txtwthelptext, 4, 1, 1, 3);
        grid->setRowStretch(4, 1);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(3, 1);
    }
    pages->addWidget(frmwhatsthis, 0, 0);

    // Create
    frmcreate = pageFrame("frmcreate");
    {
        auto* grid = new QGridLayout(frmcreate);
        int row = 0;
        auto fileRow = [&](QLabel*& label, const char* labelName, QLineEdit*& edit,
                           const char* editName, QPushButton** browse, const char* browseName) {
            edit = make<QLineEdit>(editName);
            label = fieldLabel(labelName, edit);
            grid->addWidget(label, row, 0);
            grid->addWidget(edit, row, 1, 1, browse ? 1 : 2);
            if (browse) {
                *browse = make<QPushButton>(browseName);
                grid->addWidget(*browse, row, 2);
            }
            ++row;
        };
        fileRow(lblhelpprojecttitle, "lblhelpprojecttitle", txthelpprojecttitle,
                "txthelpprojecttitle", nullptr, nullptr);
        fileRow(lblhelpprojectfilename, "lblhelpprojectfilename", txthelpprojectfilename,
                "txthelpprojectfilename", &cmdhelpprojectfilebrowse, "cmdhelpprojectfilebrowse");
        fileRow(lblvbprojectfilename, "lblvbprojectfilename", txtvbprojectfilename,
                "txtvbprojectfilename", &cmdvbproectfilebrowse, "cmdvbproectfilebrowse");
        fileRow(lblrtffilename, "lblrtffilename", txtrtffilename, "txtrtffilename",
                &cmdrtffilebrowse, "cmdrtffilebrowse");
        fileRow(lblcontentsfilename, "lblcontentsfilename", txtcontentsfilename,
                "txtcontentsfilename", &cmdcontentsfilebrowse, "cmdcontentsfilebrowse");
        fileRow(lblhelpfilename, "lblhelpfilename", txthelpfilename, "txthelpfilename",
                &cmdhelpfilebrowse, "cmdhelpfilebrowse");
        fileRow(lblindexfile, "lblindexfile", txtindexfilename, "txtindexfilename",
                &cmdindexfilebrowse, "cmdindexfilebrowse");

        frmcreateoptions = make<QGroupBox>("frmcreateoptions");
        chkcreategeneralhelp = make<QCheckBox>("chkcreategeneralhelp");
        chkcreatecontentsfile = make<QCheckBox>("chkcreatecontentsfile");
        chkcreatetooltips = make<QCheckBox>("chkcreatetooltips");
        chkcreatecontextsensitivehelp = make<QCheckBox>("chkcreatecontextsensitivehelp");
        auto* what = new QVBoxLayout(frmcreateoptions);
        what->addWidget(chkcreategeneralhelp);
        what->addWidget(chkcreatecontentsfile);
        what->addWidget(chkcreatetooltips);
        what->addWidget(chkcreatecontextsensitivehelp);
        what->addStretch(1);

        frmoptions = make<QGroupBox>("frmoptions");
        opthelptype[0] = make<QRadioButton>("opthelptype_0");
        opthelptype[1] = make<QRadioButton>("opthelptype_1");
        chkvbproject = make<QCheckBox>("chkvbproject");
        chkcompile = make<QCheckBox>("chkcompile");
        cmdwinsize = make<QPushButton>("cmdwinsize");
        txtwinsize = make<QLineEdit>("txtwinsize");
        txtwinsize->setReadOnly(true);
        txtwinsize->setMinimumWidth(txtwinsize->fontMetrics().horizontalAdvance(
                                        QStringLiteral("pos(240,98) size(769,547)")) +
                                    16);
        auto* options = new QGridLayout(frmoptions);
        options->addWidget(opthelptype[0], 0, 0);
        options->addWidget(opthelptype[1], 1, 0);
        options->addWidget(chkvbproject, 0, 1);
        options->addWidget(chkcompile, 1, 1);
        options->addWidget(cmdwinsize, 2, 0);
        options->addWidget(txtwinsize, 2, 1);
        options->setColumnStretch(1, 1);
        options->setRowStretch(3, 1);

        auto* boxes = new QHBoxLayout;
        boxes->addWidget(frmcreateoptions, 1);
        boxes->addWidget(frmoptions, 1);
        grid->addLayout(boxes, row++, 0, 1, 3);
        grid->setRowStretch(row, 1);
        grid->setColumnStretch(1, 1);
    }
    pages->addWidget(frmcreate, 0, 0);

    // Shared buttons.
    cmdok = make<QPushButton>("cmdok");
    cmdcancel = make<QPushButton>("cmdcancel");
    cmddelete = make<QPushButton>("cmddelete");
    cmdcreate = make<QPushButton>("cmdcreate");
    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->setContentsMargins(0, 9, 0, 0);
    buttonsRow->addStretch(1);
    for (QPushButton* b : {cmdok, cmdcancel, cmddelete, cmdcreate}) {
        b->setMinimumWidth(90);
        buttonsRow->addWidget(b);
    }
    body->addLayout(buttonsRow);

    Timer1 = make<QTimer>("Timer1", this);
    Timer1->setInterval(200);

    // Menus.
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    mnufile = make<QMenu>("mnufile", this);
    mnunew = action(mnufile, "mnunew");
    mnunew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuopen = action(mnufile, "mnuopen");
    mnuopen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuimport = make<QMenu>("mnuimport", QStringLiteral("Import"), mnufile);
    mnuimport->menuAction()->setEnabled(false);
    mnuimportworkshop =
        action(mnuimport, "mnuimportworkshop", QStringLiteral("Help Workshop Project"));
    mnuimportvbproject =
        action(mnuimport, "mnuimportvbproject", QStringLiteral("Visual Basic Project"));
    mnuimport->addAction(mnuimportworkshop);
    mnuimport->addAction(mnuimportvbproject);
    mnufilesep3 = separator(mnufile, "mnufilesep3");
    mnuprintpreview = action(mnufile, "mnuprintpreview", QStringLiteral("Print Preview"));
    mnuprint = action(mnufile, "mnuprint", QStringLiteral("Print..."));
    mnufilesep2 = separator(mnufile, "mnufilesep2");
    mnufile->addAction(mnunew);
    mnufile->addAction(mnuopen);
    mnufile->addMenu(mnuimport);
    mnufile->addAction(mnufilesep3);
    mnufile->addAction(mnuprintpreview);
    mnufile->addAction(mnuprint);
    mnufile->addAction(mnufilesep2);
    for (int i = 1; i <= 5; ++i) {
        const QByteArray name = "mnuMRU_" + QByteArray::number(i);
        mnuMRU[i] = action(mnufile, name.constData());
        mnuMRU[i]->setVisible(false);
        mnufile->addAction(mnuMRU[i]);
    }
    mnufilesep1 = separator(mnufile, "mnufilesep1");
    mnuexit = action(mnufile, "mnuexit");
    mnufile->addAction(mnufilesep1);
    mnufile->addAction(mnuexit);
    for (QAction* hidden : {mnufilesep3, mnuprintpreview, mnuprint, mnufilesep2})
        hidden->setVisible(false);
    bar->addMenu(mnufile);

    mnuview = make<QMenu>("mnuview", this);
    mnuviewhelpfile = action(mnuview, "mnuviewhelpfile");
    mnuview->addAction(mnuviewhelpfile);
    bar->addMenu(mnuview);

    mnuhelp = make<QMenu>("mnuhelp", this);
    mnuproghelp = action(mnuhelp, "mnuproghelp");
    mnuproghelp->setShortcut(QKeySequence(Qt::Key_F1));
    mnuwhatsthis = action(mnuhelp, "mnuwhatsthis");
    mnuhelpsep1 = separator(mnuhelp, "mnuhelpsep1");
    mnuaboutqmt = action(mnuhelp, "mnuaboutqmt");
    mnuaboutkrv = action(mnuhelp, "mnuaboutkrv");
    mnuhelpsep2 = separator(mnuhelp, "mnuhelpsep2");
    mnuviewprojecthelp = action(mnuhelp, "mnuviewprojecthelp");
    mnuhelpsep2->setVisible(false);
    mnuviewprojecthelp->setVisible(false);
    mnuhelp->addActions({mnuproghelp, mnuwhatsthis, mnuhelpsep1, mnuaboutqmt, mnuaboutkrv,
                         mnuhelpsep2, mnuviewprojecthelp});
    bar->addMenu(mnuhelp);

    // The contents tree's pop-up menu; never part of the menu bar.
    mnutvcommands = make<QMenu>("mnutvcommands", this);
    mnutvdelete = action(mnutvcommands, "mnutvdelete");
    mnucfaddhere = action(mnutvcommands, "mnucfaddhere");
    mnutvcommands->addAction(mnutvdelete);
    mnutvcommands->addAction(mnucfaddhere);

    setCentralWidget(central);
    setAcceptDrops(true);
    resize(760, 560);
}

void FrmMain::connectWindow() {
    connect(tabqmt, &QTabBar::currentChanged, this, [this] { tabqmt_Click(); });

    // Toolbar buttons run the commands of their menu items and buttons.
    connect(toolbarButtons[1], &QAction::triggered, mnunew, &QAction::trigger);
    connect(toolbarButtons[2], &QAction::triggered, mnuopen, &QAction::trigger);
    connect(toolbarButtons[3], &QAction::triggered, this,
            [this] { ui::runCommand([this] { cmdok_Click(); }); });
    connect(toolbarButtons[4], &QAction::triggered, this,
            [this] { PrintDetails(static_cast<quint8>(SelectedTab()), 1); });
    connect(toolbarButtons[6], &QAction::triggered, this,
            [this] { ui::runCommand([this] { cmddelete_Click(); }); });
    connect(toolbarButtons[7], &QAction::triggered, this, [this] { ZoomOutEdit(); });
    connect(toolbarButtons[8], &QAction::triggered, this,
            [this] { ui::runCommand([this] { cmdcreate_Click(); }); });
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
    auto* band = static_cast<QBoxLayout*>(CoolBar->layout());
    if (band->indexOf(tbwWrapper) < 0) {
        band->addWidget(tbwWrapper);
        band->addStretch(1);
    }
    tbwWrapper->AdjustBand();
}

void FrmMain::tabqmt_Click() {
    for (QWidget* frame : {frmgenhelp, frmtooltips, frmwhatsthis, frmcontentsfile, frmcreate})
        frame->hide();
    cmdok->setEnabled(false);
    switch (SelectedTab()) {
    case TabGeneralHelp:
        frmgenhelp->show();
        cbotopicid->setFocus();
        break;
    case TabContentsFile:
        frmcontentsfile->show();
        tvcontentsfileview->clear();
        cmdaddnode->setEnabled(false);
        cmdok->setEnabled(false);
        txtcftitle->setFocus();
        LoadContentsTree();
        break;
    case TabToolTips:
        frmtooltips->show();
        cbottform->setFocus();
        break;
    case TabWhatsThis:
        frmwhatsthis->show();
        cbowtform->setFocus();
        break;
    case TabCreate:
        frmcreate->show();
        txtvbprojectfilename->setFocus();
        CheckForOk();
        break;
    default:
        break;
    }
}

void FrmMain::ZoomOutEdit() {
    if (!m_session.isOpen() || SelectedTab() != TabGeneralHelp)
        return;
    // The editor writes its text back when it closes; saving is OK's business.
    FrmTextEdit(txtgenhelptext, this).exec();
}

void FrmMain::PrintDetails(quint8, quint8) {
    // Printing is not offered: the command changes nothing.
}

void FrmMain::mnuwhatsthis_Click() {
    QWhatsThis::enterWhatsThisMode();
}

void FrmMain::mnuproghelp_Click() {
    desktop::WinHelp(this, QStringLiteral("Qmt.hlp"), desktop::HELP_TAB, 0);
}

void FrmMain::mnuviewprojecthelp_Click() {
    if (opthelptype[0]->isChecked()) {
        // HTML Help: the compiled file where the compiler put it, in the
        // desktop's viewer.
        CreateSettings s;
        s.helpProjectFileName = txthelpprojectfilename->text();
        s.helpFileName = txthelpfilename->text();
        if (!desktop::openWithDesktop(HtmlHelpPathsFor(s).compiled))
            shell::MsgBox(LoadResString(str::message::HelpFileMissing), shell::vbOKOnly);
        return;
    }
    desktop::WinHelp(this, txthelpfilename->text(), desktop::HELP_TAB, 0);
}

void FrmMain::mnuviewhelpfile_Click() {
    if (!desktop::openWithDesktop(txthelpfilename->text()))
        shell::MsgBox(LoadResString(str::message::HelpFileMissing), shell::vbOKOnly);
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
    desktop::openWithDesktop(kMakerAddress);
}

void FrmMain::closeEvent(QCloseEvent* event) {
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
