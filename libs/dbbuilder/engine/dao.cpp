// Placeholder until the engine lands: every operation refuses.
#include "dao.h"

namespace dao {
namespace {
[[noreturn]] void refuse() { throw EngineError(errEngine, QStringLiteral("The database engine is not available.")); }
} // namespace
struct Recordset::Impl {};
class Connection {};
Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;
bool Recordset::EOF_() const { refuse(); }
bool Recordset::BOF() const { refuse(); }
int Recordset::RecordCount() const { refuse(); }
void Recordset::MoveNext() { refuse(); }
void Recordset::MoveFirst() { refuse(); }
QVariant Recordset::Field(const QString&) const { refuse(); }
QString Recordset::Text(const QString&) const { refuse(); }
QStringList Recordset::FieldNames() const { refuse(); }
void Recordset::AddNew() { refuse(); }
void Recordset::Edit() { refuse(); }
void Recordset::SetField(const QString&, const QVariant&) { refuse(); }
void Recordset::Update() { refuse(); }
void Recordset::CancelUpdate() { refuse(); }
void Recordset::Delete() { refuse(); }
bool Recordset::Updatable() const { refuse(); }
Database::Database(std::shared_ptr<Connection> c) : m_connection(std::move(c)) {}
Database::~Database() = default;
std::unique_ptr<Database> Database::CreateDatabase(const QString&, const QString&) { refuse(); }
std::unique_ptr<Database> Database::OpenDatabase(const QString&, bool, bool, const QString&) { refuse(); }
void Database::CreateTable(const TableDef&) { refuse(); }
std::unique_ptr<Recordset> Database::OpenRecordset(const QString&, RecordsetTypeEnum) { refuse(); }
void Database::Close() {}
bool Database::IsOpen() const { return false; }
QString Database::Name() const { return {}; }
void Database::BeginTrans() { refuse(); }
void Database::CommitTrans() { refuse(); }
void Database::Rollback() { refuse(); }
QString passwordFromConnect(const QString&) { return {}; }
} // namespace dao
