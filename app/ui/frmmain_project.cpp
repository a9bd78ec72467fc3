#include "frmmain.h"

void FrmMain::connectProject() {}
void FrmMain::Form_Load() {}
QString FrmMain::GetFileName(const QString&, const QString&) { return {}; }
void FrmMain::mnunew_Click() {}
void FrmMain::mnuopen_Click() {}
void FrmMain::mnuMRU_Click(int) {}
bool FrmMain::DataBaseOpen(const QString&) { return false; }
void FrmMain::AddToFilesOpennedList(const QString&) {}
void FrmMain::SetupMRUMenu() {}
