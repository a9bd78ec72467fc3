#include "checkforok.h"

#include "resources/stringids.h"

namespace records {

namespace {
bool filled(const QString& text) {
    return !text.isEmpty();
}

// OK and Delete on when every field is filled; else the captions of the
// empty ones.
ButtonStates okAndDelete(std::initializer_list<std::pair<bool, int>> fields) {
    ButtonStates states;
    for (const auto& [isFilled, caption] : fields) {
        if (!isFilled)
            states.missing.push_back(caption);
    }
    states.ok = states.missing.empty();
    states.del = states.ok;
    return states;
}
} // namespace

ButtonStates CheckGeneralHelp(const GeneralHelpTab& tab) {
    using namespace str::caption;
    return okAndDelete({{filled(tab.topicId), TopicId}, {filled(tab.helpText), HelpText}});
}

ButtonStates CheckContentsFile(const ContentsFileTab& tab) {
    ButtonStates states;
    states.addnode =
        filled(tab.title) && ((filled(tab.topicId) && tab.topicChosen) || tab.headingChosen);
    states.ok = tab.treeNodes > 0;
    return states;
}

ButtonStates CheckToolTips(const ToolTipsTab& tab) {
    using namespace str::caption;
    return okAndDelete({{filled(tab.form), Form},
                        {filled(tab.object), Object},
                        {filled(tab.toolTipText), ToolTipText}});
}

ButtonStates CheckWhatsThis(const WhatsThisTab& tab) {
    using namespace str::caption;
    return okAndDelete(
        {{filled(tab.form), Form},
         {filled(tab.object), Object},
         {filled(tab.topicId), EntryTopicId},
         {filled(tab.mapNumber), TopicMapNumber},
         {filled(tab.helpText), HelpText},
         {isChecked(tab.contextSensitive) || isChecked(tab.whatsThis), ObjectHelpType}});
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
    if (!enable) {
        using namespace str::caption;
        const std::pair<const QString*, int> names[] = {
            {&tab.helpProjectTitle, HelpProjectTitle},
            {&tab.helpProjectFileName, HelpProjectFileName},
            {&tab.rtfFileName, RtfFileName},
            {&tab.contentsFileName, ContentsFileName},
            {&tab.helpFileName, HelpFileName},
            {&tab.indexFileName, IndexFileName}};
        for (const auto& [text, caption] : names) {
            const bool needed = tab.windowsHelp()
                                    ? caption != IndexFileName
                                    : caption != RtfFileName && caption != HelpProjectTitle;
            if (needed && !filled(*text))
                states.missing.push_back(caption);
        }
    }
    states.ok = enable;
    states.create = enable;
    return states;
}

} // namespace records
