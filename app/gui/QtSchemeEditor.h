#pragma once
// What a parameter's edit button opens, on Qt: the file dialog, the SQL script editor
// (EditStrings, its "Execute" on the session given) and the Oracle object picker
// (SelectOraObjects, with the scheme's login, on the data module's session; without one it says
// that the names are typed into the cell). Handed to the schemes' host in its services. GUI
// thread only.
#include <memory>

#include "app/core/SchemeEditor.h"

class QFileDialog;
class QWidget;

namespace sch {

class TOracleSession;

// Our own text: what the edit button of a user or table parameter says with no database session.
inline constexpr const char* kTypeOracleObjects =
    "The Oracle object picker needs a database session: type the names into the cell, separated by commas.";

// Our own texts: the file dialog's filters for programs and for every file.
inline constexpr const char* kProgramsFilter = "Programs (*)";
inline constexpr const char* kAllFilesFilter = "All files (*)";

// A file parameter's dialog, from its stored filter ("text|pattern|...") and default extension:
// an open dialog that never offers to replace a file; a program filter ("*.exe") lists the
// files we may execute, with every file as the next filter.
void SetUpParamFileDialog(QFileDialog& dialog, const std::string& filter, const std::string& defaultExt);

class QtSchemeEditor : public SchemeEditor {
 public:
  explicit QtSchemeEditor(QWidget* parent = nullptr, std::shared_ptr<TOracleSession> session = {})
      : parent_(parent), session_(std::move(session)) {}
  // The window its dialogs belong to.
  void SetParentWindow(QWidget* parent) { parent_ = parent; }
  std::optional<std::string> PickFile(const std::string& filter, const std::string& defaultExt,
                                      const std::string& current) override;
  bool EditScript(TSchemeObject& scheme, std::string& text) override;
  std::optional<std::string> PickOracleObjects(TSchemeObject& scheme, bool tables,
                                               const std::string& value) override;

 private:
  QWidget* parent_;
  std::shared_ptr<TOracleSession> session_;
};

}  // namespace sch
