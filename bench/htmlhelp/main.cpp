// bench_htmlhelp [TOPICS] [ENTRIES] [NODES] [ROUNDS]
// (BENCH_HTMLHELP_NO_COMPILE=1 leaves the compile out, BENCH_HTMLHELP_KEEP=1
// keeps the folder)
//
// Builds a project of TOPICS general help topics and ENTRIES What's This
// entries (20,000 each by default), every other one with a map number, and a
// contents tree of NODES rows (500), with the options of an HTML Help run
// without compiling. Then, in turns, it runs `qmt --create` on it and a
// minimal writer that reads the same rows through the raw library and writes
// the same bytes (every page, the contents and index files, the header, the
// VB module, the text pop-up file and the help project file), each into an
// empty folder, checks that both wrote the same bytes and reports the median
// times. A run over the unchanged output is reported beside them. Last it
// compiles the written project with the built-in compiler (its parts timed
// apart, then the whole step as Create runs it, read back with chmlib) and,
// when chmcmd is installed, with chmcmd in the same run, and reports the
// times and sizes of both.
#include "../common/addrow.h"
#include "../common/measure.h"
#include "../common/rawproject.h"
#include "chm/hhcompiler.h"
#include "chm/hhproject.h"
#include "chm/lzx.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"
#include "generation/htmlhelpcompile.h"

#include <sqlcipher/sqlite3.h>

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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
                                  QStringLiteral("Keywords"),  QStringLiteral("HelpText"),
                                  QStringLiteral("MapNumber"), QStringLiteral("Status")};
    for (int i = 0; i < topics; ++i)
        addRow(*db, QStringLiteral("GeneralHelp"), topicFields,
               {QStringLiteral("IDH_TOPIC_%1").arg(i), QStringLiteral("Topic %1").arg(i),
                i % 4 ? QStringLiteral("topic;number %1").arg(i) : QString(),
                QStringLiteral("First line of topic %1.\r\nSecond line, with <b> & more.\r\n"
                               "Third line.")
                    .arg(i),
                i % 2 ? 0 : i / 2 + 1, QStringLiteral("A")});
    const QStringList entryFields{QStringLiteral("Object"),    QStringLiteral("TopicID"),
                                  QStringLiteral("MapNumber"), QStringLiteral("HelpText"),
                                  QStringLiteral("Status"),    QStringLiteral("Type")};
    for (int i = 0; i < entries; ++i)
        addRow(*db, QStringLiteral("WhatsThis"), entryFields,
               {QStringLiteral("frm%1.cmd%2").arg(i / 50).arg(i % 50),
                QStringLiteral("IDH_CTL_%1").arg(i), i % 2 ? 0 : 20001 + i / 2,
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
    const QList<QPair<const char*, QString>> options{{"HPFN", out + QStringLiteral("/help.hhp")},
                                                     {"HPJT", QStringLiteral("Bench Help")},
                                                     {"HLPF", QStringLiteral("help.chm")},
                                                     {"CONF", out + QStringLiteral("/help.hhc")},
                                                     {"INDX", out + QStringLiteral("/help.hhk")},
                                                     {"CRGH", QStringLiteral("1")},
                                                     {"HTMH", QStringLiteral("True")},
                                                     {"WHLP", QStringLiteral("False")}};
    for (const auto& [key, value] : options)
        addRow(*db, QStringLiteral("Options"),
               {QStringLiteral("Option"), QStringLiteral("Descr"), QStringLiteral("Status")},
               {QString::fromLatin1(key), value, QStringLiteral("A")});
    db->CommitTrans();
    db->Close();
}

// ---- The minimal writer: one loop per query over the raw library.

std::string col(sqlite3_stmt* st, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return p ? std::string(p, size_t(sqlite3_column_bytes(st, i))) : std::string();
}

void save(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f))
        throw std::runtime_error("write " + path);
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string page(const std::string& title, const std::string& heading,
                 const std::vector<std::string>& paragraphs) {
    std::string p = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html>\r\n<head>\r\n"
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=windows-1252\">\r\n<title>" +
                    title +
                    "</title>\r\n<style type=\"text/css\">body { font-family: Arial, sans-serif; "
                    "font-size: 10pt; } h1 { font-size: 12pt; }</style>\r\n</head>\r\n<body>\r\n";
    if (!heading.empty())
        p += "<h1>" + escaped(heading) + "</h1>\r\n";
    for (const std::string& paragraph : paragraphs)
        p += "<p>" + escaped(paragraph) + "</p>\r\n";
    return p + "</body>\r\n</html>\r\n";
}

const char* kSitemapHead =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
    "<meta name=\"GENERATOR\" content=\"Quillmate\">\r\n"
    "<!-- Sitemap 1.0 -->\r\n</HEAD><BODY>\r\n<UL>\r\n";

void entry(std::string& out, int depth, const std::string& name,
           const std::vector<std::string>& pages) {
    const std::string in(size_t(depth), '\t'), inner(size_t(depth + 1), '\t');
    out += in + "<LI> <OBJECT type=\"text/sitemap\">\r\n" + inner +
           "<param name=\"Name\" value=\"" + escaped(name) + "\">\r\n";
    for (const std::string& page : pages)
        out += inner + "<param name=\"Local\" value=\"help_html/" + page + "\">\r\n";
    out += inner + "</OBJECT>\r\n";
}

// The bench's texts are ASCII, so UTF-8 from the library is already the files' code page.
void minimalWriter(const QString& project, const QString& outFolder) {
    const std::string out = QFile::encodeName(outFolder).toStdString();
    const std::string pages = out + "/help_html/";
    QDir().mkpath(outFolder + QStringLiteral("/help_html"));
    bench::RawProject raw(project);
    std::vector<std::string> files, aliases;
    std::vector<std::pair<std::string, std::string>> defines;
    std::string popups;
    std::map<std::string, std::vector<std::string>> keywords; // case-folded for ASCII
    std::vector<std::pair<std::string, std::string>> keywordText;
    std::map<std::string, size_t> keywordAt;
    raw.each("select TopicID, TopicTitle, Keywords, HelpText, MapNumber from GeneralHelp where "
             "Status = 'A'",
             [&](sqlite3_stmt* st) {
                 const std::string id = col(st, 0), title = col(st, 1), text = col(st, 3);
                 std::vector<std::string> paragraphs;
                 for (size_t from = 0;;) {
                     const size_t at = text.find("\r\n", from);
                     paragraphs.push_back(text.substr(from, at - from));
                     if (at == std::string::npos)
                         break;
                     from = at + 2;
                 }
                 save(pages + id + ".htm", page(title, title, paragraphs));
                 files.push_back(id);
                 if (const std::string map = col(st, 4); map != "0")
                     defines.emplace_back(id, map);
                 const std::string k = col(st, 2);
                 for (size_t from = 0; from <= k.size();) {
                     size_t at = k.find(';', from);
                     if (at == std::string::npos)
                         at = k.size();
                     std::string word = k.substr(from, at - from);
                     if (!word.empty()) {
                         auto it = keywordAt.find(word);
                         if (it == keywordAt.end())
                             it = keywordAt.emplace(word, keywordText.size()).first,
                             keywordText.emplace_back(word, std::string());
                         keywords[word].push_back(id + ".htm");
                     }
                     from = at + 1;
                 }
             });
    raw.each("select TopicID, HelpText, MapNumber from WhatsThis where Status = 'A'",
             [&](sqlite3_stmt* st) {
                 const std::string id = col(st, 0);
                 save(pages + id + ".htm", page(id, std::string(), {col(st, 1)}));
                 files.push_back(id);
                 if (const std::string map = col(st, 2); map != "0") {
                     defines.emplace_back(id, map);
                     popups += ".topic " + map + "\r\n" + col(st, 1) + "\r\n\r\n";
                 }
             });

    std::string hhc = kSitemapHead;
    int depth = 1;
    raw.each("select Type, Level, Title, TopicID from ContentsFile", [&](sqlite3_stmt* st) {
        const int level = std::stoi(col(st, 1));
        for (; depth < level; ++depth)
            hhc += std::string(size_t(depth), '\t') + "<UL>\r\n";
        while (depth > level)
            --depth, hhc += std::string(size_t(depth), '\t') + "</UL>\r\n";
        std::vector<std::string> local;
        if (col(st, 0) != "3") {
            const std::string key = col(st, 3);
            local.push_back(key.substr(0, key.find('.')) + ".htm");
        }
        entry(hhc, depth, col(st, 2), local);
    });
    while (depth > 1)
        --depth, hhc += std::string(size_t(depth), '\t') + "</UL>\r\n";
    hhc += "</UL>\r\n</BODY></HTML>\r\n";
    save(out + "/help.hhc", hhc);

    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, std::string>> sorted;
    for (const auto& [word, unused] : keywordText)
        sorted.emplace_back(QString::fromStdString(word), word);
    std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        const int order = collator.compare(a.first, b.first);
        return order != 0 ? order < 0 : a.first < b.first;
    });
    std::string hhk = kSitemapHead;
    for (const auto& [unused, word] : sorted)
        entry(hhk, 1, word, keywords[word]);
    hhk += "</UL>\r\n</BODY></HTML>\r\n";
    save(out + "/help.hhk", hhk);

    std::string h = "/* Help context IDs: written by Quillmate on each Create. */\r\n";
    std::string bas = "Attribute VB_Name = \"help\"\r\n' Help context IDs: written by Quillmate "
                      "on each Create.\r\nOption Explicit\r\n";
    for (const auto& [name, number] : defines) {
        h += "#define " + name + " " + number + "\r\n";
        bas += "Public Const " + name + " As Long = " + number + "\r\n";
    }
    save(out + "/help.h", h);
    save(out + "/help.bas", bas);
    save(out + "/cshelp.txt", popups);

    std::string hhp = "[OPTIONS]\r\nCompiled file=help.chm\r\nContents file=help.hhc\r\nIndex "
                      "file=help.hhk\r\nDefault topic=help_html/IDH_TOPIC_1.htm\r\nBinary "
                      "Index=No\r\nFull-text search=Yes\r\nLanguage=0x409 English (United "
                      "States)\r\nTitle=Bench Help\r\n\r\n[FILES]\r\n";
    for (const std::string& f : files)
        hhp += "help_html/" + f + ".htm\r\n";
    hhp += "\r\n[ALIAS]\r\n";
    for (const auto& [name, unused] : defines)
        hhp += name + "=help_html/" + name + ".htm\r\n";
    hhp += "\r\n[MAP]\r\n#include help.h\r\n\r\n[TEXT POPUPS]\r\nhelp.h\r\ncshelp.txt\r\n";
    save(out + "/help.hhp", hhp);
}

// Every file below `folder` by its relative path, with its bytes.
std::map<QString, QByteArray> tree(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            files[QDir(folder).relativeFilePath(f.fileName())] = f.readAll();
    }
    return files;
}

// Moves the folder's content aside (not timed) and leaves it empty.
void emptyFolder(const QString& folder, int round) {
    QDir().rename(folder, folder + QStringLiteral(".%1").arg(round));
    QDir().mkpath(folder);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 20000;
    const int entries = args.size() > 2 ? args[2].toInt() : 20000;
    const int nodes = args.size() > 3 ? args[3].toInt() : 500;
    const int rounds = args.size() > 4 ? args[4].toInt() : 5;
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("BENCH_HTMLHELP_KEEP"));
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
    const auto runQmt = [&]() {
        QProcess p;
        p.start(qmt, {QStringLiteral("--create"), project});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::fprintf(stderr, "qmt --create failed: %s\n", p.readAllStandardError().constData());
            std::exit(1);
        }
    };
    std::vector<double> qmtTimes, rawTimes, qmtCpu, rawCpu;
    for (int round = 0; round < rounds; ++round) {
        if (round > 0) {
            emptyFolder(qmtOut, round);
            emptyFolder(rawOut, round);
        }
        const auto timeQmt = [&] {
            const double cpu = bench::cpuSeconds(RUSAGE_CHILDREN);
            t.restart();
            runQmt();
            qmtTimes.push_back(double(t.nsecsElapsed()) / 1e6);
            qmtCpu.push_back((bench::cpuSeconds(RUSAGE_CHILDREN) - cpu) * 1e3);
        };
        const auto timeRaw = [&] {
            const double cpu = bench::cpuSeconds(RUSAGE_SELF);
            t.restart();
            minimalWriter(project, rawOut);
            rawTimes.push_back(double(t.nsecsElapsed()) / 1e6);
            rawCpu.push_back((bench::cpuSeconds(RUSAGE_SELF) - cpu) * 1e3);
        };
        // Turn about, so that neither always follows the other's writes.
        if (round % 2 == 0) {
            timeQmt();
            timeRaw();
        } else {
            timeRaw();
            timeQmt();
        }
    }
    const auto qmtFiles = tree(qmtOut);
    const bool same = qmtFiles == tree(rawOut);
    qint64 bytes = 0;
    for (const auto& [name, content] : qmtFiles)
        bytes += content.size();
    std::printf("output: %zu files, %.1f MB; same bytes: %s\n", qmtFiles.size(),
                double(bytes) / 1e6, same ? "yes" : "NO");
    const double q = bench::median(qmtTimes), r = bench::median(rawTimes);
    const double qc = bench::median(qmtCpu), rc = bench::median(rawCpu);
    std::printf("qmt --create, empty folder (whole process): median %.0f ms wall, %.0f ms CPU\n", q,
                qc);
    std::printf("minimal writer, empty folder (in process): median %.0f ms wall, %.0f ms CPU\n", r,
                rc);
    std::printf("ratio %.2f wall, %.2f CPU (goal: within 2)\n", q / r, qc / rc);

    t.restart();
    runQmt();
    std::printf("qmt --create over its unchanged output: %.0f ms wall\n",
                double(t.nsecsElapsed()) / 1e6);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("qmt peak memory (max RSS): %.1f MB\n", double(usage.ru_maxrss) / 1024.0);

    if (!qEnvironmentVariableIsEmpty("BENCH_HTMLHELP_NO_COMPILE"))
        return same ? 0 : 1;
    const QString hhp = qmtOut + QStringLiteral("/help.hhp");
    // The built-in compiler's parts: reading the project, then compiling
    // (reading the pages, the system files, compressing, the container),
    // and the compression alone over the same bytes.
    const double partsCpu = bench::cpuSeconds(RUSAGE_SELF);
    t.restart();
    chm::Diagnostics diagnostics;
    const chm::HhpProject hhpProject = chm::ReadHhpProject(hhp, diagnostics);
    const double readMs = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    const chm::HhcOutput compiled = chm::CompileHhp(hhpProject, diagnostics);
    const double compileMs = double(t.nsecsElapsed()) / 1e6;
    QByteArray plain;
    for (const chm::HhpName& f : hhpProject.files) {
        QFile in(qmtOut + u'/' + f.path);
        if (in.open(QIODevice::ReadOnly))
            plain += in.readAll();
    }
    t.restart();
    const chm::LzxOutput lzx = chm::LzxCompress(plain);
    const double lzxMs = double(t.nsecsElapsed()) / 1e6;
    std::printf("built-in compiler: project read %.0f ms, compile %.0f ms (of which LZX of the "
                "pages about %.0f ms: %.1f MB to %.2f MB), %.1f s CPU in all; %d warning(s)\n",
                readMs, compileMs, lzxMs, double(plain.size()) / 1e6, double(lzx.data.size()) / 1e6,
                bench::cpuSeconds(RUSAGE_SELF) - partsCpu,
                diagnostics.count(chm::Severity::Warning));
    std::printf("built-in compiler: %d files, %d topics, %d context IDs; %.2f MB\n",
                compiled.stats.files, compiled.stats.topics, compiled.stats.contextIds,
                double(compiled.bytes.size()) / 1e6);

    t.restart();
    const double ownCpu = bench::cpuSeconds(RUSAGE_SELF);
    const HtmlHelpBuildOutcome built = BuildHtmlHelpFile(hhp);
    const double ownWall = double(t.nsecsElapsed()) / 1e9;
    std::printf("Create's compile step (built-in compiler, read back with chmlib, saved): %.2f s "
                "wall, %.2f s CPU\n",
                ownWall, bench::cpuSeconds(RUSAGE_SELF) - ownCpu);
    std::printf("%s\n", qPrintable(built.message));
    const qint64 ownSize = QFileInfo(built.build.compiledFile).size();

    // chmcmd on the same pages, when installed: a copy of the project file
    // naming another compiled file.
    const QString chmcmd = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
    if (chmcmd.isEmpty()) {
        std::printf("chmcmd is not installed: no comparison\n");
    } else {
        QFile in(hhp);
        in.open(QIODevice::ReadOnly);
        QByteArray chmcmdProject = in.readAll();
        chmcmdProject.replace("Compiled file=help.chm", "Compiled file=chmcmd.chm");
        QFile copy(qmtOut + QStringLiteral("/chmcmd.hhp"));
        copy.open(QIODevice::WriteOnly);
        copy.write(chmcmdProject);
        copy.close();
        const double childCpu = bench::cpuSeconds(RUSAGE_CHILDREN);
        t.restart();
        QProcess p;
        p.setWorkingDirectory(qmtOut);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(chmcmd, {QStringLiteral("chmcmd.hhp")});
        p.waitForFinished(-1);
        const double chmcmdWall = double(t.nsecsElapsed()) / 1e9;
        const qint64 chmcmdSize = QFileInfo(qmtOut + QStringLiteral("/chmcmd.chm")).size();
        std::printf("chmcmd: %.1f s wall, %.1f s CPU, %.2f MB (status %d)\n", chmcmdWall,
                    bench::cpuSeconds(RUSAGE_CHILDREN) - childCpu, double(chmcmdSize) / 1e6,
                    p.exitCode());
        std::printf("built-in against chmcmd: %.1fx as fast (goal 20x), %.2fx the size (goal "
                    "within 1.2x)\n",
                    chmcmdWall / ownWall, double(ownSize) / double(chmcmdSize));
    }
    if (!dir.autoRemove())
        std::printf("kept: %s\n", qPrintable(dir.path()));
    return same && built.done ? 0 : 1;
}
