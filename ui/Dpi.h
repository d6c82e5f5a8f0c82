// Scaling from the 96 pixels per inch that layouts are written in to the screen's
// resolution. Header-only, so the end-to-end driver computes positions the same way.
#pragma once

#include <windows.h>

namespace ui {

inline constexpr int kDesignDpi = 96;

inline int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

inline int Scale(int pixels, int dpi) { return MulDiv(pixels, dpi, kDesignDpi); }

class Scaler {
 public:
  explicit Scaler(int dpi = ScreenDpi()) : dpi_(dpi) {}
  int Dpi() const { return dpi_; }
  int operator()(int pixels) const { return Scale(pixels, dpi_); }
  // Edges are scaled, not sizes, so neighbours at 96 dpi stay neighbours at any resolution.
  RECT Rect(int left, int top, int width, int height) const {
    return {Scale(left, dpi_), Scale(top, dpi_), Scale(left + width, dpi_), Scale(top + height, dpi_)};
  }

 private:
  int dpi_;
};

}  // namespace ui
