#pragma once
// TCustomConnectDialog: the connect dialog a connection may run before connecting (see
// TCustomDAConnection::SetConnected). Execute remembers the connection's user name, password and
// server, reads the last user name and server from the registry (remember login), runs the
// process's connect form (ConnectFormProc: the window side installs one, see ConnectForm.h; none
// is installed by default, and then Execute answers false), writes the user name and server back
// after a successful logon, and puts the remembered values back after a failed one.
//
// Registry: HKEY_CURRENT_USER, key KeyBase() + "Connect\" + the application name (GetAppName),
// values "Username" and ServerValueName(); the server history under KeyBase() + "Connect" as
// ServerValueName() + "1", "2", ... (most recent first).
//
// Captions: six texts by language (SetLanguage 1 .. 8; 0 loads nothing); the constructor sets 1.
// Errors: EDatabaseError "Connection is not defined.". Ownership: the dialog refers to its
// connection, which clears the reference when it goes (and the dialog tells the connection when
// it goes). One thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dataaccess/DAComponent.h"

namespace plat {
class Registry;
}

namespace da {

class TCustomDAConnection;
class TCustomConnectDialog;

// The connect form: shows the dialog and logs its connection on (PerformConnect), making up to
// Retries attempts; true when the logon succeeded. Unassigned: no form. Process-wide because a
// connection makes its own dialog through its class's factory (ConnectDialogClass) when none is
// set, so there is nobody to hand a form to that dialog.
extern std::function<bool(TCustomConnectDialog& dialog)> ConnectFormProc;

class TCustomConnectDialog : public TDAComponent {
 public:
  TCustomConnectDialog();
  ~TCustomConnectDialog() override;
  std::string ClassName() const override { return "TCustomConnectDialog"; }

  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);

  std::uint16_t Retries = 3;  // logon attempts a form may make
  bool SavePassword = false;  // keep the password when the user name is the remembered one
  bool StoreLogInfo = true;   // read and write user name and server in the registry

  std::uint8_t Language() const { return language_; }
  // Loads the six captions of a language (1 .. 8); 0 or an unknown one loads nothing.
  void SetLanguage(std::uint8_t value);
  std::string Caption, UsernameLabel, PasswordLabel, ServerLabel, ConnectButton, CancelButton;

  virtual bool Execute();
  virtual std::string KeyBase() const { return std::string(); }
  virtual std::string ServerValueName() const { return "Server"; }
  // Earlier servers to offer, most recent first (none here).
  virtual void FillServerList(std::vector<std::string>& list) { (void)list; }

  // The registry read and written (nullptr: plat::Registry::Default()).
  plat::Registry* Registry = nullptr;

 private:
  TCustomDAConnection* connection_ = nullptr;
  std::uint8_t language_ = 0;
};

}  // namespace da
