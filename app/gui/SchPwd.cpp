#include "app/gui/SchPwd.h"

#include "app/gui/PasswordMask.h"
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/core/PasswordRules.h"
#include "foundation/dialogs/MessageBoxes.h"

namespace sch {

TSetupSchPwd::TSetupSchPwd(SchemePasswordData& data, bool setMode, QWidget* parent)
    : QDialog(parent), data_(data), setMode_(setMode) {
  setWindowTitle(kPwdCaption);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  password_ = new QLineEdit(this);
  verify_ = new QLineEdit(this);
  for (QLineEdit* e : {password_, verify_}) MaskWithStars(*e);
  form->addRow("Password", password_);
  form->addRow("Verify", verify_);
  layout->addLayout(form);
  check_ = new QCheckBox(kPwdCheckOnRestore, this);
  layout->addWidget(check_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TSetupSchPwd::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TSetupSchPwd::reject);
  layout->addWidget(buttons);
  if (setMode_) {
    password_->setText(QString::fromStdString(data_.password));
    verify_->setText(QString::fromStdString(data_.password));
    check_->setChecked(data_.checkPwdForRestore);
  } else {
    verify_->setEnabled(false);
    check_->setEnabled(false);
  }
}

void TSetupSchPwd::accept() {
  const std::string typed = password_->text().toStdString();
  if (setMode_) {
    if (!SetModeAccepts(typed, verify_->text().toStdString())) {
      olv::ShowInfo(kPwdVerifyFailed);
      return;  // the dialog stays
    }
    data_.password = typed;
    data_.checkPwdForRestore = check_->isChecked();
  } else {
    matched_ = CheckModeAccepts(typed, data_.password);
    if (!matched_) olv::ErrorBox(kPwdWrongCaption, kPwdWrongText);
  }
  QDialog::accept();
}

bool SetupSchemePassword(SchemePasswordData& data, bool setMode, QWidget* parent) {
  TSetupSchPwd dialog(data, setMode, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  return setMode ? true : dialog.Matched();
}

}  // namespace sch
