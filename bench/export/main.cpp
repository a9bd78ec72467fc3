// bench_export [TOPICS] [ROUNDS]
//
// Builds a project of TOPICS general help topics (2,000 by default), each
// with a few paragraphs, every tenth with a table, keywords, a browse
// sequence and a contents entry under one heading per 50 topics, plus 200
// What's This entries. Then it runs `qmt --export-pdf` and `qmt
// --export-web` on it ROUNDS times each (3) as the user would and reports
// the median wall-clock times, the pages of the manual and the size of the
// web help. Goal: the 2,000-topic manual within 10 s. With BENCH_EXPORT_KEEP
// set to a folder, the project, the manual and the web help are left there
// (for scripts/check-webhelp).
#include "../common/addrow.h"
#include "../common/measure.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

using bench::addRow;

void buildProject(const QString& path, int topics) {
    {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(path);
        creator->create_database();
    }
    auto db = dao::Database::OpenDatabase(path);
    db->BeginTrans();
    const QStringList topicFields{QStringLiteral("TopicID"),  QStringLiteral("TopicTitle"),
                                  QStringLiteral("Keywords"), QStringLiteral("BrowseSeq"),
                                  QStringLiteral("HelpText"), QStringLiteral("MapNumber"),
                                  QStringLiteral("Status")};
    for (int i = 0; i < topics; ++i) {
        QString text =
            QStringLiteral("Topic %1 explains one part of the program in a few sentences, so "
                           "that the page holds what a real topic holds.\r\nSee also {\\uldb "
                           "the next topic}{\\v IDH_TOPIC_%2} and {\\b bold words}.\r\n"
                           "A last paragraph with a list of the steps to follow.")
                .arg(i)
                .arg((i + 1) % topics);
        if (i % 10 == 0)
            text += QStringLiteral("\r\n\\trowd\\cellx2000\\cellx5000\\intbl Option\\cell "
                                   "Meaning\\cell\\row\\trowd\\cellx2000\\cellx5000\\intbl "
                                   "Value %1\\cell What it does\\cell\\row")
                        .arg(i);
        addRow(*db, QStringLiteral("GeneralHelp"), topicFields,
               {QStringLiteral("IDH_TOPIC_%1").arg(i), QStringLiteral("Topic %1").arg(i),
                QStringLiteral("topic;number %1").arg(i),
                QStringLiteral("main:%1").arg(i, 5, 10, QLatin1Char('0')), text, i + 1,
                QStringLiteral("A")});
    }
    const QStringList entryFields{QStringLiteral("Object"),    QStringLiteral("TopicID"),
                                  QStringLiteral("MapNumber"), QStringLiteral("HelpText"),
                                  QStringLiteral("Status"),    QStringLiteral("Type")};
    for (int i = 0; i < 200; ++i)
        addRow(*db, QStringLiteral("WhatsThis"), entryFields,
               {QStringLiteral("frm%1.cmd%2").arg(i / 50).arg(i % 50),
                QStringLiteral("IDH_CTL_%1").arg(i), 20001 + i,
                QStringLiteral("What control %1 does.").arg(i), QStringLiteral("A"),
                QStringLiteral("Both")});
    const QStringList nodeFields{QStringLiteral("TopicID"), QStringLiteral("Title"),
                                 QStringLiteral("Level"), QStringLiteral("Parent"),
                                 QStringLiteral("Type")};
    int entry = 0;
    for (int i = 0; i < topics; ++i) {
        if (i % 50 == 0)
            addRow(*db, QStringLiteral("ContentsFile"), nodeFields,
                   {QStringLiteral("H%1.%2").arg(i).arg(++entry),
                    QStringLiteral("Chapter %1").arg(i / 50 + 1), QStringLiteral("1"),
                    QStringLiteral("Main"), QStringLiteral("3")});
        addRow(*db, QStringLiteral("ContentsFile"), nodeFields,
               {QStringLiteral("IDH_TOPIC_%1.%2").arg(i).arg(++entry),
                QStringLiteral("Topic %1").arg(i), QStringLiteral("2"), QStringLiteral("Main"),
                QStringLiteral("2")});
    }
    addRow(*db, QStringLiteral("Options"),
           {QStringLiteral("Option"), QStringLiteral("Descr"), QStringLiteral("Status")},
           {QStringLiteral("HPJT"), QStringLiteral("Bench Help"), QStringLiteral("A")});
    db->CommitTrans();
    db->Close();
}

double run(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/qmt"), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "bench_export: qmt %s failed\n", qPrintable(args.join(u' ')));
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(60000))
        return -1;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 2000;
    const int rounds = args.size() > 2 ? args[2].toInt() : 3;
    QTemporaryDir temporary;
    const QString keep = qEnvironmentVariable("BENCH_EXPORT_KEEP");
    if (!keep.isEmpty())
        QDir().mkpath(keep);
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    const QString project = dir.filePath(QStringLiteral("bench.QMT"));
    QFile::remove(project);
    buildProject(project, topics);

    std::vector<double> pdf, web;
    const QString pdfFile = dir.filePath(QStringLiteral("manual.pdf"));
    for (int r = 0; r < rounds; ++r) {
        pdf.push_back(run({QStringLiteral("--export-pdf"), project, pdfFile}));
        QDir(dir.filePath(QStringLiteral("web"))).removeRecursively();
        web.push_back(
            run({QStringLiteral("--export-web"), project, dir.filePath(QStringLiteral("web"))}));
    }
    qint64 webBytes = 0;
    int webFiles = 0;
    for (QDirIterator it(dir.filePath(QStringLiteral("web")), QDir::Files); it.hasNext();) {
        it.next();
        webBytes += it.fileInfo().size();
        ++webFiles;
    }
    const double pdfMedian = bench::median(pdf);
    std::printf("bench_export: %d topics, 200 What's This entries, %d rounds\n", topics, rounds);
    std::printf("  --export-pdf  median %.2f s  (%d pages, %.1f MB)   goal: within 10 s for 2,000 "
                "topics: %s\n",
                pdfMedian, pdfPages(pdfFile), double(QFileInfo(pdfFile).size()) / 1e6,
                pdfMedian <= 10.0 ? "met" : "NOT met");
    std::printf("  --export-web  median %.2f s  (%d files, %.1f MB, into an empty folder)\n",
                bench::median(web), webFiles, double(webBytes) / 1e6);
    std::printf(
        "  --export-web  again over the unchanged folder: %.2f s\n",
        run({QStringLiteral("--export-web"), project, dir.filePath(QStringLiteral("web"))}));
    return 0;
}
