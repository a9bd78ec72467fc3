// A compiled help file (.HLP) read back into topics: titles, keywords,
// browse sequences, map numbers and the text with its formatting and
// hotspots in the codes the project's help texts hold.
//
// A help file keeps its context strings only as hashes. Names come from the
// sources that may hold them (a map header or help project beside the file
// or imported with it), else from the file's own |TopicId table, else from
// the topic's title when a form of it hashes to the stored value; a topic
// none of these names gets a made-up ID.
#pragma once

#include "import/mapfile.h"
#include "import/rtftopics.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace hc {
struct HelpFileRead;
}

namespace import {

// Context strings by their hash.
using ContextNames = QHash<std::uint32_t, QString>;
void AddContextName(ContextNames& names, const QString& name);

struct HelpFileTopics {
    QString title;                // the help file's title
    QString contentsFile;         // the contents file its settings name, as written
    std::vector<RtfTopic> topics; // `line`: the topic's number in the file, from 1
    std::vector<MapEntry> map;    // by the topics' IDs
    QStringList notKept;          // what a project does not keep, naming file and topic
    // How the topics got their IDs.
    int namedBySources = 0, namedByFile = 0, namedByTitle = 0, madeUp = 0;
};

// Gives a picture of the help file the name the topics' text calls it by
// (\{bmc name\}): `number` is its |bm file, `stored` that file's bytes.
// Empty, with `problem` saying why, when the picture is left out.
using PictureNamer = std::function<QString(int number, QByteArrayView stored, QString& problem)>;

// Reads the help file's bytes; `file` names it in what is said. False, with
// `error` naming the file and the place, when the bytes are no help file or
// do not hold together. Without `pictures` the topics' pictures are left
// out and reported.
bool ReadHelpFileTopics(QByteArrayView bytes, const QString& file, const ContextNames& names,
                        HelpFileTopics& out, QString& error, const PictureNamer& pictures = {});
// The same from a file already read.
void HelpFileTopicsOf(const hc::HelpFileRead& help, const QString& file, const ContextNames& names,
                      HelpFileTopics& out, const PictureNamer& pictures = {});

} // namespace import
