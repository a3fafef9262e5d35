#include "foundation/dialogs/MessageBoxes.h"

#include "foundation/files/Folders.h"
#include "platform/Dialogs.h"

namespace olv {

int AppMessageBox(const std::string& caption, const std::string& text, unsigned flags) {
  return plat::CurrentDialogs().MessageBox(caption, text, flags);
}

int ErrorBox(const std::string& caption, const std::string& text) {
  plat::CurrentDialogs().Beep(plat::MB_ICONINFORMATION);
  return AppMessageBox(caption, text, plat::MB_ICONSTOP);
}

int ConfirmBox(const std::string& text) {
  plat::CurrentDialogs().Beep(plat::MB_ICONWARNING);
  return AppMessageBox("确认", text, plat::MB_OKCANCEL | plat::MB_ICONQUESTION);
}

void InfoBox(const std::string& caption, const std::string& text) {
  AppMessageBox(caption, text, plat::MB_ICONINFORMATION);
}

void ShowInfo(const std::string& text) {
  InfoBox(GetProgramName(), text);
}

bool ConfirmQuestion(const std::string& text) {
  std::string question = text;
  if (!question.empty() && question.back() != '?') question += '?';
  return ConfirmBox(question) == plat::IDOK;
}

std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& value) {
  return plat::CurrentDialogs().InputBox(caption, prompt, value);
}

}  // namespace olv
