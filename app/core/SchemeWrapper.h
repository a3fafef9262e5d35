#pragma once
// The scheme container: every scheme of one scheme file, as lines of scheme names each owning
// its scheme, with the scheme file's password (stored enciphered) and its switch for asking it
// again when the main window comes back from the tray.
//
// Ownership: the container owns its schemes. Threads: edited on the main thread; runs read it
// from their worker threads (OnBeforeRun and OnAfterRun are called there).
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/core/SchemeObject.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace plat {
class MainThread;
class ProcessRegistry;
}  // namespace plat

namespace sch {

class TSchemeWrapper : public olv::TBaseObject {
  OLV_CLASS(TSchemeWrapper, olv::TBaseObject)
 public:
  TSchemeWrapper();
  ~TSchemeWrapper() override;

  bool CheckPwdForRestore = false;
  std::unique_ptr<olv::OlvStringList> List;  // scheme names owning their schemes

  // Not stored: called on the running thread around each run.
  std::function<void(TSchemeObject&)> OnBeforeRun;
  std::function<void(TSchemeObject&)> OnAfterRun;
  // Not stored: the receiver of the run notices (message plat::kMsgSchemeRun, first parameter
  // plat::kSchemeRunStarted or plat::kSchemeRunEnded, then the scheme). A run hands it to
  // MainThread (plat::CurrentMainThread() when null) with a blocking send, so the run waits
  // while it is handled; with no main thread installed it is called on the running thread.
  std::function<void(int message, int param, TSchemeObject& scheme)> Handle;
  plat::MainThread* MainThread = nullptr;
  // Not stored: where the schemes' children are listed; null: plat::ProcessRegistry::global().
  plat::ProcessRegistry* Processes = nullptr;

  // Ends the scheme's running child with exit code 100; false when none runs.
  bool TerminateScheme(TSchemeObject& scheme);
  // TerminateScheme for every Oracle (export or import) scheme; command files are left alone.
  // Returns how many children were ended.
  int TerminateAll();

  // The class of a kind: 1 export, 2 import, 3 command file; null for any other.
  virtual const olv::TClass* GetSchemeClass(int kind) const;

  // A new scheme of the kind named name, with the kind's parameters, appended; null (nothing
  // added) for an unknown kind.
  TSchemeObject* AddScheme(std::string_view name, int kind);
  // Frees the scheme and removes its line; out of range: nothing.
  void DeleteScheme(int index);
  int Count() const { return List->Count(); }
  TSchemeObject* GetScheme(int index) const;  // null out of range
  int IndexOf(const TSchemeObject* scheme) const;  // -1 when absent

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
