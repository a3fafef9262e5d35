#include "tests/dataaccess/ScriptDriver.h"

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"

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

std::string ScriptCommand::BoundSQL() const {
  std::string text = SQL;
  for (const auto& p : Params) {
    const std::string name = ":" + p->Name;
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
      const std::string value = p->GetNull() ? "NULL" : p->GetValue().AsString();
      text.replace(at, name.size(), value);
      at += value.size();
    }
  }
  return text;
}

const ScriptResult& ScriptCommand::Result() const {
  auto& results = GetScript().Results;
  auto it = results.find(BoundSQL());
  if (it == results.end()) it = results.find(SQL);
  if (it != results.end()) return it->second;
  const std::string verb = AsciiUpper(std::string_view(SQL).substr(0, 6));
  if (GetScript().AcceptDml && (verb == "INSERT" || verb == "UPDATE" || verb == "DELETE")) {
    static const ScriptResult kNoRows;
    return kNoRows;
  }
  const EDAError error(1, "Unknown statement: " + SQL);
  if (Connection && !Connection->DoError(error)) throw EAbort();
  throw error;
}

bool ScriptCommand::GetProp(int id, TPropValue& value) {
  if (id != prRowsProcessed) return TVtCommand::GetProp(id, value);
  const ScriptResult& result = Result();
  value = Variant(static_cast<std::int32_t>(result.Columns.empty() ? 1 : result.Rows.size()));
  return true;
}

void ScriptCommand::Execute(int) {
  try {
    Result();
  } catch (...) {
    if (AfterExecute) AfterExecute(false);
    throw;
  }
  GetScript().Executions++;
  GetScript().Log.push_back("execute " + BoundSQL());
  if (AfterExecute) AfterExecute(true);
}

void ScriptRecordSet::ExecuteCommand() {
  try {
    CommandType = Cmd().Result().Columns.empty() ? 1 : 2;
    next_ = 0;
    TVtRecordSet::ExecuteCommand();
  } catch (...) {
    if (AfterExecute) AfterExecute(false);
    throw;
  }
  if (AfterExecute) AfterExecute(true);
}

void ScriptRecordSet::InternalInitFields() {
  Cmd().GetScript().Describes++;
  Fields.Clear();
  for (const ScriptColumn& c : Cmd().Result().Columns) AddField(c.Name, c.Type, c.Length);
}

bool ScriptRecordSet::Fetch(bool) {
  Cmd().GetScript().Fetches++;
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(true, cancel);
    if (cancel) return false;
  }
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
    if (HasComplexFields()) CreateComplexFields(record.get(), true);
    const auto& row = result.Rows[next_];
    for (std::size_t i = 0; i < row.size(); ++i) PutFieldAsVariant(static_cast<int>(i) + 1, record.get(), row[i]);
    TItemHeader* item = AppendItem();
    item->UpdateStatus = isUnmodified;
    item->UpdateResult = uaNone;
    item->Rollback = nullptr;
    BlockManager().PutRecord(item, record.get());
    ++recordCount_;
  }
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(false, cancel);
  }
  if (AfterFetch) AfterFetch(true);
  return true;
}

}  // namespace da::testing
