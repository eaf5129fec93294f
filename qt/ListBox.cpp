#include "ListBox.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QFocusEvent>
#include <QSignalBlocker>

namespace paarix {

namespace {

// Selects, but never takes a selection away without putting another in its place.
class KeepsASelection final : public QItemSelectionModel {
 public:
  using QItemSelectionModel::QItemSelectionModel;
  using QItemSelectionModel::select;
  void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
    const bool takesAway = (command & (Deselect | Toggle | Clear)) != 0 && (command & Select) == 0;
    if (takesAway && hasSelection()) return;
    QItemSelectionModel::select(selection, command);
  }
};

}  // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
  QItemSelectionModel* old = selectionModel();
  setSelectionModel(new KeepsASelection(model(), this));
  delete old;
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int ListBox::selectedIndex() const {
  const int row = currentRow();
  if (row < 0 || !item(row)->isSelected()) return -1;
  return row;
}

void ListBox::selectQuietly(int index) {
  const QSignalBlocker quiet(this);
  setCurrentRow(index);
}

void ListBox::focusInEvent(QFocusEvent* e) {
  QListWidget::focusInEvent(e);
  // Qt reports the focus of the list itself only after this handler, and a
  // screen reader then says no more than "list". The selected entry is
  // reported once that has happened, so the player hears and reads it.
  QMetaObject::invokeMethod(this, &ListBox::reportEntry, Qt::QueuedConnection);
}

void ListBox::reportEntry() {
  if (!hasFocus() || currentRow() < 0 || !QAccessible::isActive()) return;
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
  QAccessibleTableInterface* table = list != nullptr ? list->tableInterface() : nullptr;
  QAccessibleInterface* entry = table != nullptr ? table->cellAt(currentRow(), 0) : nullptr;
  if (entry == nullptr) return;
  QAccessibleEvent event(entry, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
}

void ListBox::focusOutEvent(QFocusEvent* e) {
  QListWidget::focusOutEvent(e);
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  // Qt has already made the new widget the focus widget when it tells the old one.
  const QWidget* next = QApplication::focusWidget();
  if (next == nullptr || next == this || next->window() != window()) return;
  emit lostFocus();
}

}  // namespace paarix
