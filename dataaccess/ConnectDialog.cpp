#include "dataaccess/ConnectDialog.h"

#include "dataaccess/DAConnection.h"
#include "dataaccess/Data.h"
#include "foundation/text/Utf8.h"
#include "platform/Registry.h"

namespace da {

std::function<bool(TCustomConnectDialog&)> ConnectFormProc;

namespace {

struct CaptionSet {
  std::uint8_t language;
  const char* texts[6];
};

// Caption, user name, password, server, connect button, cancel button.
const CaptionSet kCaptionSets[] = {
    {1, {"Connect", "User Name", "Password", "Server", "Connect", "Cancel"}},
    {2, {"Ouverture de session", "Nom utilisateur", "Mot de passe", "Chaone centrale", "Ok", "Annuler"}},
    {3, {"Anmeldung", "Benutzername", "Kennwort", "Host-Zeichenfolge", "Ok", "Abbrechen"}},
    {4, {"Connessione", "Nome Utente", "Parola d'ordine", "Stringa Conn.Host", "Ok", "Elimina"}},
    {5, {"Rejestracja", "Uiytkowhik", "Hasio", "Opis hosta", "Ok", "Anuluj"}},
    {6, {"Entrar em Sessão", "Nome de Utilizador", "Senha", "Ligação ao Host", "Ok", "Cancelar"}},
    {7, {"Соединение", "Имя", "Пароль", "Сервер", "Соединить", "Отмена"}},
    {8, {"Conectar", "Usuario", "Clave", "Cadena Conexiyn", "Ok", "Cancelar"}},
};

constexpr int kHive = plat::Registry::kCurrentUser;

std::string StringValue(plat::Registry& registry, const std::string& key, const std::string& name, bool& found) {
  const auto value = registry.GetValue(kHive, key, name);
  found = value.has_value();
  return value ? value->data : std::string();
}

// No development environment hosts these components on Linux: the user's stored values always
// take precedence over the ones the connection was given.
bool InsideDevelopmentEnvironment() { return false; }

}  // namespace

TCustomConnectDialog::TCustomConnectDialog() { SetLanguage(1); }

TCustomConnectDialog::~TCustomConnectDialog() { SetConnection(nullptr); }

void TCustomConnectDialog::SetConnection(TCustomDAConnection* connection) {
  if (connection == connection_) return;
  if (connection_) connection_->ForgetDialog(this);
  connection_ = connection;
  if (connection_) connection_->NoteDialog(this);
}

void TCustomConnectDialog::SetLanguage(std::uint8_t value) {
  language_ = value;
  for (const CaptionSet& set : kCaptionSets) {
    if (set.language != value) continue;
    std::string* targets[6] = {&Caption, &UsernameLabel, &PasswordLabel, &ServerLabel, &ConnectButton, &CancelButton};
    for (int i = 0; i < 6; ++i) *targets[i] = set.texts[i];
  }
}

bool TCustomConnectDialog::Execute() {
  if (!connection_) throw EDatabaseError("Connection is not defined.");
  TCustomDAConnection& connection = *connection_;
  const std::string oldUsername = connection.Username(), oldPassword = connection.Password(),
                    oldServer = connection.Server();
  plat::Registry& registry = Registry ? *Registry : plat::Registry::Default();
  const std::string base = KeyBase() + "Connect";
  const std::string key = base + "\\" + GetAppName();
  const bool inside = InsideDevelopmentEnvironment();
  if (StoreLogInfo && registry.KeyExists(kHive, key)) {
    bool found = false;
    if (!(inside && !connection.Username().empty())) {
      const std::string user = StringValue(registry, key, "Username", found);
      if (found) connection.SetUsername(user);
    }
    if (!((SavePassword || inside) && olv::utf8::SameText(connection.Username(), oldUsername)))
      connection.SetPassword(std::string());
    if (!(inside && !connection.Server().empty())) {
      const std::string server = StringValue(registry, key, ServerValueName(), found);
      if (found) connection.SetServer(server);
    }
  }
  const bool result = ConnectFormProc ? ConnectFormProc(*this) : false;
  if (result && StoreLogInfo) {
    registry.CreateKey(kHive, key);
    registry.SetValue(kHive, key, "Username", plat::RegValue::Str(connection.Username()));
    registry.SetValue(kHive, key, ServerValueName(), plat::RegValue::Str(connection.Server()));
    if (registry.KeyExists(kHive, base)) {
      registry.SetValue(kHive, base, ServerValueName() + "1", plat::RegValue::Str(connection.Server()));
      std::vector<std::string> servers;
      FillServerList(servers);
      int n = 2;
      for (const std::string& server : servers)
        if (!olv::utf8::SameText(server, connection.Server()))
          registry.SetValue(kHive, base, ServerValueName() + std::to_string(n++), plat::RegValue::Str(server));
    }
  }
  if (!result) {
    connection.SetUsername(oldUsername);
    connection.SetPassword(oldPassword);
    connection.SetServer(oldServer);
  }
  return result;
}

}  // namespace da
