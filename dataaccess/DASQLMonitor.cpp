#include "dataaccess/DASQLMonitor.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "dataaccess/DAConnection.h"
#include "dataaccess/Params.h"
#include "platform/Registry.h"

namespace da {

TSQLMonitorClientFactory SQLMonitorClientFactory;
std::function<std::shared_ptr<IQuelmon>()> QuelmonFactory;
plat::Registry* QuelmonRegistry = nullptr;
TDebugDialogProc DebugDialogProc = nullptr;

namespace {

const char* const kFieldTypeNames[] = {
    "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date", "Time",
    "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle",
    "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "ADT", "Array", "Reference", "DataSet",
    "OraBlob", "OraClob", "Variant", "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};

std::string Hex8(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%08" PRIXPTR, reinterpret_cast<std::uintptr_t>(p));
  return text;
}

std::string ObjectName(const TDAComponent* object) {
  if (!object) return std::string();
  if (!object->Name.empty()) return object->Name;
  return object->ClassName() + " ($" + Hex8(object) + ")";
}

// The length of a value as the monitor shows it (blob bytes or text characters).
std::size_t ValueLength(const Variant& v) {
  if (v.IsEmptyOrNull()) return 0;
  if (v.IsByteArray()) return v.AsBytes().size();
  return v.AsString().size();
}

}  // namespace

TCustomDASQLMonitor::TCustomDASQLMonitor(bool activateNow) {
  if (activateNow) SetActive(requested_);
}

TCustomDASQLMonitor::~TCustomDASQLMonitor() {
  try {
    SetActive(false);
  } catch (...) {
    // A destructor cannot report; the outlets are released below in any case.
  }
}

void TCustomDASQLMonitor::SetActive(bool value) {
  requested_ = value;
  if (value == active_) return;
  if (value) {
    Activate();
  } else {
    Deactivate();
  }
}

void TCustomDASQLMonitor::Activate() {
  if (options_ & MonitorBit(moSQLMonitor)) RegisterSQLMonitor();
  active_ = true;
  if (options_ & MonitorBit(moQuelmon)) {
    quelmon_ = GetQuelmon();
    if (quelmon_) quelmon_->SetCaption(GetCaption());
  }
}

void TCustomDASQLMonitor::Deactivate() {
  if (options_ & MonitorBit(moSQLMonitor)) UnregisterSQLMonitor();
  quelmon_.reset();
  active_ = false;
}

void TCustomDASQLMonitor::SetOptions(TMonitorOptions value) {
  if (!active_) {
    options_ = value;
    return;
  }
  Deactivate();
  options_ = value;
  Activate();
}

void TCustomDASQLMonitor::RegisterSQLMonitor() {
  // Only the monitor its class names registers, and only once.
  if (client_ || MonitorClass()() != this || !SQLMonitorClientFactory) return;
  client_ = SQLMonitorClientFactory(GetAppName(), [this](TDATraceFlags flags) { TraceFlags = flags; });
}

void TCustomDASQLMonitor::UnregisterSQLMonitor() { client_.reset(); }

TCustomDASQLMonitor* TCustomDASQLMonitor::Live(TSQLMonitorClass cls) {
  TCustomDASQLMonitor* monitor = cls ? cls() : nullptr;
  // A monitor whose activation waited (created while loading) becomes active on first use.
  if (monitor) monitor->SetActive(monitor->requested_);
  return monitor;
}

std::string TCustomDASQLMonitor::GetParamDataType(const TParam& param) const {
  const TFieldType type = param.DataType();
  std::string name = type < std::size(kFieldTypeNames) ? kFieldTypeNames[type] : std::string();
  if (type == ftString || type == ftFixedChar || type == ftWideString)
    name += "[" + std::to_string(ValueLength(param.Value())) + "]";
  return name;
}

std::string TCustomDASQLMonitor::GetParamParamType(const TParam& param) const {
  switch (param.ParamType) {
    case ptInput: return "IN";
    case ptOutput: return "OUT";
    case ptInputOutput: return "IN/OUT";
    case ptResult: return "RESULT";
    default: return std::string();
  }
}

std::string TCustomDASQLMonitor::GetParamValue(const TParam& param) const {
  const Variant value = param.Value();
  if (param.IsNull()) return "<NULL>";
  switch (param.DataType()) {
    case ftDate: return Variant::Date(std::floor(value.AsDate())).AsString();
    case ftBlob: case ftMemo: case ftBytes: case ftVarBytes:
      return "<BLOB:" + std::to_string(ValueLength(value)) + ">";
    case ftCursor: return "<CURSOR>";
    case ftString: case ftDateTime: case ftFixedChar: return "'" + value.AsString() + "'";
    default: return value.AsString();
  }
}

std::string TCustomDASQLMonitor::ParamLines(const TParams* params) const {
  std::string lines;
  if (!params) return lines;
  for (int i = 0; i < params->Count(); ++i) {
    const TParam& p = params->Items(i);
    const std::string type = GetParamDataType(p), dir = GetParamParamType(p), value = GetParamValue(p);
    lines += ":" + p.Name;
    if (!type.empty() || !dir.empty())
      lines += "(" + type + (!type.empty() && !dir.empty() ? "," : "") + dir + ")";
    if (!value.empty()) lines += "=" + value;
    lines += " \r\n";
  }
  return lines;
}

std::string TCustomDASQLMonitor::Tag(const TDAComponent* object) const {
  if (!(options_ & MonitorBit(moHandled)) || !object) return std::string();
  std::string tag = " [" + object->Name + "$" + Hex8(object);
  if (const TCustomDAConnection* connection = object->MonitorConnection())
    tag += "; " + connection->Name + "$" + Hex8(connection);
  return tag + "] ";
}

void TCustomDASQLMonitor::Deliver(TQuelmonMessage& message, TDATraceFlag flag, const std::string* monitorText,
                                  const std::string& customText, const TDAComponent* sender, int& messageID) {
  if (monitorText && !message.After && (options_ & MonitorBit(moSQLMonitor)) && client_ &&
      (TraceFlags & TraceBit(flag)))
    client_->SendText(*monitorText);
  if ((options_ & MonitorBit(moQuelmon)) && quelmon_) {
    message.MessageID = message.After ? messageID : 0;
    const int id = quelmon_->Event(message);
    if (!message.After) messageID = id;
  }
  if (!message.After && (options_ & MonitorBit(moCustom)) && OnSQL) OnSQL(sender, customText, flag);
}

void TCustomDASQLMonitor::StatementEvent(bool execute, const TDAComponent& object, const std::string& sql,
                                         const TParams* params, const std::string& caption, int& messageID,
                                         bool after) {
  const TDATraceFlag flag = execute ? tfQExecute : tfQPrepare;
  const std::string head = execute ? "SQL Execute" : "SQL Prepare";
  const std::string lines = ParamLines(params);
  if (!after && (options_ & MonitorBit(moDialog)) && DebugDialogProc &&
      (!(options_ & MonitorBit(moCustom)) || object.MonitorDebug()))
    DebugDialogProc(MonitorClass(), object, sql, execute ? (caption.empty() ? "Execute" : caption) : "Prepare",
                    params);
  const std::string tag = Tag(&object);
  if (!after && (options_ & MonitorBit(moSQLMonitor)) && client_ && (TraceFlags & TraceBit(flag))) {
    client_->SendText(head + (execute && !caption.empty() ? " [" + caption + "]" : "") + tag + ": " + sql);
    if (!lines.empty() && (TraceFlags & TraceBit(tfParams))) client_->SendText(lines);
  }
  TQuelmonMessage message;
  message.Event = execute ? qeExecute : qePrepare;
  message.After = after;
  message.Object = &object;
  message.Connection = object.MonitorConnection();
  message.ObjectName = ObjectName(&object);
  message.ConnectionName = ObjectName(message.Connection);
  message.Text = head + tag + ": " + sql + "\r\n" + lines;
  message.SQL = sql;
  if (params)
    for (int i = 0; i < params->Count(); ++i) {
      const TParam& p = params->Items(i);
      message.Params.push_back({p.Name, GetParamDataType(p), GetParamParamType(p), GetParamValue(p)});
    }
  message.RowsAffected = object.MonitorRowsAffected();
  const std::string custom = lines.empty() ? sql : sql + "\r\n" + lines;
  // The SQL monitor was served above, with its own texts.
  Deliver(message, flag, nullptr, custom, &object, messageID);
}

void TCustomDASQLMonitor::ConnectionEvent(TQuelmonEvent event, const std::string& what, TDATraceFlag flag,
                                          const TCustomDAConnection& connection, bool after, int& messageID) {
  const std::string text = what + ": " + connection.Username() + "@" + connection.Server() + Tag(&connection);
  TQuelmonMessage message;
  message.Event = event;
  message.After = after;
  message.Object = &connection;
  message.Connection = &connection;
  message.ObjectName = message.ConnectionName = ObjectName(&connection);
  message.Text = text;
  if (event == qeConnect)
    message.ConnectInfo = "Username = " + connection.Username() + "\r\nServer = " + connection.Server();
  Deliver(message, flag, &text, text, &connection, messageID);
}

void TCustomDASQLMonitor::SQLPrepare(TSQLMonitorClass cls, const TDAComponent& object, const std::string& sql,
                                     const TParams* params, int& messageID, bool after) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->StatementEvent(false, object, sql, params, std::string(), messageID, after);
}

void TCustomDASQLMonitor::SQLExecute(TSQLMonitorClass cls, const TDAComponent& object, const std::string& sql,
                                     const TParams* params, const std::string& caption, int& messageID,
                                     bool after) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->StatementEvent(true, object, sql, params, caption, messageID, after);
}

void TCustomDASQLMonitor::DBConnect(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after,
                                    int& messageID) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->ConnectionEvent(qeConnect, "Connect", tfConnect, connection, after, messageID);
}

void TCustomDASQLMonitor::DBDisconnect(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after,
                                       int& messageID) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->ConnectionEvent(qeDisconnect, "Disconnect", tfConnect, connection, after, messageID);
}

void TCustomDASQLMonitor::TRCommit(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after,
                                   int& messageID) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->ConnectionEvent(qeCommit, "Commit", tfTransact, connection, after, messageID);
}

void TCustomDASQLMonitor::TRRollback(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after,
                                     int& messageID) {
  if (TCustomDASQLMonitor* m = Live(cls); m && m->active_)
    m->ConnectionEvent(qeRollback, "Rollback", tfTransact, connection, after, messageID);
}

void TCustomDASQLMonitor::DBError(TSQLMonitorClass cls, const EDAError& error) {
  TCustomDASQLMonitor* m = Live(cls);
  if (!m || !m->active_) return;
  const std::string text = std::string("Error: ") + error.what();
  TQuelmonMessage message;
  message.Event = qeError;
  message.Text = text;
  int id = 0;
  m->Deliver(message, tfError, &text, text, nullptr, id);
}

std::shared_ptr<IQuelmon> GetQuelmon() {
  if (QuelmonFactory) return QuelmonFactory();
  plat::Registry& registry = QuelmonRegistry ? *QuelmonRegistry : plat::Registry::Default();
  const std::string key = "CLSID\\{89F49E65-F6E0-11D6-9038-00C02631BDC7}\\InprocServer32";
  // A registered monitor would be reached through COM, which this platform has not.
  if (registry.KeyExists(plat::Registry::kClassesRoot, key)) return nullptr;
  const auto self = registry.GetValue(plat::Registry::kCurrentUser, "Software\\Vantrel\\Quelmon", "Self");
  std::error_code ec;
  if (self && !self->data.empty() && std::filesystem::is_regular_file(self->data, ec))
    throw Exception("Current Quelmon version is out of date. Please update.");
  return nullptr;
}

}  // namespace da
