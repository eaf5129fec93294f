// What only the Qt window shows: keys as characters, the layout applied, the field
// as a control, the lists, what arrives during a cue, and the closes of the program.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QClipboard>
#include <QInputMethodEvent>
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
  using K = Qt::Key;
  const Qt::KeyboardModifiers alt = Qt::AltModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, no;
  struct Fall {
    K key;
    Qt::KeyboardModifiers mods;
    const char* text;
    int code;
  };  // -1: types nothing
  for (const Fall& f : std::initializer_list<Fall>{{K::Key_V, no, "v", 'v'},
                                                   {K::Key_V, shift, "V", 'V'},
                                                   {K::Key_7, no, "7", '7'},
                                                   {K::Key_Comma, no, ",", ','},
                                                   {K::Key_Udiaeresis, no, "ü", 0xfc},
                                                   {K::Key_Space, no, " ", 32},
                                                   {K::Key_Return, no, "\r", 13},
                                                   {K::Key_Enter, Qt::KeypadModifier, "\r", 13},
                                                   {K::Key_Escape, no, "\x1b", 27},
                                                   {K::Key_Backspace, no, "\b", 8},
                                                   {K::Key_V, ctrl, "\x16", 22},
                                                   {K::Key_A, ctrl, "\x01", 1},
                                                   {K::Key_Return, ctrl, "\r", 10},
                                                   {K::Key_Backspace, ctrl, "\b", 127},
                                                   {K::Key_5, ctrl, "5", -1},
                                                   {K::Key_Delete, no, "\x7f", -1},
                                                   {K::Key_Tab, no, "\t", -1},
                                                   {K::Key_Backtab, shift, "", -1},
                                                   {K::Key_Left, no, "", -1},
                                                   {K::Key_PageDown, no, "", -1},
                                                   {K::Key_Home, no, "", -1},
                                                   {K::Key_End, no, "", -1},
                                                   {K::Key_F5, no, "", -1},
                                                   {K::Key_Space, alt, " ", -1},
                                                   {K::Key_Escape, alt, "\x1b", -1},
                                                   {K::Key_N, alt, "n", -1},
                                                   {K::Key_Return, alt, "\r", -1}}) {
    const auto code = characterKey(QKeyEvent(QEvent::KeyPress, f.key, f.mods, QString::fromUtf8(f.text)));
    EXPECT_EQ(code ? int(*code) : -1, f.code) << "key " << f.key << ", modifiers " << f.mods.toInt();
  }
}

TEST(Tasten, AltMakesAccessKeysOnlyCharactersReachTheHandlers) {
  Tisch t;
  t.FeldFokus(0);
  t.Taste(Qt::Key_V, {}, "v");
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space}) t.Taste(key, Qt::AltModifier);
  EXPECT_EQ(t.Gespielt(), Cues{9}) << "Alt+Escape left the full-field view or Alt+Space turned a card";
  t.Taste(Qt::Key_Escape);
  t.c(Control::CmdInfo)->setFocus();
  t.Taste(Qt::Key_Return);  // clicks the focused button
  ASSERT_EQ(t.ansicht(), Ansicht::Hilfe);
  t.Taste(Qt::Key_Delete, {}, "\x7f");
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_X})
    t.Taste(key, key == Qt::Key_X ? Qt::AltModifier : Qt::NoModifier);
  EXPECT_EQ(t.ansicht(), Ansicht::Hilfe) << "a key that types nothing closed the help";
  t.Taste(Qt::Key_Backspace);
  EXPECT_EQ(t.ansicht(), Ansicht::Normal);
  t.Taste(Qt::Key_E, Qt::AltModifier);  // the access key of the quit button
  EXPECT_TRUE(QTest::qWaitFor([&] { return !t.w->isVisible(); }));
}

TEST(Layout, ControlsWhereTheLayoutPutsThemAndTheTabOrder) {
  Tisch t;
  const auto pixel = [](Twips p, int k = kTwipsPerPixelAt96Dpi) {
    return QRect(p.left / k, p.top / k, p.width / k, p.height / k);
  };
  EXPECT_EQ(t.w->size(), pixel(kClientArea).size());
  std::vector<Control> sichtbar;
  for (const Control c : kTabOrder) {
    const QWidget* x = t.w->findChild<QWidget*>(Name(c));
    const FontSpec& f = FontOf(c);
    ASSERT_NE(x, nullptr) << Name(c).toStdString();
    EXPECT_EQ(x->geometry(), pixel(Place(c))) << Name(c).toStdString();
    EXPECT_EQ(std::tuple(x->font().family(), x->font().pointSizeF(), x->font().styleHint()),
              std::tuple(QString::fromStdU16String(std::u16string(f.family)), f.points,
                         f.monospaced ? QFont::TypeWriter : QFont::SansSerif));
    EXPECT_EQ(x->isVisible(), c != Control::Info) << Name(c).toStdString();
    if (x->isVisible()) sichtbar.push_back(c);
  }
  // Round with Tab, back with Shift+Tab; Tab into the field selects nothing.
  t.spiel()->setCursorPosition(3);
  EXPECT_EQ(t.FokusName(), Name(kTabOrder[0]));
  for (size_t i = 1; i <= 2 * sichtbar.size(); ++i) {
    const size_t n = sichtbar.size(), soll = i <= n ? i % n : 2 * n - i;
    i <= n ? t.Taste(Qt::Key_Tab) : t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(t.FokusName(), Name(sichtbar[soll])) << "step " << i;
    EXPECT_FALSE(t.spiel()->hasSelectedText());
  }
  EXPECT_EQ(t.Caret(), 3);
}

TEST(Spiel, PaintedCaretNoEditingAndTheCaretKeepsItsCell) {
  Tisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(3);
  const auto caretGemalt = [&] {  // at the left edge of the caret's cell
    const QRect zelle = t.spiel()->cellRect(t.Caret());
    return t.spiel()->grab().toImage().pixelColor(zelle.left(), zelle.center().y()) ==
           t.spiel()->palette().text().color();
  };
  EXPECT_TRUE(caretGemalt());
  const auto texte = [&] { return std::pair(t.w->text(Control::Info), t.Feld()); };
  const auto vorher = texte();
  QApplication::clipboard()->setText(QStringLiteral("zzz"));
  QTest::keyClicks(t.spiel(), QStringLiteral("aZ9.-"));
  t.Taste(Qt::Key_Delete, {}, "\x7f");
  t.Taste(Qt::Key_V, Qt::ControlModifier);
  QInputMethodEvent ime;
  ime.setCommitString(QStringLiteral("ü"));
  for (const Control c : {Control::Spiel, Control::Info}) QApplication::sendEvent(t.c(c), &ime);
  EXPECT_TRUE(texte() == vorher && t.Gespielt().empty()) << "the field or the help edited, or a card turned";
  // A double click as the platform delivers it: one activation; the second press selects nothing.
  const QPoint zelle = t.Zelle(0);
  QTest::mouseClick(t.spiel(), Qt::LeftButton, {}, zelle);
  QMouseEvent doppel(QEvent::MouseButtonDblClick, zelle, t.spiel()->mapToGlobal(zelle), Qt::LeftButton, Qt::LeftButton,
                     {});
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
  // Only a move to another control of the window leaves LstBrl: not another
  // window taking the keyboard, nor a popup, even when reported late.
  t.c(Control::LstBrl)->setFocus();
  QWidget anderes;
  anderes.show(), QApplication::setActiveWindow(&anderes), QApplication::setActiveWindow(t.w.get());
  t.Taste(Qt::Key_Tab);
  for (Qt::FocusReason grund : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent aus(QEvent::FocusOut, grund);
    QApplication::sendEvent(t.c(Control::LstBrl), &aus);
  }
  EXPECT_EQ(t.zufall.saaten, 2);
}

// Keys, a list click and SIGTERM during a cue wait for it, then run in the order they came.
TEST(Warten, InputAndSigtermDuringACueRunAfterItInOrder) {
  Tisch t({}, 300ms);
  const SignalBridge bruecke([&t] { t.w->close(); });
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  std::string imTon;
  t.WaehrendCue(1, [&] {
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Space, Qt::Key_Right, Qt::Key_Right}) QTest::keyClick(t.spiel(), key);
    ListBox* anzahl = t.liste(Control::LstAnzahl);
    QTest::mouseClick(anzahl->viewport(), Qt::LeftButton, {}, anzahl->visualItemRect(anzahl->item(1)).center());
    std::raise(SIGTERM);
    QTest::qWait(50);
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
  bool innenFertig = false, gehangen = false;
  QTimer::singleShot(20ms, t.w.get(), [&] {
    CuePlayer::Completion innen = t.cues.start(16);
    t.w->waitForCue(innen);
    innenFertig = true;
  });
  QTimer::singleShot(5s, t.w.get(), [&] { gehangen = true, QCoreApplication::exit(1); });  // ends every loop
  CuePlayer::Completion aussen = t.cues.start(9);
  t.w->waitForCue(aussen);
  EXPECT_FALSE(gehangen) << "hung until the guard fired";
  EXPECT_TRUE(innenFertig);
}

// The program under a file-size limit of 3 bytes, as on a full disk: the settings
// cannot be written, the old file stays, and SIGTERM still ends it with 0.
TEST(Beenden, ProgramUnderAFileSizeLimitKeepsTheOldFile) {
  AlsaConfigDir alsa;
  QTemporaryDir ordner;
  const QString programm = ordner.filePath(QStringLiteral("paarix")),
                ini = ordner.filePath(QStringLiteral("paarix.ini"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(PAARIX_PROGRAM), programm));
  std::ofstream(ini.toStdString(), std::ios::binary) << "2,3,7\r\n";
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, wert] :
       std::map<QString, QString>{{"QT_QPA_PLATFORM", "offscreen"},
                                  {"HOME", ordner.path()},
                                  {"XDG_CONFIG_HOME", ordner.path()},
                                  {"ALSA_CONFIG_PATH", QString::fromStdString(alsa.missing().string())}})
    env.insert(name, wert);
  p.setProcessEnvironment(env);
  p.setChildProcessModifier([] {
    ::signal(SIGXFSZ, SIG_DFL);  // what a shell gives a program it starts
    const rlimit grenze{3, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &grenze);
  });
  p.start(programm, {});
  const auto sigtermGefangen = [&p] {  // from when the window is up
    std::ifstream status("/proc/" + std::to_string(p.processId()) + "/status");
    std::string zeile;
    while (std::getline(status, zeile) && zeile.rfind("SigCgt:", 0) != 0) {
    }
    return zeile.size() > 7 && ((std::stoull(zeile.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
  };
  ASSERT_TRUE(QTest::qWaitFor(sigtermGefangen, 60000)) << p.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  EXPECT_TRUE(p.waitForFinished(60000));
  EXPECT_TRUE(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ((std::ostringstream() << std::ifstream(ini.toStdString()).rdbuf()).str(), "2,3,7\r\n");
}

}  // namespace
}  // namespace paarix::test
