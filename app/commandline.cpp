#include "commandline.h"

#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"
#include "export/printbook.h"
#include "export/webhelp.h"
#include "fileio/savefile.h"
#include "generation/createbatch.h"
#include "import/importer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace {

enum Status { Ok = 0, Failed = 1, Usage = 2 };

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString usage() {
    return QStringLiteral(
        "Usage:\n"
        "  qmt [PROJECT.QMT]        start the window, opening the project if one is given\n"
        "  qmt --new PROJECT.QMT    create an empty project file\n"
        "  qmt --create PROJECT.QMT run the Create command of the project\n"
        "  qmt --import PROJECT.QMT SOURCE...\n"
        "                           add what SOURCE files hold to the project: a .vbp's\n"
        "                           tool tips and help IDs, a .hpj's options, map and\n"
        "                           topics, a .rtf's topics, a .cnt's contents, a\n"
        "                           .hlp's or .chm's topics, map numbers and keywords\n"
        "                           (a .chm's contents too), a .h/.hm/.bas file's map\n"
        "                           numbers\n"
        "  qmt --export-pdf PROJECT.QMT FILE.pdf\n"
        "                           write the project's topics as a printed manual\n"
        "  qmt --export-web PROJECT.QMT FOLDER\n"
        "                           write the project as web help into FOLDER\n"
        "  qmt --version            show the version\n"
        "  qmt --help               show this help\n");
}

int usageError(const QString& why) {
    print(stderr, QStringLiteral("qmt: %1\n").arg(why) + usage());
    return Usage;
}

// The batch commands find the components folder next to the program.
std::unique_ptr<QCoreApplication> ensureApplication(int& argc, char** argv) {
    if (QCoreApplication::instance())
        return nullptr;
    return std::make_unique<QCoreApplication>(argc, argv);
}

// File, New without a window: the same component creates the file.
int runNewBatch(const QString& projectPath) {
    const QString path = QFileInfo(projectPath).absoluteFilePath();
    try {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(path);
        creator->create_database();
    } catch (const dao::EngineError& e) {
        print(stderr,
              QStringLiteral("qmt: %1 (error %2)\n").arg(e.text(), QString::number(e.number())));
        return Failed;
    } catch (const components::ComponentError& e) {
        print(stderr, QStringLiteral("qmt: %1\n").arg(e.message()));
        return Failed;
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("qmt: %1\n").arg(QString::fromLocal8Bit(e.what())));
        return Failed;
    }
    print(stdout, QStringLiteral("Created %1\n").arg(path));
    return Ok;
}

// Import without a window: the report on standard output, problems on
// standard error; nothing is stored when a source cannot be read.
int runImportBatch(const QString& projectPath, const QStringList& sources) {
    if (!QFileInfo(projectPath).isFile()) {
        print(stderr, QStringLiteral("qmt: %1: %2\n")
                          .arg(projectPath, QFileInfo(projectPath).isDir()
                                                ? QStringLiteral("this is a folder, not a "
                                                                 "project file.")
                                                : QStringLiteral("the project file does not "
                                                                 "exist.")));
        return Failed;
    }
    std::unique_ptr<dao::Database> db;
    try {
        db = dao::Database::OpenDatabase(projectPath);
    } catch (const dao::EngineError& e) {
        print(stderr, QStringLiteral("qmt: %1: %2\n").arg(projectPath, e.text()));
        return Failed;
    }
    const import::ImportReport report = import::ImportSources(*db, sources);
    db->Close();
    print(report.ok() ? stdout : stderr, import::DescribeImport(report) + u'\n');
    return report.ok() ? Ok : Failed;
}

// The exports without a window: the project is only read.
int runExportBatch(const QString& option, const QString& projectPath, const QString& target) {
    if (!QFileInfo(projectPath).isFile()) {
        print(stderr,
              QStringLiteral("qmt: %1: the project file does not exist.\n").arg(projectPath));
        return Failed;
    }
    try {
        const auto db = dao::Database::OpenDatabase(projectPath);
        const QString path = QFileInfo(target).absoluteFilePath();
        if (option == QLatin1StringView("--export-pdf")) {
            printbook::ExportPdf(*db, projectPath, path);
        } else {
            const webhelp::Result result = webhelp::ExportWebHelp(*db, projectPath, path);
            for (const QString& w : result.warnings)
                print(stderr, QStringLiteral("qmt: warning: %1\n").arg(w));
        }
        db->Close();
        print(stdout, QStringLiteral("Wrote %1\n").arg(QDir::toNativeSeparators(path)));
    } catch (const dao::EngineError& e) {
        print(stderr, QStringLiteral("qmt: %1: %2\n").arg(projectPath, e.text()));
        return Failed;
    } catch (const fileio::FileWriteError& e) {
        print(stderr, QStringLiteral("qmt: %1\n").arg(e.message()));
        return Failed;
    }
    return Ok;
}

} // namespace

std::optional<int> runBatch(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || !args.first().startsWith(QLatin1StringView("--"))) {
        for (const QString& arg : std::as_const(args))
            if (arg.startsWith(QLatin1StringView("--")))
                return usageError(QStringLiteral("%1 must come first, on its own").arg(arg));
        return std::nullopt; // the window starts
    }

    const QString option = args.first();
    if (option == QLatin1StringView("--help")) {
        if (args.size() != 1)
            return usageError(QStringLiteral("--help takes no argument"));
        print(stdout, usage());
        return Ok;
    }
    if (option == QLatin1StringView("--version")) {
        if (args.size() != 1)
            return usageError(QStringLiteral("--version takes no argument"));
        print(stdout, QStringLiteral("Quillmate %1\n").arg(QStringLiteral(QM_VERSION)));
        return Ok;
    }
    if (option == QLatin1StringView("--new") || option == QLatin1StringView("--create")) {
        if (args.size() != 2 || args.at(1).isEmpty() ||
            args.at(1).startsWith(QLatin1StringView("--")))
            return usageError(QStringLiteral("%1 needs one project file").arg(option));
        const auto app = ensureApplication(argc, argv);
        if (option == QLatin1StringView("--new"))
            return runNewBatch(args.at(1));
        if (QFileInfo(args.at(1)).isDir()) {
            print(stderr,
                  QStringLiteral("qmt: %1 is a folder, not a project file.\n").arg(args.at(1)));
            return Failed;
        }
        return runCreateBatch(args.at(1));
    }
    if (option == QLatin1StringView("--import")) {
        if (args.size() < 3)
            return usageError(QStringLiteral("--import needs a project file and at least one "
                                             "file to import"));
        for (const QString& source : args.mid(2))
            if (import::ImportKind(source).isEmpty())
                return usageError(QStringLiteral("%1 is no file Quillmate imports (.vbp, .hpj, "
                                                 ".rtf, .cnt, .hlp, .chm, .h, .hh, .hm, .bas)")
                                      .arg(source));
        const auto app = ensureApplication(argc, argv);
        return runImportBatch(args.at(1), args.mid(2));
    }
    if (option == QLatin1StringView("--export-pdf") ||
        option == QLatin1StringView("--export-web")) {
        if (args.size() != 3 || args.at(1).isEmpty() || args.at(2).isEmpty())
            return usageError(QStringLiteral("%1 needs a project file and %2")
                                  .arg(option, option == QLatin1StringView("--export-pdf")
                                                   ? QStringLiteral("a PDF file")
                                                   : QStringLiteral("a folder")));
        // Pages are laid out with fonts, which need a graphical application;
        // no display is needed for that.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        std::unique_ptr<QCoreApplication> app;
        if (!QCoreApplication::instance())
            app = std::make_unique<QGuiApplication>(argc, argv);
        return runExportBatch(option, args.at(1), args.at(2));
    }
    return usageError(QStringLiteral("unknown option %1").arg(option));
}
