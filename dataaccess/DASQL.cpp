#include "dataaccess/DASQL.h"

#include <cmath>
#include <typeinfo>

#include "dataaccess/DAConnection.h"
#include "dataaccess/DADataSet.h"
#include "foundation/text/Utf8.h"

namespace da {

TCustomDASQL::TCustomDASQL(TCustomDADataSet* ownerDataSet) : ownerDataSet_(ownerDataSet) {
  macros_.OnChange = [this] { MacrosChanged(); };
}

TCustomDASQL::~TCustomDASQL() {
  try {
    if (command_) Unprepare();
  } catch (...) {
    // A destructor cannot report; the command is freed below in any case.
  }
  if (registered_) registered_->UnRegisterClient(this);
  registered_ = nullptr;
}

TCustomDAConnection* TCustomDASQL::UsedConnection() const {
  if (connection_) return connection_;
  return ownerDataSet_ ? ownerDataSet_->UsedConnection() : nullptr;
}

TParams& TCustomDASQL::Params() {
  if (!params_) params_ = CreateParams();
  return *params_;
}

TVtCommand* TCustomDASQL::ICommand() {
  if (!command_ && !madeCommand_ && !ownerDataSet_) {
    madeCommand_ = true;
    CreateICommand();
  }
  return command_;
}

void TCustomDASQL::CreateICommand() {
  TCustomDAConnection* connection = UsedConnection();
  TVtConnection* server = connection ? connection->IConnection() : nullptr;
  ownCommand_ = server ? server->CreateCommand() : nullptr;
  SetICommand(ownCommand_.get());
}

void TCustomDASQL::SetICommand(TVtCommand* command) {
  madeCommand_ = true;
  command_ = command;
  if (!command_) return;
  TCustomDAConnection* connection = UsedConnection();
  command_->SetConnection(connection ? connection->IConnection() : nullptr);
  command_->SetSQL(finalSQL_);
  command_->SetProp(prAutoCommit, Variant(autoCommit_));
  command_->SetEventProp(prAfterExecute, TEventMethod([this](bool result) { DoAfterExecute(result); }));
  TPropValue finds;
  command_->GetProp(prParamCheck, finds);
  if (!finds.AsBoolean()) WriteParamDescs(false);
}

void TCustomDASQL::CheckICommand() {
  if (ownerDataSet_) return;  // the dataset's record set brings its command
  TCustomDAConnection* connection = UsedConnection();
  TVtConnection* server = connection ? connection->IConnection() : nullptr;
  if (!server) return;
  std::unique_ptr<TVtCommand> probe = server->CreateCommand();
  const TVtCommand& made = *probe;
  if (command_ && typeid(made) == typeid(*command_)) {
    command_->SetConnection(server);
    return;
  }
  ownCommand_ = std::move(probe);
  SetICommand(ownCommand_.get());
}

void TCustomDASQL::RegisterWith(TCustomDAConnection* connection) {
  registered_ = connection;
  connection->RegisterClient(this, [this](bool connected) {
    if (!connected) Disconnect();
  });
}

void TCustomDASQL::SetConnection(TCustomDAConnection* connection) {
  if (connection == connection_ && connection == UsedConnection() && (!connection || registered_ == connection))
    return;
  if (registered_) {
    Disconnect();
    registered_->UnRegisterClient(this);
    registered_ = nullptr;
  }
  connection_ = connection;
  if (connection_) {
    RegisterWith(connection_);
    CheckICommand();
  }
  if (command_) {
    TCustomDAConnection* used = UsedConnection();
    command_->SetConnection(used ? used->IConnection() : nullptr);
  }
}

void TCustomDASQL::SetSQL(const std::string& text) {
  if (text == sql_) return;
  sql_ = text;
  SQLChanged();
}

void TCustomDASQL::SQLChanged() {
  if (ownerDataSet_) {
    ownerDataSet_->Close();
    ownerDataSet_->UnPrepare();
  } else {
    Unprepare();
  }
  ScanMacros();
  ParseParams();
}

void TCustomDASQL::MacrosChanged() {
  ParseParams();
  if (ownerDataSet_) ownerDataSet_->UnPrepare();
}

void TCustomDASQL::ScanMacros() {
  if (ownerDataSet_) {
    ownerDataSet_->ScanMacros();
  } else {
    macros_.Scan(sql_);
  }
}

void TCustomDASQL::SetParamCheck(bool value) {
  paramCheck_ = value;
  if (TVtCommand* command = ICommand()) {
    // A driver that does not scan for parameters does not know this id: the switch stays ours.
    TPropValue finds;
    command->GetProp(prParamCheck, finds);
    if (finds.AsBoolean()) command->SetProp(prParamCheck, Variant(value));
  }
  if (value) ParseParams();
}

void TCustomDASQL::SetAutoCommit(bool value) {
  autoCommit_ = value;
  TVtCommand* command = ICommand();
  DAAssert(command != nullptr, "DBAccess");
  command->SetProp(prAutoCommit, Variant(value));
}

std::string TCustomDASQL::GetFinalSQL() {
  std::string text = sql_;
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  if (macros_.Count() > 0) macros_.Expand(text);
  return text;
}

void TCustomDASQL::ParseParams() {
  const std::string text = ownerDataSet_ ? ownerDataSet_->GetFinalSQL() : GetFinalSQL();
  finalSQL_ = text;
  TVtCommand* command = ICommand();
  if (!paramCheck_) {
    if (command) command->SetSQL(text);
    return;
  }
  TPropValue finds(false);
  if (command) command->GetProp(prParamCheck, finds);
  std::unique_ptr<TParams> old = CreateParams();
  if (finds.AsBoolean()) {
    old->Assign(Params());
    command->SetSQL(text);
    ReadParamDescs();
    Params().AssignValues(*old);
    return;
  }
  std::unique_ptr<TParams> found = CreateParams();
  finalSQL_ = found->ParseSQL(text, true);
  found->AssignValues(Params());
  params_ = std::move(found);
  if (command) {
    command->SetSQL(finalSQL_);
    WriteParamDescs(false);
  }
}

void TCustomDASQL::ReadParamDescs() {
  TVtCommand* command = ICommand();
  Params().Clear();
  if (!command) return;
  for (int i = 0; i < command->GetParamCount(); ++i) {
    const TParamDesc& d = *command->GetParam(i);
    Params().CreateParam(d.GetDataType() == dtUnknown ? ftUnknown : DataTypeToFieldType(d.GetDataType()), d.GetName(),
                         d.GetParamType());
  }
}

void TCustomDASQL::WriteParamDescs(bool withValues) {
  TVtCommand* command = ICommand();
  if (!command) return;
  TParams& params = Params();
  for (int i = 0; i < params.Count(); ++i) {
    TParam& p = params.Items(i);
    TParamDesc* d = i < command->GetParamCount() ? command->GetParam(i) : command->AddParam();
    d->SetName(p.Name);
    d->SetDataType(FieldTypeToDataType(p.DataType()));
    d->SetParamType(p.ParamType);
    if (!withValues) continue;
    // A name written twice in a positional text is one parameter to the user: an occurrence
    // left without a value takes the value given to the first one.
    const TParam* source = &p;
    if (!p.Bound)
      if (TParam* first = params.FindParam(p.Name); first && first != &p && first->Bound) source = first;
    Variant value = source->Value();
    if (source->IsNull()) {
      value = Variant::Null();
    } else if (source->DataType() == ftDate) {
      value = Variant::Date(std::floor(value.AsDate()));
    } else if ((d->GetDataType() == dtBlob || d->GetDataType() == dtBytes || d->GetDataType() == dtVarBytes) &&
               (value.VarType() == varString || value.VarType() == varOleStr)) {
      const std::string bytes = value.AsString();
      value = Variant(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    d->SetNull(true);
    d->SetValue(value);
  }
  while (command->GetParamCount() > params.Count()) command->DeleteParam(command->GetParamCount() - 1);
}

void TCustomDASQL::ReadParamValues() {
  TVtCommand* command = ICommand();
  if (!command) return;
  TParams& params = Params();
  for (int i = 0; i < params.Count() && i < command->GetParamCount(); ++i) {
    TParam& p = params.Items(i);
    if (p.ParamType == ptInput || p.ParamType == ptUnknown) continue;
    TParamDesc& d = *command->GetParam(i);
    if (d.GetNull()) {
      p.Clear();
    } else {
      p.SetValue(d.GetValue());
    }
  }
}

void TCustomDASQL::CheckConnection() {
  TCustomDAConnection* connection = UsedConnection();
  if (!connection) throw EDatabaseError("Connection is not defined.");
  if (!connection->Connected()) connection->Connect();
  if (!connection_ && !ownerDataSet_ && registered_ != connection) {
    RegisterWith(connection);
    CheckICommand();
  }
}

bool TCustomDASQL::ShouldReport() const {
  if (NoMonitor) return false;
  const TCustomDAConnection* connection = UsedConnection();
  return Debug || (connection && connection->MonitorActive());
}

void TCustomDASQL::Prepare() {
  if (Prepared()) return;
  CheckConnection();
  const bool report = ShouldReport();
  TSQLMonitorClass cls = UsedConnection()->SQLMonitorClass();
  int id = 0;
  const std::string text = GetFinalSQL();
  if (report) TCustomDASQLMonitor::SQLPrepare(cls, *this, text, &Params(), id, false);
  InternalPrepare();
  if (report) TCustomDASQLMonitor::SQLPrepare(cls, *this, text, &Params(), id, true);
}

void TCustomDASQL::Unprepare() {
  if (Prepared()) InternalUnprepare();
}

bool TCustomDASQL::Prepared() {
  TVtCommand* command = ICommand();
  return command && command->GetPrepared();
}

void TCustomDASQL::ExecuteIters(int iterations) {
  if (TVtCommand* command = ICommand()) {
    TPropValue executing(false);
    command->GetProp(prExecuting, executing);
    if (executing.AsBoolean()) return;
  }
  CheckConnection();
  if (!ICommand()) throw EDatabaseError("Connection is not defined.");
  const bool report = ShouldReport();
  TSQLMonitorClass cls = UsedConnection()->SQLMonitorClass();
  int id = 0;
  const std::string text = GetFinalSQL();
  if (report) TCustomDASQLMonitor::SQLExecute(cls, *this, text, &Params(), std::string(), id, false);
  if (WaitFlag) StartWait();
  WriteParamDescs(true);
  InternalExecute(iterations);
  if (report) TCustomDASQLMonitor::SQLExecute(cls, *this, text, &Params(), std::string(), id, true);
}

void TCustomDASQL::DoAfterExecute(bool result) {
  if (result) ReadParamValues();
  if (AfterExecute) AfterExecute(*this, result);
}

int TCustomDASQL::RowsAffected() {
  TVtCommand* command = ICommand();
  if (!command) return 0;
  TPropValue rows(0);
  command->GetProp(prRowsProcessed, rows);
  return rows.AsInteger();
}

int TCustomDASQL::MonitorRowsAffected() const {
  return command_ ? const_cast<TCustomDASQL*>(this)->RowsAffected() : -1;
}

void TCustomDASQL::Disconnect() {
  if (ownerDataSet_) {
    ownerDataSet_->Disconnect();
  } else {
    Unprepare();
  }
}

void TCustomDASQL::AssignTo(TCustomDASQL& dest) {
  dest.SetConnection(connection_);
  dest.paramCheck_ = paramCheck_;
  dest.SetSQL(sql_);
  dest.Macros().Assign(macros_);
  dest.Params().Assign(Params());
  dest.Debug = Debug;
  dest.autoCommit_ = autoCommit_;
  if (TVtCommand* command = dest.ICommand()) command->SetProp(prAutoCommit, Variant(autoCommit_));
}

}  // namespace da
