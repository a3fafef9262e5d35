#pragma once
// The main window's settings file: section [MainConfig] with "ShowDosWindow" (Boolean, written
// as 0/1, default false) and "LangId" (integer, written only); read only: "Skin" (default 1: windows
// drawn in the program's skin) and "SkinNativeFrame" (default 0: skinned windows draw their frame). Lines of other sections and keys
// are kept when the file is written back. Reading a missing or unreadable file gives the
// defaults; writing is atomic. One thread at a time per object.
#include <string>

namespace sch {

struct MainConfig {
  bool showDosWindow = false;
  int langId = 0;
  bool skin = true;
  bool skinNativeFrame = false;
};

MainConfig ReadMainConfig(const std::string& fileName);
// Raises olv::Exception when the file cannot be written (the old file stays).
void WriteMainConfig(const std::string& fileName, const MainConfig& config);

}  // namespace sch
