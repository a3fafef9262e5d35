// skin_pack: packs files into a skin package, in the order of a list file (one name a line,
// relative to the list's folder), under the names listed.
//   skin_pack <files.txt> <package>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "tools/skinkit/PackageWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: skin_pack <files.txt> <package>\n";
    return 2;
  }
  try {
    const std::filesystem::path listPath = argv[1];
    std::ifstream list(listPath);
    if (!list) throw std::runtime_error("cannot read " + listPath.string());
    std::vector<skinkit::PackageFile> files;
    for (std::string name; std::getline(list, name);) {
      if (name.empty()) continue;
      std::ifstream in(listPath.parent_path() / name, std::ios::binary);
      if (!in) throw std::runtime_error("cannot read " + name);
      files.push_back({name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
    }
    const std::vector<uint8_t> package = skinkit::BuildPackage(files);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
    if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "skin_pack: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
