// qmt --create PROJECT.QMT: the Create command without a window, through the
// program itself.
#include "common/testenv.h"
#include "genfixture.h"

#include "generation/createbatch.h"
#include "workspace/options.h"

#include <QProcess>
#include <QtTest>

using namespace genfixture;

class TestGenerationBatch : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    QByteArray m_stderr;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    // A project with one topic and the given option rows.
    void makeProjectWith(const QList<QPair<QString, QString>>& options) {
        auto db = testenv::freshProject(m_project);
        addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QString(), QString(),
                 QStringLiteral("Text"), 10);
        for (const auto& [key, value] : options)
            setOption(*db, key, value);
        db->Close();
    }

    QList<QPair<QString, QString>> windowsHelp() const {
        return {{QStringLiteral("HPFN"), path(QStringLiteral("out/help.hpj"))},
                {QStringLiteral("HPJT"), QStringLiteral("Batch Help")},
                {QStringLiteral("HLPF"), QStringLiteral("help.hlp")},
                {QStringLiteral("RTFF"), path(QStringLiteral("out/help.rtf"))},
                {QStringLiteral("CRGH"), QStringLiteral("1")},
                {QStringLiteral("HTMH"), QStringLiteral("False")},
                {QStringLiteral("WHLP"), QStringLiteral("True")}};
    }

    // qmt --create, optionally under a file-size limit (a nearly full disk).
    int runCreate(int fileSizeLimit = 0) {
        QProcess qmt;
        const QString program =
            qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt");
        if (fileSizeLimit > 0)
            qmt.start(QStringLiteral("prlimit"), {QStringLiteral("--fsize=%1").arg(fileSizeLimit),
                                                  program, QStringLiteral("--create"), m_project});
        else
            qmt.start(program, {QStringLiteral("--create"), m_project});
        if (!qmt.waitForFinished(60000))
            return -1;
        m_stderr = qmt.readAllStandardError();
        return qmt.exitStatus() == QProcess::NormalExit ? qmt.exitCode() : -1;
    }

    int optionRows() {
        auto db = dao::Database::OpenDatabase(m_project);
        return db->OpenRecordset(QStringLiteral("select * from Options"), dao::dbOpenSnapshot)
            ->RecordCount();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
        m_project = path(QStringLiteral("batch project.QMT"));
    }

    void storedOptionsAsTheWindowShowsThem() {
        auto db = testenv::freshProject(m_project);
        setOption(*db, QStringLiteral("HPJT"), QStringLiteral("T"));
        setOption(*db, QStringLiteral("CRCF"), QStringLiteral("1"));
        setOption(*db, QStringLiteral("CRTT"), QStringLiteral("two")); // does not convert
        setOption(*db, QStringLiteral("HTMH"), QStringLiteral("True"));
        setOption(*db, QStringLiteral("WHLP"), QStringLiteral("False"));
        CreateSettings s = options::ReadCreateSettings(*db);
        QCOMPARE(s.helpProjectTitle, QStringLiteral("T"));
        QCOMPARE(s.createContentsFile, 1);
        QCOMPARE(s.createToolTips, 0);
        QCOMPARE(s.createGeneralHelp, 0); // no row: cleared
        QVERIFY(s.helpType == HelpType::HtmlHelp);

        auto empty = testenv::freshProject(path(QStringLiteral("empty.QMT")));
        // No help type stored: none is chosen, as the window shows it.
        QVERIFY(options::ReadCreateSettings(*empty).helpType == HelpType::None);
    }

    void disabledCreateWritesNothing() {
        auto options = windowsHelp();
        options << qMakePair(QStringLiteral("CRCF"), QStringLiteral("1")); // no contents name
        makeProjectWith(options);
        QCOMPARE(runCreate(), 2);
        QVERIFY(m_stderr.contains("contents file name"));
        QVERIFY(QDir(path(QStringLiteral("out"))).isEmpty());
    }

    // Bare names go beside the project file, wherever qmt was started.
    void bareNamesGoBesideTheProject() {
        makeProjectWith({{QStringLiteral("HPFN"), QStringLiteral("bare.hpj")},
                         {QStringLiteral("HPJT"), QStringLiteral("Bare")},
                         {QStringLiteral("HLPF"), QStringLiteral("bare.hlp")},
                         {QStringLiteral("RTFF"), QStringLiteral("bare.rtf")},
                         {QStringLiteral("CRGH"), QStringLiteral("1")},
                         {QStringLiteral("WHLP"), QStringLiteral("True")}});
        QCOMPARE(runCreate(), 0);
        for (const char* name : {"bare.hpj", "bare.rtf"}) {
            QVERIFY2(QFile::exists(path(QString::fromLatin1(name))), name);
            QVERIFY(!QFile::exists(QDir::current().filePath(QString::fromLatin1(name))));
        }
    }

    void writesTheSelectedOutputs() {
        makeProjectWith(windowsHelp());
        const int rowsBefore = optionRows();
        QCOMPARE(runCreate(), 0);
        QVERIFY2(m_stderr.isEmpty(), m_stderr.constData());
        QVERIFY(testenv::readAll(path(QStringLiteral("out/help.rtf"))).contains("IDH_MAIN}}}\r\n"));
        const QByteArray hpj = testenv::readAll(path(QStringLiteral("out/help.hpj")));
        QVERIFY(hpj.contains("\r\nTITLE=Batch Help\r\nHLP=help.hlp\r\n"));
        QVERIFY(hpj.contains("[MAP]\r\nIDH_MAIN=10\r\n \r\n"));
        QCOMPARE(optionRows(), rowsBefore); // the stored options stay as they were
    }

    void contentsAndToolTips() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        const QString frm = path(QStringLiteral("frmA.frm"));
        QVERIFY(testenv::writeAll(vbp, "Type=Exe\r\nForm=frmA.frm\r\nHelpFile=\"x\"\r\n"));
        QVERIFY(testenv::writeAll(frm, "VERSION 5.00\r\nBegin VB.Form frmA\r\n"
                                       "   Caption = \"A\"\r\n   Begin VB.CommandButton cmdOk\r\n"
                                       "      Caption = \"OK\"\r\n      TabIndex = 0\r\n"
                                       "      Top = 120\r\n   End\r\nEnd\r\n"
                                       "Attribute VB_Name = \"frmA\"\r\n"));
        auto options = windowsHelp();
        options << qMakePair(QStringLiteral("CRCF"), QStringLiteral("1"))
                << qMakePair(QStringLiteral("CONF"), path(QStringLiteral("out/help.cnt")))
                << qMakePair(QStringLiteral("CRTT"), QStringLiteral("1"))
                << qMakePair(QStringLiteral("CRVB"), QStringLiteral("1"))
                << qMakePair(QStringLiteral("VBPF"), vbp);
        makeProjectWith(options);
        {
            auto db = dao::Database::OpenDatabase(m_project);
            addRow(*db, QStringLiteral("ContentsFile"),
                   {{"TopicID", QStringLiteral("IDH_MAIN.1")},
                    {"Title", QStringLiteral("Main")},
                    {"Level", QStringLiteral("1")},
                    {"Parent", QStringLiteral("Root")},
                    {"Type", QStringLiteral("2")}});
            addRow(
                *db, QStringLiteral("ToolTips"),
                {{"Object", QStringLiteral("frmA.cmdOk")}, {"HelpText", QStringLiteral("Accept")}});
        }
        QCOMPARE(runCreate(), 0);
        QVERIFY2(m_stderr.isEmpty(), m_stderr.constData());
        QVERIFY(testenv::readAll(path(QStringLiteral("out/help.cnt")))
                    .startsWith(":Base help.hlp\r\n"));
        QVERIFY(testenv::readAll(frm).contains("ToolTipText"));
        QVERIFY(testenv::readAll(vbp).contains("\r\nHelpFile=\"help.hlp\"\r\n"));

        // What's This IDs on a form whose WhatsThisHelp is False: a warning on
        // standard error, or with the option the form's WhatsThisHelp set.
        {
            auto db = dao::Database::OpenDatabase(m_project);
            addWhatsThis(*db, QStringLiteral("frmA.cmdOk"), QStringLiteral("IDH_MAIN"),
                         QStringLiteral("Accepts."), 7);
            setOption(*db, QStringLiteral("CRCS"), QStringLiteral("1"));
        }
        QCOMPARE(runCreate(), 0);
        QCOMPARE(QString::fromLocal8Bit(m_stderr),
                 QStringLiteral("qmt: warning: frmA: 1 control got a What's This ID, but the "
                                "form's WhatsThisHelp is False: the pop-ups will not show\n")
                     .replace(QStringLiteral("pop-ups"), QStringLiteral("pop-up")));
        QVERIFY(!testenv::readAll(frm).contains("WhatsThisHelp "));
        {
            auto db = dao::Database::OpenDatabase(m_project);
            setOption(*db, QStringLiteral("CRWH"), QStringLiteral("1"));
        }
        QCOMPARE(runCreate(), 0);
        QVERIFY2(m_stderr.isEmpty(), m_stderr.constData());
        QVERIFY(testenv::readAll(frm).contains(
            "   Caption = \"A\"\r\n   WhatsThisHelp   =   -1  'True\r\n   Begin VB.CommandButton"));
    }

    void failuresGiveStatusOne() {
        auto options = windowsHelp();
        options[3].second = path(QStringLiteral("missing/help.rtf"));
        makeProjectWith(options);
        QCOMPARE(runCreate(), 1);
        QVERIFY(m_stderr.contains("help.rtf"));
        QVERIFY(!QFile::exists(path(QStringLiteral("out/help.hpj"))));

        m_project = path(QStringLiteral("no such project.QMT"));
        QCOMPARE(runCreate(), 1);
        QVERIFY(!m_stderr.isEmpty());

        // A folder is named as what it is.
        m_project = path(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(m_project));
        QCOMPARE(runCreate(), 1);
        QCOMPARE(QString::fromLocal8Bit(m_stderr),
                 QStringLiteral("qmt: %1 is a folder, not a project file.\n").arg(m_project));
    }

    void outputsNotWrittenFailTheRun() {
        // General help ticked without an RTF name; tool tips make Create available.
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "Type=Exe\r\n"));
        auto options = windowsHelp();
        options.removeAt(3);
        options << qMakePair(QStringLiteral("CRTT"), QStringLiteral("1"))
                << qMakePair(QStringLiteral("VBPF"), vbp);
        makeProjectWith(options);
        QCOMPARE(runCreate(), 1);
        QVERIFY2(m_stderr.contains("general help file was not written"), m_stderr.constData());
    }

    void fullDiskLeavesTheProjectFileWhole() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        const QByteArray before =
            "Type=Exe\r\nHelpFile=\"old.hlp\"\r\n" + QByteArray("Reference=x\r\n").repeated(800);
        QVERIFY(testenv::writeAll(vbp, before));
        auto options = windowsHelp();
        options << qMakePair(QStringLiteral("CRVB"), QStringLiteral("1"))
                << qMakePair(QStringLiteral("VBPF"), vbp);
        makeProjectWith(options);
        QCOMPARE(runCreate(4096), 1);
        QVERIFY2(m_stderr.contains("app.vbp") && m_stderr.contains("File too large"),
                 m_stderr.constData());
        QCOMPARE(testenv::readAll(vbp), before);
        const QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.filter(QStringLiteral(".qmt-")).isEmpty(), qPrintable(left.join(u' ')));
    }

    void compilation() {
        auto options = windowsHelp();
        options << qMakePair(QStringLiteral("COMP"), QStringLiteral("1"));
        makeProjectWith(options);
        // Nothing registered: the built-in compiler beside the program, waited for.
        QCOMPARE(runCreate(), 0);
        QVERIFY(testenv::readAll(path(QStringLiteral("out/help.hlp")))
                    .startsWith(QByteArray("\x3F\x5F\x03\x00", 4)));

        const QString log = path(QStringLiteral("args.txt"));
        registerCompiler(
            QFile::encodeName(writeRecordingCompiler(path(QStringLiteral("good hcw.sh")), log, 0)));
        QCOMPARE(runCreate(), 0);
        QCOMPARE(testenv::readAll(log),
                 "/c\n/e\n/m\n" + QFile::encodeName(path(QStringLiteral("out/help.hpj"))) + "\n");

        registerCompiler(
            QFile::encodeName(writeRecordingCompiler(path(QStringLiteral("bad hcw.sh")), log, 4)));
        QCOMPARE(runCreate(), 1);
        QVERIFY(m_stderr.contains("status 4"));
    }

    // HTML Help: the sources, the HelpFile line naming the .chm, and the .chm
    // itself; a compile that fails gives status 1 and keeps the old file.
    void htmlHelpBuildsTheHelpFile() {
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "Type=Exe\r\nHelpFile=\"x\"\r\n"));
        makeProjectWith({{QStringLiteral("HPFN"), path(QStringLiteral("out/help.hhp"))},
                         {QStringLiteral("HLPF"), QStringLiteral("help.chm")},
                         {QStringLiteral("CONF"), path(QStringLiteral("out/help.hhc"))},
                         {QStringLiteral("INDX"), path(QStringLiteral("out/help.hhk"))},
                         {QStringLiteral("RTFF"), path(QStringLiteral("out/help.rtf"))},
                         {QStringLiteral("CRGH"), QStringLiteral("1")},
                         {QStringLiteral("CRVB"), QStringLiteral("1")},
                         {QStringLiteral("VBPF"), vbp},
                         {QStringLiteral("COMP"), QStringLiteral("1")},
                         {QStringLiteral("HTMH"), QStringLiteral("True")},
                         {QStringLiteral("WHLP"), QStringLiteral("False")}});
        QCOMPARE(runCreate(), 0);
        QVERIFY2(m_stderr.isEmpty(), m_stderr.constData());
        for (const char* name : {"help.hhp", "help.hhc", "help.hhk", "help.h", "help.bas",
                                 "help_html/IDH_MAIN.htm", "help.chm"})
            QVERIFY2(QFileInfo(path(QStringLiteral("out/")) + QLatin1String(name)).size() > 0,
                     name);
        QVERIFY(!QFile::exists(path(QStringLiteral("out/help.rtf"))));
        QVERIFY(testenv::readAll(vbp).contains("\r\nHelpFile=\"help.chm\"\r\n"));

        const QByteArray built = testenv::readAll(path(QStringLiteral("out/help.chm")));
        const QString compiler = path(QStringLiteral("silent hhc.sh"));
        QVERIFY(testenv::writeAll(compiler, "#!/bin/sh\nexit 0\n"));
        QFile(compiler).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        winreg::HKEY key = 0;
        winreg::DWORD disposition = 0;
        QVERIFY(winreg::RegCreateKeyExA(winreg::HKEY_LOCAL_MACHINE,
                                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                                        0, "App Paths", 0, 0x2003F, nullptr, &key,
                                        &disposition) == winreg::ERROR_SUCCESS);
        const QByteArray program = QFile::encodeName(compiler);
        QCOMPARE(winreg::RegSetValueA(key, "hhc.exe", winreg::REG_SZ, program.constData(),
                                      winreg::DWORD(program.size())),
                 winreg::ERROR_SUCCESS);
        winreg::RegCloseKey(key);
        QCOMPARE(runCreate(), 1);
        QVERIFY2(m_stderr.contains("help.chm: the HTML Help compiler wrote no help file"),
                 m_stderr.constData());
        QCOMPARE(testenv::readAll(path(QStringLiteral("out/help.chm"))), built);
    }
};

QTEST_GUILESS_MAIN(TestGenerationBatch)
#include "tst_generation_batch.moc"
