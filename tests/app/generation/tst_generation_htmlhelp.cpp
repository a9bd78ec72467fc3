// HTML Help: the sources byte for byte, what they refuse, the compiled file
// read back, and compiles that fail without harming the old help file.
#include "common/testenv.h"
#include "genfixture.h"

#include "chm/chmfile.h"
#include "fileio/savefile.h"
#include "generation/createcommand.h"
#include "generation/htmlhelp.h"
#include "generation/htmlhelpcompile.h"
#include "rtf/helptext.h"

#include <QRegularExpression>
#include <QtEndian>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace genfixture;

class TestGenerationHtmlHelp : public QObject {
    Q_OBJECT

    std::unique_ptr<testenv::RegistryFolder> m_registry; // one per test: no compiler left behind
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<dao::Database> m_db;
    CreateSettings m_s;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QByteArray file(const QString& name) const { return testenv::readAll(path(name)); }

    void addContents(const QString& key, const QString& title, const char* level,
                     bool heading = false) {
        addRow(*m_db, QStringLiteral("ContentsFile"),
               {{"TopicID", key},
                {"Title", title},
                {"Level", QString::fromLatin1(level)},
                {"Parent", QStringLiteral("Main")},
                {"Type", heading ? QStringLiteral("3") : QStringLiteral("2")}});
    }

    // Topics with a heading, keywords and map numbers; What's This entries of
    // their own, naming a general topic, and sharing one ID.
    void fillProject() {
        m_db->BeginTrans();
        addTopic(*m_db, QStringLiteral("IDH_START"), QStringLiteral("Getting started"), QString(),
                 QStringLiteral("setup; install"),
                 QStringLiteral("First\r\n{\\b Note:} see {\\uldb printing}{\\v IDH_PRINT} "
                                "or {\\uldb nothing}{\\v IDH_NONE} & <more>"),
                 10);
        addRow(*m_db, QStringLiteral("GeneralHelp"),
               {{"TopicID", QStringLiteral("IDH_PRINT")},
                {"TopicTitle", QStringLiteral("Printing & paper")},
                {"TopicHeader", QStringLiteral("Print a page")},
                {"Keywords", QStringLiteral("print;Setup;;")},
                {"HelpText", QStringLiteral("Print it.")},
                {"MapNumber", 11}});
        addTopic(*m_db, QStringLiteral("Odd id"), QStringLiteral("Odd"), QString(), QString(),
                 QStringLiteral("Odd text"));
        addTopic(*m_db, QStringLiteral("IDH_OLD"), QStringLiteral("Old"), QString(),
                 QStringLiteral("old"), QStringLiteral("Gone"), 0, QStringLiteral("D"));
        addWhatsThis(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("IDH_OK"),
                     QStringLiteral("Closes the window."), 20);
        addWhatsThis(*m_db, QStringLiteral("frmMain.cmdHelp"), QStringLiteral("idh_start"),
                     QStringLiteral("Shows help."), 10);
        addWhatsThis(*m_db, QStringLiteral("frmMain.cmdNo"), QStringLiteral("IDH_OK"),
                     QStringLiteral("Leaves it."), 20);
        addContents(QStringLiteral("Basics.1"), QStringLiteral("Basics"), "1", true);
        addContents(QStringLiteral("IDH_START.2"), QStringLiteral("Getting \"started\""), "2");
        addContents(QStringLiteral("Deep.3"), QStringLiteral("Deep"), "2", true);
        addContents(QStringLiteral("IDH_PRINT.4"), QStringLiteral("Printing"), "5");
        addContents(QStringLiteral("Odd id.5"), QStringLiteral("Odd"), "1");
        m_db->CommitTrans();
    }

    QStringList leftovers() const {
        return QDir(m_dir->path())
            .entryList({QStringLiteral(".qmt*")}, QDir::AllEntries | QDir::Hidden);
    }

private slots:
    void init() {
        m_registry = std::make_unique<testenv::RegistryFolder>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = testenv::freshProject(path(QStringLiteral("p.QMT")));
        m_s = CreateSettings{};
        m_s.helpType = HelpType::HtmlHelp;
        m_s.helpProjectTitle = QStringLiteral("My Help");
        m_s.helpProjectFileName = path(QStringLiteral("help.hhp"));
        m_s.helpFileName = QStringLiteral("help.chm");
        m_s.contentsFileName = path(QStringLiteral("help.hhc"));
        m_s.indexFileName = QStringLiteral("help.hhk");
    }

    void sourcesByteForByte() {
        fillProject();
        const QString vbp = path(QStringLiteral("app.vbp"));
        QVERIFY(testenv::writeAll(vbp, "Type=Exe\r\nHelpFile=\"old.hlp\"\r\n"));
        m_s.vbProject = 1;
        m_s.vbProjectFileName = vbp;
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QCOMPARE(report.written,
                 QStringList({path(QStringLiteral("help_html")), path(QStringLiteral("help.hhc")),
                              path(QStringLiteral("help.hhk")), path(QStringLiteral("help.h")),
                              path(QStringLiteral("help.bas")), path(QStringLiteral("cshelp.txt")),
                              path(QStringLiteral("help.hhp")), vbp}));

        QCOMPARE(
            file(QStringLiteral("help.hhp")),
            "[OPTIONS]\r\nCompiled file=help.chm\r\nContents file=help.hhc\r\n"
            "Index file=help.hhk\r\nDefault topic=help_html/IDH_START.htm\r\n"
            "Binary Index=No\r\nFull-text search=Yes\r\nLanguage=0x409 English (United States)\r\n"
            "Title=My Help\r\n\r\n"
            "[FILES]\r\nhelp_html/IDH_START.htm\r\nhelp_html/IDH_PRINT.htm\r\n"
            "help_html/Odd~0020id.htm\r\nhelp_html/IDH_OK.htm\r\n\r\n"
            "[ALIAS]\r\nIDH_START=help_html/IDH_START.htm\r\n"
            "IDH_PRINT=help_html/IDH_PRINT.htm\r\nIDH_OK=help_html/IDH_OK.htm\r\n\r\n"
            "[MAP]\r\n#include help.h\r\n\r\n"
            "[TEXT POPUPS]\r\nhelp.h\r\ncshelp.txt\r\n");
        // What's This texts by map number, each text once.
        QCOMPARE(file(QStringLiteral("cshelp.txt")),
                 ".topic 20\r\nCloses the window.\r\nLeaves it.\r\n\r\n"
                 ".topic 10\r\nShows help.\r\n\r\n");
        const QByteArray head = "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n"
                                "<HEAD>\r\n<meta name=\"GENERATOR\" content=\"Quillmate\">\r\n"
                                "<!-- Sitemap 1.0 -->\r\n</HEAD><BODY>\r\n<UL>\r\n";
        const auto entry = [](int depth, const QByteArray& name,
                              const QByteArray& page) -> QByteArray {
            const QByteArray in(depth, '\t'), inner(depth + 1, '\t');
            QByteArray e = in + "<LI> <OBJECT type=\"text/sitemap\">\r\n" + inner +
                           "<param name=\"Name\" value=\"" + name + "\">\r\n";
            for (const QByteArray& p : page.split(' '))
                if (!p.isEmpty())
                    e += inner + "<param name=\"Local\" value=\"help_html/" + p + "\">\r\n";
            return e + inner + "</OBJECT>\r\n";
        };
        // Levels give the depth; one deeper than the entry before at most.
        QCOMPARE(file(QStringLiteral("help.hhc")),
                 head + entry(1, "Basics", "") + "\t<UL>\r\n" +
                     entry(2, "Getting &quot;started&quot;", "IDH_START.htm") +
                     entry(2, "Deep", "") + "\t\t<UL>\r\n" + entry(3, "Printing", "IDH_PRINT.htm") +
                     "\t\t</UL>\r\n\t</UL>\r\n" + entry(1, "Odd", "Odd~0020id.htm") +
                     "</UL>\r\n</BODY></HTML>\r\n");
        // Sorted without regard to case; one entry per keyword, its topics in order.
        QCOMPARE(file(QStringLiteral("help.hhk")),
                 head + entry(1, "install", "IDH_START.htm") + entry(1, "print", "IDH_PRINT.htm") +
                     entry(1, "setup", "IDH_START.htm IDH_PRINT.htm") +
                     "</UL>\r\n</BODY></HTML>\r\n");
        QCOMPARE(file(QStringLiteral("help.h")),
                 "/* Help context IDs: written by Quillmate on each Create. */\r\n"
                 "#define IDH_START 10\r\n#define IDH_PRINT 11\r\n#define IDH_OK 20\r\n");
        QCOMPARE(file(QStringLiteral("help.bas")),
                 "Attribute VB_Name = \"help\"\r\n"
                 "' Help context IDs: written by Quillmate on each Create.\r\n"
                 "Option Explicit\r\nPublic Const IDH_START As Long = 10\r\n"
                 "Public Const IDH_PRINT As Long = 11\r\nPublic Const IDH_OK As Long = 20\r\n");
        QCOMPARE(file(QStringLiteral("app.vbp")), "Type=Exe\r\nHelpFile=\"help.chm\"\r\n");

        // Pages: title, heading (the header, else the title), paragraphs; the
        // What's This page holds each of its entries' texts once.
        const QByteArray print = file(QStringLiteral("help_html/IDH_PRINT.htm"));
        QVERIFY(print.contains("<title>Printing &amp; paper</title>\r\n"));
        QVERIFY(print.contains("<h1>Print a page</h1>\r\n<p>Print it.</p>\r\n"));
        QCOMPARE(file(QStringLiteral("help_html/IDH_START.htm")),
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html>\r\n<head>\r\n"
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                 "charset=windows-1252\">\r\n<title>Getting started</title>\r\n"
                 "<style type=\"text/css\">body { font-family: Arial, sans-serif; font-size: "
                 "10pt; } h1 { font-size: 12pt; } p { margin-top: 0; margin-bottom: 0; }\r\n" +
                     rtf::PopupStyle().toLatin1().replace("\n", "\r\n") +
                     "</style>\r\n</head>\r\n<body>\r\n"
                     "<h1>Getting started</h1>\r\n<p>First</p>\r\n<p><b>Note:</b> see "
                     "<a href=\"IDH_PRINT.htm\">printing</a> or nothing &amp; "
                     "&lt;more&gt;</p>\r\n"
                     "</body>\r\n</html>\r\n");
        const QByteArray ok = file(QStringLiteral("help_html/IDH_OK.htm"));
        // A What's This page is titled by its text's first words.
        QVERIFY(ok.contains("<title>Closes the window.</title>"));
        QVERIFY(ok.contains("Closes the window.</p>\r\n<hr>\r\n<p>Leaves it.</p>"));
        QVERIFY(QDir(path(QStringLiteral("help_html"))).entryList(QDir::Files).size() == 4);

        // Without a name nothing is written.
        m_s.indexFileName.clear();
        m_s.helpProjectFileName = path(QStringLiteral("other.hhp"));
        report = {};
        CreateHTMLHelp(m_s, *m_db, report);
        QCOMPARE(report.failures, QStringList(QStringLiteral("The HTML Help files were not "
                                                             "written: the Index File Name is "
                                                             "empty.")));
        QVERIFY(!QFile::exists(m_s.helpProjectFileName));
    }

    // A window of the author's size is the viewer's default window; without
    // one the project file has no window section (sourcesByteForByte).
    void helpWindowDefinition() {
        fillProject();
        m_s.window.left = QStringLiteral("10");
        m_s.window.top = QStringLiteral("20");
        m_s.window.width = QStringLiteral("300");
        m_s.window.height = QStringLiteral("400");
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        const QByteArray hhp = file(QStringLiteral("help.hhp"));
        QVERIFY2(hhp.contains("Title=My Help\r\nDefault Window=main\r\n\r\n[WINDOWS]\r\n"
                              "main=\"My Help\",\"help.hhc\",\"help.hhk\","
                              "\"help_html/IDH_START.htm\",\"help_html/IDH_START.htm\",,,,,"
                              "0x2520,,0x3006,[10,20,310,420],,,,,,,0\r\n\r\n[FILES]\r\n"),
                 hhp.constData());
    }

    void pageNamesAndTexts() {
        const QList<QPair<QString, QString>> names{
            {QStringLiteral("IDH_Main-2.x"), QStringLiteral("IDH_Main-2.x.htm")},
            {QStringLiteral("a b"), QStringLiteral("a~0020b.htm")},
            {QStringLiteral("a~0020b"), QStringLiteral("a~007E0020b.htm")},
            {QStringLiteral(".hidden"), QStringLiteral("~002Ehidden.htm")},
            {QStringLiteral("x/../y"), QStringLiteral("x~002F..~002Fy.htm")},
            {QStringLiteral("Größe"), QStringLiteral("Gr~00F6~00DFe.htm")},
        };
        for (const auto& [id, page] : names)
            QCOMPARE(HtmlHelpPageName(id), page);

        // Characters Windows-1252 lacks become references in pages; in the
        // contents and index files they are refused.
        addTopic(*m_db, QStringLiteral("IDH_A"),
                 QString::fromUtf8("Caf\u00e9 \u2192 <b> AT&T </title>"), QString(), QString(),
                 QString::fromUtf8("\u20ac 5 \u2192 \U0001F600"));
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        const QByteArray page = file(QStringLiteral("help_html/IDH_A.htm"));
        // Titles parse whatever they hold.
        QVERIFY(page.contains("<title>Caf\xe9 &#8594; &lt;b&gt; AT&amp;T &lt;/title&gt;</title>"));
        QVERIFY(page.contains("<p>\x80 5 &#8594; &#128512;</p>"));
    }

    void refusedBeforeAnythingIsWritten_data() {
        QTest::addColumn<QString>("generalId");
        QTest::addColumn<int>("generalMap");
        QTest::addColumn<QString>("entryId");
        QTest::addColumn<int>("entryMap");
        QTest::addColumn<QString>("message");
        QTest::newRow("no program name")
            << QStringLiteral("Getting started") << 5 << QString() << 0
            << QStringLiteral("The topic ID \"Getting started\" (general topic) has the map "
                              "number 5, but a context ID needs");
        QTest::newRow("a Visual Basic keyword")
            << QStringLiteral("Open") << 5 << QString() << 0
            << QStringLiteral("Visual Basic keeps the word Open for itself");
        QTest::newRow("digit first") << QStringLiteral("1st") << 5 << QString() << 0
                                     << QStringLiteral("The topic ID \"1st\" (general topic)");
        QTest::newRow("two numbers")
            << QStringLiteral("IDH_A") << 5 << QStringLiteral("idh_a") << 6
            << QStringLiteral("The topic ID \"idh_a\" has two map numbers, 5 (general topic) and "
                              "6 (What's This entry frmA.cmdB)");
        QTest::newRow("one number twice")
            << QStringLiteral("IDH_A") << 5 << QStringLiteral("IDH_B") << 5
            << QStringLiteral("The map number 5 is given to two topic IDs, \"IDH_A\" (general "
                              "topic) and \"IDH_B\"");
        QTest::newRow("contents title")
            << QStringLiteral("IDH_A") << 0 << QString() << 0
            << QStringLiteral("The contents entry \"A \u2192 B\" holds \"\u2192\"");
        QTest::newRow("help file name")
            << QStringLiteral("IDH_A") << 0 << QString() << 0
            << QStringLiteral("The Help File Name holds a double quote");
        QTest::newRow("help file named as the pages folder")
            << QStringLiteral("IDH_A") << 0 << QString() << 0
            << QStringLiteral("The Help File Name %1 is the folder the pages go into; give the "
                              "file another name.");
    }

    void refusedBeforeAnythingIsWritten() {
        QFETCH(QString, generalId);
        QFETCH(int, generalMap);
        QFETCH(QString, entryId);
        QFETCH(int, entryMap);
        QFETCH(QString, message);
        addTopic(*m_db, generalId, QStringLiteral("T"), QString(), QString(), QStringLiteral("x"),
                 generalMap);
        if (QByteArray(QTest::currentDataTag()) == "contents title")
            addContents(QStringLiteral("IDH_A.1"), QStringLiteral("A \u2192 B"), "1");
        if (QByteArray(QTest::currentDataTag()) == "help file name") {
            m_s.vbProject = 1;
            m_s.helpFileName = QStringLiteral("a\"b.chm");
        }
        if (QByteArray(QTest::currentDataTag()) == "help file named as the pages folder") {
            m_s.helpFileName = QStringLiteral("help_html");
            message = message.arg(path(QStringLiteral("help_html")));
        }
        if (!entryId.isEmpty())
            addWhatsThis(*m_db, QStringLiteral("frmA.cmdB"), entryId, QStringLiteral("y"),
                         entryMap);
        CreateReport report;
        try {
            CreateHTMLHelp(m_s, *m_db, report);
            QFAIL("the project was not refused");
        } catch (const std::exception& e) {
            QVERIFY2(CreateErrorMessage(e).contains(message), e.what());
        }
        QVERIFY(QDir(m_dir->path()).entryList({QStringLiteral("help*")}).isEmpty());
    }

    // The built-in compiler builds the file; read back, it has every page with its title,
    // the sorted index, and every context ID leads to its page inside it.
    // Names in the contents and the index: "&" and "<" plain (viewers show
    // references there as they stand), the quote and ">" as references so
    // that the entry holds together.
    void namesWithMarkupCharacters() {
        addTopic(*m_db, QStringLiteral("IDH_R"), QStringLiteral("R&D <Ctrl>"), QString(),
                 QStringLiteral("R&D <Ctrl>+C"), QStringLiteral("t"), 1);
        addContents(QStringLiteral("IDH_R.1"), QStringLiteral("R&D \"budget\" <Ctrl>+C"), "1");
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QVERIFY(file(QStringLiteral("help.hhc"))
                    .contains("value=\"R&D &quot;budget&quot; <Ctrl&gt;+C\""));
        QVERIFY(file(QStringLiteral("help.hhk")).contains("value=\"R&D <Ctrl&gt;+C\""));
        QVERIFY(file(QStringLiteral("help_html/IDH_R.htm"))
                    .contains("<title>R&amp;D &lt;Ctrl&gt;</title>"));
    }

    // Pictures beside the help project go into the pages' folder and the
    // project's files; pop-ups show their topic's text on the page; what a
    // page cannot show is named with its topic.
    void picturesPopupsAndLostFeatures() {
        QVERIFY(testenv::writeAll(path(QStringLiteral("Logo.BMP")), "BM picture bytes"));
        addTopic(*m_db, QStringLiteral("IDH_PIC"), QStringLiteral("Pictures"), QString(), QString(),
                 QStringLiteral("\\{bml logo.bmp\\} See {\\ul term}{\\v IDH_TERM}.\r\n"
                                "\\{bmc gone.bmp\\}{\\uldb Quit}{\\v !Exit()}"),
                 1);
        addTopic(*m_db, QStringLiteral("IDH_TERM"), QStringLiteral("Term"), QString(), QString(),
                 QStringLiteral("{\\b Term:} what it means"), 2);
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(file(QStringLiteral("help_html/pic_Logo.BMP")), QByteArray("BM picture bytes"));
        QVERIFY(file(QStringLiteral("help.hhp")).contains("help_html/pic_Logo.BMP\r\n"));
        const QByteArray page = file(QStringLiteral("help_html/IDH_PIC.htm"));
        QVERIFY(page.contains(
            "<p><img src=\"pic_Logo.BMP\" alt=\"logo.bmp\" style=\"float: left\"> See <a "
            "class=\"popuplink\" href=\"IDH_TERM.htm\" onclick=\"return qmPopup(this, "
            "'qmpopup1');\">term</a>.</p>"));
        QVERIFY(page.contains("<div class=\"popup\" id=\"qmpopup1\"><p><b>Term:</b> what it "
                              "means</p></div>"));
        QVERIFY(page.contains("function qmPopup("));
        QVERIFY(!file(QStringLiteral("help_html/IDH_TERM.htm")).contains("<script"));
        QCOMPARE(report.warnings,
                 QStringList(QStringLiteral("Topic IDH_PIC: the HTML Help pages cannot show its "
                                            "picture gone.bmp, macro hotspot (Exit()).")));
    }

    // Pictures stored in a help text (\\pict) become files of the pages, the
    // same bytes once, shown where they stand; a metafile is named.
    void picturesStoredInTheText() {
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + "rest of it";
        // A device-independent bitmap of 1x1 pixel, 24 bits: a BMP file without its header.
        const QByteArray dib = QByteArray::fromHex("28000000010000000100000001001800000000000400"
                                                   "0000000000000000000000000000000000000000ff00");
        const QString pict = u"{\\pict\\pngblip " + QString::fromLatin1(png.toHex()) + u'}';
        addTopic(*m_db, QStringLiteral("IDH_P"), QStringLiteral("Stored"), QString(), QString(),
                 QString(u"a" + pict + u"b{\\pict\\dibitmap0 " + QString::fromLatin1(dib.toHex()) +
                         u"}{\\pict\\wmetafile8 0100}" + pict),
                 1);
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        const QByteArray page = file(QStringLiteral("help_html/IDH_P.htm"));
        const QList<QByteArray> sources = [&] {
            QList<QByteArray> s;
            for (qsizetype at = page.indexOf("<img src=\""); at >= 0;
                 at = page.indexOf("<img src=\"", at + 1))
                s << page.mid(at + 10, page.indexOf('"', at + 10) - at - 10);
            return s;
        }();
        QCOMPARE(sources.size(), 3);
        QVERIFY(sources[0].endsWith(".png") && sources[1].endsWith(".bmp"));
        QCOMPARE(sources[2], sources[0]);
        QVERIFY(page.contains(QByteArray("<p>a<img src=\"" + sources[0] + "\"")));
        QCOMPARE(file(u"help_html/" + QString::fromLatin1(sources[0])), png);
        const QByteArray bmp = file(u"help_html/" + QString::fromLatin1(sources[1]));
        QCOMPARE(bmp.left(2), QByteArray("BM"));
        QCOMPARE(bmp.mid(14), dib);
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 10), quint32(14 + 40));
        for (const QByteArray& s : {sources[0], sources[1]})
            QVERIFY(
                file(QStringLiteral("help.hhp")).contains(QByteArray("help_html/" + s + "\r\n")));
        QCOMPARE(report.warnings,
                 QStringList(QStringLiteral("Topic IDH_P: the HTML Help pages cannot show its "
                                            "metafile picture stored in the text.")));
    }

    // The project's fonts and colours style the pages as they do the help file.
    void fontsAndColoursOfTheProject() {
        m_s.helpFonts = QStringLiteral("Verdana;Courier New");
        m_s.helpColors = QStringLiteral("#FF0000;0,128,0");
        addTopic(*m_db, QStringLiteral("IDH_F"), QStringLiteral("Fonts"), QString(), QString(),
                 QStringLiteral("{\\f1 code} {\\cf1 red} {\\highlight2 marked}"), 1);
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QVERIFY(report.warnings.isEmpty());
        const QByteArray page = file(QStringLiteral("help_html/IDH_F.htm"));
        QVERIFY2(page.contains("<span style=\"font-family: 'Courier New'\">code</span> <span "
                               "style=\"color: #ff0000\">red</span> <span "
                               "style=\"background-color: #008000\">marked</span>"),
                 page.constData());
        // Text without \fN is in the second face, as the topic file writes it.
        QVERIFY(page.contains("body { font-family: 'Courier New', Arial, sans-serif;"));
    }

    void compiledAndReadBack() {
        fillProject();
        QVERIFY(testenv::writeAll(path(QStringLiteral("help.chm")), "old help file"));
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        const HtmlHelpBuild build = CompileHtmlHelp(m_s.helpProjectFileName);
        QCOMPARE(build.compiledFile, path(QStringLiteral("help.chm")));
        QCOMPARE(build.pages, 4);
        QCOMPARE(build.contextIds, 3);
        QVERIFY(leftovers().isEmpty());

        chm::ChmFile chm(build.compiledFile);
        QVERIFY(chm.isOpen());
        const QList<QPair<QString, QByteArray>> pages{
            {QStringLiteral("IDH_START.htm"), "Getting started"},
            {QStringLiteral("IDH_PRINT.htm"), "Printing &amp; paper"},
            {QStringLiteral("Odd~0020id.htm"), "Odd"},
            {QStringLiteral("IDH_OK.htm"), "Closes the window."}};
        for (const auto& [page, title] : pages) {
            const auto bytes = chm.read(QStringLiteral("/help_html/") + page);
            QVERIFY2(bytes, qPrintable(page));
            QCOMPARE(*bytes, file(QStringLiteral("help_html/") + page));
            QVERIFY(bytes->contains(QByteArray("<title>" + title + "</title>")));
        }
        QCOMPARE(chm.read(QStringLiteral("/help.hhc")), file(QStringLiteral("help.hhc")));
        // The What's This texts as text pop-ups, for "help.chm::/cshelp.txt".
        QCOMPARE(chm.read(QStringLiteral("/cshelp.txt")), file(QStringLiteral("cshelp.txt")));
        const auto index = chm.read(QStringLiteral("/help.hhk"));
        QVERIFY(index);
        QStringList keywords;
        const QRegularExpression name(QStringLiteral("name=\"Name\" value=\"([^\"]*)\""));
        for (const auto& m : name.globalMatch(QString::fromLatin1(*index)))
            keywords << m.captured(1);
        QCOMPARE(keywords, QStringList({QStringLiteral("install"), QStringLiteral("print"),
                                        QStringLiteral("setup")}));

        const auto ids = chm.contextIds();
        QVERIFY(ids);
        QMap<quint32, QString> targets;
        for (const chm::ContextId& id : *ids)
            targets.insert(id.number, id.target);
        QCOMPARE(targets, (QMap<quint32, QString>{{10, QStringLiteral("/help_html/IDH_START.htm")},
                                                  {11, QStringLiteral("/help_html/IDH_PRINT.htm")},
                                                  {20, QStringLiteral("/help_html/IDH_OK.htm")}}));
        for (const QString& target : targets)
            QVERIFY(chm.size(target) > 0);
    }

    // A compile that fails leaves the old help file as it was and no work
    // folder behind.
    void failedCompileKeepsTheOldFile_data() {
        QTest::addColumn<QByteArray>("compiler"); // a registered hhc.exe, or the built-in one
        QTest::addColumn<bool>("removePage");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing page")
            << QByteArray() << true
            << QStringLiteral("page \"help_html/Odd~0020id.htm\" is missing from the compiled");
        QTest::newRow("registered, missing page")
            << QByteArray("exit 0") << true << QStringLiteral("page is missing");
        QTest::newRow("writes nothing")
            << QByteArray("exit 0") << false << QStringLiteral("wrote no help file");
        QTest::newRow("reports an error")
            << QByteArray("echo 'HHC5003: Error: Compilation failed'; printf x > help.chm") << false
            << QStringLiteral("reported: HHC5003: Error: Compilation failed");
        QTest::newRow("writes no help file format")
            << QByteArray("printf 'not a help file' > help.chm") << false
            << QStringLiteral("cannot be read back");
        QTest::newRow("compiles something else")
            << QByteArray(
                   "echo '<html></html>' > a.htm\n"
                   "printf '[OPTIONS]\\nCompiled file=help.chm\\n[FILES]\\na.htm\\n' > a.hhp\n"
                   "'" +
                   qgetenv("QUILLMATE_BUILD_DIR") + "/bin/qmt-hhc' a.hhp")
            << false
            << QStringLiteral("page \"help_html/IDH_START.htm\" is missing from the compiled");
    }

    void failedCompileKeepsTheOldFile() {
        QFETCH(QByteArray, compiler);
        QFETCH(bool, removePage);
        QFETCH(QString, message);
        fillProject();
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QVERIFY(testenv::writeAll(path(QStringLiteral("help.chm")), "old help file"));
        if (removePage)
            QVERIFY(QFile::remove(path(QStringLiteral("help_html/Odd~0020id.htm"))));
        if (!compiler.isEmpty()) {
            const QString script = path(QStringLiteral("hhc.sh"));
            QVERIFY(testenv::writeAll(script, "#!/bin/sh\n" + compiler + "\n"));
            QFile(script).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            registerHtmlHelpCompiler(QFile::encodeName(script));
        }
        const HtmlHelpBuildOutcome built = BuildHtmlHelpFile(m_s.helpProjectFileName);
        QVERIFY(!built.done);
        QVERIFY2(built.message.startsWith(path(QStringLiteral("help"))), qPrintable(built.message));
        QVERIFY2(built.message.contains(message), qPrintable(built.message));
        QCOMPARE(file(QStringLiteral("help.chm")), QByteArray("old help file"));
        QVERIFY(leftovers().isEmpty());
    }

    // A disk that fills while the project is copied for the compiler: the
    // message names the file and the system's reason.
    void fullDiskWhileCopyingForTheCompiler() {
        fillProject();
        CreateReport report;
        CreateHTMLHelp(m_s, *m_db, report);
        QVERIFY(report.ok());
        QFile contents(path(QStringLiteral("help.hhc")));
        QVERIFY(contents.open(QIODevice::Append));
        contents.write(QByteArray(300000, ' '));
        contents.close();
        QVERIFY(testenv::writeAll(path(QStringLiteral("help.chm")), "old help file"));
        const QString script = path(QStringLiteral("hhc.sh"));
        QVERIFY(testenv::writeAll(script, "#!/bin/sh\nexit 0\n"));
        QFile(script).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        registerHtmlHelpCompiler(QFile::encodeName(script));

        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 100000;
        setrlimit(RLIMIT_FSIZE, &limited);
        const HtmlHelpBuildOutcome built = BuildHtmlHelpFile(m_s.helpProjectFileName);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!built.done);
        QVERIFY2(built.message.startsWith(path(QStringLiteral("help.hhc")) +
                                          QStringLiteral(": could not be copied for the "
                                                         "compiler to ")) &&
                     built.message.endsWith(QStringLiteral(": File too large")),
                 qPrintable(built.message));
        QCOMPARE(file(QStringLiteral("help.chm")), QByteArray("old help file"));
        QVERIFY(leftovers().isEmpty());
    }

private:
    static void registerHtmlHelpCompiler(const QByteArray& program) {
        winreg::HKEY key = 0;
        winreg::DWORD disposition = 0;
        QVERIFY(winreg::RegCreateKeyExA(winreg::HKEY_LOCAL_MACHINE,
                                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                                        0, "App Paths", 0, 0x2003F, nullptr, &key,
                                        &disposition) == winreg::ERROR_SUCCESS);
        QCOMPARE(winreg::RegSetValueA(key, "hhc.exe", winreg::REG_SZ, program.constData(),
                                      winreg::DWORD(program.size())),
                 winreg::ERROR_SUCCESS);
        winreg::RegCloseKey(key);
    }
};

QTEST_GUILESS_MAIN(TestGenerationHtmlHelp)
#include "tst_generation_htmlhelp.moc"
