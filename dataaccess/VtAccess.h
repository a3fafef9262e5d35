#pragma once
// The contract between the components and a database driver: TVtConnection (a server session),
// TVtCommand (one statement with its parameter descriptions), TVtRecordSet (a TMemData filled from
// a command's result, fetching rows on demand, FetchRows at a time) and TParamDesc (one parameter).
// Settings and events cross the contract as numbered properties (SetProp, GetProp, SetEventProp);
// an identifier a class does not know raises EAssertionFailed whose text is the number. Events
// carry their arguments: after-execute and after-fetch their success flag, before-fetch whether
// the fetch starts (true) or has ended (false) and a cancel flag, the connection's error event the
// error and a fail flag.
//
// Two-phase creation: a record set makes its command through the virtual CreateCommand when the
// command is first needed (a constructor cannot reach the override), unless the driver's
// constructor hands one to SetCommand.
//
// Ownership: a command owns its parameter descriptions; a record set owns its command; a command
// refers to its connection, which outlives it. One thread at a time per connection.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/MemData.h"
#include "dataaccess/Variant.h"

namespace da {

inline constexpr int prAutoCommit = 5;
inline constexpr int prParamCheck = 11;
// Rows the last execution processed (a driver's command answers it; the base does not).
inline constexpr int prRowsProcessed = 13;
inline constexpr int prUniDirectional = 20;
inline constexpr int prFetchRows = 21;
inline constexpr int prFetchAll = 22;
inline constexpr int prExecuting = 24;
inline constexpr int prLongStrings = 25;
inline constexpr int prKeepEmptyStrings = 26;
inline constexpr int prFlatBuffers = 27;
inline constexpr int prConvertEOL = 28;
inline constexpr int prAfterExecute = 100;
inline constexpr int prOnError = 101;
inline constexpr int prRsAfterExecute = 102;
inline constexpr int prAfterFetch = 103;
inline constexpr int prBeforeFetch = 104;

// A property value: switches as bool, counts as int32 (a Variant carries both).
using TPropValue = Variant;

// After-execute (100, 102) and after-fetch (103): whether the step succeeded.
using TResultProc = std::function<void(bool result)>;
// Before-fetch (104): called with true before a fetch (setting cancel stops it without rows) and
// with false after it.
using TFetchProc = std::function<void(bool fetchStart, bool& cancel)>;
// The connection's error event (101): fail starts true; a handler that clears it turns the
// error into the platform's silent abort.
using TErrorProc = std::function<void(const EDAError& error, bool& fail)>;

// An event handed to SetEventProp: one of the three kinds above, chosen by what the callable
// accepts, or none (nullptr) to clear it. The receiver takes the kind its id calls for.
class TEventMethod {
 public:
  TEventMethod() = default;
  TEventMethod(std::nullptr_t) {}
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TEventMethod> &&
                                              !std::is_same_v<std::decay_t<F>, std::nullptr_t>>>
  TEventMethod(F f) {
    if constexpr (std::is_invocable_v<F&, const EDAError&, bool&>) {
      error_ = std::move(f);
    } else if constexpr (std::is_invocable_v<F&, bool, bool&>) {
      fetch_ = std::move(f);
    } else {
      static_assert(std::is_invocable_v<F&, bool>, "an event takes (bool), (bool, bool&) or (EDAError, bool&)");
      result_ = std::move(f);
    }
  }
  bool Empty() const { return !result_ && !fetch_ && !error_; }
  // The event as the kind Proc; EAssertionFailed naming the id when it is of another kind.
  template <class Proc>
  Proc As(int id) const {
    if (Empty()) return Proc();
    const Proc* p = nullptr;
    if constexpr (std::is_same_v<Proc, TResultProc>) p = result_ ? &result_ : nullptr;
    if constexpr (std::is_same_v<Proc, TFetchProc>) p = fetch_ ? &fetch_ : nullptr;
    if constexpr (std::is_same_v<Proc, TErrorProc>) p = error_ ? &error_ : nullptr;
    DAAssert(p != nullptr, "VtAccess", std::to_string(id).c_str());
    return *p;
  }

 private:
  // At most one is set.
  TResultProc result_;
  TFetchProc fetch_;
  TErrorProc error_;
};


class TVtCommand;
class TVtRecordSet;

class TVtConnection {
 public:
  TVtConnection() = default;
  virtual ~TVtConnection() = default;

  virtual void Connect(const std::string& connectString) = 0;
  virtual void Disconnect() = 0;
  virtual void StartTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool SetProp(int id, const TPropValue& value);
  virtual bool GetProp(int id, TPropValue& value);
  virtual bool SetEventProp(int id, TEventMethod method);
  virtual std::unique_ptr<TVtCommand> CreateCommand() = 0;
  virtual std::unique_ptr<TVtRecordSet> CreateRecordSet() = 0;

  bool GetConnected() const { return Connected; }
  void SetUsername(const std::string& value) { Username = value; }
  void SetPassword(const std::string& value) { Password = value; }
  void SetServer(const std::string& value) { Server = value; }

  // The error event (prOnError): a driver calls DoError with each error before raising it;
  // false means a handler cleared the fail flag and the driver raises EAbort instead.
  bool DoError(const EDAError& error);

  bool Connected = false;
  std::string Username, Password, Server;
  bool AutoCommit = false;
  bool ConvertEOL = false;
  TErrorProc OnError;
};

class TParamDesc {
 public:
  virtual ~TParamDesc() = default;
  virtual void SetDataType(TDataType value) { DataType = value; }
  virtual void SetSize(std::int32_t value) { Size = value; }
  virtual Variant GetValue() { return Value; }
  // IsNull follows: Empty or Null values make the parameter NULL.
  virtual void SetValue(const Variant& value) {
    Value = value;
    IsNull = value.IsEmptyOrNull();
  }
  virtual bool GetNull() { return IsNull; }
  // The value is cleared to Empty either way.
  virtual void SetNull(bool value) {
    IsNull = value;
    Value = Variant();
  }

  const std::string& GetName() const { return Name; }
  void SetName(const std::string& value) { Name = value; }
  TDataType GetDataType() const { return DataType; }
  TParamType GetParamType() const { return ParamType; }
  void SetParamType(TParamType value) { ParamType = value; }
  void SetConvertEOL(bool value) { ConvertEOL = value; }

  std::string Name;
  TDataType DataType = dtUnknown;
  TParamType ParamType = ptUnknown;
  std::int32_t Size = 0;
  Variant Value;
  bool IsNull = false;
  bool ConvertEOL = false;
};

using TParamDescs = std::vector<std::unique_ptr<TParamDesc>>;

class TVtCommand {
 public:
  TVtCommand() = default;
  virtual ~TVtCommand() = default;

  virtual void Prepare() = 0;
  virtual void Unprepare() = 0;
  virtual bool GetPrepared() = 0;
  virtual void Execute(int iterations = 1) = 0;
  virtual void SetConnection(TVtConnection* connection) { Connection = connection; }
  virtual void SetSQL(const std::string& text) { SQL = text; }
  virtual int GetCursorState() = 0;
  virtual void SetCursorState(int state) = 0;
  virtual TParamDesc* AddParam();
  virtual bool SetProp(int id, const TPropValue& value);
  virtual bool GetProp(int id, TPropValue& value);
  virtual bool SetEventProp(int id, TEventMethod method);

  int GetParamCount() const { return static_cast<int>(Params.size()); }
  TParamDesc* GetParam(int index) const { return Params.at(static_cast<std::size_t>(index)).get(); }
  void DeleteParam(int index) { Params.erase(Params.begin() + index); }

  TVtConnection* Connection = nullptr;
  std::string SQL;
  TParamDescs Params;
  bool AutoCommit = false;
  TResultProc AfterExecute;  // the driver calls it with the execution's success
  bool Executing = false;
};

class TVtRecordSet : public TMemData {
 public:
  TVtRecordSet() = default;

  void Open() override { TMemData::Open(); }
  void Close() override { TMemData::Close(); }
  void Prepare() override;
  void UnPrepare() override { TMemData::UnPrepare(); }
  void GetNextRecord(void* record) override;
  // Until a fetch came back dry, an empty list is not the end yet: the next move asks again.
  void SetToBegin() override;
  void GetPriorRecord(void* record) override;

  virtual std::unique_ptr<TVtCommand> CreateCommand() = 0;
  virtual void SetCommand(std::unique_ptr<TVtCommand> command) { command_ = std::move(command); }
  // A scrollable cursor: moving back before the first row held fetches the rows before it
  // (Fetch(true) puts them before the first item, keeping the rows held).
  virtual bool CanFetchBack() { return false; }
  virtual void ExecCommand();
  virtual void ExecuteCommand() { GetCommand()->Execute(1); }
  virtual void FetchAllRows() {
    while (Fetch(false)) {
    }
  }
  virtual bool RowsReturn() { return CommandType == 2; }
  virtual void SetConnection(TVtConnection* connection) { GetCommand()->SetConnection(connection); }
  virtual void SetSQL(const std::string& text) { GetCommand()->SetSQL(text); }
  virtual bool SetProp(int id, const TPropValue& value);
  virtual bool GetProp(int id, TPropValue& value);
  virtual bool SetEventProp(int id, TEventMethod method);

  // The command, made through CreateCommand when there is none yet.
  TVtCommand* GetCommand();

  bool UniDirectional = false;
  std::int32_t FetchRows = 25;
  bool FetchAll = false;
  bool LongStrings = true;
  bool FlatBuffers = true;
  // Called by the driver (see the event kinds above).
  TResultProc AfterExecute, AfterFetch;
  TFetchProc BeforeFetch;
  std::uint8_t CommandType = 0;  // 0 not known, 1 no rows, 2 rows

 protected:
  void InternalPrepare() override { GetCommand()->Prepare(); }
  void InternalUnPrepare() override { GetCommand()->Unprepare(); }
  void InternalOpen() override;
  bool GetConvertEOL() const override {
    return command_ && command_->Connection && command_->Connection->ConvertEOL;
  }
  // Closes the ends of the item list again after a fetch that dropped or added rows at an end.
  void CloseListEnds();

 private:
  std::unique_ptr<TVtCommand> command_;
  bool dry_ = false;  // a fetch of a move came back without rows
};

}  // namespace da
