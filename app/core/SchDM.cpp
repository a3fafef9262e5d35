#include "app/core/SchDM.h"

#include <cctype>
#include <charconv>
#include <exception>
#include <utility>

#include "foundation/expr/OlvMacro.h"
#include "foundation/text/Comments.h"
#include "foundation/text/TextFields.h"
#include "foundation/text/TextServices.h"
#include "app/core/OracleClient.h"
#include "platform/Registry.h"

namespace sch {

const char* const TDM::kValidCharsetsSQL =
    "select value,NLS_CHARSET_ID(value) ID from V$NLS_VALID_VALUES where parameter='CHARACTERSET' order by ID";
const char* const TDM::kCharsetIdSQL = "SELECT NLS_CHARSET_ID(:NAME) ID FROM DUAL";
const char* const TDM::kCharsetNameSQL = "SELECT NLS_CHARSET_NAME(:ID) NAME FROM DUAL";
const char* const TDM::kDBCharsetSQL =
    "SELECT VALUE$ NAME,NLS_CHARSET_ID(VALUE$) ID FROM SYS.PROPS$ WHERE NAME='NLS_CHARACTERSET'";
const char* const TDM::kUsersSQL = "SELECT USERNAME FROM SYS.DBA_USERS ORDER BY USERNAME";
const char* const TDM::kTablesSQL =
    "SELECT OBJECT_NAME FROM ALL_OBJECTS WHERE OWNER=:OWNER AND OBJECT_TYPE='TABLE' ORDER BY OBJECT_NAME";

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A field's text as a whole number; nothing when it is not one.
bool ToInt(const std::string& text, long long& value) {
  const std::string t = olv::TrimRightBlank(olv::TrimLeftBlank(text));
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  auto [p, ec] = std::from_chars(t.data(), end, value);
  return ec == std::errc() && p == end;
}

std::string StoredClientCharset() { return DetectOracleClientOf(plat::Registry::Default()).CharSet; }

}  // namespace

TDM::TDM(std::unique_ptr<TDMLink> link, std::function<std::string()> clientCharset)
    : link_(std::move(link)), clientCharset_(std::move(clientCharset)) {
  if (!clientCharset_) clientCharset_ = StoredClientCharset;
}

TDM::~TDM() {
  try {
    if (link_ && link_->Connected()) link_->Disconnect();
  } catch (const std::exception&) {
    // Logging off a broken connection has nothing left to tell anyone.
  }
}

void TDM::Connect(const std::string& user, const std::string& password, const std::string& server) {
  if (user.empty()) return;
  if (link_->Connected() && Upper(link_->Server()) == Upper(server) && Upper(link_->Username()) == Upper(user)) return;
  login_ = {user, password, server};
  hasLogin_ = true;
  link_->Connect(login_, IsNetServer(server), clientCharset_());
}

bool TDM::Connected() const { return link_->Connected(); }

void TDM::Disconnect() { link_->Disconnect(); }

void TDM::Reconnect() {
  if (!hasLogin_) return;
  link_->Connect(login_, IsNetServer(login_.server), clientCharset_());
}

std::string TDM::PrepareSQL(const std::string& text) {
  std::string s = text;
  olv::StripComments(s);
  s = olv::CurrentMacros().Expanded(s);
  return olv::TrimRightBlank(olv::TrimLeftBlank(s));
}

std::vector<std::string> TDM::SplitScript(const std::string& prepared) {
  std::vector<std::string> pieces;
  olv::SplitToStrings(prepared, ";", pieces);
  std::vector<std::string> statements;
  for (auto& p : pieces) {
    std::string s = olv::TrimRightBlank(p);
    if (!s.empty()) statements.push_back(std::move(s));
  }
  return statements;
}

TDMRows TDM::Rows(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) {
  return link_->Open(PrepareSQL(sql), params, fields);
}

bool TDM::OpenQuery(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields,
                    TDMRows& rows) {
  rows.clear();
  try {
    rows = Rows(sql, params, fields);
    return true;
  } catch (const std::exception&) {
    rows.clear();
    return false;
  }
}

void TDM::ExecScript(const std::string& script) {
  for (const std::string& statement : SplitScript(PrepareSQL(script))) link_->ExecSQL(statement, {});
}

bool TDM::GetValidCharsets(std::vector<std::string>& list) {
  TDMRows rows;
  if (!OpenQuery(kValidCharsetsSQL, {}, {"value"}, rows)) return false;
  list.clear();
  for (auto& r : rows) list.push_back(std::move(r.at(0)));
  return true;
}

int TDM::GetCharsetId(const std::string& name) {
  TDMRows rows;
  long long id = 0;
  if (!OpenQuery(kCharsetIdSQL, {{"NAME", name}}, {"ID"}, rows) || rows.empty() || !ToInt(rows[0].at(0), id))
    return 0;
  // Character-set ids are 16-bit wherever they are kept (dump headers, the session).
  return id > 0 && id <= 0xFFFF ? static_cast<int>(id) : 0;
}

std::string TDM::GetCharsetName(int id) {
  TDMRows rows;
  if (!OpenQuery(kCharsetNameSQL, {{"ID", std::to_string(id)}}, {"NAME"}, rows) || rows.empty()) return {};
  return rows[0].at(0);
}

bool TDM::GetDBCharset(std::uint16_t& id, std::string& name) {
  TDMRows rows;
  long long value = 0;
  if (!OpenQuery(kDBCharsetSQL, {}, {"ID", "NAME"}, rows) || rows.empty() || !ToInt(rows[0].at(0), value))
    return false;
  id = static_cast<std::uint16_t>(value);
  name = rows[0].at(1);
  return true;
}

std::vector<std::string> TDM::Users() {
  std::vector<std::string> users;
  for (auto& r : Rows(kUsersSQL, {}, {"USERNAME"})) users.push_back(std::move(r.at(0)));
  return users;
}

std::vector<std::string> TDM::Tables(const std::string& owner) {
  std::vector<std::string> tables;
  for (auto& r : Rows(kTablesSQL, {{"OWNER", owner}}, {"OBJECT_NAME"})) tables.push_back(std::move(r.at(0)));
  return tables;
}

}  // namespace sch
