#pragma once
// The connect form on Qt: QtConnectDialog is the window (the dialog's caption, user name and
// password fields, an editable server list, Connect and Cancel buttons labelled in the dialog's
// language); QtConnectForm is the view that RunConnectForm (dataaccess/ConnectForm.h) drives: it
// shows the window modally for each attempt and reports a failed logon in a message box.
// Install it with InstallConnectForm(&form) at start-up. Main thread only.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/ConnectForm.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace da {

class QtConnectDialog : public QDialog {
 public:
  QtConnectDialog(const TCustomConnectDialog& dialog, const TConnectFormValues& values,
                  const std::vector<std::string>& servers, QWidget* parent = nullptr);
  TConnectFormValues Values() const;
  QLineEdit* UsernameEdit() const { return username_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QComboBox* ServerBox() const { return server_; }
  QPushButton* ConnectButton() const { return connect_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  QLineEdit* username_;
  QLineEdit* password_;
  QComboBox* server_;
  QPushButton* connect_;
  QPushButton* cancel_;
};

class QtConnectForm : public IConnectFormView {
 public:
  explicit QtConnectForm(QWidget* parent = nullptr) : parent_(parent) {}
  std::optional<TConnectFormValues> Ask(const TCustomConnectDialog& dialog, const TConnectFormValues& values,
                                        const std::vector<std::string>& servers) override;
  void ShowError(const std::string& message) override;

 private:
  QWidget* parent_;
};

}  // namespace da
