#include "frmmain.h"

void FrmMain::connectRecords() {}
void FrmMain::CheckForOk() {}
void FrmMain::ClearControls(quint8) {}
void FrmMain::cmdok_Click() {}
void FrmMain::cmdcancel_Click() {}
void FrmMain::cmddelete_Click() {}
void FrmMain::cbotopicid_Click() {}
void FrmMain::cmdghnextmapnum_Click() {}
void FrmMain::cmdwtnextmapnum_Click() {}
QString FrmMain::GetNextMapNumber() { return {}; }
void FrmMain::SaveNextMapNumber(const QString&) {}
void FrmMain::UpdateOptions(const QString&, const QString&) {}
void FrmMain::ApplyOptions() {}
