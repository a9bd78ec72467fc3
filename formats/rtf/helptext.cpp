#include "helptext.h"

#include "rtftokenizer.h"

#include <QStringBuilder>

#include <algorithm>

namespace rtf {

namespace {

// Turns each line end into "\par", as the topic file receives a general
// topic's text (there only CR counts; a lone LF is taken the same way here).
QString paragraphsMarked(QStringView text) {
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += u"\\par";
        } else if (c == u'\n' && (i == 0 || text[i - 1] != u'\r')) {
            out += u"\\par\n";
        } else {
            out += c;
        }
    }
    return out;
}

class Collector : public DocumentSink {
public:
    explicit Collector(HelpDocument& d) : m_d(d) {}
    void paragraph(const Paragraph& p) override { m_d.paragraphs.push_back(p); }
    void rowEnd(int) override { m_d.rowEnds.push_back(m_d.paragraphs.size()); }
    void footnote(const Footnote& f) override { m_d.footnotes.push_back(f); }

private:
    HelpDocument& m_d;
};

QString escaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A length in twips as CSS points.
QString points(int twips) {
    return QString::number(double(twips) / 20.0, 'g', 6) + u"pt";
}

QString cssColor(std::uint32_t bgr) {
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

class HtmlWriter {
public:
    explicit HtmlWriter(const HtmlLinks& links) : m_links(links) {}

    QString write(const HelpDocument& d) {
        QString html;
        bool table = false, row = false, cell = false;
        std::size_t nextRowEnd = 0;
        const auto closeTable = [&] {
            if (cell)
                html += u"</td>";
            if (row)
                html += u"</tr>\n";
            if (table)
                html += u"</table>\n";
            table = row = cell = false;
        };
        // The paragraphs the text begins with that keep with the next form
        // the non-scrolling region: it stays above the text as that scrolls.
        std::size_t region = 0;
        while (region < d.paragraphs.size() && d.paragraphs[region].format.keepNext &&
               !d.paragraphs[region].format.inTable)
            ++region;
        if (region > 0 && region < d.paragraphs.size()) {
            html += u"<div class=\"nonscroll\">";
            for (std::size_t i = 0; i < region; ++i)
                html += paragraph(d.paragraphs[i]) + u'\n';
            html += u"</div>\n";
        } else {
            region = 0; // a text that is all region has nothing to scroll
        }
        for (std::size_t i = region; i < d.paragraphs.size(); ++i) {
            const Paragraph& p = d.paragraphs[i];
            const bool inTable = p.format.inTable || p.cellEnd;
            if (!inTable && table)
                closeTable();
            if (inTable) {
                if (!table)
                    html += u"<table class=\"rtf\">\n";
                if (!row)
                    html += u"<tr>";
                if (!cell)
                    html += u"<td>";
                table = row = cell = true;
            } else if (!html.isEmpty() && !html.endsWith(u'\n')) {
                html += u'\n';
            }
            html += paragraph(p);
            if (p.cellEnd && cell) {
                html += u"</td>";
                cell = false;
            }
            while (nextRowEnd < d.rowEnds.size() && d.rowEnds[nextRowEnd] <= i + 1) {
                if (d.rowEnds[nextRowEnd++] == i + 1 && row) {
                    if (cell)
                        html += u"</td>";
                    html += u"</tr>\n";
                    row = cell = false;
                }
            }
        }
        closeTable();
        if (html.endsWith(u'\n'))
            html.chop(1);
        if (!m_popups.isEmpty())
            html += u'\n' + m_popups;
        return html;
    }

private:
    void lose(const QString& feature) {
        if (m_links.lost && !m_links.lost->contains(feature))
            m_links.lost->append(feature);
    }

    QString paragraph(const Paragraph& p) {
        QStringList style;
        const ParFormat& f = p.format;
        switch (f.alignment) {
        case Align::Right:
            style << QStringLiteral("text-align: right");
            break;
        case Align::Center:
            style << QStringLiteral("text-align: center");
            break;
        case Align::Justify:
            style << QStringLiteral("text-align: justify");
            break;
        case Align::Left:
            break;
        }
        if (f.leftIndent)
            style << u"margin-left: " % points(f.leftIndent);
        if (f.rightIndent)
            style << u"margin-right: " % points(f.rightIndent);
        if (f.firstIndent)
            style << u"text-indent: " % points(f.firstIndent);
        if (f.spaceBefore)
            style << u"margin-top: " % points(f.spaceBefore);
        if (f.spaceAfter)
            style << u"margin-bottom: " % points(f.spaceAfter);
        QString html = style.isEmpty() ? QStringLiteral("<p>")
                                       : u"<p style=\"" % style.join(QStringLiteral("; ")) % u"\">";
        bool any = false;
        QString close; // what ends the open hotspot
        // A hanging indent's first tab goes to the left indent: what stands
        // before it fills the hanging part.
        bool hanging = false;
        if (f.firstIndent < 0 && std::any_of(p.runs.begin(), p.runs.end(),
                                             [](const Run& r) { return r.kind == Run::Tab; })) {
            hanging = true;
            html += u"<span class=\"hang\" style=\"width: " % points(-f.firstIndent) % u"\">";
        }
        for (std::size_t i = 0; i < p.runs.size(); ++i) {
            const Run& r = p.runs[i];
            if (r.kind == Run::Text && r.ch.hidden)
                continue;
            const Hotspot* h = p.hotspotOf(r);
            if (h && h->firstRun == int(i))
                html += openHotspot(*h, close);
            if (hanging && r.kind == Run::Tab) {
                html += QStringLiteral("</span>");
                hanging = false;
                continue;
            }
            html += run(p, r, h != nullptr);
            any = true;
            if (h && h->lastRun == int(i)) {
                html += close;
                close.clear();
            }
        }
        html += close;
        if (!any)
            html += u"&nbsp;";
        return html + u"</p>";
    }

    QString openHotspot(const Hotspot& h, QString& close) {
        if (h.kind == HotspotKind::Macro) {
            lose(u"macro hotspot (" % h.target % u')');
            return {};
        }
        if (!h.file.isEmpty()) {
            lose(u"jump into another help file (" % h.target % u'@' % h.file % u')');
            return {};
        }
        const QString page = m_links.page ? m_links.page(h.target) : QString();
        if (h.kind == HotspotKind::Popup && m_links.popup) {
            const QString body = m_links.popup(h.target);
            if (!body.isEmpty()) {
                const QString id = u"qmpopup" % QString::number(++m_popupCount);
                m_popups += u"<div class=\"popup\" id=\"" % id % u"\">" % body % u"</div>\n";
                close = QStringLiteral("</a>");
                return u"<a class=\"popuplink\" href=\"" %
                       escaped(page.isEmpty() ? QStringLiteral("#") : page) %
                       u"\" onclick=\"return qmPopup(this, '" % id % u"');\">";
            }
        }
        if (page.isEmpty())
            return {};
        close = QStringLiteral("</a>");
        return u"<a href=\"" % escaped(page) % u"\">";
    }

    QString run(const Paragraph& p, const Run& r, bool inHotspot) {
        switch (r.kind) {
        case Run::LineBreak:
            return QStringLiteral("<br>");
        case Run::Tab:
            return QStringLiteral("<span class=\"tab\">&nbsp;</span>");
        case Run::Picture: {
            const EmbeddedPicture* embedded =
                r.embedded >= 0 ? &p.embedded[std::size_t(r.embedded)] : nullptr;
            const QString name =
                embedded ? QStringLiteral("picture stored in the text") : p.view(r).toString();
            QString src;
            if (embedded)
                src = m_links.embedded ? m_links.embedded(*embedded) : QString();
            else
                src = m_links.picture ? m_links.picture(name) : QString();
            if (src.isEmpty() && embedded) {
                lose(embedded->format == EmbeddedPicture::Metafile
                         ? QStringLiteral("metafile picture stored in the text")
                         : name);
                return {};
            }
            if (src.isEmpty()) {
                lose(u"picture " % name);
                return {};
            }
            QString align;
            if (r.picture == PictureAlign::Left)
                align = QStringLiteral(" style=\"float: left\"");
            else if (r.picture == PictureAlign::Right)
                align = QStringLiteral(" style=\"float: right\"");
            return u"<img src=\"" % escaped(src) % u"\" alt=\"" % escaped(name) % u'"' % align %
                   u'>';
        }
        case Run::Text:
            break;
        }
        const CharFormat& c = r.ch;
        QString html = escaped(p.view(r));
        QStringList style;
        if (c.font >= 0 && m_links.fontFace) {
            if (const QString face = m_links.fontFace(c.font); !face.isEmpty())
                style << u"font-family: '" % escaped(face) % u'\'';
        }
        if (c.halfPoints != CharFormat().halfPoints)
            style << u"font-size: " % QString::number(double(c.halfPoints) / 2.0, 'g', 4) % u"pt";
        if (c.color > 0 && std::size_t(c.color) < m_links.colors.size())
            style << u"color: " % cssColor(m_links.colors[std::size_t(c.color)]);
        if (c.highlight > 0 && std::size_t(c.highlight) < m_links.colors.size())
            style << u"background-color: " % cssColor(m_links.colors[std::size_t(c.highlight)]);
        if (!style.isEmpty())
            html =
                u"<span style=\"" % style.join(QStringLiteral("; ")) % u"\">" % html % u"</span>";
        // A hotspot's underline or strike only marks it as one.
        if (c.strike && !inHotspot)
            html = u"<s>" % html % u"</s>";
        if (c.underline && !inHotspot)
            html = u"<u>" % html % u"</u>";
        if (c.italic)
            html = u"<i>" % html % u"</i>";
        if (c.bold)
            html = u"<b>" % html % u"</b>";
        return html;
    }

    const HtmlLinks& m_links;
    QString m_popups;
    int m_popupCount = 0;
};

QString codeAt(QStringView source, const Token& t, const Tokenizer& tokens) {
    return source.mid(t.offset, tokens.position() - t.offset).toString().trimmed();
}

} // namespace

HelpDocument ReadHelpDocument(QStringView text, LineEnds lineEnds) {
    HelpDocument d;
    Collector collector(d);
    Interpreter interpreter(collector);
    if (lineEnds == LineEnds::Paragraphs)
        interpreter.readFragment(paragraphsMarked(text));
    else
        interpreter.readFragment(text);
    return d;
}

std::vector<Paragraph> ReadHelpText(QStringView text, LineEnds lineEnds) {
    return ReadHelpDocument(text, lineEnds).paragraphs;
}

QString HelpTextToHtml(QStringView text, const HtmlLinks& links, LineEnds lineEnds) {
    return HtmlWriter(links).write(ReadHelpDocument(text, lineEnds));
}

QString PopupStyle() {
    return QStringLiteral(
        "span.tab { display: inline-block; width: 0.5in; }\n"
        "span.hang { display: inline-block; text-indent: 0; }\n"
        "div.nonscroll { position: sticky; top: 0; background: #f0f0f0; padding: 2pt 0; "
        "border-bottom: 1px solid #c0c0c0; margin-bottom: 4pt; }\n"
        "table.rtf { border-collapse: collapse; }\n"
        "table.rtf td { vertical-align: top; padding: 2pt 6pt; border: 1px solid #c0c0c0; }\n"
        "a.popuplink { color: #008000; text-decoration: none; border-bottom: 1px dotted; }\n"
        "div.popup { display: none; position: absolute; z-index: 10; max-width: 40em; "
        "padding: 4pt 6pt; background: #ffffe1; border: 1px solid #808080; }\n");
}

QString PopupScript() {
    // A click on a pop-up link shows its text under the link; the next click
    // anywhere hides it again.
    return QStringLiteral(
        "var qmShown = null;\n"
        "function qmHide() { if (qmShown) { qmShown.style.display = 'none'; qmShown = null; } }\n"
        "function qmPopup(link, id) {\n"
        "  var box = document.getElementById(id);\n"
        "  if (!box) return true;\n"
        "  var wasShown = qmShown == box;\n"
        "  qmHide();\n"
        "  if (wasShown) return false;\n"
        "  var x = 0, y = link.offsetHeight;\n"
        "  for (var e = link; e; e = e.offsetParent) { x += e.offsetLeft; y += e.offsetTop; }\n"
        "  box.style.left = x + 'px';\n"
        "  box.style.top = y + 'px';\n"
        "  box.style.display = 'block';\n"
        "  qmShown = box;\n"
        "  return false;\n"
        "}\n"
        "document.onclick = function (e) {\n"
        "  var t = e ? e.target : window.event.srcElement;\n"
        "  while (t && t.className != 'popuplink') t = t.parentNode;\n"
        "  if (!t) qmHide();\n"
        "};\n");
}

QString FirstWords(QStringView text, qsizetype maxLength, LineEnds lineEnds) {
    QString all;
    for (const Paragraph& p : ReadHelpText(text, lineEnds)) {
        all += u' ';
        for (const Run& r : p.runs) {
            if (r.kind == Run::Text && !r.ch.hidden)
                all += p.view(r);
            else if (r.kind == Run::Tab || r.kind == Run::LineBreak)
                all += u' ';
        }
    }
    all = all.simplified();
    if (all.size() <= maxLength)
        return all;
    const QString ellipsis = QStringLiteral("...");
    const qsizetype room = std::max<qsizetype>(maxLength - ellipsis.size(), 1);
    qsizetype cut = all.lastIndexOf(u' ', room);
    if (cut <= 0)
        cut = room;
    return all.left(cut).trimmed() + ellipsis;
}

std::vector<TextProblem> CheckHelpText(QStringView text) {
    std::vector<TextProblem> problems;
    const auto add = [&](qsizetype offset, const QString& code, const QString& message) {
        problems.push_back({offset, code, message});
    };
    const QString hint =
        QStringLiteral("type a backslash as \\\\ (for example C:\\\\Program Files)");
    std::vector<std::pair<qsizetype, bool>> open; // each open group: its offset, whether skipped
    bool skip = false;
    bool pendingDestination = false;
    Tokenizer tokens(text);
    for (Token t = tokens.next(); t.kind != TokenKind::End; t = tokens.next()) {
        const bool destinationPossible = pendingDestination;
        pendingDestination = false;
        switch (t.kind) {
        case TokenKind::GroupStart:
            open.emplace_back(t.offset, skip);
            pendingDestination = true;
            break;
        case TokenKind::GroupEnd:
            if (open.empty()) {
                add(t.offset, QStringLiteral("}"),
                    QStringLiteral("The brace } closes nothing; the help compiler will stop "
                                   "reading the topic there. Type a brace in the text as \\}."));
            } else {
                skip = open.back().second;
                open.pop_back();
            }
            break;
        case TokenKind::ControlWord:
            if (destinationPossible && IsSkippedDestination(t.text))
                skip = true;
            if (!skip && !IsKnownControlWord(t.text)) {
                const QString code = codeAt(text, t, tokens);
                add(t.offset, code,
                    u"\"" % code % u"\" is not an RTF code, so \"" % code.mid(1) %
                        u"\" will be missing from the help file; " % hint % u'.');
            }
            if (t.text == u"bin" && t.hasParameter)
                tokens.skipBinary(t.parameter);
            break;
        case TokenKind::ControlSymbol:
            if (t.text == u"*" && destinationPossible) {
                skip = true;
            } else if (t.text.isEmpty()) {
                add(t.offset, QStringLiteral("\\"),
                    u"The backslash at the end of the text will be lost; " % hint % u'.');
            } else if (t.text == u"'" && !t.hasParameter) {
                add(t.offset, QStringLiteral("\\'"),
                    QStringLiteral("\"\\'\" must be followed by two hexadecimal digits (\\'e9 "
                                   "is \u00e9); ") %
                        hint % u'.');
            } else if (!skip && !IsKnownControlSymbol(t.text.at(0))) {
                const QString code = u'\\' % t.text;
                add(t.offset, code,
                    u"\"" % code % u"\" is not an RTF code, so \"" % t.text %
                        u"\" will be missing from the help file; " % hint % u'.');
            }
            break;
        case TokenKind::Text:
        case TokenKind::End:
            break;
        }
    }
    for (const auto& [offset, skipped] : open) {
        Q_UNUSED(skipped);
        add(offset, QStringLiteral("{"),
            QStringLiteral("The brace { is never closed, so the rest of the help file may take "
                           "its formatting. Type a brace in the text as \\{."));
    }
    std::sort(problems.begin(), problems.end(),
              [](const TextProblem& a, const TextProblem& b) { return a.offset < b.offset; });
    return problems;
}

QString DescribeProblems(const std::vector<TextProblem>& problems) {
    QStringList lines;
    for (const TextProblem& p : problems)
        lines << p.message;
    return lines.join(u'\n');
}

} // namespace rtf
