#pragma once
// The emulated entry points that InitNet (NetCallInterface.h) puts into the client library's
// table, each with the published prototype of the entry it stands for. Internal to the network
// client: the Oracle layer reaches them only through the table; the LOB entries call the others
// directly to run their dbms_lob blocks.
#include <cstddef>

#include "oracle/client/OciTypes.h"

namespace ora::netentry {

sword EnvCreate(OCIEnv** env, ub4 mode, void* context, OCIMallocFn, OCIReallocFn, OCIFreeFn, std::size_t extra,
                void** userMemory);
sword HandleAlloc(const void* parent, void** handle, ub4 type, std::size_t extra, void** userMemory);
sword HandleFree(void* handle, ub4 type);
sword DescriptorAlloc(const void* parent, void** descriptor, ub4 type, std::size_t extra, void** userMemory);
sword DescriptorFree(void* descriptor, ub4 type);
sword AttrGet(const void* handle, ub4 type, void* value, ub4* size, ub4 attribute, OCIError* error);
sword AttrSet(void* handle, ub4 type, void* value, ub4 size, ub4 attribute, OCIError* error);
sword ParamGet(const void* handle, ub4 type, OCIError* error, void** parameter, ub4 position);
sword ErrorGet(void* handle, ub4 record, OraText* sqlState, sb4* code, OraText* buffer, ub4 size, ub4 type);
sword ServerAttach(OCIServer* server, OCIError* error, const OraText* text, sb4 length, ub4 mode);
sword ServerDetach(OCIServer* server, OCIError* error, ub4 mode);
sword ServerVersion(void* handle, OCIError* error, OraText* buffer, ub4 size, ub1 type);
sword SessionBegin(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 credentials, ub4 mode);
sword SessionEnd(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 mode);
sword Break(void* handle, OCIError* error);
sword TransCommit(OCISvcCtx* context, OCIError* error, ub4 flags);
sword TransRollback(OCISvcCtx* context, OCIError* error, ub4 flags);
sword StmtPrepare(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length, ub4 language, ub4 mode);
sword StmtExecute(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations, ub4 rowOffset,
                  const OCISnapshot* in, OCISnapshot* out, ub4 mode);
sword StmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4 mode);
sword BindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name, sb4 nameLength,
                 void* value, sb4 size, ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 maxArrayLength,
                 ub4* arrayLength, ub4 mode);
sword BindByPos(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value, sb4 size, ub2 type,
                void* indicator, ub2* length, ub2* returnCode, ub4 maxArrayLength, ub4* arrayLength, ub4 mode);
sword BindArrayOfStruct(OCIBind* bind, OCIError* error, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                        ub4 returnCodeSkip);
sword BindDynamic(OCIBind* bind, OCIError* error, void* inContext, OCICallbackInBind in, void* outContext,
                  OCICallbackOutBind out);
sword DefineByPos(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value, sb4 size,
                  ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 mode);
sword DefineArrayOfStruct(OCIDefine* define, OCIError* error, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                          ub4 returnCodeSkip);
sword DefineDynamic(OCIDefine* define, OCIError* error, void* context, OCICallbackDefine callback);
sword LobLocatorIsInit(OCIEnv* env, OCIError* error, const OCILobLocator* locator, boolean* isInit);
sword LobCharSetForm(OCIEnv* env, OCIError* error, const OCILobLocator* locator, ub1* form);

// NetLobBlocks.cpp.
sword LobGetLength(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length);
sword LobTrim(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 length);
sword LobRead(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
              ub4 bufferLength, void* callbackContext, OCICallbackLobRead callback, ub2 charset, ub1 form);
sword LobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
               ub4 bufferLength, ub1 piece, void* callbackContext, OCICallbackLobWrite callback, ub2 charset,
               ub1 form);

}  // namespace ora::netentry
