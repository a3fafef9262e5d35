#include "oracle/server/OraConnection.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "dataaccess/DataSet.h"
#include "oracle/client/OciBackEnd.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/OraConsts.h"
#include "oracle/OraProps.h"
#include "oracle/server/OraRecordSet.h"

namespace ora {

namespace {

// A text handed to the library, which reads it only.
OraText* Text(std::string& s) { return reinterpret_cast<OraText*>(s.data()); }

std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) < 33) s.pop_back();
  return s;
}

int NlsIndexOf(int prop) {
  switch (prop) {
    case prDateLanguage: return kNlsDateLanguage;
    case prDateFormat: return kNlsDateFormat;
    case prTimeStampFormat: return kNlsTimeStampFormat;
    case prTimeStampTZFormat: return kNlsTimeStampTZFormat;
    default: return -1;
  }
}

std::uint16_t CallStyleBit(std::uint8_t style) {
  return style == OCI73 ? csOCI7 : style == OCI80 ? csOCI8 : 0;
}

}  // namespace

std::string ParseServerVersion(const std::string& banner) {
  for (std::size_t dot = banner.find('.'); dot != std::string::npos; dot = banner.find('.', dot + 1)) {
    if (dot == 0 || !std::isdigit(static_cast<unsigned char>(banner[dot - 1]))) continue;
    std::size_t begin = dot;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(banner[begin - 1]))) --begin;
    std::size_t end = dot;
    while (end < banner.size() && (banner[end] == '.' || std::isdigit(static_cast<unsigned char>(banner[end])))) ++end;
    while (end > begin && banner[end - 1] == '.') --end;
    return banner.substr(begin, end - begin);
  }
  return {};
}

TOCIConnection::TOCIConnection(TBackgroundServices background)
    : background_(std::move(background)),
      nls_{{{"NLS_DATE_LANGUAGE", {}, false},
            {"NLS_DATE_FORMAT", {}, false},
            {"NLS_TIMESTAMP_FORMAT", {}, false},
            {"NLS_TIMESTAMP_TZ_FORMAT", {}, false}}} {
  AutoCommit = true;
}

TOCIConnection::~TOCIConnection() {
  try {
    Disconnect();
  } catch (...) {
    // A destructor cannot report; Disconnect has released what it could.
  }
  internalCommand_.reset();
}

void TOCIConnection::Busy() { lock_.lock(); }

void TOCIConnection::Release() { lock_.unlock(); }

OCIError* TOCIConnection::GetErrorHandle() const { return err_ ? err_ : hOCIError; }

OCIEnv* TOCIConnection::GetEnvironment() const { return env_ ? env_ : hOCIEnv; }

void TOCIConnection::CheckOCI() {
  if (callStyle_ != OCI73 && callStyle_ != OCI80) RaiseError(SOCINotInited);
}

void TOCIConnection::CheckOCI80() {
  if (callStyle_ != OCI80) RaiseError(SNeedOCI80);
}

TOraStatusInfo TOCIConnection::ReadStatus(std::uint8_t callStyle, sword status) {
  TOraStatusInfo info;
  if (callStyle == OCI73) {
    if (status == -9) status = -1;
    char buffer[513] = {};
    oerhms(lda_.get(), static_cast<sb2>(status), reinterpret_cast<OraText*>(buffer), 512);
    info.message = TrimRight(std::string(buffer, ::strnlen(buffer, 512)));
    info.code = status < 0 ? -status : status;
  } else if (callStyle == OCI80) {
    info.code = GetOraError(status, info.message, GetErrorHandle());
    info.message = TrimRight(info.message);
    lastErrorCode_ = info.code;
    if (status == OCI_SUCCESS_WITH_INFO && info.code != 24344) return info;
  } else {
    CheckOCI();
  }
  lastErrorCode_ = info.code;
  info.raise = true;
  return info;
}

void TOCIConnection::RaiseStatus(const TOraStatusInfo& info) {
  lastErrorCode_ = info.code;
  EOraError error(info.code, info.message);
  bool fail = true;
  if (errorHandler_) errorHandler_(error, fail);
  if (fail) throw error;
  throw da::EAbort();
}

void TOCIConnection::CheckStatus(std::uint8_t callStyle, sword status) {
  TOraStatusInfo info = ReadStatus(callStyle, status);
  if (info.raise) RaiseStatus(info);
}

void TOCIConnection::Check(sword status) {
  if (status != OCI_SUCCESS) CheckStatus(callStyle_, status);
}

sword TOCIConnection::LockedCall(std::uint8_t callStyle, TFunctionRef<sword()> call,
                                 std::initializer_list<sword> pass) {
  TOraStatusInfo info;
  sword status;
  {
    TBusy busy(*this);
    status = call();
    if (status != OCI_SUCCESS && std::find(pass.begin(), pass.end(), status) == pass.end())
      info = ReadStatus(callStyle, status);
  }
  if (info.raise) RaiseStatus(info);
  return status;
}

// ---- logon and logoff ----

void TOCIConnection::Connect(const std::string&) {
  if (Connected) return;
  serverVersion_.clear();
  if (!OCIInited) OCIInit();
  if (callStyle_ == 0 || !(PossibleOCICallStyles & CallStyleBit(callStyle_))) callStyle_ = OCICallStyle;
  commandCallStyle_ = callStyle_;
  if (callStyle_ == OCI73) {
    ConnectOCI7();
  } else if (callStyle_ == OCI80) {
    ConnectOCI8();
  } else {
    CheckOCI();
  }
  Connected = true;
  for (NlsEntry& entry : nls_)
    if (entry.set) SetSessionParameter(entry.name, entry.value);
  if (!Charset.empty() || autoCharLength_) GetSessionParameters();
}

void TOCIConnection::ConnectOCI7() {
  if (!lda_) lda_ = std::make_unique<CdaDef>();
  std::memset(lda_.get(), 0, sizeof(CdaDef));
  hda_.assign(kHdaSize, 0);
  std::string user = Username, password = Password, server = Server;
  try {
    Check(olog(lda_.get(), hda_.data(), Text(user), -1, Text(password), -1, Text(server), -1, 0));
  } catch (...) {
    lda_.reset();
    hda_.clear();
    throw;
  }
  if (ThreadSafety && !IsOCI7Threaded()) OCI7Init(true);
}

void TOCIConnection::ConnectOCI8() {
  env_ = hOCIEnv;
  auto alloc = [this](auto*& handle, ub4 type) {
    if (handle) return;
    void* h = nullptr;
    Check(OCIHandleAlloc(env_, &h, type, 0, nullptr));
    handle = static_cast<std::remove_reference_t<decltype(handle)>>(h);
  };
  alloc(err_, OCI_HTYPE_ERROR);
  alloc(svc_, OCI_HTYPE_SVCCTX);
  alloc(server_, OCI_HTYPE_SERVER);
  alloc(session_, OCI_HTYPE_SESSION);

  bool attached = false;
  try {
    std::string server = Server;
    Check(OCIServerAttach(server_, err_, Text(server), static_cast<sb4>(server.size()), OCI_DEFAULT));
    attached = true;
    const bool installedClient = PossibleOCICallStyles & csOCI7;
    if (installedClient) {
      std::string name = InternalName;
      Check(OCIAttrSet(server_, OCI_HTYPE_SERVER, Text(name), static_cast<ub4>(name.size()), OCI_ATTR_INTERNAL_NAME, err_));
    }
    Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, server_, 0, OCI_ATTR_SERVER, err_));
    ub4 credentials = OCI_CRED_EXT;
    if (!Username.empty()) {
      std::string user = Username, password = Password;
      Check(OCIAttrSet(session_, OCI_HTYPE_SESSION, Text(user), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err_));
      Check(OCIAttrSet(session_, OCI_HTYPE_SESSION, Text(password), static_cast<ub4>(password.size()),
                       OCI_ATTR_PASSWORD, err_));
      credentials = OCI_CRED_RDBMS;
    }
    if (PossibleOCICallStyles == csOCI8) {
      // The network client bounds its own waits; a client library has its own settings.
      ub4 connectMs = static_cast<ub4>(ConnectTimeoutMs), receiveMs = static_cast<ub4>(ReceiveTimeoutMs);
      Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &connectMs, 0, kNetAttrConnectTimeout, err_));
      Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &receiveMs, 0, kNetAttrReceiveTimeout, err_));
    }
    const ub4 mode = ConnectMode == cmSysOper ? OCI_SYSOPER : ConnectMode == cmSysDBA ? OCI_SYSDBA : OCI_DEFAULT;
    Check(OCISessionBegin(svc_, err_, session_, credentials, mode));
    Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, session_, 0, OCI_ATTR_SESSION, err_));
    if (installedClient) {
      // A server before 8 runs the commands through the old interface.
      const std::string version = GetServerVersion();
      if (!version.empty() && CompareVersions(version, "8") < 0) commandCallStyle_ = OCI73;
    } else if (charsetId_ != 0) {
      Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &charsetId_, 0, OCI_ATTR_CHARSET_ID, err_));
    }
  } catch (...) {
    // The error is already read; what is given back here cannot change it.
    if (attached) OCIServerDetach(server_, err_, OCI_DEFAULT);
    FreeOCI8Handles();
    throw;
  }
}

void TOCIConnection::FreeOCI8Handles() {
  if (session_) OCIHandleFree(session_, OCI_HTYPE_SESSION);
  if (server_) OCIHandleFree(server_, OCI_HTYPE_SERVER);
  if (svc_) OCIHandleFree(svc_, OCI_HTYPE_SVCCTX);
  if (err_) OCIHandleFree(err_, OCI_HTYPE_ERROR);
  session_ = nullptr;
  server_ = nullptr;
  svc_ = nullptr;
  err_ = nullptr;
  env_ = nullptr;
  if (ldaFromSvcCtx_) lda_.reset();
  ldaFromSvcCtx_ = false;
}

void TOCIConnection::Disconnect() {
  if (!Connected) return;
  // Everything is given back and the connection counts as closed even when the server refuses
  // to end the session; the first refusal is raised afterwards.
  std::exception_ptr firstError;
  auto attempt = [&](auto&& step) {
    try {
      step();
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  };
  if (callStyle_ == OCI73) {
    attempt([&] { Check(ologof(lda_.get())); });
    lda_.reset();
    hda_.clear();
  } else {
    attempt([&] { Check(OCISessionEnd(svc_, err_, session_, OCI_DEFAULT)); });
    attempt([&] { Check(OCIServerDetach(server_, err_, OCI_DEFAULT)); });
    attempt([&] {
      sword status = OCI_SUCCESS;
      for (auto [handle, type] : {std::pair<void*, ub4>{session_, OCI_HTYPE_SESSION},
                                  std::pair<void*, ub4>{server_, OCI_HTYPE_SERVER},
                                  std::pair<void*, ub4>{svc_, OCI_HTYPE_SVCCTX}}) {
        if (!handle) continue;
        sword s = OCIHandleFree(handle, type);
        if (status == OCI_SUCCESS) status = s;
      }
      session_ = nullptr;
      server_ = nullptr;
      svc_ = nullptr;
      Check(status);
    });
    if (err_) OCIHandleFree(err_, OCI_HTYPE_ERROR);
    err_ = nullptr;
    env_ = nullptr;
    if (ldaFromSvcCtx_) lda_.reset();
    ldaFromSvcCtx_ = false;
  }
  Connected = false;
  serverVersion_.clear();
  maxStringSize_ = 0;
  charsetId_ = 0;
  if (autoCharLength_) CharLength = 0;
  for (NlsEntry& entry : nls_)
    if (!entry.set) entry.value.clear();
  if (firstError) std::rethrow_exception(firstError);
}

void TOCIConnection::Commit() {
  if (!Connected) return;
  if (callStyle_ == OCI73) {
    LockedCall(OCI73, [this] { return ocom(lda_.get()); });
  } else {
    LockedCall(callStyle_, [this] { return OCITransCommit(svc_, err_, OCI_DEFAULT); });
  }
}

void TOCIConnection::Rollback() {
  if (!Connected) return;
  Check(callStyle_ == OCI73 ? orol(lda_.get()) : OCITransRollback(svc_, err_, OCI_DEFAULT));
}

void TOCIConnection::BreakExec() {
  if (!Connected) return;
  Check(callStyle_ == OCI73 ? obreak(lda_.get()) : OCIBreak(svc_, err_));
}

void TOCIConnection::SetCallStyle(std::uint8_t style) {
  if (style == callStyle_) return;
  Disconnect();
  callStyle_ = style;
}

std::unique_ptr<da::TVtCommand> TOCIConnection::CreateCommand() {
  auto command = std::make_unique<TOCICommand>();
  command->SetConnection(this);
  return command;
}

std::unique_ptr<da::TVtRecordSet> TOCIConnection::CreateRecordSet() {
  auto recordSet = std::make_unique<TOCIRecordSet>();
  recordSet->SetConnection(this);
  return recordSet;
}

TOCICommand* TOCIConnection::GetInternalCommand() {
  if (!internalCommand_) {
    internalCommand_ = std::make_unique<TOCICommand>();
    internalCommand_->SetConnection(this);
  }
  return internalCommand_.get();
}

LdaDef* TOCIConnection::GetLDA() {
  if (callStyle_ == OCI73) return lda_.get();
  if (callStyle_ == OCI80) {
    if (!lda_) {
      lda_ = std::make_unique<CdaDef>();
      std::memset(lda_.get(), 0, sizeof(CdaDef));
      ldaFromSvcCtx_ = true;
    }
    Check(OCISvcCtxToLda(svc_, err_, lda_.get()));
    return lda_.get();
  }
  CheckOCI();
  return nullptr;
}

OCISvcCtx* TOCIConnection::GetSvcCtx() {
  CheckOCI80();
  return svc_;
}

// ---- server version, string sizes, session settings ----

std::string TOCIConnection::GetServerVersion() {
  if (OracleLite) return OCIClientVersion + " Lite";
  if (!serverVersion_.empty()) return serverVersion_;
  if (callStyle_ != OCI73 && (PossibleOCICallStyles & csOCI7)) {
    char buffer[256] = {};
    Check(OCIServerVersion(svc_, err_, reinterpret_cast<OraText*>(buffer), 255, OCI_HTYPE_SVCCTX));
    serverVersion_ = ParseServerVersion(std::string(buffer, ::strnlen(buffer, 255)));
  } else {
    TOCICommand* command = GetInternalCommand();
    command->SetSQL(
        "begin SELECT Version INTO :Result FROM SYS.PRODUCT_COMPONENT_VERSION WHERE Upper(Product) LIKE '%ORACLE%'; "
        "end;");
    TOraParamDesc* result = command->GetOraParam(0);
    result->SetDataType(da::dtString);
    result->SetParamType(da::ptOutput);
    result->SetSize(65);
    command->Execute(1);
    serverVersion_ = result->GetItemAsString(1);
  }
  return serverVersion_;
}

std::uint16_t TOCIConnection::GetMaxStringSize() {
  if (!Connected || maxStringSize_ != 0) return maxStringSize_;
  std::uint16_t size = 2000;
  if (callStyle_ != OCI73) {
    if (PossibleOCICallStyles & csOCI7) {
      const std::string version = GetServerVersion();
      if (version.empty() || CompareVersions(version, "8") >= 0) size = 4000;
    } else {
      // The network client answers "Oracle7" for servers before 8.0.1, "Oracle8" otherwise.
      char buffer[9] = {};
      Check(OCIServerVersion(svc_, err_, reinterpret_cast<OraText*>(buffer), 8, OCI_HTYPE_SVCCTX));
      if (buffer[6] != '7') size = 4000;
    }
  }
  if (CharLength != 0) size = static_cast<std::uint16_t>(size / CharLength);
  maxStringSize_ = size;
  return size;
}

void TOCIConnection::SetSessionParameter(const std::string& name, const std::string& value) {
  if (!Connected) return;
  std::string quoted;
  for (char c : value) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  TOCICommand* command = GetInternalCommand();
  command->SetSQL("ALTER SESSION SET " + name + "=" + "'" + quoted + "'");
  command->Execute(1);
}

void TOCIConnection::SetNlsParameter(int index, const std::string& text) {
  NlsEntry& entry = nls_.at(static_cast<std::size_t>(index));
  if (text == entry.value) return;
  entry.value = text;
  entry.set = !text.empty();
  if (entry.set) SetSessionParameter(entry.name, text);
}

std::string TOCIConnection::GetNlsParameter(int index) {
  NlsEntry& entry = nls_.at(static_cast<std::size_t>(index));
  if (entry.value.empty()) GetSessionParameters();
  return entry.value;
}

void TOCIConnection::GetSessionParameters() {
  if (!Connected || OracleLite) return;
  TOCICommand* command = GetInternalCommand();
  charsetId_ = 0;
  const bool after8 = CompareVersions(GetServerVersion(), "8") > 0;
  const bool queryCharset = !Charset.empty() && after8;
  std::string sql =
      "declare  cursor NlsParamsCursor is    SELECT * FROM nls_session_parameters;begin  SELECT "
      "Nvl(Lengthb(Chr(65536)), Nvl(Lengthb(Chr(65536)), 1))    INTO :CharLength FROM dual;  for NlsRecord in "
      "NlsParamsCursor loop    if NlsRecord.parameter = 'NLS_DATE_LANGUAGE' then      :NlsDateLanguage := "
      "NlsRecord.value;    elsif NlsRecord.parameter = 'NLS_DATE_FORMAT' then      :NlsDateFormat := "
      "NlsRecord.value;";
  if (after8) {
    sql += "    elsif NlsRecord.parameter = 'NLS_TIMESTAMP_FORMAT' then      :NlsTimeStampFormat := NlsRecord.value;"
           "    elsif NlsRecord.parameter = 'NLS_TIMESTAMP_TZ_FORMAT' then      :NlsTimeStampTZFormat := "
           "NlsRecord.value;";
  }
  sql += "    end if;  end loop;";
  if (queryCharset) sql += "  SELECT NLS_CHARSET_ID(:Charset) INTO :CharsetId FROM dual;";
  sql += "end;";
  command->SetSQL(sql);

  auto param = [command](const char* name) -> TOraParamDesc* {
    for (int i = 0; i < command->GetParamCount(); ++i) {
      TOraParamDesc* p = command->GetOraParam(i);
      if (p->GetName() == name) return p;
    }
    return nullptr;
  };
  for (int i = 0; i < command->GetParamCount(); ++i) {
    TOraParamDesc* p = command->GetOraParam(i);
    p->SetDataType(da::dtString);
    p->SetParamType(da::ptOutput);
    p->SetSize(41);
  }
  param("CharLength")->SetDataType(da::dtInt32);
  if (queryCharset) {
    TOraParamDesc* charset = param("Charset");
    charset->SetParamType(da::ptInput);
    charset->SetValue(da::Variant(Charset));
    param("CharsetId")->SetDataType(da::dtInt32);
  }
  command->Execute(1);

  TOraParamDesc* charLength = param("CharLength");
  CharLength = charLength->GetNull() ? 1 : static_cast<std::uint16_t>(std::clamp(charLength->GetItemAsInteger(1), 1, 65535));
  nls_[kNlsDateLanguage].value = param("NlsDateLanguage")->GetItemAsString(1);
  nls_[kNlsDateFormat].value = param("NlsDateFormat")->GetItemAsString(1);
  if (after8) {
    nls_[kNlsTimeStampFormat].value = param("NlsTimeStampFormat")->GetItemAsString(1);
    nls_[kNlsTimeStampTZFormat].value = param("NlsTimeStampTZFormat")->GetItemAsString(1);
  }
  if (queryCharset) {
    TOraParamDesc* id = param("CharsetId");
    if (id->GetNull()) RaiseError("Cannot find charset " + Charset);
    charsetId_ = static_cast<std::uint16_t>(id->GetItemAsInteger(1));
  }
  if (PossibleOCICallStyles == csOCI8) Check(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &charsetId_, 0, OCI_ATTR_CHARSET_ID, err_));
}

// ---- properties ----

bool TOCIConnection::SetProp(int id, const da::TPropValue& value) {
  if (int index = NlsIndexOf(id); index >= 0) {
    SetNlsParameter(index, value.AsString());
    return true;
  }
  switch (id) {
    case prThreadSafety: ThreadSafety = value.AsBoolean(); return true;
    case prConnectMode: ConnectMode = static_cast<TConnectMode>(value.AsInteger()); return true;
    case prEnableIntegers: EnableIntegers = value.AsBoolean(); return true;
    case prInternalName: InternalName = value.AsString(); return true;
    case prConnectTimeout: ConnectTimeoutMs = std::max(value.AsInteger(), 1); return true;
    case prReceiveTimeout: ReceiveTimeoutMs = std::max(value.AsInteger(), 0); return true;
    case prCharLength: {
      const auto n = static_cast<std::uint16_t>(std::clamp(value.AsInteger(), 0, 65535));
      if ((autoCharLength_ && n != 0) || n != CharLength) {
        CharLength = n;
        maxStringSize_ = 0;
        autoCharLength_ = n == 0;
        if (n == 0) GetSessionParameters();
      }
      return true;
    }
    case prCharset: {
      std::string text = value.AsString();
      if (text != Charset) {
        Charset = text;
        GetSessionParameters();
      }
      return true;
    }
    default: return da::TVtConnection::SetProp(id, value);
  }
}

bool TOCIConnection::GetProp(int id, da::TPropValue& value) {
  if (int index = NlsIndexOf(id); index >= 0) {
    value = da::Variant(GetNlsParameter(index));
    return true;
  }
  switch (id) {
    case prMaxStringSize: value = da::Variant(static_cast<std::int32_t>(GetMaxStringSize())); return true;
    case prCharLength:
      if (CharLength == 0) GetSessionParameters();
      value = da::Variant(static_cast<std::int32_t>(CharLength));
      return true;
    case prCharset: value = da::Variant(Charset); return true;
    case prConnectTimeout: value = da::Variant(static_cast<std::int32_t>(ConnectTimeoutMs)); return true;
    case prReceiveTimeout: value = da::Variant(static_cast<std::int32_t>(ReceiveTimeoutMs)); return true;
    default: return da::TVtConnection::GetProp(id, value);
  }
}

bool TOCIConnection::SetEventProp(int id, da::TEventMethod method) {
  if (id != prOnError) return da::TVtConnection::SetEventProp(id, std::move(method));
  if (!method.Empty()) {
    errorHandler_ = [proc = method.As<da::TErrorProc>(id)](EOraError& error, bool& fail) { proc(error, fail); };
  } else {
    errorHandler_ = nullptr;
  }
  return true;
}

}  // namespace ora
