#pragma once
// The fake server's side of the logon cryptography, on OpenSSL's DES rather than the client's, so
// that a mistake in the client's hash or cipher cannot agree with itself: the classic password
// hash, the session key text sent in logon phase one, and the password text of phase two read
// back. Pure functions; any thread.
#include <optional>
#include <string>

#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

// The 8-byte hash of a user name and password (letters a-z count as upper case).
Bytes FakePasswordHash(const std::string& user, const std::string& password);
// The session key (8 bytes) encrypted under the hash, as 16 upper-case hexadecimal digits.
std::string FakeSessionKeyText(const Bytes& hash, const Bytes& sessionKey);
// The password a phase-two password text carries (hexadecimal cipher text and the padding
// digit), or nothing when the text is not well formed.
std::optional<std::string> FakeReadPasswordText(const Bytes& sessionKey, const std::string& text);

}  // namespace ora::fake
