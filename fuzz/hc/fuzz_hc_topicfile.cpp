// Any RTF topic file compiles without a crash, and whatever help file comes
// out reads back.
#include "bytes.h"
#include "hlpreader.h"
#include "hlpwriter.h"
#include "topicfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray rtf(reinterpret_cast<const char*>(data), qsizetype(size));
    hc::HelpProject project;
    project.path = QStringLiteral("fuzz.hpj");
    project.title = "Fuzz";
    project.compress = size % 2 == 0;
    project.map.push_back({"IDH_A", 1, project.path, 1});
    hc::Diagnostics d;
    hc::FontTable fonts;
    hc::Topics topics;
    hc::ReadTopicFile(QStringLiteral("fuzz.rtf"), rtf, project.windows, fonts, topics, d);
    if (d.hasErrors() || topics.list.empty())
        return 0;
    const QByteArray hlp = hc::BuildHelpFile(project, topics, fonts, d, nullptr, 1);
    if (d.hasErrors())
        return 0;
    try {
        hc::ReadHelpFile(hlp);
    } catch (const hc::FormatError&) {
        std::abort(); // the compiler wrote a file its reader refuses
    }
    return 0;
}
