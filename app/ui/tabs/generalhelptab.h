// The General Help tab: a topic's ID, title, keywords, browse sequence,
// header, map number and help text.
#pragma once

#include "tabpage.h"

#include <QTimer>

class QLineEdit;

class GeneralHelpTab : public TabPage {
public:
    explicit GeneralHelpTab(FrmMain& window);

    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override;
    QWidget* field(int captionId) const override;
    bool remove() override;

    // Picking a topic shows its stored fields.
    void cbotopicid_Click();
    void cmdghnextmapnum_Click();
    // The Next buttons of both tabs: the next free map number into `box`.
    static void putNextMapNumber(FrmMain& window, QLineEdit* box);

private:
    void showPreview();

    QTimer m_preview;
    QString m_loadedTopicId; // the stored topic the fields show; empty for a new one
};
