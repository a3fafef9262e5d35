// libFuzzer target over the object stream reader and its text form: any input either reads or
// raises an olv::Exception. What reads must write and read back again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/objects/ObjStream.h"
#include "foundation/objects/ObjStreamText.h"
#include "tests/support/TestObjects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every test class but the two whose kinds the stream refuses to write.
  static const bool registered = (olvtest::RegisterTestClasses(),
                                  olv::UnregisterObjClasses({&olvtest::TWithVariant::StaticClass(),
                                                             &olvtest::TWithComponent::StaticClass()}),
                                  true);
  (void)registered;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    // The text form reads the same bytes on its own.
    olv::TMemoryStream in(bytes), text;
    olv::ObjectStreamToText(in, text);
  } catch (const olv::Exception&) {
  }
  std::unique_ptr<olv::TBaseObject> obj;
  try {
    olv::TMemoryStream in(bytes);
    obj = olv::ReadObjectFromStream(in);
  } catch (const olv::Exception&) {
    return 0;
  }
  if (!obj) return 0;
  try {
    // The first write normalises (a value equal to its class's "no value" reads back as the
    // constructor's default); from then on writing and reading must agree. Hidden strings are
    // scrambled anew each time, so the writes are compared by size.
    const std::string first = olv::ObjectToBytes(obj.get());
    olv::TMemoryStream in2(first);
    auto second = olv::ReadObjectFromStream(in2);
    const std::string secondBytes = olv::ObjectToBytes(second.get());
    olv::TMemoryStream in3(secondBytes);
    auto third = olv::ReadObjectFromStream(in3);
    if (olv::ObjectToBytes(third.get()).size() != secondBytes.size()) std::abort();
  } catch (const olv::Exception&) {
    // Something read but could not be written back: a writer/reader disagreement.
    std::abort();
  }
  return 0;
}
