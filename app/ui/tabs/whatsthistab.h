// The What's This? tab: a form, a control of it, the topic, map number, help
// text and kind of help of the control.
#pragma once

#include "tabpage.h"

namespace records {
struct WhatsThisRecord;
}

class WhatsThisTab : public TabPage {
public:
    explicit WhatsThisTab(FrmMain& window);

    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override;
    QWidget* field(int captionId) const override;
    bool remove() override;

    void cbowtform_Click();
    void cbowtobject_Click();
    void cbowttopicid_Click();
    void cmdwtnextmapnum_Click();

private:
    void showHelpType(const records::WhatsThisRecord& entry);

    QString m_topicText; // the help text last taken from a picked general topic
};
