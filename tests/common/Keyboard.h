// Keys as a keyboard gives them: real key input (SendInput) to the foreground window, and
// the keyboard focus of another program's window read back. Shared by the end-to-end
// driver and the Windows tests.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace common {

// Brings a top-level window to the foreground; true when it got there.
bool BringToFront(HWND window);

// Presses and releases a key while holding the modifiers (VK_MENU, VK_SHIFT, VK_CONTROL).
void PressKey(WORD key, std::initializer_list<WORD> modifiers = {});

// The window with the keyboard focus in the thread that owns `window` (null for none).
HWND FocusOf(HWND window);

// Waits until the focus of `window`'s thread is `expected`; returns the focus at the end.
// `pump` runs between looks, for a test whose own thread owns the windows.
HWND WaitFocus(HWND window, HWND expected, DWORD timeoutMs = 3000, void (*pump)() = nullptr);

// Handles the calling thread's pending messages, as the program's loop does, for a while.
void PumpMessages(DWORD milliseconds, HWND dialog = nullptr);

}  // namespace common
