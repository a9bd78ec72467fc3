// bench_create [TOPICS] [ENTRIES] [NODES]
//
// Builds a project of TOPICS general help topics and ENTRIES What's This
// entries (20,000 each by default) and a contents tree of NODES rows (500),
// with the options of a Windows Help run that writes the RTF topic file, the
// help project file and the contents file. Then, in turns, it runs
// `qmt --create` on it and a minimal writer that produces the same three files
// through the raw library in one loop per query and saves them durably (the
// floor), checks that both wrote the same bytes, and reports the median times
// and the peak memory of qmt. Run with 20,000 and with 100,000 topics: the
// peak memory is to stay the same.
#include "../common/addrow.h"
#include "../common/measure.h"
#include "../common/rawproject.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <sqlcipher/sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// A dynaset that selects no row, so that adding does not read the table.
using bench::addRow;

void buildProject(const QString& path, const QString& out, int topics, int entries, int nodes) {
    {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(path);
        creator->create_database();
    }
    auto db = dao::Database::OpenDatabase(path);
    db->BeginTrans();
    const QStringList topicFields{QStringLiteral("TopicID"),   QStringLiteral("TopicTitle"),
                                  QStringLiteral("BrowseSeq"), QStringLiteral("Keywords"),
                                  QStringLiteral("HelpText"),  QStringLiteral("MapNumber"),
                                  QStringLiteral("Status")};
    for (int i = 0; i < topics; ++i)
        addRow(*db, QStringLiteral("GeneralHelp"), topicFields,
               {QStringLiteral("IDH_TOPIC_%1").arg(i), QStringLiteral("Topic %1").arg(i),
                i % 3 ? QStringLiteral("main:%1").arg(i, 5, 10, QLatin1Char('0')) : QString(),
                i % 4 ? QStringLiteral("topic;number %1").arg(i) : QString(),
                QStringLiteral("First line of topic %1.\r\nSecond line.\r\n").arg(i).repeated(3),
                i % 32767, QStringLiteral("A")});
    const QStringList entryFields{QStringLiteral("Object"),    QStringLiteral("TopicID"),
                                  QStringLiteral("MapNumber"), QStringLiteral("HelpText"),
                                  QStringLiteral("Status"),    QStringLiteral("Type")};
    for (int i = 0; i < entries; ++i)
        addRow(*db, QStringLiteral("WhatsThis"), entryFields,
               {QStringLiteral("frm%1.cmd%2").arg(i / 50).arg(i % 50),
                QStringLiteral("IDH_CTL_%1").arg(i), (i + 1) % 32767,
                QStringLiteral("What control %1 does.").arg(i), QStringLiteral("A"),
                QStringLiteral("Both")});
    const QStringList nodeFields{QStringLiteral("TopicID"), QStringLiteral("Title"),
                                 QStringLiteral("Level"), QStringLiteral("Parent"),
                                 QStringLiteral("Type")};
    for (int i = 0; i < nodes; ++i) {
        const bool heading = i % 10 == 0;
        addRow(*db, QStringLiteral("ContentsFile"), nodeFields,
               {heading ? QStringLiteral("H%1").arg(i)
                        : QStringLiteral("IDH_TOPIC_%1.%2").arg(i).arg(i),
                QStringLiteral("Entry %1").arg(i),
                heading ? QStringLiteral("1") : QStringLiteral("2"), QStringLiteral("Root"),
                heading ? QStringLiteral("3") : QStringLiteral("2")});
    }
    const QList<QPair<const char*, QString>> options{{"HPFN", out + QStringLiteral("/help.hpj")},
                                                     {"HPJT", QStringLiteral("Bench Help")},
                                                     {"HLPF", QStringLiteral("help.hlp")},
                                                     {"CONF", out + QStringLiteral("/help.cnt")},
                                                     {"RTFF", out + QStringLiteral("/help.rtf")},
                                                     {"CRGH", QStringLiteral("1")},
                                                     {"CRCF", QStringLiteral("1")},
                                                     {"HTMH", QStringLiteral("False")},
                                                     {"WHLP", QStringLiteral("True")}};
    for (const auto& [key, value] : options)
        addRow(*db, QStringLiteral("Options"),
               {QStringLiteral("Option"), QStringLiteral("Descr"), QStringLiteral("Status")},
               {QString::fromLatin1(key), value, QStringLiteral("A")});
    db->CommitTrans();
    db->Close();
}

// ---- The minimal writer: one loop per query over the raw library.

std::string_view col(sqlite3_stmt* st, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(st, i))) : std::string_view();
}

struct Out {
    std::string buf;
    void line(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
        buf.append(a).append(b).append(c).append("\r\n");
    }
    // A durable write, as Create's: the file synced, then its folder.
    void save(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(buf.data(), qint64(buf.size())) != qint64(buf.size()) || !f.flush() ||
            ::fsync(f.handle()) != 0)
            throw std::runtime_error("write");
        f.close();
        const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY);
        if (dir < 0 || ::fsync(dir) != 0)
            throw std::runtime_error("sync");
        ::close(dir);
    }
};

// The bench's texts are ASCII, so UTF-8 from the library is already the file's code page.
void minimalWriter(const QString& project, const QString& out) {
    bench::RawProject raw(project);
    Out rtf;
    rtf.line(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss "
        "Arial;}{\\f2\\fswiss Arial;}{\\f3\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;}");
    const auto foot = [&](const char* mark, std::string_view v, const char* closing) {
        if (v.empty())
            return;
        rtf.buf.append(mark)
            .append("{\\footnote \\pard\\plain \\s15\\widctlpar{\\adjustright \\fs20\\cgrid "
                    "{\\cs16\\super ")
            .append(mark)
            .append("}{ ")
            .append(v)
            .append(closing)
            .append("\r\n");
    };
    raw.each("select TopicID, TopicTitle, BrowseSeq, Keywords, HelpText from GeneralHelp where "
             "Status = 'A'",
             [&](sqlite3_stmt* st) {
                 rtf.line("{\\cs16\\b\\f1\\fs24\\super");
                 foot("#", col(st, 0), "}}}");
                 foot("$", col(st, 1), "}}}");
                 foot("+", col(st, 2), "}}}");
                 foot("K", col(st, 3), "}}}");
                 rtf.line("}");
                 rtf.line("{\\keepn\\b\\f1\\fs24 ", col(st, 1), "\\par \\par }");
                 rtf.buf.append("{\\f1\\fs20 ");
                 for (char c : col(st, 4))
                     c == '\r' ? void(rtf.buf.append("\\par")) : rtf.buf.push_back(c);
                 rtf.buf.append("}\r\n");
                 rtf.line("\\page");
                 rtf.line("");
             });
    raw.each("select TopicID, HelpText from WhatsThis where Status = 'A'", [&](sqlite3_stmt* st) {
        rtf.line("{\\cs16\\b\\f1\\fs24\\super");
        foot("#", col(st, 0), "}}}");
        rtf.line("}");
        rtf.line("{\\f1\\fs20 ", col(st, 1), "\\par \\par }");
        rtf.line("\\page");
        rtf.line("");
    });
    rtf.line("}");
    rtf.save(out + QStringLiteral("/help.rtf"));

    Out hpj;
    for (const char* l :
         {"[OPTIONS]", "COMPRESS=12 Hall Zeck", "LCID=0x409 0x0 0x0 ; English (United States)",
          "REPORT=Yes", "FTS=29", "TITLE=Bench Help", "CNT="})
        hpj.line(l);
    hpj.buf.resize(hpj.buf.size() - 2);
    hpj.line(QFile::encodeName(out).toStdString(), "/help.cnt");
    hpj.line("HLP=help.hlp");
    hpj.line(" ");
    hpj.line("[FILES]");
    hpj.line(QFile::encodeName(out).toStdString(), "/help.rtf");
    hpj.line(" ");
    hpj.line("[MAP]");
    for (const char* sql :
         {"select mapnumber,topicid from generalhelp where status='A' and mapnumber > 0",
          "select mapnumber,topicid from whatsthis where status='A' and mapnumber > 0"})
        raw.each(sql, [&](sqlite3_stmt* st) { hpj.line(col(st, 1), "=", col(st, 0)); });
    for (const char* l :
         {" ", "[WINDOWS]", "main=\"\",(240,98,769,547),20740,(r14876671),(r12632256),f3", " ",
          "[CONFIG]", "BrowseButtons()"})
        hpj.line(l);
    hpj.save(out + QStringLiteral("/help.hpj"));

    Out cnt;
    cnt.line(":Base help.hlp");
    cnt.line(":Title Bench Help");
    raw.each("select Type, Level, Title, TopicID from ContentsFile", [&](sqlite3_stmt* st) {
        std::string l = std::string(col(st, 1)) + " " + std::string(col(st, 2));
        if (col(st, 0) != "3") {
            const std::string_view key = col(st, 3);
            l += "=" + std::string(key.substr(0, key.find('.')));
        }
        cnt.line(l);
    });
    cnt.save(out + QStringLiteral("/help.cnt"));
}

} // namespace

// bench_create --peak-of PROGRAM ARGS...: runs PROGRAM and prints its peak
// memory in KB. A process records at exec the peak of the process it was
// started from, so qmt is started from this small copy of the bench, not from
// the bench holding the minimal writer's buffers.
int peakOf(char** argv) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--peak-of") == 0)
        return peakOf(argv + 2);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 20000;
    const int entries = args.size() > 2 ? args[2].toInt() : 20000;
    const int nodes = args.size() > 3 ? args[3].toInt() : 500;
    QTemporaryDir dir;
    dir.setAutoRemove(
        qEnvironmentVariableIsEmpty("BENCH_CREATE_KEEP")); // keep the project to profile
    qputenv("QUILLMATE_REGISTRY", QFile::encodeName(dir.filePath(QStringLiteral("registry"))));
    const QString project = dir.filePath(QStringLiteral("bench.QMT"));
    const QString qmtOut = dir.filePath(QStringLiteral("qmt"));
    const QString rawOut = dir.filePath(QStringLiteral("raw"));
    QDir().mkpath(qmtOut);
    QDir().mkpath(rawOut);

    QElapsedTimer t;
    t.start();
    buildProject(project, qmtOut, topics, entries, nodes);
    std::printf("project: %d topics, %d What's This entries, %d contents rows, built in %.0f ms\n",
                topics, entries, nodes, double(t.elapsed()));

    const QString qmt = QCoreApplication::applicationDirPath() + QStringLiteral("/qmt");
    std::vector<double> qmtTimes, rawTimes, qmtCpu, rawCpu;
    for (int round = 0; round < 5; ++round) {
        double cpu = bench::cpuSeconds(RUSAGE_CHILDREN);
        t.restart();
        QProcess p;
        p.start(qmt, {QStringLiteral("--create"), project});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) {
            std::fprintf(stderr, "qmt --create failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        qmtTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        qmtCpu.push_back((bench::cpuSeconds(RUSAGE_CHILDREN) - cpu) * 1e3);
        cpu = bench::cpuSeconds(RUSAGE_SELF);
        t.restart();
        minimalWriter(project, rawOut);
        rawTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        rawCpu.push_back((bench::cpuSeconds(RUSAGE_SELF) - cpu) * 1e3);
    }
    // The minimal writer names its own folder in the help project file.
    QByteArray rawHpj = bench::readAll(rawOut + QStringLiteral("/help.hpj"));
    rawHpj.replace(QFile::encodeName(rawOut), QFile::encodeName(qmtOut));
    bool same = true;
    for (const char* name : {"help.rtf", "help.cnt"}) {
        const QString file = QString::fromLatin1(name);
        if (bench::readAll(qmtOut + u'/' + file) != bench::readAll(rawOut + u'/' + file)) {
            std::fprintf(stderr, "%s differs\n", name);
            same = false;
        }
    }
    if (bench::readAll(qmtOut + QStringLiteral("/help.hpj")) != rawHpj) {
        std::fprintf(stderr, "help.hpj differs\n");
        same = false;
    }
    QProcess peak;
    peak.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--peak-of"), qmt, QStringLiteral("--create"), project});
    if (!peak.waitForFinished(300000) || peak.exitCode() != 0) {
        std::fprintf(stderr, "qmt --create failed: %s\n", peak.readAllStandardError().constData());
        return 1;
    }
    const double peakKb = peak.readAllStandardOutput().trimmed().toDouble();
    const double q = bench::median(qmtTimes), r = bench::median(rawTimes);
    std::printf("output: rtf %lld bytes, hpj %lld bytes, cnt %lld bytes; same bytes: %s\n",
                QFile(qmtOut + QStringLiteral("/help.rtf")).size(),
                QFile(qmtOut + QStringLiteral("/help.hpj")).size(),
                QFile(qmtOut + QStringLiteral("/help.cnt")).size(), same ? "yes" : "NO");
    const double qc = bench::median(qmtCpu), rc = bench::median(rawCpu);
    std::printf("qmt --create (whole process): median %.1f ms wall, %.1f ms CPU\n", q, qc);
    std::printf("minimal writer (in process):  median %.1f ms wall, %.1f ms CPU\n", r, rc);
    std::printf("ratio %.2f wall, %.2f CPU (goal: within 1.5)\n", q / r, qc / rc);
    std::printf("qmt peak memory (max RSS): %.1f MB (goal: the same for 20,000 and 100,000 "
                "topics)\n",
                peakKb / 1024.0);
    if (!dir.autoRemove())
        std::printf("kept: %s\n", qPrintable(project));
    return same ? 0 : 1;
}
