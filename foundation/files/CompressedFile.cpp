#include "foundation/files/CompressedFile.h"

#include <cstring>

#include "foundation/files/AtomicFile.h"
#include "foundation/files/PosixFile.h"
#include "foundation/files/ZlibStream.h"
#include "foundation/base/Exception.h"
#include "foundation/files/FileStream.h"

namespace olv {

namespace {

constexpr char kMagic[] = "OLVEK";
// Work files of compression live beside their target so that the final rename stays on one
// file system.
constexpr std::string_view kTempPrefix = ".ZLib";

// The destination's mode is kept when it exists; a new one gets the source's mode, so a dump
// readable only by its owner stays so.
std::optional<mode_t> ModeFor(const std::string& source, const std::string& destination) {
  if (auto mode = FilePermissions(destination)) return mode;
  return FilePermissions(source);
}

// The source of a compression or expansion, read through so that a cancel request stops the
// work between two blocks.
class CancellableSource : public olv::TSequentialStream {
 public:
  CancellableSource(olv::TStream& in, const CancelCheck& cancelled) : in_(in), cancelled_(cancelled) {}
  int64_t Read(void* buffer, int64_t count) override {
    if (cancelled_ && cancelled_()) throw ECancelled("Cancelled");
    const int64_t n = in_.Read(buffer, count);
    Moved(n);
    return n;
  }
  // Expansion goes back to the stream's start to have damaged data judged by zlib.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return in_.Seek(offset, origin); }

 private:
  olv::TStream& in_;
  const CancelCheck& cancelled_;
};

}  // namespace

std::string MakeCompressedHeader() {
  std::string header(kCompressedHeaderSize, '\0');
  std::memcpy(header.data(), kMagic, 5);
  return header;
}

bool HasCompressedHeader(std::string_view firstBytes) {
  if (firstBytes.size() < kCompressedHeaderSize) return false;
  std::string_view text = firstBytes.substr(0, kCompressedHeaderSize);
  text = text.substr(0, text.find('\0'));
  if (text.size() != 5) return false;
  for (std::size_t i = 0; i < 5; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c != kMagic[i]) return false;
  }
  return true;
}

void WriteCompressed(olv::TStream& payload, olv::TStream& out) {
  const std::string header = MakeCompressedHeader();
  out.WriteBuffer(header.data(), header.size());
  CompressionStream z(out);
  CopyStream(payload, z);
  z.finish();
}

bool ExpandCompressed(olv::TStream& in, olv::TStream& out) {
  char header[kCompressedHeaderSize];
  const std::size_t n = ReadFully(in, header, sizeof header);
  if (!HasCompressedHeader(std::string_view(header, n))) return false;
  ExpansionStream z(in);
  CopyStream(z, out);
  return true;
}

std::string CompressBytes(std::string_view payload) {
  olv::TMemoryStream in(payload);
  olv::TMemoryStream out;
  WriteCompressed(in, out);
  return std::string(out.View());
}

std::string ExpandBytes(std::string_view compressed) {
  olv::TMemoryStream in(compressed);
  olv::TMemoryStream out;
  if (!ExpandCompressed(in, out)) throw olv::Exception("The data is not compressed");
  return std::string(out.View());
}

namespace {
// The name is expanded already.
bool HasHeaderOnDisk(const std::string& fileName) {
  if (fileName.empty() || !FileExists(fileName)) return false;
  PosixFile file = PosixFile::OpenRead(fileName);
  char header[kCompressedHeaderSize];
  const std::size_t n = ReadFully(file, header, sizeof header);
  return HasCompressedHeader(std::string_view(header, n));
}

// Expands a file whose name is expanded already and whose header was seen into `out`; false when
// the header is gone by the time it is read (the file changed under us).
bool ExpandFileInto(const std::string& source, olv::TStream& out, const CancelCheck& cancelled) {
  PosixFile file = PosixFile::OpenRead(source);
  CancellableSource in(file, cancelled);
  return ExpandCompressed(in, out);
}
}  // namespace

bool IsCompressedFile(const std::string& name) { return HasHeaderOnDisk(olv::ExpandStreamFileName(name)); }

bool CompressFile(const std::string& sourceName, const std::string& destinationName, const CancelCheck& cancelled) {
  const std::string source = olv::ExpandStreamFileName(sourceName);
  const std::string destination = olv::ExpandStreamFileName(destinationName);
  if (source.empty() || !FileExists(source)) return false;
  PosixFile file = PosixFile::OpenRead(source);
  CancellableSource in(file, cancelled);
  AtomicFileWriter out(destination, ModeFor(source, destination), kTempPrefix);
  WriteCompressed(in, out);
  out.commit();
  return true;
}

bool DecompressFile(const std::string& sourceName, const std::string& destinationName, const CancelCheck& cancelled) {
  const std::string source = olv::ExpandStreamFileName(sourceName);
  const std::string destination = olv::ExpandStreamFileName(destinationName);
  if (source.empty() || !HasHeaderOnDisk(source)) return false;
  AtomicFileWriter out(destination, ModeFor(source, destination), kTempPrefix);
  if (!ExpandFileInto(source, out, cancelled)) return false;  // changed under us: leave the destination
  out.commit();
  return true;
}

bool DecompressFileTo(const std::string& sourceName, olv::TStream& out, const CancelCheck& cancelled) {
  const std::string source = olv::ExpandStreamFileName(sourceName);
  if (source.empty() || !HasHeaderOnDisk(source)) return false;
  return ExpandFileInto(source, out, cancelled);
}

bool CompressFileInPlace(const std::string& fileName, const CancelCheck& cancelled) {
  return CompressFile(fileName, fileName, cancelled);
}

}  // namespace olv
