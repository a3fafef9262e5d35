#include "oracle/OraCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dataaccess/DAErrors.h"
#include "oracle/OraCall.h"
#include "oracle/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/OraParser.h"
#include "oracle/OraProps.h"
#include "oracle/OraThread.h"

namespace ora {

namespace {

constexpr const char* SDataTypeNotSupported = "Data type is not supported.";

std::uint16_t FunctionCodeOf(ub2 statementType) {
  switch (statementType) {
    case OCI_STMT_SELECT: return fcSelect;
    case OCI_STMT_UPDATE: return fcUpdate;
    case OCI_STMT_DELETE: return fcDelete;
    case OCI_STMT_INSERT: return fcInsert;
    case OCI_STMT_BEGIN:
    case OCI_STMT_DECLARE: return fcPLSQL;
    case 14:
    case 15: return fcExplain;
    default: return 0;
  }
}

bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::size_t LeadingBlanks(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && Blank(s[i])) ++i;
  return i;
}

std::string Trim(const std::string& s) {
  std::size_t begin = LeadingBlanks(s), end = s.size();
  while (end > begin && Blank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::string Format(const char* pattern, const std::string& text, int number) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += text;
      ++p;
    } else if (p[0] == '%' && p[1] == 'd') {
      out += std::to_string(number);
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

std::string ConvertSQLLineBreaks(const std::string& text, int& offset) {
  std::string out;
  out.reserve(text.size());
  // Appends one character made by source character i; false once the offset asked for is reached.
  auto put = [&](char c, std::size_t i) {
    if (offset != -1 && static_cast<int>(out.size()) == offset) {
      offset = static_cast<int>(i);
      return false;
    }
    out += c;
    return true;
  };
  bool inString = false, inLine = false, inBlock = false;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    const char next = i + 1 < n ? text[i + 1] : '\0';
    if (!inString && c == '\r') {
      if (next == '\n') continue;  // the line feed that follows stands for both
      if (!put('\n', i)) return out;
      inLine = false;  // the server sees a line feed: a line comment ends here
    } else if (inLine) {
      if (!put(c, i)) return out;
      if (c == '\n') inLine = false;
    } else if (inBlock) {
      if (!put(c, i)) return out;
      if (c == '*' && next == '/') {
        if (!put(next, i + 1)) return out;
        ++i;
        inBlock = false;
      }
    } else if (inString) {
      if (!put(c, i)) return out;
      if (c == '\'') inString = false;
    } else if ((c == '-' && next == '-') || (c == '/' && next == '*')) {
      (c == '-' ? inLine : inBlock) = true;
      if (!put(c, i) || !put(next, i + 1)) return out;
      ++i;
    } else {
      if (c == '\'') inString = true;
      if (!put(c, i)) return out;
    }
  }
  if (offset != -1) offset = static_cast<int>(n);
  return out;
}

TOCICommand::TOCICommand() : ownCursor_(new TOraCursor()), cursor_(ownCursor_), callStyle_(OCICallStyle) {
  AutoCommit = true;
}

TOCICommand::~TOCICommand() {
  try {
    if (worker_) {
      StopThread(connection_, *worker_, true);
      worker_.reset();
    } else if (GetCursorState() != csInactive) {
      Unprepare();
    }
  } catch (...) {
    // A destructor cannot report.
  }
  if (cursor_ != ownCursor_) cursor_->Release();
  try {
    ownCursor_->Release();
  } catch (...) {
  }
}

void TOCICommand::Lock() {
  if (NonBlocking) commandLock_.lock();
}

void TOCICommand::Unlock() {
  if (NonBlocking) commandLock_.unlock();
}

void TOCICommand::CheckSession() {
  if (!connection_) RaiseError(SSessionNotDefined);
  if (!connection_->GetConnected()) RaiseError(SSessionNotConnected);
}

void TOCICommand::CheckActive() {
  if (GetCursorState() == csInactive) RaiseError(SCursorNotOpened);
}

void TOCICommand::CheckOCI() {
  if (callStyle_ != OCI73 && callStyle_ != OCI80) RaiseError(SOCINotInited);
}

void TOCICommand::CheckOCI73() {
  if (callStyle_ != OCI73) RaiseError(SNeedOCI73);
}

void TOCICommand::CheckOCI80() {
  if (callStyle_ != OCI80) RaiseError(SNeedOCI80);
}

void TOCICommand::Check(sword status) {
  if (status != OCI_SUCCESS) connection_->CheckStatus(callStyle_, status);
}

void TOCICommand::SetConnection(da::TVtConnection* connection) {
  if (connection == Connection) return;
  if (GetCursorState() != csInactive) Unprepare();
  Connection = connection;
  connection_ = static_cast<TOCIConnection*>(connection);
}

void TOCICommand::SetSQL(const std::string& text) {
  if (text == SQL) return;
  SQL = text;
  if (ParamCheck) ParseSQL();
}

void TOCICommand::SetCursorState(int state) {
  TCommandLock lock(*this);
  cursor_->SetState(static_cast<TCursorState>(state));
}

da::TParamDesc* TOCICommand::AddParam() {
  Params.push_back(std::make_unique<TOraParamDesc>());
  return Params.back().get();
}

void TOCICommand::SetCursor(TOraCursor* cursor) {
  if (!cursor) cursor = ownCursor_;  // nil makes the own cursor current again
  if (cursor == cursor_) return;
  RowsFetched = 0;
  if (cursor_ != ownCursor_) cursor_->Release();
  cursor_ = cursor;
  if (cursor_ != ownCursor_) {
    cursor_->AddRef();
    callStyle_ = cursor_->GetCallStyle();
    if (!connection_) errorHandle_ = hOCIError;
  }
}

bool TOCICommand::ReturnsRows() const {
  return sqlFunctionCode_ == fcSelect || (cursor_ != ownCursor_ && cursor_->GetState() >= csExecuted);
}

void TOCICommand::BreakExec() {
  if (GetCursorState() != csInactive && connection_) connection_->BreakExec();
}

void TOCICommand::ParseSQL() {
  Params.clear();
  TOraParser parser(SQL.c_str());
  parser.OmitComment = true;
  std::string lexem;
  int code;
  while ((code = parser.GetNext(lexem)) != da::lcEnd) {
    if (code == lxTRIGGER) break;  // :new and :old of a trigger body are no parameters
    if (code != lxColon) continue;
    code = parser.GetNext(lexem);
    const bool keyword = code >= lxAND && code <= lxWHERE;
    if (code != da::lcIdent && code != da::lcNumber && !keyword) {
      parser.Back();
      continue;
    }
    bool quoted = false;
    if (lexem.size() >= 2 && lexem.front() == '"' && lexem.back() == '"') {
      lexem = lexem.substr(1, lexem.size() - 2);
      quoted = true;
    }
    auto same = [&](const std::unique_ptr<da::TParamDesc>& p) {
      const std::string& a = p->GetName();
      return a.size() == lexem.size() &&
             std::equal(a.begin(), a.end(), lexem.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
             });
    };
    if (std::any_of(Params.begin(), Params.end(), same)) continue;
    auto* param = static_cast<TOraParamDesc*>(AddParam());
    param->SetName(lexem);
    param->QuotedName = quoted;
  }
}

void TOCICommand::Prepare() {
  CheckSession();
  if (GetCursorState() != csInactive) return;
  callStyle_ = connection_->GetCommandCallStyle();
  errorHandle_ = connection_->GetErrorHandle();
  cursor_->SetCallStyle(callStyle_);
  rowsProcessed_ = 0;
  errorOffset_ = 0;
  cursor_->SetEnvironment(connection_->GetEnvironment());
  cursor_->AllocCursor();
  int noOffset = -1;
  std::string text = ConvertSQLLineBreaks(Trim(SQL), noOffset);
  try {
    TCommandLock lock(*this);
    if (callStyle_ == OCI73) {
      CdaDef* cda = cursor_->GetCDA();
      connection_->LockedCall(OCI73, [&] { return oopen(cda, connection_->GetLDA(), nullptr, -1, -1, nullptr, -1); });
      cursor_->SetState(csOpen);
      try {
        connection_->LockedCall(OCI73, [&] {
          return oparse(cda, reinterpret_cast<OraText*>(text.data()), static_cast<sb4>(text.size() + 1), 0, 2);
        });
        errorOffset_ = cda->peo;
      } catch (...) {
        errorOffset_ = cda->peo;
        oclose(cda);
        throw;
      }
      // A PL/SQL unit that compiled with errors.
      if ((cda->wrn & 0x01) && (cda->wrn & 0x20)) connection_->SetLastErrorCode(24344);
      sqlFunctionCode_ = cda->fc;
      cursor_->SetState(csParsed);
    } else {
      CheckOCI80();
      OCIStmt* stmt = cursor_->GetOCIStmt();
      connection_->LockedCall(OCI80, [&] {
        return OCIStmtPrepare(stmt, errorHandle_, reinterpret_cast<const OraText*>(text.c_str()),
                              static_cast<ub4>(text.size() + 1), OCI_NTV_SYNTAX, OCI_DEFAULT);
      });
      ub2 type = 0;
      connection_->LockedCall(OCI80, [&] {
        return OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, errorHandle_);
      });
      sqlFunctionCode_ = FunctionCodeOf(type);
    }
  } catch (...) {
    try {
      cursor_->FreeCursor();
    } catch (...) {
    }
    cursor_->SetState(csInactive);
    throw;
  }
  cursor_->SetState(csPrepared);
}

void TOCICommand::Unprepare() {
  CheckActive();
  {
    TCommandLock lock(*this);
    if (callStyle_ == OCI73) {
      CdaDef* cda = cursor_->GetCDA();
      connection_->LockedCall(OCI73, [&] { return oclose(cda); });
      cursor_->SetState(csInactive);
      cursor_->FreeCursor();
    } else {
      connection_->Busy();
      try {
        cursor_->FreeCursor();
      } catch (...) {
        connection_->Release();
        throw;
      }
      connection_->Release();
    }
  }
  cursor_->SetState(csInactive);
}

void TOCICommand::Execute(int iterations) {
  if (GetCursorState() == csExecuting) return;
  iterations_ = iterations;
  Executing = true;
  if (!NonBlocking) {
    try {
      DoExecute();
    } catch (...) {
      EndExecute(false);
      throw;
    }
    EndExecute(true);
    return;
  }
  if (!connection_ || !connection_->ThreadSafety) {
    EndExecute(false);
    RaiseError(SNeedThreadSafety);
  }
  da::DAAssert(!worker_, "OraClasses");
  worker_ = RunThread(connection_, this, [this] { DoExecute(); }, [this](bool succeeded) { EndExecute(succeeded); });
}

void TOCICommand::DoExecute() {
  const bool temporary = !GetPrepared();
  if (temporary) Prepare();
  try {
    if (sqlFunctionCode_ != fcExplain) BindParams();
    InternalExecute();
  } catch (...) {
    iterations_ = 1;
    if (temporary) {
      try {
        Unprepare();
      } catch (...) {
      }
    }
    throw;
  }
  iterations_ = 1;
  if (temporary) Unprepare();
}

void TOCICommand::EndExecute(bool result) {
  worker_.reset();
  Executing = false;
  if (AfterExecute) AfterExecute(result);
}

ub2 TOCICommand::GetSQLType(da::TDataType type, bool asString) const {
  const bool oci8 = callStyle_ == OCI80;
  if (callStyle_ != OCI73 && !oci8) RaiseError(SOCINotInited);
  switch (type) {
    case da::dtString: case da::dtExtString: return SQLT_STR;
    case da::dtInt32: case da::dtBoolean: return SQLT_INT;
    case da::dtFloat: return SQLT_FLT;
    case da::dtDateTime: return SQLT_DAT;
    case da::dtBlob: return SQLT_LBI;
    case da::dtMemo: return asString ? SQLT_STR : SQLT_LNG;
    case da::dtVarBytes: case da::dtExtVarBytes: return SQLT_BIN;
    case dtRowId: return oci8 ? SQLT_RDD : SQLT_RID;
    case dtCursor: return oci8 ? SQLT_RSET : SQLT_CUR;
    case dtFixedChar: return SQLT_AVC;
    default: break;
  }
  if (oci8) {
    switch (type) {
      case da::dtObject: case da::dtArray: case da::dtTable: return SQLT_NTY;
      case da::dtReference: return SQLT_REF;
      case dtOraBlob: return SQLT_BLOB;
      case dtOraClob: return SQLT_CLOB;
      case dtBFile: return SQLT_BFILEE;
      case dtCFile: return SQLT_CFILEE;
      case dtLabel: return SQLT_LAB;
      case dtUndefined: return SQLT_CHR;
      default: break;
    }
    if (PossibleOCICallStyles & csOCI9) {
      switch (type) {
        case dtTimeStamp: return SQLT_TIMESTAMP;
        case dtTimeStampTZ: return SQLT_TIMESTAMP_TZ;
        case dtTimeStampLTZ: return SQLT_TIMESTAMP_LTZ;
        case dtIntervalYM: return SQLT_INTERVAL_YM;
        case dtIntervalDS: return SQLT_INTERVAL_DS;
        default: break;
      }
    }
  }
  RaiseError(SDataTypeNotSupported);
}

void TOCICommand::BindParams() {
  connection_->Busy();
  try {
    for (int i = 0; i < GetParamCount(); ++i) BindParam(GetOraParam(i));
  } catch (...) {
    connection_->Release();
    throw;
  }
  connection_->Release();
  cursor_->SetState(csBound);
}

void TOCICommand::BindParam(TOraParamDesc* param) {
  const da::TDataType type = param->GetDataType();
  ub2 sqlType;
  if (type == da::dtUnknown) {
    if (!param->GetNull()) throw da::Exception(Format("Unknown type of parameter %s.", param->GetName(), 0));
    sqlType = SQLT_CHR;
  } else {
    sqlType = GetSQLType(type, false);
  }
  switch (type) {
    case da::dtUnknown: case da::dtString: case dtFixedChar: case da::dtInt32: case da::dtBoolean: case da::dtFloat:
    case da::dtDateTime: case da::dtBytes: case da::dtVarBytes: case dtCursor:
      break;
    default:
      RaiseError(SDataTypeNotSupported);  // values with objects of their own bind elsewhere
  }
  param->SyncIndicator();

  std::string name = ":";
  if (param->QuotedName) {
    name += '"';
    for (char c : param->GetName()) {
      name += c;
      if (c == '"') name += '"';
    }
    name += '"';
  } else {
    name += param->GetName();
  }

  sb4 length = param->GetItemSize();
  auto* value = static_cast<std::uint8_t*>(param->GetValuePtr());
  ub2* lengthPtr = nullptr;
  if (!param->Table) {
    if (type == da::dtString || type == dtFixedChar) {
      const std::uint16_t maxSize = connection_->CharLength > 1 ? connection_->GetMaxStringSize() : 0;
      const bool input = param->GetParamType() == da::ptInput ||
                         (sqlFunctionCode_ == fcSelect && (param->GetParamType() == da::ptUnknown ||
                                                           param->GetParamType() == da::ptInputOutput));
      if (maxSize > 0 && length > maxSize) {
        length = maxSize;
        value[length - 1] = 0;
      } else if (input && param->ActualLength != 0 && param->ActualLength < length) {
        length = param->ActualLength + 1;
        value[param->ActualLength] = 0;
      }
    } else if (type == da::dtBytes || type == da::dtVarBytes) {
      lengthPtr = reinterpret_cast<ub2*>(value);
      value += 2;
      // The room the item has, at most the longest raw value.
      length = std::min<sb4>(param->GetItemSize() - 2, 2000);
    }
  }
  sb2* indicators = param->GetIndicatorPtr();

  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    if (type == da::dtUnknown) {
      value = scratch_;
      length = 1;
    } else if (type == dtCursor) {
      TOraCursor* cursor = param->GetAsCursor();
      da::DAAssert(cursor != nullptr, "OraClasses");
      cursor->SetCallStyle(callStyle_);
      cursor->AllocCursor();
      value = reinterpret_cast<std::uint8_t*>(cursor->GetCDA());
    }
    OraText* sqlName = reinterpret_cast<OraText*>(name.data());
    if (!param->Table) {
      if (lengthPtr) {
        connection_->LockedCall(OCI73, [&] {
          return obndra(cda, sqlName, -1, value, length, sqlType, -1, indicators, lengthPtr, nullptr, 0, nullptr,
                        nullptr, -1, -1);
        });
      } else {
        connection_->LockedCall(OCI73, [&] {
          return obndrv(cda, sqlName, -1, value, length, sqlType, -1, indicators, nullptr, -1, -1);
        });
      }
      param->BindCount = 1;
    } else {
      param->BindCount = param->GetLength();
      connection_->LockedCall(OCI73, [&] {
        return obindps(cda, 1, sqlName, -1, value, length, sqlType, 0, indicators, nullptr, nullptr, length, 2, 0, 0,
                       static_cast<ub4>(param->GetLength()), reinterpret_cast<ub4*>(&param->BindCount), nullptr, 0, 0);
      });
    }
    return;
  }

  void* bindValue = value;
  if (type == da::dtUnknown) {
    bindValue = scratch_;
    length = 1;
  } else if (type == dtCursor) {
    TOraCursor* cursor = param->GetAsCursor();
    da::DAAssert(cursor != nullptr, "OraClasses");
    cursor->SetCallStyle(callStyle_);
    cursor->SetEnvironment(connection_->GetEnvironment());
    cursor->AllocCursor();
    bindValue = cursor->GetOCIStmtPtr();
  }
  OCIStmt* stmt = cursor_->GetOCIStmt();
  OCIBind* bind = nullptr;
  const auto* sqlName = reinterpret_cast<const OraText*>(name.c_str());
  const sb4 nameLength = static_cast<sb4>(name.size());
  if (!param->Table && iterations_ <= 1) {
    connection_->LockedCall(OCI80, [&] {
      return OCIBindByName(stmt, &bind, errorHandle_, sqlName, nameLength, bindValue, length, sqlType, indicators,
                           lengthPtr, nullptr, 0, nullptr, OCI_DEFAULT);
    });
    param->BindCount = 1;
  } else if (!param->Table) {
    if (param->GetLength() < iterations_) RaiseError(Format(SArrayParam, name.substr(1), iterations_));
    connection_->LockedCall(OCI80, [&] {
      return OCIBindByName(stmt, &bind, errorHandle_, sqlName, nameLength, bindValue, length, sqlType, indicators,
                           nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    });
    connection_->LockedCall(OCI80, [&] {
      return OCIBindArrayOfStruct(bind, errorHandle_, static_cast<ub4>(length), sizeof(sb2), 0, 0);
    });
  } else {
    param->BindCount = param->GetLength();
    connection_->LockedCall(OCI80, [&] {
      return OCIBindByName(stmt, &bind, errorHandle_, sqlName, nameLength, bindValue, length, sqlType, indicators,
                           nullptr, nullptr, static_cast<ub4>(param->GetLength()),
                           reinterpret_cast<ub4*>(&param->BindCount), OCI_DEFAULT);
    });
    connection_->LockedCall(OCI80, [&] {
      return OCIBindArrayOfStruct(bind, errorHandle_, static_cast<ub4>(length), sizeof(sb2), 0, 0);
    });
  }
  if (type == da::dtString && connection_->GetCharsetId() != 0) {
    ub2 charsetId = connection_->GetCharsetId();
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrSet(bind, OCI_HTYPE_BIND, &charsetId, 0, OCI_ATTR_CHARSET_ID, errorHandle_);
    });
  }
}

sword TOCICommand::Exec(ub4 mode) {
  CheckActive();
  TCommandLock lock(*this);
  const TCursorState old = cursor_->GetState();
  cursor_->SetState(csExecuting);
  sword status = OCI_SUCCESS;
  try {
    if (callStyle_ == OCI73) {
      CdaDef* cda = cursor_->GetCDA();
      if (mode == OCI_DEFAULT) {
        try {
          status = connection_->LockedCall(OCI73, [&] { return oexn(cda, iterations_, 0); }, {-3130, -3129, -3123});
        } catch (...) {
          errorOffset_ = cda->peo;
          throw;
        }
        if (status == OCI_SUCCESS) rowsProcessed_ = static_cast<std::int32_t>(cda->rpc);
      }
    } else {
      OCIStmt* stmt = cursor_->GetOCIStmt();
      OCISvcCtx* svc = connection_->GetSvcCtx();
      const ub4 iterations = sqlFunctionCode_ == fcSelect ? 0 : static_cast<ub4>(iterations_);
      TOraStatusInfo info;
      connection_->Busy();
      status = OCIStmtExecute(svc, stmt, errorHandle_, iterations, 0, nullptr, nullptr, mode);
      if (status != OCI_SUCCESS && status != OCI_NEED_DATA) {
        try {
          info = connection_->ReadStatus(OCI80, status);
        } catch (...) {
          connection_->Release();
          throw;
        }
        if (info.code == 3123) {  // the operation would block
          status = 3123;
          info.raise = false;
        }
      }
      connection_->Release();
      if (info.raise) connection_->RaiseStatus(info);
      if (sqlFunctionCode_ == 0) {
        ub2 code = 0;
        connection_->LockedCall(OCI80, [&] {
          return OCIAttrGet(stmt, OCI_HTYPE_STMT, &code, nullptr, OCI_ATTR_SQLFNCODE, errorHandle_);
        });
        sqlFunctionCode_ = code;
      }
      if (status == OCI_SUCCESS && mode != OCI_DESCRIBE_ONLY) {
        ub4 rows = 0;
        connection_->LockedCall(OCI80, [&] {
          return OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, errorHandle_);
        });
        rowsProcessed_ = static_cast<std::int32_t>(rows);
      }
    }
    if (mode == OCI_DESCRIBE_ONLY) {
      cursor_->SetState(old);
    } else {
      cursor_->SetState(csExecuted);
      for (int i = 0; i < GetParamCount(); ++i) {
        TOraParamDesc* p = GetOraParam(i);
        if (p->GetDataType() == dtCursor && p->GetAsCursor()) p->GetAsCursor()->SetState(csExecuted);
      }
    }
  } catch (...) {
    if (cursor_->GetState() != csInactive) cursor_->SetState(old);
    try {
      if (callStyle_ == OCI80 && OCIVersion >= 3 && connection_->GetConnected()) {
        ub2 offset = 0;
        if (OCIAttrGet(cursor_->GetOCIStmt(), OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET,
                       errorHandle_) == OCI_SUCCESS)
          errorOffset_ = offset;
      }
    } catch (...) {
    }
    RowsFetched = 0;
    throw;
  }
  if (callStyle_ == OCI80 && OCIVersion >= 3 && connection_->GetConnected()) {
    ub2 offset = 0;
    OCIStmt* stmt = cursor_->GetOCIStmt();
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrGet(stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, errorHandle_);
    });
    errorOffset_ = offset;
  }
  RowsFetched = 0;
  return status;
}

void TOCICommand::InternalExecute() {
  bool lobParams = false;
  for (int i = 0; i < GetParamCount(); ++i) {
    const da::TDataType t = GetOraParam(i)->GetDataType();
    lobParams = lobParams || t == dtOraBlob || t == dtOraClob;
  }
  const bool autoCommit = AutoCommit && connection_->AutoCommit;
  const bool commitOnSuccess = callStyle_ == OCI80 && sqlFunctionCode_ != fcSelect && autoCommit && !lobParams;
  ub4 mode = OCI_DEFAULT;
  if (sqlFunctionCode_ == fcSelect && cursor_->Scrollable) {
    mode = OCI_STMT_SCROLLABLE_READONLY;
  } else if (commitOnSuccess) {
    mode = OCI_COMMIT_ON_SUCCESS;
  }
  const sword status = Exec(mode);
  RowId = FetchRowId ? GetRowId() : std::string();
  // LONG values in pieces are not bound by this command, so no piece can be asked for.
  da::DAAssert(status != OCI_NEED_DATA && status != -3129 && status != -3130, "OraClasses");
  if (status == OCI_SUCCESS && sqlFunctionCode_ != fcSelect && autoCommit && !commitOnSuccess) connection_->Commit();
}

std::string TOCICommand::GetRowId() {
  if (GetCursorState() == csInactive) return {};
  if (callStyle_ == OCI73) {
    const CdaDef* cda = cursor_->GetCDA();
    char text[32];
    std::snprintf(text, sizeof text, "%08X.%04X.%04X", static_cast<unsigned>(cda->rid.rcs7),
                  static_cast<unsigned>(cda->rid.rcs8), static_cast<unsigned>(cda->rid.rd.rcs5));
    return text;
  }
  OCIRowid* rowid = nullptr;
  Check(OCIDescriptorAlloc(connection_->GetEnvironment(), reinterpret_cast<void**>(&rowid), OCI_DTYPE_ROWID, 0,
                           nullptr));
  std::string text;
  try {
    OCIStmt* stmt = cursor_->GetOCIStmt();
    sword status = connection_->LockedCall(
        OCI80, [&] { return OCIAttrGet(stmt, OCI_HTYPE_STMT, rowid, nullptr, OCI_ATTR_ROWID, errorHandle_); },
        {OCI_NO_DATA});
    if (status != OCI_NO_DATA && OCIVersion >= 4) {
      char buffer[4001] = {};
      ub2 length = 4000;
      connection_->LockedCall(OCI80, [&] {
        return OCIRowidToChar(rowid, reinterpret_cast<OraText*>(buffer), &length, errorHandle_);
      });
      text.assign(buffer, std::min<std::size_t>(length, 4000));
    }
  } catch (...) {
    OCIDescriptorFree(rowid, OCI_DTYPE_ROWID);
    throw;
  }
  OCIDescriptorFree(rowid, OCI_DTYPE_ROWID);
  return text;
}

std::uint16_t TOCICommand::MappedErrorOffset() const {
  const std::string trimmed = Trim(SQL);
  int offset = errorOffset_;
  ConvertSQLLineBreaks(trimmed, offset);
  // The text sent began after the leading blanks the trim took away.
  offset += static_cast<int>(LeadingBlanks(SQL));
  return static_cast<std::uint16_t>(std::clamp(offset, 0, 65535));
}

bool TOCICommand::SetProp(int id, const da::TPropValue& value) {
  switch (id) {
    case da::prParamCheck:
      ParamCheck = value.AsBoolean();
      if (ParamCheck) ParseSQL();
      return true;
    case prNonBlocking: NonBlocking = value.AsBoolean(); return true;
    case prFieldsAsString: FieldsAsString = value.AsBoolean(); return true;
    case prCacheLobs: CacheLobs = value.AsBoolean(); return true;
    case prScrollable: cursor_->Scrollable = value.AsBoolean(); return true;
    case prFetchRowId: FetchRowId = value.AsBoolean(); return true;
    default: return da::TVtCommand::SetProp(id, value);
  }
}

bool TOCICommand::GetProp(int id, da::TPropValue& value) {
  switch (id) {
    case da::prParamCheck: value = da::Variant(ParamCheck); return true;
    case prSQLType: value = da::Variant(static_cast<std::int32_t>(sqlFunctionCode_)); return true;
    case prRowsProcessed: value = da::Variant(RowsFetched > 0 ? RowsFetched : rowsProcessed_); return true;
    case prErrorOffset: value = da::Variant(static_cast<std::int32_t>(MappedErrorOffset())); return true;
    case prFetchRowId: value = da::Variant(FetchRowId); return true;
    default: return da::TVtCommand::GetProp(id, value);
  }
}

}  // namespace ora
