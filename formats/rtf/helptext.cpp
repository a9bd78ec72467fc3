#include "helptext.h"

#include "codepage/ansi.h"
#include "rtftokenizer.h"

#include <QStringBuilder>
#include <QStringList>

#include <algorithm>

namespace rtf {

namespace {

// The character state of one group.
struct GroupState {
    TextFormat format;
    bool hotspot = false; // ul, uldb or strike: a jump or pop-up when hidden text follows
    bool hidden = false;  // \v: a hotspot's context string
    bool skip = false;    // inside a destination that shows no text
    int unicodeSkip = 1;  // \ucN: characters that stand in for a \uN character
};

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

// The context string of hidden hotspot text: "ID>window" and "ID@file" name a
// window or file after the topic.
QString contextOf(const QString& hidden) {
    qsizetype end = hidden.size();
    for (QChar stop : {u'>', u'@'}) {
        const qsizetype at = hidden.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    return hidden.left(end).trimmed();
}

QChar specialCharacter(const QString& word) {
    struct Special {
        const char16_t* word;
        char16_t character;
    };
    static constexpr Special kSpecials[] = {
        {u"bullet", 0x2022},    {u"emdash", 0x2014},  {u"endash", 0x2013},
        {u"lquote", 0x2018},    {u"rquote", 0x2019},  {u"ldblquote", 0x201C},
        {u"rdblquote", 0x201D}, {u"emspace", 0x2003}, {u"enspace", 0x2002},
    };
    for (const Special& s : kSpecials) {
        if (word == QStringView(s.word))
            return QChar(s.character);
    }
    return QChar();
}

class Reader {
public:
    std::vector<Paragraph> read(QStringView source) {
        Tokenizer tokens(source);
        for (Token t = tokens.next(); t.kind != TokenKind::End; t = tokens.next()) {
            switch (t.kind) {
            case TokenKind::GroupStart:
                m_stack.push_back(m_state);
                m_pendingDestination = true;
                break;
            case TokenKind::GroupEnd:
                if (!m_stack.empty()) {
                    m_state = m_stack.back();
                    m_stack.pop_back();
                }
                m_pendingDestination = false;
                m_unicodeFallback = 0;
                break;
            case TokenKind::ControlWord:
                controlWord(t, tokens);
                m_pendingDestination = false;
                break;
            case TokenKind::ControlSymbol:
                controlSymbol(t);
                m_pendingDestination = false;
                break;
            case TokenKind::Text:
                m_pendingDestination = false;
                text(t.text);
                break;
            case TokenKind::End:
                break;
            }
        }
        endParagraph(false);
        return std::move(m_paragraphs);
    }

private:
    void controlWord(const Token& t, Tokenizer& tokens) {
        const QString& w = t.text;
        const bool on = !t.hasParameter || t.parameter != 0;
        if (w == u"bin") {
            tokens.skipBinary(t.hasParameter ? t.parameter : 0);
            return;
        }
        if (m_pendingDestination && IsSkippedDestination(w)) {
            m_state.skip = true;
            return;
        }
        if (m_state.skip)
            return;
        m_unicodeFallback = 0;
        if (w == u"b") {
            m_state.format.bold = on;
        } else if (w == u"i") {
            m_state.format.italic = on;
        } else if (w == u"ul" || w == u"uldb" || w == u"ulw" || w == u"uld" || w == u"ulth" ||
                   w == u"ulwave") {
            m_state.format.underline = on;
            m_state.hotspot = on;
        } else if (w == u"ulnone") {
            m_state.format.underline = false;
            m_state.hotspot = false;
        } else if (w == u"strike") {
            m_state.hotspot = on;
        } else if (w == u"v") {
            m_state.hidden = on;
        } else if (w == u"plain") {
            m_state.format = {};
            m_state.hotspot = false;
            m_state.hidden = false;
        } else if (w == u"par") {
            endParagraph(true);
        } else if (w == u"line") {
            addSpan(Span::LineBreak);
        } else if (w == u"tab") {
            addSpan(Span::Tab);
        } else if (w == u"uc") {
            m_state.unicodeSkip = t.hasParameter ? qMax(0, t.parameter) : 1;
        } else if (w == u"u" && t.hasParameter) {
            const int code = t.parameter < 0 ? t.parameter + 0x10000 : t.parameter;
            appendCharacters(QString(QChar(static_cast<char16_t>(code & 0xFFFF))));
            m_unicodeFallback = m_state.unicodeSkip;
        } else if (const QChar special = specialCharacter(w); !special.isNull()) {
            appendCharacters(QString(special));
        }
    }

    void controlSymbol(const Token& t) {
        if (t.text == u"*") {
            if (m_pendingDestination)
                m_state.skip = true;
            return;
        }
        if (m_state.skip)
            return;
        if (t.text == u"'") {
            if (!t.hasParameter)
                return;
            if (m_unicodeFallback > 0) {
                --m_unicodeFallback;
                return;
            }
            const char byte = static_cast<char>(t.parameter);
            appendCharacters(ansi::toUnicode(&byte, 1));
            return;
        }
        m_unicodeFallback = 0;
        if (t.text == u"~")
            appendCharacters(QString(QChar(0x00A0)));
        else if (t.text == u"_")
            appendCharacters(QString(QChar(0x2011)));
        else if (t.text == u"\\" || t.text == u"{" || t.text == u"}")
            appendCharacters(t.text);
        // \- (optional hyphen) and unknown symbols show nothing.
    }

    void text(const QString& chars) {
        if (m_state.skip)
            return;
        QString shown = chars;
        if (m_unicodeFallback > 0) {
            const qsizetype dropped = qMin<qsizetype>(m_unicodeFallback, shown.size());
            shown.remove(0, dropped);
            m_unicodeFallback -= static_cast<int>(dropped);
        }
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (shown[i] == u'\t') {
                appendCharacters(shown.mid(0, i));
                addSpan(Span::Tab);
                shown.remove(0, i + 1);
                i = -1;
            }
        }
        appendCharacters(shown);
    }

    void appendCharacters(const QString& chars) {
        if (chars.isEmpty())
            return;
        if (m_state.hidden) {
            m_hidden += chars;
            return;
        }
        attachHiddenText();
        auto& spans = m_current.spans;
        if (!spans.empty() && spans.back().kind == Span::Text &&
            spans.back().format == m_state.format && spans.back().link.isEmpty() &&
            (m_hotspotStart >= 0) == m_state.hotspot) {
            spans.back().text += chars;
        } else {
            Span span;
            span.text = chars;
            span.format = m_state.format;
            if (m_state.hotspot && m_hotspotStart < 0)
                m_hotspotStart = static_cast<qsizetype>(spans.size());
            spans.push_back(span);
        }
        if (!m_state.hotspot)
            m_hotspotStart = -1;
    }

    void addSpan(Span::Kind kind) {
        attachHiddenText();
        Span span;
        span.kind = kind;
        span.format = m_state.format;
        m_current.spans.push_back(span);
        m_hotspotStart = -1;
    }

    // Hidden text right after hotspot text names the topic the hotspot leads to.
    void attachHiddenText() {
        if (m_hidden.isEmpty())
            return;
        const QString context = contextOf(m_hidden);
        m_hidden.clear();
        if (m_hotspotStart >= 0 && !context.isEmpty()) {
            for (auto i = static_cast<std::size_t>(m_hotspotStart); i < m_current.spans.size(); ++i)
                m_current.spans[i].link = context;
        }
        m_hotspotStart = -1;
    }

    void endParagraph(bool always) {
        attachHiddenText();
        if (always || !m_current.spans.empty())
            m_paragraphs.push_back(std::move(m_current));
        m_current = {};
        m_hotspotStart = -1;
    }

    std::vector<GroupState> m_stack;
    GroupState m_state;
    bool m_pendingDestination = false; // right after "{": a destination word may follow
    int m_unicodeFallback = 0;         // stand-in characters still to drop after \uN
    QString m_hidden;
    qsizetype m_hotspotStart = -1; // first span of the hotspot text just read
    Paragraph m_current;
    std::vector<Paragraph> m_paragraphs;
};

QString escaped(const QString& text) {
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

QString spanHtml(const Span& span) {
    switch (span.kind) {
    case Span::LineBreak:
        return QStringLiteral("<br>");
    case Span::Tab:
        return QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    case Span::Text:
        break;
    }
    QString html = escaped(span.text);
    if (span.format.underline)
        html = u"<u>" % html % u"</u>";
    if (span.format.italic)
        html = u"<i>" % html % u"</i>";
    if (span.format.bold)
        html = u"<b>" % html % u"</b>";
    return html;
}

QString codeAt(QStringView source, const Token& t, const Tokenizer& tokens) {
    return source.mid(t.offset, tokens.position() - t.offset).toString().trimmed();
}

} // namespace

std::vector<Paragraph> ReadHelpText(QStringView text, LineEnds lineEnds) {
    Reader reader;
    if (lineEnds == LineEnds::Paragraphs)
        return reader.read(paragraphsMarked(text));
    return reader.read(text);
}

QString HelpTextToHtml(QStringView text,
                       const std::function<QString(const QString& contextString)>& linkTarget,
                       LineEnds lineEnds) {
    QString html;
    for (const Paragraph& paragraph : ReadHelpText(text, lineEnds)) {
        if (!html.isEmpty())
            html += u'\n';
        html += u"<p>";
        if (paragraph.spans.empty())
            html += u"&nbsp;";
        QString openLink;
        for (const Span& span : paragraph.spans) {
            const QString target =
                span.link.isEmpty() || !linkTarget ? QString() : linkTarget(span.link);
            if (target != openLink) {
                if (!openLink.isEmpty())
                    html += u"</a>";
                if (!target.isEmpty())
                    html += u"<a href=\"" % escaped(target) % u"\">";
                openLink = target;
            }
            html += spanHtml(span);
        }
        if (!openLink.isEmpty())
            html += u"</a>";
        html += u"</p>";
    }
    return html;
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
