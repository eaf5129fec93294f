// What a screen reader sees of the window and can do through Qt's accessibility
// interfaces, checked in-process with Qt's update handler.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include "../Spieltisch.h"
#include "Accessibility.h"
#include "HilfeFeld.h"
#include "Texte.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;
using Cues = std::vector<int>;

struct Meldung {
  QAccessible::Event typ;
  QObject* objekt;
  int caret = -1, gemeldet = -1;  // the position in a caret or selection event; what the text interface answers then
  int selStart = -1, selEnde = -1;
  QString name;  // focus events
};

// Records every accessibility event while it lives, with accessibility switched
// on as a screen reader would (the offscreen platform never does it by itself).
struct Mithoerer {
  Mithoerer() { aktuell = this, vorher = QAccessible::installUpdateHandler(&handler), Plattform(true); }
  ~Mithoerer() { Plattform(false), QAccessible::installUpdateHandler(vorher); }
  static void Plattform(bool an) { QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(an); }
  std::vector<Meldung> von(QObject* o, QAccessible::Event typ) const {
    std::vector<Meldung> r;
    std::copy_if(m.begin(), m.end(), std::back_inserter(r), [&](const Meldung& x) { return x.objekt == o && x.typ == typ; });
    return r;
  }
  static void handler(QAccessibleEvent* e) {
    Meldung x{e->type(), e->object(), -1, -1, -1, -1, {}};
    QAccessibleInterface* iface = e->accessibleInterface();
    if (auto* c = dynamic_cast<QAccessibleTextCursorEvent*>(e)) {
      x.caret = c->cursorPosition();
      if (iface && iface->textInterface()) x.gemeldet = iface->textInterface()->cursorPosition();
    }
    if (auto* s = dynamic_cast<QAccessibleTextSelectionEvent*>(e)) x.selStart = s->selectionStart(), x.selEnde = s->selectionEnd();
    if (x.typ == QAccessible::Focus && iface) x.name = iface->text(QAccessible::Name);
    aktuell->m.push_back(x);
  }
  std::vector<Meldung> m;
  static inline Mithoerer* aktuell = nullptr;
  QAccessible::UpdateHandler vorher = nullptr;
};

QAccessibleInterface* Zugang(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
// A routing key turns its card on the next turn of the event loop, after the
// screen reader has its answer.
void Zustellen() { QCoreApplication::processEvents(); }

TEST(Zugang, FieldAndHelpTextOfferTextAndNothingToEdit) {
  Spieltisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(3);
  QAccessibleInterface* iface = Zugang(t.Spiel());
  ASSERT_NE(dynamic_cast<FieldAccessible*>(iface), nullptr);
  EXPECT_EQ(iface->editableTextInterface(), nullptr);
  EXPECT_TRUE(iface->state().readOnly);
  EXPECT_FALSE(iface->state().editable);
  EXPECT_TRUE(iface->text(QAccessible::Name).isEmpty()) << "nothing may stand before the field on the Braille line";
  QAccessibleTextInterface* text = iface->textInterface();
  const QString feld = QStringLiteral("............  -");
  EXPECT_EQ(text->text(0, text->characterCount()), feld);
  EXPECT_EQ(text->cursorPosition(), 3);
  for (int offset : {0, 15, -2}) {  // every offset of the one line, the end included
    int start = -9, end = -9;
    EXPECT_EQ(text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end), feld) << offset;
    EXPECT_EQ(end - start, feld.size());
  }
  const QRect zelle = text->characterRect(5);
  EXPECT_EQ(text->offsetAtPoint(zelle.topLeft() + QPoint(1, zelle.height() / 2)), 5);
  iface->setText(QAccessible::Value, QStringLiteral("aaaaaaaaaaaa  z"));
  for (const QString& action : iface->actionInterface()->actionNames()) iface->actionInterface()->doAction(action);
  Zustellen();
  EXPECT_EQ(t.Feld(), feld);
  EXPECT_TRUE(t.Cues().empty());

  // The help text, line by line: from each line's end to the next gives all 21.
  t.Button("CmdInfo")->click();
  auto* info = t.Control<HilfeFeld>("Info");
  QAccessibleInterface* hilfe = Zugang(info);
  EXPECT_EQ(hilfe->editableTextInterface(), nullptr);
  EXPECT_TRUE(hilfe->state().readOnly && hilfe->state().multiLine);
  QAccessibleTextInterface* ht = hilfe->textInterface();
  QStringList zeilen;
  for (int offset = 0, start = 0, end = 0; offset < ht->characterCount() && zeilen.size() < 40; offset = end) {
    zeilen << ht->textAtOffset(offset, QAccessible::LineBoundary, &start, &end).remove(u'\n');
    ASSERT_EQ(start, offset);
  }
  EXPECT_EQ(zeilen, texte::HilfeText().split(QStringLiteral("\r\n")));
  int s = 0, e = 0;
  const int dritte = static_cast<int>(ht->text(0, -1).indexOf(zeilen[2]));
  EXPECT_EQ(ht->textBeforeOffset(dritte + 10, QAccessible::LineBoundary, &s, &e), zeilen[1] + u'\n');
  EXPECT_EQ(ht->textAfterOffset(dritte + 10, QAccessible::LineBoundary, &s, &e), zeilen[3] + u'\n');
  ht->setCursorPosition(dritte);
  EXPECT_EQ(info->textCursor().position(), dritte);
  hilfe->setText(QAccessible::Value, QStringLiteral("weg"));
  EXPECT_EQ(info->toPlainText(), zeilen.join(u'\n'));
}

TEST(Zugang, RoutingIsOneActivationOtherCaretMovesAreNone) {
  Spieltisch t("0,1,0\r\n");
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  QAccessibleTextInterface* text = Zugang(t.Spiel())->textInterface();
  struct Schritt {
    std::function<void()> tun;
    const char* feld;
    Cues cues;
    int caret;
  };
  const Schritt schritte[] = {
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9}, 4},
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9, 8}, 4},       // same cell: refused, face up
      {[&] { text->setSelection(0, 10, 10); }, "....-.....-.  a-", {9, 8, 11}, 10},  // NVDA: an empty selection
      {[&] { text->addSelection(16, 16); }, "....-.....-.  a-", {9, 8, 11, 8}, 16},  // the end of the line
      {[&] {
         for (int pos : {-1, 17, 1000}) text->setCursorPosition(pos);
         text->setSelection(1, 3, 3);
       }, "....-.....-.  a-", {9, 8, 11, 8}, 16},
      {[&] { text->setSelection(0, 1, 3); }, "....-.....-.  a-", {9, 8, 11, 8}, 3},  // a real selection
      {[&] {
         t.FeldFokus(6);
         for (Qt::Key k : {Qt::Key_Right, Qt::Key_End, Qt::Key_Home, Qt::Key_Left}) t.Taste(k);
         t.fenster->SpielSchreiben(u"....-.....-.  a-");
         QTest::mousePress(t.Spiel(), Qt::LeftButton, {}, t.Zelle(1));
         QMouseEvent zug(QEvent::MouseMove, t.Zelle(5), t.Spiel()->mapToGlobal(t.Zelle(5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
         QApplication::sendEvent(t.Spiel(), &zug);
       }, "....-.....-.  a-", {9, 8, 11, 8}, 5},
  };
  for (size_t i = 0; i < std::size(schritte); ++i) {
    schritte[i].tun();
    EXPECT_TRUE(i != 0 || t.Feld() == QStringLiteral("............  --")) << "the call returns before the card turns";
    Zustellen();
    EXPECT_EQ(t.Feld(), QString::fromLatin1(schritte[i].feld)) << "step " << i;
    EXPECT_EQ(t.Cues(), schritte[i].cues) << "step " << i;
    EXPECT_EQ(t.Caret(), schritte[i].caret) << "step " << i;
  }
  EXPECT_EQ(t.Spiel()->selectedText(), t.Feld().mid(1, 4)) << "a drag only selects";
}

TEST(Zugang, EveryCaretMoveReachesTheScreenReader) {
  Spieltisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(2);
  Mithoerer mit;
  // Keys: a caret event and, for Windows, an empty selection at the caret.
  t.Taste(Qt::Key_Right);
  auto caret = mit.von(t.Spiel(), QAccessible::TextCaretMoved);
  auto auswahl = mit.von(t.Spiel(), QAccessible::TextSelectionChanged);
  ASSERT_EQ(caret.size(), 1u);
  ASSERT_EQ(auswahl.size(), 1u);
  EXPECT_EQ(caret[0].caret, 3);
  EXPECT_EQ(std::tie(auswahl[0].selStart, auswahl[0].selEnde, auswahl[0].caret), std::make_tuple(3, 3, 3));

  // A routing key elsewhere: while the text is replaced the line edit parks its
  // caret at the end for a moment; screen readers only ever hear cell 7, and a
  // caret event follows the new text.
  mit.m.clear();
  Zugang(t.Spiel())->textInterface()->setCursorPosition(7);
  Zustellen();
  caret = mit.von(t.Spiel(), QAccessible::TextCaretMoved);
  auswahl = mit.von(t.Spiel(), QAccessible::TextSelectionChanged);
  ASSERT_FALSE(caret.empty());
  ASSERT_FALSE(auswahl.empty());
  for (const Meldung& x : caret) EXPECT_EQ(x.gemeldet, 7);
  EXPECT_EQ(std::tie(auswahl.back().selStart, auswahl.back().selEnde), std::make_tuple(7, 7));
  const auto text = std::find_if(mit.m.rbegin(), mit.m.rend(), [](const Meldung& x) {
    return x.typ == QAccessible::TextUpdated || x.typ == QAccessible::TextInserted;
  });
  ASSERT_NE(text, mit.m.rend());
  EXPECT_NE(std::find_if(mit.m.rbegin(), text, [](const Meldung& x) { return x.typ == QAccessible::TextCaretMoved; }),
            text);

  // A rewrite with the caret already at the new end moves nothing, and still reports it.
  t.Spiel()->setCursorPosition(15);
  mit.m.clear();
  t.fenster->SpielSchreiben(u"Spielschluss  -");
  ASSERT_EQ(mit.von(t.Spiel(), QAccessible::TextCaretMoved).size(), 1u);
  ASSERT_FALSE(mit.m.empty());
  EXPECT_EQ(mit.m.back().typ, QAccessible::TextSelectionChanged);
  EXPECT_EQ(mit.m.back().selStart, 15);

  // Without the focus: caret events, but no selections (Orca would present them).
  t.LstBrl()->setFocus();
  mit.m.clear();
  t.Spiel()->setCursorPosition(4);
  EXPECT_EQ(mit.von(t.Spiel(), QAccessible::TextCaretMoved).size(), 1u);
  EXPECT_TRUE(mit.von(t.Spiel(), QAccessible::TextSelectionChanged).empty());
}

TEST(Zugang, RoutingDuringACueWaitsWhileTheFieldIsAnswered) {
  Spieltisch t({}, 300ms);
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(1);
  QAccessibleTextInterface* text = Zugang(t.Spiel())->textInterface();
  QString gelesen;
  int caret = -1;
  size_t wartend = 0, cues = 0;
  t.WaehrendCue(1, [&] {
    gelesen = text->text(0, text->characterCount());
    caret = text->cursorPosition();
    text->setCursorPosition(8);
    Zustellen();
    wartend = t.fenster->Gate().waiting();
    cues = t.Cues().size();
  });
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(gelesen, QStringLiteral(".b..........  -"));
  EXPECT_EQ(caret, 1);
  EXPECT_EQ(wartend, 1u) << "the routing key waits for the cue";
  EXPECT_EQ(cues, 1u);
  EXPECT_EQ(t.Cues(), (Cues{9, 16}));
  EXPECT_EQ(t.Feld(), QStringLiteral(".b......c...  -"));
  EXPECT_EQ(t.Caret(), 8);
}

TEST(Zugang, ListsReportTheirSelectedEntryAndNamesHaveNoAmpersand) {
  Spieltisch t("1,2,0\r\n");
  Mithoerer mit;
  for (const char* eintrag : {"40er Braillezeile! 16 Karten Standardgröße!", "Drei Spieler"}) {
    mit.m.clear();
    t.Taste(Qt::Key_Tab);
    QCoreApplication::processEvents();
    const auto fokus = std::find_if(mit.m.rbegin(), mit.m.rend(), [](const Meldung& x) { return x.typ == QAccessible::Focus; });
    ASSERT_NE(fokus, mit.m.rend());
    EXPECT_EQ(fokus->name, QString::fromUtf8(eintrag)) << "the last focus report names the entry, not the list";
  }
  EXPECT_EQ(Zugang(t.Button("CmdNeu"))->text(QAccessible::Name), QStringLiteral("Neues Spiel"));
  EXPECT_EQ(Zugang(t.Button("CmdEnde"))->text(QAccessible::Name), QStringLiteral("Programmende"));
  EXPECT_EQ(Zugang(t.LstAnzahl())->tableInterface()->cellAt(3, 0)->text(QAccessible::Name), QStringLiteral("Vier Spieler"));
}

}  // namespace
}  // namespace paarix::test
