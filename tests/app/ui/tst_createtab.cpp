// The Create tab of the main window: help type, automatic file names, browse
// buttons, the help texts' fonts and colours (and the preview in them) and the
// Create command.
#include "app/generation/genfixture.h"
#include "common/testenv.h"
#include "common/window.h"

#include "shell/dialogs.h"
#include "ui/createreportdialog.h"
#include "ui/createrun.h"
#include "ui/desktop.h"
#include "ui/frmmain.h"
#include "ui/frmprogress.h"
#include "ui/tabs/createtab.h"
#include "workspace/options.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace genfixture;

class TestGenerationWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<testenv::RegistryFolder> m_registry; // one per test: no compiler left behind
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<testenv::Window> m_w;
    std::unique_ptr<testenv::DialogScript> m_dialogs;
    QStringList messages() const { return m_dialogs->texts(); }

    QString path(const QString& name) const { return m_dir->filePath(name); }

    // Shows a tab and lets its layout settle, so clicks land on the controls.
    void selectTab(int tab) {
        m_w->tabqmt->setCurrentIndex(tab - 1);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    void focusOut(QWidget* widget) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(widget, &out);
    }

    // Opens a project with one topic and fills the Create tab for Windows Help.
    void openProjectOnCreateTab() {
        {
            auto db = testenv::freshProject(path(QStringLiteral("p.QMT")));
            addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QString(), QString(),
                     QStringLiteral("Text"), 10);
        }
        QVERIFY(m_w->DataBaseOpen(path(QStringLiteral("p.QMT"))));
        selectTab(FrmMain::TabGeneralHelp);
        selectTab(FrmMain::TabCreate);
        m_w->txthelpprojectfilename->setText(path(QStringLiteral("help.hpj")));
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        m_w->txthelpprojecttitle->setText(QStringLiteral("Window Help"));
        m_w->txthelpfilename->clear(); // Windows Help left "HLP" in it
        focusOut(m_w->txthelpprojectfilename);
        m_w->chkcreategeneralhelp->setChecked(false);
        m_w->chkcreategeneralhelp->click();
        QVERIFY(m_w->cmdcreate->isEnabled());
    }

    // Waits for the run started to end; the text of the report it showed (its
    // dialog then closed), empty when it showed none.
    QString reportOfRun() {
        QDeadlineTimer hang(120000); // a run that never ends fails here, not in ctest
        while (m_w->createTab().run().running() && !hang.hasExpired())
            QTest::qWait(5);
        auto* dialog = m_w->findChild<CreateReportDialog*>();
        if (!dialog)
            return {};
        const QString text = dialog->text();
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return text;
    }

    int storedOptions() {
        return m_w->session()
            .db->OpenRecordset(QStringLiteral("select * from Options"), dao::dbOpenSnapshot)
            ->RecordCount();
    }

private slots:
    void init() {
        m_registry = std::make_unique<testenv::RegistryFolder>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<testenv::DialogScript>();
        m_w = testenv::shownWindow();
        selectTab(FrmMain::TabCreate);
    }
    void cleanup() {
        m_w.reset();
        m_dialogs.reset();
    }

    void helpTypeSetsFieldsAndExtensions() {
        m_w->txthelpprojectfilename->setText(QStringLiteral("/p/help.hpj"));
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        // The typed extension stays as typed; empty names follow the help project.
        QCOMPARE(m_w->txthelpprojectfilename->text(), QStringLiteral("/p/help.hpj"));
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral("/p/help.hlp"));
        QCOMPARE(m_w->txtcontentsfilename->text(), QStringLiteral("/p/help.cnt"));
        QVERIFY(!m_w->txtindexfilename->isEnabled() && !m_w->cmdindexfilebrowse->isEnabled());
        QVERIFY(m_w->txtrtffilename->isEnabled() && m_w->cmdrtffilebrowse->isEnabled());

        QTest::mouseClick(m_w->opthelptype[0], Qt::LeftButton);
        QCOMPARE(m_w->txthelpprojectfilename->text(), QStringLiteral("/p/help.hhp"));
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral("/p/help.chm"));
        QCOMPARE(m_w->txtcontentsfilename->text(), QStringLiteral("/p/help.hhc"));
        QVERIFY(m_w->txtindexfilename->isEnabled() && m_w->cmdindexfilebrowse->isEnabled());
        QVERIFY(!m_w->txtrtffilename->isEnabled() && !m_w->cmdrtffilebrowse->isEnabled());
    }

    void automaticFileNames() {
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        m_w->txthelpfilename->clear();
        m_w->txtcontentsfilename->setText(QStringLiteral("/q/own.cnt"));
        m_w->txthelpprojectfilename->setText(QStringLiteral("/p/help.hpj"));
        focusOut(m_w->txthelpprojectfilename);
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral("/p/help.hlp"));
        QCOMPARE(m_w->txtcontentsfilename->text(), QStringLiteral("/q/own.cnt"));
        QCOMPARE(m_w->txtrtffilename->text(), QStringLiteral("/p/help.rtf"));

        // A name without a full stop leaves only the endings; the browse button counts too.
        m_w->txthelpfilename->clear();
        m_w->txtcontentsfilename->clear();
        m_w->txtrtffilename->clear();
        m_w->txthelpprojectfilename->setText(QStringLiteral("help"));
        focusOut(m_w->cmdhelpprojectfilebrowse);
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral(".hlp"));
        QCOMPARE(m_w->txtcontentsfilename->text(), QStringLiteral(".cnt"));
        QCOMPARE(m_w->txtrtffilename->text(), QStringLiteral(".rtf"));

        // HTML Help fills nothing.
        QTest::mouseClick(m_w->opthelptype[0], Qt::LeftButton);
        m_w->txtrtffilename->clear();
        focusOut(m_w->txthelpprojectfilename);
        QVERIFY(m_w->txtrtffilename->text().isEmpty());
    }

    void browseButtons() {
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        m_w->txtvbprojectfilename->setText(QStringLiteral("/a/app.vbp"));
        m_dialogs->fileNames << QStringLiteral("/x/new.hpj") << QStringLiteral("/x/h.hlp")
                             << QStringLiteral("/x/c.cnt") << QStringLiteral("/x/t.rtf");
        m_w->cmdhelpprojectfilebrowse->click();
        m_w->cmdhelpfilebrowse->click();
        m_w->cmdcontentsfilebrowse->click();
        m_w->cmdrtffilebrowse->click();
        QCOMPARE(m_dialogs->dialogs.size(), 4);
        QCOMPARE(m_dialogs->dialogs[0].filter, QStringLiteral("Help Project Files (*.HPJ)|*.HPJ"));
        QCOMPARE(m_dialogs->dialogs[0].defaultName, QStringLiteral("/a/app"));
        QCOMPARE(m_dialogs->dialogs[1].filter, QStringLiteral("Help Files (*.HLP)|*.HLP"));
        QCOMPARE(m_dialogs->dialogs[1].defaultName, QStringLiteral("/a/app"));
        QCOMPARE(m_dialogs->dialogs[2].filter, QStringLiteral("Help Contents File (*.CNT)|*.CNT"));
        QCOMPARE(m_dialogs->dialogs[2].defaultName, QStringLiteral("/x/new")); // from the new name
        QCOMPARE(m_dialogs->dialogs[3].filter, QStringLiteral("Help Topic File (*.RTF)|*.RTF"));
        QCOMPARE(m_w->txthelpprojectfilename->text(), QStringLiteral("/x/new.hpj"));
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral("/x/h.hlp"));
        QCOMPARE(m_w->txtcontentsfilename->text(), QStringLiteral("/x/c.cnt"));
        QCOMPARE(m_w->txtrtffilename->text(), QStringLiteral("/x/t.rtf"));

        // HTML Help filters; a cancelled dialog leaves the field as it was.
        QTest::mouseClick(m_w->opthelptype[0], Qt::LeftButton);
        m_dialogs->dialogs.clear();
        m_w->txtindexfilename->setText(QStringLiteral("/keep.hhk"));
        m_w->cmdhelpfilebrowse->click();
        m_w->cmdindexfilebrowse->click();
        QCOMPARE(m_dialogs->dialogs[0].filter, QStringLiteral("Help Files (*.CHM)|*.CHM"));
        QCOMPARE(m_dialogs->dialogs[1].filter, QStringLiteral("Index Files (*.HHK)|*.HHK"));
        QCOMPARE(m_w->txthelpfilename->text(), QStringLiteral("/x/h.chm"));
        QCOMPARE(m_w->txtindexfilename->text(), QStringLiteral("/keep.hhk"));
        // Every output takes a new name.
        for (const shell::FileDialogRequest& request : std::as_const(m_dialogs->dialogs))
            QVERIFY(request.save);
    }

    // With a project open, the dialogs start beside its file: in its folder,
    // or with a name that has no folder of its own put there.
    void browseStartsBesideTheProjectFile() {
        openProjectOnCreateTab();
        const QString folder = QFileInfo(path(QStringLiteral("p.QMT"))).absolutePath();
        m_w->txtvbprojectfilename->clear();
        m_w->txthelpprojectfilename->setText(QStringLiteral("guide.hpj"));
        m_dialogs->dialogs.clear();
        m_w->cmdhelpfilebrowse->click();
        m_w->cmdrtffilebrowse->click();
        m_w->txthelpprojectfilename->setText(QStringLiteral("/elsewhere/guide.hpj"));
        m_w->cmdcontentsfilebrowse->click();
        QCOMPARE(m_dialogs->dialogs.size(), 3);
        QCOMPARE(m_dialogs->dialogs[0].defaultName, folder);
        QCOMPARE(m_dialogs->dialogs[1].defaultName, folder + QStringLiteral("/guide"));
        QCOMPARE(m_dialogs->dialogs[2].defaultName, QStringLiteral("/elsewhere/guide"));
        QVERIFY(m_dialogs->dialogs[0].save && m_dialogs->dialogs[1].save);
    }

    void createWritesStoresAndCompiles() {
        openProjectOnCreateTab();
        const QString log = path(QStringLiteral("args.txt"));
        registerCompiler(
            QFile::encodeName(writeRecordingCompiler(path(QStringLiteral("hcw.sh")), log, 0)));
        m_w->chkcompile->click();
        QVERIFY(!m_w->mnuviewprojecthelp->isVisible());
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);

        // The summary names the files and says the compiler was started.
        const QString summary = reportOfRun();
        QVERIFY(messages().isEmpty());
        QVERIFY2(summary.startsWith(QStringLiteral("Create is done.\n\nFiles written:\n  ") +
                                    path(QStringLiteral("help.rtf"))) &&
                     summary.contains(QStringLiteral("  ") + path(QStringLiteral("help.hpj"))) &&
                     summary.contains(QStringLiteral("Help compiler: The help compiler ") +
                                      path(QStringLiteral("hcw.sh")) +
                                      QStringLiteral(" was started")),
                 qPrintable(summary));
        QVERIFY(m_w->statusBar()->currentMessage().startsWith(QStringLiteral("Create done: ")));
        QVERIFY(!m_w->isWindowModified()); // the Create tab was stored first
        QVERIFY(testenv::readAll(path(QStringLiteral("help.rtf"))).contains("IDH_MAIN"));
        QVERIFY(
            testenv::readAll(path(QStringLiteral("help.hpj"))).contains("TITLE=Window Help\r\n"));
        QVERIFY(storedOptions() > 0); // Create on its own tab stores the tab first
        QVERIFY(m_w->mnuviewprojecthelp->isVisible() && m_w->mnuhelpsep2->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(log) && t.elapsed() < 10000)
            QTest::qWait(20);
        QCOMPARE(testenv::readAll(log),
                 "/c\n/e\n/m\n" + QFile::encodeName(path(QStringLiteral("help.hpj"))) + "\n");
    }

    void htmlHelpCreateBuildsTheHelpFile() {
        openProjectOnCreateTab();
        QTest::mouseClick(m_w->opthelptype[0], Qt::LeftButton);
        m_w->txthelpprojectfilename->setText(path(QStringLiteral("help.hhp")));
        m_w->txthelpfilename->setText(QStringLiteral("help.chm"));
        m_w->txtcontentsfilename->setText(path(QStringLiteral("help.hhc")));
        m_w->txtindexfilename->setText(path(QStringLiteral("help.hhk")));
        m_w->chkcompile->click();
        QVERIFY(m_w->cmdcreate->isEnabled());
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);
        const QString summary = reportOfRun();
        QVERIFY2(
            summary.contains(QStringLiteral("  ") + path(QStringLiteral("help.chm")) + u'\n') &&
                summary.contains(QStringLiteral("Help compiler: The help file ") +
                                 path(QStringLiteral("help.chm")) +
                                 QStringLiteral(" was built and checked: 1 pages")),
            qPrintable(summary));
        QVERIFY(QFileInfo(path(QStringLiteral("help.chm"))).size() > 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("help.rtf"))));
        QVERIFY(m_w->mnuviewprojecthelp->isVisible());
        QVERIFY(!QApplication::overrideCursor());

        // The tab as stored (the index file name too) builds it without a window.
        QVERIFY(QFile::remove(path(QStringLiteral("help.chm"))));
        QProcess qmt;
        qmt.start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"),
                  {QStringLiteral("--create"), path(QStringLiteral("p.QMT"))});
        QVERIFY(qmt.waitForFinished(60000));
        QVERIFY2(qmt.exitCode() == 0, qmt.readAllStandardError().constData());
        QVERIFY(QFileInfo(path(QStringLiteral("help.chm"))).size() > 0);
    }

    void formWhatsThisHelpNeedsContextSensitiveHelp() {
        openProjectOnCreateTab();
        QVERIFY(!m_w->chkformwhatsthishelp->isEnabled());
        QVERIFY(!m_w->chkformwhatsthishelp->isChecked());
        m_w->chkcreatecontextsensitivehelp->click();
        QVERIFY(m_w->chkformwhatsthishelp->isEnabled());
        m_w->chkformwhatsthishelp->click();
        QVERIFY(m_w->isWindowModified());
        QVERIFY(m_w->cmdok->isEnabled());
        m_w->cmdok->click();
        QVERIFY(!m_w->isWindowModified());
        QCOMPARE(options::ReadCreateSettings(*m_w->session().db).setFormWhatsThisHelp, 1);

        // Opened again, the tab shows it; without context-sensitive help it is unavailable.
        m_w->createTab().ApplyOptions();
        QVERIFY(m_w->chkformwhatsthishelp->isChecked() && m_w->chkformwhatsthishelp->isEnabled());
        m_w->chkcreatecontextsensitivehelp->click();
        QVERIFY(!m_w->chkformwhatsthishelp->isEnabled());
    }

    void createFromAnotherTabStoresNothing() {
        const QByteArray buildDir = qgetenv("QUILLMATE_BUILD_DIR"); // no built-in compiler either
        qunsetenv("QUILLMATE_BUILD_DIR");
        const auto restore = qScopeGuard([&] { qputenv("QUILLMATE_BUILD_DIR", buildDir); });
        openProjectOnCreateTab();
        m_w->chkcompile->click(); // no compiler registered
        selectTab(FrmMain::TabGeneralHelp);
        m_w->createTab().cmdcreate_Click();
        const QString summary = reportOfRun();
        QVERIFY(QFile::exists(path(QStringLiteral("help.hpj"))));
        QCOMPARE(storedOptions(), 0);
        QVERIFY2(summary.startsWith(QStringLiteral("Create did not do everything")) &&
                     summary.contains(QStringLiteral(
                         "Not done:\n  Microsoft Help Compiler Workshop not loaded properly\n  To "
                         "use a help compiler, register it")),
                 qPrintable(summary));
        QCOMPARE(m_w->statusBar()->currentMessage(),
                 QStringLiteral("Create failed: 2 files written, 1 problem, not compiled."));
        QVERIFY(!m_w->mnuviewprojecthelp->isVisible());
    }

    void failureIsToldAndCursorRestored() {
        openProjectOnCreateTab();
        m_w->txtrtffilename->setText(path(QStringLiteral("missing/help.rtf")));
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);
        QVERIFY(reportOfRun().contains(QStringLiteral("help.rtf")));
        QVERIFY(!QFile::exists(path(QStringLiteral("help.hpj"))));
        QVERIFY(!QApplication::overrideCursor());
    }

    // The same project gives the same files from the window and from qmt --create.
    void windowAndBatchWriteTheSameFiles() {
        const QString project = path(QStringLiteral("same.QMT"));
        {
            auto db = testenv::freshProject(project);
            addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"),
                     QStringLiteral("main:1"), QStringLiteral("alpha;beta"),
                     QStringLiteral("First\r\nSecond"), 10);
            addTopic(*db, QStringLiteral("IDH_MORE"), QStringLiteral("More"), QString(), QString(),
                     QStringLiteral("Text"), 11);
            addWhatsThis(*db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("IDH_OK"),
                         QStringLiteral("Closes"), 12);
            addRow(*db, QStringLiteral("ContentsFile"),
                   {{"TopicID", QStringLiteral("Basics.1")},
                    {"Title", QStringLiteral("Basics")},
                    {"Level", QStringLiteral("1")},
                    {"Parent", QStringLiteral("Main")},
                    {"Type", QStringLiteral("3")}});
            addRow(*db, QStringLiteral("ContentsFile"),
                   {{"TopicID", QStringLiteral("IDH_MAIN.2")},
                    {"Title", QStringLiteral("Main")},
                    {"Level", QStringLiteral("2")},
                    {"Parent", QStringLiteral("Basics.1")},
                    {"Type", QStringLiteral("2")}});
        }
        QVERIFY(m_w->DataBaseOpen(project));
        selectTab(FrmMain::TabGeneralHelp);
        selectTab(FrmMain::TabCreate);
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        m_w->txthelpprojecttitle->setText(QStringLiteral("Same Help"));
        m_w->txthelpprojectfilename->setText(path(QStringLiteral("same.hpj")));
        m_w->txthelpfilename->clear();
        m_w->txtcontentsfilename->clear();
        m_w->txtrtffilename->clear();
        focusOut(m_w->txthelpprojectfilename);
        m_w->chkcreategeneralhelp->setChecked(false);
        m_w->chkcreategeneralhelp->click();
        m_w->chkcreatecontentsfile->setChecked(false);
        m_w->chkcreatecontentsfile->click();
        QVERIFY(m_w->cmdcreate->isEnabled());
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);
        const QString summary = reportOfRun();
        QVERIFY2(summary.startsWith(QStringLiteral("Create is done.")), qPrintable(summary));

        const QStringList outputs{path(QStringLiteral("same.rtf")),
                                  path(QStringLiteral("same.hpj")),
                                  path(QStringLiteral("same.cnt"))};
        QList<QByteArray> fromWindow;
        for (const QString& file : outputs) {
            fromWindow << testenv::readAll(file);
            QVERIFY2(!fromWindow.last().isEmpty(), qPrintable(file));
            QVERIFY(QFile::remove(file));
        }
        QVERIFY(fromWindow.at(0).contains("{\\f1\\fs20 First\\par\nSecond}\r\n"));

        QProcess qmt;
        qmt.start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"),
                  {QStringLiteral("--create"), project});
        QVERIFY(qmt.waitForFinished(60000));
        QCOMPARE(qmt.exitCode(), 0);
        for (qsizetype i = 0; i < outputs.size(); ++i)
            QCOMPARE(testenv::readAll(outputs.at(i)), fromWindow.at(i));
    }

    // A fresh project offers names from its own; Create writes the bare
    // names beside the project file, and View Help File looks there too.
    void bareNamesGoBesideTheProject() {
        {
            auto db = testenv::freshProject(path(QStringLiteral("Guide.QMT")));
            addTopic(*db, QStringLiteral("IDH_MAIN"), QStringLiteral("Main"), QString(), QString(),
                     QStringLiteral("Text"), 10);
        }
        QVERIFY(m_w->DataBaseOpen(path(QStringLiteral("Guide.QMT"))));
        selectTab(FrmMain::TabGeneralHelp);
        selectTab(FrmMain::TabCreate);
        QTest::mouseClick(m_w->opthelptype[1], Qt::LeftButton);
        QCOMPARE((QStringList{m_w->txthelpprojectfilename->text(), m_w->txthelpprojecttitle->text(),
                              m_w->txthelpfilename->text(), m_w->txtrtffilename->text()}),
                 (QStringList{QStringLiteral("Guide.hpj"), QStringLiteral("Guide"),
                              QStringLiteral("Guide.hlp"), QStringLiteral("Guide.rtf")}));
        m_w->chkcreategeneralhelp->click();
        QVERIFY(m_w->cmdcreate->isEnabled());
        m_w->createTab().cmdcreate_Click();
        reportOfRun();
        for (const char* name : {"Guide.hpj", "Guide.rtf"}) {
            QVERIFY2(QFile::exists(path(QString::fromLatin1(name))), name);
            QVERIFY(!QFile::exists(QDir::current().filePath(QString::fromLatin1(name))));
        }
        QStringList opened;
        const desktop::Opener before = desktop::setOpener([&](const QString& target) {
            opened << target;
            return true;
        });
        m_w->mnuviewhelpfile->trigger();
        desktop::setOpener(before);
        QCOMPARE(opened,
                 QStringList{QFileInfo(path(QStringLiteral("Guide.hlp"))).absoluteFilePath()});
    }

    // While a run goes on nothing of the window can be used; Cancel on seeing
    // an output stops the run before it: the outputs before are whole, the
    // rest stay as they were, and the report says so.
    void cancelStopsBetweenOutputsAndTheWindowWaits() {
        openProjectOnCreateTab();
        const QString log = path(QStringLiteral("args.txt"));
        registerCompiler(
            QFile::encodeName(writeRecordingCompiler(path(QStringLiteral("hcw.sh")), log, 0)));
        m_w->chkcompile->click();
        m_w->chkcreatecontentsfile->setChecked(false);
        m_w->chkcreatecontentsfile->click();
        const QString cnt = path(QStringLiteral("help.cnt"));
        QCOMPARE(m_w->txtcontentsfilename->text(), cnt);
        QVERIFY(testenv::writeAll(cnt, "old contents"));
        const auto enabledActions = [this] {
            QStringList on;
            for (QAction* action : m_w->findChildren<QAction*>())
                if (action->isEnabled())
                    on << action->objectName() + u':' + action->text();
            return on;
        };
        const QStringList before = enabledActions();
        QVERIFY(!before.isEmpty());

        CreateRun& run = m_w->createTab().run();
        QStringList heldButEnabled;
        QStringList steps;
        connect(&run, &CreateRun::progressed, this, [&](const CreateProgress& p) {
            steps << QStringLiteral("%1/%2").arg(p.step).arg(p.steps);
            const QList<QWidget*> controls{m_w->cmdcreate, m_w->cmdok, m_w->tabqmt};
            for (QWidget* control : controls)
                if (control->isEnabled())
                    heldButEnabled << control->objectName();
            heldButEnabled += enabledActions();
            QVERIFY(run.progressWindow() && run.progressWindow()->isVisible());
            if (p.step == 2)
                QTest::mouseClick(run.progressWindow()->cmdcancel, Qt::LeftButton);
        });
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);
        QVERIFY(run.running());
        const QString summary = reportOfRun();

        QCOMPARE(steps, QStringList(
                            {QStringLiteral("0/0"), QStringLiteral("1/3"), QStringLiteral("2/3")}));
        QCOMPARE(heldButEnabled, QStringList());
        QVERIFY(testenv::readAll(path(QStringLiteral("help.rtf"))).endsWith("}\r\n"));
        QVERIFY(testenv::readAll(path(QStringLiteral("help.hpj"))).contains("[MAP]"));
        QCOMPARE(testenv::readAll(cnt), QByteArray("old contents"));
        QVERIFY2(summary.startsWith(QStringLiteral("Create was stopped.\n\nFiles written:\n  ") +
                                    path(QStringLiteral("help.rtf"))) &&
                     summary.contains(QStringLiteral("Stopped before (left as they were):\n  "
                                                     "the contents file ") +
                                      cnt + QStringLiteral("\n  the help file ") +
                                      path(QStringLiteral("help.hlp"))),
                 qPrintable(summary));
        QVERIFY(!summary.contains(QStringLiteral("Help compiler:")));
        QVERIFY(m_w->statusBar()->currentMessage().startsWith(QStringLiteral("Create stopped: ")));
        QVERIFY(!m_w->mnuviewprojecthelp->isVisible());
        // The commands are back as they were; the progress window is gone.
        QCOMPARE(enabledActions(), before);
        QVERIFY(m_w->cmdcreate->isEnabled() && m_w->tabqmt->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_w->findChild<FrmProgress*>());
        QVERIFY(!QFile::exists(log));
    }

    // Closing the window during a run asks; agreed, the run stops before its
    // next output and the window then closes, with no report left open.
    void closingDuringARunAsksAndClosesWhenStopped() {
        openProjectOnCreateTab();
        CreateRun& run = m_w->createTab().run();
        bool stillShown = false;
        connect(&run, &CreateRun::progressed, this, [&](const CreateProgress& p) {
            if (p.step != 0)
                return;
            m_w->close();
            stillShown = m_w->isVisible();
        });
        QTest::mouseClick(m_w->cmdcreate, Qt::LeftButton);
        QCOMPARE(reportOfRun(), QString());
        QVERIFY(stillShown);
        QVERIFY2(messages().size() == 1 &&
                     messages().first().startsWith(QStringLiteral("Create is still running.")),
                 qPrintable(messages().join(u'\n')));
        QVERIFY(!m_w->isVisible());
        QVERIFY(!QFile::exists(path(QStringLiteral("help.hpj"))));
    }

    // The report fits the screen however long it is, scrolls, and copies whole.
    void reportDialogFitsTheScreenAndCopies_data() {
        QTest::addColumn<int>("skips");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("short") << 0 << false;
        QTest::newRow("25 skips") << 25 << true;
        QTest::newRow("400 skips") << 400 << true;
    }
    void reportDialogFitsTheScreenAndCopies() {
        QFETCH(int, skips);
        QFETCH(bool, scrolls);
        CreateReport report;
        report.written << QStringLiteral("/h/help.rtf");
        for (int i = 0; i < skips; ++i)
            report.warn(QStringLiteral("frmMain.tmrTick%1 (VB.Timer) cannot show a tool tip, so "
                                       "its entry was left out of the form file.")
                            .arg(i));
        QPointer<CreateReportDialog> dialog = CreateReportDialog::showReport(report, m_w.get());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QRect room = m_w->screen()->availableGeometry();
        QVERIFY2(dialog->frameGeometry().height() <= room.height() &&
                     dialog->frameGeometry().width() <= room.width(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(dialog->frameGeometry().width())
                                .arg(dialog->frameGeometry().height())
                                .arg(room.width())
                                .arg(room.height())));
        QVERIFY(dialog->txtreport->isReadOnly());
        QCOMPARE(dialog->txtreport->verticalScrollBar()->maximum() > 0, scrolls);
        QCOMPARE(dialog->text(), DescribeCreateReport(report));
        QApplication::clipboard()->clear();
        QTest::mouseClick(dialog->cmdcopy, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), DescribeCreateReport(report));
        QTest::mouseClick(dialog->cmdclose, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
    }

    void createNeedsAProjectAndTheButton() {
        m_w->txthelpprojectfilename->setText(path(QStringLiteral("help.hpj")));
        m_w->txtrtffilename->setText(path(QStringLiteral("help.rtf")));
        m_w->chkcreategeneralhelp->setChecked(true);
        m_w->cmdcreate->setEnabled(true);
        m_w->createTab().cmdcreate_Click(); // no project open
        QVERIFY(!m_w->createTab().run().running());
        QVERIFY(!QFile::exists(path(QStringLiteral("help.rtf"))));

        // The Create tab's rule refuses (no help file named): the button,
        // the menu item and the command itself all hold back.
        openProjectOnCreateTab();
        m_w->txthelpfilename->clear();
        QVERIFY(!m_w->cmdcreate->isEnabled() && !m_w->mnucreate->isEnabled());
        m_w->mnucreate->trigger();
        m_w->createTab().cmdcreate_Click();
        QVERIFY(!m_w->createTab().run().running());
        QVERIFY(!QFile::exists(path(QStringLiteral("help.rtf"))));
        QVERIFY(messages().isEmpty());
    }

    // The fonts and colours fields: shown from the stored options, marked as
    // changes, dropped by Discard, stored by OK (an emptied field drops its row).
    void fontAndColourFieldsStoreAndDiscard() {
        openProjectOnCreateTab();
        m_w->cmdok->click();
        dao::Database& db = *m_w->session().db;
        options::UpdateOptions(db, QStringLiteral("FONT"), QStringLiteral("Verdana;Courier New"));
        options::UpdateOptions(db, QStringLiteral("COLR"), QStringLiteral("#FF0000"));
        m_w->createTab().ApplyOptions();
        QCOMPARE(m_w->txthelpfonts->text(), QStringLiteral("Verdana;Courier New"));
        QCOMPARE(m_w->txthelpcolors->text(), QStringLiteral("#FF0000"));
        QVERIFY(!m_w->isWindowModified());

        testenv::retype(m_w->txthelpfonts, QStringLiteral("Georgia"));
        QVERIFY(m_w->isWindowModified());
        QVERIFY(m_w->createTab().confirmChanges()); // the script answers Discard
        QCOMPARE(messages().size(), qsizetype(1));
        QCOMPARE(m_w->txthelpfonts->text(), QStringLiteral("Verdana;Courier New"));
        QVERIFY(!m_w->isWindowModified());
        m_dialogs->clear();

        testenv::retype(m_w->txthelpfonts, QStringLiteral("Georgia; Tahoma"));
        testenv::retype(m_w->txthelpcolors, QString());
        m_w->cmdok->click();
        QVERIFY(messages().isEmpty());
        QVERIFY(!m_w->isWindowModified());
        const CreateSettings stored = options::ReadCreateSettings(db);
        QCOMPARE(stored.helpFonts, QStringLiteral("Georgia; Tahoma"));
        const auto rows = options::ReadOptions(db);
        QVERIFY(std::none_of(rows.begin(), rows.end(), [](const options::OptionRow& row) {
            return row.key == QStringLiteral("COLR");
        }));
    }

    // A face or colour Create cannot use is named as the field is left and
    // refused by OK, which stores nothing; a good list passes both.
    void wrongFontOrColourRefused_data() {
        QTest::addColumn<QString>("fonts");
        QTest::addColumn<QString>("colors");
        QTest::addColumn<QString>("named"); // empty: accepted
        QTest::newRow("good lists") << QStringLiteral("Arial;;Courier New")
                                    << QStringLiteral(" #00ff00 ; 0, 128 ,255;") << QString();
        QTest::newRow("hex digit") << QString() << QStringLiteral("#FF0000;#GG0000")
                                   << QStringLiteral("\"#GG0000\" of the COLR option");
        QTest::newRow("short hex")
            << QString() << QStringLiteral("#F00") << QStringLiteral("\"#F00\" of the COLR option");
        QTest::newRow("over 255") << QString() << QStringLiteral("0,256,0")
                                  << QStringLiteral("\"0,256,0\" of the COLR option");
        QTest::newRow("two parts") << QString() << QStringLiteral("red;1,2")
                                   << QStringLiteral("\"red\" of the COLR option");
        QTest::newRow("brace in a face") << QStringLiteral("Arial;{Bad}") << QString()
                                         << QStringLiteral("\"{Bad}\" of the FONT option");
    }
    void wrongFontOrColourRefused() {
        QFETCH(QString, fonts);
        QFETCH(QString, colors);
        QFETCH(QString, named);
        openProjectOnCreateTab();
        m_w->statusBar()->clearMessage();
        testenv::retype(m_w->txthelpfonts, fonts);
        testenv::retype(m_w->txthelpcolors, colors);
        m_w->cmdok->setFocus(); // the field is left
        const QString status = m_w->statusBar()->currentMessage();
        m_w->cmdok->click();
        const QStringList shown = messages();
        const CreateSettings stored = options::ReadCreateSettings(*m_w->session().db);
        if (named.isEmpty()) {
            QCOMPARE(status, QString());
            QCOMPARE(shown, QStringList());
            QCOMPARE(stored.helpColors, colors.trimmed());
            QCOMPARE(stored.helpFonts, fonts.trimmed());
            return;
        }
        QVERIFY2(status.contains(named) && !status.contains(u"stands in its place"),
                 qPrintable(status));
        QCOMPARE(shown.size(), qsizetype(1));
        QVERIFY2(shown[0].contains(named), qPrintable(shown[0]));
        QCOMPARE(storedOptions(), 0);
        QVERIFY(m_w->isWindowModified());
        // Mended, the status line no longer names it.
        testenv::retype(fonts.isEmpty() ? m_w->txthelpcolors : m_w->txthelpfonts, QString());
        QCOMPARE(m_w->statusBar()->currentMessage(), QString());
    }

    // The preview shows \fN in the Nth face of the Create tab's fonts, \cfN in
    // the Nth colour, and plain text in the face Create writes text in; it
    // follows the fields as they change.
    void previewUsesTheProjectFontsAndColours() {
        openProjectOnCreateTab();
        testenv::retype(m_w->txthelpfonts,
                        QStringLiteral("Verdana;Georgia;Tahoma;Impact;Courier New"));
        testenv::retype(m_w->txthelpcolors, QStringLiteral("#FF0000;0,0,255"));
        selectTab(FrmMain::TabGeneralHelp);
        testenv::retype(m_w->txtgenhelptext,
                        QStringLiteral("plain {\\f4 mono} {\\cf1 red} {\\highlight2 marked}"));
        const auto formatOf = [this](const QString& text) {
            const QTextDocument* doc = m_w->txtgenpreview->document();
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
                for (auto it = b.begin(); !it.atEnd(); ++it)
                    if (it.fragment().text().contains(text))
                        return it.fragment().charFormat();
            return QTextCharFormat();
        };
        const auto family = [&](const QString& text) {
            const QStringList families = formatOf(text).fontFamilies().toStringList();
            return families.value(0);
        };
        QTRY_COMPARE(family(QStringLiteral("mono")), QStringLiteral("Courier New"));
        QCOMPARE(family(QStringLiteral("plain")), QStringLiteral("Georgia"));
        QCOMPARE(formatOf(QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatOf(QStringLiteral("marked")).background().color(), QColor(0, 0, 255));

        // Emptied, the fields give the standard lists: \f4 names no face.
        selectTab(FrmMain::TabCreate);
        testenv::retype(m_w->txthelpfonts, QString());
        testenv::retype(m_w->txthelpcolors, QString());
        selectTab(FrmMain::TabGeneralHelp);
        QTRY_VERIFY(family(QStringLiteral("mono")) != QStringLiteral("Courier New"));
        QVERIFY(formatOf(QStringLiteral("red")).foreground().color() != QColor(255, 0, 0));
    }
};

QTEST_MAIN(TestGenerationWindow)
#include "tst_createtab.moc"
