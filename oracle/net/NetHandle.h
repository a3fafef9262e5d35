#pragma once
// The handles and descriptors of the emulated call interface: in direct network mode every
// handle the Oracle layer allocates is one of these objects, and the value it passes around as
// the handle is the object's address (as a TNetHandle*). Each kind answers its own attributes and
// gives -2 (invalid handle) for any other; the statement and its binds, defines and described
// columns are in NetStatementHandle.h.
//
// Ownership: the caller frees what it allocated (OCIHandleFree, OCIDescriptorFree). A service
// context owns its network session (and so the socket); statements that ran on it are told when
// it goes, so that none of them talks to a session that no longer exists. Binds, defines and
// described columns belong to their statement and go with it (FreedWithOwner).
//
// Threads: handles carry no locks; the connection layer serialises the calls that reach the
// server. A service context's session may be broken into from another thread (OCIBreak).
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "oracle/client/OciTypes.h"
#include "oracle/net/NetSession.h"
#include "oracle/net/NetStatement.h"

namespace ora {

class TNetStatement;

// Attributes the emulation answers beyond those OciTypes.h names.
inline constexpr ub4 kNetAttrEnvironment = 5;  // of a service context: its environment
inline constexpr ub4 kNetAttrLobEmpty = 45;    // of a LOB locator: the empty flag

class TNetHandle {
 public:
  explicit TNetHandle(void* owner) : owner_(owner) {}
  virtual ~TNetHandle() = default;
  TNetHandle(const TNetHandle&) = delete;
  TNetHandle& operator=(const TNetHandle&) = delete;

  // The attribute's value into `value` (and its size into `size` where the kind says so); -2 for
  // an attribute this kind does not have.
  virtual sword AttrGet(ub4 attribute, void* value, ub4* size);
  // `error` (may be null) receives the failure of a setting that reaches the server.
  virtual sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error);
  // The described parameter at a 1-based position.
  virtual sword ParamGet(ub4 position, TNetHandle*& parameter, TNetError* error);
  // True for the parts of a statement, which go with it: freeing one alone does nothing.
  virtual bool FreedWithOwner() const { return false; }

  void* Owner() const { return owner_; }

 private:
  void* owner_;
};

// Handle type 2: the code and text of the last failure.
class TNetErrorHandle : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  TNetError Error;
};

// Handle type 8: the server text, host, port and SID joined by ":".
class TNetServerHandle : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  std::string ServerText;
};

// Handle type 9: the credentials (attributes 22 and 23).
class TNetSessionHandle : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error) override;
  std::string UserName;
  std::string Password;
};

// Handle type 3: the server and session handles, and the network session itself.
class TNetServiceContext : public TNetHandle {
 public:
  explicit TNetServiceContext(void* owner);
  ~TNetServiceContext() override;

  sword AttrGet(ub4 attribute, void* value, ub4* size) override;
  sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error) override;

  // The whole network logon with the server text and credentials of the attached handles.
  int Logon(TNetError& error);
  TNetSession& Session() { return *session_; }
  TNetServerHandle* Server() const { return server_; }
  TNetSessionHandle* SessionHandle() const { return sessionHandle_; }
  void SetSessionHandle(TNetSessionHandle* handle) { sessionHandle_ = handle; }

  // Statements that ran on this context; they are detached when it goes.
  void Attach(TNetStatement* statement) { statements_.insert(statement); }
  void Detach(TNetStatement* statement) { statements_.erase(statement); }

 private:
  std::unique_ptr<TNetSession> session_;
  TNetServerHandle* server_ = nullptr;
  TNetSessionHandle* sessionHandle_ = nullptr;
  std::set<TNetStatement*> statements_;
};

class TNetDescriptor : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
};

// Descriptor types 50 (LOB) and 56 (file): the locator bytes and LOB type the server sent.
class TNetLobLocator : public TNetDescriptor {
 public:
  using TNetDescriptor::TNetDescriptor;
  sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error) override;
  TNetLob Lob;
};

// Descriptor type 54: the 13 ROWID bytes of a status reply.
class TNetRowid : public TNetDescriptor {
 public:
  using TNetDescriptor::TNetDescriptor;
  TNetRowidBytes Bytes{};
  const std::uint8_t* Data() const { return Bytes.data(); }
};

// The object behind a handle value, or null when it is none of that kind.
template <class T>
T* NetHandleAs(const void* handle) {
  return handle ? dynamic_cast<T*>(static_cast<TNetHandle*>(const_cast<void*>(handle))) : nullptr;
}

}  // namespace ora
