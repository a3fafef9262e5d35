#include "tests/dataaccess/SqliteDriver.h"

#include <sqlite3.h>

#include <cstring>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"

namespace da::testing {

namespace {

void Check(int rc, sqlite3* db, TVtConnection* connection) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  const EDAError error(rc, sqlite3_errmsg(db));
  if (connection && !connection->DoError(error)) throw EAbort();
  throw error;
}

}  // namespace

SqliteConnection::~SqliteConnection() { Disconnect(); }

void SqliteConnection::Connect(const std::string&) {
  if (db_) return;
  const std::string name = Server.empty() ? ":memory:" : Server;
  if (sqlite3_open(name.c_str(), &db_) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw EDAError(SQLITE_CANTOPEN, message);
  }
  Connected = true;
}

void SqliteConnection::Disconnect() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  Connected = false;
}

void SqliteConnection::Exec(const std::string& sql) {
  if (!db_) throw EDAError(0, "Not connected");
  Check(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), db_, this);
}

void SqliteConnection::StartTransaction() { Exec("BEGIN"); }
void SqliteConnection::Commit() { Exec("COMMIT"); }
void SqliteConnection::Rollback() { Exec("ROLLBACK"); }

std::unique_ptr<TVtCommand> SqliteConnection::CreateCommand() {
  auto command = std::make_unique<SqliteCommand>();
  command->SetConnection(this);
  return command;
}

std::unique_ptr<TVtRecordSet> SqliteConnection::CreateRecordSet() {
  auto rs = std::make_unique<SqliteRecordSet>();
  rs->SetConnection(this);
  return rs;
}

sqlite3* SqliteCommand::Db() const {
  auto* c = static_cast<SqliteConnection*>(Connection);
  if (!c || !c->Handle()) throw EDAError(0, "Not connected");
  return c->Handle();
}

void SqliteCommand::Prepare() {
  if (stmt_) return;
  sqlite3* db = Db();
  Check(sqlite3_prepare_v2(db, SQL.c_str(), -1, &stmt_, nullptr), db, Connection);
}

void SqliteCommand::Unprepare() {
  if (stmt_) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
}

int SqliteCommand::Step() {
  LastStep = sqlite3_step(stmt_);
  Check(LastStep, Db(), Connection);
  return LastStep;
}

void SqliteCommand::Execute(int iterations) {
  try {
    Run(iterations);
  } catch (...) {
    if (AfterExecute) AfterExecute(false);
    throw;
  }
  if (AfterExecute) AfterExecute(true);
}

bool SqliteCommand::GetProp(int id, TPropValue& value) {
  if (id != prRowsProcessed) return TVtCommand::GetProp(id, value);
  value = Variant(static_cast<std::int32_t>(RowsProcessed));
  return true;
}

void SqliteCommand::Run(int iterations) {
  Prepare();
  sqlite3* db = Db();
  RowsProcessed = 0;
  for (int n = 0; n < iterations; ++n) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    for (int i = 0; i < GetParamCount() && i < sqlite3_bind_parameter_count(stmt_); ++i) {
      TParamDesc& p = *GetParam(i);
      const Variant v = p.GetValue();
      int rc;
      if (p.GetNull() || v.IsEmptyOrNull()) {
        rc = sqlite3_bind_null(stmt_, i + 1);
      } else if (v.VarType() == varDouble || v.VarType() == varSingle || v.VarType() == varCurrency) {
        rc = sqlite3_bind_double(stmt_, i + 1, v.AsDouble());
      } else if (v.VarType() == varString || v.VarType() == varOleStr) {
        const std::string s = v.AsString();
        rc = sqlite3_bind_text(stmt_, i + 1, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      } else {
        rc = sqlite3_bind_int64(stmt_, i + 1, v.AsInt64());
      }
      Check(rc, db, Connection);
    }
    Step();
    if (!sqlite3_stmt_readonly(stmt_)) RowsProcessed += sqlite3_changes(db);
  }
}

void SqliteRecordSet::InternalPrepare() {
  TVtRecordSet::InternalPrepare();
  CommandType = sqlite3_column_count(Cmd().Statement()) > 0 ? 2 : 1;
}

void SqliteRecordSet::ExecuteCommand() {
  try {
    TVtRecordSet::ExecuteCommand();
  } catch (...) {
    if (AfterExecute) AfterExecute(false);
    throw;
  }
  CommandType = sqlite3_column_count(Cmd().Statement()) > 0 ? 2 : 1;
  if (AfterExecute) AfterExecute(true);
}

void SqliteRecordSet::InternalInitFields() {
  Cmd().Prepare();
  sqlite3_stmt* st = Cmd().Statement();
  Fields.Clear();
  for (int i = 0; i < sqlite3_column_count(st); ++i) {
    const char* declared = sqlite3_column_decltype(st, i);
    const std::string type = declared ? declared : "";
    const char* name = sqlite3_column_name(st, i);
    if (type.find("INT") != std::string::npos) {
      AddField(name, dtInt32);
    } else if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
               type.find("DOUB") != std::string::npos) {
      AddField(name, dtFloat);
    } else if (type.find("BLOB") != std::string::npos) {
      AddField(name, dtBlob);
    } else if (type.find("MEMO") != std::string::npos) {
      AddField(name, dtMemo);
    } else if (type.find("DATE") != std::string::npos) {
      AddField(name, dtDateTime);
    } else {
      AddField(name, dtString, 255);
    }
  }
}

bool SqliteRecordSet::Fetch(bool) {
  ++FetchCount;
  SqliteCommand& cmd = Cmd();
  if (!cmd.Statement() || cmd.LastStep != SQLITE_ROW) return false;
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(true, cancel);
    if (cancel) return false;
  }
  if (UniDirectional)
    while (FirstItem()) {
      DropItem(FirstItem());
      --recordCount_;
    }
  sqlite3_stmt* st = cmd.Statement();
  std::unique_ptr<std::uint8_t[]> record(AllocRecBuf());
  for (std::int32_t n = 0; n < FetchRows && cmd.LastStep == SQLITE_ROW; ++n) {
    InitRecord(record.get());
    if (HasComplexFields()) CreateComplexFields(record.get(), true);
    for (int i = 0; i < GetFieldCount(); ++i) {
      const int no = i + 1;
      if (sqlite3_column_type(st, i) == SQLITE_NULL) continue;
      switch (FieldAt(no).DataType) {
        case dtInt32: PutFieldAsVariant(no, record.get(), Variant(sqlite3_column_int(st, i))); break;
        case dtFloat: PutFieldAsVariant(no, record.get(), Variant(sqlite3_column_double(st, i))); break;
        case dtDateTime:
          if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            PutFieldAsVariant(no, record.get(), Variant::Date(TextToDateTime(text ? text : "")));
          } else {
            PutFieldAsVariant(no, record.get(), Variant::Date(sqlite3_column_double(st, i)));
          }
          break;
        case dtBlob: case dtMemo: {
          const int size = sqlite3_column_bytes(st, i);
          if (size > 0) WriteBlob(no, record.get(), 0, static_cast<std::uint32_t>(size), sqlite3_column_blob(st, i));
          if (TBlob* blob = GetBlob(no, record.get())) blob->Commit();
          break;
        }
        default: {
          const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
          PutFieldAsVariant(no, record.get(), Variant(std::string(text ? text : "")));
        }
      }
    }
    TItemHeader* item = AppendItem();
    item->UpdateStatus = isUnmodified;
    item->UpdateResult = uaNone;
    item->Rollback = nullptr;
    BlockManager().PutRecord(item, record.get());
    ++recordCount_;
    ++cmd.RowsProcessed;
    cmd.Step();
  }
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(false, cancel);
  }
  if (AfterFetch) AfterFetch(true);
  return true;
}

}  // namespace da::testing
