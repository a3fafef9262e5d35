#pragma once
// The Oracle object picker "Select Oracle Objects" (TOraSelector) over TOraSelectorModel: the
// link fields with "Connect" and its status, the database's users ("Objects"), and one page,
// "Select user" or "Select tables", with its ">" and "<" buttons and the chosen list. Made on
// first use and kept for later uses. GUI thread only.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "app/core/OraObjSel.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace sch {

class TDMSession;

class TOraSelector : public QDialog {
 public:
  explicit TOraSelector(TDMSession& session, QWidget* parent = nullptr);

  TOraSelectorModel& Model() { return model_; }
  // A new use: the model opened (and connected), the widgets filled from it.
  void Start(const std::string& user, const std::string& password, const std::string& service, bool usersMode,
             const std::string& current);

  QLineEdit* UsernameEdit() const { return username_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QLineEdit* ServiceEdit() const { return service_; }
  QPushButton* ConnectButton() const { return connect_; }
  QPlainTextEdit* StatusMemo() const { return status_; }
  QListWidget* ObjectsList() const { return objects_; }
  QListWidget* ChosenUsersList() const { return chosenUsers_; }
  QListWidget* SourceTablesList() const { return sourceTables_; }
  QListWidget* ChosenTablesList() const { return chosenTables_; }
  QTabWidget* Pages() const { return pages_; }
  QPushButton* AddUserButton() const { return addUser_; }
  QPushButton* RemoveUserButton() const { return removeUser_; }
  QPushButton* AddTableButton() const { return addTable_; }
  QPushButton* RemoveTableButton() const { return removeTable_; }

 private:
  void Refill();
  void FocusUser();
  static std::vector<int> Selected(QListWidget* list);

  TOraSelectorModel model_;
  QLineEdit *username_, *password_, *service_;
  QPushButton* connect_;
  QPlainTextEdit* status_;
  QListWidget *objects_, *chosenUsers_, *sourceTables_, *chosenTables_;
  QTabWidget* pages_;
  QPushButton *addUser_, *removeUser_, *addTable_, *removeTable_;
};

// The picker for users (usersMode) or tables, starting from current; the chosen list joined
// with "," when left with OK, none otherwise.
std::optional<std::string> SelectOraObjects(TDMSession& session, const std::string& user, const std::string& password,
                                            const std::string& service, bool usersMode, const std::string& current,
                                            QWidget* parent = nullptr);

}  // namespace sch
