#include "createbatch.h"

#include "appproject/projectreader.h"
#include "dao.h"
#include "generation/compilation.h"
#include "generation/createcommand.h"
#include "generation/createrules.h"
#include "resources/strings.h"
#include "workspace/filltemplate.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <optional>

namespace {

void printError(const QString& text) {
    std::fprintf(stderr, "qmt: %s\n", qPrintable(text));
}

std::optional<int> checkValue(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<bool> flagValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("-1") ||
        t == QStringLiteral("1"))
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("0"))
        return false;
    return std::nullopt;
}

} // namespace

CreateSettings LoadCreateSettings(dao::Database& db) {
    CreateSettings s;
    struct TextKey {
        int id;
        QString CreateSettings::*field;
    };
    const TextKey textKeys[] = {
        {511, &CreateSettings::vbProjectFileName}, {512, &CreateSettings::helpProjectFileName},
        {513, &CreateSettings::helpProjectTitle},  {514, &CreateSettings::helpFileName},
        {515, &CreateSettings::contentsFileName},  {516, &CreateSettings::rtfFileName},
        {538, &CreateSettings::indexFileName},
    };
    struct CheckKey {
        int id;
        int CreateSettings::*field;
    };
    const CheckKey checkKeys[] = {
        {517, &CreateSettings::createGeneralHelp},
        {518, &CreateSettings::createContentsFile},
        {519, &CreateSettings::createToolTips},
        {520, &CreateSettings::createContextSensitiveHelp},
        {521, &CreateSettings::vbProject},
        {542, &CreateSettings::compile},
    };
    const QString htmlKey = LoadResString(523);
    const QString windowsKey = LoadResString(539);

    auto rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(250),
                                           LoadResString(264), QStringLiteral("A")),
                               dao::dbOpenSnapshot);
    while (!rs->EOF_()) {
        const QString key = rs->Text(QStringLiteral("Option"));
        const QString value = rs->Text(QStringLiteral("Descr"));
        rs->MoveNext();
        const auto matches = [&](int id) {
            return key.compare(LoadResString(id), Qt::CaseInsensitive) == 0;
        };
        bool done = false;
        for (const TextKey& k : textKeys)
            if (!done && matches(k.id)) {
                s.*k.field = value;
                done = true;
            }
        for (const CheckKey& k : checkKeys)
            if (!done && matches(k.id)) {
                if (const auto v = checkValue(value))
                    s.*k.field = *v;
                done = true;
            }
        if (done)
            continue;
        // Selecting one help-type button deselects the other; clearing one
        // leaves the choice as it was.
        const bool html = key.compare(htmlKey, Qt::CaseInsensitive) == 0;
        const bool windows = key.compare(windowsKey, Qt::CaseInsensitive) == 0;
        if (html || windows) {
            if (const auto flag = flagValue(value); flag && *flag)
                s.helpType = html ? HelpType::HtmlHelp : HelpType::WindowsHelp;
        }
    }
    return s;
}

namespace {

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
        settings = LoadCreateSettings(*db);
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
        const CompileResult r = CompileHelpProject(hpj, CompileWait::UntilFinished);
        return CompileOutcome{r.succeeded(), r.message};
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
