#include "htmlhelpcompile.h"

#include "chm/chmfile.h"
#include "chm/hhcompiler.h"
#include "chm/hhproject.h"
#include "codepage/ansi.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "fileio/savefile.h"
#include "resources/stringtable.h"
#include "winreg/winreg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using fileio::FileWriteError;

namespace {

// ---- The help project file, as far as compiling and checking need it

struct HhpProject {
    chm::HhpProject hhp;
    QDir dir;
    QStringList lines;        // the project file, for the staged copy
    chm::Diagnostics reading; // what reading it found
};

QString where(const chm::Diagnostic& d) {
    return d.line > 0 ? QStringLiteral("line %1: %2").arg(d.line).arg(d.text) : d.text;
}

HhpProject readProject(const QString& path) {
    HhpProject p;
    p.hhp = chm::ReadHhpProject(path, p.reading);
    p.dir = QDir(p.hhp.folder);
    for (const chm::Diagnostic& d : p.reading.items())
        if (d.severity == chm::Severity::Error)
            throw FileWriteError(d.file, where(d));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileWriteError(
            path,
            QStringLiteral("the help project file could not be read (%1)").arg(file.errorString()));
    p.lines = ansi::toUnicode(file.readAll()).split(u'\n');
    for (QString& line : p.lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return p;
}

QString valueAfter(const QString& line, qsizetype keyLength) {
    return line.mid(keyLength).trimmed();
}

// ---- The staging folder of a registered compiler: a copy of the project

// A hidden folder beside the project holding what the compiler reads and
// writes, locked while in use and removed with all the compiler left in it.
// Copies the file `from` to the new file `to`; what went wrong, in the
// system's words, or an empty text.
QString copyFile(const QString& from, const QString& to) {
    const auto reason = [](const char* what, int error) -> QString {
        return QString::fromLatin1(what) + QString::fromLocal8Bit(std::strerror(error));
    };
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return reason("it cannot be read: ", errno);
    const int out =
        ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return reason("", error);
    }
    QString failure;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure = reason("it cannot be read: ", errno);
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n && failure.isEmpty();) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                failure = reason("", errno);
            else if (w > 0)
                done += w;
        }
        if (!failure.isEmpty())
            break;
    }
    ::close(in);
    if (::close(out) != 0 && failure.isEmpty())
        failure = reason("", errno);
    return failure;
}

class Staging {
public:
    static constexpr QLatin1StringView kPrefix{".qmt-chm-"};

    explicit Staging(const QDir& projectDir) {
        removeStale(projectDir);
        QTemporaryDir dir(projectDir.absoluteFilePath(kPrefix + QStringLiteral("XXXXXX")));
        if (!dir.isValid())
            throw FileWriteError(
                projectDir.absolutePath(),
                QStringLiteral("no work folder could be made here (%1)").arg(dir.errorString()));
        dir.setAutoRemove(false);
        m_root = dir.path();
        m_lock = lock(m_root);
    }
    ~Staging() {
        // Links are removed, never followed.
        QDir(m_root).removeRecursively();
        if (m_lock >= 0)
            ::close(m_lock);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    QString root() const { return m_root; }
    QString path(const QString& name) const { return m_root + u'/' + name; }

    // Claims a name at the top of the folder; two inputs of one name cannot
    // both be there.
    void claim(const QString& name, const QString& projectFile) {
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
            m_names.contains(name))
            throw FileWriteError(projectFile,
                                 QStringLiteral("the project cannot be compiled: it names "
                                                "\"%1\" twice, or a name the compiler's folder "
                                                "needs for itself")
                                     .arg(name));
        m_names.insert(name);
    }
    void copy(const QString& from, const QString& name) {
        if (const QString reason = copyFile(from, path(name)); !reason.isEmpty())
            throw FileWriteError(from, QStringLiteral("could not be copied for the compiler to "
                                                      "%1: %2")
                                           .arg(QDir::toNativeSeparators(path(name)), reason));
    }
    void symlink(const QString& target, const QString& name) {
        if (!QFile::link(target, path(name)))
            throw FileWriteError(path(name), QStringLiteral("the link could not be made"));
    }

private:
    // The folder's lock; -1 when it is held elsewhere.
    static int lock(const QString& folder) {
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    // Work folders of compiles that ended without clearing up (nobody holds
    // their lock).
    static void removeStale(const QDir& projectDir) {
        const QStringList names =
            projectDir.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
        for (const QString& name : names) {
            const QString folder = projectDir.absoluteFilePath(name);
            const int fd = lock(folder);
            if (fd < 0)
                continue;
            QDir(folder).removeRecursively();
            ::close(fd);
        }
    }

    QString m_root;
    int m_lock = -1;
    QSet<QString> m_names;
};

// Puts the project's inputs into the staging folder and writes the staged
// project file, whose options name them by their bare names.
void stage(const HhpProject& p, Staging& s, const QString& compiledName) {
    const chm::HhpProject& h = p.hhp;
    const QString projectName = QFileInfo(h.path).fileName();
    s.claim(projectName, h.path);
    s.claim(compiledName, h.path);

    const auto copyInput = [&](const QString& relative) {
        const QString name = QFileInfo(relative).fileName();
        s.claim(name, h.path);
        s.copy(p.dir.absoluteFilePath(relative), name);
        return name;
    };
    const QString contents = h.contentsFile.isEmpty() ? QString() : copyInput(h.contentsFile);
    const QString index = h.indexFile.isEmpty() ? QString() : copyInput(h.indexFile);
    QHash<QString, QString> includes;

    // Pages: each folder at the top of the project is seen whole through a
    // link; a page at the top is copied.
    QSet<QString> pageFolders;
    for (const chm::HhpName& f : h.files) {
        const QString& file = f.path;
        if (QDir::isAbsolutePath(file) || file.split(u'/').contains(QStringLiteral("..")))
            throw FileWriteError(h.path, QStringLiteral("the page \"%1\" lies outside the "
                                                        "project's folder")
                                             .arg(file));
        if (!QFileInfo(p.dir.absoluteFilePath(file)).isFile())
            throw FileWriteError(p.dir.absoluteFilePath(file),
                                 QStringLiteral("the page is missing"));
        if (!file.contains(u'/')) {
            copyInput(file);
            continue;
        }
        const QString folder = file.section(u'/', 0, 0);
        if (pageFolders.contains(folder))
            continue;
        pageFolders.insert(folder);
        s.claim(folder, h.path);
        s.symlink(QStringLiteral("../") + folder, folder);
    }

    QStringList lines;
    QString section;
    for (const QString& raw : p.lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            section = line.mid(1, line.size() - 2).toUpper();
        QString out = raw;
        if (section == QLatin1String("OPTIONS")) {
            const QString key = line.section(u'=', 0, 0).trimmed().toUpper();
            if (key == QLatin1String("COMPILED FILE"))
                out = QStringLiteral("Compiled file=") + compiledName;
            else if (key == QLatin1String("CONTENTS FILE"))
                out = QStringLiteral("Contents file=") + contents;
            else if (key == QLatin1String("INDEX FILE"))
                out = QStringLiteral("Index file=") + index;
        } else if (section == QLatin1String("MAP") &&
                   line.startsWith(QLatin1String("#include "), Qt::CaseInsensitive)) {
            const QString name = valueAfter(line, 9);
            if (!includes.contains(name))
                includes.insert(name, copyInput(name));
            out = QStringLiteral("#include ") + includes.value(name);
        }
        lines << out;
    }
    QFile staged(s.path(projectName));
    if (!staged.open(QIODevice::WriteOnly))
        throw FileWriteError(staged.fileName(), staged.errorString());
    const QByteArray bytes = ansi::fromUnicode(lines.join(QLatin1String("\r\n")) + u"\r\n");
    if (staged.write(bytes) != bytes.size() || !staged.flush())
        throw FileWriteError(staged.fileName(), staged.errorString());
}

QString lastLines(const QString& output, int count) {
    QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (QString& l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(QLatin1String(" / "));
}

struct Outcome {
    bool started = false;
    bool crashed = false;
    int exitCode = 0;
    QString output;
    QString startError;
};

Outcome runProcess(const QString& program, const QStringList& args, const QString& workDir) {
    Outcome o;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workDir);
    process.start(program, args);
    o.started = process.waitForStarted(-1);
    if (!o.started) {
        o.startError = process.errorString();
        return o;
    }
    // The calling thread waits (the window runs Create on a thread of its own).
    process.waitForFinished(-1);
    o.output = QString::fromLocal8Bit(process.readAll());
    o.crashed = process.exitStatus() != QProcess::NormalExit;
    o.exitCode = process.exitCode();
    return o;
}

// ---- Reading the result back

struct Checked {
    int pages = 0;
    int contextIds = 0;
};

Checked check(const QString& chmPath, const HhpProject& p, const QString& target) {
    const auto fail = [&target](const QString& why) { throw FileWriteError(target, why); };
    chm::ChmFile chm(chmPath);
    if (!chm.isOpen())
        fail(QStringLiteral("the compiled file cannot be read back"));
    Checked c;
    const chm::HhpProject& h = p.hhp;
    const auto expectFile = [&](const QString& relative, const QString& what) {
        const qint64 size = chm.size(u'/' + relative);
        if (size < 0)
            fail(QStringLiteral("the %1 \"%2\" is missing from the compiled file")
                     .arg(what, relative));
        if (size != QFileInfo(p.dir.absoluteFilePath(relative)).size())
            fail(QStringLiteral("the %1 \"%2\" is incomplete in the compiled file")
                     .arg(what, relative));
    };
    for (const chm::HhpName& file : h.files) {
        expectFile(file.path, QStringLiteral("page"));
        ++c.pages;
    }
    if (!h.contentsFile.isEmpty() && chm.size(u'/' + QDir::cleanPath(h.contentsFile)) < 0)
        fail(QStringLiteral("the contents file is missing from the compiled file"));
    if (!h.indexFile.isEmpty() && chm.size(u'/' + QDir::cleanPath(h.indexFile)) < 0)
        fail(QStringLiteral("the index file is missing from the compiled file"));
    for (const chm::HhpName& popups : h.textPopups)
        expectFile(popups.path, QStringLiteral("text pop-up file"));

    const auto ids = chm.contextIds();
    if (!ids)
        fail(QStringLiteral("the context IDs of the compiled file cannot be read"));
    QHash<std::uint32_t, QString> targetOf;
    for (const chm::ContextId& id : *ids) {
        // Every context ID must lead to a page inside the file.
        if (!id.target.startsWith(u'/') || chm.size(id.target) < 0)
            fail(QStringLiteral("the context ID %1 leads to \"%2\", which is not inside the "
                                "compiled file")
                     .arg(id.number)
                     .arg(id.target));
        targetOf.insert(id.number, id.target);
    }
    QHash<QString, QString> aliases;
    for (const chm::HhpAlias& a : h.aliases)
        aliases.insert(a.name.toUpper(), a.page);
    for (const chm::HhpDefine& d : h.defines) {
        const QString page = aliases.value(d.name.toUpper());
        const auto it = targetOf.constFind(d.number);
        if (it == targetOf.constEnd())
            fail(QStringLiteral("the context ID %1 (%2) is missing from the compiled file")
                     .arg(d.number)
                     .arg(d.name));
        if (it->compare(u'/' + page, Qt::CaseInsensitive) != 0)
            fail(QStringLiteral("the context ID %1 (%2) leads to \"%3\" instead of \"/%4\"")
                     .arg(d.number)
                     .arg(d.name, *it, page));
        ++c.contextIds;
    }
    return c;
}

// Copies the checked file over the help file through a work file beside it.
void replaceCompiledFile(const QString& from, const QString& target) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw FileWriteError(
            target, QStringLiteral("the compiled file cannot be read (%1)").arg(in.errorString()));
    fileio::SaveFile out(target);
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        out.write(chunk);
    if (in.error() != QFileDevice::NoError)
        throw FileWriteError(
            target, QStringLiteral("the compiled file cannot be read (%1)").arg(in.errorString()));
    out.commit();
}

// ---- The two ways of compiling

Checked compileRegistered(const HhpProject& project, const QString& program,
                          const QString& target) {
    Staging staging(project.dir);
    const QString compiledName = QFileInfo(target).fileName();
    stage(project, staging, compiledName);
    const QString projectName = QFileInfo(project.hhp.path).fileName();
    const Outcome outcome = runProcess(program, {projectName}, staging.root());
    if (!outcome.started)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler %1 could not be "
                                                    "started (%2)")
                                         .arg(program, outcome.startError));
    if (outcome.crashed)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler %1 crashed (%2)")
                                         .arg(program, lastLines(outcome.output, 3)));
    QStringList errors;
    for (const QString& line : outcome.output.split(u'\n'))
        if (line.contains(QLatin1String("Error:")))
            errors << line.trimmed();
    if (!errors.isEmpty())
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler reported: %1")
                                         .arg(errors.mid(0, 5).join(QLatin1String(" / "))));
    // Registered compilers' statuses mean nothing certain: the file decides.
    const QString compiled = staging.path(compiledName);
    if (QFileInfo(compiled).size() <= 0)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler wrote no help file "
                                                    "(%1)")
                                         .arg(lastLines(outcome.output, 3)));
    const Checked checked = check(compiled, project, target);
    replaceCompiledFile(compiled, target);
    return checked;
}

Checked compileBuiltIn(const HhpProject& project, const QString& target, QStringList& warnings) {
    chm::Diagnostics diagnostics;
    const chm::HhcOutput out = chm::CompileHhp(project.hhp, diagnostics);
    QStringList errors;
    for (const chm::Diagnostic& d : project.reading.items())
        warnings << d.format();
    for (const chm::Diagnostic& d : diagnostics.items())
        (d.severity == chm::Severity::Error ? errors : warnings) << d.format();
    if (!out.ok)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler reported: %1")
                                         .arg(errors.mid(0, 5).join(QLatin1String(" / "))));
    // Read back from a scratch copy before the help file is replaced.
    QTemporaryFile scratch(QDir::tempPath() + QStringLiteral("/qmt-chm-XXXXXX.chm"));
    if (!scratch.open() || scratch.write(out.bytes) != out.bytes.size() || !scratch.flush())
        throw FileWriteError(target, QStringLiteral("the compiled file could not be read back "
                                                    "(%1)")
                                         .arg(scratch.errorString()));
    const Checked checked = check(scratch.fileName(), project, target);
    fileio::SaveBytes(target, out.bytes);
    return checked;
}

} // namespace

HtmlHelpBuildOutcome BuildHtmlHelpFile(const QString& helpProjectFileName) {
    HtmlHelpBuildOutcome outcome;
    try {
        outcome.build = CompileHtmlHelp(helpProjectFileName);
    } catch (const FileWriteError& e) {
        outcome.message = e.message();
        return outcome;
    } catch (const std::exception& e) {
        outcome.message = QString::fromUtf8(e.what());
        return outcome;
    }
    outcome.done = true;
    outcome.message = QStringLiteral("The help file %1 was built and checked: %2 pages, %3 "
                                     "context IDs.")
                          .arg(QDir::toNativeSeparators(outcome.build.compiledFile))
                          .arg(outcome.build.pages)
                          .arg(outcome.build.contextIds);
    const QStringList& warnings = outcome.build.warnings;
    if (!warnings.isEmpty())
        outcome.message += QStringLiteral(" %1 warning(s): %2")
                               .arg(warnings.size())
                               .arg(warnings.mid(0, 3).join(QLatin1String(" / ")));
    return outcome;
}

int LookUpHtmlHelpCompiler(QString& strcompilerpath) {
    strcompilerpath.clear();
    components::Component<IRegistryFunctions> reg(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t key = static_cast<std::int32_t>(winreg::HKEY_LOCAL_MACHINE);
    QString subkey = LoadResString(str::registry::AppPathsPath);
    QString keyClass = LoadResString(str::registry::AppPathsClass);
    std::int32_t access = 0x2003F;
    QString createFlag = QStringLiteral("N");
    std::int32_t handle = 0;
    if (reg->KRVOpenRegKey(key, subkey, keyClass, access, createFlag, handle) != 0)
        return 1;
    QString compilerKey = QStringLiteral("hhc.exe");
    QString path;
    const std::int32_t status = reg->KRVQueryRegValue(handle, compilerKey, path, createFlag);
    reg->KRVCloseRegKey(handle);
    if (status != 0 || path.isEmpty())
        return 2;
    strcompilerpath = path;
    return 0;
}

HtmlHelpBuild CompileHtmlHelp(const QString& helpProjectFileName) {
    const HhpProject project = readProject(helpProjectFileName);
    HtmlHelpBuild build;
    build.compiledFile = QDir::cleanPath(project.dir.absoluteFilePath(project.hhp.compiledFile));
    const QString target = build.compiledFile;

    QString registered;
    const Checked checked = LookUpHtmlHelpCompiler(registered) == 0
                                ? compileRegistered(project, registered, target)
                                : compileBuiltIn(project, target, build.warnings);
    build.compiler = registered;
    build.pages = checked.pages;
    build.contextIds = checked.contextIds;
    return build;
}
