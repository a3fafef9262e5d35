#pragma once
// What a parameter's edit button opens, on Qt: the file dialog; the SQL script editor and the
// Oracle object picker belong to the Oracle tools and say they are not available yet. Handed to
// the schemes' host in its services. GUI thread only.
#include "app/core/SchemeEditor.h"

class QWidget;

namespace sch {

class QtSchemeEditor : public SchemeEditor {
 public:
  explicit QtSchemeEditor(QWidget* parent = nullptr) : parent_(parent) {}
  // The window its dialogs belong to.
  void SetParentWindow(QWidget* parent) { parent_ = parent; }
  std::optional<std::string> PickFile(const std::string& filter, const std::string& defaultExt,
                                      const std::string& current) override;
  bool EditScript(TSchemeObject& scheme, std::string& text) override;
  std::optional<std::string> PickOracleObjects(TSchemeObject& scheme, bool tables,
                                               const std::string& value) override;

 private:
  QWidget* parent_;
};

}  // namespace sch
