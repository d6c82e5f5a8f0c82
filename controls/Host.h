// What a windowless control asks of the window it is painted on, and of the windowed
// control its accelerator focuses. The window system's side implements these; the
// controls and their tests see only the interfaces.
#pragma once

#include <memory>

#include "controls/Graphics.h"

namespace controls {

// The windowed control a label's accelerator hands the focus to.
class FocusTarget {
 public:
  virtual ~FocusTarget() = default;
  virtual bool CanFocus() const = 0;
  virtual bool Focused() const = 0;
  virtual void SetFocus() = 0;
};

// What a windowless control needs of the window it lives on. Rectangles are in the
// window's client coordinates.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  virtual void Invalidate(const Rect& bounds) = 0;
  virtual TColor Color() = 0;
  virtual const TFont& Font() = 0;
  // A canvas of the screen, for measuring text.
  virtual std::unique_ptr<Canvas> MeasuringCanvas() = 0;
  // The platform has the newer shell look.
  virtual bool NewStyleControls() = 0;
  // The active window belongs to this program's thread.
  virtual bool ApplicationActive() = 0;
  // The control under the mouse cursor is the one at `bounds`.
  virtual bool UnderCursor(const Rect& bounds) = 0;
};

}  // namespace controls
