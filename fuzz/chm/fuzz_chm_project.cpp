// Any help project reads and compiles without a crash: the project file is
// the input, beside two pages, a header and a contents file that it may name.
#include "chm/hhcompiler.h"
#include "chm/hhproject.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool ready = [] {
        put(dir.filePath(QStringLiteral("a.htm")), "<title>A</title>a");
        put(dir.filePath(QStringLiteral("B.HTM")), "<TITLE>B</TITLE>b");
        put(dir.filePath(QStringLiteral("ids.h")), "#define A 1\r\n#define B 0x2\r\n");
        put(dir.filePath(QStringLiteral("t.hhc")), "<UL></UL>");
        return true;
    }();
    (void)ready;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    chm::Diagnostics d;
    const chm::HhpProject p =
        chm::ParseHhpProject(bytes, dir.filePath(QStringLiteral("fuzz.hhp")), d);
    chm::HhcOptions options;
    options.lzxEffort = 4;
    chm::CompileHhp(p, d, options);
    return 0;
}
