#include "helpbook.h"

#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "generation/htmlhelp.h"
#include "generation/htmlpages.h"
#include "resources/stringtable.h"
#include "workspace/filltemplate.h"
#include "workspace/options.h"
#include "workspace/textrules.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <map>

namespace helpbook {

namespace {

const QString kActive = QStringLiteral("A");

int mapNumber(const dao::Recordset& rs) {
    return textrules::StoredMapNumber(rs.Field(QStringLiteral("MapNumber"))).value_or(0);
}

// As the help compiler links them: topics of one group ("group:sequence"),
// ordered by their sequence text, those of equal text in stored order.
void linkBrowseSequences(Book& book) {
    std::map<QString, std::vector<std::pair<QString, int>>> groups;
    for (int t = 0; t < int(book.topics.size()); ++t) {
        const QString& b = book.topics[std::size_t(t)].browse;
        if (b.trimmed().isEmpty())
            continue;
        const qsizetype colon = b.indexOf(u':');
        const QString group = colon >= 0 ? b.left(colon).trimmed().toLower() : QString();
        QString sequence = colon >= 0 ? b.mid(colon + 1).trimmed() : b.trimmed();
        if (sequence.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
            sequence.clear();
        groups[group].push_back({sequence, t});
    }
    for (auto& [group, members] : groups) {
        std::stable_sort(members.begin(), members.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i + 1 < members.size(); ++i) {
            book.topics[std::size_t(members[i].second)].next = members[i + 1].second;
            book.topics[std::size_t(members[i + 1].second)].previous = members[i].second;
        }
    }
}

void collectKeywords(Book& book) {
    QHash<QString, qsizetype> byText;
    for (int t = 0; t < int(book.topics.size()); ++t) {
        for (const QString& part : book.topics[std::size_t(t)].keywords.split(u';')) {
            const QString keyword = part.trimmed();
            if (keyword.isEmpty())
                continue;
            const QString key = keyword.toCaseFolded();
            auto it = byText.constFind(key);
            if (it == byText.constEnd()) {
                it = byText.insert(key, qsizetype(book.keywords.size()));
                book.keywords.push_back({keyword, {}});
            }
            std::vector<int>& topics = book.keywords[std::size_t(*it)].topics;
            if (topics.empty() || topics.back() != t)
                topics.push_back(t);
        }
    }
    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(book.keywords.begin(), book.keywords.end(), [&](const Keyword& a, const Keyword& b) {
        const int order = collator.compare(a.text, b.text);
        return order != 0 ? order < 0 : a.text < b.text;
    });
}

} // namespace

int Book::find(const QString& id) const {
    return byId.value(textrules::TopicIdKey(id), -1);
}

Book ReadBook(dao::Database& db, const QString& title) {
    Book book;
    book.title = title;
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::GeneralHelp),
                                     LoadResString(str::field::Status), kActive),
                         dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        Topic t;
        t.id = rs->Text(QStringLiteral("TopicID"));
        t.title = rs->Text(QStringLiteral("TopicTitle"));
        if (t.title.isEmpty())
            t.title = t.id;
        t.heading = TopicHeading(t.title, rs->Text(QStringLiteral("TopicHeader")));
        t.texts << rs->Text(QStringLiteral("HelpText"));
        t.keywords = rs->Text(QStringLiteral("Keywords"));
        t.browse = rs->Text(QStringLiteral("BrowseSeq"));
        t.map = mapNumber(*rs);
        t.page = HtmlHelpPageName(t.id);
        if (!book.byId.contains(textrules::TopicIdKey(t.id))) {
            book.byId.insert(textrules::TopicIdKey(t.id), int(book.topics.size()));
            book.topics.push_back(std::move(t));
        }
    }
    // One page per topic ID that only What's This entries name; entries
    // naming a general topic show its page.
    rs = db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                      LoadResString(str::field::Status), kActive),
                          dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString id = rs->Text(QStringLiteral("TopicID"));
        const QString text = rs->Text(QStringLiteral("HelpText"));
        const int found = book.find(id);
        if (found >= 0) {
            Topic& t = book.topics[std::size_t(found)];
            if (t.whatsThis && !t.texts.contains(text))
                t.texts << text;
            if (t.map == 0)
                t.map = mapNumber(*rs);
            continue;
        }
        Topic t;
        t.id = id;
        t.whatsThis = true;
        t.lineEnds = rtf::LineEnds::Ignored;
        t.texts << text;
        t.map = mapNumber(*rs);
        t.page = HtmlHelpPageName(id);
        book.byId.insert(textrules::TopicIdKey(id), int(book.topics.size()));
        book.topics.push_back(std::move(t));
    }
    for (Topic& t : book.topics) {
        if (!t.whatsThis)
            continue;
        const QString words = rtf::FirstWords(t.texts.value(0), 60, rtf::LineEnds::Ignored);
        t.title = words.isEmpty() ? t.id : words;
    }

    // The contents: depth from the level, at most one below the entry before.
    int depth = 0;
    std::vector<bool> placed(book.topics.size(), false);
    for (const contents::ContentsRow& row :
         contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder)) {
        bool ok = false;
        int level = row.level.trimmed().toInt(&ok);
        if (!ok || level < 1)
            level = 1;
        depth = std::min(level, depth + 1);
        ContentsEntry entry{depth, row.title, -1};
        if (row.type != QLatin1String("3"))
            entry.topic = book.find(ExtractTopicID(row.topicId));
        if (entry.topic >= 0 && !placed[std::size_t(entry.topic)]) {
            placed[std::size_t(entry.topic)] = true;
            book.order.push_back(entry.topic);
        }
        book.contents.push_back(std::move(entry));
    }
    for (int t = 0; t < int(book.topics.size()); ++t)
        if (!placed[std::size_t(t)])
            book.order.push_back(t);

    linkBrowseSequences(book);
    collectKeywords(book);
    return book;
}

QString BookTitle(dao::Database& db, const QString& projectPath) {
    const QString title = options::ReadCreateSettings(db).helpProjectTitle.trimmed();
    return title.isEmpty() ? QFileInfo(projectPath).completeBaseName() : title;
}

QString PictureFolder(dao::Database& db, const QString& projectPath) {
    const QString hpj = options::ReadCreateSettings(db).helpProjectFileName;
    if (!hpj.isEmpty())
        return QFileInfo(QFileInfo(projectPath).absoluteDir(), hpj).absolutePath();
    return QFileInfo(projectPath).absolutePath();
}

QString TopicBody(const Topic& topic, const rtf::HtmlLinks& links) {
    return ::TopicBody(topic.texts, links, topic.lineEnds);
}

QString TopicWords(const Topic& topic) {
    QString words;
    for (const QString& text : topic.texts) {
        for (const rtf::Paragraph& p : rtf::ReadHelpText(text, topic.lineEnds)) {
            for (const rtf::Run& r : p.runs)
                if (r.kind == rtf::Run::Text && !r.ch.hidden)
                    words += p.view(r);
            words += u' ';
        }
    }
    return words;
}

} // namespace helpbook
