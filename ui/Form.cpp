// The focus memory of the program's top-level windows.
#include "ui/Form.h"

namespace ui {

HWND NoteFocus(HWND control) {
  HWND root = GetAncestor(control, GA_ROOT);
  if (!root || root == control) return nullptr;
  return reinterpret_cast<HWND>(SendMessageA(root, kControlFocused, reinterpret_cast<WPARAM>(control), 0));
}

bool Form::CanTakeFocus(HWND control) const {
  return control && IsWindow(control) && IsChild(Handle(), control) && IsWindowVisible(control) &&
         IsWindowEnabled(control);
}

void Form::RestoreFocus() {
  // The focus comes back from outside: the control it lands on is not entered anew.
  enteredFrom_ = active_;
  HWND target = CanTakeFocus(active_) ? active_ : GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (CanTakeFocus(target)) SetFocus(target);
}

bool Form::OnActivate(WPARAM state) {
  if (LOWORD(state) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) active_ = focus;
    return false;
  }
  // Minimised, the window keeps no focus of its own; it is restored through its entry.
  if (HIWORD(state)) return false;
  RestoreFocus();
  return true;
}

bool Form::OnSetFocus() {
  RestoreFocus();
  return true;
}

LRESULT Form::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kControlFocused) {
    auto control = reinterpret_cast<HWND>(wp);
    // Asked again for the same arrival (a control's layers each ask), the answer stays.
    if (control != active_) {
      enteredFrom_ = active_;
      active_ = control;
    }
    return reinterpret_cast<LRESULT>(enteredFrom_);
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace ui
