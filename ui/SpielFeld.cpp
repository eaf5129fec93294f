#include "SpielFeld.h"

#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "Zeichentaste.h"

namespace paarix {

SpielFeld::SpielFeld(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setAcceptDrops(false);
  setDragEnabled(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);
  // A read-only line edit does not repaint for caret moves; the drawn caret must follow.
  connect(this, &QLineEdit::cursorPositionChanged, this, qOverload<>(&QWidget::update));
}

void SpielFeld::TextErsetzen(const QString& text) {
  const int caret = cursorPosition();
  setText(text);
  setCursorPosition(std::clamp(caret, 0, static_cast<int>(text.size())));
}

void SpielFeld::keyPressEvent(QKeyEvent* e) {
  if (const auto code = Zeichencode(*e)) emit Zeichentaste(*code);
  QLineEdit::keyPressEvent(e);
}

void SpielFeld::mousePressEvent(QMouseEvent* e) {
  klickBegonnen_ = e->button() == Qt::LeftButton;
  QLineEdit::mousePressEvent(e);
}

void SpielFeld::mouseReleaseEvent(QMouseEvent* e) {
  QLineEdit::mouseReleaseEvent(e);
  const bool klick = klickBegonnen_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  klickBegonnen_ = false;
  if (klick) emit Geklickt();
}

void SpielFeld::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double click is no click of its own: the first one
  // already activated the card. Nor does it select a word: the caret stays on
  // the cell the player clicked.
  klickBegonnen_ = false;
  e->accept();
  if (e->button() == Qt::LeftButton) emit DoppelGeklickt();
}

void SpielFeld::focusInEvent(QFocusEvent* e) {
  const int caret = cursorPosition();
  QLineEdit::focusInEvent(e);
  // A line edit selects its whole text when Tab brings the focus; the player
  // would then hear the selection instead of the cell under the caret.
  if (hasSelectedText()) setCursorPosition(caret);
  update();
}

void SpielFeld::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  update();
}

void SpielFeld::paintEvent(QPaintEvent* e) {
  QLineEdit::paintEvent(e);
  if (!hasFocus()) return;
  // Read-only line edits draw no caret; draw a steady one.
  QPainter painter(this);
  const QRect r = cursorRect();
  painter.fillRect(QRect(r.center().x() - 1, r.top(), 2, r.height()), palette().color(QPalette::Text));
}

// Only the program writes this text: an input method may not compose into it.
void SpielFeld::inputMethodEvent(QInputMethodEvent* e) { e->ignore(); }

}  // namespace paarix
