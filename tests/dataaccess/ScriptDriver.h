#pragma once
// A driver of our own for tests of the components before the Oracle layer exists: a connection,
// command and record set that answer from a script (SQL text -> columns and rows), counting what
// the components ask for. A text with parameters (":NAME") is looked up first with each
// parameter's value in its place, then as it stands; with AcceptDml, an insert, update or delete
// that the script does not hold runs as a statement without rows. Errors go through the
// connection's error event before they are raised. One thread.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/VtAccess.h"

namespace da::testing {

struct ScriptColumn {
  std::string Name;
  TDataType Type;
  std::uint16_t Length = 0;
};

struct ScriptResult {
  std::vector<ScriptColumn> Columns;  // empty: a statement without rows
  std::vector<std::vector<Variant>> Rows;
};

struct Script {
  std::map<std::string, ScriptResult> Results;  // by SQL text
  bool AcceptDml = false;
  int Executions = 0;
  int Fetches = 0;  // every Fetch call, the dry one included
  int Describes = 0;  // field descriptions of a result
  std::vector<std::string> Log;  // "connect", "execute <sql>", "commit", ...
};

class ScriptConnection : public TVtConnection {
 public:
  explicit ScriptConnection(Script& script) : script_(script) {}
  void Connect(const std::string&) override;
  void Disconnect() override;
  void StartTransaction() override { script_.Log.push_back("start"); }
  void Commit() override { script_.Log.push_back("commit"); }
  void Rollback() override { script_.Log.push_back("rollback"); }
  std::unique_ptr<TVtCommand> CreateCommand() override;
  std::unique_ptr<TVtRecordSet> CreateRecordSet() override;
  Script& GetScript() { return script_; }

 private:
  Script& script_;
};

class ScriptCommand : public TVtCommand {
 public:
  void Prepare() override { prepared_ = true; }
  void Unprepare() override { prepared_ = false; }
  bool GetPrepared() override { return prepared_; }
  // "Unknown statement" (EDAError 1) for a text the script does not hold.
  void Execute(int iterations = 1) override;
  int GetCursorState() override { return 0; }
  void SetCursorState(int) override {}
  // prRowsProcessed: the result's rows, 1 for a statement without rows.
  bool GetProp(int id, TPropValue& value) override;
  // "Unknown statement" (EDAError 1), through the connection's error event, for a text the
  // script does not hold.
  const ScriptResult& Result() const;
  // The text with the parameters' values in place of their names.
  std::string BoundSQL() const;
  Script& GetScript() const { return static_cast<ScriptConnection*>(Connection)->GetScript(); }

 private:
  bool prepared_ = false;
};

class ScriptRecordSet : public TVtRecordSet {
 public:
  ScriptRecordSet() { SetCommand(CreateCommand()); }
  std::unique_ptr<TVtCommand> CreateCommand() override { return std::make_unique<ScriptCommand>(); }
  bool Fetch(bool fetchBack = false) override;

 protected:
  void InternalInitFields() override;
  void ExecuteCommand() override;

 private:
  ScriptCommand& Cmd() { return static_cast<ScriptCommand&>(*GetCommand()); }
  std::size_t next_ = 0;
};

}  // namespace da::testing
