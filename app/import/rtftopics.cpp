#include "rtftopics.h"

#include "codepage/ansi.h"
#include "codepage/codepages.h"
#include "import/codewriter.h"
#include "rtf/document.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace import {

namespace {

// Characters the help-text reader takes as codes are escaped.
QString escaped(QStringView text) {
    return EscapedText(text);
}

// The look of a run the project keeps, as a set of bits: bold, italic,
// underline; the codes a group of that look opens with.
enum Look : unsigned { Bold = 1, Italic = 2, Underline = 4 };

unsigned lookOf(const rtf::CharFormat& f, bool inHotspot) {
    return (f.bold ? Bold : 0u) | (f.italic ? Italic : 0u) |
           (f.underline && !inHotspot ? Underline : 0u);
}

void appendLook(QString& out, unsigned look) {
    if (look & Bold)
        out += QLatin1StringView("\\b");
    if (look & Italic)
        out += QLatin1StringView("\\i");
    if (look & Underline)
        out += QLatin1StringView("\\ul");
}

// Text as the help text holds it: code characters escaped, the
// non-breaking hyphen as its code; plain stretches appended whole.
void appendText(QString& out, QStringView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\\' && c != u'{' && c != u'}' && c != 0x2011)
            continue;
        out += text.sliced(from, i - from);
        if (c == 0x2011) {
            out += QLatin1StringView("\\_");
        } else {
            out += u'\\';
            out += QChar(c);
        }
        from = i + 1;
    }
    out += text.sliced(from);
}

// Windows-1252 text read as bytes: the same, each byte its character.
void appendText(QString& out, QByteArrayView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != '\\' && c != '{' && c != '}' && (c < 0x80 || c > 0x9F))
            continue;
        out += QLatin1StringView(text.sliced(from, i - from));
        if (c >= 0x80)
            out += ansi::toUnicode(text.data() + i, 1);
        else {
            out += u'\\';
            out += QLatin1Char(char(c));
        }
        from = i + 1;
    }
    out += QLatin1StringView(text.sliced(from));
}

// A name or target as it stands.
void appendPlain(QString& out, QStringView text) {
    out += text;
}
void appendPlain(QString& out, QByteArrayView text) {
    out += ansi::toUnicode(text.data(), text.size());
}

QString unicode(const QString& text) {
    return text;
}
QString unicode(const QByteArray& text) {
    return ansi::toUnicode(text);
}

// One paragraph's runs as the help text's codes, appended to `out`. Runs of
// one look are written as one group, whatever Word split them for (fonts,
// revisions); a group is opened only once it has text.
template <typename Text>
void appendParagraphCodes(QString& out, const rtf::BasicParagraph<Text>& p) {
    unsigned group = 0;     // the look of the current group
    bool groupOpen = false; // its "{codes " is written
    bool groupText = false; // it has text since the last flush
    const auto flush = [&] {
        if (groupOpen)
            out += u'}';
        groupOpen = false;
        groupText = false;
    };
    const auto startPiece = [&] {
        if (!groupText && group) {
            out += u'{';
            appendLook(out, group);
            out += u' ';
            groupOpen = true;
        }
        groupText = true;
    };
    int open = -1; // the hotspot being written
    const auto closeHotspot = [&] {
        if (open < 0)
            return;
        flush();
        const rtf::BasicHotspot<Text>& h = p.hotspots[std::size_t(open)];
        out += QLatin1StringView("}{\\v ");
        if (h.look == rtf::HotspotLook::Plain)
            out += u'%';
        else if (h.look == rtf::HotspotLook::NoUnderline)
            out += u'*';
        if (h.kind == rtf::HotspotKind::Macro) {
            if (h.target.isEmpty() || h.target.front() != u'!')
                out += u'!';
            appendPlain(out, h.target);
        } else {
            appendPlain(out, h.target);
            if (!h.file.isEmpty()) {
                out += u'@';
                appendPlain(out, h.file);
            }
            if (!h.window.isEmpty()) {
                out += u'>';
                appendPlain(out, h.window);
            }
        }
        out += u'}';
        open = -1;
    };
    for (const rtf::Run& r : p.runs) {
        if (r.hotspot != open) {
            closeHotspot();
            flush();
            if (r.hotspot >= 0) {
                const auto kind = p.hotspots[std::size_t(r.hotspot)].kind;
                out += kind == rtf::HotspotKind::Popup ? QLatin1StringView("{\\ul ")
                                                       : QLatin1StringView("{\\uldb ");
                open = r.hotspot;
            }
        }
        if (r.ch.hidden && open < 0)
            continue; // hidden text outside a hotspot shows nowhere
        if (r.kind == rtf::Run::Text) {
            const unsigned look = lookOf(r.ch, open >= 0);
            if (look != group) {
                flush();
                group = look;
            }
            const auto text = p.view(r);
            if (text.isEmpty())
                continue;
            startPiece();
            appendText(out, text);
            continue;
        }
        startPiece();
        switch (r.kind) {
        case rtf::Run::Text:
            break;
        case rtf::Run::Tab:
            out += QLatin1StringView("\\tab ");
            break;
        case rtf::Run::LineBreak:
            out += QLatin1StringView("\\line ");
            break;
        case rtf::Run::Picture:
            out += r.picture == rtf::PictureAlign::Left    ? QLatin1StringView("\\{bml ")
                   : r.picture == rtf::PictureAlign::Right ? QLatin1StringView("\\{bmr ")
                                                           : QLatin1StringView("\\{bmc ");
            appendPlain(out, p.view(r));
            out += QLatin1StringView("\\}");
            break;
        }
    }
    closeHotspot();
    flush();
}

// Text: QString when the interpreter reads Unicode text, QByteArray when it
// reads a Windows-1252 document's bytes.
template <typename Text> class TopicSink : public rtf::BasicDocumentSink<Text> {
public:
    TopicSink(const QString& file, RtfTopicsRead& read) : m_file(file), m_read(read) {}

    void paragraph(const rtf::BasicParagraph<Text>& p) override {
        if (m_topic.line == 0)
            m_topic.line = p.line;
        if (p.format.keepNext && !m_hasHeader && m_starts.empty()) {
            appendParagraphCodes(m_topic.header, p);
            m_hasHeader = true;
            return;
        }
        // The body is written into one string, CR LF between paragraphs,
        // where each paragraph starts kept aside.
        const qsizetype before = m_text.size();
        if (!m_starts.empty())
            m_text += QLatin1StringView("\r\n");
        const qsizetype start = m_text.size();
        appendParagraphCodes(m_text, p);
        // Create's heading keeps with the empty line it writes after it.
        if (p.format.keepNext && m_hasHeader && !m_createHeading && m_starts.empty() &&
            m_text.size() == start) {
            m_text.resize(before);
            m_createHeading = true;
            return;
        }
        m_starts.push_back(start);
    }

    void footnote(const rtf::BasicFootnote<Text>& f) override {
        if (m_topic.line == 0)
            m_topic.line = f.line;
        m_footnotes = true;
        const QString value = unicode(f.value);
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
        // Empty paragraphs at the end go.
        while (!m_starts.empty() && m_text.size() == m_starts.back()) {
            m_starts.pop_back();
            m_text.resize(m_starts.empty() ? 0 : m_text.size() - 2);
        }
        qsizetype from = 0;
        // Create opens a topic's text with its title in bold and an empty line.
        const std::size_t count = m_starts.size();
        const qsizetype secondEnd = count > 2 ? m_starts[2] - 2 : m_text.size();
        if (count >= 2 && !m_topic.title.isEmpty() && secondEnd == m_starts[1]) {
            const QStringView first = QStringView(m_text).first(m_starts[1] - 2);
            if (first.startsWith(u"{\\b ") && first.endsWith(u'}') &&
                first.sliced(4).chopped(1) == escaped(m_topic.title))
                from = count > 2 ? m_starts[2] : m_text.size();
        }
        // Create's heading is the topic header in bold, or the title when
        // the topic has no header.
        if (m_createHeading && m_topic.header.startsWith(u"{\\b ") &&
            m_topic.header.endsWith(u'}')) {
            const QString heading = m_topic.header.mid(4).chopped(1);
            m_topic.header = heading == escaped(m_topic.title) ? QString() : heading;
        }
        m_topic.text = QStringView(m_text).sliced(from).toString();
        if (m_footnotes || !m_topic.text.isEmpty() || !m_topic.header.isEmpty()) {
            if (m_topic.line == 0)
                m_topic.line = line;
            m_read.topics.push_back(std::move(m_topic));
        }
        m_topic = {};
        m_text.resize(0); // keeps its room for the next topic
        m_starts.clear();
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
    QString m_text;                  // the body's codes so far
    std::vector<qsizetype> m_starts; // where each of its paragraphs starts in m_text
    bool m_hasHeader = false;
    bool m_createHeading = false; // the heading and empty line Create writes
    bool m_footnotes = false;
};

// The first ID of each topic, from the footnotes alone: the text's
// paragraphs are read by the interpreter of bytes and then dropped.
class TopicIdSink : public rtf::ByteDocumentSink {
public:
    explicit TopicIdSink(QStringList& ids) : m_ids(ids) {}
    void paragraph(const rtf::ByteParagraph&) override {}
    void footnote(const rtf::ByteFootnote& f) override {
        if (f.mark == '#' && m_id.isEmpty())
            m_id = f.value;
    }
    void page(int) override {
        if (!m_id.isEmpty())
            m_ids << ansi::toUnicode(m_id);
        m_id.clear();
    }

private:
    QStringList& m_ids;
    QByteArray m_id;
};

// Whether the interpreter of bytes reads the document's footnotes as the
// one of Unicode text does: in Windows-1252, with no character that one
// gives as Unicode outside Windows-1252 (\uN, \_, \emspace, \enspace) and
// no no-break space (which that one trims as a blank).
bool footnotesReadAsBytes(QByteArrayView bytes) {
    if (RtfCodePage(bytes) != 1252 || bytes.contains('\xA0'))
        return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (qsizetype at = bytes.indexOf('\\'); at >= 0 && at + 1 < bytes.size();
         at = bytes.indexOf('\\', at + 2)) {
        const char next = bytes[at + 1];
        if (next == '_' || next == '~')
            return false;
        if (next != 'u' && next != 'e' && next != '\'')
            continue;
        const QByteArrayView rest = bytes.sliced(at + 1);
        if (rest.startsWith("'a0") || rest.startsWith("'A0") || rest.startsWith("emspace") ||
            rest.startsWith("enspace") ||
            (next == 'u' && rest.size() > 1 && (rest[1] == '-' || digit(rest[1]))))
            return false;
    }
    return true;
}

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
    if (codePage == 1252 || !codepage::Known(codePage)) {
        // Windows-1252 is Latin-1 but for 0x80 to 0x9F: the whole text is
        // widened at once and only those characters put right.
        QString out = QString::fromLatin1(bytes);
        const char* data = bytes.data();
        const qsizetype size = bytes.size();
        qsizetype i = 0;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + i, 8);
            if (!(word & 0x8080808080808080u))
                continue;
            for (qsizetype k = i; k < i + 8; ++k)
                if (static_cast<unsigned char>(data[k]) >= 0x80 &&
                    static_cast<unsigned char>(data[k]) <= 0x9F)
                    out[k] = ansi::toUnicode(data + k, 1).front();
        }
        for (; i < size; ++i)
            if (static_cast<unsigned char>(data[i]) >= 0x80 &&
                static_cast<unsigned char>(data[i]) <= 0x9F)
                out[i] = ansi::toUnicode(data + i, 1).front();
        return out;
    }
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
    if (footnotesReadAsBytes(bytes)) {
        // Read as bytes where that gives the same: no copy of the whole
        // document as Unicode text.
        TopicSink<QByteArray> sink(file, read);
        rtf::ByteInterpreter interpreter(sink);
        return interpreter.readDocument(bytes);
    }
    TopicSink<QString> sink(file, read);
    rtf::Interpreter interpreter(sink);
    const QString text = RtfText(bytes, codePage);
    return interpreter.readDocument(text);
}

} // namespace import

namespace import {

QStringList RtfTopicIds(QByteArrayView bytes) {
    QStringList ids;
    if (!footnotesReadAsBytes(bytes)) {
        RtfTopicsRead read;
        ReadRtfTopics(bytes, QString(), read);
        for (const RtfTopic& t : read.topics)
            if (!t.id.isEmpty())
                ids << t.id;
        return ids;
    }
    TopicIdSink sink(ids);
    rtf::ByteInterpreter interpreter(sink);
    interpreter.readDocument(bytes);
    return ids;
}

} // namespace import
