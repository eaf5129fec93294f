#pragma once

#include <QWidget>
#include <array>
#include <deque>
#include <filesystem>
#include <functional>

#include "Paarix.h"
#include "Toolkit.h"

namespace paarix {

class InfoEdit;
class ListBox;
class SpielEdit;

// The window Paarix in Qt Widgets: the seven controls placed as the layout gives
// them, each Qt signal wired to its handler of the window logic, and what only a
// toolkit does: painting, focus, screen readers, the close, and holding back the
// player's input while a handler runs.
//
// Input held back: while the window logic is busy (a handler waits for its cue in
// a local event loop that keeps painting and answering screen readers), key
// presses, clicks and access keys for this window wait, and so does a close; when
// the handlers are done they are delivered in the order they came.
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
  void handlersDone() override;

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
  Paarix paarix_;
  std::deque<std::function<void()>> held_;
  bool closeHeld_ = false;
  bool replaying_ = false;
};

}  // namespace paarix
