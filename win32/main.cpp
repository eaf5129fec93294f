// Paarix for Windows: the window of standard controls on the window logic.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "CuePlayer.h"
#include "Einstellungen.h"
#include "Paarix.h"
#include "ToneDevice.h"
#include "Win32Window.h"
#include "Zufall.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};  // the status bar too
  InitCommonControlsEx(&controls);
  // COM for the window's Direct Annotation; it ends after the window.
  struct Com {
    Com() : ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~Com() {
      if (ok) CoUninitialize();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    bool ok;
  } com;

  // The tone device opens on the audio thread: the window does not wait for it.
  paarix::CuePlayer cues(paarix::openToneDevice);
  paarix::UhrZufall zufall;
  paarix::Win32Window window(instance);
  paarix::Paarix paarix(window, paarix::IniDateiWaehlen(), cues, zufall);
  window.attach(paarix);
  paarix.Form_Load();
  return window.run(showCommand);
}
