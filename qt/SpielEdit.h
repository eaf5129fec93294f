#pragma once

#include <QLineEdit>
#include <optional>

#include "ReadOnlyTextAccessible.h"

namespace paarix {

// The playing field Spiel: one line of text that only the program changes. The
// player moves the caret along it and activates the card under the caret.
// Unlike a plain read-only line edit it draws its caret, keeps the caret on its
// cell when the program replaces the text, and does not select everything when
// the focus arrives by Tab.
class SpielEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit SpielEdit(QWidget* parent = nullptr);

  // Replaces the whole text; the caret stays on the cell it stood on, or goes to
  // the end of a shorter text.
  void replaceText(const QString& text);
  // The caret as screen readers are told it. While replaceText runs, the line
  // edit puts its caret at the end of the new text for a moment; screen readers
  // keep hearing the cell the caret returns to.
  int reportedCaret() const;
  // The rectangle of the character at `pos`, in the field's coordinates; empty
  // when there is none.
  QRect cellRect(int pos) const;

 signals:
  // A click: the caret has been placed on the clicked cell.
  void clicked();
  void doubleClicked();
  // A Braille routing key on caret position `pos`, emitted inside the screen
  // reader's call; the caret has not moved yet.
  void routing(int pos);
  // A key that types a character (see characterKey), before the field sees it.
  void keyPress(char16_t code);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void reportCaret();

  bool pressed_ = false;
  std::optional<int> caretDuringReplace_;
};

// What screen readers see of Spiel, and a routing key: a caret placement that
// arrives through this interface activates that cell, exactly like a click, also
// on the cell where the caret already stands. Screen readers place the caret in
// two ways: Orca calls setCursorPosition (AT-SPI setCaretOffset), NVDA sets an
// empty selection at the cell (UI Automation Select).
class SpielAccessible : public ReadOnlyTextAccessible {
 public:
  explicit SpielAccessible(SpielEdit* spiel);

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;

 private:
  QString wholeText() const override;
  SpielEdit* spiel() const;
  void route(int position);
};

}  // namespace paarix
