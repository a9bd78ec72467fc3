// The Tool Tips tab: a form, a control of it and the control's tool tip.
#pragma once

#include "tabpage.h"

class ToolTipsTab : public TabPage {
public:
    explicit ToolTipsTab(FrmMain& window);

    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override;
    void clearAfterSave() override;
    QWidget* field(int captionId) const override;
    bool remove() override;

    void cbottform_Click();
    void cbottobject_Click();
};
