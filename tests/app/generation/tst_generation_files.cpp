// The general help sources byte for byte, the HelpFile line, the compiler
// look-up and start, and the order of the Create command.
#include "common/testenv.h"
#include "genfixture.h"

#include "fileio/textoutput.h"
#include "generation/compilation.h"
#include "generation/createcommand.h"
#include "generation/generalhelp.h"
#include "resources/stringids.h"
#include "shell/dialogs.h"

#include <QElapsedTimer>
#include <QtTest>
#include <cctype>

using namespace genfixture;

namespace {

const QByteArray kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss "
    "Arial;}{\\f2\\fswiss Arial;}{\\f3\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;}\r\n";

QByteArray footnote(const char* mark, const QByteArray& value, const char* closing) {
    return QByteArray(mark) + "{\\footnote \\pard\\plain \\s15\\widctlpar{\\adjustright " +
           "\\fs20\\cgrid {\\cs16\\super " + mark + "}{ " + value + closing + "\r\n";
}

QByteArray hpjHead(const QByteArray& titleLine, const QByteArray& cntLine, const QByteArray& hlp,
                   const QByteArray& rtf) {
    return "[OPTIONS]\r\nCOMPRESS=12 Hall Zeck\r\nLCID=0x409 0x0 0x0 ; English (United "
           "States)\r\nREPORT=Yes\r\nFTS=29\r\n" +
           titleLine + cntLine + "HLP=" + hlp + "\r\n \r\n[FILES]\r\n" + rtf + "\r\n \r\n[MAP]\r\n";
}

const QByteArray kHpjTail = " \r\n[WINDOWS]\r\nmain=\"\",(240,98,769,547),20740,(r14876671),"
                            "(r12632256),f3\r\n \r\n[CONFIG]\r\nBrowseButtons()\r\n";

} // namespace

class TestGenerationFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<testenv::RegistryFolder> m_registry; // one per test: no compiler left behind
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<dao::Database> m_db;
    CreateSettings m_s;
    QStringList m_messages;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QByteArray rtf() const { return testenv::readAll(m_s.rtfFileName); }
    QByteArray hpj() const { return testenv::readAll(m_s.helpProjectFileName); }

private slots:
    void init() {
        m_registry = std::make_unique<testenv::RegistryFolder>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = testenv::freshProject(path(QStringLiteral("p.QMT")));
        m_s = CreateSettings{};
        m_s.helpType = HelpType::WindowsHelp;
        m_s.createGeneralHelp = 1;
        m_s.helpProjectTitle = QStringLiteral("My Help");
        m_s.helpProjectFileName = path(QStringLiteral("help.hpj"));
        m_s.helpFileName = QStringLiteral("help.hlp");
        m_s.rtfFileName = path(QStringLiteral("help.rtf"));
        m_s.contentsFileName = QStringLiteral("help.cnt");
        m_messages.clear();
        shell::setMessageHandler([this](const shell::MessageRequest& r) {
            m_messages << r.text;
            return int(shell::vbOK);
        });
    }
    void cleanup() {
        shell::setMessageHandler({});
        m_db.reset();
    }

    void missingNamesWriteNothing() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "HelpFile=\"old\"\r\n"));
        m_s.vbProject = 1;
        m_s.vbProjectFileName = vbp;
        CreateSettings noRtf = m_s;
        noRtf.rtfFileName.clear();
        CreateReport report;
        CreateGeneralHelp(noRtf, *m_db, report);
        CreateSettings noHpj = m_s;
        noHpj.helpProjectFileName.clear();
        CreateGeneralHelp(noHpj, *m_db, report);
        QVERIFY(!QFile::exists(m_s.rtfFileName));
        QVERIFY(!QFile::exists(m_s.helpProjectFileName));
        QCOMPARE(testenv::readAll(vbp), QByteArray("HelpFile=\"old\"\r\n"));
        QVERIFY(m_messages.isEmpty());
        // Not written is not success: each names the empty field.
        QCOMPARE(report.failures,
                 QStringList({QStringLiteral("The general help file was not written: the Help "
                                             "Text (RTF) File Name is empty."),
                              QStringLiteral("The general help file was not written: the Help "
                                             "Project File Name is empty.")}));
        QVERIFY(report.written.isEmpty());
    }

    void emptyProject() {
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QCOMPARE(report.written, QStringList({m_s.rtfFileName, m_s.helpProjectFileName}));
        QCOMPARE(rtf(), kHeader + "}\r\n");
        QCOMPARE(hpj(),
                 hpjHead("TITLE=My Help\r\n", "", "help.hlp", m_s.rtfFileName.toUtf8()) + kHpjTail);
    }

    void topicsAndWhatsThisEntries() {
        addTopic(*m_db, QStringLiteral("IDH_FULL"), QStringLiteral("Full \u00e9\u20ac"),
                 QStringLiteral("seq:010"), QStringLiteral("one;two"),
                 QStringLiteral("first\r\nsecond"), 10);
        addTopic(*m_db, QStringLiteral("IDH_BARE"), QStringLiteral("Bare"), QString(), QVariant(),
                 QVariant());
        addTopic(*m_db, QStringLiteral("IDH_GONE"), QStringLiteral("Gone"), QString(), QString(),
                 QStringLiteral("x"), 11, QStringLiteral("D"));
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdOk"), QStringLiteral("IDH_OK"),
                     QStringLiteral("Press\r\nit"), 20);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdGone"), QStringLiteral("IDH_WGONE"),
                     QStringLiteral("no"), 21, QStringLiteral("D"));
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);

        // Every group is closed: a topic's text ends with "}", each What's
        // This entry is a topic of its own, ended by \page.
        const QByteArray expected =
            kHeader + "{\\cs16\\b\\f1\\fs24\\super\r\n" + footnote("#", "IDH_FULL", "}}}") +
            footnote("$", "Full \xe9\x80", "}}}") + footnote("+", "seq:010", "}}}") +
            footnote("K", "one;two", "}}}") +
            "}\r\n{\\keepn\\b\\f1\\fs24 Full \xe9\x80\\par \\par }\r\n{\\f1\\fs20 "
            "first\\par\nsecond}\r\n"
            "\\page\r\n\r\n" +
            // empty and null browse sequence and keywords: only "#" and "$"
            "{\\cs16\\b\\f1\\fs24\\super\r\n" + footnote("#", "IDH_BARE", "}}}") +
            footnote("$", "Bare", "}}}") +
            "}\r\n{\\keepn\\b\\f1\\fs24 Bare\\par \\par }\r\n{\\f1\\fs20 }\r\n\\page\r\n\r\n" +
            "{\\cs16\\b\\f1\\fs24\\super\r\n" + footnote("#", "IDH_OK", "}}}") +
            "}\r\n{\\f1\\fs20 Press\r\nit\\par \\par }\r\n\\page\r\n\r\n" + "}\r\n";
        QCOMPARE(rtf(), expected);
    }

    void topicFileIsWellFormed() {
        // Texts with groups, escaped braces and backslashes of their own.
        addTopic(*m_db, QStringLiteral("IDH_A"), QStringLiteral("A {x}"), QStringLiteral("s:1"),
                 QStringLiteral("k"), QStringLiteral("{\\b Bold} \\{not a group\\} C:\\\\dir"), 1);
        addTopic(*m_db, QStringLiteral("IDH_B"), QStringLiteral("B"), QVariant(), QVariant(),
                 QVariant(), 2);
        for (int i = 0; i < 5; ++i)
            addWhatsThis(*m_db, QStringLiteral("frmA.cmd%1").arg(i),
                         QStringLiteral("IDH_W%1").arg(i),
                         QStringLiteral("{\\i Entry} %1\r\nline").arg(i), 10 + i);
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        const QByteArray bytes = rtf();
        // Outside the document's own group the depth is 1; \page stands there
        // once per topic and entry, and the file ends when the group does.
        int depth = 0;
        int pages = 0;
        int footnotesAtTopLevel = 0;
        qsizetype end = -1;
        for (qsizetype i = 0; i < bytes.size() && end < 0; ++i) {
            const char c = bytes[i];
            if (c == '\\') {
                const char after = i + 5 < bytes.size() ? bytes[i + 5] : ' ';
                if (bytes.mid(i, 5) == "\\page" && !std::isalpha(uchar(after)))
                    pages += depth == 1 ? 1 : 1000; // a \page inside a group is a fault
                if (bytes.mid(i, 9) == "\\footnote" && depth == 3)
                    ++footnotesAtTopLevel; // in the marks' group, directly in the document
                ++i;                       // the next character is escaped or starts a word
            } else if (c == '{') {
                ++depth;
            } else if (c == '}') {
                QVERIFY2(--depth >= 0, "a group closed that was never opened");
                if (depth == 0)
                    end = i;
            }
        }
        QCOMPARE(end, bytes.size() - 3); // the last "}" before the final CR LF
        QCOMPARE(pages, 7);
        QCOMPARE(footnotesAtTopLevel, 2 * 4 - 2 + 5); // IDH_B has no + and K footnotes
        QVERIFY(bytes.contains("{\\colortbl;\\red0\\green0\\blue0;}"));
    }

    void existingFilesAreReplaced() {
        QVERIFY(testenv::writeAll(m_s.rtfFileName, QByteArray(5000, 'x')));
        QVERIFY(testenv::writeAll(m_s.helpProjectFileName, QByteArray(5000, '~')));
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QCOMPARE(rtf(), kHeader + "}\r\n");
        QVERIFY(hpj().startsWith("[OPTIONS]\r\n"));
        QVERIFY(!hpj().contains('~'));
        // No work file is left beside the targets.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 3);
    }

    void helpProjectFile() {
        addTopic(*m_db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QString(), QString(),
                 QString(), 10);
        addTopic(*m_db, QStringLiteral("IDH_NOMAP"), QStringLiteral("No map"), QString(), QString(),
                 QString(), 0);
        addTopic(*m_db, QStringLiteral("IDH_OFF"), QStringLiteral("Off"), QString(), QString(),
                 QString(), 12, QStringLiteral("D"));
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdOk"), QStringLiteral("IDH_MAIN"),
                     QStringLiteral("t"), 30);
        addWhatsThis(*m_db, QStringLiteral("frmA.cmdNo"), QStringLiteral("IDH_W0"),
                     QStringLiteral("t"), 0);
        m_s.createContentsFile = 1;
        m_s.helpProjectTitle.clear();
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QCOMPARE(hpj(),
                 hpjHead("TITLE=\r\n", "CNT=help.cnt\r\n", "help.hlp", m_s.rtfFileName.toUtf8()) +
                     "IDH_MAIN=10\r\nIDH_MAIN=30\r\n" + kHpjTail);
    }

    // The author's window in the main window line, the rest of it as fixed;
    // the compiler takes it.
    void helpWindowLine() {
        addTopic(*m_db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QVariant(), QVariant(),
                 QStringLiteral("Text"), 10);
        m_s.window.left = QStringLiteral("0");
        m_s.window.top = QStringLiteral("12");
        m_s.window.width = QStringLiteral("1024");
        m_s.window.height = QStringLiteral("500");
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QByteArray tail = kHpjTail;
        tail.replace("(240,98,769,547)", "(0,12,1024,500)");
        QCOMPARE(hpj(), hpjHead("TITLE=My Help\r\n", "", "help.hlp", m_s.rtfFileName.toUtf8()) +
                            "IDH_MAIN=10\r\n" + tail);
        const CompileResult r =
            CompileHelpProject(m_s.helpProjectFileName, CompileWait::UntilFinished);
        QVERIFY2(r.succeeded(), qPrintable(r.message));
    }

    void vbProjectHelpFileLine() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        const QByteArray before = "Type=Exe\r\nHelpFile=\"old.hlp\"\r\nhelpfile=\"small\"\r\n"
                                  "Title=\"Caf\xe9\"\r\nHelpFile=\"help.hlp\"\nHelpFileX\r\nLast";
        QVERIFY(testenv::writeAll(vbp, before));
        m_s.vbProjectFileName = vbp;
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report); // not ticked: untouched
        QCOMPARE(testenv::readAll(vbp), before);

        m_s.vbProject = 1;
        m_s.helpFileName = QStringLiteral("C:\\new help.hlp");
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QCOMPARE(testenv::readAll(vbp),
                 QByteArray("Type=Exe\r\nHelpFile=\"C:\\new help.hlp\"\r\nhelpfile=\"small\"\r\n"
                            "Title=\"Caf\xe9\"\r\nHelpFile=\"C:\\new help.hlp\"\r\nHelpFileX\r\n"
                            "Last\r\n"));

        const QByteArray without = "Type=Exe\r\n";
        QVERIFY(testenv::writeAll(vbp, without));
        QVERIFY(UpdateVBProjectHelpFile(vbp, QStringLiteral("h.hlp")));
        QCOMPARE(testenv::readAll(vbp), without);
        // ... and Create says that the project names no help file.
        CreateReport noLine;
        CreateGeneralHelp(m_s, *m_db, noLine);
        QVERIFY(noLine.ok());
        QCOMPARE(noLine.warnings.size(), 1);
        QVERIFY(noLine.warnings.first().contains(u"has no HelpFile line"));

        // An LF project keeps LF; one that would not change is not rewritten.
        QVERIFY(testenv::writeAll(vbp, "Type=Exe\nHelpFile=\"a\"\n"));
        QCOMPARE(WithHelpFileLine(testenv::readAll(vbp), QStringLiteral("b")),
                 QByteArray("Type=Exe\nHelpFile=\"b\"\n"));
        QVERIFY(testenv::writeAll(vbp, "HelpFile=\"same\"\r\n"));
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        {
            QFile f(vbp);
            QVERIFY(f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QVERIFY(UpdateVBProjectHelpFile(vbp, QStringLiteral("same")));
        QCOMPARE(QFileInfo(vbp).fileTime(QFileDevice::FileModificationTime), old);

        // A missing project file makes no file, and the run reports it.
        m_s.vbProjectFileName = path(QStringLiteral("missing.vbp"));
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY(!QFile::exists(m_s.vbProjectFileName));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(report.failures.size(), 1);
        QVERIFY(report.failures.first().contains(u"HelpFile line was not written"));
        QVERIFY(report.failures.first().contains(u"missing.vbp"));
    }

    void vbProjectNamesTheHelpFileAsWindowsReadsIt_data() {
        QTest::addColumn<QString>("helpFile"); // as typed
        QTest::addColumn<QString>("project");  // help project, below the test folder
        QTest::addColumn<QString>("vbp");      // application project, likewise
        QTest::addColumn<QString>("value");    // what the HelpFile line names
        QTest::newRow("bare name") << "cafe.hlp"
                                   << "help/h.hpj"
                                   << "app/a.vbp"
                                   << "cafe.hlp";
        QTest::newRow("Windows path") << "C:\\Help\\cafe.hlp"
                                      << "help/h.hpj"
                                      << "app/a.vbp"
                                      << "C:\\Help\\cafe.hlp";
        QTest::newRow("Windows path, forward slashes") << "C:/Help/cafe.hlp"
                                                       << "help/h.hpj"
                                                       << "app/a.vbp"
                                                       << "C:/Help/cafe.hlp";
        QTest::newRow("relative, backslashes") << "out\\cafe.hlp"
                                               << "help/h.hpj"
                                               << "app/a.vbp"
                                               << "out\\cafe.hlp";
        QTest::newRow("relative to the help project") << "out/cafe.hlp"
                                                      << "help/h.hpj"
                                                      << "app/a.vbp"
                                                      << "..\\help\\out\\cafe.hlp";
        QTest::newRow("absolute, beside the application") << "@/app/cafe.hlp"
                                                          << "help/h.hpj"
                                                          << "app/a.vbp"
                                                          << "cafe.hlp";
        QTest::newRow("absolute, elsewhere") << "@/help/sub/cafe.hlp"
                                             << "h.hpj"
                                             << "app/src/a.vbp"
                                             << "..\\..\\help\\sub\\cafe.hlp";
    }
    void vbProjectNamesTheHelpFileAsWindowsReadsIt() {
        QFETCH(QString, helpFile);
        QFETCH(QString, project);
        QFETCH(QString, vbp);
        QFETCH(QString, value);
        helpFile.replace(u'@', m_dir->path());
        m_s.helpFileName = helpFile;
        m_s.helpProjectFileName = path(project);
        m_s.vbProjectFileName = path(vbp);
        QCOMPARE(HelpFileForVbProject(m_s), value);
        // ... and Create writes it so.
        QVERIFY(QDir().mkpath(QFileInfo(m_s.helpProjectFileName).path()));
        QVERIFY(testenv::writeAll(m_s.vbProjectFileName, "HelpFile=\"\"\r\n"));
        m_s.vbProject = 1;
        CreateReport report;
        CreateGeneralHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(testenv::readAll(m_s.vbProjectFileName),
                 "HelpFile=\"" + value.toLatin1() + "\"\r\n");
    }

    void vbProjectValueIsCheckedAsWritten() {
        // The help file sits in a folder whose name Windows-1252 cannot hold:
        // the .vbp would name that folder, so Create refuses before writing.
        const QString folder = path(QStringLiteral("\u4e2d"));
        QVERIFY(QDir().mkpath(folder));
        m_s.helpProjectFileName = folder + QStringLiteral("/h.hpj");
        m_s.rtfFileName = QStringLiteral("h.rtf");
        m_s.helpFileName = QStringLiteral("out/h.hlp");
        m_s.vbProjectFileName = path(QStringLiteral("a.vbp"));
        m_s.vbProject = 1;
        QVERIFY(testenv::writeAll(m_s.vbProjectFileName, "HelpFile=\"\"\r\n"));
        const CreateReport r = RunCreateCommand(m_s, *m_db, QString(), {}, CreateSteps{});
        QVERIFY(!r.ok());
        QVERIFY2(r.failures.join(u' ').contains(u"Help File Name holds \"\u4e2d\""),
                 qPrintable(r.failures.join(u'\n')));
        QVERIFY(r.written.isEmpty());
        QCOMPARE(testenv::readAll(m_s.vbProjectFileName), QByteArray("HelpFile=\"\"\r\n"));
    }

    void bareSourceNamesAreTakenFromTheHelpProjectsFolder() {
        addTopic(*m_db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QVariant(), QVariant(),
                 QStringLiteral("Text"), 10);
        addRow(*m_db, QStringLiteral("ContentsFile"),
               {{"TopicID", QStringLiteral("IDH_MAIN.1")},
                {"Title", QStringLiteral("Main")},
                {"Level", QStringLiteral("1")},
                {"Parent", QStringLiteral("Root")},
                {"Type", QStringLiteral("2")}});
        const QString folder = path(QStringLiteral("project"));
        QVERIFY(QDir().mkpath(folder));
        m_s.helpProjectFileName = folder + QStringLiteral("/help.hpj");
        m_s.rtfFileName = QStringLiteral("help.rtf");
        m_s.contentsFileName = QStringLiteral("help.cnt");
        m_s.createContentsFile = 1;
        m_s.compile = 1;
        // The working folder is another one, which must stay empty.
        const QString work = path(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(work));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(before); });
        CreateSteps steps = DefaultCreateSteps();
        steps.compile = [](const QString& hpj) {
            return OutcomeOfCompile(CompileHelpProject(hpj, CompileWait::UntilFinished));
        };
        const CreateReport r = RunCreateCommand(m_s, *m_db, QString(), {}, steps);
        QVERIFY2(r.ok(), qPrintable(r.failures.join(u'\n')));
        QVERIFY(r.compiled);
        QCOMPARE(r.written,
                 QStringList({folder + QStringLiteral("/help.rtf"), m_s.helpProjectFileName,
                              folder + QStringLiteral("/help.cnt"),
                              folder + QStringLiteral("/help.hlp")}));
        QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(testenv::readAll(folder + QStringLiteral("/help.cnt"))
                    .startsWith(":Base help.hlp\r\n"));
    }

    void failureNamesTheFile() {
        QVERIFY(testenv::writeAll(m_s.helpProjectFileName, "keep"));
        m_s.rtfFileName = path(QStringLiteral("no/such/folder/help.rtf"));
        try {
            CreateReport report;
            CreateGeneralHelp(m_s, *m_db, report);
            QFAIL("no error for an RTF file in a missing folder");
        } catch (const fileio::FileWriteError& e) {
            QCOMPARE(e.fileName(), m_s.rtfFileName);
            QVERIFY(e.message().contains(QStringLiteral("help.rtf")));
        }
        QCOMPARE(hpj(), QByteArray("keep")); // the command ended before it
    }

    void missingCompiler() {
        // Without the built-in compiler either.
        const QByteArray buildDir = qgetenv("QUILLMATE_BUILD_DIR");
        qunsetenv("QUILLMATE_BUILD_DIR");
        const auto restore = qScopeGuard([&] { qputenv("QUILLMATE_BUILD_DIR", buildDir); });
        QVERIFY(BuiltInHelpCompiler().isEmpty());
        QString found = QStringLiteral("x");
        QCOMPARE(LookUpHelpCompiler(found),
                 str::message::CompilerNotLoadedProperly); // no App Paths key at all
        QVERIFY(found.isEmpty());
        const CompileResult noKey = CompileHelpProject(m_s.helpProjectFileName);
        registerCompiler(QByteArray()); // the key without hcw.exe
        const CompileResult noValue = CompileHelpProject(m_s.helpProjectFileName);
        registerCompiler(QByteArray("/no/such/compiler"));
        const CompileResult missing = CompileHelpProject(m_s.helpProjectFileName);
        const QString notExecutable = path(QStringLiteral("hcw.txt"));
        QVERIFY(testenv::writeAll(notExecutable, "text"));
        registerCompiler(QFile::encodeName(notExecutable));
        const CompileResult plainFile = CompileHelpProject(m_s.helpProjectFileName);
        for (const CompileResult& r : {noKey, noValue, missing, plainFile})
            QVERIFY(!r.started);
        // The messages of the string table come first, then how to register one.
        const auto firstLine = [](const CompileResult& r) {
            return r.message.section(u'\n', 0, 0);
        };
        QCOMPARE(firstLine(noKey),
                 QStringLiteral("Microsoft Help Compiler Workshop not loaded properly"));
        QCOMPARE(firstLine(noValue),
                 QStringLiteral("Mircosoft Help Compiler Workshop is not loaded."));
        for (const CompileResult& r : {noKey, noValue, missing, plainFile})
            QVERIFY2(
                r.message.endsWith(QStringLiteral("App Paths\\hcw.exe\" /ve /d /path/to/compiler")),
                qPrintable(r.message));
        // A compiler that cannot start says why.
        QVERIFY(missing.message.startsWith(
            QStringLiteral("An error occurred while compilling the help "
                           "file.\nThe help compiler /no/such/compiler could "
                           "not be started: the file does not exist.\n")));
        QVERIFY(plainFile.message.contains(u"could not be started: the file is not executable.\n"));
        QVERIFY(m_messages.isEmpty()); // nothing shown: the caller shows the message
    }

    void builtInCompilerWhenNoneIsRegistered() {
        QVERIFY(!BuiltInHelpCompiler().isEmpty());
        auto db = testenv::freshProject(path(QStringLiteral("hc.QMT")));
        addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QVariant(), QVariant(),
                 QStringLiteral("Text"), 10);
        m_s.helpFileName = QStringLiteral("built.hlp");
        CreateReport report;
        CreateGeneralHelp(m_s, *db, report);
        const CompileResult r =
            CompileHelpProject(m_s.helpProjectFileName, CompileWait::UntilFinished);
        QVERIFY(r.succeeded());
        QVERIFY(testenv::readAll(path(QStringLiteral("built.hlp")))
                    .startsWith(QByteArray("\x3F\x5F\x03\x00", 4)));
        registerCompiler(QByteArray("/no/such/compiler")); // a registered compiler still wins
        const CompileResult registered = CompileHelpProject(m_s.helpProjectFileName);
        QVERIFY(!registered.started);
        QVERIFY(registered.message.contains(u"/no/such/compiler"));
    }

    void compilerGetsItsArguments() {
        const QString log = path(QStringLiteral("args.txt"));
        registerCompiler(QFile::encodeName(
            writeRecordingCompiler(path(QStringLiteral("hcw script.sh")), log, 3)));
        const QString hpjWithBlanks = path(QStringLiteral("my help project.hpj"));
        QVERIFY(CompileHelpProject(hpjWithBlanks).started);
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(log) && t.elapsed() < 10000)
            QTest::qWait(20);
        const QByteArray expected = "/c\n/e\n/m\n" + QFile::encodeName(hpjWithBlanks) + "\n";
        QCOMPARE(testenv::readAll(log), expected);

        QFile::remove(log);
        const CompileResult waited = CompileHelpProject(hpjWithBlanks, CompileWait::UntilFinished);
        QVERIFY(waited.started);
        QCOMPARE(waited.exitCode, 3);
        QVERIFY(!waited.succeeded());
        QCOMPARE(waited.message, QStringLiteral("The help compiler ended with status 3."));
        QCOMPARE(testenv::readAll(log), expected);
        QVERIFY(m_messages.isEmpty());
    }

    void createCommandOrder() {
        QStringList calls;
        CreateSteps steps;
        steps.createContentsFile = [&](dao::Database&, const CreateSettings& s) {
            calls << QStringLiteral("contents:") + s.contentsFileName;
            [&] { QVERIFY(QFile::exists(s.rtfFileName)); }(); // general help came first
            return true;
        };
        steps.writeForms = [&](dao::Database&, const FormWriteOptions& options, const QString& vbp,
                               const std::vector<FormRow>& forms) {
            calls << QStringLiteral("forms:%1%2%3:%4:%5")
                         .arg(options.toolTips ? u"T" : u"", options.helpIds ? u"H" : u"",
                              options.whatsThisHelp ? u"W" : u"", vbp,
                              QString::number(forms.size()));
            return FormWriteResult{
                1, 2, {QStringLiteral("frmB.frm: cannot be read")}, {QStringLiteral("a warning")}};
        };
        steps.compile = [&](const QString& hpj) {
            calls << QStringLiteral("compile:") + hpj;
            return CompileOutcome{true, {}};
        };
        steps.createHtmlHelp = [&](dao::Database&, const CreateSettings& s, CreateReport& r) {
            calls << QStringLiteral("html");
            r.written << s.helpProjectFileName;
        };
        steps.compileHtmlHelp = [&](const CreateSettings& s) {
            calls << QStringLiteral("chm:") + s.helpProjectFileName;
            return CompileOutcome{false, QStringLiteral("no chm")};
        };
        const std::vector<FormRow> forms{{QStringLiteral("frmA"), QStringLiteral("a.frm")}};

        m_s.createContentsFile = 1;
        m_s.createToolTips = 1;
        m_s.createContextSensitiveHelp = 1;
        m_s.compile = 1;
        CreateReport r = RunCreateCommand(m_s, *m_db, QStringLiteral("app.vbp"), forms, steps);
        QCOMPARE(calls, QStringList({QStringLiteral("contents:help.cnt"),
                                     QStringLiteral("forms:TH:app.vbp:1"),
                                     QStringLiteral("compile:") + m_s.helpProjectFileName}));
        // The bare contents file name is taken from the help project's folder.
        QCOMPARE(r.written, QStringList({m_s.rtfFileName, m_s.helpProjectFileName,
                                         path(QStringLiteral("help.cnt"))}));
        QVERIFY(r.compiled);
        QCOMPARE(r.failures, QStringList(QStringLiteral("frmB.frm: cannot be read")));
        QCOMPARE(r.warnings, QStringList(QStringLiteral("a warning")));
        QCOMPARE(r.formsRewritten, 1);
        QCOMPARE(r.controlsUpdated, 2);
        QVERIFY(!r.ok());

        // HTML Help instead of the WinHelp files, its compiler last; the form
        // writers still run, and a compile that fails fails the run.
        calls.clear();
        QFile::remove(m_s.rtfFileName);
        m_s.helpType = HelpType::HtmlHelp;
        r = RunCreateCommand(m_s, *m_db, QStringLiteral("app.vbp"), forms, steps);
        QCOMPARE(calls, QStringList({QStringLiteral("html"), QStringLiteral("forms:TH:app.vbp:1"),
                                     QStringLiteral("chm:") + m_s.helpProjectFileName}));
        QVERIFY(!QFile::exists(m_s.rtfFileName));
        QVERIFY(r.compileDue && !r.compiled);
        QVERIFY(r.failures.contains(QStringLiteral("no chm")));

        // Windows Help without general help writes no help files of either kind.
        calls.clear();
        m_s.helpType = HelpType::WindowsHelp;
        m_s.createGeneralHelp = 0;
        r = RunCreateCommand(m_s, *m_db, QStringLiteral("app.vbp"), forms, steps);
        QCOMPARE(calls, QStringList({QStringLiteral("forms:TH:app.vbp:1")}));
        QVERIFY(!r.compileDue);

        // No application project: the form writers are not run, and the run
        // says why instead of blaming a form.
        calls.clear();
        r = RunCreateCommand(m_s, *m_db, QString(), forms, steps);
        QVERIFY(calls.isEmpty());
        QCOMPARE(r.failures.size(), 2);
        QVERIFY2(
            r.failures.at(1).startsWith(u"No application project is named, so the help IDs of "),
            qPrintable(r.failures.join(u'\n')));
        m_s.createGeneralHelp = 1;

        // Either writer alone, and WhatsThisHelp on forms with the help IDs.
        calls.clear();
        m_s.createGeneralHelp = 0;
        m_s.setFormWhatsThisHelp = 1;
        const QString vbp = QStringLiteral("app.vbp");
        RunCreateCommand(m_s, *m_db, vbp, forms, steps);
        m_s.createToolTips = 0;
        RunCreateCommand(m_s, *m_db, vbp, forms, steps);
        m_s.createToolTips = 1;
        m_s.createContextSensitiveHelp = 0;
        RunCreateCommand(m_s, *m_db, vbp, forms, steps);
        QCOMPARE(calls, QStringList({QStringLiteral("forms:THW:app.vbp:1"),
                                     QStringLiteral("forms:HW:app.vbp:1"),
                                     QStringLiteral("forms:T:app.vbp:1")}));
        m_s.createContextSensitiveHelp = 1;
        m_s.setFormWhatsThisHelp = 0;
        m_s.createGeneralHelp = 1;

        // A contents file that is not written fails the run.
        calls.clear();
        m_s.helpType = HelpType::WindowsHelp;
        m_s.createToolTips = m_s.createContextSensitiveHelp = m_s.compile = 0;
        steps.createContentsFile = [](dao::Database&, const CreateSettings&) { return false; };
        r = RunCreateCommand(m_s, *m_db, QString(), forms, steps);
        QCOMPARE(r.failures, QStringList(u"The contents file " + path(QStringLiteral("help.cnt")) +
                                         u" was not written: the contents tree is empty."));

        // A failing step fails the run; the steps that do not need it still
        // run, the help file is still compiled, files written before stay.
        calls.clear();
        m_s.createContentsFile = 0;
        m_s.createToolTips = m_s.createContextSensitiveHelp = m_s.compile = 1;
        steps.writeForms = [&](dao::Database&, const FormWriteOptions&, const QString&,
                               const std::vector<FormRow>&) -> FormWriteResult {
            throw fileio::FileWriteError(QStringLiteral("frmA.frm"), QStringLiteral("it broke"));
        };
        for (const HelpType type : {HelpType::WindowsHelp, HelpType::HtmlHelp}) {
            calls.clear();
            m_s.helpType = type;
            r = RunCreateCommand(m_s, *m_db, QStringLiteral("app.vbp"), forms, steps);
            QCOMPARE(r.failures.first(), QStringLiteral("frmA.frm: it broke"));
            QVERIFY(calls.last().startsWith(type == HelpType::HtmlHelp ? u"chm:" : u"compile:"));
        }
        m_s.helpType = HelpType::WindowsHelp;
        m_s.compile = 0;
        QVERIFY(QFile::exists(m_s.rtfFileName));

        // A compiler that did not start makes the run fail, with its message.
        m_s.createToolTips = m_s.createContextSensitiveHelp = 0;
        m_s.compile = 1;
        steps.compile = [](const QString&) { return CompileOutcome{false, QStringLiteral("no")}; };
        r = RunCreateCommand(m_s, *m_db, QString(), forms, steps);
        QVERIFY(r.compileDue && !r.compiled);
        QCOMPARE(r.failures, QStringList(QStringLiteral("no")));

        // No help project written: no compiler is started on a missing file.
        bool started = false;
        steps.compile = [&](const QString&) {
            started = true;
            return CompileOutcome{true};
        };
        const QString hpj = m_s.helpProjectFileName;
        QVERIFY(QFile::remove(hpj));
        m_s.rtfFileName.clear();
        r = RunCreateCommand(m_s, *m_db, QString(), forms, steps);
        QVERIFY(!started && r.compileDue && !r.compiled);
        QVERIFY(!QFile::exists(hpj));
        QVERIFY2(r.failures.last().startsWith(QStringLiteral("The help file was not compiled: the "
                                                             "help project file ")),
                 qPrintable(r.failures.join(u'\n')));
    }

    // Each output is told before it is begun; a run stopped there leaves the
    // outputs before it whole and begins none after it, work files included.
    void createStopsBetweenOutputs_data() {
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("stopped");
        QTest::newRow("runs through")
            << 0
            << QStringList{QStringLiteral("contents"), QStringLiteral("forms"),
                           QStringLiteral("compile")}
            << 0;
        QTest::newRow("before the first") << 1 << QStringList() << 4;
        QTest::newRow("before the contents") << 2 << QStringList() << 3;
        QTest::newRow("before the forms") << 3 << QStringList{QStringLiteral("contents")} << 2;
        QTest::newRow("before the compiler")
            << 4 << QStringList{QStringLiteral("contents"), QStringLiteral("forms")} << 1;
    }
    void createStopsBetweenOutputs() {
        QFETCH(int, stopAt);
        QFETCH(QStringList, calls);
        QFETCH(int, stopped);
        addTopic(*m_db, QStringLiteral("IDH_A"), QStringLiteral("A"), QString(), QString(),
                 QStringLiteral("Text"), 1);
        QStringList made;
        QStringList told;
        CreateSteps steps;
        steps.createContentsFile = [&](dao::Database&, const CreateSettings&) {
            made << QStringLiteral("contents");
            return true;
        };
        steps.writeForms = [&](dao::Database&, const FormWriteOptions&, const QString&,
                               const std::vector<FormRow>&) {
            made << QStringLiteral("forms");
            return FormWriteResult{};
        };
        steps.compile = [&](const QString&) {
            made << QStringLiteral("compile");
            return CompileOutcome{true, {}};
        };
        steps.progress = [&](const CreateProgress& p) {
            told << QStringLiteral("%1/%2 %3").arg(p.step).arg(p.steps).arg(p.doing);
            return p.step != stopAt;
        };
        m_s.createContentsFile = m_s.createToolTips = m_s.compile = 1;
        const std::vector<FormRow> forms{{QStringLiteral("frmA"), QStringLiteral("a.frm")}};
        const CreateReport r =
            RunCreateCommand(m_s, *m_db, QStringLiteral("app.vbp"), forms, steps);

        QCOMPARE(made, calls);
        const QStringList all{
            QStringLiteral("0/0 Reading the project and checking its texts"),
            QStringLiteral("1/4 Writing the RTF topic file and the help project file"),
            QStringLiteral("2/4 Writing the contents file"),
            QStringLiteral("3/4 Writing the forms of the application project"),
            QStringLiteral("4/4 Compiling the help file")};
        QCOMPARE(told, stopAt == 0 ? all : all.mid(0, stopAt + 1));
        QCOMPARE(r.stopped.size(), stopped);
        QCOMPARE(r.ok(), stopped == 0);
        const bool sourcesWritten = stopAt == 0 || stopAt > 1;
        QCOMPARE(QFile::exists(m_s.rtfFileName), sourcesWritten);
        QCOMPARE(QFile::exists(m_s.helpProjectFileName), sourcesWritten);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Hidden | QDir::Files).filter(u".qmt-"),
                 QStringList()); // no work file left behind
        if (stopped == 0)
            return;
        QVERIFY(rtf().isEmpty() || rtf().endsWith("}\r\n")); // whole, not cut short
        QCOMPARE(r.stopped.last(),
                 QStringLiteral("the help file ") + path(QStringLiteral("help.hlp")));
        const QString words = DescribeCreateReport(r);
        QVERIFY2(words.startsWith(QStringLiteral("Create was stopped.")) &&
                     words.contains(QStringLiteral("Stopped before (left as they were):\n  ") +
                                    r.stopped.first()),
                 qPrintable(words));
        QVERIFY2(SummarizeCreateReport(r).startsWith(QStringLiteral("Create stopped: ")) &&
                     SummarizeCreateReport(r).contains(QStringLiteral(" not begun")),
                 qPrintable(SummarizeCreateReport(r)));
    }

    void createSummaryInWords() {
        CreateReport r;
        QCOMPARE(DescribeCreateReport(r),
                 QStringLiteral("Create is done.\n\nNothing needed writing."));
        QCOMPARE(SummarizeCreateReport(r), QStringLiteral("Create done: 0 files written."));

        r.written = {QStringLiteral("/h/a.rtf"), QStringLiteral("/h/a.hpj")};
        r.formsRewritten = 2;
        r.controlsUpdated = 1;
        r.warn(QStringLiteral("frmA.tmr1 (VB.Timer) has no ToolTipText."));
        r.fail(QStringLiteral("The help compiler ended with status 1.\nline two"));
        r.compileDue = true;
        r.compileNote = QStringLiteral("The help file was not compiled.");
        QCOMPARE(DescribeCreateReport(r),
                 QStringLiteral(
                     "Create did not do everything it was asked to.\n\n"
                     "Files written:\n  /h/a.rtf\n  /h/a.hpj\n\n"
                     "Forms: 2 form files rewritten, 1 control given a line (tool tips "
                     "and help IDs count apart).\n\n"
                     "Not done:\n  The help compiler ended with status 1.\n  line two\n\n"
                     "Skipped or worth a look:\n  frmA.tmr1 (VB.Timer) has no ToolTipText.\n\n"
                     "Help compiler: The help file was not compiled."));
        QCOMPARE(SummarizeCreateReport(r),
                 QStringLiteral("Create failed: 2 files written, 1 control line written, 1 "
                                "problem, 1 warning, not compiled."));
    }
};

QTEST_GUILESS_MAIN(TestGenerationFiles)
#include "tst_generation_files.moc"
