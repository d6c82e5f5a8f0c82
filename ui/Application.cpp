// Application-wide window services.
#include "ui/Application.h"

#include <objbase.h>

#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "sys/UserInterface.h"
#include "sys/win32/ScreenCursor.h"

namespace ui {
namespace {

Application* instance = nullptr;
HHOOK okLabelHook = nullptr;

// The plain message dialog's one button reads "确定" whatever the system's language.
LRESULT CALLBACK LabelOkButton(int code, WPARAM wp, LPARAM lp) {
  HHOOK hook = okLabelHook;
  if (code == HCBT_ACTIVATE) {
    SetDlgItemTextA(reinterpret_cast<HWND>(wp), IDOK, "确定");
    // Only the dialog's own first activation: later ones belong to other windows.
    UnhookWindowsHookEx(hook);
    okLabelHook = nullptr;
  }
  return CallNextHookEx(hook, code, wp, lp);
}

}  // namespace

Application& App() { return *instance; }

Application::Application() {
  instance = this;
  comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // No size, in the middle of the screen: a minimise or restore animation of the entry
  // starts and ends there.
  int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  Create({"ZorvikApplication", nullptr, LoadIcon(nullptr, IDI_APPLICATION)}, 0, "",
         WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, RECT{x, y, x, y}, nullptr);
}

Application::~Application() {
  Destroy();
  if (comInitialised_) CoUninitialize();
  instance = nullptr;
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  if (Handle()) SetWindowTextA(Handle(), title_.c_str());
}

void Application::SetMainWindow(HWND hwnd) {
  main_ = hwnd;
  if (Handle() && main_) ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void Application::Minimize() {
  if (!Handle() || IsIconic(Handle())) return;
  // Hidden through the owner so that restoring shows exactly the windows that were up.
  ShowOwnedPopups(Handle(), FALSE);
  ShowWindow(Handle(), SW_MINIMIZE);
}

void Application::Restore() {
  ShowWindow(Handle(), SW_RESTORE);
  ShowOwnedPopups(Handle(), TRUE);
  ActivateMainWindow();
}

// The entry itself has nothing to show: activation goes on to the main window, or to the
// message box it is waiting on.
void Application::ActivateMainWindow() {
  if (!main_ || !IsWindow(main_)) return;
  HWND target = GetLastActivePopup(main_);
  if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) target = main_;
  if (IsWindowVisible(target) && IsWindowEnabled(target)) SetForegroundWindow(target);
}

bool Application::OnSysCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_MINIMIZE: Minimize(); return true;
    case SC_RESTORE: Restore(); return true;
  }
  return false;
}

bool Application::OnSetFocus() {
  if (IsIconic(Handle())) return false;
  ActivateMainWindow();
  return true;
}

// The entry's Close (which the system turns into WM_CLOSE) is the main window's close box;
// the application's own window stays until the application ends.
bool Application::OnClose() {
  if (main_ && IsWindow(main_)) PostMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
  return false;
}

int Application::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_SYSCHAR && main_ && IsWindow(main_) && (msg.hwnd == main_ || IsChild(main_, msg.hwnd)) &&
        SendMessageA(main_, kDialogChar, msg.wParam, 0))
      continue;
    // Tab and arrow keys move between the window's controls.
    if (main_ && IsWindow(main_) && IsDialogMessageA(main_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// The main window or a dialog of it, whichever is active and takes input; else (another
// program in front) the main window's last active popup; else the main window.
HWND Application::BoxOwner() const {
  if (!main_ || !IsWindow(main_)) return nullptr;
  HWND active = GetActiveWindow();
  if (active && IsWindowEnabled(active) && (active == main_ || GetWindow(active, GW_OWNER) == main_)) return active;
  HWND popup = GetLastActivePopup(main_);
  if (popup && IsWindowVisible(popup) && IsWindowEnabled(popup)) return popup;
  return main_;
}

void Application::HandleException(const std::exception& e) {
  if (dynamic_cast<const base::EAbort*>(&e)) return;
  std::string text = base::ErrorDisplayText(e.what());
  MessageBoxA(BoxOwner(), text.c_str(), title_.c_str(), MB_ICONSTOP | MB_OK);
}

void Application::HandleUnknownException() {
  MessageBoxA(BoxOwner(), "未知错误.", title_.c_str(), MB_ICONSTOP | MB_OK);
}

void Application::SetBusyCursor(bool busy) {
  sys::RealUserInterface().SetCursor(busy ? sys::Cursor::wait : sys::Cursor::normal);
}

bool Application::Busy() const { return sys::ScreenCursor() == sys::Cursor::wait; }

void Application::ShowMessage(const std::string& text) {
  okLabelHook = SetWindowsHookExA(WH_CBT, LabelOkButton, nullptr, GetCurrentThreadId());
  MessageBoxA(main_, text.c_str(), title_.c_str(), MB_OK);
  if (okLabelHook) UnhookWindowsHookEx(okLabelHook);
  okLabelHook = nullptr;
}

}  // namespace ui
