#pragma once

#include <cstdint>
#include <string>

namespace paarix {

// What the game needs of the main window. The field text is held by the field
// control `Spiel` alone: the game reads it back at every activation and always
// replaces it whole.
class Fenster {
 public:
  virtual ~Fenster() = default;

  virtual std::u16string SpielLesen() const = 0;
  virtual void SpielSchreiben(const std::u16string& text) = 0;
  // Caret position in `Spiel`, 0-based: the number of characters before the caret.
  virtual int16_t CaretPos() const = 0;
  virtual void SelLaengeNull() = 0;
  // Repaint `Spiel` at once, before a cue blocks the game.
  virtual void SpielZeichnen() = 0;
  virtual void FokusSpiel() = 0;
  virtual void FokusCmdNeu() = 0;
  // Selected index of the two lists, -1 when nothing is selected.
  virtual int16_t LstBrlIndex() const = 0;
  virtual int16_t LstAnzahlIndex() const = 0;
};

}  // namespace paarix
