#pragma once
// The stored string list: a persistent object wrapping one owned OlvStringList, so that a list of
// named objects can be a field of another persistent object and travel in the object stream. It
// streams as "Auto" (AutoItemCaption, when true) and "List" (the lines with their objects).
// Registered for the object stream as "TStoredStrList" by the foundation's class registry.
//
// Ownership: the object owns List for its whole life; reading replaces List with the list read.
// One thread at a time.
#include <memory>
#include <string>
#include <string_view>

#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace olv {

class TStoredStrList : public TBaseObject {
  OLV_CLASS(TStoredStrList, TBaseObject)
 public:
  TStoredStrList();

  std::unique_ptr<OlvStringList> List;  // never null outside a read in progress
  bool AutoItemCaption = false;

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
  void AfterRead(TObjReader& reader) override;
  TStringList* InnerStrings() override { return List.get(); }

  // A string list: its lines and clones of its objects (the persistent form of Assign is
  // TBaseObject::Assign).
  void AssignStrings(const TStringList& src) { List->Assign(src); }
  // dest := the lines of List with clones of their objects.
  void AssignTo(TStringList& dest) const { dest.Assign(*List); }

  // The list's objects, overridable by kinds that keep more beside each line.
  virtual TBaseObject* GetObject(int index) const { return List->Objects(index); }
  virtual void PutObject(int index, TBaseObject* obj) { List->PutObject(index, obj); }
  virtual int AddObject(std::string text, TBaseObject* obj) { return List->AddObject(std::move(text), obj); }
  virtual void InsertObject(int index, std::string text, TBaseObject* obj) {
    List->InsertObject(index, std::move(text), obj);
  }

  int Count() const { return List->Count(); }
  const std::string& Strings(int index) const { return List->Strings(index); }
  int IndexOf(std::string_view text) const { return List->IndexOf(text); }
  void Delete(int index) { List->Delete(index); }
  std::string Values(std::string_view name) const { return List->Values(name); }
  void SetValue(std::string_view name, std::string_view value) { List->SetValue(name, value); }
};

}  // namespace olv
