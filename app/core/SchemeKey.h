#pragma once
// The scheme file's password cipher: the container's Password field holds the password
// enciphered with the text cipher under a key digested from a fixed 8-byte key text of our
// own. Passwords written by the original Windows program therefore cannot be read back.
// Stateless; any thread may call.
#include <string>
#include <string_view>

namespace sch {

// Bytes, not text: changing them makes every stored password unreadable.
inline constexpr std::string_view kSchemeKeyText{"OraSchK1", 8};

// An empty password stays empty and never touches the cipher.
std::string EncipherSchemePassword(std::string_view password);
// Raises olv::Exception on a stored text the encipherer cannot have produced.
std::string DecipherSchemePassword(std::string_view stored);

}  // namespace sch
