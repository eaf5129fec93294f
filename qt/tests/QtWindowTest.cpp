// What only the Qt window shows: keys as characters, the layout applied, the field's caret
// and input method, the lists, a cue awaited inside another, and the end of the program.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QInputMethodEvent>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <sstream>

#include "AlsaTestConfig.h"
#include "CharacterKey.h"
#include "QtWindowFixture.h"
#include "Statuszeile.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;
QString Name(Control c) { return QString::fromLatin1(ControlName(c).data(), qsizetype(ControlName(c).size())); }

TEST(Tasten, CharacterKeysAsOnWindows) {
  using K = Qt::Key;
  const Qt::KeyboardModifiers alt = Qt::AltModifier;
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Qt::KeyboardModifiers no;
  struct Fall {
    K key;
    Qt::KeyboardModifiers mods;
    const char* text;
    int code;  // -1: types nothing
  };
  for (const Fall& f : std::initializer_list<Fall>{{K::Key_V, no, "v", 'v'},
                                                   {K::Key_Comma, no, ",", ','},
                                                   {K::Key_Udiaeresis, no, "ü", 0xfc},
                                                   {K::Key_Return, no, "\r", 13},
                                                   {K::Key_Enter, Qt::KeypadModifier, "\r", 13},
                                                   {K::Key_Escape, no, "\x1b", 27},
                                                   {K::Key_Backspace, no, "\b", 8},
                                                   {K::Key_V, ctrl, "\x16", 22},
                                                   {K::Key_Return, ctrl, "\r", 10},
                                                   {K::Key_Backspace, ctrl, "\b", 127},
                                                   {K::Key_5, ctrl, "5", -1},
                                                   {K::Key_Delete, no, "\x7f", -1},
                                                   {K::Key_Left, no, "", -1},
                                                   {K::Key_Space, alt, " ", -1},
                                                   {K::Key_N, alt, "n", -1}}) {
    const auto code = characterKey(QKeyEvent(QEvent::KeyPress, f.key, f.mods, QString::fromUtf8(f.text)));
    EXPECT_EQ(code ? int(*code) : -1, f.code) << "key " << f.key << ", modifiers " << f.mods.toInt();
  }
}

// An access key clicks its button at once: keys after it must not overtake the click.
TEST(Tasten, AnAccessKeyClicksItsButtonAtOnce) {
  QtWindowFixture t;
  t.key(Qt::Key_E, Qt::AltModifier);  // the quit button
  EXPECT_FALSE(t.window->isVisible());
}

TEST(Layout, ControlsWhereTheLayoutPutsThemAndTheTabOrder) {
  QtWindowFixture t;
  const auto pixels = [](Twips p) {
    constexpr int k = kTwipsPerPixelAt96Dpi;
    return QRect(p.left / k, p.top / k, p.width / k, p.height / k);
  };
  // The status line below the controls' area, across the window's width.
  const QRect statuszeile = t.window->statuszeile()->geometry();
  EXPECT_EQ(statuszeile.top(), pixels(kClientArea).bottom() + 1);
  EXPECT_EQ(statuszeile.width(), pixels(kClientArea).width());
  EXPECT_EQ(statuszeile.bottom(), t.window->rect().bottom());
  EXPECT_EQ(t.window->width(), pixels(kClientArea).width());
  for (const Control c : kTabOrder) {
    SCOPED_TRACE(Name(c).toStdString());
    const QWidget* widget = t.window->findChild<QWidget*>(Name(c));
    ASSERT_NE(widget, nullptr);
    const FontSpec& font = FontOf(c);
    EXPECT_EQ(widget->geometry(), pixels(Place(c)));
    EXPECT_EQ(widget->font().family(), QString::fromStdU16String(std::u16string(font.family)));
    EXPECT_EQ(widget->font().pointSizeF(), font.points);
    EXPECT_EQ(widget->font().styleHint(), font.monospaced ? QFont::TypeWriter : QFont::SansSerif);
    EXPECT_EQ(widget->isVisible(), c != Control::Info);
  }
  // Tab goes round the shown controls in their order; into the field it selects nothing.
  t.spielEdit()->setCursorPosition(3);
  for (const Control c : kTabOrder) {
    if (c == Control::Info) continue;
    EXPECT_EQ(t.focusName(), Name(c));
    EXPECT_FALSE(t.spielEdit()->hasSelectedText());
    t.key(Qt::Key_Tab);
  }
  EXPECT_EQ(t.focusName(), Name(kTabOrder[0]));
  EXPECT_EQ(t.caret(), 3);
}

TEST(Spiel, PaintedCaretAndNoInputMethod) {
  QtWindowFixture t;
  t.focusField(3);
  const auto caretPainted = [&] {  // at the left edge of the caret's cell
    const QRect cell = t.spielEdit()->cellRect(t.caret());
    const QColor at = t.spielEdit()->grab().toImage().pixelColor(cell.left(), cell.center().y());
    return at == t.spielEdit()->palette().text().color();
  };
  EXPECT_TRUE(caretPainted());
  const QString field = t.fieldText();
  const std::u16string help = t.window->text(Control::Info);
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("ü"));
  QApplication::sendEvent(t.control(Control::Spiel), &composed);
  QApplication::sendEvent(t.control(Control::Info), &composed);
  EXPECT_EQ(t.fieldText(), field);
  EXPECT_EQ(t.window->text(Control::Info), help);
  t.control(Control::CmdNeu)->setFocus();
  EXPECT_FALSE(caretPainted()) << "a caret without the focus";
}

TEST(Listen, TheProgramsSelectionRaisesNothingLeavingTheBrailleListDeals) {
  QtWindowFixture t;
  t.deal(u"abcdefabcdef");
  t.focusField(0);
  t.key(Qt::Key_Space);
  t.window->select(Control::LstAnzahl, 2);
  EXPECT_EQ(t.fieldText(), QStringLiteral("a...........  -"));
  // Only a move to another control leaves LstBrl: not another window or a popup, even reported late.
  t.control(Control::LstBrl)->setFocus();
  t.key(Qt::Key_Tab);
  for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(t.control(Control::LstBrl), &out);
  }
  EXPECT_EQ(t.random.saaten, 2);
}

// Each wait ends with its own cue: the end of the outer cue must not end the
// inner wait, or the outer one would never end.
TEST(Warten, ACueAskedForWhileAnotherIsAwaitedDoesNotHang) {
  QtWindowFixture t({}, 100ms);
  bool innerDone = false;
  bool hung = false;
  QTimer::singleShot(20ms, t.window.get(), [&] {
    CuePlayer::Completion inner = t.cuePlayer.start(Cue::Ungleich);
    t.window->waitForCue(inner);
    innerDone = true;
  });
  QTimer::singleShot(5s, t.window.get(), [&] {
    hung = true;
    QCoreApplication::exit(1);  // ends every loop
  });
  CuePlayer::Completion outer = t.cuePlayer.start(Cue::ErsteKarte);
  t.window->waitForCue(outer);
  EXPECT_FALSE(hung) << "hung until the guard fired";
  EXPECT_TRUE(innerDone);
}

// The program under a file-size limit of 3 bytes, as on a full disk: the settings
// cannot be written, the old file stays, and SIGTERM still ends it with 0.
TEST(Beenden, ProgramUnderAFileSizeLimitKeepsTheOldFile) {
  AlsaConfigDir alsa;
  QTemporaryDir ordner;
  const QString programm = ordner.filePath(QStringLiteral("paarix"));
  const QString ini = ordner.filePath(QStringLiteral("paarix.ini"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(PAARIX_PROGRAM), programm));
  std::ofstream(ini.toStdString(), std::ios::binary) << "2,3,7\r\n";
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("HOME"), ordner.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), ordner.path());
  env.insert(QStringLiteral("ALSA_CONFIG_PATH"), QString::fromStdString(alsa.missing().string()));
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
