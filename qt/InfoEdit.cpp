#include "InfoEdit.h"

#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextCursor>
#include <algorithm>

#include "CharacterKey.h"

namespace paarix {

InfoEdit::InfoEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  setTabChangesFocus(true);
  setAcceptDrops(false);
  setFocusPolicy(Qt::StrongFocus);
}

void InfoEdit::keyPressEvent(QKeyEvent* e) {
  if (const auto code = characterKey(*e)) emit keyPress(*code);
  QPlainTextEdit::keyPressEvent(e);
}

// Only the program writes this text: an input method may not compose into it.
void InfoEdit::inputMethodEvent(QInputMethodEvent* e) { e->ignore(); }

// What screen readers see.

InfoAccessible::InfoAccessible(InfoEdit* info) : ReadOnlyTextAccessible(info, true) {}

InfoEdit* InfoAccessible::info() const { return static_cast<InfoEdit*>(widget()); }

QString InfoAccessible::wholeText() const { return info()->toPlainText(); }

void InfoAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, 0, 0);
  const QTextCursor cursor = info()->textCursor();
  if (selectionIndex != 0 || !cursor.hasSelection()) return;
  setRange(startOffset, endOffset, cursor.selectionStart(), cursor.selectionEnd());
}

int InfoAccessible::selectionCount() const { return info()->textCursor().hasSelection() ? 1 : 0; }

void InfoAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void InfoAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex != 0) return;
  QTextCursor cursor = info()->textCursor();
  cursor.clearSelection();
  info()->setTextCursor(cursor);
}

void InfoAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  const int length = characterCount();
  QTextCursor cursor = info()->textCursor();
  cursor.setPosition(std::clamp(startOffset, 0, length));
  cursor.setPosition(std::clamp(endOffset, 0, length), QTextCursor::KeepAnchor);
  info()->setTextCursor(cursor);
}

int InfoAccessible::cursorPosition() const { return info()->textCursor().position(); }

void InfoAccessible::setCursorPosition(int position) {
  QTextCursor cursor = info()->textCursor();
  cursor.setPosition(std::clamp(position, 0, characterCount()));
  info()->setTextCursor(cursor);
}

QRect InfoAccessible::characterRect(int offset) const {
  if (offset < 0 || offset >= characterCount()) return {};
  QTextCursor cursor(info()->document());
  cursor.setPosition(offset);
  const QRect caret = info()->cursorRect(cursor);
  const QFontMetrics metrics(info()->font());
  const QRect cell(caret.left(), caret.top(), metrics.horizontalAdvance(wholeText().at(offset)), caret.height());
  return {info()->viewport()->mapToGlobal(cell.topLeft()), cell.size()};
}

int InfoAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = info()->viewport()->mapFromGlobal(point);
  if (!info()->viewport()->rect().contains(local)) return -1;
  return info()->cursorForPosition(local).position();
}

void InfoAccessible::scrollToSubstring(int startIndex, int) {
  setCursorPosition(startIndex);
  info()->ensureCursorVisible();
}

}  // namespace paarix
