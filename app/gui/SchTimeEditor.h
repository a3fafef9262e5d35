#pragma once
// The run-time editor "Scheme timer Editor" (TSchemeTimeEditor): shows the rows that the time
// mode uses; OK writes every field back (also the hidden ones, as they were loaded). GUI thread.
#include <QDialog>

class QSpinBox;
class QButtonGroup;
class QLineEdit;

namespace sch {

class TSchemeTimeItem;

class TSchemeTimeEditor : public QDialog {
 public:
  TSchemeTimeEditor(const TSchemeTimeItem& item, int mode, QWidget* parent = nullptr);
  void StoreInto(TSchemeTimeItem& item) const;

  QSpinBox* YearEdit() const { return year_; }
  QSpinBox* MonthEdit() const { return month_; }
  QSpinBox* DayEdit() const { return day_; }
  QSpinBox* HourEdit() const { return hour_; }
  QSpinBox* MinuteEdit() const { return minute_; }

 private:
  QSpinBox* year_;
  QSpinBox* month_;
  QSpinBox* day_;
  QSpinBox* hour_;
  QSpinBox* minute_;
  QButtonGroup* week_;
  QLineEdit* mask_;
};

// True when the user left with OK; the item is then updated, otherwise untouched.
bool EditTimeItem(TSchemeTimeItem& item, int mode, QWidget* parent = nullptr);

}  // namespace sch
