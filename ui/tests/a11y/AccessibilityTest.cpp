// What a screen reader sees of the window and what it can do through Qt's
// accessibility interfaces, checked in-process with Qt's update handler.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleTextInterface>
#include <QTimer>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include "Accessibility.h"
#include "EventGate.h"
#include "HilfeFeld.h"
#include "../Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;

// One accessibility event as the platform bridge would have passed it on.
struct Meldung {
  QAccessible::Event typ = QAccessible::InvalidEvent;
  QObject* objekt = nullptr;
  int caret = -1;        // caret and selection events: the position in the event
  int gemeldet = -1;     // caret events: what the interface answers now (the AT-SPI bridge sends this)
  int selStart = -1;
  int selEnde = -1;
  QString name;          // focus events: the name of the object that got the focus
};

// Switches accessibility on as a screen reader would. Qt passes events to an
// update handler only then, and the offscreen platform never does it by itself.
void Zugaenglich(bool an) {
  QPlatformAccessibility* plattform = QGuiApplicationPrivate::platformIntegration()->accessibility();
  ASSERT_NE(plattform, nullptr);
  plattform->setActive(an);
  ASSERT_EQ(QAccessible::isActive(), an);
}

// Records every accessibility event while it lives, with accessibility switched on.
class Mithoerer {
 public:
  Mithoerer() {
    aktuell = this;
    vorher_ = QAccessible::installUpdateHandler(&Mithoerer::handler);
    Zugaenglich(true);
  }
  ~Mithoerer() {
    Zugaenglich(false);
    QAccessible::installUpdateHandler(vorher_);
    aktuell = nullptr;
  }

  std::vector<Meldung> meldungen;

  std::vector<Meldung> von(QObject* objekt, QAccessible::Event typ) const {
    std::vector<Meldung> treffer;
    for (const Meldung& m : meldungen) {
      if (m.objekt == objekt && m.typ == typ) treffer.push_back(m);
    }
    return treffer;
  }
  void leeren() { meldungen.clear(); }

 private:
  static void handler(QAccessibleEvent* event) {
    Meldung m;
    m.typ = event->type();
    m.objekt = event->object();
    QAccessibleInterface* iface = event->accessibleInterface();
    if (event->type() == QAccessible::TextCaretMoved || event->type() == QAccessible::TextSelectionChanged) {
      const auto* cursor = static_cast<QAccessibleTextCursorEvent*>(event);
      m.caret = cursor->cursorPosition();
      if (iface != nullptr && iface->textInterface() != nullptr) m.gemeldet = iface->textInterface()->cursorPosition();
    }
    if (event->type() == QAccessible::TextSelectionChanged) {
      const auto* sel = static_cast<QAccessibleTextSelectionEvent*>(event);
      m.selStart = sel->selectionStart();
      m.selEnde = sel->selectionEnd();
    }
    if (event->type() == QAccessible::Focus && iface != nullptr) m.name = iface->text(QAccessible::Name);
    aktuell->meldungen.push_back(m);
  }

  static inline Mithoerer* aktuell = nullptr;
  QAccessible::UpdateHandler vorher_ = nullptr;
};

// A routing key turns its card on the next turn of the event loop, after the
// screen reader got the answer to its call.
void Zustellen() { QCoreApplication::processEvents(); }

QAccessibleInterface* Zugang(QObject* objekt) { return QAccessible::queryAccessibleInterface(objekt); }
QAccessibleTextInterface* Text(QObject* objekt) { return Zugang(objekt)->textInterface(); }

// Deals with a known solution: the window deals, then the test fixes the letters.
void Geben(Spieltisch& t, const std::u16string& loesung) {
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = loesung;
}

TEST(Zugang, FieldOffersReadOnlyTextAndNothingToEdit) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(3);
  QAccessibleInterface* iface = Zugang(t.Spiel());
  ASSERT_NE(iface, nullptr);
  EXPECT_NE(dynamic_cast<FieldAccessible*>(iface), nullptr) << "the window's own interface, not Qt's line edit";
  ASSERT_NE(iface->textInterface(), nullptr);
  EXPECT_EQ(iface->editableTextInterface(), nullptr);
  EXPECT_EQ(iface->role(), QAccessible::EditableText);
  EXPECT_TRUE(iface->state().readOnly);
  EXPECT_FALSE(iface->state().editable);
  EXPECT_TRUE(iface->state().focused);
  EXPECT_TRUE(iface->text(QAccessible::Name).isEmpty()) << "nothing may stand before the field on the Braille line";

  QAccessibleTextInterface* text = iface->textInterface();
  const QString feld = QStringLiteral("............  -");
  EXPECT_EQ(text->characterCount(), feld.size());
  EXPECT_EQ(text->text(0, text->characterCount()), feld);
  EXPECT_EQ(text->text(12, -1), QStringLiteral("  -"));
  EXPECT_EQ(iface->text(QAccessible::Value), feld);
  EXPECT_EQ(text->cursorPosition(), 3);

  // Every offset of the one line, the end included, gives the whole field.
  for (int offset : {0, 3, 14, 15, -2}) {
    int start = -9, end = -9;
    EXPECT_EQ(text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end), feld) << offset;
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, feld.size());
  }
  int start = -9, end = -9;
  EXPECT_EQ(text->textAtOffset(4, QAccessible::CharBoundary, &start, &end), QStringLiteral("."));
  EXPECT_EQ(start, 4);
  EXPECT_TRUE(text->textAfterOffset(3, QAccessible::LineBoundary, &start, &end).isEmpty());
  EXPECT_TRUE(text->textBeforeOffset(3, QAccessible::LineBoundary, &start, &end).isEmpty());

  // Cells have places on the screen that lead back to them.
  const QRect zelle = text->characterRect(5);
  ASSERT_FALSE(zelle.isEmpty());
  EXPECT_EQ(text->offsetAtPoint(zelle.topLeft() + QPoint(1, zelle.height() / 2)), 5);
  EXPECT_TRUE(text->characterRect(feld.size()).isEmpty());

  // Nothing an assistive client can ask for changes the text or turns a card.
  iface->setText(QAccessible::Value, QStringLiteral("aaaaaaaaaaaa  z"));
  iface->setText(QAccessible::Name, QStringLiteral("Spielfeld"));
  text->scrollToSubstring(6, 8);
  for (const QString& action : iface->actionInterface()->actionNames()) iface->actionInterface()->doAction(action);
  EXPECT_EQ(t.Feld(), feld);
  EXPECT_EQ(t.Spiel()->cursorPosition(), 3);
  EXPECT_TRUE(t.Cues().empty());
}

TEST(Zugang, CaretPlacementIsOneActivationLikeAClick) {
  Spieltisch t("0,1,0\r\n");
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(0);
  QAccessibleTextInterface* text = Text(t.Spiel());

  text->setCursorPosition(4);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --")) << "the call returns before the card turns";
  Zustellen();
  EXPECT_EQ(t.Feld(), QStringLiteral("....e.......  --"));
  EXPECT_EQ(t.Spiel()->cursorPosition(), 4);
  EXPECT_EQ(t.Cues(), std::vector<int>{9});

  // On the cell where the caret already stands it is an activation all the same:
  // the card is face up, so it is refused.
  text->setCursorPosition(4);
  Zustellen();
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 8}));

  text->setCursorPosition(10);
  Zustellen();
  EXPECT_EQ(t.Feld(), QStringLiteral("....-.....-.  a-"));
  EXPECT_EQ(t.Spiel()->cursorPosition(), 10);
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 8, 11}));

  // The end of the line is a caret place, like a click behind the last cell.
  text->setCursorPosition(16);
  Zustellen();
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 8, 11, 8}));
  // Places that do not exist are no activation.
  for (int pos : {-1, 17, 1000}) text->setCursorPosition(pos);
  Zustellen();
  EXPECT_EQ(t.Cues().size(), 4u);
  EXPECT_EQ(t.Spiel()->cursorPosition(), 16);
}

TEST(Zugang, EmptySelectionIsARoutingKeyARealSelectionIsNot) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(0);
  QAccessibleTextInterface* text = Text(t.Spiel());

  text->setSelection(0, 2, 2);  // what NVDA does for a routing key
  Zustellen();
  EXPECT_EQ(t.Feld(), QStringLiteral("..c.........  -"));
  EXPECT_EQ(t.Cues(), std::vector<int>{9});
  text->addSelection(8, 8);
  Zustellen();
  EXPECT_EQ(t.Feld(), QStringLiteral("..-.....-...  a"));
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 11}));
  EXPECT_EQ(t.Spiel()->cursorPosition(), 8);

  const QString feld = t.Feld();
  text->setSelection(0, 3, 7);
  Zustellen();
  EXPECT_EQ(t.Spiel()->selectedText(), QStringLiteral("...."));
  int start = -1, end = -1;
  ASSERT_EQ(text->selectionCount(), 1);
  text->selection(0, &start, &end);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 7);
  text->addSelection(9, 5);
  Zustellen();
  EXPECT_EQ(t.Spiel()->selectionStart(), 5);
  text->removeSelection(0);
  EXPECT_EQ(text->selectionCount(), 0);
  text->setSelection(1, 4, 4);  // there is only one selection
  Zustellen();
  EXPECT_EQ(t.Feld(), feld);
  EXPECT_EQ(t.Cues().size(), 2u);
}

TEST(Zugang, CaretMovesByKeysMouseAndProgramTurnNoCard) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(0);
  for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_End, Qt::Key_Home, Qt::Key_Right, Qt::Key_Left}) {
    t.Taste(key);
  }
  t.Spiel()->setCursorPosition(6);
  t.fenster->SpielSchreiben(u"............  -");
  // A mouse drag only selects.
  QTest::mousePress(t.Spiel(), Qt::LeftButton, {}, t.Zelle(1));
  QMouseEvent zug(QEvent::MouseMove, t.Zelle(5), t.Spiel()->mapToGlobal(t.Zelle(5)), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &zug);
  EXPECT_TRUE(t.Cues().empty());
  EXPECT_EQ(t.Feld(), QStringLiteral("............  -"));
}

TEST(Zugang, EveryCaretMoveReachesTheScreenReader) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(2);
  Mithoerer mit;

  // Keys: a caret event and, for Windows, an empty selection at the caret.
  t.Taste(Qt::Key_Right);
  auto caret = mit.von(t.Spiel(), QAccessible::TextCaretMoved);
  auto auswahl = mit.von(t.Spiel(), QAccessible::TextSelectionChanged);
  ASSERT_EQ(caret.size(), 1u);
  EXPECT_EQ(caret[0].caret, 3);
  ASSERT_EQ(auswahl.size(), 1u);
  EXPECT_EQ(auswahl[0].selStart, 3);
  EXPECT_EQ(auswahl[0].selEnde, 3);
  EXPECT_EQ(auswahl[0].caret, 3);

  // A routing key at another cell: the caret goes there, then the text changes,
  // and the caret is reported again where it stays.
  mit.leeren();
  Text(t.Spiel())->setCursorPosition(7);
  Zustellen();
  caret = mit.von(t.Spiel(), QAccessible::TextCaretMoved);
  auswahl = mit.von(t.Spiel(), QAccessible::TextSelectionChanged);
  ASSERT_FALSE(caret.empty());
  ASSERT_FALSE(auswahl.empty());
  EXPECT_EQ(caret.front().caret, 7);
  EXPECT_EQ(auswahl.back().selStart, 7);
  EXPECT_EQ(auswahl.back().selEnde, 7);
  // While the text is replaced the line edit parks its caret at the end for a
  // moment; screen readers are told the cell it comes back to.
  for (const Meldung& m : caret) EXPECT_EQ(m.gemeldet, 7);
  auto letzteAenderung = std::find_if(mit.meldungen.rbegin(), mit.meldungen.rend(), [](const Meldung& m) {
    return m.typ == QAccessible::TextUpdated || m.typ == QAccessible::TextInserted;
  });
  ASSERT_NE(letzteAenderung, mit.meldungen.rend());
  const auto nachher = std::find_if(mit.meldungen.rbegin(), letzteAenderung,
                                    [](const Meldung& m) { return m.typ == QAccessible::TextCaretMoved; });
  EXPECT_NE(nachher, letzteAenderung) << "a caret event follows the new text";

  // The program rewrites the field with the caret already at the new end:
  // nothing moves, and still the caret is reported after the text.
  t.Spiel()->setCursorPosition(15);
  mit.leeren();
  t.fenster->SpielSchreiben(u"Spielschluss  -");
  ASSERT_FALSE(mit.meldungen.empty());
  EXPECT_EQ(mit.meldungen.back().typ, QAccessible::TextSelectionChanged);
  EXPECT_EQ(mit.meldungen.back().selStart, 15);
  ASSERT_EQ(mit.von(t.Spiel(), QAccessible::TextCaretMoved).size(), 1u);
  EXPECT_EQ(mit.von(t.Spiel(), QAccessible::TextCaretMoved)[0].caret, 15);

  // Without the focus, caret moves still go out as caret events, but not as
  // selections, which Orca would present although the player is elsewhere.
  t.LstBrl()->setFocus();
  mit.leeren();
  t.Spiel()->setCursorPosition(4);
  EXPECT_EQ(mit.von(t.Spiel(), QAccessible::TextCaretMoved).size(), 1u);
  EXPECT_TRUE(mit.von(t.Spiel(), QAccessible::TextSelectionChanged).empty());
}

TEST(Zugang, RoutingDuringACueWaitsAndTheFieldIsStillAnswered) {
  Spieltisch t({}, 300ms);
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(1);
  QAccessibleTextInterface* text = Text(t.Spiel());

  QString gelesen;
  int gelesenerCaret = -1;
  size_t wartend = 0;
  size_t cuesWaehrend = 0;
  QTimer::singleShot(100ms, t.fenster.get(), [&] {
    gelesen = text->text(0, text->characterCount());
    gelesenerCaret = text->cursorPosition();
    text->setCursorPosition(8);
    Zustellen();
    wartend = t.fenster->Gate().waiting();
    cuesWaehrend = t.Cues().size();
  });
  t.Taste(Qt::Key_Space);  // the first card's cue plays while the timer fires

  EXPECT_EQ(gelesen, QStringLiteral(".b..........  -")) << "the field is answered while the cue plays";
  EXPECT_EQ(gelesenerCaret, 1);
  EXPECT_EQ(wartend, 1u) << "the routing key waits for the cue";
  EXPECT_EQ(cuesWaehrend, 1u);
  // When the cue had ended it ran: the second card, a miss.
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 16}));
  EXPECT_EQ(t.Feld(), QStringLiteral(".b......c...  -"));
  EXPECT_EQ(t.Spiel()->cursorPosition(), 8);
}

TEST(Zugang, ListsReportTheirSelectedEntryWhenTheyGetTheFocus) {
  Spieltisch t("1,2,0\r\n");
  Mithoerer mit;
  t.Taste(Qt::Key_Tab);  // CmdInfo -> LstBrl
  QCoreApplication::processEvents();
  ASSERT_EQ(t.FokusName(), QStringLiteral("LstBrl"));
  ASSERT_FALSE(mit.meldungen.empty());
  auto fokus = std::find_if(mit.meldungen.rbegin(), mit.meldungen.rend(),
                            [](const Meldung& m) { return m.typ == QAccessible::Focus; });
  ASSERT_NE(fokus, mit.meldungen.rend());
  EXPECT_EQ(fokus->name, texte::LstBrl()[1]) << "the last focus report names the selected entry, not the list";

  mit.leeren();
  t.Taste(Qt::Key_Tab);  // -> LstAnzahl
  QCoreApplication::processEvents();
  ASSERT_EQ(t.FokusName(), QStringLiteral("LstAnzahl"));
  fokus = std::find_if(mit.meldungen.rbegin(), mit.meldungen.rend(),
                       [](const Meldung& m) { return m.typ == QAccessible::Focus; });
  ASSERT_NE(fokus, mit.meldungen.rend());
  EXPECT_EQ(fokus->name, QStringLiteral("Drei Spieler"));
}

TEST(Zugang, ControlsAreNamedByTheirCaptions) {
  Spieltisch t;
  EXPECT_EQ(Zugang(t.Button("CmdInfo"))->text(QAccessible::Name), QStringLiteral("Drücke Enter für die Anleitung"));
  EXPECT_EQ(Zugang(t.Button("CmdNeu"))->text(QAccessible::Name), QStringLiteral("Neues Spiel"));
  EXPECT_EQ(Zugang(t.Button("CmdEnde"))->text(QAccessible::Name), QStringLiteral("Programmende"));
  QAccessibleInterface* liste = Zugang(t.LstBrl());
  ASSERT_NE(liste->tableInterface(), nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(liste->tableInterface()->cellAt(i, 0)->text(QAccessible::Name), texte::LstBrl()[i]);
  }
  EXPECT_EQ(Zugang(t.LstAnzahl())->tableInterface()->cellAt(3, 0)->text(QAccessible::Name),
            QStringLiteral("Vier Spieler"));
}

TEST(Zugang, HelpTextIsReadLineByLineAndCannotBeChanged) {
  Spieltisch t;
  t.Button("CmdInfo")->click();
  auto* info = t.Control<HilfeFeld>("Info");
  QAccessibleInterface* iface = Zugang(info);
  ASSERT_NE(iface->textInterface(), nullptr);
  EXPECT_EQ(iface->editableTextInterface(), nullptr);
  EXPECT_TRUE(iface->state().readOnly);
  EXPECT_TRUE(iface->state().multiLine);
  QAccessibleTextInterface* text = iface->textInterface();

  // Stepping from each line's end to the next gives the 21 lines in order.
  QStringList zeilen;
  int offset = 0;
  while (offset < text->characterCount() && zeilen.size() < 40) {
    int start = -1, end = -1;
    const QString zeile = text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
    ASSERT_EQ(start, offset);
    ASSERT_GT(end, offset);
    zeilen << (zeile.endsWith(QLatin1Char('\n')) ? zeile.chopped(1) : zeile);
    offset = end;
  }
  EXPECT_EQ(zeilen, texte::HilfeZeilen());

  // The middle of a line, the line before and the line after.
  int start = -1, end = -1;
  const int dritte = static_cast<int>(text->text(0, -1).indexOf(texte::HilfeZeilen()[2]));
  EXPECT_EQ(text->textAtOffset(dritte + 10, QAccessible::LineBoundary, &start, &end),
            texte::HilfeZeilen()[2] + QLatin1Char('\n'));
  EXPECT_EQ(text->textBeforeOffset(dritte + 10, QAccessible::LineBoundary, &start, &end),
            texte::HilfeZeilen()[1] + QLatin1Char('\n'));
  EXPECT_EQ(text->textAfterOffset(dritte + 10, QAccessible::LineBoundary, &start, &end),
            texte::HilfeZeilen()[3] + QLatin1Char('\n'));
  EXPECT_TRUE(text->textBeforeOffset(3, QAccessible::LineBoundary, &start, &end).isEmpty());
  EXPECT_TRUE(text->textAfterOffset(text->characterCount() - 2, QAccessible::LineBoundary, &start, &end).isEmpty());
  EXPECT_EQ(text->textAtOffset(text->characterCount(), QAccessible::LineBoundary, &start, &end),
            texte::HilfeZeilen().last());

  // The caret moves through it; nothing changes it.
  text->setCursorPosition(dritte);
  EXPECT_EQ(info->textCursor().position(), dritte);
  EXPECT_EQ(text->cursorPosition(), dritte);
  iface->setText(QAccessible::Value, QStringLiteral("weg"));
  EXPECT_EQ(info->toPlainText(), texte::HilfeZeilen().join(QLatin1Char('\n')));
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Hilfe);
}

}  // namespace
}  // namespace paarix::test
