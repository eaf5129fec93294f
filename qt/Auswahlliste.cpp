#include "Auswahlliste.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QFocusEvent>

namespace paarix {

Auswahlliste::Auswahlliste(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int Auswahlliste::AuswahlIndex() const {
  const int row = currentRow();
  if (row < 0 || !item(row)->isSelected()) return -1;
  return row;
}

void Auswahlliste::focusInEvent(QFocusEvent* e) {
  QListWidget::focusInEvent(e);
  // Qt reports the focus of the list itself only after this handler, and a
  // screen reader then says no more than "list". The selected entry is
  // reported once that has happened, so the player hears and reads it.
  QMetaObject::invokeMethod(this, &Auswahlliste::EintragMelden, Qt::QueuedConnection);
}

void Auswahlliste::EintragMelden() {
  if (!hasFocus() || currentRow() < 0 || !QAccessible::isActive()) return;
  QAccessibleInterface* liste = QAccessible::queryAccessibleInterface(this);
  QAccessibleTableInterface* tabelle = liste != nullptr ? liste->tableInterface() : nullptr;
  QAccessibleInterface* eintrag = tabelle != nullptr ? tabelle->cellAt(currentRow(), 0) : nullptr;
  if (eintrag == nullptr) return;
  QAccessibleEvent event(eintrag, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
}

void Auswahlliste::focusOutEvent(QFocusEvent* e) {
  QListWidget::focusOutEvent(e);
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  // Qt has already made the new widget the focus widget when it tells the old one.
  const QWidget* neu = QApplication::focusWidget();
  if (neu == nullptr || neu == this || neu->window() != window()) return;
  emit FokusAbgegeben();
}

}  // namespace paarix
