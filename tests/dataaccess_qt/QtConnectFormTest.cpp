// The connect form's window: captions in the dialog's language, the values it starts from and
// gives back, and logons retried through the modal window with a failed one reported.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>

#include "dataaccess/ConnectDialog.h"
#include "dataaccess/DAConnection.h"
#include "dataaccess/qt/QtConnectForm.h"

namespace da {
namespace {

// A server that accepts only the password "tiger".
class TigerServer : public TVtConnection {
 public:
  void Connect(const std::string&) override {
    if (Password != "tiger") throw EDAError(1017, "invalid username/password; logon denied");
    Connected = true;
  }
  void Disconnect() override { Connected = false; }
  void StartTransaction() override {}
  void Commit() override {}
  void Rollback() override {}
  std::unique_ptr<TVtCommand> CreateCommand() override { return nullptr; }
  std::unique_ptr<TVtRecordSet> CreateRecordSet() override { return nullptr; }
};

class TigerConnection : public TCustomDAConnection {
 protected:
  void CreateIConnection() override { SetIConnection(std::make_unique<TigerServer>()); }
};

TEST(QtConnectForm, WindowShowsTheDialogsCaptionsAndValues) {
  TCustomConnectDialog dialog;
  dialog.SetLanguage(3);
  QtConnectDialog window(dialog, {"scott", "pw", "db1"}, {"db1", "db2"});
  EXPECT_EQ(window.windowTitle(), "Anmeldung");
  EXPECT_EQ(window.ConnectButton()->text(), "Ok");
  EXPECT_EQ(window.CancelButton()->text(), "Abbrechen");
  EXPECT_EQ(window.PasswordEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(window.ServerBox()->count(), 2);
  window.UsernameEdit()->setText("adams");
  window.ServerBox()->setEditText("db9");
  window.ConnectButton()->click();
  EXPECT_EQ(window.result(), QDialog::Accepted);
  const TConnectFormValues values = window.Values();
  EXPECT_EQ(values.Username, "adams");
  EXPECT_EQ(values.Password, "pw");
  EXPECT_EQ(values.Server, "db9");
}

TEST(QtConnectForm, LogonRetriesThroughTheModalWindow) {
  TigerConnection connection;
  TCustomConnectDialog dialog;
  connection.SetConnectDialog(&dialog);
  QtConnectForm form;
  InstallConnectForm(&form);
  std::deque<std::string> passwords = {"lion", "tiger"};
  int errorsShown = 0;
  // Plays the user: answers each modal window as it comes up.
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      ++errorsShown;
      EXPECT_TRUE(box->text().contains("logon denied"));
      box->accept();
    } else if (auto* window = dynamic_cast<QtConnectDialog*>(modal); window && !passwords.empty()) {
      window->UsernameEdit()->setText("scott");
      window->PasswordEdit()->setText(QString::fromStdString(passwords.front()));
      passwords.pop_front();
      window->ConnectButton()->click();
    }
  });
  user.start(0);
  connection.Connect();
  user.stop();
  InstallConnectForm(nullptr);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(errorsShown, 1);
  EXPECT_EQ(connection.Username(), "scott");
}

}  // namespace
}  // namespace da
