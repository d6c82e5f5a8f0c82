// Bitmap drawing shared by the window's marks and the picture buttons.
#include "ui/Gdi.h"

#include <algorithm>
#include <utility>

#include "sys/win32/Handle.h"

namespace ui {

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObject(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int index, int count) {
  SIZE size = BitmapSize(bitmap);
  int w = size.cx / std::max(count, 1), h = size.cy;
  MemoryDc memory(dc);
  SelectedObject selected(memory.Dc(), bitmap);
  COLORREF transparent = GetPixel(memory.Dc(), 0, h - 1);
  // gdi32's own entry, not msimg32's: msimg32 is no known system library, so importing it
  // would load whatever file of that name lies beside setup.exe, before any code runs.
  GdiTransparentBlt(dc, x, y, w, h, memory.Dc(), index * w, 0, w, h, transparent);
}

void DrawGreyedBitmap(HDC dc, HBITMAP bitmap, int x, int y, int index, int count) {
  SIZE size = BitmapSize(bitmap);
  int w = size.cx / std::max(count, 1), h = size.cy;
  MemoryDc source(dc);
  SelectedObject selected(source.Dc(), bitmap);
  COLORREF transparent = GetPixel(source.Dc(), 0, h - 1);
  // The mask is white where the bitmap is transparent, black where it has ink: a colour
  // surface copied onto a monochrome one turns its background colour white.
  MemoryDc mask(dc);
  sys::win32::GdiObject maskBitmap(CreateBitmap(w, h, 1, 1, nullptr));
  SelectedObject maskSelected(mask.Dc(), maskBitmap.Get());
  SetBkColor(source.Dc(), transparent);
  BitBlt(mask.Dc(), 0, 0, w, h, source.Dc(), index * w, 0, SRCCOPY);
  COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  // Where the mask is black the brush is painted; elsewhere the surface stays.
  constexpr DWORD kBrushWhereBlack = 0x00B8074A;
  for (auto [offset, color] : {std::pair{1, COLOR_BTNHIGHLIGHT}, std::pair{0, COLOR_BTNSHADOW}}) {
    SelectedObject brush(dc, GetSysColorBrush(color));
    BitBlt(dc, x + offset, y + offset, w, h, mask.Dc(), 0, 0, kBrushWhereBlack);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

}  // namespace ui
