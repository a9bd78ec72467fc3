#include "htmlhelp.h"

#include "codepage/ansi.h"
#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "fileio/findpath.h"
#include "fileio/savefile.h"
#include "fileio/textoutput.h"
#include "generation/generalhelp.h"
#include "generation/helpfonts.h"
#include "generation/helpwindow.h"
#include "generation/htmlpages.h"
#include "resources/stringtable.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

#include <QCollator>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <stdexcept>
#include <vector>

using fileio::AnsiLineFile;
using fileio::FileWriteError;

namespace {

const QString kActive = QStringLiteral("A");

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A name that C's #define and VB's Const both take.
bool isProgramName(const QString& name) {
    if (name.isEmpty() || !isAsciiLetter(name.front()))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return isAsciiLetter(c) || isAsciiDigit(c) || c == u'_'; });
}

// Words Visual Basic keeps for itself: a constant of such a name does not
// compile, in the module written beside the help project or in the program.
bool isVbKeyword(const QString& name) {
    static const QSet<QString> keywords = [] {
        QSet<QString> set;
        for (const char* word :
             {"and",        "as",       "boolean", "byref",      "byte",     "byval",
              "call",       "case",     "close",   "const",      "currency", "date",
              "declare",    "dim",      "do",      "double",     "each",     "else",
              "elseif",     "end",      "enum",    "eqv",        "erase",    "error",
              "event",      "exit",     "false",   "for",        "friend",   "function",
              "get",        "global",   "gosub",   "goto",       "if",       "imp",
              "implements", "in",       "input",   "integer",    "is",       "let",
              "lib",        "like",     "line",    "load",       "lock",     "long",
              "loop",       "lset",     "me",      "mod",        "name",     "new",
              "next",       "not",      "nothing", "object",     "on",       "open",
              "option",     "optional", "or",      "paramarray", "print",    "private",
              "property",   "public",   "put",     "raiseevent", "redim",    "rem",
              "resume",     "return",   "rset",    "seek",       "select",   "set",
              "single",     "static",   "step",    "stop",       "string",   "sub",
              "then",       "to",       "true",    "type",       "typeof",   "unload",
              "until",      "variant",  "wend",    "while",      "with",     "withevents",
              "write",      "xor"})
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return keywords.contains(name.toLower());
}

// Characters other than letters, digits and "_" become "_" (for names that
// need no more than to be safe).
QString safeName(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'_')
            c = u'_';
    return out;
}

struct Topic {
    QString id, title, header, keywords, text;
    int map = 0;
    QString page;
};

// The page of the What's This entries of one topic ID that no general topic has.
struct EntryPage {
    QString id;
    QStringList texts; // the entries' texts, each once, in the order read
    QString page;
};

struct Context {
    QString name;
    int number = 0;
    QString page;
    QString source; // for messages: which row gave it
};

struct Project {
    std::vector<Topic> topics;
    std::vector<EntryPage> entryPages;
    QHash<QString, QString> pageOf; // idKey -> page file name
    std::vector<Context> contexts;
    std::vector<contents::ContentsRow> contentsRows;
    // The What's This texts by map number, for the text pop-up file.
    std::vector<std::pair<int, QStringList>> popups;
    QString defaultPage;
    QStringList pictures; // copied into the pages' folder
    QStringList problems; // what the files cannot express: nothing is written
};

// The map number of a row, 0 for none; one that is no whole number from 0 to
// 32767 is left out and reported.
int mapNumber(const dao::Recordset& rs, const QString& owner, CreateReport& report) {
    const QVariant stored = rs.Field(QStringLiteral("MapNumber"));
    const auto number = textrules::StoredMapNumber(stored);
    if (!number) {
        report.fail(textrules::BadMapNumberMessage(owner, stored));
        return 0;
    }
    return *number;
}

const QString kGeneralSource = QStringLiteral("general topic");

QString entrySource(const QString& object) {
    return QStringLiteral("What's This entry %1").arg(object);
}

// Adds the context `name` = `number` unless the same pair is there already.
void addContext(Project& p, QHash<QString, qsizetype>& byName, QHash<int, qsizetype>& byNumber,
                Context context) {
    if (!isProgramName(context.name)) {
        p.problems << QStringLiteral("The topic ID \"%1\" (%2) has the map number %3, but a "
                                     "context ID needs a name of letters, digits and _ that "
                                     "begins with a letter.")
                          .arg(context.name, context.source, QString::number(context.number));
        return;
    }
    if (isVbKeyword(context.name)) {
        p.problems << QStringLiteral("The topic ID \"%1\" (%2) has the map number %3, but "
                                     "Visual Basic keeps the word %1 for itself: the constant "
                                     "of the VB module would not compile. Choose another topic "
                                     "ID.")
                          .arg(context.name, context.source, QString::number(context.number));
        return;
    }
    const QString key = textrules::TopicIdKey(context.name);
    if (const auto it = byName.constFind(key); it != byName.constEnd()) {
        const Context& known = p.contexts[*it];
        if (known.number != context.number)
            p.problems << QStringLiteral("The topic ID \"%1\" has two map numbers, %2 (%3) and "
                                         "%4 (%5); a context ID has one.")
                              .arg(context.name, QString::number(known.number), known.source,
                                   QString::number(context.number), context.source);
        return;
    }
    if (const auto it = byNumber.constFind(context.number); it != byNumber.constEnd()) {
        const Context& known = p.contexts[*it];
        p.problems << QStringLiteral("The map number %1 is given to two topic IDs, \"%2\" (%3) "
                                     "and \"%4\" (%5); a context ID opens one page.")
                          .arg(QString::number(context.number), known.name, known.source,
                               context.name, context.source);
        return;
    }
    byName.insert(key, qsizetype(p.contexts.size()));
    byNumber.insert(context.number, qsizetype(p.contexts.size()));
    p.contexts.push_back(std::move(context));
}

Project readProject(dao::Database& db, CreateReport& report) {
    Project p;
    struct EntryRow {
        QString object, id, text;
        int map = 0;
    };
    std::vector<EntryRow> entries;
    {
        auto rs = db.OpenRecordset(
            SelectWhere(QStringLiteral("TopicID, TopicTitle, TopicHeader, Keywords, HelpText, "
                                       "MapNumber"),
                        LoadResString(str::table::GeneralHelp), LoadResString(str::field::Status),
                        kActive),
            dao::dbOpenSnapshot);
        while (!rs->EOF_()) {
            Topic t;
            t.id = rs->Text(QStringLiteral("TopicID"));
            t.title = rs->Text(QStringLiteral("TopicTitle"));
            t.header = rs->Text(QStringLiteral("TopicHeader"));
            t.keywords = rs->Text(QStringLiteral("Keywords"));
            t.text = rs->Text(QStringLiteral("HelpText"));
            t.map = mapNumber(*rs, u"topic " + t.id, report);
            p.topics.push_back(std::move(t));
            rs->MoveNext();
        }
        rs = db.OpenRecordset(SelectWhere(QStringLiteral("Object, TopicID, HelpText, MapNumber"),
                                          LoadResString(str::table::WhatsThis),
                                          LoadResString(str::field::Status), kActive),
                              dao::dbOpenSnapshot);
        while (!rs->EOF_()) {
            const QString object = rs->Text(QStringLiteral("Object"));
            entries.push_back({object, rs->Text(QStringLiteral("TopicID")),
                               rs->Text(QStringLiteral("HelpText")),
                               mapNumber(*rs, u"the What's This entry " + object, report)});
            rs->MoveNext();
        }
        // Stored order is the contents order the editor saved.
        p.contentsRows = contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder);
    }

    // Pages: one per general topic, then one per topic ID that only What's
    // This entries name (entries naming a general topic open its page).
    for (Topic& t : p.topics) {
        t.page = HtmlHelpPageName(t.id);
        p.pageOf.insert(textrules::TopicIdKey(t.id), t.page);
    }
    QHash<QString, qsizetype> entryPageOf;
    for (const EntryRow& e : entries) {
        const QString key = textrules::TopicIdKey(e.id);
        if (const auto it = entryPageOf.constFind(key); it != entryPageOf.constEnd()) {
            QStringList& texts = p.entryPages[*it].texts;
            if (!texts.contains(e.text))
                texts << e.text;
        } else if (!p.pageOf.contains(key)) {
            const QString page = HtmlHelpPageName(e.id);
            entryPageOf.insert(key, qsizetype(p.entryPages.size()));
            p.entryPages.push_back({e.id, {e.text}, page});
            p.pageOf.insert(key, page);
        }
    }

    // Context IDs: general topics first, then What's This entries.
    QHash<QString, qsizetype> byName;
    QHash<int, qsizetype> byNumber;
    for (const Topic& t : p.topics)
        if (t.map > 0)
            addContext(p, byName, byNumber, {t.id, t.map, t.page, kGeneralSource});
    for (const EntryRow& e : entries)
        if (e.map > 0)
            addContext(
                p, byName, byNumber,
                {e.id, e.map, p.pageOf.value(textrules::TopicIdKey(e.id)), entrySource(e.object)});
    QHash<int, qsizetype> popupOf;
    for (const EntryRow& e : entries) {
        if (e.map <= 0)
            continue;
        if (const auto it = popupOf.constFind(e.map); it != popupOf.constEnd()) {
            QStringList& texts = p.popups[std::size_t(*it)].second;
            if (!texts.contains(e.text))
                texts << e.text;
        } else {
            popupOf.insert(e.map, qsizetype(p.popups.size()));
            p.popups.push_back({e.map, {e.text}});
        }
    }

    // The first topic of the contents opens the help file; without one, the
    // first page.
    for (const contents::ContentsRow& row : p.contentsRows) {
        if (row.type == QLatin1String("3"))
            continue;
        p.defaultPage = p.pageOf.value(textrules::TopicIdKey(ExtractTopicID(row.topicId)));
        if (!p.defaultPage.isEmpty())
            break;
    }
    if (p.defaultPage.isEmpty() && !p.topics.empty())
        p.defaultPage = p.topics.front().page;
    if (p.defaultPage.isEmpty() && !p.entryPages.empty())
        p.defaultPage = p.entryPages.front().page;
    return p;
}

// ---- Pages

QString topicLink(const Project& p, const QString& contextString) {
    return p.pageOf.value(textrules::TopicIdKey(contextString));
}

// A What's This page's title: the first words of its text, as the reader
// sees them, else its topic ID.
QString entryTitle(const EntryPage& e) {
    const QString words = e.texts.isEmpty()
                              ? QString()
                              : rtf::FirstWords(e.texts.front(), 60, rtf::LineEnds::Ignored);
    return words.isEmpty() ? e.id : words;
}

void writePages(Project& p, const HtmlHelpPaths& paths, const HelpFonts& fonts,
                CreateReport& report) {
    PageFolder folder(paths.pagesDir);
    PagePictures pictures(QFileInfo(paths.project).absolutePath(), folder);
    QHash<QString, qsizetype> topicOf, entryOf;
    for (std::size_t i = 0; i < p.topics.size(); ++i)
        topicOf.insert(textrules::TopicIdKey(p.topics[i].id), qsizetype(i));
    for (std::size_t i = 0; i < p.entryPages.size(); ++i)
        entryOf.insert(textrules::TopicIdKey(p.entryPages[i].id), qsizetype(i));

    rtf::HtmlLinks popupLinks;
    popupLinks.page = [&p](const QString& contextString) { return topicLink(p, contextString); };
    popupLinks.picture = [&](const QString& name) { return pictures.address(name); };
    popupLinks.embedded = [&](const rtf::EmbeddedPicture& e) { return pictures.address(e); };
    SetHtmlFonts(popupLinks, fonts);
    // A pop-up shows its topic's text (a What's This topic's texts) on the page.
    QHash<QString, QString> popupHtml;
    const auto popup = [&](const QString& contextString) {
        const QString key = textrules::TopicIdKey(contextString);
        if (const auto it = popupHtml.constFind(key); it != popupHtml.constEnd())
            return *it;
        QString html;
        if (const auto t = topicOf.constFind(key); t != topicOf.constEnd()) {
            const Topic& topic = p.topics[std::size_t(*t)];
            html = rtf::HelpTextToHtml(topic.text, popupLinks, rtf::LineEnds::Paragraphs);
        } else if (const auto e = entryOf.constFind(key); e != entryOf.constEnd()) {
            for (const QString& text : p.entryPages[std::size_t(*e)].texts)
                html += rtf::HelpTextToHtml(text, popupLinks, rtf::LineEnds::Ignored);
        }
        popupHtml.insert(key, html);
        return html;
    };
    QStringList lost;
    rtf::HtmlLinks links = popupLinks;
    links.popup = popup;
    links.lost = &lost;
    const auto warnLost = [&](const QString& owner) {
        if (!lost.isEmpty())
            report.warn(owner + QStringLiteral(": the HTML Help pages cannot show its ") +
                        lost.join(QStringLiteral(", ")) + u'.');
        lost.clear();
    };
    for (const Topic& t : p.topics) {
        const QString title = t.title.isEmpty() ? t.id : t.title;
        folder.write(t.page, TopicPage(title, TopicHeading(title, t.header), {t.text}, links,
                                       rtf::LineEnds::Paragraphs));
        warnLost(u"Topic " + t.id);
    }
    // What's This texts run on, as in the topic file.
    for (const EntryPage& e : p.entryPages) {
        folder.write(e.page,
                     TopicPage(entryTitle(e), QString(), e.texts, links, rtf::LineEnds::Ignored));
        warnLost(u"The What's This topic " + e.id);
    }
    folder.commit();
    p.pictures = pictures.files;
}

// ---- Sitemaps: the contents and the index

// A name in the contents or the index. Viewers show character references in
// names as they stand, so only what would break the entry is one: the quote
// that would end the value, and ">", which ends the tag for readers that look
// for it; "&" and "<" stay plain.
QString sitemapValue(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

void writeSitemapStart(AnsiLineFile& out) {
    out.writeLine(u"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">");
    out.writeLine(u"<HTML>");
    out.writeLine(u"<HEAD>");
    out.writeLine(u"<meta name=\"GENERATOR\" content=\"Quillmate\">");
    out.writeLine(u"<!-- Sitemap 1.0 -->");
    out.writeLine(u"</HEAD><BODY>");
    out.writeLine(u"<UL>");
}

void writeSitemapEnd(AnsiLineFile& out) {
    out.writeLine(u"</UL>");
    out.writeLine(u"</BODY></HTML>");
}

// One entry: its name and the pages it opens (none for a heading).
void writeSitemapEntry(AnsiLineFile& out, int depth, const QString& name, const QStringList& pages,
                       const QString& pagesFolder) {
    const QString indent(depth, u'\t');
    const QString inner(depth + 1, u'\t');
    out.writeLine({indent, u"<LI> <OBJECT type=\"text/sitemap\">"});
    out.writeLine({inner, u"<param name=\"Name\" value=\"", sitemapValue(name), u"\">"});
    for (const QString& page : pages)
        out.writeLine({inner, u"<param name=\"Local\" value=\"", pagesFolder, u"/",
                       sitemapValue(page), u"\">"});
    out.writeLine({inner, u"</OBJECT>"});
}

void writeContentsFile(const Project& p, const HtmlHelpPaths& paths) {
    AnsiLineFile out(paths.contents);
    writeSitemapStart(out);
    const QString folder = paths.pagesFolderName();
    // Level numbers give the depth; a level deeper than one below the entry
    // before it is taken as one below.
    int depth = 1;
    bool first = true;
    for (const contents::ContentsRow& row : p.contentsRows) {
        bool ok = false;
        int level = row.level.trimmed().toInt(&ok);
        if (!ok || level < 1)
            level = 1;
        level = std::min(level, first ? 1 : depth + 1);
        first = false;
        for (; depth < level; ++depth)
            out.writeLine({QString(depth, u'\t'), u"<UL>"});
        while (depth > level) {
            --depth;
            out.writeLine({QString(depth, u'\t'), u"</UL>"});
        }
        QStringList pages;
        if (row.type != QLatin1String("3")) {
            // Same tree as the WinHelp contents file: an entry whose topic has
            // no page still names the page its topic ID would have.
            const QString id = ExtractTopicID(row.topicId);
            const QString page = topicLink(p, id);
            pages << (page.isEmpty() ? HtmlHelpPageName(id) : page);
        }
        writeSitemapEntry(out, depth, row.title, pages, folder);
    }
    while (depth > 1) {
        --depth;
        out.writeLine({QString(depth, u'\t'), u"</UL>"});
    }
    writeSitemapEnd(out);
    out.commit();
}

void writeIndexFile(const Project& p, const HtmlHelpPaths& paths) {
    struct Keyword {
        QString text;
        QStringList pages;
    };
    std::vector<Keyword> keywords;
    QHash<QString, qsizetype> byText;
    for (const Topic& t : p.topics) {
        for (const QString& part : t.keywords.split(u';')) {
            const QString keyword = part.trimmed();
            if (keyword.isEmpty())
                continue;
            const QString key = keyword.toCaseFolded();
            auto it = byText.constFind(key);
            if (it == byText.constEnd()) {
                it = byText.insert(key, qsizetype(keywords.size()));
                keywords.push_back({keyword, {}});
            }
            // A topic's pages come together at the end: only the last can repeat.
            QStringList& pages = keywords[*it].pages;
            if (pages.isEmpty() || pages.last() != t.page)
                pages << t.page;
        }
    }
    // Viewers show the index in file order. English order (the file's
    // language), letter case aside; the text itself breaks ties.
    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(keywords.begin(), keywords.end(), [&](const Keyword& a, const Keyword& b) {
        const int order = collator.compare(a.text, b.text);
        return order != 0 ? order < 0 : a.text < b.text;
    });

    AnsiLineFile out(paths.index);
    writeSitemapStart(out);
    const QString folder = paths.pagesFolderName();
    for (const Keyword& k : keywords)
        writeSitemapEntry(out, 1, k.text, k.pages, folder);
    writeSitemapEnd(out);
    out.commit();
}

// ---- Context IDs for programs, and the project file

void writeHeader(const Project& p, const HtmlHelpPaths& paths) {
    AnsiLineFile out(paths.header);
    out.writeLine(u"/* Help context IDs: written by Quillmate on each Create. */");
    // One blank between the parts: the HTML Help compiler splits on it.
    for (const Context& c : p.contexts)
        out.writeLine({u"#define ", c.name, u" ", QString::number(c.number)});
    out.commit();
}

void writeVbModule(const Project& p, const HtmlHelpPaths& paths) {
    QString module = safeName(QFileInfo(paths.vbModule).completeBaseName());
    if (module.isEmpty() || !isAsciiLetter(module.front()))
        module.prepend(u'M');
    AnsiLineFile out(paths.vbModule);
    out.writeLine({u"Attribute VB_Name = \"", module.left(40), u"\""});
    out.writeLine(u"' Help context IDs: written by Quillmate on each Create.");
    out.writeLine(u"Option Explicit");
    for (const Context& c : p.contexts)
        out.writeLine({u"Public Const ", c.name, u" As Long = ", QString::number(c.number)});
    out.commit();
}

// The What's This texts as HTML Help text pop-ups, which a program shows from
// the compiled file ("help.chm::/cshelp.txt"): plain text, a ".topic number"
// line before each, a blank line after. Blank lines inside a text would end
// it, and a line starting with "." would read as a command: both are avoided.
void writeTextPopups(const Project& p, const HtmlHelpPaths& paths) {
    AnsiLineFile out(paths.textPopups);
    for (const auto& [number, texts] : p.popups) {
        out.writeLine({u".topic ", QString::number(number)});
        for (const QString& text : texts)
            for (QString line : text.split(u'\n')) {
                line = line.trimmed();
                if (line.isEmpty())
                    continue;
                if (line.startsWith(u'.'))
                    line.prepend(u' ');
                out.writeLineBytes(ansi::fromUnicode(line));
            }
        out.writeLine(QString());
    }
    out.commit();
}

void writeProjectFile(const Project& p, const HtmlHelpPaths& paths, const QString& title,
                      const HelpWindowGeometry& window) {
    const QDir projectDir = QFileInfo(paths.project).absoluteDir();
    const QString folder = paths.pagesFolderName() + u'/';
    AnsiLineFile out(paths.project);
    out.writeLine(u"[OPTIONS]");
    out.writeLine({u"Compiled file=", projectDir.relativeFilePath(paths.compiled)});
    out.writeLine({u"Contents file=", projectDir.relativeFilePath(paths.contents)});
    out.writeLine({u"Index file=", projectDir.relativeFilePath(paths.index)});
    if (!p.defaultPage.isEmpty())
        out.writeLine({u"Default topic=", folder, p.defaultPage});
    // chmcmd's binary index gives pages the titles of index entries: viewers
    // read the sorted text index instead.
    out.writeLine(u"Binary Index=No");
    out.writeLine(u"Full-text search=Yes");
    out.writeLine(u"Language=0x409 English (United States)");
    out.writeLine({u"Title=", title});
    // A window of the author's size; the viewer's own otherwise.
    if (!window.isDefault()) {
        out.writeLine(u"Default Window=main");
        out.writeLine(QString());
        out.writeLine(u"[WINDOWS]");
        out.writeLine(
            HhpWindowDefinition(window, title, projectDir.relativeFilePath(paths.contents),
                                projectDir.relativeFilePath(paths.index),
                                p.defaultPage.isEmpty() ? QString() : folder + p.defaultPage));
    }
    out.writeLine(QString());
    out.writeLine(u"[FILES]");
    for (const Topic& t : p.topics)
        out.writeLine({folder, t.page});
    for (const EntryPage& e : p.entryPages)
        out.writeLine({folder, e.page});
    for (const QString& picture : p.pictures)
        out.writeLine({folder, picture});
    out.writeLine(QString());
    // Every context ID needs its page named here, or the compiler gives up.
    out.writeLine(u"[ALIAS]");
    for (const Context& c : p.contexts)
        out.writeLine({c.name, u"=", folder, c.page});
    out.writeLine(QString());
    // The bare name: the compiler ignores a quoted one.
    out.writeLine(u"[MAP]");
    out.writeLine({u"#include ", QFileInfo(paths.header).fileName()});
    out.writeLine(QString());
    // The header lets ".topic" lines name context IDs as well as numbers.
    out.writeLine(u"[TEXT POPUPS]");
    out.writeLine(QFileInfo(paths.header).fileName());
    out.writeLine(QFileInfo(paths.textPopups).fileName());
    out.commit();
}

} // namespace

QString HtmlHelpPaths::pagesFolderName() const {
    return QFileInfo(pagesDir).fileName();
}

HtmlHelpPaths HtmlHelpPathsFor(const CreateSettings& s) {
    HtmlHelpPaths paths;
    paths.project = s.helpProjectFileName;
    const QFileInfo project(s.helpProjectFileName);
    const QDir dir = project.absoluteDir();
    const QString base = project.completeBaseName();
    paths.compiled = QDir::cleanPath(dir.absoluteFilePath(s.helpFileName));
    paths.contents = QDir::cleanPath(dir.absoluteFilePath(s.contentsFileName));
    paths.index = QDir::cleanPath(dir.absoluteFilePath(s.indexFileName));
    paths.header = dir.absoluteFilePath(base + QStringLiteral(".h"));
    paths.vbModule = dir.absoluteFilePath(base + QStringLiteral(".bas"));
    paths.pagesDir = dir.absoluteFilePath(safeName(base) + QStringLiteral("_html"));
    paths.textPopups = dir.absoluteFilePath(QStringLiteral("cshelp.txt"));
    return paths;
}

QString HtmlHelpPageName(const QString& topicId) {
    QString name;
    name.reserve(topicId.size() + 4);
    for (qsizetype i = 0; i < topicId.size(); ++i) {
        const QChar c = topicId.at(i);
        if (isAsciiLetter(c) || isAsciiDigit(c) || c == u'_' || c == u'-' || (c == u'.' && i > 0))
            name += c;
        else
            name += u'~' + QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return name + QStringLiteral(".htm");
}

QString PagePictures::address(const QString& name) {
    const QString key = name.toLower();
    if (const auto it = m_address.constFind(key); it != m_address.constEnd())
        return *it;
    QString address;
    const QString path = fileio::FindPath(m_folder + u'/', name);
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        address = u"pic_" + HtmlHelpPageName(QFileInfo(path).fileName()).chopped(4);
        m_pages.write(address, file.readAll());
        files << address;
    }
    m_address.insert(key, address);
    return address;
}

QString PagePictures::address(const rtf::EmbeddedPicture& picture) {
    using F = rtf::EmbeddedPicture::Format;
    QByteArray bytes = picture.data;
    QString extension;
    if (picture.format == F::Png && !picture.binary) {
        extension = QStringLiteral(".png");
    } else if (picture.format == F::Jpeg && !picture.binary) {
        extension = QStringLiteral(".jpg");
    } else if (picture.format == F::Dib && !picture.binary && bytes.size() >= 40) {
        // A BMP file is the bitmap with the file header it lacks in the text.
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        const quint32 headerSize = u32(0),
                      bits = qFromLittleEndian<quint16>(bytes.constData() + 14);
        quint32 colors = u32(32);
        if (colors == 0 && bits <= 8)
            colors = 1u << bits;
        const quint32 masks = headerSize == 40 && u32(16) == 3 ? 12 : 0;
        QByteArray header(14, '\0');
        header[0] = 'B';
        header[1] = 'M';
        qToLittleEndian<quint32>(quint32(14 + bytes.size()), header.data() + 2);
        qToLittleEndian<quint32>(14 + headerSize + masks + 4 * colors, header.data() + 10);
        bytes.prepend(header);
        extension = QStringLiteral(".bmp");
    } else {
        return {};
    }
    const QString address =
        u"pic_t" +
        QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16)) +
        extension;
    if (!files.contains(address)) {
        m_pages.write(address, bytes);
        files << address;
    }
    return address;
}

namespace {

// The texts that go into lines of the Windows-1252 files, checked before any
// file is written.
void checkTexts(const Project& p, const CreateSettings& s, const HtmlHelpPaths& paths,
                QStringList& problems) {
    const auto check = [&](const QString& text, const QString& subject) {
        const QString problem = textrules::CheckText(text, subject, textrules::Target::AnsiLine);
        if (!problem.isEmpty() && !problems.contains(problem))
            problems << problem;
    };
    check(s.helpProjectTitle, u"The " + LoadResString(str::caption::HelpProjectTitle));
    const QDir projectDir = QFileInfo(paths.project).absoluteDir();
    check(projectDir.relativeFilePath(paths.compiled),
          u"The " + LoadResString(str::caption::HelpFileName));
    check(projectDir.relativeFilePath(paths.contents),
          u"The " + LoadResString(str::caption::ContentsFileName));
    check(projectDir.relativeFilePath(paths.index),
          u"The " + LoadResString(str::caption::IndexFileName));
    // An output named like the pages folder would meet a folder where its file goes.
    for (const auto& [file, caption] : {std::pair{&paths.compiled, str::caption::HelpFileName},
                                        std::pair{&paths.contents, str::caption::ContentsFileName},
                                        std::pair{&paths.index, str::caption::IndexFileName}}) {
        if (*file == QDir::cleanPath(paths.pagesDir))
            problems << QStringLiteral("The %1 %2 is the folder the pages go into; give the file "
                                       "another name.")
                            .arg(LoadResString(caption), QDir::toNativeSeparators(*file));
    }
    if (CreateSettings::ticked(s.vbProject)) {
        const QString problem = textrules::CheckQuotedValue(
            s.helpFileName, u"The " + LoadResString(str::caption::HelpFileName));
        if (!problem.isEmpty() && !problems.contains(problem))
            problems << problem;
    }
    for (const contents::ContentsRow& row : p.contentsRows)
        check(row.title, u"The contents entry \"" + row.title + u'"');
    for (const Topic& t : p.topics)
        for (const QString& keyword : t.keywords.split(u';'))
            check(keyword.trimmed(), u"A keyword of topic " + t.id);
}

} // namespace

void CreateHTMLHelp(const CreateSettings& s, dao::Database& db, CreateReport& report) {
    for (const auto& [name, label] :
         {std::pair{&s.helpProjectFileName, str::caption::HelpProjectFileName},
          std::pair{&s.helpFileName, str::caption::HelpFileName},
          std::pair{&s.contentsFileName, str::caption::ContentsFileName},
          std::pair{&s.indexFileName, str::caption::IndexFileName}})
        if (name->isEmpty()) {
            report.fail(QStringLiteral("The HTML Help files were not written: the %1 is empty.")
                            .arg(LoadResString(label)));
            return;
        }
    const HtmlHelpPaths paths = HtmlHelpPathsFor(s);
    Project project = readProject(db, report);
    checkTexts(project, s, paths, project.problems);
    if (!project.problems.isEmpty())
        throw std::runtime_error(project.problems.join(u'\n').toStdString());

    for (const QString& folder :
         {QFileInfo(paths.project).absolutePath(), paths.pagesDir,
          QFileInfo(paths.contents).absolutePath(), QFileInfo(paths.index).absolutePath()})
        fileio::RemoveStaleWorkFiles(folder);
    QStringList fontProblems;
    const HelpFonts fonts = HelpFontsOf(s, &fontProblems);
    for (const QString& problem : std::as_const(fontProblems))
        report.warn(problem);
    writePages(project, paths, fonts, report);
    report.written << paths.pagesDir;
    writeContentsFile(project, paths);
    report.written << paths.contents;
    writeIndexFile(project, paths);
    report.written << paths.index;
    writeHeader(project, paths);
    report.written << paths.header;
    writeVbModule(project, paths);
    report.written << paths.vbModule;
    writeTextPopups(project, paths);
    report.written << paths.textPopups;
    writeProjectFile(project, paths, s.helpProjectTitle, s.window);
    report.written << s.helpProjectFileName;
    if (!CreateSettings::ticked(s.vbProject))
        return;
    if (UpdateVBProjectHelpFile(s.vbProjectFileName, HelpFileForVbProject(s)))
        report.written << s.vbProjectFileName;
    else
        report.fail(QStringLiteral("The HelpFile line was not written: the Visual Basic project "
                                   "file %1 does not exist.")
                        .arg(QDir::toNativeSeparators(s.vbProjectFileName)));
}
