// The run-time editor: which rows each time mode shows, loading from and storing into the run
// time, and leaving with OK or Cancel through its own buttons while it runs modally.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>

#include "app/core/SchemeTime.h"
#include "app/gui/SchTimeEditor.h"

namespace sch {
namespace {

// Year, Month, Day, Hour, Minute, Week, TimeMask of a run time.
using Values = std::tuple<uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint8_t, std::string>;

Values Fields(const TSchemeTimeItem& t) {
  return {t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Week, t.TimeMask};
}

void Fill(TSchemeTimeItem& t, const Values& v) {
  std::tie(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Week, t.TimeMask) = v;
}

// Two run times that differ from each other (and from today) in every field; 5 is Saturday,
// 1 Tuesday.
const Values kSample{2031, 7, 29, 23, 59, 5, "yyyy-mm-dd hh:nn"};
const Values kOther{1999, 2, 3, 4, 5, 1, "other mask"};

struct SampleItem : TSchemeTimeItem {
  explicit SampleItem(const Values& v = kSample) { Fill(*this, v); }
};

QLabel* LabelNamed(const QWidget& dialog, const char* text) {
  for (QLabel* l : dialog.findChildren<QLabel*>())
    if (l->text() == text) return l;
  return nullptr;
}

QList<QRadioButton*> WeekButtons(const QWidget& dialog) { return dialog.findChildren<QRadioButton*>(); }

QLineEdit* MaskEdit(const QWidget& dialog) { return dialog.findChild<QLineEdit*>(); }

struct ModeRows {
  int mode;
  bool year, month, day, week;
};

class TimeEditorRowsTest : public ::testing::TestWithParam<ModeRows> {};

TEST_P(TimeEditorRowsTest, ShowsOnlyTheRowsTheModeUses) {
  const ModeRows& want = GetParam();
  TSchemeTimeEditor editor(SampleItem(), want.mode);
  editor.show();
  EXPECT_EQ(editor.windowTitle(), "Scheme timer Editor");
  struct Row {
    const char* label;
    QWidget* field;
    bool shown;
  };
  for (const Row& row : {Row{"Year", editor.YearEdit(), want.year}, Row{"Month", editor.MonthEdit(), want.month},
                         Row{"Day", editor.DayEdit(), want.day}, Row{"Time", editor.HourEdit(), true},
                         Row{"Time", editor.MinuteEdit(), true}}) {
    QLabel* label = LabelNamed(editor, row.label);
    ASSERT_TRUE(label) << row.label;
    EXPECT_EQ(label->isVisible(), row.shown) << row.label;
    EXPECT_EQ(row.field->isVisible(), row.shown) << row.label;
  }
  const QList<QRadioButton*> week = WeekButtons(editor);
  ASSERT_EQ(week.size(), 7);
  for (QRadioButton* r : week) EXPECT_EQ(r->isVisible(), want.week) << r->text().toStdString();
  ASSERT_TRUE(MaskEdit(editor));
  EXPECT_FALSE(MaskEdit(editor)->isVisible());  // the format is never shown
  const QDialogButtonBox* buttons = editor.findChild<QDialogButtonBox*>();
  ASSERT_TRUE(buttons);
  EXPECT_TRUE(buttons->button(QDialogButtonBox::Ok)->isVisible());
  EXPECT_TRUE(buttons->button(QDialogButtonBox::Cancel)->isVisible());
  // The window ends 10 pixels below the buttons, leaving no room for the hidden rows.
  EXPECT_EQ(editor.height(), buttons->geometry().bottom() + 1 + 10);
}

INSTANTIATE_TEST_SUITE_P(Modes, TimeEditorRowsTest,
                         ::testing::Values(ModeRows{tmDay, false, false, false, false},
                                           ModeRows{tmWeek, false, false, false, true},
                                           ModeRows{tmMonth, false, false, true, false},
                                           ModeRows{tmYear, false, true, true, false},
                                           ModeRows{tmSpecifically, true, true, true, false}),
                         [](const auto& info) { return std::to_string(info.param.mode); });

TEST(TimeEditor, LoadsEveryFieldAndOffersTheWeekdaysInOrder) {
  TSchemeTimeEditor editor(SampleItem(), tmSpecifically);
  EXPECT_EQ(editor.YearEdit()->value(), 2031);
  EXPECT_EQ(editor.MonthEdit()->value(), 7);
  EXPECT_EQ(editor.DayEdit()->value(), 29);
  EXPECT_EQ(editor.HourEdit()->value(), 23);
  EXPECT_EQ(editor.MinuteEdit()->value(), 59);
  EXPECT_EQ(MaskEdit(editor)->text(), "yyyy-mm-dd hh:nn");
  const QList<QRadioButton*> week = WeekButtons(editor);
  const char* const names[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
  ASSERT_EQ(week.size(), 7);
  for (int d = 0; d < 7; ++d) {
    EXPECT_EQ(week[d]->text(), names[d]);
    EXPECT_EQ(week[d]->isChecked(), d == 5) << names[d];
  }
}

TEST(TimeEditor, FieldsKeepToTheirLimits) {
  TSchemeTimeEditor editor(SampleItem(), tmSpecifically);
  struct Limit {
    QSpinBox* spin;
    int lo, hi;
  };
  for (const Limit& l : {Limit{editor.YearEdit(), 1900, 3100}, Limit{editor.MonthEdit(), 1, 12},
                         Limit{editor.DayEdit(), 1, 31}, Limit{editor.HourEdit(), 0, 23},
                         Limit{editor.MinuteEdit(), 0, 59}}) {
    EXPECT_EQ(l.spin->minimum(), l.lo);
    EXPECT_EQ(l.spin->maximum(), l.hi);
  }
  // Only one weekday can be chosen at a time.
  const QList<QRadioButton*> week = WeekButtons(editor);
  week[2]->click();
  for (int d = 0; d < 7; ++d) EXPECT_EQ(week[d]->isChecked(), d == 2);
}

// Under every mode the stored run time equals the loaded one in all seven fields, shown or not:
// storing into a run time that differs everywhere shows each field is really written.
TEST(TimeEditor, StoresAllSevenFieldsAsLoadedUnderEveryMode) {
  for (int mode = tmDay; mode <= tmSpecifically; ++mode) {
    TSchemeTimeEditor editor(SampleItem(), mode);
    SampleItem target(kOther);
    editor.StoreInto(target);
    EXPECT_EQ(Fields(target), kSample) << "mode " << mode;
  }
}

// Runs EditTimeItem while `drive` works the modal editor from the event loop.
bool EditModally(TSchemeTimeItem& item, int mode, std::function<void(TSchemeTimeEditor&)> drive) {
  bool reached = false;
  QTimer::singleShot(0, [&reached, drive] {
    auto* editor = dynamic_cast<TSchemeTimeEditor*>(QApplication::activeModalWidget());
    if (!editor) return;
    reached = true;
    drive(*editor);
  });
  const bool ok = EditTimeItem(item, mode, nullptr);
  EXPECT_TRUE(reached) << "the editor was not the modal window";
  return ok;
}

void Press(TSchemeTimeEditor& editor, QDialogButtonBox::StandardButton which) {
  editor.findChild<QDialogButtonBox*>()->button(which)->click();
}

// Changes every field, the hidden mask too, to kOther's values as a user would.
void EnterOtherValues(TSchemeTimeEditor& e) {
  e.YearEdit()->setValue(1999);
  e.MonthEdit()->setValue(2);
  e.DayEdit()->setValue(3);
  e.HourEdit()->setValue(4);
  e.MinuteEdit()->setValue(5);
  WeekButtons(e)[1]->click();
  MaskEdit(e)->setText("other mask");
}

TEST(TimeEditor, OkUnderModeDayWritesTheTimeAndKeepsTheHiddenFieldsAsLoaded) {
  SampleItem item;
  const bool ok = EditModally(item, tmDay, [](TSchemeTimeEditor& e) {
    e.HourEdit()->setValue(6);
    e.MinuteEdit()->setValue(0);
    Press(e, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(ok);
  Values want = kSample;
  std::get<3>(want) = 6;
  std::get<4>(want) = 0;
  EXPECT_EQ(Fields(item), want);
}

TEST(TimeEditor, OkWritesEveryChangedFieldIncludingTheWeekday) {
  SampleItem item;
  const bool ok = EditModally(item, tmWeek, [](TSchemeTimeEditor& e) {
    EnterOtherValues(e);
    Press(e, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(Fields(item), kOther);
}

TEST(TimeEditor, CancelOrClosingLeavesTheRunTimeUntouched) {
  const std::function<void(TSchemeTimeEditor&)> leave[] = {
      [](TSchemeTimeEditor& e) { Press(e, QDialogButtonBox::Cancel); },
      [](TSchemeTimeEditor& e) { e.close(); },
  };
  for (const auto& how : leave) {
    SampleItem item;
    const bool ok = EditModally(item, tmSpecifically, [&how](TSchemeTimeEditor& e) {
      EnterOtherValues(e);
      how(e);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(Fields(item), kSample);
  }
}

}  // namespace
}  // namespace sch
