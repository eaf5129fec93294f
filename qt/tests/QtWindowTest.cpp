// What only the Qt window shows: keys as characters, the layout applied, the field
// as a control, the lists, what arrives during a cue, and the closes of the program.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QProcess>
#include <csignal>

#include "AlsaTestConfig.h"
#include "CharacterKey.h"
#include "SignalBridge.h"
#include "Tisch.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;
QString Name(Control c) { return QString::fromLatin1(ControlName(c).data(), qsizetype(ControlName(c).size())); }

TEST(Tasten, CharacterKeysAsOnWindows) {
  const Qt::KeyboardModifiers alt = Qt::AltModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
  struct Fall { Qt::Key key; Qt::KeyboardModifiers mods; const char* text; int code; };  // -1: types nothing
  for (const Fall& f : std::initializer_list<Fall>{
           {Qt::Key_V, {}, "v", 'v'}, {Qt::Key_V, shift, "V", 'V'}, {Qt::Key_7, {}, "7", '7'}, {Qt::Key_Comma, {}, ",", ','},
           {Qt::Key_Udiaeresis, {}, "ü", 0xfc}, {Qt::Key_Space, {}, " ", 32}, {Qt::Key_Return, {}, "\r", 13},
           {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13}, {Qt::Key_Escape, {}, "\x1b", 27}, {Qt::Key_Backspace, {}, "\b", 8},
           {Qt::Key_V, ctrl, "\x16", 22}, {Qt::Key_A, ctrl, "\x01", 1}, {Qt::Key_Return, ctrl, "\r", 10},
           {Qt::Key_Backspace, ctrl, "\b", 127}, {Qt::Key_5, ctrl, "5", -1}, {Qt::Key_Delete, {}, "\x7f", -1},
           {Qt::Key_Tab, {}, "\t", -1}, {Qt::Key_Backtab, shift, "", -1}, {Qt::Key_Left, {}, "", -1},
           {Qt::Key_PageDown, {}, "", -1}, {Qt::Key_Home, {}, "", -1}, {Qt::Key_End, {}, "", -1}, {Qt::Key_F5, {}, "", -1},
           {Qt::Key_Space, alt, " ", -1}, {Qt::Key_Escape, alt, "\x1b", -1}, {Qt::Key_N, alt, "n", -1},
           {Qt::Key_Return, alt, "\r", -1}}) {
    const auto code = characterKey(QKeyEvent(QEvent::KeyPress, f.key, f.mods, QString::fromUtf8(f.text)));
    EXPECT_EQ(code ? int(*code) : -1, f.code) << "key " << f.key << ", modifiers " << f.mods.toInt();
  }
}

TEST(Tasten, AltMakesAccessKeysOnlyCharactersReachTheHandlers) {
  Tisch t;
  t.FeldFokus(0);
  t.Zeichen('v');
  t.Taste(Qt::Key_Escape, Qt::AltModifier);
  t.Taste(Qt::Key_Space, Qt::AltModifier);
  EXPECT_EQ(t.Gespielt(), Cues{9}) << "Alt+Escape left the full-field view or Alt+Space turned a card";
  t.Taste(Qt::Key_Escape);
  t.c(Control::CmdInfo)->setFocus();
  t.Taste(Qt::Key_Return);  // clicks the focused button
  ASSERT_EQ(t.ansicht(), Ansicht::Hilfe);
  t.Taste(Qt::Key_Delete, {}, "\x7f");
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_F5}) t.Taste(key);
  t.Taste(Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(t.ansicht(), Ansicht::Hilfe) << "a key that types nothing closed the help";
  t.Taste(Qt::Key_Backspace);
  EXPECT_EQ(t.ansicht(), Ansicht::Normal);
  t.Taste(Qt::Key_E, Qt::AltModifier);  // the access key of "Programm&ende"
  EXPECT_TRUE(QTest::qWaitFor([&] { return !t.w->isVisible(); }));
}

TEST(Layout, ControlsWhereTheLayoutPutsThemAndTheTabOrder) {
  Tisch t;
  const int k = kTwipsPerPixelAt96Dpi;
  EXPECT_EQ(t.w->size(), QSize(kClientArea.width / k, kClientArea.height / k));
  std::vector<Control> sichtbar;
  for (const Control c : kTabOrder) {
    auto* x = t.w->findChild<QWidget*>(Name(c));
    ASSERT_NE(x, nullptr) << Name(c).toStdString();
    const Twips p = Place(c);
    const FontSpec& f = FontOf(c);
    EXPECT_EQ(x->geometry(), QRect(p.left / k, p.top / k, p.width / k, p.height / k)) << Name(c).toStdString();
    EXPECT_EQ(x->font().family(), QString::fromStdU16String(std::u16string(f.family)));
    EXPECT_EQ(x->font().pointSizeF(), f.points);
    EXPECT_EQ(x->font().styleHint(), f.monospaced ? QFont::TypeWriter : QFont::SansSerif);
    EXPECT_EQ(x->isVisible(), c != Control::Info) << Name(c).toStdString();
    if (x->isVisible()) sichtbar.push_back(c);
  }
  // Round with Tab, back with Shift+Tab; Tab into the field selects nothing.
  t.spiel()->setCursorPosition(3);
  EXPECT_EQ(t.FokusName(), Name(kTabOrder[0]));
  for (size_t i = 1; i <= sichtbar.size(); ++i) {
    t.Taste(Qt::Key_Tab);
    EXPECT_EQ(t.FokusName(), Name(sichtbar[i % sichtbar.size()]));
    EXPECT_FALSE(t.spiel()->hasSelectedText());
  }
  for (size_t i = sichtbar.size(); i-- > 0;) {
    t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(t.FokusName(), Name(sichtbar[i]));
  }
  EXPECT_EQ(t.Caret(), 3);
}

TEST(Spiel, PaintedCaretNoEditingAndTheCaretKeepsItsCell) {
  Tisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(3);
  const auto caretGemalt = [&] {  // at the left edge of the caret's cell
    const QRect zelle = t.spiel()->cellRect(t.Caret());
    return t.spiel()->grab().toImage().pixelColor(zelle.left(), zelle.center().y()) == t.spiel()->palette().text().color();
  };
  EXPECT_TRUE(caretGemalt());
  QApplication::clipboard()->setText(QStringLiteral("zzz"));
  for (char ch : std::string("aZ9.-")) t.Zeichen(ch);
  t.Taste(Qt::Key_Backspace);
  t.Taste(Qt::Key_Delete, {}, "\x7f");
  t.Taste(Qt::Key_Insert, Qt::ShiftModifier);
  t.spiel()->selectAll();
  for (Qt::Key key : {Qt::Key_V, Qt::Key_X, Qt::Key_Z, Qt::Key_Y}) t.Taste(key, Qt::ControlModifier);
  QInputMethodEvent ime;
  ime.setCommitString(QStringLiteral("ü"));
  for (const Control c : {Control::Spiel, Control::Info}) QApplication::sendEvent(t.c(c), &ime);
  QMimeData mime;
  mime.setText(QStringLiteral("drop"));
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  for (const Control c : {Control::Spiel, Control::Info}) QApplication::sendEvent(t.c(c), &drop);
  EXPECT_EQ(t.w->text(Control::Info).substr(0, 9), u"Bedienung");
  EXPECT_EQ(t.Feld(), QStringLiteral("............  -"));
  EXPECT_TRUE(t.Gespielt().empty());
  // A double click as the platform delivers it: one activation; the second press selects nothing.
  const QPoint zelle = t.Zelle(0);
  QTest::mouseClick(t.spiel(), Qt::LeftButton, {}, zelle);
  QMouseEvent doppel(QEvent::MouseButtonDblClick, zelle, t.spiel()->mapToGlobal(zelle), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.spiel(), &doppel);
  QTest::mouseRelease(t.spiel(), Qt::LeftButton, {}, zelle);
  EXPECT_EQ(t.Feld(), QStringLiteral("a...........  -"));
  EXPECT_EQ(t.Gespielt(), Cues{9});
  EXPECT_FALSE(t.spiel()->hasSelectedText());
  t.FeldFokus(5);
  t.w->setText(Control::Spiel, u"-----.......  a");
  EXPECT_EQ(t.Caret(), 5) << "the caret left its cell";
  t.w->setText(Control::Spiel, u"ab");
  EXPECT_EQ(t.Caret(), 2);
  t.c(Control::CmdNeu)->setFocus();
  EXPECT_FALSE(caretGemalt()) << "a caret without the focus";
}

TEST(Listen, TheProgramsSelectionRaisesNothingLeavingTheBrailleListDeals) {
  Tisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.w->select(Control::LstAnzahl, 2);
  EXPECT_EQ(t.Feld(), QStringLiteral("a...........  -"));
  t.c(Control::LstAnzahl)->setFocus();
  t.Taste(Qt::Key_Down);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  ----")) << "the player's selection restarts";
  // Only a move to another control of the window leaves LstBrl: not another
  // window taking the keyboard, nor a popup, even when reported late.
  t.c(Control::LstBrl)->setFocus();
  QWidget anderes;
  anderes.show();
  QApplication::setActiveWindow(&anderes);
  QApplication::setActiveWindow(t.w.get());
  t.Taste(Qt::Key_Tab);
  for (Qt::FocusReason grund : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent aus(QEvent::FocusOut, grund);
    QApplication::sendEvent(t.c(Control::LstBrl), &aus);
  }
  EXPECT_EQ(t.Deals(), 2);
}

// Keys, a list click and a close during a cue wait for it, then run in the order they came.
TEST(Warten, InputAndACloseDuringACueRunAfterItInOrder) {
  Tisch t({}, 300ms);
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  std::string imTon;
  t.WaehrendCue(1, [&] {
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Space, Qt::Key_Right, Qt::Key_Right}) QTest::keyClick(t.spiel(), key);
    ListBox* anzahl = t.liste(Control::LstAnzahl);
    QTest::mouseClick(anzahl->viewport(), Qt::LeftButton, {}, anzahl->visualItemRect(anzahl->item(1)).center());
    t.w->close();
    imTon = t.Feld().toStdString() + " caret " + std::to_string(t.Caret()) + (t.w->isVisible() ? " open" : " closed");
  });
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(imTon, "a...........  - caret 0 open") << "something ran while the cue played";
  EXPECT_EQ(t.Gespielt(), (Cues{9, 16})) << "the second card, a miss";
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --"));
  EXPECT_FALSE(t.w->isVisible());
  EXPECT_EQ(t.Datei(), "0,1,0\r\n") << "the close came before the list click";
}

// Each wait ends with its own cue: the end of the outer cue must not end the
// inner wait, or the outer one would never end.
TEST(Warten, ACueAskedForWhileAnotherIsAwaitedDoesNotHang) {
  Tisch t({}, 100ms);
  bool innenFertig = false;
  QTimer::singleShot(20ms, t.w.get(), [&] {
    CuePlayer::Completion innen = t.cues.start(16);
    t.w->waitForCue(innen);
    innenFertig = true;
  });
  bool gehangen = false;
  QTimer wache;
  QObject::connect(&wache, &QTimer::timeout, [&] { gehangen = true, QCoreApplication::exit(1); });  // ends every loop
  wache.start(5s);
  CuePlayer::Completion aussen = t.cues.start(9);
  t.w->waitForCue(aussen);
  EXPECT_FALSE(gehangen) << "hung until the guard fired";
  EXPECT_TRUE(innenFertig);
}

// SIGTERM while the pair cue plays: the handler finishes, the window closes and
// saves, and the loop main() returns from ends with 0.
TEST(Beenden, SigtermDuringThePairCue) {
  Tisch t("0,0,4,1\r\n", 400ms);
  const SignalBridge bruecke([&t] { t.w->close(); });
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.spiel()->setCursorPosition(6);
  bool offenImTon = false;
  QTimer::singleShot(0, t.spiel(), [&t] { QTest::keyClick(t.spiel(), Qt::Key_Space); });
  t.WaehrendCue(2, [&] {
    std::raise(SIGTERM);
    QTest::qWait(50);
    offenImTon = t.w->isVisible();
  });
  QTimer::singleShot(30s, t.w.get(), [] { QCoreApplication::exit(1); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(offenImTon) << "the window closed in the middle of the handler";
  EXPECT_EQ(t.Feld(), QStringLiteral("-.....-.....  a")) << "the handler ran to its end";
  EXPECT_EQ(t.Datei(), "0,0,4\r\n");
}

// The program under a file-size limit of 3 bytes, as on a full disk: the settings
// cannot be written, the old file stays, and SIGTERM still ends it with 0.
TEST(Beenden, ProgramUnderAFileSizeLimitKeepsTheOldFile) {
  AlsaConfigDir alsa;
  QTemporaryDir ordner;
  const QString programm = ordner.filePath(QStringLiteral("paarix")), ini = ordner.filePath(QStringLiteral("paarix.ini"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(PAARIX_PROGRAM), programm));
  std::ofstream(ini.toStdString(), std::ios::binary) << "2,3,7\r\n";
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, wert] : std::map<QString, QString>{{"QT_QPA_PLATFORM", "offscreen"}, {"HOME", ordner.path()},
           {"XDG_CONFIG_HOME", ordner.path()}, {"ALSA_CONFIG_PATH", QString::fromStdString(alsa.missing().string())}}) {
    env.insert(name, wert);
  }
  p.setProcessEnvironment(env);
  p.setChildProcessModifier([] {
    ::signal(SIGXFSZ, SIG_DFL);  // what a shell gives a program it starts
    const rlimit grenze{3, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &grenze);
  });
  p.start(programm, {});
  const auto sigtermGefangen = [&p] {  // from when the window is up
    std::ifstream status("/proc/" + std::to_string(p.processId()) + "/status");
    for (std::string zeile; std::getline(status, zeile);) {
      if (zeile.rfind("SigCgt:", 0) == 0) return ((std::stoull(zeile.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
    }
    return false;
  };
  ASSERT_TRUE(QTest::qWaitFor(sigtermGefangen, 60000)) << p.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(60000));
  const std::string fehler = p.readAllStandardError().toStdString();
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << fehler;
  EXPECT_EQ(p.exitCode(), 0) << fehler;
  EXPECT_NE(fehler.find("nicht gespeichert"), std::string::npos) << fehler;
  EXPECT_EQ((std::ostringstream() << std::ifstream(ini.toStdString()).rdbuf()).str(), "2,3,7\r\n");
}

}  // namespace
}  // namespace paarix::test
