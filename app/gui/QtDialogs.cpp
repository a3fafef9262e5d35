#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <vector>

#include "platform/MainThread.h"

namespace sch {

template <typename F>
bool QtDialogs::OnGuiThread(F&& f) {
  if (!mainThread_ || mainThread_->isMainThread()) {
    f();
    return true;
  }
  return mainThread_->send(std::forward<F>(f));
}

void QtDialogs::EndModalBoxes() {
  // Nested boxes end from the innermost out; a widget that will not go stops the loop.
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
    else modal->close();
    if (QApplication::activeModalWidget() == modal) break;
  }
}

int QtDialogs::ShowMessage(const std::string& caption, const std::string& text, unsigned flags) {
  if (refused_) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return plat::CancelAnswer(flags);
  }
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (flags & 0xF0) {
    case plat::MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
    case plat::MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case plat::MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case plat::MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct Button { const char* text; int answer; };
  std::vector<Button> buttons;
  switch (flags & 0x0F) {
    case plat::MB_OKCANCEL: buttons = {{"OK", plat::IDOK}, {"Cancel", plat::IDCANCEL}}; break;
    case plat::MB_ABORTRETRYIGNORE:
      buttons = {{"Abort", plat::IDABORT}, {"Retry", plat::IDRETRY}, {"Ignore", plat::IDIGNORE}};
      break;
    case plat::MB_YESNOCANCEL:
      buttons = {{"Yes", plat::IDYES}, {"No", plat::IDNO}, {"Cancel", plat::IDCANCEL}};
      break;
    case plat::MB_YESNO: buttons = {{"Yes", plat::IDYES}, {"No", plat::IDNO}}; break;
    case plat::MB_RETRYCANCEL: buttons = {{"Retry", plat::IDRETRY}, {"Cancel", plat::IDCANCEL}}; break;
    case plat::MB_CANCELTRYCONTINUE:
      buttons = {{"Cancel", plat::IDCANCEL}, {"Try Again", plat::IDTRYAGAIN}, {"Continue", plat::IDCONTINUE}};
      break;
    default: buttons = {{"OK", plat::IDOK}}; break;
  }
  std::vector<QAbstractButton*> made;
  for (const auto& b : buttons) made.push_back(box.addButton(QString::fromLatin1(b.text), QMessageBox::AcceptRole));
  box.exec();
  for (std::size_t i = 0; i < made.size(); ++i)
    if (box.clickedButton() == made[i]) return buttons[i].answer;
  return plat::CancelAnswer(flags);
}

int QtDialogs::MessageBox(const std::string& caption, const std::string& text, unsigned flags) {
  int answer = plat::CancelAnswer(flags);
  OnGuiThread([&] { answer = ShowMessage(caption, text, flags); });
  return answer;
}

std::optional<std::string> QtDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                               const std::string& value) {
  std::optional<std::string> result;
  OnGuiThread([&] {
    if (refused_) return;
    bool ok = false;
    QString text = QInputDialog::getText(parent_, QString::fromStdString(caption), QString::fromStdString(prompt),
                                         QLineEdit::Normal, QString::fromStdString(value), &ok);
    if (ok) result = text.toStdString();
  });
  return result;
}

void QtDialogs::Beep(unsigned) {
  OnGuiThread([] { QApplication::beep(); });
}

}  // namespace sch
