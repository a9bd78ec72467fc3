// FrmMain: the printed manual (File, Export, PDF; Print; Print Preview) and
// the web help (File, Export, Web Help).
#include "export/printbook.h"
#include "export/webhelp.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/frmmain.h"
#include "ui_frmmain.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

namespace {

// Prints the manual on `printer`, laid out for it.
void printManual(const helpbook::Book& book, const QString& pictureFolder, QPrinter& printer) {
    const printbook::Manual manual = printbook::LayOut(book, pictureFolder, printer);
    printbook::Print(manual, printer);
}

} // namespace

void FrmMain::connectExport() {
    connect(m_ui->mnuexportpdf, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuexportpdf_Click(); }); });
    connect(m_ui->mnuexportweb, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuexportweb_Click(); }); });
    connect(m_ui->mnuprint, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuprint_Click(); }); });
    connect(m_ui->mnuprintpreview, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuprintpreview_Click(); }); });
}

bool FrmMain::exportReady() {
    if (!m_session.isOpen()) {
        shell::MsgBox(tr("Open a project first: the manual and the web help show its topics."),
                      shell::vbInformation);
        return false;
    }
    // The outputs show the project as stored.
    return confirmAllChanges();
}

void FrmMain::mnuexportpdf_Click() {
    if (!exportReady())
        return;
    const QFileInfo project(m_session.projectPath);
    QString path = shell::askFileName(shell::FileDialogRequest{
        tr("PDF Files (*.pdf)|*.pdf"),
        project.absoluteDir().filePath(project.completeBaseName() + QStringLiteral(".pdf")), true});
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    printbook::ExportPdf(*m_session.db, m_session.projectPath, path);
    statusBar()->showMessage(tr("Wrote the manual to %1.").arg(QDir::toNativeSeparators(path)),
                             5000);
}

void FrmMain::mnuexportweb_Click() {
    if (!exportReady())
        return;
    // The web help's start page names its folder.
    const QFileInfo project(m_session.projectPath);
    const QString page = shell::askFileName(
        shell::FileDialogRequest{tr("Web Help Start Page (index.html)|index.html"),
                                 project.absoluteDir().filePath(project.completeBaseName() +
                                                                QStringLiteral("_web/index.html")),
                                 true});
    if (page.isEmpty())
        return;
    const webhelp::Result result = webhelp::ExportWebHelp(*m_session.db, m_session.projectPath,
                                                          QFileInfo(page).absolutePath());
    const QString start =
        QDir::toNativeSeparators(QFileInfo(page).absolutePath() + QStringLiteral("/index.html"));
    if (!result.warnings.isEmpty())
        shell::MsgBox(tr("The web help is written; its start page is %1.\n\n").arg(start) +
                          result.warnings.join(u'\n'),
                      shell::vbExclamation);
    statusBar()->showMessage(tr("Wrote the web help: %1.").arg(start), 5000);
}

namespace {

// The manual's topics and where its pictures are, for printing it.
struct ManualSource {
    helpbook::Book book;
    QString pictures;
};
ManualSource readManual(const Session& session) {
    return {helpbook::ReadBook(*session.db, helpbook::BookTitle(*session.db, session.projectPath)),
            helpbook::PictureFolder(*session.db, session.projectPath)};
}

} // namespace

void FrmMain::mnuprint_Click() {
    if (!exportReady())
        return;
    const ManualSource manual = readManual(m_session);
    QPrinter printer;
    printer.setDocName(manual.book.title);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgprint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    printManual(manual.book, manual.pictures, printer);
    statusBar()->showMessage(tr("Printed the manual."), 5000);
}

void FrmMain::mnuprintpreview_Click() {
    if (!exportReady())
        return;
    const ManualSource manual = readManual(m_session);
    QPrinter printer;
    printer.setDocName(manual.book.title);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("dlgprintpreview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { printManual(manual.book, manual.pictures, *target); });
    preview.exec();
}
