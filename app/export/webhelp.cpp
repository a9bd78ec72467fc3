#include "webhelp.h"

#include "dao.h"
#include "fileio/findpath.h"
#include "fileio/savefile.h"
#include "generation/htmlhelp.h"
#include "generation/htmlpages.h"
#include "workspace/textrules.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <map>

namespace webhelp {

namespace {

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

const char* const kStyle =
    R"(body { margin: 0; font-family: Arial, Helvetica, sans-serif; font-size: 11pt; color: #202020; }
header.qm-bar { display: flex; flex-wrap: wrap; align-items: center; gap: 0.5em 1.5em; padding: 0.5em 1em; background: #2b4f81; color: #fff; }
header.qm-bar a { color: #fff; text-decoration: none; }
header.qm-bar a.qm-home { font-weight: bold; font-size: 13pt; }
header.qm-bar nav a { margin-right: 1em; }
header.qm-bar form { margin: 0; }
header.qm-bar input { font-size: 10pt; padding: 2px 4px; }
main { padding: 0.5em 1.5em 2em; max-width: 60em; }
main p { margin-top: 0; margin-bottom: 0; }
h1 { font-size: 15pt; color: #2b4f81; }
nav.qm-browse { padding: 0.4em 1.5em; background: #eef2f8; border-bottom: 1px solid #d0d8e4; font-size: 10pt; }
nav.qm-browse a { margin-right: 1.5em; }
ul.qm-contents, ul.qm-contents ul { list-style: none; padding-left: 1.2em; }
ul.qm-contents { padding-left: 0; }
ul.qm-contents li { margin: 0.15em 0; }
span.qm-heading { font-weight: bold; }
ul.qm-index { list-style: none; padding-left: 0; }
ul.qm-index ul { list-style: none; padding-left: 1.5em; }
#qm-results:empty { display: none; }
#qm-results li { margin: 0.2em 0; }
)";

// The script of index.html: the topic a map number (?id=) or topic ID (#ID)
// names opens in its place; ?q= runs the search on the index of search.js.
const char* const kScript = R"((function () {
  function param(name) {
    var m = new RegExp('[?&]' + name + '=([^&#]*)').exec(location.search);
    return m ? decodeURIComponent(m[1].replace(/\+/g, ' ')) : null;
  }
  function words(text) {
    return text.toLowerCase().split(/[^\p{L}\p{N}]+/u).filter(function (w) { return w.length > 1; });
  }
  function open(page) {
    if (!page) return false;
    location.replace(page);
    return true;
  }
  function byHash() {
    var id = decodeURIComponent(location.hash.replace(/^#/, '')).toLowerCase();
    return id && open(qmData.ids[id]);
  }
  function search(query) {
    var index = window.qmSearchIndex, terms = words(query), found = null;
    if (!index || !terms.length) return [];
    terms.forEach(function (term) {
      var pages = {};
      for (var word in index.words) {
        if (word.lastIndexOf(term, 0) === 0)
          index.words[word].forEach(function (p) { pages[p] = true; });
      }
      if (found === null) { found = pages; return; }
      for (var p in found) if (!pages[p]) delete found[p];
    });
    var list = Object.keys(found || {}).map(Number);
    function inTitle(p) {
      var title = index.pages[p][0].toLowerCase();
      return terms.every(function (t) { return title.indexOf(t) >= 0; }) ? 0 : 1;
    }
    list.sort(function (a, b) { return inTitle(a) - inTitle(b) || a - b; });
    return list;
  }
  function show(query) {
    var box = document.getElementById('qm-results');
    var input = document.getElementById('qm-query');
    if (input) input.value = query;
    var list = search(query), index = window.qmSearchIndex;
    var html = '<h2>' + list.length + (list.length == 1 ? ' topic' : ' topics') + ' found for \u201c' +
        query.replace(/&/g, '&amp;').replace(/</g, '&lt;') + '\u201d</h2><ol>';
    list.forEach(function (p) {
      var a = document.createElement('a');
      a.href = index.pages[p][1];
      a.textContent = index.pages[p][0];
      html += '<li>' + a.outerHTML + '</li>';
    });
    box.innerHTML = html + '</ol>';
  }
  window.qmSearch = search;
  var id = param('id');
  if (id !== null && open(qmData.map[String(parseInt(id, 10))])) return;
  if (location.hash && byHash()) return;
  window.addEventListener('hashchange', byHash);
  document.addEventListener('DOMContentLoaded', function () {
    var q = param('q');
    if (q) show(q);
  });
})();
)";

QString searchForm() {
    return QStringLiteral(
        "<form action=\"index.html\" method=\"get\" role=\"search\"><input type=\"search\" "
        "id=\"qm-query\" name=\"q\" placeholder=\"Search\" aria-label=\"Search\"></form>");
}

QString pageStart(const helpbook::Book& book, const QString& title, const QString& head) {
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
                                  "charset=\"utf-8\">\n<meta name=\"viewport\" "
                                  "content=\"width=device-width, initial-scale=1\">\n");
    html += u"<title>" + escaped(title == book.title ? title : title + u" - " + book.title) +
            u"</title>\n";
    html += QStringLiteral("<link rel=\"stylesheet\" href=\"style.css\">\n") + head +
            QStringLiteral("</head>\n<body>\n<header class=\"qm-bar\"><a class=\"qm-home\" "
                           "href=\"index.html\">") +
            escaped(book.title) +
            QStringLiteral("</a><nav><a href=\"index.html\">Contents</a><a "
                           "href=\"keywords.html\">Index</a></nav>") +
            searchForm() + QStringLiteral("</header>\n");
    return html;
}

QString link(const QString& page, const QString& text) {
    return u"<a href=\"" + escaped(page) + u"\">" + escaped(text) + u"</a>";
}

QString topicPage(const helpbook::Book& book, const helpbook::Topic& t, const QString& body) {
    QString head;
    if (body.contains(QLatin1String("<div class=\"popup\"")))
        head = u"<script>\n" + rtf::PopupScript() + u"</script>\n";
    QString html = pageStart(book, t.title, head);
    if (t.previous >= 0 || t.next >= 0) {
        html += QStringLiteral("<nav class=\"qm-browse\">");
        if (t.previous >= 0)
            html += u"<a rel=\"prev\" href=\"" +
                    escaped(book.topics[std::size_t(t.previous)].page) + u"\">&laquo; Previous</a>";
        if (t.next >= 0)
            html += u"<a rel=\"next\" href=\"" + escaped(book.topics[std::size_t(t.next)].page) +
                    u"\">Next &raquo;</a>";
        html += QStringLiteral("</nav>\n");
    }
    html += QStringLiteral("<main>\n");
    if (!t.whatsThis)
        html += u"<h1>" + escaped(t.heading) + u"</h1>\n";
    html += body + QStringLiteral("</main>\n</body>\n</html>\n");
    return html;
}

QString indexPage(const helpbook::Book& book) {
    QString html = pageStart(book, book.title,
                             QStringLiteral("<script src=\"data.js\"></script>\n<script "
                                            "src=\"search.js\"></script>\n<script "
                                            "src=\"help.js\"></script>\n"));
    html += QStringLiteral("<main>\n<div id=\"qm-results\"></div>\n<noscript><p>The search "
                           "needs JavaScript; the contents and the <a "
                           "href=\"keywords.html\">index</a> work without it.</p></noscript>\n");
    html += u"<h1>" + escaped(book.title) + u"</h1>\n<ul class=\"qm-contents\">\n";
    std::vector<bool> listed(book.topics.size(), false);
    int depth = 1;
    bool open = false; // an <li> waits for its end or its children
    for (const helpbook::ContentsEntry& e : book.contents) {
        if (e.depth > depth) {
            html += QStringLiteral("\n<ul>\n");
            depth = e.depth;
            open = false;
        }
        if (open)
            html += QStringLiteral("</li>\n");
        while (depth > e.depth) {
            html += QStringLiteral("</ul></li>\n");
            --depth;
        }
        html += QStringLiteral("<li>");
        if (e.topic >= 0) {
            html += link(book.topics[std::size_t(e.topic)].page, e.title);
            listed[std::size_t(e.topic)] = true;
        } else {
            html += u"<span class=\"qm-heading\">" + escaped(e.title) + u"</span>";
        }
        open = true;
    }
    if (open)
        html += QStringLiteral("</li>\n");
    for (; depth > 1; --depth)
        html += QStringLiteral("</ul></li>\n");
    html += QStringLiteral("</ul>\n");
    QString others;
    for (int t : book.order)
        if (!listed[std::size_t(t)])
            others += u"<li>" +
                      link(book.topics[std::size_t(t)].page, book.topics[std::size_t(t)].title) +
                      u"</li>\n";
    if (!others.isEmpty())
        html += (book.contents.empty() ? QString() : QStringLiteral("<h2>Other topics</h2>\n")) +
                u"<ul class=\"qm-contents\">\n" + others + u"</ul>\n";
    html += QStringLiteral("<p><a href=\"keywords.html\">Index of keywords</a></p>\n</main>\n"
                           "</body>\n</html>\n");
    return html;
}

QString keywordsPage(const helpbook::Book& book) {
    QString html = pageStart(book, QStringLiteral("Index"), QString());
    html += QStringLiteral("<main>\n<h1>Index</h1>\n<ul class=\"qm-index\">\n");
    for (const helpbook::Keyword& k : book.keywords) {
        if (k.topics.size() == 1) {
            html += u"<li>" + link(book.topics[std::size_t(k.topics.front())].page, k.text) +
                    u"</li>\n";
            continue;
        }
        // A keyword of several topics lists them under it.
        html += u"<li>" + escaped(k.text) + u"\n<ul>\n";
        for (int t : k.topics)
            html += u"<li>" +
                    link(book.topics[std::size_t(t)].page, book.topics[std::size_t(t)].title) +
                    u"</li>\n";
        html += QStringLiteral("</ul></li>\n");
    }
    html += QStringLiteral("</ul>\n</main>\n</body>\n</html>\n");
    return html;
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// data.js: the title, map numbers and topic IDs (lower case) to pages.
QByteArray dataScript(const helpbook::Book& book) {
    QJsonObject map, ids;
    for (const helpbook::Topic& t : book.topics) {
        ids.insert(textrules::TopicIdKey(t.id), t.page);
        if (t.map > 0 && !map.contains(QString::number(t.map)))
            map.insert(QString::number(t.map), t.page);
    }
    QJsonObject data;
    data.insert(QStringLiteral("title"), book.title);
    data.insert(QStringLiteral("map"), map);
    data.insert(QStringLiteral("ids"), ids);
    return "var qmData = " + json(data) + ";\n";
}

// search.js: the pages (title, file) in book order and, per word, the pages
// holding it.
QByteArray searchScript(const helpbook::Book& book) {
    QJsonArray pages;
    std::map<QString, std::vector<int>> words;
    int n = 0;
    for (int t : book.order) {
        const helpbook::Topic& topic = book.topics[std::size_t(t)];
        pages.append(QJsonArray{topic.title, topic.page});
        for (const QString& word : SearchWords(topic.title + u' ' + helpbook::TopicWords(topic))) {
            std::vector<int>& list = words[word];
            if (list.empty() || list.back() != n)
                list.push_back(n);
        }
        ++n;
    }
    QJsonObject index;
    for (const auto& [word, list] : words) {
        QJsonArray a;
        for (int p : list)
            a.append(p);
        index.insert(word, a);
    }
    QJsonObject search;
    search.insert(QStringLiteral("pages"), pages);
    search.insert(QStringLiteral("words"), index);
    return "var qmSearchIndex = " + json(search) + ";\n";
}

} // namespace

QStringList SearchWords(const QString& text) {
    QStringList out;
    QSet<QString> seen;
    QString word;
    const auto flush = [&] {
        if (word.size() > 1 && !seen.contains(word)) {
            seen.insert(word);
            out << word;
        }
        word.clear();
    };
    for (QChar c : text) {
        if (c.isLetterOrNumber())
            word += c.toLower();
        else
            flush();
    }
    flush();
    return out;
}

Site BuildSite(const helpbook::Book& book,
               const std::function<QString(const QString& name)>& picture,
               const std::function<QString(const rtf::EmbeddedPicture& picture)>& embedded) {
    Site site;
    rtf::HtmlLinks popupLinks;
    popupLinks.page = [&book](const QString& id) {
        const int t = book.find(id);
        return t >= 0 ? book.topics[std::size_t(t)].page : QString();
    };
    popupLinks.picture = picture;
    popupLinks.embedded = embedded;
    QHash<int, QString> popupHtml;
    rtf::HtmlLinks links = popupLinks;
    links.popup = [&](const QString& id) {
        const int t = book.find(id);
        if (t < 0)
            return QString();
        if (const auto it = popupHtml.constFind(t); it != popupHtml.constEnd())
            return *it;
        const QString html = helpbook::TopicBody(book.topics[std::size_t(t)], popupLinks);
        popupHtml.insert(t, html);
        return html;
    };
    QStringList lost;
    links.lost = &lost;
    for (int t : book.order) {
        const helpbook::Topic& topic = book.topics[std::size_t(t)];
        const QString body = helpbook::TopicBody(topic, links);
        site.files.push_back({topic.page, topicPage(book, topic, body).toUtf8()});
        if (!lost.isEmpty())
            site.warnings << (topic.whatsThis ? u"The What's This topic " : u"Topic ") + topic.id +
                                 QStringLiteral(": the web help cannot show its ") +
                                 lost.join(QStringLiteral(", ")) + u'.';
        lost.clear();
    }
    site.files.push_back({QStringLiteral("index.html"), indexPage(book).toUtf8()});
    site.files.push_back({QStringLiteral("keywords.html"), keywordsPage(book).toUtf8()});
    // The help texts' own style (tabs, tables, pop-ups) with the site's.
    site.files.push_back({QStringLiteral("style.css"), kStyle + rtf::PopupStyle().toUtf8()});
    site.files.push_back({QStringLiteral("help.js"), QByteArray(kScript)});
    site.files.push_back({QStringLiteral("data.js"), dataScript(book)});
    site.files.push_back({QStringLiteral("search.js"), searchScript(book)});
    return site;
}

Result ExportWebHelp(dao::Database& db, const QString& projectPath, const QString& folder) {
    const helpbook::Book book = helpbook::ReadBook(db, helpbook::BookTitle(db, projectPath));
    const QString pictureFolder = helpbook::PictureFolder(db, projectPath);
    PageFolder pages(folder);
    fileio::RemoveStaleWorkFiles(folder);
    PagePictures pictures(pictureFolder, pages);
    const auto picture = [&](const QString& name) { return pictures.address(name); };
    const Site site = BuildSite(book, picture,
                                [&](const rtf::EmbeddedPicture& e) { return pictures.address(e); });
    for (const auto& [name, bytes] : site.files)
        pages.write(name, bytes);
    pages.commit();
    QStringList names;
    for (const auto& file : site.files)
        names << file.first;
    names += pictures.files;
    const int removed = RemoveStalePages(folder, names);
    return {folder, pages.written(), removed, site.warnings};
}

int RemoveStalePages(const QString& folder, QStringList names) {
    const QString listPath = folder + QStringLiteral("/.quillmate-web");
    QStringList stale;
    QFile list(listPath);
    if (list.open(QIODevice::ReadOnly)) {
        const QSet<QString> now(names.cbegin(), names.cend());
        for (const QByteArray& line : list.readAll().split('\n')) {
            const QString name = QString::fromUtf8(line);
            // Only plain names this export wrote into the folder itself.
            if (!name.isEmpty() && !name.contains(u'/') && !name.startsWith(u'.') &&
                !now.contains(name))
                stale << name;
        }
        list.close();
    }
    names.sort();
    const auto save = [&](const QStringList& listed) {
        fileio::SaveBytes(listPath, QByteArray(listed.join(u'\n').toUtf8() + '\n'));
    };
    // The list names the stale pages until they are gone, so that a run
    // stopped half-way removes them the next time.
    if (!stale.isEmpty())
        save(names + stale);
    int removed = 0;
    for (const QString& name : std::as_const(stale))
        removed += QFile::remove(folder + u'/' + name) ? 1 : 0;
    QFile current(listPath);
    const QByteArray wanted = QByteArray(names.join(u'\n').toUtf8() + '\n');
    if (!stale.isEmpty() || !current.open(QIODevice::ReadOnly) || current.readAll() != wanted)
        save(names);
    return removed;
}

} // namespace webhelp
