#include "checkforok.h"

namespace records {

namespace {
bool filled(const QString& text) {
    return !text.isEmpty();
}

ButtonStates okAndDelete(bool enabled) {
    ButtonStates states;
    states.ok = enabled;
    states.del = enabled;
    return states;
}
} // namespace

ButtonStates CheckGeneralHelp(const GeneralHelpTab& tab) {
    return okAndDelete(filled(tab.topicId) && filled(tab.helpText));
}

ButtonStates CheckContentsFile(const ContentsFileTab& tab) {
    ButtonStates states;
    states.addnode =
        filled(tab.title) && ((filled(tab.topicId) && tab.topicChosen) || tab.headingChosen);
    states.ok = tab.treeNodes > 0;
    return states;
}

ButtonStates CheckToolTips(const ToolTipsTab& tab) {
    return okAndDelete(filled(tab.form) && filled(tab.object) && filled(tab.toolTipText));
}

ButtonStates CheckWhatsThis(const WhatsThisTab& tab) {
    return okAndDelete(filled(tab.form) && filled(tab.object) && filled(tab.mapNumber) &&
                       filled(tab.topicId) && filled(tab.helpText) &&
                       (isChecked(tab.contextSensitive) || isChecked(tab.whatsThis)));
}

ButtonStates CheckCreate(const CreateSettings& tab) {
    ButtonStates states;
    states.ok = false;
    states.create = false;
    states.del = false;
    bool enable = false;
    if (tab.windowsHelp()) {
        // Contents or context help without the general help cannot be created at all.
        if (tab.createGeneralHelp == 0 &&
            (isChecked(tab.createContentsFile) || isChecked(tab.createContextSensitiveHelp)))
            return states;
        if (isChecked(tab.createGeneralHelp) && filled(tab.helpProjectTitle) &&
            filled(tab.helpFileName) && filled(tab.rtfFileName) &&
            filled(tab.helpProjectFileName) &&
            (!isChecked(tab.createContentsFile) || filled(tab.contentsFileName)))
            enable = true;
        if (isChecked(tab.createToolTips) && filled(tab.vbProjectFileName))
            enable = true;
    } else if (tab.htmlHelp()) {
        enable = filled(tab.helpProjectFileName) && filled(tab.helpFileName) &&
                 filled(tab.contentsFileName) && filled(tab.indexFileName);
    }
    states.ok = enable;
    states.create = enable;
    return states;
}

} // namespace records
