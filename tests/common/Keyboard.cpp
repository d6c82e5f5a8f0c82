// Real key input and focus read-back.
#include "tests/common/Keyboard.h"

#include <vector>

namespace common {
namespace {

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  // The arrows and their block are extended keys; without the flag they read as the keypad's.
  if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END ||
      key == VK_PRIOR || key == VK_NEXT || key == VK_INSERT || key == VK_DELETE)
    input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  return input;
}

}  // namespace

bool BringToFront(HWND window) {
  for (int i = 0; i < 60; ++i) {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    Sleep(50);
  }
  return GetForegroundWindow() == window;
}

void PressKey(WORD key, std::initializer_list<WORD> modifiers) {
  std::vector<INPUT> inputs;
  for (WORD m : modifiers) inputs.push_back(KeyInput(m, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  for (auto m = modifiers.end(); m != modifiers.begin();) inputs.push_back(KeyInput(*--m, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(100);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND WaitFocus(HWND window, HWND expected, DWORD timeoutMs, void (*pump)()) {
  HWND focus = FocusOf(window);
  for (DWORD waited = 0; focus != expected && waited < timeoutMs; waited += 50) {
    if (pump) pump();
    Sleep(50);
    focus = FocusOf(window);
  }
  return focus;
}

void PumpMessages(DWORD milliseconds, HWND dialog) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (dialog && IsDialogMessageA(dialog, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

}  // namespace common
