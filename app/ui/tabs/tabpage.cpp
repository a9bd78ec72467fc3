#include "tabpage.h"

#include "ui/frmmain.h"

TabPage::TabPage(FrmMain& window) : w(window) {}

Session& TabPage::session() {
    return w.session();
}
