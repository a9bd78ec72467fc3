// qmt-hc: the help compiler. "qmt-hc [/c /e /m ...] PROJECT.HPJ" compiles a
// help project into its help file; "qmt-hc --dump FILE.HLP" lists what a help
// file holds.
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

int usage() {
    print(stderr, QStringLiteral("usage: qmt-hc [/c] [/e] [/m] PROJECT.HPJ\n"
                                 "       qmt-hc --dump FILE.HLP\n"));
    return 2;
}

int dump(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        print(stderr, QStringLiteral("%1: cannot be read (%2)\n")
                          .arg(QDir::toNativeSeparators(path), f.errorString()));
        return 1;
    }
    try {
        const QByteArray bytes = f.readAll();
        print(stdout, hc::DumpHelpFile(hc::ReadHelpFile(bytes)));
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("%1: %2\n")
                          .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(e.what())));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // A compile allocates and frees buffers of megabytes in turn: keeping the
    // freed memory for the next one spares the kernel clearing fresh pages.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
#endif
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == u"--dump")
        return dump(args[1]);
    QString project;
    for (const QString& a : args) {
        // The switches of the command line Quillmate gives a help compiler
        // (/c compile, /e exit when done, /m minimised) mean nothing more here.
        if (a.size() == 2 && (a[0] == u'/' || a[0] == u'-'))
            continue;
        if (a.startsWith(u'-') || !project.isEmpty())
            return usage();
        project = a;
    }
    if (project.isEmpty())
        return usage();

    hc::Diagnostics d;
    const hc::CompileResult r = hc::Compile(project, d);
    for (const QString& line : d.lines())
        print(stderr, line + u'\n');
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
