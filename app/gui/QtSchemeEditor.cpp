#include "app/gui/QtSchemeEditor.h"

#include <QFileDialog>

#include "app/core/MainFormModel.h"
#include "app/gui/PlanMain.h"
#include "app/gui/StrEditor.h"
#include "foundation/base/MessageBoxes.h"

namespace sch {

std::optional<std::string> QtSchemeEditor::PickFile(const std::string& filter, const std::string& defaultExt,
                                                    const std::string& current) {
  QFileDialog dialog(parent_, QString(), QString::fromStdString(current), QtFileFilter(filter));
  dialog.setDefaultSuffix(QString::fromStdString(defaultExt));
  dialog.setAcceptMode(QFileDialog::AcceptSave);  // a dump to be written need not exist yet
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool QtSchemeEditor::EditScript(TSchemeObject&, std::string& text) { return EditStrings(text, session_, parent_); }

std::optional<std::string> QtSchemeEditor::PickOracleObjects(TSchemeObject&, bool, const std::string&) {
  olv::ShowInfo(kTypeOracleObjects);
  return std::nullopt;
}

}  // namespace sch
