#include "app/gui/SchCompress.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

#include "app/core/CompressJob.h"
#include "foundation/base/MessageBoxes.h"

namespace sch {

TCompressForm::TCompressForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(kCompressCaption);
  auto* grid = new QGridLayout(this);
  source_ = new QLineEdit(this);
  destination_ = new QLineEdit(this);
  browseSource_ = new QPushButton("Browse", this);
  browseDestination_ = new QPushButton("Browse", this);
  grid->addWidget(new QLabel("Source file", this), 0, 0);
  grid->addWidget(source_, 0, 1);
  grid->addWidget(browseSource_, 0, 2);
  grid->addWidget(new QLabel("Destination file", this), 1, 0);
  grid->addWidget(destination_, 1, 1);
  grid->addWidget(browseDestination_, 1, 2);
  auto* group = new QGroupBox(this);
  auto* groupLayout = new QHBoxLayout(group);
  compress_ = new QRadioButton("Compress", group);
  uncompress_ = new QRadioButton("UnCompress", group);
  compress_->setChecked(true);
  groupLayout->addWidget(compress_);
  groupLayout->addWidget(uncompress_);
  grid->addWidget(group, 2, 0, 1, 3);
  status_ = new QLabel(this);
  grid->addWidget(status_, 3, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  do_ = new QPushButton("Do", this);
  ok_ = new QPushButton("OK", this);
  buttons->addStretch();
  buttons->addWidget(do_);
  buttons->addWidget(ok_);
  grid->addLayout(buttons, 4, 0, 1, 3);
  connect(browseSource_, &QPushButton::clicked, this, [this] { Browse(source_); });
  connect(browseDestination_, &QPushButton::clicked, this, [this] { Browse(destination_); });
  connect(do_, &QPushButton::clicked, this, [this] { Do(); });
  connect(ok_, &QPushButton::clicked, this, [this] { reject(); });
}

TCompressForm::~TCompressForm() {
  if (worker_.joinable()) worker_.join();
}

void TCompressForm::Browse(QLineEdit* edit) {
  QString name = QFileDialog::getOpenFileName(this, QString(), edit->text(), "All (*)");
  if (!name.isEmpty()) edit->setText(name);
}

void TCompressForm::Do() {
  if (busy_) return;
  CompressJob job{source_->text().toStdString(), destination_->text().toStdString(), compress_->isChecked()};
  try {
    if (!job.Prepare()) return;
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
    return;
  }
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  browseSource_->setEnabled(false);
  do_->setEnabled(false);
  ok_->setEnabled(false);
  status_->setText(kCompressWorking);
  QPointer<TCompressForm> self(this);
  worker_ = std::thread([self, job] {
    QString error;
    try {
      job.Run();
    } catch (const std::exception& e) {
      error = QString::fromStdString(e.what());
    }
    // The form waits for this thread before it goes, so self is still alive here; QPointer
    // only guards the queued call.
    QMetaObject::invokeMethod(self.data(), [self, error] {
      if (self) self->Finished(error);
    }, Qt::QueuedConnection);
  });
}

void TCompressForm::Finished(const QString& error) {
  if (worker_.joinable()) worker_.join();
  busy_ = false;
  browseSource_->setEnabled(true);
  do_->setEnabled(true);
  ok_->setEnabled(true);
  if (error.isEmpty())
    status_->setText(kCompressDone);
  else {
    status_->clear();
    olv::ErrorBox("Error", error.toStdString());
  }
  if (OnFinished) OnFinished();
}

void TCompressForm::reject() {
  if (!busy_) QDialog::reject();
}

void ShowCompressForm(QWidget* parent) {
  TCompressForm form(parent);
  form.exec();
}

}  // namespace sch
