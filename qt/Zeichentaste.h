#pragma once

#include <QKeyEvent>
#include <optional>

namespace paarix {

// The character code a key press produces, as the game's key handlers see it:
// Escape is 27, the space bar 32, a letter its code. Keys that produce no
// character (arrows, Home, End, Tab, function keys) give nothing.
inline std::optional<char16_t> Zeichencode(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Escape: return u'\x1b';
    case Qt::Key_Space: return u' ';
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return std::nullopt;
    default: break;
  }
  // Alt with a key is an access key, not a character. Control with a letter
  // gives the letter's control code, whatever text the platform attaches.
  if (e.modifiers() & Qt::AltModifier) return std::nullopt;
  if ((e.modifiers() & Qt::ControlModifier) && e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) {
    return static_cast<char16_t>(e.key() - Qt::Key_A + 1);
  }
  const QString text = e.text();
  if (text.isEmpty()) return std::nullopt;
  return text.at(0).unicode();
}

}  // namespace paarix
