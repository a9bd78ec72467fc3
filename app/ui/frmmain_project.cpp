#include "frmmain.h"
#include "uiutil.h"

#include "commandguard.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "import/importer.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "tabs/applicationforms.h"
#include "tabs/contentsfiletab.h"
#include "tabs/createtab.h"
#include "winreg/winreg.h"
#include "workspace/filltemplate.h"
#include "workspace/recentfiles.h"
#include "workspace/records.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>

namespace {

QString fileMessage(const QString& path, const QString& refusal) {
    // The store's messages name the file already.
    if (refusal.contains(path) || refusal.contains(QDir::toNativeSeparators(path)))
        return refusal;
    return QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + refusal;
}

// The recent-files rules with the registry component; a registry that cannot
// be reached counts as a settings key that cannot be opened.
template <class Rule> void withRegistry(Rule&& rule) {
    try {
        components::Component<IRegistryFunctions> registry(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        rule(*registry);
    } catch (const components::ComponentError& e) {
        qWarning("%s", qPrintable(e.message()));
    }
}

} // namespace

void FrmMain::connectProject() {
    connect(mnunew, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnunew_Click(); }); });
    connect(mnuopen, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuopen_Click(); }); });
    for (int i = 1; i <= recentfiles::kMaxEntries; ++i)
        connect(mnuMRU[i], &QAction::triggered, this,
                [this, i] { ui::runCommand([this, i] { mnuMRU_Click(i); }); });
    connect(mnuimportworkshop, &QAction::triggered, this, [this] {
        ui::runCommand([this] {
            importFiles(QStringLiteral(
                "Help Workshop Projects (*.HPJ)|*.HPJ|Help Files (*.HLP)|*.HLP|Compiled HTML "
                "Help Files (*.CHM)|*.CHM|Contents Files (*.CNT)|*.CNT|Topic Files "
                "(*.RTF)|*.RTF|Map Headers (*.H;*.HH;*.HM;*.BAS)|*.H;*.HH;*.HM;*.BAS"));
        });
    });
    connect(mnuimportvbproject, &QAction::triggered, this, [this] {
        ui::runCommand([this] { importFiles(LoadResString(str::filter::VbProjects)); });
    });
}

void FrmMain::importFiles(const QString& filter) {
    if (!m_session.db || !confirmAllChanges())
        return;
    const QString source = GetFileName(filter);
    if (source.isEmpty())
        return;
    const QString project = m_session.projectPath;
    import::ImportReport report;
    {
        ui::WaitCursor wait;
        report = import::ImportSources(*m_session.db, {source});
        // The lists, the tree and the Create tab show what is there now.
        if (!report.ok() || !DataBaseOpen(project))
            report.added.clear();
        else if (!m_session.appProjectPath.isEmpty())
            m_forms->ProcessVBProject();
    }
    statusBar()->showMessage(report.ok()
                                 ? QStringLiteral("Imported %1.").arg(QFileInfo(source).fileName())
                                 : QStringLiteral("Nothing was imported."));
    shell::MsgBox(import::DescribeImport(report),
                  report.ok() ? shell::vbInformation : shell::vbExclamation);
}

void FrmMain::Form_Load() {
    SetupToolbars();
    LoadStrings();
    for (QWidget* frame : {frmcreate, frmcontentsfile, frmwhatsthis, frmtooltips})
        frame->hide();
    frmgenhelp->show();
    for (QPushButton* button : {cmdok, cmdcreate, cmddelete})
        button->setEnabled(false);
    SetupMRUMenu();

    // First run: the tool-tip control list is missing.
    ui::runCommand([] {
        components::Component<IRegistryFunctions> registry(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        std::int32_t root = static_cast<std::int32_t>(0x80000001u);
        QString path = LoadResString(str::registry::ToolTipControlsPath);
        QString className = LoadResString(str::registry::ToolTipControlsClass);
        std::int32_t access = 0x2003F;
        QString create = QStringLiteral("N");
        std::int32_t handle = 0;
        const std::int32_t status =
            registry->KRVOpenRegKey(root, path, className, access, create, handle);
        if (status == 0) {
            registry->KRVCloseRegKey(handle);
            return;
        }
        if (status == winreg::ERROR_REGISTRY_CORRUPT) {
            // The setup could not write to it either; say which file it is.
            shell::MsgBox(FillTemplate(str::message::SettingsFileDamaged,
                                       {QStringLiteral("|1"),
                                        QDir::toNativeSeparators(winreg::damagedHivePath())}),
                          shell::vbExclamation);
            return;
        }
        components::Component<IQMTSetUp> setup(QStringLiteral("QMTSetUp.QMTSetUp"));
        setup->SetUp();
    });
    m_contents->ResetContentsState();
}

QString FrmMain::GetFileName(const QString& strfilter, const QString& strdefaultdirectory) {
    return shell::askFileName(shell::FileDialogRequest{strfilter, strdefaultdirectory, false});
}

void FrmMain::mnunew_Click() {
    if (!confirmAllChanges())
        return;
    // New names a file that does not exist yet: the dialog lets one be typed.
    QString path = shell::askFileName(
        shell::FileDialogRequest{LoadResString(str::filter::QuillmateFiles), QString(), true});
    if (path.isEmpty())
        return;
    // A name typed without an extension gets the project files' one.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".QMT");
    ui::WaitCursor wait;
    try {
        components::Component<ICreateDataBase> builder(QStringLiteral("QMTCRDB.CreateDataBase"));
        builder->setDataBaseName(path);
        builder->create_database();
    } catch (const dao::EngineError& e) {
        shell::MsgBox(fileMessage(path, e.text()), shell::vbExclamation);
        return;
    }
    if (!DataBaseOpen(path))
        return;
    AddToFilesOpennedList(path);
    mnuimport->menuAction()->setEnabled(true);
    QCoreApplication::processEvents();
}

void FrmMain::mnuopen_Click() {
    if (!confirmAllChanges())
        return;
    const QString path = GetFileName(LoadResString(str::filter::QuillmateFiles));
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    openProject(path);
}

bool FrmMain::openProject(const QString& strfilename) {
    ui::WaitCursor wait;
    if (!DataBaseOpen(strfilename))
        return false;
    AddToFilesOpennedList(strfilename);
    if (!m_session.appProjectPath.isEmpty())
        m_forms->ProcessVBProject();
    mnuimport->menuAction()->setEnabled(false);
    QCoreApplication::processEvents();
    return true;
}

void FrmMain::mnuMRU_Click(int index) {
    if (index < 1 || index > recentfiles::kMaxEntries)
        return;
    if (!confirmAllChanges())
        return;
    ui::WaitCursor wait;
    const QString path = recentfiles::pathFromCaption(mnuMRU[index]->text());
    // A file that cannot be opened leaves the project and the list as they were.
    if (!DataBaseOpen(path))
        return;
    if (!m_session.appProjectPath.isEmpty())
        m_forms->ProcessVBProject();
    if (index == 1)
        return;
    withRegistry(
        [&](IRegistryFunctions& registry) { recentfiles::moveToTop(registry, index, path); });
    SetupMRUMenu();
    mnuimport->menuAction()->setEnabled(false);
}

bool FrmMain::DataBaseOpen(const QString& strdatabasename) {
    if (strdatabasename.isEmpty())
        return false;

    // Open and read the new project before anything of the current one changes.
    std::unique_ptr<dao::Database> db;
    records::TopicLists topics;
    try {
        db = dao::Database::OpenDatabase(strdatabasename, false, false,
                                         LoadResString(str::database::OpenConnect));
        topics = records::ReadTopicLists(*db);
    } catch (const dao::EngineError& e) {
        if (db) {
            try {
                db->Close();
            } catch (...) {
            }
        }
        shell::MsgBox(fileMessage(strdatabasename, e.text()), shell::vbExclamation);
        return false;
    }

    mnuhelpsep2->setVisible(false);
    mnuviewprojecthelp->setVisible(false);
    if (m_session.db) {
        try {
            m_session.db->Close();
        } catch (...) {
        }
    }
    m_session.db = std::move(db);
    m_session.projectPath = strdatabasename;

    // A filled list has nothing selected until the author picks an entry.
    QWidget* area = centralWidget();
    for (QComboBox* box : area->findChildren<QComboBox*>()) {
        const QSignalBlocker quiet(box);
        box->clear();
    }
    for (QLineEdit* edit : area->findChildren<QLineEdit*>())
        edit->clear();
    for (QPlainTextEdit* edit : area->findChildren<QPlainTextEdit*>())
        edit->clear();
    tvcontentsfileview->clear();
    m_session.forms.clear();

    // The What's This list offers the general topics too, so that a control
    // can show one of them (and take its map number).
    // Topic IDs match in any letter case; a set of case-folded IDs keeps the
    // merge linear in the number of topics.
    QStringList whatsThisList = topics.whatsThisTopics;
    QSet<QString> listed;
    listed.reserve(whatsThisList.size() + topics.generalTopics.size());
    for (const QString& topic : std::as_const(whatsThisList))
        listed.insert(topic.toCaseFolded());
    for (const QString& topic : std::as_const(topics.generalTopics)) {
        if (!listed.contains(topic.toCaseFolded())) {
            listed.insert(topic.toCaseFolded());
            whatsThisList << topic;
        }
    }
    whatsThisList.sort(Qt::CaseInsensitive);
    for (auto [box, items] : {std::pair{cbotopicid, &topics.generalTopics},
                              std::pair{cbocftopicid, &topics.generalTopics},
                              std::pair{cbowttopicid, &whatsThisList}}) {
        const QSignalBlocker quiet(box);
        box->addItems(*items);
        box->setCurrentIndex(-1);
        box->clearEditText();
    }

    try {
        m_create->ApplyOptions();
    } catch (const dao::EngineError& e) {
        shell::MsgBox(fileMessage(strdatabasename, e.text()), shell::vbExclamation);
    }

    for (int tab = TabGeneralHelp; tab <= TabCreate; ++tab)
        page(tab)->setModified(false);
    updateTitle();
    CheckForOk();
    statusBar()->showMessage(
        QStringLiteral("Opened %1.").arg(QDir::toNativeSeparators(strdatabasename)), 5000);

    return true;
}

void FrmMain::AddToFilesOpennedList(const QString& strfilename) {
    mnufilesep2->setVisible(true);
    withRegistry([&](IRegistryFunctions& registry) {
        const QStringList written = recentfiles::add(registry, strfilename);
        for (int k = 1; k <= written.size(); ++k) {
            mnuMRU[k]->setText(recentfiles::caption(k, written.at(k - 1)));
            mnuMRU[k]->setVisible(true);
        }
    });
}

void FrmMain::SetupMRUMenu() {
    withRegistry([&](IRegistryFunctions& registry) {
        const QStringList list = recentfiles::read(registry);
        for (int k = 1; k <= list.size(); ++k) {
            mnufilesep2->setVisible(true);
            mnuMRU[k]->setText(recentfiles::caption(k, list.at(k - 1)));
            mnuMRU[k]->setVisible(true);
        }
    });
}
