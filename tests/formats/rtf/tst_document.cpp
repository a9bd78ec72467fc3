// The help-text interpreter: RTF into the document model, one table per
// feature group, each text read both as Unicode and as Windows-1252 bytes
// (a document's bytes whole and a window at a time).
#include "codepage/ansi.h"
#include "rtf/document.h"
#include "rtf/rtftokenizer.h"

#include <QtTest>

using namespace rtf;

namespace {

QString flags(const CharFormat& c) {
    QString f;
    if (c.bold)
        f += u'B';
    if (c.italic)
        f += u'I';
    if (c.underline == 1)
        f += u'U';
    if (c.underline == 2)
        f += QStringLiteral("UU");
    if (c.strike)
        f += u'S';
    if (c.hidden)
        f += u'H';
    if (c.font >= 0)
        f += u'f' + QString::number(c.font);
    if (c.halfPoints != 24)
        f += QStringLiteral("fs") + QString::number(c.halfPoints);
    if (c.color)
        f += QStringLiteral("cf") + QString::number(c.color);
    if (c.highlight)
        f += QStringLiteral("hl") + QString::number(c.highlight);
    return f;
}

template <typename Text> QString parFlags(const BasicParagraph<Text>& paragraph) {
    const ParFormat& f = paragraph.format;
    QStringList p;
    if (f.alignment == Align::Right)
        p << QStringLiteral("qr");
    if (f.alignment == Align::Center)
        p << QStringLiteral("qc");
    if (f.alignment == Align::Justify)
        p << QStringLiteral("qj");
    const auto add = [&](const char* name, int v) {
        if (v)
            p << QLatin1String(name) + QString::number(v);
    };
    add("sb", f.spaceBefore);
    add("sa", f.spaceAfter);
    add("li", f.leftIndent);
    add("ri", f.rightIndent);
    add("fi", f.firstIndent);
    if (f.keepNext)
        p << QStringLiteral("keepn");
    if (f.inTable)
        p << QStringLiteral("intbl");
    for (const TabStop& t : paragraph.tabStops)
        p << QStringLiteral("tx") +
                 (t.kind == TabStop::Right    ? QStringLiteral("r")
                  : t.kind == TabStop::Center ? QStringLiteral("c")
                                              : QString()) +
                 QString::number(t.position);
    return p.isEmpty() ? QString() : u'{' + p.join(u' ') + QStringLiteral("} ");
}

template <typename Text> QString shown(const BasicParagraph<Text>& p, const Run& r) {
    if constexpr (std::is_same_v<Text, QString>)
        return p.view(r).toString();
    else
        return ansi::toUnicode(p.view(r).toByteArray());
}

template <typename Text> QString str(const Text& t) {
    if constexpr (std::is_same_v<Text, QString>)
        return t;
    else
        return ansi::toUnicode(t);
}

// A compact picture of what the interpreter hands on: paragraphs split by
// " | ", runs as flags and 'text', hotspots in [kind:target>window@file ...],
// pictures as <bmc:name>, footnotes as #=value, page ends as //.
template <typename Text> class Describer : public BasicDocumentSink<Text> {
public:
    QStringList parts;

    void paragraph(const BasicParagraph<Text>& p) override {
        QStringList runs;
        for (std::size_t i = 0; i < p.runs.size(); ++i) {
            const Run& r = p.runs[i];
            const BasicHotspot<Text>* h = p.hotspotOf(r);
            QString s;
            if (h && h->firstRun == int(i)) {
                static const char* const kinds[] = {"J", "P", "M"};
                static const char* const looks[] = {"", "%", "*"};
                s += u'[' + QLatin1String(kinds[int(h->kind)]) +
                     QLatin1String(looks[int(h->look)]) + u':' + str(h->target);
                if (!h->window.isEmpty())
                    s += u'>' + str(h->window);
                if (!h->file.isEmpty())
                    s += u'@' + str(h->file);
                s += u' ';
            }
            switch (r.kind) {
            case Run::Tab:
                s += QStringLiteral("<tab>");
                break;
            case Run::LineBreak:
                s += QStringLiteral("<br>");
                break;
            case Run::Picture:
                if (r.embedded >= 0) {
                    const EmbeddedPicture& e = p.embedded[std::size_t(r.embedded)];
                    s += QStringLiteral("<pict%1 %2x%3 %4>")
                             .arg(int(e.format))
                             .arg(e.width)
                             .arg(e.height)
                             .arg(QString::fromLatin1(e.data.toHex()));
                    break;
                }
                s += QStringLiteral("<bm") +
                     QLatin1String(r.picture == PictureAlign::Left    ? "l"
                                   : r.picture == PictureAlign::Right ? "r"
                                                                      : "c") +
                     u':' + shown(p, r) + u'>';
                break;
            case Run::Text:
                if (r.ch.hidden && h == nullptr && i > 0 && p.hotspotOf(p.runs[i - 1]))
                    continue; // a hotspot's target
                s += flags(r.ch) + u'\'' + shown(p, r) + u'\'';
                break;
            }
            if (h && h->lastRun == int(i))
                s += u']';
            runs << s;
        }
        QString text = parFlags(p) + runs.join(u' ');
        if (p.cellEnd)
            text += QStringLiteral(" <cell>");
        parts << text;
    }
    const RowFormat* row = nullptr; // the interpreter's
    void rowEnd(int) override {
        QString r = QStringLiteral("<row");
        if (row->left || row->gap)
            r += QStringLiteral(" left%1 gap%2").arg(row->left).arg(row->gap);
        for (int right : row->cellRights)
            r += u' ' + QString::number(right);
        parts << r + u'>';
    }
    void footnote(const BasicFootnote<Text>& f) override {
        parts << (f.mark ? QString(QLatin1Char(f.mark)) : QStringLiteral("?")) + u'=' +
                     str(f.value);
    }
    void page(int) override { parts << QStringLiteral("//"); }
};

// A document's bytes, a few at a time.
class SmallReads : public ByteSource {
public:
    explicit SmallReads(QByteArrayView bytes) : m_bytes(bytes) {}
    qsizetype read(char* to, qsizetype size) override {
        const qsizetype n = std::min({size, qsizetype(997), m_bytes.size()});
        std::memcpy(to, m_bytes.data(), std::size_t(n));
        m_bytes = m_bytes.sliced(n);
        return n;
    }

private:
    QByteArrayView m_bytes;
};

// Read as a help text and as topic file bytes; all must agree.
QString describe(const QString& rtf, bool document = false) {
    Describer<QString> unicode;
    Interpreter u(unicode);
    unicode.row = &u.row();
    Describer<QByteArray> bytes;
    ByteInterpreter b(bytes);
    bytes.row = &b.row();
    const QByteArray encoded = ansi::fromUnicode(rtf);
    if (document) {
        if (!u.readDocument(rtf) || !b.readDocument(encoded))
            return QStringLiteral("not a document");
    } else {
        u.readFragment(rtf);
        b.readFragment(encoded);
    }
    const QString a = unicode.parts.join(QStringLiteral(" | "));
    const QString c = bytes.parts.join(QStringLiteral(" | "));
    if (a != c)
        return QStringLiteral("Unicode: ") + a + QStringLiteral("\nbytes:   ") + c;
    if (document) {
        Describer<QByteArray> streamed;
        ByteInterpreter s(streamed);
        streamed.row = &s.row();
        SmallReads source(encoded);
        s.readDocument(source);
        const QString w = streamed.parts.join(QStringLiteral(" | "));
        if (w != c)
            return QStringLiteral("bytes:    ") + c + QStringLiteral("\nwindowed: ") + w;
    }
    return a;
}

void addRows(const std::vector<std::pair<const char*, const char*>>& rows, bool document = false) {
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("document");
    for (std::size_t i = 0; i < rows.size(); i += 1)
        QTest::addRow("%s", rows[i].first)
            << QString::fromUtf8(rows[i].first) << QString::fromUtf8(rows[i].second) << document;
}

} // namespace

class TstDocument : public QObject {
    Q_OBJECT

private:
    void check() {
        QFETCH(QString, rtf);
        QFETCH(QString, expected);
        QFETCH(bool, document);
        QCOMPARE(describe(rtf, document), expected);
    }

private slots:
    void characters_data() {
        addRows({
            {"{\\b bold}{\\i it}{\\ul u}{\\strike s}\\par", "B'bold' I'it' U'u' S's' | //"},
            {"\\b\\i both\\b0  i\\i0\\ulnone  plain\\par", "BI'both' I' i' ' plain' | //"},
            {"{\\f2\\fs20\\cf3\\highlight4 x}\\par", "f2fs20cf3hl4'x' | //"},
            {"{\\b\\i x\\plain y}z\\par", "BI'x' 'yz' | //"},
            {"caf\\'e9 \\u8364? \\uc0\\u8364 x\\par", "'caf\u00e9 \u20ac \u20acx' | //"},
            {"a\\\\b\\{c\\}d\\~e\\-f\\par", "'a\\b{c}d\u00a0ef' | //"},
            {"{\\*\\foo bar}x{\\fonttbl{\\f0 Arial;}}y\\zzz z\\par", "'xyz' | //"},
            {"a}b{\\b c", "'ab' B'c' | //"},
        });
    }
    void characters() { check(); }

    void paragraphs_data() {
        addRows({
            {"\\qc centre\\par\\pard left\\par", "{qc} 'centre' | 'left' | //"},
            {"\\qr\\li720\\ri360\\fi-360\\sb120\\sa240 x\\par",
             "{qr sb120 sa240 li720 ri360 fi-360} 'x' | //"},
            {"\\keepn\\b Heading\\par\\pard\\plain Body\\par", "{keepn} B'Heading' | 'Body' | //"},
            {"\\qj j\\par\\par", "{qj} 'j' | {qj}  | //"},
            {"a\\line b\\tab c\td\\bullet e\\par", "'a' <br> 'b' <tab> 'c' <tab> 'd\u2022e' | //"},
            // Tab stops belong to the paragraph: \\pard clears them.
            {"\\tx720\\tqr\\tx4000\\tqc\\tx2000 a\\par b\\par\\pard c\\par",
             "{tx720 txr4000 txc2000} 'a' | {tx720 txr4000 txc2000} 'b' | 'c' | //"},
        });
    }
    void paragraphs() { check(); }

    void hotspots_data() {
        addRows({
            {"See {\\uldb Setup}{\\v IDH_SETUP}.\\par", "'See ' [J:IDH_SETUP UU'Setup'] '.' | //"},
            {"{\\ul Term}{\\v IDH_TERM}\\par", "[P:IDH_TERM U'Term'] | //"},
            {"{\\uldb A}{\\v %IDH_A}{\\ul B}{\\v *IDH_B}\\par",
             "[J%:IDH_A UU'A'] [P*:IDH_B U'B'] | //"},
            {"{\\strike Go}{\\v IDH_GO}{\\striked On}{\\v IDH_ON}\\par",
             "[J:IDH_GO S'Go'] [J:IDH_ON S'On'] | //"},
            {"{\\uldb Run}{\\v !ExecFile(x.exe)}\\par", "[M:ExecFile(x.exe) UU'Run'] | //"},
            {"{\\uldb W}{\\v IDH_W>main}{\\uldb F}{\\v IDH_F@other.hlp}\\par",
             "[J:IDH_W>main UU'W'] [J:IDH_F@other.hlp UU'F'] | //"},
            {"{\\uldb A {\\b B}}{\\v IDH_X}\\par", "[J:IDH_X UU'A ' BUU'B'] | //"},
            {"{\\ul plain underline} text\\par", "U'plain underline' ' text' | //"},
            {"{\\uldb Jump}{\\v\n  IDH_SPACED  }\\par", "[J:IDH_SPACED UU'Jump'] | //"},
        });
    }
    void hotspots() { check(); }

    void pictures_data() {
        addRows({
            {"\\{bmc logo.bmp\\} text\\par", "<bmc:logo.bmp> ' text' | //"},
            {"\\{bml left.bmp\\}\\{bmr right.bmp\\}\\{bmct t.bmp\\}\\par",
             "<bml:left.bmp> <bmr:right.bmp> <bmc:t.bmp> | //"},
            {"\\{BMC Caps.BMP\\}\\par", "<bmc:Caps.BMP> | //"},
            // Word's groups inside the reference; a group ends text that is no picture.
            {"\\{bmc }{\\f7\\insrsid1 Split.bmp}{\\f7 \\} button\\par",
             "<bmc:Split.bmp> f7' button' | //"},
            {"\\{x {\\b y}\\}\\par", "'{x ' B'y' '}' | //"},
            // A picture as a button: the hotspot spans it.
            {"{\\uldb \\{bmc go.bmp\\}}{\\v IDH_GO} {\\ul a\\{bmc b.bmp\\}}{\\v IDH_B}\\par",
             "[J:IDH_GO <bmc:go.bmp>] ' ' [P:IDH_B U'a' <bmc:b.bmp>] | //"},
            {"\\{ewc x\\} \\{bmc\\} \\{bmx y\\}\\par", "'{ewc x} {bmc} {bmx y}' | //"},
            // An unclosed reference is text, in the look where it ends.
            {"\\{bmc open {\\b x}\\par", "'{bmc open x' | //"},
            // Pictures stored in the text (format 0 PNG, 2 DIB, 4 metafile): the
            // hex digits as bytes; of Word's two copies the first.
            {"a{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\picw2\\pich3\\pngblip 89\r\n50 "
             "0A}b\\par",
             "'a' <pict0 2x3 89500a> 'b' | //"},
            {"{\\*\\shppict{\\pict\\dibitmap0 28}}{\\nonshppict{\\pict\\wmetafile8 01}}"
             "{\\nonshppict{\\pict\\emfblip 02}}\\par",
             "<pict2 0x0 28> <pict4 0x0 02> | //"},
            {"{\\uldb {\\pict\\jpegblip ff}}{\\v IDH_J}\\par", "[J:IDH_J <pict1 0x0 ff>] | //"},
            // Binary data (\\binN) is skipped whole, braces and all.
            {"x{\\pict\\pngblip\\bin2 }{y}z\\par", "'x' <pict0 0x0 > 'z' | //"},
        });
    }
    void pictures() { check(); }

    void tables_data() {
        addRows({
            {"\\trowd\\cellx2000\\cellx4000\\intbl A\\cell B\\cell\\row\\pard after\\par",
             "{intbl} 'A' <cell> | {intbl} 'B' <cell> | <row 2000 4000> | 'after' | //"},
            {"\\trowd\\intbl {\\b x}\\par y\\cell\\row",
             "{intbl} B'x' | {intbl} 'y' <cell> | <row> | //"},
            // Each \\trowd begins the next row's definition afresh.
            {"\\trowd\\trgaph108\\trleft-108\\cellx1000 a\\cell\\row"
             "\\trowd\\cellx500\\cellx900 b\\cell c\\cell\\row",
             "{intbl} 'a' <cell> | <row left-108 gap108 1000> | {intbl} 'b' <cell> | {intbl} 'c' "
             "<cell> | <row 500 900> | //"},
        });
    }
    void tables() { check(); }

    void footnotes_data() {
        addRows(
            {
                {"{\\rtf1 #{\\footnote IDH_A}${\\footnote Title A}K{\\footnote a;b}Text\\par"
                 "\\page #{\\footnote IDH_B}B\\par}",
                 "#=IDH_A | $=Title A | K=a;b | 'Text' | // | #=IDH_B | 'B' | //"},
                {"{\\rtf1 {\\cs16\\super #}{\\footnote \\pard\\plain {\\cs16\\super #} IDH_W}"
                 "{\\super $}{\\footnote {\\super $} Word}Body\\par}",
                 "#=IDH_W | $=Word | 'Body' | //"},
                {"{\\rtf1 {\\up6 #}{\\footnote {\\up6 #} IDH_UP}Raised\\par}",
                 "#=IDH_UP | 'Raised' | //"},
                // Word spreads a value over groups side by side (revision marks).
                {"{\\rtf1 {\\up6 #}{\\footnote {\\up6 #}{ }{HIDD_OP}{\\f0 T}{ION}}"
                 "{\\up6 $}{\\footnote {\\up6 $}{ \"}{Archive Options}{\" dialog}}Body\\par}",
                 "#=HIDD_OPTION | $=\"Archive Options\" dialog | 'Body' | //"},
                // Quotes by name are plain in a footnote, typographic in the text.
                {"{\\rtf1 ${\\footnote \\ldblquote File\\rquote s\\rdblquote}\\lquote "
                 "x\\rquote\\par}",
                 "$=\"File's\" | '\u2018x\u2019' | //"},
                {"{\\rtf1 {\\super !}{\\footnote {\\super !} CloseWindow(`main')}Body\\par}",
                 "!=CloseWindow(`main') | 'Body' | //"},
                {"{\\rtf1 {\\b Hello}{\\footnote no mark} text\\par}",
                 "?=no mark | B'Hello' ' text' | //"},
                {"{\\rtf1 # {\\footnote\\pard IDH_SPACE\\~ X}}", "#=IDH_SPACE  X | //"},
                {"{\\rtf1 #{\\footnote {IDH_ONE}}One\\par #{\\footnote {IDH_TWO}}Two\\par}",
                 "#=IDH_ONE | 'One' | #=IDH_TWO | 'Two' | //"},
                // Office suites write "\\*\\footnote"; a group of another "\\*" word is skipped
                // whole.
                {"{\\rtf1 {\\super #{\\*\\footnote # IDH_STAR}}{\\*\\cs5 #{\\footnote "
                 "X}}Body\\par}",
                 "#=IDH_STAR | 'Body' | //"},
                // A topic's first mark after blanks of its own group is text, later ones are marks.
                {"{\\rtf1 {\\super  #{\\footnote # IDH_NOT}}Title\\par\\page{ }{#{\\footnote "
                 "IDH_G}}A"
                 "\\par\\page ${\\footnote T}{\\super  #{\\footnote IDH_LATER}}B\\par}",
                 "?=# IDH_NOT | ' #Title' | // | #=IDH_G | ' A' | // | $=T | #=IDH_LATER | ' B' | "
                 "//"},
                {"{\\rtf1 x{\\fonttbl{\\f0\\froman Times;}}{\\colortbl;\\red255\\green0\\blue0;}y}",
                 "'xy' | //"},
                // Groups left open, one per topic or entry, nest as deep as there are
                // topics; an entry's footnote group left open begins the next entry.
                {"{\\rtf1 {\\f2\\b A\\par\\page{\\f2\\b B\\par\\page{\\f2\\b C\\par\\page"
                 "#{\\footnote {\\fs20{\\super #}{ IDH_D}}{\\i D\\par}"
                 "#{\\footnote {\\fs20{\\super #}{ IDH_E}}{\\i E\\par}{\\f2 "
                 "F\\par}\\page}}G\\par}}H\\par}",
                 "Bf2'A' | // | Bf2'B' | // | Bf2'C' | // | #=IDH_D | BIf2'D' | // | #=IDH_E | "
                 "BIf2'E' | Bf2'F' | // | Bf2'G' | Bf2'H' | //"},
                {"{\\rtl1 x}", "not a document"},
            },
            true);
    }
    void footnotes() { check(); }

    // Text and footnotes longer than the window the bytes are read in.
    void longerThanAWindow() {
        const QString text(ByteTokenizer::kWindow + 100, u'x');
        const QString rtf = QStringLiteral("{\\rtf1 #{\\footnote ") + text +
                            QStringLiteral("}\\b ") + text + QStringLiteral("\\u8364 ?") + text +
                            QStringLiteral("\\par}");
        QCOMPARE(describe(rtf, true),
                 u"#=" + text + u" | B'" + text + u'\u20AC' + text + QStringLiteral("' | //"));
    }

    // Deep alike levels are held once: a change to one leaves the others.
    void deepGroups() {
        const QString rtf = u"{\\rtf1 " + QStringLiteral("{\\b A").repeated(100) +
                            QStringLiteral("}").repeated(60) + u"\\ul E}F" +
                            QStringLiteral("}").repeated(39) + u"G\\par}";
        QCOMPARE(describe(rtf, true), u"B'" + QString(100, u'A') + u"' BU'E' B'F' 'G' | //");
    }

    void tables_of_fonts_and_colours() {
        struct Sink : ByteDocumentSink {
            void paragraph(const ByteParagraph&) override {}
        } sink;
        ByteInterpreter b(sink);
        QVERIFY(
            b.readDocument("{\\rtf1\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss "
                           "Arial;}{\\f2\\fmodern Courier New;}}{\\colortbl;\\red255\\green0"
                           "\\blue0;\\red0\\green0\\blue128;}x}"));
        QCOMPARE(b.defaultFont(), 1);
        QCOMPARE(b.fonts().size(), std::size_t(3));
        QCOMPARE(b.fonts().at(0).name, QByteArray("Times New Roman"));
        QCOMPARE(b.fonts().at(0).family, std::uint8_t(2));
        QCOMPARE(b.fonts().at(2).family, std::uint8_t(1));
        QCOMPARE(b.colors(), (std::vector<std::uint32_t>{0, 0x0000FF, 0x800000}));
    }
};

QTEST_GUILESS_MAIN(TstDocument)
#include "tst_document.moc"
