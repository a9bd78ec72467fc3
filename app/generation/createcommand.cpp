#include "createcommand.h"

#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "components/components.h"
#include "dao.h"
#include "fileio/savefile.h"
#include "generation/createchecks.h"
#include "generation/createguard.h"
#include "generation/generalhelp.h"
#include "generation/htmlhelp.h"
#include "resources/stringtable.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

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
    for (const RoleFile& output : CreateOutputFiles(s))
        files << output.path;
    if ((s.generalHelpDue() || s.htmlHelp()) && CreateSettings::ticked(s.vbProject))
        files << s.vbProjectFileName;
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

// Runs one step; an error ends that step only, so the steps that do not
// depend on it still run.
template <class Step> void guarded(CreateReport& report, const Step& step) {
    try {
        step();
    } catch (const std::exception& e) {
        report.fail(CreateErrorMessage(e));
    }
}

// The form writers need an application project to find the forms in.
bool formsReachable(const QString& appProjectPath, dao::Database& db, const QString& step,
                    int activeRows, CreateReport& report) {
    if (!appProjectPath.isEmpty())
        return true;
    int entries = 0;
    for (auto rs = db.OpenRecordset(LoadResString(activeRows), dao::dbOpenSnapshot); !rs->EOF_();
         rs->MoveNext())
        ++entries;
    report.fail(QStringLiteral("No application project is named, so the %1 of %2 %3 were not "
                               "written into forms.")
                    .arg(step)
                    .arg(entries)
                    .arg(entries == 1 ? QStringLiteral("entry") : QStringLiteral("entries")));
    return false;
}

// The tool tips and help IDs, in one pass over each form.
void writeForms(const CreateSettings& s, dao::Database& db, const QString& appProjectPath,
                const std::vector<FormRow>& forms, const CreateSteps& steps,
                const CreateInputProblems& problems, CreateReport& report) {
    FormWriteOptions formLines{CreateSettings::ticked(s.createToolTips) &&
                                   problems.toolTips.isEmpty() &&
                                   formsReachable(appProjectPath, db, QStringLiteral("tool tips"),
                                                  str::sql::ActiveToolTips, report),
                               CreateSettings::ticked(s.createContextSensitiveHelp) &&
                                   formsReachable(appProjectPath, db, QStringLiteral("help IDs"),
                                                  str::sql::ActiveWhatsThis, report),
                               false};
    formLines.whatsThisHelp = formLines.helpIds && CreateSettings::ticked(s.setFormWhatsThisHelp);
    // Forms the project lists but that are not there: say so, rather than
    // that their entries' forms are not in the project.
    if ((formLines.toolTips || formLines.helpIds) && QFileInfo(appProjectPath).isFile())
        guarded(report, [&] {
            for (const QString& listed : QMTCOdeMod::MissingFormFiles(appProjectPath))
                report.fail(QStringLiteral("The form file %1 listed in %2 cannot be read, so its "
                                           "controls got no tool tips or help IDs.")
                                .arg(listed, QDir::toNativeSeparators(appProjectPath)));
        });
    if ((formLines.toolTips || formLines.helpIds) && steps.writeForms)
        guarded(report,
                [&] { merge(report, steps.writeForms(db, formLines, appProjectPath, forms)); });
}

// The contents file of general help.
void writeContents(const CreateSettings& s, dao::Database& db, const CreateSteps& steps,
                   CreateReport& report) {
    guarded(report, [&] {
        const QString contents = GeneralHelpPathsFor(s).contents;
        if (s.contentsFileName.isEmpty())
            report.fail(QStringLiteral("The contents file was not written: the %1 is empty.")
                            .arg(LoadResString(str::caption::ContentsFileName)));
        else if (steps.createContentsFile(db, s))
            report.written << contents;
        else
            report.fail(QStringLiteral("The contents file %1 was not written: the contents tree "
                                       "is empty.")
                            .arg(QDir::toNativeSeparators(contents)));
    });
}

// The compiler of the help type, on the help project just written.
void compile(const CreateSettings& s, const CreateSteps& steps, bool windowsCompile,
             CreateReport& report) {
    report.compileDue = true;
    CompileOutcome outcome;
    const QString project = s.helpProjectFileName;
    if (!report.written.contains(project))
        outcome.message = QStringLiteral("The help file was not compiled: the help project "
                                         "file %1 was not written.")
                              .arg(QDir::toNativeSeparators(project));
    else
        try {
            if (windowsCompile && steps.compile)
                outcome = steps.compile(project);
            else if (!windowsCompile && steps.compileHtmlHelp)
                outcome = steps.compileHtmlHelp(s);
        } catch (const std::exception& e) {
            outcome.message = CreateErrorMessage(e);
        }
    report.compiled = outcome.done;
    report.compileNote = outcome.note;
    // A relative help file name is taken from the help project's folder.
    const QString helpFile = QFileInfo(project).dir().filePath(s.helpFileName);
    if (outcome.done && outcome.finished && QFileInfo::exists(helpFile))
        report.written << QDir::cleanPath(helpFile);
    if (!outcome.done)
        report.fail(!outcome.message.isEmpty() ? outcome.message
                    : windowsCompile           ? LoadResString(str::message::CompileFailed)
                                     : QStringLiteral("The HTML Help file was not compiled."));
}

// Where the compiler puts the help file, for the progress shown.
QString helpFileOf(const CreateSettings& s) {
    return s.htmlHelp() ? HtmlHelpPathsFor(s).compiled : GeneralHelpPathsFor(s).helpFile;
}

// One output of a run, or one group of outputs written together: the unit a
// run reports its progress by and can be stopped between.
struct Stage {
    QString doing; // "Writing the contents file"
    QString what;  // "the contents file"
    QString file;  // where it goes; may be empty
    std::function<void()> run;
};

void runGenerators(const CreateSettings& s, dao::Database& db, const QString& appProjectPath,
                   const std::vector<FormRow>& forms, const CreateSteps& steps,
                   const CreateInputProblems& problems, GeneralHelpSources* generalHelp,
                   CreateReport& report) {
    std::vector<Stage> stages;
    if (s.generalHelpDue()) {
        if (generalHelp)
            stages.push_back(
                {QStringLiteral("Writing the RTF topic file and the help project file"),
                 QStringLiteral("the RTF topic file and the help project file"),
                 GeneralHelpPathsFor(s).rtf,
                 [&] { guarded(report, [&] { FinishGeneralHelp(*generalHelp, s, report); }); }});
        if (CreateSettings::ticked(s.createContentsFile) && steps.createContentsFile &&
            problems.contentsFile.isEmpty())
            stages.push_back({QStringLiteral("Writing the contents file"),
                              QStringLiteral("the contents file"), GeneralHelpPathsFor(s).contents,
                              [&] { writeContents(s, db, steps, report); }});
    } else if (s.htmlHelp() && steps.createHtmlHelp) {
        stages.push_back({QStringLiteral("Writing the HTML Help sources"),
                          QStringLiteral("the HTML Help sources"), s.helpProjectFileName,
                          [&] { guarded(report, [&] { steps.createHtmlHelp(db, s, report); }); }});
    }
    const bool toolTips = CreateSettings::ticked(s.createToolTips);
    const bool helpIds = CreateSettings::ticked(s.createContextSensitiveHelp);
    if (toolTips || helpIds)
        stages.push_back(
            {QStringLiteral("Writing the forms of the application project"),
             QStringLiteral("the forms of the application project"), appProjectPath,
             [&] { writeForms(s, db, appProjectPath, forms, steps, problems, report); }});
    const bool windowsCompile = s.compileDue();
    if (windowsCompile || (s.htmlHelp() && CreateSettings::ticked(s.compile)))
        stages.push_back({QStringLiteral("Compiling the help file"),
                          QStringLiteral("the help file"), helpFileOf(s),
                          [&] { compile(s, steps, windowsCompile, report); }});

    const int count = static_cast<int>(stages.size());
    for (int i = 0; i < count; ++i) {
        const Stage& stage = stages[static_cast<std::size_t>(i)];
        if (steps.progress &&
            !steps.progress(CreateProgress{i + 1, count, stage.doing, stage.file})) {
            for (int rest = i; rest < count; ++rest) {
                const Stage& left = stages[static_cast<std::size_t>(rest)];
                report.stopped << (left.file.isEmpty()
                                       ? left.what
                                       : left.what + u' ' + QDir::toNativeSeparators(left.file));
            }
            return;
        }
        stage.run();
    }
}

} // namespace

CreateReport RunCreateCommand(const CreateSettings& s, dao::Database& db,
                              const QString& appProjectPath, const std::vector<FormRow>& forms,
                              const CreateSteps& steps) {
    CreateReport report;
    if (steps.progress)
        steps.progress(CreateProgress{
            0, 0, QStringLiteral("Reading the project and checking its texts"), db.Name()});
    try {
        const CreateInputProblems problems = CheckCreateInputs(s, db);
        QStringList refused = problems.settings;
        refused += CheckOutputNames(s, db.Name(), appProjectPath, forms);
        for (const QString& problem : std::as_const(refused))
            report.fail(problem);
        if (!report.ok())
            return report; // nothing is written
        const QStringList folders = outputFolders(s, appProjectPath, forms);
        QString busy;
        const std::unique_ptr<CreateLock> lock = CreateLock::Acquire(db.Name(), folders, busy);
        if (!lock) {
            report.fail(busy);
            return report;
        }
        for (const QString& folder : folders)
            fileio::RemoveStaleWorkFiles(folder);
        // The general help sources are made in work files from one reading
        // of the rows, which checks their texts on the way; a text at fault
        // keeps back these sources only.
        std::unique_ptr<GeneralHelpSources> generalHelp;
        QStringList warnings = problems.warnings;
        if (s.generalHelpDue()) {
            generalHelp = PrepareGeneralHelp(s, db, report);
            if (generalHelp) {
                warnings += generalHelp->warnings();
                if (!generalHelp->problems().isEmpty()) {
                    for (const QString& problem : generalHelp->problems())
                        report.fail(problem);
                    generalHelp.reset(); // its work files go with it
                }
            }
        } else {
            warnings += CheckHelpTextCodes(s, db);
        }
        for (const QStringList* group : {&problems.contentsFile, &problems.toolTips})
            for (const QString& problem : *group)
                report.fail(problem);
        for (const QString& warning : std::as_const(warnings))
            report.warn(warning);
        runGenerators(s, db, appProjectPath, forms, steps, problems, generalHelp.get(), report);
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
