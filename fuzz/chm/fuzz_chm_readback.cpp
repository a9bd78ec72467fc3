// Any bytes read back as a compiled help file without a crash: opened, its
// files listed and read, its context IDs taken apart.
#include "chm/chmfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.chm"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
    f.close();
    chm::ChmFile chm(path);
    if (!chm.isOpen())
        return 0;
    const QStringList files = chm.files();
    for (qsizetype i = 0; i < files.size() && i < 64; ++i)
        if (chm.size(files[i]) < (1 << 20))
            chm.read(files[i]);
    chm.contextIds();
    return 0;
}
