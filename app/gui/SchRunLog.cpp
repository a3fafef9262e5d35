#include "app/gui/SchRunLog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/core/SchemeLog.h"

namespace sch {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QLineEdit* ReadOnlyField(const std::string& text, QWidget* parent) {
  auto* edit = new QLineEdit(Q(text), parent);
  edit->setReadOnly(true);
  return edit;
}

QPlainTextEdit* ReadOnlyMemo(const std::string& text, QWidget* parent) {
  auto* memo = new QPlainTextEdit(Q(text), parent);
  memo->setReadOnly(true);
  return memo;
}

}  // namespace

TSchemeRunLog::TSchemeRunLog(const TSchemeLog& log, const RunLogRow& row, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Run logs");
  setObjectName("SchemeRunLog");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  static constexpr const char* kLabels[5] = {"Order", "Start time", "End Time", "Active mode", "Result"};
  for (int i = 0; i < 5; ++i) {
    fields_[i] = ReadOnlyField(row.cells[i], this);
    form->addRow(kLabels[i], fields_[i]);
  }
  fields_[6] = ReadOnlyField(std::to_string(log.ExitCode), this);
  form->addRow("Exit code", fields_[6]);
  fields_[5] = ReadOnlyField(row.cells[5], this);
  form->addRow("Return Info", fields_[5]);
  layout->addLayout(form);

  auto* pages = new QTabWidget(this);
  script_ = ReadOnlyMemo(log.RunScripts, pages);
  log_ = ReadOnlyMemo(log.ResultMsgs, pages);
  pages->addTab(script_, "Script");
  pages->addTab(log_, "Log infomation");
  layout->addWidget(pages, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* close = new QPushButton("Close", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  resize(520, 420);
}

void ShowRunLog(const TSchemeLog& log, const RunLogRow& row, QWidget* parent) {
  TSchemeRunLog window(log, row, parent);
  window.exec();
}

}  // namespace sch
