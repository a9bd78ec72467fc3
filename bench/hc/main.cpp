// bench_hc [TOPICS] [ENTRIES]
//
// Writes the topic file and help project file that Create writes for the
// project of bench/create (TOPICS general topics and ENTRIES What's This
// entries, 20,000 each by default, the same texts), then, in turns:
//  - compiles them with the compiler library (reading the project and the
//    topic file, building the help file, writing it through a synced work
//    file), and
//  - does the least any compiler must: read the topic file (its bytes, or
//    its bytes split into RTF tokens the way the compiler does, as views
//    into the bytes, then packed once in 16 KB pieces with the compiler's
//    LZ77) and write the help file's bytes the same safe way.
// Reports the medians and their ratios (goal: within 2 of reading,
// tokenizing, packing and writing), and the time and peak memory of the
// qmt-hc program as a whole (goal: at most 2.5 times the topic file).
#include "../common/measure.h"
#include "compiler.h"
#include "lz77.h"
#include "rtf/rtftokenizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

namespace {

QByteArray footnote(const QByteArray& mark, const QByteArray& value, const char* closing) {
    return mark +
           "{\\footnote \\pard\\plain \\s15\\widctlpar{\\adjustright \\fs20\\cgrid "
           "{\\cs16\\super " +
           mark + "}{ " + value + closing + "\r\n";
}

// The bytes Create writes for bench/create's project.
void writeSources(const QString& dir, int topics, int entries) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss "
        "Arial;}{\\f2\\fswiss Arial;}{\\f3\\fswiss Arial;}}{\\colortb\\red0\\green0\\blue0}\r\n";
    QByteArray map;
    for (int i = 0; i < topics; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray title = "Topic " + n;
        rtf += "{\\cs16\\b\\f1\\fs24\\super\r\n";
        rtf += footnote("#", "IDH_TOPIC_" + n, "}}}");
        rtf += footnote("$", title, "}}}");
        if (i % 3)
            rtf += footnote("+", "main:" + n.rightJustified(5, '0'), "}}}");
        if (i % 4)
            rtf += footnote("K", "topic;number " + n, "}}}");
        rtf += "}\r\n{\\b\\f1\\fs24 " + title + "\\par \\par }\r\n{\\f1\\fs20 ";
        rtf += QByteArray("First line of topic " + n + ".\\par\nSecond line.\\par\n").repeated(3);
        rtf += "\r\n\\page\r\n\r\n";
        if (i % 32767)
            map += "IDH_TOPIC_" + n + "=" + QByteArray::number(i % 32767) + "\r\n";
    }
    QByteArray entryMap;
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        rtf += footnote("#", "IDH_CTL_" + n, "}}");
        rtf += "{\\f1\\fs20 What control " + n + " does.\\par \\par }\r\n";
        if ((i + 1) % 32767)
            entryMap += "IDH_CTL_" + n + "=" + QByteArray::number((i + 1) % 32767) + "\r\n";
    }
    rtf += "}}\r\n";
    QFile r(dir + QStringLiteral("/help.rtf"));
    r.open(QIODevice::WriteOnly);
    r.write(rtf);
    const QByteArray hpj =
        "[OPTIONS]\r\nCOMPRESS=12 Hall Zeck\r\nLCID=0x409 0x0 0x0 ; English (United States)\r\n"
        "REPORT=Yes\r\nFTS=29\r\nTITLE=Bench Help\r\nCNT=help.cnt\r\nHLP=help.hlp\r\n \r\n"
        "[FILES]\r\nhelp.rtf\r\n \r\n[MAP]\r\n" +
        map + entryMap +
        " \r\n[WINDOWS]\r\nmain=\"\",(240,98,769,547),20740,(r14876671),(r12632256),f3\r\n"
        " \r\n[CONFIG]\r\nBrowseButtons()\r\n";
    QFile h(dir + QStringLiteral("/help.hpj"));
    h.open(QIODevice::WriteOnly);
    h.write(hpj);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int topics = args.size() > 1 ? args[1].toInt() : 20000;
    const int entries = args.size() > 2 ? args[2].toInt() : 20000;
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("BENCH_HC_KEEP")); // keep the sources to profile
    writeSources(dir.path(), topics, entries);
    const QString hpj = dir.filePath(QStringLiteral("help.hpj"));
    const QString rtf = dir.filePath(QStringLiteral("help.rtf"));
    const QString hlp = dir.filePath(QStringLiteral("help.hlp"));
    const QString copy = dir.filePath(QStringLiteral("copy.hlp"));

    // The program first, while this process is small: a child's peak
    // memory counts what it shared with this process until it started.
    // Started with posix_spawn rather than QProcess: once it has run a
    // QProcess, this process compiles a quarter to a third slower (seen on
    // a 2-core virtual machine), while the floor's loops are not slowed.
    QElapsedTimer t;
    t.start();
    const QByteArray program =
        QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/qmt-hc"));
    const QByteArray project = QFile::encodeName(hpj);
    char* const childArgs[] = {const_cast<char*>(program.constData()), const_cast<char*>("/c"),
                               const_cast<char*>(project.constData()), nullptr};
    pid_t child = 0;
    int status = 0;
    rusage children{}; // ru_maxrss: the program's peak, in KB
    if (posix_spawn(&child, program.constData(), nullptr, nullptr, childArgs, environ) != 0 ||
        wait4(child, &status, 0, &children) != child) {
        std::fprintf(stderr, "cannot run %s\n", program.constData());
        return 1;
    }
    const double programTime = double(t.nsecsElapsed()) / 1e6;
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    std::vector<double> compileTimes, ioTimes, tokenTimes, packTimes, compileCpu, packCpu;
    qsizetype tokens = 0;
    for (int round = 0; round < 5; ++round) {
        hc::Diagnostics d;
        t.start();
        double cpu = bench::cpuSeconds(RUSAGE_SELF);
        const hc::CompileResult r = hc::Compile(hpj, d);
        compileTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        compileCpu.push_back((bench::cpuSeconds(RUSAGE_SELF) - cpu) * 1000);
        if (!r.written) {
            std::fprintf(stderr, "compiling failed:\n%s\n", qPrintable(d.lines().join(u'\n')));
            return 1;
        }
        const QByteArray bytes = bench::readAll(hlp);
        QString error;

        t.restart();
        const QByteArray source = bench::readAll(rtf);
        hc::WriteFileSafely(copy, bytes, error);
        ioTimes.push_back(double(t.nsecsElapsed()) / 1e6);

        t.restart();
        const QByteArray text = bench::readAll(rtf);
        rtf::ByteTokenizer tokenizer(text);
        tokens = 0;
        qsizetype textBytes = 0; // used, so that the loop is not left out
        for (auto token = tokenizer.nextView(); token.kind != rtf::TokenKind::End;
             token = tokenizer.nextView()) {
            textBytes += token.text.size();
            ++tokens;
        }
        if (textBytes == 0)
            return 1;
        hc::WriteFileSafely(copy, bytes, error);
        tokenTimes.push_back(double(t.nsecsElapsed()) / 1e6);

        t.restart();
        cpu = bench::cpuSeconds(RUSAGE_SELF);
        const QByteArray again = bench::readAll(rtf);
        rtf::ByteTokenizer tokens2(again);
        qsizetype views = 0;
        for (auto token = tokens2.nextView(); token.kind != rtf::TokenKind::End;
             token = tokens2.nextView())
            views += token.text.size();
        qsizetype packed = 0;
        for (qsizetype at = 0; at < again.size(); at += 0x4000)
            packed += hc::Lz77Compress(QByteArrayView(again).sliced(at).first(
                                           std::min<qsizetype>(0x4000, again.size() - at)),
                                       -1, nullptr, 8)
                          .size();
        hc::WriteFileSafely(copy, bytes, error);
        packTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        packCpu.push_back((bench::cpuSeconds(RUSAGE_SELF) - cpu) * 1000);
        if (views == 0 || packed == 0)
            return 1;
        if (source.isEmpty() || !error.isEmpty())
            return 1;
    }

    const double c = bench::median(compileTimes), io = bench::median(ioTimes),
                 tok = bench::median(tokenTimes), pack = bench::median(packTimes);
    std::printf("topic file: %lld bytes, %lld tokens; %d topics, %d What's This entries\n",
                QFile(rtf).size(), qlonglong(tokens), topics, entries);
    std::printf("help file: %lld bytes (LZ77 topic blocks)\n", QFile(hlp).size());
    std::printf("compile (in process):                          median %8.1f ms\n", c);
    std::printf("read topic file + write help file bytes:       median %8.1f ms  ratio %.2f\n", io,
                c / io);
    std::printf("read + tokenize topic file + write help bytes: median %8.1f ms  ratio %.2f\n", tok,
                c / tok);
    std::printf("read + tokenize + LZ77 pack + write:           median %8.1f ms  ratio %.2f (goal: "
                "within 2)\n",
                pack, c / pack);
    std::printf("CPU time: compile %.1f ms, read + tokenize + LZ77 pack + write %.1f ms, ratio "
                "%.2f\n",
                bench::median(compileCpu), bench::median(packCpu),
                bench::median(compileCpu) / bench::median(packCpu));
    const double rtfBytes = double(QFile(rtf).size());
    std::printf("qmt-hc program, start to end:                          %8.1f ms (exit %d), peak "
                "%.1f MB = %.2f x the topic file (goal: at most 2.5)\n",
                programTime, exitCode, double(children.ru_maxrss) / 1024,
                double(children.ru_maxrss) * 1024 / rtfBytes);
    if (!dir.autoRemove())
        std::printf("kept: %s\n", qPrintable(hpj));
    return 0;
}
