#include "platform/qt/controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace vdinv::platform::qt {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QStringList QList(const std::vector<std::string>& items) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) list << Q(item);
  return list;
}

std::vector<std::string> Strings(const QStringList& list) {
  std::vector<std::string> items;
  items.reserve(static_cast<size_t>(list.size()));
  for (const QString& item : list) items.push_back(item.toStdString());
  return items;
}

QStringList ComboItems(const QComboBox& combo) {
  QStringList items;
  for (int i = 0; i < combo.count(); ++i) items << combo.itemText(i);
  return items;
}

QStringList TreeItems(const QTreeWidget& tree) {
  QStringList items;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) items << tree.topLevelItem(i)->text(0);
  return items;
}

QStringList MemoLines(const QPlainTextEdit& memo) {
  const QString text = memo.toPlainText();
  return text.isEmpty() ? QStringList() : text.split('\n');
}

void ApplyMemo(QPlainTextEdit& memo, const QStringList& lines) {
  const QStringList shown = MemoLines(memo);
  if (shown == lines) return;
  if (!shown.isEmpty() && shown.size() < lines.size() && lines.mid(0, shown.size()) == shown) {
    // A growing log: only the new lines are added, so the view stays where the reader is.
    for (qsizetype i = shown.size(); i < lines.size(); ++i) memo.appendPlainText(lines[i]);
  } else {
    memo.setPlainText(lines.join('\n'));
  }
}

void ApplyRadio(QRadioButton& radio, bool checked) {
  if (radio.isChecked() == checked) return;
  // An exclusive group keeps its chosen option; for "none chosen" it lets go for a moment.
  QButtonGroup* group = radio.group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive && !checked) group->setExclusive(false);
  radio.setChecked(checked);
  if (exclusive && !checked) group->setExclusive(true);
}

void ApplyTree(QTreeWidget& tree, const ControlState& state) {
  const QStringList items = QList(state.items);
  if (TreeItems(tree) != items) {
    tree.clear();
    for (const QString& text : items) tree.addTopLevelItem(new QTreeWidgetItem({text}));
  }
  const int current = tree.currentItem() ? tree.indexOfTopLevelItem(tree.currentItem()) : -1;
  if (current == state.index) return;
  if (state.index >= 0 && state.index < tree.topLevelItemCount()) {
    tree.setCurrentItem(tree.topLevelItem(state.index));
  } else {
    tree.setCurrentItem(nullptr);
    tree.clearSelection();
  }
}

void ApplyGrid(QTableWidget& grid, const ControlState& state) {
  const auto& cells = state.cells;
  const int rows = cells.empty() ? 0 : static_cast<int>(cells.size()) - 1;
  if (grid.rowCount() != rows) grid.setRowCount(rows);
  for (size_t row = 0; row < cells.size(); ++row) {
    for (size_t column = 0; column < cells[row].size(); ++column) {
      const int c = static_cast<int>(column);
      if (c >= grid.columnCount()) grid.setColumnCount(c + 1);
      const QString text = Q(cells[row][column]);
      // Row 0 is the header.
      QTableWidgetItem* item =
          row == 0 ? grid.horizontalHeaderItem(c) : grid.item(static_cast<int>(row) - 1, c);
      if (item != nullptr && item->text() == text) continue;
      if (row == 0) {
        grid.setHorizontalHeaderItem(c, new QTableWidgetItem(text));
      } else {
        grid.setItem(static_cast<int>(row) - 1, c, new QTableWidgetItem(text));
      }
    }
  }
}

std::vector<std::vector<std::string>> GridCells(const QTableWidget& grid) {
  std::vector<std::vector<std::string>> cells;
  if (grid.rowCount() == 0 && grid.horizontalHeaderItem(0) == nullptr) return cells;
  for (int row = -1; row < grid.rowCount(); ++row) {
    std::vector<std::string>& line = cells.emplace_back();
    for (int column = 0; column < grid.columnCount(); ++column) {
      const QTableWidgetItem* item =
          row < 0 ? grid.horizontalHeaderItem(column) : grid.item(row, column);
      line.push_back(item ? item->text().toStdString() : std::string());
    }
  }
  return cells;
}

QWidget* MakeWidget(const ControlPlan& plan, QWidget* parent) {
  switch (plan.kind) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(parent);
      if (plan.isDefault) {
        button->setDefault(true);
        button->setFocus();
      }
      return button;
    }
    case ControlKind::kRadio:
      return new QRadioButton(parent);
    case ControlKind::kCheck:
      return new QCheckBox(parent);
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(parent);
      edit->setReadOnly(!plan.editable);
      return edit;
    }
    case ControlKind::kDropDown:
      return new QComboBox(parent);
    case ControlKind::kMemo: {
      auto* memo = new QPlainTextEdit(parent);
      memo->setReadOnly(!plan.editable);
      return memo;
    }
    case ControlKind::kTree: {
      auto* tree = new QTreeWidget(parent);
      tree->setColumnCount(1);
      tree->setHeaderHidden(true);
      tree->setRootIsDecorated(false);
      tree->setSelectionMode(QAbstractItemView::SingleSelection);
      return tree;
    }
    case ControlKind::kGrid: {
      auto* grid = new QTableWidget(std::max(plan.rows - 1, 0), plan.columns, parent);
      grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
      grid->setSelectionBehavior(QAbstractItemView::SelectRows);
      grid->verticalHeader()->setVisible(false);
      for (size_t c = 0; c < plan.columnWidths.size(); ++c) {
        grid->setColumnWidth(static_cast<int>(c), plan.columnWidths[c]);
      }
      return grid;
    }
    case ControlKind::kGroup:
      return new QGroupBox(parent);
    case ControlKind::kPanel:
      return new QWidget(parent);
    case ControlKind::kProgress: {
      auto* progress = new QProgressBar(parent);
      progress->setTextVisible(false);
      progress->setRange(0, 100);
      progress->setValue(0);
      return progress;
    }
  }
  return new QWidget(parent);
}

}  // namespace

QWidget* CreateControl(const ControlPlan& plan, QWidget* parent) {
  QWidget* widget = MakeWidget(plan, parent);
  widget->setObjectName(Q(plan.name));
  widget->setGeometry(plan.x, plan.y, plan.width, plan.height);
  return widget;
}

void ApplyState(QWidget& widget, ControlKind kind, const ControlState& state) {
  if (widget.isHidden() == state.visible) widget.setVisible(state.visible);
  if (widget.testAttribute(Qt::WA_Disabled) == state.enabled) widget.setEnabled(state.enabled);
  const QString text = Q(state.text);
  switch (kind) {
    case ControlKind::kLabel:
      if (auto& label = static_cast<QLabel&>(widget); label.text() != text) label.setText(text);
      break;
    case ControlKind::kButton:
    case ControlKind::kCheck:
    case ControlKind::kRadio: {
      auto& button = static_cast<QAbstractButton&>(widget);
      if (button.text() != text) button.setText(text);
      if (kind == ControlKind::kRadio) {
        ApplyRadio(static_cast<QRadioButton&>(widget), state.checked);
      } else if (kind == ControlKind::kCheck && button.isChecked() != state.checked) {
        button.setChecked(state.checked);
      }
      break;
    }
    case ControlKind::kEdit:
      // Setting the same text would move the cursor of someone typing.
      if (auto& edit = static_cast<QLineEdit&>(widget); edit.text() != text) edit.setText(text);
      break;
    case ControlKind::kDropDown: {
      auto& combo = static_cast<QComboBox&>(widget);
      const QStringList items = QList(state.items);
      if (ComboItems(combo) != items) {
        combo.clear();
        combo.addItems(items);
      }
      if (combo.currentIndex() != state.index) combo.setCurrentIndex(state.index);
      break;
    }
    case ControlKind::kMemo:
      ApplyMemo(static_cast<QPlainTextEdit&>(widget), QList(state.items));
      break;
    case ControlKind::kTree:
      ApplyTree(static_cast<QTreeWidget&>(widget), state);
      break;
    case ControlKind::kGrid:
      ApplyGrid(static_cast<QTableWidget&>(widget), state);
      break;
    case ControlKind::kGroup:
      if (auto& group = static_cast<QGroupBox&>(widget); group.title() != text) {
        group.setTitle(text);
      }
      break;
    case ControlKind::kPanel:
      break;
    case ControlKind::kProgress: {
      auto& progress = static_cast<QProgressBar&>(widget);
      if (progress.maximum() != state.maximum) progress.setMaximum(state.maximum);
      if (progress.value() != state.position) progress.setValue(state.position);
      break;
    }
  }
}

ControlState ShownState(const QWidget& widget, ControlKind kind) {
  ControlState state;
  state.visible = !widget.isHidden();
  state.enabled = !widget.testAttribute(Qt::WA_Disabled);
  switch (kind) {
    case ControlKind::kLabel:
      state.text = static_cast<const QLabel&>(widget).text().toStdString();
      break;
    case ControlKind::kButton:
    case ControlKind::kCheck:
    case ControlKind::kRadio: {
      const auto& button = static_cast<const QAbstractButton&>(widget);
      state.text = button.text().toStdString();
      state.checked = kind != ControlKind::kButton && button.isChecked();
      break;
    }
    case ControlKind::kEdit:
      state.text = static_cast<const QLineEdit&>(widget).text().toStdString();
      break;
    case ControlKind::kDropDown: {
      const auto& combo = static_cast<const QComboBox&>(widget);
      state.items = Strings(ComboItems(combo));
      state.index = combo.currentIndex();
      break;
    }
    case ControlKind::kMemo:
      state.items = Strings(MemoLines(static_cast<const QPlainTextEdit&>(widget)));
      break;
    case ControlKind::kTree: {
      const auto& tree = static_cast<const QTreeWidget&>(widget);
      state.items = Strings(TreeItems(tree));
      state.index = tree.currentItem() ? tree.indexOfTopLevelItem(tree.currentItem()) : -1;
      break;
    }
    case ControlKind::kGrid:
      state.cells = GridCells(static_cast<const QTableWidget&>(widget));
      break;
    case ControlKind::kGroup:
      state.text = static_cast<const QGroupBox&>(widget).title().toStdString();
      break;
    case ControlKind::kPanel:
      break;
    case ControlKind::kProgress: {
      const auto& progress = static_cast<const QProgressBar&>(widget);
      state.position = progress.value();
      state.maximum = progress.maximum();
      break;
    }
  }
  return state;
}

int WindowsKeyCode(int qtKey) {
  // Letters and digits have the same codes in both.
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
    return qtKey;
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace:
      return 0x08;
    case Qt::Key_Tab:
      return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 0x0D;
    case Qt::Key_Shift:
      return 0x10;
    case Qt::Key_Control:
      return 0x11;
    case Qt::Key_Alt:
      return 0x12;
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_Space:
      return 0x20;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return 0x2D;
    case Qt::Key_Delete:
      return 0x2E;
    default:
      return 0;
  }
}

}  // namespace vdinv::platform::qt
