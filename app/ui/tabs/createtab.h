// The Create tab: the file names and switches of what Create generates, the
// application project field, and the Create command.
#pragma once

#include "tabpage.h"

#include "generation/helpfonts.h"
#include "workspace/createsettings.h"
#include <memory>

#include <QString>
#include <array>

namespace Ui {
class CreateTab;
}

class QRadioButton;

class CreateRun;

class CreateTab : public TabPage {
    Q_OBJECT

public:
    explicit CreateTab(TabContext& context);
    ~CreateTab() override;

    void loadStrings() override;
    // The project's stored settings shown.
    void projectOpened() override;
    void shown() override;
    records::ButtonStates checkForOk() override;
    // OK on the tab: the settings stored as project options.
    void save() override;

    // The tab's controls as settings, and settings shown in them.
    CreateSettings createSettings() const;
    void showCreateSettings(const CreateSettings& settings);
    // The project's stored settings shown when it opens.
    void ApplyOptions();
    void discard() override { ApplyOptions(); }
    // The help project's title as stored with the project.
    const QString& storedTitle() const { return m_storedTitle; }
    // The fonts and colours help texts may name, as the tab's fields give
    // them (what Create declares in the topic file).
    HelpFonts helpFonts() const { return HelpFontsOf(createSettings()); }

    void opthelptype_Click(int index);
    void cmdvbproectfilebrowse_Click();
    // Window Size: the help window's position and size in a small dialog;
    // stored with the tab's other settings.
    void cmdwinsize_Click();
    void showWindowSize();
    // The Create command (also the toolbar's): stores the tab's settings when
    // it is the selected tab and starts the run (see CreateRun), which
    // reports when it is over.
    void cmdcreate_Click();
    CreateRun& run();

signals:
    // Create compiled the help file: it can be viewed now.
    void helpFileMade();
    // The fonts or colours fields changed (typed, or a project's shown).
    void helpFontsChanged();

private:
    void create();
    void formHelpAvailable();
    void projectFieldLeft();
    // A face or colour that cannot be used, named in the status line.
    void tellFontProblems();

    CreateRun* m_run = nullptr; // a child of the window
    QString m_storedTitle;
    // The application project text last refused, told once until it changes.
    QString m_refusedProjectText;
    bool m_fontProblemTold = false; // the status line names a face or colour
    // Reads the application project named in the field when it is not the one
    // last read; true when it was read.
    bool readProjectIfChanged();

    std::unique_ptr<Ui::CreateTab> ui;
    std::array<QRadioButton*, 2> opthelptype{}; // 0 HTML Help, 1 Windows Help
};
