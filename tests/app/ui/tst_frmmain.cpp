// The main window: its controls and captions, start-up, New, Open and the
// recent-files list, the tab switch and the window's commands.
#include "common/testenv.h"
#include "common/window.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "ui/desktop.h"
#include "ui/frmmain.h"
#include "ui/frmtextedit.h"
#include "ui/transtbwrapper.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWhatsThis>
#include <deque>

namespace {

using Registry = components::Component<IRegistryFunctions>;
const std::int32_t kCurrentUser = static_cast<std::int32_t>(0x80000001u);

// Opens a key of the current user's hive; 0 when it is missing.
std::int32_t openKey(Registry& reg, const QString& path) {
    std::int32_t root = kCurrentUser;
    std::int32_t access = 0x2003F;
    std::int32_t handle = 0;
    QString subkey = path;
    QString className;
    QString create = QStringLiteral("N");
    return reg->KRVOpenRegKey(root, subkey, className, access, create, handle) == 0 ? handle : 0;
}

QStringList valueNames(const QString& keyPath) {
    Registry reg(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t handle = openKey(reg, keyPath);
    if (!handle)
        return {};
    QStringList names;
    for (std::int32_t i = 0;; ++i) {
        QString name;
        QString data;
        if (reg->KRVEmunRegValues(handle, i, name, &data) != 0)
            break;
        names << name;
    }
    reg->KRVCloseRegKey(handle);
    return names;
}

QStringList registryList() {
    Registry reg(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t handle = openKey(reg, QStringLiteral("software\\KRV\\Quillmate"));
    QStringList list;
    for (int k = 1; handle && k <= 5; ++k) {
        QString name = QStringLiteral("MRU%1").arg(k);
        QString value;
        QString create = QStringLiteral("N");
        reg->KRVGetRegEntry(handle, name, value, create);
        if (value.isEmpty())
            break;
        list << value;
    }
    if (handle)
        reg->KRVCloseRegKey(handle);
    return list;
}

// Every control of the window by the name its commands and tests use
// (control-array elements as name_index).
QStringList controlNames() {
    return QStringLiteral(
               "CoolBar tbwWrapper Toolbar1 tabqmt Timer1 frmgenhelp cbotopicid txttopictitle "
               "txtkeywords txtbrowseseq txttopicheader txtmapnumber cmdghnextmapnum "
               "txtgenhelptext "
               "lbltopicid lbltopicidfootnote lbltopictitle lbltopictitlefootnote lblkeywords "
               "lblkfootnote lblbrowseseq lblbrowsefootnote lbltopicheader lblmapnumber "
               "lblhelptext "
               "frmcontentsfile tvcontentsfileview frmcfentrytype opttopic optheading cbocftopicid "
               "txtcftitle cmdaddnode lblcftopicid lblcftitle frmtooltips cbottform cbottobject "
               "txttooltiptext lblttform lblttobject lbltooltiptext frmwhatsthis cbowtform "
               "cbowtobject "
               "cbowttopicid frmwtobjhlptype chkwtwthlp chkwtconsenhlp txtwtmapnumber "
               "cmdwtnextmapnum "
               "txtwthelptext lblwtform lblwtobject lblwttopicid lblwttopicidfootnote "
               "lblwtmapnumber "
               "lblwthelptext frmcreate frmcreateoptions chkcreategeneralhelp "
               "chkcreatecontentsfile "
               "chkcreatetooltips chkcreatecontextsensitivehelp frmoptions chkvbproject chkcompile "
               "cmdwinsize txtwinsize txthelpprojecttitle txthelpprojectfilename "
               "txtvbprojectfilename "
               "txtrtffilename txtcontentsfilename txthelpfilename txtindexfilename "
               "cmdhelpprojectfilebrowse cmdvbproectfilebrowse cmdrtffilebrowse "
               "cmdcontentsfilebrowse "
               "cmdhelpfilebrowse cmdindexfilebrowse lblhelpprojecttitle lblhelpprojectfilename "
               "lblvbprojectfilename lblrtffilename lblcontentsfilename lblhelpfilename "
               "lblindexfile "
               "cmdok cmdcancel cmddelete cmdcreate mnufile mnunew mnuopen mnuimport "
               "mnuimportworkshop "
               "mnuimportvbproject mnuexport mnuexportpdf mnuexportweb mnufilesep3 mnuprintpreview "
               "mnuprint mnufilesep2 mnufilesep1 "
               "mnuexit "
               "mnuview mnuviewhelpfile mnuhelp mnuproghelp mnuwhatsthis mnuhelpsep1 mnuaboutqmt "
               "mnuaboutkrv mnuhelpsep2 mnuviewprojecthelp mnutvcommands mnutvdelete mnucfaddhere "
               "opthelptype_0 opthelptype_1 mnuedit mnusave mnucancel mnudelete mnuzoom mnucreate ")
        .split(u' ', Qt::SkipEmptyParts);
}

// An item of the recent-files list, or none.
QAction* recent(QWidget& window, int position) {
    return window.findChild<QAction*>(QStringLiteral("mnuMRU_%1").arg(position));
}

QString captionOf(QObject* control) {
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->text();
    return QStringLiteral("<no caption>");
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<testenv::RegistryFolder> m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<testenv::Window> m_window;
    QStringList m_messages;
    std::deque<QString> m_answers; // file-dialog answers; empty text = cancel
    QStringList m_opened;          // targets given to the desktop's opener
    bool m_openerAnswer = true;

    testenv::Window& window() { return *m_window; }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<testenv::Window> startWindow() {
        auto w = std::make_unique<testenv::Window>();
        w->Form_Load();
        return w;
    }

    // File, New with the given file name answered in the dialog.
    void newProject(const QString& file) {
        m_answers.push_back(file);
        window().mnunew->trigger();
    }
    void openProject(const QString& file) {
        m_answers.push_back(file);
        window().mnuopen->trigger();
    }
    QStringList menuList() {
        QStringList list;
        for (int k = 1; k <= 5; ++k)
            if (recent(window(), k) && recent(window(), k)->isVisible())
                list << recent(window(), k)->text();
        return list;
    }
    static QStringList captions(const QStringList& paths) {
        QStringList list;
        for (int k = 0; k < paths.size(); ++k)
            list << QStringLiteral("&%1 %2").arg(k + 1).arg(paths.at(k));
        return list;
    }
    void addRow(const QString& table, const QVariantMap& fields) {
        auto rs = window().session().db->OpenRecordset(QStringLiteral("select * from ") + table);
        rs->AddNew();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            rs->SetField(it.key(), it.value());
        rs->Update();
    }
    // Everything a command could change in the window.
    QStringList windowState() {
        QStringList state;
        state << window().windowTitle() << window().session().projectPath;
        for (QWidget* w : window().findChildren<QWidget*>()) {
            QString line = w->objectName() + QLatin1Char(' ') + QString::number(w->isEnabled()) +
                           QString::number(w->isHidden());
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                line += edit->text();
            else if (auto* text = qobject_cast<QPlainTextEdit*>(w))
                line += text->toPlainText();
            else if (auto* box = qobject_cast<QComboBox*>(w))
                line += box->currentText() + QString::number(box->count());
            state << line;
        }
        for (QAction* a : window().findChildren<QAction*>())
            state << a->objectName() + QString::number(a->isEnabled()) +
                         QString::number(a->isVisible()) + a->text();
        return state;
    }

private slots:
    void initTestCase() {
        shell::setMessageHandler([this](const shell::MessageRequest& request) {
            m_messages << request.text;
            return int(shell::vbOK);
        });
        shell::setFileDialogHandler([this](const shell::FileDialogRequest& request) {
            if ((request.filter != LoadResString(str::filter::QuillmateFiles) &&
                 request.filter != LoadResString(str::filter::VbProjects) &&
                 !request.filter.contains(QLatin1String("pdf")) &&
                 !request.filter.contains(QLatin1String("index.html"))) ||
                m_answers.empty())
                return QString();
            const QString answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
        desktop::setOpener([this](const QString& target) {
            m_opened << target;
            return m_openerAnswer;
        });
    }

    void init() {
        m_registry = std::make_unique<testenv::RegistryFolder>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
        m_answers.clear();
        m_opened.clear();
        m_openerAnswer = true;
        m_window = startWindow();
    }

    void cleanup() {
        QWhatsThis::leaveWhatsThisMode();
        m_window.reset();
        m_dir.reset();
        m_registry.reset();
    }

    void everyControlExistsWithItsName() {
        const QStringList names = controlNames();
        for (const QString& name : names)
            QVERIFY2(window().findChild<QObject*>(name), qPrintable(name));
        QCOMPARE(window().findChild<QObject*>(QStringLiteral("opthelptype_1")),
                 static_cast<QObject*>(window().opthelptype[1]));
        QCOMPARE(window().Toolbar1->objectName(), QStringLiteral("Toolbar1"));
        QVERIFY(qobject_cast<QPlainTextEdit*>(window().txtgenhelptext));
        QVERIFY(window().cbotopicid->isEditable() && window().cbowtform->isEditable());
        QCOMPARE(window().Timer1->interval(), 200);
        QVERIFY(!window().Timer1->isActive());
    }

    void captionsComeFromTheStringTable() {
        // A few captions of each tab and of the window's own controls: every
        // caption is set by its owner's loadStrings from the string table.
        const std::pair<const char*, int> table[] = {
            {"lbltopicid", str::caption::TopicId},
            {"cmdghnextmapnum", str::caption::Next},
            {"optheading", str::caption::Heading},
            {"mnutvdelete", str::menu::Delete},
            {"lbltooltiptext", str::caption::ToolTipText},
            {"frmwtobjhlptype", str::caption::ObjectHelpType},
            {"opthelptype_1", str::caption::WindowsHelp},
            {"lblhelpprojecttitle", str::caption::HelpProjectTitle},
            {"cmdok", str::caption::Ok},
            {"mnufile", str::menu::File},
            {"mnuviewprojecthelp", str::menu::ViewProjectHelp},
        };
        for (const auto& [name, id] : table) {
            QObject* control = window().findChild<QObject*>(QLatin1String(name));
            QVERIFY2(control, name);
            QCOMPARE(captionOf(control), LoadResString(id));
        }
        // The topic ID is spelt alike on every tab.
        for (int id : {str::caption::TopicId, str::caption::EntryTopicId})
            QCOMPARE(LoadResString(id), QStringLiteral("Topic ID"));
        QCOMPARE(window().windowTitle(), QStringLiteral("Quillmate"));
        QCOMPARE(window().mnuimport->title(), QStringLiteral("Import"));
        QCOMPARE(window().mnuprint->text(), QStringLiteral("Print..."));
        QCOMPARE(window().cbotopicid->toolTip(),
                 QStringLiteral("Enter the ID for this section of help."));
        QCOMPARE(
            window().txttooltiptext->toolTip(),
            QStringLiteral("Enter the text that will appear when the mouse is above the control."));
        QCOMPARE(window().mnunew->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(window().mnuopen->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(window().mnuproghelp->shortcut(), QKeySequence(Qt::Key_F1));
        const QStringList tabs = {QStringLiteral("General Help"), QStringLiteral("Contents File"),
                                  QStringLiteral("Tool Tips"), QStringLiteral("What's This?"),
                                  QStringLiteral("Create")};
        QCOMPARE(window().tabqmt->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(window().tabqmt->tabText(i), tabs.at(i));
    }

    void toolbarAndMenusAsDesigned() {
        const QStringList tips = {QStringLiteral("New project"),
                                  QStringLiteral("Open project"),
                                  QStringLiteral("Save project"),
                                  QStringLiteral("Print topic"),
                                  QString(),
                                  QStringLiteral("Delete"),
                                  QStringLiteral("Zoom edit"),
                                  QStringLiteral("Create"),
                                  QString(),
                                  QStringLiteral("Help"),
                                  QStringLiteral("Exit")};
        // The buttons are the menus' own commands; without a project only
        // those that need none are offered.
        const QList<QAction*> commands = {
            window().mnunew, window().mnuopen,      window().mnusave, window().mnuprint,
            nullptr,         window().mnudelete,    window().mnuzoom, window().mnucreate,
            nullptr,         window().mnuwhatsthis, window().mnuexit};
        QCOMPARE(window().Toolbar1->actions().size(), 11);
        for (int i = 1; i <= 11; ++i) {
            QAction* button = window().toolbarButtons[i];
            QCOMPARE(window().Toolbar1->actions().at(i - 1), button);
            QCOMPARE(button->isSeparator(), i == 5 || i == 9);
            if (!button->isSeparator()) {
                QCOMPARE(button, commands.at(i - 1));
                QCOMPARE(button->toolTip(), tips.at(i - 1));
                QVERIFY(!button->icon().isNull());
                QCOMPARE(button->isEnabled(), i != 3 && (i < 6 || i > 8));
            }
        }
        QCOMPARE(window().tbwWrapper->Toolbar(), window().Toolbar1);
        QVERIFY(window().tbwWrapper->Transparent());
        QVERIFY(!window().tbwWrapper->ListStyle());
        QCOMPARE(window().tbwWrapper->parentWidget(), window().CoolBar);

        QList<QMenu*> barMenus;
        for (QAction* a : window().menuBar()->actions())
            barMenus << a->menu();
        QCOMPARE(barMenus, (QList<QMenu*>{window().mnufile, window().mnuedit, window().mnuview,
                                          window().mnuhelp}));
        QVERIFY(!window().mnuimport->menuAction()->isEnabled());
        for (QAction* hidden :
             {window().mnufilesep2, window().mnuhelpsep2, window().mnuviewprojecthelp})
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        for (QAction* shown :
             {window().mnufilesep1, window().mnuexit, window().mnuhelpsep1, window().mnuwhatsthis,
              window().mnuaboutkrv, window().mnufilesep3, window().mnuprintpreview,
              window().mnuprint, window().mnuexportpdf, window().mnuexportweb})
            QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
    }

    void startUpShowsTheGeneralHelpPageOnly() {
        QVERIFY(!window().frmgenhelp->isHidden());
        for (QWidget* frame : {window().frmcontentsfile, window().frmtooltips,
                               window().frmwhatsthis, window().frmcreate})
            QVERIFY(frame->isHidden());
        for (QPushButton* b : {window().cmdok, window().cmdcreate, window().cmddelete})
            QVERIFY(!b->isEnabled());
        QVERIFY(!window().session().isOpen());
        QVERIFY(window().session().projectPath.isEmpty());
    }

    void firstStartRunsTheSetupOnce() {
        // init() started the window on an empty registry.
        const QString key = QStringLiteral("Software\\KRV\\Quillmate\\ToolTipControls");
        const QStringList names = valueNames(key);
        QCOMPARE(names.size(), 39);
        QVERIFY(names.contains(QStringLiteral("OLE Container")));
        QVERIFY(menuList().isEmpty());
        QVERIFY(!window().mnufilesep2->isVisible());
        QVERIFY(m_messages.isEmpty());

        // A present but empty key is not filled again.
        {
            Registry reg(QStringLiteral("KRVRegF.RegistryFunctions"));
            std::int32_t handle = openKey(reg, key);
            QVERIFY(handle);
            for (const QString& name : names) {
                QVariant value = name;
                QCOMPARE(reg->KRVDeleteRegValue(handle, value), 0);
            }
            reg->KRVCloseRegKey(handle);
        }
        auto again = startWindow();
        QCOMPARE(valueNames(key).size(), 0);
    }

    void aDamagedSettingsFileIsNamedAndLeftAlone() {
        testenv::RegistryFolder damaged;
        const QString hive = damaged.path() + QStringLiteral("/HKCU.hive");
        const QByteArray garbage(4096, '\x5a');
        QVERIFY(testenv::writeAll(hive, garbage));
        m_messages.clear();
        auto again = startWindow();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(QDir::toNativeSeparators(hive)),
                 qPrintable(m_messages.first()));
        QVERIFY(menuList().isEmpty());
        QCOMPARE(testenv::readAll(hive), garbage);
    }

    void sixProjectsLeaveTheLastFiveNewestFirst() {
        QStringList paths;
        for (int n = 1; n <= 6; ++n) {
            paths.prepend(path(QStringLiteral("p%1.QMT").arg(n)));
            newProject(paths.first());
            QCOMPARE(window().session().projectPath, paths.first());
        }
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        paths.removeLast();
        QCOMPARE(registryList(), paths);
        QCOMPARE(menuList(), captions(paths));
        QVERIFY(window().mnufilesep2->isVisible());
        QVERIFY(window().mnuimport->menuAction()->isEnabled());

        // A new window shows the list from the registry.
        auto next = startWindow();
        QStringList shown;
        for (int k = 1; k <= 5; ++k)
            if (recent(*next, k) && recent(*next, k)->isVisible())
                shown << recent(*next, k)->text();
        QCOMPARE(shown, captions(paths));
    }

    void reopeningAndTheRecentFilesMenu() {
        QStringList paths;
        for (int n = 1; n <= 4; ++n) {
            paths.prepend(path(QStringLiteral("q%1.QMT").arg(n)));
            newProject(paths.first());
        }
        // Through Open: the order stays, Import is disabled.
        openProject(paths.at(2));
        QCOMPARE(window().session().projectPath, paths.at(2));
        QCOMPARE(registryList(), paths);
        QVERIFY(!window().mnuimport->menuAction()->isEnabled());

        // The first item: the list and the Import menu stay as they were.
        newProject(path(QStringLiteral("q5.QMT")));
        paths.prepend(path(QStringLiteral("q5.QMT")));
        QVERIFY(window().mnuimport->menuAction()->isEnabled());
        recent(window(), 1)->trigger();
        QCOMPARE(window().session().projectPath, paths.at(0));
        QCOMPARE(registryList(), paths);
        QVERIFY(window().mnuimport->menuAction()->isEnabled());

        // The third item moves to the top; the two above it move down.
        recent(window(), 3)->trigger();
        QCOMPARE(window().session().projectPath, paths.at(2));
        paths.move(2, 0);
        QCOMPARE(registryList(), paths);
        QCOMPARE(menuList(), captions(paths));
        QVERIFY(!valueNames(QStringLiteral("software\\KRV\\Quillmate"))
                     .contains(QStringLiteral("MRU0"), Qt::CaseInsensitive));
        QVERIFY(!window().mnuimport->menuAction()->isEnabled());
        QVERIFY(m_messages.isEmpty());
    }

    // After New, File, Import, Visual Basic Project brings the forms' tool
    // tips in; the window shows them at once, and Import stays offered.
    void importIntoTheNewProject() {
        newProject(path(QStringLiteral("imported.QMT")));
        QVERIFY(
            testenv::writeAll(path(QStringLiteral("frmMain.frm")),
                              "VERSION 5.00\r\nBegin VB.Form frmMain\r\n   Begin VB.CommandButton "
                              "cmdOK\r\n      ToolTipText = \"Saves\"\r\n   End\r\nEnd\r\n"
                              "Attribute VB_Name = \"frmMain\"\r\n"));
        QVERIFY(testenv::writeAll(path(QStringLiteral("app.vbp")), "Form=frmMain.frm\r\n"));
        m_messages.clear();
        m_answers.push_back(path(QStringLiteral("app.vbp")));
        window().mnuimportvbproject->trigger();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(QStringLiteral("1 tool tip.")),
                 qPrintable(m_messages.first()));
        QCOMPARE(window().txtvbprojectfilename->text(), path(QStringLiteral("app.vbp")));
        QVERIFY(window().cbottform->findText(QStringLiteral("frmMain")) >= 0);
        QVERIFY(window().mnuimport->menuAction()->isEnabled());
    }

    void openFillsTheWindowFromTheProject() {
        const QString file = path(QStringLiteral("filled.QMT"));
        newProject(file);
        addRow(QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("ZETA")}});
        addRow(QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("ALPHA")}});
        addRow(QStringLiteral("GeneralHelp"),
               {{QStringLiteral("TopicID"), QStringLiteral("wt_ok")}});
        addRow(QStringLiteral("WhatsThis"),
               {{QStringLiteral("Object"), QStringLiteral("frmA.cmdOK")},
                {QStringLiteral("TopicID"), QStringLiteral("WT_OK")},
                {QStringLiteral("Status"), QStringLiteral("A")},
                {QStringLiteral("Type"), QStringLiteral("Both")}});
        for (const auto& [option, value] :
             {std::pair{"WINT", "11"}, std::pair{"WINL", "22"}, std::pair{"WINH", "33"}})
            addRow(QStringLiteral("Options"), {{QStringLiteral("Option"), QLatin1String(option)},
                                               {QStringLiteral("Descr"), QLatin1String(value)},
                                               {QStringLiteral("Status"), QStringLiteral("A")}});
        window().txttopictitle->setText(QStringLiteral("left over"));
        window().txtwthelptext->setPlainText(QStringLiteral("left over"));
        window().mnuhelpsep2->setVisible(true);
        window().mnuviewprojecthelp->setVisible(true);

        QVERIFY(window().DataBaseOpen(file));
        QVERIFY(window().txttopictitle->text().isEmpty());
        QVERIFY(window().txtwthelptext->toPlainText().isEmpty());
        QVERIFY(!window().mnuhelpsep2->isVisible());
        QVERIFY(!window().mnuviewprojecthelp->isVisible());
        auto items = [](QComboBox* box) {
            QStringList list;
            for (int i = 0; i < box->count(); ++i)
                list << box->itemText(i);
            return list;
        };
        QCOMPARE(items(window().cbotopicid),
                 QStringList(
                     {QStringLiteral("ALPHA"), QStringLiteral("wt_ok"), QStringLiteral("ZETA")}));
        QCOMPARE(items(window().cbocftopicid), items(window().cbotopicid));
        // What's This may use general topics too, each ID once in any letter case.
        QCOMPARE(items(window().cbowttopicid),
                 QStringList(
                     {QStringLiteral("ALPHA"), QStringLiteral("WT_OK"), QStringLiteral("ZETA")}));
        QVERIFY(window().cbotopicid->currentText().isEmpty());
        // Rows as older versions wrote them: WINT is the width.
        QCOMPARE(window().txtwinsize->text(), QStringLiteral("pos(22,98) size(11,33)"));
        QCOMPARE(window().session().window.top, QStringLiteral("98"));
        QVERIFY(m_messages.isEmpty());
    }

    void theApplicationProjectPathSurvivesAProjectWithoutOne() {
        const QString file = path(QStringLiteral("novbpf.QMT"));
        newProject(file);
        const QString app = path(QStringLiteral("app/App.vbp"));
        window().session().appProjectPath = app;
        openProject(file);
        QCOMPARE(window().session().projectPath, file);
        QCOMPARE(window().session().appProjectPath, app);
    }

    void cancellingNewOrOpenChangesNothing() {
        const QString file = path(QStringLiteral("kept.QMT"));
        newProject(file);
        const QStringList before = windowState();
        const QStringList list = registryList();
        dao::Database* db = window().session().db.get();
        newProject(QString());
        openProject(QString());
        openProject(path(QStringLiteral("missing.QMT")));
        QCOMPARE(windowState(), before);
        QCOMPARE(registryList(), list);
        QCOMPARE(window().session().db.get(), db);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("kept.QMT")}));
        QVERIFY(m_messages.isEmpty());
    }

    void newAddsTheExtensionWhenNoneIsTyped() {
        newProject(path(QStringLiteral("Demo")));
        QCOMPARE(window().session().projectPath, path(QStringLiteral("Demo.QMT")));
        QVERIFY(QFileInfo::exists(path(QStringLiteral("Demo.QMT"))));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("Demo"))));
        // A typed extension stays, whatever it is.
        newProject(path(QStringLiteral("help.project")));
        QCOMPARE(window().session().projectPath, path(QStringLiteral("help.project")));
        QVERIFY(window().windowTitle().startsWith(QStringLiteral("Quillmate - help.project[*]")));
    }

    void toolbarNewAndOpenRunTheFileCommands() {
        const QString first = path(QStringLiteral("tb1.QMT"));
        m_answers.push_back(first);
        window().toolbarButtons[1]->trigger();
        QCOMPARE(window().session().projectPath, first);
        newProject(path(QStringLiteral("tb2.QMT")));
        m_answers.push_back(first);
        window().toolbarButtons[2]->trigger();
        QCOMPARE(window().session().projectPath, first);
        QVERIFY(!window().mnuimport->menuAction()->isEnabled());
    }

    void theProgramOpensAProjectGivenOnItsCommandLine() {
        const QString file = path(QStringLiteral("cmdline.QMT"));
        newProject(file);
        m_window.reset();              // closes the project
        testenv::RegistryFolder fresh; // the program starts on an empty registry
        QProcess program;
        program.start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"),
                      {file});
        QVERIFY(program.waitForStarted());
        // Opening as File, Open does puts the project at the top of the list.
        QTRY_COMPARE_WITH_TIMEOUT(registryList(), QStringList({file}), 10000);
        program.kill();
        program.waitForFinished();
    }

    void refusedFilesAreReportedAndTheProjectIsKept() {
        const QString kept = path(QStringLiteral("kept.QMT"));
        newProject(kept);
        const QString other = path(QStringLiteral("other.QMT"));
        newProject(other);
        newProject(path(QStringLiteral("third.QMT")));
        openProject(kept);
        const QStringList list = registryList();
        dao::Database* db = window().session().db.get();
        const QString text = path(QStringLiteral("notes.QMT"));
        QVERIFY(testenv::writeAll(text, "plain text, not a project\r\n"));

        // Each message names the file once, as a project file.
        newProject(other); // the file exists: the engine refuses
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.last().count(QDir::toNativeSeparators(other)), 1);
        QVERIFY2(m_messages.last().contains(QStringLiteral("project file")),
                 qPrintable(m_messages.last()));
        openProject(text);
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages.last().count(QDir::toNativeSeparators(text)), 1);
        QVERIFY(m_messages.last().size() > text.size() + 4); // the refusal follows the name
        for (const QString& message : std::as_const(m_messages))
            QVERIFY2(!message.contains(QStringLiteral("atabase")), qPrintable(message));

        QCOMPARE(window().session().projectPath, kept);
        QCOMPARE(window().session().db.get(), db);
        QVERIFY(window().session().isOpen());
        QCOMPARE(registryList(), list);

        // A recent file that has gone: reported, list and project unchanged.
        QCOMPARE(recent(window(), 2)->text(), QStringLiteral("&2 ") + other);
        QVERIFY(QFile::remove(other));
        recent(window(), 2)->trigger();
        QCOMPARE(m_messages.size(), 3);
        QVERIFY(m_messages.last().contains(QDir::toNativeSeparators(other)));
        QCOMPARE(registryList(), list);
        QCOMPARE(window().session().db.get(), db);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void tabSwitchShowsOneFrameAndDisablesOk() {
        const QList<QWidget*> frames = {window().frmgenhelp, window().frmcontentsfile,
                                        window().frmtooltips, window().frmwhatsthis,
                                        window().frmcreate};
        for (int tab : {2, 3, 4, 1, 5, 2, 4, 3, 1}) {
            window().cmdok->setEnabled(true);
            window().cmddelete->setEnabled(true);
            window().tabqmt->setCurrentIndex(tab - 1);
            QVERIFY(!window().cmddelete->isEnabled()); // every form is empty
            QCOMPARE(window().SelectedTab(), tab);
            for (int i = 0; i < frames.size(); ++i)
                QCOMPARE(frames.at(i)->isHidden(), i != tab - 1);
            if (tab != 5)
                QVERIFY(!window().cmdok->isEnabled());
            if (tab == 2)
                QVERIFY(!window().cmdaddnode->isEnabled());
        }
        // A click on the strip switches too.
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTest::mouseClick(window().tabqmt, Qt::LeftButton, {},
                          window().tabqmt->tabRect(3).center());
        QCOMPARE(window().SelectedTab(), 4);
        QVERIFY(!window().frmwhatsthis->isHidden());
        QCOMPARE(QApplication::focusWidget(), window().cbowtform);
    }

    void aDragOutsideTheTreeStopsItsScrolling() {
        QMimeData data;
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window(), &enter);
        QVERIFY(!enter.isAccepted()); // only the tree's own nodes are followed
        // The platform tells the tree when a drag leaves it (a leave event
        // sent by hand is not delivered outside a drag).
        window().Timer1->start();
        emit window().tvcontentsfileview->dragLeft();
        QVERIFY(!window().Timer1->isActive());
    }

    void helpButtonAndWhatsThisItemBehaveAlike() {
        window().toolbarButtons[10]->trigger();
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();
        QVERIFY(!QWhatsThis::inWhatsThisMode());
        window().mnuwhatsthis->trigger();
        QVERIFY(QWhatsThis::inWhatsThisMode());
    }

    // Print asks for a printer, the preview shows the manual's pages, and the
    // exports write what the dialogs name; none of them changes the window.
    void printPreviewAndExports() {
        newProject(path(QStringLiteral("print.QMT")));
        for (const char* id : {"IDH_A", "IDH_B"})
            addRow(QStringLiteral("GeneralHelp"),
                   {{QStringLiteral("TopicID"), QString::fromLatin1(id)},
                    {QStringLiteral("TopicTitle"),
                     QString(QStringLiteral("Title of ") + QString::fromLatin1(id))},
                    {QStringLiteral("HelpText"), QStringLiteral("Some text.")},
                    {QStringLiteral("Status"), QStringLiteral("A")}});
        const QStringList before = windowState();
        const auto answer = [](const char* name, std::function<void(QDialog*)> then) {
            QTimer::singleShot(0, [name, then] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->objectName(), QLatin1String(name));
                then(dialog);
                dialog->reject();
            });
        };
        for (QAction* print : {window().toolbarButtons[4], window().mnuprint}) {
            answer("dlgprint", [](QDialog*) {}); // cancelled: nothing is printed
            print->trigger();
        }
        int pages = 0;
        answer("dlgprintpreview", [&pages](QDialog* dialog) {
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            QVERIFY(preview);
            QTRY_VERIFY(preview->pageCount() > 0);
            pages = preview->pageCount();
        });
        window().mnuprintpreview->trigger();
        QCOMPARE(pages, 4); // title page, contents, two topics
        QCOMPARE(windowState(), before);

        m_answers.push_back(path(QStringLiteral("manual"))); // the extension is added
        window().mnuexportpdf->trigger();
        QVERIFY(testenv::readAll(path(QStringLiteral("manual.pdf"))).startsWith("%PDF-"));
        m_answers.push_back(path(QStringLiteral("web/index.html")));
        window().mnuexportweb->trigger();
        QVERIFY(QFileInfo::exists(path(QStringLiteral("web/IDH_B.htm"))));
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
        QCOMPARE(windowState(), before);
    }

    void exitClosesTheWindowAndTheProject() {
        newProject(path(QStringLiteral("exit.QMT")));
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        window().toolbarButtons[11]->trigger();
        QVERIFY(!window().isVisible());
        QVERIFY(!window().session().isOpen());
        QVERIFY(!window().tbwWrapper->Toolbar());
        QVERIFY(window().Toolbar1->isHidden());

        auto other = startWindow();
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(other.get()));
        other->mnuexit->trigger();
        QVERIFY(!other->isVisible());
    }

    void helpCommandsGoToTheDesktop() {
        window().mnuproghelp->trigger();
        QCOMPARE(m_opened, QStringList({desktop::programHelpPath()}));
        QVERIFY(
            desktop::programHelpPath().endsWith(QLatin1String("/share/quillmate/help/index.html")));

        window().txthelpfilename->setText(QStringLiteral("/work/out/Project.hlp"));
        window().mnuviewprojecthelp->trigger();
        QCOMPARE(m_opened.last(), QStringLiteral("/work/out/Project.hlp"));
        // HTML Help: the compiled file where the help project puts it.
        window().opthelptype[0]->setChecked(true);
        window().txthelpprojectfilename->setText(QStringLiteral("/work/src/help.hhp"));
        window().txthelpfilename->setText(QStringLiteral("../out/help.chm"));
        window().mnuviewprojecthelp->trigger();
        QCOMPARE(m_opened.last(), QStringLiteral("/work/out/help.chm"));
        window().opthelptype[1]->setChecked(true);
        window().txthelpfilename->setText(QStringLiteral("/work/out/Project.hlp"));

        window().mnuviewhelpfile->trigger();
        QCOMPARE(m_opened.last(), QStringLiteral("/work/out/Project.hlp"));
        QVERIFY(m_messages.isEmpty());
        m_openerAnswer = false;
        window().mnuviewhelpfile->trigger();
        QCOMPARE(m_messages, QStringList({QStringLiteral("Help file missing\n/work/out/Project.hlp "
                                                         "does not exist.")}));

        // A help file that is there but has no viewer is not called missing.
        const QString there = m_dir->filePath(QStringLiteral("There.hlp"));
        QVERIFY(testenv::writeAll(there, "?_"));
        window().txthelpfilename->setText(there);
        window().mnuviewhelpfile->trigger();
        QVERIFY2(m_messages.last().startsWith(QDir::toNativeSeparators(there) +
                                              QStringLiteral(" exists, but no program to show "
                                                             "it was found")) &&
                     m_messages.last().contains(u"xdg-open") &&
                     m_messages.last().contains(u"wine winhlp32"),
                 qPrintable(m_messages.last()));

        // Nothing to open the program's help: its guide is shown inside the
        // program; nothing to open the maker's page is said.
        window().mnuproghelp->trigger();
        auto* guide = window().findChild<QWidget*>(QStringLiteral("frmguide"));
        QVERIFY(guide && guide->isVisible());
        auto* text = guide->findChild<QTextBrowser*>(QStringLiteral("txtguide"));
        QVERIFY(text && text->toPlainText().contains(u"Quillmate Help"));
        guide->close();
        QCOMPARE(m_messages.size(), 2);
        window().mnuaboutkrv->trigger();
        QVERIFY(m_opened.last().startsWith(QLatin1String("https://")));
        QCOMPARE(m_messages.last(),
                 m_opened.last() + QStringLiteral(" could not be opened: no program "
                                                  "for it (a web browser) was found."));
        QCOMPARE(m_messages.size(), 3);
    }

    // Without a desktop opener, the viewers known for a help file's kind are
    // looked for on PATH and started with the file.
    void knownViewersAreTriedWithoutAnOpener() {
        const QByteArray path = qgetenv("PATH");
        const QString bin = m_dir->filePath(QStringLiteral("bin"));
        const QString log = m_dir->filePath(QStringLiteral("viewer.log"));
        for (const char* program : {"kchmviewer", "wine"}) {
            const QString file = bin + u'/' + QString::fromLatin1(program);
            QVERIFY(testenv::writeAll(file, "#!/bin/sh\necho \"$0 $*\" > \"" +
                                                QFile::encodeName(log) + "\"\n"));
            QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin));
        const struct {
            const char* file;
            QStringList command;
        } rows[] = {
            {"a.chm", {bin + QStringLiteral("/kchmviewer"), QStringLiteral("a.chm")}},
            {"B.HLP",
             {bin + QStringLiteral("/wine"), QStringLiteral("winhlp32"), QStringLiteral("B.HLP")}},
            {"c.html", {}},
        };
        for (const auto& row : rows) {
            const QList<QStringList> found = desktop::viewersFor(QString::fromLatin1(row.file));
            QCOMPARE(found.value(0), row.command);
            QVERIFY(found.size() <= 1);
        }
        // The whole way: no xdg-open on this PATH, so the viewer shows the file.
        const QString chm = m_dir->filePath(QStringLiteral("guide.chm"));
        QVERIFY(testenv::writeAll(chm, "ITSF"));
        const desktop::Opener scripted = desktop::setOpener({});
        const bool opened = desktop::openWithDesktop(chm);
        desktop::setOpener(scripted);
        qputenv("PATH", path);
        QVERIFY(opened);
        QTRY_VERIFY(QFile::exists(log));
        QTRY_COMPARE(testenv::readAll(log).trimmed(),
                     QFile::encodeName(bin + QStringLiteral("/kchmviewer ") + chm));
    }

    void keysOfTheWindow() {
        window().show();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        // What's This mode from the keyboard.
        QTest::keySequence(&window(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();

        // Tabs in turn, forwards and back, from a text field too.
        window().txtgenhelptext->setFocus();
        const std::pair<QKeySequence, int> steps[] = {
            {QKeySequence(Qt::CTRL | Qt::Key_Tab), FrmMain::TabContentsFile},
            {QKeySequence(Qt::CTRL | Qt::Key_PageDown), FrmMain::TabToolTips},
            {QKeySequence(Qt::CTRL | Qt::Key_PageUp), FrmMain::TabContentsFile},
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), FrmMain::TabGeneralHelp},
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), FrmMain::TabCreate},
        };
        for (const auto& [keys, tab] : steps) {
            QTest::keySequence(QApplication::focusWidget(), keys);
            QCOMPARE(window().SelectedTab(), tab);
        }
    }

    void aboutBoxShowsTheProgramsName() {
        const auto before = QApplication::topLevelWidgets();
        window().mnuaboutqmt->trigger();
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        QWidget* about = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w) && w->isVisible())
                about = w;
        QVERIFY(about);
        about->close();
    }

    void zoomEditOnlyOnGeneralHelpWithAProject() {
        bool shown = false;
        auto answerEditor = [&shown] {
            QTimer::singleShot(0, [&shown] {
                auto* editor = qobject_cast<FrmTextEdit*>(QApplication::activeModalWidget());
                if (!editor)
                    return;
                shown = true;
                editor->findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("edited"));
                editor->accept();
            });
        };
        window().txtgenhelptext->setPlainText(QStringLiteral("original"));
        answerEditor();
        window().toolbarButtons[7]->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!shown); // no project open

        newProject(path(QStringLiteral("zoom.QMT")));
        window().txtgenhelptext->setPlainText(QStringLiteral("original"));
        window().tabqmt->setCurrentIndex(2);
        answerEditor();
        window().toolbarButtons[7]->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!shown); // not the General Help tab

        window().tabqmt->setCurrentIndex(0);
        answerEditor();
        window().toolbarButtons[7]->trigger();
        QVERIFY(shown);
        QCOMPARE(window().txtgenhelptext->toPlainText(), QStringLiteral("edited"));
        auto rs = window().session().db->OpenRecordset(QStringLiteral("select * from generalhelp"),
                                                       dao::dbOpenSnapshot);
        QCOMPARE(rs->RecordCount(), 0); // not saved
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
