#pragma once
// The library's message boxes, shown through the installed plat::Dialogs (headless: cancelled).
// Any thread may call them; the dialogs implementation decides where the box appears.
#include <optional>
#include <string>

namespace olv {

// The box with Text under Caption and the message-box flags; the answer pressed (plat::IDOK ...).
int AppMessageBox(const std::string& caption, const std::string& text, unsigned flags);
// A stop-icon box after the error sound.
int ErrorBox(const std::string& caption, const std::string& text);
// An OK/Cancel question box captioned "确认" after the warning sound.
int ConfirmBox(const std::string& text);
// An information box.
void InfoBox(const std::string& caption, const std::string& text);
// An information box captioned with the program's name.
void ShowInfo(const std::string& text);
// ConfirmBox of the text with "?" appended unless it is empty or ends with one; true for OK.
bool ConfirmQuestion(const std::string& text);
// One line of text from the user, starting from value; none when cancelled.
std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& value);

}  // namespace olv
