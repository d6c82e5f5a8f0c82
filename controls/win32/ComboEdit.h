// The directory field on the window system: an edit with a small button fixed inside its
// right edge, in three layers: TCustomComboEdit (the button, its holder, the click key,
// read-only and direct-input rules), TFileDirEdit (dialog events, shell drops, the
// default glyph), TDirectoryEdit (the folder dialog). The rules come from ComboEditRules.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "controls/ComboEditRules.h"
#include "sys/win32/Handle.h"
#include "ui/Control.h"
#include "ui/WindowBase.h"

namespace controls::win32 {

class TCustomComboEdit;

// The speed button inside the field.
class TEditButton final : public ui::WindowBase {
 public:
  explicit TEditButton(TCustomComboEdit& field) : field_(field) {}
  void Create(HWND holder, const RECT& bounds);
  // The glyph is not owned; `count` images lie side by side in it.
  void SetGlyph(HBITMAP glyph, int count);
  bool Pressed() const { return pressed_; }

 private:
  void OnPaint(HDC dc, const RECT& dirty) override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void SetPressed(bool pressed);

  TCustomComboEdit& field_;
  HBITMAP glyph_ = nullptr;
  int count_ = 1;
  bool tracking_ = false;
  bool pressed_ = false;
};

// The plain window that carries the button.
class TButtonHolder final : public ui::WindowBase {
 public:
  void Create(HWND field, const RECT& bounds);
  HWND child = nullptr;  // the button, sized to the holder

 private:
  void OnSize() override;
};

class TCustomComboEdit : public ui::Control {
 public:
  TCustomComboEdit();
  ~TCustomComboEdit() override;

  void Create(HWND parent, int id, const char* text, const RECT& bounds, HFONT font);

  void SetText(const std::string& text);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  bool DirectInput() const { return directInput_; }
  void SetDirectInput(bool on);
  uint16_t ClickKey() const { return clickKey_; }
  void SetClickKey(uint16_t key) { clickKey_ = key; }
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int width);
  TGlyphKind GlyphKind() const { return glyphKind_; }
  void SetGlyphKind(TGlyphKind kind);
  // A custom glyph (not owned) switches the kind to gkCustom.
  void SetGlyph(HBITMAP glyph, int numGlyphs);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int context) { helpContext_ = context; }
  bool Focused() const { return focused_; }
  HWND ButtonHandle() const { return button_.Handle(); }

  std::function<void(TCustomComboEdit& sender)> OnButtonClick;

  // The button's click: the action runs unless the field is read-only.
  void ButtonClick();
  // Focuses the field as a press inside it does: AutoSelect leaves the selection alone.
  void FocusFromInside();

 protected:
  virtual void ButtonAction();
  // The glyph of gkDefault; none in this layer.
  virtual HBITMAP GetDefaultGlyph() { return nullptr; }
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Original(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data);
  void ApplyReadOnly();
  void ApplyGlyph();
  void UpdateButtonBounds();
  void SetTextRect();
  LRESULT PaintFrame(WPARAM region);
  int TextHeight();
  bool KeyDown(WPARAM key, LPARAM lp, bool system);
  void SendDialogKey(WPARAM key);
  void CreateCaret();
  void Paste();

  TEditButton button_{*this};
  TButtonHolder holder_;
  HFONT font_ = nullptr;
  bool readOnly_ = false;
  bool directInput_ = true;
  bool autoSelect_ = true;
  bool focused_ = false;
  uint16_t clickKey_ = kDefaultClickKey;
  int buttonWidth_ = kDefaultButtonWidth;
  TGlyphKind glyphKind_ = gkCustom;
  HBITMAP glyph_ = nullptr;
  int numGlyphs_ = 1;
  sys::win32::GdiObject ownGlyph_;  // the generated or system glyph of gkEllipsis and gkDropDown
  int helpContext_ = 0;
  bool resizing_ = false;
  bool focusFromInside_ = false;
  int inCallback_ = 0;  // depth of the field's procedure on the stack
  int bypass_ = 0;      // messages sent past the field's rules
};

class TFileDirEdit : public TCustomComboEdit {
 public:
  using DialogEvent = std::function<void(TFileDirEdit& sender, std::string& name, bool& action)>;

  TFileDirEdit();

  bool AcceptFiles() const { return acceptFiles_; }
  void SetAcceptFiles(bool on);
  bool MultipleDirs() const { return multipleDirs_; }
  void SetMultipleDirs(bool on) { multipleDirs_ = on; }

  virtual std::string LongPathText() = 0;
  virtual std::string ShortPathText() = 0;

  DialogEvent OnBeforeDialog, OnAfterDialog;
  std::function<void(TFileDirEdit& sender)> OnDropFiles;

 protected:
  virtual void AcceptDroppedPath(const std::string& path) = 0;
  virtual void NotifyBeforeDialog(std::string& name, bool& action);
  virtual void NotifyAfterDialog(std::string& name, bool& action);
  HBITMAP GetDefaultGlyph() override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  uint32_t savedErrorMode_ = 0;

 private:
  void DropFiles(HDROP drop);
  bool acceptFiles_ = false;
  bool multipleDirs_ = false;
};

class TDirectoryEdit final : public TFileDirEdit, private DirectoryEditHost {
 public:
  TDirectoryEdit() = default;

  TDirDialogKind DialogKind() const { return dialogKind_; }
  void SetDialogKind(TDirDialogKind kind) { dialogKind_ = kind; }
  const std::string& DialogText() const { return dialogText_; }
  void SetDialogText(const std::string& text) { dialogText_ = text; }
  TSelectDirOpts DialogOptions() const { return dialogOptions_; }
  void SetDialogOptions(TSelectDirOpts options) { dialogOptions_ = options; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& dir) { initialDir_ = dir; }

  std::string LongPathText() override;
  std::string ShortPathText() override;
  std::string Text() override { return ui::Control::Text(); }
  void SetText(const std::string& text) override { TCustomComboEdit::SetText(text); }

 protected:
  void ButtonAction() override;
  void AcceptDroppedPath(const std::string& path) override;

 private:
  // DirectoryEditHost
  void FireButtonClick() override;
  void NotifyBeforeDialog(std::string& name, bool& action) override { TFileDirEdit::NotifyBeforeDialog(name, action); }
  void NotifyAfterDialog(std::string& name, bool& action) override { TFileDirEdit::NotifyAfterDialog(name, action); }
  bool RunSelectDirDialog(std::string& name, TSelectDirOpts options, int helpContext) override;
  bool RunBrowseFolderDialog(std::string& name, const std::string& dialogText, int helpContext) override;
  bool CanFocus() override;
  void SetFocus() override;
  void ClearSelection() override;

  TDirDialogKind dialogKind_ = dkBuiltIn;
  std::string dialogText_;
  TSelectDirOpts dialogOptions_ = 0;
  std::string initialDir_;
};

// Whether the system has the newer shell look (major version 4 and later).
bool NewStyleControls();

}  // namespace controls::win32
