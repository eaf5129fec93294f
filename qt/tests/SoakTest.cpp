// A seeded soak of the real window: random input, offscreen, cues that take no time, the invariants
// checked after every event. PAARIX_SOAK_SEED (default 1) and PAARIX_SOAK_EVENTS (default 100000);
// a failure prints the seed and the last events, and the same seed and count replay the run.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <deque>
#include <iostream>
#include <random>

#include "Einstellungen.h"
#include "QtWindowFixture.h"

namespace paarix::test {
namespace {

QAccessibleTextInterface* Text(QtWindowFixture& t) {
  return QAccessible::queryAccessibleInterface(t.spielEdit())->textInterface();
}

// What must hold after every event; returns what does not.
std::string Verstoesse(QtWindowFixture& t) {
  std::ostringstream out;
  const Spielzustand& z = t.state();
  const std::u16string feld = t.fieldText().toStdU16String();
  const bool ende = z.Zug >= Zugphase::Spielschluss;
  const size_t spielschluss = SpielschlussText.size() - 2;  // "Spielschluss" before its two blanks
  const size_t karten = ende ? spielschluss : size_t(z.Kartenzahl);
  const size_t rest = std::min(karten, feld.size());
  const auto offen =
      std::count_if(feld.begin(), feld.begin() + long(rest), [](char16_t c) { return c != u'.' && c != u'-'; });
  if (feld.size() != karten + 2 + size_t(z.Spielerzahl) || feld.substr(rest, 2) != u"  " ||
      (ende ? feld.substr(0, spielschluss) != u"Spielschluss" : offen != z.Zug))
    out << "the field in turn phase " << z.Zug << "\n";
  // The controls of exactly one view with its caption, the focus on one of them, no handler or input left.
  const Ansicht ansicht = t.view();
  for (const Control c : kTabOrder) {
    const bool soll = ansicht == Ansicht::Hilfe      ? c == Control::Info
                      : ansicht == Ansicht::Vollbild ? c == Control::Spiel
                                                     : c != Control::Info;
    if (t.window->isVisible(c) != soll) out << ControlName(c) << " shown: " << !soll << "\n";
  }
  if (t.window->windowTitle().isEmpty() != (ansicht == Ansicht::Vollbild)) out << "the caption\n";
  const QWidget* fokus = QApplication::focusWidget();
  if (!fokus || fokus->parentWidget() != t.window.get() || !fokus->isVisible()) out << "the focus on no control\n";
  if (t.window->paarix().busy()) out << "a handler still runs\n";
  if (t.window->paarix().inputWaits()) out << "input still waits\n";
  if (Text(t)->text(0, Text(t)->characterCount()) != t.fieldText()) out << "the accessible text differs\n";
  return out.str();
}

struct Key {
  int gewicht;
  Qt::Key key;
  Qt::KeyboardModifiers mods;
  const char* text;
};
const Key kKeys[] = {{130, Qt::Key_Space, {}, " "},
                     {80, Qt::Key_Right, {}, ""},
                     {60, Qt::Key_Left, {}, ""},
                     {20, Qt::Key_Home, {}, ""},
                     {20, Qt::Key_End, {}, ""},
                     {80, Qt::Key_Tab, {}, "\t"},
                     {60, Qt::Key_Backtab, Qt::ShiftModifier, ""},
                     {30, Qt::Key_Up, {}, ""},
                     {30, Qt::Key_Down, {}, ""},
                     {10, Qt::Key_PageDown, {}, ""},
                     {30, Qt::Key_V, {}, "v"},
                     {10, Qt::Key_V, Qt::ShiftModifier, "V"},
                     {30, Qt::Key_Escape, {}, "\x1b"},
                     {30, Qt::Key_Return, {}, "\r"},
                     {20, Qt::Key_X, {}, "x"},
                     {10, Qt::Key_5, {}, "5"},
                     {20, Qt::Key_Backspace, {}, "\b"},
                     {20, Qt::Key_Delete, {}, "\x7f"},
                     {10, Qt::Key_V, Qt::ControlModifier, "\x16"},
                     {5, Qt::Key_Space, Qt::AltModifier, " "},
                     {5, Qt::Key_Escape, Qt::AltModifier, "\x1b"},
                     {1, Qt::Key_N, Qt::AltModifier, "n"}};

TEST(Soak, RandomEventsKeepEveryInvariant) {
  const auto env = [](const char* name, int vorgabe) {
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : vorgabe;
  };
  const auto seed = static_cast<uint64_t>(env("PAARIX_SOAK_SEED", 1));
  const int events = env("PAARIX_SOAK_EVENTS", 100000);
  QApplication::setKeyboardInputInterval(-1);  // letters typed into a list do not join into one search
  QtWindowFixture t;
  t.random = SkriptZufall({}, static_cast<unsigned>(seed ^ (seed >> 32)));
  t.control(Control::CmdEnde)->disconnect();  // the soak never quits
  std::mt19937_64 rng(seed);
  const auto unter = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
  std::discrete_distribution<size_t> tasten(std::size(kKeys), 0, double(std::size(kKeys)),
                                            [](double i) { return kKeys[size_t(i)].gewicht; });
  // Half the time the partner of the card face up, or a card face down; else any cell, -1 and the end included.
  const auto zelle = [&] {
    const Spielzustand& z = t.state();
    const QString feld = t.fieldText();
    const bool merkt = unter(2) == 0 && z.Zug < Zugphase::Spielschluss && int(z.Loesung.size()) == z.Kartenzahl;
    std::vector<int> verdeckt;
    for (int i = 0; merkt && i < z.Kartenzahl; ++i) {
      if (feld[i] == u'.' && z.Zug == Zugphase::ZweiteKarte && z.Loesung[size_t(i)] == z.Loesung[size_t(z.Pos1 - 1)])
        return i;
      if (feld[i] == u'.') verdeckt.push_back(i);
    }
    return verdeckt.empty() ? unter(int(feld.size()) + 3) - 1 : verdeckt[size_t(unter(int(verdeckt.size())))];
  };
  const auto naechstes = [&]() -> std::string {  // sends one event and says what it was
    const int wurf = unter(100);
    QWindow* fenster = t.window->windowHandle();
    if (wurf < 30 && t.spielEdit()->isVisible()) {
      const int pos = zelle();
      const QPoint p = t.spielEdit()->mapTo(t.window.get(), t.cellPoint(pos));
      if (wurf < 12)
        QTest::mouseClick(fenster, Qt::LeftButton, {}, p);
      else if (wurf < 15)
        QTest::mouseDClick(fenster, Qt::LeftButton, {}, p);
      else if (wurf < 25)
        Text(t)->setCursorPosition(pos);  // Orca's routing key
      else
        Text(t)->setSelection(0, pos, pos);  // NVDA's
      return "click, double click or routing (" + std::to_string(wurf) + ") on " + std::to_string(pos);
    }
    if (wurf < 38 && t.view() == Ansicht::Normal) {
      ListBox* liste = t.list(wurf < 34 ? Control::LstBrl : Control::LstAnzahl);
      QListWidgetItem* eintrag = liste->item(unter(liste->count()));
      liste->scrollToItem(eintrag);
      QTest::mouseClick(fenster, Qt::LeftButton, {},
                        liste->viewport()->mapTo(t.window.get(), liste->visualItemRect(eintrag).center()));
      return "click on " + eintrag->text().toStdString();
    }
    const Key& k = kKeys[tasten(rng)];
    QTest::sendKeyEvent(QTest::Click, fenster, k.key, QString::fromLatin1(k.text), k.mods);
    return "key " + std::to_string(k.key) + "/" + std::to_string(k.mods.toInt());
  };
  std::deque<std::string> zuletzt;
  for (int i = 0; i < events; ++i) {
    zuletzt.push_back(std::to_string(i) + ": " + naechstes());
    QCoreApplication::processEvents();
    t.activate();  // as a window manager would, after the window hid and showed itself
    zuletzt.back() += " -> \"" + t.fieldText().toStdString() + "\", focus " + t.focusName().toStdString();
    if (zuletzt.size() > 40) zuletzt.pop_front();
    if (const std::string fehler = Verstoesse(t); !fehler.empty()) {
      std::string bericht;
      for (const auto& z : zuletzt) bericht += "  " + z + "\n";
      FAIL() << "seed " << seed << ", event " << i << ":\n"
             << fehler << "the last events:\n"
             << bericht << "replay: PAARIX_SOAK_SEED=" << seed << " PAARIX_SOAK_EVENTS=" << i + 1 << " qt_soak";
    }
  }
  std::cout << "soak: seed " << seed << ", " << events << " events, " << t.random.saaten << " deals, "
            << t.cuesPlayed().size() << " cues\n";
  t.window->close();
  EXPECT_EQ(t.settingsFile(), EinstellungsZeile(t.window->selectedIndex(Control::LstBrl),
                                                t.window->selectedIndex(Control::LstAnzahl), 0));
}

}  // namespace
}  // namespace paarix::test
