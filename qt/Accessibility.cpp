#include "Accessibility.h"

#include <QFontMetrics>
#include <QTextCursor>
#include <algorithm>

#include "HilfeFeld.h"
#include "SpielFeld.h"

namespace paarix {

namespace {

// By convention offset -2 stands for the caret and -1 for the end of the text.
int resolveOffset(int offset, int caret, int length) {
  if (offset == -2) return caret;
  if (offset == -1) return length;
  return offset;
}

QString slice(const QString& text, int start, int end) {
  if (end < 0 || end > text.size()) end = static_cast<int>(text.size());
  start = std::clamp(start, 0, end);
  return text.mid(start, end - start);
}

void setRange(int* start, int* end, int s, int e) {
  *start = s;
  *end = e;
}

bool isLine(QAccessible::TextBoundaryType type) {
  return type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary;
}

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
  setRange(startOffset, endOffset, start, end);
  return text.mid(start, end - start);
}

QAccessibleInterface* factory(const QString& key, QObject* object) {
  // Qt asks with the class name of each class in the object's chain, the most derived first.
  if (key == QLatin1String(SpielFeld::staticMetaObject.className())) {
    if (auto* feld = qobject_cast<SpielFeld*>(object)) return new FieldAccessible(feld);
  }
  if (key == QLatin1String(HilfeFeld::staticMetaObject.className())) {
    if (auto* hilfe = qobject_cast<HilfeFeld*>(object)) return new HelpTextAccessible(hilfe);
  }
  return nullptr;
}

}  // namespace

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

// Both text boxes.

ReadOnlyTextAccessible::ReadOnlyTextAccessible(QWidget* widget, bool multiLine)
    : QAccessibleWidget(widget, QAccessible::EditableText), multiLine_(multiLine) {}

void* ReadOnlyTextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ReadOnlyTextAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.readOnly = true;
  s.editable = false;
  s.selectableText = true;
  s.multiLine = multiLine_;
  return s;
}

QString ReadOnlyTextAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Value) return wholeText();
  return QAccessibleWidget::text(t);
}

QString ReadOnlyTextAccessible::text(int startOffset, int endOffset) const {
  return slice(wholeText(), startOffset, endOffset);
}

int ReadOnlyTextAccessible::characterCount() const { return static_cast<int>(wholeText().size()); }

QString ReadOnlyTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, offset, offset);
  return {};
}

// The playing field.

FieldAccessible::FieldAccessible(SpielFeld* feld) : ReadOnlyTextAccessible(feld, false) {}

SpielFeld* FieldAccessible::feld() const { return static_cast<SpielFeld*>(widget()); }

// No name: the Braille line shows the field itself and nothing in front of it.
QString FieldAccessible::wholeText() const { return feld()->text(); }

void FieldAccessible::routing(int position) {
  if (position < 0 || position > characterCount()) return;
  // The screen reader waits for the answer to its call, and an activation may
  // play a cue of several seconds: it gets its answer first, the card turns on
  // the next turn of the event loop.
  SpielFeld* f = feld();
  QMetaObject::invokeMethod(f, [f, position] { f->RoutingMelden(position); }, Qt::QueuedConnection);
}

void FieldAccessible::setCursorPosition(int position) { routing(position); }

void FieldAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  if (startOffset == endOffset) {
    routing(startOffset);
    return;
  }
  // A real selection marks text for reading; it activates nothing.
  const int length = characterCount();
  const int start = std::clamp(std::min(startOffset, endOffset), 0, length);
  const int end = std::clamp(std::max(startOffset, endOffset), 0, length);
  feld()->setSelection(start, end - start);
}

void FieldAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void FieldAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) feld()->deselect();
}

void FieldAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, 0, 0);
  if (selectionIndex != 0 || !feld()->hasSelectedText()) return;
  const int start = feld()->selectionStart();
  setRange(startOffset, endOffset, start, start + feld()->selectionLength());
}

int FieldAccessible::selectionCount() const { return feld()->hasSelectedText() ? 1 : 0; }

int FieldAccessible::cursorPosition() const { return feld()->GemeldeterCaret(); }

// The field is one line: every offset on it, the end included, gives the whole
// text, which is what a Braille display shows.
QString FieldAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                      int* endOffset) const {
  const int length = characterCount();
  offset = resolveOffset(offset, cursorPosition(), length);
  if (offset < 0 || offset > length) {
    setRange(startOffset, endOffset, -1, -1);
    return {};
  }
  if (isLine(boundaryType) || boundaryType == QAccessible::NoBoundary) {
    setRange(startOffset, endOffset, 0, length);
    return feld()->text();
  }
  return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
}

QString FieldAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                          int* endOffset) const {
  const int length = characterCount();
  offset = resolveOffset(offset, cursorPosition(), length);
  if (isLine(boundaryType) || boundaryType == QAccessible::NoBoundary) {
    setRange(startOffset, endOffset, 0, 0);  // there is no line before the only one
    return {};
  }
  return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
}

QString FieldAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                         int* endOffset) const {
  const int length = characterCount();
  offset = resolveOffset(offset, cursorPosition(), length);
  if (isLine(boundaryType) || boundaryType == QAccessible::NoBoundary) {
    setRange(startOffset, endOffset, length, length);
    return {};
  }
  return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
}

QRect FieldAccessible::characterRect(int offset) const {
  const QRect cell = feld()->Zellenrechteck(offset);
  if (cell.isNull()) return {};
  return {feld()->mapToGlobal(cell.topLeft()), cell.size()};
}

int FieldAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = feld()->mapFromGlobal(point);
  if (!feld()->rect().contains(local)) return -1;
  return feld()->cursorPositionAt(local);
}

// The whole field is always in view; nothing to scroll, and the caret stays.
void FieldAccessible::scrollToSubstring(int, int) {}

// The help text.

HelpTextAccessible::HelpTextAccessible(HilfeFeld* hilfe) : ReadOnlyTextAccessible(hilfe, true) {}

HilfeFeld* HelpTextAccessible::hilfe() const { return static_cast<HilfeFeld*>(widget()); }

QString HelpTextAccessible::wholeText() const { return hilfe()->toPlainText(); }

void HelpTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, 0, 0);
  const QTextCursor cursor = hilfe()->textCursor();
  if (selectionIndex != 0 || !cursor.hasSelection()) return;
  setRange(startOffset, endOffset, cursor.selectionStart(), cursor.selectionEnd());
}

int HelpTextAccessible::selectionCount() const { return hilfe()->textCursor().hasSelection() ? 1 : 0; }

void HelpTextAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void HelpTextAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex != 0) return;
  QTextCursor cursor = hilfe()->textCursor();
  cursor.clearSelection();
  hilfe()->setTextCursor(cursor);
}

void HelpTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  const int length = characterCount();
  QTextCursor cursor = hilfe()->textCursor();
  cursor.setPosition(std::clamp(startOffset, 0, length));
  cursor.setPosition(std::clamp(endOffset, 0, length), QTextCursor::KeepAnchor);
  hilfe()->setTextCursor(cursor);
}

int HelpTextAccessible::cursorPosition() const { return hilfe()->textCursor().position(); }

void HelpTextAccessible::setCursorPosition(int position) {
  QTextCursor cursor = hilfe()->textCursor();
  cursor.setPosition(std::clamp(position, 0, characterCount()));
  hilfe()->setTextCursor(cursor);
}

QString HelpTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
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
  if (!isLine(boundaryType)) return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
  return lineAt(all, offset, startOffset, endOffset);
}

QString HelpTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                             int* endOffset) const {
  const QString all = wholeText();
  const int length = static_cast<int>(all.size());
  offset = resolveOffset(offset, cursorPosition(), length);
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

QString HelpTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
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

QRect HelpTextAccessible::characterRect(int offset) const {
  if (offset < 0 || offset >= characterCount()) return {};
  QTextCursor cursor(hilfe()->document());
  cursor.setPosition(offset);
  const QRect caret = hilfe()->cursorRect(cursor);
  const QFontMetrics metrics(hilfe()->font());
  const QRect cell(caret.left(), caret.top(), metrics.horizontalAdvance(wholeText().at(offset)), caret.height());
  return {hilfe()->viewport()->mapToGlobal(cell.topLeft()), cell.size()};
}

int HelpTextAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = hilfe()->viewport()->mapFromGlobal(point);
  if (!hilfe()->viewport()->rect().contains(local)) return -1;
  return hilfe()->cursorForPosition(local).position();
}

void HelpTextAccessible::scrollToSubstring(int startIndex, int) {
  setCursorPosition(startIndex);
  hilfe()->ensureCursorVisible();
}

}  // namespace paarix
