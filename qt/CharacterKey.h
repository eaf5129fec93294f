#pragma once

#include <QKeyEvent>
#include <optional>

namespace paarix {

// The character a key press types, as the key handlers of Spiel and Info see it,
// the same as on Windows: letters, digits, punctuation and the space bar their
// code, Enter 13, Escape 27, Backspace 8, Control with a letter its control code
// (Control+Enter 10, Control+Backspace 127). Keys that type nothing give nothing:
// Delete (although X11 attaches the text "\x7f"), Tab, the arrows, Page Up and
// Down, Home, End, the function keys, and every key with Alt, which is an access
// key.
inline std::optional<char16_t> characterKey(const QKeyEvent& e) {
  const Qt::KeyboardModifiers mods = e.modifiers();
  if (mods & Qt::AltModifier) return std::nullopt;
  const bool control = mods & Qt::ControlModifier;
  switch (e.key()) {
    case Qt::Key_Escape: return u'\x1b';
    case Qt::Key_Space: return u' ';
    case Qt::Key_Return:
    case Qt::Key_Enter: return control ? u'\n' : u'\r';
    case Qt::Key_Backspace: return control ? u'\x7f' : u'\b';
    default: break;
  }
  if (control) {
    if (e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) return static_cast<char16_t>(e.key() - Qt::Key_A + 1);
    return std::nullopt;
  }
  const QString text = e.text();
  if (text.isEmpty() || text.at(0).category() == QChar::Other_Control) return std::nullopt;
  return text.at(0).unicode();
}

}  // namespace paarix
