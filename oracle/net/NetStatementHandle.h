#pragma once
// The statement handle of the emulated call interface (handle type 4) and its parts: binds,
// defines and described columns. The statement is the protocol's statement state
// (NetStatement.h) seen as a handle: its attributes tell the rows processed, the SQL function
// code, the number of described columns, the ROWID, the statement type and the parse-error
// offset; its binds and defines hold what the bind and define calls stored, and hand the
// call interface's callbacks their own handle.
//
// Buffers of cursor and LOB items hold handle values (TNetHandle*): a cursor's statement handle,
// a LOB locator. Their slots in memory are pointer-sized; on the wire a LOB bind announces 4
// bytes, as the protocol expects of a locator whatever the client's pointer size.
//
// Ownership: the statement owns its binds, defines and column descriptions; they are freed with
// it or by the next prepare. The statement keeps its service context only while that lives
// (TNetServiceContext detaches it). One thread at a time, as its connection.
#include <memory>
#include <string>
#include <vector>

#include "oracle/net/NetHandle.h"
#include "oracle/net/NetStatement.h"

namespace ora {

class TNetParamDesc : public TNetHandle, public TNetItem {
 public:
  explicit TNetParamDesc(void* owner);
  sword AttrGet(ub4 attribute, void* value, ub4* size) override;
  bool FreedWithOwner() const override { return true; }

  std::uint8_t Precision = 0;
  std::int16_t Scale = 0;
  bool Nullable = false;
};

class TNetBind : public TNetParamDesc {
 public:
  using TNetParamDesc::TNetParamDesc;
  sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error) override;
  // The dynamic bind's callbacks, called with this bind's handle.
  void SetCallbacks(void* inContext, OCICallbackInBind in, void* outContext, OCICallbackOutBind out);

 private:
  static std::int32_t In(void* context, void* item, std::uint32_t iteration, std::uint32_t index, void** buffer,
                         std::uint32_t* length, std::uint8_t* piece, void** indicator);
  static std::int32_t Out(void* context, void* item, std::uint32_t iteration, std::uint32_t index, void** buffer,
                          std::uint32_t** length, std::uint8_t* piece, void** indicator, std::uint16_t** returnCode);
  void* inContext_ = nullptr;
  OCICallbackInBind in_ = nullptr;
  void* outContext_ = nullptr;
  OCICallbackOutBind out_ = nullptr;
};

class TNetDefine : public TNetParamDesc {
 public:
  using TNetParamDesc::TNetParamDesc;
  sword AttrSet(ub4 attribute, void* value, ub4 size, TNetError* error) override;
  // The dynamic define's callback, called with this define's handle.
  void SetCallback(void* context, OCICallbackDefine callback);

 private:
  static std::int32_t Out(void* context, void* item, std::uint32_t iteration, std::uint32_t index, void** buffer,
                          std::uint32_t** length, std::uint8_t* piece, void** indicator, std::uint16_t** returnCode);
  void* context_ = nullptr;
  OCICallbackDefine callback_ = nullptr;
};

// A described column, read through its attributes.
class TNetColumnDesc : public TNetParamDesc {
 public:
  using TNetParamDesc::TNetParamDesc;
  void Take(const TNetColumn& column);
};

class TNetStatement : public TNetHandle, public TNetStatementState {
 public:
  explicit TNetStatement(void* owner) : TNetHandle(owner) {}
  ~TNetStatement() override;

  sword AttrGet(ub4 attribute, void* value, ub4* size) override;
  sword ParamGet(ub4 position, TNetHandle*& parameter, TNetError* error) override;

  // The bind of that exact name (a leading ":" is not part of it) or 1-based position; null
  // when the statement has none.
  TNetBind* BindNamed(const std::string& name);
  TNetBind* BindAt(std::size_t position);
  // The define at a 1-based position: reused when there is one, made when the slot is empty or
  // beyond the list.
  TNetDefine& DefineHandleAt(std::size_t position);
  // SQL := the text; the statement type and binds found again (Prepare).
  int PrepareText(const std::string& sql, TNetError& error);

  // Runs on the service context given (the statement remembers it): describe only (mode bit
  // 16) or execute.
  int ExecuteOn(TNetServiceContext& context, TNetError& error, std::uint32_t iterations, std::uint32_t mode);
  int FetchRows(TNetError& error, std::uint32_t rows);

  TNetServiceContext* Context() const { return context_; }
  // The service context is going: the statement forgets it and its session.
  void ContextGone();

  // The SQL function code of the call interface for a command code of a status reply.
  static std::uint16_t FunctionCodeOf(std::uint8_t commandCode);

 protected:
  std::unique_ptr<TNetItem> NewItem() override;
  TNetStatementState* CursorIn(void* slot) override;
  TNetLob* LobIn(void* slot) override;

 private:
  void UseContext(TNetServiceContext* context);
  // Statements that cursor binds or defines now hold run on this statement's context.
  void AdoptCursors();

  TNetServiceContext* context_ = nullptr;
  std::vector<std::unique_ptr<TNetColumnDesc>> columnHandles_;
};

}  // namespace ora
