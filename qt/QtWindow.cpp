#include "QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QShortcutEvent>
#include <QWindow>
#include <memory>

#include "InfoEdit.h"
#include "ListBox.h"
#include "SpielEdit.h"
#include "Statuszeile.h"
#include "Texte.h"

namespace paarix {

namespace {

QString qstring(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string u16string(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

QRect pixels(const Twips& t) {
  constexpr int k = kTwipsPerPixelAt96Dpi;
  return {t.left / k, t.top / k, t.width / k, t.height / k};
}

// The font by its name; where that is not installed, one of the same kind stands in.
QFont qfont(const FontSpec& spec) {
  QFont font(qstring(spec.family));
  font.setStyleHint(spec.monospaced ? QFont::TypeWriter : QFont::SansSerif);
  font.setPointSizeF(spec.points);
  font.setWeight(QFont::Normal);
  return font;
}

// What the player does with keyboard and mouse; the access keys arrive as Shortcut.
bool isInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu: return true;
    default: return false;
  }
}

}  // namespace

QtWindow::QtWindow(std::filesystem::path iniDatei, CuePlayer& cues, Zufallsquelle& zufall, QWidget* parent)
    // The interfaces are registered before the window exists: Qt keeps the first
    // interface it made for an object, the window's among them.
    : QWidget((installAccessibility(), parent)), paarix_(*this, std::move(iniDatei), cues, zufall) {
  createControls();
  wire();
  qApp->installEventFilter(this);
  paarix_.Form_Load();
}

QtWindow::~QtWindow() { qApp->removeEventFilter(this); }

void QtWindow::createControls() {
  setObjectName(QStringLiteral("Paarix"));
  setFont(qfont(kWindowFont));
  for (const Control c : kTabOrder) {
    QWidget* w = nullptr;
    switch (c) {
      case Control::CmdInfo:
      case Control::CmdNeu:
      case Control::CmdEnde: {
        auto* button = new QPushButton(qstring(texte::Caption(c)), this);  // "&" gives the access key
        button->setAutoDefault(true);                                      // Enter clicks the focused button
        w = button;
        break;
      }
      case Control::LstBrl:
      case Control::LstAnzahl: w = new ListBox(this); break;
      case Control::Spiel: w = spiel_ = new SpielEdit(this); break;
      case Control::Info: w = info_ = new InfoEdit(this); break;
    }
    w->setObjectName(QLatin1String(ControlName(c).data(), static_cast<qsizetype>(ControlName(c).size())));
    w->setGeometry(pixels(Place(c)));
    w->setFont(qfont(FontOf(c)));
    w->setFocusPolicy(Qt::StrongFocus);
    controls_[static_cast<size_t>(c)] = w;
  }
  info_->hide();
  // The status line below the controls' area: the window grows by its height.
  statuszeile_ = new Statuszeile(this);
  // How to play by ear, where a player who asks the screen reader for the status
  // line hears it. Not on the field: Orca shows the description of a field without
  // a name in front of it on the Braille line, and the field must start the line.
  statuszeile_->setAccessibleDescription(qstring(texte::SpielBeschreibung));
  const QRect area = pixels(kClientArea);
  statuszeile_->setGeometry(0, area.height(), area.width(), statuszeile_->sizeHint().height());
  setFixedSize(area.width(), area.height() + statuszeile_->height());
  for (size_t i = 0; i + 1 < kTabOrder.size(); ++i) setTabOrder(control(kTabOrder[i]), control(kTabOrder[i + 1]));
}

void QtWindow::wire() {
  auto button = [this](Control c) { return static_cast<QPushButton*>(control(c)); };
  connect(button(Control::CmdInfo), &QPushButton::clicked, this, [this] { paarix_.CmdInfo_Click(); });
  connect(button(Control::CmdNeu), &QPushButton::clicked, this, [this] { paarix_.CmdNeu_Click(); });
  connect(button(Control::CmdEnde), &QPushButton::clicked, this, [this] { paarix_.CmdEnde_Click(); });
  // The selection, not the current row: a click makes the row current before it selects it.
  connect(list(Control::LstAnzahl), &QListWidget::itemSelectionChanged, this, [this] { paarix_.LstAnzahl_Click(); });
  connect(list(Control::LstBrl), &ListBox::lostFocus, this, [this] { paarix_.LstBrl_LostFocus(); });
  connect(spiel_, &SpielEdit::clicked, this, [this] { paarix_.Spiel_Click(); });
  connect(spiel_, &SpielEdit::routing, this, [this](int pos) { paarix_.Spiel_Routing(static_cast<int16_t>(pos)); });
  connect(spiel_, &SpielEdit::doubleClicked, this, [this] { paarix_.Spiel_DblClick(); });
  connect(spiel_, &SpielEdit::keyPress, this, [this](char16_t code) { paarix_.Spiel_KeyPress(code); });
  connect(info_, &InfoEdit::keyPress, this, [this](char16_t code) { paarix_.Info_KeyPress(code); });
}

ListBox* QtWindow::list(Control list) const { return static_cast<ListBox*>(control(list)); }

// The window.

void QtWindow::setCaption(const std::u16string& caption) { setWindowTitle(qstring(caption)); }

void QtWindow::hideWindow() { hide(); }

void QtWindow::showWindow() {
  show();
  activateWindow();  // the keyboard comes back without a window manager's help
}

void QtWindow::repaintWindow() { QWidget::repaint(); }

void QtWindow::processPendingEvents() { QCoreApplication::processEvents(); }

void QtWindow::requestClose() { close(); }

void QtWindow::scheduleInputQueue() {
  QMetaObject::invokeMethod(
      this, [this] { paarix_.runInputQueue(); }, Qt::QueuedConnection);
}

// Every close, whatever its cause, asks the window logic, which saves the
// settings. While input waits the close waits in its queue, behind it.
void QtWindow::closeEvent(QCloseEvent* e) {
  if (paarix_.Form_QueryUnload()) {
    e->accept();
  } else {
    e->ignore();
  }
}

// The controls.

void QtWindow::setVisible(Control c, bool visible) { control(c)->setVisible(visible); }

bool QtWindow::isVisible(Control c) const { return control(c)->isVisibleTo(this); }

void QtWindow::setFocus(Control c) { control(c)->setFocus(Qt::OtherFocusReason); }

void QtWindow::addItem(Control l, const std::u16string& entry) { list(l)->addItem(qstring(entry)); }

int16_t QtWindow::selectedIndex(Control l) const { return static_cast<int16_t>(list(l)->selectedIndex()); }

void QtWindow::select(Control l, int16_t index) { list(l)->selectQuietly(index); }

std::u16string QtWindow::text(Control box) const {
  return u16string(box == Control::Info ? info_->toPlainText() : spiel_->text());
}

void QtWindow::setText(Control box, const std::u16string& text) {
  if (box == Control::Info) {
    info_->setPlainText(qstring(text));
  } else {
    spiel_->replaceText(qstring(text));
  }
}

int16_t QtWindow::caret() const { return static_cast<int16_t>(spiel_->cursorPosition()); }

void QtWindow::setCaret(int16_t position) { spiel_->setCursorPosition(position); }

void QtWindow::clearSelection() { spiel_->deselect(); }

void QtWindow::repaint(Control c) { control(c)->repaint(); }

// The status line.

void QtWindow::setStatus(const std::u16string& text) { statuszeile_->setText(qstring(text)); }

void QtWindow::setStatusVisible(bool visible) { statuszeile_->setTextVisible(visible); }

void QtWindow::announce(const std::u16string& text) { statuszeile_->announce(qstring(text)); }

QtWindowAccessible::QtWindowAccessible(QtWindow* window) : QAccessibleWidget(window, QAccessible::Window) {}

// Waiting for a cue, and the player's input meanwhile.

void QtWindow::waitForCue(CuePlayer::Completion& cue) {
  if (cue.done()) return;
  QEventLoop loop;
  // The cue quits the loop that waits for it and no other: a cue asked for while
  // this one is awaited waits in a loop of its own, which the end of this cue
  // must not quit, or this loop would turn on for ever.
  QPointer<QEventLoop> own(&loop);
  cue.onDone([own] {
    QMetaObject::invokeMethod(
        qApp,
        [own] {
          if (own) own->quit();
        },
        Qt::QueuedConnection);
  });
  // The player's input is delivered as it arrives, so that the event filter puts
  // it into the input queue in the order it came, among routing keys and closes.
  while (!cue.done()) loop.exec();
}

bool QtWindow::eventFilter(QObject* receiver, QEvent* event) {
  if (!isInput(event->type())) return false;
  const bool ours = (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == this) ||
                    (receiver->isWindowType() && static_cast<QWindow*>(receiver) == windowHandle());
  if (!ours) return false;
  if (!paarix_.inputWaits()) {
    // An access key clicks its button at once, not when a timer ends: the keys
    // after it would overtake the click.
    auto* button = qobject_cast<QPushButton*>(receiver);
    if (event->type() != QEvent::Shortcut || button == nullptr || static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
      return false;
    }
    button->click();
    return true;
  }
  if (event->type() == QEvent::MouseMove) return true;  // a later move carries the position anew
  std::shared_ptr<QEvent> copy(event->clone());
  QPointer<QObject> target(receiver);
  paarix_.handleInput([target, copy] {
    if (target) QCoreApplication::sendEvent(target, copy.get());
  });
  return true;
}

}  // namespace paarix
