#pragma once

#include <QLineEdit>
#include <optional>

namespace paarix {

// The playing field `Spiel`: one line of text that only the program changes.
// The player moves the caret along it and activates the card under the caret.
// Unlike a plain read-only line edit it draws its caret, keeps the caret on its
// cell when the program replaces the text, and does not select everything when
// the focus arrives by Tab.
class SpielFeld : public QLineEdit {
  Q_OBJECT

 public:
  explicit SpielFeld(QWidget* parent = nullptr);

  // Replaces the whole text; the caret stays on the cell it stood on, clamped
  // to the new length.
  void TextErsetzen(const QString& text);

  // A Braille routing key at caret position `pos`, as the screen reader's
  // caret placement delivers it: raises Routingtaste.
  void RoutingMelden(int pos);
  // The caret as screen readers are told it. While TextErsetzen runs, the line
  // edit puts its caret at the end of the new text for a moment; screen readers
  // keep hearing the cell the caret returns to.
  int GemeldeterCaret() const;
  // The rectangle of the character at `pos`, in the field's coordinates; empty
  // when there is none.
  QRect Zellenrechteck(int pos) const;

 signals:
  // A click: the caret has been placed at the clicked cell.
  void Geklickt();
  void DoppelGeklickt();
  // A Braille routing key at caret position `pos`: one activation of that cell.
  // The caret has not moved yet.
  void Routingtaste(int pos);
  // A key that produces a character, before the field itself sees it.
  void Zeichentaste(char16_t code);

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
  void CaretMelden();

  bool klickBegonnen_ = false;
  std::optional<int> ersetzterCaret_;
};

}  // namespace paarix
