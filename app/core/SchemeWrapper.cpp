#include "app/core/SchemeWrapper.h"

#include "app/core/DosCommandScheme.h"
#include "app/core/ListSlots.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchemeKey.h"
#include "platform/Process.h"

namespace sch {

TSchemeWrapper::TSchemeWrapper() : List(std::make_unique<olv::OlvStringList>()) {}

TSchemeWrapper::~TSchemeWrapper() = default;

const olv::TClass* TSchemeWrapper::GetSchemeClass(int kind) const {
  switch (kind) {
    case skOracleExport: return &TOracleExportScheme::StaticClass();
    case skOracleImport: return &TOracleImportScheme::StaticClass();
    case skDosCommand: return &TDosCommandScheme::StaticClass();
    default: return nullptr;
  }
}

TSchemeObject* TSchemeWrapper::AddScheme(std::string_view name, int kind) {
  const olv::TClass* cls = GetSchemeClass(kind);
  if (!cls || !cls->create) return nullptr;
  std::unique_ptr<olv::TBaseObject> obj = cls->create();
  auto* scheme = dynamic_cast<TSchemeObject*>(obj.get());
  if (!scheme) return nullptr;
  scheme->Owner = this;
  scheme->SetSchName(name);
  scheme->SetSchType(static_cast<uint8_t>(kind));
  List->AddObject(std::string(name), obj.release());
  return scheme;
}

void TSchemeWrapper::DeleteScheme(int index) { List->Delete(index); }

std::unique_ptr<TSchemeObject> TSchemeWrapper::TakeScheme(int index) {
  if (index < 0 || index >= List->Count()) return nullptr;
  std::unique_ptr<olv::TBaseObject> obj(List->ExtractObject(index));
  List->Delete(index);
  auto* scheme = dynamic_cast<TSchemeObject*>(obj.get());
  if (!scheme) return nullptr;
  obj.release();
  return std::unique_ptr<TSchemeObject>(scheme);
}

TSchemeObject* TSchemeWrapper::GetScheme(int index) const {
  return dynamic_cast<TSchemeObject*>(List->Objects(index));
}

int TSchemeWrapper::IndexOf(const TSchemeObject* scheme) const {
  return scheme ? List->IndexOfObject(scheme) : -1;
}

std::unique_ptr<TSchemeWrapper> TSchemeWrapper::Snapshot() const {
  auto copy = std::make_unique<TSchemeWrapper>();
  copy->CheckPwdForRestore = CheckPwdForRestore;
  copy->password_ = password_;
  for (int i = 0; i < List->Count(); ++i) {
    const TSchemeObject* scheme = GetScheme(i);
    std::unique_ptr<olv::TBaseObject> clone;
    if (scheme) {
      plat::MutexLock lock(scheme->DataLock());
      clone = scheme->Copy();
    }
    if (auto* cloned = dynamic_cast<TSchemeObject*>(clone.get())) cloned->Owner = copy.get();
    copy->List->AddObject(List->Strings(i), clone.release());
  }
  return copy;
}

std::string TSchemeWrapper::GetPassword() const { return DecipherSchemePassword(password_); }

void TSchemeWrapper::SetPassword(std::string_view password) { password_ = EncipherSchemePassword(password); }

void TSchemeWrapper::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkBoolean>("CheckPwdForRestore", CheckPwdForRestore, CheckPwdForRestore);
  proc.Report<olv::pkString>("Password", password_, !password_.empty());
  proc.ReportObjectList("List", List, List && List->Count() > 0);
}

void TSchemeWrapper::AfterRead(olv::TObjReader&) { AdoptSchemes(); }

void TSchemeWrapper::AdoptSchemes() {
  if (!List) List = std::make_unique<olv::OlvStringList>();
  DropEmptySlots<TSchemeObject>(*List);
  for (int i = 0; i < List->Count(); ++i) {
    if (TSchemeObject* scheme = GetScheme(i)) scheme->Owner = this;
  }
}

void TSchemeWrapper::CopyPropsTo(olv::TBaseObject& dest, std::string_view filter) const {
  TBaseObject::CopyPropsTo(dest, filter);
  if (auto* wrapper = dynamic_cast<TSchemeWrapper*>(&dest)) wrapper->AdoptSchemes();
}

bool TSchemeWrapper::TerminateScheme(TSchemeObject& scheme) {
  return scheme.TerminateProcess(plat::kExitTerminatedByUser);
}

int TSchemeWrapper::TerminateAll() {
  int ended = 0;
  for (int i = 0; i < Count(); ++i) {
    TSchemeObject* scheme = GetScheme(i);
    if (scheme && TerminateScheme(*scheme)) ++ended;
  }
  return ended;
}

}  // namespace sch
