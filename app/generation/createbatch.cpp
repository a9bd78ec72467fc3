#include "createbatch.h"

#include "appproject/projectreader.h"
#include "dao.h"
#include "generation/compilation.h"
#include "generation/createcommand.h"
#include "generation/createrules.h"
#include "workspace/options.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

void printError(const QString& text) {
    std::fprintf(stderr, "qmt: %s\n", qPrintable(text));
}

// The application project's table of forms, as opening the project reads it.
// A project that cannot be read fails the run only when the form writers need it.
std::vector<FormRow> readForms(const CreateSettings& s, bool& failed) {
    if (s.vbProjectFileName.isEmpty())
        return {};
    try {
        return QMTCOdeMod::ReadProjectForms(s.vbProjectFileName);
    } catch (const QMTCOdeMod::FileError& e) {
        printError(e.path() + QStringLiteral(": ") + e.text());
    } catch (const std::exception& e) {
        printError(CreateErrorMessage(e));
    }
    failed = failed || CreateSettings::ticked(s.createToolTips) ||
             CreateSettings::ticked(s.createContextSensitiveHelp);
    return {};
}

int runCreate(const QString& projectPath) {
    if (!QFileInfo(projectPath).isFile()) {
        printError(projectPath + QStringLiteral(": the project file does not exist."));
        return 1;
    }
    std::unique_ptr<dao::Database> db;
    CreateSettings settings;
    try {
        db = dao::Database::OpenDatabase(projectPath);
        // A bare help project name goes beside the project file, as in the window.
        settings = SettingsBesideProject(options::ReadCreateSettings(*db), projectPath);
    } catch (const dao::EngineError& e) {
        printError(projectPath + QStringLiteral(": ") + e.text());
        return 1;
    }
    if (!CreateTabEnabled(settings)) {
        printError(QStringLiteral("Create is not available for this project: ") +
                   CreateDisabledReason(settings));
        return 2;
    }

    bool failed = false;
    const std::vector<FormRow> forms = readForms(settings, failed);
    CreateSteps steps = DefaultCreateSteps();
    steps.compile = [](const QString& hpj) {
        return OutcomeOfCompile(CompileHelpProject(hpj, CompileWait::UntilFinished));
    };
    const CreateReport report =
        RunCreateCommand(settings, *db, settings.vbProjectFileName, forms, steps);
    for (const QString& w : report.warnings)
        printError(QStringLiteral("warning: ") + w);
    for (const QString& f : report.failures)
        printError(f);
    db->Close();
    return failed || !report.ok() ? 1 : 0;
}

} // namespace

int runCreateBatch(const QString& projectPath) {
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "qmt";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return runCreate(projectPath);
}
