#include "tools/fake_listener/FakeOracle.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <random>
#include <time.h>

#include "tools/fake_listener/FakeCrypto.h"
#include "tools/fake_listener/FakeSession.h"

namespace ora::fake {
namespace {

constexpr std::uint8_t kBanner[] = "FakeOracle 9.2";
const char* const kNoTable = "ORA-00942: table or view does not exist";

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

// Blanks collapsed, trimmed.
std::string Squeeze(const std::string& s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// The fake's own reading of NUMBER bytes, as a decimal text.
std::string NumberText(const Bytes& b) {
  if (b.empty() || (b.size() == 1 && b[0] == 0x80)) return "0";
  const bool negative = (b[0] & 0x80) == 0;
  const int exponent = negative ? 62 - b[0] : b[0] - 193;
  std::vector<int> digits;
  for (std::size_t i = 1; i < b.size(); ++i) {
    if (negative && b[i] == 102) break;
    digits.push_back(negative ? 101 - b[i] : b[i] - 1);
  }
  std::string whole, fraction;
  for (int power = exponent, i = 0; power >= 0 || i < int(digits.size()); --power, ++i) {
    const int d = i < int(digits.size()) ? digits[std::size_t(i)] : 0;
    char pair[3] = {char('0' + d / 10), char('0' + d % 10), 0};
    if (power >= 0) whole += pair;
    else fraction += pair;
    if (power < 0 && i >= int(digits.size()) - 1) break;
  }
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (exponent < -1) fraction.insert(0, std::string(std::size_t(2 * (-1 - exponent)), '0'));
  std::string text = (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "." + fraction);
  return negative ? "-" + text : text;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

bool IsDecimal(const std::string& s) {
  std::size_t i = s.size() > 1 && s[0] == '-' ? 1 : 0, digits = 0, points = 0;
  for (; i < s.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(s[i]))) ++digits;
    else if (s[i] == '.' && points++ == 0 && digits > 0) continue;
    else return false;
  }
  return digits > 0 && s.back() != '.';
}

// The names of ":name" in a text, in order, each once.
std::vector<std::string> ColonNames(const std::string& text) {
  std::vector<std::string> names;
  for (std::size_t at = text.find(':'); at != std::string::npos; at = text.find(':', at + 1)) {
    std::size_t end = at + 1;
    while (end < text.size() && IsWordChar(text[end])) ++end;
    const std::string name = text.substr(at + 1, end - at - 1);
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

// A select-list item: its expression and its alias (after a blank), if any.
std::pair<std::string, std::string> SplitAlias(const std::string& item) {
  const std::size_t blank = item.rfind(' ');
  if (blank == std::string::npos || item.find('\'', blank) != std::string::npos || item.find(')', blank) != std::string::npos)
    return {item, {}};
  return {item.substr(0, blank), Upper(item.substr(blank + 1))};
}

struct Cell {
  bool null = false;
  std::string text;
  Bytes raw;  // NUMBER or DATE bytes for those columns
};

Cell NumberCell(const std::string& decimal) { return {false, decimal, FakeNumber(decimal)}; }
Cell TextCell(const std::string& text) { return {false, text, {}}; }

const std::map<std::string, int>& Charsets() {
  static const std::map<std::string, int> sets = {
      {"US7ASCII", 1}, {"WE8ISO8859P1", 31}, {"ZHS16GBK", 852}, {"AL32UTF8", 873}, {"UTF8", 871}};
  return sets;
}

bool IsLobType(std::uint8_t type) { return type >= 112 && type <= 114; }

// One value of a row or of an out bind, and its return code.
void PutValue(TtcOut& o, std::uint8_t type, const std::string& value, int protocolVersion) {
  if (type == 2) {
    o.Clr(FakeNumber(value));
  } else if (IsLobType(type)) {
    if (protocolVersion > 5) o.Int(std::int64_t(value.size()));
    o.ClrText(value);
  } else {
    o.ClrText(value);
  }
  o.Int(0);
}

struct Column {
  std::string name;
  std::uint8_t type = 1;  // 1 VARCHAR2, 2 NUMBER, 8 LONG, 12 DATE
  std::uint32_t size = 0;
  std::uint8_t precision = 0;
  int scale = 0;
};

}  // namespace

void FakeOracleEvents::AddEncoding(long long nanoseconds, std::uint64_t rows) {
  std::lock_guard<std::mutex> hold(lock_);
  encodingNs_ += nanoseconds;
  encodedRows_ += rows;
}

long long FakeOracleEvents::EncodingNanoseconds() const {
  std::lock_guard<std::mutex> hold(lock_);
  return encodingNs_;
}

std::uint64_t FakeOracleEvents::EncodedRows() const {
  std::lock_guard<std::mutex> hold(lock_);
  return encodedRows_;
}

void FakeOracleEvents::Note(const std::string& what) {
  std::lock_guard<std::mutex> hold(lock_);
  seen_.push_back(what);
  changed_.notify_all();
}

bool FakeOracleEvents::WaitFor(const std::string& what, int milliseconds) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                           [&] { return std::find(seen_.begin(), seen_.end(), what) != seen_.end(); });
}

std::vector<std::string> FakeOracleEvents::Seen() const {
  std::lock_guard<std::mutex> hold(lock_);
  return seen_;
}

struct FakeOracleService::Item {
  std::uint8_t type = 0;
  std::uint8_t flag = 0;
  std::uint64_t size = 0;
  std::uint64_t maxArray = 0;
  std::vector<Cell> values;  // by iteration, or the elements of an array
  std::string name;
  bool in = false;   // the client sends its value (0x20)
  bool out = false;  // the fake sends its value back (0x10)
};

struct FakeOracleService::Cursor {
  std::string sql;
  std::string lower;
  int command = 0;  // the SQL command code of the status reply
  bool query = false;
  bool block = false;
  bool sleeps = false;
  std::vector<Column> columns;
  std::function<std::vector<Cell>(std::uint64_t)> row;
  std::uint64_t rowCount = 0;
  std::uint64_t fetched = 0;
  std::vector<Item> binds;
  std::vector<Item> defines;
  std::uint32_t iterations = 1;
};

FakeOracleService::FakeOracleService(FakeOracleOptions options) : options_(std::move(options)) {
  for (const auto& [id, content] : options_.lobs) lobIds_[id] = NewLob(true, content);
}

std::string FakeOracleService::NewLob(bool character, const std::string& content) {
  const std::string locator = "LOB:" + std::to_string(nextLob_++) + (character ? ":C" : ":B");
  lobs_[locator] = content;
  return locator;
}
FakeOracleService::~FakeOracleService() = default;

Bytes FakeOracleService::Status(std::int64_t code, const std::string& text, std::uint32_t rows, std::uint8_t command) {
  TtcOut o;
  o.Byte(4).Int(rows).Int(code).Int(0).Int(0).Int(0).Int(0).Byte(command).Byte(0).Int(0).Int(0).Byte(0).Byte(0);
  o.Int(0x1234).Int(5).Byte(1).Int(77).Int(3);  // a ROWID
  o.Int(0).Byte(0).Byte(0).Int(0).Int(0);
  if (code != 0) o.ClrText(text);
  return o.Data();
}

void FakeOracleService::OnData(FakeSession& session, std::uint16_t, const Bytes& payload) {
  pending_.insert(pending_.end(), payload.begin(), payload.end());
  while (!pending_.empty() && HandleOne(session)) {
  }
}

void FakeOracleService::OnInterrupted(FakeSession& session) {
  pending_.clear();
  if (!interruptible_) return;
  interruptible_ = false;
  options_.events->Note("interrupted");
  session.SendData(Status(1013, "ORA-01013: user requested cancel of current operation"));
}

bool FakeOracleService::HandleOne(FakeSession& session) {
  TtcIn in(pending_);
  Bytes reply;
  bool answer = true;
  try {
    switch (phase_) {
      case 0: reply = Negotiate(in); break;
      case 1: reply = NegotiateTypes(in); break;
      default:
        if (awaitingValues_) reply = BindValues(in);
        else if (pending_[0] == 2) reply = NegotiateTypes(in);  // a new client character set
        else reply = Call(in, session, answer);
    }
  } catch (const NeedMore&) {
    return false;
  } catch (const Malformed& e) {
    options_.events->Note(std::string("malformed: ") + e.what());
    pending_.clear();
    session.SendData(Status(3106, "ORA-03106: fatal two-task communication protocol error"));
    return false;
  }
  pending_.erase(pending_.begin(), pending_.begin() + long(in.Position()));
  if (answer && !reply.empty()) session.SendData(reply);
  if (hangUp_) {
    hangUp_ = false;
    pending_.clear();
    if (options_.hangUpWithReset) session.Reset();
    else session.Close();
    return false;
  }
  return true;
}

Bytes FakeOracleService::Negotiate(TtcIn& in) {
  if (in.Byte() != 1) throw Malformed("no protocol negotiation");
  std::string versions;
  for (std::uint8_t v; (v = in.Byte()) != 0;) versions += char('0' + v);
  const std::string banner = in.CText();
  options_.events->Note("versions:" + versions + "0 banner:" + banner);
  phase_ = 1;
  TtcOut o(false);
  o.Byte(1).Byte(std::uint8_t(options_.protocolVersion)).Byte(0);
  o.Raw(Bytes(kBanner, kBanner + sizeof kBanner));
  o.Fixed2LittleEndian(options_.charset).Byte(0);
  o.Fixed2LittleEndian(1).Raw(Bytes{1, 2, 3, 4, 5});  // one five-byte entry to pass over
  if (options_.protocolVersion >= 5) o.Byte(0).Byte(3).Raw(Bytes{9, 9, 9});
  if (options_.protocolVersion >= 6) o.Byte(2).Raw(Bytes{7, 7}).Byte(1).Byte(8);
  return o.Data();
}

Bytes FakeOracleService::NegotiateTypes(TtcIn& in) {
  const std::size_t start = in.Position();
  if (in.Byte() != 2) throw Malformed("no data-type negotiation");
  const std::uint16_t a = in.ShortUb2(), b = in.ShortUb2();
  if (in.Byte() != 2) throw Malformed("data-type flag");
  if (options_.protocolVersion >= 6) {
    in.Take(in.Byte());
    in.Take(in.Byte());
  }
  const std::size_t tableStart = in.Position();
  int rows = 0;
  for (std::uint8_t type; (type = in.Byte()) != 0; ++rows) {
    if (in.Byte() == 0) continue;  // a type passed through
    in.Byte();
    if (in.Byte() != 0) throw Malformed("data-type row");
  }
  options_.events->Note("charsets:" + std::to_string(a) + "," + std::to_string(b) + " table:" +
                        std::to_string(in.Position() - tableStart) + " rows:" + std::to_string(rows) +
                        " request:" + std::to_string(in.Position() - start));
  phase_ = 2;
  TtcOut o;
  o.Byte(2).Raw(Bytes{1, 1, 1, 0, 2, 2, 10, 0, 12, 12, 10, 0, 0});
  return o.Data();
}

Bytes FakeOracleService::Call(TtcIn& in, FakeSession& session, bool& answer) {
  (void)session;
  if (in.Byte() != 3) throw Malformed("no function call");
  const std::uint8_t function = in.Byte();
  if (in.Byte() != 0) throw Malformed("sequence");
  switch (function) {
    case 82: return Logon(in, true);
    case 81: return Logon(in, false);
    case 2: {
      in.Byte();
      in.Ub4();
      const std::uint32_t number = nextCursor_++;
      cursors_[number] = std::make_unique<Cursor>();
      options_.events->Note("open:" + std::to_string(number));
      TtcOut o;
      o.Byte(8).Int(number).Byte(9);
      return o.Data();
    }
    case 8: {
      const std::uint32_t number = std::uint32_t(in.Ub4());
      cursors_.erase(number);
      options_.events->Note("close:" + std::to_string(number));
      return {9};
    }
    case 9:
      options_.events->Note("logoff");
      return Status(0);
    case 14:
      options_.events->Note("commit");
      if (options_.commitError != 0) return Status(options_.commitError, options_.commitErrorText);
      return {9};
    case 15:
      options_.events->Note("rollback");
      return Status(0);
    case 71: return AllInOne(in, answer);
    case 98: return Describe(in);
    case 43: return DescribeOld(in);
    default: throw Malformed("function " + std::to_string(function));
  }
}

Bytes FakeOracleService::Logon(TtcIn& in, bool phaseOne) {
  std::uint8_t present[7];
  std::uint64_t lengths[7];
  auto announced = [&](int i) {
    present[i] = in.Byte();
    lengths[i] = in.Ub4();
  };
  announced(0);
  announced(1);
  for (int i = 0; i < 3; ++i)
    if (in.Ub4() != 0) throw Malformed("logon zeros");
  in.Byte();
  announced(2);
  announced(3);
  announced(4);
  if (in.Ub4() != 4096) throw Malformed("logon 4096");
  announced(5);
  announced(6);
  in.ShortUb2();
  in.Ub4();
  in.Byte();
  in.Ub4();
  const bool flag1 = in.Byte() != 0;
  if (in.Ub4() != 16) throw Malformed("logon 16");
  const bool flag2 = in.Byte() != 0;
  if (flag1 != phaseOne || flag2 != phaseOne) throw Malformed("logon phase flags");
  std::string texts[7];
  for (int i = 0; i < 7; ++i) {
    if (!present[i]) continue;
    texts[i] = in.ClrText();
    if (texts[i].size() != lengths[i]) throw Malformed("logon text length");
  }
  const std::string user = Upper(Trim(texts[0]));
  const auto found = std::find_if(options_.users.begin(), options_.users.end(),
                                  [&](const FakeUser& u) { return Upper(u.name) == user; });
  if (phaseOne) {
    user_ = user;
    std::random_device random;
    sessionKey_.clear();
    for (int i = 0; i < 8; ++i) sessionKey_.push_back(std::uint8_t(random()));
    // An unknown user gets a key all the same: the answer comes in phase two.
    const Bytes hash = FakePasswordHash(user, found != options_.users.end() ? found->password : "?");
    const std::string keyText = FakeSessionKeyText(hash, sessionKey_);
    options_.events->Note("logon1:" + user + " machine:" + texts[2] + " program:" + texts[6]);
    TtcOut o;
    o.Byte(8).Int(0).Byte(std::uint8_t(keyText.size())).Raw(keyText);
    o.Raw(Status(0));
    return o.Data();
  }
  const std::optional<std::string> password = FakeReadPasswordText(sessionKey_, texts[1]);
  if (user != user_ || found == options_.users.end() || !password || Upper(*password) != Upper(found->password)) {
    options_.events->Note("logon2:denied");
    return Status(1017, "ORA-01017: invalid username/password; logon denied");
  }
  options_.events->Note("logon2:" + user);
  if (found->expiring) {
    const std::string text = "ORA-28002: the password will expire within 7 days";
    TtcOut o;
    o.Byte(15).Int(28002).Int(std::int64_t(text.size())).Int(0).ClrText(text);
    return o.Data();
  }
  return Status(0);
}

FakeOracleService::Item FakeOracleService::ReadDescriptor(TtcIn& in) {
  Item item;
  item.type = in.Byte();
  item.flag = in.Byte();
  if (in.Byte() != 0 || in.Byte() != 0) throw Malformed("descriptor");
  item.size = in.Ub4();
  // A locator travels by its handle, announced as 4 bytes whatever the client's pointers are.
  if (IsLobType(item.type) && item.size != 4) throw Malformed("LOB bind of " + std::to_string(item.size) + " bytes");
  item.maxArray = in.Ub4();
  in.Ub4();
  if (options_.protocolVersion >= 5) {
    const Bytes tail = in.Take(4);
    if (tail != Bytes{0, 0, 0, 1}) throw Malformed("descriptor tail");
  }
  return item;
}

void FakeOracleService::ReadValues(TtcIn& in, Cursor& c, const std::vector<bool>& which) {
  const std::uint64_t maxString = options_.protocolVersion >= 5 ? 4000 : 2000;
  for (std::uint32_t iteration = 0; iteration < c.iterations; ++iteration) {
    if (in.Byte() != 7) throw Malformed("bind values");
    std::vector<std::size_t> later;
    auto value = [&](Item& item) {
      bool null = false;
      Cell cell;
      if (item.type >= 112 && item.type <= 114 && options_.protocolVersion > 5) in.Ub4();
      const Bytes bytes = in.Clr(&null);
      cell.null = null || bytes.empty();
      if (item.type == 2) cell.text = NumberText(bytes), cell.raw = bytes;
      else cell.text.assign(bytes.begin(), bytes.end());
      item.values.push_back(cell);
    };
    for (std::size_t i = 0; i < c.binds.size(); ++i) {
      Item& item = c.binds[i];
      if (!which[i] || item.type == 0) continue;
      if ((item.type == 8 || item.type == 24) && item.size > maxString) {
        later.push_back(i);
        continue;
      }
      if (item.flag & 0x40) {
        for (std::uint64_t n = in.Ub4(); n > 0; --n) value(item);
      } else {
        value(item);
      }
    }
    for (std::size_t i : later) value(c.binds[i]);
  }
}

Bytes FakeOracleService::AllInOne(TtcIn& in, bool& answer) {
  const std::uint32_t options = std::uint32_t(in.Ub4());
  const std::uint32_t number = std::uint32_t(in.Ub4());
  const bool sqlPresent = in.Byte() != 0;
  const std::uint64_t sqlLength = in.Ub4();
  in.Byte();
  in.Ub4();
  in.Byte();
  const std::uint64_t inCount = in.Ub4();
  in.Byte();
  in.Ub4();
  in.Byte();
  in.Byte();
  const std::uint64_t defineCount = in.Ub4();
  in.Byte();
  const std::uint64_t bindCount = in.Ub4();
  if (inCount != 7) throw Malformed("in-parameter array");
  const std::string sql = sqlPresent ? in.ClrText() : std::string();
  if (sql.size() != sqlLength) throw Malformed("sql length");
  std::uint64_t parameters[7];
  for (auto& p : parameters) p = in.Ub4();
  std::vector<Item> defines, binds;
  for (std::uint64_t i = 0; i < defineCount; ++i) defines.push_back(ReadDescriptor(in));
  for (std::uint64_t i = 0; i < bindCount; ++i) binds.push_back(ReadDescriptor(in));

  const auto found = cursors_.find(number);
  if (found == cursors_.end()) throw Malformed("cursor " + std::to_string(number));
  Cursor& c = *found->second;
  const bool executing = options & 32, fetching = options & 64;
  // A text the fake does not know is refused once the call is read and the script had its say.
  std::optional<Bytes> refused;
  if (options & 1) refused = Parse(c, sql);
  if (executing) {
    c.iterations = std::uint32_t(std::max<std::uint64_t>(parameters[1], 1));
    c.binds = std::move(binds);
    if (bindCount > 0 && (options & 0x8000)) ReadValues(in, c, std::vector<bool>(c.binds.size(), true));
  }
  if (fetching) c.defines = std::move(defines);
  options_.events->Note("call71:" + std::to_string(options) + ":" + c.sql);
  if (options_.script) {
    if (std::optional<Bytes> scripted = options_.script(c.sql, options)) return *scripted;
  }
  if (refused) return *refused;
  if (options & 1) {
    if (!executing && !fetching) return Status(0, {}, 0, std::uint8_t(c.command));
  }
  if (executing) {
    if (c.block) return RunBlock(c);
    if (c.query) {
      c.fetched = 0;
      return Status(0, {}, 0, std::uint8_t(c.command));
    }
    return ExecuteDml(c);
  }
  if (fetching) {
    if (!c.query) return Status(1002, "ORA-01002: fetch out of sequence");
    return FetchRows(c, std::uint32_t(parameters[1]));
  }
  answer = true;
  return Status(0);
}

std::optional<Bytes> FakeOracleService::Parse(Cursor& c, const std::string& sql) {
  c = Cursor{};
  c.sql = sql;
  c.lower = Lower(Squeeze(sql));
  const std::string& s = c.lower;
  std::string compact = s;
  for (std::size_t at; (at = compact.find(", ")) != std::string::npos;) compact.erase(at + 1, 1);
  const std::string generatedHead = "select id,name,created from fake_rows_";
  const std::string dualHead = "select ", dualTail = " from dual";
  const bool generated = compact.rfind(generatedHead, 0) == 0 && IsDecimal(compact.substr(generatedHead.size())) &&
                         compact.find('.', generatedHead.size()) == std::string::npos;
  const bool dual = s.size() > dualHead.size() + dualTail.size() && s.rfind(dualHead, 0) == 0 &&
                    s.compare(s.size() - dualTail.size(), dualTail.size(), dualTail) == 0;
  if (generated) {
    c.query = true;
    c.command = 3;
    c.columns = {{"ID", 2, 22, 10, 0}, {"NAME", 1, 30}, {"CREATED", 12, 7}};
    c.rowCount = std::stoull(compact.substr(generatedHead.size()));
    c.row = [](std::uint64_t i) {
      const std::string id = std::to_string(i + 1);
      return std::vector<Cell>{NumberCell(id), TextCell("row " + id + std::string(21 - id.size(), '.')),
                               {false, "", FakeDate(2024, 1 + int(i % 12), 1 + int(i % 28), int(i % 24))}};
    };
  } else if (dual) {
    c.query = true;
    c.command = 3;
    // The select list of literals and a few functions, split at top-level commas.
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    bool quoted = false;
    const std::string original = Squeeze(sql).substr(7, s.size() - dualHead.size() - dualTail.size());
    for (char ch : original) {
      if (ch == '\'') quoted = !quoted;
      if (!quoted && ch == '(') ++depth;
      if (!quoted && ch == ')') --depth;
      if (!quoted && depth == 0 && ch == ',') {
        items.push_back(Trim(item));
        item.clear();
      } else {
        item += ch;
      }
    }
    items.push_back(Trim(item));
    std::vector<Cell> cells;
    for (const std::string& it : items) {
      const auto [expr, alias] = SplitAlias(it);
      const std::string lower = Lower(expr);
      const std::size_t open = expr.find('('), close = expr.rfind(')');
      std::string function, argument;
      if (open != std::string::npos && close == expr.size() - 1) {
        function = Lower(expr.substr(0, open));
        argument = expr.substr(open + 1, close - open - 1);
        if (argument.size() >= 2 && argument.front() == '\'' && argument.back() == '\'')
          argument = argument.substr(1, argument.size() - 2);
      }
      Column col;
      if (IsDecimal(expr)) {
        col = {alias.empty() ? expr : alias, 2, 22, 38, 0};
        cells.push_back(NumberCell(expr));
      } else if (expr.size() >= 2 && expr.front() == '\'' && expr.back() == '\'') {
        const std::string value = expr.substr(1, expr.size() - 2);
        col = {alias.empty() ? value : alias, 1, std::uint32_t(value.size())};
        cells.push_back(TextCell(value));
      } else if (lower == "sysdate") {
        col = {"SYSDATE", 12, 7};
        cells.push_back({false, "", FakeDate(2026, 12, 10, 19, 30, 0)});
      } else if (lower == "user") {
        col = {"USER", 1, 30};
        cells.push_back(TextCell(user_));
      } else if (function == "nls_charset_id") {
        const auto set = Charsets().find(Upper(argument));
        col = {alias.empty() ? "ID" : alias, 2, 22, 38, 0};
        cells.push_back(set == Charsets().end() ? Cell{true, "", {}} : NumberCell(std::to_string(set->second)));
      } else if (function == "nls_charset_name") {
        col = {alias.empty() ? "NAME" : alias, 1, 30};
        Cell cell{true, "", {}};
        for (const auto& [name, id] : Charsets())
          if (std::to_string(id) == argument) cell = TextCell(name);
        cells.push_back(cell);
      } else {
        return Status(904, "ORA-00904: invalid identifier", 0, 0);
      }
      c.columns.push_back(col);
    }
    c.rowCount = 1;
    c.row = [cells](std::uint64_t) { return cells; };
  } else if (s.rfind("select value$ name,nls_charset_id(value$) id from sys.props$", 0) == 0) {
    c.query = true;
    c.command = 3;
    c.columns = {{"NAME", 1, 4000}, {"ID", 2, 22, 38, 0}};
    c.rowCount = 1;
    const int id = options_.charset;
    std::string name = "UNKNOWN";
    for (const auto& [n, i] : Charsets())
      if (i == id) name = n;
    c.row = [name, id](std::uint64_t) { return std::vector<Cell>{TextCell(name), NumberCell(std::to_string(id))}; };
  } else if (s.rfind("select username from sys.dba_users", 0) == 0) {
    c.query = true;
    c.command = 3;
    c.columns = {{"USERNAME", 1, 30}};
    std::vector<std::string> names;
    for (const FakeUser& u : options_.users) names.push_back(Upper(u.name));
    std::sort(names.begin(), names.end());
    c.rowCount = names.size();
    c.row = [names](std::uint64_t i) { return std::vector<Cell>{TextCell(names[i])}; };
  } else if (s == "select body from longs") {
    c.query = true;
    c.command = 3;
    c.columns = {{"BODY", 8, 0}};
    std::vector<std::string> bodies;
    for (const auto& [id, body] : longs_) bodies.push_back(body);
    c.rowCount = bodies.size();
    c.row = [bodies](std::uint64_t i) { return std::vector<Cell>{TextCell(bodies[i])}; };
  } else if (s.rfind("insert into longs", 0) == 0) {
    c.command = 2;
  } else if (s.rfind("alter session", 0) == 0) {
    c.command = 42;
  } else if (s.rfind("begin ", 0) == 0 || s.rfind("declare ", 0) == 0) {
    c.block = true;
    c.command = 47;
    c.sleeps = s.find("dbms_lock.sleep") != std::string::npos;
  } else {
    return Status(942, kNoTable, 0, 0);
  }
  return std::nullopt;
}

Bytes FakeOracleService::ExecuteDml(Cursor& c) {
  if (c.lower.rfind("insert into longs", 0) == 0) {
    if (c.binds.size() != 2) return Status(1008, "ORA-01008: not all variables bound");
    for (std::uint32_t i = 0; i < c.iterations && i < c.binds[0].values.size() && i < c.binds[1].values.size(); ++i)
      longs_[c.binds[0].values[i].text] = c.binds[1].values[i].text;
    options_.events->Note("long:" + std::to_string(c.binds[1].values.empty() ? 0 : c.binds[1].values[0].text.size()));
    return Status(0, {}, c.iterations, 2);
  }
  return Status(0, {}, 0, std::uint8_t(c.command));
}

Bytes FakeOracleService::RunBlock(Cursor& c) {
  if (c.sleeps) {
    interruptible_ = true;
    options_.events->Note("sleeping");
    return {};  // nothing until the client breaks
  }
  // Which binds the block assigns: ":x :=", "into :x".
  bool anyIn = false;
  const std::vector<std::string> names = ColonNames(c.lower);
  if (names.size() != c.binds.size()) return Status(1008, "ORA-01008: not all variables bound");
  const bool lobRead = c.lower.find("dbms_lob.read(") != std::string::npos;
  TtcOut o;
  o.Byte(11).Byte(0);
  if (options_.protocolVersion < 5) o.Byte(std::uint8_t(c.binds.size()));
  else o.Int(std::int64_t(c.binds.size()));
  o.Int(0).Int(0).Int(0);
  for (std::size_t i = 0; i < c.binds.size(); ++i) {
    Item& b = c.binds[i];
    b.name = names[i];
    b.out = c.lower.find(":" + b.name + " :=") != std::string::npos ||
            c.lower.find("into :" + b.name) != std::string::npos;
    b.in = !b.out;
    if (lobRead) {  // dbms_lob.read(lob, amount in out, offset, buffer out)
      b.in = b.name != "4";
      b.out = b.name == "2" || b.name == "4";
    }
    b.values.clear();
    anyIn = anyIn || b.in;
    o.Byte(std::uint8_t((b.in ? 0x20 : 0) | (b.out ? 0x10 : 0)));
  }
  if (anyIn) {
    awaitingValues_ = 1;
    for (const auto& [number, cursor] : cursors_)
      if (cursor.get() == &c) awaitingValues_ = number;
    return o.Data();
  }
  o.Raw(BlockResult(c));
  return o.Data();
}

Bytes FakeOracleService::BindValues(TtcIn& in) {
  const auto it = cursors_.find(awaitingValues_);
  if (it == cursors_.end()) throw Malformed("no cursor awaits values");
  Cursor& c = *it->second;
  std::vector<bool> which;
  for (const Item& b : c.binds) which.push_back(b.in);
  ReadValues(in, c, which);
  awaitingValues_ = 0;
  return BlockResult(c);
}

Bytes FakeOracleService::BlockResult(Cursor& c) {
  if (std::optional<Bytes> lob = LobBlock(c)) return *lob;
  auto in64 = [&](const std::string& name, std::uint32_t i) -> double {
    for (const Item& b : c.binds)
      if (b.name == name && i < b.values.size()) return std::stod(b.values[i].text.empty() ? "0" : b.values[i].text);
    return 0;
  };
  TtcOut o;
  std::uint32_t rows = 0;
  for (std::uint32_t i = 0; i < c.iterations; ++i) {
    o.Byte(7);
    for (Item& b : c.binds) {
      if (!b.out) continue;
      std::string value;
      if (c.lower.find("product_component_version") != std::string::npos) {
        value = "9.2.0.1.0";
      } else if (c.lower.find(" returning ") != std::string::npos && IsLobType(b.type)) {
        // A new empty LOB for the row, found again by its id.
        value = NewLob(b.type == 112, "");
        for (const Item& key : c.binds)
          if (key.name == "id" && i < key.values.size()) lobIds_[key.values[i].text] = value;
        ++rows;
      } else if (c.lower.find(" returning ") != std::string::npos) {
        value = std::to_string(nextKey_++);
        ++rows;
      } else {
        // ":r := :a + :b"
        const std::size_t assign = c.lower.find(" := "), plus = c.lower.find(" + ");
        const std::vector<std::string> operands = ColonNames(c.lower.substr(assign == std::string::npos ? 0 : assign));
        if (assign != std::string::npos && plus != std::string::npos && operands.size() == 2) {
          const double total = in64(operands[0], i) + in64(operands[1], i);
          value = total == double(std::int64_t(total)) ? std::to_string(std::int64_t(total)) : std::to_string(total);
        }
      }
      PutValue(o, b.type, value, options_.protocolVersion);
    }
  }
  options_.events->Note("block:" + c.sql);
  o.Raw(Status(0, {}, rows, 47));
  return o.Data();
}

std::optional<Bytes> FakeOracleService::LobBlock(Cursor& c) {
  const std::string& s = c.lower;
  const bool getLength = s.find("dbms_lob.getlength(") != std::string::npos;
  const bool trim = s.find("dbms_lob.trim(") != std::string::npos;
  const bool read = s.find("dbms_lob.read(") != std::string::npos;
  const bool write = s.find("dbms_lob.write(") != std::string::npos;
  const bool selectDoc = s.find("select doc into :doc from lobs") != std::string::npos;
  if (!getLength && !trim && !read && !write && !selectDoc) return std::nullopt;
  auto bind = [&](const std::string& name) -> const Item* {
    for (const Item& b : c.binds)
      if (b.name == name) return &b;
    return nullptr;
  };
  auto text = [&](const std::string& name) {
    const Item* b = bind(name);
    return b && !b->values.empty() ? b->values[0].text : std::string();
  };
  auto number = [&](const std::string& name) -> long long {
    const std::string t = text(name);
    return IsDecimal(t) && t.find('.') == std::string::npos && t.size() < 18 ? std::stoll(t) : -1;
  };
  TtcOut o;
  if (selectDoc) {
    const auto row = lobIds_.find(text("id"));
    const Item* doc = bind("doc");
    if (row == lobIds_.end() || !doc) return Status(1403, "ORA-01403: no data found");
    o.Byte(7);
    PutValue(o, doc->type, row->second, options_.protocolVersion);
    o.Raw(Status(0, {}, 1, 47));
    return o.Data();
  }
  const auto lob = lobs_.find(text(getLength ? "2" : "1"));
  if (lob == lobs_.end()) return Status(22275, "ORA-22275: invalid LOB locator specified");
  std::string& content = lob->second;
  const bool character = lob->first.back() == 'C';
  if (getLength) {
    o.Byte(7);
    PutValue(o, bind("1")->type, std::to_string(content.size()), options_.protocolVersion);
    options_.events->Note("dbms_lob.getlength:" + std::to_string(content.size()));
  } else if (trim) {
    const long long length = number("2");
    if (length < 0 || std::size_t(length) > content.size())
      return Status(22926, "ORA-22926: specified trim length is greater than current LOB value's length");
    content.resize(std::size_t(length));
    options_.events->Note("dbms_lob.trim:" + std::to_string(length));
  } else if (write) {
    const long long amount = number("2"), offset = number("3");
    const std::string data = text("4");
    if (amount < 0 || offset < 1 || std::size_t(amount) > data.size())
      return Status(21560, "ORA-21560: argument 2 is null, invalid, or out of range");
    const std::size_t at = std::size_t(offset - 1);
    if (content.size() < at) content.resize(at, character ? ' ' : '\0');
    content.replace(at, std::size_t(amount), data, 0, std::size_t(amount));
    options_.events->Note("dbms_lob.write:" + std::to_string(amount));
  } else {
    const long long amount = number("2"), offset = number("3");
    options_.events->Note("dbms_lob.read:" + std::to_string(amount));
    if (amount < 0 || offset < 1 || std::size_t(offset) > content.size())
      return Status(1403, "ORA-01403: no data found");
    const std::size_t n = std::min<std::size_t>(std::size_t(amount), content.size() - std::size_t(offset - 1));
    o.Byte(7);
    for (const Item& b : c.binds) {
      if (b.name == "2") PutValue(o, b.type, std::to_string(n), options_.protocolVersion);
      if (b.name == "4") PutValue(o, b.type, content.substr(std::size_t(offset - 1), n), options_.protocolVersion);
    }
  }
  o.Raw(Status(0, {}, 1, 47));
  return o.Data();
}

// The CPU time of the calling thread: what encoding costs the session's thread, whatever else
// the machine runs meanwhile (a wall clock would count the time other threads had the core).
static long long ThreadCpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

Bytes FakeOracleService::FetchRows(Cursor& c, std::uint32_t rows) {
  const long long start = ThreadCpuNanoseconds();
  TtcOut o;
  o.Byte(6).Byte(0);
  if (options_.protocolVersion < 5) o.Byte(std::uint8_t(c.defines.size()));
  else o.Int(std::int64_t(c.defines.size()));
  o.Int(0).Int(0).Int(0);
  std::uint32_t sent = 0;
  for (; sent < rows && c.fetched < c.rowCount; ++sent, ++c.fetched) {
    if (options_.hangUpAtRow == c.fetched + 1) {
      options_.events->Note("hang up");
      hangUp_ = true;
      return o.Data();  // the rows before it, and no end
    }
    const std::vector<Cell> cells = c.row(c.fetched);
    o.Byte(7);
    for (std::size_t i = 0; i < c.defines.size(); ++i) {
      const Cell& cell = i < cells.size() ? cells[i] : Cell{true, "", {}};
      const std::uint8_t type = c.defines[i].type;
      if (cell.null) o.Null();
      else if ((type == 2 || type == 12) && !cell.raw.empty()) o.Clr(cell.raw);
      else o.ClrText(cell.text);
      o.Int(0);
    }
  }
  const bool end = sent < rows;
  o.Raw(end ? Status(1403, "ORA-01403: no data found", std::uint32_t(c.fetched), 3)
            : Status(0, {}, std::uint32_t(c.fetched), 3));
  options_.events->AddEncoding(ThreadCpuNanoseconds() - start, sent);
  return o.Data();
}

Bytes FakeOracleService::DescribeOld(TtcIn& in) {
  const std::uint32_t number = std::uint32_t(in.Ub4());
  const std::uint64_t position = in.Ub4();
  in.Byte();
  in.Byte();
  if (in.Ub4() != 32) throw Malformed("old describe");
  in.Byte();
  in.Byte();
  if (in.Ub4() != 960) throw Malformed("old describe names");
  in.Byte();
  const auto found = cursors_.find(number);
  if (found == cursors_.end() || position < 1) throw Malformed("old describe cursor");
  const Cursor& c = *found->second;
  // Two columns per reply, so the client has to ask again.
  const std::size_t from = std::size_t(position - 1);
  const std::size_t count = std::min<std::size_t>(2, c.columns.size() - std::min(from, c.columns.size()));
  TtcOut o;
  o.Byte(8).Int(std::int64_t(c.columns.size())).Int(std::int64_t(count));
  std::string names;
  for (std::size_t i = from; i < from + count; ++i) {
    const Column& col = c.columns[i];
    o.Byte(col.type).Byte(0).Byte(col.precision);
    if (col.type == 2) o.Int(col.scale);
    else o.Byte(std::uint8_t(col.scale));
    o.Int(col.size).Int(0).Int(0);
    o.Byte(1).Byte(std::uint8_t(col.name.size()));
    names += col.name + ",";
  }
  o.Int(std::int64_t(names.size()));
  o.ClrText(names);
  o.Byte(9);
  options_.events->Note("describe43:" + std::to_string(position));
  return o.Data();
}

Bytes FakeOracleService::Describe(TtcIn& in) {
  if (in.Byte() != 7) throw Malformed("describe");
  const std::uint32_t number = std::uint32_t(in.Ub4());
  const bool sqlPresent = in.Byte() != 0;
  in.Ub4();
  in.Ub4();
  in.Byte();
  in.Byte();
  const std::string sql = sqlPresent ? in.ClrText() : std::string();
  const auto found = cursors_.find(number);
  // Describing a text before it runs: on no cursor, or one not parsed yet.
  Cursor described;
  if (sqlPresent && (found == cursors_.end() || found->second->sql.empty())) {
    if (std::optional<Bytes> refused = Parse(described, sql)) return *refused;
  } else if (found == cursors_.end()) {
    throw Malformed("describe cursor");
  }
  const Cursor& c = sqlPresent && (found == cursors_.end() || found->second->sql.empty()) ? described : *found->second;
  TtcOut o;
  o.Byte(8).Int(std::int64_t(c.columns.size()));
  for (const Column& col : c.columns) {
    o.Byte(col.type).Byte(0).Byte(col.precision);
    if (col.type == 2) o.Int(col.scale);
    else o.Byte(std::uint8_t(col.scale));
    o.Int(col.size).Int(0).Int(0);
    o.Int(0).Null().Int(0).Int(0).Byte(0);
    o.Byte(1).Byte(0);
    o.Int(std::int64_t(col.name.size())).ClrText(col.name);
    o.Int(0).Null();
    o.Int(0).Null();
  }
  o.Byte(9);
  options_.events->Note("describe:" + std::to_string(c.columns.size()));
  return o.Data();
}

}  // namespace ora::fake
