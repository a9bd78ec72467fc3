// The database engine of project files: a database and record sets over
// SQLCipher, answering the operations the program's callers use.
//
//   auto db = dao::Database::OpenDatabase(path);         // connect ";pwd=quetzal"
//   auto rs = db->OpenRecordset(sql, dao::dbOpenSnapshot);
//   while (!rs->EOF_()) { rs->Field("TopicID"); rs->MoveNext(); }
//
// Snapshots are read-only and show the rows as they were when opened.
// Dynasets are updatable: AddNew/Edit, SetField, Update, Delete; each change is
// stored at once. Statements name one table; table and field names, text
// comparisons and unique keys ignore letter case.
//
// Every refusal is a dao::EngineError carrying a number and a readable text.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace dao {

// Error numbers of the engine's refusals.
enum ErrorNumber : int {
    errTypeMismatch = 13,        // a value that does not convert to the field's type
    errDatabaseExists = 3204,    // create over an existing file
    errFileNotFound = 3024,      // open of a missing file
    errNotProjectFile = 3031,    // not a project file, or its password does not match
    errCannotOpen = 3051,        // the file cannot be opened or created
    errItemNotFound = 3265,      // unknown field name
    errNoCurrentRecord = 3021,   // end of rows, or no current row
    errDuplicateKey = 3022,      // unique index refused the value
    errRequired = 3314,          // required field left null
    errZeroLength = 3315,        // zero-length text where not allowed
    errTooLong = 3163,           // text too long for its field
    errOverflow = 3349,          // number out of the field's range
    errNotUpdatable = 3027,      // change through a snapshot
    errUpdateWithoutEdit = 3020, // Update without AddNew or Edit
    errSyntax = 3131,            // statement the engine does not understand
    errNoSuchTable = 3078,       // statement names an unknown table
    errEngine = 3146,            // any other failure of the store (disk full, I/O)
    errDatabaseClosed = 3420,    // use of a closed database
    errTableExists = 3010,       // create of a table that exists
    errFieldNotUpdatable = 3164, // set of a field the engine numbers itself
};

class EngineError : public std::runtime_error {
public:
    EngineError(int number, const QString& text)
        : std::runtime_error(text.toStdString()), m_number(number), m_text(text) {}
    int number() const { return m_number; }
    QString text() const { return m_text; }

private:
    int m_number;
    QString m_text;
};

// A forward-only record set is a snapshot that holds only its current row:
// it reads a table of any size in constant memory, and goes only forwards
// (RecordCount counts the rows read so far; MoveFirst is refused).
enum RecordsetTypeEnum { dbOpenSnapshot = 4, dbOpenDynaset = 2, dbOpenForwardOnly = 8 };

// Field types of the project file.
enum class FieldType { Text, Memo, Integer, Long };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // characters, for Text
    bool autoIncrement = false;
    bool required = false;
    bool allowZeroLength = false;
    QVariant defaultValue; // null: no default
};

struct IndexDef {
    QString name;
    QString field;
    bool primary = false;
    bool unique = false;
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
};

class Connection; // shared by a database and its record sets

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool EOF_() const;
    bool BOF() const;
    // 0 exactly when the statement found no row.
    int RecordCount() const;
    void MoveNext();
    void MoveFirst();

    // The current row's value by field name in any letter case; a null
    // QVariant for a null field. Inside AddNew/Edit it reads the edit buffer.
    QVariant Field(const QString& name) const;
    // The same, with null as the empty text.
    QString Text(const QString& name) const;
    // The same by the column's place in the statement's select list (from 0),
    // without a look-up by name: for loops over many rows.
    QVariant FieldAt(int column) const;
    QString TextAt(int column) const;
    QStringList FieldNames() const;

    // Dynaset only.
    void AddNew();
    void Edit();
    void SetField(const QString& name, const QVariant& value);
    void Update();
    void CancelUpdate();
    void Delete();

    bool Updatable() const;

private:
    friend class Database;
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// Adds many rows to one table through one prepared statement: for large
// changes inside a transaction. The fields are named once, each row gives
// their values in that order; a value is refused as Update refuses it, and
// the fields not named take their defaults. Until the transaction ends (or
// the appender, outside one) the database keeps the changed pages in memory.
class RowAppender {
public:
    ~RowAppender();
    RowAppender(const RowAppender&) = delete;
    RowAppender& operator=(const RowAppender&) = delete;

    void AddRow(const std::vector<QVariant>& values);

private:
    friend class Database;
    struct Impl;
    explicit RowAppender(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates a new, empty database file. `locale` is the locale text with an
    // optional ";pwd=..." clause. Refuses (errDatabaseExists) when the file exists.
    static std::unique_ptr<Database> CreateDatabase(const QString& path, const QString& locale);
    // Opens an existing database. `connect` holds the password clause ";pwd=...".
    static std::unique_ptr<Database>
    OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false,
                 const QString& connect = QStringLiteral(";pwd=quetzal"));

    // Creates a table with its fields and indexes (the table definition is
    // appended to the database in one step).
    void CreateTable(const TableDef& table);
    // The tables of the database, in creation order.
    QStringList TableNames();
    // A table's definition as the file keeps it (name in any letter case):
    // fields in order with their rules, indexes with the primary one first.
    TableDef TableDefinition(const QString& table);

    std::unique_ptr<Recordset> OpenRecordset(const QString& sql,
                                             RecordsetTypeEnum type = dbOpenDynaset);
    // `fields` name the fields of `table` each row gives, in that order.
    std::unique_ptr<RowAppender> OpenRowAppender(const QString& table, const QStringList& fields);

    // Closing twice, or closing a database whose file is gone, is harmless.
    void Close();
    bool IsOpen() const;
    QString Name() const;

    // Runs several changes as one transaction (all stored or none).
    void BeginTrans();
    void CommitTrans();
    void Rollback();

private:
    explicit Database(std::shared_ptr<Connection> connection);
    std::shared_ptr<Connection> m_connection;
};

// The password of a connect or locale text (";pwd=quetzal" gives "quetzal").
QString passwordFromConnect(const QString& connect);

} // namespace dao
