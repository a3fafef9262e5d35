#include "foundation/base/RegValues.h"

namespace olv {

std::unique_ptr<TRegistry> OpenRegPath(const std::string& path, bool canCreate) {
  try {
    auto reg = std::make_unique<TRegistry>();
    if (!reg->OpenKeyPath(path, canCreate)) return nullptr;
    return reg;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string ReadRegValue(const std::string& path, const std::string& name) {
  auto reg = OpenRegPath(path, false);
  return reg ? reg->ReadDataStr(name) : std::string();
}

bool WriteRegValue(const std::string& path, const std::string& name, const std::string& value) {
  try {
    auto reg = OpenRegPath(path, true);
    if (!reg) return false;
    reg->WriteString(name, value);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace olv
