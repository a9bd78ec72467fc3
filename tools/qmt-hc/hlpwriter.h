// Writing the help file: topics, fonts and the project's settings into the
// internal files |SYSTEM, |FONT, |TOPIC, |CONTEXT, |CTXOMAP, |TTLBTREE,
// |TopicId and the keyword index |KWBTREE, |KWDATA, |KWMAP.
#pragma once

#include "diagnostics.h"
#include "project.h"
#include "topics.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
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

struct TopicFeed;

// Builds the help file from topics handed over as they are read. Where the
// project compresses, the topic blocks are packed meanwhile, on a thread
// of its own; the rest follows once every topic is in.
class HelpFileBuilder {
public:
    // `expectedSize`: about how many bytes of records the topics will take.
    HelpFileBuilder(const HelpProject& project, const FontTable& fonts, Diagnostics& diagnostics,
                    qsizetype expectedSize);
    // Stops packing what will not be used.
    ~HelpFileBuilder();
    HelpFileBuilder(const HelpFileBuilder&) = delete;
    HelpFileBuilder& operator=(const HelpFileBuilder&) = delete;

    // Takes the topics out of `batch`, which were read after those taken before.
    void take(Topics& batch);
    int topicCount() const { return m_topicCount; }
    // Every topic is in: the help file's bytes, as BuildHelpFile gives them.
    QByteArray finish(std::vector<QByteArray> pictures, HelpFileStats* stats, std::uint32_t date,
                      int maxTopicBlocks = kMaxTopicBlocks);

private:
    struct Private;
    std::unique_ptr<Private> d;
    int m_topicCount = 0;
};

} // namespace hc
