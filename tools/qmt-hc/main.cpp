// qmt-hc: the help compiler. "qmt-hc [/c /e /m] [/I FOLDER]... PROJECT.HPJ"
// compiles a help project into its help file; "qmt-hc --dump FILE.HLP" lists
// what a help file holds.
#include "compiler.h"
#include "hlpreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

void print(FILE* to, const QString& text) {
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, std::size_t(b.size()), to);
}

const QString kUsage = QStringLiteral("usage: qmt-hc [/c] [/e] [/m] [/I FOLDER]... PROJECT.HPJ\n"
                                      "       qmt-hc --dump FILE.HLP\n"
                                      "       qmt-hc --help | --version\n");

int usage() {
    print(stderr, kUsage);
    return 2;
}

int help() {
    print(stdout,
          kUsage + QStringLiteral(
                       "\nCompiles a WinHelp project (.HPJ) and its RTF topic files into a help "
                       "file (.HLP).\n\n"
                       "  /I FOLDER   look for #include files in FOLDER too (after the project's "
                       "folder\n"
                       "              and the including file's folder); may be given more than "
                       "once\n"
                       "  /c /e /m    accepted for the command line of other help compilers\n"
                       "  --dump      list what a help file holds\n"
                       "  --help      show this text\n"
                       "  --version   show the version\n\n"
                       "Exit status: 0 written (warnings are possible), 1 errors (nothing "
                       "written),\n2 wrong command line.\n"));
    return 0;
}

int dump(const QString& path) {
    QFile f(path);
    const auto fail = [&](const QString& why) {
        print(stderr, QStringLiteral("%1: %2\n").arg(QDir::toNativeSeparators(path), why));
        return 1;
    };
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot be read (%1)").arg(f.errorString()));
    if (f.isSequential())
        return fail(QStringLiteral("is not a regular file"));
    // Mapped, not read: the file's pages stay the system's to drop again.
    const uchar* mapped = f.size() > 0 ? f.map(0, f.size()) : nullptr;
    QByteArray read;
    if (!mapped && f.size() > 0)
        read = f.readAll();
    const QByteArrayView bytes =
        mapped ? QByteArrayView(reinterpret_cast<const char*>(mapped), f.size())
               : QByteArrayView(read);
    // The listing goes out topic by topic, as the topics are read.
    hc::HelpFileDump listing([](const QString& piece) { print(stdout, piece); });
    try {
        const hc::HelpFileRead tables =
            hc::ReadHelpFile(bytes, [&](const hc::HelpFileRead& h, hc::TopicRead&& topic,
                                        std::uint32_t next) { listing.topic(h, topic, next); });
        listing.finish(tables);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Buffers of a megabyte or more go back to the system when freed, so
    // that one step's buffers do not stay with the process for the rest of
    // the compile. (Left alone, the allocator raises this bound to the
    // largest buffer freed so far.)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // The compiler's few threads share one heap: what one of them frees,
    // the next takes again, instead of each keeping memory of its own.
    mallopt(M_ARENA_MAX, 1);
#endif
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == u"--dump")
        return dump(args[1]);
    if (args == QStringList(QStringLiteral("--help")))
        return help();
    if (args == QStringList(QStringLiteral("--version"))) {
        print(stdout, QStringLiteral("qmt-hc (Quillmate) %1\n").arg(QStringLiteral(QM_VERSION)));
        return 0;
    }
    QString project;
    QStringList includeFolders;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool isSwitch = a.size() == 2 && (a[0] == u'/' || a[0] == u'-');
        if (isSwitch && (a[1] == u'I' || a[1] == u'i')) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return usage();
            includeFolders << args[++i];
            continue;
        }
        // The switches of the command line Quillmate gives a help compiler
        // (/c compile, /e exit when done, /m minimised) mean nothing more here.
        if (isSwitch)
            continue;
        if (a.startsWith(u'-') || !project.isEmpty())
            return usage();
        project = a;
    }
    if (project.isEmpty())
        return usage();

    // The messages go out as they come, in the order they always had: a
    // project with thousands of warnings holds none of them. Buffered, so that
    // they do not cost a write each.
    std::setvbuf(stderr, nullptr, _IOFBF, 1 << 16);
    hc::Diagnostics d;
    d.setSink([](const hc::Diagnostic& m) { print(stderr, m.format() + u'\n'); });
    const hc::CompileResult r = hc::Compile(project, d, 0, includeFolders);
    std::fflush(stderr);
    const QString name = QDir::toNativeSeparators(project);
    if (!r.written) {
        print(stderr, QStringLiteral("%1: %2 error(s), %3 warning(s); no help file written\n")
                          .arg(name)
                          .arg(d.count(hc::Severity::Error))
                          .arg(d.count(hc::Severity::Warning)));
        return 1;
    }
    print(stdout, QStringLiteral("%1: %2 topics, %3 context strings, %4 jumps, %5 keywords, %6 map "
                                 "entries, %7 warning(s)\n%8 written (%9 bytes%10)\n")
                      .arg(name)
                      .arg(r.stats.topics)
                      .arg(r.stats.contextStrings)
                      .arg(r.stats.jumps)
                      .arg(r.stats.keywords)
                      .arg(r.stats.mapEntries)
                      .arg(d.count(hc::Severity::Warning))
                      .arg(QDir::toNativeSeparators(r.helpFile))
                      .arg(r.bytes)
                      .arg(r.stats.compressed ? QStringLiteral(", compressed") : QString()));
    return 0;
}
