#pragma once

#include <QAccessibleWidget>
#include <QStatusBar>

class QLabel;

namespace paarix {

// The status line at the bottom of the window: a status bar holding one line of
// text, which a screen reader's status-bar command reads. It is none of the
// seven controls: it never takes the focus.
//
// It also carries the Ansagen: an accessible notification, shown and hidden at
// once with the text, which Orca speaks as it becomes showing, flashes on the
// Braille display and keeps in its list of notifications. Under a status bar
// Orca says the text alone, without the word "notification".
class Statuszeile : public QStatusBar {
  Q_OBJECT

 public:
  explicit Statuszeile(QWidget* parent = nullptr);

  QString text() const;
  void setText(const QString& text);
  // Hides or shows the text; the bar keeps its place, and the Ansagen keep working.
  void setTextVisible(bool visible);
  bool isTextVisible() const;
  // Says `text` through the screen reader, once. Returns at once: the screen
  // reader hears of it when the event loop next runs.
  void announce(const QString& text);
  QString lastAnsage() const;

 private:
  QLabel* text_ = nullptr;
  QWidget* ansage_ = nullptr;
  QLabel* ansageText_ = nullptr;
};

// The carrier of the Ansagen: its own class, so that the accessibility factory
// can tell it from other widgets.
class Ansage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
};

// What screen readers see of the Ansage: a notification without a name of its
// own; Orca reads its label.
class AnsageAccessible : public QAccessibleWidget {
 public:
  explicit AnsageAccessible(Ansage* ansage);
};

}  // namespace paarix
