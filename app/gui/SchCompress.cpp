#include "app/gui/SchCompress.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "foundation/dialogs/MessageBoxes.h"
#include "platform/Dialogs.h"

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

TCompressForm::~TCompressForm() = default;

void TCompressForm::Browse(QLineEdit* edit) {
  QString name = QFileDialog::getOpenFileName(this, QString(), edit->text(), "All (*)");
  if (!name.isEmpty()) edit->setText(name);
}

void TCompressForm::Do() {
  if (worker_.Busy()) return;
  CompressJob job{source_->text().toStdString(), destination_->text().toStdString(), compress_->isChecked()};
  try {
    const auto confirm = [](const std::string& question) {
      return olv::AppMessageBox("Confirm", question, plat::MB_YESNO | plat::MB_ICONQUESTION) == plat::IDYES;
    };
    if (!job.Prepare(confirm)) return;
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
    return;
  }
  if (!worker_.Start(std::move(job), [this](const std::string& error) { Finished(error); })) return;
  browseSource_->setEnabled(false);
  do_->setEnabled(false);
  ok_->setEnabled(false);
  status_->setText(kCompressWorking);
}

void TCompressForm::Finished(const std::string& error) {
  browseSource_->setEnabled(true);
  do_->setEnabled(true);
  ok_->setEnabled(true);
  if (error.empty())
    status_->setText(kCompressDone);
  else {
    status_->clear();
    olv::ErrorBox("Error", error);
  }
  if (OnFinished) OnFinished();
}

void TCompressForm::reject() {
  if (!worker_.Busy()) QDialog::reject();
}

void ShowCompressForm(QWidget* parent) {
  TCompressForm form(parent);
  form.exec();
}

}  // namespace sch
