#include "createrun.h"

#include "createreportdialog.h"
#include "dao.h"
#include "frmprogress.h"
#include "generation/compilation.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>

namespace {

// The steps as the window runs them: the built-in compiler is waited for (on
// the run's thread), a registered one is left to run in its own window.
CreateSteps windowSteps() {
    CreateSteps steps = DefaultCreateSteps();
    steps.compile = [](const QString& helpProjectFileName) {
        return OutcomeOfCompile(
            CompileHelpProject(helpProjectFileName, CompileWait::BuiltInFinished));
    };
    return steps;
}

} // namespace

CreateRun::CreateRun(QMainWindow& window) : QObject(&window), m_window(window) {
    window.installEventFilter(this);
}

CreateRun::~CreateRun() {
    if (!m_thread)
        return;
    m_cancelled = true;
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_shownChanged.notify_all();
    m_thread->wait();
}

bool CreateRun::start(CreateRunInputs inputs) {
    if (m_thread)
        return false;
    m_cancelled = false;
    m_closeWhenDone = false;
    {
        const std::lock_guard lock(m_mutex);
        m_posted = m_shown = 0;
        m_abandoned = false;
    }

    m_progress = new FrmProgress(&m_window);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setWindowTitle(LoadResString(str::caption::ProgramName));
    m_progress->DisplayCaption(tr("Starting Create..."));
    m_progress->ShowProgressBar(true);
    m_progress->ShowCancel(true);
    connect(m_progress, &FrmProgress::cancelRequested, this, &CreateRun::cancel);
    holdCommands();
    m_progress->show();

    m_thread.reset(QThread::create([this, in = std::move(inputs)] {
        CreateReport report;
        try {
            // A connection of the run's own: the window's is not shared across threads.
            const std::unique_ptr<dao::Database> db =
                dao::Database::OpenDatabase(in.projectPath, false, true, in.connect);
            CreateSteps steps = windowSteps();
            steps.progress = [this](const CreateProgress& p) { return progressOnWorker(p); };
            report = RunCreateCommand(in.settings, *db, in.appProjectPath, in.forms, steps);
            db->Close();
        } catch (const std::exception& e) {
            report.fail(CreateErrorMessage(e));
        } catch (...) {
            report.fail(LoadResString(str::message::CommandFailed));
        }
        QMetaObject::invokeMethod(
            this, [this, report] { done(report); }, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("create"));
    m_thread->start();
    return true;
}

void CreateRun::cancel() {
    if (!m_thread || m_cancelled)
        return;
    m_cancelled = true;
    if (m_progress) {
        m_progress->cmdcancel->setEnabled(false);
        m_progress->DisplayCaption(m_progress->lblcaption->text() + u'\n' +
                                   tr("Stopping once this step is done..."));
    }
}

// On the run's thread: hands the step to the window and waits until it is
// shown (or the window is going away).
bool CreateRun::progressOnWorker(const CreateProgress& progress) {
    quint64 ticket = 0;
    {
        const std::lock_guard lock(m_mutex);
        ticket = ++m_posted;
    }
    QMetaObject::invokeMethod(
        this,
        [this, progress, ticket] {
            showProgress(progress);
            {
                const std::lock_guard lock(m_mutex);
                m_shown = ticket;
            }
            m_shownChanged.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_shownChanged.wait(lock, [&] { return m_shown >= ticket || m_abandoned; });
    return !m_cancelled;
}

void CreateRun::showProgress(const CreateProgress& p) {
    emit progressed(p);
    // Once stopping, the step the run will not begin is not shown as begun.
    if (m_cancelled)
        return;
    QString text = p.steps > 0 ? tr("%1 (%2 of %3)").arg(p.doing).arg(p.step).arg(p.steps)
                               : p.doing + QStringLiteral("...");
    if (!p.file.isEmpty())
        text += u'\n' + QDir::toNativeSeparators(p.file);
    if (m_progress) {
        m_progress->DisplayCaption(text);
        // Before the first output the bar only says the run is alive.
        m_progress->ProgressBarMin(0);
        m_progress->ProgressBarMax(p.steps);
        m_progress->ProgressBarValue(p.steps > 0 ? p.step - 1 : 0);
    }
    m_window.statusBar()->showMessage(
        p.steps > 0 ? tr("Create: %1 (%2 of %3)...").arg(p.doing).arg(p.step).arg(p.steps)
                    : tr("Create: %1...").arg(p.doing));
}

void CreateRun::done(const CreateReport& report) {
    m_thread->wait();
    m_thread.reset();
    releaseCommands();
    if (m_progress) {
        m_progress->Done();
        m_progress->deleteLater();
    }
    m_window.statusBar()->showMessage(SummarizeCreateReport(report));
    emit finished(report);
    if (m_closeWhenDone) {
        m_window.close();
        return;
    }
    CreateReportDialog::showReport(report, &m_window);
}

// Every action of the window (menus, toolbars, shortcuts) and the controls
// are held. The actions get back the states they had, set after the
// controls: a menu takes its enabled state from the widget above it.
void CreateRun::holdCommands() {
    m_heldActions.clear();
    for (QAction* action : m_window.findChildren<QAction*>()) {
        m_heldActions.append({action, action->isEnabled()});
        action->setEnabled(false);
    }
    m_heldControls = m_window.centralWidget();
    if (m_heldControls && m_heldControls->isEnabled())
        m_heldControls->setEnabled(false);
    else
        m_heldControls = nullptr;
}

void CreateRun::releaseCommands() {
    if (m_heldControls)
        m_heldControls->setEnabled(true);
    m_heldControls = nullptr;
    for (const auto& [action, enabled] : std::as_const(m_heldActions))
        if (action)
            action->setEnabled(enabled);
    m_heldActions.clear();
}

bool CreateRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || event->type() != QEvent::Close || !m_thread)
        return QObject::eventFilter(watched, event);
    event->ignore();
    if (!m_closeWhenDone &&
        shell::MsgBox(tr("Create is still running. Stop it once the file being written is "
                         "done, and then close the window?"),
                      int(shell::vbOKCancel) | int(shell::vbQuestion)) == shell::vbOK) {
        m_closeWhenDone = true;
        cancel();
    }
    return true;
}
