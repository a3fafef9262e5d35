// The dialog behind a file parameter's edit button, as a Linux user meets it: a program is picked
// from the files that can be run, every file is one filter away, and picking a file that exists
// never asks to replace it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <set>

#include "app/gui/QtSchemeEditor.h"
#include "tests/support/ScratchFolder.h"

namespace sch {
namespace {

constexpr int kDeadlineMs = 10000;

class ParamFileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::WriteAll(dir / "backup", "#!/bin/sh\n");
    chmod((dir / "backup").c_str(), 0755);
    testsupport::WriteAll(dir / "notes.txt", "notes\n");
    testsupport::WriteAll(dir / "old.dmp", "dump\n");
  }

  // Opens the picker on `current` and hands its dialog to `answer` once it is up. Whatever the
  // picker asks on top of its dialog is counted and refused; past the deadline every open window
  // is closed and the test fails, so nothing waits for ever.
  std::optional<std::string> Pick(const std::string& filter, const std::string& ext, const std::string& current,
                                  const std::function<void(QFileDialog&)>& answer) {
    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (clock.elapsed() > kDeadlineMs) {
        ADD_FAILURE() << "no answer to the file dialog within " << kDeadlineMs << " ms";
        if (modal) modal->close();
        return;
      }
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        questions.push_back(box->text().toStdString());
        box->reject();
      } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        if (answered) {
          dialog->reject();  // it stayed open after its answer
          return;
        }
        answered = true;
        answer(*dialog);
      }
    });
    poll.start();
    QtSchemeEditor editor;
    std::optional<std::string> picked = editor.PickFile(filter, ext, current);
    poll.stop();
    EXPECT_TRUE(answered) << "the picker showed no file dialog";
    return picked;
  }

  // The names the dialog lists in its folder, once its background listing has them all.
  static std::set<std::string> Listed(QFileDialog& dialog, size_t atLeast) {
    auto* view = dialog.findChild<QListView*>("listView");
    std::set<std::string> names;
    if (!view) {
      ADD_FAILURE() << "the dialog has no list of files";
      return names;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kDeadlineMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      names.clear();
      const QModelIndex root = view->rootIndex();
      for (int r = 0; r < view->model()->rowCount(root); ++r)
        names.insert(view->model()->index(r, 0, root).data().toString().toStdString());
      if (names.size() >= atLeast) break;
    }
    return names;
  }

  testsupport::ScratchFolder dir;
  std::vector<std::string> questions;
};

TEST_F(ParamFileDialog, AProgramIsPickedFromTheFilesThatRun) {
  std::set<std::string> programs, everything;
  const auto picked = Pick("EXE File|*.exe|All|*.*", "", dir / "backup", [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile) << "a program must exist";
    ASSERT_EQ(dialog.nameFilters(), (QStringList{kProgramsFilter, kAllFilesFilter}));
    programs = Listed(dialog, 1);
    dialog.selectNameFilter(kAllFilesFilter);
    emit dialog.filterSelected(kAllFilesFilter);
    everything = Listed(dialog, 3);
    dialog.selectNameFilter(kProgramsFilter);
    emit dialog.filterSelected(kProgramsFilter);
    dialog.selectFile(QString::fromStdString(dir / "backup"));
    static_cast<QDialog&>(dialog).accept();  // as the Open button does
  });
  EXPECT_EQ(programs, (std::set<std::string>{"backup"}));
  EXPECT_EQ(everything, (std::set<std::string>{"backup", "notes.txt", "old.dmp"}));
  EXPECT_EQ(picked, dir / "backup");
  EXPECT_TRUE(questions.empty()) << questions.front();
}

TEST_F(ParamFileDialog, ADumpThatExistsIsTakenWithoutAskingToReplaceIt) {
  const auto picked = Pick("dmp files|*.dmp|All|*.*", "dmp", dir / "old.dmp", [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"dmp files (*.dmp)", kAllFilesFilter}));
    dialog.selectFile(QString::fromStdString(dir / "old.dmp"));
    static_cast<QDialog&>(dialog).accept();  // as the Open button does
  });
  EXPECT_TRUE(questions.empty()) << questions.front();
  EXPECT_EQ(picked, dir / "old.dmp");
}

TEST_F(ParamFileDialog, ADumpARunWillWriteNeedNotExistAndTakesTheDumpExtension) {
  const auto picked = Pick("dmp files|*.dmp|All|*.*", "dmp", "", [&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(dir / "tonight"));
    static_cast<QDialog&>(dialog).accept();  // as the Open button does
  });
  EXPECT_EQ(picked, dir / "tonight.dmp");
}

}  // namespace
}  // namespace sch
