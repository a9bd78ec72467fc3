#include "desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <utility>

namespace desktop {

namespace {
Opener& opener() {
    static Opener handler;
    return handler;
}

QUrl urlFor(const QString& target) {
    const QUrl url(target, QUrl::StrictMode);
    // An address with a scheme of two letters or more ("https:", "mailto:");
    // a one-letter scheme would be a drive, a plain path is a file.
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}
} // namespace

bool openWithDesktop(const QString& target) {
    if (target.trimmed().isEmpty())
        return false;
    if (opener())
        return opener()(target);
    const QUrl url = urlFor(target);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

Opener setOpener(Opener handler) {
    return std::exchange(opener(), std::move(handler));
}

QString programHelpPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/quillmate/help/index.html"));
}

bool WinHelp(QWidget* /*owner*/, const QString& helpFile, int /*command*/, int /*data*/) {
    const QString name = QFileInfo(helpFile).fileName();
    if (name.compare(QStringLiteral("Qmt.hlp"), Qt::CaseInsensitive) == 0)
        return openWithDesktop(programHelpPath());
    return openWithDesktop(helpFile);
}

QString whyNotOpened(const QString& target) {
    if (target.trimmed().isEmpty())
        return QStringLiteral("There is no file name to open.");
    const QUrl url = urlFor(target);
    if (!url.isLocalFile())
        return QStringLiteral("%1 could not be opened: no program for it (a web browser) was "
                              "found.")
            .arg(target);
    const QString file = QDir::toNativeSeparators(url.toLocalFile());
    if (!QFileInfo::exists(url.toLocalFile()))
        return QStringLiteral("%1 does not exist.").arg(file);
    return QStringLiteral("%1 could not be opened: no program to show such files was found.")
        .arg(file);
}

} // namespace desktop
