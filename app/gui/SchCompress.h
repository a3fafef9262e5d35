#pragma once
// The dialog "Compress / UnCompress dmp file" (TCompressForm). "Do" checks and asks on the GUI
// thread, then hands the job to a CompressWorker; the status label and the buttons follow when
// the worker reports back. The dialog does not close while a job runs; destroying it waits for
// the job. GUI thread.
#include <QDialog>
#include <functional>
#include <string>

#include "app/core/CompressJob.h"
#include "app/gui/QtMainThread.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace sch {

class TCompressForm : public QDialog {
 public:
  explicit TCompressForm(QWidget* parent = nullptr);
  ~TCompressForm() override;

  QLineEdit* SourceEdit() const { return source_; }
  QLineEdit* DestinationEdit() const { return destination_; }
  QRadioButton* CompressButton() const { return compress_; }
  QRadioButton* UnCompressButton() const { return uncompress_; }
  QPushButton* DoButton() const { return do_; }
  QPushButton* SourceBrowseButton() const { return browseSource_; }
  QLabel* StatusLabel() const { return status_; }
  bool Busy() const { return worker_.Busy(); }
  // Called on the GUI thread when a job has finished (for tests and the window).
  std::function<void()> OnFinished;

  void Do();
  void reject() override;

 private:
  void Browse(QLineEdit* edit);
  void Finished(const std::string& error);

  QLineEdit* source_;
  QLineEdit* destination_;
  QPushButton* browseSource_;
  QPushButton* browseDestination_;
  QRadioButton* compress_;
  QRadioButton* uncompress_;
  QLabel* status_;
  QPushButton* do_;
  QPushButton* ok_;
  // The worker's outcomes come back through a queue of the dialog's own, so the dialog needs no
  // program-wide main thread; declared first, it goes after the worker.
  QtMainThread replies_;
  CompressWorker worker_{replies_};
};

void ShowCompressForm(QWidget* parent = nullptr);

}  // namespace sch
