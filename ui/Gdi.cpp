// Bitmap drawing shared by the window's marks and the picture buttons.
#include "ui/Gdi.h"

namespace ui {

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObject(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  SIZE size = BitmapSize(bitmap);
  MemoryDc memory(dc);
  SelectedObject selected(memory.Dc(), bitmap);
  COLORREF transparent = GetPixel(memory.Dc(), 0, size.cy - 1);
  // gdi32's own entry, not msimg32's: msimg32 is no known system library, so importing it
  // would load whatever file of that name lies beside setup.exe, before any code runs.
  GdiTransparentBlt(dc, x, y, size.cx, size.cy, memory.Dc(), 0, 0, size.cx, size.cy, transparent);
}

}  // namespace ui
