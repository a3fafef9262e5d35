#pragma once
// The scheme container: every scheme of one scheme file, as lines of scheme names each owning
// its scheme, with the scheme file's password (stored enciphered) and its switch for asking it
// again when the main window comes back from the tray.
//
// Ownership: the container owns its schemes. Threads: the list is edited on the main thread;
// runs touch their own scheme only (see TSchemeObject for its lock).
#include <memory>
#include <string>
#include <string_view>

#include "app/core/SchemeObject.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace sch {

class TSchemeWrapper : public olv::TBaseObject {
  OLV_CLASS(TSchemeWrapper, olv::TBaseObject)
 public:
  TSchemeWrapper();
  ~TSchemeWrapper() override;

  bool CheckPwdForRestore = false;
  std::unique_ptr<olv::OlvStringList> List;  // scheme names owning their schemes

  // Ends the scheme's run with exit code 100 (TSchemeObject::TerminateProcess: its child's
  // process family, or the step it is in); false when it does not run.
  bool TerminateScheme(TSchemeObject& scheme);
  // TerminateScheme for every scheme, command files as well as exports and imports. Returns how
  // many runs were ended.
  int TerminateAll();

  // The class of a kind: 1 export, 2 import, 3 command file; null for any other.
  virtual const olv::TClass* GetSchemeClass(int kind) const;

  // A new scheme of the kind named name, with the kind's parameters, appended; null (nothing
  // added) for an unknown kind.
  TSchemeObject* AddScheme(std::string_view name, int kind);
  // Frees the scheme and removes its line; out of range: nothing.
  void DeleteScheme(int index);
  // Removes the scheme's line and hands the scheme over; null out of range.
  std::unique_ptr<TSchemeObject> TakeScheme(int index);
  int Count() const { return List->Count(); }
  TSchemeObject* GetScheme(int index) const;  // null out of range
  int IndexOf(const TSchemeObject* scheme) const;  // -1 when absent

  // A copy of the container as it stands, each scheme copied under its lock, so that it can be
  // written while runs go on. Main thread (the list must not change meanwhile).
  std::unique_ptr<TSchemeWrapper> Snapshot() const;

  // The password in clear (empty when none); raises olv::Exception for a stored text that is
  // no enciphered password.
  std::string GetPassword() const;
  // Stores the password enciphered; an empty password stays empty.
  void SetPassword(std::string_view password);
  // The stored (enciphered) text.
  const std::string& Password() const { return password_; }

  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) override;
  void AfterRead(olv::TObjReader& reader) override;
  void CopyPropsTo(olv::TBaseObject& dest, std::string_view filter) const override;

 private:
  void AdoptSchemes();
  std::string password_;
};

}  // namespace sch
