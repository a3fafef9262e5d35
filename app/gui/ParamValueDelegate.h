#pragma once
// The value column of the main window's parameter grid: draws each value cell with its edit
// button and makes the cell editor the parameter asks for (ParamRow, app/core/ParamGrid.h): a
// pick list that can also be typed into, a line with an edit button, or a plain line; masked for
// a password, with the parameter's maximum length and edit mask. It writes nothing into the
// table: a finished edit goes to `commit` and the edit button to `button`, and the window
// refreshes the cell from the scheme. GUI thread only.
#include <QStyledItemDelegate>
#include <functional>
#include <string>

#include "app/core/ParamGrid.h"

namespace sch {

class ParamValueDelegate : public QStyledItemDelegate {
 public:
  struct Hooks {
    // The row's description; null: no parameter there (nothing is edited).
    std::function<const ParamRow*(int row)> rowOf;
    // A value typed or picked in the cell of row.
    std::function<void(int row, const std::string& value)> commit;
    // The edit button of row (called once the event that pressed it is over).
    std::function<void(int row)> button;
  };
  explicit ParamValueDelegate(Hooks hooks, QObject* parent = nullptr);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // Where the edit button of a cell is drawn.
  static QRect ButtonRect(const QRect& cell);

 private:
  void PressButton(int row) const;

  Hooks hooks_;
};

// An edit mask of the class library ("!99/99/0000;1;_": the mask, whether literals are kept, the
// blank character) in Qt's input-mask notation ("99/99/9999;_"); empty for an empty mask.
QString QtInputMask(const std::string& editMask);

}  // namespace sch
