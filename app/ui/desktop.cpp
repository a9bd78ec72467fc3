#include "desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>
#include <vector>

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

// The viewers known for each kind of help file: program and the arguments
// before the file.
struct Viewer {
    const char* suffix;
    const char* program;
    QStringList arguments;
};

const std::vector<Viewer>& knownViewers() {
    static const std::vector<Viewer> viewers{
        {"chm", "kchmviewer", {}},
        {"chm", "xchm", {}},
        {"hlp", "wine", {QStringLiteral("winhlp32")}},
    };
    return viewers;
}

QStringList viewerNames(const QString& file) {
    QStringList names;
    const QString suffix = QFileInfo(file).suffix();
    for (const Viewer& v : knownViewers())
        if (suffix.compare(QLatin1String(v.suffix), Qt::CaseInsensitive) == 0)
            names << (QStringList{QString::fromLatin1(v.program)} + v.arguments).join(u' ');
    return names;
}
} // namespace

QList<QStringList> viewersFor(const QString& file) {
    QList<QStringList> found;
    const QString suffix = QFileInfo(file).suffix();
    for (const Viewer& v : knownViewers()) {
        if (suffix.compare(QLatin1String(v.suffix), Qt::CaseInsensitive) != 0)
            continue;
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(v.program));
        if (!program.isEmpty())
            found << (QStringList{program} + v.arguments + QStringList{file});
    }
    return found;
}

bool openWithDesktop(const QString& target) {
    if (target.trimmed().isEmpty())
        return false;
    if (opener())
        return opener()(target);
    const QUrl url = urlFor(target);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    if (QDesktopServices::openUrl(url))
        return true;
    if (!url.isLocalFile())
        return false;
    // No desktop opener (no xdg-open): a viewer of our own choosing.
    for (const QStringList& command : viewersFor(url.toLocalFile()))
        if (QProcess::startDetached(command.first(), command.mid(1)))
            return true;
    return false;
}

Opener setOpener(Opener handler) {
    return std::exchange(opener(), std::move(handler));
}

QString programHelpPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/quillmate/help/index.html"));
}

bool WinHelp(QWidget* owner, const QString& helpFile, int /*command*/, int /*data*/) {
    const QString name = QFileInfo(helpFile).fileName();
    if (name.compare(QStringLiteral("Qmt.hlp"), Qt::CaseInsensitive) == 0)
        return openWithDesktop(programHelpPath()) || showProgramGuide(owner);
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
    const QStringList viewers = viewerNames(target);
    if (viewers.isEmpty())
        return QStringLiteral("%1 exists, but no program to show such files was found (the "
                              "desktop's opener, xdg-open, is missing or has none).")
            .arg(file);
    return QStringLiteral("%1 exists, but no program to show it was found: the desktop's "
                          "opener (xdg-open) is missing or has none, and %2 %3.")
        .arg(file, viewers.join(QStringLiteral(" or ")),
             viewersFor(target).isEmpty() ? QStringLiteral("is not installed")
                                          : QStringLiteral("could not be started"));
}

QWidget* showProgramGuide(QWidget* owner) {
    auto* guide = new QDialog(owner);
    guide->setObjectName(QStringLiteral("frmguide"));
    guide->setAttribute(Qt::WA_DeleteOnClose);
    guide->setWindowTitle(QStringLiteral("Quillmate Help"));
    auto* browser = new QTextBrowser(guide);
    browser->setObjectName(QStringLiteral("txtguide"));
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, guide);
    QObject::connect(buttons, &QDialogButtonBox::rejected, guide, &QDialog::close);
    auto* layout = new QVBoxLayout(guide);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    guide->resize(760, 600);
    guide->show();
    return guide;
}

} // namespace desktop
