#include "app/core/SchemeFileBytes.h"

#include "foundation/files/AtomicFile.h"
#include "foundation/files/CompressedFile.h"
#include "foundation/files/PosixFile.h"
#include "foundation/files/ZlibStream.h"

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
