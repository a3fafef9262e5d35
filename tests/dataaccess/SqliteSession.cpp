#include "tests/dataaccess/SqliteSession.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

namespace da::testing {

namespace {

// A statement that fails while the server is lost.
class LosableCommand : public SqliteCommand {
 public:
  void Execute(int iterations) override {
    static_cast<LosableSqliteConnection*>(Connection)->CheckLost();
    SqliteCommand::Execute(iterations);
  }
};

class LosableRecordSet : public SqliteRecordSet {
 public:
  LosableRecordSet() { SetCommand(CreateCommand()); }
  std::unique_ptr<TVtCommand> CreateCommand() override { return std::make_unique<LosableCommand>(); }
};

// A database file of the session's own, kept across its reconnects.
std::string TempDatabaseName() {
  static int n = 0;
  return (std::filesystem::temp_directory_path() /
          ("dacomp-" + std::to_string(::getpid()) + "-" + std::to_string(++n) + ".db"))
      .string();
}

}  // namespace

LosableSqliteConnection::LosableSqliteConnection() : Database(TempDatabaseName()) {}

LosableSqliteConnection::~LosableSqliteConnection() {
  Disconnect();
  std::error_code ec;
  std::filesystem::remove(Database, ec);
}

void LosableSqliteConnection::Connect(const std::string& connectString) {
  Server = Database;
  SqliteConnection::Connect(connectString);
  // A test database need not survive a crash of the machine: no waiting for the disk.
  Exec("PRAGMA synchronous = OFF");
  Exec("PRAGMA journal_mode = MEMORY");
  ++Connects;
}

void LosableSqliteConnection::Disconnect() {
  if (Connected) ++Disconnects;
  SqliteConnection::Disconnect();
}

void LosableSqliteConnection::CheckLost() {
  if (!Lost) return;
  const EDAError error(LostCode, "ORA-03113: end-of-file on communication channel");
  if (!DoError(error)) throw EAbort();
  throw error;
}

void LosableSqliteConnection::Commit() {
  CheckLost();
  SqliteConnection::Commit();
}

std::unique_ptr<TVtCommand> LosableSqliteConnection::CreateCommand() {
  auto command = std::make_unique<LosableCommand>();
  command->SetConnection(this);
  return command;
}

std::unique_ptr<TVtRecordSet> LosableSqliteConnection::CreateRecordSet() {
  auto rs = std::make_unique<LosableRecordSet>();
  rs->SetConnection(this);
  return rs;
}

SqliteSession::SqliteSession() { LoginPrompt = false; }

SqliteSession::~SqliteSession() {
  try {
    Disconnect();
  } catch (...) {
  }
}

void SqliteSession::CreateIConnection() {
  SetIConnection(std::make_unique<LosableSqliteConnection>());
}

std::vector<std::string> SqliteSession::Rows(const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(Db().Handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    rows.push_back(std::string("error: ") + sqlite3_errmsg(Db().Handle()));
    return rows;
  }
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (i) row += "|";
      const unsigned char* text = sqlite3_column_text(st, i);
      row += text ? reinterpret_cast<const char*>(text) : "NULL";
    }
    rows.push_back(row);
  }
  sqlite3_finalize(st);
  return rows;
}

}  // namespace da::testing
