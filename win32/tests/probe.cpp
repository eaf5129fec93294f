// What a screen reader does to the running paarix.exe, from a process of its own:
// reads the controls through sent messages, routes the caret with EM_SETSEL like
// NVDA, clicks, hears the live region. tests/scenario/wine_replay.py drives it.
//   probe state                 the window as key=value lines
//   probe route N               EM_SETSEL(N, N) + EM_SCROLLCARET onto the field
//   probe click N [COUNT]       COUNT left clicks (2: a double click) on cell N
//   probe ctrl-click NAME       a Ctrl+click on the selected entry of list NAME
//   probe press NAME            BM_CLICK sent to button NAME, as a screen reader's default action
//   probe command NAME          the WM_COMMAND (BN_CLICKED) of button NAME sent to the window
//   probe behind KEYS route N   the keys (a comma list of Left, Right, Home, space) into the window's
//   probe behind KEYS press NAME  input queue, then the routing key or the click right behind them (after
//                               a read of the field where KEYS end in "read"), all waiting when the
//                               window's thread runs; exit 1 if the window takes 500 ms or more to
//                               answer them (a cue lasts longer)
//   probe close                 a click on the window's close box
//   probe endsession            the end of the Windows session
//   probe watch-focus SECONDS   prints each control that the focus moves to within SECONDS, in turn;
//                               "watching" as it begins
//   probe hear SECONDS          each live region change of the window within SECONDS as a screen reader
//                               hears it: the time (ms since 1970) and the MSAA name of the object the
//                               event names; "listening" as it begins
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

namespace {

using State = std::map<std::wstring, std::wstring>;

void Print(const std::wstring& text) {
  std::string bytes(text.size() * 3 + 1, '\0');
  bytes.resize(
      static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, nullptr)));
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(Send(hwnd, WM_GETTEXTLENGTH)) + 1, L'\0');
  text.resize(static_cast<size_t>(Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

HWND Window() {
  for (int i = 0; i < 400; ++i) {  // 20 s: wine starts slowly on a busy machine
    if (HWND window = FindWindowW(L"Paarix", nullptr)) return window;
    Sleep(50);
  }
  Print(L"no Paarix window\n");
  std::exit(2);
}

// A control is known by what it shows, as a screen reader knows it.
std::wstring NameOf(HWND hwnd) {
  wchar_t kind[32] = L"";
  GetClassNameW(hwnd, kind, 32);
  if (_wcsicmp(kind, STATUSCLASSNAMEW) == 0) return L"status";
  if (_wcsicmp(kind, L"Static") == 0) return L"live-region";
  if (_wcsicmp(kind, L"Edit") == 0) return GetWindowLongW(hwnd, GWL_STYLE) & ES_MULTILINE ? L"Info" : L"Spiel";
  if (_wcsicmp(kind, L"ListBox") == 0) return Send(hwnd, LB_GETCOUNT) == 3 ? L"LstBrl" : L"LstAnzahl";
  const std::wstring caption = TextOf(hwnd);
  if (caption.find(L"&N") != std::wstring::npos) return L"CmdNeu";
  if (caption.find(L"&e") != std::wstring::npos) return L"CmdEnde";
  return caption.empty() ? kind : L"CmdInfo";
}

HWND Child(HWND window, const std::wstring& name) {
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (NameOf(c) == name) return c;
  }
  return nullptr;
}

std::wstring Selected(HWND list) {
  const auto index = static_cast<int>(Send(list, LB_GETCURSEL));
  std::wstring entry(static_cast<size_t>(std::max<LRESULT>(0, Send(list, LB_GETTEXTLEN, index))) + 1, L'\0');
  entry.resize(static_cast<size_t>(std::max<LRESULT>(0, Send(list, LB_GETTEXT, index, (LPARAM)entry.data()))));
  return std::to_wstring(index) + L":" + entry;
}

State Read(HWND window) {
  State s;
  s[L"shown"] = IsWindowVisible(window) ? L"1" : L"0";
  s[L"caption"] = TextOf(window);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
  s[L"focus"] = gui.hwndFocus == nullptr ? L"" : gui.hwndFocus == window ? L"window" : NameOf(gui.hwndFocus);
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::wstring name = NameOf(c);
    const bool visible = (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0;
    if (name == L"status") {  // the status line: its text, whether it is shown, where in the client area
      s[L"status"] = TextOf(c);
      s[L"status-shown"] = visible ? L"1" : L"0";
      RECT bar, client;
      GetWindowRect(c, &bar);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bar), 2);
      GetClientRect(window, &client);
      s[L"status-place"] = std::to_wstring(bar.left) + L"," + std::to_wstring(bar.top) + L"," +
                           std::to_wstring(bar.right) + L"," + std::to_wstring(bar.bottom) + L" in " +
                           std::to_wstring(client.right) + L"," + std::to_wstring(client.bottom);
      continue;
    }
    if (name == L"live-region") continue;
    if (visible) s[L"visible"] += (s[L"visible"].empty() ? L"" : L" ") + name;  // the seven controls
    if (name == L"LstBrl" || name == L"LstAnzahl") s[name] = Selected(c);
    if (name == L"Spiel") {
      s[L"field"] = TextOf(c);
      DWORD from = 0, to = 0;
      Send(c, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
      s[L"sel"] = std::to_wstring(from) + L"," + std::to_wstring(to);
      RECT place;  // in pixels: the field's width and where its 12th cell starts
      GetWindowRect(c, &place);
      s[L"pixels"] = std::to_wstring(place.right - place.left) + L"," +
                     std::to_wstring(static_cast<short>(LOWORD(Send(c, EM_POSFROMCHAR, 11))));
    }
  }
  return s;
}

void PrintState(const State& s) {
  for (const auto& [key, value] : s) Print(key + L"=" + value + L"\n");
}

void ClickAt(POINT point, int count) {
  SetCursorPos(point.x, point.y);
  INPUT press[2] = {};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  for (int i = 0; i < count; ++i) SendInput(2, press, sizeof(INPUT));
}

void Click(HWND field, int cell, int count) {
  const LRESULT at = Send(field, EM_POSFROMCHAR, static_cast<WPARAM>(cell));
  const LRESULT next = Send(field, EM_POSFROMCHAR, static_cast<WPARAM>(cell) + 1);
  const int x = static_cast<short>(LOWORD(at));
  const int width = next == -1 ? 4 : static_cast<short>(LOWORD(next)) - x;
  RECT client;
  GetClientRect(field, &client);
  POINT point{x + width / 4, client.bottom / 2};  // the left half: the edit puts the caret before the cell
  ClientToScreen(field, &point);
  ClickAt(point, count);
}

// The close box is where the window answers HTCLOSE, on the caption's middle line.
void ClickCloseBox(HWND window) {
  for (int i = 0; i < 40 && GetForegroundWindow() != window; ++i) Sleep(50);  // a window that has just appeared
  RECT frame;
  GetWindowRect(window, &frame);
  POINT point{frame.right - 1, 0};
  ClientToScreen(window, &point);
  point.y = (frame.top + point.y) / 2;
  while (point.x > frame.left && Send(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)) != HTCLOSE) --point.x;
  point.x -= 3;
  ClickAt(point, 1);
}

void CtrlClickSelected(HWND list) {
  const auto index = static_cast<int>(Send(list, LB_GETCURSEL));
  if (index < 0) {
    Print(L"no selected entry\n");
    std::exit(1);
  }
  const auto height = static_cast<int>(Send(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
  POINT point{8, (index - static_cast<int>(Send(list, LB_GETTOPINDEX))) * height + height / 2};
  ClientToScreen(list, &point);
  INPUT ctrl{};
  ctrl.type = INPUT_KEYBOARD;
  ctrl.ki.wVk = VK_CONTROL;
  SendInput(1, &ctrl, sizeof ctrl);
  ClickAt(point, 1);
  ctrl.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &ctrl, sizeof ctrl);
}

// Each move of the focus, as a screen reader hears of it (the focus event) and as the
// focus stands between two looks (GetGUIThreadInfo, every millisecond).
std::map<HWND, std::wstring> names;
std::wstring lastFocus;

void FocusSeen(HWND hwnd) {
  const auto found = names.find(hwnd);
  const std::wstring name = found == names.end() ? (hwnd ? L"window" : L"") : found->second;
  if (name != lastFocus) Print(name + L"\n");
  lastFocus = name;
}

void CALLBACK FocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) { FocusSeen(hwnd); }

int WatchFocus(HWND window, int seconds) {
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) names[c] = NameOf(c);
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &process);
  SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, FocusEvent, process, 0, WINEVENT_OUTOFCONTEXT);
  Print(L"watching\n");
  for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000; GetTickCount64() < end;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(thread, &gui);
    FocusSeen(gui.hwndFocus);
    Sleep(1);
  }
  return 0;
}

ULONGLONG MillisecondsSince1970() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;  // 100 ns since 1601
  return ticks / 10000 - 11644473600000ULL;
}

// What NVDA speaks of a live region change: the name of the object the event names.
void CALLBACK LiveRegionEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  const ULONGLONG at = MillisecondsSince1970();
  IAccessible* accessible = nullptr;
  VARIANT id{};
  BSTR name = nullptr;
  if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, object, child, &accessible, &id))) {
    accessible->get_accName(id, &name);
    accessible->Release();
  }
  Print(std::to_wstring(at) + L" " + (name ? name : L"(no name)") + L"\n");
  SysFreeString(name);
}

int Hear(HWND window, int seconds) {
  CoInitialize(nullptr);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (!SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, LiveRegionEvent,
                       process, 0, WINEVENT_OUTOFCONTEXT)) {
    Print(L"no hook\n");
    return 1;
  }
  Print(L"listening\n");
  for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000; GetTickCount64() < end;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return 0;
}

// Keys and the messages a screen reader sends right behind them meet in the
// window's queues as they do when the window's thread is busy: the thread is held
// while the keys go in and the first message is sent, so that all wait when it
// runs again. A read between the keys and the routing key or click is a sent
// message the window handles before it looks for the keys.
int Behind(HWND window, const std::wstring& keys, const std::wstring& action, const std::wstring& target) {
  const std::map<std::wstring, WORD> codes = {
      {L"Left", VK_LEFT}, {L"Right", VK_RIGHT}, {L"Home", VK_HOME}, {L"space", VK_SPACE}};
  HWND field = Child(window, L"Spiel");  // before the thread is held: naming a control asks it
  HWND button = Child(window, target);
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr));
  if (thread == nullptr || SuspendThread(thread) == static_cast<DWORD>(-1)) {
    Print(L"cannot hold the window's thread\n");
    return 1;
  }
  for (size_t at = 0; at < keys.size() && keys.substr(at) != L"read";) {
    const size_t comma = std::min(keys.find(L',', at), keys.size());
    INPUT key[2] = {};
    key[0].type = INPUT_KEYBOARD;
    key[0].ki.wVk = codes.at(keys.substr(at, comma - at));
    key[1] = key[0];
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, key, sizeof(INPUT));
    at = comma + 1;
  }
  std::thread sender([&] {
    if (keys.ends_with(L"read")) TextOf(field);  // as a screen reader reads the field after a key
    if (action == L"route") {
      Send(field, EM_SETSEL, static_cast<WPARAM>(_wtoi(target.c_str())), _wtoi(target.c_str()));
      Send(field, EM_SCROLLCARET);
    } else {
      Send(button, BM_CLICK);
    }
  });
  Sleep(200);  // the message waits in the window's queue now
  const ULONGLONG resumed = GetTickCount64();
  ResumeThread(thread);
  sender.join();
  const ULONGLONG answered = GetTickCount64() - resumed;
  Print(L"answered in " + std::to_wstring(answered) + L" ms\n");
  return answered < 500 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF alone
  SetProcessDPIAware();
  const std::wstring command = argc > 1 ? argv[1] : L"state";
  const int number = argc > 2 ? _wtoi(argv[2]) : 0;
  HWND window = Window();
  HWND field = Child(window, L"Spiel");
  if (command == L"state") PrintState(Read(window));
  if (command == L"route") {
    Send(field, EM_SETSEL, static_cast<WPARAM>(number), number);
    Send(field, EM_SCROLLCARET);
  }
  if (command == L"click") Click(field, number, argc > 3 ? _wtoi(argv[3]) : 1);
  if (command == L"ctrl-click") CtrlClickSelected(Child(window, argv[2]));
  if (command == L"press") Send(Child(window, argv[2]), BM_CLICK);
  if (command == L"command") {
    HWND button = Child(window, argv[2]);
    Send(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  if (command == L"behind" && argc == 5) return Behind(window, argv[2], argv[3], argv[4]);
  if (command == L"close") ClickCloseBox(window);
  if (command == L"endsession") {
    Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  }
  if (command == L"watch-focus") return WatchFocus(window, number);
  if (command == L"hear") return Hear(window, number);
  return 0;
}
