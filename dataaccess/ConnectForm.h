#pragma once
// The connect form's behaviour without a window: RunConnectForm shows the dialog's captions and
// the connection's user name, password and server through a view, and for each answer the user
// confirms sets them on the connection and logs on (PerformConnect, with retry for the second and
// later attempts); a failed logon shows its message and asks again, up to the dialog's Retries
// attempts. The view is the window side's (the Qt form in dataaccess/qt) or a test's script.
//
// InstallConnectForm makes a view the process's connect form (ConnectFormProc); the view must
// outlive its installation. One thread: the connection's.
#include <optional>
#include <string>
#include <vector>

namespace da {

class TCustomConnectDialog;

struct TConnectFormValues {
  std::string Username, Password, Server;
};

class IConnectFormView {
 public:
  virtual ~IConnectFormView() = default;
  // Shows the form with the dialog's captions, the values and the servers to offer; the values
  // the user confirmed, or nothing when the user cancelled.
  virtual std::optional<TConnectFormValues> Ask(const TCustomConnectDialog& dialog, const TConnectFormValues& values,
                                                const std::vector<std::string>& servers) = 0;
  // Tells the user why the logon failed.
  virtual void ShowError(const std::string& message) = 0;
};

// True when the logon succeeded within the dialog's Retries attempts (at least one).
bool RunConnectForm(TCustomConnectDialog& dialog, IConnectFormView& view);
// nullptr removes the installed form.
void InstallConnectForm(IConnectFormView* view);

}  // namespace da
