// What a screen reader does through the field's accessible interface and the events
// it gets, in-process (tests/a11y/*.py look from outside, as AT-SPI clients).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include "../Tisch.h"

namespace paarix::test {
namespace {

// What reaches a screen reader: each event, and the caret the interface gives
// while the event is sent, which is when a screen reader asks for it.
struct Meldung { QAccessible::Event typ; QObject* objekt; int caret; };
std::vector<Meldung> gehoert;

// Accessibility on, as when a screen reader runs, and every event recorded.
struct Bildschirmleser {
  Bildschirmleser() { gehoert.clear(), QAccessible::installUpdateHandler(Hoeren), Aktiv(true); }
  ~Bildschirmleser() { Aktiv(false), QAccessible::installUpdateHandler(nullptr); }
  static void Aktiv(bool an) { QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(an); }
  static void Hoeren(QAccessibleEvent* e) {
    QAccessibleInterface* i = e->accessibleInterface();
    const auto* s = dynamic_cast<QAccessibleTextSelectionEvent*>(e);
    const int caret = s ? (s->selectionStart() == s->selectionEnd() ? s->selectionStart() : -2)
                      : i && i->textInterface() ? i->textInterface()->cursorPosition() : -1;
    gehoert.push_back({e->type(), e->object(), caret});
  }
  static std::vector<int> Carets(QObject* o, QAccessible::Event typ) {
    std::vector<int> r;
    for (const Meldung& m : gehoert) if (m.objekt == o && m.typ == typ) r.push_back(m.caret);
    return r;
  }
};

QAccessibleInterface* Zugang(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }

TEST(a11y, RoutingActivatesItsCellAfterTheAnswerOtherCaretMovesDoNot) {
  Tisch t("0,1,0\r\n");
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  QAccessibleTextInterface* text = Zugang(t.spiel())->textInterface();
  struct Schritt { std::function<void()> tun; const char* feld; Cues cues; int caret; };
  const Schritt schritte[] = {
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9}, 4},
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9, 8}, 4},            // its own cell: refused
      {[&] { text->setSelection(0, 10, 10); }, "....-.....-.  a-", {9, 8, 11}, 10},    // NVDA's empty selection
      {[&] { text->addSelection(16, 16); }, "....-.....-.  a-", {9, 8, 11, 8}, 16},    // the end of the line
      {[&] {
         for (int pos : {-1, 17, 1000}) text->setCursorPosition(pos);
         text->setSelection(0, 1, 3);  // a selection to read
       }, "....-.....-.  a-", {9, 8, 11, 8}, 3},
      {[&] {
         for (Qt::Key k : {Qt::Key_Home, Qt::Key_Right, Qt::Key_End, Qt::Key_Left}) t.Taste(k);
         t.w->setCaret(6);
       }, "....-.....-.  a-", {9, 8, 11, 8}, 6},
  };
  for (size_t i = 0; i < std::size(schritte); ++i) {
    schritte[i].tun();
    EXPECT_TRUE(i != 0 || t.Feld() == QStringLiteral("............  --")) << "the card turned before the answer";
    QCoreApplication::processEvents();
    EXPECT_EQ(t.Feld(), QString::fromLatin1(schritte[i].feld)) << "step " << i;
    EXPECT_EQ(t.Gespielt(), schritte[i].cues) << "step " << i;
    EXPECT_EQ(t.Caret(), schritte[i].caret) << "step " << i;
  }
}

TEST(a11y, CaretMovesReachTheScreenReader) {
  Tisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(2);
  Bildschirmleser leser;
  t.Taste(Qt::Key_Right);  // a caret event, and for Windows an empty selection at the caret
  EXPECT_EQ(leser.Carets(t.spiel(), QAccessible::TextCaretMoved), std::vector<int>{3});
  EXPECT_EQ(leser.Carets(t.spiel(), QAccessible::TextSelectionChanged), std::vector<int>{3});
  // Without the focus a caret event only: Orca would present a selection.
  t.c(Control::CmdInfo)->setFocus();
  gehoert.clear();
  t.spiel()->setCursorPosition(4);
  EXPECT_EQ(leser.Carets(t.spiel(), QAccessible::TextCaretMoved).size(), 1u);
  EXPECT_TRUE(leser.Carets(t.spiel(), QAccessible::TextSelectionChanged).empty());
}

}  // namespace
}  // namespace paarix::test
