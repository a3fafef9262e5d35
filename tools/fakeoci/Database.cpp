// The server: the SQLite database every session shares, the sessions' state, the test's settings
// and scripted answers, and the one transaction the database runs.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

const std::map<std::string, std::string>& DefaultSettings() {
  static const std::map<std::string, std::string> settings{
      {"banner", "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"},
      {"version", "19.0.0.0.0"},
      {"char_length", "1"},
      {"database_charset", "AL32UTF8"},
      {"nls_date_format", "DD-MON-RR"},
      {"nls_date_language", "AMERICAN"},
      {"nls_timestamp_format", "DD-MON-RR HH.MI.SSXFF AM"},
      {"nls_timestamp_tz_format", "DD-MON-RR HH.MI.SSXFF AM TZR"},
      {"unterminated_texts", "0"},
  };
  return settings;
}

// NLS_CHARSET_ID of the character sets the stand-in knows.
int CharsetId(std::string name) {
  static const std::map<std::string, int> ids{
      {"US7ASCII", 1},          {"WE8ISO8859P1", 31}, {"WE8MSWIN1252", 178}, {"JA16SJIS", 832},
      {"KO16KSC5601", 840},     {"ZHS16CGB231280", 850}, {"ZHS16GBK", 852}, {"ZHT16BIG5", 865},
      {"UTF8", 871},            {"AL32UTF8", 873},    {"AL16UTF16", 2000},
  };
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto it = ids.find(name);
  return it == ids.end() ? 0 : it->second;
}

void NvlFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

void CharsetIdFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const unsigned char* text = sqlite3_value_text(argv[0]);
  int id = text ? CharsetId(reinterpret_cast<const char*>(text)) : 0;
  if (id == 0) {
    sqlite3_result_null(ctx);
  } else {
    sqlite3_result_int(ctx, id);
  }
}

void LengthbFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
  } else {
    sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]));
  }
}

struct DatabaseState {
  sqlite3* db = nullptr;
  bool inTransaction = false;
  std::map<std::string, std::string> settings = DefaultSettings();
  std::vector<Script> scripts;
  std::map<ServerSession*, std::unique_ptr<ServerSession>> sessions;
  int nextSessionId = 1;

  ~DatabaseState() { Close(); }
  void Close() {
    if (db) sqlite3_close(db);
    db = nullptr;
    inTransaction = false;
  }
};

DatabaseState& State() {
  static DatabaseState state;
  return state;
}

void Open(DatabaseState& s) {
  sqlite3_open(":memory:", &s.db);
  sqlite3_create_function(s.db, "NVL", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, NvlFunction, nullptr, nullptr);
  sqlite3_create_function(s.db, "NLS_CHARSET_ID", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, CharsetIdFunction,
                          nullptr, nullptr);
  sqlite3_create_function(s.db, "LENGTHB", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LengthbFunction, nullptr,
                          nullptr);
  RegisterLobFunctions(s.db);
  const std::string charset = s.settings["database_charset"];
  const std::string schema =
      "CREATE TABLE dual(dummy VARCHAR2(1));"
      "INSERT INTO dual VALUES('X');"
      "CREATE TABLE nls_database_parameters(parameter VARCHAR2(30), value VARCHAR2(64));"
      "INSERT INTO nls_database_parameters VALUES('NLS_LANGUAGE','AMERICAN'),('NLS_TERRITORY','AMERICA'),"
      "('NLS_CHARACTERSET','" + charset + "'),('NLS_NCHAR_CHARACTERSET','AL16UTF16');"
      "CREATE TABLE v$nls_parameters(parameter VARCHAR2(64), value VARCHAR2(64));"
      "INSERT INTO v$nls_parameters SELECT parameter, value FROM nls_database_parameters;";
  sqlite3_exec(s.db, schema.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

std::recursive_mutex& EngineLock() {
  static std::recursive_mutex lock;
  return lock;
}

sqlite3* Db() {
  DatabaseState& s = State();
  if (!s.db) Open(s);
  return s.db;
}

void ResetDatabase() {
  // Sessions stay: the handles of a connected caller still lead to them.
  State().Close();
}

int ExecRaw(const std::string& sql) { return sqlite3_exec(Db(), sql.c_str(), nullptr, nullptr, nullptr); }

std::string Setting(const std::string& name) {
  auto& settings = State().settings;
  auto it = settings.find(name);
  return it == settings.end() ? std::string() : it->second;
}

void SetSetting(const std::string& name, const std::string& value) { State().settings[name] = value; }

void ResetSettings() { State().settings = DefaultSettings(); }

void AddScript(Script script) { State().scripts.push_back(std::move(script)); }

void ResetScripts() { State().scripts.clear(); }

std::optional<Script> ScriptFor(const std::string& sql) {
  std::string upperSql = sql;
  for (char& c : upperSql) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::vector<Script>& scripts = State().scripts;
  for (auto it = scripts.rbegin(); it != scripts.rend(); ++it)
    if (upperSql.find(it->match) != std::string::npos) return *it;
  return std::nullopt;
}

ServerSession* NewSession(const std::string& user) {
  DatabaseState& s = State();
  auto session = std::make_unique<ServerSession>();
  session->id = s.nextSessionId++;
  session->user = user;
  for (const char* name : {"NLS_DATE_FORMAT", "NLS_DATE_LANGUAGE", "NLS_TIMESTAMP_FORMAT", "NLS_TIMESTAMP_TZ_FORMAT"}) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    session->nls[name] = Setting(key);
  }
  ServerSession* p = session.get();
  s.sessions[p] = std::move(session);
  return p;
}

void EndSession(ServerSession* session) { State().sessions.erase(session); }

bool SessionLive(const ServerSession* session) {
  return session && State().sessions.count(const_cast<ServerSession*>(session)) != 0;
}

void BeginWorkIfNeeded() {
  DatabaseState& s = State();
  if (s.inTransaction) return;
  sqlite3_exec(Db(), "BEGIN", nullptr, nullptr, nullptr);
  s.inTransaction = true;
}

Status CommitWork() {
  DatabaseState& s = State();
  if (!s.inTransaction) return {};
  s.inTransaction = false;
  if (sqlite3_exec(Db(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return Error(2091);
  return {};
}

Status RollbackWork() {
  DatabaseState& s = State();
  if (!s.inTransaction) return {};
  s.inTransaction = false;
  sqlite3_exec(Db(), "ROLLBACK", nullptr, nullptr, nullptr);
  return {};
}

std::optional<Status> RunTransactionText(const std::string& upperSql) {
  std::istringstream words(upperSql);
  std::string first, second, third, fourth, rest;
  words >> first >> second >> third >> fourth >> rest;
  auto name = [](std::string w) {
    while (!w.empty() && w.back() == ';') w.pop_back();
    return w;
  };
  auto plainEnd = [&](const std::string& word) {
    return rest.empty() && fourth.empty() && third.empty() && (second.empty() || name(second) == word);
  };
  DatabaseState& s = State();
  if (first == "SAVEPOINT" && !second.empty() && third.empty()) {
    BeginWorkIfNeeded();
    if (sqlite3_exec(Db(), ("SAVEPOINT \"" + name(second) + "\"").c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      return Error(900, std::string("invalid SQL statement (") + sqlite3_errmsg(Db()) + ")");
    return Status{};
  }
  if (first == "ROLLBACK" && second == "TO") {
    const std::string point = name(third == "SAVEPOINT" ? fourth : third);
    const bool held = s.inTransaction && !point.empty() &&
                      sqlite3_exec(Db(), ("ROLLBACK TO SAVEPOINT \"" + point + "\"").c_str(), nullptr, nullptr,
                                   nullptr) == SQLITE_OK;
    if (!held) return Error(1086, "savepoint '" + point + "' never established in this session or is invalid");
    return Status{};
  }
  if (first == "ROLLBACK" && plainEnd("WORK")) return RollbackWork();
  if (first == "COMMIT" && plainEnd("WORK")) return CommitWork();
  return std::nullopt;
}

int CharsetIdOf(const std::string& name) { return CharsetId(name); }

}  // namespace fakeoci
