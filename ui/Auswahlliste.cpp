#include "Auswahlliste.h"

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

void Auswahlliste::focusOutEvent(QFocusEvent* e) {
  QListWidget::focusOutEvent(e);
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  // Qt has already made the new widget the focus widget when it tells the old one.
  const QWidget* neu = QApplication::focusWidget();
  if (neu == nullptr || neu == this || neu->window() != window()) return;
  emit FokusAbgegeben();
}

}  // namespace paarix
