// The What's This? tab: a form, a control of it, the topic, map number, help
// text and kind of help of the control.
#pragma once

#include "tabpage.h"

#include <memory>

namespace records {
struct WhatsThisRecord;
}

namespace Ui {
class WhatsThisTab;
}

class WhatsThisTab : public TabPage {
public:
    explicit WhatsThisTab(TabContext& context);
    ~WhatsThisTab() override;

    void loadStrings() override;
    void projectOpened() override;
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
    void dropTopicIfUnused(const QString& topicId);

    QString m_topicText; // the help text last taken from a picked general topic

    std::unique_ptr<Ui::WhatsThisTab> ui;
};
