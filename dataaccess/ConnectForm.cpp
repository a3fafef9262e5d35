#include "dataaccess/ConnectForm.h"

#include "dataaccess/ConnectDialog.h"
#include "dataaccess/DAConnection.h"

namespace da {

bool RunConnectForm(TCustomConnectDialog& dialog, IConnectFormView& view) {
  TCustomDAConnection* connection = dialog.Connection();
  if (!connection) throw EDatabaseError("Connection is not defined.");
  std::vector<std::string> servers;
  dialog.FillServerList(servers);
  const int attempts = dialog.Retries > 0 ? dialog.Retries : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const std::optional<TConnectFormValues> values =
        view.Ask(dialog, {connection->Username(), connection->Password(), connection->Server()}, servers);
    if (!values) return false;
    connection->SetUsername(values->Username);
    connection->SetPassword(values->Password);
    connection->SetServer(values->Server);
    try {
      connection->PerformConnect(attempt > 0);
      return true;
    } catch (const EAbort&) {
      return false;
    } catch (const std::exception& e) {
      view.ShowError(e.what());
    }
  }
  return false;
}

void InstallConnectForm(IConnectFormView* view) {
  if (!view) {
    ConnectFormProc = nullptr;
    return;
  }
  ConnectFormProc = [view](TCustomConnectDialog& dialog) { return RunConnectForm(dialog, *view); };
}

}  // namespace da
