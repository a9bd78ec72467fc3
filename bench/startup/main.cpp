// Measures the time from process start to the first exposed main window.
//
//   bench_startup [runs]      runs the program as children, FrmMain and a bare
//                             QMainWindow in turn, and prints the figures
//
// Each child is this program started again with --child frmmain|bare; the
// parent hands it the monotonic clock reading taken just before the start,
// and the child prints the time at which its window is first exposed. The
// FrmMain child starts the way the program does: show, then Form_Load, then
// the event loop. Run offscreen (the default) or under xvfb-run with
// QT_QPA_PLATFORM=xcb.
#include "ui/frmmain.h"

#include <QApplication>
#include <QDir>
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

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, qstrcmp(argv[2], "frmmain") == 0);

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
