#include "htmlhelpcompile.h"

#include "chm/chmfile.h"
#include "codepage/ansi.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "fileio/savefile.h"
#include "resources/stringtable.h"
#include "winreg/winreg.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using fileio::FileWriteError;

namespace {

// ---- The help project file, as far as compiling and checking need it

struct Define {
    QString name;
    std::uint32_t number = 0;
};

struct HhpProject {
    QString path;
    QDir dir;
    QStringList lines;
    QString compiled, contents, index; // as the options name them
    QStringList files;                 // [FILES]
    QHash<QString, QString> aliases;   // upper-case name -> page
    QStringList includes;              // [MAP] #include names
    std::vector<Define> defines;       // [MAP], directly or through the includes
};

QStringList readLines(const QString& path, const QString& what) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileWriteError(
            path, QStringLiteral("the %1 could not be read (%2)").arg(what, file.errorString()));
    QStringList lines = ansi::toUnicode(file.readAll()).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

// "#define NAME number", split on single blanks as the compiler splits it.
std::optional<Define> defineLine(const QString& line) {
    if (!line.startsWith(QLatin1String("#define "), Qt::CaseInsensitive))
        return std::nullopt;
    const QStringList parts = line.mid(8).trimmed().split(u' ');
    if (parts.size() < 2)
        return std::nullopt;
    bool ok = false;
    const QString value = parts[1].trimmed();
    const std::uint32_t number = value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                     ? value.mid(2).toUInt(&ok, 16)
                                     : value.toUInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return Define{parts[0], number};
}

QString valueAfter(const QString& line, qsizetype keyLength) {
    return line.mid(keyLength).trimmed();
}

HhpProject readProject(const QString& path) {
    HhpProject p;
    p.path = path;
    p.dir = QFileInfo(path).absoluteDir();
    p.lines = readLines(path, QStringLiteral("help project file"));
    QString section;
    for (const QString& raw : std::as_const(p.lines)) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).toUpper();
            continue;
        }
        if (section == QLatin1String("OPTIONS")) {
            const qsizetype eq = line.indexOf(u'=');
            const QString key = line.left(eq).trimmed().toUpper();
            const QString value = eq < 0 ? QString() : valueAfter(line, eq + 1);
            if (key == QLatin1String("COMPILED FILE"))
                p.compiled = value;
            else if (key == QLatin1String("CONTENTS FILE"))
                p.contents = value;
            else if (key == QLatin1String("INDEX FILE"))
                p.index = value;
        } else if (section == QLatin1String("FILES")) {
            p.files << QDir::fromNativeSeparators(line);
        } else if (section == QLatin1String("ALIAS")) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0)
                p.aliases.insert(line.left(eq).trimmed().toUpper(),
                                 QDir::fromNativeSeparators(valueAfter(line, eq + 1)));
        } else if (section == QLatin1String("MAP")) {
            if (line.startsWith(QLatin1String("#include "), Qt::CaseInsensitive)) {
                const QString name = valueAfter(line, 9);
                p.includes << name;
                for (const QString& l :
                     readLines(p.dir.absoluteFilePath(name), QStringLiteral("context-ID header")))
                    if (const auto d = defineLine(l.trimmed()))
                        p.defines.push_back(*d);
            } else if (const auto d = defineLine(line)) {
                p.defines.push_back(*d);
            }
        }
    }
    if (p.compiled.isEmpty())
        throw FileWriteError(path, QStringLiteral("the help project names no compiled file"));
    return p;
}

// ---- The compiler

enum class CompilerKind { Registered, Chmcmd };

struct Compiler {
    QString program;
    CompilerKind kind = CompilerKind::Chmcmd;
};

// A tool of the system, also where an ordinary user's PATH does not look.
QString systemTool(const QString& name) {
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
                   QStringLiteral("/bin")});
    return found;
}

// ---- The staging folder: a copy of the project, and its clean-up

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

// A hidden folder beside the project holding what the compiler reads and
// writes, locked while in use and removed with all the compiler left in it.
// The folders bound into the compiler's view are mounts in its own namespace
// only, never here; should one still show anything, nothing is removed.
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
        for (const QString& mountPoint : std::as_const(m_mountPoints))
            if (!QDir(mountPoint).isEmpty())
                return;
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
    // A folder that a host folder is bound onto.
    void mountPoint(const QString& relative) {
        const QString at = path(relative);
        if (!QDir().mkpath(at))
            throw FileWriteError(at, QStringLiteral("the folder could not be made"));
        m_mountPoints << at;
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
    QStringList m_mountPoints;
    QSet<QString> m_names;
};

QString topName(const QString& relative) {
    return relative.section(u'/', 0, 0);
}

// The top of the file system as the sandboxed compiler needs it: folders are
// bound in, links are made alike.
const QStringList kSystemFolders{QStringLiteral("usr"),   QStringLiteral("bin"),
                                 QStringLiteral("sbin"),  QStringLiteral("lib"),
                                 QStringLiteral("lib32"), QStringLiteral("lib64"),
                                 QStringLiteral("libx32")};

struct Run {
    QStringList binds; // pairs of host folder and folder in the staging root
    bool sandboxed = false;
};

// Puts the project's inputs into the staging folder and writes the staged
// project file, whose options name them by their bare names.
void stage(const HhpProject& p, Staging& s, Run& run, const QString& compiledName) {
    const QString projectName = QFileInfo(p.path).fileName();
    if (run.sandboxed)
        for (const QString& name : kSystemFolders)
            s.claim(name, p.path);
    s.claim(projectName, p.path);
    s.claim(compiledName, p.path);

    const auto copyInput = [&](const QString& relative) {
        const QString name = QFileInfo(relative).fileName();
        s.claim(name, p.path);
        s.copy(p.dir.absoluteFilePath(relative), name);
        return name;
    };
    const QString contents = p.contents.isEmpty() ? QString() : copyInput(p.contents);
    const QString index = p.index.isEmpty() ? QString() : copyInput(p.index);
    QHash<QString, QString> includes;
    for (const QString& include : p.includes)
        includes.insert(include, copyInput(include));

    // Pages: each folder at the top of the project is seen whole (bound in,
    // or linked); a page at the top is copied.
    QSet<QString> pageFolders;
    for (const QString& file : p.files) {
        if (QDir::isAbsolutePath(file) || file.split(u'/').contains(QStringLiteral("..")))
            throw FileWriteError(p.path, QStringLiteral("the page \"%1\" lies outside the "
                                                        "project's folder")
                                             .arg(file));
        if (!QFileInfo(p.dir.absoluteFilePath(file)).isFile())
            throw FileWriteError(p.dir.absoluteFilePath(file),
                                 QStringLiteral("the page is missing"));
        if (!file.contains(u'/')) {
            copyInput(file);
            continue;
        }
        const QString folder = topName(file);
        if (pageFolders.contains(folder))
            continue;
        pageFolders.insert(folder);
        s.claim(folder, p.path);
        if (run.sandboxed) {
            s.mountPoint(folder);
            run.binds << p.dir.absoluteFilePath(folder) << s.path(folder);
        } else {
            s.symlink(QStringLiteral("../") + folder, folder);
        }
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
            out = QStringLiteral("#include ") + includes.value(valueAfter(line, 9));
        }
        lines << out;
    }
    QFile staged(s.path(projectName));
    if (!staged.open(QIODevice::WriteOnly))
        throw FileWriteError(staged.fileName(), staged.errorString());
    const QByteArray bytes = ansi::fromUnicode(lines.join(QLatin1String("\r\n")) + u"\r\n");
    if (staged.write(bytes) != bytes.size() || !staged.flush())
        throw FileWriteError(staged.fileName(), staged.errorString());
    staged.close();

    if (!run.sandboxed)
        return;
    // The system as the compiler needs it to start: /usr and the library
    // folders (links where the system has links), and the compiler's folder.
    for (const QString& name : kSystemFolders) {
        const QFileInfo host(u'/' + name);
        if (host.isSymLink()) {
            // The link as it stands ("usr/lib"), which means the same inside.
            std::error_code error;
            const auto raw = std::filesystem::read_symlink(
                QFile::encodeName(host.absoluteFilePath()).toStdString(), error);
            if (error)
                throw FileWriteError(host.absoluteFilePath(),
                                     QString::fromLocal8Bit(error.message()));
            s.symlink(QFile::decodeName(QByteArray::fromStdString(raw.string())), name);
        } else if (host.isDir()) {
            s.mountPoint(name);
            run.binds << host.absoluteFilePath() << s.path(name);
        }
    }
}

QString lastLines(const QString& output, int count) {
    QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (QString& l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(QLatin1String(" / "));
}

const QString kReady = QStringLiteral("qmt: compiler folder ready");

// The shell steps inside the private mount namespace: bind the folders read
// only, then run the compiler with the staging folder as its root.
const QString kSandboxScript =
    QStringLiteral("set -e\n"
                   "mount=$1; chroot=$2; root=$3; program=$4; project=$5; shift 5\n"
                   "while [ $# -ge 2 ]; do\n"
                   "  \"$mount\" --bind \"$1\" \"$2\"\n"
                   "  \"$mount\" -o remount,bind,ro \"$2\" 2>/dev/null || :\n"
                   "  shift 2\n"
                   "done\n"
                   "echo '%1'\n"
                   "exec \"$chroot\" \"$root\" \"$program\" \"$project\"\n");

struct Outcome {
    bool started = false;
    bool crashed = false;
    int exitCode = 0;
    QString output;
    QString startError;
};

Outcome runProcess(const QString& program, const QStringList& args, const QString& workDir,
                   const std::function<void()>& idle) {
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
    QByteArray output;
    while (!process.waitForFinished(100)) {
        if (process.state() == QProcess::NotRunning)
            break;
        output += process.readAll();
        if (idle)
            idle();
    }
    output += process.readAll();
    o.output = QString::fromLocal8Bit(output);
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
    const auto expectFile = [&](const QString& relative, const QString& what) {
        const qint64 size = chm.size(u'/' + relative);
        if (size < 0)
            fail(QStringLiteral("the %1 \"%2\" is missing from the compiled file")
                     .arg(what, relative));
        if (size != QFileInfo(p.dir.absoluteFilePath(relative)).size())
            fail(QStringLiteral("the %1 \"%2\" is incomplete in the compiled file")
                     .arg(what, relative));
    };
    for (const QString& file : p.files) {
        expectFile(file, QStringLiteral("page"));
        ++c.pages;
    }
    if (!p.contents.isEmpty() && chm.size(u'/' + QFileInfo(p.contents).fileName()) < 0)
        fail(QStringLiteral("the contents file is missing from the compiled file"));
    if (!p.index.isEmpty() && chm.size(u'/' + QFileInfo(p.index).fileName()) < 0)
        fail(QStringLiteral("the index file is missing from the compiled file"));

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
    for (const Define& d : p.defines) {
        const QString page = p.aliases.value(d.name.toUpper());
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
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw FileWriteError(
            target, QStringLiteral("the file could not be created (%1)").arg(out.errorString()));
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        if (out.write(chunk) != chunk.size())
            throw FileWriteError(
                target, QStringLiteral("writing the file failed (%1)").arg(out.errorString()));
    if (in.error() != QFileDevice::NoError)
        throw FileWriteError(
            target, QStringLiteral("the compiled file cannot be read (%1)").arg(in.errorString()));
    if (!out.commit())
        throw FileWriteError(
            target, QStringLiteral("the file could not be saved (%1)").arg(out.errorString()));
}

} // namespace

HtmlHelpBuildOutcome BuildHtmlHelpFile(const QString& helpProjectFileName,
                                       const std::function<void()>& idle) {
    HtmlHelpBuildOutcome outcome;
    try {
        outcome.build = CompileHtmlHelp(helpProjectFileName, idle);
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

HtmlHelpBuild CompileHtmlHelp(const QString& helpProjectFileName,
                              const std::function<void()>& idle) {
    const HhpProject project = readProject(helpProjectFileName);
    HtmlHelpBuild build;
    build.compiledFile = QDir::cleanPath(project.dir.absoluteFilePath(project.compiled));
    const QString target = build.compiledFile;

    Compiler compiler;
    if (LookUpHtmlHelpCompiler(compiler.program) == 0) {
        compiler.kind = CompilerKind::Registered;
    } else {
        compiler.program = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
        if (compiler.program.isEmpty())
            throw FileWriteError(
                target, QStringLiteral("no HTML Help compiler was found: register one as "
                                       "App Paths\\hhc.exe, or install chmcmd (Debian package "
                                       "fp-utils)"));
        // Inside the staging root only the real file is reachable, not the
        // links through /etc that lead to it.
        compiler.program = QFileInfo(compiler.program).canonicalFilePath();
    }
    build.compiler = compiler.program;

    Run run;
    run.sandboxed = compiler.kind == CompilerKind::Chmcmd && !project.defines.empty();
    Staging staging(project.dir);
    const QString compiledName = QFileInfo(target).fileName();
    stage(project, staging, run, compiledName);
    const QString projectName = QFileInfo(project.path).fileName();

    Outcome outcome;
    if (run.sandboxed) {
        const QString unshare = systemTool(QStringLiteral("unshare"));
        const QString mount = systemTool(QStringLiteral("mount"));
        const QString chroot = systemTool(QStringLiteral("chroot"));
        const QString sh = systemTool(QStringLiteral("sh"));
        if (unshare.isEmpty() || mount.isEmpty() || chroot.isEmpty() || sh.isEmpty())
            throw FileWriteError(target,
                                 QStringLiteral("context IDs need chmcmd to run with the "
                                                "project's folder as its root, which needs "
                                                "unshare, mount and chroot (util-linux, mount, "
                                                "coreutils)"));
        const QString programDir = QFileInfo(compiler.program).absolutePath();
        const bool programReachable =
            std::any_of(kSystemFolders.begin(), kSystemFolders.end(), [&](const QString& f) {
                return programDir == u'/' + f || programDir.startsWith(u'/' + f + u'/');
            });
        if (!programReachable) {
            staging.claim(topName(programDir.mid(1)), project.path);
            staging.mountPoint(programDir.mid(1));
            run.binds << programDir << staging.path(programDir.mid(1));
        }
        QStringList args{QStringLiteral("-r"),
                         QStringLiteral("-m"),
                         QStringLiteral("--"),
                         sh,
                         QStringLiteral("-c"),
                         kSandboxScript.arg(kReady),
                         QStringLiteral("qmt-chm"),
                         mount,
                         chroot,
                         staging.root(),
                         compiler.program,
                         projectName};
        args << run.binds;
        outcome = runProcess(unshare, args, staging.root(), idle);
        if (outcome.started && !outcome.output.contains(kReady))
            throw FileWriteError(
                target, QStringLiteral("context IDs need chmcmd to run with the project's folder "
                                       "as its root, and this system refused it (%1)")
                            .arg(lastLines(outcome.output, 3)));
        outcome.output.remove(kReady);
    } else {
        outcome = runProcess(compiler.program, {projectName}, staging.root(), idle);
    }

    if (!outcome.started)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler %1 could not be "
                                                    "started (%2)")
                                         .arg(compiler.program, outcome.startError));
    if (outcome.crashed)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler %1 crashed (%2)")
                                         .arg(compiler.program, lastLines(outcome.output, 3)));
    QStringList errors;
    for (const QString& line : outcome.output.split(u'\n'))
        if (line.contains(QLatin1String("Error:")))
            errors << line.trimmed();
    if (!errors.isEmpty())
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler reported: %1")
                                         .arg(errors.mid(0, 5).join(QLatin1String(" / "))));
    // chmcmd's status is 0 on success; other compilers' statuses mean
    // nothing certain, so the file decides.
    if (compiler.kind == CompilerKind::Chmcmd && outcome.exitCode != 0)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler ended with status "
                                                    "%1 (%2)")
                                         .arg(outcome.exitCode)
                                         .arg(lastLines(outcome.output, 3)));
    const QString compiled = staging.path(compiledName);
    if (QFileInfo(compiled).size() <= 0)
        throw FileWriteError(target, QStringLiteral("the HTML Help compiler wrote no help file "
                                                    "(%1)")
                                         .arg(lastLines(outcome.output, 3)));
    const Checked checked = check(compiled, project, target);
    build.pages = checked.pages;
    build.contextIds = checked.contextIds;
    replaceCompiledFile(compiled, target);
    return build;
}
