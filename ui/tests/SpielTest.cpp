#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>

#include "Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

// Deals with a known solution: the window deals, then the test fixes the letters.
void Geben(Spieltisch& t, const std::u16string& loesung) {
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = loesung;
}

TEST(Spiel, WholeGameByKeys) {
  Spieltisch t("0,1,0\r\n");
  Geben(t, u"abcdefabcdef");
  ASSERT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  t.Taste(Qt::Key_Home);
  // A miss first: the turn passes to player 2.
  t.Taste(Qt::Key_Space);
  for (int i = 0; i < 7; ++i) t.Taste(Qt::Key_Right);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Feld(), QStringLiteral("a......b....  --"));
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --"));
  EXPECT_EQ(t.fenster->Zustand().AktSpieler, 2);
  // Player 2 finds every pair.
  for (int paar = 0; paar < 6; ++paar) {
    t.Taste(Qt::Key_Home);
    for (int i = 0; i < paar; ++i) t.Taste(Qt::Key_Right);
    t.Taste(Qt::Key_Space);
    for (int i = 0; i < 6; ++i) t.Taste(Qt::Key_Right);
    t.Taste(Qt::Key_Space);
  }
  EXPECT_EQ(t.Feld(), QStringLiteral("Spielschluss  -f"));
  const std::vector<int> erwartet{9, 16, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11};
  EXPECT_EQ(t.Cues(), erwartet);
  // The next activation takes the player to the new-game button.
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdNeu"));
}

TEST(Spiel, WholeGameByClicks) {
  Spieltisch t;
  Geben(t, u"aabbccddeeff");
  for (int pos = 0; pos < 12; ++pos) {
    QTest::mouseClick(t.Spiel(), Qt::LeftButton, {}, t.Zelle(pos));
    ASSERT_EQ(t.Spiel()->cursorPosition(), pos);
  }
  EXPECT_EQ(t.Feld(), QStringLiteral("Spielschluss  f"));
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 11, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11}));
}

TEST(Spiel, DoubleClickIsOneActivationAndLeavesNothingSelected) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  // What the platform delivers for a double click: press, release, double click, release.
  const QPoint zelle = t.Zelle(4);
  QTest::mousePress(t.Spiel(), Qt::LeftButton, {}, zelle);
  QTest::mouseRelease(t.Spiel(), Qt::LeftButton, {}, zelle);
  QMouseEvent doppel(QEvent::MouseButtonDblClick, zelle, t.Spiel()->mapToGlobal(zelle), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &doppel);
  QTest::mouseRelease(t.Spiel(), Qt::LeftButton, {}, zelle);
  EXPECT_EQ(t.Cues(), std::vector<int>{9});
  EXPECT_EQ(t.Feld(), QStringLiteral("....e.......  -"));
  EXPECT_FALSE(t.Spiel()->hasSelectedText());
  EXPECT_EQ(t.Spiel()->cursorPosition(), 4);
}

TEST(Spiel, KeyDispatch) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(2);

  t.Zeichen('x');
  t.Zeichen('7');
  t.Taste(Qt::Key_Return);
  EXPECT_TRUE(t.Cues().empty()) << "other characters do nothing";

  t.Taste(Qt::Key_Escape);
  EXPECT_EQ(t.Cues(), std::vector<int>{9}) << "Escape sounds cue 9 also in the normal view";
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Normal);

  t.Zeichen('v');
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Vollbild);
  t.Taste(Qt::Key_V, Qt::ShiftModifier);
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Vollbild);
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 9, 9}));

  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Feld(), QStringLiteral("..c.........  -"));
  EXPECT_EQ(t.Cues().size(), 4u);

  t.Taste(Qt::Key_Escape);
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Normal);
  EXPECT_EQ(t.Feld(), QStringLiteral("..c.........  -")) << "views leave the game alone";
  EXPECT_EQ(t.Spiel()->cursorPosition(), 2);
}

TEST(Spiel, CaretStaysOnItsCellWhenTheTextIsReplaced) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(5);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Spiel()->cursorPosition(), 5);
  t.fenster->SpielSchreiben(u"ab");
  EXPECT_EQ(t.Spiel()->cursorPosition(), 2) << "clamped to the new length";
}

TEST(Spiel, NoEditingInputChangesTheField) {
  Spieltisch t;
  Geben(t, u"abcdefabcdef");
  t.FeldFokus(3);
  const QString vorher = t.Feld();
  QApplication::clipboard()->setText(QStringLiteral("zzz"));

  for (char c : std::string("aZ9.-")) t.Zeichen(c);
  for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) t.Taste(key);
  t.Taste(Qt::Key_V, Qt::ControlModifier);
  t.Taste(Qt::Key_Insert, Qt::ShiftModifier);
  t.Spiel()->selectAll();
  t.Taste(Qt::Key_X, Qt::ControlModifier);
  t.Taste(Qt::Key_Z, Qt::ControlModifier);
  QInputMethodEvent ime;
  ime.setCommitString(QStringLiteral("ü"));
  QApplication::sendEvent(t.Spiel(), &ime);

  auto* mime = new QMimeData;
  mime->setText(QStringLiteral("drop"));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &drop);
  delete mime;

  std::unique_ptr<QMenu> menu(t.Spiel()->createStandardContextMenu());
  for (QAction* action : menu->actions()) {
    if (action->isEnabled()) action->trigger();
  }

  EXPECT_EQ(t.Feld(), vorher);
  EXPECT_TRUE(t.Cues().empty());
}

}  // namespace
}  // namespace paarix::test
