// The Create command's steps bound to the program's contents and form writers.
#include "createcommand.h"

#include "appproject/formwriters.h"
#include "contents/contentsfilewriter.h"
#include "generation/compilation.h"
#include "generation/generalhelp.h"
#include "generation/htmlhelp.h"
#include "generation/htmlhelpcompile.h"

CreateSteps DefaultCreateSteps() {
    CreateSteps steps;
    steps.createContentsFile = [](dao::Database& db, const CreateSettings& s) {
        return CreateContentsFile(db, GeneralHelpPathsFor(s).contents, s.helpFileName,
                                  s.helpProjectTitle);
    };
    steps.writeForms = [](dao::Database& db, const FormWriteOptions& options, const QString& vbp,
                          const std::vector<FormRow>& forms) {
        return WriteFormFiles(db, options, vbp, forms);
    };
    steps.compile = [](const QString& hpj) { return OutcomeOfCompile(CompileHelpProject(hpj)); };
    steps.createHtmlHelp = [](dao::Database& db, const CreateSettings& s, CreateReport& report) {
        CreateHTMLHelp(s, db, report);
    };
    steps.compileHtmlHelp = [](const CreateSettings& s) {
        const HtmlHelpBuildOutcome built = BuildHtmlHelpFile(s.helpProjectFileName);
        return CompileOutcome{built.done, built.done ? QString() : built.message, built.done,
                              built.message};
    };
    return steps;
}
