#include "app/core/WorkFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/base/Exception.h"
#include "foundation/files/Folders.h"
#include "foundation/files/ProgramFiles.h"
#include "platform/AtomicFile.h"

namespace sch {

namespace {

// Made for the user alone, or refused.
std::string PrivateFolder(const std::string& parent, const std::string& name) {
  olv::ForceDirs(parent);
  const std::string folder = parent + "/" + name;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw olv::Exception("Cannot create the folder \"" + folder + "\": " + std::strerror(errno));
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    throw olv::Exception("The folder \"" + folder + "\" is not a folder of this user's own");
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
    throw olv::Exception("Cannot make the folder \"" + folder + "\" private: " + std::strerror(errno));
  return folder;
}

const std::string& AppFolderName() {
  static const std::string name = "orascheme";
  return name;
}

}  // namespace

std::string WorkFolder() {
  return PrivateFolder(PrivateFolder(olv::XdgBase("XDG_CACHE_HOME", ".cache"), AppFolderName()), "work");
}

plat::TempFile CreateWorkFile(std::string_view prefix, std::string_view suffix) {
  const std::string folder = WorkFolder();
  try {
    return plat::TempFile::Create(folder, prefix, suffix, 0600);
  } catch (const plat::FileError& e) {
    throw olv::Exception(e.what());
  }
}

int RemoveStaleWorkFiles() {
  const std::string folder = WorkFolder();
  return plat::RemoveStaleTempFiles(folder, kTempLogPrefix, kTempLogSuffix) +
         plat::RemoveStaleTempFiles(folder, kExpandedDumpPrefix);
}

std::string KeptLogFolder() {
  return PrivateFolder(PrivateFolder(olv::XdgBase("XDG_STATE_HOME", ".local/state"), AppFolderName()), "logs");
}

}  // namespace sch
