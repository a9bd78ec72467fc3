// An RTF topic file, as Word or Create writes it, read into topics: the
// footnotes give each topic its ID, title, keywords and browse sequence, the
// first non-scrolling paragraph its header, and the rest its help text in the
// codes the project's help texts hold.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace import {

struct RtfTopic {
    QString id;       // the first "#" footnote; empty when it had none
    QString title;    // "$"
    QString browse;   // "+"
    QString keywords; // every "K", joined with ";"
    QString header;   // the first \keepn paragraph, as codes
    QString text;     // the other paragraphs, as codes, CR LF between them
    int line = 0;     // where the topic begins
};

struct RtfTopicsRead {
    std::vector<RtfTopic> topics;
    QStringList notKept; // what the topics held that a project does not keep, with file and line
};

// Reads the topic file's bytes, in the code page its \ansicpg names
// (Windows-1252 without one); `file` names it in the messages. False,
// having read nothing, when the bytes are no RTF document.
bool ReadRtfTopics(QByteArrayView bytes, const QString& file, RtfTopicsRead& read);

// The ID (first "#" footnote) of each topic of a topic file, in order, as
// ReadRtfTopics reads them, without building the topics' texts.
QStringList RtfTopicIds(QByteArrayView bytes);

// The code page an RTF document's \ansicpg names; 1252 when it names none.
int RtfCodePage(QByteArrayView bytes);
// The document as text: every byte above 127, raw or written as \'hh, read
// in `codePage` (so that an interpreter of Unicode text reads the right
// characters); the rest as it stands.
QString RtfText(QByteArrayView bytes, int codePage);

} // namespace import
