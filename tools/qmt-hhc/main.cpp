// qmt-hhc: the HTML Help compiler. "qmt-hhc PROJECT.HHP" compiles the project
// into the compiled help file its options name.
#include "chm/hhcompiler.h"
#include "chm/hhproject.h"
#include "fileio/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

namespace {

void print(FILE* to, const QString& text) {
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, std::size_t(b.size()), to);
}

const char kUsage[] =
    "usage: qmt-hhc [--effort N] PROJECT.HHP\n"
    "Compiles an HTML Help project into the compiled help file (.chm) that its\n"
    "\"Compiled file\" option names. Warnings and errors name the file and line;\n"
    "the help file is replaced only when the compile succeeded.\n"
    "  --effort N   how hard the compressor looks for repeats (1-256, default 24)\n"
    "  --help       this text\n"
    "  --version    the program's version\n"
    "Exit status: 0 written (perhaps with warnings), 1 errors, 2 wrong usage.\n";

int usage(FILE* to, int status) {
    print(to, QString::fromLatin1(kUsage));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString project;
    chm::HhcOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--help" || a == u"-h")
            return usage(stdout, 0);
        if (a == u"--version") {
            print(stdout, QStringLiteral("qmt-hhc %1\n").arg(QStringLiteral(QM_VERSION)));
            return 0;
        }
        if (a == u"--effort" && i + 1 < args.size()) {
            bool ok = false;
            options.lzxEffort = args[++i].toInt(&ok);
            if (!ok || options.lzxEffort < 1 || options.lzxEffort > 256)
                return usage(stderr, 2);
            continue;
        }
        // The switches a help compiler is given by Windows tools (/c compile,
        // /e exit when done, /m minimised) mean nothing more here.
        if (a.size() == 2 && a[0] == u'/')
            continue;
        if (a.startsWith(u'-') || !project.isEmpty())
            return usage(stderr, 2);
        project = a;
    }
    if (project.isEmpty())
        return usage(stderr, 2);

    chm::Diagnostics d;
    const chm::HhpProject p = chm::ReadHhpProject(project, d);
    chm::HhcOutput out = chm::CompileHhp(p, d, options);
    if (out.ok) {
        try {
            fileio::SaveBytes(out.compiledFile, out.bytes);
        } catch (const fileio::FileWriteError& e) {
            d.error(out.compiledFile, 0, e.what_());
            out.ok = false;
        }
    }
    for (const QString& line : d.lines())
        print(stderr, line + u'\n');
    const QString name = QDir::toNativeSeparators(project);
    if (!out.ok) {
        print(stderr, QStringLiteral("%1: %2 error(s), %3 warning(s); no help file written\n")
                          .arg(name)
                          .arg(d.count(chm::Severity::Error))
                          .arg(d.count(chm::Severity::Warning)));
        return 1;
    }
    print(stdout, QStringLiteral("%1: %2 files, %3 topics, %4 context IDs, %5 text pop-up "
                                 "file(s), %6 warning(s)\n%7 written (%8 bytes)\n")
                      .arg(name)
                      .arg(out.stats.files)
                      .arg(out.stats.topics)
                      .arg(out.stats.contextIds)
                      .arg(out.stats.textPopups)
                      .arg(d.count(chm::Severity::Warning))
                      .arg(QDir::toNativeSeparators(out.compiledFile))
                      .arg(out.bytes.size()));
    return 0;
}
