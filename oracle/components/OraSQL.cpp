#include "oracle/components/OraSQL.h"

#include <algorithm>
#include <cmath>

#include "dataaccess/Blob.h"
#include "dataaccess/DADataSet.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraParamDesc.h"
#include "oracle/OraParser.h"
#include "oracle/OraProps.h"
#include "oracle/components/OraSession.h"

namespace ora {

using da::Variant;

namespace {
std::unique_ptr<da::TParser> MakeOraParser(const char* text) { return std::make_unique<TOraParser>(text); }

bool IsSizedType(da::TFieldType t) {
  return t == da::ftString || t == da::ftBytes || t == da::ftVarBytes || t == da::ftFixedChar;
}
}  // namespace

TOraSQL::TOraSQL(da::TCustomDADataSet* ownerDataSet) : da::TCustomDASQL(ownerDataSet) {
  Macros().SetParserClass(&MakeOraParser);
}

TOraSQL::~TOraSQL() {
  // The base's destructor still reaches the command through its pointer: the command this one
  // owns is unprepared and forgotten first.
  if (!ownCommand_) return;
  try {
    Unprepare();
  } catch (...) {
    // A destructor cannot report; the command is freed below in any case.
  }
  da::TCustomDASQL::SetICommand(nullptr);
}

TOraSession* TOraSQL::Session() const {
  if (Connection()) return dynamic_cast<TOraSession*>(Connection());
  if (OwnerDataSet()) return dynamic_cast<TOraSession*>(OwnerDataSet()->Connection());
  return nullptr;
}

void TOraSQL::SetSession(TOraSession* session) { SetConnection(session); }

da::TCustomDAConnection* TOraSQL::UsedConnection() const {
  if (da::TCustomDAConnection* c = da::TCustomDASQL::UsedConnection()) return c;
  return DefaultSessionFallback ? DefaultSession() : nullptr;
}

void TOraSQL::CreateICommand() {
  da::TCustomDASQL::CreateICommand();
  if (ICommand()) return;
  // Without a session the command is made all the same, so that parameters are found by name.
  ownCommand_ = std::make_unique<TOCICommand>();
  SetICommand(ownCommand_.get());
}

void TOraSQL::SetICommand(da::TVtCommand* command) {
  ociCommand_ = dynamic_cast<TOCICommand*>(command);
  da::TCustomDASQL::SetICommand(command);
  if (command) command->SetProp(prNonBlocking, Variant(nonBlocking_));
}

void TOraSQL::SetNonBlocking(bool value) {
  nonBlocking_ = value;
  if (ociCommand_) ociCommand_->SetProp(prNonBlocking, Variant(value));
}

void TOraSQL::Disconnect() {
  Params().FreeServerParts();
  da::TCustomDASQL::Disconnect();
}

bool TOraSQL::SessionConvertEOL() const {
  const da::TCustomDAConnection* c = UsedConnection();
  return c && c->ConvertEOL();
}

void TOraSQL::ReadParamDescs() {
  da::TVtCommand* command = ICommand();
  Params().Clear();
  if (!command) return;
  for (int i = 0; i < command->GetParamCount(); ++i) {
    auto* d = static_cast<TOraParamDesc*>(command->GetParam(i));
    const da::TFieldType type = d->GetDataType() == da::dtUnknown ? da::ftUnknown : OraDataTypeToFieldType(d->GetDataType());
    auto& p = static_cast<TOraParam&>(Params().CreateParam(type, d->GetName(), d->GetParamType()));
    p.Size = d->Size;
    if (d->GetTable()) p.SetTable(true);
    if (d->GetLength() > 1) p.SetLength(d->GetLength());
  }
}

void TOraSQL::WriteParamDescs(bool withValues) {
  da::TVtCommand* command = ICommand();
  if (!command) return;
  TOraParams& params = Params();
  const bool convertEOL = SessionConvertEOL();
  for (int i = 0; i < params.Count(); ++i) {
    TOraParam& p = params.Items(i);
    auto* d = static_cast<TOraParamDesc*>(i < command->GetParamCount() ? command->GetParam(i) : command->AddParam());
    d->SetName(p.Name);
    d->SetDataType(OraFieldTypeToDataType(p.DataType()));
    d->SetParamType(p.ParamType);
    if (IsSizedType(p.DataType())) {
      int size = p.Size;
      if (size < 1) {
        da::TPropValue longest(0);
        if (command->Connection) command->Connection->GetProp(prMaxStringSize, longest);
        size = longest.AsInteger();
        // A text value longer than the longest string is its own size: cut to it, it would be
        // lost data (and a character broken in two).
        if (withValues && !p.IsNull() && !p.Value().IsArray()) {
          const Variant value = p.Value();
          if (value.VarType() == da::varString) size = std::max<int>(size, static_cast<int>(value.AsString().size()));
        }
      }
      d->SetSize(size);
    }
    d->SetTable(p.Table());
    d->SetLength(p.Length());
    if (!withValues) continue;
    if (IsObjectFieldType(p.DataType())) {
      d->SetObject(p.Object());
      continue;
    }
    d->SetConvertEOL(convertEOL);
    Variant value = p.IsNull() ? Variant::Null() : p.Value();
    if (!value.IsEmptyOrNull() && p.DataType() == da::ftDate && !value.IsArray())
      value = Variant::Date(std::floor(value.AsDate()));
    d->SetNull(true);
    d->SetValue(value);
  }
  while (command->GetParamCount() > params.Count()) command->DeleteParam(command->GetParamCount() - 1);
}

void TOraSQL::ReadParamValues() {
  da::TVtCommand* command = ICommand();
  if (!command) return;
  TOraParams& params = Params();
  const bool convertEOL = SessionConvertEOL();
  for (int i = 0; i < params.Count() && i < command->GetParamCount(); ++i) {
    TOraParam& p = params.Items(i);
    // Every bind of a block can be written by it, whatever its direction: a value the block put
    // into an input parameter (SELECT ... INTO :KEY) comes back too.
    auto* d = static_cast<TOraParamDesc*>(command->GetParam(i));
    if (IsObjectFieldType(p.DataType())) continue;  // the object itself took the value
    d->SetConvertEOL(convertEOL);
    if (d->GetNull()) {
      p.Clear();
    } else {
      p.SetValue(d->GetValue());
    }
  }
}

void TOraSQL::ExecuteIters(int iterations) {
  try {
    da::TCustomDASQL::ExecuteIters(iterations);
  } catch (const da::EDAError&) {
    if (auto* session = dynamic_cast<TOraSession*>(UsedConnection())) session->FinishLostConnection();
    throw;
  }
}

void TOraSQL::AssignTo(TOraSQL& dest) {
  da::TCustomDASQL::AssignTo(dest);
  dest.SetNonBlocking(nonBlocking_);
}

}  // namespace ora
