// The same help texts in both help files: compiled by qmt-hc and read back,
// and as HTML Help page content, each feature of the texts an author writes
// comes out the same way in both (or is named as lost where a file cannot
// carry it).
#include "hcfixture.h"

#include "codepage/ansi.h"
#include "contexthash.h"
#include "rtf/helptext.h"

#include <QtTest>

using namespace hcfixture;

namespace {

QString hotspotCodes(const hc::TopicRead& t) {
    QStringList codes;
    for (const hc::HotspotRead& h : t.hotspots) {
        QString c = QString::number(h.code, 16).toUpper() + u':' + ansi::toUnicode(h.text);
        if (!h.target.isEmpty())
            c += u'=' + ansi::toUnicode(h.target);
        codes << c;
    }
    return codes.join(u' ');
}

} // namespace

class TestHcHelpText : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void bothHelpFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("hlpText");     // the topic's text as the help file holds it
        QTest::addColumn<QString>("hlpHotspots"); // code:text[=target] of each hotspot
        QTest::addColumn<QString>("html");        // the page content
        QTest::addColumn<QString>("lost");        // what the pages name as lost
        QTest::newRow("jump") << QByteArray("{\\uldb Setup}{\\v IDH_B}") << "Setup\n"
                              << "E3:Setup"
                              << "<p><a href=\"IDH_B.htm\">Setup</a></p>"
                              << "";
        QTest::newRow("pop-up")
            << QByteArray("{\\ul Term}{\\v IDH_B}") << "Term\n"
            << "E2:Term"
            << "<p><a class=\"popuplink\" href=\"IDH_B.htm\" onclick=\"return qmPopup(this, "
               "'qmpopup1');\">Term</a></p>\n<div class=\"popup\" id=\"qmpopup1\"><p>B's "
               "text</p></div>\n"
            << "";
        QTest::newRow("jump without colour, struck jump")
            << QByteArray("{\\uldb a}{\\v %IDH_B} {\\strike b}{\\v IDH_B}") << "a b\n"
            << "E7:a E3:b"
            << "<p><a href=\"IDH_B.htm\">a</a> <a href=\"IDH_B.htm\">b</a></p>"
            << "";
        QTest::newRow("macro hotspot") << QByteArray("{\\uldb Quit}{\\v !Exit()}") << "Quit\n"
                                       << "C8:Quit=Exit()"
                                       << "<p>Quit</p>"
                                       << "macro hotspot (Exit())";
        QTest::newRow("tab, line, bullet")
            << QByteArray("a\\tab b\\line \\bullet  c") << "a\tb\n\u2022 c\n"
            << ""
            << "<p>a<span class=\"tab\">&nbsp;</span>b<br>\u2022 c</p>"
            << "";
        QTest::newRow("hanging indent with its tab stop")
            << QByteArray("\\li720\\fi-360\\bullet\\tab Item\\par\\pard after")
            << "\u2022\tItem\nafter\n"
            << ""
            << "<p style=\"margin-left: 36pt; text-indent: -18pt\"><span class=\"hang\" "
               "style=\"width: 18pt\">\u2022</span>Item</p>\n<p>after</p>"
            << "";
        QTest::newRow("table") << QByteArray(
                                      "\\trowd\\cellx1000\\cellx2000\\intbl x\\cell y\\cell\\row "
                                      "\\pard z")
                               << "x\ny\nz\n"
                               << ""
                               << "<table class=\"rtf\">\n<tr><td><p>x</p></td><td><p>y</p></td></"
                                  "tr>\n</table>\n<p>z</p>"
                               << "";
    }
    void bothHelpFiles() {
        QFETCH(QByteArray, text);
        QFETCH(QString, hlpText);
        QFETCH(QString, hlpHotspots);
        QFETCH(QString, html);
        QFETCH(QString, lost);
        const QByteArray rtf =
            kRtfHeader + topic("IDH_A", "A", text) + topic("IDH_B", "B", "B's text") + "}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QVERIFY(c.file.topics.size() >= 1);
        const hc::TopicRead& a = c.file.topics[0];
        // The topic's own text follows its heading paragraph and the empty one after it.
        const QByteArray shown = a.text.mid(a.text.indexOf("\n\n") + 2);
        QCOMPARE(ansi::toUnicode(shown), hlpText);
        QCOMPARE(hotspotCodes(a), hlpHotspots);
        for (const hc::HotspotRead& h : a.hotspots)
            if (h.code == 0xE2 || h.code == 0xE3 || h.code == 0xE7)
                QCOMPARE(h.hash, hc::ContextHash("IDH_B"));

        QStringList lostFeatures;
        rtf::HtmlLinks links;
        links.page = [](const QString& id) -> QString { return id + QStringLiteral(".htm"); };
        links.popup = [](const QString&) -> QString { return QStringLiteral("<p>B's text</p>"); };
        links.lost = &lostFeatures;
        QCOMPARE(rtf::HelpTextToHtml(ansi::toUnicode(text), links), html);
        QCOMPARE(lostFeatures.join(u';'), lost);
    }

    // Table rows are table records with their columns; tab stops and the
    // stop of a hanging indent are in the paragraph's record.
    void tablesAndTabStops_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("tables"); // gap+width of each column, rows split by |
        QTest::addColumn<QString>("tabs");   // position:kind of each paragraph's stops
        QTest::addColumn<QString>("shown");
        QTest::newRow("two rows")
            << QByteArray("\\trowd\\trgaph100\\cellx2000\\cellx5000\\intbl a\\cell b\\cell\\row"
                          "\\trowd\\trgaph100\\cellx3000\\intbl {\\b c}\\par d\\cell\\row\\pard e")
            << "20+170 20+280|20+270"
            << ""
            << "a\nb\nc\nd\ne\n";
        QTest::newRow("row without its definition or its end")
            << QByteArray("\\intbl x\\cell y\\par\\pard after") << "0+144 0+144"
            << ""
            << "x\ny\nafter\n";
        QTest::newRow("tab stops")
            << QByteArray("\\tx720\\tqr\\tx5000\\tqc\\tx3000 a\\tab b\\tab c\\par\\pard d") << ""
            << "72:0 300:2 500:1"
            << "a\tb\tc\nd\n";
        QTest::newRow("hanging indent")
            << QByteArray("\\li720\\fi-360\\tx1440 \\bullet\\tab x\\par\\pard\\li360\\fi-360 y")
            << ""
            << "72:0 144:0|36:0"
            << "\u2022\tx\ny\n";
    }
    void tablesAndTabStops() {
        QFETCH(QByteArray, text);
        QFETCH(QString, tables);
        QFETCH(QString, tabs);
        QFETCH(QString, shown);
        const QByteArray rtf = kRtfHeader + topic("IDH_A", "A", text) + "}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        const hc::TopicRead& a = c.file.topics[0];
        QStringList rows, stops;
        for (const auto& table : a.tables) {
            QStringList columns;
            for (const auto& [gap, width] : table)
                columns << QStringLiteral("%1+%2").arg(gap).arg(width);
            rows << columns.join(u' ');
        }
        for (const auto& paragraph : a.tabStops) {
            QStringList p;
            for (const auto& [position, kind] : paragraph)
                p << QStringLiteral("%1:%2").arg(position).arg(kind);
            stops << p.join(u' ');
        }
        QCOMPARE(rows.join(u'|'), tables);
        QCOMPARE(stops.join(u'|'), tabs);
        QCOMPARE(ansi::toUnicode(a.text.mid(a.text.indexOf("\n\n") + 2)), shown);
        QVERIFY2(!c.diagnostics.lines().join(u'\n').contains(u"table"),
                 qPrintable(c.diagnostics.lines().join(u'\n')));
    }

    // Footnotes in the forms Word writes them: raised by \super or \up in a
    // group of their own before the footnote, the mark repeated inside.
    void wordFootnoteForms() {
        const QByteArray rtf =
            kRtfHeader +
            "{\\cs16\\super #}{\\footnote \\pard\\plain {\\cs16\\super #} IDH_SUPER}"
            "{\\cs16\\super $}{\\footnote \\pard\\plain {\\cs16\\super $} Raised title}"
            "{\\cs16\\super !}{\\footnote \\pard\\plain {\\cs16\\super !} CloseWindow(`main')}"
            "Body one\\par\\page\r\n"
            "{\\up6 #}{\\footnote {\\up6 #} IDH_UP}{\\up6 K}{\\footnote {\\up6 K} raised;up}"
            "Body two\\par\\page\r\n}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QCOMPARE(c.file.topics.size(), std::size_t(2));
        std::uint32_t offset = 0;
        QVERIFY(c.file.findContext(hc::ContextHash("IDH_SUPER"), offset));
        QVERIFY(c.file.findContext(hc::ContextHash("IDH_UP"), offset));
        QCOMPARE(c.file.topics[0].title, QByteArray("Raised title"));
        QCOMPARE(c.file.topics[0].macros, std::vector<QByteArray>{"CloseWindow(`main')"});
        QCOMPARE(c.file.topics[0].text, QByteArray("Body one\n"));
        QCOMPARE(c.file.topics[1].text, QByteArray("Body two\n"));
        QCOMPARE(c.file.keywords.size(), std::size_t(2));
    }

    // What the help file cannot show is named with its topic.
    void lostFeaturesNamed() {
        const QByteArray rtf =
            kRtfHeader + topic("IDH_PIC", "Pic", "\\{bmc logo.bmp\\} and \\keepn kept") + "}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY(c.result.written);
        const QString lines = c.diagnostics.lines().join(u'\n');
        QVERIFY2(lines.contains(u"topic IDH_PIC: picture logo.bmp is not found; it is left out"),
                 qPrintable(lines));
        // \keepn after the first paragraph only keeps lines together.
        QVERIFY(!lines.contains(u"keepn"));
    }

    // The paragraphs a topic begins with that keep with the next are its
    // non-scrolling region: the topic header points at them and at the
    // scrolling text after them.
    void nonScrollingRegion() {
        const QByteArray rtf = kRtfHeader +
                               "#{\\footnote IDH_NSR}\\keepn\\b Heading\\par\\keepn Sub\\par"
                               "\\pard\\plain Body\\par\\keepn kept\\par\\page\r\n"
                               "#{\\footnote IDH_ALL}\\keepn Only\\par\\page\r\n"
                               "#{\\footnote IDH_NONE}\\pard Plain\\par}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(c.diagnostics.lines().join(u'\n')));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QCOMPARE(c.file.topics.size(), std::size_t(3));
        const hc::TopicRead& nsr = c.file.topics[0];
        QCOMPARE(nsr.text, QByteArray("Heading\nSub\nBody\nkept\n"));
        QVERIFY(nsr.nonScroll != 0xFFFFFFFF);
        QVERIFY(nsr.scroll != 0xFFFFFFFF);
        QVERIFY(nsr.scroll > nsr.nonScroll);
        const hc::TopicRead& all = c.file.topics[1];
        QVERIFY(all.nonScroll != 0xFFFFFFFF);
        QCOMPARE(all.scroll, 0xFFFFFFFFu);
        const hc::TopicRead& none = c.file.topics[2];
        QCOMPARE(none.nonScroll, 0xFFFFFFFFu);
        QVERIFY(none.scroll != 0xFFFFFFFF);
    }
};

QTEST_GUILESS_MAIN(TestHcHelpText)
#include "tst_hc_helptext.moc"
