#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Fenster.h"
#include "Zufall.h"

namespace paarix::test {

// A window without a screen: the field is a string, the lists are two indexes.
class FakeFenster : public Fenster {
 public:
  std::u16string SpielLesen() const override { return feld; }
  void SpielSchreiben(const std::u16string& text) override {
    feld = text;
    ++schreibzugriffe;
  }
  int16_t CaretPos() const override { return caret; }
  void SelLaengeNull() override { ++selLaengeNull; }
  void SpielZeichnen() override {
    ++zeichnen;
    angezeigt = feld;
  }
  void FokusSpiel() override { fokus = "Spiel"; }
  void FokusCmdNeu() override { fokus = "CmdNeu"; }
  int16_t LstBrlIndex() const override { return lstBrl; }
  int16_t LstAnzahlIndex() const override { return lstAnzahl; }

  std::u16string feld;
  int16_t caret = 0;
  int16_t lstBrl = 0;
  int16_t lstAnzahl = 0;
  std::string fokus;
  int schreibzugriffe = 0;
  int selLaengeNull = 0;
  int zeichnen = 0;
  std::u16string angezeigt;  // the field as it stood at the last repaint
};

// Records every cue together with the field as it stood, and as it was last
// painted, while the cue played.
class FakeTongeber : public Tongeber {
 public:
  explicit FakeTongeber(const FakeFenster& fenster) : fenster_(fenster) {}
  void Ton(int16_t cue) override {
    cues.push_back(cue);
    feldBeimTon.push_back(fenster_.feld);
    angezeigtBeimTon.push_back(fenster_.angezeigt);
  }
  std::vector<int16_t> cues;
  std::vector<std::u16string> feldBeimTon;
  std::vector<std::u16string> angezeigtBeimTon;

 private:
  const FakeFenster& fenster_;
};

// Plays back given values, then goes on with a seeded generator.
class SkriptZufall : public Zufallsquelle {
 public:
  explicit SkriptZufall(std::vector<float> skript = {}, unsigned seed = 1) : skript_(std::move(skript)), rng_(seed) {}
  void NeuSaeen() override { ++saaten; }
  float Naechste() override {
    if (next_ < skript_.size()) return skript_[next_++];
    return unitFromBits(static_cast<uint32_t>(rng_()));
  }
  void Skript(std::vector<float> werte) {
    skript_ = std::move(werte);
    next_ = 0;
  }
  int saaten = 0;

 private:
  std::vector<float> skript_;
  size_t next_ = 0;
  std::mt19937 rng_;
};

inline std::u16string U(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace paarix::test
