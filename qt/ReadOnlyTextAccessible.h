#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>

namespace paarix {

// Read-only text as screen readers see it: Text, never EditableText. Qt's own
// interfaces for a read-only line edit and plain-text edit still offer
// EditableText, so an assistive client could write into them; the interfaces of
// Spiel and Info derive from this one instead.
class ReadOnlyTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  ReadOnlyTextAccessible(QWidget* widget, bool multiLine);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text t) const override;
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;
  // Lines end in '\n'. A single line (Spiel) is the whole text at every offset, the end included, as
  // a Braille display shows it; there no boundary at all means the line too. Words and characters are Qt's.
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;

 protected:
  virtual QString wholeText() const = 0;

  // Offset -2 stands for the caret and -1 for the end of the text.
  static int resolveOffset(int offset, int caret, int length);
  static void setRange(int* start, int* end, int s, int e);
  static bool isLine(QAccessible::TextBoundaryType type);

 private:
  // Whether a query with this boundary asks for a whole line.
  bool asksForLine(QAccessible::TextBoundaryType type) const;

  bool multiLine_;
};

// Registers the interfaces of Spiel and Info with Qt. Must run before the first
// of them exists: Qt keeps the interface it made first for an object. Calling it
// again does nothing.
void installAccessibility();

}  // namespace paarix
