// Application-wide window services.
#include "ui/Application.h"

#include <objbase.h>

#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"

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
}

Application::~Application() {
  if (comInitialised_) CoUninitialize();
  instance = nullptr;
}

int Application::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Tab and arrow keys move between the window's controls.
    if (main_ && IsWindow(main_) && IsDialogMessageA(main_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

void Application::HandleException(const std::exception& e) {
  if (dynamic_cast<const base::EAbort*>(&e)) return;
  std::string text = base::ErrorDisplayText(e.what());
  MessageBoxA(main_, text.c_str(), title_.c_str(), MB_ICONSTOP | MB_OK);
}

void Application::HandleUnknownException() {
  MessageBoxA(main_, "未知错误.", title_.c_str(), MB_ICONSTOP | MB_OK);
}

void Application::SetBusyCursor(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Application::ShowMessage(const std::string& text) {
  okLabelHook = SetWindowsHookExA(WH_CBT, LabelOkButton, nullptr, GetCurrentThreadId());
  MessageBoxA(main_, text.c_str(), title_.c_str(), MB_OK);
  if (okLabelHook) UnhookWindowsHookEx(okLabelHook);
  okLabelHook = nullptr;
}

}  // namespace ui
