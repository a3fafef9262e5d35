#include "oracle/components/OraSession.h"

#include <algorithm>

#include "oracle/components/OraSQLMonitor.h"
#include "oracle/components/OraDataSet.h"
#include "oracle/components/OraParams.h"
#include "oracle/OraParser.h"
#include "oracle/OraConsts.h"
#include "oracle/OraProps.h"
#include "oracle/client/OciBackEnd.h"
#include "oracle/components/OraSQL.h"

namespace ora {

using da::Variant;

namespace {
TOraSession* defaultSession = nullptr;

// Disconnects every listed session; a session that fails to disconnect is gone all the same.
void DisconnectAll() {
  for (TOraSession* s : Sessions().Snapshot()) {
    try {
      s->Disconnect();
    } catch (...) {
    }
  }
}
}  // namespace

bool DefaultSessionFallback = true;

TSessionList& Sessions() {
  static TSessionList list;
  return list;
}

TOraSession* DefaultSession() { return defaultSession; }

int TSessionList::Count() const {
  plat::MutexLock hold(lock_);
  return static_cast<int>(items_.size());
}

TOraSession* TSessionList::Items(int index) const {
  plat::MutexLock hold(lock_);
  return index >= 0 && index < static_cast<int>(items_.size()) ? items_[static_cast<std::size_t>(index)] : nullptr;
}

std::vector<TOraSession*> TSessionList::Snapshot() const {
  plat::MutexLock hold(lock_);
  return items_;
}

void TSessionList::Add(TOraSession* session) {
  plat::MutexLock hold(lock_);
  items_.push_back(session);
}

void TSessionList::Remove(TOraSession* session) {
  plat::MutexLock hold(lock_);
  items_.erase(std::remove(items_.begin(), items_.end(), session), items_.end());
}

// ---- TOraSessionOptions ----

TOraSessionOptions::TOraSessionOptions(TOraSession* owner) : da::TDAConnectionOptions(owner) {}

TOraSession& TOraSessionOptions::Session() const { return static_cast<TOraSession&>(*Owner()); }

void TOraSessionOptions::SetUseOCI7(bool value) {
  if (value == useOCI7_) return;
  Session().Disconnect();
  useOCI7_ = value;
  Session().ApplyCallStyle();
}

void TOraSessionOptions::SetNet(bool value) {
  if (value == net_) return;
  IOciBackEnd* const net = NetClient();
  if (value && !net) RaiseError(SCannotInitNet);  // the program has not handed the network client over
  IOciBackEnd& from = net_ && net ? *net : ClientLibrary();
  IOciBackEnd& to = value ? *net : ClientLibrary();
  Session().Disconnect();
  DisconnectAll();
  FreeOCI();
  from.Finish();
  to.Init();
  for (TOraSession* s : Sessions().Snapshot()) {
    s->Options().net_ = value;
    s->ApplyCallStyle();
  }
  net_ = value;
  Session().ApplyCallStyle();
}

void TOraSessionOptions::SetEnableIntegers(bool value) {
  enableIntegers_ = value;
  Session().OCIConnection().SetProp(prEnableIntegers, Variant(value));
}

namespace {
std::string TextProp(TOraSession& session, int id) {
  da::TPropValue value;
  session.OCIConnection().GetProp(id, value);
  std::string text = value.IsEmptyOrNull() ? std::string() : value.AsString();
  if (text.size() > 40) text.resize(40);
  return text;
}
}  // namespace

std::string TOraSessionOptions::Charset() const { return TextProp(Session(), prCharset); }
void TOraSessionOptions::SetCharset(const std::string& value) {
  Session().OCIConnection().SetProp(prCharset, Variant(value));
}
int TOraSessionOptions::CharLength() const {
  da::TPropValue value(0);
  Session().OCIConnection().GetProp(prCharLength, value);
  return value.AsInteger();
}
void TOraSessionOptions::SetCharLength(int value) {
  Session().OCIConnection().SetProp(prCharLength, Variant(static_cast<std::int32_t>(value & 0x7F)));
}
std::string TOraSessionOptions::DateFormat() const { return TextProp(Session(), prDateFormat); }
void TOraSessionOptions::SetDateFormat(const std::string& value) {
  Session().OCIConnection().SetProp(prDateFormat, Variant(value));
}
std::string TOraSessionOptions::DateLanguage() const { return TextProp(Session(), prDateLanguage); }
void TOraSessionOptions::SetDateLanguage(const std::string& value) {
  Session().OCIConnection().SetProp(prDateLanguage, Variant(value));
}
int TOraSessionOptions::ConnectTimeout() const { return Session().OCIConnection().ConnectTimeoutMs; }
void TOraSessionOptions::SetConnectTimeout(int milliseconds) {
  Session().OCIConnection().SetProp(prConnectTimeout, Variant(static_cast<std::int32_t>(milliseconds)));
}
int TOraSessionOptions::ReceiveTimeout() const { return Session().OCIConnection().ReceiveTimeoutMs; }
void TOraSessionOptions::SetReceiveTimeout(int milliseconds) {
  Session().OCIConnection().SetProp(prReceiveTimeout, Variant(static_cast<std::int32_t>(milliseconds)));
}
bool TOraSessionOptions::ConvertEOL() const { return Session().ConvertEOL(); }
void TOraSessionOptions::SetConvertEOL(bool value) { Session().SetConvertEOL(value); }

void TOraSessionOptions::AssignTo(da::TDAConnectionOptions& dest) const {
  da::TDAConnectionOptions::AssignTo(dest);
  auto* d = dynamic_cast<TOraSessionOptions*>(&dest);
  if (!d) return;
  d->NeverConnect = NeverConnect;
  d->SetUseOCI7(useOCI7_);
  d->SetCharset(Charset());
  d->SetCharLength(CharLength());
  d->SetDateFormat(DateFormat());
  d->SetDateLanguage(DateLanguage());
  d->SetConnectTimeout(ConnectTimeout());
  d->SetReceiveTimeout(ReceiveTimeout());
}

// ---- TOraSession ----

TOraSession::TOraSession() {
  Options();  // the options before the server connection, which reads them
  IConnection();
  if (!defaultSession) defaultSession = this;
  if (TOraSession* first = Sessions().Items(0)) {
    home_ = first->home_;
    Options().net_ = first->Options().net_;
    ApplyCallStyle();
  }
  Sessions().Add(this);
}

TOraSession::~TOraSession() {
  try {
    Disconnect();
  } catch (...) {
    // A destructor cannot report; the base frees the server connection in any case.
  }
  sql_.reset();
  Sessions().Remove(this);
  if (defaultSession == this) {
    defaultSession = Sessions().Items(0);
    if (!defaultSession && Options().Net()) {
      FreeOCI();
      if (IOciBackEnd* net = NetClient()) net->Finish();
    }
  }
}

void TOraSession::CreateIConnection() {
  auto connection = std::make_unique<TOCIConnection>();
  connection->ThreadSafety = threadSafety_;
  connection->ConnectMode = connectMode_;
  connection->EnableIntegers = Options().EnableIntegers();
  SetIConnection(std::move(connection));
  IConnection()->SetEventProp(da::prOnError, da::TEventMethod([this](const da::EDAError& e, bool& fail) {
    OnServerError(e, fail);
  }));
  OCIConnection().SetWarningHandler([this](const std::string& text) {
    if (OnWarning) OnWarning(*this, text);
  });
  ApplyCallStyle();
}

void TOraSession::OnServerError(const da::EDAError& error, bool& fail) {
  // The logoff itself fails the same way on a lost connection: that error is not reported again.
  if (endingSession_) return;
  if (IsFatalError(error) && OCIConnection().GetConnected()) {
    // The server session is gone: its handles are given back now, while the clients' objects
    // stay as they are until the failing call has unwound (FinishLostConnection).
    lost_ = true;
    endingSession_ = true;
    try {
      OCIConnection().Disconnect();
    } catch (...) {
      // The server cannot hear the logoff; the connection is closed on this side all the same.
    }
    endingSession_ = false;
  }
  // The connection reads as closed now, so the base's own disconnect for a fatal error has
  // nothing left to do: it reports the error and runs OnError. The clients are not told from in
  // here, where the failing call is still on the stack.
  reportingError_ = true;
  try {
    DoError(error, fail);
  } catch (...) {
    reportingError_ = false;
    throw;
  }
  reportingError_ = false;
}

void TOraSession::FinishLostConnection() {
  if (!lost_) return;
  lost_ = false;
  transactionId_.clear();
  try {
    SendConnectEvent(false);
  } catch (...) {
    // Each client closes what it can; the session is gone in any case.
  }
  if (OnConnectChange) OnConnectChange(*this, false);
}

TOCIConnection& TOraSession::OCIConnection() { return static_cast<TOCIConnection&>(*IConnection()); }

void TOraSession::BreakExec() {
  if (Connected()) OCIConnection().BreakExec();
}

void TOraSession::ApplyCallStyle() {
  std::uint8_t style = OCICallStyle;
  if (Options().Net()) {
    style = OCI80;
  } else if (Options().UseOCI7()) {
    style = OCI73;
  }
  OCIConnection().SetCallStyle(style);
}

void TOraSession::SetDebug(bool value) {
  debug_ = value;
  if (sql_) sql_->Debug = value;
}

void TOraSession::SetThreadSafety(bool value) {
  threadSafety_ = value;
  OCIConnection().SetProp(prThreadSafety, Variant(value));
}

void TOraSession::SetConnectMode(TConnectMode value) {
  connectMode_ = value;
  OCIConnection().SetProp(prConnectMode, Variant(static_cast<std::int32_t>(value)));
}

void TOraSession::SetHome(TOracleHome value) {
  if (value != OracleHome) {
    Disconnect();
    DisconnectAll();
    if (OCILoaded()) FreeOCI();
    OracleHome = value;
    for (TOraSession* s : Sessions().Snapshot()) {
      s->home_ = value;
      s->OCIConnection().SetCallStyle(s->Options().UseOCI7() ? OCI73 : 0);
    }
  }
  home_ = value;
}

std::string TOraSession::GetConnectString() const {
  std::string text = Username();
  if (!Password().empty()) text += "/" + Password();
  if (!Server().empty()) text += "@" + Server();
  return text;
}

void TOraSession::SetConnectString(const std::string& value) {
  if (value == GetConnectString()) return;
  Disconnect();
  // The server part may hold "/" itself (host:port/service): only a "/" before the "@" ends
  // the user name.
  const std::size_t at = value.find('@');
  const std::size_t slash = value.substr(0, at).find('/');
  std::string user, password, server;
  if (slash != std::string::npos) {
    user = value.substr(0, slash);
    password = value.substr(slash + 1, at == std::string::npos ? std::string::npos : at - slash - 1);
  } else {
    user = value.substr(0, at);
  }
  if (at != std::string::npos) server = value.substr(at + 1);
  SetUsername(user);
  SetPassword(password);
  SetServer(server);
}

TOraSQL& TOraSession::InternalSQL() {
  if (!sql_) {
    sql_ = std::make_unique<TOraSQL>();
    sql_->SetSession(this);
    sql_->Debug = debug_;
  }
  return *sql_;
}

Variant TOraSession::ExecSQL(const std::string& text, const std::vector<Variant>& params) {
  TOraSQL& sql = InternalSQL();
  sql.SetSQL(std::string());  // the same text again is parsed again
  sql.SetSQL(text);
  TOraParams& list = sql.Params();
  for (int i = 0; i < list.Count(); ++i) {
    if (i < static_cast<int>(params.size())) {
      list.Items(i).SetValue(params[static_cast<std::size_t>(i)]);
    } else {
      list.Items(i).Clear();
    }
  }
  TOraParam* result = list.FindParam("Result");
  if (result && result->DataType() == da::ftUnknown) result->SetDataType(da::ftString);
  sql.Execute();
  result = sql.Params().FindParam("Result");
  return result ? result->Value() : Variant::Null();
}

void TOraSession::StartTransaction() {
  da::TCustomDAConnection::StartTransaction();
  transactionId_ = ExecSQL("begin  :result := sys.dbms_transaction.local_transaction_id(true); end;").AsString();
}

bool TOraSession::InTransaction() {
  if (transactionId_.empty()) return false;
  // While disconnecting the server is not asked: it may be gone, and the disconnect must happen.
  if (disconnecting_) return true;
  const Variant id = ExecSQL("begin  :result := sys.dbms_transaction.local_transaction_id; end;");
  const std::string now = id.IsEmptyOrNull() ? std::string() : id.AsString();
  if (now == transactionId_) return true;
  transactionId_.clear();
  OCIConnection().SetProp(da::prAutoCommit, Variant(AutoCommit()));
  return false;
}

void TOraSession::Savepoint(const std::string& name) {
  TOraSQLMonitor::Savepoint(*this, name);
  ExecSQL("SAVEPOINT " + name);
}

void TOraSession::RollbackToSavepoint(const std::string& name) {
  TOraSQLMonitor::RollbackToSavepoint(*this, name);
  ExecSQL("ROLLBACK TO SAVEPOINT " + name);
}

bool TOraSession::IsFatalError(const da::EDAError& error) const {
  switch (error.ErrorCode()) {
    case 28: case 1012: case 3113: case 3114: case 12203: case 12571: return true;
    default: return false;
  }
}

std::string TOraSession::ServerVersion() { return OCIConnection().GetServerVersion(); }

da::TSQLMonitorClass TOraSession::SQLMonitorClass() const { return &TOraSQLMonitor::GetMonitor; }

std::unique_ptr<da::TCustomDADataSet> TOraSession::CreateDataSet() {
  auto ds = std::make_unique<TOraDataSet>();
  ds->SetSession(this);
  return ds;
}

std::unique_ptr<da::TCustomDASQL> TOraSession::CreateSQL() {
  auto sql = std::make_unique<TOraSQL>();
  sql->SetSession(this);
  return sql;
}

void TOraSession::SetConnected(bool value) {
  if (Loading() && Options().NeverConnect) return;
  if (!reportingError_) FinishLostConnection();
  da::TCustomDAConnection::SetConnected(value);
}

void TOraSession::DoConnect() {
  if (!Options().Net()) SetHome(home_);
  da::TCustomDAConnection::DoConnect();
  if (OnConnectChange) OnConnectChange(*this, true);
}

void TOraSession::DoDisconnect() {
  disconnecting_ = true;
  try {
    da::TCustomDAConnection::DoDisconnect();
  } catch (...) {
    disconnecting_ = false;
    if (OnConnectChange) OnConnectChange(*this, false);
    throw;
  }
  disconnecting_ = false;
  if (OnConnectChange) OnConnectChange(*this, false);
}

void TOraSession::AssignTo(TOraSession& dest) {
  da::TCustomDAConnection::AssignTo(dest);
  dest.SetHome(home_);
  Options().AssignTo(dest.Options());
}

void TOraSession::GetCompileErrors(const std::string& sql, std::string& text) {
  TOraParser parser(sql.c_str());
  parser.OmitComment = true;
  std::string lexem, type, name;
  if (parser.GetNext(lexem) != lxCREATE) return;
  int code = parser.GetNext(lexem);
  if (code == lxOR) {
    if (parser.GetNext(lexem) != lxREPLACE) return;
    code = parser.GetNext(lexem);
  }
  if (code != lxPROCEDURE && code != lxFUNCTION && code != lxTRIGGER && code != lxPACKAGE && code != lxTYPE) return;
  type = lexem;
  code = parser.GetNext(name);
  if (type == "PACKAGE" && code == lxBODY) {
    type = "PACKAGE BODY";
    parser.GetNext(name);
  }
  if (parser.GetNext(lexem) == lxDot) parser.GetNext(name);
  static const char* const kLines[] = {
      "declare", "CURSOR Cur IS", "SELECT Line,Position,Text", "FROM User_Errors",
      "WHERE Name = :Name and Type = :Type", "ORDER BY Sequence;", "Rec User_Errors%ROWTYPE;", "StartPos INTEGER;",
      "EndPos INTEGER;", "begin", ":Res := '';", "for Rec in Cur loop",
      ":Res := :Res || RPad(Rec.Line || '/' || Rec.Position, 8);", "StartPos := 1;", "EndPos := 1;",
      "while EndPos > 0 and StartPos <= Length(Rec.Text) loop", "EndPos := InStr(Rec.Text, Chr(10), StartPos);",
      "if EndPos > 0 then", "if EndPos <> StartPos then", "if StartPos > 1 then", ":Res := :Res || RPad(' ', 10);",
      "end if;", ":Res := :Res || LTrim(SubStr(Rec.Text, StartPos, EndPos - StartPos)) || Chr(13);", "end if;",
      "else", "if StartPos > 1 then", ":Res := :Res || RPad(' ', 10);", "end if;",
      ":Res := :Res || LTrim(SubStr(Rec.Text, StartPos)) || Chr(13);", "end if;", "StartPos := EndPos + 1;",
      "end loop;", "end loop;", "end;"};
  std::string block;
  for (const char* line : kLines) {
    if (!block.empty()) block += '\r';
    block += line;
  }
  TOraSQL& internal = InternalSQL();
  const bool debug = internal.Debug;
  internal.Debug = false;
  try {
    internal.SetSQL(std::string());
    internal.SetSQL(block);
    TOraParam& res = internal.ParamByName("Res");
    res.SetDataType(da::ftString);
    res.ParamType = da::ptInputOutput;
    res.SetValue(Variant(std::string()));
    internal.ParamByName("Name").SetAsString(name);
    internal.ParamByName("Type").SetAsString(type);
    internal.Execute();
  } catch (...) {
    internal.Debug = debug;
    throw;
  }
  internal.Debug = debug;
  text = internal.ParamByName("Res").AsString();
  if (text.empty()) text = "No errors";
}

}  // namespace ora
