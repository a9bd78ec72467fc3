// A save is done only when its file and its folder are synced: a folder that
// cannot be synced fails every file saved into it, and many files in one
// folder share one folder sync.
#include "fileio/savefile.h"
#include "generation/htmlpages.h"

#include "common/testenv.h"

#include <QtTest>

#include <cerrno>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What fsync does in this test: counts by path, and fails for the paths named.
struct SyncLog {
    std::mutex lock;
    QHash<QString, int> count;  // path -> syncs
    QHash<QString, int> failed; // path -> errno to give
};
SyncLog& syncLog() {
    static SyncLog log;
    return log;
}

QString pathOf(int fd) {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + QString::number(fd));
}

} // namespace

// Replaces the C library's fsync for the code under test.
extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    const QString path = pathOf(fd);
    {
        SyncLog& log = syncLog();
        const std::lock_guard<std::mutex> guard(log.lock);
        ++log.count[path];
        if (const int error = log.failed.value(path); error != 0) {
            errno = error;
            return -1;
        }
    }
    return real(fd);
}

class TestFileioSync : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    static int syncs(const QString& p) {
        const std::lock_guard<std::mutex> guard(syncLog().lock);
        return syncLog().count.value(p);
    }
    static void failSync(const QString& p, int error) {
        const std::lock_guard<std::mutex> guard(syncLog().lock);
        syncLog().failed[p] = error;
    }
    static QStringList fileNames(const std::vector<fileio::FileWriteError>& errors) {
        QStringList names;
        for (const fileio::FileWriteError& e : errors)
            names << QFileInfo(e.fileName()).fileName();
        return names;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(path(QStringLiteral("a"))) &&
                QDir().mkpath(path(QStringLiteral("b"))));
        const std::lock_guard<std::mutex> guard(syncLog().lock);
        syncLog().count.clear();
        syncLog().failed.clear();
    }

    void aFolderThatCannotBeSyncedFailsTheSave() {
        const QString target = path(QStringLiteral("a/help.rtf"));
        fileio::SaveBytes(target, "first");
        QCOMPARE(syncs(path(QStringLiteral("a"))), 1);
        failSync(path(QStringLiteral("a")), EIO);
        try {
            fileio::SaveBytes(target, "second");
            QFAIL("a save whose folder was not synced was taken for success");
        } catch (const fileio::FileWriteError& e) {
            QCOMPARE(e.fileName(), target);
            QVERIFY2(e.message().contains(u"folder could not be synced") &&
                         e.message().contains(QString::fromLocal8Bit(std::strerror(EIO))),
                     qPrintable(e.message()));
        }
        // The new content is there (the rename was made), and no work file is left.
        QCOMPARE(testenv::readAll(target), QByteArray("second"));
        QCOMPARE(QDir(path(QStringLiteral("a"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList(QStringLiteral("help.rtf")));
    }

    void oneSyncPerFolderAndEveryFileOfAFailedFolderFails() {
        fileio::FolderSync folders;
        for (const char* name : {"a/one.txt", "a/two.txt", "b/three.txt"}) {
            fileio::SaveFile f(path(QString::fromLatin1(name)));
            f.write("saved");
            f.commit(folders);
        }
        // Files written in place by the caller: many, synced each, in parallel.
        for (int i = 0; i < 40; ++i) {
            const QString page = path(QStringLiteral("b/page%1.htm").arg(i));
            QVERIFY(testenv::writeAll(page, "<p>"));
            folders.addWrittenFile(page);
        }
        const QString lost = path(QStringLiteral("a/lost.htm"));
        QVERIFY(testenv::writeAll(lost, "<p>"));
        folders.addWrittenFile(lost);
        const QString bad = path(QStringLiteral("b/page7.htm"));
        failSync(path(QStringLiteral("a")), EIO);
        failSync(bad, ENOSPC);
        QCOMPARE(syncs(path(QStringLiteral("a"))), 0); // nothing before sync()
        const std::vector<fileio::FileWriteError> errors = folders.sync();
        QCOMPARE(syncs(path(QStringLiteral("a"))), 1);
        QCOMPARE(syncs(path(QStringLiteral("b"))), 1);
        for (int i = 0; i < 40; ++i)
            QCOMPARE(syncs(path(QStringLiteral("b/page%1.htm").arg(i))), 1);
        QCOMPARE(fileNames(errors),
                 QStringList({QStringLiteral("one.txt"), QStringLiteral("two.txt"),
                              QStringLiteral("lost.htm"), QStringLiteral("page7.htm")}));
        QVERIFY(errors.back().message().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
        QVERIFY(folders.sync().empty()); // done: nothing left to sync
    }

    void htmlPagesAreSyncedThemselvesAndTheirFolderOnce() {
        const QString dir = path(QStringLiteral("pages"));
        {
            PageFolder pages(dir);
            for (int i = 0; i < 20; ++i)
                pages.write(QStringLiteral("p%1.htm").arg(i), "old");
            pages.commit();
        }
        QCOMPARE(syncs(dir), 1);
        QCOMPARE(syncs(dir + QStringLiteral("/p3.htm")), 1);
        // A changed page through its work file, a new one, an unchanged one.
        PageFolder pages(dir);
        pages.write(QStringLiteral("p0.htm"), "new");
        pages.write(QStringLiteral("p1.htm"), "old");
        pages.write(QStringLiteral("extra.htm"), "new");
        failSync(dir, EIO);
        try {
            pages.commit();
            QFAIL("pages whose folder was not synced were taken for saved");
        } catch (const fileio::FileWriteError& e) {
            QCOMPARE(e.fileName(), dir);
            QVERIFY2(e.message().contains(u"2 pages could not be saved"), qPrintable(e.message()));
        }
        QCOMPARE(syncs(dir), 2);
        QCOMPARE(syncs(dir + QStringLiteral("/p1.htm")), 1); // unchanged: left alone
        QCOMPARE(syncs(dir + QStringLiteral("/extra.htm")), 1);
    }
};

QTEST_GUILESS_MAIN(TestFileioSync)
#include "tst_fileio_sync.moc"
