// Filter texts come from the user: any text must either parse or raise the layer's exception, and
// a parsed filter must evaluate over a record with NULLs and values without reading outside it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dataaccess/DAErrors.h"
#include "dataaccess/MemData.h"

namespace {

da::TMemData& Store() {
  static da::TMemData* store = [] {
    auto* data = new da::TMemData();
    data->AutoInitFields = false;
    data->AddField("ID", da::dtInt32);
    data->AddField("NAME", da::dtString, 12);
    data->AddField("SAL", da::dtFloat);
    data->AddField("HIRED", da::dtDate);
    data->AddField("A B", da::dtString, 4);
    data->InitFields();
    data->Open();
    std::unique_ptr<std::uint8_t[]> rec(data->AllocRecBuf());
    for (int i = 0; i < 3; ++i) {
      data->InitRecord(rec.get());
      data->PutFieldAsVariant(1, rec.get(), da::Variant(i));
      if (i != 1) data->PutFieldAsVariant(2, rec.get(), da::Variant("N*_" + std::to_string(i)));
      data->PutFieldAsVariant(4, rec.get(), da::Variant::Date(38000 + i));
      data->AppendRecord(rec.get());
    }
    return data;
  }();
  return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  da::TMemData& store = Store();
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    store.SetFilterText(text);
    if (store.GetRecordCount() < 0 || store.GetRecordCount() > 3) __builtin_trap();
  } catch (const da::EAssertionFailed&) {
    __builtin_trap();
  } catch (const da::Exception&) {
  }
  try {
    store.SetFilterText("");
  } catch (const da::Exception&) {
    __builtin_trap();
  }
  return 0;
}
