// A seeded soak of the real window: random user events, offscreen, with cues that
// take no time, and the game's invariants checked after every single event.
//
//   PAARIX_SOAK_SEED    seed of the run (decimal or 0x...; default 1)
//   PAARIX_SOAK_EVENTS  number of events (default 100000)
//   PAARIX_SOAK_TRACE   1: print every event as it is sent
//
// A failure prints the seed, the number of the failing event and the events that led
// to it; the same seed and count replay the run exactly.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <cinttypes>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>

#include "EventGate.h"
#include "Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

struct SoakSettings {
  uint64_t seed = 1;
  long events = 100000;
  bool trace = false;
};

SoakSettings SettingsFromEnvironment() {
  SoakSettings s;
  if (const char* seed = std::getenv("PAARIX_SOAK_SEED"); seed != nullptr && *seed != '\0') {
    s.seed = std::strtoull(seed, nullptr, 0);
  }
  if (const char* events = std::getenv("PAARIX_SOAK_EVENTS"); events != nullptr && *events != '\0') {
    s.events = std::strtol(events, nullptr, 10);
  }
  if (const char* trace = std::getenv("PAARIX_SOAK_TRACE")) s.trace = std::string(trace) == "1";
  return s;
}

std::string Str(const QString& text) { return text.toStdString(); }

std::string Str(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

// The checks that must hold after every event. Each returns an empty string when
// everything is in order, otherwise what is wrong.
class Invariants {
 public:
  explicit Invariants(Spieltisch& t) : t_(t) {}

  std::string Check(bool dealtBefore) const {
    std::ostringstream out;
    Zustand(out, dealtBefore);
    Field(out);
    View(out);
    Focus(out);
    if (t_.fenster->Gate().busy() || t_.fenster->Gate().waiting() != 0) {
      out << "a handler is still running or waiting (" << t_.fenster->Gate().waiting() << " waiting)\n";
    }
    return out.str();
  }

 private:
  void Zustand(std::ostream& out, bool dealtBefore) const {
    const Spielzustand& z = t_.fenster->Zustand();
    if (z.Kartenzahl != 12 && z.Kartenzahl != 32 && z.Kartenzahl != 52) out << "Kartenzahl " << z.Kartenzahl << "\n";
    if (z.Spielerzahl < 1 || z.Spielerzahl > 4) out << "Spielerzahl " << z.Spielerzahl << "\n";
    if (z.AktSpieler < 1 || z.AktSpieler > 4) out << "AktSpieler " << z.AktSpieler << "\n";
    if (!(z.Zug == 0 || z.Zug == 1 || z.Zug == 2 || z.Zug >= 14)) out << "Zug " << z.Zug << "\n";

    if (z.Loesung.empty()) {
      if (dealtBefore) out << "Loesung is empty after a deal\n";
      return;
    }
    if (z.Loesung.size() != static_cast<size_t>(z.Kartenzahl)) {
      out << "Loesung has " << z.Loesung.size() << " letters for " << z.Kartenzahl << " cards\n";
      return;
    }
    std::array<int, 128> count{};
    for (char16_t c : z.Loesung) {
      if (c < u'a' || c >= u'a' + z.Kartenzahl / 2) {
        out << "Loesung holds '" << Str(std::u16string(1, c)) << "'\n";
        return;
      }
      ++count[c];
    }
    for (int c = 'a'; c < 'a' + z.Kartenzahl / 2; ++c) {
      if (count[static_cast<size_t>(c)] != 2) out << "Loesung holds '" << char(c) << "' " << count[static_cast<size_t>(c)] << " times\n";
    }
  }

  void Field(std::ostream& out) const {
    const Spielzustand& z = t_.fenster->Zustand();
    const QString feld = t_.Feld();
    const auto k = static_cast<qsizetype>(z.Kartenzahl);
    const auto s = static_cast<qsizetype>(std::clamp<int16_t>(z.Spielerzahl, 0, 4));
    auto scoreCellOk = [&](QChar c, qsizetype spieler) {
      const auto& zeichen = z.PunktZeichen[static_cast<size_t>(spieler)];
      return c == u'-' || (zeichen.size() == 1 && c.unicode() == zeichen[0] && c.unicode() >= u'a');
    };

    const QString schluss = QStringLiteral("Spielschluss  ");
    const bool gameOverText = feld.startsWith(schluss);
    if (z.Zug >= 14) {
      if (!gameOverText || feld.size() != schluss.size() + s) {
        out << "Zug " << z.Zug << " but the field is \"" << Str(feld) << "\"\n";
        return;
      }
      for (qsizetype i = 0; i < s; ++i) {
        if (!scoreCellOk(feld[schluss.size() + i], i)) out << "score cell " << i << " of \"" << Str(feld) << "\"\n";
      }
      return;
    }
    if (feld.size() != k + 2 + s) {
      out << "field \"" << Str(feld) << "\" has " << feld.size() << " characters for " << k << " cards and " << s
          << " players\n";
      return;
    }
    if (feld.mid(k, 2) != QStringLiteral("  ")) out << "no two blanks after the cards in \"" << Str(feld) << "\"\n";
    for (qsizetype i = 0; i < s; ++i) {
      if (!scoreCellOk(feld[k + 2 + i], i)) out << "score cell " << i << " of \"" << Str(feld) << "\"\n";
    }

    // Card cells: face down, matched, or showing the dealt letter. As many face up
    // as the turn phase says, at the turn's positions; matched cards in pairs.
    int faceUp = 0;
    for (qsizetype i = 0; i < k; ++i) {
      const char16_t c = feld[i].unicode();
      if (c == u'.') continue;
      const bool dealt = static_cast<qsizetype>(z.Loesung.size()) == k;
      if (!dealt) {
        out << "card cell " << i << " is '" << Str(QString(feld[i])) << "' before any deal\n";
        continue;
      }
      const char16_t letter = z.Loesung[static_cast<size_t>(i)];
      if (c == u'-') {
        bool paarVoll = false;
        for (qsizetype j = 0; j < k; ++j) {
          if (j != i && z.Loesung[static_cast<size_t>(j)] == letter) paarVoll = feld[j] == u'-';
        }
        if (!paarVoll) out << "cell " << i << " matched without its pair\n";
        continue;
      }
      if (c != letter) {
        out << "card cell " << i << " shows '" << Str(QString(feld[i])) << "', dealt is '" << Str(std::u16string(1, letter))
            << "'\n";
        continue;
      }
      ++faceUp;
      if (i + 1 != z.Pos1 && i + 1 != z.Pos2) out << "card cell " << i << " is face up outside the turn\n";
    }
    if (z.Zug <= 2 && faceUp != z.Zug) out << faceUp << " cards face up in turn phase " << z.Zug << "\n";
  }

  // Exactly one of the three views: which controls show, and the caption.
  void View(std::ostream& out) const {
    if (!t_.fenster->isVisible()) {
      out << "the window is not visible\n";
      return;
    }
    auto shown = [&](const char* name) { return t_.Control<QWidget>(name)->isVisible(); };
    const bool sechs = shown("CmdInfo") && shown("LstBrl") && shown("LstAnzahl") && shown("Spiel") &&
                       shown("CmdNeu") && shown("CmdEnde");
    const bool keiner = !shown("CmdInfo") && !shown("LstBrl") && !shown("LstAnzahl") && !shown("CmdNeu") &&
                        !shown("CmdEnde");
    const bool normal = sechs && !shown("Info") && t_.fenster->windowTitle() == texte::Titel();
    const bool hilfe = keiner && !shown("Spiel") && shown("Info") && t_.fenster->windowTitle() == texte::Titel();
    const bool vollbild = keiner && shown("Spiel") && !shown("Info") && t_.fenster->windowTitle().isEmpty();
    if (int{normal} + int{hilfe} + int{vollbild} != 1) {
      out << "no single view: controls";
      for (const char* name : {"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "Info"}) {
        out << " " << name << (shown(name) ? "+" : "-");
      }
      out << ", caption \"" << Str(t_.fenster->windowTitle()) << "\"\n";
      return;
    }
    const Ansicht erwartet = normal ? Ansicht::Normal : hilfe ? Ansicht::Hilfe : Ansicht::Vollbild;
    if (t_.fenster->AktuelleAnsicht() != erwartet) out << "AktuelleAnsicht disagrees with the controls\n";
  }

  void Focus(std::ostream& out) const {
    if (QApplication::activeWindow() != t_.fenster.get()) {
      out << "the window is not active after reactivation\n";
      return;
    }
    QWidget* fokus = QApplication::focusWidget();
    static const QStringList kControls{"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "Info"};
    if (fokus == nullptr) {
      out << "nothing has the focus\n";
    } else if (fokus->window() != t_.fenster.get() || !kControls.contains(fokus->objectName())) {
      out << "the focus is on \"" << Str(fokus->objectName()) << "\" (" << fokus->metaObject()->className() << ")\n";
    } else if (!fokus->isVisible()) {
      out << "the focus is on the hidden control " << Str(fokus->objectName()) << "\n";
    }
  }

  Spieltisch& t_;
};

// Sends random user events to the window: the keyboard and the mouse through the
// window's platform window, as a real keyboard and mouse would, and caret
// placements through the field's accessibility interface, as a screen reader
// would. Skips the quit button and its access key.
class SoakDriver {
 public:
  SoakDriver(Spieltisch& t, uint64_t seed) : t_(t), rng_(seed) {}

  // Sends one event and returns what it was.
  std::string Next() {
    // Stretches of a few hundred events in which the player mostly plays, so that
    // games get finished and points pile up across restarts; in between the
    // player roams the whole window.
    if (--modusRest_ <= 0) {
      spielt_ = Chance(35);
      modusRest_ = 100 + Below(400);
    }
    if (spielt_ && Chance(80)) return Play();
    const int roll = Below(1000);
    if (roll < 560) return Key();
    if (roll < 655) return FieldClick(false);
    if (roll < 695) return FieldClick(true);
    if (roll < 700) return ContextMenu();
    if (roll < 760) return ListClick();
    if (roll < 840) return AccessibleCaret();
    if (roll < 870) return ButtonClick();
    if (roll < 950) return Burst();
    if (roll < 975) return SwitchWindows();
    return AccessibleRead();
  }

 private:
  int Below(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  QWindow* Window() const { return t_.fenster->windowHandle(); }
  QString FocusName() const {
    QWidget* fokus = QApplication::focusWidget();
    return fokus != nullptr ? fokus->objectName() : QString();
  }
  bool Visible(const char* name) const { return t_.Control<QWidget>(name)->isVisible(); }

  // A cell position for a click or a caret placement. Half of them are those of a
  // player who remembers every card: the partner of the card face up, or a card
  // still face down. The rest fall anywhere, the blanks and score cells and the
  // end of the text included.
  int Position() {
    const Spielzustand& z = t_.fenster->Zustand();
    const QString feld = t_.Feld();
    if (Chance(50) && z.Zug < 14 && static_cast<qsizetype>(z.Loesung.size()) == z.Kartenzahl &&
        feld.size() > z.Kartenzahl) {
      if (z.Zug == 1 && z.Pos1 >= 1 && Chance(80)) {
        const char16_t letter = z.Loesung[static_cast<size_t>(z.Pos1 - 1)];
        for (int i = 0; i < z.Kartenzahl; ++i) {
          if (i != z.Pos1 - 1 && z.Loesung[static_cast<size_t>(i)] == letter && feld[i] == u'.') return i;
        }
      }
      std::vector<int> verdeckt;
      for (int i = 0; i < z.Kartenzahl; ++i) {
        if (feld[i] == u'.') verdeckt.push_back(i);
      }
      if (!verdeckt.empty()) return verdeckt[static_cast<size_t>(Below(static_cast<int>(verdeckt.size())))];
    }
    return Below(static_cast<int>(feld.size()) + 3) - 1;  // -1 and one past the end included
  }

  // A point inside the field where a click places the caret at `pos`; the
  // line edit's own hit test is monotonic in x.
  QPoint CellPoint(int pos) const {
    SpielFeld* feld = t_.Spiel();
    const int y = feld->height() / 2;
    int lo = 0;
    int hi = feld->width() - 1;
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (feld->cursorPositionAt(QPoint(mid, y)) >= pos) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return {std::min(lo + 1, feld->width() - 1), y};
  }

  struct KeyChoice {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* name;
  };

  KeyChoice RandomKey() {
    static const std::vector<std::pair<int, KeyChoice>> kKeys{
        {80, {Qt::Key_Tab, Qt::NoModifier, "Tab"}},
        {60, {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab"}},
        {60, {Qt::Key_Left, Qt::NoModifier, "Left"}},
        {80, {Qt::Key_Right, Qt::NoModifier, "Right"}},
        {30, {Qt::Key_Up, Qt::NoModifier, "Up"}},
        {30, {Qt::Key_Down, Qt::NoModifier, "Down"}},
        {20, {Qt::Key_Home, Qt::NoModifier, "Home"}},
        {20, {Qt::Key_End, Qt::NoModifier, "End"}},
        {10, {Qt::Key_PageUp, Qt::NoModifier, "PageUp"}},
        {10, {Qt::Key_PageDown, Qt::NoModifier, "PageDown"}},
        {130, {Qt::Key_Space, Qt::NoModifier, "Space"}},
        {30, {Qt::Key_V, Qt::NoModifier, "v"}},
        {10, {Qt::Key_V, Qt::ShiftModifier, "V"}},
        {30, {Qt::Key_Escape, Qt::NoModifier, "Escape"}},
        {30, {Qt::Key_Return, Qt::NoModifier, "Return"}},
        {10, {Qt::Key_Enter, Qt::KeypadModifier, "Enter (keypad)"}},
        {20, {Qt::Key_Backspace, Qt::NoModifier, "Backspace"}},
        {20, {Qt::Key_Delete, Qt::NoModifier, "Delete"}},
        {10, {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"}},
        {5, {Qt::Key_Insert, Qt::ShiftModifier, "Shift+Insert"}},
        {10, {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"}},
        {5, {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"}},
        {5, {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Z"}},
        {5, {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"}},
        {5, {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"}},
        {5, {Qt::Key_Space, Qt::ControlModifier, "Ctrl+Space"}},
        {1, {Qt::Key_N, Qt::AltModifier, "Alt+N"}},
        {1, {Qt::Key_F10, Qt::ShiftModifier, "Shift+F10"}},
        {1, {Qt::Key_Menu, Qt::NoModifier, "Menu"}},
    };
    static const int kTotal = [] {
      int sum = 0;
      for (const auto& [weight, key] : kKeys) sum += weight;
      return sum;
    }();
    // Letters and digits: about one key in ten.
    if (Chance(10)) {
      if (Chance(75)) {
        const int i = Below(26);
        return {static_cast<Qt::Key>(Qt::Key_A + i), Chance(20) ? Qt::ShiftModifier : Qt::NoModifier, nullptr};
      }
      return {static_cast<Qt::Key>(Qt::Key_0 + Below(10)), Qt::NoModifier, nullptr};
    }
    int roll = Below(kTotal);
    for (const auto& [weight, key] : kKeys) {
      if (roll < weight) return key;
      roll -= weight;
    }
    return kKeys.front().second;
  }

  static QString KeyText(const KeyChoice& k) {
    if (k.key >= Qt::Key_A && k.key <= Qt::Key_Z && !(k.mods & (Qt::ControlModifier | Qt::AltModifier))) {
      const QChar c(u'a' + (k.key - Qt::Key_A));
      return (k.mods & Qt::ShiftModifier) ? c.toUpper() : c;
    }
    if (k.key >= Qt::Key_0 && k.key <= Qt::Key_9 && k.mods == Qt::NoModifier) return QChar(u'0' + (k.key - Qt::Key_0));
    if (k.key == Qt::Key_Space && !(k.mods & Qt::ControlModifier)) return QStringLiteral(" ");
    if (k.key == Qt::Key_Escape) return QStringLiteral("\x1b");
    if (k.key == Qt::Key_Return || k.key == Qt::Key_Enter) return QStringLiteral("\r");
    if (k.key == Qt::Key_Backspace) return QStringLiteral("\b");
    if (k.key == Qt::Key_Delete) return QStringLiteral("\x7f");
    if (k.key == Qt::Key_Tab) return QStringLiteral("\t");
    if ((k.mods & Qt::ControlModifier) && k.key >= Qt::Key_A && k.key <= Qt::Key_Z) {
      return QChar(static_cast<char16_t>(k.key - Qt::Key_A + 1));
    }
    return {};
  }

  static std::string KeyName(const KeyChoice& k) {
    if (k.name != nullptr) return k.name;
    return "'" + Str(KeyText(k)) + "'";
  }

  // Enter and the space bar click the focused button: not on the quit button.
  bool ClicksQuit(const KeyChoice& k) const {
    if (FocusName() != QStringLiteral("CmdEnde")) return false;
    return k.key == Qt::Key_Space || k.key == Qt::Key_Return || k.key == Qt::Key_Enter;
  }

  std::string Key() {
    KeyChoice k = RandomKey();
    while (ClicksQuit(k)) k = RandomKey();
    const QString text = KeyText(k);
    QTest::sendKeyEvent(QTest::Press, Window(), k.key, text, k.mods);
    QTest::sendKeyEvent(QTest::Release, Window(), k.key, text, k.mods);
    // An access key shows its button pressed for a moment and clicks it when a
    // timer ends. Waiting for that keeps the run independent of the clock.
    QPushButton* neu = t_.Button("CmdNeu");
    if (neu->isDown() && !QTest::qWaitFor([neu] { return !neu->isDown(); }, 2000)) {
      ADD_FAILURE() << "the new-game button stays pressed";
    }
    return "key " + KeyName(k) + " in " + Str(FocusNameBefore());
  }

  QString FocusNameBefore() const { return lastFocus_; }

  std::string FieldClick(bool doppelt) {
    if (!Visible("Spiel")) return Key();
    const int pos = Position();
    const QPoint p = t_.Spiel()->mapTo(t_.fenster.get(), CellPoint(pos));
    if (doppelt) {
      QTest::mouseDClick(Window(), Qt::LeftButton, {}, p);
    } else {
      QTest::mouseClick(Window(), Qt::LeftButton, {}, p);
    }
    return std::string(doppelt ? "double click" : "click") + " in the field at cell " + std::to_string(pos);
  }

  std::string ListClick() {
    if (!Visible("LstBrl")) return Key();
    const bool brl = Chance(50);
    QListWidget* liste = brl ? t_.LstBrl() : t_.LstAnzahl();
    const int row = Below(liste->count());
    const Qt::KeyboardModifiers mods = Chance(10) ? Qt::ControlModifier : Qt::NoModifier;
    QRect r = liste->visualItemRect(liste->item(row));
    // An entry scrolled out of the list's view: the player scrolls, as the wheel would.
    if (!liste->viewport()->rect().contains(r.center())) {
      liste->scrollToItem(liste->item(row));
      r = liste->visualItemRect(liste->item(row));
    }
    const QPoint p = liste->viewport()->mapTo(t_.fenster.get(), r.center());
    QTest::mouseClick(Window(), Qt::LeftButton, mods, p);
    return std::string(mods ? "ctrl+" : "") + "click on entry " + std::to_string(row) + " of " +
           (brl ? "LstBrl" : "LstAnzahl");
  }

  std::string ButtonClick() {
    if (!Visible("CmdInfo")) return Key();
    const char* name = Chance(50) ? "CmdInfo" : "CmdNeu";
    QPushButton* button = t_.Button(name);
    QTest::mouseClick(Window(), Qt::LeftButton, {}, button->mapTo(t_.fenster.get(), button->rect().center()));
    return std::string("click on ") + name;
  }

  QAccessibleTextInterface* FieldText() const {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(t_.Spiel());
    return iface != nullptr ? iface->textInterface() : nullptr;
  }

  // A Braille routing key: the screen reader places the caret through the field's
  // accessibility interface, as a position or as an empty selection.
  std::string AccessibleCaret() {
    QAccessibleTextInterface* text = FieldText();
    if (text == nullptr) return Key();
    const int pos = Position();
    if (Chance(70)) {
      text->setCursorPosition(pos);
      return "accessible caret to " + std::to_string(pos);
    }
    text->setSelection(0, pos, pos);
    return "accessible empty selection at " + std::to_string(pos);
  }

  // What a screen reader asks for after an update: the text and the caret.
  std::string AccessibleRead() {
    QAccessibleTextInterface* text = FieldText();
    if (text == nullptr) return Key();
    const int caret = text->cursorPosition();
    const QString inhalt = text->text(0, text->characterCount());
    if (inhalt != t_.Feld()) ADD_FAILURE() << "the accessible text differs from the field";
    return "accessible read, caret " + std::to_string(caret);
  }

  // Several keys and caret placements that arrive while the first of them is still
  // being handled (a fast typist, key repeat, a screen reader acting during a cue):
  // they are queued behind it and handled in order.
  std::string Burst() {
    if (FocusName() == QStringLiteral("CmdEnde")) return Key();
    static const KeyChoice kBurstKeys[] = {
        {Qt::Key_Space, Qt::NoModifier, "Space"},   {Qt::Key_Space, Qt::NoModifier, "Space"},
        {Qt::Key_Right, Qt::NoModifier, "Right"},   {Qt::Key_Left, Qt::NoModifier, "Left"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},     {Qt::Key_End, Qt::NoModifier, "End"},
        {Qt::Key_V, Qt::NoModifier, "v"},           {Qt::Key_Escape, Qt::NoModifier, "Escape"},
        {Qt::Key_X, Qt::NoModifier, "x"},           {Qt::Key_7, Qt::NoModifier, "7"},
    };
    std::string was = "burst:";
    const int n = 2 + Below(5);
    for (int i = 0; i < n; ++i) {
      if (Chance(25)) {
        const int pos = Position();
        QPointer<SpielFeld> feld(t_.Spiel());
        QMetaObject::invokeMethod(
            feld,
            [this, pos] {
              if (QAccessibleTextInterface* text = FieldText()) text->setCursorPosition(pos);
            },
            Qt::QueuedConnection);
        was += " caret " + std::to_string(pos);
        continue;
      }
      const KeyChoice& k = kBurstKeys[Below(static_cast<int>(std::size(kBurstKeys)))];
      const QString text = KeyText(k);
      QCoreApplication::postEvent(Window(), new QKeyEvent(QEvent::KeyPress, k.key, k.mods, text));
      QCoreApplication::postEvent(Window(), new QKeyEvent(QEvent::KeyRelease, k.key, k.mods, text));
      was += " " + KeyName(k);
    }
    QCoreApplication::processEvents();
    return was;
  }

  // Playing: turning cards with the space bar, a click or a routing key, and
  // moving along the field.
  std::string Play() {
    const int roll = Below(100);
    if (roll < 35) return FieldClick(false);
    if (roll < 60) return AccessibleCaret();
    static const KeyChoice kPlayKeys[] = {
        {Qt::Key_Space, Qt::NoModifier, "Space"}, {Qt::Key_Space, Qt::NoModifier, "Space"},
        {Qt::Key_Right, Qt::NoModifier, "Right"}, {Qt::Key_Left, Qt::NoModifier, "Left"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},   {Qt::Key_End, Qt::NoModifier, "End"},
    };
    const KeyChoice& k = kPlayKeys[Below(static_cast<int>(std::size(kPlayKeys)))];
    if (ClicksQuit(k)) return FieldClick(false);
    const QString text = KeyText(k);
    QTest::sendKeyEvent(QTest::Press, Window(), k.key, text, k.mods);
    QTest::sendKeyEvent(QTest::Release, Window(), k.key, text, k.mods);
    return "key " + KeyName(k) + " in " + Str(FocusNameBefore());
  }

  // A right click in the field opens its context menu; the player picks one of
  // its entries or leaves it with Escape.
  std::string ContextMenu() {
    if (!Visible("Spiel")) return Key();
    const int pos = Position();
    const int wahl = Below(8);
    std::string gewaehlt = "nothing";
    QTimer::singleShot(0, t_.fenster.get(), [wahl, &gewaehlt] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      QList<QAction*> eintraege;
      for (QAction* action : menu->actions()) {
        if (action->isEnabled() && !action->isSeparator()) eintraege.append(action);
      }
      if (wahl < eintraege.size()) {
        gewaehlt = Str(eintraege[wahl]->text());
        eintraege[wahl]->trigger();
        menu->close();
      } else {
        gewaehlt = "Escape";
        QTest::keyClick(menu, Qt::Key_Escape);
      }
    });
    const QPoint p = t_.Spiel()->mapTo(t_.fenster.get(), CellPoint(pos));
    QTest::mouseClick(Window(), Qt::RightButton, {}, p);
    // Should no menu open, the pending choice must not outlive this event.
    QCoreApplication::processEvents();
    return "right click in the field at cell " + std::to_string(pos) + ", menu: " + gewaehlt;
  }

  // The player switches to another program and back.
  std::string SwitchWindows() {
    if (anderes_ == nullptr) {
      anderes_ = std::make_unique<QWidget>();
      anderes_->resize(50, 50);
      anderes_->show();
    }
    QApplication::setActiveWindow(anderes_.get());
    QApplication::setActiveWindow(t_.fenster.get());
    return "switch to another window and back";
  }

 public:
  void RememberFocus() { lastFocus_ = FocusName(); }

 private:
  Spieltisch& t_;
  std::mt19937_64 rng_;
  bool spielt_ = false;
  int modusRest_ = 0;
  QString lastFocus_;
  std::unique_ptr<QWidget> anderes_;
};

// The soak never quits: Enter and the space bar on the quit button are swallowed
// before it sees them. Keys sent one at a time avoid it already; queued keys can
// reach it after an arrow key has moved the focus there.
class QuitGuard : public QObject {
 public:
  explicit QuitGuard(QWidget* ende) { ende->installEventFilter(this); }
  int swallowed = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Select) return false;
    ++swallowed;
    return true;
  }
};

// The offscreen platform cannot raise a popup or let it grab the keyboard, and
// says so at every context menu; nothing else is kept quiet.
void QuietAboutPopups(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QStringLiteral("This plugin does not support"))) return;
  std::cerr << qFormatLogMessage(type, context, text).toStdString() << "\n";
}

// Makes sure the window got the keyboard back after it hid and showed itself, as
// a window manager would; the offscreen platform has none.
void Reaktivieren(Spieltisch& t) {
  QCoreApplication::processEvents();
  t.Aktivieren();
}

TEST(Soak, RandomEventsKeepEveryInvariant) {
  const SoakSettings s = SettingsFromEnvironment();
  std::cout << "soak: seed " << s.seed << ", " << s.events << " events\n";

  // A list joins letters typed in quick succession into one search; how quick
  // is a matter of the clock. Every letter is a search of its own here.
  QApplication::setKeyboardInputInterval(-1);
  qInstallMessageHandler(QuietAboutPopups);
  Spieltisch t;
  t.zufall = SkriptZufall({}, static_cast<unsigned>(s.seed ^ (s.seed >> 32)));
  SoakDriver driver(t, s.seed);
  Invariants invariants(t);
  QuitGuard guard(t.Button("CmdEnde"));

  std::deque<std::string> recent;
  constexpr size_t kRecent = 60;
  int spielschluss = 0;
  int vollbild = 0;
  int hilfe = 0;

  QElapsedTimer uhr;
  uhr.start();
  for (long i = 0; i < s.events; ++i) {
    driver.RememberFocus();
    std::string was = driver.Next();
    Reaktivieren(t);
    std::string zeile = std::to_string(i) + ": " + was + "  ->  \"" + Str(t.Feld()) + "\" Zug " +
                        std::to_string(t.fenster->Zustand().Zug) + ", focus " + Str(t.FokusName()) + ", view " + std::to_string(static_cast<int>(t.fenster->AktuelleAnsicht())) + ", deal " +
                        std::to_string(t.Deals()) + " " + Str(t.fenster->Zustand().Loesung);
    if (s.trace) std::cout << zeile << "\n";
    recent.push_back(std::move(zeile));
    if (recent.size() > kRecent) recent.pop_front();

    const std::string fehler = invariants.Check(t.Deals() > 0);
    if (!fehler.empty() || ::testing::Test::HasFailure()) {
      std::ostringstream report;
      report << "soak failed at event " << i << " of " << s.events << ", seed " << s.seed << ":\n"
             << fehler << "the last events:\n";
      for (const auto& zeile : recent) report << "  " << zeile << "\n";
      report << "replay: PAARIX_SOAK_SEED=" << s.seed << " PAARIX_SOAK_EVENTS=" << (i + 1) << " ui_soak\n";
      FAIL() << report.str();
    }
    if (t.fenster->Zustand().Zug == 14) ++spielschluss;
    if (t.fenster->AktuelleAnsicht() == Ansicht::Vollbild) ++vollbild;
    if (t.fenster->AktuelleAnsicht() == Ansicht::Hilfe) ++hilfe;
  }
  const double sekunden = static_cast<double>(uhr.nsecsElapsed()) / 1e9;
  std::cout << "soak: " << s.events << " events in " << sekunden << " s, "
            << static_cast<long>(static_cast<double>(s.events) / std::max(sekunden, 1e-9)) << " events/s; " << t.Deals()
            << " deals, " << t.Cues().size() << " cues, " << spielschluss << " events at a game's end, " << vollbild
            << " in the full-field view, " << hilfe << " in the help view\n";

  // Closing writes the lists' selections once, as every close does.
  const int brl = std::max(0, static_cast<int>(t.fenster->LstBrlIndex()));
  const int anzahl = std::max(0, static_cast<int>(t.fenster->LstAnzahlIndex()));
  const int16_t reserve = t.fenster->Zustand().IniReserve;
  t.fenster->close();
  EXPECT_FALSE(t.fenster->isVisible());
  EXPECT_EQ(t.gespeichert->count(), 1);
  EXPECT_EQ(t.DateiInhalt(), QStringLiteral("%1,%2,%3\r\n").arg(brl).arg(anzahl).arg(reserve).toLatin1());
}

}  // namespace
}  // namespace paarix::test
