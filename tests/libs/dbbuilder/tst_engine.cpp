// The engine and the project schema against real files.
#include "enginefixture.h"

#include <sqlcipher/sqlite3.h>

using namespace enginetest;
using dao::FieldType;

namespace {

// Runs `sql` on `path` with the raw library; the result code of the first
// failing step, SQLITE_OK when all went through.
int rawExec(const QString& path, const QByteArray& key, const QByteArray& sql,
            int flags = SQLITE_OPEN_READWRITE) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK && !key.isEmpty())
        rc = sqlite3_key(db, key.constData(), int(key.size()));
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<dao::Database> m_db;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        createProjectFile(path("template.QMT"));
    }
    // Each test works on its own copy of one new project; the rows of a
    // data-driven test share it, emptied in between (an open costs a key
    // derivation).
    void init() {
        const QString name =
            QStringLiteral("%1.QMT").arg(QString::fromLatin1(QTest::currentTestFunction()));
        if (m_db && m_db->IsOpen() && m_path == m_dir.filePath(name)) {
            m_db->BeginTrans();
            for (const QString& table : m_db->TableNames()) {
                auto rs = m_db->OpenRecordset(QStringLiteral("select * from ") + table,
                                              dao::dbOpenDynaset);
                for (; !rs->EOF_(); rs->MoveNext())
                    rs->Delete();
            }
            m_db->CommitTrans();
            return;
        }
        m_db.reset();
        m_path = m_dir.filePath(name);
        QVERIFY(QFile::copy(path("template.QMT"), m_path));
        m_db = dao::Database::OpenDatabase(m_path, false, false, kConnect);
    }

    void newProjectHasTheFiveTablesAndNoRows() {
        QCOMPARE(m_db->TableNames(),
                 (QStringList{QStringLiteral("GeneralHelp"), QStringLiteral("ToolTips"),
                              QStringLiteral("WhatsThis"), QStringLiteral("Options"),
                              QStringLiteral("ContentsFile")}));
        for (const QString& table : m_db->TableNames()) {
            auto rs =
                m_db->OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenSnapshot);
            QCOMPARE(rs->RecordCount(), 0);
            QVERIFY(rs->EOF_());
            QVERIFY(rs->BOF());
        }
    }

    void newProjectFieldsAndIndexes_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("fields");  // name:type:size:required:empty:default:autoinc
        QTest::addColumn<QString>("indexes"); // name:field:primary
        QTest::newRow("GeneralHelp") << "GeneralHelp"
                                     << "TopicID:T:50:1:0::0 TopicTitle:T:50:0:1::0 "
                                        "BrowseSeq:T:50:0:1::0 Keywords:M:0:0:1::0 "
                                        "TopicHeader:T:100:0:1::0 HelpText:M:0:0:1::0 "
                                        "MapNumber:I:0:0:1:0:0 Status:T:1:0:1:A:0"
                                     << "TopicID:TopicID:1 TopicTitle:TopicTitle:0 Status:Status:0";
        QTest::newRow("ToolTips") << "ToolTips"
                                  << "Object:T:100:1:0::0 HelpText:M:0:1:0::0 Status:T:1:1:0:A:0"
                                  << "Object:Object:1 Status:Status:0";
        QTest::newRow("WhatsThis")
            << "WhatsThis"
            << "Object:T:100:1:0::0 TopicID:T:50:1:0::0 MapNumber:I:0:0:1:0:0 HelpText:M:0:0:1::0 "
               "Status:T:1:1:0::0 Type:T:4:1:0::0"
            << "Object:Object:1 MapNumber:MapNumber:0 Status:Status:0";
        QTest::newRow("Options") << "Options"
                                 << "Option:T:4:1:0::0 Descr:M:0:1:0::0 Status:T:1:1:0::0"
                                 << "Option:Option:1 Status:Status:0";
        QTest::newRow("ContentsFile") << "ContentsFile"
                                      << "Entry:L:0:1:1::1 TopicID:T:50:1:0::0 Title:T:50:1:0::0 "
                                         "Level:T:2:1:0::0 Parent:T:50:1:0::0 "
                                         "Type:T:1:1:0::0 Status:T:1:0:1:A:0"
                                      << "Entry:Entry:1 Type:Type:0 Status:Status:0";
    }
    void newProjectFieldsAndIndexes() {
        QFETCH(QString, table);
        QFETCH(QString, fields);
        QFETCH(QString, indexes);
        // Read back from a fresh open: the file itself carries the rules.
        const dao::TableDef def = m_db->TableDefinition(table.toLower());
        QCOMPARE(def.name, table);
        const QStringList want = fields.split(QLatin1Char(' '));
        QCOMPARE(int(def.fields.size()), int(want.size()));
        const QString types = QStringLiteral("TMIL");
        for (size_t i = 0; i < def.fields.size(); ++i) {
            const dao::FieldDef& f = def.fields[i];
            const QStringList w = want.at(qsizetype(i)).split(QLatin1Char(':'));
            QCOMPARE(f.name, w[0]);
            QCOMPARE(types.at(int(f.type)), w[1].at(0));
            if (f.type == FieldType::Text)
                QCOMPARE(f.size, w[2].toInt());
            QCOMPARE(f.required, w[3] == QLatin1StringView("1"));
            if (f.type == FieldType::Text || f.type == FieldType::Memo)
                QCOMPARE(f.allowZeroLength, w[4] == QLatin1StringView("1"));
            QCOMPARE(f.defaultValue.toString(), w[5]);
            QCOMPARE(f.autoIncrement, w[6] == QLatin1StringView("1"));
        }
        QStringList got;
        for (const dao::IndexDef& ix : def.indexes) {
            QCOMPARE(ix.unique, ix.primary);
            got << QStringLiteral("%1:%2:%3").arg(ix.name, ix.field).arg(ix.primary ? 1 : 0);
        }
        QCOMPARE(got.join(QLatin1Char(' ')), indexes);
    }

    void theFileOpensWithThePasswordOnlyAndKeepsItsRules() {
        // The library's own client opens the file with the password ...
        QCOMPARE(
            rawExec(m_path, "quetzal", "select count(*) from sqlite_master", SQLITE_OPEN_READONLY),
            SQLITE_OK);
        // ... and not without it.
        QCOMPARE(rawExec(m_path, {}, "select count(*) from sqlite_master", SQLITE_OPEN_READONLY),
                 SQLITE_NOTADB);
        // The rules hold for any client, not only through the engine.
        QCOMPARE(
            rawExec(m_path, "quetzal", "insert into options (option, descr) values ('HPFN', 'x')") &
                0xff,
            SQLITE_CONSTRAINT);
        QCOMPARE(rawExec(m_path, "quetzal",
                         "insert into tooltips (object, helptext) values ('a.b', '')") &
                     0xff,
                 SQLITE_CONSTRAINT);
        QCOMPARE(rawExec(m_path, "quetzal",
                         "insert into generalhelp (topicid, mapnumber) values ('A', 40000)") &
                     0xff,
                 SQLITE_CONSTRAINT);
    }

    void statusDefaultsOrIsRequired_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("error");
        QTest::newRow("GeneralHelp") << "GeneralHelp" << 0;
        QTest::newRow("ToolTips") << "ToolTips" << 0;
        QTest::newRow("ContentsFile") << "ContentsFile" << 0;
        QTest::newRow("WhatsThis") << "WhatsThis" << int(dao::errRequired);
        QTest::newRow("Options") << "Options" << int(dao::errRequired);
    }
    void statusDefaultsOrIsRequired() {
        QFETCH(QString, table);
        QFETCH(int, error);
        Values row = validRow(table);
        row.erase(QStringLiteral("Status"));
        QString text;
        QCOMPARE(refusal([&] { addRow(*m_db, table, row); }, &text), error);
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select status from ") + table, dao::dbOpenSnapshot);
        if (error) {
            QVERIFY2(text.contains(table + QStringLiteral(".Status")), qPrintable(text));
            QCOMPARE(rs->RecordCount(), 0);
        } else {
            QCOMPARE(rs->RecordCount(), 1);
            QCOMPARE(rs->Field(QStringLiteral("Status")), QVariant(QStringLiteral("A")));
        }
    }

    void defaultsShowInTheNewRowAndAfterSaving() {
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from generalhelp"), dao::dbOpenDynaset);
        rs->AddNew();
        QCOMPARE(rs->Field(QStringLiteral("mapnumber")), QVariant(0));
        QCOMPARE(rs->Field(QStringLiteral("STATUS")), QVariant(QStringLiteral("A")));
        QVERIFY(rs->Field(QStringLiteral("TopicTitle")).isNull());
        rs->SetField(QStringLiteral("TopicID"), QStringLiteral("IDH_A"));
        QCOMPARE(rs->Field(QStringLiteral("TopicID")), QVariant(QStringLiteral("IDH_A")));
        rs->Update();
        QCOMPARE(rs->RecordCount(), 1);
        QVERIFY(rs->EOF_()); // the position stays where it was
        rs->MoveFirst();
        QCOMPARE(rs->Field(QStringLiteral("MapNumber")).typeId(), QMetaType::Int);
        QCOMPARE(rs->Field(QStringLiteral("MapNumber")).toInt(), 0);
        QVERIFY(rs->Field(QStringLiteral("Keywords")).isNull());
        QCOMPARE(rs->Text(QStringLiteral("Keywords")), QString());
    }

    void zeroLengthTexts_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("accepted");
        for (const char* f :
             {"TopicTitle", "BrowseSeq", "Keywords", "TopicHeader", "HelpText", "Status"})
            QTest::addRow("GeneralHelp.%s", f) << "GeneralHelp" << f << true;
        QTest::newRow("GeneralHelp.TopicID") << "GeneralHelp"
                                             << "TopicID" << false;
        QTest::newRow("ToolTips.HelpText") << "ToolTips"
                                           << "HelpText" << false;
        QTest::newRow("ToolTips.Object") << "ToolTips"
                                         << "Object" << false;
        QTest::newRow("ToolTips.Status") << "ToolTips"
                                         << "Status" << false;
        QTest::newRow("Options.Descr") << "Options"
                                       << "Descr" << false;
        QTest::newRow("Options.Option") << "Options"
                                        << "Option" << false;
        QTest::newRow("WhatsThis.HelpText") << "WhatsThis"
                                            << "HelpText" << true;
        for (const char* f : {"Object", "TopicID", "Status", "Type"})
            QTest::addRow("WhatsThis.%s", f) << "WhatsThis" << f << false;
        for (const char* f : {"TopicID", "Title", "Level", "Parent", "Type"})
            QTest::addRow("ContentsFile.%s", f) << "ContentsFile" << f << false;
        QTest::newRow("ContentsFile.Status") << "ContentsFile"
                                             << "Status" << true;
    }
    void zeroLengthTexts() {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(bool, accepted);
        Values row = validRow(table);
        row[field] = QString();
        QString text;
        QCOMPARE(refusal([&] { addRow(*m_db, table, row); }, &text),
                 accepted ? 0 : int(dao::errZeroLength));
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from ") + table), accepted ? 1 : 0);
        if (!accepted)
            QVERIFY2(text.contains(table + QLatin1Char('.') + field), qPrintable(text));
    }

    void zeroLengthRefusedWhenEditingToo() {
        addRow(*m_db, QStringLiteral("ToolTips"), validRow(QStringLiteral("ToolTips")));
        auto rs = m_db->OpenRecordset(
            QStringLiteral("select * from ToolTips where Object = 'frmMain.cmdOK'"),
            dao::dbOpenDynaset);
        rs->Edit();
        rs->SetField(QStringLiteral("helptext"), QString());
        QCOMPARE(refusal([&] { rs->Update(); }), int(dao::errZeroLength));
        rs->CancelUpdate();
        QCOMPARE(rs->Field(QStringLiteral("HelpText")), QVariant(QStringLiteral("Saves")));
    }

    void duplicateKeysAreRefusedWhateverTheCase_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("second");
        QTest::newRow("GeneralHelp same") << "GeneralHelp"
                                          << "TopicID"
                                          << "IDH_MAIN";
        QTest::newRow("GeneralHelp case") << "GeneralHelp"
                                          << "TopicID"
                                          << "idh_Main";
        QTest::newRow("ToolTips case") << "ToolTips"
                                       << "Object"
                                       << "FRMMAIN.CMDOK";
        QTest::newRow("WhatsThis case") << "WhatsThis"
                                        << "Object"
                                        << "frmmain.cmdok";
        QTest::newRow("Options case") << "Options"
                                      << "Option"
                                      << "hpfn";
    }
    void duplicateKeysAreRefusedWhateverTheCase() {
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QString, second);
        addRow(*m_db, table, validRow(table));
        Values row = validRow(table);
        row[key] = second;
        QString text;
        QCOMPARE(refusal([&] { addRow(*m_db, table, row); }, &text), int(dao::errDuplicateKey));
        QVERIFY2(text.contains(key), qPrintable(text));
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from ") + table), 1);
    }

    void editToAnExistingKeyIsRefused() {
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_A")}});
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_B")}});
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from Generalhelp where Topicid = 'IDH_B'"),
                                dao::dbOpenDynaset);
        rs->Edit();
        rs->SetField(QStringLiteral("TopicID"), QStringLiteral("idh_a"));
        QCOMPARE(refusal([&] { rs->Update(); }), int(dao::errDuplicateKey));
        QCOMPARE(
            countRows(*m_db, QStringLiteral("select * from generalhelp where topicid = 'IDH_B'")),
            1);
    }

    void entryNumbersRowsInInsertionOrder() {
        const QStringList keys{QStringLiteral("Zeta"), QStringLiteral("Alpha"),
                               QStringLiteral("Mid")};
        {
            auto rs = m_db->OpenRecordset(QStringLiteral("select * from contentsfile"),
                                          dao::dbOpenDynaset);
            for (const QString& k : keys) {
                rs->AddNew();
                for (const auto& [f, v] : validRow(QStringLiteral("ContentsFile")))
                    rs->SetField(f, v);
                rs->SetField(QStringLiteral("TopicID"), k);
                rs->Update();
            }
            QCOMPARE(rs->RecordCount(), 3);
            QCOMPARE(refusal([&] {
                         rs->AddNew();
                         rs->SetField(QStringLiteral("Entry"), 7);
                     }),
                     int(dao::errFieldNotUpdatable));
        }
        for (const char* sql :
             {"select * from contentsfile", "select * from ContentsFile order by entry"}) {
            auto rs = m_db->OpenRecordset(QString::fromLatin1(sql), dao::dbOpenSnapshot);
            QStringList order;
            int last = 0;
            for (; !rs->EOF_(); rs->MoveNext()) {
                const int entry = rs->Field(QStringLiteral("Entry")).toInt();
                QVERIFY(entry > last);
                last = entry;
                order << rs->Text(QStringLiteral("topicid"));
            }
            QCOMPARE(order, keys);
        }
        // Rewriting the contents (delete all, add again) keeps numbering upwards.
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from contentsfile"), dao::dbOpenDynaset);
        while (!rs->EOF_()) {
            rs->Delete();
            rs->MoveNext();
        }
        QCOMPARE(rs->RecordCount(), 0);
        addRow(*m_db, QStringLiteral("ContentsFile"), validRow(QStringLiteral("ContentsFile")));
        auto again = m_db->OpenRecordset(QStringLiteral("select entry from contentsfile"),
                                         dao::dbOpenSnapshot);
        QCOMPARE(again->RecordCount(), 1);
        QVERIFY(again->Field(QStringLiteral("ENTRY")).toInt() > 3);
    }

    void namesAndTextsMatchWhateverTheCase() {
        addRow(*m_db, QStringLiteral("gEnErAlHeLp"),
               {{QStringLiteral("topicid"), QStringLiteral("IDH_Main")},
                {QStringLiteral("MAPNUMBER"), 5}});
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("idh_about")}});
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_Contents")}});
        auto one = m_db->OpenRecordset(
            QStringLiteral("select * from Generalhelp where Topicid = 'IDH_MAIN'"),
            dao::dbOpenSnapshot);
        QCOMPARE(one->RecordCount(), 1);
        QCOMPARE(one->Field(QStringLiteral("TOPICID")), QVariant(QStringLiteral("IDH_Main")));
        QCOMPARE(one->Field(QStringLiteral("mapNumber")), QVariant(5));
        QCOMPARE(one->FieldNames().first(), QStringLiteral("TopicID"));
        QCOMPARE(refusal([&] { one->Field(QStringLiteral("TopicIDs")); }),
                 int(dao::errItemNotFound));

        auto list = m_db->OpenRecordset(
            QStringLiteral("select topicid from generalhelp where status = 'a' order by topicid"),
            dao::dbOpenSnapshot);
        QStringList order;
        for (; !list->EOF_(); list->MoveNext())
            order << list->Text(QStringLiteral("TopicId"));
        QCOMPARE(order, (QStringList{QStringLiteral("idh_about"), QStringLiteral("IDH_Contents"),
                                     QStringLiteral("IDH_Main")}));
        QCOMPARE(refusal([&] { m_db->OpenRecordset(QStringLiteral("select * from NoSuchTable")); }),
                 int(dao::errNoSuchTable));
    }

    void apostrophesAreStoredAndCannotChangeTheStatement() {
        const auto quoted = [](QString v) {
            return v.replace(QLatin1Char('\''), QStringLiteral("''"));
        };
        const QString id = QStringLiteral("IDH_Don't");
        const QString sneaky = QStringLiteral("x' or '1'='1");
        addRow(*m_db, QStringLiteral("GeneralHelp"), {{QStringLiteral("TopicID"), id}});
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_Other")}});
        const QString sql = QStringLiteral("select * from Generalhelp where Topicid = '%1'");
        auto rs = m_db->OpenRecordset(sql.arg(quoted(id)), dao::dbOpenDynaset);
        QCOMPARE(rs->RecordCount(), 1);
        QCOMPARE(rs->Field(QStringLiteral("TopicID")), QVariant(id));
        // A typed value that tries to widen the where clause finds nothing.
        QCOMPARE(countRows(*m_db, sql.arg(quoted(sneaky))), 0);
        addRow(*m_db, QStringLiteral("GeneralHelp"), {{QStringLiteral("TopicID"), sneaky}});
        QCOMPARE(countRows(*m_db, sql.arg(quoted(sneaky))), 1);
        // A second statement behind the first is refused, and nothing runs.
        const QString twoStatements =
            QStringLiteral("select * from generalhelp; delete from generalhelp");
        QCOMPARE(refusal([&] { m_db->OpenRecordset(twoStatements, dao::dbOpenSnapshot); }),
                 int(dao::errSyntax));
        QCOMPARE(refusal([&] {
                     m_db->OpenRecordset(QStringLiteral("delete from generalhelp"),
                                         dao::dbOpenSnapshot);
                 }),
                 int(dao::errSyntax));
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from generalhelp")), 3);
        // Unquoted, the apostrophe breaks the statement instead of being found.
        QCOMPARE(refusal([&] { m_db->OpenRecordset(sql.arg(id), dao::dbOpenSnapshot); }),
                 int(dao::errSyntax));
    }

    void openRefusesWhatIsNotAProject_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("text file") << "text" << int(dao::errNotProjectFile);
        QTest::newRow("plain SQLite file") << "plain" << int(dao::errNotProjectFile);
        QTest::newRow("empty file") << "empty" << int(dao::errNotProjectFile);
        QTest::newRow("another password") << "password" << int(dao::errNotProjectFile);
        QTest::newRow("missing file") << "missing" << int(dao::errFileNotFound);
        QTest::newRow("folder") << "folder" << int(dao::errCannotOpen);
        QTest::newRow("text file with a journal") << "journal" << int(dao::errNotProjectFile);
        QTest::newRow("plain SQLite file with a journal")
            << "plainjournal" << int(dao::errNotProjectFile);
    }
    void openRefusesWhatIsNotAProject() {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("other.QMT"));
        if (kind == QLatin1StringView("text")) {
            QVERIFY(testenv::writeAll(file, "[Options]\r\nTitle=Not a project\r\n"));
        } else if (kind == QLatin1StringView("plain")) {
            QCOMPARE(rawExec(file, {}, "create table GeneralHelp(TopicID text)",
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE),
                     SQLITE_OK);
        } else if (kind == QLatin1StringView("empty")) {
            QVERIFY(testenv::writeAll(file, {}));
        } else if (kind == QLatin1StringView("password")) {
            QCOMPARE(rawExec(file, "secret", "create table GeneralHelp(TopicID text)",
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE),
                     SQLITE_OK);
        } else if (kind == QLatin1StringView("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else if (kind == QLatin1StringView("journal")) {
            QVERIFY(testenv::writeAll(file, QByteArray(4096, 'q')));
            QVERIFY(testenv::writeAll(file + QStringLiteral("-journal"), QByteArray(2048, 'j')));
        } else if (kind == QLatin1StringView("plainjournal")) {
            QCOMPARE(rawExec(file, {}, "create table t(a); insert into t values (zeroblob(20000))",
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE),
                     SQLITE_OK);
            // A journal left by a change that never finished.
            QCOMPARE(
                rawExec(file, {}, "pragma journal_mode=persist; begin; delete from t; rollback;"),
                SQLITE_OK);
            QVERIFY(QFileInfo(file + QStringLiteral("-journal")).size() > 0);
        }
        const QByteArray before = fileHash(file);
        const QByteArray journalBefore = fileHash(file + QStringLiteral("-journal"));
        const QStringList entriesBefore = folderEntries(dir.path());
        QString text;
        QCOMPARE(refusal([&] { dao::Database::OpenDatabase(file, false, false, kConnect); }, &text),
                 error);
        QVERIFY2(text.contains(file), qPrintable(text));
        QCOMPARE(fileHash(file), before);
        QCOMPARE(fileHash(file + QStringLiteral("-journal")), journalBefore);
        QCOMPARE(folderEntries(dir.path()), entriesBefore);
    }

    void aProjectWithAnUnfinishedChangeOpensAsBeforeTheChange() {
        m_db->BeginTrans();
        for (int i = 0; i < 200; ++i)
            addRow(*m_db, QStringLiteral("GeneralHelp"),
                   {{QStringLiteral("TopicID"), QStringLiteral("IDH_%1").arg(i)},
                    {QStringLiteral("HelpText"), QString(500, QLatin1Char('t'))}});
        m_db->CommitTrans();
        m_db.reset();
        // Copy the file and its journal in the middle of a change, as a crash leaves them.
        const QString crashed = path("crashed.QMT");
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(m_path).constData(), &raw, SQLITE_OPEN_READWRITE,
                                 nullptr),
                 SQLITE_OK);
        sqlite3_key(raw, "quetzal", 7);
        QCOMPARE(sqlite3_exec(raw, "pragma cache_size = 2; begin; delete from generalhelp;",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QVERIFY(QFile::copy(m_path, crashed));
        QVERIFY(
            QFile::copy(m_path + QStringLiteral("-journal"), crashed + QStringLiteral("-journal")));
        sqlite3_exec(raw, "rollback", nullptr, nullptr, nullptr);
        sqlite3_close(raw);

        const QByteArray before = fileHash(crashed);
        QCOMPARE(refusal([&] {
                     dao::Database::OpenDatabase(crashed, false, false,
                                                 QStringLiteral(";pwd=wrong"));
                 }),
                 int(dao::errNotProjectFile));
        QCOMPARE(fileHash(crashed), before);
        QVERIFY(QFileInfo::exists(crashed + QStringLiteral("-journal")));
        auto db = dao::Database::OpenDatabase(crashed, false, false, kConnect);
        QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 200);
    }

    void snapshotKeepsTheRowsAsOpened() {
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_A")}});
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_B")}});
        auto snap = m_db->OpenRecordset(
            QStringLiteral("select * from generalhelp order by topicid"), dao::dbOpenSnapshot);
        QVERIFY(!snap->Updatable());
        QCOMPARE(refusal([&] { snap->AddNew(); }), int(dao::errNotUpdatable));
        QCOMPARE(refusal([&] { snap->Delete(); }), int(dao::errNotUpdatable));

        auto dyn = m_db->OpenRecordset(QStringLiteral("select * from generalhelp order by topicid"),
                                       dao::dbOpenDynaset);
        QVERIFY(dyn->Updatable());
        dyn->Edit();
        dyn->SetField(QStringLiteral("TopicTitle"), QStringLiteral("Changed"));
        dyn->Update();
        dyn->MoveNext();
        dyn->Delete();
        dyn->AddNew();
        dyn->SetField(QStringLiteral("TopicID"), QStringLiteral("IDH_C"));
        dyn->Update();

        QCOMPARE(snap->RecordCount(), 2);
        QVERIFY(snap->Field(QStringLiteral("TopicTitle")).isNull());
        snap->MoveNext();
        QCOMPARE(snap->Text(QStringLiteral("TopicID")), QStringLiteral("IDH_B"));
        snap->MoveNext();
        QVERIFY(snap->EOF_());
        QCOMPARE(refusal([&] { snap->MoveNext(); }), int(dao::errNoCurrentRecord));

        QCOMPARE(countRows(*m_db, QStringLiteral(
                                      "select * from generalhelp where topictitle = 'changed'")),
                 1);
        QCOMPARE(
            countRows(*m_db, QStringLiteral("select * from generalhelp where topicid = 'IDH_B'")),
            0);
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from generalhelp")), 2);
    }

    void forwardOnlyReadsOneRowAtATime() {
        for (const char* id : {"IDH_1", "IDH_2", "IDH_3"})
            addRow(*m_db, QStringLiteral("GeneralHelp"),
                   {{QStringLiteral("TopicID"), QString::fromLatin1(id)},
                    {QStringLiteral("MapNumber"), 7}});
        auto rs = m_db->OpenRecordset(
            QStringLiteral(
                "select TopicID, TopicTitle, MapNumber from generalhelp order by topicid"),
            dao::dbOpenForwardOnly);
        QVERIFY(!rs->Updatable());
        QCOMPARE(refusal([&] { rs->Edit(); }), int(dao::errNotUpdatable));
        QCOMPARE(rs->FieldNames(),
                 QStringList({QStringLiteral("TopicID"), QStringLiteral("TopicTitle"),
                              QStringLiteral("MapNumber")}));
        m_db.reset(); // the record set keeps the file open until it is done
        QStringList ids;
        for (; !rs->EOF_(); rs->MoveNext()) {
            ids << rs->TextAt(0);
            QCOMPARE(rs->Text(QStringLiteral("topicid")), ids.last()); // by name too
            QVERIFY(rs->FieldAt(1).isNull());
            QCOMPARE(rs->TextAt(1), QString());
            QCOMPARE(rs->FieldAt(2), QVariant(7));
            QCOMPARE(rs->RecordCount(), int(ids.size())); // the rows read so far
        }
        QCOMPARE(ids, QStringList({QStringLiteral("IDH_1"), QStringLiteral("IDH_2"),
                                   QStringLiteral("IDH_3")}));
        QCOMPARE(refusal([&] { rs->MoveNext(); }), int(dao::errNoCurrentRecord));
        QCOMPARE(refusal([&] { rs->FieldAt(0); }), int(dao::errNoCurrentRecord));
        QCOMPARE(refusal([&] { rs->MoveFirst(); }), int(dao::errNoCurrentRecord));
        QCOMPARE(refusal([&] { rs->FieldAt(3); }), int(dao::errItemNotFound));

        m_db = dao::Database::OpenDatabase(m_path, false, false, kConnect);
        auto none = m_db->OpenRecordset(QStringLiteral("select * from generalhelp where 0"),
                                        dao::dbOpenForwardOnly);
        QVERIFY(none->EOF_() && none->BOF());
        QCOMPARE(none->RecordCount(), 0);
    }

    void dynasetEditAndDelete() {
        for (const char* id : {"IDH_1", "IDH_2", "IDH_3"})
            addRow(*m_db, QStringLiteral("GeneralHelp"),
                   {{QStringLiteral("TopicID"), QString::fromLatin1(id)}});
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from generalhelp"), dao::dbOpenDynaset);
        QCOMPARE(rs->RecordCount(), 3);
        QCOMPARE(refusal([&] { rs->Update(); }), int(dao::errUpdateWithoutEdit));
        QCOMPARE(refusal([&] { rs->SetField(QStringLiteral("TopicTitle"), QStringLiteral("x")); }),
                 int(dao::errUpdateWithoutEdit));
        rs->MoveNext();
        rs->Delete(); // IDH_2, gone at once
        QCOMPARE(rs->RecordCount(), 2);
        QCOMPARE(refusal([&] { rs->Field(QStringLiteral("TopicID")); }),
                 int(dao::errNoCurrentRecord));
        QCOMPARE(refusal([&] { rs->Edit(); }), int(dao::errNoCurrentRecord));
        QCOMPARE(
            countRows(*m_db, QStringLiteral("select * from generalhelp where topicid = 'IDH_2'")),
            0);
        rs->MoveNext();
        QCOMPARE(rs->Text(QStringLiteral("TopicID")), QStringLiteral("IDH_3"));
        rs->Edit();
        rs->SetField(QStringLiteral("MapNumber"), QStringLiteral("12"));
        rs->SetField(QStringLiteral("HelpText"),
                     QStringLiteral("Unicode \u00e9\u20ac and\r\nlines"));
        QCOMPARE(rs->Field(QStringLiteral("MapNumber")), QVariant(12)); // the edit buffer
        rs->Update();
        QCOMPARE(rs->Field(QStringLiteral("MapNumber")), QVariant(12)); // read again from the file
        auto check = m_db->OpenRecordset(
            QStringLiteral("select helptext, mapnumber from generalhelp where topicid = 'IDH_3'"),
            dao::dbOpenSnapshot);
        QCOMPARE(check->Text(QStringLiteral("HelpText")),
                 QStringLiteral("Unicode \u00e9\u20ac and\r\nlines"));
        QCOMPARE(check->Field(QStringLiteral("MapNumber")), QVariant(12));
        // Deleting the last row leaves it current until the move.
        rs->Delete();
        QVERIFY(!rs->EOF_());
        rs->MoveNext();
        QVERIFY(rs->EOF_());
        QCOMPARE(rs->RecordCount(), 1);
    }

    void sixteenBitNumbers_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("stored");
        QTest::newRow("top") << QVariant(32767) << 0 << 32767;
        QTest::newRow("bottom") << QVariant(-32768) << 0 << -32768;
        QTest::newRow("one over") << QVariant(32768) << int(dao::errOverflow) << 0;
        QTest::newRow("one under") << QVariant(-32769) << int(dao::errOverflow) << 0;
        QTest::newRow("far over") << QVariant(qlonglong(1) << 40) << int(dao::errOverflow) << 0;
        QTest::newRow("text number") << QVariant(QStringLiteral(" 42 ")) << 0 << 42;
        QTest::newRow("text over")
            << QVariant(QStringLiteral("70000")) << int(dao::errOverflow) << 0;
        QTest::newRow("not a number")
            << QVariant(QStringLiteral("12a")) << int(dao::errTypeMismatch) << 0;
        QTest::newRow("empty text") << QVariant(QString()) << int(dao::errTypeMismatch) << 0;
        QTest::newRow("half to even") << QVariant(2.5) << 0 << 2;
    }
    void sixteenBitNumbers() {
        QFETCH(QVariant, value);
        QFETCH(int, error);
        QFETCH(int, stored);
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from whatsthis"), dao::dbOpenDynaset);
        rs->AddNew();
        for (const auto& [f, v] : validRow(QStringLiteral("WhatsThis")))
            rs->SetField(f, v);
        QString text;
        QCOMPARE(refusal([&] { rs->SetField(QStringLiteral("MapNumber"), value); }, &text), error);
        if (error) {
            QVERIFY2(text.contains(QStringLiteral("WhatsThis.MapNumber")), qPrintable(text));
            return;
        }
        rs->Update();
        auto check = m_db->OpenRecordset(QStringLiteral("select mapnumber from whatsthis"),
                                         dao::dbOpenSnapshot);
        QCOMPARE(check->Field(QStringLiteral("MapNumber")), QVariant(stored));
    }

    void textsLongerThanTheirFieldAreRefused_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("size");
        QTest::newRow("TopicID") << "GeneralHelp"
                                 << "TopicID" << 50;
        QTest::newRow("TopicTitle") << "GeneralHelp"
                                    << "TopicTitle" << 50;
        QTest::newRow("TopicHeader") << "GeneralHelp"
                                     << "TopicHeader" << 100;
        QTest::newRow("Object") << "ToolTips"
                                << "Object" << 100;
        QTest::newRow("Type") << "WhatsThis"
                              << "Type" << 4;
        QTest::newRow("Level") << "ContentsFile"
                               << "Level" << 2;
        QTest::newRow("Status") << "Options"
                                << "Status" << 1;
    }
    void textsLongerThanTheirFieldAreRefused() {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(int, size);
        Values row = validRow(table);
        row[field] = QString(size + 1, QLatin1Char('x'));
        QString text;
        QCOMPARE(refusal([&] { addRow(*m_db, table, row); }, &text), int(dao::errTooLong));
        QVERIFY2(text.contains(table + QLatin1Char('.') + field), qPrintable(text));
        // Exactly the size fits, counted in characters, not bytes.
        row[field] = QString(size, QChar(0x20AC));
        addRow(*m_db, table, row);
        auto rs =
            m_db->OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenSnapshot);
        QCOMPARE(rs->Text(field), QString(size, QChar(0x20AC)));
    }

    void memoHoldsLongTexts() {
        const QString longText(200000, QLatin1Char('m'));
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("IDH_LONG")},
                {QStringLiteral("HelpText"), longText}});
        auto rs = m_db->OpenRecordset(QStringLiteral("select helptext from generalhelp"),
                                      dao::dbOpenSnapshot);
        QCOMPARE(rs->Text(QStringLiteral("HelpText")), longText);
    }

    void unknownFieldIsRefusedOnSet() {
        auto rs = m_db->OpenRecordset(QStringLiteral("select * from options"), dao::dbOpenDynaset);
        rs->AddNew();
        QString text;
        QCOMPARE(
            refusal([&] { rs->SetField(QStringLiteral("Value"), QStringLiteral("x")); }, &text),
            int(dao::errItemNotFound));
        QVERIFY2(text.contains(QStringLiteral("Value")), qPrintable(text));
    }

    void changesStayWhenTheDatabaseIsOpenedAgain() {
        addRow(*m_db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        m_db->Close();
        m_db->Close(); // twice is harmless
        QVERIFY(!m_db->IsOpen());
        QCOMPARE(refusal([&] { m_db->OpenRecordset(QStringLiteral("select * from options")); }),
                 int(dao::errDatabaseClosed));
        auto db = dao::Database::OpenDatabase(m_path, false, false, kConnect);
        QCOMPARE(db->Name(), m_path);
        auto rs = db->OpenRecordset(QStringLiteral("select * from Options where Option = 'HPFN'"),
                                    dao::dbOpenSnapshot);
        QCOMPARE(rs->Text(QStringLiteral("descr")), QStringLiteral("help.hpj"));
    }

    void aReadOnlyOpenRefusesChangesAndKeepsTheFile() {
        addRow(*m_db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        m_db.reset();
        const QByteArray before = fileHash(m_path);
        auto db = dao::Database::OpenDatabase(m_path, false, true, kConnect);
        auto rs = db->OpenRecordset(QStringLiteral("select * from options"), dao::dbOpenDynaset);
        QVERIFY(!rs->Updatable());
        rs->Edit();
        rs->SetField(QStringLiteral("Descr"), QStringLiteral("changed"));
        QCOMPARE(refusal([&] { rs->Update(); }), int(dao::errNotUpdatable));
        QCOMPARE(rs->Text(QStringLiteral("Descr")),
                 QStringLiteral("changed")); // the edit stays open to retry
        rs->CancelUpdate();
        QCOMPARE(rs->Text(QStringLiteral("Descr")), QStringLiteral("help.hpj"));
        db.reset();
        QCOMPARE(fileHash(m_path), before);
    }

    void recordsetsOutliveTheirDatabaseObject() {
        addRow(*m_db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        auto rs = m_db->OpenRecordset(QStringLiteral("select * from options"), dao::dbOpenDynaset);
        m_db = dao::Database::OpenDatabase(m_path, false, false, kConnect); // replaced, not closed
        rs->Edit();
        rs->SetField(QStringLiteral("Descr"), QStringLiteral("other.hpj"));
        rs->Update();
        QCOMPARE(
            countRows(*m_db, QStringLiteral("select * from options where descr = 'other.hpj'")), 1);
    }

    // A row added through a row appender is refused or stored exactly as one
    // added through AddNew/Update: the same refusal with the same text, the
    // same stored row. `field` changes the table's valid row (an invalid
    // value: left out of it); `twice`: the valid row is added first.
    void rowAppenderKeepsTheRulesOfUpdate_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<int>("error");
        const auto row = [](const char* name, const char* table, const char* field,
                            const QVariant& value, int error, bool twice = false) {
            QTest::newRow(name) << QString::fromLatin1(table) << QString::fromLatin1(field) << value
                                << twice << error;
        };
        const QVariant leftOut;
        row("title", "GeneralHelp", "TopicTitle", QStringLiteral("It's \u00e9"), 0);
        row("null memo", "GeneralHelp", "Keywords", QVariant::fromValue(nullptr), 0);
        row("empty id", "GeneralHelp", "TopicID", QString(), dao::errZeroLength);
        row("long title", "GeneralHelp", "TopicTitle", QString(51, u'x'), dao::errTooLong);
        row("title in characters", "GeneralHelp", "TopicTitle", QString(50, QChar(0x20AC)), 0);
        row("number as text", "GeneralHelp", "MapNumber", QStringLiteral(" 12"), 0);
        row("number rounded", "GeneralHelp", "MapNumber", 2.5, 0);
        row("number too large", "GeneralHelp", "MapNumber", 32768, dao::errOverflow);
        row("not a number", "GeneralHelp", "MapNumber", QStringLiteral("x"), dao::errTypeMismatch);
        row("default status", "GeneralHelp", "Status", leftOut, 0);
        row("required status", "WhatsThis", "Status", leftOut, dao::errRequired);
        row("required, set null", "ToolTips", "HelpText", QVariant::fromValue(nullptr),
            dao::errRequired);
        row("numbered field", "ContentsFile", "Entry", 5, dao::errFieldNotUpdatable);
        row("unknown field", "Options", "Value", QStringLiteral("x"), dao::errItemNotFound);
        row("entries numbered", "ContentsFile", "Title", QStringLiteral("Second"), 0, true);
        row("duplicate key", "GeneralHelp", "TopicID", QStringLiteral("idh_Main"),
            dao::errDuplicateKey, true);
        row("duplicate object", "ToolTips", "Object", QStringLiteral("FRMMAIN.CMDOK"),
            dao::errDuplicateKey, true);
    }
    void rowAppenderKeepsTheRulesOfUpdate() {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(bool, twice);
        QFETCH(int, error);
        const Values valid = validRow(table);
        Values changed = valid;
        if (value.isValid())
            changed[field] = value;
        else
            changed.erase(field);
        struct Outcome {
            int error = 0;
            QString text;
            QStringList rows;
        };
        const auto attempt = [&](bool bulk) {
            Outcome o;
            m_db->BeginTrans();
            o.error = refusal(
                [&] {
                    if (!bulk) {
                        if (twice)
                            addRow(*m_db, table, valid);
                        addRow(*m_db, table, changed);
                        return;
                    }
                    QStringList fields;
                    std::vector<QVariant> first, second;
                    for (const auto& [name, v] : changed) {
                        fields << name;
                        first.push_back(valid.count(name) ? valid.at(name) : v);
                        second.push_back(v);
                    }
                    auto rows = m_db->OpenRowAppender(table, fields);
                    if (twice)
                        rows->AddRow(first);
                    rows->AddRow(second);
                },
                &o.text);
            auto rs =
                m_db->OpenRecordset(QStringLiteral("select * from ") + table, dao::dbOpenSnapshot);
            for (; !rs->EOF_(); rs->MoveNext()) {
                QStringList cells;
                for (int i = 0; i < rs->FieldNames().size(); ++i)
                    cells << (rs->FieldAt(i).isNull() ? QStringLiteral("<null>") : rs->TextAt(i));
                o.rows << cells.join(u'|');
            }
            m_db->Rollback();
            return o;
        };
        const Outcome one = attempt(false);
        const Outcome bulk = attempt(true);
        QCOMPARE(one.error, error);
        QCOMPARE(bulk.error, error);
        QCOMPARE(bulk.text, one.text);
        QCOMPARE(bulk.rows, one.rows);
        QCOMPARE(bulk.rows.size(), (twice ? 1 : 0) + (error ? 0 : 1));
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from ") + table), 0); // rolled back
    }

    // The appender keeps the changed pages in memory until the transaction
    // ends, and only then gives the cache back its size; a wrong count of
    // values is refused.
    void rowAppenderRaisesTheCacheForItsTransaction() {
        const auto cacheSize = [&] {
            auto rs = m_db->OpenRecordset(QStringLiteral("PRAGMA cache_size"), dao::dbOpenSnapshot);
            return rs->FieldAt(0).toLongLong();
        };
        const qlonglong usual = cacheSize();
        const QString text(3000, u't');
        for (const bool commit : {false, true}) {
            m_db->BeginTrans();
            {
                auto rows =
                    m_db->OpenRowAppender(QStringLiteral("GeneralHelp"),
                                          {QStringLiteral("TopicID"), QStringLiteral("HelpText")});
                QCOMPARE(refusal([&] { rows->AddRow({QStringLiteral("IDH_X")}); }),
                         int(dao::errSyntax));
                for (int i = 0; i < 3000; ++i)
                    rows->AddRow({QStringLiteral("IDH_%1").arg(i), text});
            }
            QVERIFY(cacheSize() != usual);
            commit ? m_db->CommitTrans() : m_db->Rollback();
            QCOMPARE(cacheSize(), usual);
            QCOMPARE(countRows(*m_db, QStringLiteral("select * from generalhelp")),
                     commit ? 3000 : 0);
        }
        // Outside a transaction each row is stored at once, and the cache is
        // given back when the appender ends.
        {
            auto rows = m_db->OpenRowAppender(
                QStringLiteral("Options"),
                {QStringLiteral("Option"), QStringLiteral("Descr"), QStringLiteral("Status")});
            rows->AddRow({QStringLiteral("HPFN"), QStringLiteral("help.hpj"), QStringLiteral("A")});
        }
        QCOMPARE(cacheSize(), usual);
        m_db.reset();
        auto db = dao::Database::OpenDatabase(m_path, false, false, kConnect);
        QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 1);
        QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp where helptext = '") +
                                    text + u'\''),
                 3000);
    }

    void transactionsStoreAllOrNothing() {
        m_db->BeginTrans();
        addRow(*m_db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        m_db->Rollback();
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from options")), 0);
        m_db->BeginTrans();
        addRow(*m_db, QStringLiteral("Options"), validRow(QStringLiteral("Options")));
        m_db->CommitTrans();
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from options")), 1);
        m_db->Rollback(); // none open: harmless
        QCOMPARE(countRows(*m_db, QStringLiteral("select * from options")), 1);
    }

    void createDatabaseRefusesAnExistingFile() {
        const QString file = path("exists.QMT");
        QVERIFY(testenv::writeAll(file, "keep me"));
        QCOMPARE(
            refusal([&] { dao::Database::CreateDatabase(file, QStringLiteral(";pwd=quetzal")); }),
            int(dao::errDatabaseExists));
        QCOMPARE(testenv::readAll(file), QByteArray("keep me"));
    }

    void passwordFromConnectText() {
        QCOMPARE(dao::passwordFromConnect(
                     QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=quetzal")),
                 QStringLiteral("quetzal"));
        QCOMPARE(dao::passwordFromConnect(QStringLiteral(";PWD=a b;x=1")), QStringLiteral("a b"));
        QCOMPARE(dao::passwordFromConnect(QStringLiteral(";LANGID=0x0409")), QString());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
