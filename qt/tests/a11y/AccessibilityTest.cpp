// What a screen reader does through the field's accessible interface and the events
// it gets, in-process (tests/a11y/*.py look from outside, as AT-SPI clients).
#include <gtest/gtest.h>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QAccessibleTextInterface>

#include "../QtWindowFixture.h"
#include "Texte.h"

namespace paarix::test {
namespace {

// Accessibility on, as when a screen reader runs; of the field's caret and selection events
// the caret the interface gives while each is sent, which is when a screen reader asks for it
// (-2: a selection that is not empty).
using Gehoert = std::vector<std::pair<QAccessible::Event, int>>;
Gehoert gehoert;
struct Bildschirmleser {
  Bildschirmleser() {
    gehoert.clear();
    QAccessible::installUpdateHandler(Hoeren);
    Aktiv(true);
  }
  ~Bildschirmleser() {
    Aktiv(false);
    QAccessible::installUpdateHandler(nullptr);
  }
  static void Aktiv(bool an) { QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(an); }
  static void Hoeren(QAccessibleEvent* e) {
    if (const auto* selection = dynamic_cast<QAccessibleTextSelectionEvent*>(e)) {
      const bool empty = selection->selectionStart() == selection->selectionEnd();
      gehoert.push_back({e->type(), empty ? selection->selectionStart() : -2});
    } else if (e->type() == QAccessible::TextCaretMoved) {
      gehoert.push_back({e->type(), e->accessibleInterface()->textInterface()->cursorPosition()});
    }
  }
};

// Both texts read-only; the field without a name (it would stand before it on the Braille line); the help by lines.
TEST(a11y, ReadOnlyTextsAndTheHelpLineByLine) {
  QtWindowFixture t;
  QAccessibleInterface* spiel = QAccessible::queryAccessibleInterface(t.spielEdit());
  QAccessibleInterface* info = QAccessible::queryAccessibleInterface(t.control(Control::Info));
  for (QAccessibleInterface* text : {spiel, info}) {
    EXPECT_EQ(text->editableTextInterface(), nullptr);
    EXPECT_TRUE(text->state().readOnly);
    EXPECT_FALSE(text->state().editable);
  }
  EXPECT_EQ(spiel->text(QAccessible::Name), QString());
  QAccessibleTextInterface* hilfe = info->textInterface();
  int offset = 0;
  for (const std::u16string_view zeile : texte::HilfeZeilen) {
    int start = -1;
    int end = -1;
    QString gelesen = hilfe->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
    if (gelesen.endsWith(u'\n')) gelesen.chop(1);
    EXPECT_EQ(gelesen.toStdU16String(), zeile);
    EXPECT_EQ(start, offset);
    offset = end;
  }
  EXPECT_EQ(offset, hilfe->characterCount());
}

TEST(a11y, RoutingActivatesItsCellAfterTheAnswerOtherCaretMovesDoNot) {
  QtWindowFixture t("0,1,0\r\n");
  t.deal(u"abcdefabcdef");
  t.focusField(0);
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(t.spielEdit())->textInterface();
  text->setCursorPosition(4);  // Orca's routing key
  EXPECT_EQ(t.fieldText(), QStringLiteral("............  --")) << "the card turned before the answer";
  t.key(Qt::Key_Right);  // keys wait behind the routing key
  t.key(Qt::Key_Space);
  QCoreApplication::processEvents();
  EXPECT_EQ(t.fieldText(), QStringLiteral("....ef......  --"));
  EXPECT_EQ(t.caret(), 5);
  Cues cues = {Cue::ErsteKarte, Cue::Ungleich};
  EXPECT_EQ(t.cuesPlayed(), cues) << "the keys did not wait";
  text->setCursorPosition(5);  // the two go face down
  QCoreApplication::processEvents();
  text->setCursorPosition(5);  // the cell under the caret turns
  QCoreApplication::processEvents();
  EXPECT_EQ(t.fieldText(), QStringLiteral(".....f......  --"));
  text->setCursorPosition(5);     // now face up: refused
  text->setSelection(0, 11, 11);  // NVDA's routing key: an empty selection at the cell
  QCoreApplication::processEvents();
  EXPECT_EQ(t.fieldText(), QStringLiteral(".....-.....-  -a"));
  EXPECT_EQ(t.caret(), 11);
  text->addSelection(16, 16);  // the end of the line
  QCoreApplication::processEvents();
  EXPECT_EQ(t.caret(), 16);
  for (int16_t cue : {Cue::ErsteKarte, Cue::Abgelehnt, Cue::Paar, Cue::Abgelehnt}) cues.push_back(cue);
  EXPECT_EQ(t.cuesPlayed(), cues);
  // Off the line and a selection to read: no activation.
  for (int pos : {-1, 17, 1000}) text->setCursorPosition(pos);
  text->setSelection(0, 1, 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(t.fieldText(), QStringLiteral(".....-.....-  -a"));
  EXPECT_EQ(t.cuesPlayed(), cues);
}

TEST(a11y, CaretMovesReachTheScreenReader) {
  QtWindowFixture t;
  t.deal(u"abcdefabcdef");
  t.focusField(2);
  Bildschirmleser leser;
  t.key(Qt::Key_Right);  // a caret event, and for Windows an empty selection at the caret
  EXPECT_EQ(gehoert, (Gehoert{{QAccessible::TextSelectionChanged, 3}, {QAccessible::TextCaretMoved, 3}}));
  // A card turned rewrites the field: the caret is heard on its cell only, never at the end on the way.
  gehoert.clear();
  t.key(Qt::Key_Space);
  ASSERT_EQ(t.fieldText(), QStringLiteral("...d........  -"));
  for (const auto& [event, caret] : gehoert) EXPECT_EQ(caret, 3) << "event " << event;
  // Without the focus a caret event only: Orca would present a selection.
  t.control(Control::CmdInfo)->setFocus();
  gehoert.clear();
  t.spielEdit()->setCursorPosition(4);
  EXPECT_EQ(gehoert, (Gehoert{{QAccessible::TextCaretMoved, 4}}));
}

}  // namespace
}  // namespace paarix::test
