// The directory field without its window: where its button sits and how wide it is, how
// high the field must be, which keys and edits it takes, and the button action's steps
// as decisions over the field and its dialogs. TCustomComboEdit, TFileDirEdit,
// TDirectoryEdit and TEditButton call these and draw what they say.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/DirDialogRules.h"
#include "sys/Files.h"
#include "sys/Folders.h"

namespace controls {

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TBorderStyle { bsNone, bsSingle };
enum TDirDialogKind { dkBuiltIn, dkWin32 };

// The button's width when nothing else is asked for.
constexpr int kDefaultButtonWidth = 21;
// Alt + Down arrow.
constexpr uint16_t kDefaultClickKey = 0x8028;
// Shortcut code bits over the virtual-key code.
constexpr uint16_t kScShift = 0x2000, kScCtrl = 0x4000, kScAlt = 0x8000;
// Critical errors fail and no open-file box shows while the dialog looks at drives.
constexpr uint32_t kDialogErrorMode = sys::kSemNoOpenFileErrorBox | sys::kSemFailCriticalErrors;

// The button holder's bounds in the field, for a button of width `buttonWidth`.
Bounds ButtonHolderBounds(int width, int height, int buttonWidth, bool newStyleControls, bool ctl3d,
                          TBorderStyle border);

// The edit's text rectangle (left, top, right, bottom): it ends 2 pixels left of the
// holder, so text never runs under the button.
struct TextRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const TextRect&) const = default;
};
TextRect EditTextRect(int clientWidth, int clientHeight, int holderWidth);

// The natural button width: for gkDefault with a glyph the glyph's image width + 6, at
// least 21; for gkDropDown the vertical scroll bar's width; else 21. A glyph width of 0
// means no glyph.
int NaturalButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int vScrollWidth);
// The width gkDefault gives the button: room for the glyph, never narrower than before.
int DefaultGlyphButtonWidth(int glyphWidth, int numGlyphs, int currentWidth);
// The gkEllipsis bitmap's size: three 2 x 2 dots in a row 4 pixels high.
struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};
Size EllipsisGlyphSize(int buttonWidth);
// The glyph count that setting NumGlyphs leaves for a kind.
int EffectiveNumGlyphs(TGlyphKind kind, int requested);

// The height of the field's text: the smaller of the system font's and the field's font's.
int FieldTextHeight(int systemFontHeight, int fieldFontHeight);
// The least height of the field; a resize below it is raised to it.
int MinimumHeight(int textHeight, int borderHeight);
// The height a resize leaves: below the minimum (and not while loading from a form) it is
// raised to the minimum, and that resize does nothing else.
int HeightAfterResize(int requested, int minimum, bool loading);
// Setting ButtonWidth: the holder shows only for a width above 1, and after construction
// a width not below the client width is ignored.
bool ButtonHolderVisible(int buttonWidth);
bool ButtonWidthApplies(int buttonWidth, int clientWidth, bool constructing);
// The caret's width: 1 pixel, 2 in a bold font.
int CaretWidth(bool boldFont);

// The shortcut code of a key with its shift state; 0 for a key code above 255.
uint16_t ShortCutOf(int virtualKey, bool shift, bool ctrl, bool alt);
// Whether a key down runs the button action (which then still obeys ReadOnly).
bool ClickKeyRuns(uint16_t shortCut, uint16_t clickKey, int buttonWidth);

// The underlying edit refuses typing when ReadOnly is on or DirectInput off.
bool EditIsReadOnly(bool readOnly, bool directInput);
// Cut and paste go through only with DirectInput on and ReadOnly off.
bool CutPasteAllowed(bool directInput, bool readOnly);
// Entering the field selects all text with AutoSelect and DirectInput on, unless the
// focus came from a left button press inside the field.
bool SelectAllOnEnter(bool autoSelect, bool directInput, bool leftPressInside);
// The text is grey while the field is disabled, unless the background is that grey.
bool TextInGray(bool enabled, bool backgroundIsGrayText);

// The text after a chosen or dropped folder: with MultipleDirs the folder goes in front
// of a non-empty text with ";".
std::string TextWithFolder(const std::string& folder, const std::string& oldText, bool multipleDirs);
// AcceptDroppedPath: a dropped file stands for its folder (with its trailing "\").
std::string DroppedPathText(sys::FileSystem& fs, const std::string& name, const std::string& oldText,
                            bool multipleDirs);
// LongPathText/ShortPathText: each ";"-separated entry converted with MultipleDirs (an
// empty result adds no separator), the whole text otherwise.
std::string ConvertPathText(const std::string& text, bool multipleDirs,
                            const std::function<std::string(const std::string&)>& convert);

// What the button action asks of TDirectoryEdit and the dialogs it opens.
class DirectoryEditHost {
 public:
  virtual ~DirectoryEditHost() = default;
  virtual void FireButtonClick() = 0;  // OnButtonClick, if assigned
  virtual void NotifyBeforeDialog(std::string& name, bool& action) = 0;
  virtual void NotifyAfterDialog(std::string& name, bool& action) = 0;
  virtual bool RunSelectDirDialog(std::string& name, TSelectDirOpts options, int helpContext) = 0;
  virtual bool RunBrowseFolderDialog(std::string& name, const std::string& dialogText, int helpContext) = 0;
  virtual bool CanFocus() = 0;
  virtual void SetFocus() = 0;
  virtual void ClearSelection() = 0;
  virtual std::string Text() = 0;
  virtual void SetText(const std::string& text) = 0;
};

// The field's settings the action reads, and InitialDir, which it updates.
struct DirectoryEditSettings {
  bool readOnly = false;
  TDirDialogKind dialogKind = dkBuiltIn;
  std::string dialogText;
  TSelectDirOpts dialogOptions = 0;
  std::string initialDir;
  bool multipleDirs = false;
  int helpContext = 0;
  bool newStyleControls = true;
  uint32_t savedErrorMode = 0;  // the mode to put back while a dialog is open, else 0
};

// The start name the dialog is given for a text: the text, else InitialDir, else "\";
// "\" also when that names no existing folder.
std::string DialogStartName(sys::FileSystem& fs, const std::string& text, const std::string& initialDir);

// TDirectoryEdit's button action. Nothing while ReadOnly is on. The error mode is put
// back also when a dialog raises, and the error passes on with the text unchanged.
// Returns whether the text was set.
bool DirectoryButtonAction(DirectoryEditHost& host, DirectoryEditSettings& settings, sys::FileSystem& fs,
                           sys::Folders& folders);

}  // namespace controls
