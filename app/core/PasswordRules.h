#pragma once
// The scheme-file password dialog's rules and texts, apart from its window. Passwords are
// compared without regard to letter case (ASCII letters only, so a multi-byte character is never
// split). Any thread.
#include <string>

namespace sch {

inline constexpr const char* kPwdCaption = "Enter Password";
inline constexpr const char* kPwdVerifyFailed = "Verifying the password has failed.";
inline constexpr const char* kPwdWrongCaption = "Password inaccuracy";
inline constexpr const char* kPwdWrongText = "The password of the input contain mistake";
inline constexpr const char* kPwdCheckOnRestore = "Check password when enter main interface";

bool PasswordsEqual(const std::string& a, const std::string& b);

// Set mode: OK is accepted only while "Verify" equals "Password".
inline bool SetModeAccepts(const std::string& password, const std::string& verify) {
  return PasswordsEqual(password, verify);
}
// Check mode: the typed text against the file's (deciphered) password. An empty stored password
// means the file asks for none, so every text passes.
inline bool CheckModeAccepts(const std::string& typed, const std::string& stored) {
  return stored.empty() || PasswordsEqual(typed, stored);
}

}  // namespace sch
