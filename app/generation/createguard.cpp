#include "createguard.h"

#include "appproject/projectreader.h"
#include "generation/generalhelp.h"
#include "generation/htmlhelp.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The path with every link of it resolved, as far as it exists.
QString resolved(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // Not there yet: resolve its folder, the name stays as typed.
    const QString folder = info.absoluteDir().canonicalPath();
    if (!folder.isEmpty())
        return folder + u'/' + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

bool sameInode(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The first letter of a sentence made from a role ("the help file").
QString sentenceStart(QString role) {
    if (!role.isEmpty())
        role[0] = role.at(0).toUpper();
    return role;
}

// A lock file of our own for a project: flock on the project file itself
// would share the file with the database engine's own locks.
QString projectLockPath(const QString& projectFile) {
    const QString folder =
        QDir::tempPath() + QStringLiteral("/quillmate-%1").arg(static_cast<qulonglong>(::getuid()));
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray key =
        QCryptographicHash::hash(resolved(projectFile).toUtf8(), QCryptographicHash::Sha1).toHex();
    return folder + u'/' + QString::fromLatin1(key) + QStringLiteral(".create-lock");
}

// An exclusive lock held through `fd`; -1 when it is held elsewhere (or the
// name cannot be opened, which then blocks nothing).
int lockPath(const QString& path, int flags, bool& busy) {
    busy = false;
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::vector<RoleFile> CreateOutputFiles(const CreateSettings& s) {
    std::vector<RoleFile> out;
    const auto add = [&out](const QString& role, const QString& path) {
        if (!path.isEmpty())
            out.push_back({role, path});
    };
    if (s.generalHelpDue() && !s.helpProjectFileName.isEmpty()) {
        add(QStringLiteral("the help project file"),
            QDir::cleanPath(QFileInfo(s.helpProjectFileName).absoluteFilePath()));
        const GeneralHelpPaths paths = GeneralHelpPathsFor(s);
        add(QStringLiteral("the RTF file"), paths.rtf);
        if (CreateSettings::ticked(s.createContentsFile))
            add(QStringLiteral("the contents file"), paths.contents);
        if (CreateSettings::ticked(s.compile))
            add(QStringLiteral("the help file"), paths.helpFile);
    } else if (s.htmlHelp() && !s.helpProjectFileName.isEmpty()) {
        const HtmlHelpPaths p = HtmlHelpPathsFor(s);
        add(QStringLiteral("the help project file"),
            QDir::cleanPath(QFileInfo(p.project).absoluteFilePath()));
        if (!s.contentsFileName.isEmpty())
            add(QStringLiteral("the contents file"), p.contents);
        if (!s.indexFileName.isEmpty())
            add(QStringLiteral("the index file"), p.index);
        add(QStringLiteral("the context-ID header"), p.header);
        add(QStringLiteral("the VB module"), p.vbModule);
        add(QStringLiteral("the pages folder"), p.pagesDir);
        if (CreateSettings::ticked(s.compile) && !s.helpFileName.isEmpty())
            add(QStringLiteral("the help file"), p.compiled);
    }
    return out;
}

bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    return resolved(a).compare(resolved(b), Qt::CaseInsensitive) == 0 || sameInode(a, b);
}

QStringList CheckOutputNames(const CreateSettings& s, const QString& projectFile,
                             const QString& appProjectPath, const std::vector<FormRow>& forms) {
    const std::vector<RoleFile> outputs = CreateOutputFiles(s);
    std::vector<RoleFile> inputs;
    if (!projectFile.isEmpty())
        inputs.push_back({QStringLiteral("the project file"), projectFile});
    if (!appProjectPath.isEmpty()) {
        inputs.push_back({QStringLiteral("the application project"), appProjectPath});
        for (const FormRow& form : forms) {
            const QString path = QMTCOdeMod::GetFormFilePath(form.formName, forms, appProjectPath);
            if (!path.isEmpty())
                inputs.push_back({u"the form file of " + form.formName, path});
        }
    }
    QStringList problems;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const RoleFile& out = outputs[i];
        const auto clash = [&](const RoleFile& other, const QString& consequence) {
            problems << QStringLiteral("%1 %2 is the same file as %3 %4: %5. Choose another "
                                       "name for %1.")
                            .arg(sentenceStart(out.role), native(out.path), other.role,
                                 native(other.path), consequence);
        };
        bool found = false;
        for (const RoleFile& in : inputs) {
            if (SameFile(out.path, in.path)) {
                clash(in, QStringLiteral("Create would replace it"));
                found = true;
                break;
            }
        }
        for (std::size_t j = 0; !found && j < i; ++j) {
            if (SameFile(out.path, outputs[j].path)) {
                clash(outputs[j], QStringLiteral("one would overwrite the other"));
                found = true;
            }
        }
    }
    return problems;
}

CreateLock::~CreateLock() {
    for (const int fd : m_fds)
        ::close(fd);
}

std::unique_ptr<CreateLock> CreateLock::Acquire(const QString& projectFile,
                                                const QStringList& folders, QString& problem) {
    std::unique_ptr<CreateLock> lock(new CreateLock);
    bool busy = false;
    if (!projectFile.isEmpty()) {
        const int fd = lockPath(projectLockPath(projectFile), O_RDWR | O_CREAT, busy);
        if (busy) {
            problem = QStringLiteral("Another Create is running on the project file %1; try "
                                     "again when it has ended.")
                          .arg(native(projectFile));
            return nullptr;
        }
        if (fd >= 0)
            lock->m_fds.push_back(fd);
    }
    QStringList seen;
    for (const QString& folder : folders) {
        const QString key = resolved(folder);
        if (key.isEmpty() || seen.contains(key))
            continue;
        seen << key;
        const int fd = lockPath(key, O_RDONLY | O_DIRECTORY, busy);
        if (busy) {
            problem = QStringLiteral("Another Create is writing into the folder %1; try again "
                                     "when it has ended.")
                          .arg(native(folder));
            return nullptr;
        }
        if (fd >= 0)
            lock->m_fds.push_back(fd);
    }
    return lock;
}
