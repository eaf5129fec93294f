#include "ReadOnlyTextAccessible.h"

#include <algorithm>

#include "InfoEdit.h"
#include "SpielEdit.h"

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

QString ReadOnlyTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  setRange(startOffset, endOffset, offset, offset);
  return {};
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

}  // namespace paarix
