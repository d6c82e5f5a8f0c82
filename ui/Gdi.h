// RAII scopes for the GDI pairs the windows use: a paint between BeginPaint and EndPaint,
// a memory surface, an object selected into a surface, the screen's surface.
#pragma once

#include <windows.h>

namespace ui {

class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd_, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }
  const RECT& Dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

class MemoryDc {
 public:
  explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
};

// The surface of the whole screen, for measuring and for reading its properties.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a surface and puts the one it replaced back at scope end, so the
// object can be deleted once the surface no longer holds it.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Draws a bitmap whose bottom-left pixel's colour is its transparent colour.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int index = 0, int count = 1);
// The same bitmap as a disabled control shows it: its shape embossed, a highlight copy one
// pixel down and right under a shadow copy, with none of its colours.
void DrawGreyedBitmap(HDC dc, HBITMAP bitmap, int x, int y, int index = 0, int count = 1);
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace ui
