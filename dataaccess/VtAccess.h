#pragma once
// The contract between the components and a database driver: TVtConnection (a server session),
// TVtCommand (one statement with its parameter descriptions), TVtRecordSet (a TMemData filled from
// a command's result, fetching rows on demand, FetchRows at a time) and TParamDesc (one parameter).
// Settings and events cross the contract as numbered properties (SetProp, GetProp, SetEventProp);
// an identifier a class does not know raises EAssertionFailed whose text is the number.
//
// Ownership: a command owns its parameter descriptions; a record set owns its command; a command
// refers to its connection, which outlives it. One thread at a time per connection.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/MemData.h"
#include "dataaccess/Variant.h"

namespace da {

inline constexpr int prAutoCommit = 5;
inline constexpr int prParamCheck = 11;
inline constexpr int prUniDirectional = 20;
inline constexpr int prFetchRows = 21;
inline constexpr int prFetchAll = 22;
inline constexpr int prExecuting = 24;
inline constexpr int prLongStrings = 25;
inline constexpr int prKeepEmptyStrings = 26;
inline constexpr int prFlatBuffers = 27;
inline constexpr int prConvertEOL = 28;
inline constexpr int prAfterExecute = 100;
inline constexpr int prRsAfterExecute = 102;
inline constexpr int prAfterFetch = 103;
inline constexpr int prBeforeFetch = 104;

// A property value: switches as bool, counts as int32 (a Variant carries both).
using TPropValue = Variant;
using TEventMethod = std::function<void()>;

enum TParamType : std::uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

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

  bool Connected = false;
  std::string Username, Password, Server;
  bool AutoCommit = false;
  bool ConvertEOL = false;
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
  TEventMethod AfterExecute;
  bool Executing = false;
};

class TVtRecordSet : public TMemData {
 public:
  // A driver's constructor calls SetCommand(CreateCommand()): virtual calls do not reach a
  // subclass from this constructor.
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
  virtual void ExecuteCommand() { command_->Execute(1); }
  virtual void FetchAllRows() {
    while (Fetch(false)) {
    }
  }
  virtual bool RowsReturn() { return CommandType == 2; }
  virtual void SetConnection(TVtConnection* connection) { command_->SetConnection(connection); }
  virtual void SetSQL(const std::string& text) { command_->SetSQL(text); }
  virtual bool SetProp(int id, const TPropValue& value);
  virtual bool GetProp(int id, TPropValue& value);
  virtual bool SetEventProp(int id, TEventMethod method);

  TVtCommand* GetCommand() const { return command_.get(); }

  bool UniDirectional = false;
  std::int32_t FetchRows = 25;
  bool FetchAll = false;
  bool LongStrings = true;
  bool FlatBuffers = true;
  TEventMethod AfterExecute, AfterFetch, BeforeFetch;
  std::uint8_t CommandType = 0;  // 0 not known, 1 no rows, 2 rows

 protected:
  void InternalPrepare() override { command_->Prepare(); }
  void InternalUnPrepare() override { command_->Unprepare(); }
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
