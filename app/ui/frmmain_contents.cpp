#include "frmmain.h"

#include "contentsstate.h"

void FrmMain::connectContents() {}
void FrmMain::LoadContentsTree() {}
void FrmMain::cmdaddnode_Click() {}
QTreeWidgetItem* FrmMain::AddNode(const QString&, const QString&, const QString&, quint8) {
    return nullptr;
}
qint16 FrmMain::CountNodeLevels(const QString&) { return 0; }
QString FrmMain::StripNodeIndex(QString& strnodekey) { return strnodekey; }
void FrmMain::DeleteChildNodes(QTreeWidgetItem*) {}
void FrmMain::mnutvdelete_Click() {}
void FrmMain::mnucfaddhere_Click() {}
void FrmMain::SaveContentsTree() {}
void FrmMain::Timer1_Timer() {}
void FrmMain::ResetContentsState() {}
