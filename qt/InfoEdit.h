#pragma once

#include <QPlainTextEdit>

#include "ReadOnlyTextAccessible.h"

namespace paarix {

// The help text Info: several read-only lines that a character key closes.
class InfoEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit InfoEdit(QWidget* parent = nullptr);

 signals:
  // A key that types a character (see characterKey), before the text sees it.
  void keyPress(char16_t code);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
};

// What screen readers see of Info: the help text, read line by line. A line runs
// from its first character up to and including its line break, so stepping from
// one line's end offset to the next walks through all of them.
class InfoAccessible : public ReadOnlyTextAccessible {
 public:
  explicit InfoAccessible(InfoEdit* info);

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
  InfoEdit* info() const;
};

}  // namespace paarix
