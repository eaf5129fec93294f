#include "Win32Window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "Texte.h"

namespace paarix {

namespace {

constexpr wchar_t kWindowClass[] = L"Paarix";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kFirstControlId = 100;     // + the place in the tab order
constexpr UINT kRunInputQueue = WM_APP;  // posted by scheduleInputQueue
constexpr int kStatusBarId = kFirstControlId + 7;
constexpr int kLiveRegionId = kFirstControlId + 8;

// Direct Annotation (oleacc), defined here: mingw's import library gives
// identifiers that oleacc does not accept everywhere.
constexpr GUID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
// The UI Automation property LiveSetting, which mingw's headers lack; its values.
constexpr GUID kLiveSetting = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kLiveSettingAssertive = 2;
constexpr GUID kDescription = {0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};

std::wstring W(std::u16string_view text) { return {text.begin(), text.end()}; }

// Functions of newer Windows versions, looked up so the program still starts
// on older ones (there with the system's dots per inch).
template <class Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT DpiOf(HWND window) {
  static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) return getDpiForWindow(window);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

void AdjustForDpi(RECT& rect, UINT dpi) {
  static const auto adjust = User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (adjust != nullptr) {
    adjust(&rect, kWindowStyle, FALSE, 0, dpi);
  } else {
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, 0);
  }
}

// The font by name at its size in points; where the name is not installed the
// font mapper puts in one of the same kind (pitch and family).
HFONT CreateFontFor(const FontSpec& spec, UINT dpi) {
  const int height = -MulDiv(static_cast<int>(std::lround(spec.points * 100)), static_cast<int>(dpi), 7200);
  const BYTE kind = spec.monospaced ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kind, W(spec.family).c_str());
}

bool IsButton(Control control) {
  return control == Control::CmdInfo || control == Control::CmdNeu || control == Control::CmdEnde;
}

int16_t ToInt16(DWORD value) { return static_cast<int16_t>(std::min<DWORD>(value, INT16_MAX)); }

bool IsKey(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }
bool IsKeyStroke(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}
bool IsMouse(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }
bool IsFrameMouse(UINT message) { return message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK; }

// The player's input: keys with the characters they make, the mouse on the
// controls and on the frame, and a click posted to a button.
bool IsPlayerInput(UINT message) {
  return IsKey(message) || IsMouse(message) || IsFrameMouse(message) || message == BM_CLICK;
}

// Counts the program's own messages while it lives.
class OwnMessage {
 public:
  explicit OwnMessage(int& count) : count_(count) { ++count_; }
  ~OwnMessage() { --count_; }
  OwnMessage(const OwnMessage&) = delete;
  OwnMessage& operator=(const OwnMessage&) = delete;

 private:
  int& count_;
};

}  // namespace

Win32Window::Win32Window(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(PAARIX_ICON));  // Windows takes the small icon from it too
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  CreateWindowExW(0, kWindowClass, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  nullptr, nullptr, instance, this);
  createControls(instance);
  annotate();
  applyDpi(DpiOf(window_));
}

Win32Window::~Win32Window() {
  paarix_ = nullptr;  // the window logic may be gone already; nothing reaches it now
  if (annotations_ != nullptr) {
    const MSAAPROPID live = kLiveSetting;
    const MSAAPROPID description = kDescription;
    annotations_->ClearHwndProps(liveRegion_, OBJID_CLIENT, CHILDID_SELF, &live, 1);
    annotations_->ClearHwndProps(hwnd(Control::Spiel), OBJID_CLIENT, CHILDID_SELF, &description, 1);
    annotations_->Release();
  }
  if (window_ != nullptr) DestroyWindow(window_);
  DeleteObject(windowFont_);
  DeleteObject(infoFont_);
}

void Win32Window::createControls(HINSTANCE instance) {
  // Created in tab order: the dialog manager's Tab follows the creation order and
  // skips hidden controls.
  for (const Control control : kTabOrder) {
    const wchar_t* windowClass = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    DWORD exStyle = WS_EX_CLIENTEDGE;
    std::wstring caption;
    switch (control) {
      case Control::CmdInfo:
      case Control::CmdNeu:
      case Control::CmdEnde:
        style |= BS_PUSHBUTTON;
        exStyle = 0;
        caption = W(texte::Caption(control));
        break;
      case Control::LstBrl:
      case Control::LstAnzahl:
        windowClass = L"LISTBOX";
        style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        break;
      case Control::Spiel:
        windowClass = L"EDIT";
        style |= ES_READONLY | ES_AUTOHSCROLL;
        break;
      case Control::Info:
        windowClass = L"EDIT";
        style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY;  // hidden at start
        break;
    }
    const auto index = static_cast<size_t>(control);
    HWND hwnd =
        CreateWindowExW(exStyle, windowClass, caption.c_str(), style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance, nullptr);
    controls_[index] = hwnd;
    SetWindowSubclass(hwnd, ControlProc, index, reinterpret_cast<DWORD_PTR>(this));
  }
  // Below them the status line, one part the width of the window; the status bar
  // places itself at the bottom on each WM_SIZE.
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance, nullptr);
  // The live region: visible to screen readers, of no size, so nobody sees it.
  liveRegion_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLiveRegionId)), instance, nullptr);
}

void Win32Window::annotate() {
  // Best effort: without Direct Annotation (or where it is not implemented, as
  // under wine) the live region still names its text; only its live setting and
  // the field's description are missing.
  if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                              reinterpret_cast<void**>(&annotations_)))) {
    annotations_ = nullptr;
    return;
  }
  VARIANT assertive;
  VariantInit(&assertive);
  assertive.vt = VT_I4;
  assertive.lVal = kLiveSettingAssertive;
  annotations_->SetHwndProp(liveRegion_, OBJID_CLIENT, CHILDID_SELF, kLiveSetting, assertive);
  // How to play by ear, said with the field when it gets the focus.
  annotations_->SetHwndPropStr(hwnd(Control::Spiel), OBJID_CLIENT, CHILDID_SELF, kDescription,
                               W(texte::SpielBeschreibung).c_str());
}

void Win32Window::applyDpi(UINT dpi) {
  dpi_ = dpi;
  HFONT oldWindowFont = windowFont_;
  HFONT oldInfoFont = infoFont_;
  windowFont_ = CreateFontFor(kWindowFont, dpi);
  infoFont_ = CreateFontFor(kInfoFont, dpi);
  const auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
  for (const Control control : kTabOrder) {
    const Twips place = Place(control);
    SetWindowPos(hwnd(control), nullptr, pixels(place.left), pixels(place.top), pixels(place.width),
                 pixels(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT font = &FontOf(control) == &kInfoFont ? infoFont_ : windowFont_;
    SendMessageW(hwnd(control), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  // The status line in the help text's font; the window grows by the bar's height.
  SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(infoFont_), TRUE);
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  DeleteObject(oldWindowFont);
  DeleteObject(oldInfoFont);
  RECT bar{};
  GetWindowRect(statusBar_, &bar);
  RECT frame{0, 0, pixels(kClientArea.width), pixels(kClientArea.height) + (bar.bottom - bar.top)};
  AdjustForDpi(frame, dpi);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Window::run(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got < 0) return 1;
    if (!IsPlayerInput(msg.message) || paarix_ == nullptr) {
      dispatch(msg);
    } else if (paarix_->inputWaits()) {
      handOver(msg);
      // Nothing runs out here: what waits, waits only for the turn a routing key
      // asked for. Should that posted message have gone missing, the queue runs now.
      paarix_->runInputQueue();
    } else {
      dispatchInput(msg);
    }
  }
}

void Win32Window::dispatch(MSG& msg) {
  // The dialog manager: Tab, Shift+Tab, Enter on a button, the access keys.
  if (!IsDialogMessageW(window_, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Window::dispatchInput(MSG msg) {
  if (window_ == nullptr) return;  // closed meanwhile
  if (IsKeyStroke(msg.message)) {
    HWND focus = GetFocus();
    msg.hwnd = focus != nullptr ? focus : window_;
  } else if (IsMouse(msg.message) && msg.message != WM_MOUSEWHEEL && msg.message != WM_MOUSEHWHEEL) {
    // The control under the pointer now: a view may have hidden the one it was over.
    HWND to = GetCapture();
    if (to == nullptr) {
      POINT inWindow = msg.pt;
      ScreenToClient(window_, &inWindow);
      to = ChildWindowFromPointEx(window_, inWindow, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
    }
    if (to == nullptr) return;  // off the window
    POINT at = msg.pt;
    ScreenToClient(to, &at);
    msg.hwnd = to;
    msg.lParam = MAKELPARAM(at.x, at.y);
  }
  dispatch(msg);
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;
  // The character TranslateMessage made of the key: in the same step, so that
  // nothing can come between the key and its character.
  MSG character;
  while (window_ != nullptr && (PeekMessageW(&character, msg.hwnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE) ||
                                PeekMessageW(&character, msg.hwnd, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE))) {
    dispatch(character);
  }
}

void Win32Window::handOver(const MSG& msg) {
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) return;  // a later move carries the place anew
  if (IsFrameMouse(msg.message)) {
    // Of the frame only the close box counts, a press on it as a whole click:
    // replayed later, the frame would wait for a release that has passed.
    if (msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) {
      paarix_->handleInput([this] {
        if (window_ != nullptr) SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
      });
    }
    return;
  }
  paarix_->handleInput([this, msg] { dispatchInput(msg); });
}

bool Win32Window::takeMessage() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    quitTaken_ = true;  // posted again when the wait is over
    quitCode_ = static_cast<int>(msg.wParam);
  } else if (IsPlayerInput(msg.message) && paarix_ != nullptr) {
    handOver(msg);
  } else {
    DispatchMessageW(&msg);
  }
  return true;
}

void Win32Window::repostQuit() {
  if (!quitTaken_) return;
  quitTaken_ = false;
  PostQuitMessage(quitCode_);
}

void Win32Window::takeInput() {
  if (paarix_ == nullptr) return;
  MSG msg;
  // The characters of keys already dispatched first, then keys and clicks as they came.
  while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_QS_POSTMESSAGE) ||
         PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    handOver(msg);
  }
}

bool Win32Window::sentByAnotherProgram() const {
  return ownMessages_ == 0 && (InSendMessageEx(nullptr) & ISMEX_SEND) != 0;
}

void Win32Window::fromAnotherProgram(std::function<void()> input) {
  ReplyMessage(0);  // the other program goes on
  takeInput();
  if (taking_ > 0) {
    sentInput_.push_back(std::move(input));
  } else {
    input();
  }
}

void Win32Window::giveSentInput() {
  while (!sentInput_.empty()) {
    const auto next = std::move(sentInput_.front());
    sentInput_.pop_front();
    if (paarix_ != nullptr) next();
  }
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->onWindowMessage(message, wParam, lParam);
}

LRESULT Win32Window::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = LOWORD(wParam) - kFirstControlId;
      if (lParam == 0 || index < 0 || index >= static_cast<int>(controls_.size())) {
        return 0;  // IDOK and IDCANCEL of the dialog manager do nothing
      }
      const auto control = static_cast<Control>(index);
      const WORD code = HIWORD(wParam);
      if (sentByAnotherProgram()) {
        fromAnotherProgram([this, control, code] { onCommand(control, code); });
      } else {
        onCommand(control, code);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // A plain window does not keep the focus of its controls across being
      // hidden or deactivated: it is kept here.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focusAtDeactivation_ = focus;
      } else {
        // When a view hid that control, no control of the window's own choosing
        // gets the focus: the window keeps it until the window logic gives it.
        HWND focus = focusAtDeactivation_;
        const bool shown = focus != nullptr && (GetWindowLongW(focus, GWL_STYLE) & WS_VISIBLE) != 0;
        SetFocus(shown ? focus : window_);
      }
      return 0;
    case WM_CLOSE:
      if (paarix_ == nullptr || paarix_->Form_QueryUnload()) DestroyWindow(window_);
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (wParam != 0 && paarix_ != nullptr) paarix_->SessionEnding();
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
      if (statusBar_ != nullptr) SendMessageW(statusBar_, WM_SIZE, 0, 0);
      return 0;
    case kRunInputQueue:
      if (paarix_ != nullptr) paarix_->runInputQueue();
      return 0;
    case WM_DPICHANGED: {
      applyDpi(HIWORD(wParam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default: return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void Win32Window::onCommand(Control control, WORD code) {
  if (paarix_ == nullptr) return;
  if (code == BN_CLICKED) {
    if (control == Control::CmdInfo) paarix_->CmdInfo_Click();
    if (control == Control::CmdNeu) paarix_->CmdNeu_Click();
    if (control == Control::CmdEnde) paarix_->CmdEnde_Click();
  } else if (code == LBN_SELCHANGE && control == Control::LstAnzahl) {
    paarix_->LstAnzahl_Click();
  }
}

LRESULT CALLBACK Win32Window::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(control, ControlProc, id);
  return reinterpret_cast<Win32Window*>(self)->onControlMessage(static_cast<Control>(id), control, message, wParam,
                                                                lParam);
}

LRESULT Win32Window::onControlMessage(Control control, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* keyMessage = reinterpret_cast<const MSG*>(lParam);
  const bool textBox = control == Control::Spiel || control == Control::Info;
  if (paarix_ == nullptr) return DefSubclassProc(hwnd, message, wParam, lParam);

  if (textBox && message == WM_CHAR) {
    // Character keys of the field and the help text; Tab is none. The key goes
    // nowhere else: the text is read-only, and a read-only edit would only beep.
    if (wParam == '\t') return DefSubclassProc(hwnd, message, wParam, lParam);
    const auto code = static_cast<char16_t>(wParam);
    if (control == Control::Spiel) paarix_->Spiel_KeyPress(code);
    if (control == Control::Info) paarix_->Info_KeyPress(code);
    return wParam >= 0x20 || wParam == VK_ESCAPE ? 0 : DefSubclassProc(hwnd, message, wParam, lParam);
  }

  switch (control) {
    case Control::Spiel:
      switch (message) {
        case WM_GETDLGCODE: {
          // Without DLGC_HASSETSEL the dialog manager does not select the whole
          // field when Tab brings the focus: the caret stays on its cell. Escape
          // is a key of the field, not the dialog manager's IDCANCEL.
          LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam) & ~DLGC_HASSETSEL;
          if (keyMessage != nullptr && keyMessage->message == WM_KEYDOWN && keyMessage->wParam == VK_ESCAPE) {
            code |= DLGC_WANTMESSAGE;
          }
          return code;
        }
        case EM_SETSEL:
          // A screen reader's routing key: the caret sent onto a cell from its own
          // process. Not the program's own caret moves, whatever message is being
          // handled when they happen.
          if (sentByAnotherProgram() && static_cast<int>(wParam) == static_cast<int>(lParam) &&
              static_cast<int>(wParam) >= 0) {
            const int16_t cell = ToInt16(static_cast<DWORD>(wParam));
            fromAnotherProgram([this, cell] { paarix_->Spiel_Routing(cell); });  // the card turns in its turn
            return 0;
          }
          break;
        case WM_LBUTTONDOWN: clickStarted_ = true; break;
        case WM_LBUTTONUP: {
          // The edit has placed the caret on the clicked cell by now.
          const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
          RECT client;
          GetClientRect(hwnd, &client);
          const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
          const bool click = clickStarted_ && PtInRect(&client, at);
          clickStarted_ = false;
          if (click) paarix_->Spiel_Click();
          return result;
        }
        case WM_LBUTTONDBLCLK:
          // The first press was the click; the second selects no word.
          clickStarted_ = false;
          paarix_->Spiel_DblClick();
          return 0;
        default: break;
      }
      break;
    case Control::Info:
      // A multi-line edit in a dialog closes it on Escape; here Escape, like any
      // character key, closes the help text (WM_CHAR above).
      if (message == WM_KEYDOWN && wParam == VK_ESCAPE) return 0;
      break;
    case Control::LstBrl:
      if (message == WM_KILLFOCUS) {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        // Only a move to another control counts, not the window losing the keyboard.
        const auto to = reinterpret_cast<HWND>(wParam);
        if (to != nullptr && IsChild(window_, to)) paarix_->LstBrl_LostFocus();
        return result;
      }
      break;
    default:
      if (IsButton(control) && message == BM_CLICK && sentByAnotherProgram()) {
        // A screen reader's default action: the click waits in line with the
        // player's input, and takes the focus only when its turn comes.
        fromAnotherProgram([this, hwnd] {
          paarix_->handleInput([this, hwnd] {
            const OwnMessage own(ownMessages_);
            if (IsWindow(hwnd)) SendMessageW(hwnd, BM_CLICK, 0, 0);
          });
        });
        return 0;
      }
      if (IsButton(control) && message == WM_GETDLGCODE) {
        LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
        // Enter clicks the focused button, not a default one.
        if (GetFocus() == hwnd) code = (code & ~DLGC_UNDEFPUSHBUTTON) | DLGC_DEFPUSHBUTTON;
        // A plain letter on a button is no access key; Alt with the letter is.
        if (keyMessage != nullptr && keyMessage->message == WM_CHAR) code |= DLGC_WANTCHARS;
        return code;
      }
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Toolkit: the window.

void Win32Window::setCaption(const std::u16string& caption) { SetWindowTextW(window_, W(caption).c_str()); }

void Win32Window::hideWindow() { ShowWindow(window_, SW_HIDE); }

void Win32Window::showWindow() {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
}

void Win32Window::repaintWindow() {
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Window::processPendingEvents() {
  ++taking_;
  for (int i = 0; i < 1000 && takeMessage(); ++i) {
  }
  --taking_;
  giveSentInput();
  repostQuit();
}

void Win32Window::requestClose() {
  if (window_ != nullptr) SendMessageW(window_, WM_CLOSE, 0, 0);
}

void Win32Window::scheduleInputQueue() { PostMessageW(window_, kRunInputQueue, 0, 0); }

void Win32Window::waitForCue(CuePlayer::Completion& cue) {
  const std::shared_ptr<void> ended(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
  HANDLE handle = ended.get();
  if (handle == nullptr) return;  // the caller waits for the cue itself
  cue.onDone([ended] { SetEvent(ended.get()); });
  // Messages sent by other programs (a screen reader asking for the text, the
  // caret, its MSAA objects), posted messages and painting go on; the player's
  // input goes to the window logic's queue as it arrives. The cue's own state
  // ends the wait, whatever the wait reports.
  while (!cue.done()) {
    MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    ++taking_;
    while (takeMessage()) {
    }
    --taking_;
    giveSentInput();
  }
  repostQuit();
}

// Toolkit: the controls.

void Win32Window::setVisible(Control control, bool visible) {
  ShowWindow(hwnd(control), visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Window::isVisible(Control control) const {
  return (GetWindowLongW(hwnd(control), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Window::setFocus(Control control) {
  focusAtDeactivation_ = hwnd(control);  // before the window is shown: it gets the focus then
  if (IsWindowVisible(window_)) SetFocus(hwnd(control));
}

void Win32Window::addItem(Control list, const std::u16string& entry) {
  SendMessageW(hwnd(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry).c_str()));
}

int16_t Win32Window::selectedIndex(Control list) const {
  return static_cast<int16_t>(SendMessageW(hwnd(list), LB_GETCURSEL, 0, 0));  // LB_ERR is -1: none
}

void Win32Window::select(Control list, int16_t index) { SendMessageW(hwnd(list), LB_SETCURSEL, index, 0); }

std::u16string Win32Window::text(Control box) const {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd(box))) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd(box), text.data(), static_cast<int>(text.size()))));
  return {text.begin(), text.end()};
}

void Win32Window::setText(Control box, const std::u16string& text) {
  if (box != Control::Spiel) {
    SetWindowTextW(hwnd(box), W(text).c_str());
    return;
  }
  // The edit puts the caret at the start of a new text: it goes back to its cell.
  const int cell = std::min<int>(caret(), static_cast<int>(text.size()));
  const OwnMessage own(ownMessages_);
  SetWindowTextW(hwnd(box), W(text).c_str());
  SendMessageW(hwnd(box), EM_SETSEL, cell, cell);
}

int16_t Win32Window::caret() const {
  HWND field = hwnd(Control::Spiel);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  // With text selected the caret is at one of its ends, where the edit shows it.
  POINT shown;
  if (start != end && GetFocus() == field && GetCaretPos(&shown) &&
      LOWORD(SendMessageW(field, EM_CHARFROMPOS, 0, MAKELPARAM(shown.x, shown.y))) == start) {
    return ToInt16(start);
  }
  return ToInt16(end);
}

void Win32Window::setCaret(int16_t position) {
  const OwnMessage own(ownMessages_);
  SendMessageW(hwnd(Control::Spiel), EM_SETSEL, position, position);
  SendMessageW(hwnd(Control::Spiel), EM_SCROLLCARET, 0, 0);
}

void Win32Window::clearSelection() { setCaret(caret()); }

void Win32Window::repaint(Control control) {
  RedrawWindow(hwnd(control), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

// Toolkit: what is heard.

void Win32Window::setStatus(const std::u16string& text) {
  SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(text).c_str()));
}

void Win32Window::setStatusVisible(bool visible) { ShowWindow(statusBar_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32Window::announce(const std::u16string& text) {
  SetWindowTextW(liveRegion_, W(text).c_str());
  NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, liveRegion_, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace paarix
