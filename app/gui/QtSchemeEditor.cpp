#include "app/gui/QtSchemeEditor.h"

#include <QFileDialog>

#include "app/core/MainFormModel.h"
#include "app/gui/PlanMain.h"
#include "app/gui/StrEditor.h"
#include "app/gui/OraSelector.h"
#include "app/core/DMSession.h"
#include "app/core/OracleScheme.h"
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

std::optional<std::string> QtSchemeEditor::PickOracleObjects(TSchemeObject& scheme, bool tables,
                                                             const std::string& value) {
  auto* session = dynamic_cast<TDMSession*>(session_.get());
  auto* oracle = dynamic_cast<TOracleScheme*>(&scheme);
  if (!session || !oracle) {
    olv::ShowInfo(kTypeOracleObjects);
    return std::nullopt;
  }
  return SelectOraObjects(*session, oracle->GetLoginValue(0), oracle->GetLoginValue(1), oracle->GetLoginValue(2),
                          !tables, value, parent_);
}

}  // namespace sch
