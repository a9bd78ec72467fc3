// Bringing existing help into a project: the readers line by line, then
// whole imports into a project that already holds entries of its own.
#include "common/project.h"
#include "common/testenv.h"

#include "codepage/codepages.h"
#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "generation/generalhelp.h"
#include "generation/htmlhelp.h"
#include "generation/htmlhelpcompile.h"
#include "import/chmimport.h"
#include "import/cntfile.h"
#include "import/hlpimport.h"
#include "import/htmltext.h"
#include "import/importer.h"
#include "import/mapfile.h"
#include "import/rtftopics.h"
#include "import/vbpimport.h"
#include "workspace/options.h"
#include "workspace/records.h"

#include "compiler.h"
#include "hlpreader.h"
#include "picture.h"
#include "pictureimage.h"

#include <QImage>
#include <QtTest>

using namespace import;

namespace {

QStringList strings(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// The rows of a statement as "a|b|c" lines.
QStringList rows(dao::Database& db, const QString& sql, const QStringList& fields) {
    QStringList out;
    for (auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot); !rs->EOF_(); rs->MoveNext()) {
        QStringList values;
        for (const QString& f : fields)
            values << rs->Text(f);
        out << values.join(u'|');
    }
    return out;
}

const QByteArray kForm = "VERSION 5.00\r\n"
                         "Begin VB.Form frmMain\r\n"
                         "   Caption         =   \"Main\"\r\n"
                         "   HelpContextID   =   100\r\n"
                         "   Begin VB.CommandButton cmdOK\r\n"
                         "      ToolTipText     =   \"Save \"\"all\"\" caf\xe9\"\r\n"
                         "      HelpContextID   =   1001\r\n"
                         "      WhatsThisHelpID =   1001\r\n"
                         "      BeginProperty Font\r\n"
                         "         ToolTipText     =   \"not a control's\"\r\n"
                         "      EndProperty\r\n"
                         "   End\r\n"
                         "   Begin VB.Frame fra\r\n"
                         "      Begin VB.TextBox txt\r\n"
                         "         Index           =   0\r\n"
                         "         WhatsThisHelpID =   1002\r\n"
                         "      End\r\n"
                         "      Begin VB.TextBox txt\r\n"
                         "         Index           =   1\r\n"
                         "         WhatsThisHelpID =   1002\r\n"
                         "      End\r\n"
                         "      ToolTipText     =   \"frame tip\"\r\n"
                         "   End\r\n"
                         "   Begin VB.Label lbl\r\n"
                         "      ToolTipText     =   $\"frmMain.frx\":0000\r\n"
                         "      HelpContextID   =   70000\r\n"
                         "   End\r\n"
                         "End\r\n"
                         "Attribute VB_Name = \"frmMain\"\r\n"
                         "Private Sub x()\r\n"
                         "   ' ToolTipText = \"code, not a property\"\r\n"
                         "End Sub\r\n";

} // namespace

class TestImport : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<dao::Database> m_db;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    // A help file of the project's topics: out.hpj and out.rtf, compiled to out.hlp.
    CreateSettings helpFileSettings() const {
        CreateSettings s;
        s.helpType = HelpType::WindowsHelp;
        s.createGeneralHelp = 1;
        s.helpProjectTitle = QStringLiteral("Help");
        s.helpProjectFileName = path(QStringLiteral("out.hpj"));
        s.helpFileName = QStringLiteral("out.hlp");
        s.rtfFileName = path(QStringLiteral("out.rtf"));
        return s;
    }
    bool compileTopics() {
        const CreateSettings s = helpFileSettings();
        CreateReport created;
        CreateGeneralHelp(s, *m_db, created);
        hc::Diagnostics diagnostics;
        return created.ok() && hc::Compile(s.helpProjectFileName, diagnostics).written;
    }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString p = path(name);
        if (!testenv::writeAll(p, bytes))
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }
    QStringList topics() {
        return rows(*m_db, QStringLiteral("select * from GeneralHelp order by TopicID"),
                    {QStringLiteral("TopicID"), QStringLiteral("MapNumber")});
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = testenv::freshProject(path(QStringLiteral("p.QMT")));
    }
    void cleanup() { m_db.reset(); }

    void mapLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name"); // empty: no map line
        QTest::addColumn<qint64>("number");
        QTest::newRow("define") << "#define IDH_A 1001"
                                << "IDH_A" << qint64(1001);
        QTest::newRow("define with tabs and parentheses") << "#define\tIDH_A\t( 7 )"
                                                          << "IDH_A" << qint64(7);
        QTest::newRow("hexadecimal") << "#define IDH_A 0x3E9"
                                     << "IDH_A" << qint64(1001);
        QTest::newRow("hexadecimal, VB") << "Const IDH_A = &H3E9&"
                                         << "IDH_A" << qint64(1001);
        QTest::newRow("suffix") << "#define HIDC_OK 0x101L"
                                << "HIDC_OK" << qint64(257);
        QTest::newRow("VB module") << "Public Const IDH_A As Long = 12"
                                   << "IDH_A" << qint64(12);
        QTest::newRow("help project, =") << "IDH_A=5"
                                         << "IDH_A" << qint64(5);
        QTest::newRow("help project, blank") << "IDH_A 5"
                                             << "IDH_A" << qint64(5);
        QTest::newRow("full stop in a context string") << "IDH_FILE.OPEN=9"
                                                       << "IDH_FILE.OPEN" << qint64(9);
        QTest::newRow("out of range") << "#define IDH_A 40000"
                                      << "IDH_A" << qint64(-1);
        QTest::newRow("negative") << "IDH_A=-1"
                                  << "IDH_A" << qint64(-1);
        QTest::newRow("string constant") << "Const A = \"x\""
                                         << "" << qint64(0);
        QTest::newRow("VB attribute") << "Attribute VB_Name = \"modHelp\""
                                      << "" << qint64(0);
        QTest::newRow("include") << "#include \"afxhelp.hm\""
                                 << "" << qint64(0);
    }
    void mapLines() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QFETCH(qint64, number);
        QString gotName;
        qint64 gotNumber = 0;
        QCOMPARE(ParseMapLine(line, gotName, gotNumber), !name.isEmpty());
        if (!name.isEmpty()) {
            QCOMPARE(gotName, name);
            QCOMPARE(gotNumber, number);
        }
    }

    void mapFilesSkipComments() {
        MapRead read;
        ReadMapLines(QStringLiteral("// #define IDH_GONE 1\n/* #define IDH_IN 2\n"
                                    "#define IDH_STILL 3 */\n#define IDH_A 4 // four\n"
                                    "#define IDH_BIG 99999\n"),
                     QStringLiteral("m.h"), 1, read);
        QCOMPARE(read.entries.size(), std::size_t(1));
        QCOMPARE(read.entries[0].name, QStringLiteral("IDH_A"));
        QCOMPARE(read.entries[0].line, 4);
        QCOMPARE(read.problems.size(), 1);
        QVERIFY(read.problems[0].startsWith(u"m.h, line 5: the map number of IDH_BIG"));
    }

    void contentsLines() {
        const CntRead read = ReadContentsText(
            QStringLiteral(":Base app.hlp>main\r\n:Title Caf\u00e9\r\n; a comment\r\n"
                           "1 Start\r\n2 Intro=IDH_INTRO\r\n2 Elsewhere=IDH_X@other.hlp\r\n"
                           "2 Macro=!JumpId(`a.hlp',`x')\r\n2 Deeper\r\n3 In a window="
                           "IDH_W>second\r\n5 Too deep=IDH_D\r\n:Include more.cnt\r\n"
                           "1 Title = with equals=IDH_E\r\n"),
            QStringLiteral("c.cnt"));
        QCOMPARE(read.base, QStringLiteral("app.hlp"));
        QCOMPARE(read.title, QStringLiteral("Caf\u00e9"));
        QStringList got;
        for (const CntEntry& e : read.entries)
            got << QStringLiteral("%1 %2 %3").arg(e.level).arg(e.title, e.topicId);
        QCOMPARE(got,
                 QStringList({QStringLiteral("1 Start "), QStringLiteral("2 Intro IDH_INTRO"),
                              QStringLiteral("2 Deeper "), QStringLiteral("3 In a window IDH_W"),
                              QStringLiteral("3 Too deep IDH_D"),
                              QStringLiteral("1 Title = with equals IDH_E")}));
        // Every line kept nowhere is named, with its line.
        QCOMPARE(read.notTaken.size(), 4);
        for (const char* line : {"line 6:", "line 7:", "line 10:", "line 11:"})
            QVERIFY2(read.notTaken.join(u' ').contains(QLatin1String(line)),
                     qPrintable(read.notTaken.join(u'\n')));
    }

    void formProperties() {
        VbProjectHelp help;
        ReadFormHelp(kForm, QStringLiteral("frmMain"), QStringLiteral("frmMain.frm"), help);
        QStringList got;
        for (const ControlHelp& c : help.controls)
            got << QStringLiteral("%1 %2 [%3] %4 %5")
                       .arg(c.object, c.type, c.toolTip)
                       .arg(c.helpContextId)
                       .arg(c.whatsThisHelpId);
        // A control array gives one entry; nested controls keep their own
        // properties; a font's block and the code are not properties.
        QCOMPARE(got, QStringList({QStringLiteral("frmMain.cmdOK VB.CommandButton [Save \"all\" "
                                                  "caf\u00e9] 1001 1001"),
                                   QStringLiteral("frmMain.txt VB.TextBox [] 0 1002"),
                                   QStringLiteral("frmMain.fra VB.Frame [frame tip] 0 0"),
                                   QStringLiteral("frmMain.frmMain VB.Form [] 100 0")}));
        QCOMPARE(help.problems.size(), 2); // the .frx text and the number out of range

        // A control array's entry takes each property from the first element
        // that has it; a later element's other value is reported.
        VbProjectHelp array;
        ReadFormHelp("Begin VB.Form f\r\n"
                     "   Begin VB.TextBox t\r\n      Index = 0\r\n      WhatsThisHelpID = 7\r\n"
                     "   End\r\n"
                     "   Begin VB.TextBox t\r\n      Index = 1\r\n      ToolTipText = \"one\"\r\n"
                     "      WhatsThisHelpID = 8\r\n   End\r\n"
                     "   Begin VB.TextBox t\r\n      Index = 2\r\n      ToolTipText = \"two\"\r\n"
                     "      HelpContextID = 9\r\n   End\r\n"
                     "End\r\nAttribute VB_Name = \"f\"\r\n",
                     QStringLiteral("f"), QStringLiteral("f.frm"), array);
        QCOMPARE(array.controls.size(), std::size_t(1));
        QCOMPARE(array.controls[0].toolTip, QStringLiteral("one"));
        QCOMPARE(array.controls[0].helpContextId, 9);
        QCOMPARE(array.controls[0].whatsThisHelpId, 7);
        QCOMPARE(array.problems.size(), 2);
        QVERIFY2(array.problems.join(u' ').contains(u"ToolTipText \"two\"") &&
                     array.problems.join(u' ').contains(u"WhatsThisHelpID 8"),
                 qPrintable(array.problems.join(u'\n')));

        // A long tool tip kept in the .frx file beside the form: its length
        // in four bytes, then the text; one that runs past the end is reported.
        for (const auto& [frx, tip] :
             {std::pair{QByteArray("\x05\x00\x00\x00"
                                   "caf\xe9!",
                                   9),
                        QStringLiteral("caf\u00e9!")},
              std::pair{QByteArray("\x09\x00\x00\x00short", 9), QString()}}) {
            write(QStringLiteral("FRMMAIN.FRX"), frx);
            VbProjectHelp kept;
            ReadFormHelp(kForm, QStringLiteral("frmMain"), QStringLiteral("frmMain.frm"), kept,
                         m_dir->path());
            QString label;
            for (const ControlHelp& c : kept.controls)
                if (c.object == u"frmMain.lbl")
                    label = c.toolTip;
            QCOMPARE(label, tip);
            QCOMPARE(kept.problems.size(), tip.isEmpty() ? 2 : 1);
        }
    }

    // What the project holds stays as it is; what is new is added once.
    void vbProjectIntoAProject() {
        write(QStringLiteral("frmMain.frm"), kForm);
        const QString vbp =
            write(QStringLiteral("app.vbp"), "Type=Exe\r\nForm=frmMain.frm\r\nForm=gone.frm\r\n"
                                             "HelpFile=\"app.hlp\"\r\n");
        testenv::addRow(*m_db, QStringLiteral("ToolTips"),
                        {{"Object", QStringLiteral("frmMain.fra")},
                         {"HelpText", QStringLiteral("mine")},
                         {"Status", QStringLiteral("A")}});
        testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                        {{"TopicID", QStringLiteral("IDH_OK")},
                         {"MapNumber", 1001},
                         {"Status", QStringLiteral("A")}});
        ImportReport report = ImportSources(*m_db, {vbp});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QCOMPARE(rows(*m_db, QStringLiteral("select * from ToolTips order by Object"),
                      {QStringLiteral("Object"), QStringLiteral("HelpText")}),
                 QStringList({QStringLiteral("frmMain.cmdOK|Save \"all\" caf\u00e9"),
                              QStringLiteral("frmMain.fra|mine")}));
        // The topic with the number names the entry; others get a name of their own.
        QCOMPARE(rows(*m_db, QStringLiteral("select * from WhatsThis order by Object"),
                      {QStringLiteral("Object"), QStringLiteral("TopicID"),
                       QStringLiteral("MapNumber"), QStringLiteral("Type")}),
                 QStringList({QStringLiteral("frmMain.cmdOK|IDH_OK|1001|Both"),
                              QStringLiteral("frmMain.frmMain|IDH_frmMain_frmMain|100|ConS"),
                              QStringLiteral("frmMain.txt|IDH_frmMain_txt|1002|WhtS")}));
        const CreateSettings s = options::ReadCreateSettings(*m_db);
        QCOMPARE(s.helpFileName, QStringLiteral("app.hlp"));
        QCOMPARE(s.vbProjectFileName, vbp);
        const QString said = report.skipped.join(u'\n');
        QVERIFY2(said.contains(u"gone.frm listed in ") && said.contains(u"frmMain.fra has a tool "
                                                                        "tip in the project"),
                 qPrintable(said));

        // Again: nothing new, everything listed as left out, nothing changed.
        report = ImportSources(*m_db, {vbp});
        QVERIFY(report.ok());
        QVERIFY(report.added.isEmpty());
        QCOMPARE(rows(*m_db, QStringLiteral("select * from WhatsThis"), {QStringLiteral("Object")})
                     .size(),
                 3);
    }

    void mapHeaderSetsNumbersAndReportsClashes() {
        for (const auto& [id, map] :
             {std::pair{"IDH_ZERO", 0}, std::pair{"IDH_SET", 5}, std::pair{"IDH_OWNER", 7}})
            testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                            {{"TopicID", QString::fromLatin1(id)},
                             {"MapNumber", map},
                             {"Status", QStringLiteral("A")}});
        const QString header = write(QStringLiteral("help.hm"),
                                     "#define IDH_ZERO 10\r\n"   // gets its number
                                     "#define idh_set 6\r\n"     // keeps 5: a clash
                                     "#define IDH_NEW 11\r\n"    // made, empty
                                     "#define IDH_NEW 12\r\n"    // two numbers: a clash
                                     "#define IDH_TAKEN 7\r\n"   // made without the number
                                     "#define IDH SPACE 8\r\n"); // no map line
        const ImportReport report = ImportSources(*m_db, {header});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QCOMPARE(topics(), QStringList({QStringLiteral("IDH_NEW|11"), QStringLiteral("IDH_OWNER|7"),
                                        QStringLiteral("IDH_SET|5"), QStringLiteral("IDH_TAKEN|0"),
                                        QStringLiteral("IDH_ZERO|10")}));
        QCOMPARE(report.skipped.size(), 3);
        for (const char* line : {"line 2:", "line 4:", "line 5:"})
            QVERIFY2(report.skipped.join(u' ').contains(QLatin1String(line)),
                     qPrintable(report.skipped.join(u'\n')));
        // The counter of map numbers knows the numbers given out.
        QVERIFY(rows(*m_db, QStringLiteral("select * from Options where Option = 'LMAP'"),
                     {QStringLiteral("Descr")}) == QStringList(QStringLiteral("11")));
    }

    void helpProjectWithContents() {
        write(QStringLiteral("map.h"), "#define IDH_MAIN 100\r\n");
        write(QStringLiteral("topics.rtf"), "{\\rtf1 }");
        write(QStringLiteral("sub/app.cnt"),
              ":Base app.hlp\r\n1 Start\r\n2 Main=IDH_MAIN\r\n2 Sub\r\n3 Deep=IDH_DEEP\r\n"
              "1 Last=IDH_MAIN\r\n");
        const QString hpj = write(QStringLiteral("app.hpj"),
                                  "[OPTIONS]\r\nTITLE=Caf\xe9 Help\r\nCNT=SUB\\APP.CNT\r\n"
                                  "HLP=app.hlp\r\n[FILES]\r\ntopics.rtf\r\n[MAP]\r\n"
                                  "#include <map.h>\r\nIDH_DEEP=200\r\n");
        options::UpdateOptions(*m_db, QStringLiteral("HPJT"), QStringLiteral("Kept"));
        const ImportReport report = ImportSources(*m_db, {hpj});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        const CreateSettings s = options::ReadCreateSettings(*m_db);
        QCOMPARE(s.helpProjectTitle, QStringLiteral("Kept"));
        // Create would write over the author's sources under their names.
        QCOMPARE((QStringList{s.helpProjectFileName, s.rtfFileName, s.contentsFileName}),
                 (QStringList{QString(), QString(), QString()}));
        QVERIFY(DescribeImport(report).contains(QStringLiteral("never writes over")));
        QCOMPARE(s.helpFileName, QStringLiteral("app.hlp"));
        QVERIFY(s.windowsHelp() && s.createGeneralHelp == 1 && s.createContentsFile == 1);
        QCOMPARE(topics(),
                 QStringList({QStringLiteral("IDH_DEEP|200"), QStringLiteral("IDH_MAIN|100")}));
        QStringList tree;
        for (const contents::ContentsRow& r : contents::ReadContentsRows(*m_db))
            tree << QStringList{r.topicId, r.title, r.level, r.parent, r.type}.join(u'|');
        QCOMPARE(tree, QStringList({QStringLiteral("Start.1|Start|1|Main|3"),
                                    QStringLiteral("IDH_MAIN.2|Main|2|Start.1|2"),
                                    QStringLiteral("Sub.3|Sub|2|Start.1|3"),
                                    QStringLiteral("IDH_DEEP.4|Deep|3|Sub.3|2"),
                                    QStringLiteral("IDH_MAIN.5|Last|1|Main|2")}));
    }

    // A topic file as Word writes it, and the codes its topics come back as.
    void topicFiles_data() {
        QTest::addColumn<QByteArray>("body");    // between the document's frame and its end
        QTest::addColumn<QStringList>("topics"); // id|title|browse|keywords|header|text
        QTest::addColumn<QString>("notKept");    // a part of what was reported; empty: nothing
        QTest::newRow("superscript footnotes, header, two pages")
            << QByteArray("\\pard\\plain\\s1\\keepn{\\cs16\\super #{\\footnote\\pard\\plain"
                          "{\\cs16\\super #} IDH_A}}{\\cs16\\super ${\\footnote\\pard\\plain"
                          "{\\cs16\\super $} Topic A}}{\\cs16\\super K{\\footnote {\\cs16\\super "
                          "K} one}}{\\cs16\\super K{\\footnote {\\cs16\\super K} two}}"
                          "{\\cs16\\super +{\\footnote {\\cs16\\super +} main:010}}"
                          "{\\b\\fs28 Heading A}\\par\\pard\\plain\\fs20 First\\par Second\\par\n"
                          "\\page\\pard #{\\footnote IDH_B}${\\footnote Topic B}Text B\\par\\page")
            << QStringList{QStringLiteral("IDH_A|Topic A|main:010|one;two|{\\b Heading A}|"
                                          "First\r\nSecond"),
                           QStringLiteral("IDH_B|Topic B||||Text B")}
            << QString();
        QTest::newRow("formatting and hotspots as codes")
            << QByteArray("#{\\footnote IDH_F}\\pard {\\rtlch\\lang1033\\insrsid99 A }{\\b bold}"
                          " {\\i\\f2 it}{\\i\\f3 alic} {\\ul under} {\\uldb Jump}{\\v IDH_J} "
                          "{\\ul Pop}{\\v IDH_P>win} {\\uldb Run}{\\v !Exit()}\\par "
                          "a\\tab b\\line c \\{bmc pic.bmp\\} caf\\'e9 \\\\ \\{x\\}\\par\\page")
            << QStringList{QStringLiteral(
                   "IDH_F||||"
                   "|A {\\b bold} {\\i italic} {\\ul under} {\\uldb Jump}{\\v IDH_J} "
                   "{\\ul Pop}{\\v IDH_P>win} {\\uldb Run}{\\v !Exit()}\r\n"
                   "a\\tab b\\line c \\{bmc pic.bmp\\} caf\u00e9 \\\\ \\{x\\}")}
            << QString();
        // Runs of one look merged across fonts, hotspot looks and files,
        // hidden text, the non-breaking hyphen and Windows-1252's own
        // characters (0x80 to 0x9F), raw and as \'hh.
        QTest::newRow("groups, hotspot looks, code page")
            << QByteArray("#{\\footnote IDH_G}\\pard {\\b\\f1 one}{\\b\\f2  two}{\\b } "
                          "{\\v hid}{\\b\\i x\\tab y}{\\b \\{bmc b.bmp\\}}\\par "
                          "{\\uldb Plain}{\\v %IDH_1@other.hlp>win}{\\ul No}{\\v *IDH_2}"
                          "{\\uldb {\\b Bold} jump}{\\v IDH_3}\\par "
                          "non\\_break \x93q\x94 \\'80 \x80 \\'e9\xe9 \\par\\page")
            << QStringList{QStringLiteral(
                   "IDH_G||||"
                   "|{\\b one two} {\\b\\i x\\tab y\\{bmc b.bmp\\}}\r\n"
                   "{\\uldb Plain}{\\v %IDH_1@other.hlp>win}{\\ul No}{\\v *IDH_2}"
                   "{\\uldb {\\b Bold} jump}{\\v IDH_3}\r\n"
                   "non\\_break \u201cq\u201d \u20ac \u20ac \u00e9\u00e9 ")}
            << QString();
        QTest::newRow("Windows-1252's own characters, no Unicode codes")
            << QByteArray("#{\\footnote IDH_W}${\\footnote \x93W\x94}\\pard \x93q\x94 \\'80 \x80 "
                          "{\\b \\'e9\\'9c}{\\uldb x}{\\v IDH_\x9c}\\par\\page")
            << QStringList{QStringLiteral("IDH_W|\u201cW\u201d||||\u201cq\u201d \u20ac \u20ac "
                                          "{\\b \u00e9\u0153}{\\uldb x}{\\v IDH_\u0153}")}
            << QString();
        QTest::newRow("further ID and a macro reported")
            << QByteArray("#{\\footnote IDH_M}#{\\footnote IDH_OTHER}!{\\footnote Exit()}"
                          "Text\\par\\page")
            << QStringList{QStringLiteral("IDH_M|||||Text")}
            << QStringLiteral("further ID IDH_OTHER");
        // Another word processor's form: the footnotes and the runs of a
        // character style under \*, words between mark and footnote; an
        // unknown \* group is still skipped.
        QTest::newRow("starred footnotes")
            << QByteArray("\\pard{\\up6 #{\\super \\chftn{\\*"
                          "\\footnote \\chftn\\pard{\\*\\cs104\\up6 #} IDH_S}}}{\\up6 "
                          "${\\super \\chftn{\\*\\footnote \\chftn{\\*\\cs104 $} Starred}}}"
                          "{\\*\\cs104 Hidden}{\\*\\unknown hidden} text\\par\\page")
            << QStringList{QStringLiteral("IDH_S|Starred|||| text")} << QString();
    }
    void topicFiles() {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, topics);
        QFETCH(QString, notKept);
        RtfTopicsRead read;
        const QByteArray document = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                                    "{\\stylesheet{\\s1\\keepn heading 1;}}\n" +
                                    body + '}';
        // A \uN in a skipped group has the document read as Unicode text
        // rather than as bytes: both readings give the same.
        for (const QByteArray& before : {QByteArray(), QByteArray("{\\*\\unknown\\u65 }")}) {
            read = {};
            const qsizetype head = document.indexOf('\n') + 1;
            const QByteArray source = document.left(head) + before + document.mid(head);
            QVERIFY(ReadRtfTopics(source, QStringLiteral("t.rtf"), read));
            QStringList got;
            for (const RtfTopic& t : read.topics)
                got << QStringList{t.id, t.title, t.browse, t.keywords, t.header, t.text}.join(
                    u'|');
            QCOMPARE(got, topics);
            if (notKept.isEmpty())
                QVERIFY2(read.notKept.isEmpty(), qPrintable(read.notKept.join(u'\n')));
            else
                QVERIFY2(read.notKept.join(u' ').contains(notKept),
                         qPrintable(read.notKept.join(u'\n')));
        }
        QVERIFY(!ReadRtfTopics("plain text", QStringLiteral("t.rtf"), read));
    }

    // The IDs read from the footnotes alone are those the whole reading
    // gives, whichever way the characters of an ID are written.
    void topicIds_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("superscript and plain forms, further ID, no ID")
            << QByteArray("{\\super #}{\\footnote {\\super #} IDH_A}#{\\footnote IDH_A2}Text\\page "
                          "${\\footnote No ID}Text\\page #{\\footnote }#{\\footnote IDH_C}\\page")
            << QStringList{QStringLiteral("IDH_A"), QStringLiteral("IDH_C")};
        QTest::newRow("Windows-1252 characters, raw and as codes")
            << QByteArray("#{\\footnote caf\xe9\\'e9\\emdash x}\\page #{\\footnote \\{q\\}}")
            << QStringList{QStringLiteral("caf\u00e9\u00e9\u2014x"), QStringLiteral("{q}")};
        QTest::newRow("Unicode and no-break characters")
            << QByteArray("#{\\footnote a\\u8364?b}\\page #{\\footnote \\~#c\\_d}\\page "
                          "#{\\footnote e\\emspace f}\\page #{\\footnote \\'a0g\xa0}")
            << QStringList{QStringLiteral("a\u20acb"), QStringLiteral("c\u2011d"),
                           QStringLiteral("e\u2003f"), QStringLiteral("g")};
    }
    void topicIds() {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, ids);
        for (const QByteArray& head :
             {QByteArray("{\\rtf1\\ansi "), QByteArray("{\\rtf1\\ansi\\ansicpg1251 ")}) {
            const QByteArray document = head + body + '}';
            RtfTopicsRead read;
            QVERIFY(ReadRtfTopics(document, QStringLiteral("t.rtf"), read));
            QStringList whole;
            for (const RtfTopic& t : read.topics)
                if (!t.id.isEmpty())
                    whole << t.id;
            QCOMPARE(RtfTopicIds(document), whole);
            if (!head.contains("1251"))
                QCOMPARE(whole, ids);
        }
    }

    // The topics of a help project's files are added with their map numbers;
    // a topic the project has stays as it is.
    void topicFilesIntoAProject() {
        testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                        {{"TopicID", QStringLiteral("IDH_OLD")},
                         {"TopicTitle", QStringLiteral("Mine")},
                         {"HelpText", QStringLiteral("kept")},
                         {"Status", QStringLiteral("A")}});
        testenv::addRow(*m_db, QStringLiteral("WhatsThis"),
                        {{"Object", QStringLiteral("frmMain.cmd")},
                         {"TopicID", QStringLiteral("IDH_CMD")},
                         {"HelpText", QStringLiteral("entry")},
                         {"Type", QStringLiteral("WhtS")},
                         {"Status", QStringLiteral("A")}});
        QDir().mkpath(path(QStringLiteral("Sub")));
        write(QStringLiteral("Sub/Topics.RTF"),
              "{\\rtf1\\ansi #{\\footnote IDH_NEW}${\\footnote New}New text {\\uldb x}{\\v "
              "Two Words>win}\\par\\page\n"
              "#{\\footnote idh_old}${\\footnote Theirs}replaced?\\par\\page\n"
              "#{\\footnote IDH_CMD}entry text\\par\\page\n"
              "#{\\footnote Two Words}${\\footnote Two}{\\uldb go}{\\v two words}\\par\\page\n"
              "#{\\footnote IDH NEW}taken once blanks are _\\par\\page\n"
              "#{\\footnote IDH_LONG}\\keepn {\\b " +
                  QByteArray(101, 'h') + "}\\par\\pard body\\par\\page}");
        // No CNT= line: the contents file named like the help file.
        write(QStringLiteral("APP.CNT"), ":Base app.hlp\r\n1 Two=Two Words\r\n");
        const QString hpj = write(QStringLiteral("app.hpj"),
                                  "[FILES]\r\nsub\\topics.rtf\r\n[MAP]\r\nIDH_NEW=5\r\n");
        const ImportReport report = ImportSources(*m_db, {hpj});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QCOMPARE(
            rows(*m_db, QStringLiteral("select * from GeneralHelp order by TopicID"),
                 {QStringLiteral("TopicID"), QStringLiteral("TopicTitle"),
                  QStringLiteral("HelpText"), QStringLiteral("MapNumber")}),
            QStringList({u"IDH_LONG||{\\b " + QString(101, u'h') + u"}\r\nbody|0",
                         QStringLiteral("IDH_NEW|New|New text {\\uldb x}{\\v Two_Words>win}|5"),
                         QStringLiteral("IDH_OLD|Mine|kept|0"),
                         QStringLiteral("Two_Words|Two|{\\uldb go}{\\v Two_Words}|0")}));
        QCOMPARE(rows(*m_db, QStringLiteral("select * from ContentsFile"),
                      {QStringLiteral("TopicID"), QStringLiteral("Title")}),
                 QStringList{QStringLiteral("Two_Words.1|Two")});
        QVERIFY2(report.skipped.join(u' ').contains(u"has the topic IDH_OLD already") &&
                     report.skipped.join(u' ').contains(u"IDH_CMD is the topic of a What's This") &&
                     report.skipped.join(u' ').contains(u"\"IDH NEW\" holds a blank"),
                 qPrintable(DescribeImport(report)));
        // A file that is no RTF fails the import.
        const QString bad = write(QStringLiteral("bad.rtf"), "not rtf");
        const ImportReport failed = ImportSources(*m_db, {bad});
        QVERIFY(!failed.ok() && failed.problems.join(u' ').contains(u"bad.rtf"));
    }

    // Create's sources and help files bring the same topics, map numbers and
    // contents back into a new project. A help file keeps the order of browse
    // sequences, not their names, and no pictures' names; its contents file,
    // beside it, comes with it. A compiled HTML Help file keeps no browse
    // sequences.
    void roundTripThroughCreate_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("picture");
        QTest::newRow("help project") << "hpj"
                                      << "\\{bmc a.bmp\\}";
        QTest::newRow("help file") << "hlp"
                                   << "";
        QTest::newRow("compiled HTML Help") << "chm"
                                            << "";
    }
    void roundTripThroughCreate() {
        QFETCH(QString, kind);
        QFETCH(QString, picture);
        const QStringList fields{QStringLiteral("TopicID"),   QStringLiteral("TopicTitle"),
                                 QStringLiteral("BrowseSeq"), QStringLiteral("Keywords"),
                                 QStringLiteral("HelpText"),  QStringLiteral("MapNumber")};
        const QList<QStringList> topicRows{
            {QStringLiteral("IDH_A"), QStringLiteral("Caf\u00e9 A"), QStringLiteral("b:1"),
             QStringLiteral("one;two"),
             QStringLiteral("Para {\\b bold} {\\i it} {\\b\\i both}\r\n\r\n{\\uldb "
                            "Go}{\\v IDH_B} {\\ul Pop}{\\v IDH_B}\\tab x\\line ") +
                 picture + QStringLiteral(" \\\\ \\{"),
             QStringLiteral("10")},
            {QStringLiteral("IDH_B"), QStringLiteral("B"), QStringLiteral("b:2"), QString(),
             QStringLiteral("Plain"), QStringLiteral("0")},
            {QStringLiteral("IDH_C"), QStringLiteral("C"), QString(), QStringLiteral("two"),
             QStringLiteral("{\\uldb Back}{\\v IDH_A}"), QStringLiteral("12")}};
        for (const QStringList& r : topicRows)
            testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                            {{"TopicID", r[0]},
                             {"TopicTitle", r[1]},
                             {"BrowseSeq", r[2]},
                             {"Keywords", r[3]},
                             {"HelpText", r[4]},
                             {"MapNumber", r[5].toInt()},
                             {"Status", QStringLiteral("A")}});
        for (const QStringList& c : {strings({"Start.1", "Start", "1", "Main", "3"}),
                                     strings({"IDH_A.2", "About A", "2", "Start.1", "2"}),
                                     strings({"IDH_C.3", "C", "1", "Main", "2"})})
            testenv::addRow(*m_db, QStringLiteral("ContentsFile"),
                            {{"TopicID", c[0]},
                             {"Title", c[1]},
                             {"Level", c[2]},
                             {"Parent", c[3]},
                             {"Type", c[4]},
                             {"Status", QStringLiteral("A")}});
        CreateSettings s;
        s.helpProjectTitle = QStringLiteral("Help");
        QString source;
        if (kind == u"chm") {
            s.helpType = HelpType::HtmlHelp;
            s.helpProjectFileName = path(QStringLiteral("out.hhp"));
            s.helpFileName = QStringLiteral("out.chm");
            s.contentsFileName = path(QStringLiteral("out.hhc"));
            s.indexFileName = QStringLiteral("out.hhk");
            CreateReport created;
            CreateHTMLHelp(s, *m_db, created);
            QVERIFY2(created.ok(), qPrintable(created.failures.join(u'\n')));
            CompileHtmlHelp(s.helpProjectFileName);
            source = path(QStringLiteral("out.chm"));
        } else {
            s.helpType = HelpType::WindowsHelp;
            s.createGeneralHelp = 1;
            s.createContentsFile = 1;
            s.helpProjectFileName = path(QStringLiteral("out.hpj"));
            s.helpFileName = QStringLiteral("out.hlp");
            s.contentsFileName = QStringLiteral("out.cnt");
            s.rtfFileName = path(QStringLiteral("out.rtf"));
            CreateReport created;
            CreateGeneralHelp(s, *m_db, created);
            QVERIFY2(created.ok(), qPrintable(created.failures.join(u'\n')));
            QVERIFY(CreateContentsFile(*m_db, path(s.contentsFileName), s.helpFileName,
                                       s.helpProjectTitle));
            source = s.helpProjectFileName;
        }
        if (kind == u"hlp") {
            hc::Diagnostics diagnostics;
            QVERIFY(hc::Compile(s.helpProjectFileName, diagnostics).written);
            source = path(QStringLiteral("out.hlp"));
        }
        const auto comparable = [&](QStringList rows) {
            // Browse sequences by their order only: their rank.
            QStringList seqs;
            for (const QString& r : rows)
                if (!r.section(u'|', 2, 2).isEmpty())
                    seqs << r.section(u'|', 2, 2);
            seqs.sort();
            for (QString& r : rows) {
                QStringList f = r.split(u'|');
                f[2] = kind == u"chm" || f[2].isEmpty() ? QString()
                                                        : QString::number(seqs.indexOf(f[2]));
                r = f.join(u'|');
            }
            return rows;
        };
        const QString topicsSql = QStringLiteral("select * from GeneralHelp order by TopicID");
        const QString contentsSql = QStringLiteral("select * from ContentsFile order by Title");
        const QStringList contentsFields{QStringLiteral("Title"), QStringLiteral("Level"),
                                         QStringLiteral("Type")};
        auto fresh = testenv::freshProject(path(QStringLiteral("new.QMT")));
        const ImportReport report = ImportSources(*fresh, {source});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QCOMPARE(comparable(rows(*fresh, topicsSql, fields)),
                 comparable(rows(*m_db, topicsSql, fields)));
        QCOMPARE(rows(*fresh, contentsSql, contentsFields),
                 rows(*m_db, contentsSql, contentsFields));
        // The help project beside the help file names its topics.
        if (kind == u"hlp")
            QVERIFY2(report.read.join(u' ').contains(
                         u"3 from " + QDir::toNativeSeparators(s.helpProjectFileName)),
                     qPrintable(DescribeImport(report)));
        // Create again: where the format kept everything, the same sources.
        if (kind == u"hlp")
            return;
        QDir().mkpath(path(QStringLiteral("again")));
        CreateSettings again = s;
        const auto moved = [&](const QString& p) {
            return QFileInfo(p).isAbsolute() ? path(u"again/" + QFileInfo(p).fileName()) : p;
        };
        again.helpProjectFileName = moved(s.helpProjectFileName);
        again.contentsFileName = moved(s.contentsFileName);
        again.rtfFileName = moved(s.rtfFileName);
        CreateReport recreated;
        if (kind == u"chm")
            CreateHTMLHelp(again, *fresh, recreated);
        else
            CreateGeneralHelp(again, *fresh, recreated);
        QVERIFY2(recreated.ok(), qPrintable(recreated.failures.join(u'\n')));
        const QStringList same =
            kind == u"chm"
                ? strings({"out.hhc", "out.hhk", "out_html/IDH_A.htm", "out_html/IDH_C.htm"})
                : strings({"out.rtf"});
        for (const QString& f : same) {
            const QByteArray was = testenv::readAll(path(f));
            QVERIFY2(!was.isEmpty(), qPrintable(f));
            QCOMPARE(testenv::readAll(path(u"again/" + f)), was);
        }
    }

    // A topic file's text arrives in the code page its \\ansicpg names, raw
    // bytes and \\'hh alike; \\u codes stay what they say.
    void codePages_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("noted");
        QTest::newRow("none: Windows-1252")
            << QByteArray("\\ansi") << QByteArray("\\'e0 \x80") << "\u00e0"
            << "\u00e0 \u20ac" << false;
        QTest::newRow("1250") << QByteArray("\\ansi\\ansicpg1250") << QByteArray("\\'b9\xe8")
                              << "\u0105"
                              << "\u0105\u010d" << false;
        QTest::newRow("1251, with \\u and its stand-in")
            << QByteArray("\\ansi\\ansicpg1251") << QByteArray("\\'e0\\u1078\\'e6\\\\\\'41")
            << "\u0430"
            << "\u0430\u0436\\\\A" << false;
        QTest::newRow("1253") << QByteArray("\\ansi\\ansicpg1253") << QByteArray("\\'e1\\'c9")
                              << "\u03b1"
                              << "\u03b1\u0399" << false;
        QTest::newRow("a code page not read")
            << QByteArray("\\ansi\\ansicpg932") << QByteArray("a") << "a"
            << "a" << true;
    }
    void codePages() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, noted);
        const QByteArray first = body.left(body.startsWith("\\'") ? 4 : 1);
        const QByteArray rtf = "{\\rtf1" + header +
                               "\\deff0{\\fonttbl{\\f0 Arial;}}\r\n"
                               "#{\\footnote # IDH_A}${\\footnote $ " +
                               first + "}\r\n" + body + "\\par\\page}";
        RtfTopicsRead read;
        QVERIFY(ReadRtfTopics(rtf, QStringLiteral("t.rtf"), read));
        QCOMPARE(read.topics.size(), std::size_t(1));
        QCOMPARE(read.topics[0].title, title);
        QCOMPARE(read.topics[0].text, text);
        QCOMPARE(read.notKept.join(u' ').contains(u"code page"), noted);
    }

    void languagesAndCharsets() {
        const QList<std::pair<int, int>> languages{{0x0419, 1251}, {0x0405, 1250}, {0x0408, 1253},
                                                   {0x0409, 1252}, {0x0C1A, 1251}, {0x041A, 1250},
                                                   {0x0411, 932}};
        for (const auto& [lcid, page] : languages)
            QCOMPARE(codepage::ForLanguage(std::uint16_t(lcid)), page);
        QCOMPARE(codepage::ForCharsetName("Windows-1251"), 1251);
        QCOMPARE(codepage::ForCharsetName("cp1250"), 1250);
        QCOMPARE(codepage::ForCharsetName("iso-8859-1"), 1252);
        QCOMPARE(codepage::ForCharsetName("shift_jis"), 0);
        QCOMPARE(codepage::ToUnicode(1257, "\xe0\x81"), QStringLiteral("\u0105\u0081"));
    }

    // Pages as other tools write them: tags in any case, paragraphs left
    // open, references, lists, tables, pictures, links in and out.
    void htmlPages_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("text");
        QTest::newRow("open paragraphs, upper case, references")
            << "<HTML><HEAD><TITLE> Caf&eacute;  &amp; more</TITLE><STYLE>p {x}</STYLE></HEAD>"
               "<BODY><H1>Caf&#233; &amp; more</H1><P>One\n  <B>two</B>&nbsp;{3}<P>Four<!-- no -->"
               "<script>if (a < b) x();</script></BODY>"
            << "Caf\u00e9 & more"
            << ""
            << "One {\\b two}\\~\\{3\\}\r\nFour";
        QTest::newRow("a heading of its own")
            << "<title>T</title><h1>Other <i>head</i></h1><p>x</p>"
            << "T"
            << "Other {\\i head}"
            << "x";
        QTest::newRow("lists") << "<ul><li>a<li>b</ul><ol><li>c</li><li>d</li></ol>"
                               << ""
                               << ""
                               << "\\bullet\\tab a\r\n\\bullet\\tab b\r\n1.\\tab c\r\n2.\\tab d";
        QTest::newRow("table, picture, links")
            << "<table><tr><td>a</td><td><img src=\"x/pic.gif\" align=\"right\"></td></tr>"
               "<tr><th>b<th>c</table><p><a href=\"sub/Page%20x.htm#top\">in</a> <a "
               "href=\"http://example.com/\">out</a> <a href='../top.htm'>up</a></p>"
            << ""
            << ""
            << "a\\tab \\{bmr pic.gif\\}\r\nb\\tab c\r\n{\\uldb in}{\\v PAGE_X} out "
               "{\\uldb up}{\\v TOP}";
    }
    void htmlPages() {
        QFETCH(QString, html);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        QFETCH(QString, text);
        const auto target = [](const QString& href) -> QString {
            if (href.startsWith(u"sub/Page%20x.htm"))
                return QStringLiteral("PAGE_X");
            return href == u"../top.htm" ? QStringLiteral("TOP") : QString();
        };
        const HtmlPage page = ReadHtmlPage(html, target);
        QCOMPARE(page.title, title);
        QCOMPARE(page.heading, heading);
        QCOMPARE(page.text, text);
    }

    // A contents file's nesting gives the levels; an index entry may lead
    // to several pages.
    void sitemaps() {
        const auto entries = ReadSitemap(QStringLiteral(
            "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Book\">"
            "</OBJECT><UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
            "value=\"A &quot;x&quot;\"><param name=\"Local\" value=\"a.htm\"><param "
            "name=\"Local\" value=\"b.htm\"></OBJECT></UL><LI><object "
            "type=\"text/site properties\"></object><LI><OBJECT type=\"text/sitemap\"><param "
            "name=\"Name\" value=\"Top\"><param name=\"Local\" value=\"t.chm::/t.htm\">"
            "</OBJECT></UL>"));
        QStringList got;
        for (const SitemapEntry& e : entries)
            got << QStringLiteral("%1 %2 [%3]%4")
                       .arg(e.level)
                       .arg(e.name, e.locals.join(u','),
                            e.hasChildren ? QStringLiteral(" +") : QString());
        QCOMPARE(got, strings({"1 Book [] +", "2 A \"x\" [a.htm,b.htm]", "1 Top [t.chm::/t.htm]"}));
        QCOMPARE(TopicIdOfPage(QStringLiteral("/html/Odd~0020id.htm")), QStringLiteral("Odd id"));
        QCOMPARE(TopicIdOfPage(QStringLiteral("a~zz.html")), QStringLiteral("a~zz"));
    }

    // What a help file keeps of a topic's text comes back as the codes that
    // made it: the kinds and looks of hotspots, the non-scrolling region,
    // line breaks and tabs.
    void helpFileTexts_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("text");
        QTest::newRow("jump, pop-up, macro")
            << QByteArray("{\\uldb Go}{\\v IDH_B} {\\ul Pop}{\\v IDH_B} {\\uldb "
                          "Quit}{\\v !Exit()}\\par")
            << ""
            << "{\\uldb Go}{\\v IDH_B} {\\ul Pop}{\\v IDH_B} {\\uldb Quit}{\\v !Exit()}";
        QTest::newRow("plain looks, another file")
            << QByteArray("{\\uldb A}{\\v %IDH_B} {\\ul B}{\\v %IDH_B} {\\uldb "
                          "C}{\\v IDH_X@other.hlp}\\par")
            << ""
            << "{\\uldb A}{\\v %IDH_B} {\\ul B}{\\v %IDH_B} {\\uldb C}{\\v IDH_X@other.hlp}";
        QTest::newRow("non-scrolling region")
            << QByteArray("\\keepn {\\b Head} line\\line two\\par\\pard Body\\tab "
                          "{\\i x}\\par\\par Last\\par")
            << "{\\b Head} line\\line two"
            << "Body\\tab {\\i x}\r\n\r\nLast";
    }
    void helpFileTexts() {
        QFETCH(QByteArray, body);
        QFETCH(QString, header);
        QFETCH(QString, text);
        write(QStringLiteral("t.hpj"), "[OPTIONS]\r\nHLP=t.hlp\r\n[FILES]\r\nt.rtf\r\n");
        write(QStringLiteral("t.rtf"),
              "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
              "#{\\footnote IDH_A}${\\footnote A}\r\n" +
                  body + "\\page\r\n#{\\footnote IDH_B}${\\footnote B}B\\par\\page}");
        hc::Diagnostics diagnostics;
        QVERIFY2(hc::Compile(path(QStringLiteral("t.hpj")), diagnostics).written,
                 qPrintable(diagnostics.lines().join(u'\n')));
        HelpFileTopics read;
        QString error;
        ContextNames names; // a topic of another file is named by a source only
        AddContextName(names, QStringLiteral("IDH_X"));
        QVERIFY(ReadHelpFileTopics(testenv::readAll(path(QStringLiteral("t.hlp"))),
                                   QStringLiteral("t.hlp"), names, read, error));
        QCOMPARE(read.topics.size(), std::size_t(2));
        QCOMPARE(read.topics[0].id, QStringLiteral("IDH_A"));
        QCOMPARE(read.topics[0].header, header);
        QCOMPARE(read.topics[0].text, text);
        QCOMPARE(read.notKept, QStringList());
    }

    // A compiled HTML Help file of another tool: pages in folders, UTF-8, a
    // book that opens a page, an index entry for two pages, a link to a page
    // the file lacks; a map header beside it names the page of its number.
    void compiledHtmlHelpOfAnotherTool() {
        write(QStringLiteral("f.hhp"),
              "[OPTIONS]\r\nCompiled file=f.chm\r\nContents file=f.hhc\r\nIndex file=f.hhk\r\n"
              "Title=F\r\n\r\n[FILES]\r\nhtml/a.htm\r\nhtml/sub/b.htm\r\n\r\n[ALIAS]\r\n"
              "IDH_A=html/a.htm\r\nIDH_B=html/sub/b.htm\r\n\r\n[MAP]\r\n#define IDH_A 5\r\n"
              "#define IDH_B 6\r\n");
        QDir().mkpath(path(QStringLiteral("html/sub")));
        write(QStringLiteral("html/a.htm"),
              "<html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9 A</title></head><body><h1>"
              "Caf\xc3\xa9 A</h1><p>See <a href=\"sub/b.htm\">b</a> and <a "
              "href=\"gone.htm\">gone</a>.</p></body></html>");
        write(QStringLiteral("html/sub/b.htm"),
              "<HTML><HEAD><TITLE>B</TITLE></HEAD><BODY><P>Back to <A HREF=\"../a.htm#top\">a</A>"
              "<UL><LI>one<LI>two</UL></BODY></HTML>");
        const QByteArray entry = "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"";
        write(QStringLiteral("f.hhc"),
              "<HTML><BODY><UL>" + entry +
                  "Book\"><param name=\"Local\" value=\"html/a.htm\">"
                  "</OBJECT><UL>" +
                  entry +
                  "B page\"><param name=\"Local\" "
                  "value=\"html/sub/b.htm\"></OBJECT></UL></UL></BODY></HTML>");
        write(QStringLiteral("f.hhk"),
              "<HTML><BODY><UL>" + entry +
                  "both\"><param name=\"Local\" value=\"html/a.htm\">"
                  "<param name=\"Local\" value=\"html/sub/b.htm\"></OBJECT>" +
                  entry +
                  "only b\"><param name=\"Local\" "
                  "value=\"html/sub/b.htm\"></OBJECT></UL></BODY></HTML>");
        CompileHtmlHelp(path(QStringLiteral("f.hhp")));
        write(QStringLiteral("f.h"), "#define IDH_A 5\r\n");

        const ImportReport report = ImportSources(*m_db, {path(QStringLiteral("f.chm"))});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QCOMPARE(rows(*m_db, QStringLiteral("select * from GeneralHelp order by TopicID"),
                      strings({"TopicID", "TopicTitle", "TopicHeader", "Keywords", "HelpText",
                               "MapNumber"})),
                 QStringList({QStringLiteral("b|B||both;only b|Back to {\\uldb a}{\\v IDH_A}\r\n"
                                             "\\bullet\\tab one\r\n\\bullet\\tab two|6"),
                              QStringLiteral("IDH_A|Caf\u00e9 A||both|See {\\uldb b}{\\v b} and "
                                             "gone.|5")}));
        QCOMPARE(rows(*m_db, QStringLiteral("select * from ContentsFile order by Level"),
                      strings({"Title", "Level", "Type"})),
                 strings({"Book|1|3", "B page|2|2"}));
        const QString said = DescribeImport(report);
        for (const char* part :
             {"1 from map names", "links out of the help file", "\"Book\" has entries below it"})
            QVERIFY2(said.contains(QLatin1String(part)), qPrintable(said));
    }

    // A help file keeps hashes of its topic IDs: the names come from the
    // sources given, else the file's own list, else the titles, else are made
    // up, and the jumps follow the names chosen.
    void helpFileTopicNames_data() {
        QTest::addColumn<bool>("fileList");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("expected"); // title=ID, sorted
        QTest::addColumn<QList<int>>("counts");    // sources, file, titles, made up
        QTest::newRow("the file's list")
            << true << strings({})
            << strings({"Alpha=IDH_A", "Other=X9", "Print Setup 2=IDH_PrintSetup2",
                        "Print Setup=Print_Setup"})
            << QList<int>{0, 4, 0, 0};
        QTest::newRow("sources first")
            << true << strings({"X9", "IDH_PRINTSETUP2"})
            << strings({"Alpha=IDH_A", "Other=X9", "Print Setup 2=IDH_PRINTSETUP2",
                        "Print Setup=Print_Setup"})
            << QList<int>{2, 2, 0, 0};
        QTest::newRow("titles, then made up")
            << false << strings({})
            << strings({"Alpha=TOPIC_1", "Other=TOPIC_2", "Print Setup 2=IDH_PrintSetup2",
                        "Print Setup=Print_Setup"})
            << QList<int>{0, 0, 2, 2};
    }
    void helpFileTopicNames() {
        QFETCH(bool, fileList);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, expected);
        QFETCH(QList<int>, counts);
        const QList<QStringList> topicRows{strings({"IDH_A", "Alpha", "{\\ul Other}{\\v X9}"}),
                                           strings({"Print_Setup", "Print Setup", "x"}),
                                           strings({"IDH_PrintSetup2", "Print Setup 2", "y"}),
                                           strings({"X9", "Other", "{\\uldb Alpha}{\\v IDH_A}"})};
        for (const QStringList& r : topicRows)
            testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                            {{"TopicID", r[0]},
                             {"TopicTitle", r[1]},
                             {"HelpText", r[2]},
                             {"Status", QStringLiteral("A")}});
        QVERIFY(compileTopics());
        QFile f(path(QStringLiteral("out.hlp")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        hc::HelpFileRead help = hc::ReadHelpFile(f.readAll());
        if (!fileList)
            help.topicIds.clear();
        ContextNames names;
        for (const QString& n : sources)
            AddContextName(names, n);
        HelpFileTopics read;
        HelpFileTopicsOf(help, QStringLiteral("out.hlp"), names, read);
        QStringList got;
        QHash<QString, QString> idOf;
        for (const RtfTopic& t : read.topics) {
            got << t.title + u'=' + t.id;
            idOf.insert(t.title, t.id);
        }
        got.sort();
        QCOMPARE(got, expected);
        QCOMPARE(
            (QList<int>{read.namedBySources, read.namedByFile, read.namedByTitle, read.madeUp}),
            counts);
        for (const RtfTopic& t : read.topics) {
            if (t.title == u"Alpha")
                QCOMPARE(t.text, u"{\\ul Other}{\\v " + idOf.value(QStringLiteral("Other")) + u'}');
            if (t.title == u"Other")
                QCOMPARE(t.text,
                         u"{\\uldb Alpha}{\\v " + idOf.value(QStringLiteral("Alpha")) + u'}');
        }
    }

    // A help file's pictures come out as .bmp files in the Pictures folder
    // beside the project, named in the text where they stood, never over a
    // file already there; the next Create puts them into its help file.
    void helpFilePicturesComeBack_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("there"); // a file in the Pictures folder before
        QTest::addColumn<QString>("named");
        QTest::newRow("in the line") << "bmc"
                                     << ""
                                     << "out_0.bmp";
        QTest::newRow("left, its name taken") << "bml"
                                              << "OUT_0.BMP"
                                              << "out_0_2.bmp";
        QTest::newRow("right") << "bmr"
                               << "other.bmp"
                               << "out_0.bmp";
    }
    void helpFilePicturesComeBack() {
        QFETCH(QString, code);
        QFETCH(QString, there);
        QFETCH(QString, named);
        QImage picture(5, 3, QImage::Format_RGB32);
        picture.fill(qRgb(255, 255, 255));
        picture.setPixel(1, 1, qRgb(255, 0, 0));
        picture.setPixel(4, 2, qRgb(0, 0, 128));
        QVERIFY(picture.save(path(QStringLiteral("a.bmp")), "BMP"));
        const QString ref = u"\\{" + code + u" a.bmp\\}";
        testenv::addRow(*m_db, QStringLiteral("GeneralHelp"),
                        {{"TopicID", QStringLiteral("IDH_A")},
                         {"TopicTitle", QStringLiteral("A")},
                         {"HelpText", QString(u"Before " + ref + u" after\r\n\r\n" + ref)},
                         {"Status", QStringLiteral("A")}});
        QVERIFY(compileTopics());

        QVERIFY(QDir().mkpath(path(QStringLiteral("new/Pictures"))));
        if (!there.isEmpty())
            write(u"new/Pictures/" + there, "not a picture");
        auto fresh = testenv::freshProject(path(QStringLiteral("new/new.QMT")));
        const ImportReport report = ImportSources(*fresh, {path(QStringLiteral("out.hlp"))});
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        const QString inText = u"\\{" + code + u" Pictures/" + named + u"\\}";
        QCOMPARE(
            rows(*fresh, QStringLiteral("select * from GeneralHelp"), {QStringLiteral("HelpText")}),
            QStringList{u"Before " + inText + u" after\r\n\r\n" + inText});
        const QString file = path(u"new/Pictures/" + named);
        QCOMPARE(QImage(file).convertToFormat(QImage::Format_RGB32), picture);
        QCOMPARE(QDir(path(QStringLiteral("new/Pictures"))).count(), there.isEmpty() ? 3u : 4u);
        if (!there.isEmpty())
            QCOMPARE(testenv::readAll(path(u"new/Pictures/" + there)), QByteArray("not a picture"));
        // Imported again, every topic is there already: no picture is written.
        QVERIFY(ImportSources(*fresh, {path(QStringLiteral("out.hlp"))}).ok());
        QCOMPARE(QDir(path(QStringLiteral("new/Pictures"))).count(), there.isEmpty() ? 3u : 4u);

        // Create again beside the new project: its help file holds the picture.
        CreateSettings again = helpFileSettings();
        again.helpProjectFileName = path(QStringLiteral("new/again.hpj"));
        again.helpFileName = QStringLiteral("again.hlp");
        again.rtfFileName = QStringLiteral("again.rtf");
        CreateReport recreated;
        CreateGeneralHelp(again, *fresh, recreated);
        QVERIFY2(recreated.ok(), qPrintable(recreated.failures.join(u'\n')));
        hc::Diagnostics compiled;
        QVERIFY2(hc::Compile(again.helpProjectFileName, compiled).written,
                 qPrintable(compiled.lines().join(u'\n')));
        QVERIFY2(!compiled.lines().join(u' ').contains(u"picture"),
                 qPrintable(compiled.lines().join(u'\n')));
        const hc::HelpFileRead help =
            hc::ReadHelpFile(testenv::readAll(path(QStringLiteral("new/again.hlp"))));
        QCOMPARE(help.bitmaps.size(), std::size_t(1));
        QCOMPARE(hc::ReadPicture(help.bitmaps.begin()->second), picture);
        QCOMPARE(help.topics.at(0).pictures.size(), std::size_t(2));
        QCOMPARE(int(help.topics.at(0).pictures.at(0).first),
                 0x86 + int(code == u"bml") + 2 * int(code == u"bmr"));
    }

    // Help that authors published (data/, each with its licence), imported
    // into a new project and counted: topics, titles, keywords, map numbers,
    // contents entries, pictures. Application wizards' map headers number
    // from 0x10000, above the project's highest map number, so none of theirs
    // is kept; a help file keeps no keywords of topics under another title.
    void realProjects_data() {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QList<int>>("counts");
        // In the sources: 77 topic IDs, 36 titles, 16 keywords, 6 map entries, 8 contents lines;
        // one ID's mark follows blanks in its topic's first group, which help compilers read as
        // text.
        QTest::newRow("VideoSender help project")
            << strings({"videosender/vidsend2.hpj"}) << QList<int>{76, 36, 16, 0, 8, 0};
        QTest::newRow("VideoSender help file")
            << strings({"videosender/VIDSEND2.HLP", "videosender/vidsend2.cnt"})
            << QList<int>{79, 36, 16, 0, 8, 21};
        // 54 topic IDs (one twice, one inside a character style's run, which help compilers
        // skip), 13 titles, 11 keywords, 10 map entries, 10 contents lines.
        QTest::newRow("NifTexture help project")
            << strings({"niftexture/NifTexture.hpj"}) << QList<int>{52, 13, 11, 0, 10, 0};
        // The contents file beside the help file comes with it, once.
        QTest::newRow("NifTexture help file")
            << strings({"niftexture/NIFTEXTURE.HLP"}) << QList<int>{55, 13, 11, 0, 10, 15};
        // 37 pages, 41 contents entries, no index.
        QTest::newRow("DEMIST compiled HTML Help")
            << strings({"demist/Graph.chm"}) << QList<int>{37, 0, 0, 0, 41, 0};
    }
    void realProjects() {
        QFETCH(QStringList, sources);
        QFETCH(QList<int>, counts);
        QStringList paths;
        for (const QString& s : sources)
            paths << QStringLiteral(QM_IMPORT_DATA "/") + s;
        const QDir folder(QFileInfo(paths.front()).absolutePath());
        const QStringList before = folder.entryList(QDir::AllEntries | QDir::Hidden);
        const ImportReport report = ImportSources(*m_db, paths);
        QVERIFY2(report.ok(), qPrintable(DescribeImport(report)));
        QList<int> got(6, 0);
        for (const QString& r : rows(*m_db, QStringLiteral("select * from GeneralHelp"),
                                     {QStringLiteral("TopicTitle"), QStringLiteral("Keywords"),
                                      QStringLiteral("MapNumber")})) {
            const QStringList f = r.split(u'|');
            ++got[0];
            got[1] += f[0].isEmpty() ? 0 : 1;
            got[2] += int(f[1].split(u';', Qt::SkipEmptyParts).size());
            got[3] += f[2].toInt() > 0 ? 1 : 0;
        }
        got[4] = int(
            rows(*m_db, QStringLiteral("select * from ContentsFile"), {QStringLiteral("TopicID")})
                .size());
        got[5] = int(QDir(path(QStringLiteral("Pictures"))).entryList(QDir::Files).size());
        const auto words = [](const QList<int>& numbers) {
            QStringList out;
            for (int n : numbers)
                out << QString::number(n);
            return out.join(u' ');
        };
        QCOMPARE(words(got), words(counts));
        // Nothing is written beside the sources.
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden), before);
    }

    // A source that cannot be read leaves the project as it was: all or nothing.
    void aBadSourceStoresNothing_data() {
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("told");
        QTest::newRow("missing") << "none.hm"
                                 << "does not exist";
        QTest::newRow("folder") << "dir.h"
                                << "it is a folder";
        QTest::newRow("foreign kind") << "notes.txt"
                                      << "imports .vbp";
        QTest::newRow("help project with an error") << "broken.hpj"
                                                    << "broken.hpj";
        QTest::newRow("damaged help file") << "cut.hlp"
                                           << "cut.hlp cannot be imported: it is no help file";
    }
    void aBadSourceStoresNothing() {
        QFETCH(QString, bad);
        QFETCH(QString, told);
        QDir().mkpath(path(QStringLiteral("dir.h")));
        write(QStringLiteral("notes.txt"), "x");
        write(QStringLiteral("cut.hlp"), QByteArray("?_\x03\x00\x10\x00\x00\x00", 8));
        // A map header that is a folder: the help project cannot be read.
        write(QStringLiteral("broken.hpj"), "[MAP]\r\n#include <dir.h>\r\n");
        const QString good = write(QStringLiteral("good.hm"), "#define IDH_A 1\r\n");
        const ImportReport report = ImportSources(*m_db, {good, path(bad)});
        QVERIFY(!report.ok());
        QVERIFY2(report.problems.join(u' ').contains(told), qPrintable(DescribeImport(report)));
        QVERIFY(topics().isEmpty());
        QVERIFY(DescribeImport(report).startsWith(u"Read:"));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
