// The drawing vocabulary of the window controls, free of any window system: rectangles,
// colours (fixed RGB or named system colours, resolved when drawn), fonts, the text
// format flags (by the values of the platform's text drawing call) and the canvas they
// draw on. The Win32 canvas draws with GDI; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

namespace controls {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// 0x00BBGGRR for a fixed colour; the high bit marks a system colour, its low byte the
// system's colour index.
using TColor = uint32_t;
using Rgb = uint32_t;

constexpr TColor kSystemColor = 0x80000000u;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = kSystemColor | 5;
constexpr TColor clWindowText = kSystemColor | 8;
constexpr TColor clBtnFace = kSystemColor | 15;
constexpr TColor clBtnShadow = kSystemColor | 16;
constexpr TColor clGrayText = kSystemColor | 17;
constexpr TColor clBtnHighlight = kSystemColor | 20;

constexpr bool IsSystemColor(TColor c) { return (c & kSystemColor) != 0; }
constexpr int SystemColorIndex(TColor c) { return static_cast<int>(c & 0xFF); }

// Character sets, by the values of the platform's font description.
constexpr uint8_t kDefaultCharset = 1;
constexpr uint8_t kGb2312Charset = 134;

struct TFont {
  std::string name = "宋体";
  int height = 13;  // character height in pixels
  bool italic = false;
  bool bold = false;
  uint8_t charset = kGb2312Charset;
  TColor color = clWindowText;
  friend bool operator==(const TFont&, const TFont&) = default;
};

// Text format flags.
constexpr uint32_t kDtLeft = 0x0;
constexpr uint32_t kDtCenter = 0x1;
constexpr uint32_t kDtRight = 0x2;
constexpr uint32_t kDtWordBreak = 0x10;
constexpr uint32_t kDtExpandTabs = 0x40;
constexpr uint32_t kDtCalcRect = 0x400;
constexpr uint32_t kDtNoPrefix = 0x800;
constexpr uint32_t kDtRtlReading = 0x20000;

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual Rgb ColorToRgb(TColor color) = 0;
  virtual void UseFont(const TFont& font) = 0;
  // Returns the colour it replaces.
  virtual Rgb SetTextColor(Rgb color) = 0;
  // Text drawn from now on leaves the background behind it as it is.
  virtual void SetTransparentText() = 0;
  // Draws (or with kDtCalcRect measures, growing or shrinking `rect` to the text) and
  // returns the text's height; "&" marks an accelerator unless kDtNoPrefix is given.
  virtual int DrawFormattedText(const std::string& text, Rect& rect, uint32_t format) = 0;
  virtual void FillRect(const Rect& rect, Rgb color) = 0;
  virtual void DrawFocusRect(const Rect& rect, Rgb brush) = 0;
};

}  // namespace controls
