#pragma once
// The byte layer of the scheme file, beneath the object stream: loading gives the object
// stream's bytes whether the file is plain or compressed; saving writes them plain or behind
// the compressed header, atomically and readable by the owner only (the file holds database
// passwords). LoadObjectFromFile / SaveObjectToFile put the object stream on top.
// Any thread may call; the caller serialises saves of one file.
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sch {

// The scheme file holds database passwords: only its owner may read it.
inline constexpr mode_t kSchemeFileMode = 0600;

// A scheme file is small: neither the file nor what it expands to may exceed this.
inline constexpr std::size_t kMaxSchemeFileBytes = std::size_t{128} << 20;

// Nothing when the name is empty or no file exists; the expanded payload of a compressed file;
// otherwise the file's bytes as they are. A damaged compressed file raises EZlibError; a file or
// expansion past kMaxSchemeFileBytes, or an expansion not beginning with the object stream's
// signature, raises olv::EReadError as soon as it shows (an expansion is never made whole first).
std::optional<std::string> LoadSchemeFileBytes(const std::string& fileName);
// Replaces the file with `payload` (compressed at the default level when asked), mode 0600.
// A failure raises and leaves the previous file as it was.
void SaveSchemeFileBytes(const std::string& fileName, std::string_view payload, bool compressed);

}  // namespace sch
