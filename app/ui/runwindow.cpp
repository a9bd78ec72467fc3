#include "runwindow.h"

#include "frmmain.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The program's icon, in the sizes the resources hold.
QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/quillmate-%1.png").arg(size), QSize(size, size));
    return icon;
}

int showMessage(const shell::MessageRequest& request) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title.isEmpty() ? LoadResString(str::caption::ProgramName)
                                               : request.title);
    box.setText(request.text);
    switch (request.flags & 0x70) {
    case shell::vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case shell::vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case shell::vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case shell::vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if (!request.buttons.isEmpty()) {
        QList<QAbstractButton*> buttons;
        for (const QString& caption : request.buttons)
            buttons << box.addButton(caption, buttons.size() + 1 == request.buttons.size()
                                                  ? QMessageBox::RejectRole
                                                  : QMessageBox::AcceptRole);
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
        box.setEscapeButton(buttons.last());
        box.exec();
        return int(buttons.indexOf(box.clickedButton())) + 1;
    }
    switch (request.flags & 0x7) {
    case shell::vbOKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case shell::vbYesNoCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        break;
    case shell::vbDiscardCancel:
        box.setStandardButtons(QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return shell::vbCancel;
    case QMessageBox::Save:
        return shell::vbYes;
    case QMessageBox::Discard:
        return shell::vbNo;
    default:
        return shell::vbOK;
    }
}

// The program's own file dialog: it matches "*.QMT" against file names in any
// letter case ("x.qmt" too), which a desktop's native dialog may not.
QString askFile(const shell::FileDialogRequest& request) {
    QWidget* owner = QApplication::activeWindow();
    const QString filter = shell::qtFilterFromPipeFilter(request.filter);
    if (request.save)
        return QFileDialog::getSaveFileName(owner, QString(), request.defaultName, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite |
                                                QFileDialog::DontUseNativeDialog);
    return QFileDialog::getOpenFileName(owner, QString(), request.defaultName, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

} // namespace

int runWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmate"));
    QApplication::setApplicationVersion(QStringLiteral(QM_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setWindowIcon(programIcon());
    shell::setMessageHandler(showMessage);
    shell::setFileDialogHandler(askFile);

    FrmMain window;
    window.show();
    window.Form_Load();

    // `qmt PROJECT.QMT` opens the project as File, Open does.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
        window.openProject(QFileInfo(args.at(1)).absoluteFilePath());
    return QApplication::exec();
}
