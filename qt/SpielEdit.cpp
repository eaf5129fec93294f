#include "SpielEdit.h"

#include <QAccessible>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "CharacterKey.h"

namespace paarix {

SpielEdit::SpielEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setAcceptDrops(false);
  setDragEnabled(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);
  // A read-only line edit does not repaint for caret moves; the drawn caret must follow.
  connect(this, &QLineEdit::cursorPositionChanged, this, qOverload<>(&QWidget::update));
  connect(this, &QLineEdit::cursorPositionChanged, this, &SpielEdit::reportCaret);
}

void SpielEdit::replaceText(const QString& text) {
  const int caret = std::clamp(cursorPosition(), 0, static_cast<int>(text.size()));
  caretDuringReplace_ = caret;
  setText(text);
  caretDuringReplace_.reset();
  if (cursorPosition() != caret) {
    setCursorPosition(caret);  // reported through cursorPositionChanged
    return;
  }
  // setText left the caret where it was: after the new text the screen reader
  // hears where it stands all the same.
  QAccessibleTextCursorEvent moved(this, caret);
  QAccessible::updateAccessibility(&moved);
  reportCaret();
}

int SpielEdit::reportedCaret() const { return caretDuringReplace_.value_or(cursorPosition()); }

QRect SpielEdit::cellRect(int pos) const {
  const QString t = text();
  if (pos < 0 || pos >= t.size()) return {};
  // Measured from the caret, where the field draws it (see paintEvent).
  const QFontMetrics metrics(font());
  const QRect caret = cursorRect();
  const int x =
      caret.center().x() - metrics.horizontalAdvance(t.left(cursorPosition())) + metrics.horizontalAdvance(t.left(pos));
  return {x, caret.top(), metrics.horizontalAdvance(t.at(pos)), caret.height()};
}

// The line edit reports caret moves as caret events by itself. Windows' UI
// Automation layer of Qt drops those for read-only text, so while the player is
// in the field every caret move is also reported as an empty selection at the
// caret, which it passes on. Not while the focus is elsewhere: Orca presents a
// selection change even of a field that has no focus, and would show the field
// on the Braille display when a deal rewrites it as the player leaves a list.
void SpielEdit::reportCaret() {
  if (caretDuringReplace_ || hasSelectedText() || !hasFocus()) return;  // a selection reports itself
  QAccessibleTextSelectionEvent event(this, cursorPosition(), cursorPosition());
  event.setCursorPosition(cursorPosition());
  QAccessible::updateAccessibility(&event);
}

void SpielEdit::keyPressEvent(QKeyEvent* e) {
  if (const auto code = characterKey(*e)) emit keyPress(*code);
  QLineEdit::keyPressEvent(e);
}

void SpielEdit::mousePressEvent(QMouseEvent* e) {
  pressed_ = e->button() == Qt::LeftButton;
  QLineEdit::mousePressEvent(e);
}

void SpielEdit::mouseReleaseEvent(QMouseEvent* e) {
  QLineEdit::mouseReleaseEvent(e);
  const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}

void SpielEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double click is no click of its own: the first one
  // already activated the card. Nor does it select a word: the caret stays on
  // the cell the player clicked.
  pressed_ = false;
  e->accept();
  if (e->button() == Qt::LeftButton) emit doubleClicked();
}

void SpielEdit::focusInEvent(QFocusEvent* e) {
  const int caret = cursorPosition();
  QLineEdit::focusInEvent(e);
  // A line edit selects its whole text when Tab brings the focus; the player
  // would then hear the selection instead of the cell under the caret.
  if (hasSelectedText()) setCursorPosition(caret);
  update();
}

void SpielEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  update();
}

void SpielEdit::paintEvent(QPaintEvent* e) {
  QLineEdit::paintEvent(e);
  if (!hasFocus()) return;
  // Read-only line edits draw no caret; this one draws a steady one.
  QPainter painter(this);
  const QRect r = cursorRect();
  painter.fillRect(QRect(r.center().x() - 1, r.top(), 2, r.height()), palette().color(QPalette::Text));
}

// Only the program writes this text: an input method may not compose into it,
// which a read-only line edit would let it do.
void SpielEdit::inputMethodEvent(QInputMethodEvent* e) { e->ignore(); }

// What screen readers see.

SpielAccessible::SpielAccessible(SpielEdit* spiel) : ReadOnlyTextAccessible(spiel, false) {}

SpielEdit* SpielAccessible::spiel() const { return static_cast<SpielEdit*>(widget()); }

// No name: the Braille line shows the field itself and nothing in front of it.
QString SpielAccessible::wholeText() const { return spiel()->text(); }

void SpielAccessible::route(int position) {
  if (position < 0 || position > characterCount()) return;
  // The window logic queues it: the card turns after the screen reader has its answer.
  emit spiel()->routing(position);
}

void SpielAccessible::setCursorPosition(int position) { route(position); }

void SpielAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  if (startOffset == endOffset) {
    route(startOffset);
    return;
  }
  // A real selection marks text for reading; it activates nothing.
  const int length = characterCount();
  const int start = std::clamp(std::min(startOffset, endOffset), 0, length);
  const int end = std::clamp(std::max(startOffset, endOffset), 0, length);
  spiel()->setSelection(start, end - start);
}

void SpielAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void SpielAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) spiel()->deselect();
}

void SpielAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, 0, 0);
  if (selectionIndex != 0 || !spiel()->hasSelectedText()) return;
  const int start = spiel()->selectionStart();
  setRange(startOffset, endOffset, start, start + spiel()->selectionLength());
}

int SpielAccessible::selectionCount() const { return spiel()->hasSelectedText() ? 1 : 0; }

int SpielAccessible::cursorPosition() const { return spiel()->reportedCaret(); }

QRect SpielAccessible::characterRect(int offset) const {
  const QRect cell = spiel()->cellRect(offset);
  if (cell.isNull()) return {};
  return {spiel()->mapToGlobal(cell.topLeft()), cell.size()};
}

int SpielAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = spiel()->mapFromGlobal(point);
  if (!spiel()->rect().contains(local)) return -1;
  return spiel()->cursorPositionAt(local);
}

// The whole field is always in view; nothing to scroll, and the caret stays.
void SpielAccessible::scrollToSubstring(int, int) {}

}  // namespace paarix
