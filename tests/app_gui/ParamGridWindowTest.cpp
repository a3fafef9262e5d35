// The parameter grid of the main window as a new user meets it: every parameter of an export is
// set in its cell (typed, picked, through its button and the script editor), passwords are
// masked while typed and once committed, each cell takes the parameter's mask and length, and
// the saved file keeps it all.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/gui/ParamValueDelegate.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtMainThread.h"
#include "app/gui/QtSchemeEditor.h"
#include "app/gui/StrEditor.h"
#include "platform/Dialogs.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/app_gui/MainFormTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

class ParamGridWindow : public schtest::SchemeTest {
 protected:
  void SetUp() override {
    schtest::SchemeTest::SetUp();
    plat::SetDialogs(&boxes);
    TSchemeWrapper w;
    TSchemeObject* s = w.AddScheme("nightly", skOracleExport);
    TItemDescription* date = s->AddParam("since", "");
    date->EditMask = "!0000/90/90;1;_";
    date->MaxLength = 10;
    SaveObjectToFile(file, &w, true);
    TSchMainForm::Options options = schtest::TestFormOptions(file, dir / "orascheme.ini", mainThread);
    options.services.editor = &editor;
    form = std::make_unique<TSchMainForm>(std::move(options));
    form->show();
    auto found = form->SchTree()->findItems("nightly", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    form->SchTree()->setCurrentItem(found[0]);
  }
  void TearDown() override {
    form.reset();
    plat::SetDialogs(nullptr);
    schtest::SchemeTest::TearDown();
  }
  QTableWidget* Grid() { return form->ParamGrid(); }
  int Row(const char* name) {
    TSchemeObject* s = form->SelectedScheme();
    for (int i = 0; i < s->ParamCount(); ++i)
      if (s->GetParam(i)->KeyName() == name) return i;
    ADD_FAILURE() << name;
    return 0;
  }
  // Opens the cell editor of a parameter's value.
  QWidget* Edit(const char* name) {
    QTableWidgetItem* cell = Grid()->item(Row(name), 1);
    Grid()->setCurrentItem(cell);
    Grid()->editItem(cell);
    return Grid()->indexWidget(Grid()->model()->index(Row(name), 1));
  }
  // Key presses with the characters of text (any character, not only those on a key cap).
  static void KeyIn(QWidget* widget, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(widget, &press);
    }
  }
  // Enter, then what the view does on it (its commit is queued).
  static void Enter(QWidget* widget) {
    QTest::keyClick(widget, Qt::Key_Return);
    QCoreApplication::processEvents();
  }
  // Types text into a parameter's cell editor and commits it with Enter.
  void Type(const char* name, const QString& text) {
    QWidget* editor = Edit(name);
    auto* combo = qobject_cast<QComboBox*>(editor);
    QLineEdit* line = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(editor);
    if (!line) {
      ADD_FAILURE() << name << ": no line editor";
      return;
    }
    line->selectAll();
    KeyIn(line, text);
    Enter(line);
  }
  // Presses the edit button drawn in a parameter's cell.
  void PressButton(const char* name) {
    const QRect cell = Grid()->visualItemRect(Grid()->item(Row(name), 1));
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, ParamValueDelegate::ButtonRect(cell).center());
    QCoreApplication::processEvents();
  }
  std::string Value(const char* name) { return form->SelectedScheme()->ParamValue(name); }

  testsupport::ScratchFolder dir;
  std::string file = dir / "orascheme.sch";
  plat::ScriptedDialogs boxes;
  QtMainThread mainThread;
  QtSchemeEditor editor;
  std::unique_ptr<TSchMainForm> form;
};

TEST_F(ParamGridWindow, ANewUserSetsEveryParameterOfAnExportAndTheFileKeepsThem) {
  Type("dbusername", "scott");
  EXPECT_EQ(Value("dbusername"), "scott");

  QLineEdit* pw = qobject_cast<QLineEdit*>(Edit("dbpassword"));
  ASSERT_TRUE(pw);
  EXPECT_EQ(pw->echoMode(), QLineEdit::Password) << "masked while typing";
  KeyIn(pw, QString::fromUtf8("tïger"));
  EXPECT_EQ(pw->displayText(), "*****") << "one star per character while typing";
  Enter(pw);
  EXPECT_EQ(Value("dbpassword"), "tïger");
  EXPECT_EQ(Grid()->item(Row("dbpassword"), 1)->text(), "*****") << "one star per character once committed";
  EXPECT_TRUE(Grid()->item(Row("dbpassword"), 0)->font().bold()) << "required";

  Type("service", "orcl");
  Type("OWNER", "SCOTT,HR");
  Type("TABLES", "SCOTT.EMP,SCOTT.DEPT");
  Type("file", QString::fromStdString(dir / "night <yyyymmdd>.dmp"));
  EXPECT_EQ(Value("OWNER"), "SCOTT,HR");
  EXPECT_EQ(Value("TABLES"), "SCOTT.EMP,SCOTT.DEPT");

  // A pick list picks, and takes a typed value too.
  auto* full = qobject_cast<QComboBox*>(Edit("FULL"));
  ASSERT_TRUE(full);
  ASSERT_EQ(full->count(), 2);
  full->setCurrentIndex(1);
  emit full->activated(1);
  EXPECT_EQ(Value("FULL"), "No");
  Type("ROWS", "N");
  EXPECT_EQ(Value("ROWS"), "N");

  // The user picker's button says what to do meanwhile; the cell keeps what was typed.
  PressButton("OWNER");
  ASSERT_FALSE(boxes.Log().empty());
  EXPECT_EQ(boxes.Log().back().text, kTypeOracleObjects);
  EXPECT_EQ(Value("OWNER"), "SCOTT,HR");

  // A script: its cell is not typed into; its button opens the script editor.
  EXPECT_FALSE(Grid()->item(Row("Prefix"), 1)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(Grid()->item(Row("Prefix"), 1)->text(), "(no value)");
  bool edited = false;
  // The editor opens from a queued call: answer it once it is up.
  QTimer answer;
  answer.setInterval(0);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = dynamic_cast<TStringsEditor*>(QApplication::activeModalWidget());
    if (!dialog) return;
    answer.stop();
    EXPECT_EQ(dialog->windowTitle(), "SQL Script Editor");
    EXPECT_FALSE(dialog->ExecuteButton()->isVisible()) << "no connected session";
    dialog->Memo()->setPlainText("  alter session set nls_date_format='yyyy';\nselect ~dbusername~ from dual;");
    dialog->accept();
    edited = true;
  });
  answer.start();
  PressButton("Prefix");
  answer.stop();
  ASSERT_TRUE(edited);
  EXPECT_EQ(Value("Prefix"), "  alter session set nls_date_format='yyyy';\nselect ~dbusername~ from dual;\n");
  EXPECT_EQ(Grid()->item(Row("Prefix"), 1)->text(), "alter session set nls_date_format='yyyy';");

  const QString line = form->CommandLineMemo()->toPlainText();
  EXPECT_TRUE(line.contains("scott/*****@orcl")) << line.toStdString();
  EXPECT_TRUE(line.contains("OWNER=SCOTT,HR")) << line.toStdString();
  EXPECT_FALSE(line.contains(QString::fromUtf8("tïger")));

  form->ActionOf(Action::Save)->trigger();
  auto saved = LoadObjectFromFile(file);
  const TSchemeObject* s = saved->GetScheme(0);
  for (const char* name : {"dbusername", "dbpassword", "service", "OWNER", "TABLES", "FULL", "ROWS", "Prefix", "file"})
    EXPECT_EQ(s->ParamValue(name), Value(name)) << name;
}

TEST_F(ParamGridWindow, EachCellTakesItsParametersMaskAndLength) {
  auto* since = qobject_cast<QLineEdit*>(Edit("since"));
  ASSERT_TRUE(since);
  EXPECT_EQ(since->inputMask(), "9999/09/09;_");
  EXPECT_EQ(since->echoMode(), QLineEdit::Normal);
  auto* user = qobject_cast<QLineEdit*>(Edit("dbusername"));
  ASSERT_TRUE(user);
  EXPECT_EQ(user->inputMask(), "");
}

TEST_F(ParamGridWindow, EveryNameFitsItsColumnOnOneLine) {
  const int width = Grid()->columnWidth(0);
  for (int r = 0; r < Grid()->rowCount(); ++r) {
    const QTableWidgetItem* name = Grid()->item(r, 0);
    const int text = QFontMetrics(name->font()).horizontalAdvance(name->text());
    EXPECT_GT(width, text) << name->text().toStdString();
  }
}

TEST(QtInputMask, ClassLibraryMasksInQtsNotation) {
  struct {
    const char* mask;
    const char* qt;
  } cases[] = {
      {"", ""},
      {"!99/99/0000;1;_", "00/00/9999;_"},
      {"LLL-aaa;0;*", "AAA-nnn;*"},
      {">LL<ll<>cc", ">AA<aa!xx"},
      {"\\H\\;0#", "\\H\\;9#"},
      {"Hb:00", "\\H\\b:99"},
      {"CC_c", "XX x"},
  };
  for (const auto& c : cases) EXPECT_EQ(QtInputMask(c.mask).toStdString(), c.qt) << c.mask;
}

}  // namespace
}  // namespace sch
