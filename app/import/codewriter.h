// Writing a help text in the codes the project holds, paragraph by
// paragraph: runs of one look as one group ({\b ...}), hotspots as
// {\uldb text}{\v target} or {\ul text}{\v target}.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace import {

// The paragraphs of the non-scrolling region (header) apart from the rest.
class CodeWriter {
public:
    QStringList header, body;
    bool inHeader = false;

    void text(const QString& piece) {
        if (m_codes != m_groupCodes) {
            flush();
            m_groupCodes = m_codes;
        }
        m_groupText += piece;
    }
    void format(bool bold, bool italic, bool underline) {
        m_codes.clear();
        if (bold)
            m_codes += QStringLiteral("\\b");
        if (italic)
            m_codes += QStringLiteral("\\i");
        if (underline && !m_hotspot)
            m_codes += QStringLiteral("\\ul");
    }
    void beginHotspot(bool popup, const QString& target) {
        endHotspot();
        flush();
        m_out += popup ? QStringLiteral("{\\ul ") : QStringLiteral("{\\uldb ");
        m_target = target;
        m_hotspot = true;
    }
    void endHotspot() {
        if (!m_hotspot)
            return;
        flush();
        m_out += QStringLiteral("}{\\v ") + m_target + u'}';
        m_hotspot = false;
    }
    void endParagraph() {
        endHotspot();
        flush();
        (inHeader ? header : body) << m_out;
        m_out.clear();
    }
    bool open() const { return !m_out.isEmpty() || !m_groupText.isEmpty() || m_hotspot; }

private:
    void flush() {
        if (m_groupText.isEmpty())
            return;
        m_out +=
            m_groupCodes.isEmpty() ? m_groupText : u'{' + m_groupCodes + u' ' + m_groupText + u'}';
        m_groupText.clear();
    }

    QString m_out, m_codes, m_groupCodes, m_groupText, m_target;
    bool m_hotspot = false;
};

// Characters the help-text reader takes as codes, escaped.
inline QString EscapedText(QStringView s) {
    const auto special = [](QChar c) { return c == u'\\' || c == u'{' || c == u'}'; };
    qsizetype count = 0;
    for (QChar c : s)
        count += special(c) ? 1 : 0;
    if (count == 0)
        return s.toString();
    QString out;
    out.reserve(s.size() + count);
    for (QChar c : s) {
        if (special(c))
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace import
