#include "app/gui/ParamValueDelegate.h"

#include "app/gui/PasswordMask.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace sch {

namespace {

constexpr int kButtonWidth = 22;

// The edit button's picture inside a cell editor.
QIcon EllipsisIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QApplication::palette().color(QPalette::ButtonText));
  for (int x : {3, 7, 11}) painter.drawRect(x, 11, 1, 1);
  return QIcon(pixmap);
}

QLineEdit* LineOf(QWidget* editor) {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) return combo->lineEdit();
  return qobject_cast<QLineEdit*>(editor);
}

}  // namespace

QString QtInputMask(const std::string& editMask) {
  const QString mask = QString::fromStdString(editMask);
  if (mask.isEmpty()) return {};
  // Characters Qt reads as mask characters: as literals of the class library's masks they are
  // escaped.
  static const QString kQtSpecial = "AaNnXx90Dd#HhBb><!\\[]{};";
  QString out;
  int i = 0;
  auto literal = [&](QChar c) {
    if (kQtSpecial.contains(c)) out += '\\';
    out += c;
  };
  for (; i < mask.size() && mask[i] != ';'; ++i) {
    const QChar c = mask[i];
    switch (c.unicode()) {
      case '\\':
        if (i + 1 < mask.size()) literal(mask[++i]);
        break;
      case '!': break;  // leading blanks trimmed on saving: Qt has no such switch
      case '<':
        if (i + 1 < mask.size() && mask[i + 1] == '>') {
          out += '!';
          ++i;
        } else {
          out += '<';
        }
        break;
      case '>': out += '>'; break;
      case 'L': out += 'A'; break;
      case 'l': out += 'a'; break;
      case 'A': out += 'N'; break;
      case 'a': out += 'n'; break;
      case 'C': out += 'X'; break;
      case 'c': out += 'x'; break;
      case '0': out += '9'; break;
      case '9': out += '0'; break;
      case '#': out += '#'; break;
      case '_': out += ' '; break;
      default: literal(c); break;
    }
  }
  // The fields after the mask: whether literals are kept (Qt keeps them), then the blank.
  const QStringList fields = mask.mid(i).split(';');
  if (fields.size() >= 3 && !fields[2].isEmpty()) out += ';' + fields[2].left(1);
  return out;
}

ParamValueDelegate::ParamValueDelegate(Hooks hooks, QObject* parent)
    : QStyledItemDelegate(parent), hooks_(std::move(hooks)) {}

QRect ParamValueDelegate::ButtonRect(const QRect& cell) {
  return QRect(cell.right() - kButtonWidth + 1, cell.top(), kButtonWidth, cell.height());
}

void ParamValueDelegate::PressButton(int row) const {
  auto* self = const_cast<ParamValueDelegate*>(this);
  // The dialog it opens runs its own loop: not inside the event that pressed the button.
  QMetaObject::invokeMethod(self, [self, row] { if (self->hooks_.button) self->hooks_.button(row); },
                            Qt::QueuedConnection);
}

QWidget* ParamValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  const ParamRow* row = hooks_.rowOf ? hooks_.rowOf(index.row()) : nullptr;
  if (!row || !row->typed) return nullptr;
  auto* self = const_cast<ParamValueDelegate*>(this);
  QWidget* editor;
  QLineEdit* line;
  if (!row->pickList.empty()) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName("ParamPickList");
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // What is typed stays as typed: "N" must not become "No" on Enter.
    combo->setCompleter(nullptr);
    for (const auto& choice : row->pickList) combo->addItem(QString::fromStdString(choice));
    // A pick is the whole edit.
    connect(combo, &QComboBox::activated, self, [self, combo] {
      emit self->commitData(combo);
      emit self->closeEditor(combo);
    });
    editor = combo;
    line = combo->lineEdit();
  } else {
    line = new QLineEdit(parent);
    line->setObjectName("ParamEdit");
    editor = line;
  }
  line->setFrame(false);
  if (row->password) MaskWithStars(*line);
  if (row->maxLength > 0) line->setMaxLength(row->maxLength);
  if (!row->editMask.empty()) line->setInputMask(QtInputMask(row->editMask));
  if (row->button) {
    QAction* action = line->addAction(EllipsisIcon(), QLineEdit::TrailingPosition);
    action->setObjectName("ParamButton");
    action->setToolTip("...");
    const int r = index.row();
    // What was typed counts first: the dialog starts from it.
    connect(action, &QAction::triggered, self, [self, editor, r] {
      emit self->commitData(editor);
      emit self->closeEditor(editor);
      self->PressButton(r);
    });
  }
  return editor;
}

void ParamValueDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const ParamRow* row = hooks_.rowOf ? hooks_.rowOf(index.row()) : nullptr;
  QLineEdit* line = LineOf(editor);
  if (!row || !line) return;
  const QString value = QString::fromStdString(row->value);
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const int at = combo->findText(value);
    if (at >= 0) combo->setCurrentIndex(at);
  }
  line->setText(value);
}

void ParamValueDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
  const ParamRow* row = hooks_.rowOf ? hooks_.rowOf(index.row()) : nullptr;
  QLineEdit* line = LineOf(editor);
  if (!row || !line || !hooks_.commit) return;
  const std::string value = line->text().toStdString();
  if (value != row->value) hooks_.commit(index.row(), value);
}

void ParamValueDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex&) const {
  editor->setGeometry(option.rect);
}

void ParamValueDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const ParamRow* row = hooks_.rowOf ? hooks_.rowOf(index.row()) : nullptr;
  if (!row || !row->button) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem text = option;
  text.rect.setRight(ButtonRect(option.rect).left() - 1);
  QStyledItemDelegate::paint(painter, text, index);
  QStyleOptionButton button;
  button.rect = ButtonRect(option.rect);
  button.text = "...";
  button.state = QStyle::State_Enabled | QStyle::State_Raised;
  const QWidget* widget = option.widget;
  (widget ? widget->style() : QApplication::style())->drawControl(QStyle::CE_PushButton, &button, painter, widget);
}

bool ParamValueDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) {
  const ParamRow* row = hooks_.rowOf ? hooks_.rowOf(index.row()) : nullptr;
  if (row && row->button) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        const bool onButton = ButtonRect(option.rect).contains(mouse->position().toPoint());
        // A cell that cannot be typed into (a text parameter) opens its editor on a double
        // click anywhere as well.
        const bool opens = event->type() == QEvent::MouseButtonPress
                               ? onButton
                               : event->type() == QEvent::MouseButtonDblClick && !onButton && !row->typed;
        if (opens) PressButton(index.row());
        if (onButton || opens) return true;
        break;
      }
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (!row->typed && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 || key == Qt::Key_Space)) {
          PressButton(index.row());
          return true;
        }
        break;
      }
      default: break;
    }
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}

}  // namespace sch
