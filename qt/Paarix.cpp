#include "Paarix.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QPushButton>

#include "Accessibility.h"
#include "Auswahlliste.h"
#include "Einstellungen.h"
#include "EventGate.h"
#include "HilfeFeld.h"
#include "SpielFeld.h"
#include "Texte.h"
#include "Tonausgabe.h"
#include "ToneDevice.h"

namespace paarix {

namespace {

constexpr int16_t kCueAnsicht = 9;

// Places are kept in twips, as the layout was drawn; 15 twips make one pixel.
QRect Twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

// A control under its name, at its place.
template <class Control>
Control* Platziert(Control* control, const char* name, const QRect& ort) {
  control->setObjectName(QLatin1String(name));
  control->setGeometry(ort);
  return control;
}

// A font by name; where it is not installed, one of the same kind stands in.
QFont Schrift(const QString& familie, QFont::StyleHint art, qreal punkte) {
  QFont font(familie);
  font.setStyleHint(art);
  font.setPointSizeF(punkte);
  font.setWeight(QFont::Normal);
  return font;
}

QString Q(const std::u16string& text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

std::u16string U16(const QString& text) { return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())}; }

Zufallsquelle& ZufallOderEigener(Zufallsquelle* zufall, std::unique_ptr<Zufallsquelle>& eigener) {
  if (zufall != nullptr) return *zufall;
  eigener = std::make_unique<UhrZufall>();
  return *eigener;
}

}  // namespace

Paarix::Paarix(const QString& iniDatei, std::unique_ptr<ToneDevice> device, Zufallsquelle* zufall, QWidget* parent)
    : QWidget(parent),
      iniDatei_(iniDatei),
      ton_(new Tonausgabe(std::move(device), this)),
      gate_(new EventGate(this)),
      spiel_(*this, *ton_, ZufallOderEigener(zufall, eigenerZufall_)) {
  installAccessibility();  // before the controls: Qt keeps the first interface it made for one
  ControlsAnlegen();
  Verdrahten();
  FormLoad();
}

Paarix::~Paarix() = default;

void Paarix::ControlsAnlegen() {
  setObjectName(QStringLiteral("Paarix"));
  setFixedSize(8910 / 15, 6630 / 15);
  setFont(Schrift(QStringLiteral("Courier"), QFont::TypeWriter, 9.75));

  cmdInfo_ = Platziert(new QPushButton(texte::CmdInfo(), this), "CmdInfo", Twips(150, 1650, 4500, 300));
  lstBrl_ = Platziert(new Auswahlliste(this), "LstBrl", Twips(150, 1965, 6000, 420));
  lstAnzahl_ = Platziert(new Auswahlliste(this), "LstAnzahl", Twips(150, 2490, 4500, 420));
  spielFeld_ = Platziert(new SpielFeld(this), "Spiel", Twips(150, 2955, 7500, 300));
  cmdNeu_ = Platziert(new QPushButton(texte::CmdNeu(), this), "CmdNeu", Twips(150, 3285, 1650, 300));
  cmdEnde_ = Platziert(new QPushButton(texte::CmdEnde(), this), "CmdEnde", Twips(1950, 3285, 1800, 300));
  info_ = Platziert(new HilfeFeld(this), "Info", Twips(150, 2100, 8550, 4500));
  info_->setFont(Schrift(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25));
  info_->hide();

  for (QPushButton* button : {cmdInfo_, cmdNeu_, cmdEnde_}) {
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoDefault(true);  // Enter on the focused button clicks it
  }

  setTabOrder(cmdInfo_, lstBrl_);
  setTabOrder(lstBrl_, lstAnzahl_);
  setTabOrder(lstAnzahl_, spielFeld_);
  setTabOrder(spielFeld_, cmdNeu_);
  setTabOrder(cmdNeu_, cmdEnde_);
  setTabOrder(cmdEnde_, info_);
}

void Paarix::Verdrahten() {
  // Every handler runs through the gate: one at a time, each to completion.
  auto ueberGate = [this](auto handler) { return [this, handler](auto&&...) { gate_->run(handler); }; };

  connect(cmdEnde_, &QPushButton::clicked, this, ueberGate([this] { close(); }));
  connect(cmdNeu_, &QPushButton::clicked, this, ueberGate([this] { spiel_.NeuesSpiel(); }));
  connect(cmdInfo_, &QPushButton::clicked, this, ueberGate([this] { HilfeAn(); }));
  connect(lstAnzahl_, &QListWidget::currentRowChanged, this, ueberGate([this] { spiel_.SpielerzahlSetzen(); }));
  connect(lstBrl_, &Auswahlliste::FokusAbgegeben, this, [this] {
    if (ansichtWechselt_) return;  // the views hide and show controls; that is no move of the player's
    gate_->run([this] { spiel_.BrlGroesseUebernehmen(); });
  });
  connect(spielFeld_, &SpielFeld::Geklickt, this, ueberGate([this] { spiel_.KarteAktivieren(); }));
  connect(spielFeld_, &SpielFeld::Routingtaste, this, &Paarix::Routing);
  connect(spielFeld_, &SpielFeld::DoppelGeklickt, this, ueberGate([this] { SelLaengeNull(); }));
  connect(spielFeld_, &SpielFeld::Zeichentaste, this,
          [this](char16_t code) { gate_->run([this, code] { SpielKeyPress(code); }); });
  connect(info_, &HilfeFeld::Zeichentaste, this, ueberGate([this] { HilfeAus(); }));
  connect(gate_, &EventGate::idle, this, [this] {
    if (schliessenWartet_) close();
  });
}

void Paarix::FormLoad() {
  // 1-3: the settings file, created with three zeros when it is missing.
  const Einstellungen gelesen = EinstellungenBeimStart(iniDatei_);
  spiel_.BrlModus = gelesen.BrlModus;
  spiel_.Spielerzahl = gelesen.Spielerzahl;
  spiel_.IniReserve = gelesen.IniReserve;
  // 4-5
  info_->setPlainText(texte::HilfeText());
  titel_ = texte::Titel();
  setWindowTitle(titel_);
  // 6-8
  lstBrl_->addItems(texte::LstBrl());
  lstBrl_->setCurrentRow(spiel_.BrlModus);
  spiel_.Kartenzahl = KartenzahlFuerIndex(spiel_.BrlModus, spiel_.Kartenzahl);
  // 9-10: selecting the player count runs its selection handler at once.
  lstAnzahl_->addItems(texte::LstAnzahl());
  lstAnzahl_->setCurrentRow(spiel_.Spielerzahl - 1);
  // 11-12
  spiel_.AktSpieler = 1;
  SpielSchreiben(spiel_.FeldText());
  cmdInfo_->setFocus(Qt::OtherFocusReason);
}

// The field and the lists, as the game sees them.

std::u16string Paarix::SpielLesen() const { return U16(spielFeld_->text()); }

void Paarix::SpielSchreiben(const std::u16string& text) { spielFeld_->TextErsetzen(Q(text)); }

int16_t Paarix::CaretPos() const { return static_cast<int16_t>(spielFeld_->cursorPosition()); }

void Paarix::SelLaengeNull() { spielFeld_->setCursorPosition(spielFeld_->cursorPosition()); }

void Paarix::SpielZeichnen() { spielFeld_->repaint(); }

void Paarix::FokusSpiel() { spielFeld_->setFocus(Qt::OtherFocusReason); }

void Paarix::FokusCmdNeu() {
  // At the end of a game in the full-field view the new-game button is hidden:
  // the normal view comes back first, so the focus can land on it.
  if (AktuelleAnsicht() == Ansicht::Vollbild) {
    setWindowTitle(titel_);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdEnde_, cmdInfo_, cmdNeu_, lstBrl_, lstAnzahl_}) w->show();
  }
  cmdNeu_->setFocus(Qt::OtherFocusReason);
}

int16_t Paarix::LstBrlIndex() const { return static_cast<int16_t>(lstBrl_->AuswahlIndex()); }

int16_t Paarix::LstAnzahlIndex() const { return static_cast<int16_t>(lstAnzahl_->AuswahlIndex()); }

void Paarix::Routing(int pos) {
  gate_->run([this, pos] {
    if (!spielFeld_->isVisible()) return;
    spielFeld_->setCursorPosition(pos);
    spiel_.KarteAktivieren();
  });
}

// Keys in the field.

void Paarix::SpielKeyPress(char16_t code) {
  switch (code) {
    case 27:
      VollbildAus();
      ton_->Ton(kCueAnsicht);
      break;
    case 32:
      spiel_.KarteAktivieren();
      break;
    case 86:
    case 118:
      VollbildAn();
      ton_->Ton(kCueAnsicht);
      break;
    default:
      break;
  }
}

// The views.

Ansicht Paarix::AktuelleAnsicht() const {
  if (info_->isVisibleTo(this)) return Ansicht::Hilfe;
  if (!cmdInfo_->isVisibleTo(this)) return Ansicht::Vollbild;
  return Ansicht::Normal;
}

void Paarix::HilfeAn() {
  ansichtWechselt_ = true;
  hide();
  for (QWidget* w : std::initializer_list<QWidget*>{cmdInfo_, lstBrl_, lstAnzahl_, spielFeld_, cmdNeu_, cmdEnde_}) {
    w->hide();
  }
  info_->show();
  show();
  activateWindow();
  info_->setFocus(Qt::OtherFocusReason);
  ansichtWechselt_ = false;
}

void Paarix::HilfeAus() {
  ansichtWechselt_ = true;
  hide();
  info_->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{cmdInfo_, lstBrl_, lstAnzahl_, spielFeld_, cmdNeu_, cmdEnde_}) {
    w->show();
  }
  show();
  activateWindow();
  ansichtWechselt_ = false;
  lstBrl_->setFocus(Qt::OtherFocusReason);
}

void Paarix::VollbildAn() {
  ansichtWechselt_ = true;
  hide();
  QCoreApplication::processEvents();
  setWindowTitle(QString());
  for (QWidget* w : std::initializer_list<QWidget*>{cmdEnde_, cmdInfo_, cmdNeu_, lstBrl_, lstAnzahl_}) w->hide();
  spielFeld_->show();
  show();
  activateWindow();
  spielFeld_->setFocus(Qt::OtherFocusReason);
  ansichtWechselt_ = false;
  repaint();
}

void Paarix::VollbildAus() {
  setWindowTitle(titel_);
  for (QWidget* w : std::initializer_list<QWidget*>{cmdEnde_, cmdInfo_, cmdNeu_, lstBrl_, lstAnzahl_}) w->show();
}

// Every close writes the settings, exactly once; a close asked for while a
// handler runs waits until it has finished.
void Paarix::closeEvent(QCloseEvent* e) {
  if (gate_->busy()) {
    schliessenWartet_ = true;
    e->ignore();
    return;
  }
  schliessenWartet_ = false;
  if (!gespeichert_) {
    gespeichert_ = true;
    const bool ok = EinstellungenSpeichern(iniDatei_, LstBrlIndex(), LstAnzahlIndex(), spiel_.IniReserve);
    emit Gespeichert(ok);
  }
  e->accept();
}

}  // namespace paarix
