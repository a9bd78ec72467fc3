// Help projects (.hhp) read with their diagnostics, compiled, and the result
// read back the way viewers read it; the program qmt-hhc's exit statuses and
// its output file.
#include "chm/fulltext.h"
#include "chm/hhcompiler.h"
#include "chm/hhproject.h"
#include "hhcfixture.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace hhcfixture;

namespace {

quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

QByteArray cString(const QByteArray& b, qsizetype at) {
    const qsizetype end = b.indexOf('\0', at);
    return b.mid(at, end < 0 ? -1 : end - at);
}

// #SYSTEM's entries by code.
std::map<int, QByteArray> systemEntries(const QByteArray& system) {
    std::map<int, QByteArray> entries;
    for (qsizetype at = 4; at + 4 <= system.size();) {
        const int code = qFromLittleEndian<quint16>(system.constData() + at);
        const int length = qFromLittleEndian<quint16>(system.constData() + at + 2);
        entries[code] = system.mid(at + 4, length);
        at += 4 + length;
    }
    return entries;
}

QString qmtHhc() {
    return qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt-hhc");
}

struct Ran {
    int status = -1;
    QString out, err;
};

Ran runHhc(const QStringList& args) {
    QProcess p;
    p.start(qmtHhc(), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// A project of pages in two folders, with context IDs through an included
// header, text pop-ups and a window.
void writeProject(const QString& dir) {
    write(dir, QStringLiteral("html/start.htm"), page("Getting started", "Start here."));
    write(dir, QStringLiteral("html/Print.htm"), page("Printing &amp; paper", "Print it."));
    write(dir, QStringLiteral("more/deep/odd name.html"), page("Odd", "Odd text."));
    write(dir, QStringLiteral("extra.htm"), page("Only an alias", "Reached by number."));
    write(dir, QStringLiteral("help.hhc"),
          "<UL><LI><OBJECT type=\"text/sitemap\"><param "
          "name=\"Name\" value=\"Start\"><param name=\"Local\" "
          "value=\"html/start.htm\"></OBJECT></UL>\r\n");
    write(dir, QStringLiteral("help.hhk"), "<UL></UL>\r\n");
    write(dir, QStringLiteral("ids/help.h"),
          "/* ids */\r\n#define IDH_START 10\r\n#define\tIDH_PRINT\t0x0B // hex, tabs\r\n"
          "#define IDH_EXTRA 12\r\n");
    write(dir, QStringLiteral("cshelp.txt"), ".topic 10\r\nStarts.\r\n\r\n");
    write(dir, QStringLiteral("help.hhp"),
          "[OPTIONS]\r\nCompiled file=out/help.chm\r\nContents file=help.hhc\r\n"
          "Index file=help.hhk\r\nDefault topic=html\\start.htm\r\nDefault Window=main\r\n"
          "Title=My Help\r\nLanguage=0x407 German (Germany)\r\nFull-text search=Yes\r\n\r\n"
          "[WINDOWS]\r\nmain=\"My Help\",\"help.hhc\",\"help.hhk\",\"html\\start.htm\","
          "\"html\\start.htm\",,,,,0x23520,222,0x387e,[10,20,810,620],,,,,,,0\r\n\r\n"
          "[FILES]\r\nhtml\\start.htm\r\nhtml/Print.htm\r\nmore/deep/odd name.html\r\n\r\n"
          "[ALIAS]\r\nIDH_START=html/start.htm\r\nidh_print=html/print.htm\r\n"
          "IDH_EXTRA=extra.htm\r\n\r\n"
          "[MAP]\r\n#include \"ids/help.h\"\r\n\r\n[TEXT POPUPS]\r\nids/help.h\r\ncshelp.txt\r\n");
}

const std::map<QString, QString> kExpectedIds{
    {QStringLiteral("10"), QStringLiteral("/html/start.htm")},
    {QStringLiteral("11"), QStringLiteral("/html/Print.htm")},
    {QStringLiteral("12"), QStringLiteral("/extra.htm")}};

} // namespace

namespace {

// Python's chm module searching the file for whole words: per word, the
// pages found, sorted and joined by blanks.
std::optional<QByteArray> pythonSearch(const QString& chmPath, const QStringList& words) {
    return run(systemPython(),
               QStringList{QStringLiteral("-c"),
                           QStringLiteral("import sys\nfrom chm.chm import CHMFile\nf = CHMFile()\n"
                                          "assert f.LoadCHM(sys.argv[1].encode())\n"
                                          "for w in sys.argv[2:]:\n"
                                          "    found = f.Search(w.encode(), 1)\n"
                                          "    print(w + ':' + ' '.join(sorted(u.decode() for u in "
                                          "(found[1].values() if found else []))))\n"),
                           chmPath} +
                   words);
}

} // namespace

class TestHhcCompile : public QObject {
    Q_OBJECT

private slots:
    // Each problem with its file and line; warnings leave a usable project.
    void diagnostics_data() {
        QTest::addColumn<QByteArray>("project");
        QTest::addColumn<QByteArray>("header");    // written as ids.h
        QTest::addColumn<QStringList>("expected"); // "line: severity: part of the text"
        const QByteArray opts = "[OPTIONS]\r\nCompiled file=a.chm\r\n";
        QTest::newRow("clean") << opts + "[FILES]\r\na.htm\r\n" << QByteArray() << QStringList();
        QTest::newRow("no compiled file")
            << QByteArray("[FILES]\r\na.htm\r\n") << QByteArray()
            << QStringList{QStringLiteral("0: error: the project names no compiled file")};
        QTest::newRow("missing page")
            << opts + "[FILES]\r\na.htm\r\nnone.htm\r\n"
            << QByteArray()
            << QStringList{
                   QStringLiteral("5: warning: the file \"none.htm\" is missing; it is left out")};
        QTest::newRow("alias to a missing page")
            << opts + "[FILES]\r\na.htm\r\n[ALIAS]\r\nX=gone.htm\r\n[MAP]\r\n#define X 5\r\n"
            << QByteArray()
            << QStringList{
                   QStringLiteral("6: warning: the page of the alias X, \"gone.htm\" is missing")};
        QTest::newRow("map number used twice")
            << opts + "[FILES]\r\na.htm\r\n[ALIAS]\r\nX=a.htm\r\nY=a.htm\r\n[MAP]\r\n#include "
                      "ids.h\r\n"
            << QByteArray("#define X 5\r\n\r\n#define Y 5\r\n")
            << QStringList{
                   QStringLiteral("ids.h(3): warning: the map number 5 is used twice (X and Y)")};
        QTest::newRow("map number without alias")
            << opts + "[FILES]\r\na.htm\r\n[MAP]\r\n#define LONELY 7\r\n"
            << QByteArray()
            << QStringList{
                   QStringLiteral("6: warning: no [ALIAS] line gives the page of LONELY (7)")};
        QTest::newRow("missing include")
            << opts + "[MAP]\r\n#include <nothere.h>\r\n"
            << QByteArray()
            << QStringList{
                   QStringLiteral("4: error: the included file \"nothere.h\" cannot be read")};
        QTest::newRow("bad lines")
            << opts + "[MAP]\r\n#define "
                      "X\r\nX=5\r\n[ALIAS]\r\nnothing\r\n[INFOTYPES]\r\nx\r\n[WHAT]\r\n"
            << QByteArray()
            << QStringList{QStringLiteral("4: warning: \"#define X\" does not define"),
                           QStringLiteral("5: warning: \"X=5\" is not a \"#define NAME number\""),
                           QStringLiteral("7: warning: \"nothing\" is not an alias line"),
                           QStringLiteral("8: warning: the section [INFOTYPES] is not supported"),
                           QStringLiteral("10: warning: unknown section [WHAT]")};
        QTest::newRow("missing contents file")
            << opts + "Contents file=none.hhc\r\n[FILES]\r\na.htm\r\n"
            << QByteArray()
            << QStringList{QStringLiteral("0: error: the contents file \"none.hhc\" is missing")};
        QTest::newRow("page outside the folder")
            << opts + "[FILES]\r\n../a.htm\r\n"
            << QByteArray()
            << QStringList{QStringLiteral("4: error: the file \"../a.htm\" lies outside")};
        QTest::newRow("language name")
            << opts + "Language=English\r\n"
            << QByteArray()
            << QStringList{
                   QStringLiteral("3: warning: the language \"English\" is not a language number")};
    }

    void diagnostics() {
        QFETCH(QByteArray, project);
        QFETCH(QByteArray, header);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        write(dir.path(), QStringLiteral("a.htm"), page("A", "a"));
        if (!header.isEmpty())
            write(dir.path(), QStringLiteral("ids.h"), header);
        const QString path = dir.filePath(QStringLiteral("p.hhp"));
        QVERIFY(testenv::writeAll(path, project));
        chm::Diagnostics d;
        const chm::HhpProject p = chm::ReadHhpProject(path, d);
        const chm::HhcOutput out = chm::CompileHhp(p, d);
        QStringList got;
        for (const chm::Diagnostic& item : d.items()) {
            const QString file = QFileInfo(item.file).fileName();
            got << (file == QLatin1String("p.hhp") ? QString() : file + u'(') +
                       QString::number(item.line) +
                       (file == QLatin1String("p.hhp") ? QString() : QStringLiteral(")")) +
                       (item.severity == chm::Severity::Error ? QStringLiteral(": error: ")
                                                              : QStringLiteral(": warning: ")) +
                       item.text;
        }
        QCOMPARE(got.size(), expected.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            QVERIFY2(got[i].startsWith(expected[i]), qPrintable(got[i]));
        QCOMPARE(out.ok, !d.hasErrors());
    }

    // Compiled and read back: every file with its bytes (chmlib, 7-Zip), the
    // system files as viewers read them, the context IDs with paths inside
    // the file, still right after the file moves and the sources go.
    void compiledAndReadBack() {
        QTemporaryDir dir;
        writeProject(dir.path());
        chm::Diagnostics d;
        const chm::HhpProject p = chm::ReadHhpProject(dir.filePath(QStringLiteral("help.hhp")), d);
        QCOMPARE(p.lcid, 0x407u);
        const chm::HhcOutput out = chm::CompileHhp(p, d);
        QVERIFY2(out.ok && d.items().empty(), qPrintable(d.lines().join(u'\n')));
        QCOMPARE(out.compiledFile, dir.filePath(QStringLiteral("out/help.chm")));
        QCOMPARE(out.stats.topics, 4);
        QCOMPARE(out.stats.contextIds, 3);
        QCOMPARE(out.stats.textPopups, 2);

        // Moved away from its sources, which are then removed.
        QTemporaryDir elsewhere;
        const QString chmPath = elsewhere.filePath(QStringLiteral("moved.chm"));
        QVERIFY(testenv::writeAll(chmPath, out.bytes));
        const std::map<QString, QByteArray> sources = tree(dir.path());
        QVERIFY(QDir(dir.path()).removeRecursively());

        chm::ChmFile chm(chmPath);
        QVERIFY(chm.isOpen());
        const QStringList stored{QStringLiteral("html/start.htm"),
                                 QStringLiteral("html/Print.htm"),
                                 QStringLiteral("more/deep/odd name.html"),
                                 QStringLiteral("extra.htm"),
                                 QStringLiteral("help.hhc"),
                                 QStringLiteral("help.hhk"),
                                 QStringLiteral("ids/help.h"),
                                 QStringLiteral("cshelp.txt")};
        for (const QString& name : stored)
            QCOMPARE(chm.read(u'/' + name), std::optional<QByteArray>(sources.at(name)));
        QCOMPARE(chm.size(QStringLiteral("/help.hhp")), -1);

        const auto ids = chm.contextIds();
        QVERIFY(ids);
        std::map<QString, QString> targets;
        for (const chm::ContextId& id : *ids)
            targets[QString::number(id.number)] = id.target;
        QCOMPARE(targets, kExpectedIds);

        const auto entries = systemEntries(*chm.read(QStringLiteral("/#SYSTEM")));
        QCOMPARE(cString(entries.at(0), 0), QByteArray("help.hhc"));
        QCOMPARE(cString(entries.at(1), 0), QByteArray("help.hhk"));
        QCOMPARE(cString(entries.at(2), 0), QByteArray("html/start.htm"));
        QCOMPARE(cString(entries.at(3), 0), QByteArray("My Help"));
        QCOMPARE(u32(entries.at(4), 0), 0x407u);
        QCOMPARE(cString(entries.at(5), 0), QByteArray("main"));
        QCOMPARE(cString(entries.at(6), 0), QByteArray("help"));

        // Titles the way viewers find them: #TOPICS, #URLTBL, #URLSTR, #STRINGS.
        const QByteArray topics = *chm.read(QStringLiteral("/#TOPICS"));
        const QByteArray urlTable = *chm.read(QStringLiteral("/#URLTBL"));
        const QByteArray urlStrings = *chm.read(QStringLiteral("/#URLSTR"));
        const QByteArray strings = *chm.read(QStringLiteral("/#STRINGS"));
        std::map<QByteArray, QByteArray> titles;
        for (qsizetype at = 0; at + 16 <= topics.size(); at += 16) {
            const quint32 url = u32(urlTable, u32(topics, at + 8) + 8) + 8;
            titles[cString(urlStrings, url)] = cString(strings, u32(topics, at + 4));
        }
        QCOMPARE(titles, (std::map<QByteArray, QByteArray>{{"html/start.htm", "Getting started"},
                                                           {"html/Print.htm", "Printing & paper"},
                                                           {"more/deep/odd name.html", "Odd"},
                                                           {"extra.htm", "Only an alias"}}));

        // The window: its name, title and files.
        const QByteArray windows = *chm.read(QStringLiteral("/#WINDOWS"));
        QCOMPARE(u32(windows, 0), 1u);
        QCOMPARE(u32(windows, 4), 0xC4u);
        QCOMPARE(cString(strings, u32(windows, 8 + 0x08)), QByteArray("main"));
        QCOMPARE(cString(strings, u32(windows, 8 + 0x14)), QByteArray("My Help"));
        QCOMPARE(cString(strings, u32(windows, 8 + 0x60)), QByteArray("help.hhc"));
        QCOMPARE(cString(strings, u32(windows, 8 + 0x68)), QByteArray("html/start.htm"));
        QCOMPARE(u32(windows, 8 + 0x20), 10u);
        QCOMPARE(u32(windows, 8 + 0x4C), 222u);

        // 7-Zip lists and extracts the same.
        QTemporaryDir extracted;
        QVERIFY(run(sevenZip(), {QStringLiteral("x"), QStringLiteral("-y"),
                                 u"-o" + extracted.path(), chmPath}));
        const auto files = tree(extracted.path());
        for (const QString& name : stored)
            QCOMPARE(files.at(name), sources.at(name));

        // libmspack's decoder agrees.
        const auto mspack = readWithMspack(chmPath);
        QVERIFY(mspack);
        for (const QString& name : stored)
            QCOMPARE(mspack->at(u'/' + name), sources.at(name));

        // Python's chm module: title, home page, contents file, a page.
        QVERIFY(!systemPython().isEmpty());
        const auto python =
            run(systemPython(),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys\nfrom chm.chm import CHMFile\nf = CHMFile()\n"
                                "assert f.LoadCHM(sys.argv[1].encode())\n"
                                "r, ui = f.ResolveObject(b'/html/Print.htm')\n"
                                "print(f.title.decode(), f.home.decode(), f.topics.decode(), r, "
                                "f.RetrieveObject(ui)[0])\n"),
                 chmPath});
        QVERIFY(python);
        QCOMPARE(python->trimmed(),
                 QByteArray("My Help /html/start.htm /help.hhc 0 ") +
                     QByteArray::number(sources.at(QStringLiteral("html/Print.htm")).size()));

        // Its search finds each word in exactly the pages that hold it, in
        // the text or the title, in any letter case; markup is no word.
        const auto found = pythonSearch(
            chmPath, {QStringLiteral("here"), QStringLiteral("ODD"), QStringLiteral("started"),
                      QStringLiteral("paper"), QStringLiteral("p"), QStringLiteral("amp"),
                      QStringLiteral("title"), QStringLiteral("reached")});
        QVERIFY(found);
        QCOMPARE(found->trimmed(), QByteArray("here:html/start.htm\n"
                                              "ODD:more/deep/odd name.html\n"
                                              "started:html/start.htm\n"
                                              "paper:html/Print.htm\n"
                                              "p:\namp:\ntitle:\n"
                                              "reached:extra.htm"));
    }

    // Enough words for many leaf nodes under an index node: each word still
    // leads to exactly its pages.
    void fullTextSearchOfManyWords() {
        QTemporaryDir dir;
        QByteArray files;
        for (int i = 0; i < 400; ++i) {
            QByteArray body = "common";
            for (int w = 0; w < 20; ++w)
                body += " word" + QByteArray::number(i * 20 + w);
            if (i % 100 == 7)
                body += " seldom";
            const QByteArray name = "p" + QByteArray::number(i) + ".htm";
            QVERIFY(write(dir.path(), QString::fromLatin1(name),
                          page("Page " + QByteArray::number(i), body)));
            files += name + "\r\n";
        }
        QVERIFY(write(dir.path(), QStringLiteral("a.hhp"),
                      "[OPTIONS]\r\nCompiled file=a.chm\r\nFull-text search=Yes\r\n[FILES]\r\n" +
                          files));
        chm::Diagnostics d;
        const chm::HhcOutput out =
            chm::CompileHhp(chm::ReadHhpProject(dir.filePath(QStringLiteral("a.hhp")), d), d);
        QVERIFY(out.ok);
        const QString chmPath = dir.filePath(QStringLiteral("a.chm"));
        QVERIFY(testenv::writeAll(chmPath, out.bytes));
        const QByteArray fti = *chm::ChmFile(chmPath).read(QStringLiteral("/$FIftiMain"));
        QVERIFY2(fti.size() > 10 * 4096, qPrintable(QString::number(fti.size())));
        QCOMPARE(qFromLittleEndian<quint16>(fti.constData() + 0x18), 2); // leaves under an index

        const auto found =
            pythonSearch(chmPath, {QStringLiteral("word0"), QStringLiteral("word4567"),
                                   QStringLiteral("word7999"), QStringLiteral("seldom"),
                                   QStringLiteral("word8000")});
        QVERIFY(found);
        QCOMPARE(found->trimmed(), QByteArray("word0:p0.htm\nword4567:p228.htm\n"
                                              "word7999:p399.htm\n"
                                              "seldom:p107.htm p207.htm p307.htm p7.htm\n"
                                              "word8000:"));
        const auto all = pythonSearch(chmPath, {QStringLiteral("common")});
        QVERIFY(all);
        QCOMPARE(all->count(".htm"), 400);
    }

    void pageWords() {
        const auto words = [](const QByteArray& page) {
            QByteArray joined;
            for (const QByteArray& w : chm::PageWords(page))
                joined += w + ' ';
            return joined.trimmed();
        };
        QCOMPARE(words("<html><head><title>The Title</title><style>p { color: red }</style>"
                       "<script type=\"x\">var a = 1;</script></head><body><p class=\"c\">"
                       "Hello, WORLD&nbsp;again &amp; 42x</p><!-- not <this> --></body>"),
                 QByteArray("the title hello world again 42x"));
        QCOMPARE(words("Gr\xd6\xdf"
                       "e \xc9t\xe9 \x8a \x9f"),
                 QByteArray("gr\xf6\xdf"
                            "e \xe9t\xe9 \x9a \xff"));
        QCOMPARE(words("a<scripted>b</scripted>c"), QByteArray("a b c"));
        QCOMPARE(words("<SCRIPT>x</SCRIPT >y"), QByteArray("y"));
        QCOMPARE(words(QByteArray(70, 'a') + " short"), QByteArray("short"));
    }

    // The program: 0 with warnings and the file written, 1 on errors with the
    // old file kept and no work file left, 2 on wrong usage.
    void program() {
        QTemporaryDir dir;
        writeProject(dir.path());
        const QString hhp = dir.filePath(QStringLiteral("help.hhp"));
        const QString chmPath = dir.filePath(QStringLiteral("out/help.chm"));
        QVERIFY(testenv::writeAll(chmPath, "old"));

        Ran r = runHhc({hhp});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("4 topics, 3 context IDs")), qPrintable(r.out));
        QVERIFY(chm::ChmFile(chmPath).isOpen());

        // A page gone: a warning, and the file is still written.
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("html/Print.htm"))));
        r = runHhc({hhp});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.contains(QStringLiteral("help.hhp(16): warning: the file "
                                               "\"html/Print.htm\" is missing")),
                 qPrintable(r.err));

        // The contents file gone: an error, and the old file stays.
        QVERIFY(testenv::writeAll(chmPath, "old"));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("help.hhc"))));
        r = runHhc({hhp});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("error: the contents file \"help.hhc\" is missing")),
                 qPrintable(r.err));
        QCOMPARE(testenv::readAll(chmPath), QByteArray("old"));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList(QStringLiteral("help.chm")));

        QCOMPARE(runHhc({dir.filePath(QStringLiteral("none.hhp"))}).status, 1);
        QCOMPARE(runHhc({}).status, 2);
        QCOMPARE(runHhc({QStringLiteral("--bogus"), hhp}).status, 2);
        r = runHhc({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("usage: qmt-hhc")));
        r = runHhc({QStringLiteral("--version")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("qmt-hhc ")));
    }

    void pageTitles() {
        QCOMPARE(chm::PageTitle("<html><head><TITLE> A  &amp; B\r\n</TITLE>"), QByteArray("A & B"));
        QCOMPARE(chm::PageTitle("<title>x</title><title>y</title>"), QByteArray("x"));
        QCOMPARE(chm::PageTitle("<html><body>none</body>"), QByteArray());
        QCOMPARE(chm::PageTitle("<title lang=\"en\">Caf\xe9</title>"), QByteArray("Caf\xe9"));
    }
};

QTEST_GUILESS_MAIN(TestHhcCompile)
#include "tst_hhc_compile.moc"
