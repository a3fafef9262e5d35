#pragma once
// The scheme-file password dialog "Enter Password" (TSetupSchPwd). Set mode edits the password
// and the "check on restore" flag; check mode asks for the password and compares it. The dialog
// works on the deciphered password; ciphering is the scheme container's business. GUI thread.
#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace sch {

struct SchemePasswordData {
  std::string password;  // deciphered; empty: no password
  bool checkPwdForRestore = false;
};

class TSetupSchPwd : public QDialog {
 public:
  TSetupSchPwd(SchemePasswordData& data, bool setMode, QWidget* parent = nullptr);

  QLineEdit* PasswordEdit() const { return password_; }
  QLineEdit* VerifyEdit() const { return verify_; }
  QCheckBox* CheckBox() const { return check_; }
  // Check mode: whether the last OK matched.
  bool Matched() const { return matched_; }

  void accept() override;

 private:
  SchemePasswordData& data_;
  bool setMode_;
  bool matched_ = false;
  QLineEdit* password_;
  QLineEdit* verify_;
  QCheckBox* check_;
};

// Set mode: true when OK changed the data. Check mode: true when the typed password matched.
bool SetupSchemePassword(SchemePasswordData& data, bool setMode, QWidget* parent = nullptr);

}  // namespace sch
