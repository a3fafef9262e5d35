#pragma once
// The run-record window "Run logs" (TSchemeRunLog): one run record of the selected scheme, read
// only. The row texts are the record list's, so the window shows exactly what the list showed.
// GUI thread.
#include <QDialog>
#include <array>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace sch {

class TSchemeLog;

struct RunLogRow {
  // "Order", "Start time", "End time", "Active mode", "Result" and the last column ("Return Info").
  std::array<std::string, 6> cells;
};

class TSchemeRunLog : public QDialog {
 public:
  TSchemeRunLog(const TSchemeLog& log, const RunLogRow& row, QWidget* parent = nullptr);

  // The read-only fields, in the order of RunLogRow's cells, then "Exit code".
  QLineEdit* Field(int index) const { return fields_[index]; }
  QPlainTextEdit* ScriptMemo() const { return script_; }
  QPlainTextEdit* LogMemo() const { return log_; }

 private:
  std::array<QLineEdit*, 7> fields_{};
  QPlainTextEdit* script_;
  QPlainTextEdit* log_;
};

// Shows the window modally.
void ShowRunLog(const TSchemeLog& log, const RunLogRow& row, QWidget* parent = nullptr);

}  // namespace sch
