#include "SpielFeld.h"

#include <QAccessible>
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
  connect(this, &QLineEdit::cursorPositionChanged, this, &SpielFeld::CaretMelden);
}

void SpielFeld::TextErsetzen(const QString& text) {
  const int caret = std::clamp(cursorPosition(), 0, static_cast<int>(text.size()));
  ersetzterCaret_ = caret;
  setText(text);
  ersetzterCaret_.reset();
  if (cursorPosition() != caret) {
    setCursorPosition(caret);  // reported through cursorPositionChanged
    return;
  }
  // setText left the caret on its cell: after the new text the screen reader
  // hears where it stands all the same.
  QAccessibleTextCursorEvent moved(this, caret);
  QAccessible::updateAccessibility(&moved);
  CaretMelden();
}

void SpielFeld::RoutingMelden(int pos) { emit Routingtaste(pos); }

int SpielFeld::GemeldeterCaret() const { return ersetzterCaret_.value_or(cursorPosition()); }

QRect SpielFeld::Zellenrechteck(int pos) const {
  const QString t = text();
  if (pos < 0 || pos >= t.size()) return {};
  // Measured from the caret, where the field draws it (see paintEvent).
  const QFontMetrics metrics(font());
  const QRect caret = cursorRect();
  const int x = caret.center().x() - metrics.horizontalAdvance(t.left(cursorPosition())) +
                metrics.horizontalAdvance(t.left(pos));
  return {x, caret.top(), metrics.horizontalAdvance(t.at(pos)), caret.height()};
}

// The line edit reports caret moves as caret events by itself. Windows' UI
// Automation layer of Qt drops those for read-only text, so while the player is
// in the field every caret move is also reported as an empty selection at the
// caret, which it passes on. Not while the focus is elsewhere: Orca presents a
// selection change even of a field that has no focus, and would show the field
// on the Braille display when a deal rewrites it as the player leaves a list.
void SpielFeld::CaretMelden() {
  if (ersetzterCaret_ || hasSelectedText() || !hasFocus()) return;  // a selection reports itself
  QAccessibleTextSelectionEvent event(this, cursorPosition(), cursorPosition());
  event.setCursorPosition(cursorPosition());
  QAccessible::updateAccessibility(&event);
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
