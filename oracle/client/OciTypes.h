#pragma once
// Our own declarations of the Oracle client library's published C interface: its scalar types,
// opaque handle types, the few structures callers lay out themselves (the old interface's logon
// and cursor data areas, OCIDate, OCINumber), callback types and the numeric constants the
// Oracle layer passes. Written from the library's documented behaviour; no vendor header.
//
// This header holds declarations only, so that the stand-in client library in tools/ can share
// the binary interface (and check its exports against it) without sharing any of our logic.
#include <cstddef>
#include <cstdint>

extern "C" {

using sword = int;
using uword = unsigned int;
using sb1 = std::int8_t;
using ub1 = std::uint8_t;
using sb2 = std::int16_t;
using ub2 = std::uint16_t;
using sb4 = std::int32_t;
using ub4 = std::uint32_t;
using OraText = unsigned char;
using boolean = int;
using OCIInd = sb2;
using OCITypeCode = ub2;
using OCIDuration = ub2;
using OCIObjectPropId = ub1;
// Enumerations of the object API; passed as C enums, that is as int.
using OCIPinOpt = int;
using OCILockOpt = int;
using OCIRefreshOpt = int;
using OCITypeGetOpt = int;

// Handles and descriptors: opaque, allocated and freed by the library.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIDescribe;
struct OCIServer;
struct OCISession;
struct OCISnapshot;
struct OCIParam;
struct OCIComplexObject;
struct OCILobLocator;
struct OCIRowid;
// What a ROWID descriptor of an 8.0 or 8.1 client holds (those clients have no call that turns it
// into text): the ROWID's bytes, owned by the descriptor. Their first byte is the kind: 1 a
// physical ROWID, followed by the object number (4 bytes), file number (2), block number (4) and
// row number (2), big-endian; 2 (8.1 only) a logical ROWID, followed by its key bytes.
struct OCIRowidContent8 {
  const unsigned char* content;
  unsigned short size;
};
struct OCIDateTime;
struct OCIInterval;
struct OCIType;
struct OCIRef;
struct OCIString;
struct OCIColl;
using OCIArray = OCIColl;
using OCITable = OCIColl;
struct OCIDirPathCtx;
struct OCIDirPathColArray;
struct OCIDirPathStream;
struct OCIXMLType;
struct OCIDOMDocument;

struct OCINumber {
  ub1 OCINumberPart[22];
};

struct OCITime {
  ub1 OCITimeHH, OCITimeMI, OCITimeSS;
};

struct OCIDate {
  sb2 OCIDateYYYY;
  ub1 OCIDateMM;
  ub1 OCIDateDD;
  OCITime OCIDateTime;
};

// The old interface's logon and cursor data area. The library keeps its state in the reserved
// part, which holds a pointer; the area is laid out for 64-bit pointers.
struct CdaDef {
  sb2 v2_rc;
  ub2 ft;        // OCI function code of the last call
  ub4 rpc;       // rows processed
  ub2 peo;       // parse error offset
  ub1 fc;        // SQL function code
  ub1 rcs1;
  ub2 rc;        // return code (V7)
  ub1 wrn;       // warning flags
  ub1 rcs2;
  sword rcs3;
  struct {
    struct {
      ub4 rcs4;  // object number
      ub2 rcs5;  // file number
      ub1 rcs6;
    } rd;
    ub4 rcs7;    // block number
    ub2 rcs8;    // row number
  } rid;
  sword ose;
  ub1 chk;
  void* rcsp;
  ub1 rcs9[8];
};
using LdaDef = CdaDef;

// Callbacks of dynamic binds and defines and of LOB streaming.
using OCICallbackInBind = sb4 (*)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp, ub4* alenp,
                                  ub1* piecep, void** indp);
using OCICallbackOutBind = sb4 (*)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp, ub4** alenp,
                                   ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackDefine = sb4 (*)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp, ub4** alenp, ub1* piecep,
                                  void** indp, ub2** rcodep);
using OCICallbackLobRead = sb4 (*)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
using OCICallbackLobWrite = sb4 (*)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
using OCIMallocFn = void* (*)(void* ctxp, std::size_t size);
using OCIReallocFn = void* (*)(void* ctxp, void* memptr, std::size_t newsize);
using OCIFreeFn = void (*)(void* ctxp, void* memptr);
using OCICacheGetRefFn = OCIRef* (*)(void* context, ub1* last);
using OCICacheRefreshRefFn = OCIRef* (*)(void* context);

}  // extern "C"

static_assert(sizeof(CdaDef) == 64, "the old interface's data areas are 64 bytes");

namespace ora {

// Sizes of the old interface's data areas.
inline constexpr std::size_t kLdaSize = sizeof(CdaDef);
inline constexpr std::size_t kCdaSize = sizeof(CdaDef);
// The host data area: 256 bytes with 32-bit pointers, twice that with 64-bit ones.
inline constexpr std::size_t kHdaSize = sizeof(void*) == 8 ? 512 : 256;

// Statuses.
inline constexpr sword OCI_SUCCESS = 0;
inline constexpr sword OCI_SUCCESS_WITH_INFO = 1;
inline constexpr sword OCI_NEED_DATA = 99;
inline constexpr sword OCI_NO_DATA = 100;
inline constexpr sword OCI_ERROR = -1;
inline constexpr sword OCI_INVALID_HANDLE = -2;
inline constexpr sb4 OCI_CONTINUE = -24200;

// Handle types.
inline constexpr ub4 OCI_HTYPE_ENV = 1;
inline constexpr ub4 OCI_HTYPE_ERROR = 2;
inline constexpr ub4 OCI_HTYPE_SVCCTX = 3;
inline constexpr ub4 OCI_HTYPE_STMT = 4;
inline constexpr ub4 OCI_HTYPE_BIND = 5;
inline constexpr ub4 OCI_HTYPE_DEFINE = 6;
inline constexpr ub4 OCI_HTYPE_DESCRIBE = 7;
inline constexpr ub4 OCI_HTYPE_SERVER = 8;
inline constexpr ub4 OCI_HTYPE_SESSION = 9;

// Descriptor types.
inline constexpr ub4 OCI_DTYPE_LOB = 50;
inline constexpr ub4 OCI_DTYPE_PARAM = 53;
inline constexpr ub4 OCI_DTYPE_ROWID = 54;
inline constexpr ub4 OCI_DTYPE_FILE = 56;
inline constexpr ub4 OCI_DTYPE_INTERVAL_YM = 62;
inline constexpr ub4 OCI_DTYPE_INTERVAL_DS = 63;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP = 68;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP_TZ = 69;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP_LTZ = 70;

// Attributes.
inline constexpr ub4 OCI_ATTR_DATA_SIZE = 1;
inline constexpr ub4 OCI_ATTR_DATA_TYPE = 2;
inline constexpr ub4 OCI_ATTR_NAME = 4;
inline constexpr ub4 OCI_ATTR_PRECISION = 5;
inline constexpr ub4 OCI_ATTR_SCALE = 6;
inline constexpr ub4 OCI_ATTR_IS_NULL = 7;
inline constexpr ub4 OCI_ATTR_ENV = 5;
inline constexpr ub4 OCI_ATTR_SERVER = 6;
inline constexpr ub4 OCI_ATTR_SESSION = 7;
inline constexpr ub4 OCI_ATTR_ROW_COUNT = 9;
inline constexpr ub4 OCI_ATTR_SQLFNCODE = 10;
inline constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;
inline constexpr ub4 OCI_ATTR_ROWID = 19;
inline constexpr ub4 OCI_ATTR_USERNAME = 22;
inline constexpr ub4 OCI_ATTR_PASSWORD = 23;
inline constexpr ub4 OCI_ATTR_STMT_TYPE = 24;
inline constexpr ub4 OCI_ATTR_INTERNAL_NAME = 25;
inline constexpr ub4 OCI_ATTR_CHARSET_ID = 31;
inline constexpr ub4 OCI_ATTR_LOBEMPTY = 45;
inline constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;

// Modes of environment creation.
inline constexpr ub4 OCI_DEFAULT = 0;
inline constexpr ub4 OCI_THREADED = 1;
inline constexpr ub4 OCI_OBJECT = 2;
inline constexpr ub4 OCI_EVENTS = 4;
inline constexpr ub4 OCI_ENV_NO_MUTEX = 8;
inline constexpr ub4 OCI_SHARED = 16;
inline constexpr ub4 OCI_NO_MUTEX = 128;

// Credentials and session modes.
inline constexpr ub4 OCI_CRED_RDBMS = 1;
inline constexpr ub4 OCI_CRED_EXT = 2;
inline constexpr ub4 OCI_SYSDBA = 2;
inline constexpr ub4 OCI_SYSOPER = 4;

// Statement preparation and execution.
inline constexpr ub4 OCI_NTV_SYNTAX = 1;
inline constexpr ub4 OCI_STMT_SCROLLABLE_READONLY = 8;
inline constexpr ub4 OCI_DESCRIBE_ONLY = 16;
inline constexpr ub4 OCI_COMMIT_ON_SUCCESS = 32;
inline constexpr ub4 OCI_DATA_AT_EXEC = 2;
inline constexpr ub4 OCI_DYNAMIC_FETCH = 2;
inline constexpr ub2 OCI_FETCH_NEXT = 2;
inline constexpr ub2 OCI_FETCH_LAST = 8;
inline constexpr ub2 OCI_FETCH_ABSOLUTE = 32;

// Pieces of a value moved piecewise, and their direction.
inline constexpr ub1 OCI_ONE_PIECE = 0;
inline constexpr ub1 OCI_FIRST_PIECE = 1;
inline constexpr ub1 OCI_NEXT_PIECE = 2;
inline constexpr ub1 OCI_LAST_PIECE = 3;
inline constexpr ub1 OCI_PARAM_IN = 1;
inline constexpr ub1 OCI_PARAM_OUT = 2;
// The old interface's statuses of a piecewise execution: the next input piece, the next output
// buffer; and of a non-blocking call that would block.
inline constexpr sword OCI7_NEED_INPUT_PIECE = -3129;
inline constexpr sword OCI7_NEED_OUTPUT_PIECE = -3130;
inline constexpr sword OCI7_WOULD_BLOCK = -3123;

// LOBs and files.
inline constexpr ub1 OCI_TEMP_BLOB = 1;
inline constexpr ub1 OCI_TEMP_CLOB = 2;
inline constexpr OCIDuration OCI_DURATION_SESSION = 10;
inline constexpr ub1 OCI_FILE_READONLY = 1;
inline constexpr ub1 SQLCS_IMPLICIT = 1;
inline constexpr ub1 SQLCS_NCHAR = 2;

// Statement types (attribute 24).
inline constexpr ub2 OCI_STMT_SELECT = 1;
inline constexpr ub2 OCI_STMT_UPDATE = 2;
inline constexpr ub2 OCI_STMT_DELETE = 3;
inline constexpr ub2 OCI_STMT_INSERT = 4;
inline constexpr ub2 OCI_STMT_BEGIN = 8;
inline constexpr ub2 OCI_STMT_DECLARE = 9;

// External data types (SQLT codes).
inline constexpr ub2 SQLT_CHR = 1;
inline constexpr ub2 SQLT_NUM = 2;
inline constexpr ub2 SQLT_INT = 3;
inline constexpr ub2 SQLT_FLT = 4;
inline constexpr ub2 SQLT_STR = 5;
inline constexpr ub2 SQLT_VNU = 6;
inline constexpr ub2 SQLT_LNG = 8;
inline constexpr ub2 SQLT_VCS = 9;
inline constexpr ub2 SQLT_RID = 11;
inline constexpr ub2 SQLT_DAT = 12;
inline constexpr ub2 SQLT_BIN = 23;
inline constexpr ub2 SQLT_LBI = 24;
inline constexpr ub2 SQLT_UIN = 68;
inline constexpr ub2 SQLT_AFC = 96;
inline constexpr ub2 SQLT_AVC = 97;
inline constexpr ub2 SQLT_CUR = 102;
inline constexpr ub2 SQLT_RDD = 104;
inline constexpr ub2 SQLT_LAB = 106;
inline constexpr ub2 SQLT_NTY = 108;
inline constexpr ub2 SQLT_REF = 110;
inline constexpr ub2 SQLT_CLOB = 112;
inline constexpr ub2 SQLT_BLOB = 113;
inline constexpr ub2 SQLT_BFILEE = 114;
inline constexpr ub2 SQLT_CFILEE = 115;
inline constexpr ub2 SQLT_RSET = 116;
inline constexpr ub2 SQLT_TIMESTAMP = 187;
inline constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
inline constexpr ub2 SQLT_INTERVAL_YM = 189;
inline constexpr ub2 SQLT_INTERVAL_DS = 190;
inline constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// Describing result columns and object types, and the object API.
inline constexpr ub4 OCI_ATTR_TYPE_NAME = 8;
inline constexpr ub4 OCI_ATTR_SCHEMA_NAME = 9;
inline constexpr ub4 OCI_ATTR_PARAM = 124;
inline constexpr ub4 OCI_ATTR_TYPECODE = 216;
inline constexpr ub4 OCI_ATTR_COLLECTION_TYPECODE = 217;
inline constexpr ub4 OCI_ATTR_COLLECTION_ELEMENT = 227;
inline constexpr ub4 OCI_ATTR_NUM_TYPE_ATTRS = 228;
inline constexpr ub4 OCI_ATTR_LIST_TYPE_ATTRS = 229;
inline constexpr ub4 OCI_ATTR_NUM_ELEMS = 234;
inline constexpr ub4 OCI_ATTR_IS_FINAL_TYPE = 279;
inline constexpr ub1 OCI_OTYPE_NAME = 1;
inline constexpr ub1 OCI_PTYPE_TYPE = 6;
inline constexpr OCITypeCode OCI_TYPECODE_OPAQUE = 58;
inline constexpr OCITypeCode OCI_TYPECODE_OBJECT = 108;
inline constexpr OCITypeCode OCI_TYPECODE_NAMEDCOLLECTION = 122;
inline constexpr OCITypeCode OCI_TYPECODE_VARRAY = 247;
inline constexpr OCITypeCode OCI_TYPECODE_TABLE = 248;
inline constexpr OCITypeGetOpt OCI_TYPEGET_HEADER = 0;
inline constexpr OCIPinOpt OCI_PIN_ANY = 3;
inline constexpr OCILockOpt OCI_LOCK_NONE = 1;
inline constexpr ub2 OCI_OBJECTFREE_FORCE = 1;
inline constexpr uword OCI_NUMBER_SIGNED = 2;
inline constexpr OCIInd OCI_IND_NOTNULL = 0;
inline constexpr OCIInd OCI_IND_NULL = -1;

}  // namespace ora
