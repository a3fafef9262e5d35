#include "oracle/server/OraCommand.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/OraParser.h"
#include "oracle/OraProps.h"
#include "oracle/values/OraRowId.h"
#include "oracle/server/OraWorker.h"

namespace ora {

namespace {

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
  // With LOB parameters the commit waits until their content is written.
  const bool commitOnSuccess = callStyle_ == OCI80 && sqlFunctionCode_ != fcSelect && autoCommit && !lobParams;
  ub4 mode = OCI_DEFAULT;
  if (sqlFunctionCode_ == fcSelect && cursor_->Scrollable) {
    mode = OCI_STMT_SCROLLABLE_READONLY;
  } else if (commitOnSuccess) {
    mode = OCI_COMMIT_ON_SUCCESS;
  }
  callbackError_ = nullptr;
  sword status;
  try {
    status = Exec(mode);
    if (WantsPieces(status)) status = TransferPieces(status);
  } catch (...) {
    // A bind callback's own error says more than the library's report of it.
    if (callbackError_) std::rethrow_exception(std::exchange(callbackError_, nullptr));
    throw;
  }
  // Read once the pieces have moved: before that the row is not there yet.
  RowId = FetchRowId ? GetRowId() : std::string();
  if (status == OCI_SUCCESS && callStyle_ == OCI80) TakeObjectParams();
  if (status == OCI_SUCCESS && callStyle_ == OCI80 && rowsProcessed_ > 0) MoveLobParams();
  if (status == OCI_SUCCESS && sqlFunctionCode_ != fcSelect && autoCommit && !commitOnSuccess) connection_->Commit();
}

std::string TOCICommand::GetRowId() {
  if (GetCursorState() == csInactive) return {};
  if (callStyle_ == OCI73) {
    const CdaDef* cda = cursor_->GetCDA();
    return RowIdText(cda->rid.rd.rcs4, cda->rid.rd.rcs5, cda->rid.rcs7, cda->rid.rcs8);
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
    if (status != OCI_NO_DATA && OCIVersion < 4) {
      // Clients before 9 have no text call: the descriptor holds the ROWID's bytes, and only
      // 8.1 clients know logical ROWIDs.
      const auto* held = reinterpret_cast<const OCIRowidContent8*>(rowid);
      text = RowIdTextOfContent(held->content, held->size, OCIVersion >= 3);
    } else if (status != OCI_NO_DATA && ORA_OCI_LINKED(OCIRowidToChar)) {
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
