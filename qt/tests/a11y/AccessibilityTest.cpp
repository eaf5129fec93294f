// What a screen reader does through the field's accessible interface and the events
// it gets, in-process (tests/a11y/*.py look from outside, as AT-SPI clients).
#include <gtest/gtest.h>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QAccessibleTextInterface>

#include "../Tisch.h"

namespace paarix::test {
namespace {

// Accessibility on, as when a screen reader runs; of the field's caret and selection events
// the caret the interface gives while each is sent, which is when a screen reader asks for it.
using Gehoert = std::vector<std::pair<QAccessible::Event, int>>;
Gehoert gehoert;
struct Bildschirmleser {
  Bildschirmleser() { gehoert.clear(), QAccessible::installUpdateHandler(Hoeren), Aktiv(true); }
  ~Bildschirmleser() { Aktiv(false), QAccessible::installUpdateHandler(nullptr); }
  static void Aktiv(bool an) { QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(an); }
  static void Hoeren(QAccessibleEvent* e) {
    const auto* s = dynamic_cast<QAccessibleTextSelectionEvent*>(e);
    if (e->type() == QAccessible::TextCaretMoved || s)
      gehoert.push_back({e->type(), s ? (s->selectionStart() == s->selectionEnd() ? s->selectionStart() : -2)
                                      : e->accessibleInterface()->textInterface()->cursorPosition()});
  }
};

TEST(a11y, RoutingActivatesItsCellAfterTheAnswerOtherCaretMovesDoNot) {
  Tisch t("0,1,0\r\n");
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(t.spiel())->textInterface();
  struct Schritt {
    std::function<void()> tun;
    const char* feld;
    Cues cues;
    int caret;
  };
  const Schritt schritte[] = {
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9}, 4},
      {[&] { text->setCursorPosition(4); }, "....e.......  --", {9, 8}, 4},          // its own cell: refused
      {[&] { text->setSelection(0, 10, 10); }, "....-.....-.  a-", {9, 8, 11}, 10},  // NVDA's empty selection
      {[&] { text->addSelection(16, 16); }, "....-.....-.  a-", {9, 8, 11, 8}, 16},  // the end of the line
      {[&] {  // off the line, a selection to read, caret keys
         for (int pos : {-1, 17, 1000}) text->setCursorPosition(pos);
         text->setSelection(0, 1, 3);
         for (Qt::Key k : {Qt::Key_Home, Qt::Key_Right, Qt::Key_End, Qt::Key_Left}) t.Taste(k);
         t.w->setCaret(6);
       },
       "....-.....-.  a-",
       {9, 8, 11, 8},
       6}};
  for (size_t i = 0; i < std::size(schritte); ++i) {
    schritte[i].tun();
    EXPECT_TRUE(i != 0 || t.Feld() == QStringLiteral("............  --")) << "the card turned before the answer";
    QCoreApplication::processEvents();
    EXPECT_EQ(std::tuple(t.Feld(), t.Gespielt(), t.Caret()),
              std::tuple(QString::fromLatin1(schritte[i].feld), schritte[i].cues, schritte[i].caret))
        << "step " << i;
  }
}

TEST(a11y, CaretMovesReachTheScreenReader) {
  Tisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(2);
  Bildschirmleser leser;
  t.Taste(Qt::Key_Right);  // a caret event, and for Windows an empty selection at the caret
  EXPECT_EQ(gehoert, (Gehoert{{QAccessible::TextSelectionChanged, 3}, {QAccessible::TextCaretMoved, 3}}));
  // Without the focus a caret event only: Orca would present a selection.
  t.c(Control::CmdInfo)->setFocus();
  gehoert.clear();
  t.spiel()->setCursorPosition(4);
  EXPECT_EQ(gehoert, (Gehoert{{QAccessible::TextCaretMoved, 4}}));
}

}  // namespace
}  // namespace paarix::test
