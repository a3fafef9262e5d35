#include "app/gui/OraCharsetSelector.h"

#include "app/gui/PasswordMask.h"
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <exception>

#include "app/gui/PlanMain.h"
#include "foundation/dialogs/MessageBoxes.h"
#include "platform/Registry.h"

namespace sch {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* ReadOnlyEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(true);
  return edit;
}

}  // namespace

TOraCharSetSelector::TOraCharSetSelector(TDMSession& session, plat::Registry& registry, const std::string& user,
                                         const std::string& password, const std::string& service, QWidget* parent)
    : QDialog(parent), model_(session, registry, user, password, service) {
  setWindowTitle(kCharsetSelectorCaption);
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;

  auto* clientForm = new QFormLayout;
  client_ = ReadOnlyEdit(this);
  clientForm->addRow("Client character set", client_);
  left->addLayout(clientForm);

  auto* linkBox = new QGroupBox("Link infos", this);
  auto* linkForm = new QFormLayout(linkBox);
  username_ = new QLineEdit(Q(user), linkBox);
  password_ = new QLineEdit(Q(password), linkBox);
  MaskWithStars(*password_);
  service_ = new QLineEdit(Q(service), linkBox);
  linkForm->addRow("Username", username_);
  linkForm->addRow("Password", password_);
  linkForm->addRow("Service", service_);
  auto* linkButtons = new QHBoxLayout;
  connect_ = new QPushButton("Connect", linkBox);
  refresh_ = new QPushButton("Refresh", linkBox);
  linkButtons->addWidget(connect_);
  linkButtons->addWidget(refresh_);
  linkForm->addRow(linkButtons);
  left->addWidget(linkBox);

  auto* dbForm = new QFormLayout;
  database_ = ReadOnlyEdit(this);
  selected_ = ReadOnlyEdit(this);
  dbForm->addRow("Database character set", database_);
  dbForm->addRow("Selected character set", selected_);
  left->addLayout(dbForm);

  auto* dumpBox = new QGroupBox("Dump file", this);
  auto* dump = new QGridLayout(dumpBox);
  exportFile_ = new QLineEdit(dumpBox);
  targetFile_ = new QLineEdit(dumpBox);
  select_ = new QPushButton("Select", dumpBox);
  sourceLabel_ = new QLabel(dumpBox);
  targetLabel_ = new QLabel(dumpBox);
  convert_ = new QPushButton("Convert", dumpBox);
  dump->addWidget(new QLabel("Export file", dumpBox), 0, 0);
  dump->addWidget(exportFile_, 0, 1);
  dump->addWidget(select_, 0, 2);
  dump->addWidget(sourceLabel_, 1, 1);
  dump->addWidget(new QLabel("Target file", dumpBox), 2, 0);
  dump->addWidget(targetFile_, 2, 1);
  dump->addWidget(convert_, 2, 2);
  dump->addWidget(targetLabel_, 3, 1);
  left->addWidget(dumpBox);

  auto* clientButtons = new QHBoxLayout;
  test_ = new QPushButton("Test", this);
  set_ = new QPushButton("Set", this);
  auto* close = new QPushButton("Close", this);
  clientButtons->addWidget(test_);
  clientButtons->addWidget(set_);
  clientButtons->addStretch();
  clientButtons->addWidget(close);
  left->addLayout(clientButtons);
  top->addLayout(left, 3);

  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel("Character set list", this));
  list_ = new QListWidget(this);
  right->addWidget(list_);
  top->addLayout(right, 2);

  ChooseFile = [this] {
    return QFileDialog::getOpenFileName(this, QString(), exportFile_->text(), QtFileFilter(kDmpFileFilter))
        .toStdString();
  };

  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(connect_, &QPushButton::clicked, this, [this] { Command([this] { model_.Connect(); }); });
  connect(refresh_, &QPushButton::clicked, this, [this] { Command([this] { model_.Refresh(); }); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.Select(row);
    selected_->setText(Q(model_.SelectedCharset()));
    targetLabel_->setText(Q(model_.SelectedCharset()));
  });
  connect(exportFile_, &QLineEdit::editingFinished, this,
          [this] { Command([this] { model_.SetExportFile(exportFile_->text().toStdString()); }); });
  connect(select_, &QPushButton::clicked, this, [this] {
    const std::string name = ChooseFile ? ChooseFile() : std::string();
    if (!name.empty()) Command([this, name] { model_.ChooseDump(name); });
  });
  connect(convert_, &QPushButton::clicked, this, [this] {
    Command([this] {
      const std::string exportFile = exportFile_->text().toStdString();
      if (exportFile != model_.ExportFile()) model_.SetExportFile(exportFile);
      olv::ShowInfo(model_.Convert());
    });
  });
  connect(test_, &QPushButton::clicked, this, [this] { Command([this] { olv::ShowInfo(model_.Test()); }); });
  connect(set_, &QPushButton::clicked, this, [this] { Command([this] { olv::ShowInfo(model_.Set()); }); });
  Show();
}

void TOraCharSetSelector::Command(const std::function<void()>& command) {
  model_.Username = username_->text().toStdString();
  model_.Password = password_->text().toStdString();
  model_.Service = service_->text().toStdString();
  model_.TargetFile = targetFile_->text().toStdString();
  try {
    command();
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
  Show();
}

void TOraCharSetSelector::Show() {
  client_->setText(Q(model_.Client().CharSet));
  database_->setText(Q(model_.DatabaseCharset()));
  // The list is rebuilt only when it changed, so the selected entry stays selected.
  QStringList names;
  for (const auto& s : model_.Charsets()) names << Q(s);
  QStringList shown;
  for (int i = 0; i < list_->count(); ++i) shown << list_->item(i)->text();
  if (names != shown) {
    QSignalBlocker block(list_);
    list_->clear();
    list_->addItems(names);
    model_.Select(-1);
  }
  selected_->setText(Q(model_.SelectedCharset()));
  exportFile_->setText(Q(model_.ExportFile()));
  targetFile_->setText(Q(model_.TargetFile));
  sourceLabel_->setText(Q(model_.SourceCharset()));
  targetLabel_->setText(Q(model_.SelectedCharset()));
}

void ShowCharsetSelector(TDMSession& session, const std::string& user, const std::string& password,
                         const std::string& service, QWidget* parent) {
  TOraCharSetSelector window(session, plat::Registry::Default(), user, password, service, parent);
  window.exec();
}

}  // namespace sch
