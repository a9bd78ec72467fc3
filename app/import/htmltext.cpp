#include "htmltext.h"

#include "import/codewriter.h"

#include <QRegularExpression>

namespace import {

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

const QHash<QString, char16_t>& namedEntities() {
    static const QHash<QString, char16_t> names{
        {QStringLiteral("amp"), u'&'},     {QStringLiteral("lt"), u'<'},
        {QStringLiteral("gt"), u'>'},      {QStringLiteral("quot"), u'"'},
        {QStringLiteral("apos"), u'\''},   {QStringLiteral("nbsp"), 0xA0},
        {QStringLiteral("copy"), 0xA9},    {QStringLiteral("reg"), 0xAE},
        {QStringLiteral("trade"), 0x2122}, {QStringLiteral("hellip"), 0x2026},
        {QStringLiteral("mdash"), 0x2014}, {QStringLiteral("ndash"), 0x2013},
        {QStringLiteral("lsquo"), 0x2018}, {QStringLiteral("rsquo"), 0x2019},
        {QStringLiteral("ldquo"), 0x201C}, {QStringLiteral("rdquo"), 0x201D},
        {QStringLiteral("bull"), 0x2022},  {QStringLiteral("euro"), 0x20AC},
        {QStringLiteral("deg"), 0xB0},     {QStringLiteral("middot"), 0xB7},
        {QStringLiteral("laquo"), 0xAB},   {QStringLiteral("raquo"), 0xBB},
        {QStringLiteral("auml"), 0xE4},    {QStringLiteral("ouml"), 0xF6},
        {QStringLiteral("uuml"), 0xFC},    {QStringLiteral("Auml"), 0xC4},
        {QStringLiteral("Ouml"), 0xD6},    {QStringLiteral("Uuml"), 0xDC},
        {QStringLiteral("szlig"), 0xDF},   {QStringLiteral("eacute"), 0xE9},
        {QStringLiteral("egrave"), 0xE8},  {QStringLiteral("agrave"), 0xE0},
        {QStringLiteral("ccedil"), 0xE7},  {QStringLiteral("times"), 0xD7},
    };
    return names;
}

} // namespace

QString DecodeHtmlEntities(QStringView text) {
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && end - i <= 10 &&
               (text[end].isLetterOrNumber() || text[end] == u'#'))
            ++end;
        const QStringView name = text.sliced(i + 1, end - i - 1);
        char32_t code = 0;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint value = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                                   ? name.sliced(2).toUInt(&ok, 16)
                                   : name.sliced(1).toUInt(&ok, 10);
            if (ok && value > 0 && value <= 0x10FFFF)
                code = value;
        } else if (const auto it = namedEntities().find(name.toString());
                   it != namedEntities().end()) {
            code = *it;
        }
        if (!code) {
            out += text[i];
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = end < text.size() && text[end] == u';' ? end : end - 1;
    }
    return out;
}

void ReadHtml(QStringView html, const std::function<void(const QString&)>& text,
              const std::function<void(const HtmlTag&)>& tag) {
    qsizetype i = 0;
    const qsizetype n = html.size();
    while (i < n) {
        const qsizetype lt = html.indexOf(u'<', i);
        const qsizetype textEnd = lt < 0 ? n : lt;
        if (textEnd > i)
            text(DecodeHtmlEntities(html.sliced(i, textEnd - i)));
        if (lt < 0)
            break;
        i = lt;
        if (html.sliced(i).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(u"-->", i + 4);
            i = end < 0 ? n : end + 3;
            continue;
        }
        if (i + 1 < n && (html[i + 1] == u'!' || html[i + 1] == u'?')) {
            const qsizetype end = html.indexOf(u'>', i);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const bool closing = i + 1 < n && html[i + 1] == u'/';
        qsizetype p = i + (closing ? 2 : 1);
        const qsizetype nameStart = p;
        while (p < n && (html[p].isLetterOrNumber() || html[p] == u'-' || html[p] == u':'))
            ++p;
        if (p == nameStart) { // "<" standing for itself
            text(QStringLiteral("<"));
            i = i + 1;
            continue;
        }
        HtmlTag t;
        t.name = html.sliced(nameStart, p - nameStart).toString().toLower();
        t.closing = closing;
        // Attributes: name, name=value, name="value", name='value'.
        while (p < n && html[p] != u'>') {
            if (isSpace(html[p]) || html[p] == u'/') {
                ++p;
                continue;
            }
            const qsizetype a = p;
            while (p < n && !isSpace(html[p]) && html[p] != u'=' && html[p] != u'>')
                ++p;
            const QString attribute = html.sliced(a, p - a).toString().toLower();
            while (p < n && isSpace(html[p]))
                ++p;
            QString value;
            if (p < n && html[p] == u'=') {
                ++p;
                while (p < n && isSpace(html[p]))
                    ++p;
                if (p < n && (html[p] == u'"' || html[p] == u'\'')) {
                    const QChar quote = html[p];
                    const qsizetype end = html.indexOf(quote, p + 1);
                    const qsizetype stop = end < 0 ? n : end;
                    value = DecodeHtmlEntities(html.sliced(p + 1, stop - p - 1));
                    p = end < 0 ? n : end + 1;
                } else {
                    const qsizetype v = p;
                    while (p < n && !isSpace(html[p]) && html[p] != u'>')
                        ++p;
                    value = DecodeHtmlEntities(html.sliced(v, p - v));
                }
            }
            if (!attribute.isEmpty())
                t.attributes.insert(attribute, value);
        }
        i = p < n ? p + 1 : n;
        tag(t);
        // The content of a script or style is no text.
        if (!closing && (t.name == u"script" || t.name == u"style")) {
            const qsizetype end = html.indexOf(QString(u"</" + t.name), i, Qt::CaseInsensitive);
            i = end < 0 ? n : end;
        }
    }
}

QByteArray DeclaredCharset(QByteArrayView page) {
    static const QRegularExpression charset(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(page.first(std::min<qsizetype>(page.size(), 4096)));
    const auto m = charset.match(head);
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

namespace {

// A page's body into codes as its tags come.
class PageReader {
public:
    explicit PageReader(const std::function<QString(const QString&)>& linkTarget)
        : m_linkTarget(linkTarget) {}

    void text(const QString& t) {
        if (m_skip > 0 || m_tabSpan > 0)
            return;
        if (m_inTitle) {
            m_page.title += t;
            return;
        }
        if (m_inHead)
            return;
        for (QChar c : t) {
            if (isSpace(c)) {
                m_space = true;
                continue;
            }
            if (m_space && m_any)
                m_run += u' ';
            m_space = false;
            m_any = true;
            m_run += c;
        }
    }

    void tag(const HtmlTag& t) {
        const QString& n = t.name;
        if (m_skip > 0) {
            // Inside a pop-up's hidden body: only its end counts.
            if (n == u"div")
                m_skip += t.closing ? -1 : 1;
            return;
        }
        if (m_tabSpan > 0) {
            if (n == u"span")
                m_tabSpan += t.closing ? -1 : 1;
            return;
        }
        if (n == u"head") {
            m_inHead = !t.closing;
        } else if (n == u"title") {
            m_inTitle = !t.closing;
            if (t.closing)
                m_page.title = m_page.title.simplified();
        } else if (n == u"body") {
            m_inHead = false;
        } else if (n == u"div" && !t.closing &&
                   t.attributes.value(QStringLiteral("class")) == u"popup") {
            endParagraph();
            m_skip = 1;
        } else if (n == u"span" && !t.closing &&
                   t.attributes.value(QStringLiteral("class")) == u"tab") {
            code(QStringLiteral("\\tab "));
            m_tabSpan = 1;
        } else if (n == u"h1" && !t.closing && m_w.body.isEmpty() && !m_any && !m_headingRead) {
            m_inHeading = m_headingRead = true;
        } else if (n == u"h1" && t.closing && m_inHeading) {
            endParagraph();
            m_page.heading = m_w.body.value(0);
            m_w.body.clear();
            m_inHeading = false;
        } else if (n == u"p" || n == u"div" || n == u"h1" || n == u"h2" || n == u"h3" ||
                   n == u"h4" || n == u"h5" || n == u"h6" || n == u"blockquote" || n == u"pre" ||
                   n == u"dt" || n == u"dd" || n == u"center") {
            endParagraph();
            if (n.size() == 2 && n[0] == u'h' && n != u"h1")
                bold(!t.closing);
        } else if (n == u"br") {
            code(QStringLiteral("\\line "));
        } else if (n == u"b" || n == u"strong") {
            bold(!t.closing);
        } else if (n == u"i" || n == u"em") {
            m_italic += t.closing ? -1 : 1;
            look();
        } else if (n == u"u") {
            m_underline += t.closing ? -1 : 1;
            look();
        } else if (n == u"a") {
            link(t);
        } else if (n == u"img" && !t.closing) {
            picture(t);
        } else if (n == u"ul" || n == u"ol") {
            endParagraph();
            if (t.closing) {
                if (!m_lists.empty())
                    m_lists.pop_back();
            } else {
                m_lists.push_back(n == u"ol" ? 1 : 0);
            }
        } else if (n == u"li" && !t.closing) {
            endParagraph();
            if (!m_lists.empty() && m_lists.back() > 0)
                code(QString::number(m_lists.back()++) + QStringLiteral(".\\tab "));
            else
                code(QStringLiteral("\\bullet\\tab "));
            note(QStringLiteral("lists became paragraphs with a bullet or number and a tab"));
        } else if (n == u"tr") {
            endParagraph();
            m_cells = 0;
        } else if ((n == u"td" || n == u"th") && !t.closing) {
            if (m_cells++ > 0)
                code(QStringLiteral("\\tab "));
            note(QStringLiteral("tables became lines with tabs between the cells"));
        } else if (n == u"table") {
            endParagraph();
        }
    }

    HtmlPage finish() {
        endParagraph();
        QStringList& body = m_w.body;
        while (!body.isEmpty() && body.back().isEmpty())
            body.removeLast();
        m_page.text = body.join(QStringLiteral("\r\n"));
        if (m_page.heading == EscapedText(m_page.title))
            m_page.heading.clear();
        return std::move(m_page);
    }

private:
    // A blank before a tag belongs to the text before it.
    void spaceBefore() {
        if (m_space && m_any)
            m_run += u' ';
        m_space = false;
    }
    void flushRun() {
        if (m_run.isEmpty())
            return;
        QString t = EscapedText(m_run);
        t.replace(QChar(0xA0), QStringLiteral("\\~"));
        m_w.text(t);
        m_run.clear();
    }
    void code(const QString& c) {
        spaceBefore();
        flushRun();
        m_w.text(c);
        m_any = true;
        m_space = false;
    }
    void look() {
        spaceBefore();
        flushRun();
        m_w.format(m_bold > 0, m_italic > 0, m_underline > 0);
    }
    void bold(bool on) {
        m_bold += on ? 1 : -1;
        look();
    }
    void endParagraph() {
        flushRun();
        if (m_w.open() || m_any) {
            m_w.endParagraph();
            // A paragraph that is only a no-break space is an empty one.
            if (m_w.body.back() == u"\\~")
                m_w.body.back().clear();
        }
        m_any = false;
        m_space = false;
    }
    void link(const HtmlTag& t) {
        spaceBefore();
        flushRun();
        if (t.closing) {
            m_w.endHotspot();
            return;
        }
        const QString href = t.attributes.value(QStringLiteral("href"));
        if (href.isEmpty() || href.startsWith(u'#'))
            return;
        const QString target = m_linkTarget(href);
        if (target.isEmpty()) {
            note(QStringLiteral("links out of the help file kept as text"));
            return;
        }
        m_w.beginHotspot(t.attributes.value(QStringLiteral("class")) == u"popuplink", target);
        m_space = false;
    }
    void picture(const HtmlTag& t) {
        QString name = t.attributes.value(QStringLiteral("alt"));
        if (!name.contains(u'.') || name.contains(u' '))
            name = t.attributes.value(QStringLiteral("src")).section(u'/', -1);
        if (name.isEmpty())
            return;
        const QString style = t.attributes.value(QStringLiteral("style")) +
                              t.attributes.value(QStringLiteral("align"));
        const QString kind = style.contains(u"left", Qt::CaseInsensitive) ? QStringLiteral("bml")
                             : style.contains(u"right", Qt::CaseInsensitive)
                                 ? QStringLiteral("bmr")
                                 : QStringLiteral("bmc");
        code(u"\\{" + kind + u' ' + EscapedText(name) + u"\\}");
    }
    void note(const QString& what) {
        if (!m_page.notKept.contains(what))
            m_page.notKept << what;
    }

    const std::function<QString(const QString&)>& m_linkTarget;
    HtmlPage m_page;
    CodeWriter m_w;
    QString m_run;
    bool m_space = false, m_any = false;
    bool m_inHead = false, m_inTitle = false;
    bool m_inHeading = false, m_headingRead = false;
    int m_skip = 0, m_tabSpan = 0;
    int m_bold = 0, m_italic = 0, m_underline = 0;
    int m_cells = 0;
    std::vector<int> m_lists; // 0 for bullets, else the next number
};

} // namespace

HtmlPage ReadHtmlPage(QStringView html, const std::function<QString(const QString&)>& linkTarget) {
    PageReader reader(linkTarget);
    ReadHtml(
        html, [&](const QString& t) { reader.text(t); }, [&](const HtmlTag& t) { reader.tag(t); });
    return reader.finish();
}

std::vector<SitemapEntry> ReadSitemap(QStringView html) {
    std::vector<SitemapEntry> entries;
    int level = 0;
    bool inObject = false;
    SitemapEntry current;
    ReadHtml(
        html, [](const QString&) {},
        [&](const HtmlTag& t) {
            if (t.name == u"ul") {
                level = std::max(0, level + (t.closing ? -1 : 1));
                if (!t.closing && !entries.empty() && entries.back().level == level - 1)
                    entries.back().hasChildren = true;
            } else if (t.name == u"object") {
                if (!t.closing && t.attributes.value(QStringLiteral("type"))
                                          .compare(u"text/sitemap", Qt::CaseInsensitive) == 0) {
                    inObject = true;
                    current = {};
                    current.level = std::max(1, level);
                } else if (t.closing && inObject) {
                    inObject = false;
                    entries.push_back(current);
                }
            } else if (t.name == u"param" && inObject) {
                const QString name = t.attributes.value(QStringLiteral("name")).toLower();
                const QString value = t.attributes.value(QStringLiteral("value"));
                if (name == u"name" && current.name.isEmpty())
                    current.name = value.simplified();
                else if (name == u"local" && !value.isEmpty())
                    current.locals << value;
            }
        });
    return entries;
}

} // namespace import
