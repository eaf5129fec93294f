#pragma once

#include <QAccessibleWidget>
#include <QWidget>
#include <array>
#include <filesystem>

#include "Paarix.h"
#include "Toolkit.h"

namespace paarix {

class InfoEdit;
class ListBox;
class SpielEdit;
class Statuszeile;

// The window Paarix in Qt Widgets: the seven controls placed as the layout gives
// them, each Qt signal wired to its handler of the window logic, and what only a
// toolkit does: painting, focus, screen readers and the close.
//
// The player's input while input waits (a handler waits for its cue in a local
// event loop that keeps painting and answering screen readers): key presses,
// clicks and access keys for this window are copied into the window logic's input
// queue as they arrive, and sent again when their turn comes.
class QtWindow final : public QWidget, public Toolkit {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load; show() the window afterwards.
  QtWindow(std::filesystem::path iniDatei, CuePlayer& cues, Zufallsquelle& zufall, QWidget* parent = nullptr);
  ~QtWindow() override;

  Paarix& paarix() { return paarix_; }
  QWidget* control(Control c) const { return controls_[static_cast<size_t>(c)]; }

  // Toolkit
  void setCaption(const std::u16string& caption) override;
  void hideWindow() override;
  void showWindow() override;
  void repaintWindow() override;
  void processPendingEvents() override;
  void requestClose() override;
  void scheduleInputQueue() override;
  void setVisible(Control control, bool visible) override;
  bool isVisible(Control control) const override;
  void setFocus(Control control) override;
  void addItem(Control list, const std::u16string& entry) override;
  int16_t selectedIndex(Control list) const override;
  void select(Control list, int16_t index) override;
  std::u16string text(Control box) const override;
  void setText(Control box, const std::u16string& text) override;
  int16_t caret() const override;
  void setCaret(int16_t position) override;
  void clearSelection() override;
  void repaint(Control control) override;
  void waitForCue(CuePlayer::Completion& cue) override;
  void setStatus(const std::u16string& text) override;
  void setStatusVisible(bool visible) override;
  void announce(const std::u16string& text) override;

  Statuszeile* statuszeile() const { return statuszeile_; }

  using QWidget::isVisible;
  using QWidget::repaint;
  using QWidget::setFocus;
  using QWidget::setVisible;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  void createControls();
  void wire();
  ListBox* list(Control list) const;

  std::array<QWidget*, 7> controls_{};
  SpielEdit* spiel_ = nullptr;
  InfoEdit* info_ = nullptr;
  Statuszeile* statuszeile_ = nullptr;
  Paarix paarix_;
};

// What screen readers see of the window: a frame, in which a screen reader's
// status-bar command looks for the status line (a plain container has none).
// Screen readers keep an object's role once they asked for it, and Qt cannot
// tell them of a new one: the role stays the same in every view. So the Braille
// line's context, left of the field and off the display, names the window as a
// frame, in the full-field view too.
class QtWindowAccessible : public QAccessibleWidget {
 public:
  explicit QtWindowAccessible(QtWindow* window);
};

}  // namespace paarix
