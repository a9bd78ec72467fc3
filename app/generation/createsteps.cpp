// The Create command's steps bound to the program's contents and form writers.
#include "createcommand.h"

#include "appproject/formwriters.h"
#include "contents/contentsfilewriter.h"
#include "generation/compilation.h"
#include "generation/htmlhelp.h"
#include "generation/htmlhelpcompile.h"

namespace {
FormWriteOutcome outcome(const FormWriteResult& r) {
    return {r.formsRewritten, r.failures};
}
} // namespace

CreateSteps DefaultCreateSteps() {
    CreateSteps steps;
    steps.createContentsFile = [](dao::Database& db, const CreateSettings& s) {
        CreateContentsFile(db, s.contentsFileName, s.helpFileName, s.helpProjectTitle);
    };
    steps.createToolTips = [](dao::Database& db, const QString& vbp,
                              const std::vector<FormRow>& forms) {
        return outcome(CreateToolTips(db, vbp, forms));
    };
    steps.createContextSensitiveHelp = [](dao::Database& db, const QString& vbp,
                                          const std::vector<FormRow>& forms) {
        return outcome(CreateContextSensitiveHelp(db, vbp, forms));
    };
    steps.compile = [](const QString& hpj) { return CompileHelpProject(hpj).succeeded(); };
    steps.createHtmlHelp = [](dao::Database& db, const CreateSettings& s) {
        return CreateHTMLHelp(s, db);
    };
    steps.compileHtmlHelp = [](const CreateSettings& s) {
        CompileHtmlHelp(s.helpProjectFileName);
        return true;
    };
    return steps;
}
