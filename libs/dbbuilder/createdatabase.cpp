#include "createdatabase.h"

#include "dao.h"
#include "projectschema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString alreadyExists(const QString& path) {
    return QStringLiteral("The project file '%1' already exists.").arg(path);
}

void removeWork(const QString& work) {
    QFile::remove(work);
    QFile::remove(work + QStringLiteral("-journal"));
}

// The new name is on disk once its folder is flushed.
void flushFolder(const QString& file) {
    const int fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Moves the finished file into place; never replaces a file that appeared
// under the target name meanwhile.
void moveIntoPlace(const QString& work, const QString& target) {
    const QByteArray from = QFile::encodeName(work);
    const QByteArray to = QFile::encodeName(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return flushFolder(target);
    int err = errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        // The file system cannot rename without replacing: a hard link claims the name as safely.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return flushFolder(target);
        }
        err = errno;
    }
    if (err == EEXIST)
        throw dao::EngineError(dao::errDatabaseExists, alreadyExists(target));
    throw dao::EngineError(dao::errCannotOpen,
                           QStringLiteral("The database '%1' cannot be created: %2.")
                               .arg(target, QString::fromLocal8Bit(std::strerror(err))));
}

} // namespace

void CreateDataBase::create_database() {
    const QString target = m_name;
    if (target.isEmpty()) {
        dao::Database::CreateDatabase(
            target, qmtcrdb::projectLocale()); // the engine refuses the empty name
        return;
    }
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink())
        throw dao::EngineError(dao::errDatabaseExists, alreadyExists(target));

    QString work;
    std::unique_ptr<dao::Database> db;
    for (int attempt = 0; !db; ++attempt) {
        work = info.absoluteDir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(info.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        try {
            db = dao::Database::CreateDatabase(work, qmtcrdb::projectLocale());
        } catch (const dao::EngineError& e) {
            if (e.number() != dao::errDatabaseExists || attempt >= 10)
                throw dao::EngineError(
                    e.number() == dao::errDatabaseExists ? dao::errCannotOpen : e.number(),
                    e.number() == dao::errDatabaseExists
                        ? QStringLiteral("The database '%1' cannot be created.").arg(target)
                        : e.text().replace(work, target));
        }
    }
    try {
        db->BeginTrans();
        for (const dao::TableDef& table : qmtcrdb::projectTables())
            db->CreateTable(table);
        db->CommitTrans();
        db->Close();
        db.reset();
        moveIntoPlace(work, target);
    } catch (...) {
        db.reset();
        removeWork(work);
        throw;
    }
}
