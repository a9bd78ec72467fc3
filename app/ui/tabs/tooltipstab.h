// The Tool Tips tab: a form, a control of it and the control's tool tip.
#pragma once

#include "tabpage.h"

#include <memory>

namespace Ui {
class ToolTipsTab;
}

class ToolTipsTab : public TabPage {
public:
    explicit ToolTipsTab(TabContext& context);
    ~ToolTipsTab() override;

    void loadStrings() override;
    void projectOpened() override;
    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override;
    void clearAfterSave() override;
    QWidget* field(int captionId) const override;
    bool remove() override;

    void cbottform_Click();
    void cbottobject_Click();

private:
    std::unique_ptr<Ui::ToolTipsTab> ui;
};
