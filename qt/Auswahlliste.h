#pragma once

#include <QListWidget>

namespace paarix {

// A single-selection list box (`LstBrl`, `LstAnzahl`).
class Auswahlliste : public QListWidget {
  Q_OBJECT

 public:
  explicit Auswahlliste(QWidget* parent = nullptr);

  // The selected entry, -1 when nothing is selected.
  int AuswahlIndex() const;

 signals:
  // The focus moved from this list to another control of the same window.
  // The window losing activation (another program, a screen reader's own menu)
  // and popups are no such move.
  void FokusAbgegeben();

 protected:
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void EintragMelden();
};

}  // namespace paarix
