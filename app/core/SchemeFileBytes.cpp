#include "app/core/SchemeFileBytes.h"

#include "app/core/AtomicFile.h"
#include "app/core/CompressedFile.h"
#include "app/core/PosixFile.h"
#include "app/core/ZlibStream.h"

namespace sch {

std::optional<std::string> LoadSchemeFileBytes(const std::string& fileName) {
  if (fileName.empty() || !FileExists(fileName)) return std::nullopt;
  PosixFile file = PosixFile::OpenRead(fileName);
  olv::TMemoryStream bytes;
  CopyStream(file, bytes);
  if (HasCompressedHeader(bytes.View())) return ExpandBytes(bytes.View());
  return std::string(bytes.View());
}

void SaveSchemeFileBytes(const std::string& fileName, std::string_view payload, bool compressed) {
  SaveFileAtomically(fileName, kSchemeFileMode, [&](olv::TStream& out) {
    olv::TMemoryStream in(payload);
    if (compressed) {
      WriteCompressed(in, out);
    } else {
      CopyStream(in, out);
    }
  });
}

}  // namespace sch
