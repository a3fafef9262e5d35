#pragma once
// Compressed files, shared by the scheme file and dump files: a 16-byte header ("OLVEK", three
// zero bytes, eight ignored filler bytes) followed by a zlib stream (default level) of the
// whole payload. Readers accept the magic text in any letter case.
//
// Every file written here is replaced atomically (see AtomicFile.h): a failure, a full disk or
// a damaged source leaves the destination as it was and raises. Data streams through fixed
// buffers, so a dump of any size needs constant memory. Free functions; any thread may call
// them, on different files. Path macros in file names are expanded (olv::ExpandStreamFileName).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/base/Exception.h"
#include "foundation/streams/Stream.h"

namespace olv {

inline constexpr std::size_t kCompressedHeaderSize = 16;

// The header as written: "OLVEK" and eleven zero bytes.
std::string MakeCompressedHeader();
// Cuts the first 16 bytes at the first zero byte and compares with "OLVEK" ignoring case;
// fewer than 16 bytes is not compressed.
bool HasCompressedHeader(std::string_view firstBytes);

// Writes the header and the compressed payload read from `payload` (from its position to its
// end) to `out`.
void WriteCompressed(olv::TStream& payload, olv::TStream& out);
// Reads and checks the header from `in`'s position, then expands the stream after it into
// `out`. Returns false (nothing written) when the header is missing.
bool ExpandCompressed(olv::TStream& in, olv::TStream& out);

// In memory, for the scheme file: header + zlib stream of `payload`, and back. ExpandBytes
// raises olv::Exception when the header is missing, EZlibError when the stream is damaged.
std::string CompressBytes(std::string_view payload);
std::string ExpandBytes(std::string_view compressed);

// Asked between blocks while a file is compressed or expanded: true stops the work, which then
// raises ECancelled and leaves the destination as it was. Called on the working thread.
using CancelCheck = std::function<bool()>;
class ECancelled : public olv::Exception {
 public:
  using olv::Exception::Exception;
};

// The file exists and begins with the header.
bool IsCompressedFile(const std::string& fileName);
// Compresses `source` into `destination`; false when the source does not exist.
bool CompressFile(const std::string& source, const std::string& destination, const CancelCheck& cancelled = {});
// Expands `source` into `destination`; false (destination untouched) when the source does not
// exist or has no header.
bool DecompressFile(const std::string& source, const std::string& destination, const CancelCheck& cancelled = {});
// Expands `source` into `out`, a file that must stay the same open file throughout (a locked
// work file: replacing it would drop its lock); false (nothing written) when the source does not
// exist or has no header. A failure leaves a partial expansion in `out` for the caller to discard.
bool DecompressFileTo(const std::string& source, olv::TStream& out, const CancelCheck& cancelled = {});
// Replaces the file by its compressed form, keeping its mode; false when it does not exist.
bool CompressFileInPlace(const std::string& fileName, const CancelCheck& cancelled = {});

}  // namespace olv
