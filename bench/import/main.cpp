// bench_import [TOPICS [ROUNDS]]
//
// Writes a help project and its topic file as Create writes them for TOPICS
// topics (20,000 by default: titles, keywords, browse sequences, map
// numbers, six paragraphs of text each), then, in turns:
//  - compiles them with the compiler library (reading the project and the
//    topic file, building and writing the help file), and
//  - imports the help project into a fresh, empty project (the options, the
//    topics with their texts, the map numbers, stored in one transaction).
// Reports the medians of wall and CPU time and their ratios (goal: the import
// within 2 times the compile), the part of reading the topic file into topics
// alone, and the import of the compiled help file for comparison. On a busy
// machine the CPU times are the steadier figures. ROUNDS (5) sets the turns.
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

#include <algorithm>
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

// Wall and CPU milliseconds of the steps of one kind, one of each per round.
struct Times {
    std::vector<double> wall, cpu;
    double wallMedian() const { return bench::median(wall); }
    double cpuMedian() const { return bench::median(cpu); }
};

class Stopwatch {
public:
    Stopwatch() {
        m_wall.start();
        m_cpu = bench::cpuSeconds(RUSAGE_SELF);
    }
    void stopInto(Times& times) const {
        times.wall.push_back(double(m_wall.nsecsElapsed()) / 1e6);
        times.cpu.push_back((bench::cpuSeconds(RUSAGE_SELF) - m_cpu) * 1e3);
    }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// One import into a fresh copy of `empty`, timed into `times`; false on failure.
bool timedImport(const QString& empty, const QString& project, const QString& source,
                 Times& times) {
    QFile::remove(project);
    if (!QFile::copy(empty, project))
        return false;
    auto db = dao::Database::OpenDatabase(project);
    const Stopwatch watch;
    const import::ImportReport report = import::ImportSources(*db, {source});
    watch.stopInto(times);
    if (!report.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(import::DescribeImport(report)));
        return false;
    }
    return true;
}

void printLine(const char* what, const Times& t, const Times* compile, const char* goal = "") {
    std::printf("%-34s wall %8.1f ms  cpu %8.1f ms", what, t.wallMedian(), t.cpuMedian());
    if (compile)
        std::printf("  ratio wall %.2f cpu %.2f%s", t.wallMedian() / compile->wallMedian(),
                    t.cpuMedian() / compile->cpuMedian(), goal);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 20000;
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
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

    Times compileTimes, importTimes, hlpTimes, readTimes;
    qint64 projectSize = 0;
    for (int round = 0; round < rounds; ++round) {
        hc::Diagnostics d;
        const Stopwatch compiling;
        const hc::CompileResult r = hc::Compile(hpj, d);
        compiling.stopInto(compileTimes);
        if (!r.written) {
            std::fprintf(stderr, "compiling failed:\n%s\n", qPrintable(d.lines().join(u'\n')));
            return 1;
        }
        if (!timedImport(empty, project, hpj, importTimes))
            return 1;
        projectSize = QFile(project).size();
        if (!timedImport(empty, project, hlp, hlpTimes))
            return 1;
        const Stopwatch reading;
        import::RtfTopicsRead read;
        import::ReadRtfTopics(bench::readAll(dir.filePath(QStringLiteral("help.rtf"))),
                              QStringLiteral("help.rtf"), read);
        reading.stopInto(readTimes);
        if (int(read.topics.size()) != topics)
            return 1;
    }
    std::printf("topic file: %lld bytes, %d topics; help file %lld bytes; project after the "
                "import %lld bytes; medians of %d rounds\n",
                QFile(dir.filePath(QStringLiteral("help.rtf"))).size(), topics, QFile(hlp).size(),
                projectSize, rounds);
    printLine("compile (in process):", compileTimes, nullptr);
    printLine("import of the help project:", importTimes, &compileTimes, " (goal: within 2)");
    printLine("  of which reading the topic file:", readTimes, &compileTimes);
    printLine("import of the compiled help file:", hlpTimes, &compileTimes);
    return 0;
}
