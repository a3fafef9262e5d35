// libFuzzer target over the scheme file's objects: any bytes either load as scheme classes or
// raise an olv::Exception; whatever loads can be shown (texts, states, command lines), copied
// and written again without crashing.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/core/SchCommon.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"
#include "fuzz/FuzzSupport.h"

namespace {

void Exercise(sch::TSchemeObject& s) {
  s.UpdateState();
  olv::TStringList texts;
  s.SchemeTime->GetTexts(texts);
  for (int i = 0; i < s.ParamCount(); ++i) {
    sch::TItemDescription& p = fuzzsupport::Present(s.GetParam(i));
    p.GetKeyDesc();
    p.SetKeyValue(p.KeyValue() + "x");
  }
  for (int i = 0; i < s.LogCount(); ++i) fuzzsupport::Present(s.GetLog(i));
  for (int i = 0; i < s.SchemeTime->Count(); ++i) fuzzsupport::Present(s.SchemeTime->GetItem(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (sch::RegisterSchemeClasses(), true);
  (void)registered;
  std::unique_ptr<olv::TBaseObject> obj;
  try {
    olv::TMemoryStream in(std::string_view(reinterpret_cast<const char*>(data), size));
    obj = olv::ReadObjectFromStream(in);
  } catch (const olv::Exception&) {
    return 0;
  }
  if (!obj) return 0;
  try {
    if (auto* w = dynamic_cast<sch::TSchemeWrapper*>(obj.get())) {
      for (int i = 0; i < w->Count(); ++i) Exercise(fuzzsupport::Present(w->GetScheme(i)));
      try {
        w->GetPassword();
      } catch (const olv::Exception&) {
      }
      sch::TSchemeWrapper copy;
      copy.Assign(*w);
    } else if (auto* s = dynamic_cast<sch::TSchemeObject*>(obj.get())) {
      Exercise(*s);
    }
    const std::string bytes = olv::ObjectToBytes(obj.get());
    olv::TMemoryStream again(bytes);
    olv::ReadObjectFromStream(again);
  } catch (const olv::Exception&) {
    // Copying goes through the stream too; a field the stream refuses is reported, not fatal.
  }
  return 0;
}
