#pragma once
// The direct network mode of the Oracle layer: the client library's entry-point table
// (OraCall.h) re-pointed at the network client, so that the layer above runs unchanged over TCP
// with no client library installed.
//
// InitNet re-points the entries that the network client answers (handles, attributes, errors,
// logon, transactions, statements, binds, defines, and the LOB length, read, write and trim,
// which run as dbms_lob blocks in chunks of 32,512 bytes); the LOB, describe, piece and object
// entries it cannot answer raise Exception "Function is not supported"; every other entry is the
// not-linked stub (a loaded client library is unloaded first). It sets OCIVersion 3, call style
// OCI8 only, and creates the environment (nil: the network client keeps no environment state)
// and the process-wide error handle; OCIInit then loads no library. FinishNet undoes the mode:
// the next OCIInit detects and loads the client library again. FreeOCI, which the session
// component calls before either, frees the emulated error handle through the table.
//
// NetCallInterface is this client as a back end of the table (OciBackEnd.h): Init is InitNet,
// Finish FinishNet. The program hands it to the Oracle layer (SetNetClient); nothing of the layer
// above the table includes this folder.
//
// Threads: the mode switch runs on the main thread with every session disconnected; the entries
// themselves follow the rules of NetHandle.h.
#include <cstdint>

#include "oracle/client/OciBackEnd.h"
#include "oracle/client/OciTypes.h"

namespace ora {

void InitNet();
void FinishNet();
// The network client answers the table.
bool NetInited();

// The network client as a back end of the table; one for the process.
IOciBackEnd& NetCallInterface();

// The dbms_lob chunk: what one read or write block moves at most.
inline constexpr ub4 kNetLobChunk = 32512;

}  // namespace ora
