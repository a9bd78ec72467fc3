// The Create tab: the file names and switches of what Create generates, the
// application project field, and the Create command.
#pragma once

#include "tabpage.h"
#include "workspace/createsettings.h"

#include <QString>

class CreateTab : public TabPage {
public:
    explicit CreateTab(FrmMain& window);

    void shown() override;
    records::ButtonStates checkForOk() override;
    // OK on the tab: the settings stored as project options.
    void save() override;

    // The tab's controls as settings, and settings shown in them.
    CreateSettings createSettings() const;
    void showCreateSettings(const CreateSettings& settings);
    // The project's stored settings shown when it opens.
    void ApplyOptions();

    void opthelptype_Click(int index);
    void cmdvbproectfilebrowse_Click();
    // The Create command (also the toolbar's): stores the tab's settings when
    // it is the selected tab, runs the generators, and shows what failed.
    void cmdcreate_Click();

private:
    void create();
    void projectFieldLeft();

    // The text of txtvbprojectfilename when the field last received the focus.
    QString m_rememberedProjectFile;
};
