#pragma once
// The character-set tool "Oracle character set selector" (TOraCharSetSelector) over
// TOraCharsetModel: the client's character set, the link fields with "Connect" and "Refresh", the
// database's character set and its valid sets, the dump conversion ("Select", "Export file",
// "Target file", "Convert") and "Test" and "Set" of the client's NLS_LANG. Errors of a button
// show in an error box, its result in an information box. GUI thread only.
#include <QDialog>
#include <functional>
#include <string>

#include "app/core/OraCharset.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace plat {
class Registry;
}

namespace sch {

class TDMSession;

class TOraCharSetSelector : public QDialog {
 public:
  TOraCharSetSelector(TDMSession& session, plat::Registry& registry, const std::string& user,
                      const std::string& password, const std::string& service, QWidget* parent = nullptr);

  TOraCharsetModel& Model() { return model_; }
  // What "Select" asks for a dump; the Qt file dialog unless a test gives its own.
  std::function<std::string()> ChooseFile;

  QLineEdit* ClientCharsetEdit() const { return client_; }
  QLineEdit* UsernameEdit() const { return username_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QLineEdit* ServiceEdit() const { return service_; }
  QLineEdit* DatabaseCharsetEdit() const { return database_; }
  QListWidget* CharsetList() const { return list_; }
  QLineEdit* SelectedEdit() const { return selected_; }
  QLineEdit* ExportFileEdit() const { return exportFile_; }
  QLineEdit* TargetFileEdit() const { return targetFile_; }
  QLabel* SourceLabel() const { return sourceLabel_; }
  QLabel* TargetLabel() const { return targetLabel_; }
  QPushButton* ConnectButton() const { return connect_; }
  QPushButton* RefreshButton() const { return refresh_; }
  QPushButton* SelectButton() const { return select_; }
  QPushButton* ConvertButton() const { return convert_; }
  QPushButton* TestButton() const { return test_; }
  QPushButton* SetButton() const { return set_; }

 private:
  // Runs a button's command: the link fields into the model first, its error in an error box,
  // the widgets refreshed from the model after.
  void Command(const std::function<void()>& command);
  void Show();

  TOraCharsetModel model_;
  QLineEdit *client_, *username_, *password_, *service_, *database_, *selected_, *exportFile_, *targetFile_;
  QListWidget* list_;
  QLabel *sourceLabel_, *targetLabel_;
  QPushButton *connect_, *refresh_, *select_, *convert_, *test_, *set_;
};

// The tool with the given login, shown modally and freed afterwards.
void ShowCharsetSelector(TDMSession& session, const std::string& user, const std::string& password,
                         const std::string& service, QWidget* parent = nullptr);

}  // namespace sch
