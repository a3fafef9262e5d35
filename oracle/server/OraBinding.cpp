// TOCICommand's binding of parameters, the transfer of LONG values in pieces during an
// execution, and the LOB parameters after it.
#include <algorithm>
#include <cstring>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "foundation/text/Format.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"

namespace ora {

namespace {

bool IsLong(da::TDataType type) { return type == da::dtBlob || type == da::dtMemo; }

bool IsLobOrFile(da::TDataType type) {
  return type == dtOraBlob || type == dtOraClob || type == dtBFile || type == dtCFile;
}

bool IsTimeStamp(da::TDataType type) {
  return type == dtTimeStamp || type == dtTimeStampTZ || type == dtTimeStampLTZ;
}

bool IsInterval(da::TDataType type) { return type == dtIntervalYM || type == dtIntervalDS; }

// Object instances, collections and REFs: bound through the object layer's instance.
bool IsObjectInstance(da::TDataType type) {
  return type == da::dtObject || type == da::dtArray || type == da::dtTable || type == da::dtReference;
}

// Texts and raw values the way a string and a var-bytes value are bound.
bool IsText(da::TDataType type) { return type == da::dtString || type == dtFixedChar || type == da::dtExtString || type == dtRowId; }
bool IsRaw(da::TDataType type) { return type == da::dtBytes || type == da::dtVarBytes || type == da::dtExtVarBytes; }

// The types whose value is an object of its own rather than the parameter's buffer.
bool HasObject(da::TDataType type) { return IsLong(type) || IsLobOrFile(type) || IsTimeStamp(type) || IsInterval(type); }

ub4 TimeStampDescriptor(da::TDataType type) {
  return type == dtTimeStamp ? OCI_DTYPE_TIMESTAMP : type == dtTimeStampTZ ? OCI_DTYPE_TIMESTAMP_TZ : OCI_DTYPE_TIMESTAMP_LTZ;
}

// The piece after n steps from the first, or nullptr.
da::TPieceHeader* PieceAt(const da::TBlob& blob, std::int32_t n) {
  da::TPieceHeader* piece = blob.GetFirstPiece();
  for (; piece && n > 0; --n) piece = piece->Next;
  return piece;
}

}  // namespace

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
    if (!param->GetNull()) throw da::Exception(olv::Format("Unknown type of parameter %s.", {param->GetName()}));
    sqlType = SQLT_CHR;
  } else {
    sqlType = GetSQLType(type, false);
  }
  switch (type) {
    case da::dtUnknown: case da::dtString: case dtFixedChar: case da::dtInt32: case da::dtBoolean: case da::dtFloat:
    case da::dtDateTime: case da::dtBytes: case da::dtVarBytes: case dtCursor: case da::dtExtString:
    case da::dtExtVarBytes: case dtRowId: case dtUndefined: case dtLabel:
      break;
    default:
      if (!HasObject(type) && !IsObjectInstance(type)) RaiseError(SDataTypeNotSupported);
      da::DAAssert(param->GetObject() != nullptr, "OraClasses");
      break;
  }
  // One object cannot stand for the items of an array.
  if ((HasObject(type) || IsObjectInstance(type)) && (param->Table || iterations_ > 1))
    RaiseError(STypeNotSupportedInDML);
  // The server takes a ROWID's text where a ROWID is wanted; the parameter has no other form.
  if (type == dtRowId) sqlType = SQLT_STR;
  const bool isLong = IsLong(type);
  // An output LONG starts empty, and so binds as NULL.
  if (isLong && param->GetParamType() == da::ptOutput) param->GetAsBlob()->Clear();
  param->SyncIndicator();

  // Bound by name, or by position when the parameter has none.
  const bool byPosition = param->GetName().empty();
  ub4 position = 0;
  for (int i = 0; i < GetParamCount(); ++i)
    if (GetOraParam(i) == param) position = static_cast<ub4>(i + 1);
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
    if (IsText(type)) {
      const std::uint16_t maxSize = connection_->CharLength > 1 ? connection_->GetMaxStringSize() : 0;
      const bool input = param->GetParamType() == da::ptInput ||
                         (sqlFunctionCode_ == fcSelect && (param->GetParamType() == da::ptUnknown ||
                                                           param->GetParamType() == da::ptInputOutput));
      if (input && param->ActualLength != 0 && param->ActualLength < length) {
        // An input text is bound at the length it has, also beyond the string limit: cutting it
        // there would lose data (and break a character in two); the server judges the length.
        length = param->ActualLength + 1;
        value[param->ActualLength] = 0;
      } else if (maxSize > 0 && length > maxSize && param->ActualLength < maxSize) {
        // The room of a buffer the server may write is kept to the longest string it gives, but
        // never below the text the buffer already holds.
        length = maxSize;
        value[length - 1] = 0;
      }
    } else if (isLong) {
      length = param->GetParamType() == da::ptInput
                   ? static_cast<sb4>(std::clamp<std::uint32_t>(param->GetAsBlob()->Size(), 1, kMaxLongSize))
                   : kMaxLongSize;
    } else if (IsRaw(type)) {
      lengthPtr = reinterpret_cast<ub2*>(value);
      value += 2;
      // The room the item has, at most the longest raw value.
      length = std::min<sb4>(param->GetItemSize() - 2, 2000);
    }
  }
  sb2* indicators = param->GetIndicatorPtr();

  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    if (type == da::dtUnknown || type == dtUndefined) {
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
    // The old interface binds by position only from a plain buffer.
    if (byPosition && (isLong || lengthPtr || param->Table)) RaiseError(SDataTypeNotSupported);
    if (param->Table) {
      param->BindCount = param->GetLength();
      connection_->LockedCall(OCI73, [&] {
        return obindps(cda, 1, sqlName, -1, value, length, sqlType, 0, indicators, nullptr, nullptr, length, 2, 0, 0,
                       static_cast<ub4>(param->GetLength()), reinterpret_cast<ub4*>(&param->BindCount), nullptr, 0, 0);
      });
      return;
    }
    if (isLong) {
      connection_->LockedCall(OCI73, [&] {
        return obindps(cda, 0, sqlName, -1, nullptr, kMaxLongSize, sqlType, 0, indicators, nullptr, nullptr, 0, 0, 0, 0,
                       0, nullptr, nullptr, 0, 0);
      });
    } else if (lengthPtr) {
      connection_->LockedCall(OCI73, [&] {
        return obndra(cda, sqlName, -1, value, length, sqlType, -1, indicators, lengthPtr, nullptr, 0, nullptr, nullptr,
                      -1, -1);
      });
    } else if (byPosition) {
      connection_->LockedCall(OCI73, [&] {
        return obndrn(cda, static_cast<sword>(position), value, length, sqlType, -1, indicators, nullptr, -1, -1);
      });
    } else {
      connection_->LockedCall(OCI73, [&] {
        return obndrv(cda, sqlName, -1, value, length, sqlType, -1, indicators, nullptr, -1, -1);
      });
    }
    param->BindCount = 1;
    return;
  }

  void* bindValue = value;
  TOraObject* object = IsObjectInstance(type) ? static_cast<TOraObject*>(param->GetObject()) : nullptr;
  if (type == da::dtUnknown || type == dtUndefined || type == dtLabel) {
    bindValue = scratch_;
    length = 1;
  } else if (type == da::dtReference) {
    auto* ref = static_cast<TOraRef*>(object);
    ref->CheckType();
    ref->SetSvcCtx(connection_->GetSvcCtx());
    param->BoundInstance = ref->GetRef();  // none binds a NULL REF
    param->BoundIndicator = nullptr;
    param->BoundObject = ref;
    bindValue = nullptr;
    length = 0;
  } else if (object) {
    // The library takes the instance and its indicators, made now if the object has none.
    object->AllocObject(connection_->GetSvcCtx());
    param->BoundInstance = object->GetInstance();
    param->BoundIndicator = object->GetIndicator();
    param->BoundObject = object;
    bindValue = nullptr;
    length = 0;
  } else if (type == dtCursor) {
    TOraCursor* cursor = param->GetAsCursor();
    da::DAAssert(cursor != nullptr, "OraClasses");
    cursor->SetCallStyle(callStyle_);
    cursor->SetEnvironment(connection_->GetEnvironment());
    cursor->AllocCursor();
    bindValue = cursor->GetOCIStmtPtr();
  } else if (IsLobOrFile(type)) {
    TOraLob* lob = param->GetAsLob();
    lob->SetOCISvcCtx(connection_->GetSvcCtx());
    bindValue = lob->GetOCILobLocatorPtr();
    length = static_cast<sb4>(sizeof(void*));  // the library writes a locator's address
  } else if (IsTimeStamp(type)) {
    TOraTimeStamp* timeStamp = param->GetAsTimeStamp();
    timeStamp->SetDescriptorType(TimeStampDescriptor(type));
    bindValue = timeStamp->GetOCIDateTimePtr();
    length = static_cast<sb4>(sizeof(void*));
  } else if (IsInterval(type)) {
    TOraInterval* interval = param->GetAsInterval();
    interval->SetDescriptorType(type == dtIntervalYM ? OCI_DTYPE_INTERVAL_YM : OCI_DTYPE_INTERVAL_DS);
    bindValue = interval->GetOCIIntervalPtr();
    length = static_cast<sb4>(sizeof(void*));
  }
  OCIStmt* stmt = cursor_->GetOCIStmt();
  OCIBind* bind = nullptr;
  const auto* sqlName = reinterpret_cast<const OraText*>(name.c_str());
  const sb4 nameLength = static_cast<sb4>(name.size());
  // A DML array or table gives the library the array's length and reads the count back.
  auto bindOne = [&](void* v, ub2* alen, ub4 maxArray, ub4* current, ub4 mode) {
    connection_->LockedCall(OCI80, [&] {
      return byPosition ? OCIBindByPos(stmt, &bind, errorHandle_, position, v, length, sqlType, indicators, alen,
                                       nullptr, maxArray, current, mode)
                        : OCIBindByName(stmt, &bind, errorHandle_, sqlName, nameLength, v, length, sqlType, indicators,
                                        alen, nullptr, maxArray, current, mode);
    });
  };
  auto arrayOfStruct = [&] {
    connection_->LockedCall(OCI80, [&] {
      return OCIBindArrayOfStruct(bind, errorHandle_, static_cast<ub4>(length), sizeof(sb2), 0, 0);
    });
  };
  if (!param->Table && iterations_ <= 1 && !isLong) {
    bindOne(bindValue, lengthPtr, 0, nullptr, OCI_DEFAULT);
    if (object) {
      OCIType* tdo = object->GetOraType()->GetTDO();
      const bool ref = type == da::dtReference;
      connection_->LockedCall(OCI80, [&] {
        return OCIBindObject(bind, errorHandle_, tdo, &param->BoundInstance, nullptr,
                             ref ? nullptr : &param->BoundIndicator, nullptr);
      });
    }
    param->BindCount = 1;
  } else if (!param->Table && iterations_ <= 1) {
    // The value moves in pieces during the execution, through the callbacks.
    bindOne(nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC);
    connection_->LockedCall(OCI80, [&] {
      return OCIBindDynamic(bind, errorHandle_, this, &TOCICommand::InBindCallback, this, &TOCICommand::OutBindCallback);
    });
    param->BindHandle = bind;
    param->BindCount = 1;
  } else if (!param->Table) {
    if (param->GetLength() < iterations_)
      RaiseError(olv::Format(SArrayParam, {name.substr(1), static_cast<int>(iterations_)}));
    bindOne(bindValue, nullptr, 0, nullptr, OCI_DEFAULT);
    arrayOfStruct();
  } else {
    param->BindCount = param->GetLength();
    bindOne(bindValue, nullptr, static_cast<ub4>(param->GetLength()), reinterpret_cast<ub4*>(&param->BindCount),
            OCI_DEFAULT);
    arrayOfStruct();
  }
  if (type == da::dtString && connection_->GetCharsetId() != 0) {
    ub2 charsetId = connection_->GetCharsetId();
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrSet(bind, OCI_HTYPE_BIND, &charsetId, 0, OCI_ATTR_CHARSET_ID, errorHandle_);
    });
  }
}

// ---- LONG values in pieces ----

TOraParamDesc* TOCICommand::ParamOfBind(const void* bind) const {
  for (int i = 0; i < GetParamCount(); ++i)
    if (GetOraParam(i)->BindHandle == bind) return GetOraParam(i);
  return nullptr;
}

sb4 TOCICommand::InBindCallback(void* context, OCIBind* bind, ub4, ub4, void** buffer, ub4* length, ub1* piece,
                                void** indicator) {
  auto* command = static_cast<TOCICommand*>(context);
  try {
    TOraParamDesc* param = command->ParamOfBind(bind);
    da::DAAssert(param != nullptr, "OraClasses");
    da::TBlob& blob = *param->GetAsBlob();
    if (*piece == OCI_FIRST_PIECE) param->PieceCounter = 0;
    da::TPieceHeader* current = PieceAt(blob, param->PieceCounter);
    if (!current) {
      *buffer = nullptr;
      *length = 0;
      *indicator = nullptr;
      *piece = OCI_LAST_PIECE;
    } else {
      *buffer = da::TBlob::PieceData(current);
      *length = current->Used;
      *indicator = param->GetIndicatorPtr();
      *piece = !current->Next ? OCI_LAST_PIECE : param->PieceCounter == 0 ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
      ++param->PieceCounter;
    }
    return OCI_CONTINUE;
  } catch (...) {
    command->callbackError_ = std::current_exception();
    return OCI_ERROR;
  }
}

sb4 TOCICommand::OutBindCallback(void* context, OCIBind* bind, ub4, ub4, void** buffer, ub4** length, ub1* piece,
                                 void** indicator, ub2** returnCode) {
  auto* command = static_cast<TOCICommand*>(context);
  try {
    TOraParamDesc* param = command->ParamOfBind(bind);
    da::DAAssert(param != nullptr, "OraClasses");
    da::TBlob& blob = *param->GetAsBlob();
    if (*piece == OCI_ONE_PIECE) blob.Clear();  // the first piece of a new value
    const std::uint32_t size = std::max<std::uint32_t>(blob.PieceSize, 1);
    da::TPieceHeader* next = nullptr;
    blob.AllocPiece(next, size);
    blob.AppendPiece(next);
    next->Used = size;  // the library writes the length it delivers there
    *buffer = da::TBlob::PieceData(next);
    *length = da::TBlob::PieceUsedPtr(next);
    *indicator = param->GetIndicatorPtr();
    *piece = OCI_NEXT_PIECE;
    *returnCode = nullptr;
    return OCI_CONTINUE;
  } catch (...) {
    command->callbackError_ = std::current_exception();
    return OCI_ERROR;
  }
}

void TOCICommand::GetPieceInfo(void*& handle, ub1& direction, ub4& iteration, ub4& index, ub1& piece) {
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    void* context = nullptr;
    connection_->LockedCall(OCI73, [&] { return ogetpi(cda, &piece, &context, &iteration, &index); });
    handle = context;
    direction = 0;
    return;
  }
  OCIStmt* stmt = cursor_->GetOCIStmt();
  ub4 handleType = 0;
  connection_->LockedCall(OCI80, [&] {
    return OCIStmtGetPieceInfo(stmt, errorHandle_, &handle, &handleType, &direction, &iteration, &index, &piece);
  });
}

void TOCICommand::SetPieceInfo(void* handle, void* buffer, ub4& length, ub1 piece) {
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    connection_->LockedCall(OCI73, [&] { return osetpi(cda, piece, buffer, &length); });
    return;
  }
  connection_->LockedCall(OCI80, [&] {
    return OCIStmtSetPieceInfo(handle, OCI_HTYPE_BIND, errorHandle_, buffer, &length, piece, nullptr, nullptr);
  });
}

bool TOCICommand::WantsPieces(sword status) const {
  return callStyle_ == OCI80 ? status == OCI_NEED_DATA
                             : status == OCI7_NEED_INPUT_PIECE || status == OCI7_NEED_OUTPUT_PIECE;
}

void TOCICommand::SendPieces(da::TBlob& blob, sword& status, void*& handle, ub1& direction, ub1& piece) {
  void* const bind = handle;
  ub4 iteration = 0, index = 0;
  for (da::TPieceHeader* current = blob.GetFirstPiece();; current = current ? current->Next : nullptr) {
    ub4 length = current ? current->Used : 0;
    const bool last = !current || !current->Next;  // an empty value goes as one empty last piece
    SetPieceInfo(bind, current ? da::TBlob::PieceData(current) : nullptr, length, last ? OCI_LAST_PIECE : piece);
    status = Exec(OCI_DEFAULT);
    if (!WantsPieces(status)) return;
    GetPieceInfo(handle, direction, iteration, index, piece);
    // A first piece starts the next value: the caller's to handle.
    if (last || piece == OCI_FIRST_PIECE || piece == OCI_ONE_PIECE || handle != bind) return;
  }
}

void TOCICommand::ReceivePieces(da::TBlob& blob, sword& status, void*& handle, ub1& direction, ub1& piece) {
  void* const bind = handle;
  ub4 iteration = 0, index = 0;
  blob.Clear();
  const ub4 size = std::max<std::uint32_t>(blob.PieceSize, 1);
  for (;;) {
    da::TPieceHeader* current = nullptr;
    blob.AllocPiece(current, size);
    ub4 length = size;
    try {
      SetPieceInfo(bind, da::TBlob::PieceData(current), length, piece);
      status = Exec(OCI_DEFAULT);
    } catch (...) {
      blob.FreePiece(current);
      throw;
    }
    current->Used = std::min(length, size);
    if (current->Used < size) blob.ReallocPiece(current, current->Used);  // an empty piece is freed
    if (current) blob.AppendPiece(current);
    if (!WantsPieces(status)) return;
    GetPieceInfo(handle, direction, iteration, index, piece);
    if (piece == OCI_FIRST_PIECE || piece == OCI_ONE_PIECE || handle != bind) return;
  }
}

sword TOCICommand::TransferPieces(sword status) {
  void* handle = nullptr;
  ub1 direction = 0, piece = 0;
  ub4 iteration = 0, index = 0;
  GetPieceInfo(handle, direction, iteration, index, piece);
  if (callStyle_ == OCI73) return TransferPieces7(status, piece);
  while (status != OCI_SUCCESS) {
    TOraParamDesc* param = ParamOfBind(handle);
    da::DAAssert(param != nullptr, "OraClasses");
    if (direction == OCI_PARAM_IN) {
      SendPieces(*param->GetAsBlob(), status, handle, direction, piece);
    } else {
      ReceivePieces(*param->GetAsBlob(), status, handle, direction, piece);
    }
  }
  return status;
}

void TOCICommand::Warning(const char* text) {
  if (connection_) connection_->Warn(text);
}

sword TOCICommand::TransferPieces7(sword status, ub1 piece) {
  // The old interface names no bind: the LONG parameters take the pieces in list order, and a
  // mismatch is warned about and settled with empty pieces or dropped data.
  void* handle = nullptr;
  ub1 direction = 0;
  ub4 iteration = 0, index = 0;
  // Each LONG parameter of a direction, in list order, while the status asks for that direction.
  auto inTurn = [&](bool output, auto&& move) {
    const sword wanted = output ? OCI7_NEED_OUTPUT_PIECE : OCI7_NEED_INPUT_PIECE;
    for (int i = 0; i < GetParamCount(); ++i) {
      TOraParamDesc* p = GetOraParam(i);
      const da::TParamType t = p->GetParamType();
      const bool takes = t == da::ptInputOutput || t == (output ? da::ptOutput : da::ptInput);
      if (!IsLong(p->GetDataType()) || !takes || (!output && p->GetNull())) continue;
      if (status != wanted) {
        Warning(output ? STooManyOutputParams : STooManyInputParams);
        return;
      }
      move(*p->GetAsBlob());
    }
  };
  inTurn(false, [&](da::TBlob& blob) { SendPieces(blob, status, handle, direction, piece); });
  if (status == OCI7_NEED_INPUT_PIECE) {
    Warning(SNotEnoughInputParams);
    while (status == OCI7_NEED_INPUT_PIECE) {
      ub4 length = 0;
      SetPieceInfo(nullptr, nullptr, length, OCI_LAST_PIECE);
      status = Exec(OCI_DEFAULT);
    }
    if (status == OCI7_NEED_OUTPUT_PIECE) GetPieceInfo(handle, direction, iteration, index, piece);
  }
  inTurn(true, [&](da::TBlob& blob) { ReceivePieces(blob, status, handle, direction, piece); });
  if (status == OCI7_NEED_OUTPUT_PIECE) {
    Warning(SNotEnoughOutputParams);
    char scratch[100];
    while (status == OCI7_NEED_OUTPUT_PIECE) {
      GetPieceInfo(handle, direction, iteration, index, piece);
      ub4 length = sizeof scratch;
      SetPieceInfo(nullptr, scratch, length, OCI_LAST_PIECE);
      status = Exec(OCI_DEFAULT);
    }
  }
  ub4 length = 0;
  SetPieceInfo(nullptr, nullptr, length, OCI_LAST_PIECE);
  return status;
}

// ---- object parameters ----

void TOCICommand::TakeObjectParams() {
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = GetOraParam(i);
    const da::TDataType type = param->GetDataType();
    // The library replaces the instance only when it delivered a value, whatever the direction.
    if (!IsObjectInstance(type) || !param->GetObject() || param->GetObject() != param->BoundObject) continue;
    if (type == da::dtReference) {
      auto* ref = static_cast<TOraRef*>(param->GetObject());
      if (param->BoundInstance != ref->GetRef()) ref->SetRef(static_cast<OCIRef*>(param->BoundInstance));
      continue;
    }
    // The library made a new instance for the value; the object takes it and lets the old go.
    auto* object = static_cast<TOraObject*>(param->GetObject());
    if (param->BoundInstance != object->GetInstance() || param->BoundIndicator != object->GetIndicator())
      object->TakeFetched(param->BoundInstance, param->BoundIndicator);
    param->BoundInstance = object->GetInstance();
    param->BoundIndicator = object->GetIndicator();
  }
}

// ---- LOB parameters ----

void TOCICommand::MoveLobParams() {
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = GetOraParam(i);
    if (param->GetDataType() != dtOraBlob && param->GetDataType() != dtOraClob) continue;
    TOraLob* lob = param->GetAsLob();
    lob->SetCached(CacheLobs || param->GetParamType() == da::ptInput);
    if (!lob->GetCached() || param->GetNull()) continue;
    switch (param->GetParamType()) {
      case da::ptInput: lob->WriteLob(); break;
      case da::ptOutput: lob->ReadLob(); break;
      default: RaiseError(SNeedParamType);
    }
  }
}

}  // namespace ora
