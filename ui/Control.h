// Wrappers of the system's child controls: the wrapper is found from the control's window,
// so the parent passes it the notifications the control sends, and it raises its events.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Creation order is tab order. The control tells its top-level window when it gets the
  // focus, so that a ui::Form gives it back after an activation.
  void Create(HWND parent, int id, DWORD exStyle, const char* cls, const char* text, DWORD style, const RECT& bounds,
              HFONT font);
  HWND Handle() const { return hwnd_; }
  static Control* FromHandle(HWND hwnd);

  std::string Text() const;
  void SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }

  // A notification code of WM_COMMAND.
  virtual void OnNotify(int code) { (void)code; }
  virtual void OnDrawItem(const DRAWITEMSTRUCT& item) { (void)item; }

 private:
  HWND hwnd_ = nullptr;
};

// A push button drawn with a picture left of its caption. Focused, it is pressed by Space
// and by Enter; it is never a window's default button.
class PictureButton final : public Control {
 public:
  // The glyph is not owned; its bottom-left pixel's colour is transparent.
  void Create(HWND parent, int id, const char* caption, const RECT& bounds, HFONT font, HBITMAP glyph, int spacing);
  std::function<void(PictureButton& sender)> OnClick;
  void Click();

  void OnNotify(int code) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  static LRESULT CALLBACK KeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data);
  HFONT font_ = nullptr;
  HBITMAP glyph_ = nullptr;
  int spacing_ = 0;
};

// A status bar showing one text across its width.
class StatusBar final : public Control {
 public:
  void Create(HWND parent, int id, HFONT font);
  const std::string& SimpleText() const { return text_; }
  // Setting the text already shown does nothing.
  void SetSimpleText(const std::string& text);
  // Along the parent's bottom edge, its full client width.
  void PlaceAtBottom(int height);

 private:
  std::string text_;
};

}  // namespace ui
