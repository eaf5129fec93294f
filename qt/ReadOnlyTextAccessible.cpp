#include "ReadOnlyTextAccessible.h"

#include <algorithm>
#include <utility>

#include <QPointer>

#include "InfoEdit.h"
#include "QtWindow.h"
#include "SpielEdit.h"
#include "Statuszeile.h"

namespace paarix {

namespace {

QAccessibleInterface* factory(const QString& key, QObject* object) {
  // Qt asks with the class name of each class in the object's chain, the most derived first.
  if (key == QLatin1String(SpielEdit::staticMetaObject.className())) {
    if (auto* spiel = qobject_cast<SpielEdit*>(object)) return new SpielAccessible(spiel);
  }
  if (key == QLatin1String(InfoEdit::staticMetaObject.className())) {
    if (auto* info = qobject_cast<InfoEdit*>(object)) return new InfoAccessible(info);
  }
  if (key == QLatin1String(QtWindow::staticMetaObject.className())) {
    if (auto* window = qobject_cast<QtWindow*>(object)) return new QtWindowAccessible(window);
  }
  if (key == QLatin1String(Ansage::staticMetaObject.className())) {
    if (auto* ansage = qobject_cast<Ansage*>(object)) return new AnsageAccessible(ansage);
  }
  return nullptr;
}

// Caret events of an object that screen readers have not yet been told has the
// focus are dropped. Orca takes such an event, when it finds the object focused
// by the time it handles it, as a silent move of its focus, and then says
// nothing at all when the focus event follows: Tab into the field, which puts the
// caret back after the line edit selected everything, would be heard as "tab"
// alone. Orca ignores caret events of objects without the focus anyway.
QAccessible::UpdateHandler nextHandler = nullptr;
QPointer<QObject> accessibleFocus;

void dropCaretEventsBeforeFocus(QAccessibleEvent* event) {
  if (event->type() == QAccessible::Focus) accessibleFocus = event->object();
  if (event->type() == QAccessible::TextCaretMoved && event->object() != accessibleFocus) return;
  if (nextHandler != nullptr) {
    nextHandler(event);
    return;
  }
  // Without a handler Qt passes the event on to the platform's screen reader bridge.
  QAccessible::installUpdateHandler(nullptr);
  QAccessible::updateAccessibility(event);
  QAccessible::installUpdateHandler(dropCaretEventsBeforeFocus);
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
  *startOffset = start;
  *endOffset = end;
  return text.mid(start, end - start);
}

}  // namespace

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    nextHandler = QAccessible::installUpdateHandler(dropCaretEventsBeforeFocus);
    return true;
  }();
  (void)installed;
}

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
  const QString all = wholeText();
  if (endOffset < 0 || endOffset > all.size()) endOffset = static_cast<int>(all.size());
  startOffset = std::clamp(startOffset, 0, endOffset);
  return all.mid(startOffset, endOffset - startOffset);
}

int ReadOnlyTextAccessible::characterCount() const { return static_cast<int>(wholeText().size()); }

// No attributes, and the run without them is the whole text: Orca joins the runs
// it is given into what it reads, and would drop the last character of runs of
// no length.
QString ReadOnlyTextAccessible::attributes(int, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, 0, characterCount());
  return {};
}

QString ReadOnlyTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
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
  if (!isLine(boundaryType)) {
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
  }
  return lineAt(all, offset, startOffset, endOffset);
}

QString ReadOnlyTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                                 int* startOffset, int* endOffset) const {
  const QString all = wholeText();
  offset = resolveOffset(offset, cursorPosition(), static_cast<int>(all.size()));
  if (!asksForLine(boundaryType)) {
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
  }
  const int lineStart = lineAround(all, offset).first;
  if (lineStart == 0) {
    setRange(startOffset, endOffset, 0, 0);
    return {};
  }
  return lineAt(all, lineStart - 1, startOffset, endOffset);
}

QString ReadOnlyTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                                int* startOffset, int* endOffset) const {
  const QString all = wholeText();
  const int length = static_cast<int>(all.size());
  offset = resolveOffset(offset, cursorPosition(), length);
  if (!asksForLine(boundaryType)) {
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
  }
  const int lineEnd = lineAround(all, offset).second;
  if (lineEnd >= length) {
    setRange(startOffset, endOffset, length, length);
    return {};
  }
  return lineAt(all, lineEnd, startOffset, endOffset);
}

int ReadOnlyTextAccessible::resolveOffset(int offset, int caret, int length) {
  if (offset == -2) return caret;
  if (offset == -1) return length;
  return offset;
}

void ReadOnlyTextAccessible::setRange(int* start, int* end, int s, int e) {
  *start = s;
  *end = e;
}

bool ReadOnlyTextAccessible::isLine(QAccessible::TextBoundaryType type) {
  return type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary;
}

bool ReadOnlyTextAccessible::asksForLine(QAccessible::TextBoundaryType type) const {
  return isLine(type) || (type == QAccessible::NoBoundary && !multiLine_);
}

}  // namespace paarix
