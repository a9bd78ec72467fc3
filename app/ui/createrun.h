// Create in the window: the run on a thread of its own, against its own
// read-only connection to the project file; its progress and Cancel in a
// progress window; every command of the window held while it runs; the
// report in a dialog at the end.
#pragma once

#include "frmprogress.h"
#include "generation/createcommand.h"
#include "generation/createreport.h"
#include "workspace/createsettings.h"
#include "workspace/session.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QAction;
class QMainWindow;
class QThread;
class QWidget;

// What a run works from, copied when it starts: the window may change
// nothing under it.
struct CreateRunInputs {
    CreateSettings settings;
    QString projectPath; // opened again for the run, read-only
    QString connect;     // its password clause
    QString appProjectPath;
    std::vector<FormRow> forms;
};

class CreateRun : public QObject {
    Q_OBJECT

public:
    explicit CreateRun(QMainWindow& window);
    // A run still going is stopped after the output being written, and waited for.
    ~CreateRun() override;
    CreateRun(const CreateRun&) = delete;
    CreateRun& operator=(const CreateRun&) = delete;

    // Starts a run; false when one is running already.
    bool start(CreateRunInputs inputs);
    bool running() const { return m_thread != nullptr; }
    // Stops the run after the output being written; the rest is not begun.
    void cancel();
    // The progress window of the run going on; null when none is.
    FrmProgress* progressWindow() const { return m_progress; }

signals:
    // Shown in the progress window (the step, its file, N of M).
    void progressed(const CreateProgress& progress);
    // The run is over and the window's commands are back; the report
    // dialog opens after this.
    void finished(const CreateReport& report);

protected:
    // Closing the window while a run goes on asks whether to stop it and
    // close once it has stopped.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool progressOnWorker(const CreateProgress& progress);
    void showProgress(const CreateProgress& progress);
    void done(const CreateReport& report);
    void holdCommands();
    void releaseCommands();

    QMainWindow& m_window;
    std::unique_ptr<QThread> m_thread;
    QPointer<FrmProgress> m_progress;
    QList<std::pair<QPointer<QAction>, bool>> m_heldActions; // with the state each had
    QPointer<QWidget> m_heldControls;
    bool m_closeWhenDone = false;
    std::atomic_bool m_cancelled{false};

    // The worker waits until the window has shown each step, so that a
    // Cancel pressed on seeing a step stops the run before that step.
    std::mutex m_mutex;
    std::condition_variable m_shownChanged;
    quint64 m_posted = 0; // steps sent by the worker
    quint64 m_shown = 0;  // steps the window has shown
    bool m_abandoned = false;
};
