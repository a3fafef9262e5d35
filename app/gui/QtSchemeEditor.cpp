#include "app/gui/QtSchemeEditor.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "app/core/MainFormModel.h"
#include "app/gui/PlanMain.h"
#include "app/gui/StrEditor.h"
#include "app/gui/OraSelector.h"
#include "app/core/DMSession.h"
#include "app/core/OracleScheme.h"
#include "foundation/dialogs/MessageBoxes.h"

namespace sch {

namespace {

// The folders and, while programsOnly, only the files we may execute. The dialog's own
// permission filter cannot say this: asked for executable files it hides every readable one.
class ProgramFiles : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void ShowProgramsOnly(bool on) {
    if (on == programsOnly_) return;
    programsOnly_ = on;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!programsOnly_ || !files) return true;
    const QModelIndex index = files->index(row, 0, parent);
    return files->isDir(index) || files->fileInfo(index).isExecutable();
  }
  // As the dialog lists without us: folders first, names without regard to case.
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files || left.column() != 0) return QSortFilterProxyModel::lessThan(left, right);
    if (files->isDir(left) != files->isDir(right)) return files->isDir(left);
    return QString::compare(files->fileName(left), files->fileName(right), Qt::CaseInsensitive) < 0;
  }

 private:
  bool programsOnly_ = false;
};

}  // namespace

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
  auto* proxy = new ProgramFiles(&dialog);
  dialog.setProxyModel(proxy);
  const auto show = [proxy](const QString& chosen) { proxy->ShowProgramsOnly(chosen == QString::fromUtf8(kProgramsFilter)); };
  QObject::connect(&dialog, &QFileDialog::filterSelected, proxy, show);
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
