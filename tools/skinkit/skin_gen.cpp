// skin_gen: draws the program's own skin. Reads the skin's INI, writes it and every picture it
// names into a folder, and lists them (INI first) in files.txt there for skin_pack.
//   skin_gen <skin.ini> <folder>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/skinkit/OurSkin.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: skin_gen <skin.ini> <folder>\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    const auto files = skinkit::BuildOurSkin(text.str(), std::filesystem::path(argv[1]).filename().string());
    std::ofstream list(folder / "files.txt", std::ios::binary);
    for (const skinkit::PackageFile& f : files) {
      std::ofstream out(folder / f.name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + (folder / f.name).string());
      list << f.name << "\n";
    }
    if (!list.flush()) throw std::runtime_error("cannot write the file list");
  } catch (const std::exception& e) {
    std::cerr << "skin_gen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
