// Any help project, topic file and contents file reads for import without a
// crash, and so does any page or sitemap. The input holds up to three
// files, apart by "\n@@\n": the help project (fuzz.hpj), a topic file
// (fuzz.rtf) and a contents file (fuzz.cnt); the project may name the other
// two. The topic file's bytes are read as a page and a sitemap as well.
#include "import/cntfile.h"
#include "import/htmltext.h"
#include "import/mapfile.h"
#include "import/rtftopics.h"
#include "project.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray hpj, rtf, cnt;
    {
        const qsizetype a = input.indexOf("\n@@\n");
        const qsizetype b = a < 0 ? -1 : input.indexOf("\n@@\n", a + 4);
        hpj = input.left(a < 0 ? input.size() : a);
        rtf = a < 0 ? QByteArray() : input.mid(a + 4, b < 0 ? -1 : b - a - 4);
        cnt = b < 0 ? QByteArray() : input.mid(b + 4);
    }
    const QString project = dir.filePath(QStringLiteral("fuzz.hpj"));
    writeFile(project, hpj);
    writeFile(dir.filePath(QStringLiteral("fuzz.rtf")), rtf);
    writeFile(dir.filePath(QStringLiteral("fuzz.cnt")), cnt);

    hc::Diagnostics d;
    const hc::HelpProject p = hc::ReadHelpProject(project, d);
    for (const hc::HelpProject::TopicFile& file : p.topicFiles) {
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        import::RtfTopicsRead read;
        import::ReadRtfTopics(f.read(1 << 20), file.path, read);
    }
    import::RtfTopicsRead read;
    import::ReadRtfTopics(rtf, QStringLiteral("fuzz.rtf"), read);
    import::ReadContentsText(QString::fromLatin1(cnt), QStringLiteral("fuzz.cnt"));
    import::MapRead map;
    import::ReadMapLines(QString::fromLatin1(hpj), QStringLiteral("fuzz.hpj"), 1, map);

    const QString html = QString::fromLatin1(rtf);
    import::ReadHtmlPage(html, [](const QString& href) { return href.left(8);
});
import::ReadSitemap(html);
import::DeclaredCharset(rtf);
return 0;
}
