// The recording canvas's fixed-grid text measure and its log.
#include "RecordingCanvas.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace support {
namespace {

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", v);
  return buf;
}

std::string Text(const controls::Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

}  // namespace

controls::Rgb RecordingCanvas::ColorToRgb(controls::TColor c) {
  if (!controls::IsSystemColor(c)) return c;
  return 0x010101u * static_cast<uint32_t>(0x10 + controls::SystemColorIndex(c));
}

void RecordingCanvas::UseFont(const controls::TFont& font) {
  log.push_back("font " + font.name + " " + std::to_string(font.height) + (font.italic ? " italic" : ""));
}

controls::Rgb RecordingCanvas::SetTextColor(controls::Rgb color) {
  log.push_back("color " + Hex(color));
  return std::exchange(color_, color);
}

void RecordingCanvas::SetTransparentText() {
  log.push_back("transparent");
  transparent_ = true;
}

std::string RecordingCanvas::Shown(const std::string& text, uint32_t format) {
  if (format & controls::kDtNoPrefix) return text;
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size())
      ++i;
    else if (text[i] == '&')
      continue;
    shown += text[i];
  }
  return shown;
}

int RecordingCanvas::DrawFormattedText(const std::string& text, controls::Rect& rect, uint32_t format) {
  std::string shown = Shown(text, format);
  int lines = shown.empty() ? 0 : 1, column = 0, widest = 0;
  for (char c : shown) {
    if (c == '\n') {
      ++lines;
      column = 0;
      continue;
    }
    column = c == '\t' && (format & controls::kDtExpandTabs) ? (column / 8 + 1) * 8 : column + 1;
    widest = std::max(widest, column);
  }
  int height = lines * kLineHeight;
  bool measure = (format & controls::kDtCalcRect) != 0;
  if (measure) rect = {rect.left, rect.top, rect.left + widest * kCharWidth, rect.top + height};
  log.push_back(std::string(measure ? "measure " : "draw ") + text + " @" + Text(rect));
  draws.push_back({text, rect, format, color_, transparent_});
  return height;
}

void RecordingCanvas::FillRect(const controls::Rect& rect, controls::Rgb color) {
  log.push_back("fill " + Text(rect) + " " + Hex(color));
}

void RecordingCanvas::DrawFocusRect(const controls::Rect& rect, controls::Rgb brush) {
  log.push_back("focus " + Text(rect) + " " + Hex(brush));
}

}  // namespace support
