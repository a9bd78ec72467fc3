// bench_engine [TOPICS] [FOLDER]
//
// Builds a project of TOPICS general help topics (20,000 by default) the way
// the OK command saves one: per topic a dynaset of
// "select * from Generalhelp where Topicid = '<id>'", AddNew, the fields,
// Update. The build runs inside one transaction, so that it measures the
// engine rather than the disk's flushes; a short run without it gives the
// time of one save as the user sees it. Then it reads the topic list
// "select topicid from generalhelp where status = 'A' order by topicid" as a
// snapshot, field by name, and the same read through the raw library, in
// turns, and reports the median of each.
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <sqlcipher/sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kList =
    QStringLiteral("select topicid from generalhelp where status = 'A' order by topicid");

QString topicId(int i) {
    // Not in key order, so that the sort does real work.
    return QStringLiteral("IDH_TOPIC_%1").arg((i * 7919) % 1000003, 7, 10, QLatin1Char('0'));
}

void saveTopic(dao::Database& db, int i) {
    const QString id = topicId(i);
    auto rs =
        db.OpenRecordset(QStringLiteral("select * from Generalhelp where Topicid = '%1'").arg(id),
                         dao::dbOpenDynaset);
    if (rs->RecordCount() == 0) {
        rs->AddNew();
        rs->SetField(QStringLiteral("TopicID"), id);
    } else {
        rs->Edit();
    }
    rs->SetField(QStringLiteral("TopicTitle"), QStringLiteral("Topic %1").arg(i));
    rs->SetField(QStringLiteral("BrowseSeq"),
                 QStringLiteral("main:%1").arg(i, 5, 10, QLatin1Char('0')));
    rs->SetField(QStringLiteral("Keywords"), QStringLiteral("topic;number %1").arg(i));
    rs->SetField(QStringLiteral("TopicHeader"), QStringLiteral("Header of topic %1").arg(i));
    rs->SetField(QStringLiteral("HelpText"),
                 QStringLiteral("The help text of topic %1. ").arg(i).repeated(8));
    rs->SetField(QStringLiteral("MapNumber"), QString::number(i % 32767));
    rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
    rs->Update();
}

double engineRead(dao::Database& db, qsizetype& rows, qsizetype& chars) {
    QElapsedTimer t;
    t.start();
    auto rs = db.OpenRecordset(kList, dao::dbOpenSnapshot);
    rows = 0;
    chars = 0;
    for (; !rs->EOF_(); rs->MoveNext()) {
        chars += rs->Field(QStringLiteral("topicid")).toString().size();
        ++rows;
    }
    return double(t.nsecsElapsed()) / 1e6;
}

double rawRead(sqlite3* db, qsizetype& rows, qsizetype& bytes) {
    QElapsedTimer t;
    t.start();
    const QByteArray sql = kList.toUtf8();
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &s, nullptr);
    rows = 0;
    bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        bytes += text ? sqlite3_column_bytes(s, 0) : 0;
        ++rows;
    }
    sqlite3_finalize(s);
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int topics = argc > 1 ? std::max(1, atoi(argv[1])) : 20000;
    QTemporaryDir tmp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                               : QString());
    const QString path = tmp.filePath(QStringLiteral("Bench.QMT"));
    try {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(path);
        creator->create_database();

        auto db = dao::Database::OpenDatabase(path);
        QElapsedTimer t;
        t.start();
        db->BeginTrans();
        for (int i = 0; i < topics; ++i)
            saveTopic(*db, i);
        db->CommitTrans();
        const double buildMs = double(t.nsecsElapsed()) / 1e6;

        const int single = std::min(topics, 50);
        t.restart();
        for (int i = 0; i < single; ++i)
            saveTopic(*db, i); // edits of existing topics, each its own transaction
        const double saveMs = double(t.nsecsElapsed()) / 1e6 / single;

        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_key(raw, "quetzal", 7);
        sqlite3_exec(raw, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);

        std::vector<double> engine, direct;
        qsizetype engineRows = 0, rawRows = 0, chars = 0, bytes = 0;
        for (int round = 0; round < 7; ++round) {
            engine.push_back(engineRead(*db, engineRows, chars));
            direct.push_back(rawRead(raw, rawRows, bytes));
        }
        sqlite3_close(raw);
        if (engineRows != topics || rawRows != topics) {
            std::fprintf(stderr, "read %lld and %lld rows, expected %d\n", qlonglong(engineRows),
                         qlonglong(rawRows), topics);
            return 1;
        }
        const double e = median(engine), r = median(direct);
        std::printf("topics:                          %d\n", topics);
        std::printf(
            "build through the engine:        %.1f ms (%.3f ms per topic, one transaction)\n",
            buildMs, buildMs / topics);
        std::printf("one save as OK does it:          %.1f ms (own transaction, flushed)\n",
                    saveMs);
        std::printf("topic list read, engine:         %.2f ms (median of %zu)\n", e, engine.size());
        std::printf("topic list read, raw library:    %.2f ms (median of %zu)\n", r, direct.size());
        std::printf("engine / raw:                    %.2f (goal: at most 1.50)\n", e / r);
        return 0;
    } catch (const dao::EngineError& e) {
        std::fprintf(stderr, "engine error %d: %s\n", e.number(), qPrintable(e.text()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
