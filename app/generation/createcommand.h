// The Create command without its window: the generators in their order.
#pragma once

#include "generation/createsettings.h"
#include "workspace/session.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace dao {
class Database;
}

// What a form writer reports: forms rewritten and the failures it went past.
struct FormWriteOutcome {
    int formsRewritten = 0;
    QStringList failures;
};

// The steps of the command that other areas provide. Each may throw; an
// exception ends the command at that point.
struct CreateSteps {
    std::function<void(dao::Database&, const CreateSettings&)> createContentsFile;
    std::function<FormWriteOutcome(dao::Database&, const QString& vbProjectFileName,
                                   const std::vector<FormRow>&)>
        createToolTips;
    std::function<FormWriteOutcome(dao::Database&, const QString& vbProjectFileName,
                                   const std::vector<FormRow>&)>
        createContextSensitiveHelp;
    // Starts the help compiler; true when it was started (and, when waited
    // for, ended well). Shows its own messages.
    std::function<bool(const QString& helpProjectFileName)> compile;
    // Lets pending window events run (may be empty).
    std::function<void()> processEvents;
    // The HTML Help sources (CreateHTMLHelp); true when written.
    std::function<bool(dao::Database&, const CreateSettings&)> createHtmlHelp;
    // Builds and checks the compiled HTML Help file; true when it did. Shows
    // its own messages, or throws what ends the command.
    std::function<bool(const CreateSettings&)> compileHtmlHelp;
};

// The steps bound to the program's contents and form writers, with the
// compiler started detached.
CreateSteps DefaultCreateSteps();

struct CreateRunResult {
    bool generalHelpWritten = false;
    bool htmlHelpWritten = false;
    bool contentsFileWritten = false;
    bool compileDue = false;
    bool compiled = false;    // the compiler was started (and ended well when waited for)
    QStringList formFailures; // failures the form writers went past
    bool ok() const { return formFailures.isEmpty() && (!compileDue || compiled); }
};

// Runs the generators in the command's order: general help (Windows Help) and
// the contents file, or CreateHTMLHelp (HTML Help); tool tips; context-sensitive
// help; then the compiler when compile is ticked with HTML Help, or with
// general help and Windows Help.
// The form writers work on the application project `appProjectPath` and its
// table of forms. Throws what a generator throws; files written before stay.
CreateRunResult RunCreateCommand(const CreateSettings& settings, dao::Database& db,
                                 const QString& appProjectPath, const std::vector<FormRow>& forms,
                                 const CreateSteps& steps);

// The text to show for an error that ended the command.
QString CreateErrorMessage(const std::exception& error);
