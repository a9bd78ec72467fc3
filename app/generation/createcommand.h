// The Create command without its window: the generators in their order.
#pragma once

#include "appproject/formwriters.h"
#include "generation/compilation.h"
#include "generation/createreport.h"
#include "workspace/createsettings.h"
#include "workspace/session.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace dao {
class Database;
}

// The outcome of starting the help compiler.
struct CompileOutcome {
    bool done = false;     // started (and, when waited for, ended with status 0)
    QString message;       // why not, for the user; empty when done
    bool finished = false; // waited for to its end: the help file is there when done
    QString note;          // what happened, for the Create summary
};

// The outcome of a compile through CompileHelpProject.
CompileOutcome OutcomeOfCompile(const CompileResult& result);

// Where a run is. Step 0 is the reading and checking before anything is
// written (`steps` is 0 then); steps 1 to `steps` are the run's outputs, an
// output being one file or a group written together (the RTF topic file and
// the help project file, the HTML Help sources, the forms).
struct CreateProgress {
    int step = 0;
    int steps = 0;
    QString doing; // "Writing the contents file"
    QString file;  // the file it goes to; may be empty
};

// The steps of the command that other areas provide. Each may throw; an
// exception ends the command at that point.
struct CreateSteps {
    // False when the contents table has no rows (nothing written).
    std::function<bool(dao::Database&, const CreateSettings&)> createContentsFile;
    // The tool tips and help IDs, in one pass over each form.
    std::function<FormWriteResult(dao::Database&, const FormWriteOptions&,
                                  const QString& vbProjectFileName, const std::vector<FormRow>&)>
        writeForms;
    // Starts the help compiler on the help project file.
    std::function<CompileOutcome(const QString& helpProjectFileName)> compile;
    // Told before each step of the run (may be empty). Returning false before
    // an output stops the run there: what was written stays whole, that
    // output and the ones after it are not begun (CreateReport::stopped).
    // The answer at step 0 is not asked for: nothing is written yet.
    std::function<bool(const CreateProgress&)> progress;
    // CreateHTMLHelp (may be empty).
    std::function<void(dao::Database&, const CreateSettings&, CreateReport&)> createHtmlHelp;
    // Builds the compiled HTML Help file from its help project and checks it.
    std::function<CompileOutcome(const CreateSettings&)> compileHtmlHelp;
};

// The steps bound to the program's contents and form writers, with the
// compiler started detached.
CreateSteps DefaultCreateSteps();

// Runs the command: first every text that is to be written is checked (a
// text that cannot be written ends the run before any file is touched), then
// the work files an interrupted run left in the output folders are removed,
// then the generators run in the command's order: general help (Windows
// Help) and the contents file, or CreateHTMLHelp (HTML Help); tool tips;
// context-sensitive help; then the compiler when general help and compile
// are ticked with Windows Help, or the HTML Help compiler when compile is
// ticked with HTML Help. Between these outputs `steps.progress` may stop the
// run. The form writers work on the application
// project `appProjectPath` and its table of forms. An error ends the run at
// that point (files written before stay) and is reported as a failure.
CreateReport RunCreateCommand(const CreateSettings& settings, dao::Database& db,
                              const QString& appProjectPath, const std::vector<FormRow>& forms,
                              const CreateSteps& steps);

// The text to show for an error that ended the command.
QString CreateErrorMessage(const std::exception& error);
