// Compiling help projects with qmt-hc and reading the result back: titles,
// texts, jumps, map numbers, keywords, browse sequences, large projects, the
// topic files Quillmate writes, and clear errors for broken input.
#include "hcfixture.h"

#include "app/generation/genfixture.h"

#include "bytes.h"
#include "contexthash.h"
#include "generation/generalhelp.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

using namespace hcfixture;

namespace {

const hc::TopicRead* topicNamed(const hc::HelpFileRead& h, const QByteArray& context) {
    std::uint32_t offset = 0;
    if (!h.findContext(hc::ContextHash(context), offset))
        return nullptr;
    const hc::TopicRead* t = h.topicAt(offset);
    return t && t->offset == offset ? t : nullptr;
}

std::uint32_t mapped(const hc::HelpFileRead& h, std::int32_t number) {
    for (const auto& [n, offset] : h.map)
        if (n == number)
            return offset;
    return 0xFFFFFFFF;
}

QString hcProgram() {
    return qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt-hc");
}

// A BMP file of one grey pixel.
QByteArray onePixelBmp() {
    hc::ByteWriter f;
    for (std::uint32_t v : {0x4D42u}) // "BM"
        f.u16(std::uint16_t(v));
    for (std::uint32_t v : {58u, 0u, 54u, 40u, 1u, 1u})
        f.u32(v);
    f.u16(1);
    f.u16(24);
    for (std::uint32_t v : {0u, 4u, 2835u, 2835u, 0u, 0u, 0x00808080u})
        f.u32(v);
    return f.take();
}

} // namespace

class TestHcCompile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void roundTrip_data() {
        QTest::addColumn<bool>("compress");
        QTest::newRow("plain blocks") << false;
        QTest::newRow("LZ77 blocks") << true;
    }
    void roundTrip() {
        QFETCH(bool, compress);
        const QByteArray rtf =
            kRtfHeader +
            topic("IDH_MAIN", "Main Topic",
                  "First line\\par\r\nSecond line with a {\\uldb jump}{\\v IDH_SECOND}, a {\\ul "
                  "popup}{\\v IDH_CTL_1}\\tab and a tab.\\par\r\nCaf\\'e9 \\u8364?",
                  "setup;main", "main:002") +
            topic(
                "IDH_SECOND", "Second Topic",
                "Back to {\\uldb main}{\\v IDH_MAIN}. {\\b Bold} {\\i italic}\\line after a break."
                "!{\\footnote ! SetContents(\"\", \"IDH_MAIN\")}",
                "Second; SETUP", "main:001") +
            footnote('#', "IDH_CTL_1", "}}") +
            "{\\f1\\fs20 What the first control does.\\par \\par }\r\n" +
            footnote('#', "IDH_CTL_2", "}}") +
            "{\\f1\\fs20 What the second control does.\\par \\par }\r\n}}\r\n";
        const QByteArray options =
            QByteArray("COMPRESS=") + (compress ? "12 Hall Zeck" : "0") +
            "\r\nLCID=0x409 0x0 0x0 ; English (United States)\r\nREPORT=Yes\r\n"
            "TITLE=Round Trip\r\nCNT=help.cnt\r\n";
        const Compiled c = compile(
            folder(), project(options, "IDH_MAIN=10\r\nIDH_CTL_1=20\r\n#define IDH_CTL_2 0x1E\r\n"),
            rtf);
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.diagnostics.items().empty(), qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        const hc::HelpFileRead& h = c.file;

        QCOMPARE(h.lz77, compress);
        QCOMPARE(h.title, QByteArray("Round Trip"));
        QCOMPARE(h.macros, std::vector<QByteArray>{"BrowseButtons()"});
        QCOMPARE(h.contentsFile, QByteArray("help.cnt"));
        QVERIFY(h.hasLcid && h.lcid == 0x409);
        QCOMPARE(h.windows.size(), std::size_t(1));
        QCOMPARE(h.windows[0].name, QByteArray("main"));
        QCOMPARE(h.windows[0].width, 769);

        QCOMPARE(h.topics.size(), std::size_t(4));
        const hc::TopicRead* main = topicNamed(h, "IDH_MAIN");
        const hc::TopicRead* second = topicNamed(h, "idh_second");
        const hc::TopicRead* first = topicNamed(h, "IDH_CTL_1");
        const hc::TopicRead* other = topicNamed(h, "IDH_CTL_2");
        QVERIFY(main && second && first && other);
        QCOMPARE(main->title, QByteArray("Main Topic"));
        QCOMPARE(main->text,
                 QByteArray("Main Topic\n\nFirst line\nSecond line with a jump, a popup\t"
                            "and a tab.\nCaf\xe9 \x80\n"));
        QCOMPARE(second->text,
                 QByteArray("Second Topic\n\nBack to main. Bold italic\nafter a break.\n"));
        QCOMPARE(second->macros, std::vector<QByteArray>{"SetContents(\"\", \"IDH_MAIN\")"});
        QCOMPARE(first->text, QByteArray("What the first control does.\n\n"));
        QCOMPARE(other->title, QByteArray());

        // Hotspots lead through |CONTEXT to their topics.
        QCOMPARE(main->hotspots.size(), std::size_t(2));
        QCOMPARE(main->hotspots[0].code, std::uint8_t(0xE3));
        QCOMPARE(main->hotspots[0].text, QByteArray("jump"));
        QCOMPARE(main->hotspots[1].code, std::uint8_t(0xE2));
        QCOMPARE(main->hotspots[1].text, QByteArray("popup"));
        for (const hc::TopicRead& t : h.topics)
            for (const hc::HotspotRead& s : t.hotspots) {
                std::uint32_t offset = 0;
                QVERIFY(h.findContext(s.hash, offset));
            }
        QCOMPARE(h.topicAt(h.topicAt(0)->offset)->offset, main->offset);
        std::uint32_t target = 0;
        QVERIFY(h.findContext(main->hotspots[0].hash, target));
        QCOMPARE(target, second->offset);

        // Map numbers, keywords, titles and browse links lead to topic starts.
        QCOMPARE(h.map.size(), std::size_t(3));
        QCOMPARE(mapped(h, 10), main->offset);
        QCOMPARE(mapped(h, 20), first->offset);
        QCOMPARE(mapped(h, 30), other->offset);
        QCOMPARE(h.keywords.size(), std::size_t(3));
        QCOMPARE(h.keywords[0].text, QByteArray("main"));
        QCOMPARE(h.keywords[1].text, QByteArray("Second"));
        QCOMPARE(h.keywords[2].text, QByteArray("setup"));
        QCOMPARE(h.keywords[2].offsets, (std::vector<std::uint32_t>{main->offset, second->offset}));
        QCOMPARE(h.titles.size(), h.topics.size());
        for (std::size_t i = 0; i < h.topics.size(); ++i) {
            QCOMPARE(h.titles[i].first, h.topics[i].offset);
            QCOMPARE(h.titles[i].second, h.topics[i].title);
        }
        QCOMPARE(second->browseNext, main->offset);
        QCOMPARE(main->browseBack, second->offset);
        QCOMPARE(main->browseNext, 0xFFFFFFFFu);
        QCOMPARE(first->browseBack, 0xFFFFFFFFu);
        QVERIFY(hc::DumpHelpFile(h).contains(QStringLiteral("IDH_CTL_2")));
    }

    void warningsNameFileAndLine() {
        const QByteArray rtf =
            kRtfHeader + topic("IDH_A", "A", "To {\\uldb nowhere}{\\v IDH_NONE}.") +
            topic("IDH_A", "Again", "Twice.") + topic("IDH B", "Blank", "Text.") + "}}";
        const Compiled c =
            compile(folder(), project("TITLE=T\r\n", "IDH_A=1\r\nIDH_LOST=2\r\nIDH_A=1\r\n"), rtf);
        QVERIFY(c.result.written);
        const QStringList lines = c.diagnostics.lines();
        const QString rtfName = QDir::toNativeSeparators(folder() + QStringLiteral("/help.rtf"));
        const QString hpjName = QDir::toNativeSeparators(folder() + QStringLiteral("/help.hpj"));
        const QStringList expected = {
            rtfName + QStringLiteral("(19): warning: context string \"IDH B\" has characters other "
                                     "than A-Z a-z 0-9 . _; help viewers may not find it"),
            rtfName +
                QStringLiteral(
                    "(11): warning: context string IDH_A is defined twice; this one is ignored"),
            rtfName + QStringLiteral("(7): warning: jump to undefined context string IDH_NONE"),
            hpjName + QStringLiteral("(10): warning: map entry IDH_LOST=2 names no topic"),
            hpjName +
                QStringLiteral("(11): warning: map number 1 is given twice; this entry is ignored"),
        };
        for (const QString& e : expected)
            QVERIFY2(lines.contains(e), qPrintable(lines.join(u'\n')));
        QCOMPARE(lines.size(), expected.size());
        QCOMPARE(c.file.topics.size(), std::size_t(3));
        QCOMPARE(topicNamed(c.file, "IDH_A")->title, QByteArray("A"));
    }

    // Map entries from the project and a map file it includes, in between:
    // each message names the entry's own file and line, in the order of the
    // entries, and the program prints the same lines.
    void mapMessagesKeepTheirPlaces() {
        const QString dir = folder();
        QVERIFY(testenv::writeAll(dir + u"/ids.hm",
                                  "#define IDH_B 2\r\nIDH_C=4\r\n#define IDH_A 5\r\n"));
        const QByteArray hpj =
            project("", "IDH_A=1\r\n#include \"ids.hm\"\r\nIDH_GONE=3\r\nIDH_B=2\r\n");
        const Compiled c = compile(
            dir, hpj, kRtfHeader + topic("IDH_A", "A", "One.") + topic("IDH_B", "B", "Two.") + "}");
        QVERIFY(c.result.written);
        const QString hpjName = QDir::toNativeSeparators(dir + u"/help.hpj");
        const QString hmName = QDir::toNativeSeparators(dir + u"/ids.hm");
        const QStringList expected = {
            hmName + u"(2): warning: map entry IDH_C=4 names no topic",
            hpjName + u"(10): warning: map entry IDH_GONE=3 names no topic",
            hpjName + u"(11): warning: map number 2 is given twice; this entry is ignored",
        };
        QCOMPARE(c.diagnostics.lines(), expected);
        QCOMPARE(c.diagnostics.count(hc::Severity::Warning), 3);
        QCOMPARE(c.file.map.size(), std::size_t(3));
        QCOMPARE(mapped(c.file, 5), mapped(c.file, 1));

        QProcess p;
        p.start(hcProgram(), {dir + u"/help.hpj"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), expected.join(u'\n') + u'\n');
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(out.contains("3 map entries, 3 warning(s)"), out.constData());
    }

    // The image library is loaded by the program only for a picture to convert.
    void imageLibraryOnlyForPictures_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("picture");
        QTest::newRow("no picture") << QByteArray("Text.") << false;
        QTest::newRow("picture file") << QByteArray("\\{bmc dot.bmp\\} Text.") << true;
    }
    void imageLibraryOnlyForPictures() {
        QFETCH(QByteArray, text);
        QFETCH(bool, picture);
        const QString dir = folder();
        QVERIFY(testenv::writeAll(dir + u"/dot.bmp", onePixelBmp()));
        QVERIFY(
            testenv::writeAll(dir + u"/help.rtf", kRtfHeader + topic("IDH_A", "A", text) + "}"));
        QVERIFY(testenv::writeAll(dir + u"/help.hpj", project("")));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files")); // the loader's list
        p.setProcessEnvironment(env);
        p.start(hcProgram(), {dir + u"/help.hpj"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray loaded = p.readAllStandardError();
        QVERIFY2(loaded.contains("libqmthc.so"), "the loader lists no libraries");
        QCOMPARE(loaded.contains("libqmthcimage.so"), picture);
        QCOMPARE(loaded.contains("libQt6Gui.so"), picture);
        const hc::HelpFileRead h = hc::ReadHelpFile(testenv::readAll(dir + u"/help.hlp"));
        QCOMPARE(h.bitmaps.size(), std::size_t(picture ? 1 : 0));
    }

    void errorsWriteNothing_data() {
        QTest::addColumn<QByteArray>("hpj");
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("error");
        const QByteArray good = kRtfHeader + topic("IDH_A", "A", "Text.") + "}}";
        QTest::newRow("topic file missing")
            << project("") << QByteArray() << QStringLiteral("help.rtf cannot be read");
        QTest::newRow("not RTF") << project("") << QByteArray("Plain text\r\n")
                                 << QStringLiteral("help.rtf(1): error: this is not an RTF file");
        QTest::newRow("no topic") << project("") << QByteArray("{\\rtf1\\ansi }")
                                  << QStringLiteral("hold no topic");
        QTest::newRow("no files") << QByteArray("[OPTIONS]\r\nTITLE=T\r\n") << good
                                  << QStringLiteral("the project names no topic file");
        QTest::newRow("bad map entry")
            << project("", "IDH_A=ten\r\n") << good
            << QStringLiteral(
                   "help.hpj(8): error: map entry \"IDH_A=ten\" is not of the form NAME=number");
        QTest::newRow("unclosed section")
            << QByteArray("[OPTIONS\r\n") + project("") << good
            << QStringLiteral("help.hpj(1): error: section name without its closing bracket");
    }
    void errorsWriteNothing() {
        QFETCH(QByteArray, hpj);
        QFETCH(QByteArray, rtf);
        QFETCH(QString, error);
        QVERIFY(testenv::writeAll(folder() + QStringLiteral("/help.hlp"), "old"));
        const Compiled c = compile(folder(), hpj, rtf);
        QVERIFY(!c.result.written);
        QVERIFY(c.diagnostics.hasErrors());
        QVERIFY2(c.diagnostics.lines().join(u'\n').contains(error),
                 qPrintable(c.diagnostics.lines().join(u'\n')));
        QCOMPARE(testenv::readAll(folder() + QStringLiteral("/help.hlp")), QByteArray("old"));
        QCOMPARE(
            QDir(folder()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".qmt-")),
            QStringList());
    }

    void projectFileForms() {
        // Names in another letter case and with backslashes, comments, every
        // map form, an included header, windows with both colour forms.
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("/Src/Inc")));
        QVERIFY(testenv::writeAll(folder() + QStringLiteral("/Src/Topics.RTF"),
                                  kRtfHeader + topic("IDH_A", "A", "Text.") +
                                      topic("IDH_B", "B", "More.") + "}}"));
        QVERIFY(testenv::writeAll(
            folder() + QStringLiteral("/Src/Inc/map.h"),
            "// header\r\n#define IDH_B 0x20 /* hex */\r\n#ifdef X\r\n#endif\r\n"));
        const QByteArray hpj =
            "; a comment\r\n[OPTIONS]\r\nTITLE=Forms; with a semicolon\r\nCOPYRIGHT=(c) Me\r\n"
            "CONTENTS=IDH_B ; the start\r\nLCID=0x407 0x0 0x0\r\nHLP=out\\Forms.HLP\r\n"
            "[FILES]\r\nsrc\\topics.rtf ; the topics\r\n[MAP]\r\nIDH_A 7\r\n#include "
            "<src\\inc\\MAP.H>\r\n"
            "[WINDOWS]\r\nmain=\"Caption\",(10,20,300,400),1,(r255),(0,128,255)\r\n"
            "[BITMAPS]\r\nx.bmp\r\n[CONFIG]\r\nBrowseButtons()\r\nCreateButton(\"b\",\"&B\",\"JI(`"
            "x.hlp',`a')\")\r\n";
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("/out")));
        const Compiled c = compile(folder(), hpj, QByteArray());
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QCOMPARE(c.result.helpFile, folder() + QStringLiteral("/out/Forms.HLP"));
        QCOMPARE(
            c.diagnostics.lines(),
            QStringList(QDir::toNativeSeparators(folder() + QStringLiteral("/help.hpj")) +
                        QStringLiteral(
                            "(15): warning: section [BITMAPS] is not supported and is ignored")));
        const hc::HelpFileRead& h = c.file;
        QCOMPARE(h.title, QByteArray("Forms; with a semicolon"));
        QCOMPARE(h.copyright, QByteArray("(c) Me"));
        QCOMPARE(h.contents, topicNamed(h, "IDH_B")->offset);
        QCOMPARE(h.lcid, std::uint16_t(0x407));
        QCOMPARE(mapped(h, 7), topicNamed(h, "IDH_A")->offset);
        QCOMPARE(mapped(h, 0x20), topicNamed(h, "IDH_B")->offset);
        QCOMPARE(h.macros.size(), std::size_t(2));
        QCOMPARE(h.windows[0].caption, QByteArray("Caption"));
        QCOMPARE(h.windows[0].flags & 0x03FF, 0x03FF); // every field given, maximised
        QCOMPARE(
            QVector<int>({h.windows[0].x, h.windows[0].y, h.windows[0].width, h.windows[0].height}),
            QVector<int>({10, 20, 300, 400}));
        QVERIFY(!h.lz77); // no COMPRESS line
    }

    void rtfFeatures() {
        const QByteArray text =
            "{\\fonttbl{\\f5\\froman Times New Roman;}}{\\colortbl ;\\red255\\green0\\blue0;}"
            "{\\f5\\fs30\\b\\i\\cf1 Big}\\qc{\\*\\unknown skipped}{\\field{\\*\\fldinst HYPERLINK "
            "x}{\\fldrslt shown}}"
            "\\bin3 {}x\\'41\\u233e\\uc0\\u8364 \\uc2\\u8220??\\~\\emdash\\par\r\n"
            "{\\strike struck}{\\v IDH_A} {\\uldb quiet}{\\v %IDH_A} {\\uldb there}{\\v "
            "IDH_X@other.hlp} "
            "{\\ul win}{\\v IDH_A>main} {\\uldb run}{\\v !Back()} {\\ul plain underline} {\\v "
            "hidden alone}end";
        const QByteArray rtf = kRtfHeader + topic("IDH_A", "A", text) + "}}";
        const Compiled c = compile(folder(), project(""), rtf);
        QVERIFY2(c.result.written && c.diagnostics.items().empty(),
                 qPrintable(c.diagnostics.lines().join(u'\n')));
        const hc::TopicRead* t = topicNamed(c.file, "IDH_A");
        QVERIFY(t);
        QCOMPARE(t->text, QByteArray("A\n\nBigshownA\xe9\x80\x93\xa0\x97\nstruck quiet there win "
                                     "run plain underline end\n"));
        std::vector<std::uint8_t> codes;
        for (const hc::HotspotRead& h : t->hotspots)
            codes.push_back(h.code);
        QCOMPARE(codes, (std::vector<std::uint8_t>{0xE3, 0xE7, 0xEB, 0xEA, 0xC8}));
        QCOMPARE(t->hotspots[2].target, QByteArray("other.hlp"));
        QCOMPARE(t->hotspots[4].target, QByteArray("Back()"));
        for (std::size_t i : {0, 1, 3})
            QCOMPARE(t->hotspots[i].hash, hc::ContextHash("IDH_A"));
        // Fonts: face, family, size, attributes and colour as written; underline kept.
        bool big = false, underline = false;
        for (const hc::FontDescriptor& f : c.file.fonts) {
            const QByteArray face = c.file.faces[f.face];
            big = big || (face == "Times New Roman" && f.family == 2 && f.halfPoints == 30 &&
                          f.attributes == (hc::kBold | hc::kItalic) && f.color == 0x0000FF);
            underline = underline || f.attributes == hc::kUnderline;
        }
        QVERIFY(big && underline);
    }

    void longParagraphsAreSplit() {
        const QByteArray words = QByteArray("word ").repeated(8000);
        const Compiled c = compile(folder(), project("COMPRESS=1\r\n"),
                                   kRtfHeader + topic("IDH_A", "A", words) + "}}");
        QVERIFY(c.result.written);
        QCOMPARE(c.diagnostics.items().size(), std::size_t(2)); // 40,000 characters: two splits
        QVERIFY(c.diagnostics.lines().first().contains(
            u"paragraph longer than 16000 characters split"));
        QCOMPARE(topicNamed(c.file, "IDH_A")->text.count("word"), qsizetype(8000));
    }

    // COMPRESS asks for packed topics, but text that hardly repeats itself is
    // larger packed: then the topics are stored as they are. Records already
    // packed and let go of come back from the packed blocks for that.
    void compressionKeepsTheSmallerFile_data() {
        QTest::addColumn<bool>("repeating");
        QTest::addColumn<int>("topics");
        QTest::addColumn<int>("lineLength");
        QTest::newRow("repeating text is packed") << true << 1 << 1000;
        QTest::newRow("random text is stored as it is") << false << 1 << 1000;
        QTest::newRow("random text, records let go of") << false << 8 << 1000;
        // Packing stops at the first record, while many batches are still to come.
        QTest::newRow("a record that packs into no block") << false << 5 << 6000;
    }
    void compressionKeepsTheSmallerFile() {
        QFETCH(bool, repeating);
        QFETCH(int, topics);
        QFETCH(int, lineLength);
        QRandomGenerator random(7);
        QByteArray rtf = kRtfHeader;
        QList<QByteArray> shown; // what the reader gives back of each topic
        for (int t = 0; t < topics; ++t) {
            QByteArray text;
            shown.append(QByteArray());
            for (int paragraph = 0; paragraph < 40; ++paragraph) {
                QByteArray line;
                for (int i = 0; i < lineLength; ++i)
                    line += repeating
                                ? char('a' + i % 7)
                                : char("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123"
                                       "456789"[random.bounded(62)]);
                text += line + "\\par\r\n";
                shown.last() += line + '\n';
            }
            rtf += topic("IDH_" + QByteArray::number(t), "T", text);
        }
        rtf += "}}";
        const Compiled packed = compile(folder(), project("COMPRESS=YES\r\n"), rtf);
        QVERIFY2(packed.result.written && packed.error.isEmpty(),
                 qPrintable(packed.diagnostics.lines().join(u'\n') + packed.error));
        const bool fits = lineLength < 4000; // a packed block holds about 4 KB
        QCOMPARE(packed.diagnostics.lines().join(u'\n').contains(u"could not be compressed"),
                 !fits);
        QCOMPARE(packed.diagnostics.items().size(), std::size_t(fits ? 0 : 1));
        QCOMPARE(packed.file.lz77, repeating);
        QCOMPARE(packed.result.stats.compressed, repeating);
        for (int t = 0; t < topics; ++t)
            QVERIFY(
                topicNamed(packed.file, "IDH_" + QByteArray::number(t))->text.endsWith(shown[t]));

        const Compiled plain = compile(folder(), project("COMPRESS=NO\r\n"), rtf);
        QVERIFY(plain.result.written);
        QCOMPARE(plain.file.lz77, false);
        QVERIFY(repeating ? packed.result.bytes < plain.result.bytes
                          : packed.result.bytes == plain.result.bytes);
    }

    void commandLine() {
        const QString program = hcProgram();
        const auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
            QProcess p;
            p.start(program, args);
            if (!p.waitForFinished(30000))
                return -1;
            if (out)
                *out = p.readAllStandardOutput() + p.readAllStandardError();
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        const QString hpj = folder() + QStringLiteral("/help.hpj");
        QVERIFY(
            testenv::writeAll(folder() + QStringLiteral("/help.rtf"),
                              kRtfHeader + topic("IDH_A", "A", "{\\uldb x}{\\v IDH_GONE}") + "}}"));
        QVERIFY(testenv::writeAll(hpj, project("")));
        QByteArray out;
        QCOMPARE(run({QStringLiteral("/c"), QStringLiteral("/e"), QStringLiteral("/m"), hpj}, &out),
                 0); // a warning only
        QVERIFY(out.contains("warning: jump to undefined context string IDH_GONE"));
        QVERIFY(out.contains("1 topics"));
        QCOMPARE(run({QStringLiteral("--dump"), folder() + QStringLiteral("/help.hlp")}, &out), 0);
        QVERIFY(out.contains("topic 0 at 0x00000000: A"));
        QVERIFY(out.contains("context: 0x") && out.contains(" IDH_A"));
        QVERIFY(testenv::writeAll(hpj, project("", "IDH_A=x\r\n")));
        QCOMPARE(run({hpj}, &out), 1);
        QVERIFY(out.contains("no help file written"));
        QCOMPARE(run({QStringLiteral("--dump"), hpj}), 1); // not a help file
        QCOMPARE(run({}), 2);
        QCOMPARE(run({hpj, hpj}), 2);
    }

    // A topic file whose records take more memory than the compiler may
    // have: an error naming the project and the file, and the old help file
    // left as it was.
    void runningOutOfMemoryIsAnError() {
        const QString hlp = folder() + QStringLiteral("/help.hlp");
        const QString hpj = folder() + QStringLiteral("/help.hpj");
        QVERIFY(testenv::writeAll(hlp, "old"));
        QVERIFY(testenv::writeAll(hpj, project("")));
        const QByteArray paragraph =
            QByteArray("Some words of text in a paragraph that goes on for a while. ").repeated(4) +
            "\\par\n";
        QByteArray rtf = kRtfHeader;
        for (int t = 0; t < 2000; ++t)
            rtf += topic("IDH_" + QByteArray::number(t), "T", paragraph.repeated(40));
        QVERIFY(testenv::writeAll(folder() + QStringLiteral("/help.rtf"), rtf + "}}")); // 20 MB
        QProcess p;
        p.start(QStringLiteral("prlimit"),
                {QStringLiteral("--data=%1").arg(qint64(36) << 20), hcProgram(), hpj});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        const QByteArray err = p.readAllStandardError();
        const QByteArray expected =
            "help.hpj: error: there is not enough memory to compile this project (while reading " +
            QFile::encodeName(QDir::toNativeSeparators(folder() + QStringLiteral("/help.rtf"))) +
            ")";
        QVERIFY2(err.contains(expected), err.constData());
        QCOMPARE(testenv::readAll(hlp), QByteArray("old"));
    }

    void manyTopicsMakeDeepTrees_data() {
        QTest::addColumn<bool>("compress");
        QTest::newRow("plain") << false;
        QTest::newRow("LZ77") << true;
    }
    void manyTopicsMakeDeepTrees() {
        QFETCH(bool, compress);
        constexpr int kTopics = 3000;
        QByteArray rtf = kRtfHeader;
        QByteArray map;
        for (int i = 0; i < kTopics; ++i) {
            const QByteArray n = QByteArray::number(i);
            rtf += topic("IDH_TOPIC_" + n, "Topic number " + n,
                         "Text of topic " + n + ".\\par\r\nSee {\\uldb the next}{\\v IDH_TOPIC_" +
                             QByteArray::number((i + 1) % kTopics) + "}.",
                         "a keyword long enough to fill index pages quickly, topic " + n,
                         "all:" + n.rightJustified(5, '0'));
            map += "IDH_TOPIC_" + n + "=" + QByteArray::number(i + 1) + "\r\n";
        }
        const Compiled c =
            compile(folder(), project(compress ? "COMPRESS=YES\r\n" : "", map), rtf + "}}");
        QVERIFY2(c.result.written && c.diagnostics.items().empty(),
                 qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        const hc::HelpFileRead& h = c.file;
        QCOMPARE(h.lz77, compress);
        QCOMPARE(h.topics.size(), std::size_t(kTopics));
        QVERIFY(h.treeLevels >= 3);
        for (int i = 0; i < kTopics; ++i) {
            const QByteArray n = QByteArray::number(i);
            const hc::TopicRead* t = topicNamed(h, "IDH_TOPIC_" + n);
            QVERIFY(t);
            QCOMPARE(t->title, "Topic number " + n);
            QCOMPARE(t->number, i);
            QCOMPARE(mapped(h, i + 1), t->offset);
            QCOMPARE(h.keywords[std::size_t(i)].offsets.size(), std::size_t(1));
            QCOMPARE(t->browseNext == 0xFFFFFFFF, i == kTopics - 1);
        }
        for (const hc::KeywordRead& k : h.keywords)
            QCOMPARE(h.topicAt(k.offsets[0])->offset, k.offsets[0]);
        QVERIFY(h.topics.back().text.contains("Text of topic 2999."));
    }

    // Fields that point forward (the next record, the next topic, the
    // regions' first records, a browse sequence leading on) across many
    // blocks, one topic longer than several blocks among them.
    void linksAcrossBlocks_data() {
        QTest::addColumn<bool>("compress");
        QTest::newRow("plain") << false;
        QTest::newRow("LZ77") << true;
    }
    void linksAcrossBlocks() {
        QFETCH(bool, compress);
        constexpr int kTopics = 300;
        QByteArray rtf = kRtfHeader;
        for (int i = 0; i < kTopics; ++i) {
            const QByteArray n = QByteArray::number(i);
            // Even topics browse on in file order, odd ones against it.
            const QByteArray browse =
                i % 2 ? QByteArray("down:" + QByteArray::number(kTopics - i).rightJustified(4, '0'))
                      : QByteArray("up:" + n.rightJustified(4, '0'));
            QByteArray body;
            for (int p = 0; p < (i == 150 ? 2500 : 1 + i % 7); ++p)
                body += "Line " + QByteArray::number(p * 7919 % 10007) + " of " + n + ".\\par ";
            rtf += "#{\\footnote IDH_" + n + "}+{\\footnote " + browse + "}\\keepn Head " + n +
                   "\\par\\pard " + body + "\\page\r\n";
        }
        const Compiled c =
            compile(folder(), project(compress ? "COMPRESS=YES\r\n" : ""), rtf + "}");
        QVERIFY2(c.result.written && c.diagnostics.items().empty(),
                 qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        const hc::HelpFileRead& h = c.file;
        QCOMPARE(h.lz77, compress);
        QCOMPARE(h.topics.size(), std::size_t(kTopics));
        const hc::TopicRead& longest = h.topics[150];
        QVERIFY((longest.recordOffsets.back() >> 15) - (longest.offset >> 15) >= 3);
        const auto offsetOf = [&](int i) {
            return i < 0 || i >= kTopics ? 0xFFFFFFFFu : h.topics[std::size_t(i)].offset;
        };
        for (int i = 0; i < kTopics; ++i) {
            const hc::TopicRead& t = h.topics[std::size_t(i)];
            QCOMPARE(t.recordPositions.size(), std::size_t(i == 150 ? 2501 : 2 + i % 7));
            QCOMPARE(t.nonScroll, t.recordPositions[0]);
            QCOMPARE(t.scroll, t.recordPositions[1]);
            const int next = i % 2 ? (i - 2 >= 1 ? i - 2 : -1) : (i + 2 < kTopics ? i + 2 : -1);
            const int back = i % 2 ? (i + 2 < kTopics ? i + 2 : -1) : i - 2;
            QCOMPARE(t.browseNext, offsetOf(next));
            QCOMPARE(t.browseBack, offsetOf(back));
        }
    }

    void topicFilesQuillmateWrites() {
        testenv::RegistryFolder registry;
        auto db = testenv::freshProject(folder() + QStringLiteral("/p.QMT"));
        genfixture::addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"),
                             QStringLiteral("main:1"), QStringLiteral("start;overview"),
                             QStringLiteral("First line.\r\nSecond line."), 10);
        genfixture::addTopic(*db, QStringLiteral("IDH_MORE"), QStringLiteral("More"), QVariant(),
                             QVariant(), QVariant(), 11);
        genfixture::addWhatsThis(*db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("IDH_OK"),
                                 QStringLiteral("Closes the window."), 20);
        genfixture::addWhatsThis(*db, QStringLiteral("frmMain.txtName"), QStringLiteral("IDH_NAME"),
                                 QStringLiteral("The name.\r\nAt most 50 characters."), 21);
        genfixture::addWhatsThis(*db, QStringLiteral("frmMain.cmdMain"), QStringLiteral("IDH_MAIN"),
                                 QStringLiteral("Same ID as a topic."), 0);
        CreateSettings s;
        s.helpProjectTitle = QStringLiteral("Quillmate Project");
        s.helpProjectFileName = folder() + QStringLiteral("/out.hpj");
        s.helpFileName = QStringLiteral("out.hlp");
        s.rtfFileName = folder() + QStringLiteral("/out.rtf");
        s.createContentsFile = 1;
        s.contentsFileName = QStringLiteral("out.cnt");
        CreateReport report;
        CreateGeneralHelp(s, *db, report);

        hc::Diagnostics d;
        const hc::CompileResult r = hc::Compile(s.helpProjectFileName, d, 1000000000);
        QVERIFY2(r.written, qPrintable(d.lines().join(u'\n')));
        QCOMPARE(d.lines(), QStringList(QDir::toNativeSeparators(s.rtfFileName) +
                                        QStringLiteral("(35): warning: context string IDH_MAIN is "
                                                       "defined twice; this one is ignored")));
        const hc::HelpFileRead h =
            hc::ReadHelpFile(testenv::readAll(folder() + QStringLiteral("/out.hlp")));
        QCOMPARE(h.title, QByteArray("Quillmate Project"));
        QCOMPARE(h.topics.size(), std::size_t(5)); // each What's This entry is a topic of its own
        QCOMPARE(topicNamed(h, "IDH_MAIN")->text,
                 QByteArray("Main\n\nFirst line.\nSecond line.\n"));
        QCOMPARE(topicNamed(h, "IDH_MORE")->text, QByteArray("More\n\n"));
        QCOMPARE(topicNamed(h, "IDH_OK")->text, QByteArray("Closes the window.\n\n"));
        // What's This texts keep their line ends as written: RTF reads them as nothing.
        QCOMPARE(topicNamed(h, "IDH_NAME")->text,
                 QByteArray("The name.At most 50 characters.\n\n"));
        QCOMPARE(mapped(h, 10), topicNamed(h, "IDH_MAIN")->offset);
        QCOMPARE(mapped(h, 11), topicNamed(h, "IDH_MORE")->offset);
        QCOMPARE(mapped(h, 20), topicNamed(h, "IDH_OK")->offset);
        QCOMPARE(mapped(h, 21), topicNamed(h, "IDH_NAME")->offset);
        QCOMPARE(h.keywords.size(), std::size_t(2));
        QVERIFY(h.lz77); // COMPRESS=12 Hall Zeck
    }

    // What an author sets reaches the help file: the project's fonts and
    // colours, the topic header as the heading that stays put, titles and
    // keywords with braces and backslashes, texts with LF line ends.
    void authorsFontsHeadingsAndLineEnds() {
        testenv::RegistryFolder registry;
        auto db = testenv::freshProject(folder() + QStringLiteral("/p.QMT"));
        testenv::addRow(*db, QStringLiteral("GeneralHelp"),
                        {{"TopicID", QStringLiteral("IDH_A")},
                         {"TopicTitle", QStringLiteral("A {b} \\ c")},
                         {"TopicHeader", QStringLiteral("Shown heading")},
                         {"Keywords", QStringLiteral("k{1};plain")},
                         {"HelpText", QStringLiteral("{\\cf1 red} {\\f1 face}\none\ntwo")},
                         {"MapNumber", 1},
                         {"Status", QStringLiteral("A")}});
        CreateSettings s;
        s.helpProjectTitle = QStringLiteral("Fonts");
        s.helpProjectFileName = folder() + QStringLiteral("/out.hpj");
        s.helpFileName = QStringLiteral("out.hlp");
        s.rtfFileName = folder() + QStringLiteral("/out.rtf");
        s.helpFonts = QStringLiteral("Verdana; Courier New");
        s.helpColors = QStringLiteral("#FF0000;nothing");
        CreateReport report;
        CreateGeneralHelp(s, *db, report);
        QVERIFY2(report.ok(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(report.warnings.size(), qsizetype(1));
        QVERIFY(report.warnings[0].contains(u"\"nothing\""));

        hc::Diagnostics d;
        const hc::CompileResult r = hc::Compile(s.helpProjectFileName, d, 1000000000);
        QVERIFY2(r.written, qPrintable(d.lines().join(u'\n')));
        QVERIFY2(d.lines().isEmpty(), qPrintable(d.lines().join(u'\n')));
        const hc::HelpFileRead h =
            hc::ReadHelpFile(testenv::readAll(folder() + QStringLiteral("/out.hlp")));
        const hc::TopicRead* a = topicNamed(h, "IDH_A");
        QVERIFY(a);
        QCOMPARE(a->title, QByteArray("A {b} \\ c"));
        QCOMPARE(a->text, QByteArray("Shown heading\n\nred face\none\ntwo\n"));
        QVERIFY(a->nonScroll != 0xFFFFFFFF && a->scroll > a->nonScroll);
        QCOMPARE(h.keywords.size(), std::size_t(2));
        QCOMPARE(h.keywords[0].text, QByteArray("k{1}"));
        // Create's own text is in \f1: the second face.
        QCOMPARE(h.faces, std::vector<QByteArray>{"Courier New"});
        QVERIFY(std::any_of(h.fonts.begin(), h.fonts.end(),
                            [](const hc::FontDescriptor& f) { return f.color == 0x0000FF; }));
    }

    void brokenInputNeverCrashes() {
        const QByteArray rtf = kRtfHeader +
                               topic("IDH_A", "A", "A {\\uldb jump}{\\v IDH_B}.", "k") +
                               topic("IDH_B", "B", "{\\ul popup}{\\v IDH_A}\\line x") + "}}";
        const QByteArray hpj = project("COMPRESS=1\r\n", "IDH_A=1\r\nIDH_B=2\r\n");
        QRandomGenerator rng(5);
        int written = 0;
        for (int round = 0; round < 150; ++round) {
            QByteArray r = rtf, p = hpj;
            QByteArray& victim = round % 3 == 0 ? p : r;
            for (int i = 0, n = 1 + int(rng.bounded(6)); i < n; ++i) {
                const qsizetype at = qsizetype(rng.bounded(quint32(victim.size())));
                const char pick[] = "{}\\;#$K+=\x00\xff ";
                victim[at] = rng.bounded(2) ? pick[rng.bounded(quint32(sizeof pick - 1))]
                                            : char(rng.bounded(256));
            }
            const Compiled c = compile(folder(), p, r);
            QVERIFY2(c.error.isEmpty(), qPrintable(c.error)); // whatever it wrote, it reads back
            written += c.result.written ? 1 : 0;
        }
        QVERIFY(written > 0);
        // Inputs the fuzz targets found or aim at: more closing braces than
        // opening ones, footnotes left open, binary data past the end.
        for (const QByteArray& odd :
             {QByteArray("{\\rtf1 text}}}after"), QByteArray("{\\rtf1 #{\\footnote # IDH_A"),
              QByteArray("{\\rtf1 x\\bin999999 y}"),
              QByteArray("{\\rtf1 {\\uldb a}{\\v}}}}}{\\v b")}) {
            const Compiled c = compile(folder(), project(""), odd);
            QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        }
    }

    void workFileReplacesTargetOrLeavesIt() {
        const QString target = folder() + QStringLiteral("/out.hlp");
        QString error;
        QVERIFY(testenv::writeAll(target, "old"));
        QVERIFY(hc::WriteFileSafely(target, "new", error));
        QCOMPARE(testenv::readAll(target), QByteArray("new"));
        // A folder in the way: the rename fails, nothing is left behind.
        const QString blocked = folder() + QStringLiteral("/blocked.hlp");
        QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));
        QVERIFY(!hc::WriteFileSafely(blocked, "x", error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(blocked + QStringLiteral("/inside")).isDir());
        QVERIFY(
            !hc::WriteFileSafely(folder() + QStringLiteral("/no/such/folder/x.hlp"), "x", error));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList(QStringLiteral("out.hlp")));
    }
};

QTEST_GUILESS_MAIN(TestHcCompile)
#include "tst_hc_compile.moc"
