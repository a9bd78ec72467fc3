// Measures the time from process start to the first exposed main window.
//
//   bench_startup [runs]      runs the program as children, FrmMain and a bare
//                             QMainWindow in turn, and prints the figures
//   bench_startup --open N    makes a project of N general topics (and N/10
//                             What's This entries), then times reading its
//                             topic lists and opening it in the window
//
// Each child is this program started again with --child frmmain|bare; the
// parent hands it the monotonic clock reading taken just before the start,
// and the child prints the time at which its window is first exposed. The
// FrmMain child starts the way the program does: show, then Form_Load, then
// the event loop. Run offscreen (the default) or under xvfb-run with
// QT_QPA_PLATFORM=xcb.
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"
#include "ui/frmmain.h"
#include "workspace/records.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(qint64 start) : m_start(start) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() &&
            !m_done) {
            m_done = true;
            std::printf("%lld\n", static_cast<long long>(monotonicNs() - m_start));
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    qint64 m_start;
    bool m_done = false;
};

int child(int argc, char** argv, bool frmmain) {
    const qint64 start = qEnvironmentVariable("QMT_BENCH_T0").toLongLong();
    QApplication app(argc, argv);
    ExposeWatch watch(start);
    std::unique_ptr<QMainWindow> window;
    if (frmmain) {
        auto* main = new FrmMain;
        window.reset(main);
        main->winId();
        main->windowHandle()->installEventFilter(&watch);
        main->show();
        main->Form_Load();
    } else {
        window = std::make_unique<QMainWindow>();
        window->resize(760, 560);
        window->winId();
        window->windowHandle()->installEventFilter(&watch);
        window->show();
    }
    return QApplication::exec();
}

double runOnce(const QString& program, const QString& mode, const QProcessEnvironment& base) {
    QProcess process;
    QProcessEnvironment env = base;
    const qint64 start = monotonicNs();
    env.insert(QStringLiteral("QMT_BENCH_T0"), QString::number(start));
    process.setProcessEnvironment(env);
    process.start(program, {QStringLiteral("--child"), mode});
    process.waitForFinished(30000);
    const QByteArray out = process.readAllStandardOutput().trimmed();
    bool ok = false;
    const qint64 ns = out.toLongLong(&ok);
    return ok ? ns / 1e6 : -1.0;
}

void report(const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty() || ms.front() < 0) {
        std::printf("%-28s failed\n", name);
        return;
    }
    std::printf("%-28s median %7.1f ms   min %7.1f ms   max %7.1f ms   (%zu runs)\n", name,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

// A project with `topics` active general topics and a tenth as many What's
// This entries, each showing one of the general topics under another case.
void makeProject(const QString& path, int topics) {
    {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(path);
        creator->create_database();
    }
    auto db = dao::Database::OpenDatabase(path);
    db->BeginTrans();
    {
        auto rs =
            db->OpenRecordset(QStringLiteral("select * from GeneralHelp"), dao::dbOpenDynaset);
        for (int i = 0; i < topics; ++i) {
            rs->AddNew();
            rs->SetField(QStringLiteral("TopicID"), QStringLiteral("IDH_TOPIC_%1").arg(i));
            rs->SetField(QStringLiteral("TopicTitle"), QStringLiteral("Topic %1").arg(i));
            rs->SetField(QStringLiteral("MapNumber"), i % 32000 + 1); // a 16-bit field
            rs->Update();
        }
    }
    {
        auto rs = db->OpenRecordset(QStringLiteral("select * from WhatsThis"), dao::dbOpenDynaset);
        for (int i = 0; i < topics / 10; ++i) {
            rs->AddNew();
            rs->SetField(QStringLiteral("Object"), QStringLiteral("frmMain.cmd%1").arg(i));
            rs->SetField(QStringLiteral("TopicID"), QStringLiteral("idh_topic_%1").arg(i * 10));
            rs->SetField(QStringLiteral("MapNumber"), i * 10 % 32000 + 1);
            rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
            rs->SetField(QStringLiteral("Type"), QStringLiteral("WT"));
            rs->Update();
        }
    }
    db->CommitTrans();
    db->Close();
}

int openProject(int argc, char** argv, int topics) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.QMT"));
    makeProject(path, topics);

    QElapsedTimer timer;
    timer.start();
    {
        auto db = dao::Database::OpenDatabase(path);
        records::ReadTopicLists(*db);
        db->Close();
    }
    const double readMs = timer.nsecsElapsed() / 1e6;

    FrmMain window;
    window.show();
    window.Form_Load();
    QApplication::processEvents();
    timer.restart();
    const bool opened = window.DataBaseOpen(path);
    const double openMs = timer.nsecsElapsed() / 1e6;
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("%-28s %d general, %d What's This\n", "project", topics, topics / 10);
    std::printf("%-28s %9.1f ms\n", "reading the topic lists", readMs);
    std::printf("%-28s %9.1f ms%s\n", "opening in the window", openMs, opened ? "" : " (failed)");
    return opened ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, qstrcmp(argv[2], "frmmain") == 0);
    if (argc >= 3 && qstrcmp(argv[1], "--open") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QTemporaryDir registry;
        qputenv("QUILLMATE_REGISTRY", registry.path().toLocal8Bit());
        return openProject(argc, argv, std::max(1, std::atoi(argv[2])));
    }

    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir registry;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUILLMATE_REGISTRY"), registry.path());
    const QString program = QString::fromLocal8Bit(argv[0]);

    // The first start runs the first-run setup; it is measured on its own.
    const double first = runOnce(program, QStringLiteral("frmmain"), env);
    std::vector<double> frmmain, bare;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(runOnce(program, QStringLiteral("bare"), env));
        frmmain.push_back(runOnce(program, QStringLiteral("frmmain"), env));
    }
    std::printf("platform %s\n", qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"))));
    std::printf("%-28s %7.1f ms\n", "FrmMain, first run (setup)", first);
    report("FrmMain", frmmain);
    report("bare QMainWindow", bare);
    return 0;
}
