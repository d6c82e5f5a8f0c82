// The dialogs' modal loop.
#include "ui/Modal.h"

#include "ui/WindowBase.h"

namespace ui {
namespace {

// A key the dialog may take as a caption's accelerator, as the dialog manager takes
// mnemonics: Alt+key anywhere in the dialog, a plain key when the focused control takes
// no characters (a push button).
bool MayBeAccelerator(HWND dialog, const MSG& msg) {
  if (msg.hwnd != dialog && !IsChild(dialog, msg.hwnd)) return false;
  if (msg.message == WM_SYSCHAR) return true;
  if (msg.message != WM_CHAR || msg.wParam <= ' ' || msg.hwnd == dialog) return false;
  LRESULT code = SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  return (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) == 0;
}

}  // namespace

void RunModal(HWND dialog, HWND owner, const bool& ended) {
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  MSG msg;
  while (!ended && IsWindow(dialog)) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // A caption has no window the dialog manager could focus for it: the dialog is asked first.
    if (MayBeAccelerator(dialog, msg) && SendMessageA(dialog, kDialogChar, msg.wParam, 0)) continue;
    if (IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // Enabled before the dialog hides: otherwise the system activates some other program.
  if (ownerWasEnabled) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  if (IsWindow(dialog)) ShowWindow(dialog, SW_HIDE);
}

}  // namespace ui
