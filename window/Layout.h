#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace paarix {

// The seven controls of the window, in tab order.
enum class Control : uint8_t { CmdInfo, LstBrl, LstAnzahl, Spiel, CmdNeu, CmdEnde, Info };

inline constexpr std::array<Control, 7> kTabOrder = {Control::CmdInfo, Control::LstBrl, Control::LstAnzahl,
                                                     Control::Spiel,   Control::CmdNeu, Control::CmdEnde,
                                                     Control::Info};

// The control's name, also its object name in a toolkit that has them.
constexpr std::string_view ControlName(Control control) {
  constexpr std::array<std::string_view, 7> names = {"CmdInfo", "LstBrl",  "LstAnzahl", "Spiel",
                                                     "CmdNeu",  "CmdEnde", "Info"};
  return names[static_cast<size_t>(control)];
}

// Places in twips (1/20 point; 15 twips are one pixel at 96 dots per inch), from
// the top-left corner of the client area.
struct Twips {
  int left, top, width, height;
};

inline constexpr int kTwipsPerPixelAt96Dpi = 15;
inline constexpr Twips kClientArea = {0, 0, 8910, 6630};

constexpr Twips Place(Control control) {
  switch (control) {
    case Control::CmdInfo: return {150, 1650, 4500, 300};
    case Control::LstBrl: return {150, 1965, 6000, 420};
    case Control::LstAnzahl: return {150, 2490, 4500, 420};
    case Control::Spiel: return {150, 2955, 7500, 300};
    case Control::CmdNeu: return {150, 3285, 1650, 300};
    case Control::CmdEnde: return {1950, 3285, 1800, 300};
    case Control::Info: return {150, 2100, 8550, 4500};
  }
  return {};
}

// Fonts: every control but Info shows the window font, Info its own. Where a
// name is not installed a font of the same kind stands in.
struct FontSpec {
  std::u16string_view family;
  bool monospaced;
  double points;
};

inline constexpr FontSpec kWindowFont = {u"Courier", true, 9.75};
inline constexpr FontSpec kInfoFont = {u"MS Sans Serif", false, 8.25};

constexpr const FontSpec& FontOf(Control control) { return control == Control::Info ? kInfoFont : kWindowFont; }

}  // namespace paarix
