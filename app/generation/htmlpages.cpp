#include "htmlpages.h"

#include "codepage/ansi.h"
#include "fileio/savefile.h"
#include "helpfonts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// A page title: "&", "<" and ">" as character references, so that the page
// parses whatever the title holds ("A < B", "Using <Ctrl>+C", "R&D"); readers
// and the compiler's topic list read the references back as the characters.
QString titleText(const QString& text) {
    return escaped(text);
}

// Windows-1252 bytes; a character the code page lacks becomes "&#N;" and a
// line end CR LF.
QByteArray pageBytes(const QString& html) {
    const QChar* src = html.constData();
    const qsizetype size = html.size();
    // Room for every character and a CR before each line end; references
    // make more room as they come.
    QByteArray out(2 * size + 16, Qt::Uninitialized);
    qsizetype at = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = src[i].unicode();
        char byte = 0;
        if (u == u'\n') {
            if (at == 0 || out[at - 1] != '\r')
                out[at++] = '\r';
            out[at++] = '\n';
        } else if (u < 0x80) {
            out[at++] = char(u);
        } else if (ansi::encode(u, byte)) {
            out[at++] = byte;
        } else {
            char32_t code = u;
            if (QChar::isHighSurrogate(u) && i + 1 < size && src[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(u, src[++i].unicode());
            const QByteArray reference = "&#" + QByteArray::number(quint32(code)) + ';';
            out.resize(out.size() + reference.size());
            std::memcpy(out.data() + at, reference.constData(), size_t(reference.size()));
            at += reference.size();
        }
    }
    out.truncate(at);
    return out;
}

[[noreturn]] void failed(const QString& file, const QString& what, const QString& reason) {
    throw fileio::FileWriteError(file, what + QStringLiteral(": ") + reason);
}

} // namespace

QString TopicBody(const QStringList& texts, const rtf::HtmlLinks& links, rtf::LineEnds lineEnds) {
    QString body;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            body += QStringLiteral("<hr>\n");
        body += rtf::HelpTextToHtml(texts[i], links, lineEnds);
        if (!body.endsWith(u'\n'))
            body += u'\n';
    }
    return body;
}

QByteArray TopicPage(const QString& title, const QString& heading, const QStringList& texts,
                     const rtf::HtmlLinks& links, rtf::LineEnds lineEnds) {
    const QString body = TopicBody(texts, links, lineEnds);
    const bool popups = body.contains(QLatin1String("<div class=\"popup\""));
    QString html = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
        "<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n");
    html += QStringLiteral("<title>") + titleText(title) + QStringLiteral("</title>\n");
    // Paragraphs without gaps of their own, as in the help file: the spacing
    // is the text's.
    // A topic's own text (and its heading) is in the project's text face, as
    // in the help file; a face a style sheet cannot quote keeps Arial.
    QString face = links.fontFace ? links.fontFace(HelpFonts::kTextFont) : QString();
    if (face.contains(u'\'') || face.contains(u'"') || face.contains(u'<') || face.contains(u'>'))
        face.clear();
    html += QStringLiteral("<style type=\"text/css\">body { font-family: ") +
            (face.isEmpty() ? QString() : u'\'' + face + QStringLiteral("', ")) +
            QStringLiteral("Arial, sans-serif; "
                           "font-size: 10pt; } h1 { font-size: 12pt; } p { margin-top: 0; "
                           "margin-bottom: 0; }\n") +
            rtf::PopupStyle() + QStringLiteral("</style>\n");
    if (popups)
        html += QStringLiteral("<script type=\"text/javascript\">\n") + rtf::PopupScript() +
                QStringLiteral("</script>\n");
    html += QStringLiteral("</head>\n<body>\n");
    if (!heading.isEmpty())
        html += QStringLiteral("<h1>") + escaped(heading) + QStringLiteral("</h1>\n");
    html += body;
    html += QStringLiteral("</body>\n</html>\n");
    return pageBytes(html);
}

QString TopicHeading(const QString& title, const QString& header) {
    return header.isEmpty() ? title : header;
}

PageFolder::PageFolder(const QString& dir) : m_dir(dir) {
    if (!QDir().mkpath(dir))
        throw fileio::FileWriteError(dir, QStringLiteral("the folder could not be made"));
}

void PageFolder::write(const QString& name, const QByteArray& bytes) {
    const QString target = m_dir + u'/' + name;
    const QFileInfo info(target);
    if (info.exists()) {
        if (info.size() == bytes.size()) {
            QFile existing(target);
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
                return;
        }
        fileio::SaveFile page(target);
        page.write(bytes);
        page.commit(m_sync); // the folder is synced once, in commit()
        ++m_written;
        return;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        failed(target, QStringLiteral("could not be created"), file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove(); // a new page: nothing of an old one is lost
        failed(target, QStringLiteral("could not be written"), reason);
    }
    file.close();
    m_sync.addWrittenFile(target);
    ++m_written;
}

void PageFolder::commit() {
    // Each page is synced itself, several at a time, then the folder once.
    const std::vector<fileio::FileWriteError> errors = m_sync.sync();
    if (errors.empty())
        return;
    if (errors.size() == 1)
        throw errors.front();
    failed(m_dir, QStringLiteral("%1 pages could not be saved").arg(errors.size()),
           errors.front().message());
}
