#include "htmlpages.h"

#include "generation/textoutput.h"
#include "shell/ansi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// The HTML of one help text.
QString helpTextHtml(const QString& text, const std::function<QString(const QString&)>&,
                     TextLineEnds lineEnds) {
    if (lineEnds == TextLineEnds::AsSpace) {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String(" "));
        return QStringLiteral("<p>") + escaped(t) + QStringLiteral("</p>");
    }
    QString html;
    for (const QString& paragraph : text.split(QLatin1String("\r\n")))
        html += QStringLiteral("<p>") + escaped(paragraph) + QStringLiteral("</p>\r\n");
    return html;
}

bool inWindows1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return true;
    return ansi::fromUnicode(QString(QChar(u))).at(0) != '?';
}

// Windows-1252 bytes; a character the code page lacks becomes "&#N;" and a
// line end CR LF.
QByteArray pageBytes(const QString& html) {
    QByteArray out;
    out.reserve(html.size() + html.size() / 8);
    for (qsizetype i = 0; i < html.size(); ++i) {
        const char16_t u = html.at(i).unicode();
        if (u == u'\n') {
            if (!out.endsWith('\r'))
                out += '\r';
            out += '\n';
        } else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
        } else if (inWindows1252(u)) {
            out += ansi::fromUnicode(QString(QChar(u)));
        } else {
            char32_t code = u;
            if (QChar::isHighSurrogate(u) && i + 1 < html.size() &&
                html.at(i + 1).isLowSurrogate())
                code = QChar::surrogateToUcs4(u, html.at(++i).unicode());
            out += "&#" + QByteArray::number(quint32(code)) + ';';
        }
    }
    return out;
}

[[noreturn]] void failed(const QString& file, const QString& what, const QString& reason) {
    throw GenerationError(file, what + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QByteArray TopicPage(const QString& title, const QString& heading, const QStringList& texts,
                     const std::function<QString(const QString&)>& linkTarget,
                     TextLineEnds lineEnds) {
    QString html = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
        "<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n");
    html += QStringLiteral("<title>") + escaped(title) + QStringLiteral("</title>\n");
    html += QStringLiteral("<style type=\"text/css\">body { font-family: Arial, sans-serif; "
                           "font-size: 10pt; } h1 { font-size: 12pt; }</style>\n"
                           "</head>\n<body>\n");
    if (!heading.isEmpty())
        html += QStringLiteral("<h1>") + escaped(heading) + QStringLiteral("</h1>\n");
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            html += QStringLiteral("<hr>\n");
        html += helpTextHtml(texts[i], linkTarget, lineEnds);
        if (!html.endsWith(u'\n'))
            html += u'\n';
    }
    html += QStringLiteral("</body>\n</html>\n");
    return pageBytes(html);
}

PageFolder::PageFolder(const QString& dir) : m_dir(dir) {
    if (!QDir().mkpath(dir))
        throw GenerationError(dir, QStringLiteral("the folder could not be made"));
}

PageFolder::~PageFolder() {
    if (!m_committed)
        for (const Pending& p : m_pending)
            QFile::remove(p.work);
}

void PageFolder::write(const QString& name, const QByteArray& bytes) {
    const QString target = m_dir + u'/' + name;
    const QFileInfo info(target);
    QString path = target;
    if (info.exists()) {
        if (info.size() == bytes.size()) {
            QFile existing(target);
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
                return;
        }
        // A page that changes is written beside itself first.
        path = m_dir + QStringLiteral("/.qmt-") + name + QStringLiteral(".part");
        m_pending.push_back({path, target});
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failed(path, QStringLiteral("the file could not be created"), file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove(); // a new page or a work file: nothing of the old page is lost
        failed(path, QStringLiteral("writing the file failed"), reason);
    }
    file.close();
}

void PageFolder::commit() {
    const QByteArray dir = QFile::encodeName(m_dir);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        failed(m_dir, QStringLiteral("the folder could not be opened"), systemError());
    // One sync for every page written, before any old page is replaced.
    if (::syncfs(fd) != 0) {
        const QString reason = systemError();
        ::close(fd);
        failed(m_dir, QStringLiteral("the pages could not be saved"), reason);
    }
    for (const Pending& p : m_pending) {
        if (std::rename(QFile::encodeName(p.work).constData(),
                        QFile::encodeName(p.target).constData()) != 0) {
            const QString reason = systemError();
            ::close(fd);
            failed(p.target, QStringLiteral("the page could not be replaced"), reason);
        }
    }
    ::fsync(fd);
    ::close(fd);
    m_committed = true;
    m_pending.clear();
}
