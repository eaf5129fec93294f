#include "HilfeFeld.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include "Zeichentaste.h"

namespace paarix {

HilfeFeld::HilfeFeld(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  setTabChangesFocus(true);
  setAcceptDrops(false);
  setFocusPolicy(Qt::StrongFocus);
}

void HilfeFeld::keyPressEvent(QKeyEvent* e) {
  if (const auto code = Zeichencode(*e)) emit Zeichentaste(*code);
  QPlainTextEdit::keyPressEvent(e);
}

// Only the program writes this text: an input method may not compose into it.
void HilfeFeld::inputMethodEvent(QInputMethodEvent* e) { e->ignore(); }

}  // namespace paarix
