#include "app/gui/OraSelector.h"

#include "app/gui/PasswordMask.h"
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

#include "app/core/DMSession.h"
#include "foundation/dialogs/MessageBoxes.h"

namespace sch {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Fill(QListWidget* list, const std::vector<std::string>& items) {
  list->clear();
  for (const auto& s : items) list->addItem(Q(s));
}

QListWidget* NewList(QWidget* parent, bool multi) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  return list;
}

// A ">" / "<" column between two lists.
QVBoxLayout* MoveButtons(QPushButton* add, QPushButton* remove) {
  auto* column = new QVBoxLayout;
  column->addStretch();
  column->addWidget(add);
  column->addWidget(remove);
  column->addStretch();
  return column;
}

}  // namespace

TOraSelector::TOraSelector(TDMSession& session, QWidget* parent) : QDialog(parent), model_(session) {
  setWindowTitle(kSelectorCaption);
  auto* top = new QVBoxLayout(this);
  auto* link = new QHBoxLayout;
  auto* form = new QFormLayout;
  username_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  MaskWithStars(*password_);
  service_ = new QLineEdit(this);
  form->addRow("Username", username_);
  form->addRow("Password", password_);
  form->addRow("Service", service_);
  link->addLayout(form);
  auto* connectColumn = new QVBoxLayout;
  connect_ = new QPushButton("Connect", this);
  connectColumn->addWidget(connect_);
  connectColumn->addStretch();
  link->addLayout(connectColumn);
  status_ = new QPlainTextEdit(this);
  status_->setReadOnly(true);
  status_->setMaximumHeight(70);
  link->addWidget(status_, 1);
  top->addLayout(link);

  auto* body = new QHBoxLayout;
  auto* objectsColumn = new QVBoxLayout;
  objectsColumn->addWidget(new QLabel("Objects", this));
  objects_ = NewList(this, true);
  objectsColumn->addWidget(objects_);
  body->addLayout(objectsColumn);

  pages_ = new QTabWidget(this);
  auto* userPage = new QWidget(pages_);
  auto* userRow = new QHBoxLayout(userPage);
  addUser_ = new QPushButton(">", userPage);
  removeUser_ = new QPushButton("<", userPage);
  chosenUsers_ = NewList(userPage, true);
  userRow->addLayout(MoveButtons(addUser_, removeUser_));
  userRow->addWidget(chosenUsers_);
  pages_->addTab(userPage, "Select user");

  auto* tablePage = new QWidget(pages_);
  auto* tableRow = new QHBoxLayout(tablePage);
  sourceTables_ = NewList(tablePage, true);
  addTable_ = new QPushButton(">", tablePage);
  removeTable_ = new QPushButton("<", tablePage);
  chosenTables_ = NewList(tablePage, true);
  tableRow->addWidget(sourceTables_);
  tableRow->addLayout(MoveButtons(addTable_, removeTable_));
  tableRow->addWidget(chosenTables_);
  pages_->addTab(tablePage, "Select tables");
  body->addWidget(pages_, 2);
  top->addLayout(body, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  top->addWidget(buttons);
  resize(640, 420);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(connect_, &QPushButton::clicked, this, [this] {
    model_.Username = username_->text().toStdString();
    model_.Password = password_->text().toStdString();
    model_.Service = service_->text().toStdString();
    model_.Connect();
    Refill();
  });
  connect(objects_, &QListWidget::itemClicked, this, [this] { FocusUser(); });
  connect(addUser_, &QPushButton::clicked, this, [this] {
    model_.AddUsers(Selected(objects_));
    Refill();
  });
  connect(removeUser_, &QPushButton::clicked, this, [this] {
    model_.RemoveUsers(Selected(chosenUsers_));
    Refill();
  });
  connect(addTable_, &QPushButton::clicked, this, [this] {
    model_.AddTables(Selected(sourceTables_));
    Refill();
  });
  connect(removeTable_, &QPushButton::clicked, this, [this] {
    model_.RemoveTables(Selected(chosenTables_));
    Refill();
  });
}

std::vector<int> TOraSelector::Selected(QListWidget* list) {
  std::vector<int> rows;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) rows.push_back(i);
  return rows;
}

void TOraSelector::Start(const std::string& user, const std::string& password, const std::string& service,
                         bool usersMode, const std::string& current) {
  username_->setText(Q(user));
  password_->setText(Q(password));
  service_->setText(Q(service));
  pages_->setTabVisible(0, usersMode);
  pages_->setTabVisible(1, !usersMode);
  pages_->setCurrentIndex(usersMode ? 0 : 1);
  model_.Open(user, password, service, usersMode, current);
  Refill();
}

void TOraSelector::Refill() {
  status_->setPlainText(Q(model_.Status()));
  const int objectRow = objects_->currentRow();
  Fill(objects_, model_.Objects());
  if (objectRow >= 0 && objectRow < objects_->count()) objects_->setCurrentRow(objectRow, QItemSelectionModel::NoUpdate);
  Fill(chosenUsers_, model_.ChosenUsers());
  Fill(sourceTables_, model_.SourceTables());
  Fill(chosenTables_, model_.ChosenTables());
}

void TOraSelector::FocusUser() {
  const std::vector<int> rows = Selected(objects_);
  if (rows.empty()) return;
  const int row = objects_->currentRow() >= 0 && objects_->currentItem()->isSelected() ? objects_->currentRow() : rows[0];
  try {
    model_.FocusUser(row);
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
    return;
  }
  Fill(sourceTables_, model_.SourceTables());
}

std::optional<std::string> SelectOraObjects(TDMSession& session, const std::string& user, const std::string& password,
                                            const std::string& service, bool usersMode, const std::string& current,
                                            QWidget* parent) {
  // Kept for later uses, as its lists and size are; a new session makes a new window.
  static QPointer<TOraSelector> window;
  static TDMSession* windowSession = nullptr;
  if (!window || windowSession != &session) {
    delete window.data();
    window = new TOraSelector(session, parent);
    windowSession = &session;
  }
  window->Start(user, password, service, usersMode, current);
  if (window->exec() != QDialog::Accepted) return std::nullopt;
  return window->Model().Result();
}

}  // namespace sch
