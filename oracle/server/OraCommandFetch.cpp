// The command's side of a result: describing its columns into field descriptors, defining where
// the library writes each column's values, and the fetch calls, in both call styles.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "dataaccess/Data.h"
#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/values/OraStringFieldLength.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraType.h"

namespace ora {

namespace {

// The old interface's "variable not in select list": its version-2 code, and the error itself.
constexpr sword kOldNoSuchColumn = -303;
constexpr int kNoSuchColumnCode = 1007;
constexpr sword kOldEndOfRows = 4;
constexpr std::size_t kOldNameBuffer = 50;
// The longest LONG value, and the longest name a describe may give (an identifier of 128
// characters of up to four bytes each).
constexpr ub4 kMaxDescribedName = 512;


// Lengths of columns described as strings, capped to what a field's length holds.
std::uint16_t StringLength(std::int32_t length) {
  return static_cast<std::uint16_t>(std::clamp<std::int32_t>(length, 0, 65534));
}

// The raw description of one column, from either call style.
struct TColumnInfo {
  std::string name;
  ub2 type = 0;
  ub2 size = 0;
  sb2 precision = 0;
  sb2 scale = 0;
  bool nullable = true;
  std::string typeName;  // schema.type of a named type or REF column
};

}  // namespace

bool TOCICommand::DescribeField(int column, da::TFieldDesc& field, bool flat, bool longStrings) {
  CheckActive();
  TColumnInfo c;
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    sb4 dbsize = 0, dsize = 0;
    sb2 dbtype = 0, prec = 0, scale = 0, nullok = 0;
    char name[kOldNameBuffer + 1] = {};
    sb4 nameLength = static_cast<sb4>(kOldNameBuffer);
    const sword status = connection_->LockedCall(
        OCI73,
        [&] {
          return odescr(cda, column, &dbsize, &dbtype, reinterpret_cast<sb1*>(name), &nameLength, &dsize, &prec,
                        &scale, &nullok);
        },
        {kOldNoSuchColumn, -kNoSuchColumnCode});
    if (status == kOldNoSuchColumn || status == -kNoSuchColumnCode) return false;
    // The name's length is the library's word: it must fit the buffer it was written into.
    if (nameLength < 0 || nameLength > static_cast<sb4>(kOldNameBuffer))
      RaiseError("The client library described a column name of " + std::to_string(nameLength) + " bytes in a " +
                 std::to_string(kOldNameBuffer) + "-byte buffer");
    if (dbsize < 0 || dbsize > 65535) RaiseError("The client library described a column of " + std::to_string(dbsize) + " bytes");
    c.name.assign(name, static_cast<std::size_t>(nameLength));
    c.type = static_cast<ub2>(dbtype);
    c.size = static_cast<ub2>(dbsize);
    c.precision = prec;
    c.scale = static_cast<sb2>(std::abs(scale));
    c.nullable = nullok != 0;
  } else {
    CheckOCI80();
    OCIStmt* stmt = cursor_->GetOCIStmt();
    ub4 count = 0;
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, errorHandle_);
    });
    if (column < 1 || static_cast<ub4>(column) > count) return false;
    void* param = nullptr;
    connection_->LockedCall(OCI80, [&] {
      return OCIParamGet(stmt, OCI_HTYPE_STMT, errorHandle_, &param, static_cast<ub4>(column));
    });
    // The descriptor belongs to the statement; it is given back at once all the same.
    struct TParamGuard {
      void* p;
      ~TParamGuard() { OCIDescriptorFree(p, OCI_DTYPE_PARAM); }
    } guard{param};
    auto text = [&](ub4 attribute) {
      OraText* p = nullptr;
      ub4 length = 0;
      connection_->LockedCall(OCI80, [&] {
        return OCIAttrGet(param, OCI_DTYPE_PARAM, &p, &length, attribute, errorHandle_);
      });
      if (length > kMaxDescribedName) RaiseError("The client library described a name of " + std::to_string(length) + " bytes");
      return p && length ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
    };
    auto get = [&](auto& value, ub4 attribute) {
      connection_->LockedCall(OCI80, [&] {
        return OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, errorHandle_);
      });
    };
    c.name = text(OCI_ATTR_NAME);
    get(c.type, OCI_ATTR_DATA_TYPE);
    get(c.size, OCI_ATTR_DATA_SIZE);
    if (c.type == SQLT_NUM || c.type == SQLT_INTERVAL_YM || c.type == SQLT_INTERVAL_DS || c.type == SQLT_TIMESTAMP ||
        c.type == SQLT_TIMESTAMP_TZ || c.type == SQLT_TIMESTAMP_LTZ) {
      sb1 scale = 0;
      get(c.precision, OCI_ATTR_PRECISION);
      get(scale, OCI_ATTR_SCALE);
      c.scale = scale;
    }
    if (c.type == SQLT_NTY || c.type == SQLT_REF) c.typeName = text(OCI_ATTR_SCHEMA_NAME) + "." + text(OCI_ATTR_TYPE_NAME);
    ub1 nullable = 1;
    get(nullable, OCI_ATTR_IS_NULL);
    c.nullable = nullable != 0;
  }

  field.Name = c.name;
  field.FieldNo = static_cast<std::uint16_t>(column);
  field.Length = c.size;
  field.Scale = static_cast<std::uint16_t>(std::max<sb2>(c.scale, 0));
  field.SubDataType = da::dtUnknown;
  field.Fixed = false;
  const bool oci8 = callStyle_ == OCI80;
  const bool oci9 = oci8 && (PossibleOCICallStyles & csOCI9);
  auto pointerField = [&](da::TDataType type) {
    field.DataType = type;
    field.Size = da::TData::FieldSizeOf(da::dtBlob, 0);  // a reference
  };
  // A field inside the record holds at most 65535 bytes (the record's field sizes are 16-bit): a
  // column the library describes as longer is refused before any buffer is laid out for it.
  auto inRecord = [&](std::uint32_t bytes) {
    if (bytes > 0xFFFF)
      RaiseError("Column " + c.name + " is described " + std::to_string(c.size) +
                 " bytes long: more than a record field holds");
    field.Size = static_cast<std::uint16_t>(bytes);
  };
  auto stringField = [&](std::uint16_t length) {
    field.DataType = da::dtString;
    field.Length = length;
    inRecord(length + 1u);
  };
  auto unsupported = [] { RaiseError(SDataTypeNotSupported); };

  switch (c.type) {
    case SQLT_CHR:
    case SQLT_AFC:
      field.Length = c.size;
      field.Fixed = c.type == SQLT_AFC;
      if (c.size < 256 || longStrings) {
        if (c.size < 32 || flat) {
          stringField(c.size);
        } else {
          pointerField(da::dtExtString);
        }
      } else {
        pointerField(da::dtMemo);
        field.SubDataType = da::dtString;
      }
      break;
    case SQLT_NUM:
      field.Length = static_cast<std::uint16_t>(std::max<sb2>(c.precision, 0));
      if (FieldsAsString) {
        stringField(StringLength(NumberStringLength(c.precision, c.scale)));
      } else if (connection_->EnableIntegers && c.scale == 0 && c.precision >= 1 && c.precision <= 9) {
        field.DataType = da::dtInt32;
        field.Size = 4;
      } else {
        field.DataType = da::dtFloat;
        field.Size = 8;
      }
      break;
    case SQLT_LNG:
      pointerField(da::dtMemo);
      field.Length = 0;
      break;
    case SQLT_RID:
      stringField(18);
      field.SubDataType = dtRowId;
      break;
    case SQLT_DAT:
      if (FieldsAsString) {
        stringField(StringLength(DateStringLength(connection_->GetNlsParameter(kNlsDateFormat), false)));
      } else {
        field.DataType = da::dtDateTime;
        field.Size = 7;
        field.Length = 0;
      }
      break;
    case SQLT_BIN:
      if (FieldsAsString) {
        stringField(static_cast<std::uint16_t>(std::min(2 * c.size, 65534)));
      } else if (!oci8 || c.size < 32 || flat) {
        field.DataType = da::dtVarBytes;
        inRecord(c.size + 2u);
      } else {
        pointerField(da::dtExtVarBytes);
      }
      break;
    case SQLT_LBI:
      pointerField(da::dtBlob);
      field.Length = 0;
      break;
    case 25:
      if (!oci8) unsupported();
      field.DataType = dtUndefined;
      field.Size = c.size;
      break;
    case SQLT_RDD:
      if (!oci8) unsupported();
      if (c.size <= 4) {
        stringField(18);
        field.SubDataType = dtRowId;
      } else {
        stringField(static_cast<std::uint16_t>(std::lround(c.size * 1.34)));
        field.SubDataType = dtURowId;
      }
      break;
    case SQLT_LAB:
      if (!oci8) unsupported();
      field.DataType = dtLabel;
      field.Size = c.size;
      break;
    case SQLT_NTY:
    case SQLT_REF: {
      if (!oci8) unsupported();
      TOraType* type = TOraType::FindOrCreate(connection_->GetSvcCtx(), c.typeName);
      field.SetObjectType(type);
      type->Release();  // the descriptor holds its own reference
      pointerField(c.type == SQLT_REF ? da::dtReference : type->DataType);
      field.Length = 0;
      break;
    }
    case SQLT_CLOB: if (!oci8) unsupported(); pointerField(dtOraClob); break;
    case SQLT_BLOB: if (!oci8) unsupported(); pointerField(dtOraBlob); break;
    case SQLT_BFILEE: if (!oci8) unsupported(); pointerField(dtBFile); break;
    case SQLT_CFILEE: if (!oci8) unsupported(); pointerField(dtCFile); break;
    case SQLT_RSET: if (!oci8) unsupported(); pointerField(dtCursor); break;
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
      if (!oci9) unsupported();
      if (FieldsAsString) {
        const int nls = c.type == SQLT_TIMESTAMP_TZ ? kNlsTimeStampTZFormat : kNlsTimeStampFormat;
        stringField(StringLength(DateStringLength(connection_->GetNlsParameter(nls), true)));
      } else {
        pointerField(c.type == SQLT_TIMESTAMP ? dtTimeStamp : c.type == SQLT_TIMESTAMP_TZ ? dtTimeStampTZ : dtTimeStampLTZ);
      }
      break;
    case SQLT_INTERVAL_YM:
    case SQLT_INTERVAL_DS:
      if (!oci9) unsupported();
      if (FieldsAsString) {
        stringField(StringLength(IntervalStringLength(c.type == SQLT_INTERVAL_YM, std::max<sb2>(c.precision, 0), c.scale)));
      } else {
        pointerField(c.type == SQLT_INTERVAL_YM ? dtIntervalYM : dtIntervalDS);
      }
      break;
    default:
      unsupported();
  }
  field.Required = !c.nullable;
  return true;
}

TDefineForm TOCICommand::DefineFormOf(const da::TFieldDesc& field) const {
  TDefineForm form;
  switch (field.DataType) {
    case da::dtString: case da::dtExtString:
      form.sqlType = SQLT_STR;
      form.size = field.Length + 1;
      break;
    case da::dtMemo:  // a long text kept as a memo; LONG columns are defined piecewise
      form.sqlType = SQLT_STR;
      form.size = field.Length + 1;
      break;
    case da::dtVarBytes: case da::dtExtVarBytes:
      form.sqlType = SQLT_BIN;
      form.size = field.Length;
      form.valueOffset = 2;
      form.lengthPrefix = true;
      break;
    case dtUndefined:
      form.sqlType = SQLT_CHR;
      form.size = field.Size;
      break;
    case dtLabel:
      form.sqlType = SQLT_LAB;
      form.size = field.Size;
      break;
    case da::dtObject: case da::dtArray: case da::dtTable: case da::dtReference:
      form.sqlType = GetSQLType(field.DataType, false);
      form.size = 0;
      form.object = true;
      break;
    case dtCursor: case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile: case dtTimeStamp:
    case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS:
      // The buffer holds the handle or descriptor the library writes through.
      form.sqlType = GetSQLType(field.DataType, false);
      form.size = callStyle_ == OCI80 && field.DataType == dtCursor ? 0 : static_cast<sb4>(sizeof(void*));
      break;
    default:
      form.sqlType = GetSQLType(field.DataType, false);
      form.size = field.Size;
      break;
  }
  return form;
}

void TOCICommand::DefineField(int column, const da::TFieldDesc& field, void* buffer, sb2* indicator,
                              OCIDefine** handle) {
  DefineArrayField(column, field, buffer, indicator, 0, 0, handle);
}

void TOCICommand::DefineArrayField(int column, const da::TFieldDesc& field, void* buffer, sb2* indicator,
                                   ub4 bufferSkip, ub4 indicatorSkip, OCIDefine** handle) {
  CheckActive();
  const TDefineForm form = DefineFormOf(field);
  auto* base = static_cast<ub1*>(buffer);
  ub1* value = form.object ? nullptr : base + form.valueOffset;
  ub2* length = form.lengthPrefix ? reinterpret_cast<ub2*>(base) : nullptr;
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    if (bufferSkip == 0) {
      connection_->LockedCall(OCI73, [&] {
        return odefin(cda, column, value, form.size, form.sqlType, -1, indicator, nullptr, -1, -1, length, nullptr);
      });
    } else {
      connection_->LockedCall(OCI73, [&] {
        return odefinps(cda, 1, column, value, form.size, form.sqlType, 0, indicator, nullptr, 0, 0, length, nullptr,
                        static_cast<sb4>(bufferSkip), static_cast<sb4>(indicatorSkip),
                        static_cast<sb4>(length ? bufferSkip : 0), 0);
      });
    }
    return;
  }
  OCIStmt* stmt = cursor_->GetOCIStmt();
  OCIDefine* own = nullptr;
  OCIDefine*& define = handle ? *handle : own;
  connection_->LockedCall(OCI80, [&] {
    return OCIDefineByPos(stmt, &define, errorHandle_, static_cast<ub4>(column), value, form.size, form.sqlType,
                          form.object ? nullptr : indicator, length, nullptr, OCI_DEFAULT);
  });
  if ((field.DataType == da::dtString || field.DataType == da::dtExtString || field.DataType == da::dtMemo) &&
      connection_->GetCharsetId() != 0) {
    ub2 charsetId = connection_->GetCharsetId();
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrSet(define, OCI_HTYPE_DEFINE, &charsetId, 0, OCI_ATTR_CHARSET_ID, errorHandle_);
    });
  }
  if (form.object) {
    // The buffer holds two addresses a row: where the instance (or REF) pointer goes, and where
    // the pointer to its indicator structure goes.
    auto* slots = static_cast<void**>(buffer);
    auto* type = static_cast<TOraType*>(field.ObjectType());
    da::DAAssert(type != nullptr, "OraClasses");
    OCIType* tdo = type->GetTDO();
    connection_->LockedCall(OCI80, [&] {
      return OCIDefineObject(define, errorHandle_, tdo, slots, nullptr,
                             field.DataType == da::dtReference ? nullptr : slots + 1, nullptr);
    });
  }
  if (bufferSkip != 0) {
    connection_->LockedCall(OCI80, [&] {
      return OCIDefineArrayOfStruct(define, errorHandle_, bufferSkip, form.object ? bufferSkip : indicatorSkip,
                                    length ? bufferSkip : 0, 0);
    });
  }
}

void TOCICommand::DefinePiecewise(int column, const da::TFieldDesc& field, void* context, OCICallbackDefine callback,
                                  OCIDefine** handle, sb2* indicator) {
  CheckActive();
  const bool longString = field.DataType == da::dtMemo && field.SubDataType == da::dtString;
  const ub2 sqlType = GetSQLType(field.DataType, longString);
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    connection_->LockedCall(OCI73, [&] {
      return odefinps(cda, 0, column, static_cast<ub1*>(context), kMaxLongSize, sqlType, 0, indicator, nullptr, 0, 0,
                      nullptr, nullptr, 0, 0, 0, 0);
    });
    return;
  }
  OCIStmt* stmt = cursor_->GetOCIStmt();
  OCIDefine*& define = *handle;
  connection_->LockedCall(OCI80, [&] {
    return OCIDefineByPos(stmt, &define, errorHandle_, static_cast<ub4>(column), nullptr, kMaxLongSize, sqlType,
                          nullptr, nullptr, nullptr, OCI_DYNAMIC_FETCH);
  });
  connection_->LockedCall(OCI80, [&] { return OCIDefineDynamic(define, errorHandle_, context, callback); });
}

int TOCICommand::Fetch(int rows, ub2 orientation, sb4 offset) {
  CheckActive();
  TCommandLock lock(*this);
  const std::int32_t before = RowsFetched;
  std::int64_t count = 0;
  bool end = false;
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    const sword status = connection_->LockedCall(OCI73, [&] { return ofen(cda, rows); }, {kOldEndOfRows});
    end = status == kOldEndOfRows;
    count = cda->rpc;
  } else {
    OCIStmt* stmt = cursor_->GetOCIStmt();
    const sword status = connection_->LockedCall(
        OCI80,
        [&] {
          return orientation == OCI_FETCH_NEXT
                     ? OCIStmtFetch(stmt, errorHandle_, static_cast<ub4>(rows), OCI_FETCH_NEXT, OCI_DEFAULT)
                     : OCIStmtFetch2(stmt, errorHandle_, static_cast<ub4>(rows), orientation, offset, OCI_DEFAULT);
        },
        {OCI_NO_DATA});
    end = status == OCI_NO_DATA;
    ub4 rowCount = 0;
    connection_->LockedCall(OCI80, [&] {
      return OCIAttrGet(stmt, OCI_HTYPE_STMT, &rowCount, nullptr, OCI_ATTR_ROW_COUNT, errorHandle_);
    });
    count = rowCount;
  }
  // The library's count of rows decides which records are linked: it must lie within what this
  // call could have added to the buffers given for it.
  const std::int64_t added = count - before;
  const bool forward = orientation == OCI_FETCH_NEXT;
  if (count < 0 || count > INT32_MAX || (forward && (added < 0 || added > rows)))
    RaiseError("The client library reported " + std::to_string(count) + " rows fetched after " +
               std::to_string(before) + " for a fetch of " + std::to_string(rows));
  RowsFetched = static_cast<std::int32_t>(count);
  MarkFetched(end);
  return forward ? static_cast<int>(added) : static_cast<int>(std::max<std::int64_t>(added, 0));
}

sword TOCICommand::FetchPiece(ub2 orientation, sb4 offset) {
  CheckActive();
  TCommandLock lock(*this);
  sword status;
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    status = connection_->LockedCall(OCI73, [&] { return ofen(cda, 1); }, {kOldEndOfRows, OCI7_NEED_OUTPUT_PIECE});
    if (status == OCI7_NEED_OUTPUT_PIECE) status = OCI_NEED_DATA;
    if (status == kOldEndOfRows) status = OCI_NO_DATA;
    if (status == OCI_SUCCESS) RowsFetched = static_cast<std::int32_t>(std::min<ub4>(cda->rpc, INT32_MAX));
  } else {
    OCIStmt* stmt = cursor_->GetOCIStmt();
    status = connection_->LockedCall(
        OCI80,
        [&] {
          return orientation == OCI_FETCH_NEXT && !cursor_->Scrollable
                     ? OCIStmtFetch(stmt, errorHandle_, 1, OCI_FETCH_NEXT, OCI_DEFAULT)
                     : OCIStmtFetch2(stmt, errorHandle_, 1, orientation, offset, OCI_DEFAULT);
        },
        {OCI_NO_DATA, OCI_NEED_DATA});
    if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) {
      ub4 rowCount = 0;
      connection_->LockedCall(OCI80, [&] {
        return OCIAttrGet(stmt, OCI_HTYPE_STMT, &rowCount, nullptr, OCI_ATTR_ROW_COUNT, errorHandle_);
      });
      if (rowCount > INT32_MAX) RaiseError("The client library reported " + std::to_string(rowCount) + " rows fetched");
      RowsFetched = static_cast<std::int32_t>(rowCount);
      status = OCI_SUCCESS;
    }
  }
  MarkFetched(status == OCI_NO_DATA);
  return status;
}

void TOCICommand::MarkFetched(bool end) {
  if (end && !cursor_->Scrollable) {
    if (callStyle_ == OCI73) {
      FinishFetch();
    } else {
      cursor_->SetState(csFetched);
    }
  } else if (cursor_->GetState() < csFetching) {
    cursor_->SetState(csFetching);
  }
}

void TOCICommand::FinishFetch() {
  if (callStyle_ == OCI73) {
    CdaDef* cda = cursor_->GetCDA();
    connection_->LockedCall(OCI73, [&] { return ocan(cda); });
  }
  cursor_->SetState(csFetched);
}

}  // namespace ora
