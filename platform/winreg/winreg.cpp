#include "winreg.h"

#include "codepage/ansi.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QStandardPaths>

#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>

#include <cstring>
#include <optional>

// A hive is one SQLite file:
//   keys(id, parent, name, fold, class, written)  parent 0 is the hive's root
//   vals(id, key, name, fold, type, data)         name '' is a key's default value
// Names keep the caller's bytes (Windows-1252); `fold` is the upper-case form
// used for look-ups, so names match in any letter case. Value ids keep the
// order in which values were first written, the order of enumeration.

namespace winreg {

namespace {

using Id = sqlite3_int64;

constexpr int kApplicationId = 0x514D5452; // marks a file as a hive
constexpr int kBusyTimeoutMs = 15000;
constexpr qsizetype kMaxKeyNameLength = 255;
constexpr qsizetype kMaxValueNameLength = 16383;
constexpr Id kRootId = 0;

// A registry status raised inside a call and returned at its boundary.
struct Failure {
    LONG status;
};
// An SQLite result code raised inside a call.
struct SqlFailure {
    int rc;
};

LONG statusOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return ERROR_REGISTRY_CORRUPT;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

void check(int rc) {
    if (rc != SQLITE_OK)
        throw SqlFailure{rc};
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        check(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, Id value) {
        check(sqlite3_bind_int64(m_stmt, index, value));
        return *this;
    }
    Statement& bindBlob(int index, const QByteArray& value) {
        check(sqlite3_bind_blob(m_stmt, index, value.constData(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindText(int index, const QByteArray& utf8) {
        check(sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is available.
    bool next() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw SqlFailure{rc};
    }
    void run() { next(); }
    Id integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QByteArray blob(int column) const {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return QByteArray(data, sqlite3_column_bytes(m_stmt, column));
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

Id pragmaInteger(sqlite3* db, const char* sql) {
    Statement st(db, sql);
    return st.next() ? st.integer(0) : 0;
}

// What a hive file looked like when it was last checked.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static std::optional<FileStamp> of(const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return std::nullopt;
        return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    }
    bool sameFile(const FileStamp& o) const { return device == o.device && inode == o.inode; }
    bool sameContent(const FileStamp& o) const {
        return size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

struct Connection {
    sqlite3* db = nullptr;
    FileStamp stamp;
};

struct OpenKey {
    QString hive;
    Id id = kRootId;
};

struct State {
    QMutex mutex;
    QHash<QString, Connection> connections; // by hive file path
    QHash<HKEY, OpenKey> handles;
    HKEY nextHandle = 0x100;
    QString lastHive;    // hive used by the current call
    QString damagedHive; // last hive found damaged
    QString failedHive;  // hive of the last call that failed in the store
    QString failedReason;
};

State& state() {
    static State* s = new State; // never destroyed: handles may outlive static destructors
    return *s;
}

bool isDamage(int rc) {
    return statusOf(rc) == ERROR_REGISTRY_CORRUPT;
}

// Closing a connection folds its write-ahead log into the hive file and then
// removes the log by name. So a connection is closed only while its file is
// still the healthy file at its path; otherwise (damaged, removed, replaced:
// the log at that path may be another hive's) it is left open until exit.
void closeConnection(const QString& path, const Connection& c, bool damaged) {
    const std::optional<FileStamp> now = FileStamp::of(path);
    if (!damaged && now && now->sameFile(c.stamp))
        sqlite3_close_v2(c.db);
}

void dropConnection(State& s, const QString& path, bool damaged) {
    const auto it = s.connections.find(path);
    if (it == s.connections.end())
        return;
    closeConnection(path, *it, damaged);
    s.connections.erase(it);
}

// At exit the hives are closed, which folds their logs back into the hive files.
struct CloseAtExit {
    ~CloseAtExit() {
        State& s = state();
        QMutexLocker lock(&s.mutex);
        for (auto it = s.connections.cbegin(); it != s.connections.cend(); ++it)
            closeConnection(it.key(), it.value(), false);
        s.connections.clear();
    }
} closeAtExit;

// A file that has bytes but does not begin with a database header is damaged;
// it is not handed to SQLite at all, so nothing is ever written to it.
bool isForeignHeader(const QByteArray& header, qint64 fileSize) {
    static const QByteArray magic("SQLite format 3", 16); // with its NUL
    return fileSize > 0 && (header.size() < 100 || !header.startsWith(magic));
}

// Checks a hive file this process has no connection to.
bool hasForeignHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // unreadable: SQLite reports why
    return isForeignHeader(file.read(100), file.size());
}

// Checks the hive of an open connection through the connection's own file:
// opening and closing the file any other way would drop the connection's
// locks, and another process could then remove a log still being written.
bool hasForeignHeader(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return false;
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return false;
    QByteArray header(100, '\0');
    const int rc = file->pMethods->xRead(file, header.data(), 100, 0);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)
        return false;
    return isForeignHeader(rc == SQLITE_OK ? header : QByteArray(), size);
}

void createSchema(sqlite3* db) {
    exec(db, "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
             " name BLOB NOT NULL, fold TEXT NOT NULL, class BLOB NOT NULL,"
             " written INTEGER NOT NULL, UNIQUE(parent, fold));"
             "CREATE TABLE vals(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
             " name BLOB NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
             " UNIQUE(key, fold));"
             "CREATE INDEX vals_order ON vals(key, id);"
             "PRAGMA user_version = 2;");
    exec(db,
         QByteArray("PRAGMA application_id = " + QByteArray::number(kApplicationId)).constData());
}

QByteArray fold(const QByteArray& name);

// Hives of version 1 folded names with full upper-casing; their fold column
// is computed again, once, by whichever process opens them first.
void refold(sqlite3* db) {
    exec(db, "BEGIN IMMEDIATE");
    try {
        if (pragmaInteger(db, "PRAGMA user_version") < 2) {
            for (const char* table : {"keys", "vals"}) {
                std::vector<std::pair<Id, QByteArray>> rows;
                {
                    const QByteArray select = QByteArray("SELECT id, name FROM ") + table;
                    Statement st(db, select.constData());
                    while (st.next())
                        rows.emplace_back(st.integer(0), st.blob(1));
                }
                for (const auto& [id, name] : rows) {
                    const QByteArray sql =
                        QByteArray("UPDATE ") + table + " SET fold = ? WHERE id = ?";
                    Statement update(db, sql.constData());
                    update.bindText(1, fold(name)).bind(2, id).run();
                }
            }
            exec(db, "PRAGMA user_version = 2");
        }
        exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Opens a hive file, creating it when it does not exist. A file that is not a
// hive (garbage, or some other database) is reported damaged and left alone.
sqlite3* openHive(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        QFile::encodeName(path).constData(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw SqlFailure{rc};
    }
    try {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        if (pragmaInteger(db, "PRAGMA application_id") != kApplicationId) {
            // Only an empty file becomes a hive; another process may be doing the same.
            exec(db, "BEGIN IMMEDIATE");
            try {
                const Id appId = pragmaInteger(db, "PRAGMA application_id");
                if (appId == 0 && pragmaInteger(db, "SELECT count(*) FROM sqlite_master") == 0)
                    createSchema(db);
                else if (appId != kApplicationId)
                    throw SqlFailure{SQLITE_NOTADB};
                exec(db, "COMMIT");
            } catch (...) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
        if (pragmaInteger(db, "PRAGMA user_version") < 2)
            refold(db);
        // WAL lets readers go on while another process writes; NORMAL still
        // keeps every commit whole when a process dies.
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        exec(db, "PRAGMA synchronous=NORMAL");
    } catch (const SqlFailure& f) {
        if (!isDamage(f.rc))
            sqlite3_close_v2(db);
        throw;
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

// The connection to a hive file, reopened when the file was replaced or
// removed. A file changed since the last call has its header checked again,
// so that bytes written over it by someone else are not taken for a hive.
sqlite3* hive(const QString& path) {
    State& s = state();
    s.lastHive = path;
    const std::optional<FileStamp> now = FileStamp::of(path);
    const auto it = s.connections.find(path);
    if (it != s.connections.end()) {
        if (now && it->stamp.sameFile(*now)) {
            if (!it->stamp.sameContent(*now)) {
                if (hasForeignHeader(it->db))
                    throw SqlFailure{SQLITE_NOTADB};
                it->stamp = *now;
            }
            return it->db;
        }
        dropConnection(s, path, false);
    }
    if (now && hasForeignHeader(path))
        throw SqlFailure{SQLITE_NOTADB};
    Connection c;
    c.db = openHive(path);
    c.stamp = FileStamp::of(path).value_or(FileStamp{});
    s.connections.insert(path, c);
    return c.db;
}

// Runs body in one transaction; a write takes the hive's write lock at once so
// that two processes never deadlock upgrading a read.
template <class Body> void transaction(sqlite3* db, bool write, Body&& body) {
    exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN");
    try {
        body();
        exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Runs one registry call under the process-wide lock and turns failures into
// status codes.
// Why the store failed on the hive file `path`, for messages.
QString failureReason(const State& s, const QString& path, int rc) {
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("the file is not writable");
    if (!QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("its folder is not writable");
    const auto it = s.connections.constFind(path);
    if (it != s.connections.cend()) {
        if (const int error = sqlite3_system_errno(it->db); error != 0)
            return QString::fromLocal8Bit(std::strerror(error));
    }
    return QString::fromUtf8(sqlite3_errstr(rc));
}

template <class Body> LONG guarded(Body&& body) {
    State& s = state();
    QMutexLocker lock(&s.mutex);
    s.lastHive.clear();
    s.failedHive.clear();
    s.failedReason.clear();
    try {
        return body();
    } catch (const Failure& f) {
        return f.status;
    } catch (const SqlFailure& f) {
        const LONG status = statusOf(f.rc);
        if (!s.lastHive.isEmpty()) {
            s.failedHive = s.lastHive;
            s.failedReason = failureReason(s, s.lastHive, f.rc);
        }
        if (status == ERROR_REGISTRY_CORRUPT && !s.lastHive.isEmpty()) {
            s.damagedHive = s.lastHive;
            dropConnection(s, s.lastHive, true);
        }
        return status;
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}

Id fileTimeNow() {
    // 100-ns intervals since 1601-01-01
    return QDateTime::currentMSecsSinceEpoch() * 10000 + Id(116444736000000000);
}

// Names compare character by character without regard to case, as the
// registry compares them: "ß" stays "ß" (a full upper-casing would make
// "Straße" and "STRASSE" one name).
QByteArray fold(const QByteArray& name) {
    QString text = ansi::toUnicode(name);
    for (QChar& c : text)
        c = c.toUpper();
    return text.toUtf8();
}

QByteArray bytes(const char* text) {
    return text ? QByteArray(text) : QByteArray();
}

bool isRoot(HKEY key) {
    return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

OpenKey resolve(HKEY key) {
    if (isRoot(key))
        return {hivePath(key), kRootId};
    const auto it = state().handles.constFind(key);
    if (it == state().handles.constEnd())
        throw Failure{ERROR_INVALID_HANDLE};
    return *it;
}

// The parts of a backslash-separated path; one trailing backslash is allowed.
QList<QByteArray> splitPath(const char* path) {
    QByteArray p = bytes(path);
    if (p.endsWith('\\'))
        p.chop(1);
    if (p.isEmpty())
        return {};
    QList<QByteArray> parts = p.split('\\');
    for (const QByteArray& part : parts)
        if (part.isEmpty() || part.size() > kMaxKeyNameLength)
            throw Failure{ERROR_INVALID_PARAMETER};
    return parts;
}

void requireKey(sqlite3* db, Id id) {
    if (id == kRootId)
        return;
    Statement st(db, "SELECT 1 FROM keys WHERE id = ?");
    if (!st.bind(1, id).next())
        throw Failure{ERROR_KEY_DELETED};
}

std::optional<Id> child(sqlite3* db, Id parent, const QByteArray& name) {
    Statement st(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    st.bind(1, parent).bindText(2, fold(name));
    if (st.next())
        return st.integer(0);
    return std::nullopt;
}

Id walk(sqlite3* db, Id from, const QList<QByteArray>& parts) {
    Id id = from;
    for (const QByteArray& part : parts) {
        const auto next = child(db, id, part);
        if (!next)
            throw Failure{ERROR_FILE_NOT_FOUND};
        id = *next;
    }
    return id;
}

void touch(sqlite3* db, Id id) {
    if (id == kRootId)
        return;
    Statement(db, "UPDATE keys SET written = ? WHERE id = ?")
        .bind(1, fileTimeNow())
        .bind(2, id)
        .run();
}

// Walks the path, creating what is missing; the last key created gets the class text.
Id walkCreating(sqlite3* db, Id from, const QList<QByteArray>& parts, const QByteArray& keyClass,
                bool* created) {
    Id id = from;
    *created = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (const auto next = child(db, id, parts[i])) {
            id = *next;
            continue;
        }
        Statement st(db,
                     "INSERT INTO keys(parent, name, fold, class, written) VALUES(?, ?, ?, ?, ?)");
        st.bind(1, id).bindBlob(2, parts[i]).bindText(3, fold(parts[i]));
        st.bindBlob(4, i + 1 == parts.size() ? keyClass : QByteArray())
            .bind(5, fileTimeNow())
            .run();
        touch(db, id);
        id = sqlite3_last_insert_rowid(db);
        *created = true;
    }
    return id;
}

void setValue(sqlite3* db, Id key, const QByteArray& name, DWORD type, const QByteArray& data) {
    Statement update(db, "UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
    update.bind(1, type).bindBlob(2, data).bind(3, key).bindText(4, fold(name)).run();
    if (sqlite3_changes(db) == 0) {
        Statement insert(db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)");
        insert.bind(1, key)
            .bindBlob(2, name)
            .bindText(3, fold(name))
            .bind(4, type)
            .bindBlob(5, data)
            .run();
    }
    touch(db, key);
}

struct Value {
    DWORD type = REG_NONE;
    QByteArray data;
};

std::optional<Value> value(sqlite3* db, Id key, const QByteArray& name) {
    Statement st(db, "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    st.bind(1, key).bindText(2, fold(name));
    if (!st.next())
        return std::nullopt;
    return Value{static_cast<DWORD>(st.integer(0)), st.blob(1)};
}

// Copies data to a caller's buffer of *size bytes; reports the size needed.
LONG deliver(const QByteArray& data, BYTE* buffer, DWORD* size) {
    const auto needed = static_cast<DWORD>(data.size());
    if (buffer) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(buffer, data.constData(), needed);
    }
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

// Copies a name and its NUL to a buffer of *length characters; on success
// *length becomes the name's length without the NUL.
LONG deliverName(const QByteArray& name, char* buffer, DWORD* length) {
    if (*length <= static_cast<DWORD>(name.size()))
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.constData(), static_cast<size_t>(name.size()));
    buffer[name.size()] = '\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

HKEY newHandle(const OpenKey& key) {
    State& s = state();
    for (;;) {
        const HKEY h = s.nextHandle;
        s.nextHandle = s.nextHandle >= 0x7FFFFF00u ? 0x100u : s.nextHandle + 4;
        if (!s.handles.contains(h)) {
            s.handles.insert(h, key);
            return h;
        }
    }
}

} // namespace

QString hiveFolder() {
    const QString fromEnv = qEnvironmentVariable("QUILLMATE_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillmate/registry");
}

QString hivePath(HKEY root) {
    if (root == HKEY_CURRENT_USER)
        return hiveFolder() + QStringLiteral("/HKCU.hive");
    if (root == HKEY_LOCAL_MACHINE)
        return hiveFolder() + QStringLiteral("/HKLM.hive");
    return {};
}

QString damagedHivePath() {
    State& s = state();
    QMutexLocker lock(&s.mutex);
    return s.damagedHive;
}

QString failedHivePath() {
    State& s = state();
    QMutexLocker lock(&s.mutex);
    return s.failedHive;
}

QString failedHiveReason() {
    State& s = state();
    QMutexLocker lock(&s.mutex);
    return s.failedReason;
}

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD, REGSAM, HKEY* phkResult) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    return guarded([&] {
        OpenKey key = resolve(hKey);
        const QList<QByteArray> parts = splitPath(lpSubKey);
        sqlite3* db = hive(key.hive);
        transaction(db, false, [&] {
            requireKey(db, key.id);
            key.id = walk(db, key.id, parts);
        });
        *phkResult = newHandle(key);
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD, const char* lpClass, DWORD, REGSAM,
                     const void*, HKEY* phkResult, DWORD* lpdwDisposition) {
    if (!phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    return guarded([&] {
        OpenKey key = resolve(hKey);
        const QList<QByteArray> parts = splitPath(lpSubKey);
        sqlite3* db = hive(key.hive);
        bool created = false;
        transaction(db, true, [&] {
            requireKey(db, key.id);
            key.id = walkCreating(db, key.id, parts, bytes(lpClass), &created);
        });
        *phkResult = newHandle(key);
        if (lpdwDisposition)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD*, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData) {
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        sqlite3* db = hive(key.hive);
        std::optional<Value> v;
        transaction(db, false, [&] {
            requireKey(db, key.id);
            v = value(db, key.id, bytes(lpValueName));
        });
        if (!v)
            return ERROR_FILE_NOT_FOUND;
        if (lpType)
            *lpType = v->type;
        return deliver(v->data, lpData, lpcbData);
    });
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (!lpData && cbData != 0)
        return ERROR_INVALID_PARAMETER;
    const QByteArray name = bytes(lpValueName);
    if (name.size() > kMaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    const QByteArray data(reinterpret_cast<const char*>(lpData), static_cast<qsizetype>(cbData));
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        sqlite3* db = hive(key.hive);
        transaction(db, true, [&] {
            requireKey(db, key.id);
            setValue(db, key.id, name, dwType, data);
        });
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueA(HKEY hKey, const char* lpSubKey, char* lpData, LONG* lpcbData) {
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        const QList<QByteArray> parts = splitPath(lpSubKey);
        sqlite3* db = hive(key.hive);
        std::optional<Value> v;
        transaction(db, false, [&] {
            requireKey(db, key.id);
            v = value(db, walk(db, key.id, parts), QByteArray());
        });
        // A key without a default value reads as the empty text.
        const QByteArray data = v ? v->data : QByteArray(1, '\0');
        DWORD size = lpcbData && *lpcbData > 0 ? static_cast<DWORD>(*lpcbData) : 0;
        const LONG status =
            deliver(data, reinterpret_cast<BYTE*>(lpData), lpcbData ? &size : nullptr);
        if (lpcbData)
            *lpcbData = static_cast<LONG>(size);
        return status;
    });
}

LONG RegSetValueA(HKEY hKey, const char* lpSubKey, DWORD dwType, const char* lpData, DWORD) {
    // As on the platform, the size argument is not used: the text and its NUL are stored.
    if (dwType != REG_SZ || !lpData)
        return ERROR_INVALID_PARAMETER;
    const QByteArray data(lpData, static_cast<qsizetype>(std::strlen(lpData)) + 1);
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        const QList<QByteArray> parts = splitPath(lpSubKey);
        sqlite3* db = hive(key.hive);
        transaction(db, true, [&] {
            requireKey(db, key.id);
            bool created = false;
            setValue(db, walkCreating(db, key.id, parts, QByteArray(), &created), QByteArray(),
                     REG_SZ, data);
        });
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD*, char* lpClass,
                   DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
    if (!lpName || !lpcchName || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        sqlite3* db = hive(key.hive);
        bool found = false;
        QByteArray name, keyClass;
        Id written = 0;
        transaction(db, false, [&] {
            requireKey(db, key.id);
            Statement st(db, "SELECT name, class, written FROM keys WHERE parent = ? ORDER BY fold "
                             "LIMIT 1 OFFSET ?");
            if ((found = st.bind(1, key.id).bind(2, dwIndex).next())) {
                name = st.blob(0);
                keyClass = st.blob(1);
                written = st.integer(2);
            }
        });
        if (!found)
            return ERROR_NO_MORE_ITEMS;
        if (const LONG status = deliverName(name, lpName, lpcchName))
            return status;
        if (lpClass) {
            if (const LONG status = deliverName(keyClass, lpClass, lpcchClass))
                return status;
        } else if (lpcchClass) {
            *lpcchClass = static_cast<DWORD>(keyClass.size());
        }
        if (lpftLastWriteTime) {
            lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(written & 0xFFFFFFFF);
            lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(written >> 32);
        }
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD*,
                   DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        sqlite3* db = hive(key.hive);
        bool found = false;
        QByteArray name;
        Value v;
        transaction(db, false, [&] {
            requireKey(db, key.id);
            Statement st(
                db, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
            if ((found = st.bind(1, key.id).bind(2, dwIndex).next())) {
                name = st.blob(0);
                v = Value{static_cast<DWORD>(st.integer(1)), st.blob(2)};
            }
        });
        if (!found)
            return ERROR_NO_MORE_ITEMS;
        if (const LONG status = deliverName(name, lpValueName, lpcchValueName))
            return status;
        if (lpType)
            *lpType = v.type;
        return deliver(v.data, lpData, lpcbData);
    });
}

LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        const QList<QByteArray> parts = splitPath(lpSubKey);
        sqlite3* db = hive(key.hive);
        transaction(db, true, [&] {
            requireKey(db, key.id);
            const Id target = walk(db, key.id, parts);
            if (target == kRootId)
                throw Failure{ERROR_ACCESS_DENIED};
            Statement sub(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
            if (sub.bind(1, target).next())
                throw Failure{ERROR_ACCESS_DENIED}; // subkeys must be deleted first
            Statement parent(db, "SELECT parent FROM keys WHERE id = ?");
            parent.bind(1, target).next();
            const Id parentId = parent.integer(0);
            Statement(db, "DELETE FROM vals WHERE key = ?").bind(1, target).run();
            Statement(db, "DELETE FROM keys WHERE id = ?").bind(1, target).run();
            touch(db, parentId);
        });
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, const char* lpValueName) {
    return guarded([&] {
        const OpenKey key = resolve(hKey);
        sqlite3* db = hive(key.hive);
        bool deleted = false;
        transaction(db, true, [&] {
            requireKey(db, key.id);
            Statement(db, "DELETE FROM vals WHERE key = ? AND fold = ?")
                .bind(1, key.id)
                .bindText(2, fold(bytes(lpValueName)))
                .run();
            deleted = sqlite3_changes(db) > 0;
            if (deleted)
                touch(db, key.id);
        });
        return deleted ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegCloseKey(HKEY hKey) {
    if (isRoot(hKey))
        return ERROR_SUCCESS;
    State& s = state();
    QMutexLocker lock(&s.mutex);
    return s.handles.remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace winreg
