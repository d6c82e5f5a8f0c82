// The controls' canvas over a GDI surface, and the host that windowless controls find in
// the window they are painted on.
#pragma once

#include <windows.h>

#include <memory>

#include "controls/Graphics.h"
#include "controls/Host.h"
#include "sys/win32/Handle.h"

namespace controls::win32 {

class GdiCanvas final : public controls::Canvas {
 public:
  // Draws with the surface's origin at `bounds`' top-left corner, clipped to `bounds`; the
  // surface's state is restored when the canvas goes.
  GdiCanvas(HDC dc, const RECT& bounds);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;
  // A canvas on the screen for measuring.
  static std::unique_ptr<GdiCanvas> ForScreen();

  controls::Rgb ColorToRgb(controls::TColor color) override;
  void UseFont(const controls::TFont& font) override;
  controls::Rgb SetTextColor(controls::Rgb color) override;
  void SetTransparentText() override;
  int DrawFormattedText(const std::string& text, controls::Rect& rect, uint32_t format) override;
  void FillRect(const controls::Rect& rect, controls::Rgb color) override;
  void DrawFocusRect(const controls::Rect& rect, controls::Rgb brush) override;

 private:
  explicit GdiCanvas(HDC screen);

  HDC dc_;
  bool ownsScreenDc_ = false;
  int savedState_ = 0;
  controls::TFont font_;
  sys::win32::GdiObject hfont_;
};

// Serves the windowless controls painted on one window.
class WindowlessHost final : public controls::ControlHost {
 public:
  WindowlessHost(controls::TColor color, const controls::TFont& font) : color_(color), font_(font) {}
  void SetWindow(HWND hwnd) { hwnd_ = hwnd; }

  void Invalidate(const controls::Rect& bounds) override;
  controls::TColor Color() override { return color_; }
  const controls::TFont& Font() override { return font_; }
  std::unique_ptr<controls::Canvas> MeasuringCanvas() override { return GdiCanvas::ForScreen(); }
  bool NewStyleControls() override;
  bool ApplicationActive() override { return GetActiveWindow() != nullptr; }
  bool UnderCursor(const controls::Rect& bounds) override;

 private:
  HWND hwnd_ = nullptr;
  controls::TColor color_;
  controls::TFont font_;
};

// A window as the focus control of a windowless label: the label's accelerator focuses it.
class WindowFocus final : public controls::FocusTarget {
 public:
  explicit WindowFocus(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  void SetWindow(HWND hwnd) { hwnd_ = hwnd; }
  bool CanFocus() const override { return hwnd_ && IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_); }
  bool Focused() const override { return hwnd_ && GetFocus() == hwnd_; }
  void SetFocus() override { ::SetFocus(hwnd_); }

 private:
  HWND hwnd_;
};

inline RECT ToRect(const controls::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace controls::win32
