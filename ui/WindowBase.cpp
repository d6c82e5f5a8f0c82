// Binding of windows to their objects and the one message dispatch.
#include "ui/WindowBase.h"

#include <windowsx.h>

#include "ui/Control.h"
#include "ui/Gdi.h"

namespace ui {

WindowBase::~WindowBase() { Destroy(); }

void WindowBase::Create(const ClassInfo& cls, DWORD exStyle, const char* text, DWORD style, const RECT& bounds,
                        HWND owner) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  if (!GetClassInfoExA(instance, cls.name, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = cls.icon;
    wc.hbrBackground = cls.background;
    wc.lpszClassName = cls.name;
    RegisterClassExA(&wc);
  }
  CreateWindowExA(exStyle, cls.name, text, style, bounds.left, bounds.top, bounds.right - bounds.left,
                  bounds.bottom - bounds.top, owner, nullptr, instance, this);
}

void WindowBase::Destroy() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  DestroyWindow(hwnd);
}

LRESULT CALLBACK WindowBase::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->Dispatch(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT WindowBase::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PaintScope paint(hwnd_);
      OnPaint(paint.Dc(), paint.Dirty());
      return 0;
    }
    case WM_COMMAND:
      // Controls report to their parent; each wrapper handles its own notifications.
      if (Control* control = Control::FromHandle(reinterpret_cast<HWND>(lp))) {
        control->OnNotify(HIWORD(wp));
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (Control* control = Control::FromHandle(item.hwndItem)) {
        control->OnDrawItem(item);
        return TRUE;
      }
      break;
    }
    case WM_SIZE: OnSize(); break;
    case WM_SYSCOMMAND:
      if (OnSysCommand(wp)) return 0;
      break;
    case WM_CLOSE:
      if (!OnClose()) return 0;
      break;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_SETFOCUS:
      if (OnSetFocus()) return 0;
      break;
    case WM_ACTIVATE:
      if (OnActivate(wp)) return 0;
      break;
    case WM_MOUSEMOVE: OnMouseMove({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}); break;
    case WM_MOUSELEAVE: OnMouseLeave(); break;
    case WM_DESTROY: {
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      OnDestroy();
      return 0;
    }
  }
  return OnMessage(msg, wp, lp);
}

}  // namespace ui
