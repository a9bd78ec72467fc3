// bench_import [TOPICS]
//
// Writes a help project and its topic file as Create writes them for TOPICS
// topics (20,000 by default: titles, keywords, browse sequences, map
// numbers, six paragraphs of text each), then, in turns:
//  - compiles them with the compiler library (reading the project and the
//    topic file, building and writing the help file), and
//  - imports the help project into a fresh, empty project (the options, the
//    topics with their texts, the map numbers, stored in one transaction).
// Reports the medians and their ratio (goal: the import within 2 times the
// compile), the part of reading the topic file into topics alone, and the
// import of the compiled help file for comparison.
#include "../common/measure.h"
#include "compiler.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"
#include "import/importer.h"
#include "import/rtftopics.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

QByteArray footnote(const QByteArray& mark, const QByteArray& value) {
    return mark +
           "{\\footnote \\pard\\plain \\s15\\widctlpar{\\adjustright \\fs20\\cgrid "
           "{\\cs16\\super " +
           mark + "}{ " + value + "}}}\r\n";
}

void writeSources(const QString& dir, int topics) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss "
        "Arial;}}{\\colortbl;\\red0\\green0\\blue0;}\r\n";
    QByteArray map;
    for (int i = 0; i < topics; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray title = "Topic " + n;
        rtf += "{\\cs16\\b\\f1\\fs24\\super\r\n";
        rtf += footnote("#", "IDH_TOPIC_" + n);
        rtf += footnote("$", title);
        if (i % 3)
            rtf += footnote("+", "main:" + n.rightJustified(5, '0'));
        if (i % 4)
            rtf += footnote("K", "topic;number " + n);
        rtf += "}\r\n{\\b\\f1\\fs24 " + title + "\\par \\par }\r\n{\\f1\\fs20 ";
        rtf += QByteArray("First line of {\\b topic} " + n +
                          ", see {\\uldb the next}{\\v "
                          "IDH_TOPIC_" +
                          QByteArray::number((i + 1) % topics) + "}.\\par\nSecond line.\\par\n")
                   .repeated(3);
        rtf += "}\r\n\\page\r\n\r\n";
        if (i % 32767)
            map += "IDH_TOPIC_" + n + "=" + QByteArray::number(i % 32767) + "\r\n";
    }
    rtf += "}\r\n";
    QFile r(dir + QStringLiteral("/help.rtf"));
    r.open(QIODevice::WriteOnly);
    r.write(rtf);
    const QByteArray hpj = "[OPTIONS]\r\nCOMPRESS=12 Hall Zeck\r\nLCID=0x409 0x0 0x0\r\n"
                           "REPORT=Yes\r\nTITLE=Bench Help\r\nHLP=help.hlp\r\n \r\n"
                           "[FILES]\r\nhelp.rtf\r\n \r\n[MAP]\r\n" +
                           map + " \r\n";
    QFile h(dir + QStringLiteral("/help.hpj"));
    h.open(QIODevice::WriteOnly);
    h.write(hpj);
}

// The time of one import into a fresh copy of `empty`, in ms; -1 on failure.
double timedImport(const QString& empty, const QString& project, const QString& source) {
    QFile::remove(project);
    if (!QFile::copy(empty, project))
        return -1;
    auto db = dao::Database::OpenDatabase(project);
    QElapsedTimer t;
    t.start();
    const import::ImportReport report = import::ImportSources(*db, {source});
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!report.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(import::DescribeImport(report)));
        return -1;
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 20000;
    QTemporaryDir dir;
    writeSources(dir.path(), topics);
    const QString hpj = dir.filePath(QStringLiteral("help.hpj"));
    const QString hlp = dir.filePath(QStringLiteral("help.hlp"));
    const QString empty = dir.filePath(QStringLiteral("empty.QMT"));
    const QString project = dir.filePath(QStringLiteral("bench.QMT"));
    {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(empty);
        creator->create_database();
    }

    std::vector<double> compileTimes, importTimes, hlpTimes, readTimes;
    QElapsedTimer t;
    for (int round = 0; round < 3; ++round) {
        hc::Diagnostics d;
        t.start();
        const hc::CompileResult r = hc::Compile(hpj, d);
        compileTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!r.written) {
            std::fprintf(stderr, "compiling failed:\n%s\n", qPrintable(d.lines().join(u'\n')));
            return 1;
        }
        const double imported = timedImport(empty, project, hpj);
        const double fromHlp = timedImport(empty, project, hlp);
        if (imported < 0 || fromHlp < 0)
            return 1;
        importTimes.push_back(imported);
        t.restart();
        import::RtfTopicsRead read;
        import::ReadRtfTopics(bench::readAll(dir.filePath(QStringLiteral("help.rtf"))),
                              QStringLiteral("help.rtf"), read);
        readTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        if (int(read.topics.size()) != topics)
            return 1;
        hlpTimes.push_back(fromHlp);
    }
    const double c = bench::median(compileTimes), i = bench::median(importTimes),
                 h = bench::median(hlpTimes), r = bench::median(readTimes);
    std::printf("topic file: %lld bytes, %d topics; help file %lld bytes\n",
                QFile(dir.filePath(QStringLiteral("help.rtf"))).size(), topics, QFile(hlp).size());
    std::printf("compile (in process):            median %8.1f ms\n", c);
    std::printf("import of the help project:      median %8.1f ms  ratio %.2f (goal: within 2)\n",
                i, i / c);
    std::printf("  of which reading the topic file: median %8.1f ms  ratio %.2f\n", r, r / c);
    std::printf("import of the compiled help file: median %8.1f ms  ratio %.2f\n", h, h / c);
    return 0;
}
