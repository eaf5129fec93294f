#pragma once

#include <QListWidget>

namespace paarix {

// A single-selection list box: LstBrl and LstAnzahl. Once an entry is selected,
// one always is: Ctrl+Space or Ctrl+click on the selected entry (or a screen
// reader) cannot take the selection away, as in a Windows list box.
class ListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent = nullptr);

  // The selected entry, -1 when nothing is selected.
  int selectedIndex() const;
  // Selects an entry for the program: no selection signal.
  void selectQuietly(int index);

 signals:
  // The focus moved from this list to another control of the same window. The
  // window losing activation (another program, a screen reader's own menu) and
  // popups are no such move.
  void lostFocus();

 protected:
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void reportEntry();
};

}  // namespace paarix
