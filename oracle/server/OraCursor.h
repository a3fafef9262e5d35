#pragma once
// TOraCursor: a shared holder of one server cursor: the old interface's cursor data area or a
// statement handle, the call style it was made for, its state and its scrollable flag. A command
// owns one and may switch to another (a cursor returned by a REF CURSOR parameter or field);
// parameters and fields of cursor type hold them too, so the holder is reference-counted and the
// last release frees the handle.
//
// The state is written by the command that currently uses the cursor and may be read from
// another thread (a record set waiting for a background execution): it is atomic. Everything
// else belongs to one thread at a time.
#include <atomic>
#include <cstdint>
#include <memory>

#include "dataaccess/SharedObject.h"
#include "oracle/client/OciTypes.h"

namespace ora {

enum TCursorState : std::uint8_t {
  csInactive = 0,
  csOpen = 1,
  csParsed = 2,
  csPrepared = 3,
  csBound = 4,
  csExecuting = 5,
  csExecuted = 6,
  csFetching = 7,
  csFetchingAll = 8,
  csFetched = 9,
};

class TOraCursor : public da::TSharedObject {
 public:
  TOraCursor();  // state csInactive, call style OCICallStyle

  // Allocates the data area (old interface: zero-filled on every call) or the statement handle
  // (once, in the environment, hOCIEnv when none was set). Raises "OCI is not inizialized" for
  // another call style, EOraError when the library refuses.
  void AllocCursor();
  // Frees the data area and the statement handle, but only while this is the last holder.
  void FreeCursor();

  CdaDef* GetCDA();           // old interface only ("Need Oracle 7.3 Call Interface")
  OCIStmt* GetOCIStmt();      // handle interface only ("Need Oracle 8 Call Interface")
  OCIStmt** GetOCIStmtPtr();  // where a REF CURSOR bind writes the statement handle

  std::uint8_t GetCallStyle() const { return callStyle_; }
  void SetCallStyle(std::uint8_t style);  // a change frees the old handle first
  void SetEnvironment(OCIEnv* env) { env_ = env; }
  OCIEnv* GetEnvironment() const { return env_; }

  TCursorState GetState() const { return state_.load(); }
  void SetState(TCursorState state) { state_.store(state); }
  bool Scrollable = false;

 protected:
  ~TOraCursor() override;

 private:
  std::unique_ptr<CdaDef> cda_;
  OCIStmt* stmt_ = nullptr;
  OCIEnv* env_ = nullptr;
  std::atomic<TCursorState> state_{csInactive};
  std::uint8_t callStyle_;
};

}  // namespace ora
