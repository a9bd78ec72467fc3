#include "rtftopics.h"

#include "codepage/ansi.h"
#include "codepage/codepages.h"
#include "import/codewriter.h"
#include "rtf/document.h"

namespace import {

namespace {

// Characters the help-text reader takes as codes are escaped.
QString escaped(QStringView text) {
    return EscapedText(text);
}

// The codes of a character format the project keeps: bold, italic, underline.
QString formatCodes(const rtf::CharFormat& f, bool inHotspot) {
    QString codes;
    if (f.bold)
        codes += QStringLiteral("\\b");
    if (f.italic)
        codes += QStringLiteral("\\i");
    if (f.underline && !inHotspot)
        codes += QStringLiteral("\\ul");
    return codes;
}

// One paragraph's runs as the help text's codes. Runs of one look are
// written as one group, whatever Word split them for (fonts, revisions).
QString paragraphCodes(const rtf::Paragraph& p) {
    QString out;
    QString group;     // the codes of the open format group
    QString groupText; // its text
    const auto flush = [&] {
        if (groupText.isEmpty())
            return;
        out += group.isEmpty() ? groupText : u'{' + group + u' ' + groupText + u'}';
        groupText.clear();
    };
    int open = -1; // the hotspot being written
    const auto closeHotspot = [&] {
        if (open < 0)
            return;
        flush();
        const rtf::Hotspot& h = p.hotspots[std::size_t(open)];
        QString target = h.target;
        if (h.kind != rtf::HotspotKind::Macro) {
            if (!h.file.isEmpty())
                target += u'@' + h.file;
            if (!h.window.isEmpty())
                target += u'>' + h.window;
        } else if (!target.startsWith(u'!')) {
            target.prepend(u'!');
        }
        if (h.look == rtf::HotspotLook::Plain)
            target.prepend(u'%');
        else if (h.look == rtf::HotspotLook::NoUnderline)
            target.prepend(u'*');
        out += QStringLiteral("}{\\v ") + target + u'}';
        open = -1;
    };
    for (const rtf::Run& r : p.runs) {
        if (r.hotspot != open) {
            closeHotspot();
            flush();
            if (r.hotspot >= 0) {
                const auto kind = p.hotspots[std::size_t(r.hotspot)].kind;
                out += kind == rtf::HotspotKind::Popup ? QStringLiteral("{\\ul ")
                                                       : QStringLiteral("{\\uldb ");
                open = r.hotspot;
            }
        }
        if (r.ch.hidden && open < 0)
            continue; // hidden text outside a hotspot shows nowhere
        QString piece;
        switch (r.kind) {
        case rtf::Run::Text:
            piece = escaped(p.view(r));
            piece.replace(QChar(0x2011), QStringLiteral("\\_")); // the non-breaking hyphen
            break;
        case rtf::Run::Tab:
            piece = QStringLiteral("\\tab ");
            break;
        case rtf::Run::LineBreak:
            piece = QStringLiteral("\\line ");
            break;
        case rtf::Run::Picture:
            piece = (r.picture == rtf::PictureAlign::Left    ? QStringLiteral("\\{bml ")
                     : r.picture == rtf::PictureAlign::Right ? QStringLiteral("\\{bmr ")
                                                             : QStringLiteral("\\{bmc ")) +
                    p.view(r).toString() + QStringLiteral("\\}");
            break;
        }
        const QString codes = r.kind == rtf::Run::Text ? formatCodes(r.ch, open >= 0) : group;
        if (codes != group) {
            flush();
            group = codes;
        }
        groupText += piece;
    }
    closeHotspot();
    flush();
    return out;
}

class TopicSink : public rtf::DocumentSink {
public:
    TopicSink(const QString& file, RtfTopicsRead& read) : m_file(file), m_read(read) {}

    void paragraph(const rtf::Paragraph& p) override {
        if (m_topic.line == 0)
            m_topic.line = p.line;
        if (p.format.keepNext && !m_hasHeader && m_body.isEmpty()) {
            m_topic.header = paragraphCodes(p);
            m_hasHeader = true;
            return;
        }
        QString codes = paragraphCodes(p);
        // Create's heading keeps with the empty line it writes after it.
        if (p.format.keepNext && m_hasHeader && !m_createHeading && m_body.isEmpty() &&
            codes.isEmpty()) {
            m_createHeading = true;
            return;
        }
        m_body << std::move(codes);
    }

    void footnote(const rtf::Footnote& f) override {
        if (m_topic.line == 0)
            m_topic.line = f.line;
        m_footnotes = true;
        const QString& value = f.value;
        switch (f.mark) {
        case '#':
            if (m_topic.id.isEmpty())
                m_topic.id = value;
            else
                note(f.line, QStringLiteral("the topic %1 has the further ID %2; a topic has one "
                                            "ID, so it was left out.")
                                 .arg(m_topic.id, value));
            break;
        case '$':
            m_topic.title = value;
            break;
        case '+':
            m_topic.browse = value;
            break;
        case 'K':
            if (!m_topic.keywords.isEmpty())
                m_topic.keywords += u';';
            m_topic.keywords += value;
            break;
        case '!':
            note(f.line, QStringLiteral("the macro footnote \"%1\" was left out: a project keeps "
                                        "no topic macros.")
                             .arg(value));
            break;
        default:
            note(f.line, QStringLiteral("the footnote \"%1%2\" was left out: a project keeps "
                                        "only #, $, K and + footnotes.")
                             .arg(f.mark ? QString(QChar::fromLatin1(f.mark)) : QString(), value));
        }
    }

    void page(int line) override {
        while (!m_body.isEmpty() && m_body.back().isEmpty())
            m_body.removeLast();
        // Create opens a topic's text with its title in bold and an empty line.
        if (m_body.size() >= 2 && !m_topic.title.isEmpty() && m_body[1].isEmpty() &&
            m_body[0] == u"{\\b " + escaped(m_topic.title) + u'}')
            m_body.remove(0, 2);
        // Create's heading is the topic header in bold, or the title when
        // the topic has no header.
        if (m_createHeading && m_topic.header.startsWith(u"{\\b ") &&
            m_topic.header.endsWith(u'}')) {
            const QString heading = m_topic.header.mid(4).chopped(1);
            m_topic.header = heading == escaped(m_topic.title) ? QString() : heading;
        }
        m_topic.text = m_body.join(QStringLiteral("\r\n"));
        if (m_footnotes || !m_topic.text.isEmpty() || !m_topic.header.isEmpty()) {
            if (m_topic.line == 0)
                m_topic.line = line;
            m_read.topics.push_back(std::move(m_topic));
        }
        m_topic = {};
        m_body.clear();
        m_hasHeader = false;
        m_createHeading = false;
        m_footnotes = false;
    }

    void warning(int line, const QString& message) override { note(line, message); }

private:
    void note(int line, const QString& message) {
        m_read.notKept << QStringLiteral("%1, line %2: %3").arg(m_file).arg(line).arg(message);
    }

    QString m_file;
    RtfTopicsRead& m_read;
    RtfTopic m_topic;
    QStringList m_body;
    bool m_hasHeader = false;
    bool m_createHeading = false; // the heading and empty line Create writes
    bool m_footnotes = false;
};

} // namespace

int RtfCodePage(QByteArrayView bytes) {
    // \ansicpgN stands in the document's header, before any text.
    const QByteArrayView head = bytes.first(std::min<qsizetype>(bytes.size(), 4096));
    const qsizetype at = head.indexOf("\\ansicpg");
    if (at < 0)
        return 1252;
    int number = 0;
    for (qsizetype i = at + 8; i < head.size() && i < at + 14 && head[i] >= '0' && head[i] <= '9';
         ++i)
        number = number * 10 + (head[i] - '0');
    return number;
}

QString RtfText(QByteArrayView bytes, int codePage) {
    if (codePage == 1252 || !codepage::Known(codePage))
        return ansi::toUnicode(bytes.data(), bytes.size());
    // Bytes above 127, written as they are or as \'hh, are characters of
    // the code page: they become those characters, so that the interpreter,
    // which takes \'hh as Windows-1252, never sees them as bytes.
    QString out;
    out.reserve(bytes.size());
    const auto hexValue = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\\' && i + 1 < bytes.size()) {
            if (bytes[i + 1] == '\'' && i + 3 < bytes.size()) {
                const int hi = hexValue(bytes[i + 2]), lo = hexValue(bytes[i + 3]);
                if (hi >= 8 && lo >= 0) {
                    out += codepage::CharOf(codePage, static_cast<unsigned char>(hi * 16 + lo));
                    i += 3;
                    continue;
                }
            }
            out += QLatin1Char(c);
            out += QLatin1Char(bytes[++i]); // an escaped backslash stays two characters
            continue;
        }
        out += codepage::CharOf(codePage, static_cast<unsigned char>(c));
    }
    return out;
}

bool ReadRtfTopics(QByteArrayView bytes, const QString& file, RtfTopicsRead& read) {
    const int codePage = RtfCodePage(bytes);
    if (!codepage::Known(codePage))
        read.notKept << QStringLiteral("%1: its code page %2 (\\ansicpg) is not one Quillmate "
                                       "reads; its text was read as Windows-1252.")
                            .arg(file)
                            .arg(codePage);
    TopicSink sink(file, read);
    rtf::Interpreter interpreter(sink);
    const QString text = RtfText(bytes, codePage);
    return interpreter.readDocument(text);
}

} // namespace import
