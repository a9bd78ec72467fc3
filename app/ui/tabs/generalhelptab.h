// The General Help tab: a topic's ID, title, keywords, browse sequence,
// header, map number and help text.
#pragma once

#include "tabpage.h"

#include "generation/helpfonts.h"

#include <QTimer>
#include <memory>

class QLineEdit;

namespace Ui {
class GeneralHelpTab;
}

class GeneralHelpTab : public TabPage {
public:
    explicit GeneralHelpTab(TabContext& context);
    ~GeneralHelpTab() override;

    void loadStrings() override;
    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override;
    QWidget* field(int captionId) const override;
    bool remove() override;
    QPlainTextEdit* zoomText() const override;

    // Picking a topic shows its stored fields.
    void cbotopicid_Click();
    void cmdghnextmapnum_Click();
    // The project's fonts and colours, which the preview shows the text in.
    void setHelpFonts(HelpFonts fonts);
    // The Next buttons of both tabs: the next free map number into `box`.
    static void putNextMapNumber(Session& session, QLineEdit* box);

private:
    void showPreview();

    QTimer m_preview;
    HelpFonts m_fonts;
    std::unique_ptr<Ui::GeneralHelpTab> ui;
    QString m_loadedTopicId; // the stored topic the fields show; empty for a new one
};
