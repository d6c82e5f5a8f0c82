// The base of every window the program registers itself: the object is bound to its
// window when the window is created, and one procedure turns messages into On... calls.
// Child controls of the system's classes are reached through ui::Control, to which the
// base passes their notifications.
#pragma once

#include <windows.h>

namespace ui {

// Sent by the application's loop to its main window with an Alt+key (wParam the character)
// before the dialog manager sees it: a windowless control's accelerator, a label's "&",
// has no window of its own for the dialog manager to find. Nonzero: the key was taken.
constexpr UINT kDialogChar = WM_APP + 0x301;

class WindowBase {
 public:
  WindowBase() = default;
  virtual ~WindowBase();
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND Handle() const { return hwnd_; }

 protected:
  struct ClassInfo {
    const char* name;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
  };
  // Registers the class on first use and creates the window. Messages sent during creation
  // already reach this object, so the derived object must be complete when it calls this.
  void Create(const ClassInfo& cls, DWORD exStyle, const char* text, DWORD style, const RECT& bounds, HWND owner);
  // Unbinds first: a window destroyed from a destructor must not call back into a
  // half-destroyed object.
  void Destroy();

  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd_, msg, wp, lp); }

  // Returns whether it handled the message; the default procedure runs otherwise.
  virtual bool OnSysCommand(WPARAM command) {
    (void)command;
    return false;
  }
  // False refuses the close; true lets the default procedure destroy the window.
  virtual bool OnClose() { return true; }
  virtual void OnPaint(HDC dc, const RECT& dirty) {
    (void)dc;
    (void)dirty;
  }
  virtual void OnSize() {}
  virtual bool OnSetCursor() { return false; }
  virtual bool OnSetFocus() { return false; }
  // WM_ACTIVATE's state; true when the handler placed the focus itself.
  virtual bool OnActivate(WPARAM state) {
    (void)state;
    return false;
  }
  virtual void OnMouseMove(POINT client) { (void)client; }
  virtual void OnMouseLeave() {}
  virtual void OnDestroy() {}
  // Anything the handlers above do not cover.
  virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
};

}  // namespace ui
