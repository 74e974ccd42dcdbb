#include "app/win32/win32_view.h"

#include <commctrl.h>

#include <string>

#include "app/text_fit.h"
#include "app/text_trace.h"

namespace vorpex::app {
namespace {

constexpr const char* kClassName = "NebriskForm1";
constexpr int kIdBootUp = 101;
constexpr int kIdFwUp = 102;
constexpr int kTwipsPerInch = 1440;
constexpr int kHeadingTenthPoints = 135;

struct Resolution {
  int x = 96;
  int y = 96;
};

Resolution ScreenResolution() {
  Resolution r;
  HDC screen = ::GetDC(nullptr);
  if (screen != nullptr) {
    int x = ::GetDeviceCaps(screen, LOGPIXELSX);
    int y = ::GetDeviceCaps(screen, LOGPIXELSY);
    if (x > 0) r.x = x;
    if (y > 0) r.y = y;
    ::ReleaseDC(nullptr, screen);
  }
  return r;
}

}  // namespace

Win32View::Win32View(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassA(&windowClass);

  const Resolution dpi = ScreenResolution();
  auto x = [&](int twips) { return ::MulDiv(twips, dpi.x, kTwipsPerInch); };
  auto y = [&](int twips) { return ::MulDiv(twips, dpi.y, kTwipsPerInch); };

  // The client area is 3420 by 2790 twips; the frame goes around it.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, x(3420), y(2790)};
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  Form1 = ::CreateWindowExA(0, kClassName, "Firmware Upgrade", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            instance, this);
  if (Form1 == nullptr) return;

  headingFont_ =
      ::CreateFontA(-::MulDiv(kHeadingTenthPoints, dpi.y, 720), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                    FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  Label1 = ::CreateWindowExA(0, "STATIC", "Firmware Upgrade", WS_CHILD | WS_VISIBLE | SS_LEFT,
                             x(150), y(180), x(3015), y(495), Form1, nullptr, instance, nullptr);
  ::SendMessageA(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_), TRUE);

  HFONT guiFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  cmdBootUp = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                x(165), y(855), x(3075), y(705), Form1,
                                reinterpret_cast<HMENU>(kIdBootUp), instance, nullptr);
  cmdFWUp = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                              x(165), y(1650), x(3075), y(690), Form1,
                              reinterpret_cast<HMENU>(kIdFwUp), instance, nullptr);
  ::SendMessageA(cmdBootUp, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), TRUE);
  ::SendMessageA(cmdFWUp, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), TRUE);

  StatusBar1 = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, y(2490),
                                 x(3420), y(300), Form1, nullptr, instance, nullptr);
  // One panel, as wide as the window.
  int panelRight[1] = {x(3420)};
  ::SendMessageA(StatusBar1, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(panelRight));
}

Win32View::~Win32View() {
  if (Form1 != nullptr) ::DestroyWindow(Form1);
  if (headingFont_ != nullptr) ::DeleteObject(headingFont_);
}

void Win32View::SetTitle(const std::string& title) {
  ::SetWindowTextA(Form1, title.c_str());
  TraceShownText("title", "", title);
}

void Win32View::Show(int showCommand) {
  ::ShowWindow(Form1, showCommand);
  ::UpdateWindow(Form1);
}

HWND Win32View::ButtonOf(UpgradeButton button) const {
  return button == UpgradeButton::kBootUp ? cmdBootUp : cmdFWUp;
}

void Win32View::SetCaption(UpgradeButton button, const std::string& caption) {
  ::SetWindowTextA(ButtonOf(button), caption.c_str());
}

void Win32View::SetEnabled(UpgradeButton button, bool enabled) {
  ::EnableWindow(ButtonOf(button), enabled ? TRUE : FALSE);
}

void Win32View::SetStatusText(const std::string& text) {
  ::SendMessageA(StatusBar1, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  // How wide the text is drawn in the status bar's font, against its panel less the borders.
  RECT panel{};
  int borders[3] = {};
  ::SendMessageA(StatusBar1, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&panel));
  ::SendMessageA(StatusBar1, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  SIZE drawn{};
  if (HDC dc = ::GetDC(StatusBar1); dc != nullptr) {
    auto* font = reinterpret_cast<HFONT>(::SendMessageA(StatusBar1, WM_GETFONT, 0, 0));
    HGDIOBJ before = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &drawn);
    if (before != nullptr) ::SelectObject(dc, before);
    ::ReleaseDC(StatusBar1, dc);
  }
  const long room = panel.right - panel.left - 2 * borders[0];
  TraceShownText("status", std::to_string(drawn.cx) + "/" + std::to_string(room), text);
}

void Win32View::ShowMessage(const std::string& text, BoxTitle title, BoxKind /*kind*/) {
  // The program's boxes are plain ones with an OK button, errors too. A message box breaks its
  // text at blanks only, so a long path would widen it beyond the screen: the text comes broken
  // into lines that fit, measured in the message boxes' font.
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  HFONT font = ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != 0
                   ? ::CreateFontIndirectA(&metrics.lfMessageFont)
                   : nullptr;
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ before = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  auto width = [dc](std::string_view part) {
    SIZE drawn{};
    ::GetTextExtentPoint32A(dc, part.data(), static_cast<int>(part.size()), &drawn);
    return static_cast<double>(drawn.cx);
  };
  const std::string shown = WrapText(text, kBoxTextRoom, width);
  const double widest = WidestLine(shown, width);
  if (before != nullptr) ::SelectObject(dc, before);
  ::ReleaseDC(nullptr, dc);
  if (font != nullptr) ::DeleteObject(font);
  TraceShownText("message", title == BoxTitle::kEmpty ? "" : kProgramTitle, text);
  TraceShownText("box-width",
                 std::to_string(static_cast<int>(widest)) + "/" +
                     std::to_string(static_cast<int>(kBoxTextRoom)),
                 "");
  ::MessageBoxA(Form1, shown.c_str(), title == BoxTitle::kEmpty ? "" : kProgramTitle, MB_OK);
}

void Win32View::PumpMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop to see
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

LRESULT CALLBACK Win32View::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32View*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->Form1 == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32View::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && presenter_ != nullptr) {
        if (LOWORD(wParam) == kIdBootUp) presenter_->OnBootUpClick();
        if (LOWORD(wParam) == kIdFwUp) presenter_->OnFwUpClick();
        return 0;
      }
      break;
    case WM_CLOSE:
      // Refused while an upgrade runs: the window stays open.
      if (presenter_ != nullptr && !presenter_->OnCloseRequest()) return 0;
      ::DestroyWindow(Form1);
      return 0;
    case WM_DESTROY:
      Form1 = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(Form1, message, wParam, lParam);
}

}  // namespace vorpex::app
