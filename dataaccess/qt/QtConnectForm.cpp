#include "dataaccess/qt/QtConnectForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "dataaccess/ConnectDialog.h"

namespace da {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QtConnectDialog::QtConnectDialog(const TCustomConnectDialog& dialog, const TConnectFormValues& values,
                                 const std::vector<std::string>& servers, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Q(dialog.Caption));
  username_ = new QLineEdit(Q(values.Username));
  password_ = new QLineEdit(Q(values.Password));
  password_->setEchoMode(QLineEdit::Password);
  server_ = new QComboBox;
  server_->setEditable(true);
  for (const std::string& s : servers) server_->addItem(Q(s));
  server_->setEditText(Q(values.Server));
  server_->setMinimumWidth(220);
  auto* fields = new QFormLayout;
  fields->addRow(Q(dialog.UsernameLabel), username_);
  fields->addRow(Q(dialog.PasswordLabel), password_);
  fields->addRow(Q(dialog.ServerLabel), server_);
  auto* buttons = new QDialogButtonBox;
  connect_ = buttons->addButton(Q(dialog.ConnectButton), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(Q(dialog.CancelButton), QDialogButtonBox::RejectRole);
  connect_->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  // The user name is what a user types first; with one given, the password.
  (values.Username.empty() ? username_ : password_)->setFocus();
}

TConnectFormValues QtConnectDialog::Values() const {
  return {username_->text().toStdString(), password_->text().toStdString(), server_->currentText().toStdString()};
}

std::optional<TConnectFormValues> QtConnectForm::Ask(const TCustomConnectDialog& dialog,
                                                     const TConnectFormValues& values,
                                                     const std::vector<std::string>& servers) {
  QtConnectDialog window(dialog, values, servers, parent_);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.Values();
}

void QtConnectForm::ShowError(const std::string& message) {
  QMessageBox::critical(parent_, QStringLiteral("Error"), Q(message));
}

}  // namespace da
