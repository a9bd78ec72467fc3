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
#include "tabs/tabpage.h"
#include "topicmodel.h"
#include "ui_frmmain.h"
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
    connect(m_ui->mnunew, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnunew_Click(); }); });
    connect(m_ui->mnuopen, &QAction::triggered, this,
            [this] { ui::runCommand([this] { mnuopen_Click(); }); });
    connect(m_ui->mnuimportworkshop, &QAction::triggered, this, [this] {
        ui::runCommand([this] {
            importFiles(
                tr("Help Workshop Projects (*.HPJ)|*.HPJ|Help Files (*.HLP)|*.HLP|Compiled HTML "
                   "Help Files (*.CHM)|*.CHM|Contents Files (*.CNT)|*.CNT|Topic Files "
                   "(*.RTF)|*.RTF|Map Headers (*.H;*.HH;*.HM;*.BAS)|*.H;*.HH;*.HM;*.BAS"));
        });
    });
    connect(m_ui->mnuimportvbproject, &QAction::triggered, this, [this] {
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
    statusBar()->showMessage(report.ok() ? tr("Imported %1.").arg(QFileInfo(source).fileName())
                                         : tr("Nothing was imported."));
    shell::MsgBox(import::DescribeImport(report),
                  report.ok() ? shell::vbInformation : shell::vbExclamation);
}

void FrmMain::Form_Load() {
    SetupToolbars();
    LoadStrings();
    m_ui->tabqmt->setCurrentIndex(TabGeneralHelp - 1);
    CheckForOk();
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
    contentsTab().ResetContentsState();
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
    m_ui->mnuimport->menuAction()->setEnabled(true);
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
    m_ui->mnuimport->menuAction()->setEnabled(false);
    QCoreApplication::processEvents();
    return true;
}

void FrmMain::mnuMRU_Click(QString path) {
    if (!confirmAllChanges())
        return;
    ui::WaitCursor wait;
    // A file that cannot be opened leaves the project and the list as they were.
    if (!DataBaseOpen(path))
        return;
    if (!m_session.appProjectPath.isEmpty())
        m_forms->ProcessVBProject();
    int position = 0;
    for (int k = 0; k < m_recent.size() && position == 0; ++k) {
        if (recentfiles::pathFromCaption(m_recent.at(k)->text()) == path)
            position = k + 1;
    }
    if (position <= 1)
        return;
    m_ui->mnuimport->menuAction()->setEnabled(false);
    withRegistry(
        [&](IRegistryFunctions& registry) { recentfiles::moveToTop(registry, position, path); });
    SetupMRUMenu();
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

    m_ui->mnuhelpsep2->setVisible(false);
    m_ui->mnuviewprojecthelp->setVisible(false);
    if (m_session.db) {
        try {
            m_session.db->Close();
        } catch (...) {
        }
    }
    m_session.db = std::move(db);
    m_session.projectPath = strdatabasename;

    m_session.forms.clear();
    // The topic lists first, then every tab empties its fields or shows
    // what the project holds.
    m_topics->reset(topics.generalTopics, topics.whatsThisTopics);
    for (TabPage* page : m_pages) {
        try {
            page->projectOpened();
        } catch (const dao::EngineError& e) {
            shell::MsgBox(fileMessage(strdatabasename, e.text()), shell::vbExclamation);
        }
    }

    for (TabPage* page : m_pages)
        page->setModified(false);
    updateTitle();
    statusBar()->showMessage(tr("Opened %1.").arg(QDir::toNativeSeparators(strdatabasename)), 5000);

    return true;
}

void FrmMain::AddToFilesOpennedList(const QString& strfilename) {
    withRegistry([&](IRegistryFunctions& registry) { recentfiles::add(registry, strfilename); });
    SetupMRUMenu();
}

void FrmMain::SetupMRUMenu() {
    // An item may be the one being chosen: it goes once its command is done.
    for (QAction* item : std::as_const(m_recent)) {
        m_ui->mnufile->removeAction(item);
        item->setObjectName(QString());
        item->deleteLater();
    }
    m_recent.clear();
    QStringList list;
    withRegistry([&](IRegistryFunctions& registry) { list = recentfiles::read(registry); });
    for (int k = 1; k <= list.size(); ++k) {
        const QString path = list.at(k - 1);
        auto* item = new QAction(recentfiles::caption(k, path), m_ui->mnufile);
        item->setObjectName(QStringLiteral("mnuMRU_%1").arg(k));
        item->setWhatsThis(tr("Opens %1 again. Unsaved changes are asked about first.")
                               .arg(QDir::toNativeSeparators(path)));
        connect(item, &QAction::triggered, this,
                [this, path] { ui::runCommand([this, path] { mnuMRU_Click(path); }); });
        m_ui->mnufile->insertAction(m_ui->mnufilesep1, item);
        m_recent << item;
    }
    m_ui->mnufilesep2->setVisible(!m_recent.isEmpty());
}
