#pragma once
// The one list of the client library's entry points that the Oracle layer binds: 208 names in
// five groups, each with its published C prototype. The list drives the declarations of the
// entry-point table, its binding after loading, its reset to the not-linked stub, and the stand-in
// library's check of its own exports.
//
// ORA_OCI_ENTRIES(X) calls X(group, return type, name, (parameter types)) once per entry, in
// binding order. Groups and when they are bound (see OraCall.h):
//   OCI7  the old interface              (call-style bit 2)
//   OCI8  handles, statements, LOBs      (bit 4)
//   OBJ   the object API                 (bit 4 and object mode)
//   OCI81 environment creation, direct path (bit 8)
//   OCI9  datetimes, intervals, XML      (bit 16)
#include "oracle/client/OciTypes.h"

#define ORA_OCI7_ENTRIES(X)                                                                                          \
  X(OCI7, sword, obindps,                                                                                            \
    (CdaDef*, ub1, OraText*, sb4, ub1*, sb4, sword, sword, sb2*, ub2*, ub2*, sb4, sb4, sb4, sb4, ub4, ub4*, OraText*, \
     sb4, sword))                                                                                                    \
  X(OCI7, sword, obndra,                                                                                             \
    (CdaDef*, OraText*, sword, ub1*, sword, sword, sword, sb2*, ub2*, ub2*, ub4, ub4*, OraText*, sword, sword))     \
  X(OCI7, sword, obndrn, (CdaDef*, sword, ub1*, sword, sword, sword, sb2*, OraText*, sword, sword))                  \
  X(OCI7, sword, obndrv, (CdaDef*, OraText*, sword, ub1*, sword, sword, sword, sb2*, OraText*, sword, sword))        \
  X(OCI7, sword, obreak, (CdaDef*))                                                                                  \
  X(OCI7, sword, ocan, (CdaDef*))                                                                                    \
  X(OCI7, sword, oclose, (CdaDef*))                                                                                  \
  X(OCI7, sword, ocof, (CdaDef*))                                                                                    \
  X(OCI7, sword, ocom, (CdaDef*))                                                                                    \
  X(OCI7, sword, ocon, (CdaDef*))                                                                                    \
  X(OCI7, sword, odefin,                                                                                             \
    (CdaDef*, sword, ub1*, sword, sword, sword, sb2*, OraText*, sword, sword, ub2*, ub2*))                          \
  X(OCI7, sword, odefinps,                                                                                           \
    (CdaDef*, ub1, sword, ub1*, sb4, sword, sword, sb2*, OraText*, sb4, sword, ub2*, ub2*, sb4, sb4, sb4, sb4))      \
  X(OCI7, sword, odescr, (CdaDef*, sword, sb4*, sb2*, sb1*, sb4*, sb4*, sb2*, sb2*, sb2*))                           \
  X(OCI7, sword, odessp,                                                                                             \
    (CdaDef*, OraText*, std::size_t, ub1*, std::size_t, ub1*, std::size_t, ub2*, ub2*, ub2*, OraText**, ub2*, ub2*,  \
     ub1*, ub1*, ub4*, sb2*, sb2*, ub1*, ub4*, ub4*))                                                                \
  X(OCI7, sword, oerhms, (CdaDef*, sb2, OraText*, sword))                                                            \
  X(OCI7, sword, oermsg, (sb2, OraText*))                                                                            \
  X(OCI7, sword, oexec, (CdaDef*))                                                                                   \
  X(OCI7, sword, oexfet, (CdaDef*, ub4, sword, sword))                                                               \
  X(OCI7, sword, oexn, (CdaDef*, sword, sword))                                                                      \
  X(OCI7, sword, ofen, (CdaDef*, sword))                                                                             \
  X(OCI7, sword, ofetch, (CdaDef*))                                                                                  \
  X(OCI7, sword, oflng, (CdaDef*, sword, ub1*, sb4, sword, ub4*, sb4))                                               \
  X(OCI7, sword, ognfd, (CdaDef*, void*))                                                                            \
  X(OCI7, sword, olog, (CdaDef*, ub1*, OraText*, sword, OraText*, sword, OraText*, sword, ub4))                      \
  X(OCI7, sword, ologof, (CdaDef*))                                                                                  \
  X(OCI7, sword, onbclr, (CdaDef*))                                                                                  \
  X(OCI7, sword, onbset, (CdaDef*))                                                                                  \
  X(OCI7, sword, onbtst, (CdaDef*))                                                                                  \
  X(OCI7, sword, oopen, (CdaDef*, CdaDef*, OraText*, sword, sword, OraText*, sword))                                 \
  X(OCI7, sword, oopt, (CdaDef*, sword, sword))                                                                      \
  X(OCI7, sword, oparse, (CdaDef*, OraText*, sb4, sword, ub4))                                                       \
  X(OCI7, sword, opinit, (ub4))                                                                                      \
  X(OCI7, sword, orol, (CdaDef*))                                                                                    \
  X(OCI7, sword, ogetpi, (CdaDef*, ub1*, void**, ub4*, ub4*))                                                        \
  X(OCI7, sword, osetpi, (CdaDef*, ub1, void*, ub4*))                                                                \
  X(OCI7, void, sqllda, (CdaDef*))                                                                                   \
  X(OCI7, void, sqlld2, (CdaDef*, OraText*, sb4*))

#define ORA_OCI8_ENTRIES(X)                                                                                          \
  X(OCI8, sword, OCIAttrGet, (const void*, ub4, void*, ub4*, ub4, OCIError*))                                        \
  X(OCI8, sword, OCIAttrSet, (void*, ub4, void*, ub4, ub4, OCIError*))                                               \
  X(OCI8, sword, OCIBindArrayOfStruct, (OCIBind*, OCIError*, ub4, ub4, ub4, ub4))                                    \
  X(OCI8, sword, OCIBindByName,                                                                                      \
    (OCIStmt*, OCIBind**, OCIError*, const OraText*, sb4, void*, sb4, ub2, void*, ub2*, ub2*, ub4, ub4*, ub4))       \
  X(OCI8, sword, OCIBindByPos,                                                                                       \
    (OCIStmt*, OCIBind**, OCIError*, ub4, void*, sb4, ub2, void*, ub2*, ub2*, ub4, ub4*, ub4))                       \
  X(OCI8, sword, OCIBindDynamic, (OCIBind*, OCIError*, void*, OCICallbackInBind, void*, OCICallbackOutBind))        \
  X(OCI8, sword, OCIBindObject, (OCIBind*, OCIError*, const OCIType*, void**, ub4*, void**, ub4*))                   \
  X(OCI8, sword, OCIBreak, (void*, OCIError*))                                                                       \
  X(OCI8, sword, OCIDefineArrayOfStruct, (OCIDefine*, OCIError*, ub4, ub4, ub4, ub4))                                \
  X(OCI8, sword, OCIDefineByPos,                                                                                     \
    (OCIStmt*, OCIDefine**, OCIError*, ub4, void*, sb4, ub2, void*, ub2*, ub2*, ub4))                                \
  X(OCI8, sword, OCIDefineDynamic, (OCIDefine*, OCIError*, void*, OCICallbackDefine))                                \
  X(OCI8, sword, OCIDefineObject, (OCIDefine*, OCIError*, const OCIType*, void**, ub4*, void**, ub4*))               \
  X(OCI8, sword, OCIDescribeAny, (OCISvcCtx*, OCIError*, void*, ub4, ub1, ub1, ub1, OCIDescribe*))                   \
  X(OCI8, sword, OCIDescriptorAlloc, (const void*, void**, ub4, std::size_t, void**))                                \
  X(OCI8, sword, OCIDescriptorFree, (void*, ub4))                                                                    \
  X(OCI8, sword, OCIEnvInit, (OCIEnv**, ub4, std::size_t, void**))                                                   \
  X(OCI8, sword, OCIErrorGet, (void*, ub4, OraText*, sb4*, OraText*, ub4, ub4))                                      \
  X(OCI8, sword, OCIHandleAlloc, (const void*, void**, ub4, std::size_t, void**))                                    \
  X(OCI8, sword, OCIHandleFree, (void*, ub4))                                                                        \
  X(OCI8, sword, OCIInitialize, (ub4, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn))                                  \
  X(OCI8, sword, OCILdaToSvcCtx, (OCISvcCtx**, OCIError*, LdaDef*))                                                  \
  X(OCI8, sword, OCIParamGet, (const void*, ub4, OCIError*, void**, ub4))                                            \
  X(OCI8, sword, OCIPasswordChange,                                                                                  \
    (OCISvcCtx*, OCIError*, const OraText*, ub4, const OraText*, ub4, const OraText*, ub4, ub4))                     \
  X(OCI8, sword, OCIServerAttach, (OCIServer*, OCIError*, const OraText*, sb4, ub4))                                 \
  X(OCI8, sword, OCIServerDetach, (OCIServer*, OCIError*, ub4))                                                      \
  X(OCI8, sword, OCIServerVersion, (void*, OCIError*, OraText*, ub4, ub1))                                           \
  X(OCI8, sword, OCISessionBegin, (OCISvcCtx*, OCIError*, OCISession*, ub4, ub4))                                    \
  X(OCI8, sword, OCISessionEnd, (OCISvcCtx*, OCIError*, OCISession*, ub4))                                           \
  X(OCI8, sword, OCIStmtExecute,                                                                                     \
    (OCISvcCtx*, OCIStmt*, OCIError*, ub4, ub4, const OCISnapshot*, OCISnapshot*, ub4))                              \
  X(OCI8, sword, OCIStmtFetch, (OCIStmt*, OCIError*, ub4, ub2, ub4))                                                 \
  X(OCI8, sword, OCIStmtFetch2, (OCIStmt*, OCIError*, ub4, ub2, sb4, ub4))                                           \
  X(OCI8, sword, OCIStmtGetPieceInfo, (OCIStmt*, OCIError*, void**, ub4*, ub1*, ub4*, ub4*, ub1*))                   \
  X(OCI8, sword, OCIStmtPrepare, (OCIStmt*, OCIError*, const OraText*, ub4, ub4, ub4))                               \
  X(OCI8, sword, OCIStmtSetPieceInfo, (void*, ub4, OCIError*, const void*, ub4*, ub1, const void*, ub2*))            \
  X(OCI8, sword, OCISvcCtxToLda, (OCISvcCtx*, OCIError*, LdaDef*))                                                  \
  X(OCI8, sword, OCITransCommit, (OCISvcCtx*, OCIError*, ub4))                                                       \
  X(OCI8, sword, OCITransRollback, (OCISvcCtx*, OCIError*, ub4))                                                     \
  X(OCI8, sword, OCILobAppend, (OCISvcCtx*, OCIError*, OCILobLocator*, OCILobLocator*))                              \
  X(OCI8, sword, OCILobAssign, (OCIEnv*, OCIError*, const OCILobLocator*, OCILobLocator**))                          \
  X(OCI8, sword, OCILobCharSetForm, (OCIEnv*, OCIError*, const OCILobLocator*, ub1*))                                \
  X(OCI8, sword, OCILobCharSetId, (OCIEnv*, OCIError*, const OCILobLocator*, ub2*))                                  \
  X(OCI8, sword, OCILobCopy, (OCISvcCtx*, OCIError*, OCILobLocator*, OCILobLocator*, ub4, ub4, ub4))                 \
  X(OCI8, sword, OCILobDisableBuffering, (OCISvcCtx*, OCIError*, OCILobLocator*))                                    \
  X(OCI8, sword, OCILobEnableBuffering, (OCISvcCtx*, OCIError*, OCILobLocator*))                                     \
  X(OCI8, sword, OCILobErase, (OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4))                                    \
  X(OCI8, sword, OCILobFileClose, (OCISvcCtx*, OCIError*, OCILobLocator*))                                           \
  X(OCI8, sword, OCILobFileExists, (OCISvcCtx*, OCIError*, OCILobLocator*, boolean*))                                \
  X(OCI8, sword, OCILobFileGetName, (OCIEnv*, OCIError*, const OCILobLocator*, OraText*, ub2*, OraText*, ub2*))      \
  X(OCI8, sword, OCILobFileIsOpen, (OCISvcCtx*, OCIError*, OCILobLocator*, boolean*))                                \
  X(OCI8, sword, OCILobFileOpen, (OCISvcCtx*, OCIError*, OCILobLocator*, ub1))                                       \
  X(OCI8, sword, OCILobFileSetName, (OCIEnv*, OCIError*, OCILobLocator**, const OraText*, ub2, const OraText*, ub2)) \
  X(OCI8, sword, OCILobFlushBuffer, (OCISvcCtx*, OCIError*, OCILobLocator*, ub4))                                    \
  X(OCI8, sword, OCILobGetLength, (OCISvcCtx*, OCIError*, OCILobLocator*, ub4*))                                     \
  X(OCI8, sword, OCILobIsEqual, (OCIEnv*, const OCILobLocator*, const OCILobLocator*, boolean*))                     \
  X(OCI8, sword, OCILobLoadFromFile, (OCISvcCtx*, OCIError*, OCILobLocator*, OCILobLocator*, ub4, ub4, ub4))         \
  X(OCI8, sword, OCILobLocatorIsInit, (OCIEnv*, OCIError*, const OCILobLocator*, boolean*))                          \
  X(OCI8, sword, OCILobRead,                                                                                         \
    (OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4, void*, ub4, void*, OCICallbackLobRead, ub2, ub1))             \
  X(OCI8, sword, OCILobTrim, (OCISvcCtx*, OCIError*, OCILobLocator*, ub4))                                           \
  X(OCI8, sword, OCILobWrite,                                                                                        \
    (OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4, void*, ub4, ub1, void*, OCICallbackLobWrite, ub2, ub1))       \
  X(OCI8, sword, OCILobCreateTemporary,                                                                              \
    (OCISvcCtx*, OCIError*, OCILobLocator*, ub2, ub1, ub1, boolean, OCIDuration))

#define ORA_OBJ_ENTRIES(X)                                                                                           \
  X(OBJ, sword, OCICacheFlush, (OCIEnv*, OCIError*, const OCISvcCtx*, void*, OCICacheGetRefFn, OCIRef**))            \
  X(OBJ, sword, OCICacheFree, (OCIEnv*, OCIError*, const OCISvcCtx*))                                                \
  X(OBJ, sword, OCICacheRefresh,                                                                                     \
    (OCIEnv*, OCIError*, const OCISvcCtx*, OCIRefreshOpt, void*, OCICacheRefreshRefFn, OCIRef**))                    \
  X(OBJ, sword, OCICacheUnmark, (OCIEnv*, OCIError*, const OCISvcCtx*))                                              \
  X(OBJ, sword, OCICacheUnpin, (OCIEnv*, OCIError*, const OCISvcCtx*))                                               \
  X(OBJ, sword, OCIObjectCopy,                                                                                       \
    (OCIEnv*, OCIError*, const OCISvcCtx*, void*, void*, void*, void*, OCIType*, OCIDuration, ub1))                  \
  X(OBJ, sword, OCIObjectExists, (OCIEnv*, OCIError*, void*, boolean*))                                              \
  X(OBJ, sword, OCIObjectFlush, (OCIEnv*, OCIError*, void*))                                                         \
  X(OBJ, sword, OCIObjectFree, (OCIEnv*, OCIError*, void*, ub2))                                                     \
  X(OBJ, sword, OCIObjectGetAttr,                                                                                    \
    (OCIEnv*, OCIError*, void*, void*, OCIType*, const OraText**, const ub4*, ub4, const ub4*, ub4, OCIInd*, void**, \
     void**, OCIType**))                                                                                             \
  X(OBJ, sword, OCIObjectGetInd, (OCIEnv*, OCIError*, void*, void**))                                                \
  X(OBJ, sword, OCIObjectGetObjectRef, (OCIEnv*, OCIError*, void*, OCIRef*))                                         \
  X(OBJ, sword, OCIObjectGetProperty, (OCIEnv*, OCIError*, const void*, OCIObjectPropId, void*, ub4*))               \
  X(OBJ, sword, OCIObjectGetTypeRef, (OCIEnv*, OCIError*, void*, OCIRef*))                                           \
  X(OBJ, sword, OCIObjectIsDirty, (OCIEnv*, OCIError*, void*, boolean*))                                             \
  X(OBJ, sword, OCIObjectIsLocked, (OCIEnv*, OCIError*, void*, boolean*))                                            \
  X(OBJ, sword, OCIObjectLock, (OCIEnv*, OCIError*, void*))                                                          \
  X(OBJ, sword, OCIObjectMarkDelete, (OCIEnv*, OCIError*, void*))                                                    \
  X(OBJ, sword, OCIObjectMarkDeleteByRef, (OCIEnv*, OCIError*, OCIRef*))                                             \
  X(OBJ, sword, OCIObjectMarkUpdate, (OCIEnv*, OCIError*, void*))                                                    \
  X(OBJ, sword, OCIObjectNew,                                                                                        \
    (OCIEnv*, OCIError*, const OCISvcCtx*, OCITypeCode, OCIType*, void*, OCIDuration, boolean, void**))              \
  X(OBJ, sword, OCIObjectPin,                                                                                        \
    (OCIEnv*, OCIError*, OCIRef*, OCIComplexObject*, OCIPinOpt, OCIDuration, OCILockOpt, void**))                    \
  X(OBJ, sword, OCIObjectPinCountReset, (OCIEnv*, OCIError*, void*))                                                 \
  X(OBJ, sword, OCIObjectPinTable,                                                                                   \
    (OCIEnv*, OCIError*, const OCISvcCtx*, const OraText*, ub4, const OraText*, ub4, const OCIRef*, OCIDuration,     \
     void**))                                                                                                        \
  X(OBJ, sword, OCIObjectRefresh, (OCIEnv*, OCIError*, void*))                                                       \
  X(OBJ, sword, OCIObjectSetAttr,                                                                                    \
    (OCIEnv*, OCIError*, void*, void*, OCIType*, const OraText**, const ub4*, ub4, const ub4*, ub4, OCIInd,          \
     const void*, const void*))                                                                                      \
  X(OBJ, sword, OCIObjectUnmark, (OCIEnv*, OCIError*, void*))                                                        \
  X(OBJ, sword, OCIObjectUnmarkByRef, (OCIEnv*, OCIError*, OCIRef*))                                                 \
  X(OBJ, sword, OCIObjectUnpin, (OCIEnv*, OCIError*, void*))                                                         \
  X(OBJ, sword, OCITypeByName,                                                                                       \
    (OCIEnv*, OCIError*, const OCISvcCtx*, const OraText*, ub4, const OraText*, ub4, const OraText*, ub4,            \
     OCIDuration, OCITypeGetOpt, OCIType**))                                                                         \
  X(OBJ, sword, OCITypeByRef, (OCIEnv*, OCIError*, const OCIRef*, OCIDuration, OCITypeGetOpt, OCIType**))            \
  X(OBJ, sword, OCICollAppend, (OCIEnv*, OCIError*, const void*, const void*, OCIColl*))                             \
  X(OBJ, sword, OCICollAssign, (OCIEnv*, OCIError*, const OCIColl*, OCIColl*))                                       \
  X(OBJ, sword, OCICollAssignElem, (OCIEnv*, OCIError*, sb4, const void*, const void*, OCIColl*))                    \
  X(OBJ, sword, OCICollGetElem, (OCIEnv*, OCIError*, const OCIColl*, sb4, boolean*, void**, void**))                 \
  X(OBJ, sb4, OCICollMax, (OCIEnv*, const OCIColl*))                                                                 \
  X(OBJ, sword, OCICollSize, (OCIEnv*, OCIError*, const OCIColl*, sb4*))                                             \
  X(OBJ, sword, OCICollTrim, (OCIEnv*, OCIError*, sb4, OCIColl*))                                                    \
  X(OBJ, sword, OCIDateAssign, (OCIError*, const OCIDate*, OCIDate*))                                                \
  X(OBJ, sword, OCIDateFromText, (OCIError*, const OraText*, ub4, const OraText*, ub1, const OraText*, ub4, OCIDate*)) \
  X(OBJ, void, OCIDateGetDate, (const OCIDate*, sb2*, ub1*, ub1*))                                                   \
  X(OBJ, void, OCIDateGetTime, (const OCIDate*, ub1*, ub1*, ub1*))                                                   \
  X(OBJ, void, OCIDateSetDate, (OCIDate*, sb2, ub1, ub1))                                                            \
  X(OBJ, void, OCIDateSetTime, (OCIDate*, ub1, ub1, ub1))                                                            \
  X(OBJ, sword, OCIDateToText,                                                                                       \
    (OCIError*, const OCIDate*, const OraText*, ub1, const OraText*, ub4, ub4*, OraText*))                           \
  X(OBJ, sword, OCINumberAssign, (OCIError*, const OCINumber*, OCINumber*))                                          \
  X(OBJ, sword, OCINumberFromInt, (OCIError*, const void*, uword, uword, OCINumber*))                                \
  X(OBJ, sword, OCINumberFromReal, (OCIError*, const void*, uword, OCINumber*))                                      \
  X(OBJ, sword, OCINumberFromText,                                                                                   \
    (OCIError*, const OraText*, ub4, const OraText*, ub4, const OraText*, ub4, OCINumber*))                          \
  X(OBJ, sword, OCINumberToInt, (OCIError*, const OCINumber*, uword, uword, void*))                                  \
  X(OBJ, sword, OCINumberToReal, (OCIError*, const OCINumber*, uword, void*))                                        \
  X(OBJ, sword, OCINumberToText,                                                                                     \
    (OCIError*, const OCINumber*, const OraText*, ub4, const OraText*, ub4, ub4*, OraText*))                         \
  X(OBJ, sword, OCIRefAssign, (OCIEnv*, OCIError*, const OCIRef*, OCIRef**))                                         \
  X(OBJ, void, OCIRefClear, (OCIEnv*, OCIRef*))                                                                      \
  X(OBJ, boolean, OCIRefIsEqual, (OCIEnv*, const OCIRef*, const OCIRef*))                                            \
  X(OBJ, boolean, OCIRefIsNull, (OCIEnv*, const OCIRef*))                                                            \
  X(OBJ, sword, OCIRefToHex, (OCIEnv*, OCIError*, const OCIRef*, OraText*, ub4*))                                    \
  X(OBJ, sword, OCIStringAllocSize, (OCIEnv*, OCIError*, const OCIString*, ub4*))                                    \
  X(OBJ, sword, OCIStringAssign, (OCIEnv*, OCIError*, const OCIString*, OCIString**))                                \
  X(OBJ, sword, OCIStringAssignText, (OCIEnv*, OCIError*, const OraText*, ub4, OCIString**))                         \
  X(OBJ, OraText*, OCIStringPtr, (OCIEnv*, const OCIString*))                                                        \
  X(OBJ, sword, OCIStringResize, (OCIEnv*, OCIError*, ub4, OCIString**))                                             \
  X(OBJ, ub4, OCIStringSize, (OCIEnv*, const OCIString*))                                                            \
  X(OBJ, sword, OCITableDelete, (OCIEnv*, OCIError*, sb4, OCITable*))                                                \
  X(OBJ, sword, OCITableExists, (OCIEnv*, OCIError*, const OCITable*, sb4, boolean*))                                \
  X(OBJ, sword, OCITableFirst, (OCIEnv*, OCIError*, const OCITable*, sb4*))                                          \
  X(OBJ, sword, OCITableLast, (OCIEnv*, OCIError*, const OCITable*, sb4*))                                           \
  X(OBJ, sword, OCITableNext, (OCIEnv*, OCIError*, sb4, const OCITable*, sb4*, boolean*))                            \
  X(OBJ, sword, OCITablePrev, (OCIEnv*, OCIError*, sb4, const OCITable*, sb4*, boolean*))                            \
  X(OBJ, sword, OCITableSize, (OCIEnv*, OCIError*, const OCITable*, sb4*))

#define ORA_OCI81_ENTRIES(X)                                                                                         \
  X(OCI81, sword, OCIEnvCreate,                                                                                      \
    (OCIEnv**, ub4, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn, std::size_t, void**))                               \
  X(OCI81, sword, OCIDirPathAbort, (OCIDirPathCtx*, OCIError*))                                                      \
  X(OCI81, sword, OCIDirPathColArrayEntryGet, (OCIDirPathColArray*, OCIError*, ub4, ub2, ub1**, ub4*, ub1*))         \
  X(OCI81, sword, OCIDirPathColArrayEntrySet, (OCIDirPathColArray*, OCIError*, ub4, ub2, ub1*, ub4, ub1))            \
  X(OCI81, sword, OCIDirPathColArrayRowGet, (OCIDirPathColArray*, OCIError*, ub4, ub1***, ub4**, ub1**))             \
  X(OCI81, sword, OCIDirPathColArrayReset, (OCIDirPathColArray*, OCIError*))                                         \
  X(OCI81, sword, OCIDirPathColArrayToStream,                                                                        \
    (OCIDirPathColArray*, const OCIDirPathCtx*, OCIDirPathStream*, OCIError*, ub4, ub4))                             \
  X(OCI81, sword, OCIDirPathFinish, (OCIDirPathCtx*, OCIError*))                                                     \
  X(OCI81, sword, OCIDirPathLoadStream, (OCIDirPathCtx*, OCIDirPathStream*, OCIError*))                              \
  X(OCI81, sword, OCIDirPathPrepare, (OCIDirPathCtx*, OCISvcCtx*, OCIError*))                                        \
  X(OCI81, sword, OCIDirPathStreamReset, (OCIDirPathStream*, OCIError*))

#define ORA_OCI9_ENTRIES(X)                                                                                          \
  X(OCI9, sword, OCIDateTimeConstruct,                                                                               \
    (void*, OCIError*, OCIDateTime*, sb2, ub1, ub1, ub1, ub1, ub1, ub4, OraText*, std::size_t))                      \
  X(OCI9, sword, OCIDateTimeCheck, (void*, OCIError*, const OCIDateTime*, ub4*))                                     \
  X(OCI9, sword, OCIDateTimeFromText,                                                                                \
    (void*, OCIError*, const OraText*, std::size_t, const OraText*, ub1, const OraText*, std::size_t, OCIDateTime*)) \
  X(OCI9, sword, OCIDateTimeToText,                                                                                  \
    (void*, OCIError*, const OCIDateTime*, const OraText*, ub1, ub1, const OraText*, std::size_t, ub4*, OraText*))   \
  X(OCI9, sword, OCIDateTimeGetDate, (void*, OCIError*, const OCIDateTime*, sb2*, ub1*, ub1*))                       \
  X(OCI9, sword, OCIDateTimeGetTime, (void*, OCIError*, OCIDateTime*, ub1*, ub1*, ub1*, ub4*))                       \
  X(OCI9, sword, OCIDateTimeGetTimeZoneOffset, (void*, OCIError*, const OCIDateTime*, sb1*, sb1*))                   \
  X(OCI9, sword, OCIDateTimeGetTimeZoneName, (void*, OCIError*, const OCIDateTime*, ub1*, ub4*))                     \
  X(OCI9, sword, OCIDateTimeAssign, (void*, OCIError*, const OCIDateTime*, OCIDateTime*))                            \
  X(OCI9, sword, OCIIntervalFromText, (void*, OCIError*, const OraText*, std::size_t, OCIInterval*))                 \
  X(OCI9, sword, OCIIntervalToText,                                                                                  \
    (void*, OCIError*, const OCIInterval*, ub1, ub1, OraText*, std::size_t, std::size_t*))                           \
  X(OCI9, sword, OCIIntervalCheck, (void*, OCIError*, const OCIInterval*, ub4*))                                     \
  X(OCI9, sword, OCIIntervalAssign, (void*, OCIError*, const OCIInterval*, OCIInterval*))                            \
  X(OCI9, sword, OCIIntervalSetYearMonth, (void*, OCIError*, sb4, sb4, OCIInterval*))                                \
  X(OCI9, sword, OCIIntervalGetYearMonth, (void*, OCIError*, sb4*, sb4*, const OCIInterval*))                        \
  X(OCI9, sword, OCIIntervalSetDaySecond, (void*, OCIError*, sb4, sb4, sb4, sb4, sb4, OCIInterval*))                 \
  X(OCI9, sword, OCIIntervalGetDaySecond, (void*, OCIError*, sb4*, sb4*, sb4*, sb4*, sb4*, const OCIInterval*))      \
  X(OCI9, sword, OCIIntervalFromNumber, (void*, OCIError*, OCIInterval*, OCINumber*))                                \
  X(OCI9, sword, OCIXMLTypeNew, (OCISvcCtx*, OCIError*, OCIDuration, OraText*, ub4, OraText*, ub4, OCIXMLType**))    \
  X(OCI9, sword, OCIXMLTypeCreateFromSrc, (OCISvcCtx*, OCIError*, OCIDuration, ub1, void*, sb4, OCIXMLType**))       \
  X(OCI9, sword, OCIXMLTypeExtract,                                                                                  \
    (OCIError*, OCIXMLType*, OCIDuration, OraText*, ub4, OraText*, ub4, OCIXMLType**))                               \
  X(OCI9, sword, OCIXMLTypeTransform, (OCIError*, OCIDuration, OCIXMLType*, OCIXMLType*, OCIXMLType**))              \
  X(OCI9, sword, OCIXMLTypeExists, (OCIError*, OCIXMLType*, OraText*, ub4, OraText*, ub4, ub4*))                     \
  X(OCI9, sword, OCIXMLTypeIsSchemaBased, (OCIError*, OCIXMLType*, ub4*))                                            \
  X(OCI9, sword, OCIXMLTypeGetSchema, (OCIError*, OCIXMLType*, OCIXMLType**, OraText**, ub4*, OraText**, ub4*))      \
  X(OCI9, sword, OCIXMLTypeValidate, (OCIError*, OCIXMLType*, OraText*, ub4, ub4*))                                  \
  X(OCI9, sword, OCIXMLTypeGetDOM, (OCIError*, OCIXMLType*, OCIDuration, OCIDOMDocument**))                          \
  X(OCI9, sword, OCIXMLTypeGetFromDOM, (OCIError*, OCIDOMDocument*, OCIXMLType**))                                   \
  X(OCI9, sword, OCIDOMFree, (OCIError*, OCIDOMDocument*))                                                           \
  X(OCI9, sword, OCIRowidToChar, (OCIRowid*, OraText*, ub2*, OCIError*))

#define ORA_OCI_ENTRIES(X) \
  ORA_OCI7_ENTRIES(X)      \
  ORA_OCI8_ENTRIES(X)      \
  ORA_OBJ_ENTRIES(X)       \
  ORA_OCI81_ENTRIES(X)     \
  ORA_OCI9_ENTRIES(X)

namespace ora {

// The function-pointer type of each entry: OCIAttrGet_t and so on.
#define ORA_OCI_DECLARE_TYPE(group, ret, name, params) using name##_t = ret(*) params;
ORA_OCI_ENTRIES(ORA_OCI_DECLARE_TYPE)
#undef ORA_OCI_DECLARE_TYPE

enum class TOCIGroup { OCI7, OCI8, OBJ, OCI81, OCI9 };

#define ORA_OCI_COUNT(group, ret, name, params) +1
inline constexpr int kOCIEntryCount = 0 ORA_OCI_ENTRIES(ORA_OCI_COUNT);
#undef ORA_OCI_COUNT
static_assert(kOCIEntryCount == 208, "the table binds 208 entry points");
#define ORA_OCI_COUNT(group, ret, name, params) +1
static_assert(0 ORA_OCI7_ENTRIES(ORA_OCI_COUNT) == 37 && 0 ORA_OCI8_ENTRIES(ORA_OCI_COUNT) == 60 &&
                  0 ORA_OBJ_ENTRIES(ORA_OCI_COUNT) == 70 && 0 ORA_OCI81_ENTRIES(ORA_OCI_COUNT) == 11 &&
                  0 ORA_OCI9_ENTRIES(ORA_OCI_COUNT) == 30,
              "the five groups hold 37, 60, 70, 11 and 30 entry points");
#undef ORA_OCI_COUNT

}  // namespace ora
