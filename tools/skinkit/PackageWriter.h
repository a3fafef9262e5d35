#pragma once
// Builds skin packages as the program reads them: the container (version 20000, the name list with
// CR LF after each name, one 32-bit size per name, the files back to back), compressed with the
// packer's encoder. A build and test tool only. Pure functions, any thread.
#include <cstdint>
#include <string>
#include <vector>

namespace skinkit {

struct PackageFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

// The container's bytes; reserved header words as given.
std::vector<uint8_t> BuildContainer(const std::vector<PackageFile>& files, uint32_t version = 20000,
                                    uint32_t reserved1 = 0, uint32_t reserved2 = 0);

// The compressed package of the files.
std::vector<uint8_t> BuildPackage(const std::vector<PackageFile>& files);

// Little-endian helpers shared by the tools and their tests.
void PutLE32(std::vector<uint8_t>& out, uint32_t value);

}  // namespace skinkit
