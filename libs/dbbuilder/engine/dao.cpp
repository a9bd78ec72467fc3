// The engine over SQLCipher.
//
// The file keeps its own rules: a field's type and size are its declared
// column type (VARCHAR(n) text, LONGTEXT memo, SMALLINT 16-bit, INTEGER
// 32-bit), required is NOT NULL, the default is the column default, and the
// named CHECK constraints "<field> size", "<field> not empty" and
// "<field> range" enforce the rest inside the file. The engine reads these
// back to check values before it writes and to name the field in its refusals.
#include "dao.h"

#include <sqlcipher/sqlite3.h>

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <unistd.h>

namespace dao {

namespace {

constexpr int kApplicationId = 0x514D5431; // marks files made by this engine
constexpr qint64 kSmallestPageSize = 512;  // every page size SQLite allows is a multiple

QString quoteId(QString name) {
    name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString quoteText(QString text) {
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString errText(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
}

QVariant columnValue(sqlite3_stmt* s, int i) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(s, i);
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            return QVariant(static_cast<int>(v));
        return QVariant(static_cast<qlonglong>(v));
    }
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                          sqlite3_column_bytes(s, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)),
                                   sqlite3_column_bytes(s, i)));
    default:
        return {};
    }
}

bool isNullValue(const QVariant& v) {
    return !v.isValid() || v.typeId() == QMetaType::Nullptr;
}

// Characters as the store counts them (code points).
qsizetype textLength(const QString& s) {
    qsizetype n = s.size();
    for (QChar c : s)
        if (c.isLowSurrogate())
            --n;
    return n;
}

QString typeName(const FieldDef& f) {
    switch (f.type) {
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(f.size);
    case FieldType::Memo:
        return QStringLiteral("LONGTEXT");
    case FieldType::Integer:
        return QStringLiteral("SMALLINT");
    case FieldType::Long:
        return QStringLiteral("INTEGER");
    }
    return {};
}

void rangeOf(FieldType type, qint64& low, qint64& high) {
    if (type == FieldType::Integer) {
        low = std::numeric_limits<qint16>::min();
        high = std::numeric_limits<qint16>::max();
    } else {
        low = std::numeric_limits<qint32>::min();
        high = std::numeric_limits<qint32>::max();
    }
}

bool isText(FieldType t) {
    return t == FieldType::Text || t == FieldType::Memo;
}

// The statement as far as the engine needs it: where the select list starts
// and ends, and the table named after "from".
struct SelectParts {
    qsizetype listStart = -1;
    qsizetype fromAt = -1;
    QString table;
    bool distinct = false;
};

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

qsizetype skipQuoted(const QString& s, qsizetype i) {
    const QChar open = s.at(i);
    const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
    for (++i; i < s.size(); ++i) {
        if (s.at(i) == close) {
            if (close != QLatin1Char(']') && i + 1 < s.size() && s.at(i + 1) == close) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return i;
}

bool keywordAt(const QString& s, qsizetype i, QLatin1StringView word) {
    if (i > 0 && isWordChar(s.at(i - 1)))
        return false;
    if (i + word.size() > s.size() ||
        QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype end = i + word.size();
    return end == s.size() || !isWordChar(s.at(end));
}

SelectParts parseSelect(const QString& sql) {
    SelectParts p;
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    if (!keywordAt(sql, i, QLatin1StringView("select")))
        return p;
    i += 6;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    p.listStart = i;
    p.distinct = keywordAt(sql, i, QLatin1StringView("distinct")) ||
                 keywordAt(sql, i, QLatin1StringView("all"));
    int depth = 0;
    for (; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') ||
            c == QLatin1Char('`')) {
            i = skipQuoted(sql, i) - 1;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (depth == 0 && keywordAt(sql, i, QLatin1StringView("from"))) {
            p.fromAt = i;
            break;
        }
    }
    if (p.fromAt < 0)
        return p;
    i = p.fromAt + 4;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    if (i >= sql.size())
        return p;
    const QChar c = sql.at(i);
    if (c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
        const qsizetype end = skipQuoted(sql, i);
        p.table = sql.mid(i + 1, end - i - 2);
        if (c == QLatin1Char('"'))
            p.table.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    } else {
        qsizetype end = i;
        while (end < sql.size() && isWordChar(sql.at(end)))
            ++end;
        p.table = sql.mid(i, end - i);
    }
    return p;
}

} // namespace

// --- the connection shared by a database and its record sets --------------

struct TableInfo {
    TableDef def;
    int fieldIndex(const QString& name) const {
        for (size_t i = 0; i < def.fields.size(); ++i)
            if (def.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        return -1;
    }
    QString qualified(int field) const {
        return def.name + QLatin1Char('.') + def.fields[size_t(field)].name;
    }
};

class Connection {
public:
    sqlite3* db = nullptr;
    QString path;
    bool readOnly = false;
    QHash<QString, std::shared_ptr<const TableInfo>> tables; // by lower-case name
    QHash<QString, sqlite3_stmt*> cache;                     // prepared statements by text
    std::optional<qint64> cacheBefore; // the page cache's size while it is raised

    ~Connection() { close(); }

    void close() {
        for (sqlite3_stmt* s : std::as_const(cache))
            sqlite3_finalize(s);
        cache.clear();
        tables.clear();
        if (db)
            sqlite3_close_v2(db);
        db = nullptr;
    }

    sqlite3* handle() const {
        if (!db)
            throw EngineError(errDatabaseClosed, QStringLiteral("The project file is closed."));
        return db;
    }

    [[noreturn]] void fail(int rc, const QString& doing) const;
    void exec(const QString& sql);
    void raiseCache();
    void restoreCache();
    std::shared_ptr<const TableInfo> table(const QString& name);
    TableDef readTable(const QString& canonical, const QString& createSql);
};

// A prepared statement taken from the connection's cache and given back reset.
class Stmt {
public:
    Stmt(Connection& c, const QString& sql, bool cached) : m_c(c), m_sql(sql), m_cached(cached) {
        if (cached)
            m_s = c.cache.take(sql);
        if (!m_s) {
            const QByteArray utf8 = sql.toUtf8();
            const char* tail = nullptr;
            const int rc =
                sqlite3_prepare_v2(c.handle(), utf8.constData(), int(utf8.size()), &m_s, &tail);
            if (rc != SQLITE_OK) {
                const QString msg = errText(c.db);
                sqlite3_finalize(m_s);
                m_s = nullptr;
                if (msg.startsWith(QLatin1StringView("no such table: ")))
                    throw EngineError(
                        errNoSuchTable,
                        QStringLiteral("The engine cannot find the table '%1'.").arg(msg.mid(15)));
                if (msg.startsWith(QLatin1StringView("no such column: ")))
                    throw EngineError(
                        errItemNotFound,
                        QStringLiteral("The field '%1' is not in the table.").arg(msg.mid(16)));
                if (rc == SQLITE_ERROR)
                    throw EngineError(errSyntax,
                                      QStringLiteral("The engine does not understand the statement "
                                                     "\"%1\": %2.")
                                          .arg(sql, msg));
                c.fail(rc, QStringLiteral("reading the statement \"%1\"").arg(sql));
            }
            if (!m_s)
                throw EngineError(errSyntax, QStringLiteral("The statement is empty."));
            for (const char* t = tail; t && *t; ++t) {
                if (!std::isspace(static_cast<unsigned char>(*t)) && *t != ';') {
                    sqlite3_finalize(m_s);
                    m_s = nullptr;
                    throw EngineError(
                        errSyntax,
                        QStringLiteral("The statement \"%1\" holds more than one statement.")
                            .arg(sql));
                }
            }
        }
    }
    ~Stmt() {
        if (!m_s)
            return;
        if (m_cached && m_c.db) {
            sqlite3_reset(m_s);
            sqlite3_clear_bindings(m_s);
            if (sqlite3_stmt* old = m_c.cache.value(m_sql))
                sqlite3_finalize(old);
            m_c.cache.insert(m_sql, m_s);
        } else {
            sqlite3_finalize(m_s);
        }
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    sqlite3_stmt* get() const { return m_s; }
    operator sqlite3_stmt*() const { return m_s; }

    // Steps once; true while a row is there.
    bool step() {
        const int rc = sqlite3_step(m_s);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        sqlite3_reset(m_s);
        m_c.fail(rc, QStringLiteral("running \"%1\"").arg(m_sql));
    }
    void bind(int i, const QVariant& v) {
        if (isNullValue(v)) {
            sqlite3_bind_null(m_s, i);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(m_s, i, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(m_s, i, v.toDouble());
        } else {
            const QByteArray utf8 = v.toString().toUtf8();
            sqlite3_bind_text(m_s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    }

private:
    Connection& m_c;
    QString m_sql;
    bool m_cached;
    sqlite3_stmt* m_s = nullptr;
};

void Connection::fail(int rc, const QString& doing) const {
    const QString msg = errText(db);
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT)
        throw EngineError(
            errNotProjectFile,
            QStringLiteral("The file '%1' is damaged, or it is not a project file.").arg(path));
    if (primary == SQLITE_NOTADB)
        throw EngineError(
            errNotProjectFile,
            QStringLiteral("The file '%1' is not a project file, or its password does not match.")
                .arg(path));
    if (primary == SQLITE_READONLY)
        throw EngineError(
            errNotUpdatable,
            QStringLiteral("The project file '%1' cannot be changed: %2.").arg(path, msg));
    if (primary == SQLITE_CANTOPEN || primary == SQLITE_PERM || primary == SQLITE_AUTH)
        throw EngineError(errCannotOpen,
                          QStringLiteral("The file '%1' cannot be opened: %2.").arg(path, msg));
    throw EngineError(errEngine,
                      QStringLiteral("The engine failed %1 in '%2': %3.").arg(doing, path, msg));
}

void Connection::exec(const QString& sql) {
    Stmt s(*this, sql, false);
    while (s.step()) {
    }
}

// Rows added in bulk stay in memory until the commit: a transaction larger
// than the usual cache would otherwise write (and encrypt) pages to the file
// before it, and read some of them back.
constexpr qint64 kBulkCacheKiB = 64 * 1024;

void Connection::raiseCache() {
    if (cacheBefore)
        return;
    Stmt s(*this, QStringLiteral("PRAGMA cache_size"), false);
    const qint64 before = s.step() ? sqlite3_column_int64(s, 0) : 0;
    exec(QStringLiteral("PRAGMA cache_size = %1").arg(-kBulkCacheKiB));
    cacheBefore = before;
}

void Connection::restoreCache() {
    if (!cacheBefore || !db)
        return;
    const qint64 before = *cacheBefore;
    cacheBefore.reset();
    exec(QStringLiteral("PRAGMA cache_size = %1").arg(before));
}

TableDef Connection::readTable(const QString& canonical, const QString& createSql) {
    TableDef t;
    t.name = canonical;
    QString primaryField;
    {
        Stmt s(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoteId(canonical)), false);
        while (s.step()) {
            FieldDef f;
            f.name = columnValue(s, 1).toString();
            const QString type = columnValue(s, 2).toString().toUpper();
            static const QRegularExpression sized(
                QStringLiteral("^\\s*(?:VAR)?CHAR\\s*\\(\\s*(\\d+)\\s*\\)"));
            const auto m = sized.match(type);
            if (m.hasMatch()) {
                f.type = FieldType::Text;
                f.size = m.captured(1).toInt();
            } else if (type == QLatin1StringView("SMALLINT")) {
                f.type = FieldType::Integer;
            } else if (type.contains(QLatin1StringView("INT"))) {
                f.type = FieldType::Long;
            } else {
                f.type = FieldType::Memo;
            }
            const bool pk = sqlite3_column_int(s, 5) != 0;
            f.required = sqlite3_column_int(s, 3) != 0;
            const QString constraintPrefix =
                QStringLiteral("CONSTRAINT ") + quoteId(f.name + QStringLiteral(" not empty"));
            f.allowZeroLength = !createSql.contains(constraintPrefix, Qt::CaseInsensitive);
            if (sqlite3_column_type(s, 4) != SQLITE_NULL) {
                const QString dflt = columnValue(s, 4).toString();
                if (dflt.startsWith(QLatin1Char('\'')) && dflt.endsWith(QLatin1Char('\'')) &&
                    dflt.size() >= 2) {
                    f.defaultValue = dflt.mid(1, dflt.size() - 2)
                                         .replace(QStringLiteral("''"), QStringLiteral("'"));
                } else if (dflt.compare(QLatin1StringView("NULL"), Qt::CaseInsensitive) != 0) {
                    bool ok = false;
                    const qlonglong n = dflt.toLongLong(&ok);
                    f.defaultValue = ok ? QVariant(int(n)) : QVariant(dflt);
                }
            }
            if (pk && f.type == FieldType::Long && type == QLatin1StringView("INTEGER")) {
                static const QRegularExpression autoinc(QStringLiteral("\\bAUTOINCREMENT\\b"),
                                                        QRegularExpression::CaseInsensitiveOption);
                f.autoIncrement = autoinc.match(createSql).hasMatch();
                f.required = true; // the row number is never null
            }
            if (pk)
                primaryField = f.name;
            t.fields.push_back(f);
        }
    }
    if (!primaryField.isEmpty()) {
        static const QRegularExpression named(
            QStringLiteral("CONSTRAINT\\s+\"((?:[^\"]|\"\")+)\"\\s+PRIMARY\\s+KEY"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = named.match(createSql);
        t.indexes.push_back(
            {m.hasMatch() ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                          : primaryField,
             primaryField, true, true});
    }
    QHash<QString, bool> unique;
    {
        Stmt s(*this, QStringLiteral("PRAGMA index_list(%1)").arg(quoteId(canonical)), false);
        while (s.step())
            unique.insert(columnValue(s, 1).toString(), sqlite3_column_int(s, 2) != 0);
    }
    Stmt s(*this,
           QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                          "AND sql IS NOT NULL ORDER BY rowid"),
           false);
    s.bind(1, canonical);
    while (s.step()) {
        const QString name = columnValue(s, 0).toString();
        QString field;
        {
            Stmt info(*this, QStringLiteral("PRAGMA index_info(%1)").arg(quoteId(name)), false);
            if (info.step())
                field = columnValue(info, 2).toString();
        }
        const QString prefix = canonical + QLatin1Char('.');
        t.indexes.push_back(
            {name.startsWith(prefix, Qt::CaseInsensitive) ? name.mid(prefix.size()) : name, field,
             false, unique.value(name)});
    }
    return t;
}

std::shared_ptr<const TableInfo> Connection::table(const QString& name) {
    const QString key = name.toLower();
    if (auto found = tables.value(key))
        return found;
    Stmt s(*this,
           QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                          "COLLATE NOCASE"),
           true);
    s.bind(1, name);
    if (!s.step())
        throw EngineError(errNoSuchTable,
                          QStringLiteral("The engine cannot find the table '%1'.").arg(name));
    const QString canonical = columnValue(s, 0).toString();
    const QString sql = columnValue(s, 1).toString();
    auto info = std::make_shared<TableInfo>();
    info->def = readTable(canonical, sql);
    tables.insert(key, info);
    return info;
}

namespace {

std::shared_ptr<Connection> openConnection(const QString& path, int flags,
                                           const QString& password) {
    auto c = std::make_shared<Connection>();
    c->path = path;
    c->readOnly = (flags & SQLITE_OPEN_READONLY) != 0;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &c->db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        c->fail(rc, QStringLiteral("opening the file"));
    sqlite3_extended_result_codes(c->db, 1);
    sqlite3_busy_timeout(c->db, 5000);
    if (!password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        if (sqlite3_key(c->db, key.constData(), int(key.size())) != SQLITE_OK)
            c->fail(SQLITE_ERROR, QStringLiteral("setting the password"));
    }
    return c;
}

// The first read of the schema: fails when the file is not a database or the
// password does not match.
int firstRead(Connection& c) {
    return sqlite3_exec(c.db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
}

void probe(Connection& c) {
    const int rc = firstRead(c);
    if (rc != SQLITE_OK)
        c.fail(rc, QStringLiteral("reading the tables"));
}

// A change of the file was cut short and its journal must be played back
// before the file can be read. Plays it back on a copy first: only a project
// with this password may have its file changed by that.
void probeCopyWithJournal(const QString& path, const QString& password) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("check.db"));
    if (!dir.isValid() || !QFile::copy(path, copy) ||
        !QFile::copy(path + QStringLiteral("-journal"), copy + QStringLiteral("-journal")))
        throw EngineError(errCannotOpen,
                          QStringLiteral("The file '%1' cannot be opened: its last change was "
                                         "not finished and cannot be checked.")
                              .arg(path));
    auto c = openConnection(copy, SQLITE_OPEN_READWRITE, password);
    c->path = path;
    probe(*c);
}

// Maps a refusal of the store's own constraints to the engine's numbers.
[[noreturn]] void constraintFailed(Connection& c, int rc, const TableInfo& t) {
    const QString msg = errText(c.db);
    auto fieldOf = [&](const QString& text) {
        QString f = text.section(QLatin1Char(':'), 1).trimmed();
        f = f.section(QLatin1Char(','), 0, 0).trimmed();
        return f;
    };
    switch (rc) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: {
        const QString field = fieldOf(msg).section(QLatin1Char('.'), -1);
        throw EngineError(
            errDuplicateKey,
            QStringLiteral(
                "The changes you requested to the table '%1' were not successful because "
                "they would create duplicate values in the index '%2'.")
                .arg(t.def.name, field));
    }
    case SQLITE_CONSTRAINT_NOTNULL:
        throw EngineError(errRequired,
                          QStringLiteral("The field '%1' cannot contain a Null value because the "
                                         "Required property for this field is set to True.")
                              .arg(fieldOf(msg)));
    case SQLITE_CONSTRAINT_CHECK: {
        const QString name = fieldOf(msg);
        const QString field = name.section(QLatin1Char(' '), 0, 0);
        if (name.endsWith(QLatin1StringView(" not empty")))
            throw EngineError(errZeroLength,
                              QStringLiteral("The field '%1.%2' cannot be a zero-length string.")
                                  .arg(t.def.name, field));
        if (name.endsWith(QLatin1StringView(" size")))
            throw EngineError(
                errTooLong, QStringLiteral("The field '%1.%2' is too small to accept the amount of "
                                           "data you attempted to add.")
                                .arg(t.def.name, field));
        throw EngineError(
            errOverflow,
            QStringLiteral("Numeric field overflow in '%1.%2'.").arg(t.def.name, field));
    }
    default:
        c.fail(rc, QStringLiteral("saving a row of '%1'").arg(t.def.name));
    }
}

} // namespace

// --- record sets -----------------------------------------------------------

struct Recordset::Impl {
    std::shared_ptr<Connection> c;
    bool dynaset = false;
    QStringList names;           // result columns (without the row id)
    std::vector<QVariant> cells; // rows x columns
    int columns = 0;
    qsizetype rows = 0;
    qsizetype pos = 0;  // current row; rows means end of rows
    qsizetype live = 0; // rows not deleted

    // Dynaset only.
    std::shared_ptr<const TableInfo> table;
    QString selectList;             // the statement's select list, to fetch one row again
    std::vector<sqlite3_int64> ids; // row ids
    std::vector<char> state;        // 0 read, 1 to be read again, 2 deleted
    enum Mode { None, Adding, Editing } mode = None;
    std::vector<QVariant> buffer; // by table field
    std::vector<char> isSet;

    // Forward only: the statement, stepped by MoveNext; gone after the last row.
    std::unique_ptr<Stmt> cursor;
    bool forwardOnly = false;

    int column(const QString& name) const {
        for (int i = 0; i < columns; ++i)
            if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    [[noreturn]] static void noCurrent() {
        throw EngineError(errNoCurrentRecord, QStringLiteral("No current record."));
    }
    void requireDynaset() const {
        if (!dynaset)
            throw EngineError(
                errNotUpdatable,
                QStringLiteral("The record set is a snapshot and cannot be updated."));
    }
    bool hasCurrent() const { return pos < rows && (state.empty() || state[size_t(pos)] != 2); }
    void skipDeleted() {
        while (pos < rows && !state.empty() && state[size_t(pos)] == 2)
            ++pos;
    }
    void fetch(qsizetype row);
    void readNext();
    const QVariant& cell(int col) const {
        if (!hasCurrent())
            noCurrent();
        return cells[size_t(pos * columns + col)];
    }
    QVariant fieldValue(const QString& name);
    QVariant convert(int field, const QVariant& value) const;
};

void Recordset::Impl::fetch(qsizetype row) {
    const QString sql = QStringLiteral("select ") + selectList + QStringLiteral(" from ") +
                        quoteId(table->def.name) + QStringLiteral(" where rowid = ?1");
    Stmt s(*c, sql, true);
    sqlite3_bind_int64(s, 1, ids[size_t(row)]);
    if (!s.step())
        throw EngineError(errNoCurrentRecord, QStringLiteral("The record has been deleted."));
    for (int i = 0; i < columns; ++i)
        cells[size_t(row * columns + i)] = columnValue(s, i);
    state[size_t(row)] = 0;
}

void Recordset::Impl::readNext() {
    if (cursor && cursor->step()) {
        for (int i = 0; i < columns; ++i)
            cells[size_t(i)] = columnValue(*cursor, i);
        pos = 0;
        rows = 1;
        ++live;
        return;
    }
    cursor.reset(); // the statement's work is done: release it now
    pos = rows;
}

QVariant Recordset::Impl::fieldValue(const QString& name) {
    if (mode != None) {
        const int f = table->fieldIndex(name);
        if (f >= 0 && isSet[size_t(f)])
            return buffer[size_t(f)];
        if (mode == Adding) {
            if (f < 0)
                throw EngineError(
                    errItemNotFound,
                    QStringLiteral("The field '%1' is not in this record set.").arg(name));
            return table->def.fields[size_t(f)].defaultValue;
        }
    }
    const int col = column(name);
    if (col < 0)
        throw EngineError(errItemNotFound,
                          QStringLiteral("The field '%1' is not in this record set.").arg(name));
    if (!hasCurrent())
        noCurrent();
    if (!state.empty() && state[size_t(pos)] == 1)
        fetch(pos);
    return cells[size_t(pos * columns + col)];
}

namespace {

// `value` as field number `field` of `t` stores it; refused as the file's
// rules would refuse it.
QVariant convertValue(const TableInfo& t, int field, const QVariant& value) {
    const FieldDef& f = t.def.fields[size_t(field)];
    const auto qualified = [&] { return t.qualified(field); };
    if (f.autoIncrement)
        throw EngineError(
            errFieldNotUpdatable,
            QStringLiteral("The field '%1' is numbered by the engine and cannot be set.")
                .arg(qualified()));
    if (isNullValue(value))
        return {};
    if (isText(f.type)) {
        QString s;
        if (value.typeId() == QMetaType::Bool)
            s = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else if (value.typeId() == QMetaType::Double)
            s = QString::number(value.toDouble(), 'g', 15);
        else
            s = value.toString();
        if (f.type == FieldType::Text && f.size > 0 && textLength(s) > f.size)
            throw EngineError(
                errTooLong,
                QStringLiteral("The field '%1' is too small to accept the amount of data "
                               "you attempted to add (at most %2 characters).")
                    .arg(qualified())
                    .arg(f.size));
        return s;
    }
    qint64 low = 0, high = 0;
    rangeOf(f.type, low, high);
    auto mismatch = [&] {
        return EngineError(errTypeMismatch,
                           QStringLiteral("Type mismatch: '%1' is not a number for the field '%2'.")
                               .arg(value.toString(), qualified()));
    };
    auto overflow = [&] {
        return EngineError(
            errOverflow,
            QStringLiteral("Numeric field overflow: the field '%1' holds whole numbers "
                           "from %2 to %3, not '%4'.")
                .arg(qualified())
                .arg(low)
                .arg(high)
                .arg(value.toString()));
    };
    double d = 0;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: {
        const qint64 n = value.toLongLong();
        if (n < low || n > high)
            throw overflow();
        return int(n);
    }
    case QMetaType::ULongLong:
    case QMetaType::ULong: {
        const quint64 n = value.toULongLong();
        if (n > quint64(high))
            throw overflow();
        return int(n);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        d = value.toDouble();
        break;
    default: {
        const QString s = value.toString().trimmed();
        bool ok = false;
        const qint64 n = s.toLongLong(&ok);
        if (ok) {
            if (n < low || n > high)
                throw overflow();
            return int(n);
        }
        d = s.toDouble(&ok);
        if (!ok)
            throw mismatch();
    }
    }
    if (!std::isfinite(d))
        throw overflow();
    d = std::nearbyint(d); // halves to even
    if (d < double(low) || d > double(high))
        throw overflow();
    return int(d);
}

} // namespace

QVariant Recordset::Impl::convert(int field, const QVariant& value) const {
    return convertValue(*table, field, value);
}

namespace {

// Refuses a value the field cannot store: null where required, the empty
// text where it is not allowed.
void checkStored(const TableInfo& t, size_t field, const QVariant& v) {
    const FieldDef& f = t.def.fields[field];
    if (f.required && isNullValue(v))
        throw EngineError(errRequired,
                          QStringLiteral("The field '%1' cannot contain a Null value because the "
                                         "Required property for this field is set to True. Enter a "
                                         "value in this field.")
                              .arg(t.qualified(int(field))));
    if (isText(f.type) && !f.allowZeroLength && !isNullValue(v) && v.toString().isEmpty())
        throw EngineError(errZeroLength,
                          QStringLiteral("The field '%1' cannot be a zero-length string.")
                              .arg(t.qualified(int(field))));
}

} // namespace

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

bool Recordset::EOF_() const {
    return d->pos >= d->rows;
}
bool Recordset::BOF() const {
    return d->live == 0;
}
int Recordset::RecordCount() const {
    return int(d->live);
}

void Recordset::MoveNext() {
    if (d->pos >= d->rows)
        Impl::noCurrent();
    d->mode = Impl::None;
    if (d->forwardOnly)
        return d->readNext();
    ++d->pos;
    d->skipDeleted();
}

void Recordset::MoveFirst() {
    if (d->forwardOnly)
        throw EngineError(
            errNoCurrentRecord,
            QStringLiteral("A forward-only record set cannot go back to its first row."));
    if (d->live == 0)
        Impl::noCurrent();
    d->mode = Impl::None;
    d->pos = 0;
    d->skipDeleted();
}

QVariant Recordset::Field(const QString& name) const {
    return d->fieldValue(name);
}

QString Recordset::Text(const QString& name) const {
    const QVariant v = d->fieldValue(name);
    return isNullValue(v) ? QString() : v.toString();
}

QVariant Recordset::FieldAt(int column) const {
    if (column < 0 || column >= d->columns)
        throw EngineError(errItemNotFound,
                          QStringLiteral("The record set has no field number %1.").arg(column + 1));
    if (d->dynaset) // an edit buffer or a row to read again
        return d->fieldValue(d->names.at(column));
    return d->cell(column);
}

QString Recordset::TextAt(int column) const {
    const QVariant v = FieldAt(column);
    return isNullValue(v) ? QString() : v.toString();
}

QStringList Recordset::FieldNames() const {
    return d->names;
}

bool Recordset::Updatable() const {
    return d->dynaset && !d->c->readOnly;
}

void Recordset::AddNew() {
    d->requireDynaset();
    d->c->handle();
    const size_t n = d->table->def.fields.size();
    d->buffer.assign(n, QVariant());
    d->isSet.assign(n, 0);
    d->mode = Impl::Adding;
}

void Recordset::Edit() {
    d->requireDynaset();
    d->c->handle();
    if (!d->hasCurrent())
        Impl::noCurrent();
    const size_t n = d->table->def.fields.size();
    d->buffer.assign(n, QVariant());
    d->isSet.assign(n, 0);
    d->mode = Impl::Editing;
}

void Recordset::SetField(const QString& name, const QVariant& value) {
    d->requireDynaset();
    if (d->mode == Impl::None)
        throw EngineError(errUpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    const int f = d->table->fieldIndex(name);
    if (f < 0)
        throw EngineError(errItemNotFound,
                          QStringLiteral("The field '%1' is not in the table '%2'.")
                              .arg(name, d->table->def.name));
    d->buffer[size_t(f)] = d->convert(f, value);
    d->isSet[size_t(f)] = 1;
}

void Recordset::CancelUpdate() {
    d->mode = Impl::None;
    d->buffer.clear();
    d->isSet.clear();
}

void Recordset::Update() {
    d->requireDynaset();
    if (d->mode == Impl::None)
        throw EngineError(errUpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    Connection& c = *d->c;
    c.handle();
    const TableInfo& t = *d->table;
    const bool adding = d->mode == Impl::Adding;
    QStringList columns;
    std::vector<QVariant> values;
    for (size_t i = 0; i < t.def.fields.size(); ++i) {
        const FieldDef& f = t.def.fields[i];
        if (f.autoIncrement)
            continue;
        if (!d->isSet[i] && !adding)
            continue;
        checkStored(t, i, d->isSet[i] ? d->buffer[i] : f.defaultValue);
        if (d->isSet[i]) {
            columns << quoteId(f.name);
            values.push_back(d->buffer[i]);
        }
    }
    if (adding) {
        QString sql;
        if (columns.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteId(t.def.name));
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?%1").arg(i + 1);
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteId(t.def.name), columns.join(QLatin1Char(',')),
                           marks.join(QLatin1Char(',')));
        }
        Stmt s(c, sql, true);
        for (size_t i = 0; i < values.size(); ++i)
            s.bind(int(i + 1), values[i]);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) {
            sqlite3_reset(s);
            constraintFailed(c, sqlite3_extended_errcode(c.db), t);
        }
        const bool atEnd = d->pos >= d->rows;
        d->ids.push_back(sqlite3_last_insert_rowid(c.db));
        d->state.push_back(1);
        d->cells.resize(d->cells.size() + size_t(d->columns));
        ++d->rows;
        ++d->live;
        if (atEnd) // the position stays where it was: at the end
            d->pos = d->rows;
    } else if (!columns.isEmpty()) {
        if (!d->hasCurrent())
            Impl::noCurrent();
        QStringList sets;
        for (qsizetype i = 0; i < columns.size(); ++i)
            sets << columns.at(i) + QStringLiteral(" = ?%1").arg(i + 1);
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                .arg(quoteId(t.def.name), sets.join(QLatin1Char(',')))
                                .arg(columns.size() + 1);
        Stmt s(c, sql, true);
        for (size_t i = 0; i < values.size(); ++i)
            s.bind(int(i + 1), values[i]);
        sqlite3_bind_int64(s, int(values.size() + 1), d->ids[size_t(d->pos)]);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) {
            sqlite3_reset(s);
            constraintFailed(c, sqlite3_extended_errcode(c.db), t);
        }
        if (sqlite3_changes(c.db) == 0)
            throw EngineError(errNoCurrentRecord, QStringLiteral("The record has been deleted."));
        d->state[size_t(d->pos)] = 1;
    }
    CancelUpdate();
}

void Recordset::Delete() {
    d->requireDynaset();
    Connection& c = *d->c;
    c.handle();
    if (!d->hasCurrent())
        Impl::noCurrent();
    CancelUpdate();
    Stmt s(c, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(quoteId(d->table->def.name)),
           true);
    sqlite3_bind_int64(s, 1, d->ids[size_t(d->pos)]);
    s.step();
    d->state[size_t(d->pos)] = 2;
    --d->live;
}

// --- bulk rows -------------------------------------------------------------

struct RowAppender::Impl {
    std::shared_ptr<Connection> c;
    std::shared_ptr<const TableInfo> table;
    std::vector<int> fields; // table field of each value
    std::unique_ptr<Stmt> insert;
    std::vector<QByteArray> texts; // the bound texts, alive until the step
};

RowAppender::RowAppender(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

RowAppender::~RowAppender() {
    d->insert.reset();
    // Inside a transaction the cache stays raised until its end.
    if (d->c->db && sqlite3_get_autocommit(d->c->db)) {
        try {
            d->c->restoreCache();
        } catch (const EngineError&) {
            // Only the cache's size is left as it was raised.
        }
    }
}

void RowAppender::AddRow(const std::vector<QVariant>& values) {
    Connection& c = *d->c;
    c.handle();
    const TableInfo& t = *d->table;
    if (values.size() != d->fields.size())
        throw EngineError(errSyntax, QStringLiteral("A row of '%1' needs %2 values, not %3.")
                                         .arg(t.def.name)
                                         .arg(d->fields.size())
                                         .arg(values.size()));
    sqlite3_stmt* s = *d->insert;
    for (size_t i = 0; i < values.size(); ++i) {
        const int field = d->fields[i];
        const QVariant v = convertValue(t, field, values[i]);
        checkStored(t, size_t(field), v);
        const int place = int(i + 1);
        if (isNullValue(v)) {
            sqlite3_bind_null(s, place);
        } else if (isText(t.def.fields[size_t(field)].type)) {
            d->texts[i] = v.toString().toUtf8();
            sqlite3_bind_text(s, place, d->texts[i].constData(), int(d->texts[i].size()),
                              SQLITE_STATIC);
        } else {
            sqlite3_bind_int64(s, place, v.toLongLong());
        }
    }
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE)
        constraintFailed(c, sqlite3_extended_errcode(c.db), t);
}

// --- database ----------------------------------------------------------------

Database::Database(std::shared_ptr<Connection> c) : m_connection(std::move(c)) {}
Database::~Database() = default;

QString passwordFromConnect(const QString& connect) {
    const auto parts = connect.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 &&
            part.left(eq).trimmed().compare(QLatin1StringView("pwd"), Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return {};
}

std::unique_ptr<Database> Database::CreateDatabase(const QString& path, const QString& locale) {
    if (path.isEmpty())
        throw EngineError(
            errCannotOpen,
            QStringLiteral("The project file cannot be created: no file name was given."));
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        throw EngineError(errDatabaseExists,
                          QStringLiteral("The project file '%1' already exists.").arg(path));
    // Claim the name first: a file that appears meanwhile is never overwritten.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST)
            throw EngineError(errDatabaseExists,
                              QStringLiteral("The project file '%1' already exists.").arg(path));
        throw EngineError(errCannotOpen,
                          QStringLiteral("The project file '%1' cannot be created: %2.")
                              .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
    ::close(fd);
    try {
        auto c = openConnection(path, SQLITE_OPEN_READWRITE, passwordFromConnect(locale));
        c->exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
        probe(*c);
        return std::unique_ptr<Database>(new Database(std::move(c)));
    } catch (...) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
        throw;
    }
}

std::unique_ptr<Database> Database::OpenDatabase(const QString& path, bool exclusive, bool readOnly,
                                                 const QString& connect) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw EngineError(errFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    if (!info.isFile())
        throw EngineError(
            errCannotOpen,
            QStringLiteral("The file '%1' cannot be opened: it is not a file.").arg(path));
    if (info.size() == 0)
        throw EngineError(
            errNotProjectFile,
            QStringLiteral("The file '%1' is not a project file, or its password does not match.")
                .arg(path));
    // A project file is whole pages; anything else was cut short (or is not one).
    if (info.size() % kSmallestPageSize != 0)
        throw EngineError(errNotProjectFile,
                          QStringLiteral("The file '%1' is damaged (it was cut short), or it is "
                                         "not a project file.")
                              .arg(path));
    const QString password = passwordFromConnect(connect);
    // Reading the schema changes nothing on disk, unless a left-over journal
    // would be rolled back: then look at the file read-only first, so that a
    // file that is not ours stays as it is.
    const bool journal = QFileInfo::exists(path + QStringLiteral("-journal")) ||
                         QFileInfo::exists(path + QStringLiteral("-wal"));
    if (!readOnly && journal) {
        auto check = openConnection(path, SQLITE_OPEN_READONLY, password);
        const int rc = firstRead(*check);
        if ((rc & 0xff) == SQLITE_READONLY)
            probeCopyWithJournal(path, password);
        else if (rc != SQLITE_OK)
            check->fail(rc, QStringLiteral("reading the tables"));
    }
    auto c =
        openConnection(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, password);
    probe(*c);
    if (exclusive)
        c->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    return std::unique_ptr<Database>(new Database(std::move(c)));
}

void Database::CreateTable(const TableDef& table) {
    Connection& c = *m_connection;
    c.handle();
    if (table.name.isEmpty() || table.fields.empty())
        throw EngineError(errSyntax,
                          QStringLiteral("A table needs a name and at least one field."));
    {
        Stmt s(c, QStringLiteral("SELECT name FROM sqlite_master WHERE name = ?1 COLLATE NOCASE"),
               false);
        s.bind(1, table.name);
        if (s.step())
            throw EngineError(errTableExists,
                              QStringLiteral("Table '%1' already exists.").arg(table.name));
    }
    auto findField = [&](const QString& name) -> const FieldDef* {
        for (const FieldDef& f : table.fields)
            if (f.name.compare(name, Qt::CaseInsensitive) == 0)
                return &f;
        return nullptr;
    };
    const IndexDef* primary = nullptr;
    for (const IndexDef& index : table.indexes) {
        if (!findField(index.field))
            throw EngineError(errItemNotFound,
                              QStringLiteral("The index '%1' names the field '%2', which is not in "
                                             "the table '%3'.")
                                  .arg(index.name, index.field, table.name));
        if (index.primary) {
            if (primary)
                throw EngineError(errSyntax,
                                  QStringLiteral("The table '%1' has more than one primary index.")
                                      .arg(table.name));
            primary = &index;
        }
    }
    QStringList defs;
    for (const FieldDef& f : table.fields) {
        if (f.name.isEmpty() || &f != findField(f.name))
            throw EngineError(
                errSyntax,
                QStringLiteral("The table '%1' names the field '%2' twice or not at all.")
                    .arg(table.name, f.name));
        if (f.type == FieldType::Text && (f.size < 1 || f.size > 255))
            throw EngineError(
                errSyntax,
                QStringLiteral("The text field '%1' needs a size from 1 to 255.").arg(f.name));
        const QString col = quoteId(f.name);
        QString def = col + QLatin1Char(' ') + typeName(f);
        const bool isPrimary = primary && primary->field.compare(f.name, Qt::CaseInsensitive) == 0;
        if (f.autoIncrement && (!isPrimary || f.type != FieldType::Long))
            throw EngineError(
                errSyntax,
                QStringLiteral("The auto-increment field '%1' must be the Long field of the "
                               "primary index.")
                    .arg(f.name));
        if (isText(f.type))
            def += QStringLiteral(" COLLATE NOCASE");
        if (isPrimary) {
            def += QStringLiteral(" CONSTRAINT ") + quoteId(primary->name) +
                   QStringLiteral(" PRIMARY KEY");
            if (f.autoIncrement)
                def += QStringLiteral(" AUTOINCREMENT");
        }
        if (f.required && !f.autoIncrement)
            def += QStringLiteral(" NOT NULL");
        if (!isNullValue(f.defaultValue) && !f.autoIncrement)
            def += QStringLiteral(" DEFAULT ") +
                   (isText(f.type) ? quoteText(f.defaultValue.toString())
                                   : QString::number(f.defaultValue.toLongLong()));
        if (f.type == FieldType::Text)
            def += QStringLiteral(" CONSTRAINT ") + quoteId(f.name + QStringLiteral(" size")) +
                   QStringLiteral(" CHECK (length(%1) <= %2)").arg(col).arg(f.size);
        if (isText(f.type) && !f.allowZeroLength)
            def += QStringLiteral(" CONSTRAINT ") + quoteId(f.name + QStringLiteral(" not empty")) +
                   QStringLiteral(" CHECK (%1 <> '')").arg(col);
        if (!isText(f.type) && !f.autoIncrement) {
            qint64 low = 0, high = 0;
            rangeOf(f.type, low, high);
            def += QStringLiteral(" CONSTRAINT ") + quoteId(f.name + QStringLiteral(" range")) +
                   QStringLiteral(
                       " CHECK (typeof(%1) IN ('integer', 'null') AND %1 BETWEEN %2 AND %3)")
                       .arg(col)
                       .arg(low)
                       .arg(high);
        }
        defs << def;
    }
    QStringList statements;
    statements << QStringLiteral("CREATE TABLE %1 (%2)")
                      .arg(quoteId(table.name), defs.join(QStringLiteral(", ")));
    for (const IndexDef& index : table.indexes) {
        if (&index == primary)
            continue;
        statements << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                               quoteId(table.name + QLatin1Char('.') + index.name),
                               quoteId(table.name), quoteId(findField(index.field)->name));
    }
    const bool ownTransaction = sqlite3_get_autocommit(c.db) != 0;
    if (ownTransaction)
        c.exec(QStringLiteral("BEGIN"));
    try {
        for (const QString& sql : std::as_const(statements))
            c.exec(sql);
        if (ownTransaction)
            c.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        if (ownTransaction && c.db && sqlite3_get_autocommit(c.db) == 0)
            sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    c.tables.clear();
}

QStringList Database::TableNames() {
    Connection& c = *m_connection;
    Stmt s(c,
           QStringLiteral(
               "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
               "ESCAPE '\\' ORDER BY rowid"),
           false);
    QStringList names;
    while (s.step())
        names << columnValue(s, 0).toString();
    return names;
}

TableDef Database::TableDefinition(const QString& table) {
    return m_connection->table(table)->def;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& sql, RecordsetTypeEnum type) {
    Connection& c = *m_connection;
    c.handle();
    auto d = std::make_unique<Recordset::Impl>();
    d->c = m_connection;
    d->dynaset = type == dbOpenDynaset;
    QString text = sql;
    if (d->dynaset) {
        const SelectParts parts = parseSelect(sql);
        if (parts.listStart < 0 || parts.fromAt < 0 || parts.table.isEmpty())
            throw EngineError(
                errSyntax,
                QStringLiteral("The engine does not understand the statement \"%1\".").arg(sql));
        if (parts.distinct)
            throw EngineError(errNotUpdatable,
                              QStringLiteral("The statement \"%1\" cannot be updated.").arg(sql));
        d->table = c.table(parts.table);
        d->selectList = sql.mid(parts.listStart, parts.fromAt - parts.listStart).trimmed();
        text = QStringLiteral("select rowid, ") + sql.mid(parts.listStart);
    }
    std::unique_ptr<Stmt> prepared;
    try {
        prepared = std::make_unique<Stmt>(c, text, false);
    } catch (const EngineError& e) {
        if (text == sql)
            throw;
        throw EngineError(e.number(),
                          e.text().replace(text, sql)); // name the statement as the caller wrote it
    }
    Stmt& s = *prepared;
    if (!sqlite3_stmt_readonly(s) || sqlite3_column_count(s) == 0)
        throw EngineError(errSyntax,
                          QStringLiteral("The statement \"%1\" does not select rows.").arg(sql));
    const int first = d->dynaset ? 1 : 0;
    d->columns = sqlite3_column_count(s) - first;
    for (int i = first; i < d->columns + first; ++i)
        d->names << QString::fromUtf8(sqlite3_column_name(s, i));
    if (type == dbOpenForwardOnly) {
        d->forwardOnly = true;
        d->cells.resize(size_t(d->columns));
        d->cursor = std::move(prepared);
        d->readNext();
        return std::unique_ptr<Recordset>(new Recordset(std::move(d)));
    }
    while (s.step()) {
        if (d->dynaset) {
            d->ids.push_back(sqlite3_column_int64(s, 0));
            d->state.push_back(0);
        }
        for (int i = first; i < d->columns + first; ++i)
            d->cells.push_back(columnValue(s, i));
        ++d->rows;
    }
    d->live = d->rows;
    return std::unique_ptr<Recordset>(new Recordset(std::move(d)));
}

std::unique_ptr<RowAppender> Database::OpenRowAppender(const QString& table,
                                                       const QStringList& fields) {
    Connection& c = *m_connection;
    c.handle();
    auto d = std::make_unique<RowAppender::Impl>();
    d->c = m_connection;
    d->table = c.table(table);
    const TableInfo& t = *d->table;
    QStringList columns, marks;
    for (const QString& name : fields) {
        const int f = t.fieldIndex(name);
        if (f < 0)
            throw EngineError(errItemNotFound, QStringLiteral("The field '%1' is not in the table "
                                                              "'%2'.")
                                                   .arg(name, t.def.name));
        if (t.def.fields[size_t(f)].autoIncrement)
            throw EngineError(
                errFieldNotUpdatable,
                QStringLiteral("The field '%1' is numbered by the engine and cannot be set.")
                    .arg(t.qualified(f)));
        if (std::find(d->fields.begin(), d->fields.end(), f) != d->fields.end())
            throw EngineError(errSyntax,
                              QStringLiteral("The field '%1' is named twice.").arg(t.qualified(f)));
        d->fields.push_back(f);
        columns << quoteId(t.def.fields[size_t(f)].name);
        marks << QStringLiteral("?%1").arg(marks.size() + 1);
    }
    // The fields not named take their defaults, in every row alike.
    for (size_t i = 0; i < t.def.fields.size(); ++i)
        if (!t.def.fields[i].autoIncrement &&
            std::find(d->fields.begin(), d->fields.end(), int(i)) == d->fields.end())
            checkStored(t, i, t.def.fields[i].defaultValue);
    d->texts.resize(d->fields.size());
    d->insert = std::make_unique<Stmt>(
        c,
        columns.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteId(t.def.name))
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(quoteId(t.def.name), columns.join(QLatin1Char(',')),
                                     marks.join(QLatin1Char(','))),
        false);
    if (!c.readOnly)
        c.raiseCache();
    return std::unique_ptr<RowAppender>(new RowAppender(std::move(d)));
}

void Database::Close() {
    m_connection->close();
}
bool Database::IsOpen() const {
    return m_connection && m_connection->db;
}
QString Database::Name() const {
    return m_connection->path;
}

void Database::BeginTrans() {
    m_connection->exec(QStringLiteral("BEGIN"));
}
void Database::CommitTrans() {
    m_connection->exec(QStringLiteral("COMMIT"));
    m_connection->restoreCache();
}
void Database::Rollback() {
    // The store may have ended the transaction itself after a failure (disk full).
    if (sqlite3_get_autocommit(m_connection->handle())) {
        m_connection->restoreCache();
        return;
    }
    m_connection->exec(QStringLiteral("ROLLBACK"));
    m_connection->tables.clear();
    m_connection->restoreCache();
}

} // namespace dao
