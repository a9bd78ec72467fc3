// Times the Contents File tab on a large project: loading the tree from the
// table, saving it back with OK, and writing the contents file.
//   bench_contents [entries]   (default 2000; run with QT_QPA_PLATFORM=offscreen)
#include "app/contents/contentstestutil.h"
#include "common/testenv.h"
#include "contents/contentsfilewriter.h"
#include "ui/frmmain.h"
#include "ui/tabs/contentsfiletab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    testenv::RegistryFolder registry;
    QTemporaryDir dir;
    const QString path = contentstest::freshProject(dir.path());

    FrmMain w;
    if (!w.DataBaseOpen(path))
        return 1;
    dao::Database& db = *w.session().db;
    {
        // ten headings per level-1 heading, topics below them
        std::vector<contents::ContentsRow> rows;
        QString heading;
        for (int i = 1; i <= entries; ++i) {
            const QString key = QStringLiteral("K%1.%1").arg(i);
            if (i % 20 == 1) {
                rows.push_back({key, QStringLiteral("Heading %1").arg(i), QStringLiteral("1"),
                                QStringLiteral("Main"), QStringLiteral("3")});
                heading = key;
            } else {
                rows.push_back({key, QStringLiteral("Topic %1").arg(i), QStringLiteral("2"),
                                heading, QStringLiteral("2")});
            }
        }
        contents::ReplaceContentsRows(db, rows);
    }

    QElapsedTimer timer;
    timer.start();
    w.findChild<QTabBar*>(QStringLiteral("tabqmt"))->setCurrentIndex(FrmMain::TabContentsFile - 1);
    const qint64 load = timer.restart();
    w.contentsTab().SaveContentsTree();
    const qint64 save = timer.restart();
    CreateContentsFile(db, dir.filePath(QStringLiteral("b.cnt")), QStringLiteral("b.hlp"),
                       QStringLiteral("Bench"));
    const qint64 write = timer.elapsed();
    std::printf("%d entries: load %lld ms, save %lld ms, contents file %lld ms\n", entries,
                static_cast<long long>(load), static_cast<long long>(save),
                static_cast<long long>(write));
    return 0;
}
