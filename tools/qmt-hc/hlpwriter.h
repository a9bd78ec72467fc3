// Writing the help file: topics, fonts and the project's settings into the
// internal files |SYSTEM, |FONT, |TOPIC, |CONTEXT, |CTXOMAP, |TTLBTREE,
// |TopicId and the keyword index |KWBTREE, |KWDATA, |KWMAP.
#pragma once

#include "diagnostics.h"
#include "project.h"
#include "topics.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace hc {

struct HelpFileStats {
    int topics = 0;
    int contextStrings = 0;
    int jumps = 0;
    int keywords = 0;
    int mapEntries = 0;
    bool compressed = false;
};

// TOPICOFFSET keeps a block's number in its upper 17 bits: a help file holds
// at most this many topic blocks (about 535 MB of text stored as it is).
constexpr int kMaxTopicBlocks = 1 << 17;

// The help file's bytes. Warnings and errors (unknown jump targets, duplicate
// context strings, map entries without a topic ...) go to `diagnostics`;
// when it holds errors afterwards, the bytes are not to be used.
QByteArray BuildHelpFile(const HelpProject& project, const Topics& topics, const FontTable& fonts,
                         Diagnostics& diagnostics, HelpFileStats* stats = nullptr,
                         std::uint32_t date = 0, int maxTopicBlocks = kMaxTopicBlocks);
// The same, releasing the topics' text records once they are in the help
// file's bytes, so that they and the rest of the file are not held together.
QByteArray BuildHelpFile(const HelpProject& project, Topics&& topics, const FontTable& fonts,
                         Diagnostics& diagnostics, HelpFileStats* stats = nullptr,
                         std::uint32_t date = 0, int maxTopicBlocks = kMaxTopicBlocks);

} // namespace hc
