// The contents file writer and the contentsfile table, on a real project file.
#include "common/testenv.h"
#include "contents/contentsfilewriter.h"
#include "contentstestutil.h"
#include "fileio/textoutput.h"

#include <QtTest>

using contentstest::addRow;
using contentstest::rowTexts;

class TestContentsFile : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    std::unique_ptr<dao::Database> m_db;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void init() { m_db = dao::Database::OpenDatabase(contentstest::freshProject(m_dir.path())); }
    void cleanup() { m_db.reset(); }

    void writesTheExampleByteForByte() {
        addRow(*m_db, QStringLiteral("Getting started.1"), QStringLiteral("Getting started"),
               QStringLiteral("1"), QStringLiteral("Main"), QStringLiteral("3"));
        addRow(*m_db, QStringLiteral("IDH_INTRO.2"), QStringLiteral("Introduction"),
               QStringLiteral("2"), QStringLiteral("Getting started.1"), QStringLiteral("2"));
        const QString file = path(QStringLiteral("app.cnt"));
        CreateContentsFile(*m_db, file, QStringLiteral("C:\\App\\app.hlp"),
                           QStringLiteral("My App"));
        QCOMPARE(testenv::readAll(file), QByteArray(":Base app.hlp\r\n"
                                                    ":Title My App\r\n"
                                                    "1 Getting started\r\n"
                                                    "2 Introduction=IDH_INTRO\r\n"));
    }

    void baseNamesTheHelpFileAlone_data() {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<QString>("base");
        QTest::newRow("bare name") << "cafe.hlp"
                                   << ":Base cafe.hlp";
        QTest::newRow("Windows path") << "C:\\App\\cafe.hlp"
                                      << ":Base cafe.hlp";
        QTest::newRow("path of this machine") << "/home/me/help/cafe.hlp"
                                              << ":Base cafe.hlp";
        QTest::newRow("relative, both slashes")
            << QStringLiteral("out/sub\\caf\u00e9.hlp") << QStringLiteral(":Base caf\u00e9.hlp");
        QTest::newRow("none") << ""
                              << ":Base ";
    }
    void baseNamesTheHelpFileAlone() {
        QFETCH(QString, helpFile);
        QFETCH(QString, base);
        QCOMPARE(ContentsFileLines({}, helpFile, QStringLiteral("T")).value(0), base);
    }

    void emptyTableLeavesAnOlderFileAlone() {
        const QString file = path(QStringLiteral("old.cnt"));
        QVERIFY(testenv::writeAll(file, "older contents\r\n"));
        CreateContentsFile(*m_db, file, QStringLiteral("a.hlp"), QStringLiteral("T"));
        QCOMPARE(testenv::readAll(file), QByteArray("older contents\r\n"));
        const QString missing = path(QStringLiteral("none.cnt"));
        CreateContentsFile(*m_db, missing, QStringLiteral("a.hlp"), QStringLiteral("T"));
        QVERIFY(!QFile::exists(missing));
    }

    void onlyTheTypeDecidesTheLineShape() {
        // a heading with a typed topic ID: no "="; a topic ID with a full stop
        // of its own keeps it, only the sequence number goes; "=" in a title is
        // kept; a type other than "3" is a topic
        addRow(*m_db, QStringLiteral("IDH_HEAD.4"), QStringLiteral("Head"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("3"));
        addRow(*m_db, QStringLiteral("IDH_A.B.5"), QStringLiteral("a = b"), QStringLiteral("2"),
               QStringLiteral("IDH_HEAD.4"), QStringLiteral("2"));
        addRow(*m_db, QStringLiteral("IDH_C.6"), QStringLiteral("Odd"), QStringLiteral("12"),
               QStringLiteral("Main"), QStringLiteral("9"));
        const QString file = path(QStringLiteral("shape.cnt"));
        CreateContentsFile(*m_db, file, QString(), QString());
        QCOMPARE(testenv::readAll(file), QByteArray(":Base \r\n"
                                                    ":Title \r\n"
                                                    "1 Head\r\n"
                                                    "2 a = b=IDH_A.B\r\n"
                                                    "12 Odd=IDH_C\r\n"));
    }

    void replacesALongerFileAndWritesWindows1252() {
        const QString file = path(QStringLiteral("cp.cnt"));
        QVERIFY(testenv::writeAll(file, QByteArray(500, 'x')));
        addRow(*m_db, QStringLiteral("IDH_E.1"), QStringLiteral("Caf\u00e9 \u20ac \u4e2d"),
               QStringLiteral("1"), QStringLiteral("Main"), QStringLiteral("2"));
        // A character Windows-1252 cannot hold is refused, not turned into '?'.
        try {
            CreateContentsFile(*m_db, file, QStringLiteral("h.hlp"), QStringLiteral("T\u00fc"));
            QFAIL("a character outside Windows-1252 was written");
        } catch (const fileio::FileWriteError& e) {
            QVERIFY2(e.message().contains(u"line 3 holds \"\u4e2d\" (U+4E2D)"),
                     qPrintable(e.message()));
        }
        QCOMPARE(testenv::readAll(file), QByteArray(500, 'x'));
        contents::ReplaceContentsRows(
            *m_db, {{QStringLiteral("IDH_E.1"), QStringLiteral("Caf\u00e9 \u20ac"),
                     QStringLiteral("1"), QStringLiteral("Main"), QStringLiteral("2")}});
        QVERIFY(
            CreateContentsFile(*m_db, file, QStringLiteral("h.hlp"), QStringLiteral("T\u00fc")));
        QCOMPARE(testenv::readAll(file), QByteArray(":Base h.hlp\r\n:Title T\xfc\r\n"
                                                    "1 Caf\xe9 \x80=IDH_E\r\n"));
        // no work file is left beside the target
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("cp*")}, QDir::Files),
                 QStringList{QStringLiteral("cp.cnt")});
    }

    void unwritableTargetThrowsNamingTheFile() {
        addRow(*m_db, QStringLiteral("IDH_A.1"), QStringLiteral("A"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("2"));
        const QString file = path(QStringLiteral("no such folder/x.cnt"));
        try {
            CreateContentsFile(*m_db, file, QStringLiteral("h.hlp"), QStringLiteral("T"));
            QFAIL("no error for a missing folder");
        } catch (const fileio::FileWriteError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("x.cnt")), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(file));
    }

    void replaceRowsKeepsOrderAndEntryNumbers() {
        addRow(*m_db, QStringLiteral("Old.1"), QStringLiteral("Old"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("3"));
        const std::vector<contents::ContentsRow> rows{
            {QStringLiteral("H.2"), QStringLiteral("H"), QStringLiteral("1"),
             QStringLiteral("Main"), QStringLiteral("3")},
            {QStringLiteral("T.3"), QStringLiteral("T"), QStringLiteral("2"), QStringLiteral("H.2"),
             QStringLiteral("2")},
            {QStringLiteral("U.4"), QStringLiteral("U"), QStringLiteral("1"),
             QStringLiteral("Main"), QStringLiteral("2")}};
        contents::ReplaceContentsRows(*m_db, rows);
        QCOMPARE(rowTexts(*m_db),
                 (QStringList{QStringLiteral("H.2|H|1|Main|3"), QStringLiteral("T.3|T|2|H.2|2"),
                              QStringLiteral("U.4|U|1|Main|2")}));
        contents::ReplaceContentsRows(*m_db, {});
        QVERIFY(rowTexts(*m_db).isEmpty());
    }

    void refusedReplaceLeavesTheTableAsItWas() {
        addRow(*m_db, QStringLiteral("Keep.1"), QStringLiteral("Keep"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("2"));
        const std::vector<contents::ContentsRow> rows{
            {QStringLiteral("A.2"), QStringLiteral("A"), QStringLiteral("1"),
             QStringLiteral("Main"), QStringLiteral("2")},
            // a title longer than the field: the engine refuses the second row
            {QStringLiteral("B.3"), QString(51, QLatin1Char('b')), QStringLiteral("1"),
             QStringLiteral("Main"), QStringLiteral("2")}};
        QVERIFY_THROWS_EXCEPTION(dao::EngineError, contents::ReplaceContentsRows(*m_db, rows));
        QCOMPARE(rowTexts(*m_db), QStringList{QStringLiteral("Keep.1|Keep|1|Main|2")});
    }

    void deleteRowsTakesTheFirstMatchOfEachKey() {
        addRow(*m_db, QStringLiteral("It's.1"), QStringLiteral("Quote"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("3"));
        addRow(*m_db, QStringLiteral("D.2"), QStringLiteral("First"), QStringLiteral("2"),
               QStringLiteral("It's.1"), QStringLiteral("2"));
        addRow(*m_db, QStringLiteral("D.2"), QStringLiteral("Second"), QStringLiteral("2"),
               QStringLiteral("It's.1"), QStringLiteral("2"));
        addRow(*m_db, QStringLiteral("Other.3"), QStringLiteral("Other"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("2"));
        // a quote in the key is quoted safely; a key without a row is passed over
        QCOMPARE(contents::DeleteContentsRows(
                     *m_db, {QStringLiteral("D.2"), QStringLiteral("It's.1"),
                             QStringLiteral("Gone.9"), QStringLiteral("x' or '1'='1")}),
                 2);
        QCOMPARE(rowTexts(*m_db), (QStringList{QStringLiteral("D.2|Second|2|It's.1|2"),
                                               QStringLiteral("Other.3|Other|1|Main|2")}));
    }
};

QTEST_GUILESS_MAIN(TestContentsFile)
#include "tst_contentsfile.moc"
