#pragma once

#include <QLineEdit>

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

 signals:
  // A click: the caret has been placed at the clicked cell.
  void Geklickt();
  void DoppelGeklickt();
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
  bool klickBegonnen_ = false;
};

}  // namespace paarix
