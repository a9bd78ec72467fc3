#include "compiler.h"

#include "codepage/ansi.h"
#include "fileio/savefile.h"
#include "project.h"
#include "sourcefile.h"
#include "topicfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <new>
#include <utility>

namespace hc {

bool WriteFileSafely(const QString& target, const QByteArray& bytes, QString& error) {
    try {
        fileio::SaveBytes(target, bytes);
        return true;
    } catch (const fileio::FileWriteError& e) {
        error = e.what_();
        return false;
    }
}

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The help file must not replace one of the files it is compiled from.
bool outputIsAnInput(const HelpProject& project, Diagnostics& d) {
    std::vector<std::pair<QString, QString>> inputs = {
        {project.path, QStringLiteral("help project")}};
    for (const HelpProject::TopicFile& f : project.topicFiles)
        inputs.push_back({f.path, QStringLiteral("topic file")});
    for (const QString& f : project.includedFiles)
        inputs.push_back({f, QStringLiteral("map file")});
    if (!project.contentsFile.isEmpty())
        inputs.push_back({ResolveProjectPath(project.folder, ansi::toUnicode(project.contentsFile)),
                          QStringLiteral("contents file")});
    for (const auto& [path, what] : inputs)
        if (SameFile(project.helpFile, path)) {
            d.error(project.path, project.helpFileLine,
                    QStringLiteral("the help file %1 would replace the %2 %3; name another help "
                                   "file in HLP=")
                        .arg(native(project.helpFile), what, native(path)));
            return true;
        }
    return false;
}

void compile(const QString& projectPath, const QStringList& includeFolders, Diagnostics& d,
             std::uint32_t date, CompileResult& result, QString& reading) {
    reading = projectPath;
    const HelpProject project = ReadHelpProject(projectPath, d, includeFolders);
    result.helpFile = project.helpFile;
    if (d.hasErrors())
        return;
    if (std::any_of(project.helpFile.begin(), project.helpFile.end(),
                    [](QChar c) { return c.unicode() < 0x20; })) {
        d.error(projectPath, project.helpFileLine,
                QStringLiteral("the help file name %1 holds a control character")
                    .arg(native(project.helpFile)));
        return;
    }
    if (outputIsAnInput(project, d))
        return;

    FontTable fonts;
    // The topics go to the help file's builder as they are read, a batch at
    // a time: it packs them while the rest are read.
    qsizetype expected = 0;
    for (const HelpProject::TopicFile& f : project.topicFiles)
        expected += std::max<qint64>(0, QFileInfo(f.path).size());
    HelpFileBuilder builder(project, fonts, d, expected);
    Topics topics;
    topics.onBatch = [&builder](Topics& batch) { builder.take(batch); };
    // Pictures: in the BMROOT folders, beside the project, in the include
    // folders; then beside the topic file that names them.
    QStringList pictureFolders = project.bitmapFolders;
    pictureFolders << project.folder;
    pictureFolders += project.includeFolders;
    PictureStore pictures(pictureFolders);
    for (const HelpProject::TopicFile& f : project.topicFiles) {
        reading = f.path;
        // Read a window at a time as it is interpreted: the file is never held whole.
        SourceStream file(f.path);
        if (file.status() == SourceFile::NotRegular) {
            d.error(projectPath, f.line,
                    QStringLiteral("topic file %1 is not a regular file; it is not read")
                        .arg(native(f.path)));
            continue;
        }
        if (file.status() != SourceFile::Read) {
            d.error(projectPath, f.line,
                    QStringLiteral("topic file %1 cannot be read (%2)")
                        .arg(native(f.path), file.reason()));
            continue;
        }
        ReadTopicFile(f.path, file, project.windows, fonts, topics, d, &pictures);
        if (file.status() != SourceFile::Read) {
            d.error(projectPath, f.line,
                    QStringLiteral("topic file %1 cannot be read (%2)")
                        .arg(native(f.path), file.reason()));
            continue;
        }
        if (fonts.full()) {
            d.error(f.path, 0,
                    QStringLiteral("more than %1 font faces or %2 font descriptors; a help file "
                                   "holds no more")
                        .arg(FontTable::kMaxFaces)
                        .arg(FontTable::kMaxDescriptors));
            return;
        }
    }

    builder.take(topics);
    if (d.hasErrors())
        return;
    if (builder.topicCount() == 0) {
        d.error(projectPath, 0, QStringLiteral("the topic files hold no topic"));
        return;
    }
    if (builder.topicCount() > 0x7FFFFFFF / 2) {
        d.error(projectPath, 0, QStringLiteral("too many topics"));
        return;
    }
    if (date == 0) {
        bool ok = false;
        const qint64 fixed = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
        date = std::uint32_t(ok ? fixed : QDateTime::currentSecsSinceEpoch());
    }
    reading = project.helpFile;
    const QByteArray bytes = builder.finish(pictures.files(), &result.stats, date);
    if (d.hasErrors())
        return;
    QString error;
    const QString folder = QFileInfo(project.helpFile).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        d.error(project.helpFile, 0, QStringLiteral("the folder of the help file does not exist"));
        return;
    }
    // What an interrupted run of the compiler left beside its help file.
    fileio::RemoveStaleWorkFiles(folder);
    if (!WriteFileSafely(project.helpFile, bytes, error)) {
        d.error(project.helpFile, 0, error);
        return;
    }
    result.written = true;
    result.bytes = bytes.size();
}

} // namespace

CompileResult Compile(const QString& projectPath, Diagnostics& d, std::uint32_t date,
                      const QStringList& includeFolders) {
    CompileResult result;
    QString reading; // the file in hand when memory ran out
    try {
        compile(projectPath, includeFolders, d, date, result, reading);
    } catch (const std::bad_alloc&) {
        // Everything held is released by now; the help file was not touched.
        result.written = false;
        d.error(projectPath, 0,
                reading == result.helpFile && !reading.isEmpty()
                    ? QStringLiteral("there is not enough memory to compile this project (while "
                                     "building %1)")
                          .arg(native(reading))
                    : QStringLiteral("there is not enough memory to compile this project (while "
                                     "reading %1)")
                          .arg(native(reading)));
    }
    return result;
}

} // namespace hc
