#include "createcommand.h"

#include "components/components.h"
#include "dao.h"
#include "generation/generalhelp.h"
#include "generation/textoutput.h"

namespace {
void processEvents(const CreateSteps& steps) {
    if (steps.processEvents)
        steps.processEvents();
}
} // namespace

CreateRunResult RunCreateCommand(const CreateSettings& s, dao::Database& db,
                                 const QString& appProjectPath, const std::vector<FormRow>& forms,
                                 const CreateSteps& steps) {
    CreateRunResult result;
    if (s.generalHelpDue()) {
        result.generalHelpWritten = CreateGeneralHelp(s, db);
        if (CreateSettings::ticked(s.createContentsFile) && steps.createContentsFile) {
            steps.createContentsFile(db, s);
            result.contentsFileWritten = true;
        }
    } else if (!s.windowsHelp() && steps.createHtmlHelp) {
        result.htmlHelpWritten = steps.createHtmlHelp(db, s);
    }
    if (CreateSettings::ticked(s.createToolTips) && steps.createToolTips)
        result.formFailures << steps.createToolTips(db, appProjectPath, forms).failures;
    if (CreateSettings::ticked(s.createContextSensitiveHelp) && steps.createContextSensitiveHelp)
        result.formFailures << steps.createContextSensitiveHelp(db, appProjectPath, forms).failures;
    processEvents(steps);
    if (s.compileDue()) {
        result.compileDue = true;
        result.compiled = steps.compile && steps.compile(s.helpProjectFileName);
    } else if (!s.windowsHelp() && CreateSettings::ticked(s.compile)) {
        result.compileDue = true;
        result.compiled = steps.compileHtmlHelp && steps.compileHtmlHelp(s);
    }
    processEvents(steps);
    return result;
}

QString CreateErrorMessage(const std::exception& error) {
    if (const auto* g = dynamic_cast<const GenerationError*>(&error))
        return g->message();
    if (const auto* e = dynamic_cast<const dao::EngineError*>(&error))
        return e->text();
    if (const auto* c = dynamic_cast<const components::ComponentError*>(&error))
        return c->message();
    return QString::fromUtf8(error.what());
}
