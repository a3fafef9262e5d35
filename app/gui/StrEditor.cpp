#include "app/gui/StrEditor.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "app/gui/PlanMain.h"
#include "foundation/dialogs/MessageBoxes.h"

namespace sch {

TStringsEditor::TStringsEditor(TStringsEditorModel& model, QWidget* parent, FilePicker pickFile)
    : QDialog(parent), model_(model), pickFile_(std::move(pickFile)) {
  setWindowTitle(kStringsEditorCaption);
  setObjectName("StringsEditor");
  setFont(QFont("Arial", font().pointSize()));
  resize(560, 400);
  auto* layout = new QVBoxLayout(this);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo");
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setPlainText(QString::fromStdString(model_.Text()));
  layout->addWidget(memo_, 1);
  auto* row = new QHBoxLayout;
  execute_ = new QPushButton("Execute", this);
  save_ = new QPushButton("Save", this);
  load_ = new QPushButton("Load", this);
  auto* ok = new QPushButton("Ok", this);
  auto* cancel = new QPushButton("Cancel", this);
  ok->setDefault(false);
  ok->setAutoDefault(false);
  for (QPushButton* b : {execute_, save_, load_}) {
    b->setAutoDefault(false);
    row->addWidget(b);
  }
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  execute_->setVisible(model_.CanExecute());
  connect(execute_, &QPushButton::clicked, this, [this] { Execute(); });
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  connect(load_, &QPushButton::clicked, this, [this] { Load(); });
  connect(ok, &QPushButton::clicked, this, &TStringsEditor::accept);
  connect(cancel, &QPushButton::clicked, this, &TStringsEditor::reject);
}

void TStringsEditor::accept() {
  model_.SetText(memo_->toPlainText().toStdString());
  QDialog::accept();
}

std::string TStringsEditor::PickFile(bool save) {
  if (pickFile_) return pickFile_(save);
  QFileDialog dialog(this, QString(), QString(), QtFileFilter(kSqlFileFilter));
  dialog.setDefaultSuffix(kSqlFileExt);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

void TStringsEditor::Save() {
  const std::string name = PickFile(true);
  if (name.empty()) return;
  try {
    model_.SetText(memo_->toPlainText().toStdString());
    model_.SaveTo(name);
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
}

void TStringsEditor::Load() {
  const std::string name = PickFile(false);
  if (name.empty()) return;
  try {
    model_.LoadFrom(name);
    memo_->setPlainText(QString::fromStdString(model_.Text()));
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
}

void TStringsEditor::Execute() {
  try {
    model_.SetText(memo_->toPlainText().toStdString());
    model_.Execute();
    olv::ShowInfo("OK");
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
}

bool EditStrings(std::string& text, std::shared_ptr<TOracleSession> session, QWidget* parent) {
  TStringsEditorModel model(text, std::move(session));
  TStringsEditor dialog(model, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  text = model.Lines();
  return true;
}

}  // namespace sch
