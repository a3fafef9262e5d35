#include "tools/skinkit/PackageWriter.h"

#include "tools/skinkit/LzhEncoder.h"

namespace skinkit {

void PutLE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> BuildContainer(const std::vector<PackageFile>& files, uint32_t version,
                                    uint32_t reserved1, uint32_t reserved2) {
  std::string names;
  for (const PackageFile& f : files) names += f.name + "\r\n";
  std::vector<uint8_t> out;
  PutLE32(out, version);
  PutLE32(out, static_cast<uint32_t>(names.size()));
  PutLE32(out, reserved1);
  PutLE32(out, reserved2);
  out.insert(out.end(), names.begin(), names.end());
  for (const PackageFile& f : files) PutLE32(out, static_cast<uint32_t>(f.bytes.size()));
  for (const PackageFile& f : files) out.insert(out.end(), f.bytes.begin(), f.bytes.end());
  return out;
}

std::vector<uint8_t> BuildPackage(const std::vector<PackageFile>& files) {
  return LzhEncode(BuildContainer(files));
}

}  // namespace skinkit
