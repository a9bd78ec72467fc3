// Create under faults and bad input: a full disk, texts that cannot be
// written, numbers and folders that other tools leave behind.
#include "common/testenv.h"
#include "genfixture.h"

#include "appproject/projectreader.h"
#include "contents/contentsfilewriter.h"
#include "fileio/savefile.h"
#include "generation/createcommand.h"
#include "generation/createguard.h"
#include "generation/generalhelp.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace genfixture;

namespace {

// Runs `fn` while no file may grow past `limit` bytes: a nearly full disk.
template <class Fn> void withFileSizeLimit(rlim_t limit, Fn&& fn) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}

QStringList workFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".qmt-"));
}

} // namespace

class TestGenerationFaults : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<dao::Database> m_db;
    CreateSettings m_s;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    CreateReport create(const std::vector<FormRow>& forms = {}) {
        return RunCreateCommand(m_s, *m_db, m_s.vbProjectFileName, forms, DefaultCreateSteps());
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = testenv::freshProject(path(QStringLiteral("p.QMT")));
        m_s = CreateSettings{};
        m_s.helpType = HelpType::WindowsHelp;
        m_s.createGeneralHelp = 1;
        m_s.helpProjectTitle = QStringLiteral("Help");
        m_s.helpProjectFileName = path(QStringLiteral("help.hpj"));
        m_s.helpFileName = QStringLiteral("help.hlp");
        m_s.rtfFileName = path(QStringLiteral("help.rtf"));
        m_s.contentsFileName = path(QStringLiteral("help.cnt"));
    }
    void cleanup() { m_db.reset(); }

    void fullDiskKeepsEveryOldFile_data() {
        QTest::addColumn<QString>("file"); // which output
        QTest::addColumn<int>("topics");   // small or large output
        QTest::addColumn<int>("limit");
        for (const char* file : {"help.rtf", "help.hpj", "help.cnt", "app.vbp"}) {
            QTest::addRow("%s, small", file) << QString::fromLatin1(file) << 1 << 20;
            QTest::addRow("%s, large", file) << QString::fromLatin1(file) << 8000 << 100000;
        }
    }
    void fullDiskKeepsEveryOldFile() {
        QFETCH(QString, file);
        QFETCH(int, topics);
        QFETCH(int, limit);
        const QString target = path(file);
        QVERIFY(testenv::writeAll(target, "Type=Exe\r\nHelpFile=\"old.hlp\"\r\n" +
                                              QByteArray("Reference=*\r\n").repeated(topics * 3)));
        const QByteArray before = testenv::readAll(target);
        m_db->BeginTrans();
        {
            // One record set per table: each new one would read every row again.
            auto topicRows = m_db->OpenRecordset(
                QStringLiteral("select * from GeneralHelp where 0"), dao::dbOpenDynaset);
            auto contentsRows = m_db->OpenRecordset(
                QStringLiteral("select * from ContentsFile where 0"), dao::dbOpenDynaset);
            for (int i = 0; i < topics; ++i) {
                const QString id = QStringLiteral("IDH_%1").arg(i);
                topicRows->AddNew();
                topicRows->SetField(QStringLiteral("TopicID"), id);
                topicRows->SetField(QStringLiteral("TopicTitle"), id);
                topicRows->SetField(QStringLiteral("Keywords"), QStringLiteral("k"));
                topicRows->SetField(QStringLiteral("HelpText"), QStringLiteral("text"));
                topicRows->SetField(QStringLiteral("MapNumber"), i + 1);
                topicRows->Update();
                contentsRows->AddNew();
                const QList<QPair<QString, QString>> fields{
                    {QStringLiteral("TopicID"), id + QStringLiteral(".1")},
                    {QStringLiteral("Title"), id},
                    {QStringLiteral("Level"), QStringLiteral("1")},
                    {QStringLiteral("Parent"), QStringLiteral("Root")},
                    {QStringLiteral("Type"), QStringLiteral("2")}};
                for (const auto& [name, value] : fields)
                    contentsRows->SetField(name, value);
                contentsRows->Update();
            }
        }
        m_db->CommitTrans();
        bool failed = false;
        QString message;
        withFileSizeLimit(rlim_t(limit), [&] {
            try {
                CreateReport report;
                if (file == u"help.rtf" || file == u"help.hpj")
                    CreateGeneralHelp(m_s, *m_db, report); // both from one reading: both kept
                else if (file == u"help.cnt")
                    CreateContentsFile(*m_db, target, QStringLiteral("h.hlp"), QStringLiteral("T"));
                else
                    UpdateVBProjectHelpFile(target, QStringLiteral("new.hlp"));
            } catch (const fileio::FileWriteError& e) {
                failed = true;
                message = e.message();
            }
        });
        QVERIFY2(failed, "a write past the limit was taken for success");
        // The topic file is saved before the help project file: it may be the one named.
        const bool named =
            message.contains(file) || (file == u"help.hpj" && message.contains(u"help.rtf"));
        QVERIFY2(named && message.contains(u"File too large") &&
                     message.contains(u"left as it was"),
                 qPrintable(message));
        QCOMPARE(testenv::readAll(target), before);
        QCOMPARE(workFiles(m_dir->path()), QStringList());
    }

    // A text that cannot be written keeps back only the outputs that would
    // hold it: the Create tab's names and title everything, a topic the help
    // sources (and the HelpFile line they bring), a contents entry the
    // contents file. A title with "=" is written as it is, with a warning.
    void textsThatCannotBeWrittenBlockOnlyTheirOutputs_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("notWritten");
        const auto names = [](const char* list) {
            return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
        };
        const QStringList all = names("help.rtf help.hpj help.cnt app.vbp");
        const QStringList sources = names("help.rtf help.hpj app.vbp");
        QTest::newRow("title adds a section") << "title"
                                              << "T\r\n[OPTIONS]"
                                              << "Help Project Title holds a line break" << all;
        QTest::newRow("help file name adds a project line")
            << "helpfile"
            << "h.hlp\r\nStartup=\"Evil\""
            << "Help File Name holds a line break" << all;
        QTest::newRow("quote in the HelpFile value") << "helpfile"
                                                     << "C:\\a\"b.hlp"
                                                     << "double quote" << all;
        QTest::newRow("title beyond Windows-1252") << "title"
                                                   << "T\u4e2d"
                                                   << "(U+4E2D)" << all;
        QTest::newRow("help file name with a comment mark")
            << "helpfile"
            << "a;b.hlp"
            << "\";\", which a WinHelp help project" << all;
        QTest::newRow("topic ID with =") << "topic"
                                         << "IDH=X"
                                         << "\"=\"" << sources;
        QTest::newRow("topic ID with NUL")
            << "topic" << QStringLiteral("IDH\u0000X")
            << "\"IDH\\x00X\" holds the control character U+0000" << sources;
        QTest::newRow("topic ID with a blank") << "topic"
                                               << "IDH SAVE"
                                               << "a blank" << sources;
        QTest::newRow("control character in a help text")
            << "text" << QStringLiteral("bell\u0007") << "U+0007" << sources;
        QTest::newRow("contents title beyond Windows-1252")
            << "contents" << QStringLiteral("Start \U0001F600") << "(U+1F600)" << names("help.cnt");
        QTest::newRow("contents title with =") << "contents"
                                               << "a=b"
                                               << "" << QStringList();
        // Found while the topic file is being written, after many rows.
        QTest::newRow("What's This ID beyond Windows-1252, last row")
            << "whatsthis" << QStringLiteral("IDH_\u4e2d") << "(U+4E2D)" << sources;
    }
    void textsThatCannotBeWrittenBlockOnlyTheirOutputs() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, told);
        QFETCH(QStringList, notWritten);
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "HelpFile=\"old\"\r\n"));
        m_s.vbProject = 1;
        m_s.vbProjectFileName = vbp;
        m_s.createContentsFile = 1;
        addTopic(*m_db, field == u"topic" ? value : QStringLiteral("IDH_A"), QStringLiteral("A"),
                 QString(), QString(), field == u"text" ? value : QStringLiteral("t"), 1);
        addRow(*m_db, QStringLiteral("ContentsFile"),
               {{"TopicID", QStringLiteral("IDH_A.1")},
                {"Title", field == u"contents" ? value : QStringLiteral("A")},
                {"Level", QStringLiteral("1")},
                {"Parent", QStringLiteral("Root")},
                {"Type", QStringLiteral("2")}});
        if (field == u"whatsthis") {
            for (int i = 0; i < 3000; ++i) // more than the work files hold before they write
                addWhatsThis(*m_db, QStringLiteral("frmA.cmd%1").arg(i),
                             QStringLiteral("IDH_C%1").arg(i),
                             QStringLiteral("A text.").repeated(5), i + 2);
            addWhatsThis(*m_db, QStringLiteral("frmA.cmdLast"), value, QStringLiteral("t"), 9);
        }
        if (field == u"title")
            m_s.helpProjectTitle = value;
        if (field == u"helpfile")
            m_s.helpFileName = value;
        const CreateReport report = create();
        QCOMPARE(workFiles(m_dir->path()), QStringList());
        const QString said = (report.failures + report.warnings).join(u'\n');
        QCOMPARE(report.ok(), notWritten.isEmpty());
        QVERIFY2(said.contains(told.isEmpty() ? u'"' + value + u'"' : told), qPrintable(said));
        QVERIFY(!said.contains(QChar(0))); // nothing cuts the message
        for (const char* name : {"help.rtf", "help.hpj", "help.cnt"}) {
            const QString file = QString::fromLatin1(name);
            QCOMPARE(QFile::exists(path(file)), !notWritten.contains(file));
        }
        QCOMPARE(testenv::readAll(vbp) == "HelpFile=\"old\"\r\n",
                 notWritten.contains(QStringLiteral("app.vbp")));
        if (field == u"contents" && notWritten.isEmpty())
            QVERIFY(testenv::readAll(path(QStringLiteral("help.cnt"))).contains("1 a=b=IDH_A\r\n"));
    }

    // An output that is one of the run's inputs or another output is refused
    // before anything is written, naming both files: in any letter case and
    // through links, as the files are read on Windows.
    void outputsNamedLikeAnInputAreRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("clashesWith");
        QTest::newRow("help file as the project file") << "help"
                                                       << "P.qmt"
                                                       << "p.QMT";
        QTest::newRow("contents file as the project file") << "contents"
                                                           << "p.QMT"
                                                           << "p.QMT";
        QTest::newRow("help file as the application project") << "help"
                                                              << "app.vbp"
                                                              << "app.vbp";
        QTest::newRow("RTF file as a form") << "rtf"
                                            << "FRMMAIN.frm"
                                            << "frmMain.frm";
        QTest::newRow("contents file as the help file") << "contents"
                                                        << "HELP.hlp"
                                                        << "help.hlp";
        QTest::newRow("RTF file through a link to the project") << "rtf"
                                                                << "link.rtf"
                                                                << "p.QMT";
        QTest::newRow("HTML Help index file as the project file") << "index"
                                                                  << "p.qmt"
                                                                  << "p.QMT";
        QTest::newRow("HTML Help file as the pages folder") << "html-help"
                                                            << "help_html"
                                                            << "help_html";
    }
    void outputsNamedLikeAnInputAreRefused() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, clashesWith);
        const QString vbp = path(QStringLiteral("app.vbp"));
        const QByteArray project = "Form=frmMain.frm\r\nHelpFile=\"old\"\r\n";
        const QByteArray form = "VERSION 5.00\r\nBegin VB.Form frmMain\r\nEnd\r\n";
        QVERIFY(testenv::writeAll(vbp, project));
        QVERIFY(testenv::writeAll(path(QStringLiteral("frmMain.frm")), form));
        QVERIFY(QFile::link(path(QStringLiteral("p.QMT")), path(QStringLiteral("link.rtf"))));
        m_s.vbProject = m_s.createToolTips = m_s.createContentsFile = m_s.compile = 1;
        m_s.vbProjectFileName = vbp;
        if (field == u"help" || field == u"html-help")
            m_s.helpFileName = value;
        if (field == u"contents")
            m_s.contentsFileName = path(value);
        if (field == u"rtf")
            m_s.rtfFileName = path(value);
        if (field == u"index" || field == u"html-help") {
            m_s.helpType = HelpType::HtmlHelp;
            m_s.helpProjectFileName = path(QStringLiteral("help.hhp"));
            m_s.contentsFileName = QStringLiteral("help.hhc");
            m_s.indexFileName = field == u"index" ? value : QStringLiteral("help.hhk");
            if (field == u"index")
                m_s.helpFileName = QStringLiteral("help.chm");
        }
        addTopic(*m_db, QStringLiteral("IDH_A"), QStringLiteral("A"), QString(), QString(),
                 QStringLiteral("t"), 1);
        const QByteArray projectFile = testenv::readAll(path(QStringLiteral("p.QMT")));
        const CreateReport report =
            create({{QStringLiteral("frmMain"), QStringLiteral("frmMain.frm")}});
        const QString said = report.failures.join(u'\n');
        QVERIFY2(!report.ok() && report.written.isEmpty(), qPrintable(said));
        QVERIFY2(said.contains(QDir::toNativeSeparators(path(clashesWith))) &&
                     said.contains(u"Choose another name"),
                 qPrintable(said));
        QCOMPARE(testenv::readAll(path(QStringLiteral("p.QMT"))), projectFile);
        QCOMPARE(testenv::readAll(vbp), project);
        QCOMPARE(testenv::readAll(path(QStringLiteral("frmMain.frm"))), form);
        for (const char* name : {"help.hpj", "help.hhp", "help.rtf"})
            QVERIFY(!QFile::exists(path(QString::fromLatin1(name))));
    }

    // One run at a time holds a project and the folders it writes into.
    void aSecondRunIsToldAnotherIsRunning() {
        QString problem;
        for (const bool onProject : {true, false}) {
            auto held = CreateLock::Acquire(onProject ? path(QStringLiteral("p.QMT")) : QString(),
                                            {onProject ? QString() : m_dir->path()}, problem);
            QVERIFY(held);
            const CreateReport report = create();
            QVERIFY(!report.ok() && report.written.isEmpty());
            QVERIFY2(report.failures.join(u' ').startsWith(u"Another Create is "),
                     qPrintable(report.failures.join(u'\n')));
            QVERIFY(!QFile::exists(m_s.helpProjectFileName));
        }
        // Released: the next run goes ahead.
        const CreateReport report = create();
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
    }

    void topicFileCarriesEveryCharacter() {
        addTopic(*m_db, QStringLiteral("IDH_RU"), QStringLiteral("\u041f\u0440\u0438"), QString(),
                 QString(), QStringLiteral("Smile \U0001F600 \u00e9"), 1);
        const CreateReport report = create();
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        const QByteArray rtf = testenv::readAll(m_s.rtfFileName);
        QVERIFY(rtf.contains("{\\keepn\\b\\f1\\fs24 \\u1055?\\u1088?\\u1080?\\par \\par }"));
        QVERIFY(rtf.contains("Smile \\u-10179?\\u-8704? \xe9}\r\n"));
    }

    void helpTextsThatLoseWordsAreWarnedAbout() {
        addTopic(*m_db, QStringLiteral("IDH_PATH"), QStringLiteral("P"), QString(), QString(),
                 QStringLiteral("Install to C:\\Program Files\\App."), 1);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdGo"), QStringLiteral("IDH_GO"),
                     QStringLiteral("Press {Enter"), 2);
        addTopic(*m_db, QStringLiteral("IDH_FINE"), QStringLiteral("F"), QString(), QString(),
                 QStringLiteral("{\\b Note:} C:\\\\Temp"), 3);
        const CreateReport report = create();
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(report.warnings.size(), 3);
        QVERIFY(report.warnings[0].startsWith(u"The help text of topic IDH_PATH: \"\\Program\""));
        QVERIFY(report.warnings[1].startsWith(u"The help text of topic IDH_PATH: \"\\App\""));
        QVERIFY(report.warnings[2].startsWith(
            u"The help text of the What's This entry frmA.cmdGo: The brace {"));
        // The topic file keeps the text as the author typed it.
        QVERIFY(testenv::readAll(m_s.rtfFileName).contains("Install to C:\\Program Files\\App."));
    }

    // Jumps and pop-ups to no topic, and What's This entries that open none,
    // are named; the run still succeeds. Targets match without regard to case,
    // a What's This entry with a text is a topic, and jumps into another help
    // file or macros are not checked.
    void linksThatLeadNowhereAreWarnedAbout() {
        addTopic(*m_db, QStringLiteral("IDH_A"), QStringLiteral("A"), QString(), QString(),
                 QStringLiteral("{\\uldb B}{\\v idh_b} {\\ul Gone}{\\v IDH_GONE}\r\n"
                                "{\\strike W}{\\v IDH_W>main} {\\uldb X}{\\v IDH_X@other.hlp} "
                                "{\\uldb M}{\\v !Exit()}"),
                 1);
        addTopic(*m_db, QStringLiteral("IDH_B"), QStringLiteral("B"), QString(), QString(),
                 QStringLiteral("{\\uldb Missing}{\\v %IDH_NONE}"), 2);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdW"), QStringLiteral("IDH_W"),
                     QStringLiteral("Has a text."), 3);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdB"), QStringLiteral("IDH_B"), QString(), 0);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdLost"), QStringLiteral("IDH_LOST"), QString(),
                     0);
        const CreateReport report = create();
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(
            report.warnings,
            QStringList({QStringLiteral("Topic IDH_A links to \"IDH_GONE\", which is no topic "
                                        "of the help file."),
                         QStringLiteral("Topic IDH_B links to \"IDH_NONE\", which is no topic "
                                        "of the help file."),
                         QStringLiteral("The What's This entry frmA.cmdLost opens no topic: no "
                                        "topic has the ID \"IDH_LOST\" and the entry has no "
                                        "text.")}));
    }

    // A contents entry whose topic was deleted is written all the same and
    // named in the report, for both help types. A What's This entry with a
    // text is a topic; IDs match without regard to case; headings have none.
    void contentsEntriesOfMissingTopicsAreWarnedAbout_data() {
        QTest::addColumn<int>("helpType");
        QTest::newRow("WinHelp") << int(HelpType::WindowsHelp);
        QTest::newRow("HTML Help") << int(HelpType::HtmlHelp);
    }
    void contentsEntriesOfMissingTopicsAreWarnedAbout() {
        QFETCH(int, helpType);
        m_s.helpType = HelpType(helpType);
        m_s.createContentsFile = 1;
        m_s.helpFileName = path(QStringLiteral("help.chm"));
        m_s.indexFileName = path(QStringLiteral("help.hhk"));
        addTopic(*m_db, QStringLiteral("IDH_HERE"), QStringLiteral("H"), QString(), QString(),
                 QStringLiteral("t"), 1);
        addTopic(*m_db, QStringLiteral("IDH_OLD"), QStringLiteral("O"), QString(), QString(),
                 QStringLiteral("t"), 2, QStringLiteral("D"));
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdW"), QStringLiteral("IDH_W"),
                     QStringLiteral("Text."), 3);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdE"), QStringLiteral("IDH_EMPTY"), QString(), 4);
        const auto entry = [&](const char* key, const char* title, const char* type) {
            addRow(*m_db, QStringLiteral("contentsfile"),
                   {{"TopicID", QString::fromLatin1(key)},
                    {"Title", QString::fromLatin1(title)},
                    {"Level", QStringLiteral("1")},
                    {"Parent", QStringLiteral("Main")},
                    {"Type", QString::fromLatin1(type)}});
        };
        entry("Gone.1", "Heading", "3");
        entry("idh_here.2", "Here", "2");
        entry("IDH_OLD.3", "Old", "2");
        entry("IDH_W.4", "Control", "2");
        entry("IDH_EMPTY.5", "Empty", "2");
        entry("IDH_NEVER.6", "Never", "2");
        const CreateReport report = create();
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        const QStringList said = report.warnings.filter(u"The contents entry");
        QCOMPARE(said.size(), 3);
        QVERIFY(said[0].startsWith(u"The contents entry \"Old\" leads to the topic IDH_OLD,"));
        QVERIFY(said[1].startsWith(u"The contents entry \"Empty\" leads to the topic IDH_EMPTY,"));
        QVERIFY(said[2].startsWith(u"The contents entry \"Never\" leads to the topic IDH_NEVER,"));
    }

    void mapNumbersFromOtherToolsAreLeftOut() {
        addTopic(*m_db, QStringLiteral("IDH_GOOD"), QStringLiteral("G"), QString(), QString(),
                 QStringLiteral("t"), 7);
        m_db.reset();
        QVERIFY(QProcess::execute(
                    QStringLiteral("sqlcipher"),
                    {path(QStringLiteral("p.QMT")),
                     QStringLiteral(
                         "PRAGMA key = 'quetzal'; PRAGMA ignore_check_constraints = 1;"
                         "INSERT INTO GeneralHelp (TopicID, TopicTitle, MapNumber, "
                         "Status) VALUES ('IDH_TEXT','T','abc','A'),"
                         "('IDH_BIG','B',99999999999,'A'),('IDH_HALF','H',1.5,'A');")}) == 0);
        m_db = dao::Database::OpenDatabase(path(QStringLiteral("p.QMT")));
        const CreateReport report = create();
        QCOMPARE(report.failures.size(), 3);
        for (const char* id : {"IDH_TEXT (abc)", "IDH_BIG (99999999999)", "IDH_HALF (1.5)"})
            QVERIFY2(report.failures.join(u' ').contains(QLatin1String(id)),
                     qPrintable(report.failures.join(u'\n')));
        QVERIFY(testenv::readAll(m_s.helpProjectFileName).contains("[MAP]\r\nIDH_GOOD=7\r\n \r\n"));
    }

    void applicationInAFolderWithABackslashAndAByteOrderMark() {
        const QString folder = path(QStringLiteral("my\\apps"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/Forms")));
        const QString vbp = folder + QStringLiteral("/app.vbp");
        QVERIFY(testenv::writeAll(vbp, "\xEF\xBB\xBF"
                                       "Form=Forms\\frmA.frm\r\nHelpFile=\"old\"\r\n"));
        QVERIFY(testenv::writeAll(folder + QStringLiteral("/Forms/frmA.frm"),
                                  "\xEF\xBB\xBFVERSION 5.00\r\nBegin VB.Form frmA \r\n"
                                  "   Caption         =   \"A\"\r\nEnd\r\n"
                                  "Attribute VB_Name = \"frmA\"\r\n"));
        const std::vector<FormRow> forms = QMTCOdeMod::ReadProjectForms(vbp);
        QCOMPARE(forms.size(), std::size_t(1));
        addWhatsThis(*m_db, QStringLiteral("frmA.frmA"), QStringLiteral("IDH_A"),
                     QStringLiteral("t"), 5);
        m_s.vbProject = 1;
        m_s.vbProjectFileName = vbp;
        m_s.createContextSensitiveHelp = 1;
        const CreateReport report = create(forms);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QVERIFY(testenv::readAll(folder + QStringLiteral("/Forms/frmA.frm"))
                    .contains("\"A\"\r\nHelpContextID    = 5\r\nEnd\r\n"));
        QCOMPARE(testenv::readAll(vbp), QByteArray("\xEF\xBB\xBF"
                                                   "Form=Forms\\frmA.frm\r\n"
                                                   "HelpFile=\"help.hlp\"\r\n"));
    }

    // A form file the project lists but that is not there is named as such,
    // and the forms that are there are still written.
    void aMissingFormFileIsNamed() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "Form=frmA.frm\r\nForm=gone.frm\r\n"));
        QVERIFY(testenv::writeAll(path(QStringLiteral("frmA.frm")),
                                  "VERSION 5.00\r\nBegin VB.Form frmA\r\nEnd\r\n"
                                  "Attribute VB_Name = \"frmA\"\r\n"));
        addWhatsThis(*m_db, QStringLiteral("frmA.frmA"), QStringLiteral("IDH_A"),
                     QStringLiteral("t"), 5);
        addWhatsThis(*m_db, QStringLiteral("frmGone.cmd"), QStringLiteral("IDH_B"),
                     QStringLiteral("t"), 6);
        m_s.createGeneralHelp = 0;
        m_s.vbProjectFileName = vbp;
        m_s.createContextSensitiveHelp = 1;
        const CreateReport report = create(QMTCOdeMod::ReadProjectForms(vbp));
        const QString said = report.failures.join(u'\n');
        QVERIFY2(said.contains(u"The form file gone.frm listed in " +
                               QDir::toNativeSeparators(vbp) + u" cannot be read"),
                 qPrintable(said));
        QCOMPARE(report.formsRewritten, 1);
    }

    void createRemovesOnlyItsOwnLeftOvers() {
        const QStringList ours{QStringLiteral(".help.rtf.qmt-Ab12Cd"),
                               QStringLiteral(".frmA.frm.qmt-zzzzzz")};
        const QStringList others{QStringLiteral(".help.rtf.qmt-short"),
                                 QStringLiteral("help.rtf.qmt-Ab12Cd"), QStringLiteral(".keep")};
        for (const QString& name : ours + others)
            QVERIFY(testenv::writeAll(path(name), "x"));
        // A writer still at work holds its file: it stays.
        fileio::SaveFile busy(path(QStringLiteral("busy.txt")));
        const QString busyWork = workFiles(m_dir->path()).filter(QStringLiteral("busy")).value(0);
        QVERIFY(!busyWork.isEmpty());
        QVERIFY(create().ok());
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : ours)
            QVERIFY2(!left.contains(name), qPrintable(name));
        for (const QString& name : others + QStringList{busyWork})
            QVERIFY2(left.contains(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestGenerationFaults)
#include "tst_generation_faults.moc"
