#pragma once
// Helpers shared by the fuzz targets: a scratch folder of their own for readers that take a file
// name, and writing an input into a file there. The targets are also linked into the corpus replay
// of the test builds, so nothing here depends on libFuzzer.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzzsupport {

// A folder made once per process (in /dev/shm when there is one, so that writing an input per run
// stays cheap), removed when the process ends normally and kept after a crash for a look.
inline const std::filesystem::path& ScratchFolder() {
  struct Scratch {
    std::filesystem::path dir;
    Scratch() {
      std::error_code ec;
      const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
      std::string tmpl = (base / "orascheme-fuzz.XXXXXX").string();
      if (!::mkdtemp(tmpl.data())) __builtin_trap();
      dir = tmpl;
    }
    ~Scratch() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  };
  static const Scratch scratch;
  return scratch.dir;
}

inline void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzzsupport
