#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>

namespace paarix {

class HilfeFeld;
class SpielFeld;

// Read-only text as screen readers see it: Text, never EditableText.
class ReadOnlyTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  ReadOnlyTextAccessible(QWidget* widget, bool multiLine);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text t) const override;
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 protected:
  virtual QString wholeText() const = 0;

 private:
  bool multiLine_;
};

// What screen readers see of the two text boxes. Qt's own interfaces for a
// read-only line edit and plain-text edit still offer EditableText, so an
// assistive client could write into them; these offer Text alone.
//
// The playing field, besides: a caret placement that arrives through this
// interface is a Braille routing key and activates that cell, exactly like a
// click, also on the cell where the caret already stands. Screen readers place
// the caret in two ways: Orca calls setCursorPosition (AT-SPI setCaretOffset),
// NVDA sets an empty selection at the cell (UI Automation Select).
class FieldAccessible : public ReadOnlyTextAccessible {
 public:
  explicit FieldAccessible(SpielFeld* feld);

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;

 private:
  QString wholeText() const override;
  SpielFeld* feld() const;
  void routing(int position);
};

// The help text `Info`, read line by line: a line runs from its first
// character up to and including its line break, so stepping from one line's
// end offset to the next walks through all of them.
class HelpTextAccessible : public ReadOnlyTextAccessible {
 public:
  explicit HelpTextAccessible(HilfeFeld* hilfe);

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;

 private:
  QString wholeText() const override;
  HilfeFeld* hilfe() const;
};

// Registers the interfaces above with Qt. Must run before the first field or
// help box exists: Qt keeps the interface it made first for an object.
// Calling it again does nothing.
void installAccessibility();

}  // namespace paarix
