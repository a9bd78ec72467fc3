#include "frmmain.h"

void FrmMain::connectCreate() {}
void FrmMain::opthelptype_Click(int) {}
void FrmMain::cmdcreate_Click() {}
void FrmMain::CreateHTMLHelp() {}
