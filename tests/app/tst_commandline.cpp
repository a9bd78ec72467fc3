// The program's batch command line, run as a separate process.
#include "libs/dbbuilder/enginefixture.h"

#include <QProcess>

using namespace enginetest;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run qmt(const QStringList& args, const QString& folder = QString()) {
    QProcess p;
    p.setProgram(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"));
    p.setArguments(args);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QUILLMATE_COMPONENTS")); // found next to the program
    p.setProcessEnvironment(env);
    p.start();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    Run r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

class TestQmtBatch : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;

private slots:
    void newCreatesAnEmptyProject() {
        QTemporaryDir dir;
        const Run r =
            qmt({QStringLiteral("--new"), QStringLiteral("Help Project.QMT")}, dir.path());
        QCOMPARE(r.status, 0);
        const QString file = dir.filePath(QStringLiteral("Help Project.QMT"));
        auto db = dao::Database::OpenDatabase(file, false, false, kConnect);
        QCOMPARE(db->TableNames().size(), 5);
        QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 0);
        // The recent-files list is not touched: the registry folder stays empty.
        QVERIFY(folderEntries(m_registry.path()).isEmpty());
    }

    void newRefusesAnExistingFileAndLeavesIt() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Existing.QMT"));
        QVERIFY(testenv::writeAll(file, "keep\r\n"));
        const Run r = qmt({QStringLiteral("--new"), file});
        QVERIFY(r.status != 0 && r.status != -1);
        QVERIFY2(r.err.contains(QStringLiteral("already exists")), qPrintable(r.err));
        QCOMPARE(testenv::readAll(file), QByteArray("keep\r\n"));
    }

    void newRefusesAPathThatCannotBeCreated() {
        QTemporaryDir dir;
        const Run r =
            qmt({QStringLiteral("--new"), dir.filePath(QStringLiteral("no/such/folder/x.QMT"))});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("x.QMT")), qPrintable(r.err));
        QVERIFY(folderEntries(dir.path()).isEmpty());
    }

    void versionAndHelp() {
        const Run version = qmt({QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        QVERIFY2(version.out.contains(QStringLiteral(QM_VERSION_TEXT)), qPrintable(version.out));
        const Run help = qmt({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        for (const char* item :
             {"--new PROJECT.QMT", "--create PROJECT.QMT", "--import PROJECT.QMT", "--version",
              "--help", "qmt [PROJECT.QMT]"})
            QVERIFY2(help.out.contains(QString::fromLatin1(item)), item);
    }

    // The report on standard output and exit 0; a source that cannot be
    // read: exit 1, the reason on standard error, nothing stored.
    void importReportsAndExits() {
        QTemporaryDir dir;
        QCOMPARE(qmt({QStringLiteral("--new"), QStringLiteral("p.QMT")}, dir.path()).status, 0);
        QVERIFY(testenv::writeAll(dir.filePath(QStringLiteral("ids.bas")),
                                  "Public Const IDH_A As Long = 3\r\n"));
        Run r =
            qmt({QStringLiteral("--import"), QStringLiteral("p.QMT"), QStringLiteral("ids.bas")},
                dir.path());
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("1 topic ")), qPrintable(r.out));
        r = qmt({QStringLiteral("--import"), QStringLiteral("p.QMT"), QStringLiteral("none.h")},
                dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("none.h")), qPrintable(r.err));
        r = qmt(
            {QStringLiteral("--import"), QStringLiteral("nothere.QMT"), QStringLiteral("ids.bas")},
            dir.path());
        QCOMPARE(r.status, 1);
    }

    void wrongCommandLinesGiveUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")};
        QTest::newRow("new without file") << QStringList{QStringLiteral("--new")};
        QTest::newRow("new with two files") << QStringList{
            QStringLiteral("--new"), QStringLiteral("a.QMT"), QStringLiteral("b.QMT")};
        QTest::newRow("option after the file")
            << QStringList{QStringLiteral("a.QMT"), QStringLiteral("--new")};
        QTest::newRow("version with argument")
            << QStringList{QStringLiteral("--version"), QStringLiteral("x")};
        QTest::newRow("import without a source")
            << QStringList{QStringLiteral("--import"), QStringLiteral("a.QMT")};
        QTest::newRow("import of a foreign kind") << QStringList{
            QStringLiteral("--import"), QStringLiteral("a.QMT"), QStringLiteral("notes.txt")};
    }
    void wrongCommandLinesGiveUsage() {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const Run r = qmt(args, dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("--new PROJECT.QMT")), qPrintable(r.err));
        QVERIFY(folderEntries(dir.path()).isEmpty()); // nothing created
    }
};

QTEST_GUILESS_MAIN(TestQmtBatch)
#include "tst_commandline.moc"
