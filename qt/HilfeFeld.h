#pragma once

#include <QPlainTextEdit>

namespace paarix {

// The help text `Info`: several read-only lines that a key closes.
class HilfeFeld : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit HilfeFeld(QWidget* parent = nullptr);

 signals:
  void Zeichentaste(char16_t code);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
};

}  // namespace paarix
