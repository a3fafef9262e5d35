#include "app/gui/SchTimeEditor.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/core/MainFormModel.h"
#include "app/core/SchemeTime.h"

namespace sch {

namespace {

QSpinBox* Spin(QWidget* parent, int lo, int hi, int value) {
  auto* s = new QSpinBox(parent);
  s->setRange(lo, hi);
  s->setValue(value);
  return s;
}

}  // namespace

TSchemeTimeEditor::TSchemeTimeEditor(const TSchemeTimeItem& item, int mode, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Scheme timer Editor");
  auto* layout = new QVBoxLayout(this);
  // The window ends 10 pixels below the button panel, whatever the style's own margin.
  QMargins margins = layout->contentsMargins();
  margins.setBottom(10);
  layout->setContentsMargins(margins);
  auto* form = new QFormLayout;
  year_ = Spin(this, 1900, 3100, item.Year);
  month_ = Spin(this, 1, 12, item.Month);
  day_ = Spin(this, 1, 31, item.Day);
  hour_ = Spin(this, 0, 23, item.Hour);
  minute_ = Spin(this, 0, 59, item.Minute);
  mask_ = new QLineEdit(QString::fromStdString(item.TimeMask), this);
  mask_->hide();  // "Format" is never shown
  auto* time = new QHBoxLayout;
  time->addWidget(hour_);
  time->addWidget(minute_);
  const TimeEditorRows rows = RowsForMode(mode);
  form->addRow("Year", year_);
  form->addRow("Month", month_);
  form->addRow("Day", day_);
  form->addRow("Time", time);
  form->setRowVisible(year_, rows.year);
  form->setRowVisible(month_, rows.month);
  form->setRowVisible(day_, rows.day);
  layout->addLayout(form);
  auto* weekBox = new QGroupBox(this);
  auto* weekLayout = new QVBoxLayout(weekBox);
  week_ = new QButtonGroup(weekBox);
  for (int d = 0; d < 7; ++d) {
    auto* r = new QRadioButton(QString::fromStdString(GetWeekDayName(d)), weekBox);
    week_->addButton(r, d);
    weekLayout->addWidget(r);
  }
  if (auto* b = week_->button(item.Week)) b->setChecked(true);
  weekBox->setVisible(rows.week);
  layout->addWidget(weekBox);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  adjustSize();
}

void TSchemeTimeEditor::StoreInto(TSchemeTimeItem& item) const {
  item.Year = static_cast<uint16_t>(year_->value());
  item.Month = static_cast<uint16_t>(month_->value());
  item.Day = static_cast<uint16_t>(day_->value());
  item.Hour = static_cast<uint16_t>(hour_->value());
  item.Minute = static_cast<uint16_t>(minute_->value());
  item.TimeMask = mask_->text().toStdString();
  if (week_->checkedId() >= 0) item.Week = static_cast<uint8_t>(week_->checkedId());
}

bool EditTimeItem(TSchemeTimeItem& item, int mode, QWidget* parent) {
  TSchemeTimeEditor editor(item, mode, parent);
  if (editor.exec() != QDialog::Accepted) return false;
  editor.StoreInto(item);
  return true;
}

}  // namespace sch
