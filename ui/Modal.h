// The modal loop of the program's own dialogs: the owner is disabled while the dialog
// runs, and the dialog's keys (Tab, arrows, Enter, Escape) work inside it.
#pragma once

#include <windows.h>

namespace ui {

// Runs until `ended` is set or the dialog's window is gone; the owner is enabled again and
// activated before the dialog is hidden, so the focus returns to it. A WM_QUIT met on the
// way ends the loop and is left for the main loop. Keys that may be accelerators are
// offered to the dialog as kDialogChar before the dialog manager sees them.
void RunModal(HWND dialog, HWND owner, const bool& ended);

}  // namespace ui
