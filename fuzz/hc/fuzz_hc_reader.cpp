// Any help file is read or refused with FormatError, never a crash: read
// whole, and topic by topic into a listing the way --dump reads it.
#include "bytes.h"
#include "hlpreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool whole = false;
    qsizetype topics = 0;
    try {
        const hc::HelpFileRead h = hc::ReadHelpFile(bytes);
        hc::DumpHelpFile(h);
        whole = true;
        topics = qsizetype(h.topics.size());
    } catch (const hc::FormatError&) {
    }
    qsizetype streamed = 0;
    try {
        hc::HelpFileDump listing([](const QString&) {});
        const hc::HelpFileRead h = hc::ReadHelpFile(
            bytes, [&](const hc::HelpFileRead& tables, hc::TopicRead&& topic, std::uint32_t next) {
                listing.topic(tables, topic, next);
                ++streamed;
            });
        listing.finish(h);
        if (!whole || streamed != topics)
            std::abort(); // the two ways of reading disagree
    } catch (const hc::FormatError&) {
        if (whole)
            std::abort();
    }
    return 0;
}
