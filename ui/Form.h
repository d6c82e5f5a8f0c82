// A top-level window that keeps the keyboard focus among its controls, as a dialog does:
// it remembers the control that last had the focus and gives it the focus back whenever
// the window is activated again (after a message box, a dialog, another program).
#pragma once

#include <windows.h>

#include "ui/WindowBase.h"

namespace ui {

// Sent by a control to its top-level window when it receives the focus (wParam the
// control). The window answers with the control the focus came from within it: another
// control when the focus moved inside the window, the control itself when the focus
// came back from outside (an activation), null for the window's first focus.
constexpr UINT kControlFocused = WM_APP + 0x302;

// Tells the control's top-level window that the control has the focus; returns the
// window's answer, or null when the window keeps no focus of its own.
HWND NoteFocus(HWND control);

class Form : public WindowBase {
 public:
  HWND ActiveControl() const { return active_; }
  // Makes a control the one that gets the focus when the window is next activated.
  void SetActiveControl(HWND control) { active_ = control; }

 protected:
  // Focuses the remembered control; when it cannot take the focus, the first control in
  // tab order that can. Nothing when none can (while the controls are disabled).
  void RestoreFocus();

  bool OnActivate(WPARAM state) override;
  bool OnSetFocus() override;
  // Derived forms pass the messages they do not handle on to this one.
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  bool CanTakeFocus(HWND control) const;

  HWND active_ = nullptr;
  HWND enteredFrom_ = nullptr;
};

}  // namespace ui
