#include "compiler.h"

#include "fileio/savefile.h"
#include "project.h"
#include "topicfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <new>

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

void compile(const QString& projectPath, Diagnostics& d, std::uint32_t date,
             CompileResult& result) {
    const HelpProject project = ReadHelpProject(projectPath, d);
    result.helpFile = project.helpFile;
    if (d.hasErrors())
        return;

    FontTable fonts;
    Topics topics;
    for (const HelpProject::TopicFile& f : project.topicFiles) {
        QFile file(f.path);
        if (!file.open(QIODevice::ReadOnly)) {
            d.error(projectPath, f.line,
                    QStringLiteral("topic file %1 cannot be read (%2)")
                        .arg(QDir::toNativeSeparators(f.path), file.errorString()));
            continue;
        }
        ReadTopicFile(f.path, file.readAll(), project.windows, fonts, topics, d);
    }
    if (d.hasErrors())
        return;
    if (topics.list.empty()) {
        d.error(projectPath, 0, QStringLiteral("the topic files hold no topic"));
        return;
    }
    if (topics.list.size() > 0x7FFFFFFF / 2) {
        d.error(projectPath, 0, QStringLiteral("too many topics"));
        return;
    }
    if (date == 0) {
        bool ok = false;
        const qint64 fixed = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
        date = std::uint32_t(ok ? fixed : QDateTime::currentSecsSinceEpoch());
    }
    const QByteArray bytes = BuildHelpFile(project, topics, fonts, d, &result.stats, date);
    if (d.hasErrors())
        return;
    QString error;
    if (!QFileInfo(project.helpFile).absoluteDir().exists()) {
        d.error(project.helpFile, 0, QStringLiteral("the folder of the help file does not exist"));
        return;
    }
    if (!WriteFileSafely(project.helpFile, bytes, error)) {
        d.error(project.helpFile, 0, error);
        return;
    }
    result.written = true;
    result.bytes = bytes.size();
}

} // namespace

CompileResult Compile(const QString& projectPath, Diagnostics& d, std::uint32_t date) {
    CompileResult result;
    try {
        compile(projectPath, d, date, result);
    } catch (const std::bad_alloc&) {
        // Everything held is released by now; the help file was not touched.
        result.written = false;
        d.error(projectPath, 0,
                QStringLiteral("there is not enough memory to compile this project"));
    }
    return result;
}

} // namespace hc
