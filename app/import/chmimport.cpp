#include "chmimport.h"

#include "chm/chmfile.h"
#include "codepage/ansi.h"
#include "codepage/codepages.h"
#include "import/htmltext.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QUrl>

namespace import {

namespace {

// A path inside the file as a key: no leading "/", "\" as "/", lower case.
QString pathKey(QString path) {
    path.replace(u'\\', u'/');
    path = QDir::cleanPath(path);
    while (path.startsWith(u'/'))
        path.remove(0, 1);
    return path.toLower();
}

bool isPage(const QString& path) {
    return path.endsWith(u".htm", Qt::CaseInsensitive) ||
           path.endsWith(u".html", Qt::CaseInsensitive);
}

// A page's or sitemap's text in the code page it declares (Windows-1252
// when it declares none).
QString decodePage(const QByteArray& bytes) {
    const QByteArray charset = DeclaredCharset(bytes).toLower();
    if (charset == "utf-8" || charset == "utf8" || bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes);
    const int codePage = codepage::ForCharsetName(charset);
    return codepage::ToUnicode(codePage ? codePage : 1252, bytes);
}

// A sitemap's "Local" as a key: "file.chm::/page.htm" and anchors aside.
QString localKey(QString local) {
    if (const qsizetype colons = local.indexOf(QStringLiteral("::")); colons >= 0)
        local = local.mid(colons + 2);
    if (const qsizetype hash = local.indexOf(u'#'); hash >= 0)
        local.truncate(hash);
    return pathKey(local);
}

} // namespace

QString TopicIdOfPage(const QString& pagePath) {
    QString name = pagePath.section(u'/', -1).section(u'\\', -1);
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0)
        name.truncate(dot);
    QString id;
    for (qsizetype i = 0; i < name.size(); ++i) {
        bool ok = false;
        if (name[i] == u'~' && i + 4 < name.size()) {
            const uint code = name.mid(i + 1, 4).toUInt(&ok, 16);
            if (ok) {
                id += QChar(char16_t(code));
                i += 4;
                continue;
            }
        }
        id += name[i];
    }
    return id;
}

bool ReadChmTopics(const QString& path, const QString& file,
                   const QHash<int, QString>& namesByNumber, ChmTopics& out, QString& error) {
    const chm::ChmFile chm(path);
    if (!chm.isOpen()) {
        error = QStringLiteral("%1 cannot be imported: it is no compiled HTML Help file that can "
                               "be read.")
                    .arg(file);
        return false;
    }
    const QStringList files = chm.files();
    const std::optional<std::vector<chm::ContextId>> contextIds = chm.contextIds();
    // A page a named map number leads to takes that name.
    QHash<QString, QString> namedPages; // by path key
    if (contextIds)
        for (const chm::ContextId& c : *contextIds)
            if (const QString name = namesByNumber.value(int(c.number)); !name.isEmpty())
                namedPages.insert(localKey(c.target), name);
    QHash<QString, QString> idOfPage; // by path key
    QSet<QString> ids;                // lower case
    QStringList pages;
    for (const QString& f : files) {
        if (isPage(f)) {
            pages << f;
            QString id = namedPages.value(pathKey(f));
            if (id.isEmpty() || ids.contains(id.toLower()))
                id = TopicIdOfPage(f);
            else
                ++out.namedByMap;
            for (QChar& c : id)
                if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_' && c != u'.')
                    c = u'_';
            if (id.isEmpty())
                id = QStringLiteral("PAGE");
            const QString base = id;
            for (int n = 2; ids.contains(id.toLower()); ++n)
                id = base + u'_' + QString::number(n);
            ids.insert(id.toLower());
            idOfPage.insert(pathKey(f), id);
        } else if (out.contentsFile.isEmpty() && f.endsWith(u".hhc", Qt::CaseInsensitive)) {
            out.contentsFile = f;
        } else if (out.indexFile.isEmpty() && f.endsWith(u".hhk", Qt::CaseInsensitive)) {
            out.indexFile = f;
        }
    }
    QHash<QString, std::size_t> topicOfId;
    for (const QString& page : pages) {
        const std::optional<QByteArray> bytes = chm.read(page);
        const QString where = QStringLiteral("%1, page %2: ").arg(file, page);
        if (!bytes) {
            out.notKept << where + QStringLiteral("it could not be read; it was left out.");
            continue;
        }
        const QString folder = pathKey(page).section(u'/', 0, -2);
        const auto linkTarget = [&](const QString& href) -> QString {
            QString h = QUrl::fromPercentEncoding(href.toUtf8());
            if (const qsizetype colons = h.indexOf(QStringLiteral("::")); colons >= 0)
                h = h.mid(colons + 2);
            else if (h.contains(u':'))
                return {}; // another scheme: out of the help file
            if (const qsizetype hash = h.indexOf(u'#'); hash >= 0)
                h.truncate(hash);
            const QString key = h.startsWith(u'/') ? pathKey(h) : pathKey(folder + u'/' + h);
            return idOfPage.value(key);
        };
        HtmlPage read = ReadHtmlPage(decodePage(*bytes), linkTarget);
        RtfTopic t;
        t.id = idOfPage.value(pathKey(page));
        t.title = read.title;
        t.header = read.heading;
        t.text = read.text;
        t.line = int(out.topics.size()) + 1;
        if (!read.notKept.isEmpty())
            out.notKept << where + read.notKept.join(QStringLiteral("; ")) + u'.';
        topicOfId.insert(t.id, out.topics.size());
        out.topics.push_back(std::move(t));
    }
    if (contextIds) {
        for (const chm::ContextId& c : *contextIds) {
            const QString id = idOfPage.value(localKey(c.target));
            if (id.isEmpty())
                out.notKept << QStringLiteral("%1: the context ID %2 leads to %3, which is no "
                                              "page of the file; it was left out.")
                                   .arg(file)
                                   .arg(c.number)
                                   .arg(c.target);
            else
                out.map.push_back({id, int(c.number), file, 0});
        }
    } else {
        out.notKept << QStringLiteral("%1: its context IDs could not be read; no map numbers "
                                      "were imported.")
                           .arg(file);
    }
    if (!out.indexFile.isEmpty()) {
        const std::vector<SitemapEntry> index =
            ReadSitemap(decodePage(chm.read(out.indexFile).value_or(QByteArray())));
        std::vector<QStringList> words(out.topics.size());
        for (const SitemapEntry& e : index) {
            bool led = false;
            for (const QString& local : e.locals) {
                const auto t = topicOfId.constFind(idOfPage.value(localKey(local)));
                if (t == topicOfId.constEnd())
                    continue;
                led = true;
                if (!words[*t].contains(e.name))
                    words[*t] << e.name;
            }
            out.keywords += led ? 1 : 0;
        }
        for (std::size_t i = 0; i < words.size(); ++i)
            out.topics[i].keywords = words[i].join(u';');
    }
    if (!out.contentsFile.isEmpty()) {
        const std::vector<SitemapEntry> entries =
            ReadSitemap(decodePage(chm.read(out.contentsFile).value_or(QByteArray())));
        int line = 0;
        for (const SitemapEntry& e : entries) {
            ++line;
            CntEntry c;
            c.level = e.level;
            c.title = e.name;
            c.line = line;
            // An entry with entries below it is a heading, as a project has them.
            c.heading = e.locals.isEmpty() || e.hasChildren;
            if (e.hasChildren && !e.locals.isEmpty())
                out.notKept << QStringLiteral("%1, %2, entry %3: \"%4\" has entries below it, so "
                                              "it is a heading in the project; its page %5 is not "
                                              "opened from the contents.")
                                   .arg(file, out.contentsFile)
                                   .arg(line)
                                   .arg(e.name, e.locals.front());
            if (!c.heading) {
                c.topicId = idOfPage.value(localKey(e.locals.front()));
                if (c.topicId.isEmpty()) {
                    out.notKept << QStringLiteral("%1, %2, entry %3: \"%4\" leads to %5, which is "
                                                  "no page of the file; it was left out.")
                                       .arg(file, out.contentsFile)
                                       .arg(line)
                                       .arg(e.name, e.locals.front());
                    continue;
                }
            }
            out.contents.push_back(c);
        }
    }
    return true;
}

} // namespace import
