#include "InfoEdit.h"

#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextCursor>
#include <algorithm>
#include <utility>

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

namespace {

// The line around `offset` in a text whose lines end in '\n': [start, end), the
// break included.
std::pair<int, int> lineAround(const QString& text, int offset) {
  const int length = static_cast<int>(text.size());
  offset = std::clamp(offset, 0, length);
  const int start = offset == 0 ? 0 : static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), offset - 1)) + 1;
  const int lineBreak = static_cast<int>(text.indexOf(QLatin1Char('\n'), offset));
  return {start, lineBreak < 0 ? length : lineBreak + 1};
}

// The line around `offset`, with its range.
QString lineAt(const QString& text, int offset, int* startOffset, int* endOffset) {
  const auto [start, end] = lineAround(text, offset);
  *startOffset = start;
  *endOffset = end;
  return text.mid(start, end - start);
}

}  // namespace

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

QString InfoAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                     int* endOffset) const {
  const QString all = wholeText();
  const int length = static_cast<int>(all.size());
  offset = resolveOffset(offset, cursorPosition(), length);
  if (offset < 0 || offset > length) {
    setRange(startOffset, endOffset, -1, -1);
    return {};
  }
  if (boundaryType == QAccessible::NoBoundary) {
    setRange(startOffset, endOffset, 0, length);
    return all;
  }
  if (!isLine(boundaryType))
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
  return lineAt(all, offset, startOffset, endOffset);
}

QString InfoAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                         int* endOffset) const {
  const QString all = wholeText();
  offset = resolveOffset(offset, cursorPosition(), static_cast<int>(all.size()));
  if (!isLine(boundaryType)) {
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
  }
  const int lineStart = lineAround(all, offset).first;
  if (lineStart == 0) {
    setRange(startOffset, endOffset, 0, 0);
    return {};
  }
  return lineAt(all, lineStart - 1, startOffset, endOffset);
}

QString InfoAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                        int* endOffset) const {
  const QString all = wholeText();
  const int length = static_cast<int>(all.size());
  offset = resolveOffset(offset, cursorPosition(), length);
  if (!isLine(boundaryType)) {
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
  }
  const int lineEnd = lineAround(all, offset).second;
  if (lineEnd >= length) {
    setRange(startOffset, endOffset, length, length);
    return {};
  }
  return lineAt(all, lineEnd, startOffset, endOffset);
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
