// A project file read straight through the encrypted SQLite library, for the
// minimal writers the benchmarks compare against.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <QString>

#include <stdexcept>

namespace bench {

struct RawProject {
    sqlite3* db = nullptr;
    explicit RawProject(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK ||
            sqlite3_key(db, "quetzal", 7) != SQLITE_OK)
            throw std::runtime_error("open");
    }
    ~RawProject() { sqlite3_close(db); }
    RawProject(const RawProject&) = delete;
    RawProject& operator=(const RawProject&) = delete;
    // Runs `row` on each row of `sql`.
    template <class Row> void each(const char* sql, Row&& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        while (sqlite3_step(st) == SQLITE_ROW)
            row(st);
        sqlite3_finalize(st);
    }
};

} // namespace bench
