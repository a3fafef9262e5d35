#pragma once
// The SQL script editor window "SQL Script Editor" (TStringsEditor, EditStrings) over the
// window-free TStringsEditorModel: a memo with both scroll bars, "Execute" (shown only while the
// database session is connected), "Save", "Load", "Ok" and "Cancel". GUI thread only.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "app/core/StringsEditor.h"

class QPlainTextEdit;
class QPushButton;

namespace sch {

class TOracleSession;

class TStringsEditor : public QDialog {
 public:
  // pickFile: the file dialogs of "Save" (true) and "Load" (false); empty text: cancelled. Unset:
  // the real dialogs.
  using FilePicker = std::function<std::string(bool save)>;
  TStringsEditor(TStringsEditorModel& model, QWidget* parent = nullptr, FilePicker pickFile = {});

  QPlainTextEdit* Memo() const { return memo_; }
  QPushButton* ExecuteButton() const { return execute_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* LoadButton() const { return load_; }

  void accept() override;

 private:
  void Save();
  void Load();
  void Execute();
  std::string PickFile(bool save);

  TStringsEditorModel& model_;
  FilePicker pickFile_;
  QPlainTextEdit* memo_;
  QPushButton* execute_;
  QPushButton* save_;
  QPushButton* load_;
};

// Edits text in the editor; true when left with "Ok" (text then holds the lines, each followed
// by a line end). Errors of its buttons are shown in the library's error box.
bool EditStrings(std::string& text, std::shared_ptr<TOracleSession> session, QWidget* parent = nullptr);

}  // namespace sch
