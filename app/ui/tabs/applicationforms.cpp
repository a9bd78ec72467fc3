#include "applicationforms.h"

#include "appproject/projectreader.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/controlnotes.h"
#include "ui/frmprogress.h"
#include "ui/uiutil.h"
#include "workspace/session.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QStyledItemDelegate>
#include <limits>

using namespace QMTCOdeMod;

namespace {

qint32 progressValue(qint64 value) {
    return static_cast<qint32>(std::min<qint64>(value, std::numeric_limits<qint32>::max()));
}

// Shows each control's type after its name in an object list; the item's
// text, which is what gets stored, stays the name.
class ControlTypeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString type = index.data(ApplicationForms::ControlTypeRole).toString();
        if (!type.isEmpty())
            option->text += QStringLiteral("   (") + type + u')';
        if (const QString note = index.data(ui::ControlNoteRole).toString(); !note.isEmpty())
            option->text += QStringLiteral(": ") + note;
    }
};

} // namespace

ApplicationForms::ApplicationForms(Session& session, QObject* parent)
    : QObject(parent), m_session(session) {}

void ApplicationForms::showControlTypes(QComboBox* box) {
    box->setItemDelegate(new ControlTypeDelegate(box));
}

void ApplicationForms::ProcessVBProject() {
    const ui::WaitCursor wait;
    Session& session = m_session;
    m_lastRead = session.appProjectPath;
    try {
        session.forms = ReadProjectForms(session.appProjectPath);
    } catch (const FileError& e) {
        session.forms.clear();
        shell::MsgBox(tr("The application project %1 cannot be read: %2")
                          .arg(QDir::toNativeSeparators(e.path()), e.text()),
                      shell::vbExclamation);
    }
    LoadFormComboBoxs();
}

void ApplicationForms::LoadFormComboBoxs() {
    emit formsRead();
}

void ApplicationForms::fillForms(QComboBox* box) const {
    box->clear();
    for (const FormRow& row : m_session.forms)
        box->addItem(row.formName);
    // Filling the list does not choose a form.
    box->setCurrentIndex(-1);
}

void ApplicationForms::FindObjects(const QString& strformname, QComboBox* cboobjects) {
    cboobjects->clear();
    const QString path = GetFormFilePath(strformname, m_session.forms, m_session.appProjectPath);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        shell::MsgBox(tr("The form file of %1 cannot be opened.").arg(strformname),
                      shell::vbExclamation);
        return;
    }

    QWidget* window = cboobjects->window();
    FrmProgress progress(window);
    progress.DisplayCaption(tr("Processing form %1").arg(strformname));
    progress.ShowProgressBar(true);
    progress.ProgressBarMin(1);
    progress.ProgressBarMax(progressValue(info.size()));
    progress.setWindowTitle(window->windowTitle().remove(QStringLiteral("[*]")));
    progress.show();
    QCoreApplication::processEvents();

    std::vector<FormObject> objects;
    try {
        objects = ReadFormObjects(
            path, [&progress](qint64 bytes) { progress.ProgressBarValue(progressValue(bytes)); });
    } catch (const FileError& e) {
        progress.close();
        shell::MsgBox(e.text(), shell::vbExclamation);
        return;
    }
    for (const FormObject& object : objects) {
        cboobjects->addItem(object.name);
        cboobjects->setItemData(cboobjects->count() - 1, object.type, ControlTypeRole);
    }
    cboobjects->setCurrentIndex(-1);
    progress.close();
}
