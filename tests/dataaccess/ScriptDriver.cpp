#include "tests/dataaccess/ScriptDriver.h"

#include "dataaccess/DAErrors.h"

namespace da::testing {

void ScriptConnection::Connect(const std::string&) {
  script_.Log.push_back("connect " + Username + "@" + Server);
  Connected = true;
}

void ScriptConnection::Disconnect() {
  script_.Log.push_back("disconnect");
  Connected = false;
}

std::unique_ptr<TVtCommand> ScriptConnection::CreateCommand() {
  auto command = std::make_unique<ScriptCommand>();
  command->SetConnection(this);
  return command;
}

std::unique_ptr<TVtRecordSet> ScriptConnection::CreateRecordSet() {
  auto rs = std::make_unique<ScriptRecordSet>();
  rs->SetConnection(this);
  return rs;
}

const ScriptResult& ScriptCommand::Result() const {
  auto& results = GetScript().Results;
  auto it = results.find(SQL);
  if (it == results.end()) throw EDAError(1, "Unknown statement: " + SQL);
  return it->second;
}

void ScriptCommand::Execute(int) {
  Result();
  GetScript().Executions++;
  GetScript().Log.push_back("execute " + SQL);
  if (AfterExecute) AfterExecute();
}

void ScriptRecordSet::ExecuteCommand() {
  CommandType = Cmd().Result().Columns.empty() ? 1 : 2;
  next_ = 0;
  TVtRecordSet::ExecuteCommand();
  if (AfterExecute) AfterExecute();
}

void ScriptRecordSet::InternalInitFields() {
  Cmd().GetScript().Describes++;
  Fields.Clear();
  for (const ScriptColumn& c : Cmd().Result().Columns) AddField(c.Name, c.Type, c.Length);
}

bool ScriptRecordSet::Fetch(bool) {
  Cmd().GetScript().Fetches++;
  if (BeforeFetch) BeforeFetch();
  const ScriptResult& result = Cmd().Result();
  if (next_ >= result.Rows.size()) return false;
  if (UniDirectional)
    while (FirstItem()) {
      DropItem(FirstItem());
      --recordCount_;
    }
  std::unique_ptr<std::uint8_t[]> record(AllocRecBuf());
  for (std::int32_t n = 0; n < FetchRows && next_ < result.Rows.size(); ++n, ++next_) {
    InitRecord(record.get());
    const auto& row = result.Rows[next_];
    for (std::size_t i = 0; i < row.size(); ++i) PutFieldAsVariant(static_cast<int>(i) + 1, record.get(), row[i]);
    TItemHeader* item = AppendItem();
    item->UpdateStatus = isUnmodified;
    item->UpdateResult = uaNone;
    item->Rollback = nullptr;
    BlockManager().PutRecord(item, record.get());
    ++recordCount_;
  }
  if (AfterFetch) AfterFetch();
  return true;
}

}  // namespace da::testing
