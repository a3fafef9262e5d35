#include "app/core/CompressJob.h"

#include <filesystem>

#include "foundation/files/CompressedFile.h"
#include "foundation/base/Exception.h"
#include "foundation/base/MessageBoxes.h"
#include "platform/Dialogs.h"

namespace sch {

bool CompressJob::Prepare() const {
  std::error_code ec;
  if (!std::filesystem::exists(source, ec)) throw olv::Exception("File " + source + "not exist!");
  if (std::filesystem::exists(destination, ec)) {
    int answer = olv::AppMessageBox("Confirm", "File " + destination + " has been exist, overwrite?",
                                    plat::MB_YESNO | plat::MB_ICONQUESTION);
    if (answer != plat::IDYES) return false;
  }
  return true;
}

void CompressJob::Run() const {
  if (compress)
    CompressFile(source, destination);
  else
    DecompressFile(source, destination);
}

}  // namespace sch
