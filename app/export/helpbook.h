// The project as one book, for the outputs that show every topic together
// (web help, the printed manual): its topics and What's This pages, the
// contents tree, the keyword index and the browse sequences, each topic's
// body read through the same help-text model and page rendering as the
// HTML Help pages.
#pragma once

#include "rtf/helptext.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace dao {
class Database;
}

namespace helpbook {

struct Topic {
    QString id;
    QString title;   // the topic's title; a What's This page's first words
    QString heading; // shown above the text (its topic header, else its title)
    QStringList texts;
    QString keywords; // ";"-separated, as stored
    QString browse;   // the browse sequence, as stored
    int map = 0;
    bool whatsThis = false; // a page of What's This entries, not a general topic
    rtf::LineEnds lineEnds = rtf::LineEnds::Paragraphs;
    QString page;      // its file name: HtmlHelpPageName
    int previous = -1; // browse sequence neighbours (topic indexes)
    int next = -1;
};

struct ContentsEntry {
    int depth = 1; // 1 at the top
    QString title;
    int topic = -1; // the topic it opens; -1 for a heading or a topic missing
};

struct Keyword {
    QString text;
    std::vector<int> topics;
};

struct Book {
    QString title;
    std::vector<Topic> topics; // general topics, then the What's This pages
    std::vector<ContentsEntry> contents;
    std::vector<Keyword> keywords; // sorted as the index shows them
    // The topics in contents order (each once), then those the contents do
    // not name, in stored order.
    std::vector<int> order;

    // The topic of a topic ID (letter case aside), -1 when none.
    int find(const QString& id) const;

    QHash<QString, int> byId;
};

// Reads the project's active topics, What's This entries and contents.
// `title` is the book's title. Throws dao::EngineError.
Book ReadBook(dao::Database& db, const QString& title);

// The project's title for the exports: the help project title stored with
// the project, else the project file's name without its extension.
QString BookTitle(dao::Database& db, const QString& projectPath);

// The folder a project's pictures are found in: its help project file's
// folder, else the project file's.
QString PictureFolder(dao::Database& db, const QString& projectPath);

// A topic's body as HTML, as its HTML Help page has it (TopicBody of the
// pages, through the help-text model).
QString TopicBody(const Topic& topic, const rtf::HtmlLinks& links);

// A topic's words as the reader sees them (titles aside), for searching.
QString TopicWords(const Topic& topic);

} // namespace helpbook
