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

void SetUpParamFileDialog(QFileDialog& dialog, const std::string& filter, const std::string& defaultExt) {
  // The stored filters name Windows patterns: a program is an "*.exe" there and "*.*" means every
  // file. Here a program is any file we may execute, and "*.*" would hide names without a dot.
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList names;
  bool programs = false;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString pattern = parts[i + 1].trimmed();
    if (pattern.compare("*.exe", Qt::CaseInsensitive) == 0) {
      programs = true;
      names << QString::fromUtf8(kProgramsFilter);
    } else if (pattern == "*.*" || pattern == "*") {
      names << QString::fromUtf8(kAllFilesFilter);
    } else {
      names << parts[i] + " (" + pattern + ")";
    }
  }
  names.removeDuplicates();
  if (names.isEmpty()) names << QString::fromUtf8(kAllFilesFilter);
  // Which files are programs is a matter of their mode, which no name pattern sees: only the
  // dialog's own widgets list by it.
  if (programs) dialog.setOption(QFileDialog::DontUseNativeDialog);
  // An open dialog: it never asks to replace a file. A program must exist; a dump or a log that
  // a run will write need not exist yet.
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(programs ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(programs ? QString() : QString::fromStdString(defaultExt));
  dialog.setNameFilters(names);
  if (!programs) return;
  const QDir::Filters all = dialog.filter();
  const auto show = [&dialog, all](const QString& chosen) {
    dialog.setFilter(chosen == QString::fromUtf8(kProgramsFilter)
                         ? QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot
                         : all);
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, show);
  dialog.selectNameFilter(names.first());
  show(names.first());
}

std::optional<std::string> QtSchemeEditor::PickFile(const std::string& filter, const std::string& defaultExt,
                                                    const std::string& current) {
  QFileDialog dialog(parent_);
  SetUpParamFileDialog(dialog, filter, defaultExt);
  if (!current.empty()) dialog.selectFile(QString::fromStdString(current));
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
