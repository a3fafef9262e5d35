// The server-side cursor: statement text, binds and defines, execution against the database or
// the answers the database cannot give, describe and array fetch.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The position after a quoted string, quoted identifier or comment starting at i, or i.
std::size_t SkipQuoted(const std::string& s, std::size_t i) {
  if (s[i] == '\'' || s[i] == '"') {
    const char q = s[i];
    std::size_t j = s.find(q, i + 1);
    return j == std::string::npos ? s.size() : j + 1;
  }
  if (s.compare(i, 2, "--") == 0) {
    std::size_t j = s.find('\n', i);
    return j == std::string::npos ? s.size() : j;
  }
  if (s.compare(i, 2, "/*") == 0) {
    std::size_t j = s.find("*/", i + 2);
    return j == std::string::npos ? s.size() : j + 2;
  }
  return i;
}

Status FromSqlite(sqlite3* db) {
  std::string message = sqlite3_errmsg(db);
  if (message.find("no such table") != std::string::npos) return Error(942);
  if (message.find("no such column") != std::string::npos) return Error(904, "\"" + message.substr(16) + "\": invalid identifier");
  if (message.find("UNIQUE constraint") != std::string::npos) return Error(1);
  if (message.find("NOT NULL constraint") != std::string::npos) return Error(1400);
  if (message.find("interrupted") != std::string::npos) return Error(1013);
  return Error(900, "invalid SQL statement (" + message + ")");
}

// "NUMBER(10,2)" -> the column's external type, size, precision and scale.
void TypeFromDeclaration(const std::string& declared, Column& c) {
  if (ExtendedColumn(declared, c)) return;
  const std::string d = Upper(declared);
  bool hasScale = false;  // a scale may be negative: NUMBER(3,-2)
  auto args = [&](int& a, int& b) {
    a = b = -1;
    std::size_t open = d.find('(');
    if (open == std::string::npos) return;
    a = std::atoi(d.c_str() + open + 1);
    std::size_t comma = d.find(',', open);
    if (comma != std::string::npos) {
      b = std::atoi(d.c_str() + comma + 1);
      hasScale = true;
    }
  };
  int a, b;
  args(a, b);
  if (d.rfind("VARCHAR", 0) == 0 || d.rfind("NVARCHAR", 0) == 0) {
    c.type = SQLT_CHR;
    c.size = static_cast<ub2>(a > 0 ? a : 4000);
  } else if (d.rfind("CHAR", 0) == 0 || d.rfind("NCHAR", 0) == 0) {
    c.type = SQLT_AFC;
    c.size = static_cast<ub2>(a > 0 ? a : 1);
  } else if (d.rfind("NUMBER", 0) == 0 || d.rfind("DECIMAL", 0) == 0) {
    c.type = SQLT_NUM;
    c.size = 22;
    c.precision = static_cast<sb2>(a > 0 ? a : 0);
    c.scale = static_cast<sb1>(a > 0 ? (hasScale ? b : 0) : -127);
  } else if (d.rfind("INT", 0) == 0 || d == "SMALLINT") {
    c.type = SQLT_NUM;
    c.size = 22;
    c.precision = 38;
    c.scale = 0;
  } else if (d.rfind("FLOAT", 0) == 0 || d == "REAL" || d.rfind("DOUBLE", 0) == 0) {
    c.type = SQLT_NUM;
    c.size = 22;
    c.precision = 126;
    c.scale = -127;
  } else if (d == "DATE") {
    c.type = SQLT_DAT;
    c.size = 7;
  } else if (d.rfind("RAW", 0) == 0) {
    c.type = SQLT_BIN;
    c.size = static_cast<ub2>(a > 0 ? a : 2000);
  } else if (d == "LONG RAW") {
    c.type = SQLT_LBI;
  } else if (d == "LONG") {
    c.type = SQLT_LNG;
  } else if (d == "CLOB") {
    c.type = SQLT_CLOB;
    c.size = 4000;
  } else if (d == "BLOB") {
    c.type = SQLT_BLOB;
    c.size = 4000;
  } else {
    c.type = SQLT_CHR;
    c.size = 4000;
  }
}

// An expression column takes its type from the value it gives.
void TypeFromValue(const Value& v, Column& c) {
  switch (v.kind) {
    case Value::Int:
    case Value::Real:
      c.type = SQLT_NUM;
      c.size = 22;
      c.precision = 0;
      c.scale = -127;
      break;
    case Value::Blob:
      c.type = SQLT_BIN;
      c.size = 2000;
      break;
    default:
      c.type = SQLT_CHR;
      c.size = static_cast<ub2>(std::clamp<std::size_t>(v.s.size(), 1, 4000));
      break;
  }
}

// A column into a value whose text keeps its room from row to row.
void ReadColumnInto(sqlite3_stmt* stmt, int i, Value& v) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      v.kind = Value::Int;
      v.i = sqlite3_column_int64(stmt, i);
      return;
    case SQLITE_FLOAT:
      v.kind = Value::Real;
      v.r = sqlite3_column_double(stmt, i);
      return;
    case SQLITE_TEXT:
      v.kind = Value::Text;
      v.s.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                 static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
      return;
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      v.kind = Value::Blob;
      v.s.assign(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
      return;
    }
    default:
      v.kind = Value::Null;
      v.s.clear();
  }
}

Value ReadColumn(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: return Value::OfInt(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT: return Value::OfReal(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      return Value::OfText(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
    }
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      return Value::OfBlob(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
    }
    default: return {};
  }
}

// "NAME=value;NAME2;..." -> out values (a name without "=" is NULL).
std::map<std::string, Value> ParseOutValues(const std::string& spec) {
  std::map<std::string, Value> values;
  std::size_t start = 0;
  while (start <= spec.size()) {
    std::size_t end = spec.find(';', start);
    if (end == std::string::npos) end = spec.size();
    std::string item = spec.substr(start, end - start);
    if (!item.empty()) {
      std::size_t eq = item.find('=');
      std::string name = Upper(item.substr(0, eq));
      if (!name.empty() && name[0] == ':') name.erase(0, 1);
      values[name] = eq == std::string::npos ? Value() : Value::OfText(item.substr(eq + 1));
    }
    start = end + 1;
  }
  return values;
}

// ALTER SESSION SET name = 'value': the value between quotes, doubled quotes undoubled.
bool ParseAlterSession(const std::string& sql, std::string& name, std::string& value) {
  const std::string u = Upper(sql);
  std::size_t set = u.find(" SET ");
  if (u.find("ALTER") == std::string::npos || u.find("SESSION") == std::string::npos || set == std::string::npos)
    return false;
  std::size_t eq = sql.find('=', set);
  if (eq == std::string::npos) return false;
  name = Upper(sql.substr(set + 5, eq - set - 5));
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == ' '; }), name.end());
  std::size_t q = sql.find('\'', eq);
  if (q == std::string::npos) {
    value = sql.substr(eq + 1);
    value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c == ' '; }), value.end());
    return true;
  }
  value.clear();
  for (std::size_t i = q + 1; i < sql.size(); ++i) {
    if (sql[i] == '\'') {
      if (i + 1 < sql.size() && sql[i + 1] == '\'') {
        value += '\'';
        ++i;
        continue;
      }
      return true;
    }
    value += sql[i];
  }
  return false;  // the closing quote is missing
}

// The value the pieces of a LONG or LONG RAW bind made; the server keeps no empty values.
Value PiecesValue(ub2 type, const std::string& data, bool isNull) {
  if (isNull || data.empty()) return {};
  return type == SQLT_LBI || type == SQLT_BIN ? Value::OfBlob(data) : Value::OfText(data);
}

// The bytes one element of a bind or define takes when no skip is given: a descriptor's pointer
// for descriptor types, else the size bound.
template <class Slot>
ub4 ElementSize(const Slot& slot) {
  return IsDescriptorType(slot.type) ? static_cast<ub4>(sizeof(void*)) : static_cast<ub4>(slot.size);
}

// "... RETURNING a, b INTO :x, :y" without its INTO list, which goes to into (upper case, without
// the colons); the text unchanged when it has no such clause.
std::string SplitReturningInto(const std::string& sql, std::vector<std::string>& into) {
  into.clear();
  const std::string u = Upper(sql);
  std::size_t returning = std::string::npos, intoAt = std::string::npos;
  auto wordAt = [&](std::size_t i, const char* word) {
    const std::size_t n = std::strlen(word);
    return u.compare(i, n, word) == 0 && (i == 0 || !IsNameChar(u[i - 1])) &&
           (i + n >= u.size() || !IsNameChar(u[i + n]));
  };
  for (std::size_t i = 0; i < u.size();) {
    const std::size_t j = SkipQuoted(sql, i);
    if (j != i) {
      i = j;
      continue;
    }
    if (returning == std::string::npos && wordAt(i, "RETURNING")) returning = i;
    if (returning != std::string::npos && intoAt == std::string::npos && wordAt(i, "INTO")) intoAt = i;
    ++i;
  }
  if (returning == std::string::npos || intoAt == std::string::npos) return sql;
  into = ScanPlaceholders(sql.substr(intoAt));
  return sql.substr(0, intoAt);
}

}  // namespace

void ClassifySql(const std::string& sql, ub2& stmtType, ub2& fnCode) {
  std::size_t i = 0;
  while (i < sql.size()) {
    std::size_t j = SkipQuoted(sql, i);
    if (j != i && sql[i] != '\'' && sql[i] != '"') {
      i = j;
    } else if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(') {
      ++i;
    } else {
      break;
    }
  }
  std::size_t end = i;
  while (end < sql.size() && IsNameChar(sql[end])) ++end;
  const std::string word = Upper(sql.substr(i, end - i));
  const std::string rest = Upper(sql.substr(end, 20));
  struct Kind {
    const char* word;
    ub2 type, code;
  };
  static const Kind kinds[] = {{"SELECT", 1, 4}, {"WITH", 1, 4},   {"UPDATE", 2, 5},  {"DELETE", 3, 9},
                               {"INSERT", 4, 3}, {"CREATE", 5, 1}, {"DROP", 6, 12},   {"ALTER", 7, 42},
                               {"BEGIN", 8, 34}, {"DECLARE", 9, 34}, {"EXPLAIN", 14, 27}};
  stmtType = 0;
  fnCode = 0;
  for (const Kind& k : kinds) {
    if (word == k.word) {
      stmtType = k.type;
      fnCode = k.code;
    }
  }
  if (word == "CREATE" && rest.find("TABLE") == std::string::npos) fnCode = 0;
}

std::vector<std::string> ScanPlaceholders(const std::string& sql) {
  std::vector<std::string> names;
  std::size_t i = 0;
  while (i < sql.size()) {
    std::size_t j = SkipQuoted(sql, i);
    if (j != i) {
      i = j;
      continue;
    }
    if (sql[i] == ':' && i + 1 < sql.size() && IsNameChar(sql[i + 1])) {
      std::size_t end = i + 1;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      std::string name = Upper(sql.substr(i + 1, end - i - 1));
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
      i = end;
      continue;
    }
    ++i;
  }
  return names;
}

Cursor::~Cursor() { Close(); }

void Cursor::Close() {
  if (query_) sqlite3_finalize(query_);
  query_ = nullptr;
  pending_.reset();
  exhausted_ = false;
  scrollable_ = false;
  allRows_.clear();
  position_ = 0;
  pieceFetch_ = PieceFetch{};
}

Status Cursor::Prepare(const std::string& sql) {
  Close();
  binds_.clear();
  defines_.clear();
  columns_.clear();
  sql_ = sql;
  ClassifySql(sql_, stmtType_, fnCode_);
  placeholders_ = ScanPlaceholders(sql_);
  errorOffset_ = 0;
  rowCount_ = 0;
  exchange_ = Exchange{};
  return {};
}

BindSlot* Cursor::Bind(BindSlot slot) {
  slot.name = Upper(slot.name);
  if (!slot.name.empty() && slot.name[0] == ':') slot.name.erase(0, 1);
  for (BindSlot& b : binds_) {
    if ((!slot.name.empty() && b.name == slot.name) || (slot.name.empty() && b.name.empty() && b.position == slot.position)) {
      b = std::move(slot);
      return &b;
    }
  }
  binds_.push_back(std::move(slot));
  return &binds_.back();
}

DefineSlot* Cursor::Define(DefineSlot slot) {
  for (DefineSlot& d : defines_) {
    if (d.position == slot.position) {
      d = slot;
      return &d;
    }
  }
  defines_.push_back(slot);
  return &defines_.back();
}

bool Cursor::HasPlaceholder(const std::string& upperName) const {
  std::string key = upperName;
  if (!key.empty() && key[0] == ':') key.erase(0, 1);
  return std::find(placeholders_.begin(), placeholders_.end(), Upper(key)) != placeholders_.end();
}

Status Cursor::Execute(ServerSession& session, ub4 iterations, ub4 mode) {
  if (exchange_.phase != Exchange::None) {
    // The next step of a piecewise execution: the piece SetPiece gave.
    Exchange& x = exchange_;
    if (x.phase == Exchange::In) {
      BindSlot& slot = *x.inputs[x.next];
      const ub4 n = x.given && x.buffer && x.length ? *x.length : 0;
      if (n) x.gathered.append(static_cast<const char*>(x.buffer), n);
      const sb2* ind = x.ind ? x.ind : slot.ind;
      if (ind && *ind < 0) x.gatheredNull = true;
      const ub1 piece = x.given ? x.piece : OCI_LAST_PIECE;
      Note("piece in " + slot.name + " piece=" + std::to_string(piece) + " length=" + std::to_string(n));
      if (piece == OCI_LAST_PIECE || piece == OCI_ONE_PIECE) {
        slot.pieces = PiecesValue(slot.type, x.gathered, x.gatheredNull);
        ++x.next;
        return GatherInputs();
      }
      x.asked = OCI_NEXT_PIECE;
      x.given = false;
      return Error(kNeedInputPiece);
    }
    auto& [slot, value] = x.outputs[x.nextOut];
    if (!x.given || !x.length || (!x.buffer && *x.length)) return Abandon(Error(3115));
    const std::string data = value.kind == Value::Null ? std::string() : value.AsText();
    const std::size_t n = std::min<std::size_t>(*x.length, data.size() - x.offset);
    if (n) std::memcpy(const_cast<void*>(x.buffer), data.data() + x.offset, n);
    *x.length = static_cast<ub4>(n);
    if (sb2* ind = x.ind ? x.ind : slot->ind) *ind = value.kind == Value::Null ? -1 : 0;
    Note("piece out " + slot->name + " length=" + std::to_string(n));
    x.offset += n;
    if (x.offset < data.size()) {
      if (n == 0) return Abandon(Error(3115));  // a buffer without room would never end
      x.asked = OCI_NEXT_PIECE;
      x.given = false;
      return Error(kNeedOutputPiece);
    }
    ++x.nextOut;
    return DeliverOutputs();
  }

  Close();
  rowCount_ = 0;
  lastRowid_ = 0;
  errorOffset_ = 0;
  exchange_ = Exchange{};
  exchange_.session = &session;
  exchange_.iterations = iterations;
  exchange_.mode = mode;
  for (BindSlot& b : binds_) {
    b.pieces = {};
    if (b.atExec && !(b.ind && *b.ind < 0)) exchange_.inputs.push_back(&b);
  }
  return GatherInputs();
}

bool Cursor::PendingPiece(PieceRequest& request) const {
  const Exchange& x = exchange_;
  if (x.phase == Exchange::In) {
    request = {x.inputs[x.next], OCI_PARAM_IN, x.asked};
  } else if (x.phase == Exchange::Out) {
    request = {x.outputs[x.nextOut].first, OCI_PARAM_OUT, x.asked};
  } else {
    return false;
  }
  return true;
}

Status Cursor::SetPiece(const BindSlot* slot, const void* buffer, ub4* length, ub1 piece, sb2* ind) {
  Exchange& x = exchange_;
  if (x.phase == Exchange::None) return {};  // nothing waits: the piece is not wanted
  PieceRequest pending;
  PendingPiece(pending);
  if (slot && slot != pending.slot) return Error(24338, "statement handle not executed");
  x.given = true;
  x.buffer = buffer;
  x.length = length;
  x.piece = piece;
  x.ind = ind;
  return {};
}

Status Cursor::Abandon(Status status) {
  exchange_ = Exchange{};
  return status;
}

Status Cursor::GatherInputs() {
  Exchange& x = exchange_;
  const bool polling = Setting("long_pieces") == "polling";
  while (x.next < x.inputs.size()) {
    BindSlot& slot = *x.inputs[x.next];
    if (!slot.inCallback || polling) {
      x.phase = Exchange::In;
      x.asked = OCI_FIRST_PIECE;
      x.given = false;
      x.gathered.clear();
      x.gatheredNull = false;
      return Error(kNeedInputPiece);
    }
    Status s = GatherByCallback(slot);
    if (!s.Ok()) return Abandon(s);
    ++x.next;
  }
  x.phase = Exchange::None;
  return Run();
}

Status Cursor::GatherByCallback(BindSlot& slot) {
  std::string data;
  bool isNull = false;
  ub1 piece = OCI_FIRST_PIECE;
  for (int calls = 0;; ++calls) {
    if (calls > 1000000) return Error(24343, "user defined callback error");
    void* buffer = nullptr;
    ub4 length = 0;
    void* indp = nullptr;
    const sb4 rc = slot.inCallback(slot.inContext, static_cast<OCIBind*>(slot.handle), 0, 0, &buffer, &length,
                                   &piece, &indp);
    if (rc != OCI_CONTINUE) return Error(24343, "user defined callback error");
    Note("in-bind callback " + slot.name + " piece=" + std::to_string(piece) + " length=" + std::to_string(length));
    if (buffer && length) data.append(static_cast<const char*>(buffer), length);
    const sb2* ind = indp ? static_cast<const sb2*>(indp) : slot.ind;
    if (ind && *ind < 0) isNull = true;
    if (piece == OCI_LAST_PIECE || piece == OCI_ONE_PIECE) break;
    piece = OCI_NEXT_PIECE;
  }
  slot.pieces = PiecesValue(slot.type, data, isNull);
  return {};
}

Status Cursor::DeliverOutputs() {
  Exchange& x = exchange_;
  const bool polling = Setting("long_pieces") == "polling";
  while (x.nextOut < x.outputs.size()) {
    auto& [slot, value] = x.outputs[x.nextOut];
    if (!slot->outCallback || polling) {
      x.phase = Exchange::Out;
      x.asked = OCI_FIRST_PIECE;
      x.given = false;
      x.offset = 0;
      return Error(kNeedOutputPiece);
    }
    Status s = DeliverByCallback(*slot, value);
    if (!s.Ok()) return Abandon(s);
    ++x.nextOut;
  }
  x.phase = Exchange::None;
  return Finish();
}

Status Cursor::DeliverByCallback(BindSlot& slot, const Value& value) {
  const bool isNull = value.kind == Value::Null;
  const std::string data = isNull ? std::string() : value.AsText();
  std::size_t offset = 0;
  ub1 piece = OCI_ONE_PIECE;
  for (;;) {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indp = nullptr;
    ub2* rcode = nullptr;
    const sb4 rc = slot.outCallback(slot.outContext, static_cast<OCIBind*>(slot.handle), 0, 0, &buffer, &length,
                                    &piece, &indp, &rcode);
    if (rc != OCI_CONTINUE || !length || (!buffer && *length)) return Error(24343, "user defined callback error");
    const std::size_t n = std::min<std::size_t>(*length, data.size() - offset);
    if (n) std::memcpy(buffer, data.data() + offset, n);
    *length = static_cast<ub4>(n);
    if (sb2* ind = indp ? static_cast<sb2*>(indp) : slot.ind) *ind = isNull ? -1 : 0;
    if (rcode) *rcode = 0;
    Note("out-bind callback " + slot.name + " length=" + std::to_string(n));
    offset += n;
    if (offset >= data.size()) return {};
    if (n == 0) return Error(24343, "user defined callback error");
    piece = OCI_NEXT_PIECE;
  }
}

Status Cursor::Run() {
  ServerSession& session = *exchange_.session;
  const ub4 iterations = exchange_.iterations;
  const std::string upper = Upper(sql_);
  Status status;

  // "ok" and "sleep <ms>" (slept before the engine was entered) succeed with no effect.
  const std::optional<Script> script = ScriptFor(sql_);
  const bool answered = script.has_value();
  if (answered) {
    const std::string& a = script->answer;
    if (a.rfind("error ", 0) == 0) {
      char* end = nullptr;
      long code = std::strtol(a.c_str() + 6, &end, 10);
      while (*end == ' ') ++end;
      if (std::strncmp(end, "offset=", 7) == 0) {  // where the parse went wrong
        errorOffset_ = static_cast<ub2>(std::strtol(end + 7, &end, 10));
        while (*end == ' ') ++end;
      }
      status = *end ? Error(static_cast<int>(code), end) : Error(static_cast<int>(code));
    } else if (a.rfind("sql ", 0) == 0) {
      ub2 type, code;
      ClassifySql(a.substr(4), type, code);
      status = type == OCI_STMT_SELECT ? RunQuery(a.substr(4)) : RunDml(a.substr(4), std::max<ub4>(iterations, 1));
    } else if (a.rfind("out ", 0) == 0) {
      status = WriteOutBinds(ParseOutValues(a.substr(4)));
    } else if (a.rfind("outsql ", 0) == 0) {
      status = RunIntoOutBinds(a.substr(7));
    } else if (a.rfind("cursor ", 0) == 0) {
      // "cursor NAME=<query>": the cursor bound as NAME is opened on the query.
      const std::string spec = a.substr(7);
      const std::size_t eq = spec.find('=');
      std::string name = Upper(spec.substr(0, eq));
      if (!name.empty() && name[0] == ':') name.erase(0, 1);
      for (const BindSlot& b : binds_)
        if (status.Ok() && b.name == name) status = OpenRefCursor(b, spec.substr(eq + 1), session);
    }
  }

  std::string name, value;
  if (answered) {
  } else if (auto done = RunTransactionText(upper)) {
    status = *done;
  } else if (stmtType_ == 7 && ParseAlterSession(sql_, name, value)) {
    session.nls[name] = value;
  } else if (stmtType_ == 7) {
    // Other session settings are taken without effect.
  } else if ((stmtType_ == OCI_STMT_BEGIN || stmtType_ == OCI_STMT_DECLARE) &&
             upper.find("NLS_SESSION_PARAMETERS") != std::string::npos) {
    // The session block: bytes per character, the session's NLS values, a character set's id.
    std::map<std::string, Value> out;
    out["CHARLENGTH"] = Value::OfText(Setting("char_length"));
    out["NLSDATELANGUAGE"] = Value::OfText(session.nls["NLS_DATE_LANGUAGE"]);
    out["NLSDATEFORMAT"] = Value::OfText(session.nls["NLS_DATE_FORMAT"]);
    out["NLSTIMESTAMPFORMAT"] = Value::OfText(session.nls["NLS_TIMESTAMP_FORMAT"]);
    out["NLSTIMESTAMPTZFORMAT"] = Value::OfText(session.nls["NLS_TIMESTAMP_TZ_FORMAT"]);
    if (HasPlaceholder("CHARSETID")) {
      Value charset;
      for (const BindSlot& b : binds_) {
        if (b.name == "CHARSET") charset = FromExternal(b.type, b.value, b.size, b.ind, b.alen, status);
      }
      if (!status.Ok()) return Abandon(status);
      int id = CharsetIdOf(charset.AsText());
      out["CHARSETID"] = id ? Value::OfInt(id) : Value();
    }
    status = WriteOutBinds(out);
  } else if ((stmtType_ == OCI_STMT_BEGIN || stmtType_ == OCI_STMT_DECLARE) &&
             upper.find("PRODUCT_COMPONENT_VERSION") != std::string::npos) {
    std::map<std::string, Value> out;
    out["RESULT"] = Value::OfText(Setting("version"));
    status = WriteOutBinds(out);
  } else if (stmtType_ == OCI_STMT_BEGIN || stmtType_ == OCI_STMT_DECLARE) {
    status = Error(6550, "line 1, column 7:\nPLS-00201: the stand-in has no answer for this block");
  } else if (IsQuery()) {
    status = RunQuery(sql_);
  } else {
    if (iterations == 0) return Abandon(Error(24333));
    status = RunDml(sql_, iterations);
  }
  if (!status.Ok()) return Abandon(status);
  if (stmtType_ == OCI_STMT_BEGIN || stmtType_ == OCI_STMT_DECLARE) rowCount_ = 1;  // a block counts as one
  exchange_.status = status;
  return DeliverOutputs();
}

Status Cursor::Finish() {
  Status status = exchange_.status;
  const ub4 iterations = exchange_.iterations, mode = exchange_.mode;
  exchange_ = Exchange{};
  if (IsQuery() && query_ && (mode & OCI_STMT_SCROLLABLE_READONLY) && !(mode & OCI_DESCRIBE_ONLY)) {
    status = ReadAllRows();
    if (!status.Ok()) return status;
  }
  if (IsQuery() && query_ && !(mode & OCI_DESCRIBE_ONLY) && iterations > 0) {
    ub4 got = 0;
    status = Fetch(iterations, got);
    if (status.code == 1403) status = {};
    if (!status.Ok() && status.code != 24345) return status;
  }
  if ((mode & OCI_COMMIT_ON_SUCCESS) && status.Ok()) return CommitWork();
  return status;
}

Status Cursor::RunQuery(const std::string& text) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(Db(), text.c_str(), -1, &query_, &tail) != SQLITE_OK) {
    Status s = FromSqlite(Db());
    Close();
    return s;
  }
  Status s = BindInputs(query_, 0);
  if (!s.Ok()) {
    Close();
    return s;
  }
  // Read one row ahead, so that expression columns can be described by their values.
  std::vector<Value> row;
  bool have = false;
  s = StepRow(row, have);
  if (!s.Ok()) {
    Close();
    return s;
  }
  if (have) pending_ = std::move(row);
  Describe();
  return {};
}

Status Cursor::RunIntoOutBinds(const std::string& text) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(Db(), text.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return FromSqlite(Db());
  Status s = BindInputs(stmt, 0);
  std::map<std::string, Value> values;
  if (s.Ok()) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) values[Upper(sqlite3_column_name(stmt, i))] = ReadColumn(stmt, i);
    } else {
      s = rc == SQLITE_DONE ? Error(1403) : FromSqlite(Db());
    }
  }
  sqlite3_finalize(stmt);
  return s.Ok() ? WriteOutBinds(values) : s;
}

Status Cursor::RunDml(const std::string& text, ub4 iterations) {
  // "... RETURNING a, b INTO :x, :y": SQLite returns the values, the INTO list says where to.
  std::vector<std::string> into;
  const std::string sqliteText = SplitReturningInto(text, into);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(Db(), sqliteText.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return FromSqlite(Db());
  ub2 type, code;
  ClassifySql(text, type, code);
  const bool dml = type == OCI_STMT_UPDATE || type == OCI_STMT_DELETE || type == OCI_STMT_INSERT;
  Status s;
  if (dml) {
    BeginWorkIfNeeded();
  } else {
    s = CommitWork();  // definitions end the transaction first, as the server's do
  }
  for (ub4 i = 0; i < iterations && s.Ok(); ++i) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    s = BindInputs(stmt, i);
    if (!s.Ok()) break;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      // One row's values per iteration: a statement changing several rows returns the last.
      for (std::size_t j = 0; j < into.size() && s.Ok(); ++j)
        s = WriteOut(into[j], ReadColumn(stmt, static_cast<int>(j)), i);
    }
    if (!s.Ok()) break;
    if (rc != SQLITE_DONE) {
      s = FromSqlite(Db());
      break;
    }
    if (dml) rowCount_ += static_cast<ub4>(sqlite3_changes(Db()));
    if (type == OCI_STMT_INSERT) lastRowid_ = sqlite3_last_insert_rowid(Db());
  }
  sqlite3_finalize(stmt);
  return s;
}

Status Cursor::BindInputs(sqlite3_stmt* stmt, ub4 iteration) {
  const int count = sqlite3_bind_parameter_count(stmt);
  for (int k = 1; k <= count; ++k) {
    const char* raw = sqlite3_bind_parameter_name(stmt, k);
    std::string name = raw ? Upper(raw + 1) : std::string();
    auto placeholder = std::find(placeholders_.begin(), placeholders_.end(), name);
    const ub4 position = placeholder == placeholders_.end() ? static_cast<ub4>(k)
                                                            : static_cast<ub4>(placeholder - placeholders_.begin() + 1);
    const BindSlot* slot = nullptr;
    for (const BindSlot& b : binds_)
      if (!b.name.empty() && b.name == name) slot = &b;
    if (!slot)
      for (const BindSlot& b : binds_)
        if (b.name.empty() && b.position == position) slot = &b;
    if (!slot) return Error(1008);
    Status s;
    Value v;
    if (slot->atExec) {
      v = iteration == 0 ? slot->pieces : Value();
    } else if (CompositeBindValue(*slot, v, s)) {
    } else {
      const ub4 valueSkip = slot->valueSkip ? slot->valueSkip : ElementSize(*slot);
      const ub4 indSkip = slot->indSkip ? slot->indSkip : sizeof(sb2);
      const ub4 alenSkip = slot->alenSkip ? slot->alenSkip : sizeof(ub2);
      const char* value = static_cast<const char*>(slot->value);
      const sb2* ind = slot->ind ? reinterpret_cast<const sb2*>(reinterpret_cast<const char*>(slot->ind) + iteration * indSkip) : nullptr;
      const ub2* alen = slot->alen ? reinterpret_cast<const ub2*>(reinterpret_cast<const char*>(slot->alen) + iteration * alenSkip) : nullptr;
      v = FromExternal(slot->type, value ? value + static_cast<std::size_t>(iteration) * valueSkip : nullptr, slot->size,
                       ind, alen, s);
    }
    if (!s.Ok()) return s;
    switch (v.kind) {
      case Value::Null: sqlite3_bind_null(stmt, k); break;
      case Value::Int: sqlite3_bind_int64(stmt, k, v.i); break;
      case Value::Real: sqlite3_bind_double(stmt, k, v.r); break;
      case Value::Text: sqlite3_bind_text(stmt, k, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT); break;
      case Value::Blob: sqlite3_bind_blob(stmt, k, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT); break;
    }
  }
  return {};
}

Status Cursor::WriteOutBinds(const std::map<std::string, Value>& values) {
  for (const auto& [name, value] : values) {
    Status s = WriteOut(name, value, 0);
    if (!s.Ok()) return s;
  }
  return {};
}

Status Cursor::WriteOut(const std::string& name, const Value& value, ub4 iteration) {
  auto placeholder = std::find(placeholders_.begin(), placeholders_.end(), name);
  const ub4 position = placeholder == placeholders_.end() ? 0 : static_cast<ub4>(placeholder - placeholders_.begin() + 1);
  for (BindSlot& b : binds_) {
    if (b.name != name && !(b.name.empty() && position != 0 && b.position == position)) continue;
    if (b.atExec) {
      if (iteration == 0) exchange_.outputs.emplace_back(&b, value);
      continue;
    }
    Status composite;
    if (WriteCompositeBind(b, value, composite)) {
      if (!composite.Ok()) return composite;
      continue;
    }
    auto at = [iteration](void* base, ub4 skip) {
      return base ? static_cast<void*>(static_cast<char*>(base) + static_cast<std::size_t>(iteration) * skip) : nullptr;
    };
    Status s = ToExternal(value, b.type, at(b.value, b.valueSkip ? b.valueSkip : ElementSize(b)), b.size,
                          static_cast<sb2*>(at(b.ind, b.indSkip ? b.indSkip : sizeof(sb2))),
                          static_cast<ub2*>(at(b.alen, b.alenSkip ? b.alenSkip : sizeof(ub2))),
                          static_cast<ub2*>(at(b.rcode, b.rcodeSkip ? b.rcodeSkip : sizeof(ub2))));
    if (!s.Ok() && s.code != 24345) return s;
  }
  return {};
}

Status Cursor::StepRow(std::vector<Value>& row, bool& haveRow) {
  haveRow = false;
  if (pending_) {
    row = std::move(*pending_);
    pending_.reset();
    haveRow = true;
    return {};
  }
  if (!query_ || exhausted_) return {};
  int rc = sqlite3_step(query_);
  if (rc == SQLITE_DONE) {
    exhausted_ = true;
    return {};
  }
  if (rc != SQLITE_ROW) return FromSqlite(Db());
  const int n = sqlite3_column_count(query_);
  row.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ReadColumnInto(query_, i, row[static_cast<std::size_t>(i)]);
  haveRow = true;
  return {};
}

void Cursor::Describe() {
  columns_.clear();
  const int n = sqlite3_column_count(query_);
  for (int i = 0; i < n; ++i) {
    Column c;
    c.name = Upper(sqlite3_column_name(query_, i));
    const char* declared = sqlite3_column_decltype(query_, i);
    if (declared) {
      TypeFromDeclaration(declared, c);
    } else if (pending_) {
      TypeFromValue((*pending_)[static_cast<std::size_t>(i)], c);
    } else {
      c.type = SQLT_CHR;
      c.size = 4000;
    }
    columns_.push_back(c);
  }
}

Status Cursor::Fetch(ub4 rows, ub4& got) {
  got = 0;
  if (HasPieceDefines()) return FetchInPieces(rows, got);
  if (!query_ && !pending_) return Error(1002);
  Status result;
  for (ub4 r = 0; r < rows; ++r) {
    bool have = false;
    Status s = StepRow(row_, have);
    if (!s.Ok()) return s;
    if (!have) break;
    s = PutRow(row_, r);
    if (s.code == 24345) {
      result = s;
    } else if (!s.Ok()) {
      return s;
    }
    ++got;
  }
  rowCount_ += got + RowCountBias();
  if (got < rows) return Error(1403);
  return result;
}

Status Cursor::PutRow(const std::vector<Value>& row, ub4 r) {
  Status result;
  for (const DefineSlot& d : defines_) {
    if (d.position < 1 || d.position > row.size()) return Error(1007);
    const Value& v = row[d.position - 1];
    Status s;
    if (d.pieces) {
      continue;  // moved in pieces before
    } else if (d.callback) {
      s = PutDynamic(d, v, r);
    } else if (d.type == SQLT_NTY || d.type == SQLT_REF) {
      s = PutObject(d, v, r);
    } else {
      const ub4 valueSkip = d.valueSkip ? d.valueSkip : ElementSize(d);
      auto at = [r](void* base, ub4 skip) {
        return base ? static_cast<void*>(static_cast<char*>(base) + static_cast<std::size_t>(r) * skip) : nullptr;
      };
      // A caller's record may put an indicator or length at any address: they are written
      // through aligned copies.
      void* const ind = at(d.ind, d.indSkip ? d.indSkip : sizeof(sb2));
      void* const rlen = at(d.rlen, d.rlenSkip ? d.rlenSkip : sizeof(ub2));
      void* const rcode = at(d.rcode, d.rcodeSkip ? d.rcodeSkip : sizeof(ub2));
      sb2 indValue = 0;
      ub2 rlenValue = 0, rcodeValue = 0;
      if (ind) std::memcpy(&indValue, ind, sizeof indValue);
      if (rlen) std::memcpy(&rlenValue, rlen, sizeof rlenValue);
      s = ToExternal(v, d.type, at(d.value, valueSkip), d.size, ind ? &indValue : nullptr, rlen ? &rlenValue : nullptr,
                     rcode ? &rcodeValue : nullptr);
      if (rlen && v.kind != Value::Null) rlenValue = static_cast<ub2>(rlenValue + LengthBias());
      if (ind) std::memcpy(ind, &indValue, sizeof indValue);
      if (rlen) std::memcpy(rlen, &rlenValue, sizeof rlenValue);
      if (rcode) std::memcpy(rcode, &rcodeValue, sizeof rcodeValue);
    }
    if (s.code == 24345) {
      result = s;
    } else if (!s.Ok()) {
      return s;
    }
  }
  return result;
}

}  // namespace fakeoci
