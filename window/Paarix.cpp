#include "Paarix.h"

#include <initializer_list>
#include <utility>

#include "Ansagen.h"
#include "Einstellungen.h"
#include "Spielstand.h"
#include "Texte.h"

namespace paarix {

namespace {

// The controls of the normal view besides the field, in the order the views
// show and hide them.
constexpr std::initializer_list<Control> kHilfeVerdeckt = {Control::CmdInfo, Control::LstBrl, Control::LstAnzahl,
                                                           Control::Spiel,   Control::CmdNeu, Control::CmdEnde};
constexpr std::initializer_list<Control> kVollbildVerdeckt = {Control::CmdEnde, Control::CmdInfo, Control::CmdNeu,
                                                              Control::LstBrl, Control::LstAnzahl};

}  // namespace

Paarix::Paarix(Toolkit& toolkit, std::filesystem::path iniDatei, CuePlayer& cues, Zufallsquelle& zufall)
    : toolkit_(toolkit), iniDatei_(std::move(iniDatei)), cues_(cues), spiel_(*this, *this, zufall) {}

void Paarix::Form_Load() {
  // The settings file, created with three zeros when it is missing.
  const Einstellungen gelesen = EinstellungenBeimStart(iniDatei_);
  spiel_.BrlModus = gelesen.BrlModus;
  spiel_.Spielerzahl = gelesen.Spielerzahl;
  spiel_.IniReserve = gelesen.IniReserve;
  ansagen_ = gelesen.Ansagen;

  toolkit_.setText(Control::Info, texte::HilfeText());
  titel_ = texte::Titel();
  toolkit_.setCaption(titel_);

  for (const auto eintrag : texte::LstBrl) toolkit_.addItem(Control::LstBrl, std::u16string(eintrag));
  toolkit_.select(Control::LstBrl, spiel_.BrlModus);  // nothing reacts to this selection
  spiel_.Kartenzahl = KartenzahlFuerIndex(spiel_.BrlModus, spiel_.Kartenzahl);

  for (const auto eintrag : texte::LstAnzahl) toolkit_.addItem(Control::LstAnzahl, std::u16string(eintrag));
  // The selection changes from none to the stored entry: its selection event runs
  // at once, inside this step.
  const int16_t vorher = toolkit_.selectedIndex(Control::LstAnzahl);
  toolkit_.select(Control::LstAnzahl, static_cast<int16_t>(spiel_.Spielerzahl - 1));
  if (toolkit_.selectedIndex(Control::LstAnzahl) != vorher) spiel_.SpielerzahlSetzen();

  spiel_.AktSpieler = 1;
  SpielSchreiben(spiel_.FeldText());
  toolkit_.setStatusVisible(true);
  toolkit_.setFocus(Control::CmdInfo);
}

// The player's input, in the order it arrived, and one handler at a time.

void Paarix::handleInput(std::function<void()> input) {
  const bool now = !busy_ && !inputRunning_ && inputQueue_.empty();
  inputQueue_.push_back(std::move(input));
  if (now) runInputQueue();
}

void Paarix::asInput(std::function<void()> input) {
  if (inputRunning_ && !busy_) {
    input();  // part of the input that runs now, such as the click of a replayed mouse event
    return;
  }
  handleInput(std::move(input));
}

void Paarix::runInputQueue() {
  if (busy_ || inputRunning_) return;
  inputRunning_ = true;
  while (!inputQueue_.empty()) {
    const auto next = std::move(inputQueue_.front());
    inputQueue_.pop_front();
    next();
  }
  inputRunning_ = false;
}

void Paarix::runHandler(std::function<void()> handler) {
  if (busy_) {
    raisedHandlers_.push_back(std::move(handler));
    return;
  }
  busy_ = true;
  handler();
  while (!raisedHandlers_.empty()) {
    const auto next = std::move(raisedHandlers_.front());
    raisedHandlers_.pop_front();
    next();
  }
  busy_ = false;
  runInputQueue();
}

void Paarix::runInputHandler(std::function<void()> handler) {
  asInput([this, handler = std::move(handler)] { runHandler(handler); });
}

// The handlers.

void Paarix::CmdInfo_Click() {
  runInputHandler([this] { HilfeAn(); });
}

void Paarix::CmdNeu_Click() {
  runInputHandler([this] { spiel_.NeuesSpiel(); });
}

void Paarix::CmdEnde_Click() {
  asInput([this] { toolkit_.requestClose(); });
}

void Paarix::LstAnzahl_Click() {
  runInputHandler([this] { spiel_.SpielerzahlSetzen(); });
}

void Paarix::LstBrl_LostFocus() {
  if (ansichtWechselt_) return;  // the views hide and show controls; that is no move of the player's
  runHandler([this] { spiel_.BrlGroesseUebernehmen(); });
}

void Paarix::Spiel_Click() {
  runInputHandler([this] { Aktivieren(); });
}

void Paarix::Spiel_Routing(int16_t position) {
  inputQueue_.push_back([this, position] {
    runHandler([this, position] {
      if (!toolkit_.isVisible(Control::Spiel)) return;  // the help view hides the field
      toolkit_.setCaret(position);
      Aktivieren();
    });
  });
  if (!busy_ && !inputRunning_) toolkit_.scheduleInputQueue();
}

void Paarix::Spiel_DblClick() {
  runInputHandler([this] { SelLaengeNull(); });
}

void Paarix::Spiel_KeyPress(char16_t code) {
  runInputHandler([this, code] {
    switch (code) {
      case u'\x1b':
        VollbildAus();
        Abspielen(Cue::ErsteKarte);
        break;
      case u' ': Aktivieren(); break;
      case u'S':
      case u's':
        ansagen_ = !ansagen_;
        toolkit_.announce(std::u16string(ansagen_ ? texte::AnsagenAn : texte::AnsagenAus));
        break;
      case u'I':
      case u'i': toolkit_.announce(statuszeile_); break;
      case u'V':
      case u'v':
        VollbildAn();
        Abspielen(Cue::ErsteKarte);
        break;
      default: break;
    }
  });
}

void Paarix::Info_KeyPress(char16_t) {
  runInputHandler([this] { HilfeAus(); });
}

// Closing.

bool Paarix::Form_QueryUnload() {
  if (inputWaits()) {
    inputQueue_.push_back([this] { toolkit_.requestClose(); });
    return false;
  }
  Speichern();
  inputQueue_.clear();  // the window goes: nothing after the close is for it
  return true;
}

void Paarix::SessionEnding() { Speichern(); }

void Paarix::Speichern() {
  if (gespeichert_) return;
  gespeichert_ = EinstellungenSpeichern(iniDatei_, LstBrlIndex(), LstAnzahlIndex(), spiel_.IniReserve, ansagen_);
}

// The views.

Ansicht Paarix::AktuelleAnsicht() const {
  if (toolkit_.isVisible(Control::Info)) return Ansicht::Hilfe;
  if (!toolkit_.isVisible(Control::CmdInfo)) return Ansicht::Vollbild;
  return Ansicht::Normal;
}

void Paarix::HilfeAn() {
  ansichtWechselt_ = true;
  toolkit_.hideWindow();
  for (const Control c : kHilfeVerdeckt) toolkit_.setVisible(c, false);
  toolkit_.setStatusVisible(false);
  toolkit_.setVisible(Control::Info, true);
  toolkit_.showWindow();
  toolkit_.setFocus(Control::Info);
  ansichtWechselt_ = false;
}

void Paarix::HilfeAus() {
  ansichtWechselt_ = true;
  toolkit_.hideWindow();
  toolkit_.setVisible(Control::Info, false);
  for (const Control c : kHilfeVerdeckt) toolkit_.setVisible(c, true);
  toolkit_.setStatusVisible(true);
  toolkit_.showWindow();
  ansichtWechselt_ = false;
  toolkit_.setFocus(Control::LstBrl);
}

void Paarix::VollbildAn() {
  ansichtWechselt_ = true;
  toolkit_.hideWindow();
  toolkit_.processPendingEvents();
  toolkit_.setCaption({});
  for (const Control c : kVollbildVerdeckt) toolkit_.setVisible(c, false);
  toolkit_.setStatusVisible(false);  // the field alone; the key i still says the status line
  toolkit_.setVisible(Control::Spiel, true);
  toolkit_.showWindow();
  toolkit_.setFocus(Control::Spiel);
  ansichtWechselt_ = false;
  toolkit_.repaintWindow();
}

void Paarix::VollbildAus() {
  toolkit_.setCaption(titel_);
  for (const Control c : kVollbildVerdeckt) toolkit_.setVisible(c, true);
  toolkit_.setStatusVisible(true);
}

// Fenster: the game's view of the controls.

std::u16string Paarix::SpielLesen() const { return toolkit_.text(Control::Spiel); }

void Paarix::SpielSchreiben(const std::u16string& text) {
  toolkit_.setText(Control::Spiel, text);
  StatuszeileSchreiben(text);
}

// Every change of the game that the status line tells (the player count, the
// player whose turn it is, the points, the cards) comes with a new field text.
void Paarix::StatuszeileSchreiben(const std::u16string& feld) {
  statuszeile_ = StatuszeilenText(spiel_, feld);
  toolkit_.setStatus(statuszeile_);
}

int16_t Paarix::CaretPos() const { return toolkit_.caret(); }

void Paarix::SelLaengeNull() { toolkit_.clearSelection(); }

void Paarix::SpielZeichnen() { toolkit_.repaint(Control::Spiel); }

void Paarix::FokusSpiel() { toolkit_.setFocus(Control::Spiel); }

void Paarix::FokusCmdNeu() {
  // At the end of a game in the full-field view the new-game button is hidden:
  // the normal view comes back first, so the focus can land on it.
  if (AktuelleAnsicht() == Ansicht::Vollbild) VollbildAus();
  toolkit_.setFocus(Control::CmdNeu);
}

int16_t Paarix::LstBrlIndex() const { return toolkit_.selectedIndex(Control::LstBrl); }

int16_t Paarix::LstAnzahlIndex() const { return toolkit_.selectedIndex(Control::LstAnzahl); }

// The spoken events. The screen reader speaks while the cue plays: the text goes
// out before the cue starts.

void Paarix::Ton(int16_t cue) {
  Sagen(AnsageZumTon(cue, spiel_, SpielLesen()));
  Abspielen(cue);
}

void Paarix::Aktivieren() {
  const int16_t phase = spiel_.Zug;
  spiel_.KarteAktivieren();
  if (phase == Zugphase::UngleichesPaar) Sagen(AnsageVerdeckt(spiel_));
  // After the game an activation plays nothing; the first one moves the focus,
  // which the screen reader presents itself.
  if (phase > Zugphase::Spielschluss) Sagen(AnsageAbgelehnt(spiel_, SpielLesen()));
}

void Paarix::Sagen(const std::u16string& text) {
  if (ansagen_ && !text.empty()) toolkit_.announce(text);
}

void Paarix::Abspielen(int16_t cue) {
  CuePlayer::Completion ende = cues_.start(cue);
  toolkit_.waitForCue(ende);
  ende.wait();
}

}  // namespace paarix
