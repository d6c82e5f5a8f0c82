// The dialogs' modal loop.
#include "ui/Modal.h"

namespace ui {

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
