// qmt-hc at the edges of what it reads and writes: #include chains (loops,
// missing files, include folders), files that never end, fields beyond what
// the help file can hold, [ALIAS], and outputs that would replace an input.
#include "hcfixture.h"

#include "app/generation/genfixture.h"

#include "contexthash.h"
#include "hlpwriter.h"
#include "topicfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

using namespace hcfixture;

namespace {

const QByteArray kTopics = kRtfHeader + topic("IDH_A", "A", "Text of A.") +
                           topic("IDH_B", "B", "To {\\uldb A}{\\v IDH_A}.") + "}}";

std::uint32_t mapped(const hc::HelpFileRead& h, std::int32_t number) {
    for (const auto& [n, offset] : h.map)
        if (n == number)
            return offset;
    return 0xFFFFFFFF;
}

std::uint32_t offsetOf(const hc::HelpFileRead& h, const QByteArray& context) {
    std::uint32_t offset = 0xFFFFFFFF;
    h.findContext(hc::ContextHash(context), offset);
    return offset;
}

QString joined(const hc::Diagnostics& d) {
    return d.lines().join(u'\n');
}

int countOf(const hc::Diagnostics& d, const QString& part) {
    int n = 0;
    for (const QString& line : d.lines())
        n += line.contains(part) ? 1 : 0;
    return n;
}

QString hcProgram() {
    return qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt-hc");
}

} // namespace

class TestHcLimits : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
    QString at(const QString& name) const { return folder() + u'/' + name; }

    Compiled compileWith(const QByteArray& hpj, const QByteArray& rtf,
                         const QStringList& includeFolders = {}) {
        Compiled c;
        testenv::writeAll(at(QStringLiteral("help.hpj")), hpj);
        testenv::writeAll(at(QStringLiteral("help.rtf")), rtf);
        c.result =
            hc::Compile(at(QStringLiteral("help.hpj")), c.diagnostics, 1000000000, includeFolders);
        if (c.result.written) {
            try {
                c.file = hc::ReadHelpFile(testenv::readAll(c.result.helpFile));
            } catch (const std::exception& e) {
                c.error = QString::fromLocal8Bit(e.what());
            }
        }
        return c;
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // Include chains: a loop is reported once, where it first closes; a header
    // included twice is read once, and every map number outside a loop
    // still arrives.
    void includeChains_data() {
        QTest::addColumn<QList<QByteArrayList>>("files"); // name, content
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<int>("mapped");
        QTest::newRow("a header includes itself four times")
            << QList<QByteArrayList>{{"self.h", "#define IDH_A 1\r\n#include \"self.h\"\r\n"
                                                "#include \"self.h\"\r\n#include <self.h>\r\n"
                                                "#include \"SELF.H\"\r\n"}}
            << QByteArray("#include \"self.h\"\r\n")
            << QStringList{QStringLiteral("self.h(2): warning: #include loop")} << 1;
        QTest::newRow("two headers include each other")
            << QList<QByteArrayList>{{"a.h", "#define IDH_A 1\r\n#include \"b.h\"\r\n"},
                                     {"b.h", "#include \"a.h\"\r\n#define IDH_B 2\r\n"}}
            << QByteArray("#include \"a.h\"\r\n")
            << QStringList{QStringLiteral("b.h(1): warning: #include loop: ")} << 2;
        QTest::newRow("the project includes itself")
            << QList<QByteArrayList>{} << QByteArray("IDH_A=1\r\n#include \"help.hpj\"\r\n")
            << QStringList{QStringLiteral("help.hpj(9): warning: #include loop: ")} << 1;
        QTest::newRow("one header reached twice is read once")
            << QList<QByteArrayList>{{"a.h", "#include \"c.h\"\r\n#define IDH_A 1\r\n"},
                                     {"b.h", "#include \"c.h\"\r\n"},
                                     {"c.h", "#define IDH_B 2\r\n"}}
            << QByteArray("#include \"a.h\"\r\n#include \"b.h\"\r\n") << QStringList{} << 2;
    }
    void includeChains() {
        QFETCH(QList<QByteArrayList>, files);
        QFETCH(QByteArray, map);
        QFETCH(QStringList, warnings);
        QFETCH(int, mapped);
        for (const QByteArrayList& f : files)
            QVERIFY(testenv::writeAll(at(QString::fromLatin1(f[0])), f[1]));
        const Compiled c = compileWith(project("", map), kTopics);
        QVERIFY2(c.result.written, qPrintable(joined(c.diagnostics)));
        QCOMPARE(c.diagnostics.lines().size(), warnings.size());
        for (const QString& w : warnings)
            QCOMPARE(countOf(c.diagnostics, w), 1);
        QCOMPARE(c.file.map.size(), std::size_t(mapped));
    }

    // A C header or a generated map file gives its numbers, whatever else it
    // holds: include guards, declarations and block comments pass quietly, a
    // #define of something other than a number is a warning.
    void includedHeadersGiveTheirNumbers() {
        QVERIFY(
            testenv::writeAll(at(QStringLiteral("resource.h")),
                              "#ifndef RESOURCE_H\r\n#define RESOURCE_H\r\n/*\r\n * Version 2\r\n"
                              " */\r\n#define IDH_A 1 // first\r\n#define IDS_NAME \"x\"\r\n"
                              "#define IDS_SUM (IDS_BASE + 1)\r\ntypedef int number;\r\n"
                              "#endif\r\n"));
        QVERIFY(testenv::writeAll(at(QStringLiteral("app.hm")),
                                  "// generated\r\nIDH_B                  0x20002\r\n"));
        const Compiled c =
            compileWith(project("", "#include \"resource.h\"\r\n#include <app.hm>\r\n"), kTopics);
        QVERIFY2(c.result.written, qPrintable(joined(c.diagnostics)));
        QCOMPARE(c.diagnostics.lines(),
                 QStringList(QDir::toNativeSeparators(at(QStringLiteral("resource.h"))) +
                             QStringLiteral("(7): warning: #define IDS_NAME does not give a "
                                            "number; it is no map entry")));
        QCOMPARE(mapped(c.file, 1), offsetOf(c.file, "IDH_A"));
        QCOMPARE(mapped(c.file, 0x20002), offsetOf(c.file, "IDH_B"));
        QCOMPARE(c.file.map.size(), std::size_t(2));
    }

    // Headers each including the next twice: the last one was read 2^8
    // times, each time giving its numbers again.
    void includeFanOutIsReadOnce() {
        for (int i = 0; i < 8; ++i) {
            const QByteArray next = "h" + QByteArray::number(i + 1) + ".h";
            QVERIFY(
                testenv::writeAll(at(QStringLiteral("h%1.h").arg(i)),
                                  "#include \"" + next + "\"\r\n#include \"" + next + "\"\r\n"));
        }
        QVERIFY(testenv::writeAll(at(QStringLiteral("h8.h")),
                                  "#define IDH_A 1\r\n#define IDH_B 2\r\n"));
        const Compiled c = compileWith(project("", "#include \"h0.h\"\r\n"), kTopics);
        QVERIFY2(c.result.written && c.diagnostics.items().empty(),
                 qPrintable(joined(c.diagnostics).left(1000)));
        QCOMPARE(c.file.map.size(), std::size_t(2));
    }

    // Map files that are not there cost their numbers, not the help file;
    // include folders (from the command line or INCLUDE=) are searched after
    // the project's folder, also for a Windows path of another machine.
    void includeFolders_data() {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QByteArray>("include");
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<QString>("warning"); // empty: the numbers arrive
        QTest::newRow("missing")
            << QByteArray() << QByteArray("<afxhelp.hm>") << false
            << QStringLiteral("help.hpj(9): warning: included file afxhelp.hm is not found; the "
                              "map numbers it holds are left out");
        QTest::newRow("missing, by a Windows path")
            << QByteArray() << QByteArray("\"C:\\MSDEV\\MFC\\include\\afxhelp.hm\"") << true
            << QStringLiteral("help.hpj(9): warning: included file "
                              "C:\\MSDEV\\MFC\\include\\afxhelp.hm is not found in the project's "
                              "folder or an include folder; the map numbers it holds are left out");
        QTest::newRow("include folder on the command line")
            << QByteArray() << QByteArray("<inc/afxhelp.hm>") << true << QString();
        QTest::newRow("INCLUDE= in the project")
            << QByteArray("INCLUDE=lib ; the class library\r\n") << QByteArray("<inc\\AFXHELP.HM>")
            << false << QString();
        QTest::newRow("INCLUDE= naming no folder")
            << QByteArray("INCLUDE=nowhere\r\n") << QByteArray("<afxhelp.hm>") << false
            << QStringLiteral("help.hpj(2): warning: include folder ");
        QTest::newRow("Windows path found by its name in an include folder")
            << QByteArray("INCLUDE=lib/inc\r\n")
            << QByteArray("\"C:\\MSDEV\\MFC\\include\\afxhelp.hm\"") << false << QString();
    }
    void includeFolders() {
        QFETCH(QByteArray, options);
        QFETCH(QByteArray, include);
        QFETCH(bool, commandLine);
        QFETCH(QString, warning);
        QVERIFY(QDir().mkpath(at(QStringLiteral("lib/inc"))));
        if (warning.isEmpty())
            QVERIFY(testenv::writeAll(at(QStringLiteral("lib/inc/afxhelp.hm")),
                                      "// generated\r\nIDH_B\t\t0x20002\r\n"));
        const Compiled c =
            compileWith(project(options, "IDH_A=1\r\n#include " + include + "\r\n"), kTopics,
                        commandLine ? QStringList{at(QStringLiteral("lib"))} : QStringList{});
        QVERIFY2(c.result.written && c.error.isEmpty(), qPrintable(joined(c.diagnostics)));
        QCOMPARE(mapped(c.file, 1), offsetOf(c.file, "IDH_A"));
        if (warning.isEmpty()) {
            QVERIFY2(c.diagnostics.items().empty(), qPrintable(joined(c.diagnostics)));
            QCOMPARE(mapped(c.file, 0x20002), offsetOf(c.file, "IDH_B"));
        } else {
            const QStringList lines = c.diagnostics.lines();
            QVERIFY2(lines.value(0).startsWith(QDir::toNativeSeparators(folder()) + u'/' + warning),
                     qPrintable(lines.join(u'\n')));
            // The map file itself, when it was not the first word, is the second.
            QCOMPARE(lines.size(), warning.contains(u"warning: include folder") ? 2 : 1);
            QCOMPARE(c.file.map.size(), std::size_t(1));
        }
    }

    // Devices, pipes and huge files are refused before they are read.
    void unboundedInputIsRefused_data() {
        QTest::addColumn<QByteArray>("hpj");
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("error");
        QTest::newRow("#include of a device")
            << project("", "#include \"/dev/zero\"\r\n") << kTopics
            << QStringLiteral("help.hpj(8): error: included file /dev/zero is not a regular file");
        QTest::newRow("[FILES] names a device")
            << project("", {}, "/dev/zero") << kTopics
            << QStringLiteral("help.hpj(5): error: topic file /dev/zero is not a regular file");
        QTest::newRow("#include of a folder")
            << project("", "#include <sub>\r\n") << kTopics
            << QStringLiteral("help.hpj(8): error: included file ");
        QTest::newRow("#include of a file larger than any map file")
            << project("", "#include <big.h>\r\n") << kTopics
            << QStringLiteral("big.h is larger than 32 MB; it is not a map file");
    }
    void unboundedInputIsRefused() {
        QFETCH(QByteArray, hpj);
        QFETCH(QByteArray, rtf);
        QFETCH(QString, error);
        QVERIFY(QDir().mkpath(at(QStringLiteral("sub"))));
        QFile big(at(QStringLiteral("big.h")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize((qint64(32) << 20) + 1));
        big.close();
        QElapsedTimer timer;
        timer.start();
        const Compiled c = compileWith(hpj, rtf);
        QVERIFY(!c.result.written);
        QVERIFY2(joined(c.diagnostics).contains(error), qPrintable(joined(c.diagnostics)));
        QCOMPARE(c.diagnostics.count(hc::Severity::Error), 1);
        QVERIFY(!QFileInfo::exists(at(QStringLiteral("help.hlp"))));
    }

    // Groups past the nesting limit cost no memory of their own: read as one,
    // with a warning, and the help file is still written.
    void groupsNestedTooDeepAreReadAsOne() {
        const Compiled c =
            compileWith(project(""),
                        kRtfHeader + topic("IDH_A", "A", "x\r\n" + QByteArray(1000001, '{') + "y"));
        QVERIFY2(c.result.written, qPrintable(joined(c.diagnostics)));
        QVERIFY2(joined(c.diagnostics).contains(u"groups nested deeper than 1000000 levels"),
                 qPrintable(joined(c.diagnostics)));
    }

    // Fields the help file stores with a 16-bit size or number: at the limit
    // they are written whole, past it the compile fails naming the field.
    void fieldsBeyondTheFormat_data() {
        QTest::addColumn<QByteArray>("hpj");
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("error"); // empty: written, and read back whole
        const QByteArray longest(65534, 'T');
        QTest::newRow("TITLE at the limit")
            << project("TITLE=" + longest + "\r\n") << kTopics << QString();
        QTest::newRow("TITLE past the limit")
            << project("TITLE=" + longest + "x\r\n") << kTopics
            << QStringLiteral("help.hpj(2): error: TITLE is 65535 characters long; a help file "
                              "holds at most 65534");
        QTest::newRow("COPYRIGHT") << project("COPYRIGHT=" + QByteArray(70000, 'c') + "\r\n")
                                   << kTopics << QStringLiteral("error: COPYRIGHT is 70000");
        QTest::newRow("CNT") << project("CNT=" + QByteArray(70000, 'c') + ".cnt\r\n") << kTopics
                             << QStringLiteral("error: CNT is 70004");
        QTest::newRow("[CONFIG] macro")
            << project("") + "Execute(\"" + QByteArray(70000, 'm') + "\")\r\n"
            << kTopics << QStringLiteral("error: the macro is 70011 characters long");
        QTest::newRow("macro hotspot")
            << project("")
            << kRtfHeader +
                   topic("IDH_A", "A",
                         "{\\uldb run}{\\v !Execute(" + QByteArray(70000, 'm') + ")}") +
                   "}}"
            << QStringLiteral("help.rtf(7): error: the target of a hotspot is 70009 characters");
        QTest::newRow("external jump")
            << project("")
            << kRtfHeader +
                   topic("IDH_A", "A", "{\\uldb there}{\\v IDH_X@" + QByteArray(70000, 'f') + "}") +
                   "}}"
            << QStringLiteral("error: the target of a hotspot is 70000 characters");
        QByteArray windows;
        for (int i = 0; i < 256; ++i)
            windows += "w" + QByteArray::number(i) + "=\"W\"\r\n";
        QTest::newRow("256 windows")
            << "[OPTIONS]\r\n[FILES]\r\nhelp.rtf\r\n[WINDOWS]\r\n" + windows << kTopics
            << QStringLiteral("help.hpj(260): error: more than 255 windows");
        windows.truncate(windows.lastIndexOf("w255"));
        QTest::newRow("255 windows")
            << "[OPTIONS]\r\n[FILES]\r\nhelp.rtf\r\n[WINDOWS]\r\n" + windows << kTopics
            << QString();
        QByteArray faces = "{\\rtf1\\ansi{\\fonttbl", text;
        for (int i = 0; i < 2047; ++i) {
            faces +=
                "{\\f" + QByteArray::number(i) + "\\fswiss Face" + QByteArray::number(i) + ";}";
            text += "{\\f" + QByteArray::number(i) + " x}";
        }
        QTest::newRow("2047 font faces")
            << project("") << faces + "}" + topic("IDH_A", "A", text) + "}}"
            << QStringLiteral("help.rtf: error: more than 2046 font faces or 65535 font "
                              "descriptors");
        QByteArray colours = "{\\rtf1\\ansi{\\colortbl;", sizes;
        for (int i = 0; i < 300; ++i)
            colours += "\\red" + QByteArray::number(i % 256) + "\\green" +
                       QByteArray::number(i / 256) + "\\blue0;";
        for (int c = 1; c <= 300; ++c)
            for (int s = 1; s <= 250; ++s)
                sizes += "{\\cf" + QByteArray::number(c) + "\\fs" + QByteArray::number(s) + " x}";
        QTest::newRow("75000 font descriptors")
            << project("") << colours + "}" + topic("IDH_A", "A", sizes) + "}}"
            << QStringLiteral("help.rtf: error: more than 2046 font faces or 65535 font "
                              "descriptors");
    }
    void fieldsBeyondTheFormat() {
        QFETCH(QByteArray, hpj);
        QFETCH(QByteArray, rtf);
        QFETCH(QString, error);
        const Compiled c = compileWith(hpj, rtf);
        if (error.isEmpty()) {
            QVERIFY2(c.result.written && c.error.isEmpty(),
                     qPrintable(joined(c.diagnostics) + c.error));
            if (hpj.contains("TITLE"))
                QCOMPARE(c.file.title, QByteArray(65534, 'T'));
            else
                QCOMPARE(c.file.windows.size(), std::size_t(255));
            return;
        }
        QVERIFY(!c.result.written);
        QVERIFY2(joined(c.diagnostics).contains(error),
                 qPrintable(joined(c.diagnostics).left(500)));
        QVERIFY(!QFileInfo::exists(at(QStringLiteral("help.hlp"))));
    }

    // More topic blocks than TOPICOFFSET can number: an error, not offsets
    // that wrap round (the limit is lowered here; 2^17 blocks are 535 MB).
    void topicBlocksBeyondTheFormat() {
        QByteArray text;
        for (int i = 0; i < 300; ++i)
            text += "Paragraph " + QByteArray::number(i) + " of some length.\\par\r\n";
        QVERIFY(testenv::writeAll(at(QStringLiteral("help.hpj")), project("")));
        hc::Diagnostics d;
        const hc::HelpProject p = hc::ReadHelpProject(at(QStringLiteral("help.hpj")), d);
        hc::FontTable fonts;
        hc::Topics topics;
        const QByteArray rtf = kRtfHeader + topic("IDH_A", "A", text) + "}}";
        hc::ReadTopicFile(QStringLiteral("help.rtf"), rtf, p.windows, fonts, topics, d);
        QVERIFY(!d.hasErrors());
        QVERIFY2(!hc::BuildHelpFile(p, topics, fonts, d, nullptr, 1, 5).isEmpty(),
                 qPrintable(joined(d)));
        QVERIFY(hc::BuildHelpFile(p, topics, fonts, d, nullptr, 1, 4).isEmpty());
        QVERIFY2(
            joined(d).contains(QStringLiteral("error: the topics fill 5 blocks of 4 KB; a help "
                                              "file holds at most 4")),
            qPrintable(joined(d)));
    }

    // qmt --create on a project whose help title (edited elsewhere) has
    // 70,000 characters: the built-in compile fails naming the title, Create
    // exits with 1, and no help file is written.
    void createWithAnOverlongTitle() {
        testenv::RegistryFolder registry; // no help compiler registered
        const QString qmt = at(QStringLiteral("p.QMT"));
        {
            auto db = testenv::freshProject(qmt);
            genfixture::addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"),
                                 QVariant(), QVariant(), QStringLiteral("Text."), 10);
            const QList<QPair<QString, QString>> options = {
                {QStringLiteral("HPFN"), at(QStringLiteral("help.hpj"))},
                {QStringLiteral("HPJT"), QString(70000, u'T')},
                {QStringLiteral("HLPF"), QStringLiteral("help.hlp")},
                {QStringLiteral("RTFF"), at(QStringLiteral("help.rtf"))},
                {QStringLiteral("CRGH"), QStringLiteral("1")},
                {QStringLiteral("HTMH"), QStringLiteral("False")},
                {QStringLiteral("WHLP"), QStringLiteral("True")},
                {QStringLiteral("COMP"), QStringLiteral("1")}};
            for (const auto& [key, value] : options)
                genfixture::setOption(*db, key, value);
            db->Close();
        }
        QProcess p;
        p.start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"),
                {QStringLiteral("--create"), qmt});
        QVERIFY(p.waitForFinished(60000));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains("error: TITLE is 70000 characters long; a help file holds at most "
                              "65534"),
                 err.left(2000).constData());
        QVERIFY(QFileInfo::exists(at(QStringLiteral("help.hpj"))));
        QVERIFY(!QFileInfo::exists(at(QStringLiteral("help.hlp"))));
    }

    // [ALIAS]: each alias is a context string of its own for its target's
    // topic, usable in [MAP] and in jumps.
    void aliases() {
        const QByteArray rtf = kRtfHeader + topic("IDH_A", "A", "To {\\uldb B}{\\v OLD_B}.") +
                               topic("IDH_B", "B", "B.") + "}}";
        const QByteArray hpj =
            project("", "OLD_B=5\r\n") +
            "[ALIAS]\r\nOLD_B=IDH_B ; renamed\r\nold_a = IDH_A\r\nGONE=IDH_NONE\r\nIDH_A=IDH_B\r\n"
            "OLD_B=IDH_A\r\nnot an alias\r\n";
        const Compiled c = compileWith(hpj, rtf);
        QVERIFY2(c.result.written && c.error.isEmpty(), qPrintable(joined(c.diagnostics)));
        const QString hpjName = QDir::toNativeSeparators(at(QStringLiteral("help.hpj")));
        QCOMPARE(c.diagnostics.lines(),
                 QStringList({
                     hpjName + QStringLiteral("(21): warning: alias \"not an alias\" is not of the "
                                              "form ALIAS=context; ignored"),
                     hpjName + QStringLiteral("(18): warning: alias GONE names IDH_NONE, which no "
                                              "topic defines; ignored"),
                     hpjName + QStringLiteral("(19): warning: context string IDH_A is defined "
                                              "twice; this alias is ignored"),
                     hpjName + QStringLiteral("(20): warning: context string OLD_B is defined "
                                              "twice; this alias is ignored"),
                 }));
        QCOMPARE(c.result.stats.contextStrings, 4);
        QCOMPARE(c.file.contexts.size(), std::size_t(4));
        QCOMPARE(offsetOf(c.file, "OLD_B"), offsetOf(c.file, "IDH_B"));
        QCOMPARE(offsetOf(c.file, "OLD_A"), offsetOf(c.file, "IDH_A"));
        QVERIFY(offsetOf(c.file, "IDH_A") != offsetOf(c.file, "IDH_B"));
        QCOMPARE(mapped(c.file, 5), offsetOf(c.file, "IDH_B"));
    }

    // The help file may not replace any file it is compiled from: refused
    // before anything is written, naming both, after links and in any case.
    void outputNamedLikeAnInput_data() {
        QTest::addColumn<QByteArray>("hlp");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("kind");
        QTest::newRow("the help project") << QByteArray("help.hpj") << "help.hpj"
                                          << "help project";
        QTest::newRow("the topic file, other case") << QByteArray("HELP.RTF") << "help.rtf"
                                                    << "topic file";
        QTest::newRow("an included map file") << QByteArray("inc\\Map.h") << "inc/map.h"
                                              << "map file";
        QTest::newRow("the contents file") << QByteArray("help.cnt") << "help.cnt"
                                           << "contents file";
        QTest::newRow("a link to the topic file") << QByteArray("link.hlp") << "help.rtf"
                                                  << "topic file";
        QTest::newRow("through a folder link") << QByteArray("alias/map.h") << "inc/map.h"
                                               << "map file";
    }
    void outputNamedLikeAnInput() {
        QFETCH(QByteArray, hlp);
        QFETCH(QString, input);
        QFETCH(QString, kind);
        QVERIFY(QDir().mkpath(at(QStringLiteral("inc"))));
        QVERIFY(testenv::writeAll(at(QStringLiteral("inc/map.h")), "#define IDH_A 1\r\n"));
        QVERIFY(testenv::writeAll(at(QStringLiteral("help.cnt")), ":Base help.hlp\r\n"));
        QVERIFY(QFile::link(at(QStringLiteral("help.rtf")), at(QStringLiteral("link.hlp"))));
        QVERIFY(QFile::link(at(QStringLiteral("inc")), at(QStringLiteral("alias"))));
        QByteArray hpj = project("CNT=help.cnt\r\n", "#include <inc/map.h>\r\n");
        hpj.replace("HLP=help.hlp", QByteArray("HLP=" + hlp));
        const Compiled c = compileWith(hpj, kTopics);
        QVERIFY(!c.result.written);
        const QStringList lines = c.diagnostics.lines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(QStringLiteral("help.hpj(3): error: the help file ")) &&
                     lines[0].contains(QStringLiteral(" would replace the %1 ").arg(kind)) &&
                     lines[0].endsWith(QDir::toNativeSeparators(at(input)) +
                                       QStringLiteral("; name another help file in HLP=")),
                 qPrintable(lines[0]));
        QCOMPARE(testenv::readAll(at(QStringLiteral("help.rtf"))), kTopics);
        QCOMPARE(testenv::readAll(at(QStringLiteral("inc/map.h"))),
                 QByteArray("#define IDH_A 1\r\n"));
        QCOMPARE(testenv::readAll(at(QStringLiteral("help.cnt"))),
                 QByteArray(":Base help.hlp\r\n"));
    }

    void controlCharactersInTheOutputName() {
        QByteArray hpj = project("");
        hpj.replace("HLP=help.hlp", "HLP=a\x01"
                                    "b.hlp");
        const Compiled c = compileWith(hpj, kTopics);
        QVERIFY(!c.result.written);
        QVERIFY2(
            joined(c.diagnostics)
                .contains(QStringLiteral(
                    "help.hpj(2): error: the help file name in HLP= holds a control character")),
            qPrintable(joined(c.diagnostics)));
        QCOMPARE(QDir(folder()).entryList(QDir::Files),
                 QStringList({QStringLiteral("help.hpj"), QStringLiteral("help.rtf")}));
    }

    // Work files that a killed compile left beside the help file go with the
    // next compile; another file of that folder stays.
    void staleWorkFilesAreRemoved() {
        QVERIFY(testenv::writeAll(at(QStringLiteral(".help.hlp.qmt-Ab12Cd")), "stale"));
        QVERIFY(testenv::writeAll(at(QStringLiteral(".keep.qmt-x")), "not a work file"));
        const Compiled c = compileWith(project(""), kTopics);
        QVERIFY2(c.result.written, qPrintable(joined(c.diagnostics)));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral(".keep.qmt-x"), QStringLiteral("help.hlp"),
                              QStringLiteral("help.hpj"), QStringLiteral("help.rtf")}));
    }

    void commandLine() {
        const auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
            QProcess p;
            p.start(hcProgram(), args);
            if (!p.waitForFinished(30000))
                return -1;
            if (out)
                *out = p.readAllStandardOutput() + p.readAllStandardError();
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QByteArray out;
        QCOMPARE(run({QStringLiteral("--help")}, &out), 0);
        QVERIFY(out.startsWith("usage: qmt-hc") && out.contains("/I FOLDER"));
        QCOMPARE(run({QStringLiteral("--version")}, &out), 0);
        QCOMPARE(out, QByteArray("qmt-hc (Quillmate) " QM_VERSION "\n"));
        QCOMPARE(run({QStringLiteral("--version"), QStringLiteral("x")}), 2);

        QVERIFY(QDir().mkpath(at(QStringLiteral("one"))));
        QVERIFY(QDir().mkpath(at(QStringLiteral("two"))));
        QVERIFY(testenv::writeAll(at(QStringLiteral("two/map.h")), "#define IDH_B 2\r\n"));
        QVERIFY(testenv::writeAll(at(QStringLiteral("help.rtf")), kTopics));
        QVERIFY(
            testenv::writeAll(at(QStringLiteral("help.hpj")), project("", "#include <map.h>\r\n")));
        QCOMPARE(
            run({QStringLiteral("/c"), QStringLiteral("/I"), at(QStringLiteral("one")),
                 QStringLiteral("-i"), at(QStringLiteral("two")), at(QStringLiteral("help.hpj"))},
                &out),
            0);
        QVERIFY2(out.contains("1 map entries, 0 warning(s)"), out.constData());
        QCOMPARE(run({at(QStringLiteral("help.hpj")), QStringLiteral("/I")}), 2);
        QCOMPARE(run({QStringLiteral("/I"), at(QStringLiteral("three")), QStringLiteral("/I"),
                      at(QStringLiteral("two")), at(QStringLiteral("help.hpj"))},
                     &out),
                 0);
        const QByteArray noFolder = "help.hpj: warning: include folder " +
                                    QFile::encodeName(at(QStringLiteral("three"))) +
                                    " (/I) is not a folder";
        QVERIFY2(out.contains(noFolder) && out.contains("1 map entries, 1 warning(s)"),
                 out.constData());
        // Without the folder: a warning, the help file still written.
        QCOMPARE(run({at(QStringLiteral("help.hpj"))}, &out), 0);
        QVERIFY2(out.contains("warning: included file map.h is not found") &&
                     out.contains("0 map entries, 1 warning(s)"),
                 out.constData());
    }
};

QTEST_GUILESS_MAIN(TestHcLimits)
#include "tst_hc_limits.moc"
