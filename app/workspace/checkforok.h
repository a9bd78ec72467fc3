// The enabling rules of the record buttons (OK, Delete, Create, Add node),
// one per tab, on the values of the tab's controls.
#pragma once

#include "workspace/createsettings.h"

#include <QString>
#include <optional>
#include <vector>

namespace records {

// The states a rule sets; a button without a value keeps its state.
struct ButtonStates {
    std::optional<bool> ok;
    std::optional<bool> del;
    std::optional<bool> create;
    std::optional<bool> addnode;
    // While OK is off: the fields it still needs, by caption id (str::caption).
    std::vector<int> missing;
};

// Check box values as the window keeps them: 0 cleared, 1 checked, 2 grayed.
// Only 1 counts as checked.
inline bool isChecked(int checkValue) {
    return checkValue == 1;
}

struct GeneralHelpTab {
    QString topicId;
    QString helpText;
};

struct ContentsFileTab {
    QString topicId;
    QString title;
    bool topicChosen = false;
    bool headingChosen = false;
    int treeNodes = 0; // nodes in the tree, the root included
};

struct ToolTipsTab {
    QString form;
    QString object;
    QString toolTipText;
};

struct WhatsThisTab {
    QString form;
    QString object;
    QString mapNumber;
    QString topicId;
    QString helpText;
    int contextSensitive = 0; // chkwtconsenhlp
    int whatsThis = 0;        // chkwtwthlp
};

ButtonStates CheckGeneralHelp(const GeneralHelpTab& tab);
// Sets Add node and OK; Delete is left alone.
ButtonStates CheckContentsFile(const ContentsFileTab& tab);
ButtonStates CheckToolTips(const ToolTipsTab& tab);
ButtonStates CheckWhatsThis(const WhatsThisTab& tab);
// Sets OK, Create and Delete; Delete is always off on this tab.
ButtonStates CheckCreate(const CreateSettings& tab);

} // namespace records
