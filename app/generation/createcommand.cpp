#include "createcommand.h"

#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "components/components.h"
#include "dao.h"
#include "fileio/savefile.h"
#include "generation/createchecks.h"
#include "generation/generalhelp.h"
#include "resources/stringtable.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

void processEvents(const CreateSteps& steps) {
    if (steps.processEvents)
        steps.processEvents();
}

void merge(CreateReport& report, const FormWriteResult& outcome) {
    report.formsRewritten += outcome.formsRewritten;
    report.controlsUpdated += outcome.controlsUpdated;
    for (const QString& f : outcome.failures)
        report.fail(f);
    for (const QString& w : outcome.warnings)
        report.warn(w);
}

// The folders this run writes into: those of the generated files and of the
// form and project files it rewrites.
QStringList outputFolders(const CreateSettings& s, const QString& appProjectPath,
                          const std::vector<FormRow>& forms) {
    QStringList files;
    if (s.generalHelpDue()) {
        files << s.rtfFileName << s.helpProjectFileName;
        if (CreateSettings::ticked(s.createContentsFile))
            files << s.contentsFileName;
        if (CreateSettings::ticked(s.vbProject))
            files << s.vbProjectFileName;
    }
    if (CreateSettings::ticked(s.createToolTips) ||
        CreateSettings::ticked(s.createContextSensitiveHelp)) {
        for (const FormRow& form : forms)
            files << QMTCOdeMod::GetFormFilePath(form.formName, forms, appProjectPath);
    }
    QStringList folders;
    QSet<QString> seen;
    for (const QString& file : std::as_const(files)) {
        if (file.isEmpty())
            continue;
        const QString folder = QFileInfo(file).absolutePath();
        if (!seen.contains(folder)) {
            seen.insert(folder);
            folders << folder;
        }
    }
    return folders;
}

void runGenerators(const CreateSettings& s, dao::Database& db, const QString& appProjectPath,
                   const std::vector<FormRow>& forms, const CreateSteps& steps,
                   CreateReport& report) {
    if (s.generalHelpDue()) {
        CreateGeneralHelp(s, db, report);
        if (CreateSettings::ticked(s.createContentsFile) && steps.createContentsFile) {
            if (s.contentsFileName.isEmpty())
                report.fail(QStringLiteral("The contents file was not written: the %1 is empty.")
                                .arg(LoadResString(str::caption::ContentsFileName)));
            else if (steps.createContentsFile(db, s))
                report.written << s.contentsFileName;
            else
                report.fail(QStringLiteral("The contents file %1 was not written: the contents "
                                           "tree is empty.")
                                .arg(QDir::toNativeSeparators(s.contentsFileName)));
        }
    } else if (s.htmlHelp() && steps.createHtmlHelp) {
        steps.createHtmlHelp(db, s, report);
    }
    const bool helpIds = CreateSettings::ticked(s.createContextSensitiveHelp);
    const FormWriteOptions formLines{CreateSettings::ticked(s.createToolTips), helpIds,
                                     helpIds && CreateSettings::ticked(s.setFormWhatsThisHelp)};
    if ((formLines.toolTips || formLines.helpIds) && steps.writeForms)
        merge(report, steps.writeForms(db, formLines, appProjectPath, forms));
    processEvents(steps);
    const bool windowsCompile = s.compileDue();
    if (windowsCompile || (s.htmlHelp() && CreateSettings::ticked(s.compile))) {
        report.compileDue = true;
        CompileOutcome outcome;
        if (windowsCompile && !report.written.contains(s.helpProjectFileName))
            outcome.message = QStringLiteral("The help file was not compiled: the help project "
                                             "file %1 was not written.")
                                  .arg(QDir::toNativeSeparators(s.helpProjectFileName));
        else if (windowsCompile && steps.compile)
            outcome = steps.compile(s.helpProjectFileName);
        else if (!windowsCompile && steps.compileHtmlHelp)
            outcome = steps.compileHtmlHelp(s);
        report.compiled = outcome.done;
        report.compileNote = outcome.note;
        // A relative help file name is taken from the help project's folder.
        const QString helpFile = QFileInfo(s.helpProjectFileName).dir().filePath(s.helpFileName);
        if (outcome.done && outcome.finished && QFileInfo::exists(helpFile))
            report.written << QDir::cleanPath(helpFile);
        if (!outcome.done)
            report.fail(!outcome.message.isEmpty() ? outcome.message
                        : windowsCompile           ? LoadResString(str::message::CompileFailed)
                                         : QStringLiteral("The HTML Help file was not compiled."));
    }
    processEvents(steps);
}

} // namespace

CreateReport RunCreateCommand(const CreateSettings& s, dao::Database& db,
                              const QString& appProjectPath, const std::vector<FormRow>& forms,
                              const CreateSteps& steps) {
    CreateReport report;
    try {
        for (const QString& problem : CheckCreateInputs(s, db))
            report.fail(problem);
        if (!report.ok())
            return report; // nothing is written
        for (const QString& warning : CheckHelpTextCodes(s, db))
            report.warn(warning);
        for (const QString& folder : outputFolders(s, appProjectPath, forms))
            fileio::RemoveStaleWorkFiles(folder);
        runGenerators(s, db, appProjectPath, forms, steps, report);
    } catch (const std::exception& e) {
        report.fail(CreateErrorMessage(e));
    }
    return report;
}

CompileOutcome OutcomeOfCompile(const CompileResult& r) {
    return CompileOutcome{r.succeeded(), r.message, r.finished, DescribeCompile(r)};
}

QString CreateErrorMessage(const std::exception& error) {
    if (const auto* g = dynamic_cast<const fileio::FileWriteError*>(&error))
        return g->message();
    if (const auto* e = dynamic_cast<const dao::EngineError*>(&error))
        return e->text();
    if (const auto* c = dynamic_cast<const components::ComponentError*>(&error))
        return c->message();
    if (const auto* f = dynamic_cast<const QMTCOdeMod::FileError*>(&error))
        return f->text();
    return QString::fromUtf8(error.what());
}
