#pragma once
// What answers the entry-point table (OraCall.h). Two back ends: the installed client library,
// whose entries the table binds when OCIInit loads it, and the direct network client (net/), which
// re-points the table at entries of its own. The session component switches between them
// (TOraSessionOptions::SetNet) through this interface alone: the Oracle layer above the table
// never includes the network client. The program hands the network client over (SetNetClient)
// before it asks a session for it; without it, asking raises "Can't initialize Net client".
//
// Threads: a switch runs on the main thread with every session disconnected, as every write of
// the table does; the handed pointer itself may be read from any thread.
#include "oracle/client/OciTypes.h"

namespace ora {

class IOciBackEnd {
 public:
  virtual ~IOciBackEnd() = default;
  // Makes the table lead into this back end; the table was freed (FreeOCI) just before. Raises
  // when the back end cannot be used.
  virtual void Init() = 0;
  // Leaves the back end: nothing of it stays in the table.
  virtual void Finish() = 0;
};

// The installed client library: Init leaves the table free, so that the next OCIInit finds and
// loads the library; Finish frees the table (FreeOCI).
IOciBackEnd& ClientLibrary();

// The direct network client the program handed over, or nullptr.
void SetNetClient(IOciBackEnd* client);
IOciBackEnd* NetClient();

// Service-context attributes that only the network client answers (milliseconds, as ub4): the
// bound of the connect, handshake and logon as a whole, and of each wait for a reply during a
// call (0: none).
inline constexpr ub4 kNetAttrConnectTimeout = 0x4E01;
inline constexpr ub4 kNetAttrReceiveTimeout = 0x4E02;

}  // namespace ora
