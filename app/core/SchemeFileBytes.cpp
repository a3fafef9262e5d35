#include "app/core/SchemeFileBytes.h"

#include "foundation/files/AtomicFile.h"
#include "foundation/files/CompressedFile.h"
#include "foundation/files/PosixFile.h"
#include "foundation/files/ZlibStream.h"
#include "foundation/streams/Stream.h"

namespace sch {

namespace {

[[noreturn]] void TooLarge(const std::string& fileName) {
  throw olv::EReadError("The scheme file \"" + fileName + "\" holds more than " +
                        std::to_string(kMaxSchemeFileBytes >> 20) + " MiB: not a scheme file");
}

// Appends what `in` gives to out, refusing before out would pass the cap; `checkSignature`
// looks at the first four bytes as soon as they are there, so a foreign payload is refused
// before anything more is read.
void ReadBounded(olv::TStream& in, std::string& out, const std::string& fileName, bool checkSignature) {
  constexpr std::size_t kBlock = 64 * 1024;
  for (;;) {
    const std::size_t have = out.size();
    out.resize(have + kBlock);
    const std::size_t n = olv::ReadFully(in, out.data() + have, kBlock);
    out.resize(have + n);
    if (checkSignature && have < 4 && out.size() >= 4 && out.compare(0, 4, "TPF0") != 0)
      throw olv::EReadError("Invalid stream format");
    if (out.size() > kMaxSchemeFileBytes) TooLarge(fileName);
    if (n < kBlock) return;
  }
}

}  // namespace

std::optional<std::string> LoadSchemeFileBytes(const std::string& fileName) {
  if (fileName.empty() || !olv::FileExists(fileName)) return std::nullopt;
  olv::PosixFile file = olv::PosixFile::OpenRead(fileName);
  std::string bytes;
  ReadBounded(file, bytes, fileName, false);
  if (!olv::HasCompressedHeader(bytes)) return bytes;
  olv::TMemoryStream in(std::string_view(bytes).substr(olv::kCompressedHeaderSize));
  olv::ExpansionStream z(in);
  std::string payload;
  ReadBounded(z, payload, fileName, true);
  return payload;
}

void SaveSchemeFileBytes(const std::string& fileName, std::string_view payload, bool compressed) {
  olv::SaveFileAtomically(fileName, kSchemeFileMode, [&](olv::TStream& out) {
    olv::TMemoryStream in(payload);
    if (compressed) {
      olv::WriteCompressed(in, out);
    } else {
      olv::CopyStream(in, out);
    }
  });
}

}  // namespace sch
