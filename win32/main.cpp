// Paarix for Windows: the window of standard controls on the window logic.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include "CuePlayer.h"
#include "Einstellungen.h"
#include "Paarix.h"
#include "ToneDevice.h"
#include "Win32Toolkit.h"
#include "Zufall.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  // The tone device opens on the audio thread: the window does not wait for it.
  paarix::CuePlayer cues(paarix::openToneDevice);
  paarix::UhrZufall zufall;
  paarix::Win32Toolkit toolkit(instance);
  paarix::Paarix fenster(toolkit, paarix::IniDateiWaehlen(), cues, zufall);
  toolkit.attach(fenster);
  fenster.Form_Load();
  return toolkit.run(showCommand);
}
