// Any help file is read or refused with FormatError, never a crash.
#include "bytes.h"
#include "hlpreader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const hc::HelpFileRead h =
            hc::ReadHelpFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
        hc::DumpHelpFile(h);
    } catch (const hc::FormatError&) {
    }
    return 0;
}
