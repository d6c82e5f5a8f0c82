// A canvas for tests that records every call as a line and measures text in a fixed grid:
// each character 6 pixels wide, each line 10 high. "&" marks the next character unless
// the no-prefix flag is given ("&&" shows one "&"); "\n" starts a line; a tab is 8 places.
#pragma once

#include <string>
#include <vector>

#include "controls/Graphics.h"

namespace support {

class RecordingCanvas : public controls::Canvas {
 public:
  static constexpr int kCharWidth = 6;
  static constexpr int kLineHeight = 10;

  struct Draw {
    std::string text;
    controls::Rect rect;
    uint32_t format;
    controls::Rgb color;
    bool transparent;
  };
  std::vector<std::string> log;
  std::vector<Draw> draws;  // text drawn or measured, in order

  // System colours resolve to values unlike any fixed colour the tests use.
  controls::Rgb ColorToRgb(controls::TColor c) override;
  void UseFont(const controls::TFont& font) override;
  controls::Rgb SetTextColor(controls::Rgb color) override;
  void SetTransparentText() override;
  int DrawFormattedText(const std::string& text, controls::Rect& rect, uint32_t format) override;
  void FillRect(const controls::Rect& rect, controls::Rgb color) override;
  void DrawFocusRect(const controls::Rect& rect, controls::Rgb brush) override;

  // The text as it would appear, prefixes resolved.
  static std::string Shown(const std::string& text, uint32_t format);

 private:
  controls::Rgb color_ = 0;
  bool transparent_ = false;
};

}  // namespace support
