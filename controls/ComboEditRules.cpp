// The directory field's geometry, key and edit rules, and its button action.
#include "controls/ComboEditRules.h"

#include <algorithm>

#include "base/Ansi.h"

namespace controls {

Bounds ButtonHolderBounds(int width, int height, int buttonWidth, bool newStyleControls, bool ctl3d,
                          TBorderStyle border) {
  if (!newStyleControls) return {width - buttonWidth, 0, buttonWidth, height};
  if (border == bsSingle && ctl3d) return {width - buttonWidth - 4, 0, buttonWidth, height - 4};
  if (border == bsSingle) return {width - buttonWidth - 2, 2, buttonWidth, height - 4};
  return {width - buttonWidth, 0, buttonWidth, height};
}

TextRect EditTextRect(int clientWidth, int clientHeight, int holderWidth) {
  return {0, 0, clientWidth - holderWidth - 2, clientHeight + 1};
}

int NaturalButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int vScrollWidth) {
  switch (kind) {
    case gkDefault:
      return glyphWidth > 0 ? DefaultGlyphButtonWidth(glyphWidth, numGlyphs, kDefaultButtonWidth) : kDefaultButtonWidth;
    case gkDropDown: return vScrollWidth;
    default: return kDefaultButtonWidth;
  }
}

int DefaultGlyphButtonWidth(int glyphWidth, int numGlyphs, int currentWidth) {
  return std::max(glyphWidth / std::max(numGlyphs, 1) + 6, currentWidth);
}

Size EllipsisGlyphSize(int buttonWidth) { return {std::max(1, buttonWidth - 6), 4}; }

int EffectiveNumGlyphs(TGlyphKind kind, int requested) {
  switch (kind) {
    case gkDropDown:
    case gkEllipsis: return 1;
    case gkDefault: return 1;  // the default glyph holds one image
    default: return std::clamp(requested, 1, 4);
  }
}

int FieldTextHeight(int systemFontHeight, int fieldFontHeight) { return std::min(systemFontHeight, fieldFontHeight); }

int MinimumHeight(int textHeight, int borderHeight) { return textHeight + 4 * borderHeight + 1; }

int HeightAfterResize(int requested, int minimum, bool loading) {
  return !loading && requested < minimum ? minimum : requested;
}

bool ButtonHolderVisible(int buttonWidth) { return buttonWidth > 1; }

bool ButtonWidthApplies(int buttonWidth, int clientWidth, bool constructing) {
  return constructing || buttonWidth < clientWidth;
}

int CaretWidth(bool boldFont) { return boldFont ? 2 : 1; }

uint16_t ShortCutOf(int virtualKey, bool shift, bool ctrl, bool alt) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  return static_cast<uint16_t>(virtualKey | (shift ? kScShift : 0) | (ctrl ? kScCtrl : 0) | (alt ? kScAlt : 0));
}

bool ClickKeyRuns(uint16_t shortCut, uint16_t clickKey, int buttonWidth) {
  return shortCut != 0 && shortCut == clickKey && buttonWidth > 0;
}

bool EditIsReadOnly(bool readOnly, bool directInput) { return readOnly || !directInput; }

bool CutPasteAllowed(bool directInput, bool readOnly) { return directInput && !readOnly; }

bool SelectAllOnEnter(bool autoSelect, bool directInput, bool leftPressInside) {
  return autoSelect && directInput && !leftPressInside;
}

bool TextInGray(bool enabled, bool backgroundIsGrayText) { return !enabled && !backgroundIsGrayText; }

std::string TextWithFolder(const std::string& folder, const std::string& oldText, bool multipleDirs) {
  return multipleDirs && !oldText.empty() ? folder + ";" + oldText : folder;
}

std::string DroppedPathText(sys::FileSystem& fs, const std::string& name, const std::string& oldText,
                            bool multipleDirs) {
  std::string folder = sys::FileExists(fs, name) ? base::ExtractFilePath(name) : name;
  return TextWithFolder(folder, oldText, multipleDirs);
}

std::string ConvertPathText(const std::string& text, bool multipleDirs,
                            const std::function<std::string(const std::string&)>& convert) {
  if (!multipleDirs) return convert(text);
  std::string result;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string converted = convert(text.substr(start, end - start));
    if (!converted.empty()) {
      if (!result.empty()) result += ';';
      result += converted;
    }
    start = end + 1;
  }
  return result;
}

std::string DialogStartName(sys::FileSystem& fs, const std::string& text, const std::string& initialDir) {
  static const std::string root = "\\";
  const std::string& name = !text.empty() ? text : !initialDir.empty() ? initialDir : root;
  return sys::DirectoryExists(fs, name) ? name : root;
}

namespace {

// Saves the error mode into the field and puts it back by any way out.
class SavedErrorMode {
 public:
  SavedErrorMode(sys::Folders& folders, uint32_t& saved) : folders_(folders), saved_(saved) {
    saved_ = folders_.SetErrorMode(kDialogErrorMode);
  }
  SavedErrorMode(const SavedErrorMode&) = delete;
  SavedErrorMode& operator=(const SavedErrorMode&) = delete;
  ~SavedErrorMode() {
    folders_.SetErrorMode(saved_);
    saved_ = 0;
  }

 private:
  sys::Folders& folders_;
  uint32_t& saved_;
};

}  // namespace

bool DirectoryButtonAction(DirectoryEditHost& host, DirectoryEditSettings& settings, sys::FileSystem& fs,
                           sys::Folders& folders) {
  if (settings.readOnly) return false;
  host.FireButtonClick();
  std::string name = host.Text();
  bool action = true;
  host.NotifyBeforeDialog(name, action);
  if (!action) return false;
  name = DialogStartName(fs, name, settings.initialDir);
  {
    SavedErrorMode quiet(folders, settings.savedErrorMode);
    if (settings.newStyleControls && settings.dialogKind == dkWin32)
      action = host.RunBrowseFolderDialog(name, settings.dialogText, settings.helpContext);
    else
      action = host.RunSelectDirDialog(name, settings.dialogOptions, settings.helpContext);
  }
  if (host.CanFocus()) host.SetFocus();
  host.NotifyAfterDialog(name, action);
  if (!action) return false;
  host.ClearSelection();
  host.SetText(TextWithFolder(name, host.Text(), settings.multipleDirs));
  if (!name.empty() && sys::DirectoryExists(fs, name)) settings.initialDir = name;
  return true;
}

}  // namespace controls
