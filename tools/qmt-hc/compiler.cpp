#include "compiler.h"

#include "project.h"
#include "topicfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hc {

bool WriteFileSafely(const QString& target, const QByteArray& bytes, QString& error) {
    const QFileInfo info(target);
    QTemporaryFile work(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".qmt-XXXXXX"));
    if (!work.open()) {
        error = QStringLiteral("the work file could not be created (%1)").arg(work.errorString());
        return false;
    }
    if (work.write(bytes) != bytes.size() || !work.flush()) {
        error = QStringLiteral("writing the work file failed (%1)").arg(work.errorString());
        return false;
    }
    if (::fsync(work.handle()) != 0) {
        error = QStringLiteral("the work file could not be synced (%1)")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (info.exists())
        permissions = QFile::permissions(target);
    work.setPermissions(permissions);
    work.close();
    if (::rename(QFile::encodeName(work.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0) {
        error = QStringLiteral("the work file could not replace the help file (%1)")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    work.setAutoRemove(false);
    const int dir =
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

CompileResult Compile(const QString& projectPath, Diagnostics& d, std::uint32_t date) {
    CompileResult result;
    const HelpProject project = ReadHelpProject(projectPath, d);
    result.helpFile = project.helpFile;
    if (d.hasErrors())
        return result;

    FontTable fonts;
    std::vector<Topic> topics;
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
        return result;
    if (topics.empty()) {
        d.error(projectPath, 0, QStringLiteral("the topic files hold no topic"));
        return result;
    }
    if (topics.size() > 0x7FFFFFFF / 2) {
        d.error(projectPath, 0, QStringLiteral("too many topics"));
        return result;
    }
    if (date == 0) {
        bool ok = false;
        const qint64 fixed = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
        date = std::uint32_t(ok ? fixed : QDateTime::currentSecsSinceEpoch());
    }
    const QByteArray bytes = BuildHelpFile(project, topics, fonts, d, &result.stats, date);
    if (d.hasErrors())
        return result;
    QString error;
    if (!QFileInfo(project.helpFile).absoluteDir().exists()) {
        d.error(project.helpFile, 0, QStringLiteral("the folder of the help file does not exist"));
        return result;
    }
    if (!WriteFileSafely(project.helpFile, bytes, error)) {
        d.error(project.helpFile, 0, error);
        return result;
    }
    result.written = true;
    result.bytes = bytes.size();
    return result;
}

} // namespace hc
