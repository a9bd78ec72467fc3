// Help texts that carry RTF codes: the reader, its HTML and the check.
#include "rtf/helptext.h"

#include <QtTest>

using namespace rtf;

namespace {

// A compact picture of the paragraphs: spans as B/I/U flags and 'text',
// a tab as <tab>, a line break as <br>, a link as ->ID, paragraphs split by " | ".
QString describe(const std::vector<Paragraph>& paragraphs) {
    QStringList parts;
    for (const Paragraph& p : paragraphs) {
        QStringList spans;
        for (const Span& s : p.spans) {
            if (s.kind == Span::Tab) {
                spans << QStringLiteral("<tab>");
                continue;
            }
            if (s.kind == Span::LineBreak) {
                spans << QStringLiteral("<br>");
                continue;
            }
            QString flags;
            if (s.format.bold)
                flags += u'B';
            if (s.format.italic)
                flags += u'I';
            if (s.format.underline)
                flags += u'U';
            QString span = flags + u'\'' + s.text + u'\'';
            if (!s.link.isEmpty())
                span += u"->" + s.link;
            spans << span;
        }
        parts << spans.join(u' ');
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
            << QStringLiteral("<p>one</p>\n<p>&nbsp;</p>\n<p>two<br>three&nbsp;&nbsp;&nbsp;&nbsp;"
                              "four</p>");
        QTest::newRow("nested formats") << QStringLiteral("{\\b\\i\\ul all}")
                                        << QStringLiteral("<p><b><i><u>all</u></i></b></p>");
        QTest::newRow("link around formatted hotspot")
            << QStringLiteral("{\\uldb A {\\b B}}{\\v IDH_X} {\\uldb C}{\\v NOWHERE}")
            << QStringLiteral("<p><a href=\"IDH_X.htm\"><u>A </u><b><u>B</u></b></a> <u>C</u></p>");
    }
    void html() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto target = [](const QString& context) {
            return context == u"NOWHERE" ? QString() : context + QStringLiteral(".htm");
        };
        QCOMPARE(HelpTextToHtml(text, target), expected);
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
