#include "frmmain.h"

#include "appprojectstate.h"

void FrmMain::connectAppProject() {}
void FrmMain::ProcessVBProject() {}
void FrmMain::LoadFormComboBoxs() {}
void FrmMain::FindObjects(const QString&, QComboBox*) {}
void FrmMain::cbottform_Click() {}
void FrmMain::cbowtform_Click() {}
void FrmMain::cbottobject_Click() {}
void FrmMain::cbowtobject_Click() {}
void FrmMain::cbowttopicid_Click() {}
void FrmMain::cmdvbproectfilebrowse_Click() {}
