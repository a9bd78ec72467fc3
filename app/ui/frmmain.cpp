#include "frmmain.h"

#include "appprojectstate.h"
#include "contentsstate.h"

#include <QCloseEvent>
#include <QTabBar>

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

int FrmMain::SelectedTab() const { return tabqmt ? tabqmt->currentIndex() + 1 : 1; }

void FrmMain::buildLayout() {}
void FrmMain::connectWindow() {}
void FrmMain::LoadStrings() {}
void FrmMain::SetupToolbars() {}
void FrmMain::tabqmt_Click() {}
void FrmMain::ZoomOutEdit() {}
void FrmMain::PrintDetails(quint8, quint8) {}
void FrmMain::mnuwhatsthis_Click() {}
void FrmMain::mnuproghelp_Click() {}
void FrmMain::mnuviewprojecthelp_Click() {}
void FrmMain::mnuviewhelpfile_Click() {}
void FrmMain::mnuaboutqmt_Click() {}
void FrmMain::mnuaboutkrv_Click() {}
void FrmMain::closeEvent(QCloseEvent* event) { event->accept(); }
void FrmMain::dragMoveEvent(QDragMoveEvent*) {}
