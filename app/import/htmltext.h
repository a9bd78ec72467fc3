// HTML as compiled help files hold it, read tolerantly: a small tag reader
// (tags, attributes, text, character references; comments, scripts and
// styles passed over; nothing is required to be closed), the topic page it
// gives (title, heading, the body in the help text's codes) and the sitemap
// files of contents and index (nested lists of entries with a name and the
// pages they lead to).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

namespace import {

struct HtmlTag {
    QString name; // lower case
    bool closing = false;
    QHash<QString, QString> attributes; // names in lower case, values decoded
};

// Calls `text` for each run of text (character references decoded, white
// space as it stands) and `tag` for each tag, in their order.
void ReadHtml(QStringView html, const std::function<void(const QString&)>& text,
              const std::function<void(const HtmlTag&)>& tag);

// The text with its character references (&amp; &#233; &#xE9; ...) decoded.
QString DecodeHtmlEntities(QStringView text);

// The code page a page declares (<meta ... charset=...>): "UTF-8",
// "windows-1251" ...; empty when it declares none.
QByteArray DeclaredCharset(QByteArrayView page);

struct HtmlPage {
    QString title;       // <title>
    QString heading;     // the first <h1> before any text, as codes
    QString text;        // the rest, as codes, CR LF between paragraphs
    QStringList notKept; // what the codes cannot carry, one phrase each
};

// A page into codes. `linkTarget` gives the topic ID a link's href leads to,
// or nothing for a link out of the help file (its text is kept, the link not).
HtmlPage ReadHtmlPage(QStringView html, const std::function<QString(const QString&)>& linkTarget);

struct SitemapEntry {
    int level = 1; // 1 for the top
    QString name;
    QStringList locals; // the pages it leads to, as written
    bool hasChildren = false;
};

// The entries of a contents (.hhc) or index (.hhk) file in their order.
std::vector<SitemapEntry> ReadSitemap(QStringView html);

} // namespace import
