// A seeded soak of the real window: random user events, offscreen, with cues that
// take no time, and the game's invariants checked after every single event.
//
//   PAARIX_SOAK_SEED    seed of the run (decimal or 0x...; default 1)
//   PAARIX_SOAK_EVENTS  number of events (default 100000)
//   PAARIX_SOAK_TRACE   1: print every event as it is sent
//
// A failure prints the seed, the failing event and the events before it; the same
// seed and count replay the run exactly.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QElapsedTimer>
#include <QMenu>
#include <deque>
#include <iostream>
#include <random>
#include <sstream>

#include "Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

std::string Str(const QString& s) { return s.toStdString(); }
std::string Str(const std::u16string& s) { return Str(QString::fromStdU16String(s)); }
const char* const kControls[] = {"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "Info"};

// Everything that must hold after every event; returns what does not.
std::string Verstoesse(Spieltisch& t) {
  std::ostringstream out;
  const Spielzustand& z = t.Z();
  const int k = z.Kartenzahl, s = z.Spielerzahl;
  if (k != 12 && k != 32 && k != 52) out << "Kartenzahl " << k << "\n";
  if (s < 1 || s > 4) out << "Spielerzahl " << s << "\n";
  if (z.AktSpieler < 1 || z.AktSpieler > 4) out << "AktSpieler " << z.AktSpieler << "\n";
  if (!(z.Zug >= 0 && z.Zug <= 2) && z.Zug < 14) out << "Zug " << z.Zug << "\n";
  if (t.Deals() > 0 && static_cast<int>(z.Loesung.size()) != k) out << "Loesung has " << z.Loesung.size() << " letters\n";
  for (int c = 0; c < k / 2 && static_cast<int>(z.Loesung.size()) == k; ++c) {
    if (std::count(z.Loesung.begin(), z.Loesung.end(), char16_t(u'a' + c)) != 2) out << "letter " << char('a' + c) << " not twice\n";
  }
  // The field: the game-over text, or the cards, two blanks and a score cell per player.
  const QString feld = t.Feld();
  const bool ende = z.Zug >= 14;
  const qsizetype karten = ende ? 12 : k;
  const QString kopf = ende ? QStringLiteral("Spielschluss") : feld.left(k);
  if (feld.size() != karten + 2 + s || !feld.startsWith(kopf) || feld.mid(karten, 2) != QStringLiteral("  ")) {
    out << "field \"" << Str(feld) << "\" for " << k << " cards, " << s << " players, Zug " << z.Zug << "\n";
  } else {
    for (int i = 0; i < s; ++i) {
      const QChar c = feld[karten + 2 + i];
      const std::u16string& punkte = z.PunktZeichen[size_t(i)];
      if (c != u'-' && !(punkte.size() == 1 && c == punkte[0] && c >= u'a')) out << "score cell " << i << "\n";
    }
    int offen = 0;
    for (int i = 0; !ende && i < k; ++i) {
      const QChar c = feld[i];
      if (c == u'.' || (c == u'-' && z.Loesung.size() == size_t(k))) continue;
      if (z.Loesung.size() != size_t(k) || c != z.Loesung[size_t(i)] || (i + 1 != z.Pos1 && i + 1 != z.Pos2)) {
        out << "card cell " << i << " shows '" << Str(QString(c)) << "'\n";
      }
      ++offen;
    }
    if (!ende && offen != z.Zug) out << offen << " cards face up in turn phase " << z.Zug << "\n";
  }
  // Exactly one view, and the focus on a visible control of the window.
  auto zu = [&](const char* n) { return t.Control(n)->isVisible(); };
  const bool titel = t.fenster->windowTitle() == texte::Titel();
  const bool rest = zu("CmdInfo") && zu("LstBrl") && zu("LstAnzahl") && zu("CmdNeu") && zu("CmdEnde");
  const bool keiner = !zu("CmdInfo") && !zu("LstBrl") && !zu("LstAnzahl") && !zu("CmdNeu") && !zu("CmdEnde");
  const int views = int(rest && zu("Spiel") && !zu("Info") && titel) + int(keiner && !zu("Spiel") && zu("Info") && titel) +
                    int(keiner && zu("Spiel") && !zu("Info") && t.fenster->windowTitle().isEmpty());
  if (!t.fenster->isVisible() || views != 1) out << "not exactly one view\n";
  QWidget* fokus = QApplication::focusWidget();
  if (!fokus || fokus->window() != t.fenster.get() || !fokus->isVisible() ||
      std::none_of(std::begin(kControls), std::end(kControls), [&](const char* n) { return fokus->objectName() == n; })) {
    out << "the focus is on " << (fokus ? Str(fokus->objectName()) + " " + fokus->metaObject()->className() : "nothing") << "\n";
  }
  if (t.fenster->Gate().busy() || t.fenster->Gate().waiting() != 0) out << "a handler still runs or waits\n";
  return out.str();
}

// The soak never quits: Enter and the space bar on the quit button are swallowed.
struct QuitGuard : QObject {
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
  }
};

struct Key { int gewicht; Qt::Key key; Qt::KeyboardModifiers mods; const char* text; };
// What a player presses most while playing, and in bursts.
const Key kKurz[] = {{1, Qt::Key_Space, {}, " "}, {1, Qt::Key_Right, {}, ""}, {1, Qt::Key_Left, {}, ""},
                     {1, Qt::Key_Home, {}, ""},   {1, Qt::Key_End, {}, ""},   {1, Qt::Key_V, {}, "v"},
                     {1, Qt::Key_Escape, {}, "\x1b"}, {1, Qt::Key_X, {}, "x"}};
// The keyboard, weighted; the letters and digits are drawn apart.
const Key kKeys[] = {
    {80, Qt::Key_Tab, {}, "\t"}, {60, Qt::Key_Backtab, Qt::ShiftModifier, ""}, {60, Qt::Key_Left, {}, ""},
    {80, Qt::Key_Right, {}, ""}, {30, Qt::Key_Up, {}, ""}, {30, Qt::Key_Down, {}, ""}, {20, Qt::Key_Home, {}, ""},
    {20, Qt::Key_End, {}, ""}, {10, Qt::Key_PageDown, {}, ""}, {130, Qt::Key_Space, {}, " "}, {30, Qt::Key_V, {}, "v"},
    {10, Qt::Key_V, Qt::ShiftModifier, "V"}, {30, Qt::Key_Escape, {}, "\x1b"}, {30, Qt::Key_Return, {}, "\r"},
    {10, Qt::Key_Enter, Qt::KeypadModifier, "\r"}, {20, Qt::Key_Backspace, {}, "\b"}, {20, Qt::Key_Delete, {}, "\x7f"},
    {10, Qt::Key_V, Qt::ControlModifier, "\x16"}, {5, Qt::Key_Insert, Qt::ShiftModifier, ""},
    {10, Qt::Key_Z, Qt::ControlModifier, "\x1a"}, {5, Qt::Key_Y, Qt::ControlModifier, "\x19"},
    {5, Qt::Key_X, Qt::ControlModifier, "\x18"}, {5, Qt::Key_A, Qt::ControlModifier, "\x01"},
    {1, Qt::Key_N, Qt::AltModifier, ""}, {1, Qt::Key_F10, Qt::ShiftModifier, ""}, {1, Qt::Key_Menu, {}, ""},
};

class Treiber {
 public:
  Treiber(Spieltisch& t, uint64_t seed) : t_(t), rng_(seed) {}

  // Sends one event and says what it was. In stretches the player mostly plays,
  // so that games end and points pile up; in between the whole window is roamed.
  std::string Naechstes() {
    if (--modusRest_ <= 0) spielt_ = Chance(35), modusRest_ = 100 + Unter(400);
    const bool feld = t_.Spiel()->isVisible(), listen = t_.LstBrl()->isVisible();
    if (spielt_ && Chance(80)) {
      const int wurf = Unter(100);
      if (wurf < 35 && feld) return Klick(false);
      if (wurf < 60 && feld) return Routing();
      return Taste(kKurz[Unter(5)]);
    }
    const int wurf = Unter(1000);
    if (wurf < 95 && feld) return Klick(Chance(30));
    if (wurf < 175 && feld) return Routing();
    if (wurf < 180 && feld) return Kontextmenue();
    if (wurf < 240 && listen) return ListenKlick();
    if (wurf < 270 && listen) return ButtonKlick();
    if (wurf < 350) return Schub();
    if (wurf < 375) {
      if (!anderes_.isVisible()) anderes_.show();
      QApplication::setActiveWindow(&anderes_);
      QApplication::setActiveWindow(t_.fenster.get());
      return "to another window and back";
    }
    if (wurf < 400) {
      if (Text()->text(0, Text()->characterCount()) != t_.Feld()) ADD_FAILURE() << "the accessible text differs";
      return "accessible read, caret " + std::to_string(Text()->cursorPosition());
    }
    return Taste(ZufallsTaste());
  }

 private:
  int Unter(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
  bool Chance(int prozent) { return Unter(100) < prozent; }
  QAccessibleTextInterface* Text() const { return QAccessible::queryAccessibleInterface(t_.Spiel())->textInterface(); }

  Key ZufallsTaste() {
    if (Chance(10)) {  // a letter or a digit
      static char text[2];
      text[0] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[Unter(62)];
      const auto mods = std::isupper(text[0]) ? Qt::ShiftModifier : Qt::NoModifier;
      return {1, static_cast<Qt::Key>(std::toupper(text[0])), mods, text};
    }
    static const int summe = [] { int n = 0; for (const Key& k : kKeys) n += k.gewicht; return n; }();
    int wurf = Unter(summe);
    for (const Key& k : kKeys) {
      if ((wurf -= k.gewicht) < 0) return k;
    }
    return kKeys[0];
  }

  // Half the cells are a player's who remembers every card: the partner of the
  // card face up, or a card face down. The rest fall anywhere, -1 and the end included.
  int Zelle() {
    const Spielzustand& z = t_.Z();
    const QString feld = t_.Feld();
    if (Chance(50) && z.Zug < 14 && static_cast<int>(z.Loesung.size()) == z.Kartenzahl) {
      std::vector<int> verdeckt;
      for (int i = 0; i < z.Kartenzahl; ++i) {
        if (feld[i] != u'.') continue;
        if (z.Zug == 1 && z.Pos1 >= 1 && z.Loesung[size_t(i)] == z.Loesung[size_t(z.Pos1 - 1)] && Chance(80)) return i;
        verdeckt.push_back(i);
      }
      if (!verdeckt.empty()) return verdeckt[size_t(Unter(int(verdeckt.size())))];
    }
    return Unter(int(feld.size()) + 3) - 1;
  }
  QPoint FeldPunkt(int pos) const { return t_.Spiel()->mapTo(t_.fenster.get(), t_.Zelle(pos)); }

  std::string Taste(const Key& k) {
    QTest::sendKeyEvent(QTest::Press, t_.fenster->windowHandle(), k.key, QString::fromLatin1(k.text), k.mods);
    QTest::sendKeyEvent(QTest::Release, t_.fenster->windowHandle(), k.key, QString::fromLatin1(k.text), k.mods);
    // An access key clicks its button when a timer ends; waiting keeps the run off the clock.
    QPushButton* neu = t_.Button("CmdNeu");
    if (neu->isDown() && !QTest::qWaitFor([neu] { return !neu->isDown(); }, 2000)) ADD_FAILURE() << "CmdNeu stays down";
    return "key " + std::to_string(k.key) + "/" + std::to_string(k.mods.toInt());
  }
  std::string Klick(bool doppelt) {
    const int pos = Zelle();
    if (doppelt) QTest::mouseDClick(t_.fenster->windowHandle(), Qt::LeftButton, {}, FeldPunkt(pos));
    else QTest::mouseClick(t_.fenster->windowHandle(), Qt::LeftButton, {}, FeldPunkt(pos));
    return (doppelt ? "double click at " : "click at ") + std::to_string(pos);
  }
  // A Braille routing key: a caret placement or an empty selection through the field's interface.
  std::string Routing() {
    const int pos = Zelle();
    if (Chance(70)) Text()->setCursorPosition(pos);
    else Text()->setSelection(0, pos, pos);
    return "routing to " + std::to_string(pos);
  }
  std::string ListenKlick() {
    QListWidget* liste = Chance(50) ? t_.LstBrl() : t_.LstAnzahl();
    QListWidgetItem* eintrag = liste->item(Unter(liste->count()));
    liste->scrollToItem(eintrag);
    const QPoint p = liste->viewport()->mapTo(t_.fenster.get(), liste->visualItemRect(eintrag).center());
    QTest::mouseClick(t_.fenster->windowHandle(), Qt::LeftButton, Chance(10) ? Qt::ControlModifier : Qt::NoModifier, p);
    return "click on " + Str(eintrag->text());
  }
  std::string ButtonKlick() {
    QPushButton* b = t_.Button(Chance(50) ? "CmdInfo" : "CmdNeu");
    QTest::mouseClick(t_.fenster->windowHandle(), Qt::LeftButton, {}, b->mapTo(t_.fenster.get(), b->rect().center()));
    return "click on " + Str(b->objectName());
  }
  // A right click opens the field's menu; one of its entries, or Escape.
  std::string Kontextmenue() {
    const int wahl = Unter(8);
    QTimer::singleShot(0, t_.fenster.get(), [wahl] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      QList<QAction*> aktiv;
      for (QAction* a : menu->actions()) if (a->isEnabled() && !a->isSeparator()) aktiv << a;
      if (wahl < aktiv.size()) aktiv[wahl]->trigger(), menu->close();
      else QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mouseClick(t_.fenster->windowHandle(), Qt::RightButton, {}, FeldPunkt(Zelle()));
    QCoreApplication::processEvents();
    return "context menu, entry " + std::to_string(wahl);
  }
  // Keys and routing keys that arrive while the first is still handled (key repeat,
  // a screen reader during a cue): queued, then handled in order.
  std::string Schub() {
    std::string was = "burst:";
    for (int i = 2 + Unter(5); i > 0; --i) {
      if (Chance(25)) {
        const int pos = Zelle();
        QMetaObject::invokeMethod(t_.Spiel(), [this, pos] { Text()->setCursorPosition(pos); }, Qt::QueuedConnection);
        was += " routing " + std::to_string(pos);
        continue;
      }
      const Key& k = kKurz[Unter(int(std::size(kKurz)))];
      for (QEvent::Type typ : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(t_.fenster->windowHandle(), new QKeyEvent(typ, k.key, k.mods, QString::fromLatin1(k.text)));
      }
      was += " key " + std::to_string(k.key);
    }
    QCoreApplication::processEvents();
    return was;
  }

  Spieltisch& t_;
  std::mt19937_64 rng_;
  bool spielt_ = false;
  int modusRest_ = 0;
  QWidget anderes_;
};

long Env(const char* name, long vorgabe) {
  const QByteArray wert = qgetenv(name);
  return wert.isEmpty() ? vorgabe : static_cast<long>(std::strtoull(wert.constData(), nullptr, 0));
}

TEST(Soak, RandomEventsKeepEveryInvariant) {
  const auto seed = static_cast<uint64_t>(Env("PAARIX_SOAK_SEED", 1));
  const long events = Env("PAARIX_SOAK_EVENTS", 100000);
  const bool trace = Env("PAARIX_SOAK_TRACE", 0) == 1;
  std::cout << "soak: seed " << seed << ", " << events << " events\n";
  // Letters typed into a list join into one search by the clock; here each is its own.
  QApplication::setKeyboardInputInterval(-1);
  // The offscreen platform says at every context menu that it cannot grab for a popup.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
    if (!text.startsWith(QStringLiteral("This plugin does not support"))) std::cerr << Str(text) << "\n";
  });
  Spieltisch t;
  t.zufall = SkriptZufall({}, static_cast<unsigned>(seed ^ (seed >> 32)));
  Treiber treiber(t, seed);
  QuitGuard guard;
  t.Button("CmdEnde")->installEventFilter(&guard);
  std::deque<std::string> zuletzt;
  int spielschluss = 0;
  QElapsedTimer uhr;
  uhr.start();
  for (long i = 0; i < events; ++i) {
    std::string zeile = std::to_string(i) + ": " + treiber.Naechstes();
    QCoreApplication::processEvents();
    t.Aktivieren();  // as a window manager would, after the window hid and showed itself
    zeile += "  -> \"" + Str(t.Feld()) + "\" Zug " + std::to_string(t.Z().Zug) + ", focus " + Str(t.FokusName()) +
             ", view " + std::to_string(int(t.View())) + ", deal " + Str(t.Z().Loesung);
    if (trace) std::cout << zeile << "\n";
    zuletzt.push_back(zeile);
    if (zuletzt.size() > 60) zuletzt.pop_front();
    const std::string fehler = Verstoesse(t);
    if (!fehler.empty() || ::testing::Test::HasFailure()) {
      std::ostringstream bericht;
      bericht << "soak failed at event " << i << ", seed " << seed << ":\n" << fehler << "the last events:\n";
      for (const auto& z : zuletzt) bericht << "  " << z << "\n";
      bericht << "replay: PAARIX_SOAK_SEED=" << seed << " PAARIX_SOAK_EVENTS=" << i + 1 << " ui_soak\n";
      FAIL() << bericht.str();
    }
    spielschluss += t.Z().Zug == 14;
  }
  std::cout << "soak: " << events << " events in " << uhr.elapsed() / 1000.0 << " s; " << t.Deals() << " deals, "
            << t.Cues().size() << " cues, " << spielschluss << " events at a game's end\n";
  const QByteArray erwartet = QStringLiteral("%1,%2,%3\r\n")
                                  .arg(std::max<int>(0, t.fenster->LstBrlIndex()))
                                  .arg(std::max<int>(0, t.fenster->LstAnzahlIndex()))
                                  .arg(t.Z().IniReserve)
                                  .toLatin1();
  t.fenster->close();
  EXPECT_EQ(t.gespeichert->count(), 1);
  EXPECT_EQ(t.DateiInhalt(), erwartet);
}

}  // namespace
}  // namespace paarix::test
