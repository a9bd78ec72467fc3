// Help texts that carry RTF codes: the reader, its HTML and the check.
#include "rtf/helptext.h"

#include <QtTest>

using namespace rtf;

namespace {

// A compact picture of the paragraphs: runs as B/I/U flags and 'text',
// a tab as <tab>, a line break as <br>, a hotspot's runs as ->ID, hidden
// text left out, paragraphs split by " | ".
QString describe(const std::vector<Paragraph>& paragraphs) {
    QStringList parts;
    for (const Paragraph& p : paragraphs) {
        QStringList runs;
        for (const Run& r : p.runs) {
            if (r.kind == Run::Tab) {
                runs << QStringLiteral("<tab>");
                continue;
            }
            if (r.kind == Run::LineBreak) {
                runs << QStringLiteral("<br>");
                continue;
            }
            if (r.ch.hidden)
                continue;
            QString flags;
            if (r.ch.bold)
                flags += u'B';
            if (r.ch.italic)
                flags += u'I';
            if (r.ch.underline)
                flags += u'U';
            QString run = flags + u'\'' + p.view(r).toString() + u'\'';
            if (const Hotspot* h = p.hotspotOf(r))
                run += u"->" + h->target;
            runs << run;
        }
        parts << runs.join(u' ');
    }
    return parts.join(QStringLiteral(" | "));
}

QStringList codes(const std::vector<TextProblem>& problems) {
    QStringList list;
    for (const TextProblem& p : problems)
        list << p.code;
    return list;
}

} // namespace

class TstHelpText : public QObject {
    Q_OBJECT

private slots:
    void reader_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lineEndsArePararaphs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bold group")
            << QStringLiteral("{\\b Note:} every customer needs a number") << true
            << QStringLiteral("B'Note:' ' every customer needs a number'");
        QTest::newRow("Windows path loses words")
            << QStringLiteral("Install to C:\\Program Files\\App, save in C:\\temp\\new and press "
                              "{Enter}.")
            << true << QStringLiteral("'Install to C:Files, save in C:and press Enter.'");
        QTest::newRow("escaped backslashes") << QStringLiteral("C:\\\\Program Files") << true
                                             << QStringLiteral("'C:\\Program Files'");
        QTest::newRow("toggles and zero forms")
            << QStringLiteral("\\b\\i both\\b0  italic\\i0\\ul  under\\ulnone  plain") << true
            << QStringLiteral("BI'both' I' italic' U' under' ' plain'");
        QTest::newRow("plain resets")
            << QStringLiteral("{\\b\\i x\\plain y}z") << true << QStringLiteral("BI'x' 'yz'");
        QTest::newRow("paragraph, line, tab")
            << QStringLiteral("a\\par b\\line c\\tab d\te") << true
            << QStringLiteral("'a' | 'b' <br> 'c' <tab> 'd' <tab> 'e'");
        QTest::newRow("hex and unicode characters")
            << QStringLiteral("caf\\'e9 \\u8364? \\uc0\\u8364 x\\uc2\\u-4064 ab!") << true
            << QStringLiteral("'caf\u00e9 \u20ac \u20acx\uf020!'");
        QTest::newRow("escaped symbols") << QStringLiteral("a\\\\b\\{c\\}d\\~e\\-f\\_g") << true
                                         << QStringLiteral("'a\\b{c}d\u00a0ef\u2011g'");
        QTest::newRow("destinations and unknown words skipped")
            << QStringLiteral("{\\*\\foo bar}x{\\fonttbl{\\f0 Arial;}}y\\zzz z{\\footnote no}")
            << true << QStringLiteral("'xyz'");
        QTest::newRow("line ends are paragraphs")
            << QStringLiteral("one\r\ntwo\r\n\r\nthree\nfour\r\n") << true
            << QStringLiteral("'one' | 'two' |  | 'three' | 'four'");
        QTest::newRow("line ends ignored") << QStringLiteral("one\r\ntwo\\par three") << false
                                           << QStringLiteral("'onetwo' | 'three'");
        QTest::newRow("jump and pop-up hotspots")
            << QStringLiteral("See {\\uldb Setup}{\\v IDH_SETUP>main} or {\\ul {\\b Term}}{\\v "
                              "IDH_TERM@other.hlp}.")
            << true << QStringLiteral("'See ' U'Setup'->IDH_SETUP ' or ' BU'Term'->IDH_TERM '.'");
        QTest::newRow("underline without hidden text stays underline")
            << QStringLiteral("{\\ul plain underline} text") << true
            << QStringLiteral("U'plain underline' ' text'");
        QTest::newRow("unbalanced braces read on")
            << QStringLiteral("a}b{\\b c") << true << QStringLiteral("'ab' B'c'");
        QTest::newRow("empty") << QString() << true << QString();
    }
    void reader() {
        QFETCH(QString, text);
        QFETCH(bool, lineEndsArePararaphs);
        QFETCH(QString, expected);
        QCOMPARE(describe(ReadHelpText(text, lineEndsArePararaphs ? LineEnds::Paragraphs
                                                                  : LineEnds::Ignored)),
                 expected);
    }

    void html_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bold note") << QStringLiteral("{\\b Note:} every customer")
                                   << QStringLiteral("<p><b>Note:</b> every customer</p>");
        QTest::newRow("escaped characters") << QStringLiteral("a < b & \"c\" > d")
                                            << QStringLiteral("<p>a &lt; b &amp; &quot;c&quot; "
                                                              "&gt; d</p>");
        QTest::newRow("paragraphs, empty line, break, tab")
            << QStringLiteral("one\r\n\r\ntwo\\line three\\tab four")
            << QStringLiteral("<p>one</p>\n<p>&nbsp;</p>\n<p>two<br>three<span "
                              "class=\"tab\">&nbsp;</span>four</p>");
        QTest::newRow("nested formats") << QStringLiteral("{\\b\\i\\ul\\strike all}")
                                        << QStringLiteral("<p><b><i><u><s>all</s></u></i></b></p>");
        QTest::newRow("link around formatted hotspot")
            << QStringLiteral("{\\uldb A {\\b B}}{\\v IDH_X} {\\uldb C}{\\v NOWHERE}")
            << QStringLiteral("<p><a href=\"IDH_X.htm\">A <b>B</b></a> C</p>");
        QTest::newRow("jumps of every form")
            << QStringLiteral("{\\uldb a}{\\v %IDH_X}{\\strike b}{\\v IDH_X>main}{\\striked c}"
                              "{\\v *IDH_X}")
            << QStringLiteral("<p><a href=\"IDH_X.htm\">a</a><a href=\"IDH_X.htm\">b</a><a "
                              "href=\"IDH_X.htm\">c</a></p>");
        QTest::newRow("pop-up stays on the page")
            << QStringLiteral("A {\\ul term}{\\v IDH_T}.")
            << QStringLiteral("<p>A <a class=\"popuplink\" href=\"IDH_T.htm\" onclick=\"return "
                              "qmPopup(this, 'qmpopup1');\">term</a>.</p>\n<div class=\"popup\" "
                              "id=\"qmpopup1\"><p>Text of IDH_T</p></div>\n");
        QTest::newRow("paragraph formatting as CSS")
            << QStringLiteral("\\qc\\sb120 c\\par\\pard\\qr\\li720\\fi-360\\sa240 r")
            << QStringLiteral("<p style=\"text-align: center; margin-top: 6pt\">c</p>\n<p "
                              "style=\"text-align: right; margin-left: 36pt; text-indent: -18pt; "
                              "margin-bottom: 12pt\">r</p>");
        QTest::newRow("size, font and colours")
            << QStringLiteral("{\\fs32\\f1\\cf1\\highlight2 big}")
            << QStringLiteral(
                   "<p><span style=\"font-family: 'Courier New'; font-size: 16pt; color: "
                   "#ff0000; background-color: #ffff00\">big</span></p>");
        QTest::newRow("pictures, found and not")
            << QStringLiteral("\\{bml logo.bmp\\}x\\{bmc gone.bmp\\}")
            << QStringLiteral("<p><img src=\"pics/logo.bmp\" alt=\"logo.bmp\" style=\"float: "
                              "left\">x</p>");
        QTest::newRow("table")
            << QStringLiteral("\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row\\pard "
                              "after")
            << QStringLiteral("<table class=\"rtf\">\n<tr><td><p>a</p></td><td><p>b</p></td></tr>\n"
                              "</table>\n<p>after</p>");
        QTest::newRow("non-scrolling region")
            << QStringLiteral("\\keepn\\b Title\\par\\keepn Sub\\par\\pard\\plain Body")
            << QStringLiteral("<div class=\"nonscroll\"><p><b>Title</b></p>\n<p><b>Sub</b></p>\n"
                              "</div>\n<p>Body</p>");
        QTest::newRow("all kept: no region")
            << QStringLiteral("\\keepn Only") << QStringLiteral("<p>Only</p>");
        QTest::newRow("pictures stored in the text")
            << QStringLiteral("a{\\pict\\pngblip 89}{\\pict\\wmetafile8 01}")
            << QStringLiteral("<p>a<img src=\"t89.png\" alt=\"picture stored in the text\"></p>");
        QTest::newRow("macro hotspot and other file are text")
            << QStringLiteral("{\\uldb m}{\\v !Exit()}{\\uldb f}{\\v IDH_X@other.hlp}")
            << QStringLiteral("<p>mf</p>");
    }
    void html() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QStringList lost;
        HtmlLinks links;
        links.page = [](const QString& context) -> QString {
            if (context == u"NOWHERE")
                return {};
            return context + QStringLiteral(".htm");
        };
        links.popup = [](const QString& context) -> QString {
            return QStringLiteral("<p>Text of ") + context + QStringLiteral("</p>");
        };
        links.picture = [](const QString& name) -> QString {
            return name == u"logo.bmp" ? QStringLiteral("pics/") + name : QString();
        };
        links.embedded = [](const EmbeddedPicture& p) -> QString {
            return p.format == EmbeddedPicture::Png
                       ? u't' + QString::fromLatin1(p.data.toHex()) + QStringLiteral(".png")
                       : QString();
        };
        links.fontFace = [](int font) -> QString {
            return font == 1 ? QStringLiteral("Courier New") : QString();
        };
        links.colors = {0, 0x0000FF, 0x00FFFF};
        links.lost = &lost;
        QCOMPARE(HelpTextToHtml(text, links), expected);
        // What the page cannot carry is named.
        if (text.contains(u"gone.bmp"))
            QCOMPARE(lost, QStringList{QStringLiteral("picture gone.bmp")});
        else if (text.contains(u"pict"))
            QCOMPARE(lost, QStringList{QStringLiteral("metafile picture stored in the text")});
        else if (text.contains(u"!Exit"))
            QCOMPARE(lost, (QStringList{
                               QStringLiteral("macro hotspot (Exit())"),
                               QStringLiteral("jump into another help file (IDH_X@other.hlp)")}));
        else
            QCOMPARE(lost, QStringList());
    }

    void firstWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short") << QStringLiteral("{\\b Saves} the file.") << 40
                               << QStringLiteral("Saves the file.");
        QTest::newRow("cut at a word")
            << QStringLiteral("Opens the project\\par and shows its forms") << 24
            << QStringLiteral("Opens the project and...");
        QTest::newRow("hidden text and blanks") << QStringLiteral("{\\uldb Go}{\\v IDH_GO}   there")
                                                << 40 << QStringLiteral("Go there");
        QTest::newRow("one long word")
            << QStringLiteral("abcdefghijklmnop") << 10 << QStringLiteral("abcdefg...");
    }
    void firstWords() {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(FirstWords(text, length), expected);
    }

    void check_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("flagged");
        QTest::newRow("Windows path")
            << QStringLiteral("Install to C:\\Program Files\\App, save in C:\\temp\\new and "
                              "press {Enter}.")
            << QStringList{QStringLiteral("\\Program"), QStringLiteral("\\App"),
                           QStringLiteral("\\temp"), QStringLiteral("\\new")};
        QTest::newRow("unclosed brace")
            << QStringLiteral("Press {Enter") << QStringList{QStringLiteral("{")};
        QTest::newRow("closing brace without opening")
            << QStringLiteral("a } b {c}") << QStringList{QStringLiteral("}")};
        QTest::newRow("hex without digits")
            << QStringLiteral("x\\'zz and \\'4")
            << QStringList{QStringLiteral("\\'"), QStringLiteral("\\'")};
        QTest::newRow("unknown symbol and trailing backslash")
            << QStringLiteral("C:\\1st folder\\")
            << QStringList{QStringLiteral("\\1"), QStringLiteral("\\")};
        QTest::newRow("unknown word with parameter")
            << QStringLiteral("\\foo12 x") << QStringList{QStringLiteral("\\foo12")};
        QTest::newRow("bold group passes")
            << QStringLiteral("{\\b Note:} every customer") << QStringList{};
        QTest::newRow("escaped path passes")
            << QStringLiteral("C:\\\\Program Files") << QStringList{};
        QTest::newRow("codes a help author uses pass")
            << QStringLiteral("{\\uldb Setup}{\\v IDH_SETUP}\\par \\'e9\\~\\{\\}\\tab\\line "
                              "{\\*\\private stuff}{\\fonttbl{\\f0\\fswiss Arial;}}")
            << QStringList{};
    }
    void check() {
        QFETCH(QString, text);
        QFETCH(QStringList, flagged);
        QCOMPARE(codes(CheckHelpText(text)), flagged);
    }

    void checkMessagesNameTheLostWordAndTheCure() {
        const auto problems = CheckHelpText(u"C:\\Program Files");
        QCOMPARE(problems.size(), std::size_t(1));
        QCOMPARE(problems[0].offset, qsizetype(2));
        QVERIFY(problems[0].message.contains(u"\"Program\" will be missing"));
        QVERIFY(problems[0].message.contains(u"C:\\\\Program Files"));
        QCOMPARE(DescribeProblems(problems), problems[0].message);
    }
};

QTEST_GUILESS_MAIN(TstHelpText)
#include "tst_helptext.moc"
