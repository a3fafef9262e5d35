// The scheme file end to end, as the program reads it at start-up: the bytes lie in the file at
// the program's place and go through the header test, the expansion, the object stream and the
// type check (LoadObjectFromFile). A file that fails to load is moved aside, and the bytes kept
// must be the user's bytes. A container that loads is adopted by the host, which works out each
// scheme's state and command line (macros and "?" expressions of the parameters included), and
// shown as the window shows it: tree, run times under the time mode, parameters, run records with
// their times. The host's shutdown saves it, compressed, and what was saved loads again.
//
// Timers are left out (AutoExec is cleared before the host adopts the container): their threads
// are not a reader of the file. Expressions run with the stubs of fuzz/ExprStubs.h.
#include <cstddef>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/core/MainFormModel.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/core/UnreadableFile.h"
#include "foundation/base/Exception.h"
#include "foundation/objects/OlvStringList.h"
#include "foundation/text/DateTime.h"
#include "foundation/text/Format.h"
#include "fuzz/ExprStubs.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Clock.h"
#include "platform/HeadlessMainThread.h"
#include "platform/ProcessRegistry.h"

namespace fs = std::filesystem;

namespace {

bool Setup() {
  sch::RegisterSchemeClasses();
  fuzzsupport::InstallExprStubs();
  static plat::FakeClock clock;
  clock.Set(plat::Clock::time_point(std::chrono::seconds(1717000000)));
  plat::SetCurrentClock(&clock);
  return true;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the window reads of a scheme to draw it.
void Show(sch::TSchemeObject& s) {
  (void)sch::CategoryOfKind(s.SchType());
  (void)sch::SchemeNodeImage(s.State.load(), s.AutoExec);
  (void)s.SchName();
  olv::TStringList times;
  s.SchemeTime->GetTexts(times);
  (void)s.SchemeTime->Matches(s.LastRunTime, olv::Now());
  for (int i = 0; i < s.ParamCount(); ++i) {
    if (sch::TItemDescription* p = s.GetParam(i)) {
      (void)p->GetKeyDesc();
      (void)p->KeyValue();
    }
  }
  for (int i = 0; i < s.LogCount(); ++i) {
    if (sch::TSchemeLog* log = s.GetLog(i)) {
      (void)olv::FormatDateTime("yyyy.m.d h:n:s", log->StartTime);
      (void)olv::FormatDateTime("yyyy.m.d h:n:s", log->EndTime);
      (void)sch::ActiveModeText(log->ActiveMode);
      (void)sch::ResultText(log->IsSucceed);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = Setup();
  (void)ready;
  const fs::path file = fuzzsupport::ScratchFolder() / "orascheme.sch";
  const std::string bytes(fuzzsupport::AsText(data, size));
  fuzzsupport::WriteFile(file, bytes);

  std::unique_ptr<sch::TSchemeWrapper> loaded;
  try {
    loaded = sch::LoadObjectFromFile(file.string());
  } catch (const olv::Exception&) {
    const std::string kept = sch::MoveAsideUnreadable(file.string());
    if (kept.empty() || fs::exists(file) || ReadAll(kept) != bytes) __builtin_trap();  // the user's data lost
    fs::remove(kept);
    return 0;
  }

  const fuzzsupport::ExprInputScope isolated;
  int count = 0;
  {
    plat::HeadlessMainThread mainThread;
    plat::ProcessRegistry processes;
    sch::SchemeServices services;
    services.mainThread = &mainThread;
    services.processes = &processes;
    sch::SchemeHost host(services);
    if (loaded) {
      for (int i = 0; i < loaded->Count(); ++i)
        if (sch::TSchemeObject* s = loaded->GetScheme(i)) s->AutoExec = false;
    }
    host.Adopt(std::move(loaded), file.string());
    count = host.Schemes().Count();
    for (int i = 0; i < count; ++i)
      if (sch::TSchemeObject* s = host.Schemes().GetScheme(i)) Show(*s);
    host.Shutdown();
    if (!host.LastSaveError().empty()) return 0;  // a field the stream refuses to write is reported
  }
  std::unique_ptr<sch::TSchemeWrapper> again;
  try {
    again = sch::LoadObjectFromFile(file.string());
  } catch (const olv::Exception&) {
    __builtin_trap();  // the program saved a file it cannot read back
  }
  if (!again || again->Count() != count) __builtin_trap();
  return 0;
}
