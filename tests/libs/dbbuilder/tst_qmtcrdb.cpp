// QMTCRDB.CreateDataBase as the New command uses it.
#include "enginefixture.h"

using namespace enginetest;

class TestQmtcrdb : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;

private slots:
    void createsAProjectThatOpensWithItsPassword() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("New Project.QMT"));
        createProjectFile(file);
        QCOMPARE(folderEntries(dir.path()),
                 QStringList{QStringLiteral("New Project.QMT")}); // no work file left
        auto db = dao::Database::OpenDatabase(file, false, false, kConnect);
        QCOMPARE(db->TableNames().size(), 5);
        QCOMPARE(refusal([&] {
                     dao::Database::OpenDatabase(file, false, false, QStringLiteral(";pwd=other"));
                 }),
                 int(dao::errNotProjectFile));
    }

    void createOverAnExistingFileIsRefusedAndLeavesItAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("project") << QByteArray();
        QTest::newRow("other file") << QByteArray("not a project\r\n");
        QTest::newRow("empty file") << QByteArray("");
    }
    void createOverAnExistingFileIsRefusedAndLeavesItAlone() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Existing.QMT"));
        if (QByteArray(QTest::currentDataTag()) == "project") {
            createProjectFile(file);
            auto db = dao::Database::OpenDatabase(file, false, false, kConnect);
            addRow(*db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        } else {
            QVERIFY(testenv::writeAll(file, content));
        }
        const QByteArray before = testenv::readAll(file);
        QString text;
        QCOMPARE(refusal([&] { createProjectFile(file); }, &text), int(dao::errDatabaseExists));
        QVERIFY2(text.contains(file) && text.contains(QStringLiteral("already exists")),
                 qPrintable(text));
        QCOMPARE(testenv::readAll(file), before);
        QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("Existing.QMT")});
    }

    void aFailedCreationLeavesNoFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("missing folder/New.QMT"));
        QCOMPARE(refusal([&] { createProjectFile(file); }), int(dao::errCannotOpen));
        QVERIFY(folderEntries(dir.path()).isEmpty());
        QVERIFY(!QFileInfo::exists(file));
    }

    void anEmptyNameLetsTheEngineFail() {
        QVERIFY(refusal([&] { createProjectFile(QString()); }) != 0);
    }

    void eachObjectKeepsItsOwnName() {
        QTemporaryDir dir;
        components::Component<ICreateDataBase> first(QStringLiteral("QMTCRDB.CreateDataBase"));
        components::Component<ICreateDataBase> second(QStringLiteral("qmtcrdb.createdatabase"));
        first->setDataBaseName(dir.filePath(QStringLiteral("a.QMT")));
        second->setDataBaseName(dir.filePath(QStringLiteral("b.QMT")));
        second->create_database();
        first->create_database();
        QCOMPARE(folderEntries(dir.path()),
                 (QStringList{QStringLiteral("a.QMT"), QStringLiteral("b.QMT")}));
    }
};

QTEST_GUILESS_MAIN(TestQmtcrdb)
#include "tst_qmtcrdb.moc"
